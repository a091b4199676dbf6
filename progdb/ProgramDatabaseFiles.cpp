#include "progdb/ProgramDatabaseFiles.h"

#include <new>

#include "core/ActivityLog.h"
#include "platform/Files.h"
#include "progdb/XmlDocument.h"

namespace {

// More set-aside copies than this are not made; the file then stays where it
// is and the local database stays read-only.
constexpr int kMaxSetAsideCopies = 100;

enum class LocalFileState {
    NotRead,      // could not be opened or read (held by another program...)
    Damaged,      // read, and it is no local database
    LocalLayout,  // holds the local layout's document element
};

// LocalLayout when the file holds the local layout's document element, with
// or without entries: such a file loaded as it is, and saving over it loses
// nothing.
LocalFileState ExamineLocalFile(const std::string& path) {
    std::string bytes;
    try {
        if (!ReadFileBounded(path, kMaxDatabaseFileBytes + 1, bytes)) return LocalFileState::NotRead;
    } catch (const std::bad_alloc&) {
        return LocalFileState::NotRead;
    }
    if (bytes.size() > kMaxDatabaseFileBytes) return LocalFileState::Damaged;
    XmlDocument doc;
    const XmlNode* database = nullptr;
    return doc.Parse(bytes) && doc.Root().FindChild("database", database) >= 0 ? LocalFileState::LocalLayout
                                                                                : LocalFileState::Damaged;
}

}  // namespace

std::string SetAsideFileName(const std::string& path, int copy) {
    return path + ".unreadable" + (copy > 1 ? std::to_string(copy) : std::string());
}

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
    if (local.IsModified() && !SaveLocalDatabase(log, local, programFolder)) {
        // Reading the file now would replace the entries that are not in it.
        log.Log("The local program database is not read again: its unsaved entries are kept for the next save.");
        return;
    }
    const LocalFileState state = !FileExists(localPath) || local.Load(localPath, false, nullptr)
                                     ? LocalFileState::LocalLayout
                                     : ExamineLocalFile(localPath);
    if (state == LocalFileState::NotRead) {
        // Held by another program for a moment, say: nothing is known to be
        // wrong with it, so it is neither set aside nor saved over.
        log.Log("The local program database could not be read; it is left as it is and kept read-only.");
        return;
    }
    if (state == LocalFileState::Damaged) {
        // The user's descriptions are in there, but the file cannot be parsed
        // (damaged, or edited by hand). The next save would replace it, so
        // it is moved aside first, under a name no earlier copy has.
        for (int copy = 1; copy <= kMaxSetAsideCopies; ++copy) {
            const std::string kept = SetAsideFileName(localPath, copy);
            if (::MoveFileExA(localPath.c_str(), kept.c_str(), MOVEFILE_WRITE_THROUGH)) {
                log.Log("The local program database could not be read; it has been kept as %s.", kept.c_str());
                local.SetReadOnly(false);
                return;
            }
            if (::GetLastError() != ERROR_ALREADY_EXISTS && ::GetLastError() != ERROR_FILE_EXISTS) break;
        }
        // It could not be moved: nothing may be saved over it in this run.
        log.Log("The local program database could not be read; it is left as it is and kept read-only.");
        return;
    }
    local.SetReadOnly(false);
}

bool SaveLocalDatabase(const ActivityLog& log, ProgramDatabase& local, const std::string& programFolder) {
    // Still read-only after LoadDatabases: the file there could not be read
    // and must not be replaced.
    bool saved = !local.IsReadOnly() && local.Save(LocalDatabasePath(programFolder));
    log.Log(saved ? "The local program database has been successfully updated."
                  : kLocalDatabaseSaveFailedText);
    return saved;
}

bool SaveLocalDatabaseIfModified(const ActivityLog& log, ProgramDatabase& local, const std::string& programFolder) {
    return !local.IsModified() || SaveLocalDatabase(log, local, programFolder);
}
