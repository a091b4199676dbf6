// File version information, file details, the modules of a process, and the
// shell's open and properties verbs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// The version resource of one file.
class VersionInfoReader {
public:
    VersionInfoReader() = default;
    VersionInfoReader(const VersionInfoReader&) = delete;
    VersionInfoReader& operator=(const VersionInfoReader&) = delete;

    // Reads the file's version resource and its first translation; false
    // (and closed) on any failure.
    bool Open(const std::string& path);
    // Takes a version resource from bytes (as the system returns it).
    bool OpenBytes(const void* data, size_t size);
    void Close();
    bool IsOpen() const { return !block_.empty(); }
    // Language << 16 | code page of the first translation; 0 when closed.
    uint32_t DefaultKey() const { return key_; }

    // The string name under key (the default key when 0); "" when missing.
    std::string Query(const std::string& name, uint32_t key = 0) const;
    std::string FileDescription() const { return Query("FileDescription"); }
    std::string CompanyName() const { return Query("CompanyName"); }
    std::string ProductName() const { return Query("ProductName"); }
    std::string ProductVersion() const { return Query("ProductVersion"); }

    // "\StringFileInfo\%08lx\%s".
    static std::string SubBlockPath(uint32_t key, const std::string& name);

private:
    std::vector<BYTE> block_;
    uint32_t key_ = 0;
};

struct FileDetails {
    std::string description;     // "FileDescription"
    std::string company;         // "CompanyName"
    std::string title;           // "FileDescription" again
    std::string modified;        // "%m/%d/%Y %I:%M %p", local; "<unknown>"
    std::string size;            // SizeText
    std::string productVersion;  // "ProductVersion"
    std::string productName;     // "ProductName"
};

// False when path is empty or no file exists there; else fills details (the
// version strings stay empty for a file without a version resource).
bool ReadFileDetails(const std::string& path, FileDetails& details);

// "%d bytes" up to 1024 bytes, else "%d KB" (bytes >> 10).
std::string SizeText(uint64_t bytes);
// strftime of the local time of t (seconds since 1970); "" on failure.
std::string TimeText(time_t t, const char* format);

// Full paths of the modules loaded in a process, in the system's order (at
// most 1024 on the process-status path). True when one was listed.
bool ListModules(DWORD pid, std::vector<std::string>& modules);

// A library's version as major << 16 | minor, from its "DllGetVersion" or
// else its fixed file version; 0 when neither can be read. path is a full
// path, or a bare name for the system folder's library of that name; a
// relative path gives 0 (a library is never looked for along the search path).
long ModuleVersion(const std::string& path);
// "%ld" of ModuleVersion.
std::string ModuleVersionText(const std::string& path);
// The file version of a file as "a.b.c.d"; "" when it has none (for logs).
std::string FileVersionText(const std::string& path);

