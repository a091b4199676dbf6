#include "progdb/ProgramDatabase.h"

#include <new>

#include "base/ComPtr.h"
#include "base/Resources.h"
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

size_t CountXmlStartTags(const std::string& bytes, size_t limit) {
    // A UTF-16 file has each character in two bytes; every other encoding the
    // reader takes keeps "<" and the ASCII marks in one byte.
    const auto byte = [&bytes](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    size_t width = 1, first = 0;
    bool bigEndian = false;
    if (bytes.size() >= 2 && ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF))) {
        width = 2;
        first = 2;
        bigEndian = byte(0) == 0xFE;
    }
    const auto unit = [&](size_t i) -> unsigned {
        if (width == 1) return byte(i);
        return bigEndian ? (byte(i) << 8) | byte(i + 1) : byte(i) | (byte(i + 1) << 8);
    };
    size_t count = 0;
    for (size_t i = first; i + width <= bytes.size(); i += width) {
        if (unit(i) != '<') continue;
        const unsigned mark = i + 2 * width <= bytes.size() ? unit(i + width) : 0;
        if (mark == '/' || mark == '?' || mark == '!') continue;
        if (++count > limit) break;
    }
    return count;
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

namespace {
// The table a load on this thread parses into; null outside a load, when
// Parse appends to the live entries.
thread_local void* t_loadingInto = nullptr;
thread_local const ProgramDatabase* t_loadingFor = nullptr;
}  // namespace

void ProgramDatabase::AppendEntry(const ProgramEntry& entry) {
    if (t_loadingFor == this) {
        EntryTable& staging = *static_cast<EntryTable*>(t_loadingInto);
        staging.entries.push_back(entry);
        staging.index.emplace(FileNameKey(entry.fileName), static_cast<int>(staging.entries.size() - 1));
        return;
    }
    CriticalSectionLock guard(lock_);
    table_.entries.push_back(entry);
    // emplace keeps an existing key: lookups see the first entry of a name.
    table_.index.emplace(FileNameKey(entry.fileName), static_cast<int>(table_.entries.size() - 1));
}

bool ProgramDatabase::LoadNow(const std::string& path) {
    if (!FileExists(path)) return false;
    std::string bytes;
    const size_t maxBytes = MaxFileBytes();
    try {
        if (!ReadFileBounded(path, maxBytes + 1, bytes) || bytes.size() > maxBytes) return false;
    } catch (const std::bad_alloc&) {
        return false;  // as unreadable: the entries stay
    }
    // Counted before the parser builds its tree, which holds all of them.
    const size_t maxElements = MaxElements();
    if (maxElements != static_cast<size_t>(-1) && CountXmlStartTags(bytes, maxElements) > maxElements)
        return false;  // as unreadable
    EntryTable staging;
    bool ok = false;
    struct Redirect {
        Redirect(const ProgramDatabase* db, EntryTable* table) {
            t_loadingFor = db;
            t_loadingInto = table;
        }
        ~Redirect() {
            t_loadingFor = nullptr;
            t_loadingInto = nullptr;
        }
    };
    try {
        Redirect redirect(this, &staging);
        ok = Parse(bytes);
    } catch (const std::bad_alloc&) {
        // Out of memory half-way: what was parsed is no whole database.
        Clear();
        return false;
    }
    // What the file held (nothing, for text that does not parse) replaces
    // the entries in one step.
    CriticalSectionLock guard(lock_);
    table_.entries.swap(staging.entries);
    table_.index.swap(staging.index);
    modified_ = false;
    ++changes_;
    return ok;
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
    if (loader_.IsRunning()) return false;
    {
        CriticalSectionLock dataGuard(lock_);
        path_ = path;
    }
    return loader_.Start(
        notifyWindow,
        [this, path](WorkerThread::Context& context) {
            {
                // The XML parser's component runtime belongs to this thread.
                ComRuntime runtime;
                LoadNow(path);
            }
            context.Complete(WM_DATABASE_LOADED);
        },
        WorkerMessage{WM_DATABASE_LOADED, 0, 0});
}

bool ProgramDatabase::IsLoading() const {
    return loader_.IsRunning();
}

void ProgramDatabase::WaitForLoad() {
    // A load reads a local file of bounded size: it always ends, and the
    // entries it writes belong to this object, so it is waited for.
    CriticalSectionLock guard(threadLock_);
    loader_.Join(INFINITE);
}

bool ProgramDatabase::Save(const std::string& path) {
    std::vector<ProgramEntry> entries;
    unsigned long written = 0;
    {
        CriticalSectionLock guard(lock_);
        entries = table_.entries;
        written = changes_;
    }
    const bool saved = WriteEntries(path, entries);
    CriticalSectionLock guard(lock_);
    if (!saved) modified_ = true;
    else if (changes_ == written) modified_ = false;
    return saved;
}

bool ProgramDatabase::WriteEntries(const std::string& path, const std::vector<ProgramEntry>& entries) {
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
    auto found = table_.index.find(FileNameKey(fileName));
    return found == table_.index.end() ? -1 : found->second;
}

int ProgramDatabase::FindIndex(const std::string& fileName) const {
    CriticalSectionLock guard(lock_);
    return FindIndexLocked(fileName);
}

bool ProgramDatabase::FindEntry(const std::string& fileName, ProgramEntry& entry) const {
    CriticalSectionLock guard(lock_);
    int i = FindIndexLocked(fileName);
    if (i < 0) return false;
    entry = table_.entries[static_cast<size_t>(i)];
    return true;
}

bool ProgramDatabase::FindDescription(const std::string& fileName, std::string& text) const {
    CriticalSectionLock guard(lock_);
    int i = FindIndexLocked(fileName);
    if (i < 0) return false;
    text = table_.entries[static_cast<size_t>(i)].description;
    return true;
}

bool ProgramDatabase::AddOrReplace(const ProgramEntry& entry) {
    CriticalSectionLock guard(lock_);
    if (readOnly_) return false;
    int i = FindIndexLocked(entry.fileName);
    if (i >= 0) {
        // Same key, so the index stays right.
        ProgramEntry& current = table_.entries[static_cast<size_t>(i)];
        if (current == entry) return true;
        current = entry;
    } else {
        table_.entries.push_back(entry);
        table_.index.emplace(FileNameKey(entry.fileName), static_cast<int>(table_.entries.size() - 1));
    }
    // A replaced entry is as much unsaved as a new one.
    modified_ = true;
    ++changes_;
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
    ++changes_;
}

std::string ProgramDatabase::Path() const {
    CriticalSectionLock guard(lock_);
    return path_;
}

size_t ProgramDatabase::Count() const {
    CriticalSectionLock guard(lock_);
    return table_.entries.size();
}

bool ProgramDatabase::GetEntry(size_t index, ProgramEntry& entry) const {
    CriticalSectionLock guard(lock_);
    if (index >= table_.entries.size()) return false;
    entry = table_.entries[index];
    return true;
}

std::vector<ProgramEntry> ProgramDatabase::Entries() const {
    CriticalSectionLock guard(lock_);
    return table_.entries;
}

void ProgramDatabase::Clear() {
    CriticalSectionLock guard(lock_);
    table_.entries.clear();
    table_.index.clear();
    ++changes_;
}
