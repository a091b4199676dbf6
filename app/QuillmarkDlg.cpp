#include "app/QuillmarkDlg.h"

#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "actions/ShellCommands.h"
#include "app/LibraryVersions.h"
#include "base/Resources.h"
#include "core/AppPaths.h"
#include "core/SettingsKeys.h"
#include "dialogs/DescribeAppDlg.h"
#include "dialogs/XMessageBox.h"
#include "progdb/ProgramDatabaseFiles.h"
#include "resource.h"

namespace {
constexpr UINT kTrayIconId = 1;
const char kCaption[] = "Quillmark";
// Both panes of the splitter keep at least this height.
constexpr int kMinimumPane = 150;
// The detail pane's height before the user has moved the splitter.
constexpr int kDefaultDetailHeight = 300;
// Space kept between the window's edges, the bars and the splitter.
constexpr int kMargin = 4;
// A maximised window lies with its frame just off the edges of its monitor's
// work area, its caption at the top. Some systems (Wine) work out the default
// for a popup window with a menu bar as if the bar were frame too: the caption
// then lies above the top of the screen and the window falls short at the
// bottom. Where the default is that, the window gets the usual place instead.
void KeepCaptionOnScreenWhenMaximized(HWND hwnd, MINMAXINFO& mm) {
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(hwnd, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrA(hwnd, GWL_EXSTYLE));
    // The frame alone: without the border bit the caption is not counted.
    RECT frame{};
    if (!::AdjustWindowRectEx(&frame, style & ~WS_BORDER, FALSE, exStyle)) return;
    if (mm.ptMaxPosition.y >= frame.top) return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!::GetMonitorInfoA(::MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const RECT& work = monitor.rcWork;
    mm.ptMaxPosition = {work.left + frame.left, work.top + frame.top};
    mm.ptMaxSize = {work.right - work.left + frame.right - frame.left,
                    work.bottom - work.top + frame.bottom - frame.top};
}
}  // namespace

CQuillmarkDlg::CQuillmarkDlg(const MainWindowSeams& seams)
    : CDialog(IDD_QUILLMARK_DIALOG),
      snapshot_(seams.snapshotSteps),
      sources_{snapshot_, sampler_, protection_, publisherDb_, localDb_, log_},
      applications_(sources_),
      tasks_(sources_),
      services_(sources_, ServiceListKind::Services),
      drivers_(sources_, ServiceListKind::Drivers),
      performance_(sources_),
      pages_{&applications_, &tasks_, &services_, &drivers_, &performance_, &networkPage_},
      lists_{&applications_, &tasks_, &services_, &drivers_},
      power_(seams.power) {}

CQuillmarkDlg::~CQuillmarkDlg() {
    MessageLoop::SetIdleHandler(nullptr);
    MessageLoop::RemoveFilter(this);
    if (!stopAttempted_) StopWorkers();
}

BOOL CQuillmarkDlg::OnInitDialog() {
    SetWindowIcons();
    OpenActivityLog();
    LogSystemLibraryVersions(log_);
    LoadProtectionList();
    InitTabControl();
    CreateMenuBarAndToolbar();
    CreateSplitterAndDetailPane();
    CreateStatusBar();
    AnchorAndCentre();
    CreateListViews();
    LoadViewSettings(true);
    LoadDatabases();
    RestorePlacement(settings::kWindowPosSection);
    CreateTooltipsAndAccelerators();
    UpdateToolbarButtons();
    AddTrayIcon();
    SetStatusText(IDS_READY);
    SetUpdateFrequency(view_.update.index);
    DisableTabControl();
    SelectCurrentTab();
    LayoutWindow();
    StartDatabaseUpdateCheck();
    StartPeriodicTimers();
    StorePrevWnd();
    Refresh();
    initialised_ = true;
    SyncSampling();
    return TRUE;
}

// ---- Start-up steps -------------------------------------------------------------------

void CQuillmarkDlg::SetWindowIcons() {
    largeIcon_.reset(static_cast<HICON>(::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME),
                                                     IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                                                     ::GetSystemMetrics(SM_CYICON), 0)));
    smallIcon_.reset(static_cast<HICON>(::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME),
                                                     IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                                     ::GetSystemMetrics(SM_CYSMICON), 0)));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_.get()));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

void CQuillmarkDlg::OpenActivityLog() {
    log_.Open(ProgramFolder() + "quillmark.log");
    log_.Log("Quillmark is initializing...");
    log_.Log("Version: %s", QM_VERSION_STRING);
    // __DATE__ has the form the log wants: "Feb  6 2006".
    log_.Log("Build Date: %s", __DATE__);
}

void CQuillmarkDlg::LoadProtectionList() { protection_.Load(); }

int CQuillmarkDlg::TabRowHeight() const {
    RECT item{};
    if (tabs_.IsWindow() && ::SendMessageA(tabs_.GetHwnd(), TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)))
        return item.bottom;
    return 24;
}

void CQuillmarkDlg::InitTabControl() {
    log_.Log("Initializing tab control...");
    HWND tab = GetDlgItem(IDC_FUNCTION_TAB);
    if (!tab || !tabs_.Attach(tab)) return;
    tabs_.SetNotifyTarget(hwnd_);
    tabs_.InsertFunctionTabs();
    const HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    const int yOffset = TabRowHeight() + kMargin;
    // The page controls keep their places relative to the tab control's
    // size; the anchors are taken against its size now.
    tabs_.AttachLayout(tab);
    performance_.Create(hwnd_, tabs_, yOffset, font);
    networkPage_.Create(hwnd_, tabs_, yOffset, font);
    // The samplers that feed these pages start once the window is up and can
    // be seen (SyncSampling).
    samplers_.SetWindow(hwnd_);
}

void CQuillmarkDlg::CreateMenuBarAndToolbar() {
    menuBar_.Create(hwnd_);
    toolbar_.Create(hwnd_);
}

void CQuillmarkDlg::CreateSplitterAndDetailPane() {
    RECT rc{};
    if (HWND placeholder = GetDlgItem(IDC_SPLITTER_PLACEHOLDER)) {
        ::GetWindowRect(placeholder, &rc);
        ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rc), 2);
    }
    splitter_.Create(WS_VISIBLE, hwnd_, IDC_MAIN_SPLITTER, rc, kMinimumPane, kMinimumPane);
    log_.Log("Initializing browser control...");
    // The pane makes the browser when the first page with details is shown,
    // and shows the page natively where the browser cannot render it; both
    // log what became of them.
    auto log = [this](const std::string& line) { log_.Log("%s", line.c_str()); };
    HWND pane = nullptr;
    if (detailPane_.CreateOverPlaceholder(hwnd_, IDC_BROWSER_PLACEHOLDER, log)) {
        detailPane_.SetLinkOpener([this](const std::string& url) { ShellOpen(hwnd_, url); });
        pane = detailPane_.GetHwnd();
    }
    DetailViewHooks hooks;
    hooks.log = log;
    hooks.status = [this](const std::string& text) { SetStatusText(text); };
    if (pane) {
        hooks.show = [this](const std::string& url, const DetailModel& model, HICON icon) {
            return detailPane_.Show(url, model, icon);
        };
        hooks.paneShown = [this] { return !splitter_.IsBottomCollapsed(); };
    }
    detail_ = std::make_unique<DetailView>(std::move(hooks));
    splitter_.SetDefaultBottomHeight(kDefaultDetailHeight);
    splitter_.SetPanes(CPaneSplitter::kStacked, hwnd_, tabs_.GetHwnd(), pane, kMinimumPane, kMinimumPane);
}

void CQuillmarkDlg::CreateStatusBar() { status_.Create(hwnd_); }

void CQuillmarkDlg::AnchorAndCentre() {
    if (HWND hidden = GetDlgItem(IDC_HIDDEN_PLACEHOLDER)) ::ShowWindow(hidden, SW_HIDE);
    RECT work{}, rc = GetWindowRect();
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    int x = work.left + ((work.right - work.left) - w) / 2;
    int y = work.top + ((work.bottom - work.top) - h) / 2;
    ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CQuillmarkDlg::CreateListViews() {
    for (ListPage* page : lists_) {
        page->Create(tabs_.GetHwnd());
        page->OnFilterChanged(
            [this](ListPage& changed, const FilteredList::Change& change) { OnFilterChanged(changed, change); });
    }
    ApplyListViewOptions();
}

// Grid lines, row colours, the sorted column's shade and the room for its
// sort arrow apply to every list view of the window, the performance data and
// the adapters included.
void CQuillmarkDlg::ApplyListViewOptions() {
    ListViewOptions options;
    options.showGridLines = view_.showGridLines;
    options.alternateRowColors = view_.alternateRowColors;
    options.fitSortedHeader = view_.autoSizeColumns;
    for (FunctionPage* page : pages_) {
        for (CListCtrlEx* list : page->Lists()) {
            if (!list->IsWindow()) continue;
            list->SetViewOptions(options);
            list->SetHighlightSortColumn(view_.highlightSortColumn, kSortColumnShade);
            list->Invalidate();
        }
    }
}

void CQuillmarkDlg::FitAllColumns() {
    for (FunctionPage* page : pages_)
        if (ListPage* list = page->AsList())
            list->FitColumns();
        else
            for (CListCtrlEx* list : page->Lists()) list->AutoSizeColumns(-1);
}

void CQuillmarkDlg::LoadViewSettings(bool selectLastTab) {
    view_ = ViewSettings::Load(settings_);
    ::SetWindowPos(hwnd_, view_.alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ApplyListViewOptions();
    FunctionTab tab = FunctionTab::Applications;
    if (selectLastTab && LastTabToSelect(settings_, view_, tab) && tabs_.IsWindow()) tabs_.SetCurSel(TabIndex(tab));
}

void CQuillmarkDlg::SaveViewSettings() {
    // Until the tab control exists there is no current tab: keep the stored
    // one instead of overwriting it with the first.
    const FunctionTab tab = tabs_.IsWindow() ? CurrentTab() : TabAt(settings::kLastTabIndex.Read(settings_));
    view_.Save(settings_, tab, viewSaved_ ? &savedView_ : nullptr, savedTab_);
    savedView_ = view_;
    savedTab_ = tab;
    viewSaved_ = true;
}

void CQuillmarkDlg::LoadDatabases() {
    ::LoadDatabases(log_, publisherDb_, localDb_, hwnd_, CommonDataFolder(), ProgramFolder());
}

void CQuillmarkDlg::RestorePlacement(const char* section) {
    std::vector<BYTE> bytes;
    WINDOWPLACEMENT wp{};
    if (settings_.ReadBinary(section, settings::kWindowPlacementValue, bytes) && DecodeWindowPlacement(bytes, wp)) {
        if (view_.startMinimized) wp.showCmd = SW_HIDE;
        ::SetWindowPlacement(hwnd_, &wp);
        return;
    }
    ShowWindow(SW_SHOW);
}

void CQuillmarkDlg::SavePlacement(const char* section) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    if (::GetWindowPlacement(hwnd_, &wp))
        settings_.WriteBinary(section, settings::kWindowPlacementValue, &wp, sizeof(wp));
}

namespace {
// The messages a tooltip control needs to see to show and hide its tip.
bool IsTooltipMouseMessage(UINT message) {
    switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        return true;
    default:
        return false;
    }
}
}  // namespace

void CQuillmarkDlg::CreateTooltipsAndAccelerators() {
    tooltip_ = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, ResourceInstance(),
                                 nullptr);
    if (tooltip_) {
        TOOLINFOA ti{};
        ti.cbSize = sizeof(ti);
        // The tab control's mouse messages are relayed by PreTranslateMessage,
        // not by the tooltip subclassing it: a subclassed window looks up a
        // window property for every message it gets, a server round trip under
        // Wine, and every list notification passes through the tab control.
        ti.uFlags = TTF_IDISHWND;
        ti.hwnd = hwnd_;
        ti.uId = reinterpret_cast<UINT_PTR>(tabs_.GetHwnd());
        ti.lpszText = const_cast<char*>("Function tabs");
        ::SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
        ::SendMessageA(tooltip_, TTM_ACTIVATE, TRUE, 0);
    }
    accelerators_ = ::LoadAcceleratorsA(ResourceInstance(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    MessageLoop::AddFilter(this);
    // The toolbars follow the selection and the protection list whenever the
    // user has done something.
    MessageLoop::SetIdleHandler([this] {
        if (initialised_ && !exiting_) UpdateToolbarButtons();
    });
}

bool CQuillmarkDlg::PreTranslateMessage(MSG& msg) {
    if (!hwnd_ || (msg.hwnd != hwnd_ && !::IsChild(hwnd_, msg.hwnd))) return false;
    if (tooltip_ && msg.hwnd == tabs_.GetHwnd() && IsTooltipMouseMessage(msg.message))
        ::SendMessageA(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && OnTabKey(msg)) return true;
    // A filter box keeps every key: Del, Enter and Ctrl+C work on its text
    // and Esc clears it (the dialog manager hands the keys on).
    if (IsFilterBox(msg.hwnd)) return false;
    if (msg.message == WM_KEYDOWN && OnListKey(msg)) return true;
    // Accelerators come before the dialog manager, which would otherwise take
    // Enter and Ctrl+C for itself.
    return accelerators_ && ::TranslateAcceleratorA(hwnd_, accelerators_, &msg) != 0;
}

bool CQuillmarkDlg::OnTabKey(const MSG& msg) {
    if (::GetKeyState(VK_MENU) < 0) return false;
    const bool back = ::GetKeyState(VK_SHIFT) < 0;
    // Ctrl+Tab goes on to the next tab as Ctrl+1..6 go to theirs.
    if (::GetKeyState(VK_CONTROL) < 0) {
        OnCommand(ID_VIEW_APPLICATIONS + static_cast<UINT>(TabIndex(NeighbourTab(CurrentTab(), back))), 0, nullptr);
        return true;
    }
    // The page's stops, in order.
    std::vector<HWND> stops;
    ListPage* list = VisibleList();
    if (list && ::IsWindowVisible(list->FilterBox().GetHwnd())) stops.push_back(list->FilterBox().GetHwnd());
    for (CListCtrlEx* pageList : VisiblePage().Lists())
        if (::IsWindowVisible(pageList->GetHwnd())) stops.push_back(pageList->GetHwnd());
    if (stops.empty()) return false;
    HWND tabs = tabs_.GetHwnd();
    // What the dialog manager has after the tabs (the detail pane's first
    // stop), or the tabs again when nothing else takes the focus.
    HWND afterTabs = ::GetNextDlgTabItem(hwnd_, tabs, FALSE);
    HWND target = nullptr;
    const auto at = std::find(stops.begin(), stops.end(), msg.hwnd);
    if (msg.hwnd == tabs) {
        // Back from the tabs is the detail page's last stop, when it has one.
        if (!back)
            target = stops.front();
        else if (!afterTabs || afterTabs == tabs)
            target = stops.back();
    } else if (at != stops.end()) {
        if (back)
            target = at == stops.begin() ? tabs : *(at - 1);
        else
            target = at + 1 != stops.end() ? *(at + 1) : (afterTabs ? afterTabs : tabs);
    } else if (back && msg.hwnd == afterTabs) {
        target = stops.back();
    }
    if (!target) return false;
    if (IsFilterBox(target))
        list->FilterBox().Focus();
    else
        ::SetFocus(target);
    return true;
}

bool CQuillmarkDlg::IsFilterBox(HWND window) {
    if (!window) return false;
    for (ListPage* page : lists_)
        if (page->FilterBox().GetHwnd() == window) return true;
    return false;
}

bool CQuillmarkDlg::OnListKey(const MSG& msg) {
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
    const bool others = ::GetKeyState(VK_MENU) < 0 || ::GetKeyState(VK_SHIFT) < 0;
    ListPage* list = VisibleList();
    if (!list || others) return false;
    if (msg.wParam == 'F' && ctrl) {
        list->FilterBox().Focus();
        return true;
    }
    // Delete kills the selected program, with the question Kill asks.
    if (msg.wParam == VK_DELETE && !ctrl && msg.hwnd == list->List().GetHwnd() &&
        (list == &applications_ || list == &tasks_)) {
        OnCommand(ID_PROGRAM_KILL, 0, nullptr);
        return true;
    }
    return false;
}

void CQuillmarkDlg::OnFilterChanged(ListPage& page, const FilteredList::Change& change) {
    UpdateStatusCounts();
    if (change.selectedHidden && &page == VisibleList()) RebuildDetailView();
    UpdateToolbarButtons();
}

void CQuillmarkDlg::AddTrayIcon() {
    tray_.Add(hwnd_, kTrayIconId, WM_TRAY_NOTIFY, smallIcon_.get(), LoadStringResource(IDS_APP_NAME));
    warnSuspect_ = settings::kWarnSuspectPrograms.Read(settings_) != 0;
}

void CQuillmarkDlg::DisableTabControl() {
    if (tabs_.IsWindow()) ::EnableWindow(tabs_.GetHwnd(), FALSE);
}

void CQuillmarkDlg::SelectCurrentTab() { SelectTab(CurrentTab()); }

void CQuillmarkDlg::LayoutWindow() {
    RECT rc = GetClientRect();
    OnSize(SIZE_RESTORED, rc.right, rc.bottom);
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CQuillmarkDlg::StartDatabaseUpdateCheck() {
    updateService_ = std::make_unique<DatabaseUpdateService>(static_cast<DatabaseUpdateHost&>(*this),
                                                             PublisherDatabasePath(CommonDataFolder()), settings_);
    submission_ = std::make_unique<SubmissionService>(static_cast<SubmissionHost&>(*this), localDb_, settings_);
    // Posted, so the check runs once initialisation is over: its connection
    // question is modal, and asked here it held up the rest of the start-up
    // (the first refresh, the placement, "PrevWnd") until it was answered.
    PostMessage(WM_STARTUP_UPDATE_CHECK);
}

void CQuillmarkDlg::StartPeriodicTimers() {
    SetTimer(kDatabaseUpdateTimer, kDatabaseUpdateIntervalMs);
    SetTimer(kAutoModeTimer, 1000);
}

void CQuillmarkDlg::StorePrevWnd() {
    settings::kPrevWnd.Write(settings_, static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(hwnd_)));
}

// ---- Exit --------------------------------------------------------------------------------

void CQuillmarkDlg::Exit() {
    settings_.WriteString(settings::kPrevWnd.section, settings::kPrevWnd.name, "0");
    log_.Log("Quillmark is exiting.");
    // Every timer and posted message handled from here on sees the flag.
    exiting_ = true;
    toolbar_.Destroy();
    if (!snapshot_.IsLoading()) snapshot_.ClearServiceLists();
    KillTimer(kViewUpdateTimer);
    tray_.Remove();
    samplers_.RequestStop();
    // What could not be saved when it changed is tried once more.
    if (!protection_.SaveIfUnsaved()) log_.Log("%s", protection_.SaveFailureText().c_str());
    ::SaveLocalDatabaseIfModified(log_, localDb_, ProgramFolder());
    SaveViewSettings();
    SavePlacement(settings::kWindowPosSection);
    StopWorkers();
    DestroyWindow();
    ::PostQuitMessage(0);
}

// Every background job ends before the window goes: none may post to a
// destroyed window or outlive COM and the system libraries. All are asked to
// stop first and then share one bound, so exit takes seconds even when a job
// waits on the network.
void CQuillmarkDlg::StopWorkers() {
    if (stopAttempted_) return;
    stopAttempted_ = true;
    detailPane_.DestroyWindow();
    samplers_.RequestStop();
    snapshot_.RequestStop();
    closeKill_.RequestStop();
    serviceJob_.RequestStop();
    publisherDb_.RequestStop();
    if (updateService_) updateService_->Updater().RequestStop();
    if (submission_) submission_->Worker().RequestStop();
    const DWORD start = ::GetTickCount();
    auto left = [start] {
        const DWORD spent = ::GetTickCount() - start;
        return spent >= kExitBoundMs ? 0 : kExitBoundMs - spent;
    };
    bool stopped = samplers_.Stop(left());
    stopped = snapshot_.Stop(left()) && stopped;
    stopped = closeKill_.Stop(left()) && stopped;
    stopped = serviceJob_.Stop(left()) && stopped;
    stopped = publisherDb_.Stop(left()) && stopped;
    if (updateService_) stopped = updateService_->Updater().Stop(left()) && stopped;
    if (submission_) stopped = submission_->Worker().Stop(left()) && stopped;
    workersStopped_ = stopped;
    if (!stopped) log_.Log("A background job did not stop in time; the program ends without waiting for it.");
}

bool CQuillmarkDlg::OnClose() {
    if (!view_.exitFromTrayOnly)
        Exit();
    else
        MinimizeToTray();
    return true;
}

// ---- Layout ----------------------------------------------------------------------------------

void CQuillmarkDlg::OnSize(UINT type, int cx, int cy) {
    SyncSampling();
    if (type == SIZE_MINIMIZED) return;
    toolbar_.Layout(cx);
    status_.Layout();
    if (!splitter_.IsWindow()) return;
    const int top = toolbar_.Height() + kMargin;
    const int bottom = cy - status_.Height() - kMargin;
    ::SetWindowPos(splitter_.GetHwnd(), nullptr, kMargin, top, cx > 2 * kMargin ? cx - 2 * kMargin : 0,
                   bottom > top ? bottom - top : 0, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
}

RECT CQuillmarkDlg::TabArea() const {
    RECT area = tabs_.GetClientRect();
    area.top += TabRowHeight();
    ::InflateRect(&area, -kMargin, -kMargin);
    return area;
}

void CQuillmarkDlg::Layout() {
    if (!tabs_.IsWindow()) return;
    const RECT area = TabArea();
    for (FunctionPage* page : pages_) page->Layout(area);
}

// ---- Tabs ------------------------------------------------------------------------------------

FunctionTab CQuillmarkDlg::CurrentTab() const { return TabAt(tabs_.IsWindow() ? tabs_.GetCurSel() : 0); }

FunctionPage& CQuillmarkDlg::Page(FunctionTab tab) { return *pages_[static_cast<size_t>(TabIndex(tab))]; }

bool CQuillmarkDlg::AnyListSorting() {
    for (ListPage* page : lists_)
        if (page->List().IsSorting()) return true;
    return false;
}

void CQuillmarkDlg::SelectTab(FunctionTab tab) {
    if (!tabs_.IsWindow()) return;
    tabs_.SetCurSel(TabIndex(tab));
    ShowTab();
}

// Shows the page of the tab the tab control has selected.
void CQuillmarkDlg::ShowTab() {
    const FunctionTab tab = CurrentTab();
    FunctionPage& shown = Page(tab);
    UpdateToolbarButtons();
    for (FunctionPage* page : pages_) page->Show(page == &shown);
    // The detail pane is for the lists: it comes back at its height when a
    // list is shown again.
    if (shown.UsesDetailPane() && splitter_.IsBottomCollapsed()) {
        splitter_.RestoreBottom();
        if (detailPane_.IsWindow()) ::ShowWindow(detailPane_.GetHwnd(), SW_SHOW);
    } else if (!shown.UsesDetailPane() && !splitter_.IsBottomCollapsed()) {
        splitter_.CollapseBottom();
    }
    LayoutWindow();
    SyncSampling();
    UpdateCurrentView();
    RebuildDetailView();
    UpdateToolbarButtons();
}

// ---- Status bar ------------------------------------------------------------------------------

void CQuillmarkDlg::SetStatusText(const std::string& text) { status_.SetMessage(text); }

void CQuillmarkDlg::SetStatusText(UINT stringId) { SetStatusText(LoadStringResource(stringId)); }

void CQuillmarkDlg::UpdateStatusCounts() {
    ListCount counts[4];
    for (size_t i = 0; i < lists_.size(); ++i)
        counts[i] = ListCount{lists_[i]->RowCount(), lists_[i]->TotalRowCount(), lists_[i]->IsFiltered()};
    status_.SetCounts(counts);
}

void CQuillmarkDlg::OnMenuSelect(UINT id, UINT flags, HMENU menu) {
    if (flags == 0xFFFF && !menu) return;  // the menu closed: WM_EXITMENULOOP says "Ready"
    if (flags & (MF_POPUP | MF_SEPARATOR)) {
        SetStatusText(std::string());
        return;
    }
    SetStatusText(CommandPrompt(id));
}

// ---- Notification area --------------------------------------------------------------------

namespace {
bool MinimizeAnimationOn() {
    ANIMATIONINFO anim{sizeof(anim), 0};
    ::SystemParametersInfoA(SPI_GETANIMATION, sizeof(anim), &anim, 0);
    return anim.iMinAnimate != 0;
}

// Where the caption animation starts or ends: the notification area, at the
// bottom right of the work area.
RECT TrayAnimationRect() {
    RECT r{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    r.left = r.right - 32;
    r.top = r.bottom - 16;
    return r;
}
}  // namespace

void CQuillmarkDlg::MinimizeToTray() {
    if (MinimizeAnimationOn() && IsVisible()) {
        RECT from = GetWindowRect();
        RECT to = TrayAnimationRect();
        ::DrawAnimatedRects(hwnd_, IDANI_CAPTION, &from, &to);
    }
    ShowWindow(SW_HIDE);
    SyncSampling();
}

void CQuillmarkDlg::RestoreFromTray() {
    if (MinimizeAnimationOn()) {
        RECT from = TrayAnimationRect();
        RECT to = GetWindowRect();
        ::DrawAnimatedRects(hwnd_, IDANI_CAPTION, &from, &to);
    }
    ShowWindow(::IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
    SyncSampling();
    ::SetForegroundWindow(hwnd_);
    // Hidden in the tray the view was not updated: bring it up to date now.
    PostMessage(WM_TIMER, kViewUpdateTimer);
}

void CQuillmarkDlg::ShowWindowFrom(WhenShown whenShown) {
    if (!IsVisible()) {
        RestoreFromTray();
    } else if (::IsIconic(hwnd_)) {
        ShowWindow(SW_RESTORE);
    } else if (whenShown == WhenShown::HideInTray) {
        MinimizeToTray();
    } else {
        ::SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ::BringWindowToTop(hwnd_);
        ::SetForegroundWindow(hwnd_);
        ::SetFocus(hwnd_);
    }
}

bool CQuillmarkDlg::CanBeSeen() const { return IsVisible() && !::IsIconic(hwnd_); }

void CQuillmarkDlg::SyncSampling() {
    if (!initialised_ || exiting_) return;
    const bool seen = CanBeSeen();
    samplers_.Run(seen);
    const bool viewSamples = seen && VisiblePage().UsesProcessSample() && updatePolicy_.ArmedMs() > 0;
    samplers_.RunProcessWatch(ViewSamplers::ProcessWatchWanted(warnSuspect_, viewSamples));
    if (seen == seen_) return;
    seen_ = seen;
    log_.Log(seen ? "The window is shown: sampling resumes." : "The window cannot be seen: sampling pauses.");
}

void CQuillmarkDlg::CheckStartedProcesses() {
    const std::vector<SuspectProcess> started =
        suspectWatch_.AfterSample(sampler_, warnSuspect_, [this](const std::string& fileName) {
            return DatabaseRating(fileName, publisherDb_, localDb_);
        });
    for (const SuspectProcess& process : started) {
        tray_.ShowBalloon(kSuspectWarningTitle,
                          SuspectWarningText(process.fileName, RatingNameOf(RatingText(process.rating))));
        warned_ = process;
    }
}

void CQuillmarkDlg::OnWarningClicked() {
    if (warned_.fileName.empty()) return;
    ShowWindowFrom(WhenShown::BringForward);
    SelectTab(FunctionTab::Tasks);
    SelectWarnedProcess();
}

// The warned process has a row only once a refresh has listed it; one that
// the filter hides is shown by clearing the filter.
void CQuillmarkDlg::SelectWarnedProcess() {
    const DWORD pid = warned_.pid;
    if (!tasks_.HasKey(static_cast<LPARAM>(pid))) {
        selectWarnedAfterLoad_ = true;
        Refresh();
        return;
    }
    if (!tasks_.SelectProcess(pid)) {
        tasks_.FilterBox().Clear();
        tasks_.SelectProcess(pid);
    }
    RebuildDetailView();
    UpdateToolbarButtons();
}

void CQuillmarkDlg::OnTrayNotify(LPARAM lp) {
    switch (LOWORD(lp)) {
    case NIN_BALLOONUSERCLICK:
        OnWarningClicked();
        break;
    case WM_LBUTTONDBLCLK:
        ShowWindowFrom(WhenShown::HideInTray);
        break;
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU: {
        MenuHandle menu(::LoadMenuA(ResourceInstance(), MAKEINTRESOURCEA(IDR_TRAY_MENU)));
        HMENU popup = menu ? ::GetSubMenu(menu.get(), 0) : nullptr;
        if (!popup) break;
        ::SetMenuDefaultItem(popup, ID_TRAY_SHOW, FALSE);
        POINT pt{};
        ::GetCursorPos(&pt);
        // The owner must be foreground or the menu does not close when the
        // user clicks elsewhere.
        ::SetForegroundWindow(hwnd_);
        ::TrackPopupMenu(popup, TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd_, nullptr);
        PostMessage(WM_NULL);
        break;
    }
    default:
        break;
    }
}

bool CQuillmarkDlg::OnPaint() {
    if (!::IsIconic(hwnd_)) return false;
    PaintDC paint(hwnd_);
    RECT rc = GetClientRect();
    const int x = (rc.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (rc.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(paint.get(), x, y, largeIcon_.get());
    return true;
}

void CQuillmarkDlg::OnHelp() {
    WaitCursor wait;
    std::string path = ProgramFolder() + "Quillmark.chm";
    if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        ::ShellExecuteA(hwnd_, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    } else {
        std::string text = "The help file was not found:\n\n" + path;
        ::MessageBoxA(hwnd_, text.c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
    }
}

// ---- Services' hosts -------------------------------------------------------------------------

int CQuillmarkDlg::AskUpdateConnection() { return ::AskUpdateConnection(hwnd_); }

bool CQuillmarkDlg::AskDownload(const std::string& text) {
    return ::MessageBoxA(hwnd_, text.c_str(), kCaption, MB_OKCANCEL | MB_ICONINFORMATION) == IDOK;
}

void CQuillmarkDlg::ReloadDatabases() { LoadDatabases(); }

bool CQuillmarkDlg::SaveLocalDatabase() { return ::SaveLocalDatabase(log_, localDb_, ProgramFolder()); }

// ---- Messages --------------------------------------------------------------------------------

bool CQuillmarkDlg::OnNotify(int, NMHDR* hdr, LRESULT& result) {
    if (hdr->hwndFrom == toolbar_.Handle() && hdr->code == TBN_DROPDOWN) {
        toolbar_.ShowPrintMenu(hwnd_);
        result = TBDDRET_DEFAULT;
        return true;
    }
    if (hdr->code == TTN_GETDISPINFOA) {
        // The main toolbar's tooltips: the part of the command's string after
        // the line break.
        auto* di = reinterpret_cast<NMTTDISPINFOA*>(hdr);
        const std::string tip = CommandTooltip(static_cast<UINT>(hdr->idFrom));
        if (tip.empty()) return false;
        ::lstrcpynA(di->szText, tip.c_str(), static_cast<int>(sizeof(di->szText)));
        di->lpszText = di->szText;
        di->hinst = nullptr;
        return true;
    }
    return false;
}

INT_PTR CQuillmarkDlg::DialogProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SHOW_INSTANCE:
        ShowWindowFrom(WhenShown::BringForward);
        SetMsgResult(1);
        return TRUE;
    case WM_TRAY_NOTIFY:
        OnTrayNotify(lp);
        return TRUE;
    case WM_HELP:
        OnHelp();
        return TRUE;
    case WM_SNAPSHOT_STEP:
        OnSnapshotStep(static_cast<int>(wp), lp != 0);
        SetMsgResult(1);
        return TRUE;
    case WM_SNAPSHOT_DONE:
        OnSnapshotDone(wp != 0, static_cast<int>(lp));
        SetMsgResult(1);
        return TRUE;
    case WM_CPU_SAMPLE:
        samplers_.NoteCpuUsage(static_cast<int>(wp));
        performance_.OnCpuReading(static_cast<int>(wp));
        return TRUE;
    case WM_NETWORK_SAMPLE:
        OnNetworkSample();
        return TRUE;
    case WM_FUNCTION_TAB_CHANGED:
        if (!AnyListSorting()) ShowTab();
        return TRUE;
    case WM_FUNCTION_TAB_RESIZED:
        Layout();
        return TRUE;
    case WM_FUNCTION_LIST_CLICKED:
        OnListClicked();
        return TRUE;
    case WM_FUNCTION_LIST_SELECTED:
        SetTimer(kDetailFollowTimer, kDetailFollowDelayMs);
        return TRUE;
    case WM_DATABASE_LOADED:
        OnDatabaseLoaded();
        return TRUE;
    case WM_STARTUP_UPDATE_CHECK:
        if (updateService_ && !exiting_) updateService_->CheckForUpdate(true);
        return TRUE;
    case WM_DATABASE_UPDATE:
        if (updateService_) updateService_->OnDatabaseUpdate(static_cast<DWORD>(wp));
        return TRUE;
    case WM_SUBMISSION_DONE:
        if (submission_) submission_->OnSubmissionDone(wp != 0);
        return TRUE;
    case WM_SERVICE_JOB_DONE:
        OnServiceJobDone();
        return TRUE;
    case WM_CLOSE_JOB_DONE:
    case WM_KILL_JOB_DONE:
        // The lists notice the windows and processes that went at the next
        // view update.
        return TRUE;
    case WM_MENUSELECT:
        OnMenuSelect(LOWORD(wp), HIWORD(wp), reinterpret_cast<HMENU>(lp));
        return TRUE;
    case WM_INITMENUPOPUP:
        OnInitMenu(reinterpret_cast<HMENU>(wp));
        return TRUE;
    case WM_EXITMENULOOP:
        SetStatusText(IDS_READY);
        return TRUE;
    case WM_QUERYDRAGICON:
        SetMsgResult(reinterpret_cast<LRESULT>(largeIcon_.get()));
        return TRUE;
    case WM_MEASUREITEM:
        if (wp == 0 && menuBar_.MeasureItemImage(*reinterpret_cast<MEASUREITEMSTRUCT*>(lp))) {
            SetMsgResult(TRUE);
            return TRUE;
        }
        return CDialog::DialogProc(msg, wp, lp);
    case WM_DRAWITEM:
        if (wp == 0 && menuBar_.DrawItemImage(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp))) {
            SetMsgResult(TRUE);
            return TRUE;
        }
        return CDialog::DialogProc(msg, wp, lp);
    case WM_GETMINMAXINFO: {
        auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
        mm->ptMinTrackSize.x = 420;
        mm->ptMinTrackSize.y = 2 * kMinimumPane + 160;
        KeepCaptionOnScreenWhenMaximized(hwnd_, *mm);
        return TRUE;
    }
    default:
        return CDialog::DialogProc(msg, wp, lp);
    }
}
