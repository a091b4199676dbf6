#include "progdb/DatabaseUpdater.h"

#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>

#include "core/SettingsKeys.h"
#include "framework/ComPtr.h"
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

bool FileExists(const std::string& path) {
    DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
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

// What one worker needs, copied when it starts so that the owner may change
// its settings meanwhile.
struct DatabaseUpdater::Job {
    DatabaseUpdater* self;
    HWND notify;
    std::string versionUrl;
    std::string fileUrl;
    std::string localPath;
    bool autoDownload;
};

DatabaseUpdater::DatabaseUpdater(AppSettings settings) : settings_(std::move(settings)) {
    versionUrl_ = VersionServiceUrl(CurrentServiceAddress(settings_));
}

DatabaseUpdater::~DatabaseUpdater() { WaitForWorkers(); }

void DatabaseUpdater::WaitForWorkers() {
    if (checkThread_) ::WaitForSingleObject(checkThread_.get(), INFINITE);
    if (downloadThread_) ::WaitForSingleObject(downloadThread_.get(), INFINITE);
}

bool DatabaseUpdater::StartCheck(const std::string& fileUrl, const std::string& localPath,
                                 bool autoDownload) {
    if (checking_.exchange(true)) return false;
    // The previous worker has cleared its flag and is at most posting.
    if (checkThread_) ::WaitForSingleObject(checkThread_.get(), INFINITE);
    fileUrl_ = fileUrl;
    localPath_ = localPath;
    autoDownload_ = autoDownload;
    auto* job = new Job{this, notifyWindow_, versionUrl_, fileUrl, localPath, autoDownload};
    checkThread_.reset(::CreateThread(nullptr, 0, &DatabaseUpdater::CheckThread, job, 0, nullptr));
    if (!checkThread_) {
        delete job;
        checking_ = false;
        return false;
    }
    return true;
}

bool DatabaseUpdater::StartDownload(const std::string& fileUrl, const std::string& localPath) {
    if (downloading_.exchange(true)) return false;
    if (downloadThread_) ::WaitForSingleObject(downloadThread_.get(), INFINITE);
    fileUrl_ = fileUrl;
    localPath_ = localPath;
    auto* job = new Job{this, notifyWindow_, versionUrl_, fileUrl, localPath, true};
    downloadThread_.reset(
        ::CreateThread(nullptr, 0, &DatabaseUpdater::DownloadThread, job, 0, nullptr));
    if (!downloadThread_) {
        delete job;
        downloading_ = false;
        return false;
    }
    return true;
}

DWORD WINAPI DatabaseUpdater::CheckThread(void* param) {
    Job* job = static_cast<Job*>(param);
    DWORD status =
        job->self->RunCheck(job->versionUrl, job->fileUrl, job->localPath, job->autoDownload);
    HWND notify = job->notify;
    job->self->checking_ = false;
    delete job;
    if (notify) ::PostMessageA(notify, WM_DATABASE_UPDATE, status, 0);
    return 0;
}

DWORD WINAPI DatabaseUpdater::DownloadThread(void* param) {
    Job* job = static_cast<Job*>(param);
    DWORD status = job->self->RunDownload(job->fileUrl, job->localPath);
    HWND notify = job->notify;
    job->self->downloading_ = false;
    delete job;
    if (notify) ::PostMessageA(notify, WM_DATABASE_UPDATE, status, 0);
    return 0;
}

void DatabaseUpdater::ApplyProxy(UrlFetcher& fetcher) const {
    ProxyChoice proxy = CurrentUpdateProxy(settings_);
    if (proxy.use) fetcher.SetProxy(true, proxy.host, proxy.port);
}

bool DatabaseUpdater::Download(UrlFetcher& fetcher, const std::string& fileUrl,
                               const std::string& localPath) {
    // Only a file that reads as a publisher database with entries may
    // replace the one in use.
    fetcher.SetValidator([](const std::string& path) {
        ProgramDatabase candidate;
        return candidate.Load(path);
    });
    return fetcher.Download(fileUrl, localPath);
}

DWORD DatabaseUpdater::RunCheck(const std::string& versionUrl, const std::string& fileUrl,
                                const std::string& localPath, bool autoDownload) {
    ComRuntime com;  // for the download service and the parser that checks the file
    UrlFetcher fetcher(limits_);
    LoadState();
    ApplyProxy(fetcher);
    bool isNew = false;
    unsigned long version = 0;
    if (fetcher.FetchVersion(versionUrl, version) && version > remoteVersion_) {
        remoteVersion_ = version;
        SaveState();
        isNew = true;
    }
    if (!FileExists(localPath) || isNew) {
        fetcher.GetRemoteInfo(remoteSize_, remoteDate_);
        SaveState();
        if (!autoDownload) return kUpdateAvailable;
        return Download(fetcher, fileUrl, localPath) ? kUpdateInstalled : kUpdateFailed;
    }
    return fetcher.LastError();
}

DWORD DatabaseUpdater::RunDownload(const std::string& fileUrl, const std::string& localPath) {
    ComRuntime com;
    UrlFetcher fetcher(limits_);
    ApplyProxy(fetcher);
    return Download(fetcher, fileUrl, localPath) ? kUpdateInstalled : kUpdateFailed;
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

bool DatabaseUpdateHost::AskDownload(const std::string& text) {
    return ::MessageBoxA(NotifyWindow(), text.c_str(), "Quillmark",
                         MB_OKCANCEL | MB_ICONINFORMATION) == IDOK;
}

bool DatabaseUpdateHost::InternetConnected() {
    DWORD flags = 0;
    return ::InternetGetConnectedState(&flags, 0) != FALSE;
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
    if (!updatesAllowed_) return;
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
        if (host_.AskDownload(text)) {
            updater_.SetNotifyWindow(host_.NotifyWindow());
            updater_.StartDownload(DatabaseFileUrl(CurrentServiceAddress(settings_)), localPath_);
        }
    } else if (status == kUpdateInstalled) {
        Status(kReloadingDatabaseText);
        host_.Log(kReloadingDatabaseText);
        host_.ReloadDatabases();
    }
}
