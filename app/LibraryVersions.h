// The diagnostic block of the start-up log: the versions of the system
// libraries the program relies on, and the browser's version.
#pragma once

#include <string>

class ActivityLog;

// What one library's line says, from what could be read of its file:
// "FileVersion = FileDescription" when the version resource names a file
// version; the version the library reports itself when it has a resource
// without one; "(unknown)" without version information; "(unknown version)"
// when the information exists but cannot be read.
struct LibraryVersionFacts {
    bool hasVersionInfo = false;
    bool readable = false;
    std::string fileVersion;
    std::string fileDescription;
    std::string selfReportedVersion;
};
std::string LibraryVersionText(const LibraryVersionFacts& facts);

// Reads the facts of a library in the system folder.
LibraryVersionFacts ReadLibraryVersionFacts(const std::string& path);

// Writes the whole block to the log.
void LogSystemLibraryVersions(const ActivityLog& log);
