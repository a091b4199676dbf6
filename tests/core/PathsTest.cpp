#include <gtest/gtest.h>

#include "core/AppPaths.h"
#include "core/Text.h"
#include "TestUtil.h"

namespace {

TEST(Paths, FolderHelpersKeepExactlyOneTrailingBackslash) {
    EXPECT_EQ("C:\\Program Files\\Quillmark\\", FolderOfPath("C:\\Program Files\\Quillmark\\Quillmark.exe"));
    EXPECT_EQ("", FolderOfPath("Quillmark.exe"));
    EXPECT_EQ("C:\\x\\", WithTrailingBackslash("C:\\x"));
    EXPECT_EQ("C:\\x\\", WithTrailingBackslash("C:\\x\\"));
    EXPECT_EQ("C:\\Program Files\\Ornava Utilities\\Common\\", CommonDataFolderUnder("C:\\Program Files"));
    EXPECT_EQ("C:\\Program Files\\Ornava Utilities\\Common\\", CommonDataFolderUnder("C:\\Program Files\\"));
    EXPECT_EQ("", CommonDataFolderUnder(""));
    EXPECT_EQ("Quillmark.exe", FileNameOf("C:\\a\\Quillmark.exe"));
    EXPECT_EQ("Quillmark", FileTitleOfPath("C:\\a.b\\Quillmark.exe"));
    EXPECT_EQ("noext", FileTitleOfPath("noext"));
}

TEST(Paths, LiveFoldersAreLongAndEndInBackslash) {
    std::string program = ProgramFolder();
    ASSERT_FALSE(program.empty());
    EXPECT_EQ('\\', program.back());
    EXPECT_EQ(testutil::ExeFolder(), program);
    EXPECT_EQ(std::string::npos, program.find('~'));  // long form, not 8.3
    EXPECT_EQ(program + "HTML\\", HtmlWorkFolder());
    std::string common = CommonDataFolder();
    EXPECT_NE(std::string::npos, common.find("\\Ornava Utilities\\Common\\"));
}

}  // namespace
