// Which programs this program may close or kill. Each program is keyed by its
// executable file name (or process name), compared ignoring case. The user's
// choices persist in "protect.dat" beside the executable; a built-in set of
// system programs can never be closed, killed or changed.
#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>
#include <vector>

enum class ProtectionLevel {
    Unprotected = 0,      // no entry, or close and kill allowed
    CanClose = 1,         // close allowed only
    CanKill = 2,          // kill allowed only
    Protected = 3,        // neither
    SystemProtected = 4,  // built in; whatever the other two say
};

// "Unprotected", "Can Close", "Can Kill", "Protected", "System Protected";
// empty for any other number.
std::string ProtectionLevelText(int level);

struct ProtectionEntry {
    std::string name;
    int allowClose = 0;  // booleans, tested as zero / non-zero
    int allowKill = 0;
    int system = 0;      // never closed or killed; never written to the file
};

class ProtectionList {
public:
    // Flag bits as the file and the flag operations use them.
    static constexpr int kAllowClose = 0x0001;
    static constexpr int kAllowKill = 0x0002;
    static constexpr int kSystem = 0x8000;
    // The largest protect.dat that is read. The file grows by one line of a
    // few dozen bytes for each program the user ever set, so a million names
    // fit; a larger file is not read (and never saved over), since holding it
    // would take a good part of a 32-bit process's memory.
    static constexpr size_t kMaxFileBytes = 32u * 1024u * 1024u;

    // The list kept in "protect.dat" in the program's folder.
    ProtectionList();
    // The list kept in the given file (tests use a scratch folder).
    explicit ProtectionList(std::string filePath);

    const std::string& FilePath() const { return filePath_; }

    // Reads the file and adds the built-in set (two process names and the
    // names in the "TEXT" resource IDR_TEXT_SYSTEM_PROTECTED). A file that is
    // there but cannot be read whole (held open by another program, or larger
    // than kMaxFileBytes) leaves only the built-in set, and no save replaces
    // the file until it has been read: each save reads it again first and
    // keeps its entries under the changes made meanwhile.
    void Load();
    // The same from given texts: the file's content (empty when there is no
    // file) and the built-in resource text.
    void LoadFromText(const std::string& fileText, const std::string& builtInText);

    // Index of the entry for name, or -1.
    int Find(const std::string& name) const;
    // False when there is no entry; the outputs are then untouched.
    bool Get(const std::string& name, int& allowClose, int& allowKill, int& system) const;
    // kAllowClose | kAllowKill | kSystem bits; 3 when there is no entry.
    int GetFlags(const std::string& name) const;

    // The changes below save the whole list and answer whether it was saved.
    // A change that could not be saved stays in memory, the list is marked
    // unsaved, and every later save (the next change, SaveIfUnsaved at exit)
    // writes it too.

    // Sets the three flags of an existing entry from bits; does nothing to a
    // name without an entry. Saves in both cases.
    bool SetFlags(const std::string& name, int flags);
    // Clears bits when the current flags share one with them, else sets them.
    bool ToggleFlags(const std::string& name, int bits);

    bool CanClose(const std::string& name) const;
    bool CanKill(const std::string& name) const;
    bool IsProtected(const std::string& name) const;
    bool IsSystemProtected(const std::string& name) const;
    ProtectionLevel Level(const std::string& name) const;
    int LevelNumber(const std::string& name) const { return static_cast<int>(Level(name)); }
    std::string LevelText(const std::string& name) const { return ProtectionLevelText(LevelNumber(name)); }

    // Appends an entry when the name has none; returns the new count, or -1
    // when the name was present. Does not save.
    int Add(const std::string& name, int allowClose, int allowKill, int system);
    // Replaces the entry's three flags or appends one; saves; returns 1 when
    // saved, -1 when the change is kept unsaved.
    int Set(const std::string& name, int allowClose, int allowKill, int system);
    // No entry: appends {allow, 1, 0}; an entry that is not system protected
    // gets allowClose = allow; a system-protected entry is left alone (true:
    // nothing needed saving).
    bool SetAllowClose(const std::string& name, bool allow);
    // Likewise with {1, allow, 0} and allowKill.
    bool SetAllowKill(const std::string& name, bool allow);

    // Writes every entry that is not system protected; false when the file
    // could not be replaced (the previous file is then left as it was).
    bool Save();
    // Saves when a change is still unsaved (the call at exit); true when
    // nothing is left unsaved.
    bool SaveIfUnsaved();
    bool HasUnsavedChanges() const { return unsaved_; }
    // True once for each run of failed saves, so the user is told once: the
    // first call after a save failed answers true, later calls false until a
    // save has succeeded and another has failed.
    bool TakeSaveFailureNotice();
    // What to tell the user: the file, why it was not written, and that the
    // change is kept and saved again.
    std::string SaveFailureText() const;
    // The content Save writes: one "%s;%d\r\n" line per user entry.
    std::string FileText() const;

    const std::vector<ProtectionEntry>& Entries() const { return entries_; }

private:
    // What Load found of the file.
    enum class FileState {
        Read,      // read whole, or not there: saving loses nothing
        NotRead,   // there, but could not be read (held open by another program)
        TooLarge,  // there, larger than kMaxFileBytes
    };
    bool ReadFileAgain();
    void ParseFileText(const std::string& fileText);
    void MakeSystemProtected(const std::string& name);
    void Append(ProtectionEntry entry);

    std::string filePath_;
    std::string builtInText_;
    std::vector<ProtectionEntry> entries_;
    // FoldProgramName(name) -> position in entries_, so that a long file does
    // not make loading quadratic.
    std::unordered_map<std::string, size_t> index_;
    FileState fileState_ = FileState::Read;
    bool unsaved_ = false;
    bool failureNoticed_ = false;
    DWORD lastError_ = 0;  // of the last failed save
};

// The name in the one letter case that SameProgramName compares (lower case,
// multibyte-aware: the trail byte of a double-byte character is kept).
std::string FoldProgramName(const std::string& name);
// True when two program names are the same, ignoring case (multibyte-aware).
bool SameProgramName(const std::string& a, const std::string& b);
