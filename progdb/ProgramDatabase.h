// The program database: what a running executable is (company, web site,
// rating, description), read from the publisher's XML file and from the
// user's own local XML file.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/Messages.h"
#include "core/Worker.h"
#include "base/Handles.h"

class XmlNode;


// The rating scale 0..9; the text of each value is string resource 500 + value.
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

// One database file held in memory. The base class reads the publisher's
// layout ("duzer" > "database" > "company" > "executable"); every operation
// is safe to call from any thread.
class ProgramDatabase {
public:
    ProgramDatabase();
    // Waits for a background load that still runs. A derived class that
    // overrides Parse waits in its own destructor too (WaitForLoad).
    virtual ~ProgramDatabase();
    ProgramDatabase(const ProgramDatabase&) = delete;
    ProgramDatabase& operator=(const ProgramDatabase&) = delete;

    // The layout reader: appends the entries of one XML text. True when at
    // least one entry was appended; false (nothing appended) for malformed
    // text or a missing document element.
    virtual bool Parse(const std::string& xmlText);

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
    // Blocks until a running background load has ended (no-op otherwise).
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
    // The largest file Load reads and the most elements it parses: the
    // publisher's bounds for this class.
    virtual size_t MaxFileBytes() const { return kMaxPublisherFileBytes; }
    virtual size_t MaxElements() const { return kMaxPublisherElements; }
    // For Parse implementations: one "company" element's entries, read by
    // the shared reading rule. Returns the number appended.
    size_t AppendCompany(const XmlNode& company, bool readSubmitted);
    void AppendEntry(const ProgramEntry& entry);

private:
    struct EntryTable {
        std::vector<ProgramEntry> entries;
        // Normalised file name -> index of its first entry; answers the same
        // as a linear scan for the first match.
        std::unordered_map<std::wstring, int> index;
    };
    bool LoadNow(const std::string& path);
    static bool WriteEntries(const std::string& path, const std::vector<ProgramEntry>& entries);
    int FindIndexLocked(const std::string& fileName) const;

    mutable CriticalSection lock_;
    EntryTable table_;
    std::string path_;
    bool readOnly_ = true;
    bool modified_ = false;
    unsigned long changes_ = 0;  // counts every change, so a save knows what it wrote

    CriticalSection threadLock_;  // Load and WaitForLoad from several threads
    WorkerThread loader_;
};

// The user's own database: the local layout ("database" > "company" >
// "executable" with "submitted").
class LocalProgramDatabase : public ProgramDatabase {
public:
    // A load still running must end while this class's Parse is in place.
    ~LocalProgramDatabase() override { WaitForLoad(); }
    bool Parse(const std::string& xmlText) override;

protected:
    // The user's own file, written by the program: only the parser's own
    // element bound applies.
    size_t MaxFileBytes() const override { return kMaxDatabaseFileBytes; }
    size_t MaxElements() const override { return static_cast<size_t>(-1); }
};
