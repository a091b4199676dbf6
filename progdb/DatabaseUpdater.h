// The publisher database's update check and download: when to check, the
// worker threads that go online, and what the result means to the user.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "core/AppSettings.h"
#include "core/Messages.h"
#include "core/Worker.h"
#include "base/Handles.h"
#include "progdb/UrlFetcher.h"

// The update workers post WM_DATABASE_UPDATE (core/Messages.h) with the
// status as the first parameter.

// Status codes of WM_DATABASE_UPDATE. Any other value is an error code of the
// Internet access service.
constexpr DWORD kUpdateNone = 0;
constexpr DWORD kUpdateAvailable = 4096;  // a newer file waits; not downloaded
constexpr DWORD kUpdateInstalled = 4100;  // downloaded and in place
constexpr DWORD kUpdateFailed = 4101;     // the download failed


// Texts of the update results.
constexpr const char kCheckingForUpdateText[] = "Checking for an updated Ornava database file.";
constexpr const char kReloadingDatabaseText[] = "Reloading Ornava program database.";

// "%0.4d%0.2d%0.2d" and "%0.2d%0.2d%0.2d" of a local time, as "LastUpdate" stores them.
std::string FormatUpdateDate(const SYSTEMTIME& t);
std::string FormatUpdateTime(const SYSTEMTIME& t);

// Whether a check is due. checkUpdates: 0 never, 1 at start-up, 2 daily,
// 3 weekly. date and time are the stored "LastUpdate" texts; now is local.
// Setting 1 is due at start-up only. For the others a first run
// ("00000000"), a year outside 2000..2030 or an unreadable stored time is
// due; otherwise whole days since the last check decide.
bool IsUpdateCheckDue(int checkUpdates, bool atStartup, const std::string& date,
                      const std::string& time, const SYSTEMTIME& now);

// The text shown and logged for a status.
std::string UpdateStatusText(DWORD status);

// Runs the check and the download, one job at a time (both replace the same
// database file), and keeps the "Remote..." values of the publisher's file.
// A newer version number is stored only once its file has replaced the old
// one: a check whose download was declined or failed finds it new again.
class DatabaseUpdater {
public:
    explicit DatabaseUpdater(AppSettings settings = AppSettings());
    // Stops a running job (its waits watch the stop event) with a bounded wait.
    ~DatabaseUpdater();
    DatabaseUpdater(const DatabaseUpdater&) = delete;
    DatabaseUpdater& operator=(const DatabaseUpdater&) = delete;

    // Receives WM_DATABASE_UPDATE.
    void SetNotifyWindow(HWND window) { notifyWindow_ = window; }
    // The version service the next check asks.
    void SetVersionUrl(const std::string& url) { versionUrl_ = url; }
    void SetLimits(const FetchLimits& limits) { limits_ = limits; }

    // Start a job unless one (of either kind) runs; false when refused or
    // when the thread could not start. The job posts WM_DATABASE_UPDATE with
    // its status, also when it failed.
    bool StartCheck(const std::string& fileUrl, const std::string& localPath, bool autoDownload);
    bool StartDownload(const std::string& fileUrl, const std::string& localPath);
    bool IsRunning() const { return worker_.IsRunning(); }
    bool IsChecking() const { return worker_.IsRunning() && checkJob_; }
    bool IsDownloading() const { return worker_.IsRunning() && !checkJob_; }
    // Blocks until no job runs.
    bool WaitForWorkers(DWORD boundMs) { return worker_.Join(boundMs); }
    void RequestStop() { worker_.RequestStop(); }
    // Stops a running job and waits at most boundMs. True when none runs.
    bool Stop(DWORD boundMs = WorkerThread::kDefaultStopBoundMs) { return worker_.Stop(boundMs); }

    // The jobs' bodies, run on the calling thread; they return the status
    // the job posts. stopEvent (may be null) ends their waits early. A check
    // that reports kUpdateAvailable leaves its version waiting
    // (PendingVersion); the next download stores it when its file is in place.
    DWORD RunCheck(const std::string& versionUrl, const std::string& fileUrl,
                   const std::string& localPath, bool autoDownload, HANDLE stopEvent = nullptr);
    DWORD RunDownload(const std::string& fileUrl, const std::string& localPath, HANDLE stopEvent = nullptr);

    // "LastUpdate" "RemoteFileSize", "RemoteFileDate", "RemoteFileVersion".
    void LoadState();
    void SaveState() const;
    unsigned long RemoteVersion() const { return remoteVersion_; }
    // The newer version the last check found and did not download; 0 for none.
    unsigned long PendingVersion() const { return *pendingVersion_; }

private:
    struct Job;
    Job MakeJob(HANDLE stopEvent) const;

    AppSettings settings_;
    HWND notifyWindow_ = nullptr;
    std::string versionUrl_;
    FetchLimits limits_;
    // Written by RunCheck on the calling thread only; a job keeps its own.
    unsigned long remoteSize_ = 0;
    std::string remoteDate_;
    unsigned long remoteVersion_ = 0;

    // Shared with the jobs, so a job let go at exit never writes into a
    // destroyed updater.
    std::shared_ptr<std::atomic<unsigned long>> pendingVersion_;
    std::atomic<bool> checkJob_{false};
    WorkerThread worker_;  // last: stopped before the members above go
};

// What the update service needs of the window that owns it.
class DatabaseUpdateHost {
public:
    virtual ~DatabaseUpdateHost() = default;
    // The window that receives WM_DATABASE_UPDATE and passes it to
    // DatabaseUpdateService::OnDatabaseUpdate.
    virtual HWND NotifyWindow() = 0;
    // Status bar pane 0.
    virtual void ShowStatus(const std::string& text) = 0;
    virtual void Log(const std::string& text) = 0;
    // The connection question (AskUpdateConnection); returns its result.
    virtual int AskUpdateConnection() = 0;
    // The OK/Cancel question with the information icon and the caption
    // "Quillmark", owned by NotifyWindow(); true for OK. The window asks it:
    // nothing below the window shows a message box.
    virtual bool AskDownload(const std::string& text) = 0;
    // Loads both databases again (LoadDatabases).
    virtual void ReloadDatabases() = 0;
    // True once the program is on its way out (Exit was chosen, from the
    // tray menu say, while a question of this service was open): no job may
    // start then.
    virtual bool IsExiting() const = 0;
    // Whether the system reports an Internet connection.
    virtual bool InternetConnected();
    virtual SYSTEMTIME LocalNow();
};

// The main window's part of the update: when to check, the connection
// question, and the handling of the workers' results.
class DatabaseUpdateService {
public:
    // localPath: where the publisher's file lives (the common data folder +
    // "ornava-db.xml").
    DatabaseUpdateService(DatabaseUpdateHost& host, std::string localPath,
                          AppSettings settings = AppSettings());

    // At the end of start-up (true) and on timer kDatabaseUpdateTimer (false).
    void CheckForUpdate(bool atStartup);
    // The handler of WM_DATABASE_UPDATE.
    void OnDatabaseUpdate(DWORD status);

    bool UpdatesAllowed() const { return updatesAllowed_; }
    bool ConnectionAsked() const { return connectionAsked_; }
    DatabaseUpdater& Updater() { return updater_; }
    const std::string& LocalPath() const { return localPath_; }

private:
    void Status(const std::string& text);

    DatabaseUpdateHost& host_;
    std::string localPath_;
    AppSettings settings_;
    DatabaseUpdater updater_;
    bool updatesAllowed_ = true;
    bool connectionAsked_ = false;
    bool checkRunning_ = false;
};
