// Service control against a real service: the test service is installed into
// the prefix's service manager for this program and removed afterwards.
#include "actions/ServiceControl.h"

#include <gtest/gtest.h>

#include <process.h>

#include <cstdio>

#include <string>
#include <vector>

#include "ImportPatch.h"
#include "RecordingWindow.h"
#include "TestServices.h"
#include "TestUtil.h"
#include "base/Handles.h"
#include "resource.h"

namespace {

using testutil::WaitUntil;

constexpr const char* kPausable = "QuillmarkTestSvc";
constexpr const char* kNoPause = "QuillmarkTestSvcNoPause";
// Answers no control request until released.
constexpr const char* kHung = "QuillmarkTestSvcHung";
// Stays "start pending" until released.
constexpr const char* kPending = "QuillmarkTestSvcPending";

std::string ServiceExe() {
    return testutil::HostPath(QM_TESTSERVICE_EXE);
}

using testutil::InstallService;
using testutil::RemoveService;
using testutil::ServiceState;
using testutil::StopServiceAndWait;
using testutil::WaitForServiceState;

class ServiceControlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        hungRelease_.reset(::CreateEventA(nullptr, TRUE, FALSE, testutil::ReleaseEventName(kHung).c_str()));
        pendingRelease_.reset(::CreateEventA(nullptr, TRUE, FALSE, testutil::ReleaseEventName(kPending).c_str()));
        installed_ = hungRelease_ && pendingRelease_ && InstallService(kPausable, "\"" + ServiceExe() + "\"") &&
                     InstallService(kNoPause, "\"" + ServiceExe() + "\" nopause") &&
                     InstallService(kHung, "\"" + ServiceExe() + "\" hang") &&
                     InstallService(kPending, "\"" + ServiceExe() + "\" pending");
    }
    static void TearDownTestSuite() {
        ReleaseAll();
        for (const char* name : {kPausable, kNoPause, kHung, kPending}) RemoveService(name);
        hungRelease_.reset();
        pendingRelease_.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(installed_);
        for (const char* name : {kPausable, kNoPause, kHung, kPending}) StopServiceAndWait(name);
        ::ResetEvent(hungRelease_.get());
        ::ResetEvent(pendingRelease_.get());
    }
    void TearDown() override { ReleaseAll(); }
    // The hung and the pending service answer again, and can be stopped.
    static void ReleaseAll() {
        if (hungRelease_) ::SetEvent(hungRelease_.get());
        if (pendingRelease_) ::SetEvent(pendingRelease_.get());
    }

    static ServiceInfo Record(const char* name, int kind = 0) {
        ServiceInfo info;
        info.kind = kind;
        info.serviceName = name;
        return info;
    }
    // Runs a command on the record and returns its status text.
    static std::string Run(ServiceInfo& info, int command) {
        std::string text = "<none>";
        EXPECT_TRUE(svc::RunCommand(info, command, text));
        EXPECT_FALSE(info.managerHandle.valid());
        return text;
    }

    static bool installed_;
    static UniqueHandle hungRelease_;
    static UniqueHandle pendingRelease_;
};
bool ServiceControlTest::installed_ = false;
UniqueHandle ServiceControlTest::hungRelease_;
UniqueHandle ServiceControlTest::pendingRelease_;

TEST_F(ServiceControlTest, StartPauseContinueStop) {
    ServiceInfo info = Record(kPausable);
    EXPECT_FALSE(svc::IsRunning(info));
    EXPECT_EQ("Service started", Run(info, ID_SERVICE_START));
    ASSERT_TRUE(WaitForServiceState(kPausable, SERVICE_RUNNING));
    EXPECT_TRUE(svc::IsRunning(info));
    EXPECT_FALSE(svc::IsPaused(info));
    info.RefreshStateText();
    EXPECT_EQ("Running", info.stateText);

    EXPECT_EQ("Service paused", Run(info, ID_SERVICE_PAUSE));
    ASSERT_TRUE(WaitForServiceState(kPausable, SERVICE_PAUSED));
    EXPECT_TRUE(svc::IsPaused(info));
    EXPECT_FALSE(svc::IsRunning(info));
    info.RefreshStateText();
    EXPECT_EQ("Paused", info.stateText);

    EXPECT_EQ("Service continued", Run(info, ID_SERVICE_CONTINUE));
    ASSERT_TRUE(WaitForServiceState(kPausable, SERVICE_RUNNING));
    info.RefreshStateText();
    EXPECT_EQ("Running", info.stateText);

    EXPECT_EQ("Service stopped", Run(info, ID_SERVICE_STOP));
    ASSERT_TRUE(WaitForServiceState(kPausable, SERVICE_STOPPED));
    EXPECT_FALSE(svc::IsRunning(info));
    SERVICE_STATUS status{};
    EXPECT_FALSE(svc::Interrogate(info, status));  // a stopped service cannot answer
    info.RefreshStateText();
    EXPECT_EQ("Stopped", info.stateText);
}

TEST_F(ServiceControlTest, StartOnAPausedServiceContinuesIt) {
    ServiceInfo info = Record(kPausable);
    ASSERT_TRUE(svc::Start(info));
    ASSERT_TRUE(WaitForServiceState(kPausable, SERVICE_RUNNING));
    DWORD pidBefore = 0, pidAfter = 0;
    ServiceState(kPausable, &pidBefore);
    ASSERT_TRUE(svc::Pause(info));
    ASSERT_TRUE(WaitForServiceState(kPausable, SERVICE_PAUSED));

    EXPECT_EQ("Service started", Run(info, ID_SERVICE_START));
    ASSERT_TRUE(WaitForServiceState(kPausable, SERVICE_RUNNING));
    ServiceState(kPausable, &pidAfter);
    EXPECT_EQ(pidBefore, pidAfter);  // the same process, continued
}

TEST_F(ServiceControlTest, RequestsThatCannotApplyFail) {
    ServiceInfo info = Record(kPausable);
    // Stop, pause and continue of a stopped service.
    EXPECT_EQ("Service failed to stop", Run(info, ID_SERVICE_STOP));
    EXPECT_EQ("Service failed to pause", Run(info, ID_SERVICE_PAUSE));
    EXPECT_EQ("Service failed to continue", Run(info, ID_SERVICE_CONTINUE));
    EXPECT_EQ("Service failed to restart", Run(info, ID_SERVICE_RESTART));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState(kPausable));

    // Start of a running one.
    ASSERT_TRUE(svc::Start(info));
    ASSERT_TRUE(WaitForServiceState(kPausable, SERVICE_RUNNING));
    DWORD pidBefore = 0, pidAfter = 0;
    ServiceState(kPausable, &pidBefore);
    EXPECT_EQ("Service failed to start", Run(info, ID_SERVICE_START));
    ServiceState(kPausable, &pidAfter);
    EXPECT_EQ(pidBefore, pidAfter);

    // A service that does not accept pause.
    ServiceInfo noPause = Record(kNoPause);
    ASSERT_TRUE(svc::Start(noPause));
    ASSERT_TRUE(WaitForServiceState(kNoPause, SERVICE_RUNNING));
    EXPECT_EQ("Service failed to pause", Run(noPause, ID_SERVICE_PAUSE));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(kNoPause));

    // A name the manager does not know.
    ServiceInfo unknown = Record("QuillmarkNoSuchService");
    EXPECT_EQ("Service failed to start", Run(unknown, ID_SERVICE_START));
    SERVICE_STATUS status{};
    ServiceInfo unnamed = Record("");
    EXPECT_FALSE(svc::Interrogate(unnamed, status));
    EXPECT_FALSE(svc::Continue(unnamed));
}

TEST_F(ServiceControlTest, RestartRunsTheServiceInANewProcess) {
    ServiceInfo info = Record(kPausable);
    ASSERT_TRUE(svc::Start(info));
    ASSERT_TRUE(WaitForServiceState(kPausable, SERVICE_RUNNING));
    DWORD pidBefore = 0, pidAfter = 0;
    ServiceState(kPausable, &pidBefore);

    EXPECT_EQ("Service restarted", Run(info, ID_SERVICE_RESTART));
    ASSERT_TRUE(WaitForServiceState(kPausable, SERVICE_RUNNING));
    ServiceState(kPausable, &pidAfter);
    EXPECT_NE(0u, pidAfter);
    EXPECT_NE(pidBefore, pidAfter);
}

TEST_F(ServiceControlTest, StartTypeIsSetAndReadBack) {
    ServiceInfo info = Record(kPausable);
    EXPECT_EQ("Set service startup to automatic", Run(info, ID_STARTUP_AUTOMATIC));
    EXPECT_EQ(2, info.startType);
    EXPECT_EQ("Automatic", info.startTypeText);
    EXPECT_EQ("Set service startup to disabled", Run(info, ID_STARTUP_DISABLED));
    info.startType = -1;
    ASSERT_TRUE(info.RefreshStartType());
    EXPECT_EQ(4, info.startType);
    EXPECT_EQ("Disabled", info.startTypeText);
    // A disabled service does not start.
    EXPECT_EQ("Service failed to start", Run(info, ID_SERVICE_START));
    EXPECT_EQ("Set service startup to manual", Run(info, ID_STARTUP_MANUAL));
    EXPECT_EQ(3, info.startType);

    // Boot and system are offered for drivers only, and show no text.
    std::string text = "<none>";
    EXPECT_FALSE(svc::RunCommand(info, ID_STARTUP_BOOT, text));
    EXPECT_EQ("<none>", text);
    ServiceInfo asDriver = Record(kPausable, 1);
    EXPECT_EQ("", Run(asDriver, ID_STARTUP_SYSTEM));
    EXPECT_EQ("Set driver startup to manual", Run(asDriver, ID_STARTUP_MANUAL));
    EXPECT_EQ(3, asDriver.startType);
}

TEST_F(ServiceControlTest, ToolbarFollowsTheLiveState) {
    auto buttons = [](const svc::ToolbarState& s) {
        return std::string(s.start ? "S" : "-") + (s.stop ? "T" : "-") + (s.pause ? "P" : "-") +
               (s.resume ? "C" : "-") + (s.restart ? "R" : "-");
    };
    EXPECT_EQ("-----", buttons(svc::QueryToolbarState(nullptr)));
    ServiceInfo info = Record(kPausable);
    EXPECT_EQ("S----", buttons(svc::QueryToolbarState(&info)));
    ASSERT_TRUE(svc::Start(info));
    ASSERT_TRUE(WaitForServiceState(kPausable, SERVICE_RUNNING));
    EXPECT_EQ("-TP-R", buttons(svc::QueryToolbarState(&info)));
    ASSERT_TRUE(svc::Pause(info));
    ASSERT_TRUE(WaitForServiceState(kPausable, SERVICE_PAUSED));
    EXPECT_EQ("ST-C-", buttons(svc::QueryToolbarState(&info)));
}

// ---- Rights asked for --------------------------------------------------------

// Every service-manager open the code under test makes while a spy is alive.
struct Open {
    bool manager;  // OpenSCManagerA, else OpenServiceA
    DWORD access;
};
CriticalSection g_opensLock;
std::vector<Open> g_opens;
testutil::ImportPatch* g_managerPatch = nullptr;
testutil::ImportPatch* g_servicePatch = nullptr;

SC_HANDLE WINAPI SpyOpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access) {
    {
        CriticalSectionLock hold(g_opensLock);
        g_opens.push_back({true, access});
    }
    return reinterpret_cast<decltype(&::OpenSCManagerA)>(g_managerPatch->Original())(machine, database, access);
}

SC_HANDLE WINAPI SpyOpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access) {
    {
        CriticalSectionLock hold(g_opensLock);
        g_opens.push_back({false, access});
    }
    return reinterpret_cast<decltype(&::OpenServiceA)>(g_servicePatch->Original())(manager, name, access);
}

class RightsSpy {
public:
    RightsSpy()
        : manager_("advapi32.dll", "OpenSCManagerA", reinterpret_cast<void*>(&SpyOpenSCManagerA)),
          service_("advapi32.dll", "OpenServiceA", reinterpret_cast<void*>(&SpyOpenServiceA)) {
        g_managerPatch = &manager_;
        g_servicePatch = &service_;
        Take();
    }
    ~RightsSpy() {
        g_managerPatch = nullptr;
        g_servicePatch = nullptr;
    }
    bool Active() const { return manager_.Active() && service_.Active(); }
    // The opens since the last Take.
    std::vector<Open> Take() {
        CriticalSectionLock hold(g_opensLock);
        std::vector<Open> taken;
        taken.swap(g_opens);
        return taken;
    }
    // Whether every open since the last Take asked for rights within these
    // (and there was at least one of each kind).
    ::testing::AssertionResult Within(DWORD managerRights, DWORD serviceRights) {
        bool manager = false, service = false;
        for (const Open& o : Take()) {
            const DWORD allowed = o.manager ? managerRights : serviceRights;
            (o.manager ? manager : service) = true;
            if (o.access & ~allowed) {
                char text[64];
                std::snprintf(text, sizeof(text), "%s opened with 0x%lX", o.manager ? "manager" : "service",
                              static_cast<unsigned long>(o.access));
                return ::testing::AssertionFailure() << text;
            }
        }
        if (!manager || !service) return ::testing::AssertionFailure() << "nothing was opened";
        return ::testing::AssertionSuccess();
    }

private:
    testutil::ImportPatch manager_;
    testutil::ImportPatch service_;
};

TEST_F(ServiceControlTest, StatesAreReadWithTheLeastRightsAndEachRequestWithItsOwn) {
    ServiceInfo info = Record(kPausable);
    ASSERT_TRUE(svc::Start(info));
    ASSERT_TRUE(WaitForServiceState(kPausable, SERVICE_RUNNING));

    RightsSpy spy;
    ASSERT_TRUE(spy.Active());
    const DWORD kConnect = SC_MANAGER_CONNECT;
    const DWORD kRead = SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG;
    // The toolbar's and the row's queries.
    EXPECT_TRUE(svc::QueryToolbarState(&info).pause);
    EXPECT_TRUE(spy.Within(kConnect, SERVICE_QUERY_STATUS));
    EXPECT_TRUE(svc::IsRunning(info));
    EXPECT_FALSE(svc::IsPaused(info));
    EXPECT_TRUE(spy.Within(kConnect, SERVICE_QUERY_STATUS));
    EXPECT_TRUE(info.RefreshStateText());
    EXPECT_TRUE(info.RefreshStartType());
    EXPECT_TRUE(spy.Within(kConnect, kRead));
    ServiceLiveState state;
    EXPECT_TRUE(QueryServiceState(kPausable, state));
    EXPECT_EQ(SERVICE_RUNNING, state.currentState);
    EXPECT_EQ(SERVICE_DEMAND_START, state.startType);
    EXPECT_TRUE(spy.Within(kConnect, kRead));

    // Each request: the state first, then the one right it needs.
    EXPECT_TRUE(svc::Pause(info));
    EXPECT_TRUE(spy.Within(kConnect, SERVICE_QUERY_STATUS | SERVICE_PAUSE_CONTINUE));
    ASSERT_TRUE(WaitForServiceState(kPausable, SERVICE_PAUSED));
    spy.Take();  // the test's own opens
    EXPECT_TRUE(svc::Continue(info));
    EXPECT_TRUE(spy.Within(kConnect, SERVICE_QUERY_STATUS | SERVICE_PAUSE_CONTINUE));
    ASSERT_TRUE(WaitForServiceState(kPausable, SERVICE_RUNNING));
    spy.Take();
    EXPECT_TRUE(svc::Stop(info));
    EXPECT_TRUE(spy.Within(kConnect, SERVICE_QUERY_STATUS | SERVICE_STOP));
    ASSERT_TRUE(WaitForServiceState(kPausable, SERVICE_STOPPED));
    spy.Take();
    EXPECT_TRUE(svc::SetStartType(info, SERVICE_DEMAND_START));
    EXPECT_TRUE(spy.Within(kConnect, SERVICE_CHANGE_CONFIG));
    // What the job runs.
    svc::ServiceJobResult result = svc::RunServiceCommand(kPausable, 0, ID_SERVICE_START, 10000, nullptr);
    EXPECT_TRUE(result.success);
    EXPECT_TRUE(spy.Within(kConnect, kRead | SERVICE_START));
}

// ---- Services that do not answer ------------------------------------------------

TEST_F(ServiceControlTest, StateQueriesNeverWaitForAServiceThatDoesNotAnswer) {
    ASSERT_TRUE(testutil::StartServiceNow(kHung));
    ASSERT_TRUE(WaitForServiceState(kHung, SERVICE_RUNNING));
    // On a thread of its own, so that a query that waits for the service
    // (the manager waits seconds for its answer) shows as one that has not
    // come back within the bound, rather than as a hung test.
    struct Query {
        UniqueHandle done{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
        svc::ToolbarState buttons;
        bool running = false;
        static unsigned __stdcall Run(void* param) {
            auto* q = static_cast<Query*>(param);
            ServiceInfo info = ServiceControlTest::Record(kHung);
            q->buttons = svc::QueryToolbarState(&info);
            q->running = svc::IsRunning(info);
            ::SetEvent(q->done.get());
            return 0;
        }
    } query;
    UniqueHandle thread(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, &Query::Run, &query, 0, nullptr)));
    ASSERT_TRUE(thread);
    const bool answered = ::WaitForSingleObject(query.done.get(), 5000) == WAIT_OBJECT_0;
    // Lets a waiting query end before the thread's data goes.
    ReleaseAll();
    ::WaitForSingleObject(thread.get(), 30000);
    ASSERT_TRUE(answered);
    EXPECT_TRUE(query.buttons.stop && query.buttons.pause && !query.buttons.start);
    EXPECT_TRUE(query.running);
}

TEST_F(ServiceControlTest, AJobReportsTheFailureOfAServiceThatNeverGetsThereAndLeavesTheCallerFree) {
    svc::ServiceControlJob job(1500);
    testutil::RecordingWindow notify("QmServiceJobNotify");
    ASSERT_TRUE(job.Start(notify.Handle(), kPending, 0, ID_SERVICE_START));
    // Back at once, while the job waits for the service.
    EXPECT_TRUE(job.IsRunning());
    EXPECT_FALSE(job.Start(notify.Handle(), kPausable, 0, ID_SERVICE_START));  // one at a time
    ASSERT_TRUE(WaitUntil([&] { return notify.IndexOf(WM_SERVICE_JOB_DONE) != -1; }, 20000));
    EXPECT_FALSE(job.IsRunning());
    svc::ServiceJobResult result;
    ASSERT_TRUE(job.TakeResult(result));
    EXPECT_FALSE(job.TakeResult(result));
    EXPECT_EQ(kPending, result.serviceName);
    EXPECT_FALSE(result.success);
    EXPECT_EQ("Service failed to start", svc::ResultText(result));
    EXPECT_TRUE(result.stateRead);
    EXPECT_EQ(SERVICE_START_PENDING, result.state.currentState);

    // Stopped (the window ends) while it waits: it ends within the bound and
    // reports nothing.
    ReleaseAll();
    StopServiceAndWait(kPending);
    ASSERT_EQ(static_cast<DWORD>(SERVICE_STOPPED), ServiceState(kPending));
    ::ResetEvent(pendingRelease_.get());
    svc::ServiceControlJob longJob(60000);
    notify.messages.clear();
    ASSERT_TRUE(longJob.Start(notify.Handle(), kPending, 0, ID_SERVICE_START));
    ASSERT_TRUE(WaitUntil([] { return ServiceState(kPending) == SERVICE_START_PENDING; }));
    EXPECT_TRUE(longJob.Stop(5000));
    testutil::DispatchWaiting();
    EXPECT_EQ(-1, notify.IndexOf(WM_SERVICE_JOB_DONE));
    EXPECT_FALSE(longJob.TakeResult(result));
}

TEST_F(ServiceControlTest, AJobTakesEachCommandToTheStateItAsksFor) {
    svc::ServiceControlJob job;
    testutil::RecordingWindow notify("QmServiceJobNotify2");
    auto run = [&](const char* name, int kind, int command) {
        notify.messages.clear();
        svc::ServiceJobResult result;
        result.commandId = -1;
        if (!job.Start(notify.Handle(), name, kind, command)) return result;
        if (WaitUntil([&] { return notify.IndexOf(WM_SERVICE_JOB_DONE) != -1; }, 30000)) job.TakeResult(result);
        return result;
    };
    svc::ServiceJobResult r = run(kPausable, 0, ID_SERVICE_START);
    EXPECT_EQ("Service started", svc::ResultText(r));
    EXPECT_EQ(SERVICE_RUNNING, r.state.currentState);
    DWORD pidBefore = 0, pidAfter = 0;
    ServiceState(kPausable, &pidBefore);

    r = run(kPausable, 0, ID_SERVICE_PAUSE);
    EXPECT_EQ("Service paused", svc::ResultText(r));
    EXPECT_EQ(SERVICE_PAUSED, r.state.currentState);
    r = run(kPausable, 0, ID_SERVICE_START);  // continues a paused service
    EXPECT_EQ("Service started", svc::ResultText(r));
    EXPECT_EQ(SERVICE_RUNNING, r.state.currentState);
    r = run(kPausable, 0, ID_SERVICE_RESTART);
    EXPECT_EQ("Service restarted", svc::ResultText(r));
    EXPECT_EQ(SERVICE_RUNNING, r.state.currentState);
    ServiceState(kPausable, &pidAfter);
    EXPECT_NE(pidBefore, pidAfter);

    // Refused requests fail at once; the manager's own answer decides.
    r = run(kNoPause, 0, ID_SERVICE_PAUSE);
    EXPECT_EQ("Service failed to pause", svc::ResultText(r));
    r = run(kPausable, 1, ID_SERVICE_START);  // already running
    EXPECT_EQ("Driver failed to start", svc::ResultText(r));

    r = run(kPausable, 0, ID_STARTUP_DISABLED);
    EXPECT_EQ("Set service startup to disabled", svc::ResultText(r));
    EXPECT_EQ(SERVICE_DISABLED, r.state.startType);
    r = run(kPausable, 0, ID_SERVICE_STOP);
    EXPECT_EQ("Service stopped", svc::ResultText(r));
    EXPECT_EQ(SERVICE_STOPPED, r.state.currentState);
    r = run(kPausable, 0, ID_STARTUP_MANUAL);
    EXPECT_EQ(SERVICE_DEMAND_START, r.state.startType);

    // Boot and system are for drivers only; other ids are no commands.
    EXPECT_FALSE(job.Start(notify.Handle(), kPausable, 0, ID_STARTUP_BOOT));
    EXPECT_FALSE(job.Start(notify.Handle(), kPausable, 0, ID_PROGRAM_KILL));
    EXPECT_FALSE(job.Start(notify.Handle(), "", 0, ID_SERVICE_START));
}

TEST(ServiceCommandTexts, DriversHaveTheirOwnWords) {
    EXPECT_EQ("Driver failed to continue", svc::CommandText(svc::Command::Continue, 1, false));
    EXPECT_EQ("Driver restarted", svc::CommandText(svc::Command::Restart, 1, true));
    EXPECT_EQ("Service failed to restart", svc::CommandText(svc::Command::Restart, 0, false));
    EXPECT_EQ("Set driver startup to disabled", svc::StartTypeCommandText(1, 4));
    EXPECT_EQ("", svc::StartTypeCommandText(1, 0));
    EXPECT_EQ("", svc::StartTypeCommandText(0, 5));
    EXPECT_EQ("Driver failed to pause", svc::CommandResultText(ID_SERVICE_PAUSE, 1, false));
    EXPECT_EQ("Set service startup to manual", svc::CommandResultText(ID_STARTUP_MANUAL, 0, false));
    EXPECT_EQ("", svc::CommandResultText(ID_STARTUP_SYSTEM, 1, true));
    EXPECT_EQ("", svc::CommandResultText(ID_PROGRAM_KILL, 0, true));
    EXPECT_EQ("Restarting driver...", svc::CommandProgressText(ID_SERVICE_RESTART, 1));
    EXPECT_EQ("Setting service startup...", svc::CommandProgressText(ID_STARTUP_AUTOMATIC, 0));
}

}  // namespace
