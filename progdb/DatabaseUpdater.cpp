#include "progdb/DatabaseUpdater.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "core/SettingsKeys.h"
#include "base/ComPtr.h"
#include "platform/Files.h"
#include "progdb/InternetApi.h"
#include "progdb/ProgramDatabase.h"
#include "progdb/ServiceAddress.h"

namespace {

int Digits(const std::string& text, size_t from, size_t count) {
    if (from >= text.size()) return 0;
    return std::atoi(text.substr(from, count).c_str());
}

bool ToFileTime(const SYSTEMTIME& t, ULONGLONG& out) {
    FILETIME ft;
    if (!::SystemTimeToFileTime(&t, &ft)) return false;
    out = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return true;
}

}  // namespace

std::string FormatUpdateDate(const SYSTEMTIME& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d", t.wYear, t.wMonth, t.wDay);
    return text;
}

std::string FormatUpdateTime(const SYSTEMTIME& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d%02d%02d", t.wHour, t.wMinute, t.wSecond);
    return text;
}

bool IsUpdateCheckDue(int checkUpdates, bool atStartup, const std::string& date,
                      const std::string& time, const SYSTEMTIME& now) {
    if (checkUpdates == 0) return false;
    // "At program startup" means exactly that: the hourly timer never checks,
    // not even before the first result has stored a date.
    if (checkUpdates == 1) return atStartup;
    if (date == "00000000") return true;
    SYSTEMTIME last{};
    const int year = Digits(date, 0, 4);
    if (year < 2000 || year > 2030) return true;
    last.wYear = static_cast<WORD>(year);
    last.wMonth = static_cast<WORD>(Digits(date, 4, 2));
    last.wDay = static_cast<WORD>(Digits(date, 6, 2));
    last.wHour = static_cast<WORD>(Digits(time, 0, 2));
    last.wMinute = static_cast<WORD>(Digits(time, 2, 2));
    last.wSecond = static_cast<WORD>(Digits(time, 4, 2));
    ULONGLONG lastTime = 0, nowTime = 0;
    // A stored time that is no time at all (month 13, hour 99) is treated
    // like a missing one.
    if (!ToFileTime(last, lastTime)) return true;
    if (!ToFileTime(now, nowTime)) return false;
    const long long elapsedSeconds =
        (static_cast<long long>(nowTime) - static_cast<long long>(lastTime)) / 10000000LL;
    const long long days = elapsedSeconds / 86400;  // truncates toward zero
    if (checkUpdates == 2) return days >= 1;
    if (checkUpdates == 3) return days >= 7;
    return false;
}

std::string UpdateStatusText(DWORD status) {
    switch (status) {
        case kUpdateNone: return "No update of the Ornava program database file is available.";
        case kUpdateAvailable:
            return "There is an update available for the Ornava program database file.\n\n"
                   "Would you like to download the updated file?";
        case kUpdateInstalled:
            return "An update of the Ornava program database file has been automatically downloaded.";
        case kUpdateFailed:
            return "The download of an updated Ornava program database file has failed.";
        default: {
            char text[200];
            std::snprintf(text, sizeof text,
                          "When attempting to download the Ornava program database file, an error "
                          "occurred:\n\nError: %08X",
                          static_cast<unsigned>(status));
            return text;
        }
    }
}

// Everything one job works with, its own copy: a job the owner let go at
// exit never touches the owner again.
struct DatabaseUpdater::Job {
    AppSettings settings;
    FetchLimits limits;
    HANDLE stopEvent = nullptr;
    std::shared_ptr<std::atomic<unsigned long>> pendingVersion;
    unsigned long remoteSize = 0;
    std::string remoteDate;
    unsigned long remoteVersion = 0;

    void LoadState() {
        remoteSize = settings::kRemoteFileSize.Read(settings);
        remoteDate = settings::kRemoteFileDate.Read(settings);
        remoteVersion = settings::kRemoteFileVersion.Read(settings);
    }
    void SaveState() const {
        settings::kRemoteFileSize.Write(settings, remoteSize);
        settings::kRemoteFileDate.Write(settings, remoteDate);
        settings::kRemoteFileVersion.Write(settings, remoteVersion);
    }
    void Prepare(UrlFetcher& fetcher) const {
        ProxyChoice proxy = CurrentUpdateProxy(settings);
        if (proxy.use) fetcher.SetProxy(true, proxy.host, proxy.port);
        fetcher.SetStopEvent(stopEvent);
    }
    static bool Download(UrlFetcher& fetcher, const std::string& fileUrl, const std::string& localPath) {
        // Only a file that reads as a publisher database with entries may
        // replace the one in use.
        fetcher.SetValidator([](const std::string& path) {
            ProgramDatabase candidate;
            return candidate.Load(path);
        });
        return fetcher.Download(fileUrl, localPath);
    }
    // The version of a file now in place becomes the stored one (never a
    // lower number than stored: a file fetched because it was missing keeps
    // the stored version).
    void Installed(unsigned long version) {
        LoadState();
        if (version > remoteVersion) {
            remoteVersion = version;
            SaveState();
        }
        *pendingVersion = 0;
    }
    DWORD RunCheck(const std::string& versionUrl, const std::string& fileUrl, const std::string& localPath,
                   bool autoDownload) {
        ComRuntime com;  // for the download service and the parser that checks the file
        UrlFetcher fetcher(limits);
        LoadState();
        Prepare(fetcher);
        unsigned long version = 0;
        const bool isNew = fetcher.FetchVersion(versionUrl, version) && version > remoteVersion;
        if (!FileExists(localPath) || isNew) {
            fetcher.GetRemoteInfo(remoteSize, remoteDate);
            SaveState();
            // Stored only when the file is in place: a declined or failed
            // download leaves the update to be offered again.
            const unsigned long newVersion = isNew ? version : 0;
            *pendingVersion = newVersion;
            if (!autoDownload) return kUpdateAvailable;
            if (!Download(fetcher, fileUrl, localPath)) return kUpdateFailed;
            Installed(newVersion);
            return kUpdateInstalled;
        }
        *pendingVersion = 0;
        return fetcher.LastError();
    }
    DWORD RunDownload(const std::string& fileUrl, const std::string& localPath, unsigned long version) {
        ComRuntime com;
        UrlFetcher fetcher(limits);
        Prepare(fetcher);
        if (!Download(fetcher, fileUrl, localPath)) return kUpdateFailed;
        Installed(version);
        return kUpdateInstalled;
    }
};

DatabaseUpdater::Job DatabaseUpdater::MakeJob(HANDLE stopEvent) const {
    Job job;
    job.settings = settings_;
    job.limits = limits_;
    job.stopEvent = stopEvent;
    job.pendingVersion = pendingVersion_;
    return job;
}

DatabaseUpdater::DatabaseUpdater(AppSettings settings)
    : settings_(std::move(settings)), pendingVersion_(std::make_shared<std::atomic<unsigned long>>(0)) {
    versionUrl_ = VersionServiceUrl(CurrentServiceAddress(settings_));
}

DatabaseUpdater::~DatabaseUpdater() { worker_.Stop(); }

bool DatabaseUpdater::StartCheck(const std::string& fileUrl, const std::string& localPath,
                                 bool autoDownload) {
    if (worker_.IsRunning()) return false;
    checkJob_ = true;
    Job job = MakeJob(nullptr);
    const std::string versionUrl = versionUrl_;
    return worker_.Start(
        notifyWindow_,
        [job, versionUrl, fileUrl, localPath, autoDownload](WorkerThread::Context& context) mutable {
            job.stopEvent = context.StopEvent();
            context.Complete(WM_DATABASE_UPDATE, job.RunCheck(versionUrl, fileUrl, localPath, autoDownload));
        },
        WorkerMessage{WM_DATABASE_UPDATE, kUpdateFailed, 0});
}

bool DatabaseUpdater::StartDownload(const std::string& fileUrl, const std::string& localPath) {
    if (worker_.IsRunning()) return false;
    checkJob_ = false;
    Job job = MakeJob(nullptr);
    const unsigned long version = *pendingVersion_;
    return worker_.Start(
        notifyWindow_,
        [job, fileUrl, localPath, version](WorkerThread::Context& context) mutable {
            job.stopEvent = context.StopEvent();
            context.Complete(WM_DATABASE_UPDATE, job.RunDownload(fileUrl, localPath, version));
        },
        WorkerMessage{WM_DATABASE_UPDATE, kUpdateFailed, 0});
}

DWORD DatabaseUpdater::RunCheck(const std::string& versionUrl, const std::string& fileUrl,
                                const std::string& localPath, bool autoDownload, HANDLE stopEvent) {
    Job job = MakeJob(stopEvent);
    DWORD status = job.RunCheck(versionUrl, fileUrl, localPath, autoDownload);
    remoteSize_ = job.remoteSize;
    remoteDate_ = job.remoteDate;
    remoteVersion_ = job.remoteVersion;
    return status;
}

DWORD DatabaseUpdater::RunDownload(const std::string& fileUrl, const std::string& localPath, HANDLE stopEvent) {
    Job job = MakeJob(stopEvent);
    DWORD status = job.RunDownload(fileUrl, localPath, *pendingVersion_);
    LoadState();
    return status;
}

void DatabaseUpdater::LoadState() {
    remoteSize_ = settings::kRemoteFileSize.Read(settings_);
    remoteDate_ = settings::kRemoteFileDate.Read(settings_);
    remoteVersion_ = settings::kRemoteFileVersion.Read(settings_);
}

void DatabaseUpdater::SaveState() const {
    settings::kRemoteFileSize.Write(settings_, remoteSize_);
    settings::kRemoteFileDate.Write(settings_, remoteDate_);
    settings::kRemoteFileVersion.Write(settings_, remoteVersion_);
}

bool DatabaseUpdateHost::InternetConnected() {
    DWORD flags = 0;
    return inet::ConnectedState(&flags) != FALSE;
}

SYSTEMTIME DatabaseUpdateHost::LocalNow() {
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    return t;
}

DatabaseUpdateService::DatabaseUpdateService(DatabaseUpdateHost& host, std::string localPath,
                                             AppSettings settings)
    : host_(host), localPath_(std::move(localPath)), settings_(settings), updater_(settings) {}

void DatabaseUpdateService::CheckForUpdate(bool atStartup) {
    if (checkRunning_) return;
    host_.Log(kCheckingForUpdateText);
    checkRunning_ = true;
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{checkRunning_};

    if (!updatesAllowed_) return;
    const int c = settings::kCheckUpdates.Read(settings_);
    const int a = settings::kUpdateAction.Read(settings_);
    if (c == 0) return;
    if (!IsUpdateCheckDue(c, atStartup, settings::kLastUpdateDate.Read(settings_),
                          settings::kLastUpdateTime.Read(settings_), host_.LocalNow()))
        return;
    if (!host_.InternetConnected()) return;
    if (settings::kPromptBeforeUpdate.Read(settings_) != 0 && !connectionAsked_) {
        // The check-box bit of a remembered answer does not change its meaning.
        if ((host_.AskUpdateConnection() & 0xFFFF) == IDNO) updatesAllowed_ = false;
        connectionAsked_ = true;
    }
    // The question runs a message loop: Exit may have been chosen meanwhile.
    if (!updatesAllowed_ || host_.IsExiting()) return;
    const ServiceAddress address = CurrentServiceAddress(settings_);
    updater_.SetNotifyWindow(host_.NotifyWindow());
    updater_.SetVersionUrl(VersionServiceUrl(address));
    updater_.StartCheck(DatabaseFileUrl(address), localPath_, a == 1);
}

void DatabaseUpdateService::Status(const std::string& text) {
    if (settings::kUpdateStatusMsgs.Read(settings_) != 0) host_.ShowStatus(text);
}

void DatabaseUpdateService::OnDatabaseUpdate(DWORD status) {
    const SYSTEMTIME now = host_.LocalNow();
    settings::kLastUpdateDate.Write(settings_, FormatUpdateDate(now));
    settings::kLastUpdateTime.Write(settings_, FormatUpdateTime(now));

    const std::string text = UpdateStatusText(status);
    Status(text);
    host_.Log(text);
    if (status == kUpdateAvailable) {
        // Exit may have been chosen while the question was open.
        if (host_.AskDownload(text) && !host_.IsExiting()) {
            updater_.SetNotifyWindow(host_.NotifyWindow());
            updater_.StartDownload(DatabaseFileUrl(CurrentServiceAddress(settings_)), localPath_);
        }
    } else if (status == kUpdateInstalled) {
        Status(kReloadingDatabaseText);
        host_.Log(kReloadingDatabaseText);
        host_.ReloadDatabases();
    }
}
