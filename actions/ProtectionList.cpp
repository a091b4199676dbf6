#include "actions/ProtectionList.h"

#include <mbstring.h>

#include <cstdlib>
#include <utility>

#include "core/AppPaths.h"
#include "core/Text.h"
#include "base/Resources.h"
#include "platform/Files.h"
#include "resource.h"

namespace {

// No sensible protection file comes near this; a larger one is read only up
// to here, so a hostile file cannot make the program take a lot of memory.
constexpr size_t kMaxFileBytes = 4 * 1024 * 1024;
// A file name is far shorter; longer lines are garbage and are skipped.
constexpr size_t kMaxLineBytes = 1024;

// Splits text into lines as the C library's text-mode reader sees them: at LF,
// with the CR of a CR LF pair removed, and each line ending at its first NUL.
template <typename Fn>
void ForEachLine(const std::string& text, Fn fn) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        size_t len = end - start;
        if (len > 0 && text[end - 1] == '\r') --len;
        std::string line = text.substr(start, len);
        size_t nul = line.find('\0');
        if (nul != std::string::npos) line.resize(nul);
        fn(line);
        start = end + 1;
    }
}

bool IsDecimalNumber(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

int Bool(int v) {
    return v ? 1 : 0;
}

}  // namespace

std::string ProtectionLevelText(int level) {
    switch (level) {
    case 0: return "Unprotected";
    case 1: return "Can Close";
    case 2: return "Can Kill";
    case 3: return "Protected";
    case 4: return "System Protected";
    default: return std::string();
    }
}

std::string FoldProgramName(const std::string& name) {
    std::string folded = name;
    // Folds up to the first NUL, which a program name never holds.
    if (!folded.empty()) _mbslwr(reinterpret_cast<unsigned char*>(&folded[0]));
    return folded;
}

bool SameProgramName(const std::string& a, const std::string& b) {
    return FoldProgramName(a) == FoldProgramName(b);
}

ProtectionList::ProtectionList() : filePath_(ProgramFolder() + "protect.dat") {}

ProtectionList::ProtectionList(std::string filePath) : filePath_(std::move(filePath)) {}

void ProtectionList::Load() {
    std::string fileText;
    ReadFileBounded(filePath_, kMaxFileBytes, fileText);
    LoadFromText(fileText, LoadTextResource(IDR_TEXT_SYSTEM_PROTECTED, "TEXT"));
}

void ProtectionList::LoadFromText(const std::string& fileText, const std::string& builtInText) {
    entries_.clear();
    index_.clear();
    ForEachLine(fileText, [this](const std::string& line) {
        if (line.size() > kMaxLineBytes) return;
        std::vector<std::string> fields;
        size_t start = 0;
        while (start <= line.size()) {
            size_t end = line.find(';', start);
            if (end == std::string::npos) end = line.size();
            if (end > start) fields.push_back(line.substr(start, end - start));
            start = end + 1;
        }
        std::string name;
        if (fields.size() == 2) {
            name = fields[0];
        } else if (fields.size() > 2 && IsDecimalNumber(Trim(line.substr(line.rfind(';') + 1)))) {
            // A program whose name holds ";" is saved as "a;b.exe;3": read
            // it back as the name before the last ";". Older versions skip
            // such a line, as they always did.
            name = line.substr(0, line.rfind(';'));
        } else {
            return;
        }
        // The leading decimal number, as the C library reads it; trailing
        // characters (a stray carriage return) are ignored.
        int value = static_cast<int>(std::strtol(fields.back().c_str(), nullptr, 10));
        Add(name, value & kAllowClose, value & kAllowKill, value & kSystem);
    });
    Add("System Idle Process", 0, 0, 1);
    Add("System", 0, 0, 1);
    // A built-in name overrides whatever the file said about it.
    ForEachLine(builtInText, [this](const std::string& line) {
        std::string name = Trim(line);
        if (name.empty() || name[0] == ';') return;
        MakeSystemProtected(name);
    });
}

void ProtectionList::MakeSystemProtected(const std::string& name) {
    int i = Find(name);
    if (i < 0) {
        Append(ProtectionEntry{name, 0, 0, 1});
        return;
    }
    ProtectionEntry& e = entries_[static_cast<size_t>(i)];
    e.allowClose = 0;
    e.allowKill = 0;
    e.system = 1;
}

void ProtectionList::Append(ProtectionEntry entry) {
    // Entries are never removed or renamed, so the first position of a name
    // stays valid.
    index_.emplace(FoldProgramName(entry.name), entries_.size());
    entries_.push_back(std::move(entry));
}

int ProtectionList::Find(const std::string& name) const {
    auto it = index_.find(FoldProgramName(name));
    return it == index_.end() ? -1 : static_cast<int>(it->second);
}

bool ProtectionList::Get(const std::string& name, int& allowClose, int& allowKill, int& system) const {
    int i = Find(name);
    if (i < 0) return false;
    const ProtectionEntry& e = entries_[static_cast<size_t>(i)];
    allowClose = e.allowClose;
    allowKill = e.allowKill;
    system = e.system;
    return true;
}

int ProtectionList::GetFlags(const std::string& name) const {
    int i = Find(name);
    if (i < 0) return kAllowClose | kAllowKill;
    const ProtectionEntry& e = entries_[static_cast<size_t>(i)];
    return (e.allowClose ? kAllowClose : 0) | (e.allowKill ? kAllowKill : 0) | (e.system ? kSystem : 0);
}

void ProtectionList::SetFlags(const std::string& name, int flags) {
    int i = Find(name);
    if (i >= 0) {
        ProtectionEntry& e = entries_[static_cast<size_t>(i)];
        e.allowClose = Bool(flags & kAllowClose);
        e.allowKill = Bool(flags & kAllowKill);
        e.system = Bool(flags & kSystem);
    }
    Save();
}

void ProtectionList::ToggleFlags(const std::string& name, int bits) {
    int flags = GetFlags(name);
    SetFlags(name, (flags & bits) ? (flags & ~bits) : (flags | bits));
}

bool ProtectionList::CanClose(const std::string& name) const {
    int i = Find(name);
    if (i < 0) return true;
    const ProtectionEntry& e = entries_[static_cast<size_t>(i)];
    return e.allowClose && !e.system;
}

bool ProtectionList::CanKill(const std::string& name) const {
    int i = Find(name);
    if (i < 0) return true;
    const ProtectionEntry& e = entries_[static_cast<size_t>(i)];
    return e.allowKill && !e.system;
}

bool ProtectionList::IsProtected(const std::string& name) const {
    int i = Find(name);
    if (i < 0) return false;
    const ProtectionEntry& e = entries_[static_cast<size_t>(i)];
    return !e.allowClose && !e.allowKill;
}

bool ProtectionList::IsSystemProtected(const std::string& name) const {
    int i = Find(name);
    return i >= 0 && entries_[static_cast<size_t>(i)].system != 0;
}

ProtectionLevel ProtectionList::Level(const std::string& name) const {
    int i = Find(name);
    if (i < 0) return ProtectionLevel::Unprotected;
    const ProtectionEntry& e = entries_[static_cast<size_t>(i)];
    if (e.system) return ProtectionLevel::SystemProtected;
    if (e.allowClose && e.allowKill) return ProtectionLevel::Unprotected;
    if (e.allowClose) return ProtectionLevel::CanClose;
    if (e.allowKill) return ProtectionLevel::CanKill;
    return ProtectionLevel::Protected;
}

int ProtectionList::Add(const std::string& name, int allowClose, int allowKill, int system) {
    if (Find(name) >= 0) return -1;
    Append(ProtectionEntry{name, Bool(allowClose), Bool(allowKill), Bool(system)});
    return static_cast<int>(entries_.size());
}

int ProtectionList::Set(const std::string& name, int allowClose, int allowKill, int system) {
    int i = Find(name);
    if (i < 0) {
        Append(ProtectionEntry{name, Bool(allowClose), Bool(allowKill), Bool(system)});
    } else {
        ProtectionEntry& e = entries_[static_cast<size_t>(i)];
        e.allowClose = Bool(allowClose);
        e.allowKill = Bool(allowKill);
        e.system = Bool(system);
    }
    Save();
    return 1;
}

void ProtectionList::SetAllowClose(const std::string& name, bool allow) {
    int i = Find(name);
    if (i < 0) {
        Append(ProtectionEntry{name, Bool(allow), 1, 0});
    } else {
        ProtectionEntry& e = entries_[static_cast<size_t>(i)];
        if (e.system) return;
        e.allowClose = Bool(allow);
    }
    Save();
}

void ProtectionList::SetAllowKill(const std::string& name, bool allow) {
    int i = Find(name);
    if (i < 0) {
        Append(ProtectionEntry{name, 1, Bool(allow), 0});
    } else {
        ProtectionEntry& e = entries_[static_cast<size_t>(i)];
        if (e.system) return;
        e.allowKill = Bool(allow);
    }
    Save();
}

std::string ProtectionList::FileText() const {
    std::string text;
    for (const ProtectionEntry& e : entries_) {
        if (e.system) continue;
        text += FormatString("%s;%d\r\n", e.name.c_str(), (e.allowClose ? 1 : 0) + (e.allowKill ? 2 : 0));
    }
    return text;
}

bool ProtectionList::Save() const {
    return WriteFileReplacing(filePath_, FileText());
}
