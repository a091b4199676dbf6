// The publisher database's update check and download: when to check, the
// worker threads that go online, and what the result means to the user.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "core/AppSettings.h"
#include "framework/Handles.h"
#include "progdb/UrlFetcher.h"

// Posted by the update workers; the status is the first parameter.
constexpr UINT WM_DATABASE_UPDATE = 0x720;

// Status codes of WM_DATABASE_UPDATE. Any other value is an error code of the
// Internet access service.
constexpr DWORD kUpdateNone = 0;
constexpr DWORD kUpdateAvailable = 4096;  // a newer file waits; not downloaded
constexpr DWORD kUpdateInstalled = 4100;  // downloaded and in place
constexpr DWORD kUpdateFailed = 4101;     // the download failed

// The hourly check of the main window.
constexpr UINT_PTR kUpdateTimerId = 9;
constexpr UINT kUpdateTimerIntervalMs = 3600000;

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

// Runs the check and download workers, one of each at a time, and keeps the
// "LastUpdate" values of the publisher's file.
class DatabaseUpdater {
public:
    explicit DatabaseUpdater(AppSettings settings = AppSettings());
    // Waits for running workers; their network time-outs bound the wait.
    ~DatabaseUpdater();
    DatabaseUpdater(const DatabaseUpdater&) = delete;
    DatabaseUpdater& operator=(const DatabaseUpdater&) = delete;

    // Receives WM_DATABASE_UPDATE.
    void SetNotifyWindow(HWND window) { notifyWindow_ = window; }
    // The version service the next check asks.
    void SetVersionUrl(const std::string& url) { versionUrl_ = url; }
    void SetLimits(const FetchLimits& limits) { limits_ = limits; }

    // Start a worker unless one of its kind runs; false when refused or when
    // the thread could not start.
    bool StartCheck(const std::string& fileUrl, const std::string& localPath, bool autoDownload);
    bool StartDownload(const std::string& fileUrl, const std::string& localPath);
    bool IsChecking() const { return checking_; }
    bool IsDownloading() const { return downloading_; }
    // Blocks until no worker runs.
    void WaitForWorkers();

    // The workers' bodies, run on the calling thread; they return the status
    // the worker posts.
    DWORD RunCheck(const std::string& versionUrl, const std::string& fileUrl,
                   const std::string& localPath, bool autoDownload);
    DWORD RunDownload(const std::string& fileUrl, const std::string& localPath);

    // "LastUpdate" "RemoteFileSize", "RemoteFileDate", "RemoteFileVersion".
    void LoadState();
    void SaveState() const;
    unsigned long RemoteVersion() const { return remoteVersion_; }

private:
    struct Job;
    static DWORD WINAPI CheckThread(void* param);
    static DWORD WINAPI DownloadThread(void* param);
    bool Download(UrlFetcher& fetcher, const std::string& fileUrl, const std::string& localPath);
    void ApplyProxy(UrlFetcher& fetcher) const;

    AppSettings settings_;
    HWND notifyWindow_ = nullptr;
    std::string fileUrl_;
    std::string localPath_;
    bool autoDownload_ = true;
    std::string versionUrl_;
    FetchLimits limits_;
    // Touched only by the check worker while it runs.
    unsigned long remoteSize_ = 0;
    std::string remoteDate_;
    unsigned long remoteVersion_ = 0;

    UniqueHandle checkThread_;
    UniqueHandle downloadThread_;
    std::atomic<bool> checking_{false};
    std::atomic<bool> downloading_{false};
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
    // "Quillmark", owned by NotifyWindow(); true for OK.
    virtual bool AskDownload(const std::string& text);
    // Loads both databases again (LoadDatabases).
    virtual void ReloadDatabases() = 0;
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

    // At the end of start-up (true) and on timer kUpdateTimerId (false).
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
