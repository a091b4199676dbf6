#include <gtest/gtest.h>

#include <windows.h>

#include "app/LibraryVersions.h"

namespace {

TEST(LibraryVersions, EachKindOfFileGetsItsOwnText) {
    LibraryVersionFacts none;
    EXPECT_EQ("(unknown)", LibraryVersionText(none));

    LibraryVersionFacts unreadable;
    unreadable.hasVersionInfo = true;
    EXPECT_EQ("(unknown version)", LibraryVersionText(unreadable));

    LibraryVersionFacts full;
    full.hasVersionInfo = full.readable = true;
    full.fileVersion = "6.0.2900.2180";
    full.fileDescription = "Common Controls Library";
    full.selfReportedVersion = "393216";
    EXPECT_EQ("6.0.2900.2180 = Common Controls Library", LibraryVersionText(full));

    LibraryVersionFacts noFileVersion = full;
    noFileVersion.fileVersion.clear();
    EXPECT_EQ("393216", LibraryVersionText(noFileVersion));
}

TEST(LibraryVersions, RealSystemLibrariesAreRead) {
    char system[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    LibraryVersionFacts shell = ReadLibraryVersionFacts(std::string(system) + "\\shell32.dll");
    EXPECT_TRUE(shell.hasVersionInfo);
    EXPECT_TRUE(shell.readable);
    EXPECT_FALSE(shell.fileVersion.empty());
    // A library that does not exist (the old name in the list) has none.
    LibraryVersionFacts missing = ReadLibraryVersionFacts(std::string(system) + "\\commctrl.dll");
    EXPECT_FALSE(missing.hasVersionInfo);
}

}  // namespace
