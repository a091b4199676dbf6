// Service control against a real service: the test service is installed into
// the prefix's service manager for this program and removed afterwards.
#include "actions/ServiceControl.h"

#include <gtest/gtest.h>

#include <string>

#include "TestServices.h"
#include "TestUtil.h"
#include "base/Handles.h"
#include "resource.h"

namespace {

using testutil::WaitUntil;

constexpr const char* kPausable = "QuillmarkTestSvc";
constexpr const char* kNoPause = "QuillmarkTestSvcNoPause";

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
        installed_ = InstallService(kPausable, "\"" + ServiceExe() + "\"") &&
                     InstallService(kNoPause, "\"" + ServiceExe() + "\" nopause");
    }
    static void TearDownTestSuite() {
        RemoveService(kPausable);
        RemoveService(kNoPause);
    }
    void SetUp() override {
        ASSERT_TRUE(installed_);
        StopServiceAndWait(kPausable);
        StopServiceAndWait(kNoPause);
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
};
bool ServiceControlTest::installed_ = false;

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

TEST(ServiceCommandTexts, DriversHaveTheirOwnWords) {
    EXPECT_EQ("Driver failed to continue", svc::CommandText(svc::Command::Continue, 1, false));
    EXPECT_EQ("Driver restarted", svc::CommandText(svc::Command::Restart, 1, true));
    EXPECT_EQ("Service failed to restart", svc::CommandText(svc::Command::Restart, 0, false));
    EXPECT_EQ("Set driver startup to disabled", svc::StartTypeCommandText(1, 4));
    EXPECT_EQ("", svc::StartTypeCommandText(1, 0));
    EXPECT_EQ("", svc::StartTypeCommandText(0, 5));
}

}  // namespace
