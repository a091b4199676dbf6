// Services and drivers of the Wine prefix, and records the test creates.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include "SysinfoTestUtil.h"
#include "sysinfo/ServiceInfo.h"

namespace {

const char* kTestService = "QmSysinfoTestSvc";
const char* kTestDriver = "QmSysinfoTestDrv";

void DeleteIfPresent(SC_HANDLE manager, const char* name) {
    ServiceHandle s(::OpenServiceA(manager, name, DELETE));
    if (s) ::DeleteService(s.get());
}

// Creates a service with two dependencies and a description, and a driver
// whose path starts with "\SystemRoot"; removes both at the end.
struct CreatedServices : ::testing::Test {
    ServiceHandle manager;
    void SetUp() override {
        manager.reset(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        ASSERT_TRUE(manager);
        DeleteIfPresent(manager.get(), kTestService);
        DeleteIfPresent(manager.get(), kTestDriver);
        std::string path = "\"" + TestChildExe() + "\"";
        std::wstring widePath(path.begin(), path.end());
        // The wide call: this Wine's CreateServiceA garbles a dependency
        // list after its first name.
        ServiceHandle svc(::CreateServiceW(manager.get(), L"QmSysinfoTestSvc", L"Quillmark sysinfo test service",
                                           SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                           SERVICE_ERROR_SEVERE, widePath.c_str(), nullptr, nullptr,
                                           L"RpcSs\0PlugPlay\0", nullptr, nullptr));
        ASSERT_TRUE(svc) << ::GetLastError();
        SERVICE_DESCRIPTIONA desc{const_cast<char*>("Listens for nothing at all")};
        ASSERT_TRUE(::ChangeServiceConfig2A(svc.get(), SERVICE_CONFIG_DESCRIPTION, &desc));
        ServiceHandle drv(::CreateServiceA(manager.get(), kTestDriver, "Quillmark sysinfo test driver",
                                           SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER, SERVICE_DISABLED,
                                           SERVICE_ERROR_IGNORE, "\\SystemRoot\\system32\\drivers\\mountmgr.sys",
                                           nullptr, nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(drv) << ::GetLastError();
    }
    void TearDown() override {
        if (!manager) return;
        DeleteIfPresent(manager.get(), kTestService);
        DeleteIfPresent(manager.get(), kTestDriver);
    }
};

const ServiceInfo* Named(const std::vector<ServiceInfo>& list, const char* name) {
    auto it = std::find_if(list.begin(), list.end(), [&](const ServiceInfo& s) { return s.serviceName == name; });
    return it == list.end() ? nullptr : &*it;
}

TEST_F(CreatedServices, ServiceListShowsDependenciesDescriptionAndTexts) {
    std::vector<ServiceInfo> services;
    ASSERT_TRUE(LoadServices(0, "", services));
    EXPECT_GT(services.size(), 5u);
    for (const ServiceInfo& s : services) {
        EXPECT_EQ(0, s.kind);
        EXPECT_FALSE(s.serviceName.empty());
        EXPECT_FALSE(s.imagePath.empty()) << s.serviceName;
        EXPECT_NE("<unknown>", s.stateText) << s.serviceName;
        EXPECT_NE("Unknown", s.startTypeText) << s.serviceName;
    }
    EXPECT_EQ(nullptr, Named(services, kTestDriver));  // drivers are not services

    const ServiceInfo* mine = Named(services, kTestService);
    ASSERT_NE(nullptr, mine);
    EXPECT_EQ("Quillmark sysinfo test service", mine->displayName);
    EXPECT_EQ("RpcSs PlugPlay", mine->dependencies);
    EXPECT_EQ("Listens for nothing at all", mine->description);
    EXPECT_EQ("Stopped", mine->stateText);
    EXPECT_EQ(1, mine->currentState);
    EXPECT_EQ("Manual", mine->startTypeText);
    EXPECT_EQ(0, mine->isAutoStart);
    EXPECT_EQ("Severe", mine->errorControlText);
    EXPECT_EQ("\"" + TestChildExe() + "\"", mine->binaryPath);
    EXPECT_EQ(0, _stricmp(LongFormOf(TestChildExe()).c_str(), mine->imagePath.c_str())) << mine->imagePath;
    EXPECT_FALSE(mine->managerHandle);

    // A service without dependencies or description has empty texts.
    const ServiceInfo* plugplay = Named(services, "PlugPlay");
    if (plugplay) {
        EXPECT_EQ("", plugplay->dependencies);
    }
}

TEST_F(CreatedServices, DriverPathUnderSystemRootBecomesAFullPath) {
    ServiceList drivers;
    ASSERT_TRUE(drivers.Load(1));
    EXPECT_EQ(1, drivers.Kind());
    const ServiceInfo* mine = Named(drivers.Records(), kTestDriver);
    ASSERT_NE(nullptr, mine);
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    std::string expected = LongFormOf(std::string(windows) + "\\system32\\drivers\\mountmgr.sys");
    EXPECT_EQ(0, _stricmp(expected.c_str(), mine->imagePath.c_str())) << mine->imagePath;
    EXPECT_EQ(expected.size(), mine->IconPath().size());
    EXPECT_EQ("Disabled", mine->startTypeText);
    EXPECT_EQ("Ignore", mine->errorControlText);
    EXPECT_EQ(nullptr, drivers.Find(drivers.Count()));
    ASSERT_NE(nullptr, drivers.Find(0));
    EXPECT_EQ(1, drivers.Find(0)->kind);
    EXPECT_FALSE(drivers.Load(7));  // only kinds 0 and 1
    EXPECT_EQ(0u, drivers.Count());
}

TEST_F(CreatedServices, RefreshReReadsStateAndStartType) {
    ServiceInfo info;
    info.serviceName = kTestService;
    EXPECT_TRUE(info.RefreshStateText());
    EXPECT_EQ("Stopped", info.stateText);
    {
        ServiceHandle svc(::OpenServiceA(manager.get(), kTestService, SERVICE_CHANGE_CONFIG));
        ASSERT_TRUE(svc);
        ASSERT_TRUE(::ChangeServiceConfigA(svc.get(), SERVICE_NO_CHANGE, SERVICE_AUTO_START, SERVICE_NO_CHANGE,
                                           nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    }
    ASSERT_TRUE(info.RefreshStartType());
    EXPECT_EQ(2, info.startType);
    EXPECT_EQ("Automatic", info.startTypeText);

    ServiceInfo missing;
    missing.serviceName = "QmNoSuchService";
    missing.stateText = "Running";
    EXPECT_FALSE(missing.RefreshStateText());
    EXPECT_EQ("Stopped", missing.stateText);
    EXPECT_FALSE(missing.RefreshStartType());
    EXPECT_EQ("", ServiceDescription("QmNoSuchService"));
}

TEST(ServiceTexts, TablesAndTheirOutOfRangeCodes) {
    EXPECT_EQ("Stopped", StateText(1));
    EXPECT_EQ("Paused", StateText(7));
    EXPECT_EQ("<unknown>", StateText(8));
    EXPECT_EQ("<unknown>", StateText(0));
    EXPECT_EQ("Boot", StartTypeText(0));
    EXPECT_EQ("Disabled", StartTypeText(4));
    EXPECT_EQ("Unknown", StartTypeText(5));
    EXPECT_EQ("Critical", ErrorControlText(3));
    EXPECT_EQ("Unknown", ErrorControlText(4));
}

TEST(ServiceTexts, DependencyListsAndIconPaths) {
    EXPECT_EQ("", JoinDependencies("\0", 2));
    EXPECT_EQ("", JoinDependencies(nullptr, 10));
    EXPECT_EQ("A B", JoinDependencies("A\0B\0\0", 5));
    // A list without its final empty name stops at the buffer's end.
    EXPECT_EQ("Ab Cd", JoinDependencies("Ab\0Cd", 5));

    ServiceInfo s;
    s.imagePath = "\"C:\\Program Files\\x.exe\" -run";
    EXPECT_EQ("C:\\Program Files\\x.exe", s.IconPath());
    s.imagePath = "\"C:\\only one quote";
    EXPECT_EQ("\"C:\\only one quote", s.IconPath());
    s.imagePath = "C:\\plain.exe";
    EXPECT_EQ("C:\\plain.exe", s.IconPath());
}

TEST(ServiceInfoCopy, CopiesShareTheIconButNeverTheManagerHandle) {
    ServiceInfo original;
    original.serviceName = "x";
    original.managerHandle.reset(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    ASSERT_TRUE(original.managerHandle);
    original.icon.reset(::CopyIcon(::LoadIconA(nullptr, IDI_APPLICATION)));
    ASSERT_TRUE(original.icon);

    auto copy = std::make_unique<ServiceInfo>(original);
    EXPECT_FALSE(copy->managerHandle);
    EXPECT_EQ(original.icon.get(), copy->icon.get());
    ServiceInfo assigned;
    assigned = original;
    EXPECT_FALSE(assigned.managerHandle);
    EXPECT_TRUE(original.managerHandle);

    HICON icon = original.icon.get();
    original = ServiceInfo();  // the original goes; the copies keep the icon
    ICONINFO ii{};
    ASSERT_TRUE(::GetIconInfo(icon, &ii));
    if (ii.hbmColor) ::DeleteObject(ii.hbmColor);
    if (ii.hbmMask) ::DeleteObject(ii.hbmMask);
    copy.reset();
    assigned = ServiceInfo();  // last share: the icon is destroyed
    EXPECT_FALSE(::GetIconInfo(icon, &ii));
}

// Another thread of the program (the view update, a service command) opens
// and closes its own manager connections all the time; under Wine that can
// leave a connection held meanwhile stale. Nothing read through a held
// connection may be lost to it.
struct OtherThreadsConnections : ::testing::Test {
    std::atomic<bool> stop{false};
    std::thread churn;
    void SetUp() override {
        churn = std::thread([this] {
            while (!stop) {
                ServiceHandle m(::OpenSCManagerA(nullptr, nullptr, kManagerListAccess));
                if (m) ServiceHandle s(::OpenServiceA(m.get(), "RpcSs", SERVICE_QUERY_STATUS));
            }
        });
    }
    void TearDown() override {
        stop = true;
        churn.join();
    }
};

TEST_F(OtherThreadsConnections, HeldConnectionStillOpensServices) {
    ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    ASSERT_TRUE(manager);
    auto query = [](SC_HANDLE service) {
        SERVICE_STATUS status{};
        return ::QueryServiceStatus(service, &status) != FALSE;
    };
    int failed = 0;
    for (int i = 0; i < 400; ++i)
        if (!WithService(manager, "RpcSs", SERVICE_QUERY_STATUS, query)) ++failed;
    EXPECT_EQ(0, failed);
    // A refusal is not retried into a success, and its error is kept.
    EXPECT_FALSE(WithService(manager, "QmNoSuchServiceAtAll", SERVICE_QUERY_STATUS, query));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), ::GetLastError());
}

TEST_F(OtherThreadsConnections, ServiceListLosesNoService) {
    stop = true;
    churn.join();
    std::vector<ServiceInfo> quiet;
    ASSERT_TRUE(LoadServices(0, "", quiet));
    ASSERT_FALSE(quiet.empty());
    stop = false;
    SetUp();
    for (int round = 0; round < 5; ++round) {
        std::vector<ServiceInfo> busy;
        ASSERT_TRUE(LoadServices(0, "", busy));
        EXPECT_EQ(quiet.size(), busy.size()) << "round " << round;
    }
}

}  // namespace
