// The Windows version chooses the process-list path. Wine can pretend to be
// another version for one executable name, so this test runs copies of its
// own program under such names and lets each copy check what it sees.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ProcessUtil.h"
#include "TestUtil.h"
#include "platform/Registry.h"
#include "sysinfo/ProcessHelpers.h"
#include "sysinfo/SystemSnapshot.h"

namespace {

const char* kExpectVariable = "QM_EXPECT_OS_VERSION";

// Runs inside a copy: checks the flags for the version it was given and
// that the path they choose lists this process with its image path.
TEST(OsFamilyProbe, SeesTheVersionItWasGiven) {
    char expected[32] = {};
    if (!::GetEnvironmentVariableA(kExpectVariable, expected, sizeof(expected))) GTEST_SKIP() << "run by OsFamily.*";
    const OsFamily& os = CurrentOsFamily();
    std::string v = expected;
    EXPECT_EQ(v == "nt40", os.nt4);
    EXPECT_EQ(v == "win2k", os.windows2000);
    EXPECT_EQ(v == "winxp", os.windowsXp);
    LoadSystemEntryPoints();
    ProcessImageList list;
    ASSERT_TRUE(LoadProcessImageList(list));
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    bool found = false;
    for (const auto& p : list.items) {
        if (p.pid != ::GetCurrentProcessId()) continue;
        found = true;
        EXPECT_EQ(0, _stricmp(p.imagePath.c_str(), self)) << p.imagePath;
        EXPECT_GT(p.threadCount, 0);
    }
    EXPECT_TRUE(found);
}

TEST(OsFamily, EachEmulatedVersionChoosesItsPath) {
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    testutil::ScratchDir dir;
    for (const char* version : {"nt40", "win2k", "winxp", "win7"}) {
        std::string name = std::string("qmosfamily") + version + ".exe";
        std::string copy = dir.File(name);
        ASSERT_TRUE(::CopyFileA(self, copy.c_str(), FALSE));
        std::string key = "Software\\Wine\\AppDefaults\\" + name;
        ASSERT_TRUE(reg::WriteString(HKEY_CURRENT_USER, key, "Version", version));
        ::SetEnvironmentVariableA(kExpectVariable, version);
        testutil::ChildProcess child;
        ASSERT_TRUE(child.Start(copy, "--gtest_filter=OsFamilyProbe.*"));
        DWORD code = 1;
        EXPECT_TRUE(child.WaitExit(60000, &code)) << version;
        EXPECT_EQ(0u, code) << version;
        ::SetEnvironmentVariableA(kExpectVariable, nullptr);
        reg::DeleteTree(HKEY_CURRENT_USER, key);
    }
}

}  // namespace
