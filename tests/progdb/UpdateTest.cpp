#include <winsock2.h>
#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "LoopbackServer.h"
#include "OnlineTestUtil.h"
#include "PublisherProcess.h"
#include "core/AppSettings.h"
#include "core/SettingsKeys.h"
#include "progdb/DatabaseUpdater.h"
#include "progdb/ServiceAddress.h"

using testutil::FileExists;
using testutil::ReadFileBytes;
using testutil::WriteFileBytes;

namespace {

SYSTEMTIME Time(int y, int mo, int d, int h = 12, int mi = 0, int s = 0) {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(y);
    t.wMonth = static_cast<WORD>(mo);
    t.wDay = static_cast<WORD>(d);
    t.wHour = static_cast<WORD>(h);
    t.wMinute = static_cast<WORD>(mi);
    t.wSecond = static_cast<WORD>(s);
    return t;
}

class FakeHost : public DatabaseUpdateHost {
public:
    HWND NotifyWindow() override { return sink.Window(); }
    void ShowStatus(const std::string& text) override { status.push_back(text); }
    void Log(const std::string& text) override { log.push_back(text); }
    int AskUpdateConnection() override {
        ++connectionQuestions;
        if (onConnectionQuestion) onConnectionQuestion();
        return connectionAnswer;
    }
    bool AskDownload(const std::string& text) override {
        downloadQuestions.push_back(text);
        if (onDownloadQuestion) onDownloadQuestion();
        return downloadAnswer;
    }
    void ReloadDatabases() override { ++reloads; }
    bool InternetConnected() override { return connected; }
    bool IsExiting() const override { return exiting; }

    bool Logged(const std::string& text) const {
        return std::find(log.begin(), log.end(), text) != log.end();
    }

    MessageSink sink;
    std::vector<std::string> status, log, downloadQuestions;
    int connectionQuestions = 0;
    int connectionAnswer = IDYES;
    bool downloadAnswer = false;
    int reloads = 0;
    bool connected = true;
    bool exiting = false;
    // What happens while a question is open (the user's other actions).
    std::function<void()> onConnectionQuestion, onDownloadQuestion;
};

const std::string kNewVersion = "20000000";  // above the default 341017123 (0x14538223)

class UpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        testutil::ResetQuillmarkSettings();
        localPath = dir.File("ornava-db.xml");
        served = dir.File("served.xml");
    }
    void TearDown() override { testutil::ResetQuillmarkSettings(); }

    void UseService(const PublisherProcess& p) {
        settings::kServiceUrl.Write(settings, p.Base());
    }
    // Starts the publisher with a version and the served file, and points the
    // settings at it.
    void Serve(const std::string& version) {
        publisher = std::make_unique<PublisherProcess>("--version " + version + " --db \"" + served + "\"");
        EXPECT_TRUE(publisher->Running());
        UseService(*publisher);
    }
    // Runs one check from start-up to its message.
    DWORD Check(DatabaseUpdateService& service, bool atStartup = true) {
        service.CheckForUpdate(atStartup);
        WPARAM status = 0xDEAD;
        EXPECT_TRUE(host.sink.Take(WM_DATABASE_UPDATE, status));
        return static_cast<DWORD>(status);
    }

    testutil::ScratchDir dir;
    std::string localPath, served;
    std::unique_ptr<PublisherProcess> publisher;
    AppSettings settings;
    FakeHost host;
};

}  // namespace

TEST(UpdateDue, DailyWeeklyAndStoredDates) {
    const SYSTEMTIME now = Time(2026, 12, 7, 10, 30, 0);
    // Daily: 23 hours is not a day yet, 24 hours is.
    EXPECT_FALSE(IsUpdateCheckDue(2, false, "20261206", "113000", now));
    EXPECT_TRUE(IsUpdateCheckDue(2, false, "20261206", "103000", now));
    // Weekly: 6 days 23 hours is not due, 7 days is.
    EXPECT_FALSE(IsUpdateCheckDue(3, false, "20261130", "113000", now));
    EXPECT_TRUE(IsUpdateCheckDue(3, true, "20261130", "103000", now));
    // First run, and years outside 2000..2030, are due whatever the frequency.
    EXPECT_TRUE(IsUpdateCheckDue(3, false, "00000000", "000000", now));
    EXPECT_TRUE(IsUpdateCheckDue(2, false, "19991231", "235959", now));
    EXPECT_TRUE(IsUpdateCheckDue(3, false, "20310101", "000000", now));
    EXPECT_TRUE(IsUpdateCheckDue(2, false, "20261399", "000000", now));  // no such date
    // A last check in the future never makes a check due.
    EXPECT_FALSE(IsUpdateCheckDue(2, false, "20270101", "000000", now));
    // "At program startup" checks only at start-up; "never" never.
    EXPECT_TRUE(IsUpdateCheckDue(1, true, "20261207", "103000", now));
    EXPECT_FALSE(IsUpdateCheckDue(1, false, "20200101", "000000", now));
    // ... also before any check has stored a date, and with a stored date out of range.
    EXPECT_FALSE(IsUpdateCheckDue(1, false, "00000000", "000000", now));
    EXPECT_FALSE(IsUpdateCheckDue(1, false, "19990101", "000000", now));
    EXPECT_FALSE(IsUpdateCheckDue(0, true, "00000000", "000000", now));
    EXPECT_EQ("20260307", FormatUpdateDate(Time(2026, 3, 7)));
    EXPECT_EQ("090502", FormatUpdateTime(Time(2026, 3, 7, 9, 5, 2)));
}

TEST(UpdateDue, StatusTexts) {
    EXPECT_EQ("When attempting to download the Ornava program database file, an error "
              "occurred:\n\nError: 00002EFD",
              UpdateStatusText(12029));
    EXPECT_EQ("No update of the Ornava program database file is available.", UpdateStatusText(0));
}

TEST_F(UpdateTest, NewerVersionDownloadsReplacesAndReloads) {
    ASSERT_TRUE(WriteFileBytes(localPath, PublisherXml("old.exe")));
    ASSERT_TRUE(WriteFileBytes(served, PublisherXml("new.exe")));
    Serve(kNewVersion);

    DatabaseUpdateService service(host, localPath, settings);
    EXPECT_EQ(kUpdateInstalled, Check(service));
    EXPECT_EQ(PublisherXml("new.exe"), ReadFileBytes(localPath));
    EXPECT_FALSE(FileExists(localPath + ".new"));
    EXPECT_EQ(1, host.connectionQuestions);
    EXPECT_EQ(0x20000000ul, settings::kRemoteFileVersion.Read(settings));
    EXPECT_EQ((std::vector<std::string>{"GET /getXML.aspx?username=qm&password=qm",
                                        "GET /ornava-db.xml"}),
              publisher->Requests());

    service.OnDatabaseUpdate(kUpdateInstalled);
    EXPECT_EQ(1, host.reloads);
    EXPECT_TRUE(host.Logged(kCheckingForUpdateText));
    EXPECT_TRUE(host.Logged(
        "An update of the Ornava program database file has been automatically downloaded."));
    EXPECT_TRUE(host.Logged(kReloadingDatabaseText));
    ASSERT_EQ(2u, host.status.size());
    EXPECT_EQ(kReloadingDatabaseText, host.status[1]);
    SYSTEMTIME today;
    ::GetLocalTime(&today);
    EXPECT_EQ(FormatUpdateDate(today), settings::kLastUpdateDate.Read(settings));
}

TEST_F(UpdateTest, SameVersionWithFileReportsNoUpdateQuietly) {
    ASSERT_TRUE(WriteFileBytes(localPath, PublisherXml("old.exe")));
    ASSERT_TRUE(WriteFileBytes(served, PublisherXml("new.exe")));
    settings::kRemoteFileVersion.Write(settings, 0x20000000ul);
    settings::kUpdateStatusMsgs.Write(settings, 0);
    Serve(kNewVersion);

    DatabaseUpdateService service(host, localPath, settings);
    EXPECT_EQ(kUpdateNone, Check(service));
    EXPECT_EQ(PublisherXml("old.exe"), ReadFileBytes(localPath));
    EXPECT_EQ(1u, publisher->Requests().size());

    service.OnDatabaseUpdate(kUpdateNone);
    EXPECT_TRUE(host.Logged("No update of the Ornava program database file is available."));
    EXPECT_TRUE(host.status.empty());  // status messages are off
    EXPECT_EQ(0, host.reloads);
}

TEST_F(UpdateTest, MissingFileForcesTheDownload) {
    ASSERT_TRUE(WriteFileBytes(served, PublisherXml("new.exe")));
    settings::kRemoteFileVersion.Write(settings, 0x20000000ul);
    Serve(kNewVersion);

    DatabaseUpdateService service(host, localPath, settings);
    EXPECT_EQ(kUpdateInstalled, Check(service));
    EXPECT_EQ(PublisherXml("new.exe"), ReadFileBytes(localPath));
}

TEST_F(UpdateTest, FailedOrBogusDownloadKeepsTheOldFile) {
    ASSERT_TRUE(WriteFileBytes(localPath, PublisherXml("old.exe")));
    Serve(kNewVersion);  // nothing served yet: 404
    settings::kPromptBeforeUpdate.Write(settings, 0);

    DatabaseUpdateService service(host, localPath, settings);
    EXPECT_EQ(kUpdateFailed, Check(service));
    EXPECT_EQ(PublisherXml("old.exe"), ReadFileBytes(localPath));

    // A page that is no database, and a database without entries.
    settings::kRemoteFileVersion.Write(settings, 1);
    ASSERT_TRUE(WriteFileBytes(served, "<html><body>Service unavailable</body></html>"));
    EXPECT_EQ(kUpdateFailed, Check(service));
    settings::kRemoteFileVersion.Write(settings, 1);
    ASSERT_TRUE(WriteFileBytes(served, "<?xml version=\"1.0\"?><duzer><database/></duzer>"));
    EXPECT_EQ(kUpdateFailed, Check(service));
    EXPECT_EQ(PublisherXml("old.exe"), ReadFileBytes(localPath));
    EXPECT_FALSE(FileExists(localPath + ".new"));
    EXPECT_EQ(0, host.connectionQuestions);

    service.OnDatabaseUpdate(kUpdateFailed);
    EXPECT_TRUE(host.Logged("The download of an updated Ornava program database file has failed."));
    EXPECT_EQ(0, host.reloads);
}

TEST_F(UpdateTest, StoppedServerReportsTheServiceError) {
    ASSERT_TRUE(WriteFileBytes(localPath, PublisherXml("old.exe")));
    {
        PublisherProcess publisher;
        ASSERT_TRUE(publisher.Running());
        UseService(publisher);
    }
    DatabaseUpdateService service(host, localPath, settings);
    const DWORD status = Check(service);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INTERNET_CANNOT_CONNECT), status);
    service.OnDatabaseUpdate(status);
    ASSERT_FALSE(host.status.empty());
    EXPECT_EQ(UpdateStatusText(status), host.status.back());
    EXPECT_EQ(PublisherXml("old.exe"), ReadFileBytes(localPath));
}

TEST_F(UpdateTest, NotificationOnlyAsksBeforeDownloading) {
    ASSERT_TRUE(WriteFileBytes(localPath, PublisherXml("old.exe")));
    ASSERT_TRUE(WriteFileBytes(served, PublisherXml("new.exe")));
    settings::kUpdateAction.Write(settings, 0);
    Serve(kNewVersion);

    DatabaseUpdateService service(host, localPath, settings);
    EXPECT_EQ(kUpdateAvailable, Check(service));
    EXPECT_EQ(PublisherXml("old.exe"), ReadFileBytes(localPath));

    // Cancel: nothing is downloaded, the version is not stored, and the next
    // check offers the update again.
    service.OnDatabaseUpdate(kUpdateAvailable);
    ASSERT_EQ(1u, host.downloadQuestions.size());
    EXPECT_EQ(UpdateStatusText(kUpdateAvailable), host.downloadQuestions[0]);
    EXPECT_FALSE(service.Updater().IsDownloading());
    EXPECT_EQ(341017123ul, settings::kRemoteFileVersion.Read(settings));
    EXPECT_EQ(kUpdateAvailable, Check(service));
    EXPECT_EQ(PublisherXml("old.exe"), ReadFileBytes(localPath));

    // OK starts the download worker, which reports the installed file; only
    // now is its version stored, and the next check finds nothing new.
    host.downloadAnswer = true;
    service.OnDatabaseUpdate(kUpdateAvailable);
    WPARAM status = 0;
    ASSERT_TRUE(host.sink.Take(WM_DATABASE_UPDATE, status));
    EXPECT_EQ(kUpdateInstalled, status);
    EXPECT_EQ(PublisherXml("new.exe"), ReadFileBytes(localPath));
    EXPECT_EQ(0x20000000ul, settings::kRemoteFileVersion.Read(settings));
    EXPECT_EQ(kUpdateNone, Check(service));
}

TEST_F(UpdateTest, AFailedDownloadIsTriedAgainByTheNextCheck) {
    ASSERT_TRUE(WriteFileBytes(localPath, PublisherXml("old.exe")));
    Serve(kNewVersion);  // nothing served yet: 404
    settings::kPromptBeforeUpdate.Write(settings, 0);

    DatabaseUpdateService service(host, localPath, settings);
    EXPECT_EQ(kUpdateFailed, Check(service));
    EXPECT_EQ(341017123ul, settings::kRemoteFileVersion.Read(settings));
    ASSERT_TRUE(WriteFileBytes(served, PublisherXml("new.exe")));
    EXPECT_EQ(kUpdateInstalled, Check(service));
    EXPECT_EQ(PublisherXml("new.exe"), ReadFileBytes(localPath));
    EXPECT_EQ(0x20000000ul, settings::kRemoteFileVersion.Read(settings));
    EXPECT_EQ(kUpdateNone, Check(service));
}

TEST_F(UpdateTest, OnlyAnAnswerWithStatus200CarriesAVersion) {
    // An error page (or a sign-in page of a network) that happens to hold a
    // version line is no answer of the service.
    LoopbackServer notFound(LoopbackServer::Mode::Reply,
                            "HTTP/1.0 404 Not Found\r\nContent-Type: text/plain\r\n\r\n<version>FFFFFFFF</version>\r\n");
    ASSERT_TRUE(notFound.Started());
    UrlFetcher fetcher;
    unsigned long v = 7;
    EXPECT_FALSE(fetcher.FetchVersion(notFound.Url("/getXML.aspx"), v));
    EXPECT_EQ(static_cast<DWORD>(ERROR_HTTP_INVALID_SERVER_RESPONSE), fetcher.LastError());
    EXPECT_EQ(7ul, v);

    LoopbackServer ok(LoopbackServer::Mode::Reply,
                      "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n<version>1F</version>\r\n");
    ASSERT_TRUE(ok.Started());
    UrlFetcher fetcher2;
    EXPECT_TRUE(fetcher2.FetchVersion(ok.Url("/getXML.aspx"), v));
    EXPECT_EQ(0x1Ful, v);
}

TEST_F(UpdateTest, ExitChosenDuringAQuestionStartsNoJob) {
    ASSERT_TRUE(WriteFileBytes(localPath, PublisherXml("old.exe")));
    ASSERT_TRUE(WriteFileBytes(served, PublisherXml("new.exe")));
    settings::kUpdateAction.Write(settings, 0);
    Serve(kNewVersion);
    DatabaseUpdateService service(host, localPath, settings);

    // Exit from the tray menu while the connection question is open: the
    // question answers Yes, but the program is on its way out.
    host.onConnectionQuestion = [this] { host.exiting = true; };
    service.CheckForUpdate(true);
    EXPECT_EQ(1, host.connectionQuestions);
    EXPECT_FALSE(service.Updater().IsRunning());
    EXPECT_TRUE(publisher->Requests().empty());

    // The same while the download question is open.
    host.exiting = false;
    host.onConnectionQuestion = nullptr;
    EXPECT_EQ(kUpdateAvailable, Check(service));
    host.downloadAnswer = true;
    host.onDownloadQuestion = [this] { host.exiting = true; };
    service.OnDatabaseUpdate(kUpdateAvailable);
    EXPECT_FALSE(service.Updater().IsRunning());
    EXPECT_FALSE(host.sink.Pending(WM_DATABASE_UPDATE));
    EXPECT_EQ(PublisherXml("old.exe"), ReadFileBytes(localPath));
    EXPECT_EQ(1u, publisher->Requests().size());
}

TEST_F(UpdateTest, OneJobAtATimeAndAStopEndsABusyOne) {
    ASSERT_TRUE(WriteFileBytes(localPath, PublisherXml("old.exe")));
    // Accepts and never answers, so a job stays busy until it is stopped.
    auto silent = std::make_unique<LoopbackServer>(LoopbackServer::Mode::Silent);
    ASSERT_TRUE(silent->Started());
    settings::kServiceUrl.Write(settings, silent->Url(""));
    const std::string fileUrl = silent->Url("/ornava-db.xml");

    DatabaseUpdater updater(settings);
    updater.SetNotifyWindow(host.sink.Window());
    EXPECT_TRUE(updater.StartDownload(fileUrl, localPath));
    // Both kinds write the same ".new" file beside the database: while one
    // job runs, neither kind may start.
    EXPECT_FALSE(updater.StartCheck(fileUrl, localPath, true));
    EXPECT_FALSE(updater.StartDownload(fileUrl, localPath));
    EXPECT_TRUE(updater.IsDownloading());
    EXPECT_FALSE(updater.IsChecking());

    silent.reset();
    WPARAM status = 0;
    ASSERT_TRUE(host.sink.Take(WM_DATABASE_UPDATE, status));
    EXPECT_EQ(kUpdateFailed, status);
    // Down before the message: its handler may start the next job at once.
    EXPECT_FALSE(updater.IsRunning());
    updater.WaitForWorkers(30000);
    EXPECT_FALSE(host.sink.Pending(WM_DATABASE_UPDATE));  // the refused starts never ran
    EXPECT_EQ(PublisherXml("old.exe"), ReadFileBytes(localPath));

    // A check held by a server that never answers ends when stopped, well
    // before its network time-outs would end it.
    auto silent2 = std::make_unique<LoopbackServer>(LoopbackServer::Mode::Silent);
    ASSERT_TRUE(silent2->Started());
    DatabaseUpdater busy(settings);
    busy.SetVersionUrl(silent2->Url("/getXML.aspx"));
    ASSERT_TRUE(busy.StartCheck(silent2->Url("/ornava-db.xml"), localPath, true));
    EXPECT_TRUE(busy.IsChecking());
    EXPECT_TRUE(busy.Stop(WorkerThread::kDefaultStopBoundMs * 3));
    EXPECT_FALSE(busy.IsRunning());
    EXPECT_EQ(PublisherXml("old.exe"), ReadFileBytes(localPath));
}

TEST_F(UpdateTest, StartupOnlySettingIgnoresTheHourlyTimer) {
    ASSERT_TRUE(WriteFileBytes(localPath, PublisherXml("old.exe")));
    Serve("1");

    // No check has stored a date yet: the hourly timer still does not check.
    DatabaseUpdateService service(host, localPath, settings);
    service.CheckForUpdate(false);
    EXPECT_FALSE(service.Updater().IsChecking());
    EXPECT_FALSE(host.sink.Pending(WM_DATABASE_UPDATE));
    EXPECT_TRUE(host.Logged(kCheckingForUpdateText));
    EXPECT_EQ(0, host.connectionQuestions);

    EXPECT_EQ(kUpdateNone, Check(service, true));
    EXPECT_EQ(1u, publisher->Requests().size());

    // "Do not check for updates" holds at start-up too.
    settings::kCheckUpdates.Write(settings, 0);
    service.CheckForUpdate(true);
    EXPECT_FALSE(service.Updater().IsChecking());
}

TEST_F(UpdateTest, DeclinedQuestionEndsChecksForTheRun) {
    ASSERT_TRUE(WriteFileBytes(localPath, PublisherXml("old.exe")));
    host.connected = false;
    DatabaseUpdateService service(host, localPath, settings);
    service.CheckForUpdate(true);
    EXPECT_EQ(0, host.connectionQuestions);  // offline: no question
    EXPECT_TRUE(service.UpdatesAllowed());

    host.connected = true;
    host.connectionAnswer = IDNO | 0x04000000;  // remembered "No" with its check-box bit
    service.CheckForUpdate(true);
    EXPECT_EQ(1, host.connectionQuestions);
    EXPECT_FALSE(service.UpdatesAllowed());
    EXPECT_FALSE(service.Updater().IsChecking());
    service.CheckForUpdate(true);
    service.CheckForUpdate(false);
    EXPECT_EQ(1, host.connectionQuestions);
    EXPECT_FALSE(service.Updater().IsChecking());
    EXPECT_FALSE(host.sink.Pending(WM_DATABASE_UPDATE));
    EXPECT_EQ("00000000", settings::kLastUpdateDate.Read(settings));
}

TEST(ServiceAddress, OverrideWithSchemeHostAndPort) {
    ServiceAddress a;
    ASSERT_TRUE(ParseServiceAddress("HTTP://127.0.0.1:8123/", a));
    EXPECT_EQ("http://127.0.0.1:8123", ServiceBaseUrl(a));
    EXPECT_EQ("http://127.0.0.1:8123/getXML.aspx?username=qm&password=qm", VersionServiceUrl(a));
    EXPECT_EQ("http://127.0.0.1:8123/ornava-db.xml", DatabaseFileUrl(a));
    ASSERT_TRUE(ParseServiceAddress("https://mirror.example", a));
    EXPECT_EQ("https://mirror.example/Runlatch/rlatprov1.aspx", SubmissionServiceUrl(a));
    for (const char* bad : {"", "mirror.example", "ftp://mirror.example", "http://", "http://a:0",
                            "http://a:70000", "http://a:8x", "http://a/b", "http://u@a"})
        EXPECT_FALSE(ParseServiceAddress(bad, a)) << bad;

    testutil::ResetQuillmarkSettings();
    AppSettings settings;
    EXPECT_EQ(kDefaultServiceUrl, ServiceBaseUrl(CurrentServiceAddress(settings)));
    settings::kServiceUrl.Write(settings, "not a url");
    EXPECT_EQ(kDefaultServiceUrl, ServiceBaseUrl(CurrentServiceAddress(settings)));
    settings::kServiceUrl.Write(settings, "http://localhost:9000");
    EXPECT_EQ("http://localhost:9000", ServiceBaseUrl(CurrentServiceAddress(settings)));
    testutil::ResetQuillmarkSettings();
}
