#include "progdb/ProgramDatabase.h"

#include <process.h>

#include <new>

#include "framework/ComPtr.h"
#include "framework/Resources.h"
#include "platform/Files.h"
#include "progdb/XmlDocument.h"
#include "progdb/XmlWriter.h"
#include "resource.h"

namespace {

// The lookup key of a file name: its characters in the system's code page,
// upper-cased. Two names are equal ignoring case when their keys are equal.
std::wstring FileNameKey(const std::string& fileName) {
    std::wstring key = AnsiToWide(fileName);
    if (!key.empty()) ::CharUpperBuffW(&key[0], static_cast<DWORD>(key.size()));
    return key;
}

}  // namespace

std::string RatingText(int rating) {
    if (rating < kRatingSystem || rating > kRatingMalicious) return std::string();
    return LoadStringResource(IDS_RATING_SYSTEM + rating);
}

int RatingValue(const std::string& ratingText) {
    size_t i = 0;
    while (i < ratingText.size() && (ratingText[i] == ' ' || ratingText[i] == '\t' || ratingText[i] == '\r' ||
                                     ratingText[i] == '\n'))
        ++i;
    // "-1" is what the describe step stores when no rating was chosen; it
    // must come back as "no rating" (shown as Unknown), not as 0 ("System").
    if (ratingText.compare(i, 2, "-1") == 0 &&
        (i + 2 == ratingText.size() || ratingText[i + 2] < '0' || ratingText[i + 2] > '9'))
        return -1;
    long value = 0;
    for (; i < ratingText.size() && ratingText[i] >= '0' && ratingText[i] <= '9'; ++i) {
        value = value * 10 + (ratingText[i] - '0');
        if (value > 1000000) return 1000000;  // far outside the scale; no overflow
    }
    return static_cast<int>(value);
}

bool operator==(const ProgramEntry& a, const ProgramEntry& b) {
    return a.company == b.company && a.url == b.url && a.rating == b.rating && a.fileName == b.fileName &&
           a.description == b.description && a.submitted == b.submitted;
}

bool SameFileName(const std::string& a, const std::string& b) {
    return FileNameKey(a) == FileNameKey(b);
}

// ---- ProgramDatabase --------------------------------------------------------

ProgramDatabase::ProgramDatabase() = default;

ProgramDatabase::~ProgramDatabase() {
    WaitForLoad();
}

bool ProgramDatabase::Parse(const std::string& xmlText) {
    XmlDocument doc;
    if (!doc.Parse(xmlText)) return false;
    const XmlNode* duzer = nullptr;
    const XmlNode* database = nullptr;
    if (doc.Root().FindChild("duzer", duzer) < 0 || duzer->FindChild("database", database) < 0) return false;
    size_t appended = 0;
    std::vector<const XmlNode*> companies;
    database->FindChildren("company", companies);
    for (const XmlNode* company : companies) appended += AppendCompany(*company, false);
    return appended > 0;
}

bool LocalProgramDatabase::Parse(const std::string& xmlText) {
    XmlDocument doc;
    if (!doc.Parse(xmlText)) return false;
    const XmlNode* database = nullptr;
    if (doc.Root().FindChild("database", database) < 0) return false;
    size_t appended = 0;
    std::vector<const XmlNode*> companies;
    database->FindChildren("company", companies);
    for (const XmlNode* company : companies) appended += AppendCompany(*company, true);
    return appended > 0;
}

size_t ProgramDatabase::AppendCompany(const XmlNode& company, bool readSubmitted) {
    const std::string name = company.ChildText("name");
    const std::string url = company.ChildText("url");
    std::vector<const XmlNode*> executables;
    company.FindChildren("executable", executables);
    for (const XmlNode* executable : executables) {
        ProgramEntry entry;
        entry.company = name;
        entry.url = url;
        entry.rating = executable->ChildText("rating");
        entry.fileName = executable->ChildText("filename");
        entry.description = executable->ChildText("description");
        if (readSubmitted) entry.submitted = ::lstrcmpiA(executable->ChildText("submitted").c_str(), "TRUE") == 0;
        AppendEntry(entry);
    }
    return executables.size();
}

void ProgramDatabase::AppendEntry(const ProgramEntry& entry) {
    CriticalSectionLock guard(lock_);
    entries_.push_back(entry);
    // emplace keeps an existing key: lookups see the first entry of a name.
    index_.emplace(FileNameKey(entry.fileName), static_cast<int>(entries_.size() - 1));
}

bool ProgramDatabase::LoadNow(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    std::string bytes;
    try {
        if (!ReadFileBounded(path, kMaxDatabaseFileBytes + 1, bytes) || bytes.size() > kMaxDatabaseFileBytes)
            return false;
    } catch (const std::bad_alloc&) {
        return false;  // as unreadable: the entries stay
    }
    Clear();
    try {
        return Parse(bytes);
    } catch (const std::bad_alloc&) {
        // Out of memory half-way: what was appended is no whole database.
        Clear();
        return false;
    }
}

struct ProgramDatabase::LoadContext {
    ProgramDatabase* database;
    std::string path;
    HWND notifyWindow;
};

unsigned __stdcall ProgramDatabase::LoadThreadProc(void* param) {
    LoadContext* context = static_cast<LoadContext*>(param);
    {
        // The XML parser's component runtime belongs to this thread.
        ComRuntime runtime;
        context->database->LoadNow(context->path);
    }
    HWND notify = context->notifyWindow;
    // Cleared before the message goes out, so its handler sees the load done.
    context->database->loading_ = false;
    delete context;
    if (notify) ::PostMessageA(notify, WM_DATABASE_LOADED, 0, 0);
    return 0;
}

bool ProgramDatabase::Load(const std::string& path, bool inBackground, HWND notifyWindow) {
    if (!inBackground) {
        {
            CriticalSectionLock guard(lock_);
            path_ = path;
        }
        return LoadNow(path);
    }
    CriticalSectionLock guard(threadLock_);
    if (loading_) return false;
    if (loadThread_) {
        // The previous thread has finished its work; let it end.
        ::WaitForSingleObject(loadThread_.get(), INFINITE);
        loadThread_.reset();
    }
    {
        CriticalSectionLock dataGuard(lock_);
        path_ = path;
        notifyWindow_ = notifyWindow;
    }
    LoadContext* context = new LoadContext{this, path, notifyWindow};
    loading_ = true;
    uintptr_t thread = ::_beginthreadex(nullptr, 0, &ProgramDatabase::LoadThreadProc, context, 0, nullptr);
    if (!thread) {
        loading_ = false;
        delete context;
        return false;
    }
    loadThread_.reset(reinterpret_cast<HANDLE>(thread));
    return true;
}

bool ProgramDatabase::IsLoading() const {
    return loading_;
}

void ProgramDatabase::WaitForLoad() {
    CriticalSectionLock guard(threadLock_);
    if (loadThread_) {
        ::WaitForSingleObject(loadThread_.get(), INFINITE);
        loadThread_.reset();
    }
}

bool ProgramDatabase::Save(const std::string& path) const {
    const std::vector<ProgramEntry> entries = Entries();
    XmlWriter writer;
    if (!writer.Open(path)) return false;
    writer.StartElement("database");
    for (const ProgramEntry& entry : entries) {
        writer.StartElement("company");
        writer.Element("name", entry.company);
        writer.Element("url", entry.url);
        writer.StartElement("executable");
        writer.Element("rating", entry.rating);
        writer.Element("submitted", entry.submitted ? "TRUE" : "FALSE");
        writer.Element("filename", entry.fileName);
        writer.Element("description", entry.description);
        writer.EndElement();
        writer.EndElement();
    }
    return writer.Close();
}

int ProgramDatabase::FindIndexLocked(const std::string& fileName) const {
    // An empty name names no program (entries without a "filename" element
    // have an empty one).
    if (fileName.empty()) return -1;
    auto found = index_.find(FileNameKey(fileName));
    return found == index_.end() ? -1 : found->second;
}

int ProgramDatabase::FindIndex(const std::string& fileName) const {
    CriticalSectionLock guard(lock_);
    return FindIndexLocked(fileName);
}

bool ProgramDatabase::FindEntry(const std::string& fileName, ProgramEntry& entry) const {
    CriticalSectionLock guard(lock_);
    int i = FindIndexLocked(fileName);
    if (i < 0) return false;
    entry = entries_[static_cast<size_t>(i)];
    return true;
}

bool ProgramDatabase::FindDescription(const std::string& fileName, std::string& text) const {
    CriticalSectionLock guard(lock_);
    int i = FindIndexLocked(fileName);
    if (i < 0) return false;
    text = entries_[static_cast<size_t>(i)].description;
    return true;
}

bool ProgramDatabase::AddOrReplace(const ProgramEntry& entry) {
    CriticalSectionLock guard(lock_);
    if (readOnly_) return false;
    int i = FindIndexLocked(entry.fileName);
    if (i >= 0) {
        // Same key, so the index stays right.
        entries_[static_cast<size_t>(i)] = entry;
        return true;
    }
    entries_.push_back(entry);
    index_.emplace(FileNameKey(entry.fileName), static_cast<int>(entries_.size() - 1));
    modified_ = true;
    return true;
}

void ProgramDatabase::SetReadOnly(bool readOnly) {
    CriticalSectionLock guard(lock_);
    readOnly_ = readOnly;
}

bool ProgramDatabase::IsReadOnly() const {
    CriticalSectionLock guard(lock_);
    return readOnly_;
}

bool ProgramDatabase::IsModified() const {
    CriticalSectionLock guard(lock_);
    return modified_;
}

void ProgramDatabase::SetModified(bool modified) {
    CriticalSectionLock guard(lock_);
    modified_ = modified;
}

std::string ProgramDatabase::Path() const {
    CriticalSectionLock guard(lock_);
    return path_;
}

size_t ProgramDatabase::Count() const {
    CriticalSectionLock guard(lock_);
    return entries_.size();
}

bool ProgramDatabase::GetEntry(size_t index, ProgramEntry& entry) const {
    CriticalSectionLock guard(lock_);
    if (index >= entries_.size()) return false;
    entry = entries_[index];
    return true;
}

std::vector<ProgramEntry> ProgramDatabase::Entries() const {
    CriticalSectionLock guard(lock_);
    return entries_;
}

void ProgramDatabase::Clear() {
    CriticalSectionLock guard(lock_);
    entries_.clear();
    index_.clear();
}
