#include "app/LibraryVersions.h"

#include <windows.h>

#include "core/ActivityLog.h"
#include "core/AppPaths.h"
#include "platform/Registry.h"
#include "sysinfo/FileVersion.h"

std::string LibraryVersionText(const LibraryVersionFacts& f) {
    if (!f.hasVersionInfo) return "(unknown)";
    if (!f.readable) return "(unknown version)";
    if (!f.fileVersion.empty()) return f.fileVersion + " = " + f.fileDescription;
    return f.selfReportedVersion;
}

LibraryVersionFacts ReadLibraryVersionFacts(const std::string& path) {
    LibraryVersionFacts f;
    // Read first, and only a file that could not be read asked whether it
    // has a version block at all: each question maps the file again, and the
    // start-up asks this of nine files.
    VersionInfoReader reader;
    f.readable = reader.Open(path);
    DWORD ignored = 0;
    f.hasVersionInfo = f.readable || ::GetFileVersionInfoSizeA(path.c_str(), &ignored) != 0;
    if (!f.readable) return f;
    f.fileVersion = reader.Query("FileVersion");
    f.fileDescription = reader.FileDescription();
    if (f.fileVersion.empty()) f.selfReportedVersion = ModuleVersionText(path);
    return f;
}

void LogSystemLibraryVersions(const ActivityLog& log) {
    char system[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    std::string folder = WithTrailingBackslash(system);
    log.Log("=== System DLL versions ===");
    for (const char* name : {"comctl32.dll", "commctrl.dll", "comdlg32.dll", "advapi32.dll", "shell32.dll",
                             "shlwapi.dll", "shdocvw.dll", "wininet.dll", "winmm.dll"}) {
        log.Log("%s version: %s", name, LibraryVersionText(ReadLibraryVersionFacts(folder + name)).c_str());
    }
    log.Log("===========================");
    std::string ie;
    if (!reg::ReadString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Internet Explorer", "Version", ie)) ie = "unknown";
    log.Log("Internet Explorer version: %s", ie.c_str());
}
