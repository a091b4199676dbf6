// Loading and saving the two database files as the main window does it, with
// the log lines it writes. The main window owns the databases and passes them.
#pragma once

#include <windows.h>

#include <string>

#include "progdb/ProgramDatabase.h"

class ActivityLog;

// File names of the two databases.
constexpr const char kPublisherDatabaseFile[] = "ornava-db.xml";
constexpr const char kLocalDatabaseFile[] = "local-db.xml";
// The log line (and status text) of a local-database save that failed.
constexpr const char kLocalDatabaseSaveFailedText[] = "The local program database has failed to update.";
// Status bar text on WM_DATABASE_LOADED.
constexpr const char kDatabaseLoadedStatus[] = "Ornava database loaded.";

// Where an unreadable local file is moved: path + ".unreadable", then
// ".unreadable2", ".unreadable3"... for later copies (copy = 1, 2, 3...).
std::string SetAsideFileName(const std::string& path, int copy);

// commonDataFolder + "ornava-db.xml" / programFolder + "local-db.xml"
// (folders end in a backslash).
std::string PublisherDatabasePath(const std::string& commonDataFolder);
std::string LocalDatabasePath(const std::string& programFolder);

// Logs "Loading the Ornava database."; loads the publisher file in the
// background (notifying notifyWindow) when it exists and no load runs; loads
// the local file synchronously when it exists; then makes the local
// database writable. A local file that was read but does not parse is first
// moved to SetAsideFileName (logged), so that saving cannot destroy it; when
// it cannot be moved, or cannot be read at all (held by another program for
// a moment), it stays where it is and the local database stays read-only.
// Run again (after an installed update) with the local database modified, it
// first saves it (SaveLocalDatabase); when that fails the file is not read,
// so that the entries not yet saved stay in memory for the next save.
void LoadDatabases(const ActivityLog& log, ProgramDatabase& publisher, ProgramDatabase& local,
                   HWND notifyWindow, const std::string& commonDataFolder,
                   const std::string& programFolder);

// Saves the local database to programFolder + "local-db.xml" and logs the
// outcome. Returns whether it was saved; a read-only database is not saved.
// A failed save leaves the database marked modified.
bool SaveLocalDatabase(const ActivityLog& log, ProgramDatabase& local, const std::string& programFolder);

// SaveLocalDatabase when the local database holds changes that are not saved
// yet (a save that failed, or a change no save followed); the call at exit.
// True when nothing is left unsaved.
bool SaveLocalDatabaseIfModified(const ActivityLog& log, ProgramDatabase& local,
                                 const std::string& programFolder);
