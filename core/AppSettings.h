// The program's persistent settings: named values in sections under the
// current user's "Software\Ornava Utilities\Quillmark" key. Every read goes
// to the registry at the moment of use.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

class AppSettings {
public:
    static constexpr const char* kDefaultRoot = "Software\\Ornava Utilities\\Quillmark";

    // root: the key below HKEY_CURRENT_USER that holds the sections.
    explicit AppSettings(std::string root = kDefaultRoot) : root_(std::move(root)) {}

    const std::string& Root() const { return root_; }
    std::string SectionPath(const char* section) const { return root_ + "\\" + section; }

    // DWORD values; a missing value, or one of another type, gives the default.
    int ReadInt(const char* section, const char* name, int def) const;
    bool WriteInt(const char* section, const char* name, int value) const;

    std::string ReadString(const char* section, const char* name, const std::string& def) const;
    bool WriteString(const char* section, const char* name, const std::string& value) const;

    // Unsigned numbers kept as decimal text ("%lu"). Text without leading
    // digits reads as 0, like the C library's conversion.
    unsigned long ReadDecimal(const char* section, const char* name, unsigned long def) const;
    bool WriteDecimal(const char* section, const char* name, unsigned long value) const;

    // Raw bytes (only the window placement uses these). False when missing.
    bool ReadBinary(const char* section, const char* name, std::vector<BYTE>& out) const;
    bool WriteBinary(const char* section, const char* name, const void* data, DWORD size) const;

private:
    std::string root_;
};

// The C library's reading of a decimal string: leading white space, then the
// leading digits; anything else (or nothing) gives 0.
unsigned long ParseDecimal(const std::string& text);
