#include "app/CommandTable.h"

#include "app/QuillmarkDlg.h"
#include "resource.h"

CommandState EvaluateRule(CommandRule rule, UINT id, const CommandContext& c) {
    CommandState s;
    const bool row = c.selected;
    switch (rule) {
    case CommandRule::Always:
        break;
    case CommandRule::ListShown:
        s.enabled = IsListTab(c.tab);
        break;
    case CommandRule::RowSelected:
        s.enabled = row;
        break;
    case CommandRule::CloseProgram:
        s.enabled = row && c.canClose;
        break;
    case CommandRule::KillProgram:
        s.enabled = row && c.canKill;
        break;
    case CommandRule::CloseAll:
        s.enabled = c.rows > 0;
        break;
    case CommandRule::KillAll:
        s.enabled = row;
        break;
    case CommandRule::Protect:
        s.enabled = row && !c.systemProtected && !c.isProtected;
        s.checked = row && c.isProtected;
        break;
    case CommandRule::Unprotect:
        s.enabled = row && !c.systemProtected && c.isProtected;
        break;
    case CommandRule::AllowClose:
        s.enabled = row && !c.systemProtected;
        s.checked = row && c.canClose;
        break;
    case CommandRule::AllowKill:
        s.enabled = row && !c.systemProtected;
        s.checked = row && c.canKill;
        break;
    case CommandRule::ServiceStart:
        s.enabled = row && !c.serviceBusy && c.service.start;
        break;
    case CommandRule::ServiceStop:
        s.enabled = row && !c.serviceBusy && c.service.stop;
        break;
    case CommandRule::ServicePause:
        s.enabled = row && !c.serviceBusy && c.service.pause;
        break;
    case CommandRule::ServiceContinue:
        s.enabled = row && !c.serviceBusy && c.service.resume;
        break;
    case CommandRule::ServiceRestart:
        s.enabled = row && !c.serviceBusy && c.service.restart;
        break;
    case CommandRule::StartType:
        s.enabled = row && !c.serviceBusy;
        s.radio = true;
        s.checked = row && c.startType >= 0 && id == ID_STARTUP_BOOT + static_cast<UINT>(c.startType);
        break;
    case CommandRule::ShowTab:
        s.radio = true;
        s.checked = id == ID_VIEW_APPLICATIONS + static_cast<UINT>(TabIndex(c.tab));
        break;
    case CommandRule::UpdateDisable:
        s.radio = true;
        s.checked = !c.view.update.autoMode && !c.view.update.enabled;
        break;
    case CommandRule::UpdateInterval:
        s.radio = true;
        s.checked = !c.view.update.autoMode && c.view.update.enabled &&
                    id == ID_UPDATE_0_5_SECONDS + static_cast<UINT>(c.view.update.index);
        break;
    case CommandRule::AutoMode:
        s.checked = c.view.update.autoMode;
        break;
    case CommandRule::GridLines:
        s.checked = c.view.showGridLines;
        break;
    case CommandRule::AlternateRows:
        s.checked = c.view.alternateRowColors;
        break;
    case CommandRule::AutoSizeColumns:
        s.checked = c.view.autoSizeColumns;
        break;
    case CommandRule::KeepOnTop:
        s.checked = c.view.alwaysOnTop;
        break;
    case CommandRule::WarnSuspect:
        s.checked = c.warnSuspect;
        break;
    }
    return s;
}

const std::vector<CommandEntry>& CommandEntries() {
    using D = CQuillmarkDlg;
    using R = CommandRule;
    constexpr TabSet kApps = TabBit(FunctionTab::Applications);
    constexpr TabSet kDrivers = TabBit(FunctionTab::Drivers);
    static const std::vector<CommandEntry> kTable = {
        // The window's own commands.
        {ID_APP_ABOUT_CMD, ID_APP_ABOUT_CMD, kAllTabs, R::Always, &D::CmdAbout, nullptr},
        {ID_APP_EXIT_CMD, ID_APP_EXIT_CMD, kAllTabs, R::Always, &D::CmdExit, nullptr},
        {ID_VIEW_REFRESH, ID_VIEW_REFRESH, kAllTabs, R::Always, &D::CmdRefresh, nullptr},
        {ID_EDIT_SETTINGS, ID_EDIT_SETTINGS, kAllTabs, R::Always, &D::CmdSettings, nullptr},
        {ID_FILE_EXPORT, ID_FILE_EXPORT, kAllTabs, R::ListShown, &D::CmdExport, nullptr},
        // The Print button's face opens the same menu as its arrow.
        {ID_FILE_PRINT_DROPDOWN, ID_FILE_PRINT_DROPDOWN, kAllTabs, R::Always, &D::CmdPrintMenu, nullptr},
        {ID_FILE_PRINT_DETAILS, ID_FILE_PRINT_DETAILS, kAllTabs, R::ListShown, &D::CmdPrintDetails, nullptr},
        {ID_FILE_PRINT_LIST, ID_FILE_PRINT_LIST, kAllTabs, R::ListShown, &D::CmdPrintList, nullptr},
        {ID_EDIT_COPY_ITEM, ID_EDIT_COPY_ITEM, kAllTabs, R::ListShown, &D::CmdCopy, nullptr},
        {ID_HELP_CONTENTS, ID_HELP_CONTENTS, kAllTabs, R::Always, &D::CmdHelp, nullptr},
        {ID_VIEW_APPLICATIONS, ID_VIEW_NETWORK, kAllTabs, R::ShowTab, &D::CmdSelectTab, nullptr},
        {ID_SYSTEM_SHUTDOWN, ID_SYSTEM_STAND_BY, kAllTabs, R::Always, &D::CmdPower, nullptr},
        {ID_UPDATE_DISABLE, ID_UPDATE_DISABLE, kAllTabs, R::UpdateDisable, &D::CmdDisableUpdate, nullptr},
        {ID_UPDATE_0_5_SECONDS, ID_UPDATE_10_SECONDS, kAllTabs, R::UpdateInterval, &D::CmdUpdateFrequency, nullptr},
        {ID_UPDATE_AUTO_MODE, ID_UPDATE_AUTO_MODE, kAllTabs, R::AutoMode, &D::CmdAutoMode, nullptr},
        {ID_VIEW_GRID_LINES, ID_VIEW_GRID_LINES, kAllTabs, R::GridLines, &D::CmdToggleView, nullptr},
        {ID_VIEW_ALTERNATE_ROWS, ID_VIEW_ALTERNATE_ROWS, kAllTabs, R::AlternateRows, &D::CmdToggleView, nullptr},
        {ID_VIEW_AUTOSIZE_COLUMNS, ID_VIEW_AUTOSIZE_COLUMNS, kAllTabs, R::AutoSizeColumns, &D::CmdToggleView, nullptr},
        {ID_VIEW_KEEP_ON_TOP, ID_VIEW_KEEP_ON_TOP, kAllTabs, R::KeepOnTop, &D::CmdToggleView, nullptr},
        {ID_TRAY_SHOW, ID_TRAY_SHOW, kAllTabs, R::Always, &D::CmdTrayShow, nullptr},
        {ID_TRAY_WARN_SUSPECT, ID_TRAY_WARN_SUSPECT, kAllTabs, R::WarnSuspect, &D::CmdWarnSuspect, nullptr},
        // Close all works on the whole list, with or without a selection.
        {ID_PROGRAM_CLOSE_ALL, ID_PROGRAM_CLOSE_ALL, kApps, R::CloseAll, &D::CmdCloseAll, nullptr},

        // The list commands, on the selected row's program.
        {ID_PROGRAM_DESCRIBE, ID_PROGRAM_DESCRIBE, kListTabs, R::RowSelected, nullptr, &D::CmdDescribe},
        {ID_PROGRAM_PROPERTIES, ID_PROGRAM_PROPERTIES, kListTabs, R::RowSelected, nullptr, &D::CmdProperties},
        {ID_PROGRAM_WEBSITE, ID_PROGRAM_WEBSITE, kListTabs, R::RowSelected, nullptr, &D::CmdWebsite},
        {ID_PROGRAM_SEARCH_GOOGLE, ID_PROGRAM_SEARCH_GOOGLE, kListTabs, R::RowSelected, nullptr, &D::CmdSearch},
        {ID_PROGRAM_OPEN_FOLDER, ID_PROGRAM_OPEN_FOLDER, kListTabs, R::RowSelected, nullptr, &D::CmdOpenFolder},
        {ID_PROGRAM_BRING_TO_FRONT, ID_PROGRAM_BRING_TO_FRONT, kApps, R::RowSelected, nullptr, &D::CmdBringToFront},
        {ID_PROGRAM_CLOSE, ID_PROGRAM_CLOSE, kApps, R::CloseProgram, nullptr, &D::CmdCloseProgram},
        // The Tasks menu offers "Allow close" too: it flips the close
        // permission there as it does on the Applications list.
        {ID_PROGRAM_ALLOW_CLOSE, ID_PROGRAM_ALLOW_CLOSE, kProgramTabs, R::AllowClose, nullptr, &D::CmdAllowClose},
        {ID_PROGRAM_ALLOW_KILL, ID_PROGRAM_ALLOW_KILL, kProgramTabs, R::AllowKill, nullptr, &D::CmdAllowKill},
        {ID_PROGRAM_PROTECT, ID_PROGRAM_PROTECT, kProgramTabs, R::Protect, nullptr, &D::CmdProtect},
        {ID_PROGRAM_UNPROTECT, ID_PROGRAM_UNPROTECT, kProgramTabs, R::Unprotect, nullptr, &D::CmdUnprotect},
        {ID_PROGRAM_KILL, ID_PROGRAM_KILL, kProgramTabs, R::KillProgram, nullptr, &D::CmdKill, true},
        {ID_PROGRAM_KILL_ALL, ID_PROGRAM_KILL_ALL, kProgramTabs, R::KillAll, nullptr, &D::CmdKillAll, true},
        {ID_SERVICE_START, ID_SERVICE_START, kServiceTabs, R::ServiceStart, nullptr, &D::CmdServiceControl},
        {ID_SERVICE_STOP, ID_SERVICE_STOP, kServiceTabs, R::ServiceStop, nullptr, &D::CmdServiceControl},
        {ID_SERVICE_PAUSE, ID_SERVICE_PAUSE, kServiceTabs, R::ServicePause, nullptr, &D::CmdServiceControl},
        {ID_SERVICE_CONTINUE, ID_SERVICE_CONTINUE, kServiceTabs, R::ServiceContinue, nullptr, &D::CmdServiceControl},
        {ID_SERVICE_RESTART, ID_SERVICE_RESTART, kServiceTabs, R::ServiceRestart, nullptr, &D::CmdServiceControl},
        // Boot and system start are for drivers only.
        {ID_STARTUP_BOOT, ID_STARTUP_SYSTEM, kDrivers, R::StartType, nullptr, &D::CmdServiceControl},
        {ID_STARTUP_AUTOMATIC, ID_STARTUP_DISABLED, kServiceTabs, R::StartType, nullptr, &D::CmdServiceControl},
    };
    return kTable;
}

const CommandEntry* FindCommand(UINT id) {
    for (const CommandEntry& entry : CommandEntries())
        if (id >= entry.first && id <= entry.last) return &entry;
    return nullptr;
}
