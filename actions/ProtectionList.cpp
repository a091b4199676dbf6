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
    builtInText_ = LoadTextResource(IDR_TEXT_SYSTEM_PROTECTED, "TEXT");
    std::string fileText;
    FileState state = FileState::Read;
    if (FileExists(filePath_)) {
        // One byte more than the bound tells a file that is larger.
        if (!ReadFileBounded(filePath_, kMaxFileBytes + 1, fileText)) state = FileState::NotRead;
        else if (fileText.size() > kMaxFileBytes) state = FileState::TooLarge;
        if (state != FileState::Read) fileText.clear();
    }
    LoadFromText(fileText, builtInText_);
    fileState_ = state;
}

void ProtectionList::LoadFromText(const std::string& fileText, const std::string& builtInText) {
    builtInText_ = builtInText;
    fileState_ = FileState::Read;
    unsaved_ = false;
    failureNoticed_ = false;
    entries_.clear();
    index_.clear();
    ParseFileText(fileText);
}

void ProtectionList::ParseFileText(const std::string& fileText) {
    ForEachLine(fileText, [this](const std::string& line) {
        if (line.size() > kMaxLineBytes) return;
        // The flags follow the last ";": everything before it is the name, so
        // a name that holds, begins or ends with ";" is read back as written.
        const size_t last = line.rfind(';');
        if (last == std::string::npos || last + 1 == line.size()) return;
        const std::string name = line.substr(0, last);
        const std::string value = line.substr(last + 1);
        if (name.find_first_not_of(';') == std::string::npos) return;  // no name
        // A name with a ";" of its own is only taken from a line that ends in
        // a number, which is how such a name is written; older versions skip
        // those lines, as they always did.
        if (name.find(';') != std::string::npos && !IsDecimalNumber(Trim(value))) return;
        // The leading decimal number, as the C library reads it; trailing
        // characters (a stray carriage return) are ignored.
        int flags = static_cast<int>(std::strtol(value.c_str(), nullptr, 10));
        Add(name, flags & kAllowClose, flags & kAllowKill, flags & kSystem);
    });
    Add("System Idle Process", 0, 0, 1);
    Add("System", 0, 0, 1);
    // A built-in name overrides whatever the file said about it.
    ForEachLine(builtInText_, [this](const std::string& line) {
        std::string name = Trim(line);
        if (name.empty() || name[0] == ';') return;
        MakeSystemProtected(name);
    });
}

bool ProtectionList::ReadFileAgain() {
    std::string fileText;
    if (FileExists(filePath_)) {
        if (!ReadFileBounded(filePath_, kMaxFileBytes + 1, fileText)) {
            fileState_ = FileState::NotRead;
            lastError_ = ::GetLastError();
            return false;
        }
        if (fileText.size() > kMaxFileBytes) {
            fileState_ = FileState::TooLarge;
            lastError_ = ERROR_FILE_TOO_LARGE;
            return false;
        }
    }
    // Everything in memory that is not built in was set in this run, since
    // the file's own entries never arrived: the file's entries come first,
    // as they stand, and this run's settings go over them.
    std::vector<ProtectionEntry> changes;
    for (const ProtectionEntry& e : entries_)
        if (!e.system) changes.push_back(e);
    entries_.clear();
    index_.clear();
    ParseFileText(fileText);
    for (const ProtectionEntry& e : changes) {
        const int i = Find(e.name);
        if (i < 0) Append(e);
        else entries_[static_cast<size_t>(i)] = ProtectionEntry{entries_[static_cast<size_t>(i)].name,
                                                                 e.allowClose, e.allowKill, e.system};
    }
    fileState_ = FileState::Read;
    return true;
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

bool ProtectionList::SetFlags(const std::string& name, int flags) {
    int i = Find(name);
    if (i >= 0) {
        ProtectionEntry& e = entries_[static_cast<size_t>(i)];
        e.allowClose = Bool(flags & kAllowClose);
        e.allowKill = Bool(flags & kAllowKill);
        e.system = Bool(flags & kSystem);
    }
    return Save();
}

bool ProtectionList::ToggleFlags(const std::string& name, int bits) {
    int flags = GetFlags(name);
    return SetFlags(name, (flags & bits) ? (flags & ~bits) : (flags | bits));
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
    return Save() ? 1 : -1;
}

bool ProtectionList::SetAllowClose(const std::string& name, bool allow) {
    int i = Find(name);
    if (i < 0) {
        Append(ProtectionEntry{name, Bool(allow), 1, 0});
    } else {
        ProtectionEntry& e = entries_[static_cast<size_t>(i)];
        if (e.system) return true;
        e.allowClose = Bool(allow);
    }
    return Save();
}

bool ProtectionList::SetAllowKill(const std::string& name, bool allow) {
    int i = Find(name);
    if (i < 0) {
        Append(ProtectionEntry{name, 1, Bool(allow), 0});
    } else {
        ProtectionEntry& e = entries_[static_cast<size_t>(i)];
        if (e.system) return true;
        e.allowKill = Bool(allow);
    }
    return Save();
}

std::string ProtectionList::FileText() const {
    std::string text;
    for (const ProtectionEntry& e : entries_) {
        if (e.system) continue;
        text += FormatString("%s;%d\r\n", e.name.c_str(), (e.allowClose ? 1 : 0) + (e.allowKill ? 2 : 0));
    }
    return text;
}

bool ProtectionList::Save() {
    // A file that was there but not read holds entries this list lacks:
    // writing over it would lose them.
    bool saved = (fileState_ == FileState::Read || ReadFileAgain()) &&
                 WriteFileReplacing(filePath_, FileText(), AsideName::Fixed, &lastError_);
    unsaved_ = !saved;
    if (saved) failureNoticed_ = false;
    return saved;
}

bool ProtectionList::SaveIfUnsaved() {
    return !unsaved_ || Save();
}

bool ProtectionList::TakeSaveFailureNotice() {
    if (!unsaved_ || failureNoticed_) return false;
    failureNoticed_ = true;
    return true;
}

std::string ProtectionList::SaveFailureText() const {
    std::string reason;
    switch (fileState_) {
    case FileState::NotRead:
        reason = "it could not be read (" + SystemErrorText(lastError_) + ") and is not written over";
        break;
    case FileState::TooLarge:
        reason = "it is too large to be read and is not written over";
        break;
    case FileState::Read:
        reason = SystemErrorText(lastError_);
        break;
    }
    return FormatString("The protection settings could not be saved to %s: %s. The change is kept and "
                        "will be saved again with the next change and when Quillmark exits.",
                        filePath_.c_str(), reason.c_str());
}
