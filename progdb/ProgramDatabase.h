// The program database: what a running executable is (company, web site,
// rating, description), read from the publisher's XML file and from the
// user's own local XML file.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/Messages.h"
#include "core/Worker.h"
#include "base/Handles.h"

class XmlNode;


// The rating scale 0..9; the text of each value is the string resource
// IDS_RATING_SYSTEM + value.
enum ProgramRating : int {
    kRatingSystem = 0,
    kRatingBackground = 1,
    kRatingNormal = 2,
    kRatingMajorVendor = 3,
    kRatingSmallVendor = 4,
    kRatingUnverified = 5,
    kRatingUnknown = 6,  // used whenever nothing better is known
    kRatingSuspect = 7,
    kRatingSpyware = 8,
    kRatingMalicious = 9,
};

// Database files larger than this are refused as unreadable: the publisher's
// file of tens of thousands of programs is a few megabytes, and a 32-bit
// process parsing a far larger one could run out of address space.
constexpr size_t kMaxDatabaseFileBytes = 64u * 1024u * 1024u;
// The bounds of the publisher's file, which comes from the network: it is
// refused above 16 MB or 500,000 elements (the 20,000 programs of a large
// file make about 5 MB and 140,000 elements). The parser would hold every
// element of a larger one at once, several times its size.
constexpr size_t kMaxPublisherFileBytes = 16u * 1024u * 1024u;
constexpr size_t kMaxPublisherElements = 500000;

// How many elements the text of an XML file can hold at most: its start tags
// ("<" followed by anything but "/", "?" or "!"), counted in UTF-16 units for
// a file with a UTF-16 byte order mark. Stops counting past limit.
size_t CountXmlStartTags(const std::string& bytes, size_t limit);

// The string-table text of a rating; empty for values outside 0..9.
std::string RatingText(int rating);
// The integer value of a stored rating text: its leading decimal digits
// (after any white space); empty or non-numeric text gives 0, except "-1",
// the mark of a description without a rating, which gives -1.
int RatingValue(const std::string& ratingText);

// One program, keyed by its executable's file name.
struct ProgramEntry {
    std::string company;
    std::string url;          // as stored; may lack a scheme
    std::string rating;       // decimal text as stored, e.g. "3"
    std::string fileName;     // without folder; the lookup key
    std::string description;
    bool submitted = false;   // posted to the publisher (local file only)
};

bool operator==(const ProgramEntry& a, const ProgramEntry& b);
inline bool operator!=(const ProgramEntry& a, const ProgramEntry& b) { return !(a == b); }

// True when two file names are equal ignoring case, in the system's code page
// (multi-byte characters are compared as characters, not as bytes).
bool SameFileName(const std::string& a, const std::string& b);

// One database file held in memory. Every operation is safe to call from any
// thread. The layout of the file is the reader's: the publisher's
// ("duzer" > "database" > "company" > "executable") by default.
class ProgramDatabase {
public:
    // The entries of one file, in file order, with the index of each name's
    // first entry (the same answers as a linear scan for the first match).
    struct EntryTable {
        std::vector<ProgramEntry> entries;
        std::unordered_map<std::wstring, int> index;  // normalised file name -> index
        void Append(const ProgramEntry& entry);
    };
    // A layout reader: appends the entries of one XML text to a table; true
    // when at least one was appended, false (nothing appended) for malformed
    // text or a missing document element. A background load runs a copy of
    // it on its own thread, so it holds nothing of the database.
    using LayoutReader = std::function<bool(const std::string& xmlText, EntryTable& into)>;
    static bool ReadPublisherLayout(const std::string& xmlText, EntryTable& into);
    static bool ReadLocalLayout(const std::string& xmlText, EntryTable& into);

    // What a load reads at the most: the file's size and its elements (the
    // element bound counted before the parser builds its tree).
    static constexpr size_t kNoElementBound = static_cast<size_t>(-1);
    struct LoadBounds {
        size_t maxFileBytes;
        size_t maxElements;
    };

    // The publisher's layout and bounds by default.
    ProgramDatabase() : ProgramDatabase(&ReadPublisherLayout) {}
    explicit ProgramDatabase(LayoutReader reader,
                             LoadBounds bounds = LoadBounds{kMaxPublisherFileBytes, kMaxPublisherElements});
    // Waits, bounded, for a background load that still runs; one that runs
    // on writes only into the storage it shares, never into a database
    // that is gone.
    virtual ~ProgramDatabase();
    ProgramDatabase(const ProgramDatabase&) = delete;
    ProgramDatabase& operator=(const ProgramDatabase&) = delete;

    // Appends the entries of one XML text in this database's layout.
    bool Parse(const std::string& xmlText);

    // Synchronous (inBackground false): remembers the path, replaces the
    // entries with the file's and returns whether at least one was read. The
    // file is parsed into a container of its own that replaces the entries in
    // one step under the lock, so a lookup meanwhile sees the old entries or
    // the new ones, never half of them.
    // Background: false when a load already runs; otherwise remembers path
    // and window, starts the load thread and returns whether it started. The
    // thread posts WM_DATABASE_LOADED to notifyWindow (if any) when it ends.
    bool Load(const std::string& path, bool inBackground = false, HWND notifyWindow = nullptr);
    bool IsLoading() const;
    // Asks a running background load to stop: it ends at its next check and
    // leaves the entries as they were.
    void RequestStop();
    // Asks it to stop and waits at most boundMs; true when no load runs.
    bool Stop(DWORD boundMs);
    // Waits for a running background load to end (no-op otherwise).
    void WaitForLoad();

    // Writes every entry in the local layout, aside and then over the old
    // file. False when the file cannot be written. A save that succeeded
    // clears the modified mark (unless an entry changed meanwhile); one that
    // failed sets it, so the entries are written by a later save.
    bool Save(const std::string& path);

    // First entry whose fileName equals the argument ignoring case, or -1.
    int FindIndex(const std::string& fileName) const;
    bool FindEntry(const std::string& fileName, ProgramEntry& entry) const;
    bool FindDescription(const std::string& fileName, std::string& text) const;
    // False when read-only. Otherwise overwrites the first entry with the
    // same file name, or appends the entry; either change marks the database
    // modified until it is saved.
    bool AddOrReplace(const ProgramEntry& entry);

    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const;
    bool IsModified() const;
    void SetModified(bool modified);

    // The file last loaded.
    std::string Path() const;
    size_t Count() const;
    bool GetEntry(size_t index, ProgramEntry& entry) const;
    // A copy of all entries, in file order.
    std::vector<ProgramEntry> Entries() const;
    void Clear();

protected:
    // For layout readers: one "company" element's entries, read by the
    // shared reading rule. Returns the number appended.
    static size_t AppendCompany(EntryTable& into, const XmlNode& company, bool readSubmitted);

private:
    // The entries, their lock and their change marks: shared with a
    // background load.
    struct Store {
        CriticalSection lock;
        EntryTable table;
        bool modified = false;
        unsigned long changes = 0;  // counts every change, so a save knows what it wrote
    };
    static bool LoadInto(Store& store, const LayoutReader& reader, const LoadBounds& bounds, const std::string& path,
                         HANDLE stopEvent);
    static bool WriteEntries(const std::string& path, const std::vector<ProgramEntry>& entries);
    int FindIndexLocked(const std::string& fileName) const;

    std::shared_ptr<Store> store_;
    CriticalSection& lock_;    // store_->lock
    EntryTable& table_;        // store_->table
    bool& modified_;           // store_->modified
    unsigned long& changes_;   // store_->changes
    LayoutReader reader_;
    LoadBounds bounds_;
    std::string path_;
    bool readOnly_ = true;

    // How long a wait for a load may take: the largest file the reader
    // accepts parses in a few seconds on a slow machine.
    static constexpr DWORD kLoadBoundMs = 60000;
    CriticalSection threadLock_;  // Load and WaitForLoad from several threads
    WorkerThread loader_;
};

// The user's own database: the local layout ("database" > "company" >
// "executable" with "submitted").
class LocalProgramDatabase : public ProgramDatabase {
public:
    // The user's own file, written by the program: only the parser's own
    // element bound applies.
    LocalProgramDatabase() : ProgramDatabase(&ReadLocalLayout, LoadBounds{kMaxDatabaseFileBytes, kNoElementBound}) {}
};
