// The main window: a modeless, resizable dialog (class "QuillmarkWndClass")
// that composes the six function pages and hosts the background services.
// Its initialisation brings the subsystems up in a fixed order and Exit
// tears them down in a fixed order.
//
// Where things live: what a tab does is its page's (app/pages); which
// command does what, where and when is the command table's
// (app/CommandTable); how often the view is updated is the update policy's
// (app/UpdatePolicy); the samplers of what the window shows are in
// app/Samplers. This class composes them: QuillmarkDlg.cpp (start-up, exit,
// layout, tabs, notification area, messages), RefreshCycle.cpp (the full
// refresh and the view update) and Commands.cpp (the command handlers).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "actions/CloseKill.h"
#include "actions/ProgramCommands.h"
#include "actions/ProtectionList.h"
#include "app/CommandTable.h"
#include "app/MainBars.h"
#include "app/Samplers.h"
#include "app/TrayIcon.h"
#include "app/TrustWarnings.h"
#include "app/UpdatePolicy.h"
#include "app/ViewSettings.h"
#include "app/pages/InfoPages.h"
#include "app/pages/ListPages.h"
#include "base/Handles.h"
#include "core/ActivityLog.h"
#include "core/AppSettings.h"
#include "core/Messages.h"
#include "framework/Dialog.h"
#include "framework/MessageLoop.h"
#include "progdb/DatabaseUpdater.h"
#include "progdb/ProgramDatabase.h"
#include "progdb/ProgramDatabaseDetails.h"
#include "progdb/Submission.h"
#include "reports/DetailView.h"
#include "sysinfo/ProcessSampler.h"
#include "sysinfo/SystemSnapshot.h"
#include "ui/FunctionTabCtrl.h"
#include "ui/DetailPane.h"
#include "ui/LoadProgressDlg.h"
#include "ui/PaneSplitter.h"

class PowerInterface;

// What tests put in place of the live system: the snapshot loader's steps
// and the power calls (nothing in a test may really shut down).
struct MainWindowSeams {
    SnapshotSteps* snapshotSteps = nullptr;  // null: the live system
    PowerInterface* power = nullptr;         // null: the system's calls
};

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

    bool IsExiting() const override { return exiting_; }
    // After Exit: whether every background job ended within the exit bound.
    // A job stuck in a call nothing can interrupt (a network read under some
    // systems) is left to the end of the process instead.
    bool WorkersStopped() const { return workersStopped_; }
    static constexpr DWORD kExitBoundMs = 3000;

    // The notification area.
    void MinimizeToTray();
    void RestoreFromTray();

    // Which samplers run now (they run while the window can be seen).
    ViewSamplers::States Samplers() const { return samplers_.Running(); }

    // The command rules' answer for command id now: the menu item's and the
    // toolbar button's state.
    CommandState StateOfCommand(UINT id);
    bool IsCommandEnabled(UINT id) { return StateOfCommand(id).enabled; }

    // The notification-area icon (its last balloon, for the warnings).
    const TrayIcon& Tray() const { return tray_; }

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
    // The command table names the handlers.
    friend const std::vector<CommandEntry>& CommandEntries();
    bool PreTranslateMessage(MSG& msg) override;

    // Start-up steps, in the order OnInitDialog runs them.
    void SetWindowIcons();
    void OpenActivityLog();
    void LoadProtectionList();
    void InitTabControl();
    void CreateMenuBarAndToolbar();
    void CreateSplitterAndDetailPane();
    void CreateStatusBar();
    void AnchorAndCentre();
    void CreateListViews();
    void LoadViewSettings(bool selectLastTab);
    void LoadDatabases();
    void RestorePlacement(const char* section);
    void CreateTooltipsAndAccelerators();
    void AddTrayIcon();
    void DisableTabControl();
    void SelectCurrentTab();
    void LayoutWindow();
    void StartDatabaseUpdateCheck();
    void StartPeriodicTimers();
    void StorePrevWnd();

    // Exit.
    void SaveViewSettings();
    void SavePlacement(const char* section);
    void StopWorkers();

    // Tabs and layout.
    FunctionTab CurrentTab() const;
    FunctionPage& Page(FunctionTab tab);
    FunctionPage& VisiblePage() { return Page(CurrentTab()); }
    // The shown function list; null on Performance and Network.
    ListPage* VisibleList() { return VisiblePage().AsList(); }
    // The shown page's first list: a function list, the performance data or
    // the adapters; null for none.
    CListCtrlEx* VisiblePageList() {
        const std::vector<CListCtrlEx*> lists = VisiblePage().Lists();
        return lists.empty() ? nullptr : lists.front();
    }
    void SelectTab(FunctionTab tab);
    void ShowTab();
    void Layout();
    RECT TabArea() const;
    int TabRowHeight() const;
    bool AnyListSorting();
    void ApplyListViewOptions();
    void FitAllColumns();

    // Status bar.
    void SetStatusText(const std::string& text);
    void SetStatusText(UINT stringId);
    void UpdateStatusCounts();
    void OnMenuSelect(UINT id, UINT flags, HMENU menu);

    // The keys the accelerator table does not hold: Ctrl+F (the filter box
    // of the shown list) and Delete (Kill on the program lists). True when
    // the key was used.
    bool OnListKey(const MSG& msg);
    // Tab and Shift+Tab through the shown page's filter box and lists, which
    // sit inside the tab control where the dialog manager does not look:
    // the tabs, the filter box, the list, then the detail pane; and
    // Ctrl+Tab and Ctrl+Shift+Tab to the next and the previous tab. True
    // when the key was used.
    bool OnTabKey(const MSG& msg);
    bool IsFilterBox(HWND window);
    // A filter box changed its list's filter.
    void OnFilterChanged(ListPage& page, const FilteredList::Change& change);

    // Notification area and showing the window.
    void OnTrayNotify(LPARAM lp);
    // Brings the window back from the notification area or from minimised;
    // a window already shown is brought forward (a second start) or put in
    // the notification area (the tray's show command).
    enum class WhenShown { BringForward, HideInTray };
    void ShowWindowFrom(WhenShown whenShown);
    void SyncSampling();
    bool CanBeSeen() const;
    // The warnings about suspect programs (TrustWarnings): after every
    // process sample, the balloons for the programs that started; the
    // balloon's click shows that process on the Tasks tab.
    void CheckStartedProcesses();
    void OnWarningClicked();
    void SelectWarnedProcess();
    void OnHelp();

    // The refresh cycle (RefreshCycle.cpp).
    void Refresh();
    void OnSnapshotStep(int step, bool finished);
    void OnSnapshotDone(bool complete, int failedStep);
    void InitTab(ListPage& page);
    void SetUpdateFrequency(int index);
    void ApplyUpdateDecision(const UpdatePolicy::Decision& decision);
    void UpdateCurrentView();
    void OnCpuSample();
    void OnMemoryTick();
    void OnNetworkSample();
    void OnServiceJobDone();
    void OnListClicked();
    void OnListSelectionMoved();
    void ShowSelection();
    bool CanFollowSelection();
    void RebuildDetailView();
    void CheckNotSupportedReport();

    // Commands (Commands.cpp).
    CommandContext CurrentContext();
    void UpdateToolbarButtons();
    void OnInitMenu(HMENU menu);
    // The confirmation step: asks only while "PromptUser" is on.
    bool Confirm(const std::string& text);
    ConfirmFn ConfirmStep() {
        return [this](const std::string& text) { return Confirm(text); };
    }
    // Derives the program of the shown list's selected row.
    bool DeriveProgram(SelectedProgram& program);
    void RefreshProtectionCells();
    // The suspect programs' red rows on Applications and Tasks, after a
    // program database changed.
    void RefreshTrustColours();
    // The publisher's file has loaded: the rows' colours and database texts
    // and the selection's page ask it again.
    void OnDatabaseLoaded();
    // Tells the user, once, that a protection change could not be saved (it
    // stays in memory and is tried again at the next change and at exit).
    void ReportProtectionSave();
    // After a list command: the tab toolbar, then its status text, if any.
    void FinishListCommand(const std::string& status);

    // The window's own commands.
    void CmdAbout(UINT id);
    void CmdExit(UINT id);
    void CmdRefresh(UINT id);
    void CmdSettings(UINT id);
    void CmdExport(UINT id);
    void CmdPrintMenu(UINT id);
    void CmdPrintDetails(UINT id);
    void CmdPrintList(UINT id);
    void CmdCopy(UINT id);
    void CmdHelp(UINT id);
    void CmdCloseAll(UINT id);
    void CmdSelectTab(UINT id);
    void CmdPower(UINT id);
    void CmdDisableUpdate(UINT id);
    void CmdUpdateFrequency(UINT id);
    void CmdAutoMode(UINT id);
    void CmdToggleView(UINT id);
    void CmdTrayShow(UINT id);
    void CmdWarnSuspect(UINT id);
    // The list commands, on the selected row's program.
    void CmdDescribe(UINT id, SelectedProgram& program);
    void CmdProperties(UINT id, SelectedProgram& program);
    void CmdWebsite(UINT id, SelectedProgram& program);
    void CmdSearch(UINT id, SelectedProgram& program);
    void CmdOpenFolder(UINT id, SelectedProgram& program);
    void CmdBringToFront(UINT id, SelectedProgram& program);
    void CmdCloseProgram(UINT id, SelectedProgram& program);
    void CmdAllowClose(UINT id, SelectedProgram& program);
    void CmdAllowKill(UINT id, SelectedProgram& program);
    void CmdProtect(UINT id, SelectedProgram& program);
    void CmdUnprotect(UINT id, SelectedProgram& program);
    void CmdKill(UINT id, SelectedProgram& program);
    void CmdKillAll(UINT id, SelectedProgram& program);
    void CmdServiceControl(UINT id, SelectedProgram& program);

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
    // What was last written of the view settings, so a save writes only what
    // changed.
    ViewSettings savedView_;
    FunctionTab savedTab_ = FunctionTab::Applications;
    bool viewSaved_ = false;
    UpdatePolicy updatePolicy_;
    ActivityLog log_;
    TrayIcon tray_;
    HACCEL accelerators_ = nullptr;
    IconHandle largeIcon_;
    IconHandle smallIcon_;

    // The providers and the databases, owned for the whole run.
    ProtectionList protection_;
    SystemSnapshot snapshot_;
    ProcessSampler sampler_;
    ViewSamplers samplers_;
    CloseKillJob closeKill_;
    svc::ServiceControlJob serviceJob_;
    ProgramDatabase publisherDb_;
    LocalProgramDatabase localDb_;
    PageSources sources_;

    // The composition.
    MainMenuBar menuBar_;
    MainToolbar toolbar_;
    MainStatusBar status_;
    CPaneSplitter splitter_;
    CFunctionTabCtrl tabs_;
    // The detail page: built by detail_, shown by detailPane_ (in the
    // browser, or natively where no HTML engine can render it).
    CDetailPane detailPane_;
    std::unique_ptr<DetailView> detail_;
    HWND tooltip_ = nullptr;
    ApplicationsPage applications_;
    TasksPage tasks_;
    ServicesPage services_;
    ServicesPage drivers_;
    PerformancePage performance_;
    NetworkPage networkPage_;
    std::array<FunctionPage*, kFunctionTabCount> pages_;
    std::array<ListPage*, 4> lists_;
    CLoadProgressDlg progress_;
    std::unique_ptr<DatabaseUpdateService> updateService_;
    std::unique_ptr<SubmissionService> submission_;

    // The tab and the row (by its list key) the detail view was last built
    // for: a selection moved without a click is shown only when it has come
    // to rest on another row.
    struct ShownSelection {
        FunctionTab tab = FunctionTab::Applications;
        bool selected = false;
        LPARAM key = 0;
        bool operator==(const ShownSelection& o) const {
            return tab == o.tab && selected == o.selected && key == o.key;
        }
    };
    ShownSelection VisibleSelection();
    ShownSelection detailShows_;

    bool initialised_ = false;
    bool exiting_ = false;
    bool dataLoaded_ = false;
    bool filling_ = false;
    bool stopAttempted_ = false;
    bool workersStopped_ = false;
    bool seen_ = true;  // the window could be seen at the last SyncSampling
    // The warnings about suspect programs: the tray menu's setting, the
    // watch, the process the last balloon named, and whether a refresh is to
    // show that process once it is loaded.
    bool warnSuspect_ = true;
    SuspectWatch suspectWatch_;
    SuspectProcess warned_;
    bool selectWarnedAfterLoad_ = false;
    // The modal dialogs open now, so a second command brings them forward.
    CDialog* openAbout_ = nullptr;
    CDialog* openSettings_ = nullptr;
    PowerInterface* power_ = nullptr;
};
