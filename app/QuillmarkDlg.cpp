#include "app/QuillmarkDlg.h"

#include <shellapi.h>

#include "app/LibraryVersions.h"
#include "app/pages/RowText.h"
#include "core/AppPaths.h"
#include "core/SettingsKeys.h"
#include "dialogs/XMessageBox.h"
#include "base/Resources.h"
#include "progdb/ProgramDatabaseFiles.h"
#include "resource.h"

namespace {
constexpr UINT kTrayIconId = 1;
const char kCaption[] = "Quillmark";
// Both panes of the splitter keep at least this height.
constexpr int kMinimumPane = 150;
// Space kept between the window's edges, the bars and the splitter.
constexpr int kMargin = 4;
}  // namespace

CQuillmarkDlg::CQuillmarkDlg(const MainWindowSeams& seams)
    : CDialog(IDD_QUILLMARK_DIALOG),
      snapshot_(seams.snapshotSteps),
      sources_{snapshot_, sampler_, protection_, publisherDb_, localDb_, log_},
      applications_(sources_),
      tasks_(sources_),
      services_(sources_, 0),
      drivers_(sources_, 1),
      performance_(sources_),
      power_(seams.power) {}

CQuillmarkDlg::~CQuillmarkDlg() {
    MessageLoop::SetIdleHandler(nullptr);
    MessageLoop::RemoveFilter(this);
    if (!stopAttempted_) StopWorkers();
}

BOOL CQuillmarkDlg::OnInitDialog() {
    SetWindowIcons();                  // 1
    OpenActivityLog();                 // 2
    LogSystemLibraryVersions();        // 3
    LoadProtectionList();              // 4
    InitTabControl();                  // 5
    LoadStateIcons();                  // 6
    CreateMenuBarAndToolbar();         // 7
    CreateSplitterAndBrowser();        // 8
    SetToolbarImageLists();            // 9
    CreateStatusBar();                 // 10
    AnchorAndCentre();                 // 11
    CreateListViews();                 // 12
    LoadViewSettings(true);            // 13
    LoadDatabases();                   // 14
    RestorePlacement(settings::kWindowPosSection);  // 15
    CreateTooltipsAndAccelerators();   // 16
    UpdateToolbarButtons();            // 17
    AddTrayIcon();                     // 18
    ShowReadyStatus();                 // 19
    ArmViewUpdateTimer();              // 20
    DisableTabControl();               // 21
    SelectCurrentTab();                // 22
    LayoutWindow();                    // 23
    StartDatabaseUpdateCheck();        // 24
    StartPeriodicTimers();             // 25
    StorePrevWnd();                    // 26
    StartFirstRefresh();               // 27
    initialised_ = true;               // 28
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

void CQuillmarkDlg::LogSystemLibraryVersions() { ::LogSystemLibraryVersions(log_); }

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
    // The network monitor starts when its page is first shown (SyncSampling):
    // its thread would otherwise be made only to be stopped a second later.
}

// The four default row icons are loaded by the pages with their lists.
void CQuillmarkDlg::LoadStateIcons() {}

void CQuillmarkDlg::CreateMenuBarAndToolbar() {
    menuBar_.Create(hwnd_);
    toolbar_.Create(hwnd_);
}

void CQuillmarkDlg::CreateSplitterAndBrowser() {
    RECT rc{};
    if (HWND placeholder = GetDlgItem(IDC_SPLITTER_PLACEHOLDER)) {
        ::GetWindowRect(placeholder, &rc);
        ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rc), 2);
    }
    splitter_.Create(WS_VISIBLE, hwnd_, IDC_MAIN_SPLITTER, rc, kMinimumPane, kMinimumPane);
    log_.Log("Initializing browser control...");
    // A failed creation is logged by the browser host; the program then runs
    // without a detail pane.
    if (browser_.CreateOverPlaceholder(hwnd_, IDC_BROWSER_PLACEHOLDER,
                                       [this](const std::string& line) { log_.Log("%s", line.c_str()); })) {
        log_.Log("Web browser created.");
        detailPane_ = browser_.GetHwnd();
    }
    DetailViewHooks hooks;
    hooks.log = [this](const std::string& line) { log_.Log("%s", line.c_str()); };
    hooks.status = [this](const std::string& text) { SetStatusText(text); };
    if (detailPane_) {
        hooks.navigate = [this](const std::string& url) { return browser_.Navigate(url); };
        hooks.resetDocument = [this] { browser_.ResetDocument(); };
        hooks.paneShown = [this] { return !splitter_.IsBottomCollapsed(); };
    }
    detail_ = std::make_unique<DetailView>(std::move(hooks));
    // At the first start the lists get the room: the detail pane starts at
    // its minimum height (in the template's window, twice that left the
    // lists three rows).
    splitter_.SetDefaultBottomHeight(kMinimumPane);
    splitter_.SetPanes(CPaneSplitter::kStacked, hwnd_, tabs_.GetHwnd(), detailPane_, kMinimumPane, kMinimumPane);
}

// The main toolbar takes its three image lists when it is created.
void CQuillmarkDlg::SetToolbarImageLists() {}

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
    for (ListPage* page : ListPages()) page->Create(tabs_.GetHwnd());
    ApplyListViewOptions();
}

void CQuillmarkDlg::ApplyListViewOptions() {
    for (ListPage* page : ListPages()) {
        CListCtrlEx& list = page->List();
        if (!list.IsWindow()) continue;
        ListViewOptions options;
        options.showGridLines = view_.showGridLines;
        options.alternateRowColors = view_.alternateRowColors;
        list.SetViewOptions(options);
        list.SetHighlightSortColumn(view_.highlightSortColumn, kSortColumnShade);
        list.Invalidate();
    }
}

void CQuillmarkDlg::LoadViewSettings(bool selectLastTab) {
    view_ = ViewSettings::Load(settings_);
    // No interval is defined outside 0..4: such a stored value reads as the
    // default two seconds.
    view_.updateTimeIndex = rowtext::ValidUpdateIndex(settings::kUpdateTime.Read(settings_));
    ::SetWindowPos(hwnd_, view_.alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ApplyListViewOptions();
    if (selectLastTab) {
        const int tab = LastTabToSelect(settings_, view_);
        if (tab >= 0 && tabs_.IsWindow()) tabs_.SetCurSel(tab);
    }
}

void CQuillmarkDlg::SaveViewSettings() {
    // Until the tab control exists there is no current tab: keep the stored
    // one instead of overwriting it with 0.
    const int tab = tabs_.IsWindow() ? tabs_.GetCurSel() : settings::kLastTabIndex.Read(settings_);
    view_.Save(settings_, tab < 0 ? 0 : tab);
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

void CQuillmarkDlg::CreateTooltipsAndAccelerators() {
    tooltip_ = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, ResourceInstance(),
                                 nullptr);
    if (tooltip_) {
        TOOLINFOA ti{};
        ti.cbSize = sizeof(ti);
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
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
    // Accelerators come before the dialog manager, which would otherwise take
    // Enter and Ctrl+C for itself.
    if (accelerators_ && hwnd_ && (msg.hwnd == hwnd_ || ::IsChild(hwnd_, msg.hwnd)))
        return ::TranslateAcceleratorA(hwnd_, accelerators_, &msg) != 0;
    return false;
}

void CQuillmarkDlg::UpdateToolbarButtons() {
    UpdateToolbarStates();
    UpdateTabToolbar();
}

void CQuillmarkDlg::AddTrayIcon() {
    tray_.Add(hwnd_, kTrayIconId, WM_TRAY_NOTIFY, smallIcon_.get(), LoadStringResource(IDS_APP_NAME));
}

void CQuillmarkDlg::ShowReadyStatus() { SetStatusText(IDS_READY); }

void CQuillmarkDlg::ArmViewUpdateTimer() { SetUpdateFrequency(view_.updateTimeIndex); }

void CQuillmarkDlg::DisableTabControl() {
    if (tabs_.IsWindow()) ::EnableWindow(tabs_.GetHwnd(), FALSE);
}

void CQuillmarkDlg::SelectCurrentTab() {
    const int tab = tabs_.IsWindow() ? tabs_.GetCurSel() : 0;
    SelectTab(tab < 0 ? 0 : tab);
}

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
    SetTimer(kDatabaseUpdateTimer, 3600000);
    SetTimer(kAutoModeTimer, 1000);
}

void CQuillmarkDlg::StorePrevWnd() {
    settings::kPrevWnd.Write(settings_, static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(hwnd_)));
}

void CQuillmarkDlg::StartFirstRefresh() { Refresh(); }

// ---- Exit --------------------------------------------------------------------------------

void CQuillmarkDlg::Exit() {
    settings_.WriteString(settings::kPrevWnd.section, settings::kPrevWnd.name, "0");  // 1
    log_.Log("Quillmark is exiting.");                                                 // 2
    exiting_ = true;                                                                   // 3
    DestroyMainToolbar();                                                              // 4
    ReleaseSnapshotLists();                                                            // 5
    KillTimer(kViewUpdateTimer);                                                       // 6
    tray_.Remove();                                                                    // 7
    StopNetworkMonitor();                                                              // 8
    SaveViewSettings();                                                                // 9
    SavePlacement(settings::kWindowPosSection);                                        // 10
    StopWorkers();
    DestroyWindow();                                                                   // 11
    ::PostQuitMessage(0);
}

void CQuillmarkDlg::DestroyMainToolbar() { toolbar_.Destroy(); }

void CQuillmarkDlg::ReleaseSnapshotLists() {
    if (!snapshot_.IsLoading()) snapshot_.ClearServiceLists();
}

void CQuillmarkDlg::StopNetworkMonitor() { network_.Stop(); }

// Every background job ends before the window goes: none may post to a
// destroyed window or outlive COM and the system libraries. All are told to
// stop first and then share one bound, so exit takes seconds even when a job
// waits on the network.
void CQuillmarkDlg::StopWorkers() {
    if (stopAttempted_) return;
    stopAttempted_ = true;
    browser_.Destroy();
    network_.Stop(0);
    snapshot_.Stop(0);
    closeKill_.Stop(0);
    if (updateService_) updateService_->Updater().Stop(0);
    if (submission_) submission_->Worker().Stop(0);
    const DWORD start = ::GetTickCount();
    auto left = [start] {
        const DWORD spent = ::GetTickCount() - start;
        return spent >= kExitBoundMs ? 0 : kExitBoundMs - spent;
    };
    bool stopped = network_.Stop(left());
    stopped = snapshot_.Stop(left()) && stopped;
    stopped = closeKill_.Stop(left()) && stopped;
    if (updateService_) stopped = updateService_->Updater().Stop(left()) && stopped;
    if (submission_) stopped = submission_->Worker().Stop(left()) && stopped;
    publisherDb_.WaitForLoad();
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
    for (ListPage* page : ListPages()) page->Layout(area);
}

// ---- Tabs ------------------------------------------------------------------------------------

int CQuillmarkDlg::CurrentTab() const { return tabs_.IsWindow() ? tabs_.GetCurSel() : -1; }

ListPage* CQuillmarkDlg::PageOfTab(int tab) {
    switch (tab) {
    case kTabApplications: return &applications_;
    case kTabTasks: return &tasks_;
    case kTabServices: return &services_;
    case kTabDrivers: return &drivers_;
    default: return nullptr;
    }
}

ListPage* CQuillmarkDlg::VisiblePage() { return PageOfTab(CurrentTab()); }

std::array<ListPage*, 4> CQuillmarkDlg::ListPages() { return {&applications_, &tasks_, &services_, &drivers_}; }

ServicesPage& CQuillmarkDlg::ServicesPageOf(int tab) { return tab == kTabDrivers ? drivers_ : services_; }

void CQuillmarkDlg::FitAllColumns() {
    for (ListPage* page : ListPages()) page->List().AutoSizeColumns(-1);
    performance_.DataList().AutoSizeColumns(-1);
    networkPage_.AdapterList().AutoSizeColumns(-1);
}

bool CQuillmarkDlg::AnyListSorting() {
    for (ListPage* page : ListPages())
        if (page->List().IsSorting()) return true;
    return false;
}

void CQuillmarkDlg::SelectTab(int index) {
    if (!tabs_.IsWindow() || index < 0 || index >= kFunctionTabCount) return;
    tabs_.SetCurSel(index);
    ShowTab(index);
}

void CQuillmarkDlg::ShowTab(int index) {
    index = CurrentTab();
    if (index < 0) return;
    const bool detailUsed = index <= kTabDrivers;                     // 1
    UpdateToolbarButtons();                                            // 2
    for (int tab = kTabApplications; tab <= kTabDrivers; ++tab)        // 3
        PageOfTab(tab)->Show(tab == index);
    performance_.Show(index == kTabPerformance);
    networkPage_.Show(index == kTabNetwork);
    if (detailUsed && splitter_.IsBottomCollapsed()) {                 // 4
        splitter_.RestoreBottom();
        if (detailPane_) ::ShowWindow(detailPane_, SW_SHOW);
    } else if (!detailUsed && !splitter_.IsBottomCollapsed()) {
        splitter_.CollapseBottom();
    }
    RECT rc = GetClientRect();                                         // 5
    OnSize(SIZE_RESTORED, rc.right, rc.bottom);
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    lastTab_ = index;
    SyncSampling();
    UpdateCurrentView();                                               // 6
    RebuildDetailView();
    UpdateToolbarButtons();
}

void CQuillmarkDlg::SetMemoryKind(int kind) { performance_.SetMemoryKind(hwnd_, kind); }

// ---- Status bar ------------------------------------------------------------------------------

void CQuillmarkDlg::SetStatusText(const std::string& text) { status_.SetMessage(text); }

void CQuillmarkDlg::SetStatusText(UINT stringId) { SetStatusText(LoadStringResource(stringId)); }

void CQuillmarkDlg::UpdateStatusCounts() {
    status_.SetCounts(applications_.RowCount(), tasks_.RowCount(), services_.RowCount(), drivers_.RowCount());
}

void CQuillmarkDlg::OnMenuSelect(UINT id, UINT flags, HMENU menu) {
    if (flags == 0xFFFF && !menu) return;  // the menu closed: WM_EXITMENULOOP says "Ready"
    if (flags & (MF_POPUP | MF_SEPARATOR)) {
        SetStatusText(std::string());
        return;
    }
    std::string text = LoadStringResource(id);
    const size_t lineBreak = text.find('\n');
    if (lineBreak != std::string::npos) text.resize(lineBreak);
    SetStatusText(text);
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

void CQuillmarkDlg::SyncSampling() {
    if (!initialised_ || exiting_) return;
    // The CPU sampler feeds the CPU graph's history and the automatic update
    // interval, so it runs whenever the window can be seen. The memory meter
    // (ten readings a second) and the network monitor feed only their own
    // page: they run while it is shown.
    const bool seen = IsVisible() && !::IsIconic(hwnd_);
    const int tab = CurrentTab();
    performance_.SetSampling(seen, seen && tab == kTabPerformance);
    if (seen && tab == kTabNetwork)
        network_.Start(hwnd_);
    else
        network_.Stop();
    if (seen == seen_) return;
    seen_ = seen;
    log_.Log(seen ? "The window is shown: sampling resumes." : "The window cannot be seen: sampling pauses.");
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

void CQuillmarkDlg::ShowInstance() {
    if (IsVisible()) {
        if (::IsIconic(hwnd_)) {
            ShowWindow(SW_RESTORE);
        } else {
            ::SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            ::BringWindowToTop(hwnd_);
            ::SetForegroundWindow(hwnd_);
            ::SetFocus(hwnd_);
        }
    } else {
        RestoreFromTray();
    }
}

void CQuillmarkDlg::OnTrayShowCommand() {
    if (IsVisible()) {
        if (::IsIconic(hwnd_))
            ShowWindow(SW_RESTORE);
        else
            MinimizeToTray();
    } else {
        RestoreFromTray();
    }
}

void CQuillmarkDlg::OnTrayNotify(LPARAM lp) {
    switch (LOWORD(lp)) {
    case WM_LBUTTONDBLCLK:
        OnTrayShowCommand();
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
        toolbar_.ShowPrintMenu(hwnd_, reinterpret_cast<NMTOOLBARA*>(hdr));
        result = TBDDRET_DEFAULT;
        return true;
    }
    if (hdr->code == TTN_GETDISPINFOA) {
        // The main toolbar's tooltips: the part of the command's string after
        // the line break.
        auto* di = reinterpret_cast<NMTTDISPINFOA*>(hdr);
        const UINT id = static_cast<UINT>(hdr->idFrom);
        std::string text = LoadStringResource(id);
        const size_t lineBreak = text.find('\n');
        if (lineBreak == std::string::npos) return false;
        ::lstrcpynA(di->szText, text.c_str() + lineBreak + 1, static_cast<int>(sizeof(di->szText)));
        di->lpszText = di->szText;
        di->hinst = nullptr;
        return true;
    }
    return false;
}

INT_PTR CQuillmarkDlg::DialogProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SHOW_INSTANCE:
        ShowInstance();
        SetMsgResult(1);
        return TRUE;
    case WM_TRAY_NOTIFY:
        OnTrayNotify(lp);
        return TRUE;
    case WM_HELP:
        OnHelp();
        return TRUE;
    case WM_SNAPSHOT_STEP:
        SetMsgResult(OnSnapshotStep(static_cast<int>(wp), static_cast<int>(lp)));
        return TRUE;
    case WM_SNAPSHOT_DONE:
        SetMsgResult(OnSnapshotDone(wp != 0, static_cast<int>(lp)));
        return TRUE;
    case WM_NETWORK_SAMPLE:
        OnNetworkSample();
        return TRUE;
    case WM_FUNCTION_TAB_CHANGED:
        if (!AnyListSorting()) ShowTab(static_cast<int>(lp));
        return TRUE;
    case WM_FUNCTION_TAB_RESIZED:
        Layout();
        return TRUE;
    case WM_FUNCTION_LIST_CLICKED:
        OnListClicked();
        return TRUE;
    case WM_DATABASE_LOADED:
        SetStatusText("Ornava database loaded.");
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
    case WM_GETMINMAXINFO: {
        auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
        mm->ptMinTrackSize.x = 420;
        mm->ptMinTrackSize.y = 2 * kMinimumPane + 160;
        return TRUE;
    }
    default:
        return CDialog::DialogProc(msg, wp, lp);
    }
}
