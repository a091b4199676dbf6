// The main window: a modeless, resizable dialog (template 102, class
// "QuillmarkWndClass"). Its initialisation brings the subsystems up in a fixed
// order and Exit tears them down in a fixed order.
#pragma once

#include <string>

#include "core/ActivityLog.h"
#include "core/AppSettings.h"
#include "app/TrayIcon.h"
#include "app/ViewSettings.h"
#include "framework/Dialog.h"
#include "framework/Handles.h"
#include "framework/MessageLoop.h"

// Posted by a second instance to bring the running one forward.
constexpr UINT WM_SHOW_INSTANCE = 0x8C3A;
// The notification-area icon's callback.
constexpr UINT WM_TRAY_NOTIFY = WM_APP + 100;

// Timers of the main window.
constexpr UINT_PTR kViewUpdateTimer = 5;
constexpr UINT_PTR kAutoModeTimer = 8;
constexpr UINT_PTR kDatabaseUpdateTimer = 9;

class CQuillmarkDlg : public CDialog, private MessageFilter {
public:
    CQuillmarkDlg();
    ~CQuillmarkDlg() override;

    // The one exit path: menu and tray "Exit", and closing the window when
    // the program is not kept in the notification area.
    void Exit();

    ActivityLog& Log() { return log_; }
    const AppSettings& Settings() const { return settings_; }
    const ViewSettings& View() const { return view_; }
    bool IsInitialised() const { return initialised_; }
    bool IsExiting() const { return exiting_; }

    void LoadViewSettings(bool selectLastTab);
    void SaveViewSettings();

    // Shows the running instance (second start, tray command 2903 when hidden).
    void ShowInstance();
    void MinimizeToTray();
    void RestoreFromTray();

    void OnHelp();

protected:
    BOOL OnInitDialog() override;
    INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnCommand(UINT id, UINT code, HWND ctl) override;
    void OnTimer(UINT_PTR id) override;
    bool OnClose() override;
    void OnOK() override {}
    void OnCancel() override {}

private:
    bool PreTranslateMessage(MSG& msg) override;

    // Start-up steps, in the order OnInitDialog runs them.
    void SetWindowIcons();
    void OpenActivityLog();
    void LogSystemLibraryVersions();
    void LoadProtectionList();
    void InitTabControl();
    void LoadStateIcons();
    void CreateMenuBarAndToolbar();
    void CreateSplitterAndBrowser();
    void SetToolbarImageLists();
    void CreateStatusBar();
    void AnchorAndCentre();
    void CreateListViews();
    void LoadDatabases();
    void RestorePlacement(const char* section);
    void CreateTooltipsAndAccelerators();
    void UpdateToolbarButtons();
    void AddTrayIcon();
    void ShowReadyStatus();
    void ArmViewUpdateTimer();
    void DisableTabControl();
    void SelectCurrentTab();
    void LayoutWindow();
    void StartDatabaseUpdateCheck();
    void StartPeriodicTimers();
    void StorePrevWnd();
    void StartFirstRefresh();

    // Exit steps that belong to other parts of the window.
    void DestroyMainToolbar();
    void ReleaseSnapshotLists();
    void StopNetworkMonitor();
    void SavePlacement(const char* section);

    void OnTrayNotify(LPARAM lp);
    void OnTrayShowCommand();

    AppSettings settings_;
    ViewSettings view_;
    ActivityLog log_;
    TrayIcon tray_;
    HACCEL accelerators_ = nullptr;
    IconHandle largeIcon_;
    IconHandle smallIcon_;
    bool initialised_ = false;
    bool exiting_ = false;
    bool dataLoaded_ = false;
};
