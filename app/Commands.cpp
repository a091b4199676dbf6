// The main window's command handlers. The command table (app/CommandTable)
// says which handler runs a command, where it is offered and when it is
// enabled; the work itself is done by actions/, progdb/, reports/ and
// dialogs/.
#include "app/QuillmarkDlg.h"

#include "actions/CloseKill.h"
#include "actions/PowerCommands.h"
#include "actions/ProgramCommands.h"
#include "actions/ServiceControl.h"
#include "actions/ShellCommands.h"
#include "base/Resources.h"
#include "core/AppPaths.h"
#include "core/SettingsKeys.h"
#include "core/Text.h"
#include "dialogs/AboutDlg.h"
#include "dialogs/DescribedProgram.h"
#include "dialogs/SettingsDlg.h"
#include "platform/Clipboard.h"
#include "progdb/ProgramDatabaseFiles.h"
#include "progdb/Submission.h"
#include "reports/DetailPage.h"
#include "reports/ListExport.h"
#include "reports/ListPrinter.h"
#include "resource.h"
#include "sysinfo/LiveState.h"

// ---- Dispatch ----------------------------------------------------------------------------

bool CQuillmarkDlg::OnCommand(UINT id, UINT /*code*/, HWND /*ctl*/) {
    const CommandEntry* command = FindCommand(id);
    if (!command) return false;
    // A selection still on its way to the detail view is shown first: the
    // page then tells of the row the command acts on, and the command's own
    // status text comes after the page's, never under it.
    if (KillTimer(kDetailFollowTimer)) OnListSelectionMoved();
    if (command->onWindow) {
        (this->*command->onWindow)(id);
        return true;
    }
    // A list command: only on a page that offers it (Enter and Ctrl+Enter do
    // nothing on the Services and Drivers tabs), and only on the program of
    // a selected row that is still there.
    if (!VisiblePage().Offers(*command)) return true;
    SelectedProgram program;
    if (!DeriveProgram(program) || (program.path.empty() && !command->anyProcess)) return true;
    (this->*command->onRow)(id, program);
    return true;
}

bool CQuillmarkDlg::DeriveProgram(SelectedProgram& program) {
    ListPage* list = VisibleList();
    return list && list->DescribeSelected(program);
}

void CQuillmarkDlg::FinishListCommand(const std::string& status) {
    UpdateToolbarButtons();
    if (!status.empty()) SetStatusText(status);
}

// A question is modal: Exit may be chosen from the notification area while
// it is up, and then nothing it was asked for may start.
bool CQuillmarkDlg::Confirm(const std::string& text) {
    if (settings::kPromptUser.Read(settings_) == 0) return true;
    const bool yes = ::MessageBoxA(hwnd_, text.c_str(), "Quillmark", MB_YESNO | MB_ICONQUESTION) == IDYES;
    return yes && !exiting_;
}

// ---- Enable and check states ---------------------------------------------------------------

CommandContext CQuillmarkDlg::CurrentContext() {
    CommandContext context;
    context.view = view_;
    context.serviceBusy = serviceJob_.IsRunning();
    context.warnSuspect = warnSuspect_;
    VisiblePage().DescribeSelection(context);
    return context;
}

CommandState CQuillmarkDlg::StateOfCommand(UINT id) {
    const CommandEntry* command = FindCommand(id);
    if (!command) return CommandState();
    return VisiblePage().StateOf(*command, id, CurrentContext());
}

void CQuillmarkDlg::UpdateToolbarButtons() {
    const CommandContext context = CurrentContext();
    FunctionPage& page = VisiblePage();
    for (UINT id : toolbar_.Commands()) {
        const CommandEntry* command = FindCommand(id);
        const CommandState state = command ? page.StateOf(*command, id, context) : CommandState();
        toolbar_.EnableButton(id, state.enabled);
        toolbar_.CheckButton(id, state.checked);
    }
    page.UpdateToolbar(context);
}

namespace {
// Sets every command item of a menu and of its submenus by state.
template <typename StateFn>
void ApplyMenuStates(HMENU menu, const StateFn& stateOf) {
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU submenu = ::GetSubMenu(menu, i)) {
            ApplyMenuStates(submenu, stateOf);
            continue;
        }
        const UINT id = ::GetMenuItemID(menu, i);
        const CommandEntry* command = id ? FindCommand(id) : nullptr;
        if (!command) continue;  // a separator, or not a command of the window
        const CommandState state = stateOf(*command, id);
        ::EnableMenuItem(menu, id, MF_BYCOMMAND | (state.enabled ? MF_ENABLED : MF_GRAYED));
        if (state.radio && state.checked)
            ::CheckMenuRadioItem(menu, id, id, id, MF_BYCOMMAND);
        else
            ::CheckMenuItem(menu, id, MF_BYCOMMAND | (state.checked ? MF_CHECKED : MF_UNCHECKED));
    }
}
}  // namespace

void CQuillmarkDlg::OnInitMenu(HMENU menu) {
    const CommandContext context = CurrentContext();
    FunctionPage& page = VisiblePage();
    ApplyMenuStates(menu, [&](const CommandEntry& command, UINT id) { return page.StateOf(command, id, context); });
}

// ---- The window's own commands --------------------------------------------------------------

namespace {
// A second command while a modal dialog runs brings that dialog forward.
bool BringForward(const CDialog* dialog) {
    if (!dialog) return false;
    HWND window = dialog->GetHwnd();
    if (window && ::IsWindow(window)) {
        ::SetForegroundWindow(window);
        ::BringWindowToTop(window);
        ::SetFocus(window);
    }
    return true;
}

// Marks a dialog as open for as long as its modal loop runs.
class OpenDialogMark {
public:
    OpenDialogMark(CDialog*& mark, CDialog& dialog) : mark_(mark) { mark_ = &dialog; }
    ~OpenDialogMark() { mark_ = nullptr; }
    OpenDialogMark(const OpenDialogMark&) = delete;
    OpenDialogMark& operator=(const OpenDialogMark&) = delete;

private:
    CDialog*& mark_;
};
}  // namespace

void CQuillmarkDlg::CmdAbout(UINT) {
    if (BringForward(openAbout_)) return;
    CAboutDlg about;
    OpenDialogMark mark(openAbout_, about);
    about.DoModal(hwnd_);
}

void CQuillmarkDlg::CmdExit(UINT) { Exit(); }

void CQuillmarkDlg::CmdRefresh(UINT) { Refresh(); }

void CQuillmarkDlg::CmdSettings(UINT) {
    if (BringForward(openSettings_)) return;
    CSettingsDlg dialog(settings_, [this] { OnHelp(); });
    OpenDialogMark mark(openSettings_, dialog);
    if (dialog.DoModal(hwnd_) != IDOK || exiting_) return;
    LoadViewSettings(false);
    SetUpdateFrequency(view_.update.index);
    if (view_.autoSizeColumns) FitAllColumns();
}

void CQuillmarkDlg::CmdExport(UINT) {
    ListPage* list = VisibleList();
    if (!list) return;
    const std::string status = ExportListCommand(hwnd_, list->List().GetHwnd());
    if (!status.empty()) SetStatusText(status);
}

void CQuillmarkDlg::CmdPrintMenu(UINT) { toolbar_.ShowPrintMenu(hwnd_); }

void CQuillmarkDlg::CmdPrintDetails(UINT) {
    if (detailPane_.IsWindow()) detailPane_.Print(hwnd_);
}

void CQuillmarkDlg::CmdPrintList(UINT) {
    if (ListPage* list = VisibleList()) PrintListCommand(hwnd_, list->List().GetHwnd(), "Quillmark Data");
}

void CQuillmarkDlg::CmdCopy(UINT) {
    ListPage* list = VisibleList();
    if (!list) return;
    CListCtrlEx& control = list->List();
    if (::GetFocus() != control.GetHwnd()) {
        // The focus is in the detail pane: its selection, or its whole page.
        if (detailPane_.IsWindow() && detailPane_.HasFocus()) detailPane_.Copy();
        return;
    }
    const int row = control.GetSelectedItem();
    if (row < 0) return;
    const std::string text = Trim(control.GetRowText(row));
    if (!text.empty() && SetClipboardText(hwnd_, text))
        SetStatusText("Selected item text copied to the clipboard");
}

void CQuillmarkDlg::CmdHelp(UINT) { OnHelp(); }

void CQuillmarkDlg::CmdCloseAll(UINT) {
    std::vector<HWND> windows;
    for (int row = 0; row < applications_.RowCount(); ++row) windows.push_back(applications_.WindowAt(row));
    CloseAllApplications(closeKill_, protection_, windows, ConfirmStep(), hwnd_);
}

// From the View menu or Ctrl+1..6 the user goes to that page's list (on the
// Performance and Networking tabs, its data list), so its keys work at once;
// the focus would otherwise stay where it was, in a list now hidden, say. A
// click on a tab leaves the focus on the tabs.
void CQuillmarkDlg::CmdSelectTab(UINT id) {
    SelectTab(TabAt(static_cast<int>(id - ID_VIEW_APPLICATIONS)));
    if (CListCtrlEx* list = VisiblePageList()) ::SetFocus(list->GetHwnd());
}

void CQuillmarkDlg::CmdPower(UINT id) {
    RunPowerCommand(static_cast<int>(id), ConfirmStep(), power_ ? *power_ : SystemPower());
}

void CQuillmarkDlg::CmdDisableUpdate(UINT) {
    view_.update.enabled = false;
    view_.update.autoMode = false;
    SetUpdateFrequency(view_.update.index);
    SetStatusText("Auto update disabled");
}

void CQuillmarkDlg::CmdUpdateFrequency(UINT id) {
    view_.update.enabled = true;
    view_.update.autoMode = false;
    SetUpdateFrequency(static_cast<int>(id - ID_UPDATE_0_5_SECONDS));
}

void CQuillmarkDlg::CmdAutoMode(UINT) {
    view_.update.autoMode = !view_.update.autoMode;
    SetUpdateFrequency(view_.update.index);
}

void CQuillmarkDlg::CmdToggleView(UINT id) {
    switch (id) {
    case ID_VIEW_GRID_LINES:
        view_.showGridLines = !view_.showGridLines;
        ApplyListViewOptions();
        break;
    case ID_VIEW_ALTERNATE_ROWS:
        view_.alternateRowColors = !view_.alternateRowColors;
        ApplyListViewOptions();
        break;
    case ID_VIEW_AUTOSIZE_COLUMNS:
        view_.autoSizeColumns = !view_.autoSizeColumns;
        ApplyListViewOptions();
        if (view_.autoSizeColumns) FitAllColumns();
        break;
    case ID_VIEW_KEEP_ON_TOP:
        view_.alwaysOnTop = !view_.alwaysOnTop;
        ::SetWindowPos(hwnd_, view_.alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        // The stored value is the settings dialog's: the toggle lasts for
        // this run (the view settings' save leaves it alone).
        break;
    default:
        return;
    }
    SaveViewSettings();
}

void CQuillmarkDlg::CmdTrayShow(UINT) { ShowWindowFrom(WhenShown::HideInTray); }

void CQuillmarkDlg::CmdWarnSuspect(UINT) {
    warnSuspect_ = !warnSuspect_;
    settings::kWarnSuspectPrograms.Write(settings_, warnSuspect_ ? 1 : 0);
    SyncSampling();
}

// ---- The list commands ---------------------------------------------------------------------

void CQuillmarkDlg::CmdDescribe(UINT, SelectedProgram& program) {
    DescribeOutcome outcome;
    std::string status;
    if (submission_ && DescribeProgramWithDialog(hwnd_, program.path, publisherDb_, localDb_,
                                                 LocalDatabasePath(ProgramFolder()), *submission_, &outcome)) {
        RefreshTrustColours();
        // A filter may show or hide the rows whose description changed.
        if (applications_.RefreshProgramDetails(program.fileName).Any()) UpdateStatusCounts();
        RebuildDetailView();
        // The description stays in memory and is saved with the next change
        // or at exit; the user hears that this save failed.
        if (outcome.added && !outcome.saved) {
            status = kLocalDatabaseSaveFailedText;
            log_.Log("%s", kLocalDatabaseSaveFailedText);
        }
    }
    FinishListCommand(status);
}

void CQuillmarkDlg::CmdProperties(UINT, SelectedProgram& program) {
    ShowFileProperties(hwnd_, program.path);
    FinishListCommand(std::string());
}

// Only what the detail page would link reaches the shell: a plain http or
// https address, quotes and spaces encoded; anything else is refused.
void CQuillmarkDlg::CmdWebsite(UINT, SelectedProgram& program) {
    const std::string& site = program.details.webSite;
    const std::string link = WebSiteLink(site);
    if (!link.empty())
        ShellOpen(hwnd_, link);
    else if (!site.empty())
        ::MessageBoxA(hwnd_, WebSiteRefusal(site).c_str(), "Quillmark", MB_OK | MB_ICONWARNING);
    FinishListCommand(std::string());
}

void CQuillmarkDlg::CmdSearch(UINT, SelectedProgram& program) {
    ShellOpen(hwnd_, WebSearchLink(program.fileName));
    FinishListCommand(std::string());
}

void CQuillmarkDlg::CmdOpenFolder(UINT, SelectedProgram& program) {
    const size_t slash = program.path.find_last_of('\\');
    if (slash != std::string::npos) ShellOpen(hwnd_, program.path.substr(0, slash + 1));
    FinishListCommand(std::string());
}

void CQuillmarkDlg::CmdBringToFront(UINT, SelectedProgram& program) {
    if (WindowExists(program.window)) BringToFront(program.window);
    FinishListCommand(std::string());
}

void CQuillmarkDlg::CmdCloseProgram(UINT, SelectedProgram& program) {
    CloseApplication(closeKill_, protection_, program.window, ConfirmStep(), hwnd_);
    FinishListCommand(std::string());
}

void CQuillmarkDlg::RefreshTrustColours() {
    applications_.RefreshTrustColours();
    tasks_.RefreshTrustColours();
}

void CQuillmarkDlg::OnDatabaseLoaded() {
    // A fill made while the publisher's file loaded could not ask it.
    RefreshTrustColours();
    // A filter may show or hide the rows whose texts changed.
    FilteredList::Change change;
    for (ListPage* page : lists_) change += page->RefreshDatabaseTexts();
    if (change.Any()) UpdateStatusCounts();
    // The selected program's page asks the databases too.
    if (change.selectedHidden || VisibleSelection().selected) RebuildDetailView();
    // After the page's own status texts.
    SetStatusText(kDatabaseLoadedStatus);
}

void CQuillmarkDlg::RefreshProtectionCells() {
    // A filter may show or hide rows whose protection text changed.
    FilteredList::Change change = applications_.RefreshProtection();
    change += tasks_.RefreshProtection();
    ReportProtectionSave();
    if (!change.Any()) return;
    UpdateStatusCounts();
    if (change.selectedHidden) RebuildDetailView();
}

void CQuillmarkDlg::ReportProtectionSave() {
    if (!protection_.TakeSaveFailureNotice()) return;
    const std::string text = protection_.SaveFailureText();
    SetStatusText(text);
    log_.Log("%s", text.c_str());
}

void CQuillmarkDlg::CmdAllowClose(UINT, SelectedProgram& program) {
    ToggleAllowClose(protection_, program.fileName);
    RefreshProtectionCells();
    FinishListCommand(std::string());
}

void CQuillmarkDlg::CmdAllowKill(UINT, SelectedProgram& program) {
    ToggleAllowKill(protection_, program.fileName, program.page == &tasks_);
    RefreshProtectionCells();
    FinishListCommand(std::string());
}

void CQuillmarkDlg::CmdProtect(UINT, SelectedProgram& program) {
    ProtectProgram(protection_, program.fileName);
    RefreshProtectionCells();
    FinishListCommand(std::string());
}

void CQuillmarkDlg::CmdUnprotect(UINT, SelectedProgram& program) {
    if (UnprotectProgram(protection_, program.fileName)) RefreshProtectionCells();
    FinishListCommand(std::string());
}

void CQuillmarkDlg::CmdKill(UINT, SelectedProgram& program) {
    // A process whose program cannot be identified cannot be checked against
    // the protection list: it is killed only after the user confirmed that
    // very process, whatever "PromptUser" says.
    auto confirmUnidentified = [this](const std::string& text) {
        return ::MessageBoxA(hwnd_, text.c_str(), "Quillmark", MB_YESNO | MB_ICONWARNING) == IDYES && !exiting_;
    };
    if (KillProgram(protection_, program.pid, program.createTime, ConfirmStep(), confirmUnidentified)) {
        program.page->DeleteRow(program.row);
        program.page->List().Invalidate();
        UpdateStatusCounts();
    }
    FinishListCommand(std::string());
}

// Kill all starts from a selected row (without one it does nothing) and
// works on the whole list.
void CQuillmarkDlg::CmdKillAll(UINT, SelectedProgram& program) {
    if (program.page == &applications_) {
        std::vector<HWND> windows;
        for (int row = 0; row < applications_.RowCount(); ++row) windows.push_back(applications_.WindowAt(row));
        const int killed = KillAllApplications(protection_, windows, ConfirmStep());
        FinishListCommand(killed >= 0 ? ApplicationsKilledText(killed) : std::string());
        return;
    }
    std::vector<TaskRow> rows;
    for (int row = 0; row < tasks_.RowCount(); ++row)
        rows.push_back(TaskRow{tasks_.PidAt(row), tasks_.List().GetCellText(row, 0), tasks_.CreateTimeAt(row)});
    KillAllTasks(closeKill_, protection_, rows, ConfirmStep(), hwnd_);
    FinishListCommand(std::string());
}

// A service command runs as a job: a service that takes its time (or never
// answers) must not hold up the window. The status bar says what runs; the
// job's message brings the result.
void CQuillmarkDlg::CmdServiceControl(UINT id, SelectedProgram& program) {
    const ServiceInfo& record = *program.record;
    std::string status;
    if (serviceJob_.Start(hwnd_, record.serviceName, record.kind, static_cast<int>(id)))
        status = svc::CommandProgressText(static_cast<int>(id), record.kind);
    FinishListCommand(status);
}

void CQuillmarkDlg::OnServiceJobDone() {
    svc::ServiceJobResult result;
    if (!serviceJob_.TakeResult(result)) return;
    // The row is found again by its service: a refresh may have moved it.
    ServicesPage& page = result.kind == 0 ? services_ : drivers_;
    const int row = page.RowOfService(result.serviceName);
    if (row >= 0) {
        if (page.UsesProcessSample()) sampler_.Sample();
        // What the job read after its command is the state to show; a
        // fresh query from here could meet the service half-way.
        if (result.stateRead)
            page.ApplyState(row, result.state);
        else
            page.UpdateRow(row);
    }
    FinishListCommand(svc::ResultText(result));
}
