// The main window: a modeless, resizable dialog (template 102, class
// "QuillmarkWndClass") that composes the function views and hosts the
// background services. Its initialisation brings the subsystems up in a fixed
// order and Exit tears them down in a fixed order. The pages in app/pages
// turn records into rows; this class only composes them and runs the cycle.
#pragma once

#include <array>
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
#include "core/Messages.h"
#include "framework/Dialog.h"
#include "base/Handles.h"
#include "framework/MessageLoop.h"
#include "progdb/DatabaseUpdater.h"
#include "progdb/ProgramDatabaseDetails.h"
#include "progdb/ProgramDatabase.h"
#include "progdb/Submission.h"
#include "reports/DetailView.h"
#include "sysinfo/NetAdapters.h"
#include "sysinfo/ProcessSampler.h"
#include "sysinfo/SystemSnapshot.h"
#include "ui/FunctionTabCtrl.h"
#include "ui/InfoWebBrowser.h"
#include "ui/LoadProgressDlg.h"
#include "ui/PaneSplitter.h"


class PowerInterface;

// What tests put in place of the live system: the snapshot loader's steps
// and the power calls (nothing in a test may really shut down).
struct MainWindowSeams {
    SnapshotSteps* snapshotSteps = nullptr;  // null: the live system
    PowerInterface* power = nullptr;         // null: the system's calls
};

// The program a list command acts on: the selected row of the visible list
// and what it names.
struct SelectedProgram {
    int tab = -1;
    int row = -1;
    HWND window = nullptr;     // Applications
    DWORD pid = 0;             // Applications and Tasks
    int64_t createTime = 0;    // Tasks: the listed process's creation time
    ServiceInfo* record = nullptr;  // Services and Drivers
    std::string path;
    std::string fileName;
    ProgramDetails details;
};

// The tabs, in order.
enum FunctionTab { kTabApplications = 0, kTabTasks, kTabServices, kTabDrivers, kTabPerformance, kTabNetwork };

class CQuillmarkDlg : public CDialog,
                      private MessageFilter,
                      private DatabaseUpdateHost,
                      private SubmissionHost {
public:
    explicit CQuillmarkDlg(const MainWindowSeams& seams = MainWindowSeams());
    ~CQuillmarkDlg() override;

    // The one exit path: menu and tray "Exit", and closing the window when
    // the program is not kept in the notification area.
    void Exit();

    ActivityLog& Log() { return log_; }
    const AppSettings& Settings() const { return settings_; }
    const ViewSettings& View() const { return view_; }
    bool IsInitialised() const { return initialised_; }
    bool IsExiting() const override { return exiting_; }
    // After Exit: whether every background job ended within the exit bound.
    // A job stuck in a call nothing can interrupt (a network read under some
    // systems) is left to the end of the process instead.
    bool WorkersStopped() const { return workersStopped_; }
    static constexpr DWORD kExitBoundMs = 3000;

    void LoadViewSettings(bool selectLastTab);
    void SaveViewSettings();

    // Shows the running instance (second start, tray command 2903 when hidden).
    void ShowInstance();
    void MinimizeToTray();
    void RestoreFromTray();
    void OnHelp();
    // Starts or stops the samplers to match what can be seen: nothing runs
    // while the window is in the notification area or minimised, the memory
    // meter and the network monitor only while their page is shown. Called
    // where the window is hidden, shown, minimised or restored and where the
    // tab changes, and once a second to catch any other way there.
    void SyncSampling();
    struct SamplerStates {
        bool cpu;
        bool memory;
        bool network;
    };
    SamplerStates Samplers() const {
        return {performance_.CpuSampling(), performance_.MemoryTicking(), network_.Running()};
    }

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

    // ---- Commands ----
    // The confirmation step: asks only while "PromptUser" is on.
    bool Confirm(const std::string& text);
    bool OnListCommand(UINT id);
    bool IsCommandEnabled(UINT id);
    void UpdateToolbarStates();
    void UpdateTabToolbar();
    void OnInitMenu(HMENU menu);
    bool DeriveProgram(SelectedProgram& program);

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

    // Command handlers (the table in Commands.cpp maps ids to them).
    void CmdAbout(UINT id);
    void CmdExit(UINT id);
    void CmdRefresh(UINT id);
    void CmdSettings(UINT id);
    void CmdExport(UINT id);
    void CmdPrintDetails(UINT id);
    void CmdPrintList(UINT id);
    void CmdCopy(UINT id);
    void CmdBringToFront(UINT id);
    void CmdHelp(UINT id);
    void CmdCloseAll(UINT id);
    void CmdSelectTab(UINT id);
    void CmdPower(UINT id);
    void CmdDisableUpdate(UINT id);
    void CmdUpdateFrequency(UINT id);
    void CmdToggleView(UINT id);
    void CmdCloseProgram(UINT id);
    void CmdTrayShow(UINT id);
    void CmdAutoMode(UINT id);
    void RefreshProtectionCells(const SelectedProgram& program);
    void DeleteRow(int tab, int row);
    std::string SelectedName();

    void OnTrayNotify(LPARAM lp);
    void OnTrayShowCommand();
    void OnMenuSelect(UINT id, UINT flags, HMENU menu);
    void ApplyListViewOptions();
    ListPage* PageOfTab(int tab);
    ListPage* VisiblePage();
    std::array<ListPage*, 4> ListPages();
    // The Services page for tab 2, the Drivers page for tab 3.
    ServicesPage& ServicesPageOf(int tab);
    void FitAllColumns();
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
    bool AskDownload(const std::string& text) override;
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
    CInfoWebBrowser browser_;
    std::unique_ptr<DetailView> detail_;
    HWND detailPane_ = nullptr;  // the browser's window; null without one
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
    bool stopAttempted_ = false;
    bool workersStopped_ = false;
    bool seen_ = true;  // the window could be seen at the last SyncSampling
    // The modal dialogs open now, so a second command brings them forward.
    CDialog* openAbout_ = nullptr;
    CDialog* openSettings_ = nullptr;
    PowerInterface* power_ = nullptr;
    int lastTab_ = -1;  // the tab shown, for the detail pane's collapse
};
