#include "progdb/ProgramDatabaseFiles.h"

#include "app/ActivityLog.h"

namespace {

bool FileExists(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::string PublisherDatabasePath(const std::string& commonDataFolder) {
    return commonDataFolder + kPublisherDatabaseFile;
}

std::string LocalDatabasePath(const std::string& programFolder) {
    return programFolder + kLocalDatabaseFile;
}

void LoadDatabases(const ActivityLog& log, ProgramDatabase& publisher, ProgramDatabase& local, HWND notifyWindow,
                   const std::string& commonDataFolder, const std::string& programFolder) {
    log.Log("Loading the Ornava database.");
    // Without a program files folder there is no common data folder, and a
    // bare file name would be looked for in the current folder.
    if (!commonDataFolder.empty()) {
        const std::string publisherPath = PublisherDatabasePath(commonDataFolder);
        if (FileExists(publisherPath) && !publisher.IsLoading()) publisher.Load(publisherPath, true, notifyWindow);
    }
    const std::string localPath = LocalDatabasePath(programFolder);
    if (FileExists(localPath)) local.Load(localPath, false, nullptr);
    local.SetReadOnly(false);
}

bool SaveLocalDatabase(const ActivityLog& log, const ProgramDatabase& local, const std::string& programFolder) {
    bool saved = local.Save(LocalDatabasePath(programFolder));
    log.Log(saved ? "The local program database has been successfully updated."
                  : "The local program database has failed to update.");
    return saved;
}
