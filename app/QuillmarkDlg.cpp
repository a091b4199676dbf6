#include "app/QuillmarkDlg.h"

#include <shellapi.h>

#include "core/AppPaths.h"
#include "app/LibraryVersions.h"
#include "core/SettingsKeys.h"
#include "framework/Resources.h"
#include "resource.h"

namespace {
constexpr UINT kTrayIconId = 1;
const char kCaption[] = "Quillmark";
}  // namespace

CQuillmarkDlg::CQuillmarkDlg() : CDialog(IDD_QUILLMARK_DIALOG) {}

CQuillmarkDlg::~CQuillmarkDlg() {
    MessageLoop::RemoveFilter(this);
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

void CQuillmarkDlg::LogSystemLibraryVersions() {
    ::LogSystemLibraryVersions(log_);
}

void CQuillmarkDlg::OpenActivityLog() {
    log_.Open(ProgramFolder() + "quillmark.log");
    log_.Log("Quillmark is initializing...");
    log_.Log("Version: %s", QM_VERSION_STRING);
    // __DATE__ has the form the log wants: "Feb  6 2006".
    log_.Log("Build Date: %s", __DATE__);
}

// Steps that belong to the parts of the window built later; each keeps its
// place in the start-up order.
void CQuillmarkDlg::LoadProtectionList() {}
void CQuillmarkDlg::InitTabControl() {}
void CQuillmarkDlg::LoadStateIcons() {}
void CQuillmarkDlg::CreateMenuBarAndToolbar() {}
void CQuillmarkDlg::CreateSplitterAndBrowser() {}
void CQuillmarkDlg::SetToolbarImageLists() {}
void CQuillmarkDlg::CreateStatusBar() {}
void CQuillmarkDlg::CreateListViews() {}
void CQuillmarkDlg::LoadDatabases() {}
void CQuillmarkDlg::UpdateToolbarButtons() {}
void CQuillmarkDlg::ShowReadyStatus() {}
void CQuillmarkDlg::ArmViewUpdateTimer() {}
void CQuillmarkDlg::SelectCurrentTab() {}
void CQuillmarkDlg::StartDatabaseUpdateCheck() {}
void CQuillmarkDlg::StartFirstRefresh() {}
void CQuillmarkDlg::DestroyMainToolbar() {}
void CQuillmarkDlg::ReleaseSnapshotLists() {}
void CQuillmarkDlg::StopNetworkMonitor() {}

void CQuillmarkDlg::AnchorAndCentre() {
    if (HWND hidden = GetDlgItem(IDC_HIDDEN_PLACEHOLDER)) ::ShowWindow(hidden, SW_HIDE);
    // Centre on the work area of the primary monitor.
    RECT work{}, rc = GetWindowRect();
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    int x = work.left + ((work.right - work.left) - w) / 2;
    int y = work.top + ((work.bottom - work.top) - h) / 2;
    ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CQuillmarkDlg::LoadViewSettings(bool selectLastTab) {
    view_ = ViewSettings::Load(settings_);
    ::SetWindowPos(hwnd_, view_.alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (selectLastTab) {
        int tab = LastTabToSelect(settings_, view_);
        (void)tab;  // the tab control selects it once it exists
    }
}

void CQuillmarkDlg::SaveViewSettings() {
    view_.Save(settings_, 0);
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
    accelerators_ = ::LoadAcceleratorsA(ResourceInstance(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    MessageLoop::AddFilter(this);
}

bool CQuillmarkDlg::PreTranslateMessage(MSG& msg) {
    // Accelerators come before the dialog manager, which would otherwise take
    // Enter and Ctrl+C for itself.
    if (accelerators_ && hwnd_ && (msg.hwnd == hwnd_ || ::IsChild(hwnd_, msg.hwnd)))
        return ::TranslateAcceleratorA(hwnd_, accelerators_, &msg) != 0;
    return false;
}

void CQuillmarkDlg::AddTrayIcon() {
    tray_.Add(hwnd_, kTrayIconId, WM_TRAY_NOTIFY, smallIcon_.get(), LoadStringResource(IDS_APP_NAME));
}

void CQuillmarkDlg::DisableTabControl() {
    if (HWND tab = GetDlgItem(IDC_FUNCTION_TAB)) ::EnableWindow(tab, FALSE);
}

void CQuillmarkDlg::LayoutWindow() {
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CQuillmarkDlg::StartPeriodicTimers() {
    SetTimer(kDatabaseUpdateTimer, 3600000);
    SetTimer(kAutoModeTimer, 1000);
}

void CQuillmarkDlg::StorePrevWnd() {
    settings::kPrevWnd.Write(settings_, static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(hwnd_)));
}

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
    DestroyWindow();                                                                   // 11
    ::PostQuitMessage(0);
}

bool CQuillmarkDlg::OnClose() {
    if (!view_.exitFromTrayOnly) {
        Exit();
    } else {
        MinimizeToTray();
    }
    return true;
}

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
}

void CQuillmarkDlg::RestoreFromTray() {
    if (MinimizeAnimationOn()) {
        RECT from = TrayAnimationRect();
        RECT to = GetWindowRect();
        ::DrawAnimatedRects(hwnd_, IDANI_CAPTION, &from, &to);
    }
    ShowWindow(::IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
    ::SetForegroundWindow(hwnd_);
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

bool CQuillmarkDlg::OnCommand(UINT id, UINT /*code*/, HWND /*ctl*/) {
    switch (id) {
    case ID_APP_EXIT_CMD:
        Exit();
        return true;
    case ID_HELP_CONTENTS:
        OnHelp();
        return true;
    case ID_TRAY_SHOW:
        OnTrayShowCommand();
        return true;
    default:
        return false;
    }
}

void CQuillmarkDlg::OnTimer(UINT_PTR /*id*/) {
    if (exiting_) return;
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
    default:
        return CDialog::DialogProc(msg, wp, lp);
    }
}
