// The protection commands of the program lists and the rules that enable and
// check their menu items and buttons.
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

TEST(ProgramCommandRules, MenuItemsFollowTheFlagsOfTheSelectedName) {
    // Nothing selected: everything enabled.
    for (int id : {ID_PROGRAM_KILL, ID_PROGRAM_CLOSE, ID_PROGRAM_PROTECT, ID_PROGRAM_UNPROTECT})
        EXPECT_TRUE(ProgramCommandEnabled(id, "", 0));
    const char* name = "a.exe";
    // Unprotected (also: no entry).
    EXPECT_TRUE(ProgramCommandEnabled(ID_PROGRAM_KILL, name, 3));
    EXPECT_TRUE(ProgramCommandEnabled(ID_PROGRAM_PROTECT, name, 3));
    EXPECT_FALSE(ProgramCommandEnabled(ID_PROGRAM_UNPROTECT, name, 3));
    // Close only.
    EXPECT_FALSE(ProgramCommandEnabled(ID_PROGRAM_KILL, name, 1));
    EXPECT_TRUE(ProgramCommandEnabled(ID_PROGRAM_CLOSE, name, 1));
    // Protected.
    EXPECT_FALSE(ProgramCommandEnabled(ID_PROGRAM_CLOSE, name, 0));
    EXPECT_FALSE(ProgramCommandEnabled(ID_PROGRAM_PROTECT, name, 0));
    EXPECT_TRUE(ProgramCommandEnabled(ID_PROGRAM_UNPROTECT, name, 0));
    EXPECT_TRUE(ProgramCommandEnabled(ID_PROGRAM_ALLOW_KILL, name, 0));
    // System protected.
    EXPECT_FALSE(ProgramCommandEnabled(ID_PROGRAM_ALLOW_CLOSE, name, 0x8000));
    EXPECT_FALSE(ProgramCommandEnabled(ID_PROGRAM_ALLOW_KILL, name, 0x8000));
    EXPECT_FALSE(ProgramCommandEnabled(ID_PROGRAM_UNPROTECT, name, 0x8000));
    EXPECT_TRUE(ProgramCommandEnabled(ID_FILE_EXPORT, name, 0x8000));
}

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

TEST(ProgramCommandRules, TabToolbarButtons) {
    ScratchList s;
    s.list.Set("closeonly.exe", 1, 0, 0);
    auto apps = [&](int id, const std::string& name, bool sel = true, int rows = 3) {
        return ProgramToolbarButton(id, false, s.list, name, sel, rows);
    };
    auto tasks = [&](int id, const std::string& name, bool sel = true, int rows = 3) {
        return ProgramToolbarButton(id, true, s.list, name, sel, rows);
    };
    EXPECT_TRUE(apps(ID_PROGRAM_CLOSE, "closeonly.exe").enabled);
    EXPECT_FALSE(apps(ID_PROGRAM_KILL, "closeonly.exe").enabled);
    EXPECT_TRUE(apps(ID_PROGRAM_ALLOW_CLOSE, "closeonly.exe").checked);
    EXPECT_FALSE(apps(ID_PROGRAM_ALLOW_KILL, "closeonly.exe").checked);
    EXPECT_FALSE(apps(ID_PROGRAM_CLOSE, "closeonly.exe", false).enabled);
    EXPECT_FALSE(apps(ID_PROGRAM_DESCRIBE, "closeonly.exe", false).enabled);
    EXPECT_FALSE(apps(ID_PROGRAM_CLOSE_ALL, "", false, 0).enabled);
    EXPECT_TRUE(apps(ID_PROGRAM_KILL_ALL, "", false, 1).enabled);

    // A system-protected program cannot be changed; the Tasks list's kill
    // buttons stay enabled for it (the kill itself is refused).
    EXPECT_FALSE(apps(ID_PROGRAM_PROTECT, "services.exe").enabled);
    EXPECT_FALSE(tasks(ID_PROGRAM_UNPROTECT, "services.exe").enabled);
    EXPECT_FALSE(apps(ID_PROGRAM_KILL, "services.exe").enabled);
    EXPECT_TRUE(tasks(ID_PROGRAM_KILL, "services.exe").enabled);
    EXPECT_TRUE(tasks(ID_PROGRAM_KILL_ALL, "", false, 0).enabled);

    s.list.Set("locked.exe", 0, 0, 0);
    EXPECT_TRUE(tasks(ID_PROGRAM_PROTECT, "locked.exe").checked);
    EXPECT_FALSE(tasks(ID_PROGRAM_ALLOW_KILL, "locked.exe").checked);
    EXPECT_TRUE(tasks(ID_PROGRAM_ALLOW_KILL, "free.exe").checked);
}

}  // namespace
