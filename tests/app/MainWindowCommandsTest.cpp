// The main window hosted in the test process, with the seams a user's run
// cannot have: a snapshot step that fails or waits, and the power calls
// recorded instead of made. The commands are driven as the message loop
// drives them (accelerators included) and checked on the lists, the files and
// the processes they act on.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
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
#include "ui/MeterBarWnd.h"
#include "app/CommandTable.h"
#include "app/TrustWarnings.h"
#include "ui/GraphWnd.h"

namespace {

using testutil::FindDescendant;

// An item state that clears every row's selection (LVM_SETITEMSTATE, item -1).
const LVITEMA& SelectionOff() {
    static LVITEMA item = [] {
        LVITEMA i{};
        i.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        return i;
    }();
    return item;
}
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

// Answers the next visible dialog of this process with a title, from a
// thread of its own while the test's thread runs the dialog: answer(dialog)
// says whether it was the one and, if so, answers it.
class DialogAnswerer {
public:
    DialogAnswerer(const char* title, std::function<bool(HWND)> answer) {
        thread_ = std::thread([this, title, answer] {
            const DWORD start = ::GetTickCount();
            while (::GetTickCount() - start < 20000) {
                for (HWND w : testutil::FindTopWindows(::GetCurrentProcessId(), "#32770", title)) {
                    if (::IsWindowVisible(w) && answer(w)) {
                        seen_ = true;
                        return;
                    }
                }
                ::Sleep(20);
            }
        });
    }
    ~DialogAnswerer() {
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

// Answers the next message box of this process whose text is text.
class BoxAnswerer : public DialogAnswerer {
public:
    BoxAnswerer(const std::string& text, int button)
        : DialogAnswerer("Quillmark", [text, button](HWND box) {
              char body[512] = {};
              ::GetDlgItemTextA(box, 0xFFFF, body, sizeof body);
              if (text != body) return false;
              ::PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
              return true;
          }) {}
};

// Answers the next "Export List Data" dialog with a file.
class SaveDialogAnswerer : public DialogAnswerer {
public:
    explicit SaveDialogAnswerer(const std::string& path)
        : DialogAnswerer("Export List Data", [path](HWND dialog) {
              // The file name box: the explorer dialog's combo box, or the
              // older dialog's edit.
              for (int id : {0x47C, 0x480}) ::SetDlgItemTextA(dialog, id, path.c_str());
              ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
              return true;
          }) {}
};

// A file the test writes, or makes the program write, deleted when it ends.
struct RemovedAtEnd {
    std::string path;
    ~RemovedAtEnd() { ::DeleteFileA(path.c_str()); }
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
    void Key(UINT vk, bool ctrl = false, bool shift = false) {
        BYTE state[256] = {};
        ::GetKeyboardState(state);
        state[VK_CONTROL] = ctrl ? 0x80 : 0;
        state[VK_SHIFT] = shift ? 0x80 : 0;
        ::SetKeyboardState(state);
        HWND focus = ::GetFocus() ? ::GetFocus() : wnd_;
        MSG msg{focus, WM_KEYDOWN, vk, 1, 0, {}};
        if (!MessageLoop::PreTranslate(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        state[VK_CONTROL] = 0;
        state[VK_SHIFT] = 0;
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
    // Starts the actions child (waiting), opens the window on the Tasks tab
    // and selects the child's row, with the focus in the list; the row, or -1.
    int OpenOnChildRow(testutil::ChildProcess& child) {
        if (!child.Start(testutil::HostPath(QM_ACTIONSCHILD_EXE), "wait")) return -1;
        Open();
        Key('2', true);
        return SelectRow(List(IDC_TASK_LIST), 3, std::to_string(child.Pid()));
    }
    // Kill's question for a process of the actions child.
    static std::string KillQuestion(DWORD pid) {
        char path[MAX_PATH] = {};
        ::GetFullPathNameA(testutil::HostPath(QM_ACTIONSCHILD_EXE).c_str(), MAX_PATH, path, nullptr);
        char longPath[MAX_PATH] = {};
        ::GetLongPathNameA(path, longPath, MAX_PATH);
        return "Process ID: " + std::to_string(pid) + "\nProgram: " + longPath +
               "\n\nDo you want to kill this running process?";
    }
    // Text typed into the focused window, a character at a time, as the
    // message loop hands characters on.
    void Type(const std::string& text) {
        for (char c : text) {
            MSG msg{::GetFocus(), WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1, 0, {}};
            if (!MessageLoop::PreTranslate(msg)) ::DispatchMessageA(&msg);
        }
        testutil::PumpFor(20);
    }
    std::string TextOf(HWND window) const {
        char text[256] = {};
        ::GetWindowTextA(window, text, sizeof text);
        return text;
    }

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

    // Grid lines follow the setting on every list of the window, the
    // performance data and the adapters included.
    auto gridLines = [&](int id) {
        return (::SendMessageA(List(id), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_GRIDLINES) != 0;
    };
    for (int id : {IDC_TASK_LIST, IDC_PERFDATA_LIST, IDC_ADAPTER_LIST}) EXPECT_TRUE(gridLines(id)) << id;
    Command(ID_VIEW_GRID_LINES);
    EXPECT_EQ(0, settings_.ReadInt("ListView", "ShowGridLines", 1));
    for (int id : {IDC_TASK_LIST, IDC_SERVICE_LIST, IDC_PERFDATA_LIST, IDC_ADAPTER_LIST})
        EXPECT_FALSE(gridLines(id)) << id;
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

namespace {
// Every command item of a menu and its submenus.
void MenuItems(HMENU menu, std::vector<std::pair<HMENU, UINT>>& items) {
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        if (HMENU sub = ::GetSubMenu(menu, i)) {
            MenuItems(sub, items);
            continue;
        }
        const UINT id = ::GetMenuItemID(menu, i);
        if (id != 0 && id != static_cast<UINT>(-1)) items.emplace_back(menu, id);
    }
}
}  // namespace

// On each tab, every item of the menus and every button of the main toolbar
// and of the tab's toolbar shows the command table's state, and the tab's
// own commands are the only list commands offered.
TEST_F(MainWindowCommandsTest, EveryMenuAndToolbarCommandFollowsTheTableOnEachTab) {
    Open();
    const UINT contextMenus[] = {IDR_APPLICATIONS_MENU, IDR_TASKS_MENU, IDR_SERVICES_MENU, IDR_DRIVERS_MENU};
    const int toolbars[] = {IDC_APPLICATIONS_TOOLBAR, IDC_TASKS_TOOLBAR, IDC_SERVICES_TOOLBAR, IDC_DRIVERS_TOOLBAR};
    const int lists[] = {IDC_APPLICATION_LIST, IDC_TASK_LIST, IDC_SERVICE_LIST, IDC_DRIVER_LIST};
    for (int tab = 0; tab < 6; ++tab) {
        SCOPED_TRACE("tab " + std::to_string(tab));
        Key('1' + tab, true);
        if (tab < 4) SelectRow(List(lists[tab]), 0, ListCell(List(lists[tab]), 0, 0));
        std::vector<MenuHandle> loaded;
        std::vector<HMENU> menus{::GetMenu(wnd_)};
        for (UINT id : {static_cast<UINT>(IDR_TRAY_MENU), tab < 4 ? contextMenus[tab] : 0u}) {
            if (!id) continue;
            loaded.emplace_back(::LoadMenuA(ResourceInstance(), MAKEINTRESOURCEA(id)));
            menus.push_back(::GetSubMenu(loaded.back().get(), 0));
        }
        for (HMENU menu : menus) {
            ::SendMessageA(wnd_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
            std::vector<std::pair<HMENU, UINT>> items;
            MenuItems(menu, items);
            for (const auto& [owner, id] : items) {
                ASSERT_NE(nullptr, FindCommand(id)) << id;
                const CommandState state = dlg_->StateOfCommand(id);
                const UINT flags = ::GetMenuState(owner, id, MF_BYCOMMAND);
                EXPECT_EQ(!state.enabled, (flags & MF_GRAYED) != 0) << id;
                EXPECT_EQ(state.checked, (flags & MF_CHECKED) != 0) << id;
            }
        }
        MessageLoop::RunIdle();  // the idle pass sets the toolbars
        std::vector<HWND> bars{FindDescendant(wnd_, 59392)};
        if (tab < 4) bars.push_back(FindDescendant(wnd_, toolbars[tab]));
        for (HWND bar : bars) {
            ASSERT_NE(nullptr, bar);
            const int buttons = static_cast<int>(::SendMessageA(bar, TB_BUTTONCOUNT, 0, 0));
            for (int i = 0; i < buttons; ++i) {
                TBBUTTON button{};
                ::SendMessageA(bar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
                if (button.fsStyle & BTNS_SEP) continue;
                const UINT id = static_cast<UINT>(button.idCommand);
                ASSERT_NE(nullptr, FindCommand(id)) << id;
                const CommandState state = dlg_->StateOfCommand(id);
                EXPECT_EQ(state.enabled, ::SendMessageA(bar, TB_ISBUTTONENABLED, id, 0) != 0) << id;
                EXPECT_EQ(state.checked, ::SendMessageA(bar, TB_ISBUTTONCHECKED, id, 0) != 0) << id;
            }
        }
        // What each tab offers, whatever its selection.
        const bool lists4 = tab < 4;
        EXPECT_EQ(lists4, dlg_->IsCommandEnabled(ID_FILE_EXPORT));
        EXPECT_EQ(lists4, dlg_->IsCommandEnabled(ID_PROGRAM_DESCRIBE));
        EXPECT_TRUE(dlg_->IsCommandEnabled(ID_FILE_PRINT_DROPDOWN));
        EXPECT_EQ(tab == 0, dlg_->IsCommandEnabled(ID_PROGRAM_CLOSE_ALL));
        EXPECT_EQ(tab == 3, dlg_->IsCommandEnabled(ID_STARTUP_BOOT));
        if (tab >= 2) {
            EXPECT_FALSE(dlg_->IsCommandEnabled(ID_PROGRAM_KILL));
            EXPECT_FALSE(dlg_->IsCommandEnabled(ID_PROGRAM_PROTECT));
        }
        if (tab != 2 && tab != 3) {
            EXPECT_FALSE(dlg_->IsCommandEnabled(ID_SERVICE_START));
        }
    }
}

// Kill all starts from the selected row: with none it does nothing, also
// without the question.
TEST_F(MainWindowCommandsTest, KillAllWithNothingSelectedLeavesEveryProgramRunning) {
    testutil::ChildProcess child;
    ASSERT_TRUE(child.Start(testutil::HostPath(QM_ACTIONSCHILD_EXE), "wait"));
    settings_.WriteInt("General", "PromptUser", 0);
    Open();
    Key('2', true);
    HWND tasks = List(IDC_TASK_LIST);
    ASSERT_TRUE(WaitUntil([&] { return testutil::FindListRow(tasks, 3, std::to_string(child.Pid())) >= 0; }));
    ::SendMessageA(tasks, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&SelectionOff()));
    ASSERT_EQ(-1, testutil::SelectedListRow(tasks));
    EXPECT_FALSE(dlg_->IsCommandEnabled(ID_PROGRAM_KILL_ALL));
    Command(ID_PROGRAM_KILL_ALL);
    EXPECT_FALSE(child.WaitExit(2000)) << "a program was killed";
}

// Auto mode at a steady load changes nothing each second: no timer, no
// status text, no registry value.
TEST_F(MainWindowCommandsTest, AutoModeAtASteadyLoadWritesNoRegistryValue) {
    Open();
    Command(ID_UPDATE_AUTO_MODE);
    ASSERT_EQ(1, settings_.ReadInt("Update", "AutoMode", 0));
    RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Ornava Utilities\\Quillmark\\Update", 0,
                                             KEY_NOTIFY, key.put()));
    UniqueHandle changed(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, ::RegNotifyChangeKeyValue(key.get(), FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed.get(), TRUE));
    // Three seconds of auto-mode ticks, counted by the CPU meter's readings
    // (both come once a second).
    auto* meter = dynamic_cast<CCPUMeterWnd*>(CWnd::FromHandle(FindDescendant(wnd_, IDC_CPU_METER)));
    ASSERT_NE(nullptr, meter);
    const int readings = meter->SampleCount();
    ASSERT_TRUE(WaitUntil([&] { return meter->SampleCount() >= readings + 3; }, 15000));
    // The load of a test machine may move the interval once or twice; a
    // steady one leaves the values alone, and a change writes nothing either.
    EXPECT_NE(WAIT_OBJECT_0, ::WaitForSingleObject(changed.get(), 0)) << "a value under Update was written";
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

// A protection change that cannot be saved is told in the status bar and the
// log, kept in memory, and saved with the next change that can be.
TEST_F(MainWindowCommandsTest, AProtectionChangeThatCannotBeSavedIsToldAndKept) {
    testutil::ChildProcess child;
    ASSERT_TRUE(child.Start(testutil::HostPath(QM_ACTIONSCHILD_EXE), "wait"));
    Open();
    Key('2', true);
    HWND tasks = List(IDC_TASK_LIST);
    const int row = SelectRow(tasks, 3, std::to_string(child.Pid()));
    ASSERT_GE(row, 0);
    const std::string file = ProgramFolder() + "protect.dat";
    {
        // Another program holds the file so that nothing can replace it.
        UniqueHandle held(::CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        Key(VK_RETURN);
        EXPECT_EQ("Protected", ListCell(tasks, row, 1));
        EXPECT_NE(std::string::npos, Status().find("protect")) << Status();
        const std::string log = testutil::ReadFileBytes(ProgramFolder() + "quillmark.log");
        EXPECT_NE(std::string::npos, log.find(Status().substr(1))) << log;
    }
    // The next change saves this one too.
    Command(ID_PROGRAM_ALLOW_KILL);
    EXPECT_NE(std::string::npos, ProtectFile().find("qm_actionschild.exe;3\r\n")) << ProtectFile();
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

    // The question names the process and its path; No leaves it running,
    // whether Kill came from the command or from the Delete key.
    for (bool byDelete : {false, true}) {
        BoxAnswerer no(KillQuestion(child.Pid()), IDNO);
        if (byDelete)
            Key(VK_DELETE);
        else
            Command(ID_PROGRAM_KILL);
        EXPECT_TRUE(no.Seen()) << byDelete;
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
    // Runs a command on the selected row; returns the status text it left
    // once its job has ended (the status says "...ing service..." meanwhile).
    std::string Run(UINT id) {
        Command(id);
        WaitUntil([&] {
            const std::string status = Status();
            return status.size() < 3 || status.compare(status.size() - 3, 3, "...") != 0;
        }, 30000);
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
    // The status text comes whatever the outcome: the manager's own start
    // type tells a refused change from a row that was not brought up to date.
    EXPECT_EQ("Disabled", ListCell(list, row, 4)) << "the manager's start type: " << testutil::ServiceStartType(kName);
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

// ---- The filter box, Delete and the warnings about suspect programs ------------------

TEST_F(MainWindowCommandsTest, TheTasksFilterKeepsOnlyMatchingRowsThroughRefreshesAndNewProcesses) {
    // A Kill fired by a key meant for the box would not even ask.
    settings_.WriteInt("General", "PromptUser", 0);
    testutil::ChildProcess child;
    ASSERT_GE(OpenOnChildRow(child), 0);
    HWND tasks = List(IDC_TASK_LIST);
    const std::string pid = std::to_string(child.Pid());
    HWND status = FindDescendant(wnd_, IDC_STATUS_BAR);
    const int total = testutil::ListRowCount(tasks);
    EXPECT_EQ(std::to_string(total) + " tasks", testutil::StatusPaneText(status, 2));

    Key('F', true);
    HWND box = FindDescendant(wnd_, IDC_TASKS_FILTER);
    ASSERT_NE(nullptr, box);
    ASSERT_EQ(box, ::GetFocus());
    Type("ACTIONSchild");
    ASSERT_EQ(1, testutil::ListRowCount(tasks));
    EXPECT_EQ(pid, ListCell(tasks, 0, 3));
    EXPECT_EQ(0, testutil::SelectedListRow(tasks));  // the selection stayed on its row
    const std::string filtered = testutil::StatusPaneText(status, 2);
    EXPECT_EQ(0u, filtered.find("1 of ")) << filtered;
    EXPECT_EQ(filtered.size() - 6, filtered.rfind(" tasks")) << filtered;

    // The window's keys are the box's while it has the focus.
    Key(VK_RETURN);  // Protect
    EXPECT_EQ("", ProtectFile());
    Key('C', true);  // Copy
    EXPECT_NE(" Selected item text copied to the clipboard", Status());
    Key(VK_HOME);
    Key(VK_DELETE);  // Kill
    EXPECT_EQ("CTIONSchild", TextOf(box));
    EXPECT_TRUE(child.Running());
    EXPECT_EQ(1, testutil::ListRowCount(tasks));

    // A refresh keeps the filter, and a new process that matches shows.
    testutil::ChildProcess second;
    ASSERT_TRUE(second.Start(testutil::HostPath(QM_ACTIONSCHILD_EXE), "wait"));
    Command(ID_VIEW_REFRESH);
    ASSERT_TRUE(WaitUntil([&] { return testutil::ListRowCount(tasks) == 2; }, 30000));
    EXPECT_GE(testutil::FindListRow(tasks, 3, std::to_string(second.Pid())), 0);
    EXPECT_EQ("qm_actionschild.exe", ListCell(tasks, 0, 0));
    EXPECT_EQ("qm_actionschild.exe", ListCell(tasks, 1, 0));

    // Each tab has its own filter. (From the box Ctrl+3 would be the box's.)
    ::SetFocus(tasks);
    Key('3', true);
    HWND services = List(IDC_SERVICE_LIST);
    const int serviceCount = testutil::ListRowCount(services);
    ASSERT_GT(serviceCount, 0);
    Key('F', true);
    ASSERT_EQ(FindDescendant(wnd_, IDC_SERVICES_FILTER), ::GetFocus());
    Type("no such service");
    EXPECT_EQ(0, testutil::ListRowCount(services));
    EXPECT_EQ("0 of " + std::to_string(serviceCount) + " services", testutil::StatusPaneText(status, 3));
    ::SetFocus(services);
    Key('2', true);
    EXPECT_EQ(2, testutil::ListRowCount(tasks));
    EXPECT_EQ("CTIONSchild", TextOf(box));

    // Down keeps the filter and goes on to the list, at its first row when
    // none was selected, else at the selection.
    LVITEMA none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(tasks, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    Key('F', true);
    Key(VK_DOWN);
    EXPECT_EQ(tasks, ::GetFocus());
    EXPECT_EQ(0, testutil::SelectedListRow(tasks));
    EXPECT_EQ("CTIONSchild", TextOf(box));
    testutil::SelectListRow(tasks, 1);
    Key('F', true);
    Key(VK_DOWN);
    EXPECT_EQ(tasks, ::GetFocus());
    EXPECT_EQ(1, testutil::SelectedListRow(tasks));
    EXPECT_EQ(2, testutil::ListRowCount(tasks));

    // Esc empties the box and hands the focus to the list.
    Key('F', true);
    Key(VK_ESCAPE);
    EXPECT_EQ("", TextOf(box));
    EXPECT_EQ(tasks, ::GetFocus());
    EXPECT_GE(testutil::ListRowCount(tasks), total);
    EXPECT_EQ(std::to_string(testutil::ListRowCount(tasks)) + " tasks", testutil::StatusPaneText(status, 2));
}

TEST_F(MainWindowCommandsTest, TabMovesFromTheTabsThroughThePageAndBackAndCtrlTabRoundTheTabs) {
    Open();
    Key('2', true);
    HWND tasks = List(IDC_TASK_LIST);
    HWND box = FindDescendant(wnd_, IDC_TASKS_FILTER);
    HWND detail = FindDescendant(wnd_, 1014);
    ASSERT_GE(SelectRow(tasks, 3, std::to_string(::GetCurrentProcessId())), 0);
    // The page follows the selection after a moment; its links are stops.
    ASSERT_TRUE(WaitUntil([&] { return ::IsChild(detail, ::GetNextDlgTabItem(wnd_, tab_, FALSE)); }));
    ::SetFocus(tab_);

    Key(VK_TAB);
    EXPECT_EQ(box, ::GetFocus());
    Key(VK_TAB);
    EXPECT_EQ(tasks, ::GetFocus());
    Key(VK_TAB);  // the page's first link, at its top
    EXPECT_TRUE(::IsChild(detail, ::GetFocus()));
    char focusClass[32] = {};
    ::GetClassNameA(::GetFocus(), focusClass, sizeof focusClass);
    EXPECT_STREQ("SysLink", focusClass);
    Key(VK_TAB, false, true);
    EXPECT_EQ(tasks, ::GetFocus());
    Key(VK_TAB, false, true);
    EXPECT_EQ(box, ::GetFocus());
    Key(VK_TAB, false, true);
    EXPECT_EQ(tab_, ::GetFocus());
    Key(VK_TAB, false, true);  // round to the page's stops
    EXPECT_TRUE(::IsChild(detail, ::GetFocus()));
    for (int i = 0; i < 20 && ::IsChild(detail, ::GetFocus()); ++i) Key(VK_TAB);
    EXPECT_EQ(tab_, ::GetFocus());

    // The Performance tab's data list is a stop too; with no detail page
    // there, Shift+Tab from the tabs goes round to it as well.
    Key('5', true);
    ::SetFocus(tab_);
    Key(VK_TAB);
    EXPECT_EQ(List(1025), ::GetFocus());
    ::SetFocus(tab_);
    Key(VK_TAB, false, true);
    EXPECT_EQ(List(1025), ::GetFocus());

    // Ctrl+Tab and Ctrl+Shift+Tab go round the tabs, to the tab's list.
    Key(VK_TAB, true);
    EXPECT_EQ(5, ::SendMessageA(tab_, TCM_GETCURSEL, 0, 0));
    Key(VK_TAB, true);
    EXPECT_EQ(0, ::SendMessageA(tab_, TCM_GETCURSEL, 0, 0));
    EXPECT_EQ(List(IDC_APPLICATION_LIST), ::GetFocus());
    Key(VK_TAB, true, true);
    EXPECT_EQ(5, ::SendMessageA(tab_, TCM_GETCURSEL, 0, 0));
}

TEST_F(MainWindowCommandsTest, ExportWritesTheRowsTheFilterShows) {
    testutil::ChildProcess child;
    ASSERT_GE(OpenOnChildRow(child), 0);
    HWND tasks = List(IDC_TASK_LIST);
    Key('F', true);
    Type(std::to_string(child.Pid()));
    ASSERT_GE(testutil::ListRowCount(tasks), 1);

    testutil::ScratchDir dir;
    const std::string path = dir.File("shown.csv");
    {
        SaveDialogAnswerer answer(path);
        Command(ID_FILE_EXPORT);
        ASSERT_TRUE(answer.Seen());
    }
    EXPECT_EQ(" List data exported successfully", Status());
    const std::string text = testutil::ReadFileBytes(path);
    // The header and the shown rows, nothing else.
    EXPECT_EQ(static_cast<size_t>(testutil::ListRowCount(tasks)) + 1, testutil::SplitLines(text).size()) << text;
    EXPECT_NE(std::string::npos, text.find(",\"" + std::to_string(child.Pid()) + "\",")) << text;
}

TEST_F(MainWindowCommandsTest, DeleteKillsTheSelectedProgramAfterTheQuestion) {
    testutil::ChildProcess child;
    ASSERT_GE(OpenOnChildRow(child), 0);
    HWND tasks = List(IDC_TASK_LIST);
    const std::string pid = std::to_string(child.Pid());
    {
        BoxAnswerer yes(KillQuestion(child.Pid()), IDYES);
        Key(VK_DELETE);
        EXPECT_TRUE(yes.Seen());
    }
    EXPECT_TRUE(child.WaitExit(10000));
    EXPECT_LT(testutil::FindListRow(tasks, 3, pid), 0);
}

// A program rated suspect in the describe dialog turns red at once, not at
// the next refresh.
TEST_F(MainWindowCommandsTest, WhatIsGivenInTheDescribeDialogShowsInTheProgramsRows) {
    const std::string localDb = ProgramFolder() + "local-db.xml";
    const RemovedAtEnd removeDb{localDb};
    ::DeleteFileA(localDb.c_str());
    testutil::ChildProcess child;
    ASSERT_TRUE(child.Start(testutil::HostPath(QM_ACTIONSCHILD_EXE), "window DescribedChild"));
    ASSERT_TRUE(WaitUntil([&] { return !testutil::FindTopWindows(child.Pid(), "QmActionsChild", nullptr).empty(); }));
    Open();
    HWND applications = List(IDC_APPLICATION_LIST);
    ASSERT_GE(SelectRow(applications, 6, "DescribedChild"), 0);
    auto* list = dynamic_cast<CListCtrlEx*>(CWnd::FromHandle(applications));
    ASSERT_NE(nullptr, list);
    const int row = testutil::SelectedListRow(applications);
    const LPARAM key = list->GetItemData(row);
    ASSERT_EQ(CLR_DEFAULT, list->ItemTextColour(key));
    {
        DialogAnswerer suspect("Describe Application", [](HWND dialog) {
            ::SetDlgItemTextA(dialog, IDC_DESC_COMPANY, "Test Makers");
            ::SetDlgItemTextA(dialog, IDC_DESC_DESCRIPTION, "Opens windows for the tests");
            ::SendDlgItemMessageA(dialog, IDC_DESC_RATING, CB_SETCURSEL, kRatingSuspect, 0);
            ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            return true;
        });
        Command(ID_PROGRAM_DESCRIBE);
        ASSERT_TRUE(suspect.Seen());
    }
    // The row shows the rating, the company and the description at once,
    // not only after the next refresh; so does the program's Tasks row.
    EXPECT_EQ(kSuspectTextColour, list->ItemTextColour(key));
    EXPECT_EQ("Test Makers", ListCell(applications, row, 7));
    EXPECT_EQ("Opens windows for the tests", ListCell(applications, row, 8));
    auto* tasks = dynamic_cast<CListCtrlEx*>(CWnd::FromHandle(List(IDC_TASK_LIST)));
    ASSERT_NE(nullptr, tasks);
    EXPECT_EQ(kSuspectTextColour, tasks->ItemTextColour(static_cast<LPARAM>(child.Pid())));
}

TEST_F(MainWindowCommandsTest, ThePublishersFileLoadedAfterTheFillDescribesTheRows) {
    // A publisher's file large enough that the lists are filled while it
    // loads, as a user's full one is; the window's program is in it.
    const std::string publisherDb = CommonDataFolder() + "ornava-db.xml";
    const std::string before = testutil::ReadFileBytes(publisherDb);
    struct Restore {
        std::string path, bytes;
        ~Restore() {
            if (bytes.empty())
                ::DeleteFileA(path.c_str());
            else
                testutil::WriteFileBytes(path, bytes);
        }
    } restore{publisherDb, before};
    std::string xml = "<?xml version=\"1.0\"?>\r\n<duzer>\r\n<database>\r\n<company><name>Acme</name><url></url>";
    for (int i = 0; i < 30000; ++i)
        xml += "<executable><rating>2</rating><filename>filler" + std::to_string(i) +
               ".exe</filename><description>A filler.</description></executable>";
    xml += "<executable><rating>2</rating><filename>qm_actionschild.exe</filename>"
           "<description>Opens windows for the tests</description></executable></company>\r\n"
           "</database>\r\n</duzer>\r\n";
    const std::string folder = CommonDataFolder();
    ::CreateDirectoryA(folder.substr(0, folder.rfind('\\', folder.size() - 2)).c_str(), nullptr);
    ::CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(testutil::WriteFileBytes(publisherDb, xml));
    testutil::ChildProcess child;
    ASSERT_TRUE(child.Start(testutil::HostPath(QM_ACTIONSCHILD_EXE), "window PublishedChild"));
    ASSERT_TRUE(WaitUntil([&] { return !testutil::FindTopWindows(child.Pid(), "QmActionsChild", nullptr).empty(); }));

    Open();
    HWND applications = List(IDC_APPLICATION_LIST);
    HWND tasks = List(IDC_TASK_LIST);
    ASSERT_GE(SelectRow(applications, 6, "PublishedChild"), 0);
    const std::string pid = std::to_string(child.Pid());
    EXPECT_TRUE(WaitUntil(
        [&] {
            const int application = testutil::FindListRow(applications, 6, "PublishedChild");
            const int task = testutil::FindListRow(tasks, 3, pid);
            return application >= 0 && task >= 0 &&
                   ListCell(applications, application, 8) == "Opens windows for the tests" &&
                   ListCell(tasks, task, 8) == "Opens windows for the tests";
        },
        60000));
}

TEST_F(MainWindowCommandsTest, SuspectProgramsAreRedAndNamedOnceInABalloon) {
    // The test's own database: the actions child is "Suspect", a copy of it
    // named evil.exe "Spyware".
    const std::string localDb = ProgramFolder() + "local-db.xml";
    ASSERT_TRUE(testutil::WriteFileBytes(
        localDb, "<?xml version=\"1.0\"?>\r\n<database><company><name>Test</name><url></url>"
                 "<executable><rating>7</rating><filename>qm_actionschild.exe</filename><description>A</description>"
                 "</executable><executable><rating>8</rating><filename>evil.exe</filename><description>E</description>"
                 "</executable></company></database>\r\n"));
    const RemovedAtEnd removeDb{localDb};
    testutil::ScratchDir dir;
    const std::string evil = dir.File("evil.exe");
    ASSERT_TRUE(::CopyFileA(testutil::HostPath(QM_ACTIONSCHILD_EXE).c_str(), evil.c_str(), FALSE));

    Open();
    Key('2', true);  // the view update's first sample: what runs now did not start
    testutil::ChildProcess suspect;
    ASSERT_TRUE(suspect.Start(testutil::HostPath(QM_ACTIONSCHILD_EXE), "wait"));
    ASSERT_TRUE(WaitUntil([&] { return dlg_->Tray().LastBalloon().count == 1; }, 15000));
    EXPECT_EQ("Quillmark", dlg_->Tray().LastBalloon().title);
    EXPECT_EQ("qm_actionschild.exe is rated Suspect", dlg_->Tray().LastBalloon().text);

    // Its click, in the notification area on another tab: the window comes
    // back on Tasks with the process selected, listed by a refresh.
    Key('3', true);
    dlg_->MinimizeToTray();
    ::PostMessageA(wnd_, WM_TRAY_NOTIFY, 1, NIN_BALLOONUSERCLICK);
    HWND tasks = List(IDC_TASK_LIST);
    const std::string pid = std::to_string(suspect.Pid());
    EXPECT_TRUE(WaitUntil(
        [&] {
            const int row = testutil::SelectedListRow(tasks);
            return ::IsWindowVisible(wnd_) && row >= 0 && ListCell(tasks, row, 3) == pid;
        },
        30000));
    EXPECT_EQ(1, ::SendMessageA(tab_, TCM_GETCURSEL, 0, 0));
    // Its row is red; the test's own is not.
    auto* list = dynamic_cast<CListCtrlEx*>(CWnd::FromHandle(tasks));
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(kSuspectTextColour, list->ItemTextColour(static_cast<LPARAM>(suspect.Pid())));
    EXPECT_EQ(CLR_DEFAULT, list->ItemTextColour(static_cast<LPARAM>(::GetCurrentProcessId())));

    // In the notification area the watch samples by itself: a second process
    // of the same program is not named again, another suspect program is.
    dlg_->MinimizeToTray();
    EXPECT_TRUE(dlg_->Samplers().processWatch);
    testutil::ChildProcess again, spyware;
    ASSERT_TRUE(again.Start(testutil::HostPath(QM_ACTIONSCHILD_EXE), "wait"));
    ASSERT_TRUE(spyware.Start(evil, "wait"));
    EXPECT_TRUE(WaitUntil([&] { return dlg_->Tray().LastBalloon().text == "evil.exe is rated Spyware"; }, 20000))
        << dlg_->Tray().LastBalloon().text;
    EXPECT_EQ(2, dlg_->Tray().LastBalloon().count);

    // The tray menu's item switches the warnings and the watch, and is kept.
    EXPECT_TRUE(dlg_->StateOfCommand(ID_TRAY_WARN_SUSPECT).checked);
    Command(ID_TRAY_WARN_SUSPECT);
    EXPECT_EQ(0, settings_.ReadInt("General", "WarnSuspectPrograms", 1));
    EXPECT_FALSE(dlg_->Samplers().processWatch);
    EXPECT_FALSE(dlg_->StateOfCommand(ID_TRAY_WARN_SUSPECT).checked);
    Command(ID_TRAY_WARN_SUSPECT);
    EXPECT_EQ(1, settings_.ReadInt("General", "WarnSuspectPrograms", 0));
    EXPECT_TRUE(dlg_->Samplers().processWatch);
}

}  // namespace
