// The protection commands of the program lists. (The rules that enable and
// check their menu items and buttons are the command table's: tests/app.)
#include "actions/ProgramCommands.h"

#include <gtest/gtest.h>

#include "TestUtil.h"
#include "resource.h"

namespace {

struct ScratchList {
    testutil::ScratchDir dir;
    ProtectionList list{dir.File("protect.dat")};
    ScratchList() { list.Load(); }
};

TEST(ProgramCommandRules, ProtectionCommandsChangeTheList) {
    ScratchList s;
    // Unprotect needs an existing user entry.
    EXPECT_FALSE(UnprotectProgram(s.list, "new.exe"));
    EXPECT_EQ(-1, s.list.Find("new.exe"));
    EXPECT_FALSE(UnprotectProgram(s.list, "winlogon.exe"));
    EXPECT_TRUE(s.list.IsSystemProtected("winlogon.exe"));

    ProtectProgram(s.list, "new.exe");
    EXPECT_TRUE(s.list.IsProtected("new.exe"));
    EXPECT_TRUE(UnprotectProgram(s.list, "new.exe"));
    EXPECT_EQ("Unprotected", s.list.LevelText("new.exe"));
    // Protect keeps the system flag of a built-in name.
    ProtectProgram(s.list, "lsass.exe");
    EXPECT_TRUE(s.list.IsSystemProtected("lsass.exe"));

    // On the Applications list the two permissions are independent.
    ToggleAllowKill(s.list, "app.exe", false);
    EXPECT_EQ("Can Close", s.list.LevelText("app.exe"));
    ToggleAllowClose(s.list, "app.exe");
    EXPECT_EQ("Protected", s.list.LevelText("app.exe"));
    // On the Tasks list the close permission follows the kill permission.
    s.list.Set("task.exe", 1, 0, 0);
    ToggleAllowKill(s.list, "task.exe", true);
    EXPECT_EQ("Unprotected", s.list.LevelText("task.exe"));
    ToggleAllowKill(s.list, "task.exe", true);
    EXPECT_EQ("Protected", s.list.LevelText("task.exe"));
    // The first click on a program that has no entry yet takes effect too.
    ToggleAllowKill(s.list, "fresh.exe", true);
    EXPECT_EQ("Protected", s.list.LevelText("fresh.exe"));
    ToggleAllowKill(s.list, "fresh.exe", true);
    EXPECT_EQ("Unprotected", s.list.LevelText("fresh.exe"));
    // A system-protected program stays as it is.
    ToggleAllowKill(s.list, "services.exe", true);
    EXPECT_EQ(ProtectionList::kSystem, s.list.GetFlags("services.exe"));
}

}  // namespace
