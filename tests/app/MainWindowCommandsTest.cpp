// The main window hosted in the test process, with the seams a user's run
// cannot have: a snapshot step that fails or waits, and the power calls
// recorded instead of made. The commands are driven as the message loop
// drives them (accelerators included) and checked on the lists, the files and
// the processes they act on.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <thread>

#include "actions/PowerCommands.h"
#include "app/QuillmarkApp.h"
#include "app/QuillmarkDlg.h"
#include "core/AppPaths.h"
#include "framework/MessageLoop.h"
#include "base/Resources.h"
#include "platform/Power.h"
#include "platform/Processes.h"
#include "ProcessUtil.h"
#include "RemoteControls.h"
#include "TestServices.h"
#include "TestUtil.h"
#include "resource.h"
#include "ui/GraphWnd.h"

namespace {

using testutil::FindDescendant;
using testutil::ListCell;
using testutil::WaitUntil;

// Loader steps that can fail one step or hold the first one back.
class TestSteps : public SnapshotSteps {
public:
    std::atomic<int> failStep{-1};
    HANDLE hold = nullptr;  // the windows step waits for it when set
    bool LoadWindows(std::vector<HWND>& w) override {
        if (hold) ::WaitForSingleObject(hold, 30000);
        return failStep != 0 && SnapshotSteps::LoadWindows(w);
    }
    bool LoadProcesses(ProcessImageList& p) override { return failStep != 1 && SnapshotSteps::LoadProcesses(p); }
    bool LoadServices(ServiceList& s) override { return failStep != 2 && SnapshotSteps::LoadServices(s); }
    bool LoadDrivers(ServiceList& d) override { return failStep != 3 && SnapshotSteps::LoadDrivers(d); }
};

// Records what the power commands ask of the system.
class RecordingPower : public PowerInterface {
public:
    std::vector<std::string> calls;
    bool EnablePrivilege(const char* name) override {
        calls.push_back(std::string("privilege ") + name);
        return true;
    }
    bool ExitWindowsWithReason(UINT flags, DWORD reason) override {
        calls.push_back("exit " + std::to_string(flags) + " " + std::to_string(reason));
        return true;
    }
    bool SetSystemPowerState(bool suspend, bool force) override {
        calls.push_back(std::string("power ") + (suspend ? "suspend" : "hibernate") + (force ? " force" : ""));
        return true;
    }
};

// Answers the next message box of this process whose text is text.
class BoxAnswerer {
public:
    BoxAnswerer(const std::string& text, int button) {
        thread_ = std::thread([this, text, button] {
            const DWORD start = ::GetTickCount();
            while (::GetTickCount() - start < 20000) {
                for (HWND w : testutil::FindTopWindows(::GetCurrentProcessId(), "#32770", "Quillmark")) {
                    char body[512] = {};
                    ::GetDlgItemTextA(w, 0xFFFF, body, sizeof body);
                    if (::IsWindowVisible(w) && text == body) {
                        seen_ = true;
                        ::PostMessageA(w, WM_COMMAND, static_cast<WPARAM>(button), 0);
                        return;
                    }
                }
                ::Sleep(20);
            }
        });
    }
    ~BoxAnswerer() {
        if (thread_.joinable()) thread_.join();
    }
    bool Seen() {
        if (thread_.joinable()) thread_.join();
        return seen_;
    }

private:
    std::thread thread_;
    std::atomic<bool> seen_{false};
};

class MainWindowCommandsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::OleInitialize(nullptr);
        LoadSystemEntryPoints();
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES};
        ::InitCommonControlsEx(&icc);
        CQuillmarkApp::RegisterMainWindowClass();
        ::CreateDirectoryA(HtmlWorkFolder().c_str(), nullptr);
    }
    static void TearDownTestSuite() {
        FreeSystemEntryPoints();
        ::OleUninitialize();
    }

    void SetUp() override {
        testutil::ResetQuillmarkSettings();
        testutil::PrepareQuillmarkStart();
        settings_.WriteInt("Update", "UpdateTime", 0);
        ::DeleteFileA((ProgramFolder() + "protect.dat").c_str());
    }
    void TearDown() override {
        Close();
        ::DeleteFileA((ProgramFolder() + "protect.dat").c_str());
        testutil::ResetQuillmarkSettings();
    }

    void Open(bool waitForData = true) {
        MainWindowSeams seams;
        seams.snapshotSteps = &steps_;
        seams.power = &power_;
        dlg_ = std::make_unique<CQuillmarkDlg>(seams);
        ASSERT_NE(nullptr, dlg_->CreateModeless(nullptr));
        wnd_ = dlg_->GetHwnd();
        tab_ = FindDescendant(wnd_, IDC_FUNCTION_TAB);
        if (waitForData) {
            ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(tab_) != FALSE; }, 30000));
        }
    }
    void Close() {
        if (!dlg_) return;
        if (::IsWindow(wnd_)) dlg_->Exit();
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        dlg_.reset();
    }
    // A command as a menu or the toolbar sends it.
    void Command(UINT id) { ::SendMessageA(wnd_, WM_COMMAND, id, 0); }
    // A key as the message loop sees it, with the modifiers held.
    void Key(UINT vk, bool ctrl = false) {
        BYTE state[256] = {};
        ::GetKeyboardState(state);
        state[VK_CONTROL] = ctrl ? 0x80 : 0;
        ::SetKeyboardState(state);
        HWND focus = ::GetFocus() ? ::GetFocus() : wnd_;
        MSG msg{focus, WM_KEYDOWN, vk, 1, 0, {}};
        if (!MessageLoop::PreTranslate(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        state[VK_CONTROL] = 0;
        ::SetKeyboardState(state);
        testutil::PumpFor(20);
    }
    HWND List(int id) const { return FindDescendant(wnd_, id); }
    std::string Status() const { return testutil::StatusPaneText(FindDescendant(wnd_, 59393), 0); }
    int SelectRow(HWND list, int column, const std::string& text) {
        int row = -1;
        WaitUntil([&] { return (row = testutil::FindListRow(list, column, text)) >= 0; });
        if (row >= 0) {
            testutil::SelectListRow(list, row);
            ::SetFocus(list);
        }
        return row;
    }
    std::string ProtectFile() const { return testutil::ReadFileBytes(ProgramFolder() + "protect.dat"); }

    TestSteps steps_;
    RecordingPower power_;
    AppSettings settings_;
    std::unique_ptr<CQuillmarkDlg> dlg_;
    HWND wnd_ = nullptr;
    HWND tab_ = nullptr;
};

TEST_F(MainWindowCommandsTest, TheTabsStayDisabledUntilTheFirstLoadIsShown) {
    UniqueHandle hold(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    steps_.hold = hold.get();
    Open(false);
    testutil::PumpFor(200);
    EXPECT_FALSE(::IsWindowEnabled(tab_));
    ::SetEvent(hold.get());
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(tab_) != FALSE; }, 30000));
    EXPECT_GT(testutil::ListRowCount(List(IDC_TASK_LIST)), 0);
}

TEST_F(MainWindowCommandsTest, AFailedLoadLeavesAUsableWindowAndRefreshTriesAgain) {
    // The start-up update check would write its own status text.
    settings_.WriteInt("OrnavaDB", "CheckUpdates", 0);
    steps_.failStep = 2;
    Open();
    EXPECT_NE(std::string::npos, Status().find("failed")) << Status();
    EXPECT_GT(testutil::ListRowCount(List(IDC_TASK_LIST)), 0);
    EXPECT_EQ(0, testutil::ListRowCount(List(IDC_SERVICE_LIST)));
    for (HWND w : testutil::FindTopWindows(::GetCurrentProcessId(), "#32770", "Quillmark")) {
        if (w != wnd_) {
            EXPECT_FALSE(::IsWindowVisible(w)) << "the load progress dialog is still up";
        }
    }
    const std::string log = testutil::ReadFileBytes(ProgramFolder() + "quillmark.log");
    EXPECT_NE(std::string::npos, log.find("Loading the system data failed")) << log;

    steps_.failStep = -1;
    Key(VK_F5);
    EXPECT_TRUE(WaitUntil([&] { return testutil::ListRowCount(List(IDC_SERVICE_LIST)) > 0; }, 30000));
}

// The samplers run while the window can be seen, whatever the tab: the
// network graph and the memory history go on while their page is hidden (no
// gap when it comes back); nothing runs in the tray or minimised.
TEST_F(MainWindowCommandsTest, SamplersRunWhileTheWindowCanBeSeen) {
    Open();
    ::ShowWindow(wnd_, SW_SHOW);
    auto states = [&] {
        const ViewSamplers::States s = dlg_->Samplers();
        return std::string(s.cpu ? "cpu " : "") + (s.memory ? "memory " : "") + (s.network ? "network" : "");
    };
    for (char tab : {'2', '5', '6'}) {
        Key(tab, true);
        EXPECT_EQ("cpu memory network", states()) << tab;
    }
    // The network graph grows while the Tasks tab is shown.
    auto* graph = dynamic_cast<CGraphWnd*>(CWnd::FromHandle(FindDescendant(wnd_, IDC_NETWORK_GRAPH)));
    ASSERT_NE(nullptr, graph);
    ASSERT_TRUE(WaitUntil([&] { return !graph->History().empty(); }, 10000));
    Key('2', true);
    const size_t before = graph->History().size();
    EXPECT_TRUE(WaitUntil([&] { return graph->History().size() >= before + 2; }, 10000))
        << before << " " << graph->History().size();

    dlg_->MinimizeToTray();
    EXPECT_EQ("", states());
    dlg_->RestoreFromTray();
    EXPECT_EQ("cpu memory network", states());
    ::ShowWindow(wnd_, SW_MINIMIZE);
    EXPECT_TRUE(WaitUntil([&] { return states().empty(); }, 3000)) << states();
    ::ShowWindow(wnd_, SW_RESTORE);
    EXPECT_TRUE(WaitUntil([&] { return states() == "cpu memory network"; }, 3000)) << states();
}

TEST_F(MainWindowCommandsTest, CtrlDigitsSelectTabsAndTheViewMenuFollowsTheSettings) {
    Open();
    for (int tab = 5; tab >= 0; --tab) {
        Key('1' + tab, true);
        EXPECT_EQ(tab, ::SendMessageA(tab_, TCM_GETCURSEL, 0, 0));
    }
    // Export, Print and Copy are for the lists only.
    Key('5', true);
    HWND toolbar = FindDescendant(wnd_, 59392);
    EXPECT_FALSE(::SendMessageA(toolbar, TB_ISBUTTONENABLED, ID_FILE_EXPORT, 0));
    EXPECT_FALSE(::SendMessageA(toolbar, TB_ISBUTTONENABLED, ID_EDIT_COPY_ITEM, 0));
    Key('2', true);
    EXPECT_TRUE(::SendMessageA(toolbar, TB_ISBUTTONENABLED, ID_FILE_EXPORT, 0));

    Command(ID_VIEW_GRID_LINES);
    EXPECT_EQ(0, settings_.ReadInt("ListView", "ShowGridLines", 1));
    HMENU menu = ::GetMenu(wnd_);
    ::SendMessageA(wnd_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    EXPECT_FALSE(::GetMenuState(menu, ID_VIEW_GRID_LINES, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(::GetMenuState(menu, ID_VIEW_ALTERNATE_ROWS, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(::GetMenuState(menu, ID_VIEW_TASKS, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(::GetMenuState(menu, ID_UPDATE_0_5_SECONDS, MF_BYCOMMAND) & MF_CHECKED);
    Command(ID_UPDATE_AUTO_MODE);
    ::SendMessageA(wnd_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    EXPECT_TRUE(::GetMenuState(menu, ID_UPDATE_AUTO_MODE, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(::GetMenuState(menu, ID_UPDATE_0_5_SECONDS, MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(MainWindowCommandsTest, EnterProtectsAndCtrlEnterUnprotectsOnTheProgramListsOnly) {
    testutil::ChildProcess child;
    ASSERT_TRUE(child.Start(testutil::HostPath(QM_ACTIONSCHILD_EXE), "wait"));
    Open();
    Key('2', true);
    HWND tasks = List(IDC_TASK_LIST);
    const int row = SelectRow(tasks, 3, std::to_string(child.Pid()));
    ASSERT_GE(row, 0);
    EXPECT_EQ("Unprotected", ListCell(tasks, row, 1));

    Key(VK_RETURN);
    EXPECT_EQ("Protected", ListCell(tasks, row, 1));
    EXPECT_NE(std::string::npos, ProtectFile().find("qm_actionschild.exe;0\r\n")) << ProtectFile();
    // Protected: Kill is refused before any prompt, and the process runs on.
    settings_.WriteInt("General", "PromptUser", 0);
    Command(ID_PROGRAM_KILL);
    EXPECT_TRUE(child.Running());
    HWND toolbar = FindDescendant(wnd_, 59392);
    (void)toolbar;
    EXPECT_FALSE(dlg_->IsCommandEnabled(ID_PROGRAM_KILL));

    // "Allow kill" on Tasks also allows closing.
    Command(ID_PROGRAM_ALLOW_KILL);
    EXPECT_EQ("Unprotected", ListCell(tasks, row, 1));
    EXPECT_NE(std::string::npos, ProtectFile().find("qm_actionschild.exe;3\r\n")) << ProtectFile();

    Key(VK_RETURN);
    Key(VK_RETURN, true);
    EXPECT_EQ("Unprotected", ListCell(tasks, row, 1));

    // On the Services tab neither key changes anything.
    const std::string before = ProtectFile();
    Key('3', true);
    SelectRow(List(IDC_SERVICE_LIST), 0, ListCell(List(IDC_SERVICE_LIST), 0, 0));
    Key(VK_RETURN);
    Key(VK_RETURN, true);
    EXPECT_EQ(before, ProtectFile());
}

TEST_F(MainWindowCommandsTest, UnprotectWithoutAnEntryDoesNothing) {
    testutil::ChildProcess child;
    ASSERT_TRUE(child.Start(testutil::HostPath(QM_ACTIONSCHILD_EXE), "wait"));
    Open();
    Key('2', true);
    ASSERT_GE(SelectRow(List(IDC_TASK_LIST), 3, std::to_string(child.Pid())), 0);
    Command(ID_PROGRAM_UNPROTECT);
    EXPECT_FALSE(testutil::FileExists(ProgramFolder() + "protect.dat"));
}

TEST_F(MainWindowCommandsTest, KillAsksWhenPromptingIsOnAndOtherwiseKillsAtOnce) {
    testutil::ChildProcess child;
    ASSERT_TRUE(child.Start(testutil::HostPath(QM_ACTIONSCHILD_EXE), "wait"));
    Open();
    Key('2', true);
    HWND tasks = List(IDC_TASK_LIST);
    const std::string pid = std::to_string(child.Pid());
    ASSERT_GE(SelectRow(tasks, 3, pid), 0);

    // The question names the process and its path; No leaves it running.
    char path[MAX_PATH] = {};
    ::GetFullPathNameA(testutil::HostPath(QM_ACTIONSCHILD_EXE).c_str(), MAX_PATH, path, nullptr);
    char longPath[MAX_PATH] = {};
    ::GetLongPathNameA(path, longPath, MAX_PATH);
    {
        BoxAnswerer no("Process ID: " + pid + "\nProgram: " + longPath + "\n\nDo you want to kill this running process?",
                       IDNO);
        Command(ID_PROGRAM_KILL);
        EXPECT_TRUE(no.Seen());
    }
    EXPECT_TRUE(child.Running());
    EXPECT_GE(testutil::FindListRow(tasks, 3, pid), 0);

    settings_.WriteInt("General", "PromptUser", 0);
    Command(ID_PROGRAM_KILL);
    EXPECT_TRUE(child.WaitExit(10000));
    EXPECT_LT(testutil::FindListRow(tasks, 3, pid), 0);
}

TEST_F(MainWindowCommandsTest, CopyPutsTheRowTextOnTheClipboard) {
    Open();
    Key('2', true);
    HWND tasks = List(IDC_TASK_LIST);
    ASSERT_GE(SelectRow(tasks, 3, std::to_string(::GetCurrentProcessId())), 0);
    Key('C', true);
    EXPECT_EQ(" Selected item text copied to the clipboard", Status());
    ASSERT_TRUE(::OpenClipboard(nullptr));
    HANDLE data = ::GetClipboardData(CF_TEXT);
    std::string text = data ? static_cast<const char*>(::GlobalLock(data)) : "";
    if (data) ::GlobalUnlock(data);
    ::CloseClipboard();
    EXPECT_EQ(0u, text.find(ListCell(tasks, testutil::SelectedListRow(tasks), 0))) << text;
    EXPECT_NE(std::string::npos, text.find("  " + std::to_string(::GetCurrentProcessId()) + "  ")) << text;
}

TEST_F(MainWindowCommandsTest, ShutdownCommandsReachThePowerSeamOnlyAfterYes) {
    Open();
    {
        BoxAnswerer no("Do you want to Shutdown this computer?", IDNO);
        Command(ID_SYSTEM_SHUTDOWN);
        EXPECT_TRUE(no.Seen());
    }
    EXPECT_TRUE(power_.calls.empty());
    {
        BoxAnswerer yes("Do you want to Logoff this computer?", IDYES);
        Command(ID_SYSTEM_LOG_OFF);
        EXPECT_TRUE(yes.Seen());
    }
    ASSERT_FALSE(power_.calls.empty());
    PowerRequest logoff;
    ASSERT_TRUE(PowerRequestFor(ID_SYSTEM_LOG_OFF - ID_SYSTEM_SHUTDOWN, logoff));
    EXPECT_EQ("exit " + std::to_string(logoff.exitFlags) + " " + std::to_string(kPowerReasonCode), power_.calls.back());

    settings_.WriteInt("General", "PromptUser", 0);
    power_.calls.clear();
    Command(ID_SYSTEM_HIBERNATE);
    ASSERT_FALSE(power_.calls.empty());
    EXPECT_EQ("power hibernate", power_.calls.back());
}

// The test service, installed for the test and removed afterwards.
class MainWindowServiceCommandsTest : public MainWindowCommandsTest {
protected:
    static constexpr const char* kName = "QuillmarkCmdTestSvc";
    void SetUp() override {
        MainWindowCommandsTest::SetUp();
        ASSERT_TRUE(testutil::InstallService(kName, "\"" + testutil::HostPath(QM_TESTSERVICE_EXE) + "\""));
    }
    void TearDown() override {
        MainWindowCommandsTest::TearDown();
        testutil::RemoveService(kName);
    }
    // Runs a command on the selected row; returns the status text it left.
    std::string Run(UINT id) {
        Command(id);
        return Status();
    }
};

TEST_F(MainWindowServiceCommandsTest, ControlCommandsSayWhatHappenedAndUpdateTheRow) {
    Open();
    Key('3', true);
    HWND list = List(IDC_SERVICE_LIST);
    const int row = SelectRow(list, 0, kName);
    ASSERT_GE(row, 0);
    EXPECT_EQ(" Service started", Run(ID_SERVICE_START));
    EXPECT_TRUE(WaitUntil([&] { return ListCell(list, row, 3) == "Running"; }, 15000)) << ListCell(list, row, 3);
    ASSERT_TRUE(testutil::WaitForServiceState(kName, SERVICE_RUNNING));
    EXPECT_EQ(" Service paused", Run(ID_SERVICE_PAUSE));
    EXPECT_EQ("Paused", ListCell(list, row, 3));
    EXPECT_EQ(" Service continued", Run(ID_SERVICE_CONTINUE));
    // Continuing may still be pending for a moment; Restart needs it done.
    ASSERT_TRUE(testutil::WaitForServiceState(kName, SERVICE_RUNNING));
    EXPECT_EQ(" Service restarted", Run(ID_SERVICE_RESTART));
    ASSERT_TRUE(testutil::WaitForServiceState(kName, SERVICE_RUNNING));
    EXPECT_EQ(" Service stopped", Run(ID_SERVICE_STOP));
    EXPECT_TRUE(WaitUntil([&] { return ListCell(list, row, 3) == "Stopped"; }, 15000)) << ListCell(list, row, 3);
    // Stopping again fails and says so.
    EXPECT_EQ(" Service failed to stop", Run(ID_SERVICE_STOP));

    EXPECT_EQ(" Set service startup to automatic", Run(ID_STARTUP_AUTOMATIC));
    EXPECT_EQ("Automatic", ListCell(list, row, 4));
    EXPECT_EQ(" Set service startup to disabled", Run(ID_STARTUP_DISABLED));
    EXPECT_EQ("Disabled", ListCell(list, row, 4));
    // The Startup submenu marks the record's start type.
    MenuHandle menu(::LoadMenuA(ResourceInstance(), MAKEINTRESOURCEA(IDR_SERVICES_MENU)));
    HMENU popup = ::GetSubMenu(menu.get(), 0);
    ::SendMessageA(wnd_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    EXPECT_TRUE(::GetMenuState(popup, ID_STARTUP_DISABLED, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(::GetMenuState(popup, ID_STARTUP_MANUAL, MF_BYCOMMAND) & MF_CHECKED);
    // A services row offers no boot or system start.
    Command(ID_STARTUP_BOOT);
    EXPECT_EQ("Disabled", ListCell(list, row, 4));
}

}  // namespace
