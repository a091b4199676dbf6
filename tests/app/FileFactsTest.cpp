// The lists' cache of program files kept from one fill to the next: a file
// that changed on disk must never show what an earlier copy said.
#include <gtest/gtest.h>

#include "app/pages/FileFacts.h"
#include "sysinfo/FileVersion.h"
#include "TestUtil.h"

namespace {

std::string SystemFile(const char* name) {
    char dir[MAX_PATH] = {};
    ::GetSystemDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\" + name;
}

std::string DescriptionOf(const std::string& path) {
    VersionInfoReader reader;
    return reader.Open(path) ? reader.FileDescription() : std::string();
}

TEST(FileFactsCache, KeepsAFileAcrossFillsUntilItChangesOrIsNoLongerShown) {
    testutil::ScratchDir dir;
    const std::string program = dir.File("Program.exe");
    // A library with a version block, under a program's name.
    ASSERT_TRUE(::CopyFileA(SystemFile("comctl32.dll").c_str(), program.c_str(), FALSE));
    const std::string description = DescriptionOf(program);
    ASSERT_FALSE(description.empty());

    FileFactsCache cache;
    cache.BeginFill();
    const FileFacts* first = &cache.Get(program, true);
    EXPECT_EQ(description, first->description);
    ASSERT_NE(nullptr, first->icon.icon.get());
    const HICON icon = first->icon.icon.get();
    // The same file under another case is the same entry.
    EXPECT_EQ(first, &cache.Get(dir.File("PROGRAM.EXE"), true));
    cache.EndFill();

    // Unchanged: the next fill takes what was read, icon and all.
    cache.BeginFill();
    EXPECT_EQ(icon, cache.Get(program, true).icon.icon.get());
    cache.EndFill();

    // Replaced by a file without a version block: read again.
    ASSERT_TRUE(testutil::WriteFileBytes(program, "not a program any more"));
    cache.BeginFill();
    EXPECT_EQ("", cache.Get(program, true).description);
    // A file that is not there has no facts.
    const FileFacts& missing = cache.Get(dir.File("gone.exe"), true);
    EXPECT_EQ("", missing.company);
    EXPECT_EQ(nullptr, missing.icon.icon.get());
    cache.EndFill();
    EXPECT_EQ(2u, cache.Size());

    // A fill that shows neither lets both go.
    cache.BeginFill();
    cache.Get(SystemFile("notepad.exe"), false);
    cache.EndFill();
    EXPECT_EQ(1u, cache.Size());
}

}  // namespace
