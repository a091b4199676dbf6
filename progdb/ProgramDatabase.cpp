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

void ProgramDatabase::EntryTable::Append(const ProgramEntry& entry) {
    entries.push_back(entry);
    // emplace keeps an existing key: lookups see the first entry of a name.
    index.emplace(FileNameKey(entry.fileName), static_cast<int>(entries.size() - 1));
}

ProgramDatabase::ProgramDatabase(LayoutReader reader, LoadBounds bounds)
    : store_(std::make_shared<Store>()),
      lock_(store_->lock),
      table_(store_->table),
      modified_(store_->modified),
      changes_(store_->changes),
      reader_(std::move(reader)),
      bounds_(bounds) {}

ProgramDatabase::~ProgramDatabase() {
    WaitForLoad();
}

bool ProgramDatabase::ReadPublisherLayout(const std::string& xmlText, EntryTable& into) {
    XmlDocument doc;
    if (!doc.Parse(xmlText)) return false;
    const XmlNode* duzer = nullptr;
    const XmlNode* database = nullptr;
    if (doc.Root().FindChild("duzer", duzer) < 0 || duzer->FindChild("database", database) < 0) return false;
    size_t appended = 0;
    std::vector<const XmlNode*> companies;
    database->FindChildren("company", companies);
    for (const XmlNode* company : companies) appended += AppendCompany(into, *company, false);
    return appended > 0;
}

bool ProgramDatabase::ReadLocalLayout(const std::string& xmlText, EntryTable& into) {
    XmlDocument doc;
    if (!doc.Parse(xmlText)) return false;
    const XmlNode* database = nullptr;
    if (doc.Root().FindChild("database", database) < 0) return false;
    size_t appended = 0;
    std::vector<const XmlNode*> companies;
    database->FindChildren("company", companies);
    for (const XmlNode* company : companies) appended += AppendCompany(into, *company, true);
    return appended > 0;
}

size_t ProgramDatabase::AppendCompany(EntryTable& into, const XmlNode& company, bool readSubmitted) {
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
        into.Append(entry);
    }
    return executables.size();
}

bool ProgramDatabase::Parse(const std::string& xmlText) {
    EntryTable parsed;
    bool ok = false;
    try {
        ok = reader_(xmlText, parsed);
    } catch (const std::bad_alloc&) {
        return false;  // nothing appended
    }
    CriticalSectionLock guard(lock_);
    for (const ProgramEntry& entry : parsed.entries) table_.Append(entry);
    return ok;
}

bool ProgramDatabase::LoadInto(Store& store, const LayoutReader& reader, const LoadBounds& bounds,
                               const std::string& path, HANDLE stopEvent) {
    auto stopped = [stopEvent] { return stopEvent && ::WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0; };
    if (!FileExists(path)) return false;
    std::string bytes;
    const size_t maxBytes = bounds.maxFileBytes;
    try {
        if (!ReadFileBounded(path, maxBytes + 1, bytes) || bytes.size() > maxBytes) return false;
    } catch (const std::bad_alloc&) {
        return false;  // as unreadable: the entries stay
    }
    // Counted before the parser builds its tree, which holds all of them.
    const size_t maxElements = bounds.maxElements;
    if (maxElements != kNoElementBound && CountXmlStartTags(bytes, maxElements) > maxElements)
        return false;  // as unreadable
    EntryTable staging;
    bool ok = false;
    try {
        ok = reader(bytes, staging);
    } catch (const std::bad_alloc&) {
        // Out of memory half-way: what was parsed is no whole database.
        CriticalSectionLock guard(store.lock);
        store.table = EntryTable();
        ++store.changes;
        return false;
    }
    // A load asked to stop (the program ends) changes nothing.
    if (stopped()) return false;
    // What the file held (nothing, for text that does not parse) replaces
    // the entries in one step.
    CriticalSectionLock guard(store.lock);
    store.table.entries.swap(staging.entries);
    store.table.index.swap(staging.index);
    store.modified = false;
    ++store.changes;
    return ok;
}

bool ProgramDatabase::Load(const std::string& path, bool inBackground, HWND notifyWindow) {
    if (!inBackground) {
        {
            CriticalSectionLock guard(lock_);
            path_ = path;
        }
        return LoadInto(*store_, reader_, bounds_, path, nullptr);
    }
    CriticalSectionLock guard(threadLock_);
    if (loader_.IsRunning()) return false;
    {
        CriticalSectionLock dataGuard(lock_);
        path_ = path;
    }
    // The job holds the storage and a copy of the reader, never this
    // database: one that outlives the exit bound writes into storage nobody
    // reads any more.
    std::shared_ptr<Store> store = store_;
    LayoutReader reader = reader_;
    const LoadBounds bounds = bounds_;
    return loader_.Start(
        notifyWindow,
        [store, reader, bounds, path](WorkerThread::Context& context) {
            {
                // The XML parser's component runtime belongs to this thread.
                ComRuntime runtime;
                LoadInto(*store, reader, bounds, path, context.StopEvent());
            }
            context.Complete(WM_DATABASE_LOADED);
        },
        WorkerMessage{WM_DATABASE_LOADED, 0, 0});
}

bool ProgramDatabase::IsLoading() const {
    return loader_.IsRunning();
}

void ProgramDatabase::RequestStop() { loader_.RequestStop(); }

bool ProgramDatabase::Stop(DWORD boundMs) {
    CriticalSectionLock guard(threadLock_);
    return loader_.Stop(boundMs);
}

void ProgramDatabase::WaitForLoad() {
    // A load reads a local file of bounded size: it ends.
    CriticalSectionLock guard(threadLock_);
    loader_.Join(kLoadBoundMs);
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
