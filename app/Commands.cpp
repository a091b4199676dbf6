// The main window's commands: one table maps every command id to its
// handler; the list commands work on the program of the selected row. The
// work itself is done by actions/, progdb/, reports/ and dialogs/.
#include "app/QuillmarkDlg.h"

#include "actions/CloseKill.h"
#include "actions/PowerCommands.h"
#include "actions/ProgramCommands.h"
#include "actions/ServiceControl.h"
#include "actions/ShellCommands.h"
#include "app/pages/RowText.h"
#include "core/AppPaths.h"
#include "core/Text.h"
#include "core/SettingsKeys.h"
#include "dialogs/AboutDlg.h"
#include "dialogs/DescribedProgram.h"
#include "dialogs/SettingsDlg.h"
#include "progdb/ProgramDatabaseFiles.h"
#include "reports/ListExport.h"
#include "reports/ListPrinter.h"
#include "base/Resources.h"
#include "progdb/Submission.h"
#include "resource.h"
#include "sysinfo/AppWindows.h"
#include "sysinfo/FileVersion.h"
#include "sysinfo/LiveState.h"
#include "sysinfo/ProcessHelpers.h"

namespace {
using Handler = void (CQuillmarkDlg::*)(UINT);

struct CommandRoute {
    UINT first;
    UINT last;
    Handler handler;
};

// The web search page: the file name goes in as the value of the query key.
const char kWebSearchPrefix[] = "https://www.google.com/search?q=";
}  // namespace

// ---- The main dispatcher ---------------------------------------------------------------

bool CQuillmarkDlg::OnCommand(UINT id, UINT /*code*/, HWND /*ctl*/) {
    static const CommandRoute kRoutes[] = {
        {ID_APP_ABOUT_CMD, ID_APP_ABOUT_CMD, &CQuillmarkDlg::CmdAbout},
        {ID_APP_EXIT_CMD, ID_APP_EXIT_CMD, &CQuillmarkDlg::CmdExit},
        {ID_VIEW_REFRESH, ID_VIEW_REFRESH, &CQuillmarkDlg::CmdRefresh},
        {ID_EDIT_SETTINGS, ID_EDIT_SETTINGS, &CQuillmarkDlg::CmdSettings},
        {ID_FILE_EXPORT, ID_FILE_EXPORT, &CQuillmarkDlg::CmdExport},
        {ID_FILE_PRINT_DETAILS, ID_FILE_PRINT_DETAILS, &CQuillmarkDlg::CmdPrintDetails},
        {ID_FILE_PRINT_LIST, ID_FILE_PRINT_LIST, &CQuillmarkDlg::CmdPrintList},
        {ID_EDIT_COPY_ITEM, ID_EDIT_COPY_ITEM, &CQuillmarkDlg::CmdCopy},
        {ID_PROGRAM_BRING_TO_FRONT, ID_PROGRAM_BRING_TO_FRONT, &CQuillmarkDlg::CmdBringToFront},
        {ID_HELP_CONTENTS, ID_HELP_CONTENTS, &CQuillmarkDlg::CmdHelp},
        {ID_PROGRAM_CLOSE_ALL, ID_PROGRAM_CLOSE_ALL, &CQuillmarkDlg::CmdCloseAll},
        {ID_VIEW_APPLICATIONS, ID_VIEW_NETWORK, &CQuillmarkDlg::CmdSelectTab},
        {ID_SYSTEM_SHUTDOWN, ID_SYSTEM_STAND_BY, &CQuillmarkDlg::CmdPower},
        {ID_UPDATE_DISABLE, ID_UPDATE_DISABLE, &CQuillmarkDlg::CmdDisableUpdate},
        {ID_UPDATE_0_5_SECONDS, ID_UPDATE_10_SECONDS, &CQuillmarkDlg::CmdUpdateFrequency},
        {ID_VIEW_GRID_LINES, ID_VIEW_KEEP_ON_TOP, &CQuillmarkDlg::CmdToggleView},
        {ID_PROGRAM_CLOSE, ID_PROGRAM_CLOSE, &CQuillmarkDlg::CmdCloseProgram},
        {ID_TRAY_SHOW, ID_TRAY_SHOW, &CQuillmarkDlg::CmdTrayShow},
        {ID_UPDATE_AUTO_MODE, ID_UPDATE_AUTO_MODE, &CQuillmarkDlg::CmdAutoMode},
    };
    for (const CommandRoute& route : kRoutes) {
        if (id >= route.first && id <= route.last) {
            (this->*route.handler)(id);
            return true;
        }
    }
    return OnListCommand(id);
}

bool CQuillmarkDlg::Confirm(const std::string& text) {
    if (settings::kPromptUser.Read(settings_) == 0) return true;
    return ::MessageBoxA(hwnd_, text.c_str(), "Quillmark", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

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
    if (dialog.DoModal(hwnd_) != IDOK) return;
    LoadViewSettings(false);
    SetUpdateFrequency(view_.updateTimeIndex);
    if (view_.autoSizeColumns) {
        FitAllColumns();
    }
}

void CQuillmarkDlg::CmdExport(UINT) {
    ListPage* page = VisiblePage();
    if (!page) return;
    const std::string status = ExportListCommand(hwnd_, page->List().GetHwnd());
    if (!status.empty()) SetStatusText(status);
}

void CQuillmarkDlg::CmdPrintDetails(UINT) {
    if (browser_.HasControl()) browser_.PrintWithPrompt();
}

void CQuillmarkDlg::CmdPrintList(UINT) {
    ListPage* page = VisiblePage();
    if (page) PrintListCommand(hwnd_, page->List().GetHwnd(), "Quillmark Data");
}

void CQuillmarkDlg::CmdCopy(UINT) {
    ListPage* page = VisiblePage();
    if (!page) return;
    CListCtrlEx& list = page->List();
    const int row = list.GetSelectedItem();
    if (::GetFocus() != list.GetHwnd()) {
        // The focus is elsewhere, in the detail pane say: copy its selection.
        browser_.CopySelection();
        return;
    }
    if (row < 0) return;
    const std::string text = Trim(list.GetRowText(row));
    if (text.empty() || !::OpenClipboard(hwnd_)) return;
    ::EmptyClipboard();
    if (HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
        if (void* p = ::GlobalLock(mem)) {
            memcpy(p, text.c_str(), text.size() + 1);
            ::GlobalUnlock(mem);
            if (!::SetClipboardData(CF_TEXT, mem)) ::GlobalFree(mem);
        } else {
            ::GlobalFree(mem);
        }
    }
    ::CloseClipboard();
    SetStatusText("Selected item text copied to the clipboard");
}

void CQuillmarkDlg::CmdBringToFront(UINT) {
    if (CurrentTab() != kTabApplications) return;
    HWND window = applications_.WindowAt(applications_.List().GetSelectedItem());
    if (WindowExists(window)) BringToFront(window);
}

void CQuillmarkDlg::CmdHelp(UINT) { OnHelp(); }

void CQuillmarkDlg::CmdCloseAll(UINT) {
    if (CurrentTab() != kTabApplications) return;
    std::vector<HWND> windows;
    for (int row = 0; row < applications_.RowCount(); ++row) windows.push_back(applications_.WindowAt(row));
    CloseAllApplications(closeKill_, protection_, windows, [this](const std::string& t) { return Confirm(t); },
                         hwnd_);
}

void CQuillmarkDlg::CmdSelectTab(UINT id) { SelectTab(static_cast<int>(id - ID_VIEW_APPLICATIONS)); }

void CQuillmarkDlg::CmdPower(UINT id) {
    RunPowerCommand(static_cast<int>(id), [this](const std::string& t) { return Confirm(t); },
                    power_ ? *power_ : SystemPower());
}

void CQuillmarkDlg::CmdDisableUpdate(UINT) {
    view_.autoUpdateEnabled = false;
    view_.autoMode = false;
    SetUpdateFrequency(view_.updateTimeIndex);
    SetStatusText("Auto update disabled");
}

void CQuillmarkDlg::CmdUpdateFrequency(UINT id) {
    view_.autoUpdateEnabled = true;
    view_.autoMode = false;
    SetUpdateFrequency(static_cast<int>(id - ID_UPDATE_0_5_SECONDS));
}

void CQuillmarkDlg::CmdAutoMode(UINT) {
    view_.autoMode = !view_.autoMode;
    SetUpdateFrequency(view_.updateTimeIndex);
    SaveViewSettings();
}

void CQuillmarkDlg::CmdToggleView(UINT id) {
    switch (id) {
    case ID_VIEW_GRID_LINES:
        view_.showGridLines = !view_.showGridLines;
        ApplyListViewOptions();
        break;
    case ID_VIEW_ALTERNATE_ROWS:
        view_.alternateRowColors = !view_.alternateRowColors;
        SaveViewSettings();
        ApplyListViewOptions();
        return;
    case ID_VIEW_AUTOSIZE_COLUMNS:
        view_.autoSizeColumns = !view_.autoSizeColumns;
        if (view_.autoSizeColumns) {
            FitAllColumns();
        }
        break;
    case ID_VIEW_KEEP_ON_TOP:
        view_.alwaysOnTop = !view_.alwaysOnTop;
        ::SetWindowPos(hwnd_, view_.alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        // The stored value is the settings dialog's: the toggle lasts for
        // this run.
        break;
    default:
        return;
    }
    SaveViewSettings();
}

void CQuillmarkDlg::CmdCloseProgram(UINT) {
    if (CurrentTab() != kTabApplications) return;
    HWND window = applications_.WindowAt(applications_.List().GetSelectedItem());
    if (!window) return;
    CloseApplication(closeKill_, protection_, window, [this](const std::string& t) { return Confirm(t); }, hwnd_);
    UpdateTabToolbar();
}

void CQuillmarkDlg::CmdTrayShow(UINT) { OnTrayShowCommand(); }

// ---- The list commands ---------------------------------------------------------------------

bool CQuillmarkDlg::DeriveProgram(SelectedProgram& program) {
    program.tab = CurrentTab();
    ListPage* page = PageOfTab(program.tab);
    if (!page) return false;
    program.row = page->List().GetSelectedItem();
    if (program.row < 0) return false;
    switch (program.tab) {
    case kTabApplications:
        program.window = applications_.WindowAt(program.row);
        if (!WindowExists(program.window)) return false;
        ::GetWindowThreadProcessId(program.window, &program.pid);
        ProcessCreateTime(program.pid, program.createTime);
        program.path = WindowProgramPath(program.window);
        break;
    case kTabTasks:
        program.pid = tasks_.PidAt(program.row);
        program.createTime = tasks_.CreateTimeAt(program.row);
        if (!CanQueryProcess(program.pid)) return false;
        if (!GetProcessImagePath(program.pid, program.path)) return false;
        program.path = NormaliseImagePath(program.path);
        break;
    default:
        program.record = ServicesPageOf(program.tab).RecordAt(program.row);
        if (!program.record) return false;
        program.path = program.record->imagePath;
        break;
    }
    if (program.path.empty()) return false;
    GetProgramDetails(program.path, program.details, publisherDb_, localDb_);
    program.fileName = FileNameOf(program.path);
    return true;
}

void CQuillmarkDlg::RefreshProtectionCells(const SelectedProgram&) {
    applications_.RefreshProtection();
    tasks_.RefreshProtection();
}

void CQuillmarkDlg::DeleteRow(int tab, int row) {
    ListPage* page = PageOfTab(tab);
    if (!page) return;
    page->List().SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(row));
    page->List().Invalidate();
    UpdateStatusCounts();
}

bool CQuillmarkDlg::OnListCommand(UINT id) {
    const int tab = CurrentTab();
    if (tab < kTabApplications || tab > kTabDrivers) return false;
    const bool programList = tab == kTabApplications || tab == kTabTasks;
    const bool serviceList = tab == kTabServices || tab == kTabDrivers;
    // Only the commands this tab offers; Enter and Ctrl+Enter do nothing on
    // the Services and Drivers tabs.
    switch (id) {
    case ID_PROGRAM_DESCRIBE:
    case ID_PROGRAM_PROPERTIES:
    case ID_PROGRAM_WEBSITE:
    case ID_PROGRAM_SEARCH_GOOGLE:
    case ID_PROGRAM_OPEN_FOLDER:
        break;
    case ID_PROGRAM_ALLOW_CLOSE:
    case ID_PROGRAM_ALLOW_KILL:
    case ID_PROGRAM_PROTECT:
    case ID_PROGRAM_UNPROTECT:
    case ID_PROGRAM_KILL:
    case ID_PROGRAM_KILL_ALL:
        if (!programList) return false;
        break;
    default:
        if (!serviceList) return false;
        if (!((id >= ID_SERVICE_START && id <= ID_SERVICE_RESTART) || (id >= ID_STARTUP_BOOT && id <= ID_STARTUP_DISABLED)))
            return false;
        break;
    }
    // Kill all works on the whole list, with or without a selection.
    if (id == ID_PROGRAM_KILL_ALL) {
        auto confirm = [this](const std::string& t) { return Confirm(t); };
        if (tab == kTabApplications) {
            std::vector<HWND> windows;
            for (int row = 0; row < applications_.RowCount(); ++row) windows.push_back(applications_.WindowAt(row));
            const int killed = KillAllApplications(protection_, windows, confirm);
            if (killed >= 0) SetStatusText(ApplicationsKilledText(killed));
        } else {
            std::vector<TaskRow> rows;
            for (int row = 0; row < tasks_.RowCount(); ++row)
                rows.push_back(TaskRow{tasks_.PidAt(row), tasks_.List().GetCellText(row, 0), tasks_.CreateTimeAt(row)});
            KillAllTasks(closeKill_, protection_, rows, confirm, hwnd_);
        }
        UpdateTabToolbar();
        return true;
    }
    SelectedProgram program;
    if (!DeriveProgram(program)) return true;  // no row, or its program is gone: nothing to do
    std::string status;
    switch (id) {
    case ID_PROGRAM_DESCRIBE:
        if (submission_ && DescribeProgramWithDialog(hwnd_, program.path, publisherDb_, localDb_,
                                                     LocalDatabasePath(ProgramFolder()), *submission_))
            RebuildDetailView();
        break;
    case ID_PROGRAM_PROPERTIES:
        ShowFileProperties(hwnd_, program.path);
        break;
    case ID_PROGRAM_WEBSITE:
        if (!program.details.webSite.empty()) ShellOpen(hwnd_, program.details.webSite);
        break;
    case ID_PROGRAM_SEARCH_GOOGLE:
        // The name is a query value: "&", "#" or a space must not end it.
        ShellOpen(hwnd_, kWebSearchPrefix + EncodeQueryValue(program.fileName));
        break;
    case ID_PROGRAM_OPEN_FOLDER: {
        const size_t slash = program.path.find_last_of('\\');
        if (slash != std::string::npos) ShellOpen(hwnd_, program.path.substr(0, slash + 1));
        break;
    }
    case ID_PROGRAM_ALLOW_CLOSE:
        // The Tasks menu offers it too: it flips the close permission there
        // as it does on the Applications list.
        ToggleAllowClose(protection_, program.fileName);
        RefreshProtectionCells(program);
        break;
    case ID_PROGRAM_ALLOW_KILL:
        ToggleAllowKill(protection_, program.fileName, tab == kTabTasks);
        RefreshProtectionCells(program);
        break;
    case ID_PROGRAM_PROTECT:
        ProtectProgram(protection_, program.fileName);
        RefreshProtectionCells(program);
        break;
    case ID_PROGRAM_UNPROTECT:
        if (UnprotectProgram(protection_, program.fileName)) RefreshProtectionCells(program);
        break;
    case ID_PROGRAM_KILL:
        if (KillProgram(protection_, program.pid, program.createTime, program.path,
                        [this](const std::string& t) { return Confirm(t); }))
            DeleteRow(tab, program.row);
        break;
    default:
        if (program.record && svc::RunCommand(*program.record, static_cast<int>(id), status)) {
            if (tab == kTabServices) sampler_.Sample();
            ServicesPageOf(tab).UpdateRow(program.row);
        }
        break;
    }
    UpdateTabToolbar();
    if (!status.empty()) SetStatusText(status);
    return true;
}

// ---- Enable and check states ---------------------------------------------------------------

std::string CQuillmarkDlg::SelectedName() {
    const int tab = CurrentTab();
    if (tab != kTabApplications && tab != kTabTasks) return std::string();
    CListCtrlEx& list = PageOfTab(tab)->List();
    const int row = list.GetSelectedItem();
    return row < 0 ? std::string() : list.GetCellText(row, 0);
}

bool CQuillmarkDlg::IsCommandEnabled(UINT id) {
    const int tab = CurrentTab();
    switch (id) {
    case ID_FILE_EXPORT:
    case ID_FILE_PRINT_DETAILS:
    case ID_FILE_PRINT_LIST:
    case ID_FILE_PRINT_DROPDOWN:
    case ID_EDIT_COPY_ITEM:
        return tab >= kTabApplications && tab <= kTabDrivers;
    default: {
        const std::string name = SelectedName();
        return ProgramCommandEnabled(static_cast<int>(id), name, protection_.GetFlags(name));
    }
    }
}

void CQuillmarkDlg::UpdateToolbarStates() {
    const std::string name = SelectedName();
    for (UINT id : toolbar_.Commands()) {
        toolbar_.EnableButton(id, IsCommandEnabled(id));
        if (id == ID_PROGRAM_ALLOW_CLOSE) toolbar_.CheckButton(id, protection_.CanClose(name));
        if (id == ID_PROGRAM_ALLOW_KILL) toolbar_.CheckButton(id, protection_.CanKill(name));
    }
}

void CQuillmarkDlg::UpdateTabToolbar() {
    const int tab = CurrentTab();
    ListPage* page = PageOfTab(tab);
    if (!page || !page->Toolbar().IsWindow()) return;
    CTabToolBar& bar = page->Toolbar();
    const int row = page->List().GetSelectedItem();
    const bool selected = row >= 0;
    if (tab == kTabApplications || tab == kTabTasks) {
        const std::string name = selected ? page->List().GetCellText(row, 0) : std::string();
        for (UINT id : bar.Commands()) {
            if (id == 0) continue;
            ButtonState state =
                ProgramToolbarButton(static_cast<int>(id), tab == kTabTasks, protection_, name, selected, page->RowCount());
            bar.EnableButton(id, state.enabled);
            bar.CheckButton(id, state.checked);
        }
        return;
    }
    ServiceInfo* record = selected ? ServicesPageOf(tab).RecordAt(row) : nullptr;
    const svc::ToolbarState s = svc::QueryToolbarState(record);
    bar.EnableButton(ID_SERVICE_START, s.start);
    bar.EnableButton(ID_SERVICE_STOP, s.stop);
    bar.EnableButton(ID_SERVICE_PAUSE, s.pause);
    bar.EnableButton(ID_SERVICE_CONTINUE, s.resume);
    bar.EnableButton(ID_SERVICE_RESTART, s.restart);
    for (UINT id : {ID_PROGRAM_DESCRIBE, ID_PROGRAM_PROPERTIES, ID_PROGRAM_WEBSITE, ID_PROGRAM_SEARCH_GOOGLE,
                    ID_PROGRAM_OPEN_FOLDER})
        bar.EnableButton(id, selected);
}

void CQuillmarkDlg::OnInitMenu(HMENU menu) {
    auto check = [menu](UINT id, bool on) { ::CheckMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED)); };
    auto enable = [menu](UINT id, bool on) { ::EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
    const int tab = CurrentTab();
    if (tab >= 0) ::CheckMenuRadioItem(menu, ID_VIEW_APPLICATIONS, ID_VIEW_NETWORK, ID_VIEW_APPLICATIONS + tab, MF_BYCOMMAND);
    for (UINT id = ID_UPDATE_DISABLE; id <= ID_UPDATE_10_SECONDS; ++id) check(id, false);
    if (!view_.autoMode) {
        const UINT mark = view_.autoUpdateEnabled ? ID_UPDATE_0_5_SECONDS + view_.updateTimeIndex : ID_UPDATE_DISABLE;
        ::CheckMenuRadioItem(menu, mark, mark, mark, MF_BYCOMMAND);
    }
    check(ID_UPDATE_AUTO_MODE, view_.autoMode);
    check(ID_VIEW_GRID_LINES, view_.showGridLines);
    check(ID_VIEW_ALTERNATE_ROWS, view_.alternateRowColors);
    check(ID_VIEW_AUTOSIZE_COLUMNS, view_.autoSizeColumns);
    check(ID_VIEW_KEEP_ON_TOP, view_.alwaysOnTop);
    // The startup choices of a context menu: the record's start type.
    if (tab == kTabServices || tab == kTabDrivers) {
        ServicesPage& page = ServicesPageOf(tab);
        if (ServiceInfo* record = page.RecordAt(page.List().GetSelectedItem())) {
            const UINT mark = ID_STARTUP_BOOT + static_cast<UINT>(record->startType);
            if (record->startType >= 0 && record->startType <= 4)
                ::CheckMenuRadioItem(menu, ID_STARTUP_BOOT, ID_STARTUP_DISABLED, mark, MF_BYCOMMAND);
        }
    }
    for (UINT id : {ID_FILE_EXPORT, ID_FILE_PRINT_DETAILS, ID_FILE_PRINT_LIST, ID_EDIT_COPY_ITEM, ID_PROGRAM_KILL,
                    ID_PROGRAM_CLOSE, ID_PROGRAM_PROTECT, ID_PROGRAM_ALLOW_CLOSE, ID_PROGRAM_ALLOW_KILL,
                    ID_PROGRAM_UNPROTECT})
        enable(id, IsCommandEnabled(id));
}
