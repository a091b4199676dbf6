// The main window's commands in one table: for every command id, the handler
// that runs it, the tabs that offer it and the rule that enables (and checks)
// it. The menu bar's routing, the list commands, the menus' enable and check
// marks and both toolbars all read this table; the rules are plain functions
// of a CommandContext, so they are tested without a window.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "actions/ServiceControl.h"
#include "app/ViewSettings.h"
#include "ui/FunctionTabs.h"

class CQuillmarkDlg;
struct SelectedProgram;

// When a command is enabled, and what its check mark shows.
enum class CommandRule {
    Always,
    ListShown,      // one of the four function lists is shown
    RowSelected,    // a row of the shown list is selected
    CloseProgram,   // a selected program that may be closed
    KillProgram,    // a selected program that may be killed
    CloseAll,       // the list has rows
    KillAll,        // a row is selected (the command starts from it)
    Protect,        // a selected program that is not protected yet; checked when protected
    Unprotect,      // a selected program that is protected (not by the system)
    AllowClose,     // a selected program not protected by the system; checked when it may be closed
    AllowKill,      // the same for killing
    ServiceStart,   // a selected service or driver that is not running
    ServiceStop,    // ... that is running or paused
    ServicePause,   // ... that is running
    ServiceContinue,  // ... that is paused
    ServiceRestart,   // ... that is running
    StartType,      // a selected service or driver; checked on its start type
    ShowTab,        // checked on the shown tab
    UpdateDisable,  // checked when updates are off
    UpdateInterval, // checked on the stored interval while updating without auto mode
    AutoMode,       // checked when auto mode is on
    GridLines,      // checked by the view settings
    AlternateRows,
    AutoSizeColumns,
    KeepOnTop,
    WarnSuspect,    // checked while the warnings about suspect programs are on
};

// What the rules look at: the shown tab, its selection and the settings.
struct CommandContext {
    FunctionTab tab = FunctionTab::Applications;
    int rows = 0;            // rows of the shown list
    bool selected = false;   // a row of the shown list is selected
    // Applications and Tasks: the selected program's protection.
    bool canClose = false;
    bool canKill = false;
    bool isProtected = false;        // neither closing nor killing allowed
    bool systemProtected = false;
    // Services and Drivers: the selected record's state and start type, and
    // whether a service command still runs (one at a time).
    svc::ToolbarState service;
    int startType = -1;
    bool serviceBusy = false;
    ViewSettings view;
    bool warnSuspect = false;  // the warnings about suspect programs are on
};

struct CommandState {
    bool enabled = true;
    bool checked = false;
    bool radio = false;  // one choice of a group: drawn with a bullet
};

// The rule's answer for command id in context (id picks the interval, the
// tab or the start type of the group rules).
CommandState EvaluateRule(CommandRule rule, UINT id, const CommandContext& context);

struct CommandEntry {
    UINT first;
    UINT last;
    TabSet tabs;       // the tabs that offer it
    CommandRule rule;
    // The window's commands run at once; the list commands run on the program
    // of the selected row, derived first, and do nothing without one.
    void (CQuillmarkDlg::*onWindow)(UINT id);
    void (CQuillmarkDlg::*onRow)(UINT id, SelectedProgram& program);
    // A list command that acts on the row's process even when its program
    // file cannot be read (the kill commands decide themselves what that
    // means); every other one needs the program's path.
    bool anyProcess = false;
};

// The entry of a command id; null for an id the window does not know.
const CommandEntry* FindCommand(UINT id);
// Every entry, in table order.
const std::vector<CommandEntry>& CommandEntries();
