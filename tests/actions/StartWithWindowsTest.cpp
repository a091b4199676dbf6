#include "actions/StartWithWindows.h"

#include <gtest/gtest.h>

#include "platform/Registry.h"

namespace {

// Keeps whatever the Run value held before the test and puts it back after.
class StartWithWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        hadValue_ = reg::ReadString(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, saved_);
        reg::DeleteValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName);
    }
    void TearDown() override {
        if (hadValue_)
            reg::WriteString(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, saved_);
        else
            reg::DeleteValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName);
    }
    static std::string RunValue() {
        std::string value = "<missing>";
        reg::ReadString(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, value);
        return value;
    }
    static std::string OwnLongPath() {
        char path[MAX_PATH] = {}, longPath[MAX_PATH] = {};
        ::GetModuleFileNameA(nullptr, path, MAX_PATH);
        ::GetLongPathNameA(path, longPath, MAX_PATH);
        return longPath;
    }

private:
    bool hadValue_ = false;
    std::string saved_;
};

TEST_F(StartWithWindowsTest, SetWritesTheLongPathOverAnOldOne) {
    EXPECT_FALSE(IsStartWithWindows());
    // A path left from where the program was before it was moved.
    reg::WriteString(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, "C:\\Old\\Place\\Quillmark.exe");
    EXPECT_TRUE(IsStartWithWindows());
    ASSERT_TRUE(SetStartWithWindows(true));
    EXPECT_EQ(RunValueForPath(OwnLongPath()), RunValue());
    EXPECT_TRUE(IsStartWithWindows());
}

TEST(StartWithWindowsValue, APathWithSpacesIsQuoted) {
    // Unquoted, the system would try "C:\Program.exe" first.
    EXPECT_EQ("\"C:\\Program Files\\Ornava Utilities\\Quillmark\\Quillmark.exe\"",
              RunValueForPath("C:\\Program Files\\Ornava Utilities\\Quillmark\\Quillmark.exe"));
    EXPECT_EQ("C:\\Tools\\Quillmark.exe", RunValueForPath("C:\\Tools\\Quillmark.exe"));
}

TEST_F(StartWithWindowsTest, EmptyValueCountsAsOffAndALongOneAsOn) {
    reg::WriteString(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, "");
    EXPECT_FALSE(IsStartWithWindows());
    // Longer than the read buffer: still a value that is set.
    reg::WriteString(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, "C:\\" + std::string(400, 'x') + ".exe");
    EXPECT_TRUE(IsStartWithWindows());
}

TEST_F(StartWithWindowsTest, ClearRemovesTheValueAndAMissingValueIsNoError) {
    ASSERT_TRUE(SetStartWithWindows(true));
    EXPECT_TRUE(SetStartWithWindows(false));
    EXPECT_EQ("<missing>", RunValue());
    EXPECT_FALSE(IsStartWithWindows());
    EXPECT_TRUE(SetStartWithWindows(false));
}

}  // namespace
