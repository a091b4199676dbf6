// The main window: a modeless, resizable dialog (template 102, class
// "QuillmarkWndClass") that composes the function views and hosts the
// background services. Its initialisation brings the subsystems up in a fixed
// order and Exit tears them down in a fixed order. The pages in app/pages
// turn records into rows; this class only composes them and runs the cycle.
#pragma once

#include <memory>
#include <string>

#include "actions/CloseKill.h"
#include "actions/ProtectionList.h"
#include "app/MainBars.h"
#include "app/TrayIcon.h"
#include "app/ViewSettings.h"
#include "app/pages/InfoPages.h"
#include "app/pages/ListPages.h"
#include "core/ActivityLog.h"
#include "core/AppSettings.h"
#include "framework/Dialog.h"
#include "framework/Handles.h"
#include "framework/MessageLoop.h"
#include "progdb/DatabaseUpdater.h"
#include "progdb/ProgramDatabase.h"
#include "progdb/Submission.h"
#include "sysinfo/NetAdapters.h"
#include "sysinfo/ProcessSampler.h"
#include "sysinfo/SystemSnapshot.h"
#include "ui/FunctionTabCtrl.h"
#include "ui/LoadProgressDlg.h"
#include "ui/PaneSplitter.h"

// Posted by a second instance to bring the running one forward.
constexpr UINT WM_SHOW_INSTANCE = 0x8C3A;
// The notification-area icon's callback.
constexpr UINT WM_TRAY_NOTIFY = WM_APP + 100;

// Timers of the main window.
constexpr UINT_PTR kViewUpdateTimer = 5;
constexpr UINT_PTR kAutoModeTimer = 8;
constexpr UINT_PTR kDatabaseUpdateTimer = 9;

// The tabs, in order.
enum FunctionTab { kTabApplications = 0, kTabTasks, kTabServices, kTabDrivers, kTabPerformance, kTabNetwork };

class CQuillmarkDlg : public CDialog,
                      private MessageFilter,
                      private DatabaseUpdateHost,
                      private SubmissionHost {
public:
    // steps: null for the live system; tests pass their own loader steps.
    explicit CQuillmarkDlg(SnapshotSteps* steps = nullptr);
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

    // ---- Window and views ----
    void SelectTab(int index);
    void ShowTab(int index);
    int CurrentTab() const;
    void Layout();
    void SetStatusText(const std::string& text);
    void SetStatusText(UINT stringId);
    void UpdateStatusCounts();
    void SetMemoryKind(int kind);

    // ---- Refresh cycle ----
    void Refresh();
    LRESULT OnSnapshotStep(int step, int finished);
    LRESULT OnSnapshotDone(bool complete, int failedStep);
    void InitTab(int tab);
    void SetUpdateFrequency(int index);
    void UpdateCurrentView();
    void OnNetworkSample();
    void OnListClicked();

protected:
    BOOL OnInitDialog() override;
    INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnCommand(UINT id, UINT code, HWND ctl) override;
    bool OnNotify(int id, NMHDR* hdr, LRESULT& result) override;
    void OnTimer(UINT_PTR id) override;
    void OnSize(UINT type, int cx, int cy) override;
    bool OnPaint() override;
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
    void StopWorkers();

    void OnTrayNotify(LPARAM lp);
    void OnTrayShowCommand();
    void OnMenuSelect(UINT id, UINT flags, HMENU menu);
    void ApplyListViewOptions();
    ListPage* PageOfTab(int tab);
    ListPage* VisiblePage();
    RECT TabArea() const;
    int TabRowHeight() const;
    bool AnyListSorting();
    void RebuildDetailView();
    void CheckNotSupportedReport();

    // DatabaseUpdateHost and SubmissionHost.
    HWND NotifyWindow() override { return hwnd_; }
    void ShowStatus(const std::string& text) override { SetStatusText(text); }
    void Log(const std::string& text) override { log_.Log("%s", text.c_str()); }
    int AskUpdateConnection() override;
    void ReloadDatabases() override;
    bool SaveLocalDatabase() override;

    AppSettings settings_;
    ViewSettings view_;
    ActivityLog log_;
    TrayIcon tray_;
    HACCEL accelerators_ = nullptr;
    IconHandle largeIcon_;
    IconHandle smallIcon_;

    // The providers and the databases, owned for the whole run.
    ProtectionList protection_;
    SystemSnapshot snapshot_;
    ProcessSampler sampler_;
    NetAdapterSampler network_;
    CloseKillJob closeKill_;
    ProgramDatabase publisherDb_;
    LocalProgramDatabase localDb_;
    PageSources sources_;

    // The composition.
    MainMenuBar menuBar_;
    MainToolbar toolbar_;
    MainStatusBar status_;
    CPaneSplitter splitter_;
    CFunctionTabCtrl tabs_;
    HWND detailPane_ = nullptr;
    HWND tooltip_ = nullptr;
    ApplicationsPage applications_;
    TasksPage tasks_;
    ServicesPage services_;
    ServicesPage drivers_;
    PerformancePage performance_;
    NetworkPage networkPage_;
    CLoadProgressDlg progress_;
    std::unique_ptr<DatabaseUpdateService> updateService_;
    std::unique_ptr<SubmissionService> submission_;

    bool initialised_ = false;
    bool exiting_ = false;
    bool dataLoaded_ = false;
    bool filling_ = false;
    bool tickSeen_ = true;
    int lastTab_ = -1;  // the tab shown, for the detail pane's collapse
};
