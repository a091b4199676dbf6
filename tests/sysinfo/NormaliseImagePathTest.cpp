// Cleaning of stored image paths, against real files in the prefix.
#include <gtest/gtest.h>

#include "SysinfoTestUtil.h"
#include "TestUtil.h"
#include "sysinfo/ProcessHelpers.h"

namespace {

std::string WindowsDir() {
    char buf[MAX_PATH] = {};
    ::GetWindowsDirectoryA(buf, MAX_PATH);
    return buf;
}

std::string SystemDir() {
    char buf[MAX_PATH] = {};
    ::GetSystemDirectoryA(buf, MAX_PATH);
    return buf;
}

bool SamePath(const std::string& a, const std::string& b) { return _stricmp(a.c_str(), b.c_str()) == 0; }

// A scratch folder whose path has no "-" or "/" (the cleaning cuts at those).
class PlainDir {
public:
    PlainDir() {
        char tmp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, tmp);
        path_ = LongFormOf(tmp);
        if (!path_.empty() && path_.back() != '\\') path_ += '\\';
        path_ += "qmnorm" + std::to_string(::GetCurrentProcessId()) + "\\";
        ::CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~PlainDir() { testutil::DeleteTreeOnDisk(path_); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

TEST(NormaliseImagePath, SystemRootAndSystem32PrefixesBecomeFullPaths) {
    std::string mountmgr = LongFormOf(WindowsDir() + "\\system32\\drivers\\mountmgr.sys");
    ASSERT_TRUE(testutil::FileExists(mountmgr));
    EXPECT_PRED2(SamePath, mountmgr, NormaliseImagePath("\\SystemRoot\\system32\\drivers\\mountmgr.sys"));
    EXPECT_PRED2(SamePath, mountmgr, NormaliseImagePath("System32\\drivers\\mountmgr.sys"));
    EXPECT_PRED2(SamePath, mountmgr, NormaliseImagePath("system32\\drivers\\mountmgr.sys"));
    EXPECT_PRED2(SamePath, mountmgr, NormaliseImagePath("\\??\\" + mountmgr));
    // "System32\" only counts at the very start, and the test is case-sensitive.
    EXPECT_EQ("x\\System32\\y.sys", NormaliseImagePath("x\\System32\\y.sys"));
    EXPECT_EQ("SYSTEM32\\nothing.sys", NormaliseImagePath("SYSTEM32\\nothing.sys"));
}

TEST(NormaliseImagePath, QuotesArgumentsAndServiceHostGroups) {
    PlainDir dir;
    ASSERT_EQ(std::string::npos, dir.Path().find('-'));
    std::string folder = dir.Path() + "with space";
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
    std::string exe = folder + "\\prog.exe";
    ASSERT_TRUE(testutil::WriteFileBytes(exe, "MZ"));

    EXPECT_EQ(exe, NormaliseImagePath("\"" + exe + "\""));
    // The quote test looks at the last character of the whole text: a quoted
    // path followed by an argument keeps its quotes.
    EXPECT_EQ("\"" + exe + "\" -arg", NormaliseImagePath("\"" + exe + "\" -arg"));
    EXPECT_EQ("\"" + exe + "\"", NormaliseImagePath("\"" + exe + "\" /run"));

    std::string svchost = LongFormOf(SystemDir() + "\\svchost.exe");
    EXPECT_PRED2(SamePath, svchost, NormaliseImagePath(svchost + " -k netsvcs"));
    EXPECT_EQ(exe, NormaliseImagePath(exe + " /service"));
    EXPECT_EQ(exe, NormaliseImagePath(exe + " -service"));
    // A dash after which no file is named before it stays.
    EXPECT_EQ(dir.Path() + "a-b.txt", NormaliseImagePath(dir.Path() + "a-b.txt"));
}

TEST(NormaliseImagePath, GainsExeOnlyWhenThatFileExists) {
    PlainDir dir;
    std::string base = dir.Path();
    ASSERT_TRUE(testutil::WriteFileBytes(base + "tool.exe", "MZ"));
    EXPECT_EQ(base + "tool.exe", NormaliseImagePath(base + "tool"));
    EXPECT_EQ(base + "absent", NormaliseImagePath(base + "absent"));
    ASSERT_TRUE(testutil::WriteFileBytes(base + "plain", "x"));
    EXPECT_EQ(base + "plain", NormaliseImagePath(base + "plain"));  // exists as it is
    EXPECT_EQ("", NormaliseImagePath(""));
}

TEST(NormaliseImagePath, ShortNamesBecomeLongNames) {
    testutil::ScratchDir dir;
    std::string folder = LongFormOf(dir.Path()) + "A rather long folder name";
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
    std::string exe = folder + "\\Program With Long Name.exe";
    ASSERT_TRUE(testutil::WriteFileBytes(exe, "MZ"));
    char shortPath[MAX_PATH] = {};
    ASSERT_GT(::GetShortPathNameA(exe.c_str(), shortPath, MAX_PATH), 0u);
    EXPECT_EQ(exe, NormaliseImagePath(shortPath));
}

}  // namespace

namespace {

TEST(PlainImagePath, OnlyPathsTheCleaningWouldLeaveAsTheyAreSkipIt) {
    const std::string notepad = SystemDir() + "\\notepad.exe";
    ASSERT_TRUE(testutil::FileExists(notepad));
    EXPECT_TRUE(IsPlainImagePath(notepad));
    EXPECT_TRUE(SamePath(notepad, NormaliseImagePath(notepad)));
    EXPECT_TRUE(IsPlainImagePath("C:\\Program Files\\Vendor Name\\app.EXE"));
    EXPECT_TRUE(IsPlainImagePath("d:\\a-b\\c.exe"));  // a dash inside a name is no argument

    for (const char* path : {"", "notepad.exe", "C:notepad.exe", "\\SystemRoot\\system32\\x.exe",
                             "system32\\svchost.exe", "\"C:\\x\\y.exe\"", "\\??\\C:\\x\\y.exe", "C:\\PROGRA~1\\x.exe",
                             "C:\\x\\svchost.exe -k netsvcs", "C:\\x\\y.exe /service", "C:\\x\\driver.sys",
                             "C:\\x\\noext", "C:\\x\\\\y.exe", "C:\\x\\"}) {
        EXPECT_FALSE(IsPlainImagePath(path)) << path;
    }
}

}  // namespace
