// The command table and its rules, without a window: every command the
// menus, toolbars and keys offer has one entry with a handler, and the rules
// answer as the menus and buttons must show them.
#include <gtest/gtest.h>

#include <set>

#include "TestUtil.h"
#include "actions/ProtectionList.h"
#include "app/CommandTable.h"
#include "base/Handles.h"
#include "base/Resources.h"
#include "resource.h"
#include "ui/TabToolBar.h"

namespace {

void MenuCommands(HMENU menu, std::set<UINT>& ids) {
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        if (HMENU sub = ::GetSubMenu(menu, i)) {
            MenuCommands(sub, ids);
            continue;
        }
        const UINT id = ::GetMenuItemID(menu, i);
        if (id != 0 && id != static_cast<UINT>(-1)) ids.insert(id);
    }
}

// Every command id of the program's menus, toolbars and accelerators.
std::set<UINT> OfferedCommands() {
    std::set<UINT> ids;
    for (UINT menuId : {IDR_MAIN_MENU, IDR_TRAY_MENU, IDR_PRINT_MENU, IDR_APPLICATIONS_MENU, IDR_TASKS_MENU,
                        IDR_SERVICES_MENU, IDR_DRIVERS_MENU}) {
        MenuHandle menu(::LoadMenuA(ResourceInstance(), MAKEINTRESOURCEA(menuId)));
        EXPECT_TRUE(menu) << menuId;
        if (menu) MenuCommands(menu.get(), ids);
    }
    for (UINT toolbarId : {IDR_MAIN_TOOLBAR, IDR_APPLICATIONS_TOOLBAR, IDR_TASKS_TOOLBAR, IDR_SERVICES_TOOLBAR,
                           IDR_DRIVERS_TOOLBAR}) {
        ToolbarResource toolbar;
        EXPECT_TRUE(LoadToolbarResource(toolbarId, toolbar)) << toolbarId;
        for (UINT id : toolbar.commands)
            if (id) ids.insert(id);
    }
    HACCEL accelerators = ::LoadAcceleratorsA(ResourceInstance(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ACCEL table[64];
    const int n = ::CopyAcceleratorTableA(accelerators, table, 64);
    for (int i = 0; i < n; ++i) ids.insert(table[i].cmd);
    return ids;
}

TEST(CommandTable, EveryOfferedCommandHasOneEntryWithAHandler) {
    const std::set<UINT> offered = OfferedCommands();
    ASSERT_GT(offered.size(), 50u);
    for (UINT id : offered) {
        const CommandEntry* entry = FindCommand(id);
        ASSERT_NE(nullptr, entry) << "command " << id << " is routed nowhere";
        EXPECT_TRUE((entry->onWindow != nullptr) != (entry->onRow != nullptr)) << id;
        EXPECT_NE(0u, entry->tabs) << id;
    }
    // No id falls in two entries.
    const auto& entries = CommandEntries();
    for (size_t i = 0; i < entries.size(); ++i)
        for (size_t j = i + 1; j < entries.size(); ++j)
            EXPECT_TRUE(entries[i].last < entries[j].first || entries[j].last < entries[i].first) << i << " " << j;
    EXPECT_EQ(nullptr, FindCommand(1));
}

// The context of a selected program on a program list, from a protection list.
CommandContext Selected(const ProtectionList& list, const std::string& name, FunctionTab tab) {
    CommandContext c;
    c.tab = tab;
    c.rows = 3;
    c.selected = true;
    c.canClose = list.CanClose(name);
    c.canKill = list.CanKill(name);
    c.isProtected = list.IsProtected(name);
    c.systemProtected = list.IsSystemProtected(name);
    return c;
}

// One rule for the menus and both toolbars: a command is enabled exactly when
// it would do something.
TEST(CommandRules, ProgramCommandsFollowTheSelectedProgramsProtection) {
    testutil::ScratchDir dir;
    ProtectionList list(dir.File("protect.dat"));
    list.Load();
    list.Set("closeonly.exe", 1, 0, 0);
    list.Set("locked.exe", 0, 0, 0);
    auto state = [&](CommandRule rule, const std::string& name, FunctionTab tab = FunctionTab::Applications) {
        return EvaluateRule(rule, 0, Selected(list, name, tab));
    };
    // Unprotected (no entry).
    EXPECT_TRUE(state(CommandRule::KillProgram, "free.exe").enabled);
    EXPECT_TRUE(state(CommandRule::Protect, "free.exe").enabled);
    EXPECT_FALSE(state(CommandRule::Unprotect, "free.exe").enabled);
    EXPECT_TRUE(state(CommandRule::AllowKill, "free.exe", FunctionTab::Tasks).checked);
    // Close only.
    EXPECT_FALSE(state(CommandRule::KillProgram, "closeonly.exe").enabled);
    EXPECT_TRUE(state(CommandRule::CloseProgram, "closeonly.exe").enabled);
    EXPECT_TRUE(state(CommandRule::AllowClose, "closeonly.exe").checked);
    EXPECT_FALSE(state(CommandRule::AllowKill, "closeonly.exe").checked);
    // Protected: checked, and only Unprotect and the permissions change it.
    EXPECT_FALSE(state(CommandRule::CloseProgram, "locked.exe").enabled);
    EXPECT_FALSE(state(CommandRule::Protect, "locked.exe").enabled);
    EXPECT_TRUE(state(CommandRule::Protect, "locked.exe", FunctionTab::Tasks).checked);
    EXPECT_TRUE(state(CommandRule::Unprotect, "locked.exe").enabled);
    EXPECT_TRUE(state(CommandRule::AllowKill, "locked.exe").enabled);
    EXPECT_FALSE(state(CommandRule::AllowKill, "locked.exe", FunctionTab::Tasks).checked);
    // System protected: nothing changes it, and it is not killed from either
    // list (the Tasks toolbar's Kill no longer disagrees with its menu).
    for (FunctionTab tab : {FunctionTab::Applications, FunctionTab::Tasks}) {
        EXPECT_FALSE(state(CommandRule::AllowClose, "services.exe", tab).enabled);
        EXPECT_FALSE(state(CommandRule::AllowKill, "services.exe", tab).enabled);
        EXPECT_FALSE(state(CommandRule::Protect, "services.exe", tab).enabled);
        EXPECT_FALSE(state(CommandRule::Unprotect, "services.exe", tab).enabled);
        EXPECT_FALSE(state(CommandRule::KillProgram, "services.exe", tab).enabled);
    }

    // Without a selected row the row's commands, Kill all among them, do
    // nothing and are disabled; Close all needs rows only.
    CommandContext none;
    none.rows = 1;
    for (CommandRule rule : {CommandRule::RowSelected, CommandRule::CloseProgram, CommandRule::KillProgram,
                             CommandRule::KillAll, CommandRule::Protect, CommandRule::Unprotect,
                             CommandRule::AllowClose, CommandRule::AllowKill, CommandRule::ServiceStart,
                             CommandRule::StartType})
        EXPECT_FALSE(EvaluateRule(rule, 0, none).enabled) << static_cast<int>(rule);
    EXPECT_TRUE(EvaluateRule(CommandRule::CloseAll, 0, none).enabled);
    none.rows = 0;
    EXPECT_FALSE(EvaluateRule(CommandRule::CloseAll, 0, none).enabled);
}

TEST(CommandRules, TabsServicesAndSettingsChecks) {
    CommandContext c;
    c.tab = FunctionTab::Performance;
    EXPECT_FALSE(EvaluateRule(CommandRule::ListShown, ID_FILE_EXPORT, c).enabled);
    EXPECT_TRUE(EvaluateRule(CommandRule::ShowTab, ID_VIEW_PERFORMANCE, c).checked);
    EXPECT_FALSE(EvaluateRule(CommandRule::ShowTab, ID_VIEW_TASKS, c).checked);
    c.tab = FunctionTab::Drivers;
    EXPECT_TRUE(EvaluateRule(CommandRule::ListShown, ID_FILE_EXPORT, c).enabled);

    // A paused service: continue, stop; its start type marked.
    c.selected = true;
    c.service = svc::ToolbarStateFor(false, true);
    c.startType = 3;
    EXPECT_TRUE(EvaluateRule(CommandRule::ServiceContinue, ID_SERVICE_CONTINUE, c).enabled);
    EXPECT_TRUE(EvaluateRule(CommandRule::ServiceStop, ID_SERVICE_STOP, c).enabled);
    EXPECT_FALSE(EvaluateRule(CommandRule::ServicePause, ID_SERVICE_PAUSE, c).enabled);
    EXPECT_TRUE(EvaluateRule(CommandRule::StartType, ID_STARTUP_MANUAL, c).checked);
    EXPECT_FALSE(EvaluateRule(CommandRule::StartType, ID_STARTUP_DISABLED, c).checked);

    // The update frequency: one mark, none in auto mode.
    c.view.update = UpdateSettings{true, false, 1};
    EXPECT_TRUE(EvaluateRule(CommandRule::UpdateInterval, ID_UPDATE_1_SECOND, c).checked);
    EXPECT_FALSE(EvaluateRule(CommandRule::UpdateInterval, ID_UPDATE_2_SECONDS, c).checked);
    EXPECT_FALSE(EvaluateRule(CommandRule::UpdateDisable, ID_UPDATE_DISABLE, c).checked);
    c.view.update.enabled = false;
    EXPECT_TRUE(EvaluateRule(CommandRule::UpdateDisable, ID_UPDATE_DISABLE, c).checked);
    EXPECT_FALSE(EvaluateRule(CommandRule::UpdateInterval, ID_UPDATE_1_SECOND, c).checked);
    c.view.update.autoMode = true;
    EXPECT_FALSE(EvaluateRule(CommandRule::UpdateDisable, ID_UPDATE_DISABLE, c).checked);
    EXPECT_TRUE(EvaluateRule(CommandRule::AutoMode, ID_UPDATE_AUTO_MODE, c).checked);

    // The tabs that offer a command: boot and system start for drivers only,
    // Close for the Applications list, the print button everywhere.
    EXPECT_EQ(TabBit(FunctionTab::Drivers), FindCommand(ID_STARTUP_BOOT)->tabs);
    EXPECT_EQ(kServiceTabs, FindCommand(ID_STARTUP_MANUAL)->tabs);
    EXPECT_EQ(TabBit(FunctionTab::Applications), FindCommand(ID_PROGRAM_CLOSE)->tabs);
    EXPECT_EQ(CommandRule::Always, FindCommand(ID_FILE_PRINT_DROPDOWN)->rule);
}

}  // namespace
