// Exit with every worker busy: each background job of the program is held
// in its slowest wait (a server that never answers, a window that never
// replies, a long sampling interval) and stopped as the main window stops
// them at exit. Every stop must end its thread within the bound.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "LoopbackServer.h"
#include "TestUtil.h"
#include "actions/CloseKill.h"
#include "core/AppSettings.h"
#include "core/SettingsKeys.h"
#include "progdb/DatabaseUpdater.h"
#include "progdb/ProgramDatabase.h"
#include "progdb/Submission.h"
#include "sysinfo/NetAdapters.h"
#include "sysinfo/Performance.h"
#include "sysinfo/SystemSnapshot.h"

namespace {

const char kScratchRoot[] = "Software\\Ornava Utilities\\Quillmark Exit Test";

TEST(WorkersAtExit, EveryBusyWorkerStopsWithinItsBound) {
    // Windows first, before any thread runs: the first window of a process
    // brings up the display driver, which is best done alone.
    std::vector<HWND> windows;
    for (int i = 0; i < 40; ++i)
        windows.push_back(::CreateWindowExA(0, "STATIC", "busy", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                            nullptr, nullptr));
    testutil::ScratchDir dir;
    AppSettings settings(kScratchRoot);
    // One silent server per job: each accepts and never answers.
    LoopbackServer silent(LoopbackServer::Mode::Silent), silentCheck(LoopbackServer::Mode::Silent);
    ASSERT_TRUE(silent.Started() && silentCheck.Started());
    // Nothing here may reach another host: the service is a silent server.
    settings::kServiceUrl.Write(settings, silent.Url(""));
    const std::string localPath = dir.File("ornava-db.xml");

    DatabaseUpdater checker(settings);
    checker.SetVersionUrl(silentCheck.Url("/getXML.aspx"));
    ASSERT_TRUE(checker.StartCheck(silentCheck.Url("/ornava-db.xml"), localPath, true));

    LocalProgramDatabase local;
    local.SetReadOnly(false);
    ProgramEntry entry;
    entry.fileName = "busy.exe";
    entry.description = "held by a silent service";
    ASSERT_TRUE(local.AddOrReplace(entry));
    SubmissionWorker submission;
    ASSERT_TRUE(submission.StartSubmission(local, SubmissionTarget{silent.Url("/submit"), "u", "p"}, nullptr));

    // A close batch of many windows that never answer in time (this thread
    // does not pump while the job runs) and kills of records that match
    // nothing.
    CloseKillJob closeKill([](const std::string&) { return false; });
    int64_t ourCreation = 0;
    ASSERT_TRUE(ProcessCreateTime(::GetCurrentProcessId(), ourCreation));
    for (HWND w : windows) ASSERT_TRUE(closeKill.AddWindow(CloseTarget{w, ::GetCurrentProcessId(), ourCreation}));
    ASSERT_TRUE(closeKill.AddProcess(KillTarget{::GetCurrentProcessId(), ourCreation + 1}));
    ASSERT_TRUE(closeKill.Start(nullptr));

    SystemSnapshot snapshot;
    ASSERT_TRUE(snapshot.StartLoading(nullptr));
    CpuUsageSampler cpu;
    cpu.SetIntervalMs(600000);
    ASSERT_TRUE(cpu.Start(nullptr));
    NetAdapterSampler network;
    ASSERT_TRUE(network.Start(nullptr));

    EXPECT_TRUE(checker.IsRunning());
    EXPECT_FALSE(checker.StartDownload(silentCheck.Url("/ornava-db.xml"), localPath));
    EXPECT_TRUE(submission.IsRunning());

    // The exit order of the main window: every worker first.
    EXPECT_TRUE(closeKill.Stop());
    EXPECT_TRUE(snapshot.Stop());
    EXPECT_TRUE(network.Stop());
    EXPECT_TRUE(cpu.Stop(WorkerThread::kDefaultStopBoundMs));
    EXPECT_TRUE(submission.Stop());
    // The update check may sit in a receive of the Internet service, which
    // no event cuts short once the request is out: the owner then lets it
    // go after the bound. Its job holds copies only and posts nothing more,
    // so the owner may go at once.
    checker.Stop();
    EXPECT_FALSE(testutil::FileExists(localPath));
    EXPECT_FALSE(testutil::FileExists(localPath + ".new"));

    for (HWND w : windows) ::DestroyWindow(w);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kScratchRoot);
}

}  // namespace
