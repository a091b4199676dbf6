// Version strings, file details and library versions.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <vector>

#include "SysinfoTestUtil.h"
#include "TestUtil.h"
#include "base/Handles.h"
#include "sysinfo/FileVersion.h"

namespace {

TEST(VersionInfoReader, ReadsTheStringsOfAKnownVersionResource) {
    VersionInfoReader reader;
    ASSERT_TRUE(reader.Open(TestChildExe()));
    EXPECT_EQ(0x040904B0u, reader.DefaultKey());
    EXPECT_EQ("Quillmark Test Makers", reader.CompanyName());
    EXPECT_EQ("Sleeping test child", reader.FileDescription());
    EXPECT_EQ("Quillmark Test Child", reader.ProductName());
    EXPECT_EQ("3.14 beta", reader.ProductVersion());
    EXPECT_EQ("", reader.Query("NoSuchValue"));
    EXPECT_EQ("", reader.Query("CompanyName", 0x04070000));  // another translation
    EXPECT_EQ("\\StringFileInfo\\040904b0\\CompanyName", VersionInfoReader::SubBlockPath(0x040904B0, "CompanyName"));
    reader.Close();
    EXPECT_EQ("", reader.CompanyName());
    EXPECT_EQ(0u, reader.DefaultKey());
    EXPECT_FALSE(reader.Open(TestChildExe() + ".missing"));
    EXPECT_FALSE(reader.OpenBytes("garbage", 7));
}

TEST(FileDetails, VersionDataSizeAndTime) {
    FileDetails d;
    ASSERT_TRUE(ReadFileDetails(TestChildExe(), d));
    EXPECT_EQ("Quillmark Test Makers", d.company);
    EXPECT_EQ("Sleeping test child", d.description);
    EXPECT_EQ(d.description, d.title);
    EXPECT_EQ("3.14 beta", d.productVersion);
    EXPECT_EQ("Quillmark Test Child", d.productName);
    EXPECT_NE(std::string::npos, d.size.find(" KB"));
    // "%m/%d/%Y %I:%M %p": e.g. "12/07/2026 08:41 AM".
    ASSERT_EQ(19u, d.modified.size()) << d.modified;
    EXPECT_EQ('/', d.modified[2]);
    EXPECT_TRUE(d.modified.substr(17) == "AM" || d.modified.substr(17) == "PM") << d.modified;

    EXPECT_FALSE(ReadFileDetails("", d));
    EXPECT_FALSE(ReadFileDetails(TestChildExe() + ".missing", d));
}

TEST(FileDetails, SizeTextsAtTheKilobyteEdges) {
    testutil::ScratchDir dir;
    struct Case {
        size_t bytes;
        const char* text;
    } cases[] = {{0, "0 bytes"}, {1024, "1024 bytes"}, {1025, "1 KB"}, {1048576, "1024 KB"}};
    for (const Case& c : cases) {
        std::string file = dir.File("f" + std::to_string(c.bytes));
        ASSERT_TRUE(testutil::WriteFileBytes(file, std::string(c.bytes, 'z')));
        FileDetails d;
        ASSERT_TRUE(ReadFileDetails(file, d));
        EXPECT_EQ(c.text, d.size);
        // No version resource: the strings stay empty, size and time do not.
        EXPECT_EQ("", d.company);
        EXPECT_EQ("", d.productVersion);
        EXPECT_FALSE(d.modified.empty());
        EXPECT_NE("<unknown>", d.modified);
    }
    EXPECT_EQ("5242880 KB", SizeText(5368709120ull));  // above 4 GB
}

TEST(FileDetails, TimeTextFormatsLocalTime) {
    time_t t = 86400 * 365;  // 1971-01-01 00:00 UTC
    std::string year = TimeText(t, "%Y");
    EXPECT_TRUE(year == "1970" || year == "1971") << year;
    EXPECT_EQ("", TimeText(t, ""));
    EXPECT_EQ("", TimeText(t, nullptr));
}

TEST(ModuleVersion, FromDllGetVersionOrTheFixedVersion) {
    // comctl32 exports DllGetVersion; kernel32 does not and has a fixed version.
    long comctl = ModuleVersion("comctl32.dll");
    EXPECT_GE(comctl >> 16, 5) << comctl;
    EXPECT_EQ(std::to_string(comctl), ModuleVersionText("comctl32.dll"));
    long kernel = ModuleVersion("kernel32.dll");
    EXPECT_GE(kernel >> 16, 5) << kernel;
    EXPECT_EQ(0, ModuleVersion("no-such-library.dll"));
    // A relative path is never looked for along the search path.
    EXPECT_EQ(0, ModuleVersion(".\\kernel32.dll"));
    EXPECT_EQ("0", ModuleVersionText(""));
    EXPECT_EQ("3.14.15.92", FileVersionText(TestChildExe()));
}

}  // namespace
