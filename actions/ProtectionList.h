// Which programs this program may close or kill. Each program is keyed by its
// executable file name (or process name), compared ignoring case. The user's
// choices persist in "protect.dat" beside the executable; a built-in set of
// system programs can never be closed, killed or changed.
#pragma once

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
    // The list kept in "protect.dat" in the program's folder.
    ProtectionList();
    // The list kept in the given file (tests use a scratch folder).
    explicit ProtectionList(std::string filePath);

    const std::string& FilePath() const { return filePath_; }

    // Reads the file and adds the built-in set (two process names and the
    // names in the "TEXT" resource IDR_TEXT_SYSTEM_PROTECTED).
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
    // Sets the three flags of an existing entry from bits; does nothing to a
    // name without an entry. Saves in both cases.
    void SetFlags(const std::string& name, int flags);
    // Clears bits when the current flags share one with them, else sets them.
    void ToggleFlags(const std::string& name, int bits);

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
    // Replaces the entry's three flags or appends one; saves; returns 1.
    int Set(const std::string& name, int allowClose, int allowKill, int system);
    // No entry: appends {allow, 1, 0}; an entry that is not system protected
    // gets allowClose = allow; a system-protected entry is left alone.
    void SetAllowClose(const std::string& name, bool allow);
    // Likewise with {1, allow, 0} and allowKill.
    void SetAllowKill(const std::string& name, bool allow);

    // Writes every entry that is not system protected; false when the file
    // could not be replaced (the previous file is then left as it was).
    bool Save() const;
    // The content Save writes: one "%s;%d\r\n" line per user entry.
    std::string FileText() const;

    const std::vector<ProtectionEntry>& Entries() const { return entries_; }

private:
    void MakeSystemProtected(const std::string& name);
    void Append(ProtectionEntry entry);

    std::string filePath_;
    std::vector<ProtectionEntry> entries_;
    // FoldProgramName(name) -> position in entries_, so that a long file does
    // not make loading quadratic.
    std::unordered_map<std::string, size_t> index_;
};

// The name in the one letter case that SameProgramName compares (lower case,
// multibyte-aware: the trail byte of a double-byte character is kept).
std::string FoldProgramName(const std::string& name);
// True when two program names are the same, ignoring case (multibyte-aware).
bool SameProgramName(const std::string& a, const std::string& b);
