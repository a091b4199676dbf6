// The main window of Quillmark.exe, started as a user would and read from
// outside with window and common-control messages: its composition, the
// lists filled from the live system, the view update following processes,
// windows and services, tab switching and the status texts.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <iphlpapi.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/AppSettings.h"
#include "core/SettingsKeys.h"
#include "base/Handles.h"
#include "Canvas.h"
#include "ProcessUtil.h"
#include "RemoteControls.h"
#include "TestServices.h"
#include "TestUtil.h"

namespace {

using testutil::FindDescendant;
using testutil::ListCell;
using testutil::WaitUntil;

constexpr UINT kCmdRefresh = 2775;
constexpr UINT kCmdExit = 2772;
constexpr UINT kCmdFirstTab = 2836;
constexpr UINT kCmdDisable = 2863;
constexpr UINT kCmdHalfSecond = 2864;
constexpr UINT kCmdOneSecond = 2865;
constexpr UINT kCmdTenSeconds = 2868;
constexpr UINT kCmdAutoMode = 2906;
constexpr const char* kTestService = "QuillmarkMainWndSvc";

std::string Hex8(HWND h) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.8X", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(h)));
    return buf;
}

// A control's text by WM_GETTEXT, as a screen reader asks: GetWindowText of
// another process's window reads only a caption the window manager keeps,
// which an edit control has not.
std::string ControlText(HWND w) {
    char buffer[1024] = {};
    if (w) ::SendMessageA(w, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

// The test child's path as the detail page gives it.
std::string ActionsChildPath() {
    char path[MAX_PATH] = {}, longPath[MAX_PATH] = {};
    ::GetFullPathNameA(testutil::HostPath(QM_ACTIONSCHILD_EXE).c_str(), MAX_PATH, path, nullptr);
    ::GetLongPathNameA(path, longPath, MAX_PATH);
    return longPath;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        testutil::ResetQuillmarkSettings();
        testutil::PrepareQuillmarkStart();
        // Half a second between view updates keeps the waits short.
        settings_.WriteInt("Update", "UpdateTime", 0);
        exe_ = dir_.File("Quillmark.exe");
        ASSERT_TRUE(::CopyFileA(testutil::HostPath(QM_QUILLMARK_EXE).c_str(), exe_.c_str(), FALSE));
    }
    void TearDown() override {
        if (app_.Running() && wnd_) {
            ::PostMessageA(wnd_, WM_COMMAND, kCmdExit, 0);
            app_.WaitExit(20000);
        }
        testutil::ResetQuillmarkSettings();
    }

    // Starts the program and waits until its first snapshot is shown (the
    // tab control is enabled then).
    void Start() {
        ASSERT_TRUE(app_.Start(exe_));
        ASSERT_TRUE(WaitUntil(
            [&] {
                auto w = testutil::FindTopWindows(app_.Pid(), "QuillmarkWndClass", "Quillmark");
                wnd_ = w.empty() ? nullptr : w[0];
                return wnd_ && PrevWnd() == reinterpret_cast<UINT_PTR>(wnd_);
            },
            30000));
        tab_ = FindDescendant(wnd_, 1000);
        ASSERT_NE(nullptr, tab_);
        ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(tab_) != FALSE; }, 30000)) << "lists never filled";
    }
    HWND List(int id) const { return FindDescendant(wnd_, id); }
    void Command(UINT id) const { ::PostMessageA(wnd_, WM_COMMAND, id, 0); }
    void ShowTab(int tab) const {
        Command(kCmdFirstTab + static_cast<UINT>(tab));
        WaitUntil([&] { return ::SendMessageA(tab_, TCM_GETCURSEL, 0, 0) == tab; });
    }
    std::string StatusText(int pane = 0) const {
        return testutil::StatusPaneText(FindDescendant(wnd_, 59393), pane);
    }
    unsigned long PrevWnd() const { return settings::kPrevWnd.Read(settings_); }
    // The window with the keyboard focus in the program's window thread.
    HWND FocusedWindow() const {
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        return ::GetGUIThreadInfo(::GetWindowThreadProcessId(wnd_, nullptr), &gui) ? gui.hwndFocus : nullptr;
    }
    // Starts the test child (waiting) and the program, shows the Tasks tab
    // and returns the child's row there (-1 when it never came).
    int StartOnTasksWithChild(testutil::ChildProcess& child) {
        if (!child.Start(testutil::HostPath(QM_ACTIONSCHILD_EXE), "wait")) return -1;
        Start();
        ShowTab(1);
        return WaitForRow(List(3001), 3, std::to_string(child.Pid()));
    }
    // The native detail view in the detail pane (null before it is made).
    HWND DetailView() const {
        HWND pane = FindDescendant(wnd_, 1014);
        return pane ? ::FindWindowExA(pane, nullptr, "QuillmarkDetailView", nullptr) : nullptr;
    }
    // The file path the detail page shows (empty without one).
    std::string PagePath() const {
        HWND view = DetailView();
        return view ? ControlText(::GetDlgItem(view, 210)) : std::string();
    }
    // Selects a row of the Tasks list and tells the window, as a click does.
    bool ClickTaskRow(int row) const {
        if (!testutil::SelectListRow(List(3001), row)) return false;
        ::PostMessageA(wnd_, WM_APP + 4202, 3001, 0);
        return true;
    }
    // The row of a list whose column holds text, waiting for it to appear.
    int WaitForRow(HWND list, int column, const std::string& text, DWORD boundMs = 20000) {
        int row = -1;
        WaitUntil([&] { return (row = testutil::FindListRow(list, column, text)) >= 0; }, boundMs);
        return row;
    }

    testutil::ScratchDir dir_;
    std::string exe_;
    AppSettings settings_;
    testutil::ChildProcess app_;
    HWND wnd_ = nullptr;
    HWND tab_ = nullptr;
};

TEST_F(MainWindowTest, ShowsItsMenusToolbarTabsListsAndCounts) {
    Start();
    // Menus belong to their process here: only that the bar is set can be
    // seen from outside.
    EXPECT_NE(nullptr, ::GetMenu(wnd_));
    HWND toolbar = FindDescendant(wnd_, 59392);
    ASSERT_NE(nullptr, toolbar);
    EXPECT_EQ(11, ::SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));  // eight buttons, three separators

    const char* labels[] = {"Applications  ", "Tasks  ", "Services  ", "Drivers  ", "Performance  ", "Networking  "};
    ASSERT_EQ(6, testutil::TabCount(tab_));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(labels[i], testutil::TabLabel(tab_, i));

    struct Columns {
        int id;
        std::vector<std::string> titles;
    } lists[] = {
        {3000, {"Filename", "Protection", "Process ID", "CPU Usage", "Memory Usage", "Handle", "Title", "Company", "Description"}},
        {3001, {"Filename", "Protection", "User Account", "Process ID", "CPU Usage", "Memory Usage", "Threads", "Company", "Description"}},
        {3002, {"Service", "CPU Usage", "Memory Usage", "State", "Startup", "Name", "Company", "Description"}},
        {3003, {"Driver", "State", "Startup", "Name", "Company", "Description"}},
    };
    for (const Columns& c : lists) {
        HWND list = List(c.id);
        ASSERT_NE(nullptr, list) << c.id;
        ASSERT_EQ(static_cast<int>(c.titles.size()), testutil::ListColumnCount(list)) << c.id;
        for (size_t i = 0; i < c.titles.size(); ++i) EXPECT_EQ(c.titles[i], testutil::ListColumnTitle(list, static_cast<int>(i)));
    }
    // The program itself is one of the tasks, and the counts match the rows.
    EXPECT_GE(WaitForRow(List(3001), 3, std::to_string(app_.Pid())), 0);
    const char* nouns[] = {"application", "task", "service", "driver"};
    for (int i = 0; i < 4; ++i) {
        const int rows = testutil::ListRowCount(List(3000 + i));
        const std::string want = std::to_string(rows) + " " + nouns[i] + (rows == 1 ? "" : "s");
        EXPECT_EQ(want, StatusText(i + 1));
    }
    EXPECT_GT(testutil::ListRowCount(List(3002)), 0);
    EXPECT_GT(testutil::ListRowCount(List(3003)), 0);
}

TEST_F(MainWindowTest, ProcessesAndWindowsAppearOnRefreshAndGoWhenTheyEnd) {
    Start();
    testutil::ChildProcess child;
    ASSERT_TRUE(child.Start(testutil::HostPath(QM_ACTIONSCHILD_EXE), "window QmMainWindowTestTitle"));
    HWND childWindow = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        auto w = testutil::FindTopWindows(child.Pid(), nullptr, "QmMainWindowTestTitle");
        childWindow = w.empty() ? nullptr : w[0];
        return childWindow != nullptr;
    }));
    const std::string pid = std::to_string(child.Pid());
    // Nothing adds rows but a full refresh.
    EXPECT_LT(testutil::FindListRow(List(3001), 3, pid), 0);
    Command(kCmdRefresh);

    ShowTab(1);
    HWND tasks = List(3001);
    int row = WaitForRow(tasks, 3, pid);
    ASSERT_GE(row, 0);
    EXPECT_EQ("qm_actionschild.exe", ListCell(tasks, row, 0));
    EXPECT_EQ("N/A", ListCell(tasks, row, 7));  // no version data
    EXPECT_GE(std::atoi(ListCell(tasks, row, 6).c_str()), 1);
    // The view update fills the usage cells.
    EXPECT_TRUE(WaitUntil([&] { return ListCell(tasks, testutil::FindListRow(tasks, 3, pid), 5).find(" K") != std::string::npos; }));

    ShowTab(0);
    HWND apps = List(3000);
    row = WaitForRow(apps, 6, "QmMainWindowTestTitle");
    ASSERT_GE(row, 0);
    EXPECT_EQ(Hex8(childWindow), ListCell(apps, row, 5));
    EXPECT_EQ(pid, ListCell(apps, row, 2));

    // The window closes (and with it the process): its row goes at the next
    // view update of the visible tab, and so does the task's.
    ::PostMessageA(childWindow, WM_CLOSE, 0, 0);
    ASSERT_TRUE(child.WaitExit(10000));
    EXPECT_TRUE(WaitUntil([&] { return testutil::FindListRow(apps, 6, "QmMainWindowTestTitle") < 0; }));
    ShowTab(1);
    EXPECT_TRUE(WaitUntil([&] { return testutil::FindListRow(tasks, 3, pid) < 0; }));
    const int rows = testutil::ListRowCount(tasks);
    EXPECT_EQ(std::to_string(rows) + (rows == 1 ? " task" : " tasks"), StatusText(2));
}

TEST_F(MainWindowTest, ATitlelessWindowIsListedByItsClassName) {
    Start();
    testutil::ChildProcess child;
    ASSERT_TRUE(child.Start(testutil::HostPath(QM_ACTIONSCHILD_EXE), "window \"\""));
    HWND childWindow = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        auto w = testutil::FindTopWindows(child.Pid(), "QmActionsChild", nullptr);
        childWindow = w.empty() ? nullptr : w[0];
        return childWindow != nullptr;
    }));
    Command(kCmdRefresh);
    const int row = WaitForRow(List(3000), 5, Hex8(childWindow));
    ASSERT_GE(row, 0);
    EXPECT_EQ("QmActionsChild", ListCell(List(3000), row, 6));
}

TEST_F(MainWindowTest, TabsCollapseAndRestoreTheDetailPaneAndFillTheirPages) {
    Start();
    HWND detail = FindDescendant(wnd_, 1014);
    ASSERT_NE(nullptr, detail);
    RECT before{};
    ::GetWindowRect(detail, &before);
    ASSERT_TRUE(::IsWindowVisible(detail));

    ShowTab(4);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(detail); }));
    HWND data = List(1025);
    ASSERT_NE(nullptr, data);
    ASSERT_EQ(5, testutil::ListRowCount(data));
    EXPECT_EQ("Threads", ListCell(data, 0, 0));
    EXPECT_EQ("Page File", ListCell(data, 4, 0));
    EXPECT_TRUE(WaitUntil([&] { return ListCell(data, 2, 1).find(" MB") != std::string::npos; }));
    EXPECT_EQ("N/A", ListCell(data, 0, 2));
    EXPECT_EQ(std::to_string(testutil::ListRowCount(List(3001))), ListCell(data, 1, 1));
    // Ctrl+5 puts the keyboard in the data list, and the memory meter and
    // graph take the kind of the row selected there, as after a click.
    EXPECT_TRUE(WaitUntil([&] { return FocusedWindow() == data; })) << "the focus is on " << Hex8(FocusedWindow());
    ASSERT_TRUE(testutil::SelectListRow(data, 2));
    HWND memoryGroup = FindDescendant(wnd_, 1017);
    EXPECT_TRUE(WaitUntil([&] { return ControlText(memoryGroup) == "Physical Memory"; })) << ControlText(memoryGroup);

    ShowTab(5);
    // The adapters the system reports, less the loopback interface.
    ULONG size = 0;
    ::GetIfTable(nullptr, &size, TRUE);
    std::vector<BYTE> buffer(size ? size : sizeof(MIB_IFTABLE));
    int expected = 0;
    auto* table = reinterpret_cast<MIB_IFTABLE*>(buffer.data());
    if (::GetIfTable(table, &size, TRUE) == NO_ERROR)
        for (DWORD i = 0; i < table->dwNumEntries; ++i)
            if (table->table[i].dwOperStatus != 0 && table->table[i].dwType != 24) ++expected;
    HWND adapters = List(1028);
    ASSERT_NE(nullptr, adapters);
    EXPECT_TRUE(WaitUntil([&] { return testutil::ListRowCount(adapters) == expected; }));
    if (expected > 0) {
        EXPECT_FALSE(ListCell(adapters, 0, 0).empty());
    }

    ShowTab(2);
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(detail) != FALSE; }));
    RECT after{};
    ::GetWindowRect(detail, &after);
    EXPECT_EQ(before.bottom - before.top, after.bottom - after.top);
}

// Without an HTML engine (the tests run with it switched off) the detail pane
// shows the page natively: its texts are plain child windows any program can
// read.
TEST_F(MainWindowTest, TheDetailPageIsReadableFromThePanesChildWindowsWithoutAnHtmlEngine) {
    testutil::ChildProcess child;
    const int row = StartOnTasksWithChild(child);
    ASSERT_GE(row, 0);
    ASSERT_TRUE(ClickTaskRow(row));
    HWND view = nullptr, section = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        view = DetailView();
        section = view ? ::GetDlgItem(view, 102) : nullptr;
        return section && ControlText(section) == "Task Information";
    }, 20000)) << (section ? ControlText(section) : std::string("no native view"));
    EXPECT_EQ(ActionsChildPath(), PagePath());
}

// A refresh makes every row anew and keeps the selected one selected, with
// its page: the refill is told done by a process started after the first
// fill, whose row only it can bring.
TEST_F(MainWindowTest, ARefreshKeepsTheSelectedRowAndItsPage) {
    testutil::ChildProcess child;
    const int row = StartOnTasksWithChild(child);
    ASSERT_GE(row, 0);
    ASSERT_TRUE(ClickTaskRow(row));
    const std::string want = ActionsChildPath();
    ASSERT_TRUE(WaitUntil([&] { return PagePath() == want; }, 20000)) << PagePath();
    // The user has scrolled down the page, to its module list, say. (Where
    // the path row sits tells how far: the scroll bar is another process's.)
    auto pathRowTop = [&] {
        RECT view{}, row{};
        ::GetWindowRect(DetailView(), &view);
        ::GetWindowRect(::GetDlgItem(DetailView(), 210), &row);
        return static_cast<int>(row.top - view.top);
    };
    const int unscrolled = pathRowTop();
    ::SendMessageA(DetailView(), WM_VSCROLL, SB_BOTTOM, 0);
    const int scrolled = pathRowTop();
    ASSERT_LT(scrolled, unscrolled);

    testutil::ChildProcess later;
    ASSERT_TRUE(later.Start(testutil::HostPath(QM_ACTIONSCHILD_EXE), "wait"));
    Command(kCmdRefresh);
    HWND tasks = List(3001);
    ASSERT_GE(WaitForRow(tasks, 3, std::to_string(later.Pid())), 0);
    ASSERT_TRUE(WaitUntil([&] { return StatusText() == " Ready"; })) << StatusText();
    EXPECT_EQ(testutil::SelectedListRow(tasks), testutil::FindListRow(tasks, 3, std::to_string(child.Pid())));
    EXPECT_EQ(want, PagePath());
    // The same row's page again, where the user left it (the module list may
    // have changed, so near it).
    EXPECT_NEAR(scrolled, pathRowTop(), 60);
}

// Ctrl+2 takes the keyboard to the Tasks list, and the page follows a
// selection moved there with the arrow keys, not only a click.
TEST_F(MainWindowTest, TheKeyboardReachesTheListAndTheDetailPageFollowsIt) {
    testutil::ChildProcess child;
    const int row = StartOnTasksWithChild(child);
    ASSERT_GE(row, 0);
    HWND tasks = List(3001);
    EXPECT_TRUE(WaitUntil([&] { return FocusedWindow() == tasks; })) << "the focus is on " << Hex8(FocusedWindow());
    ASSERT_GT(testutil::ListRowCount(tasks), 1);
    // Start on a neighbour of the child's row, then one arrow key onto it.
    const int from = row > 0 ? row - 1 : row + 1;
    ASSERT_TRUE(testutil::SelectListRow(tasks, from));
    ::PostMessageA(tasks, WM_KEYDOWN, row > from ? VK_DOWN : VK_UP, 0);
    ASSERT_TRUE(WaitUntil([&] { return testutil::SelectedListRow(tasks) == row; })) << "the key moved nothing";

    const std::string want = ActionsChildPath();
    EXPECT_TRUE(WaitUntil([&] { return PagePath() == want; }, 20000)) << "the page shows \"" << PagePath() << "\"";
}

TEST_F(MainWindowTest, FrequencyCommandsSayTheIntervalAndAutoModeKeepsTheViewMoving) {
    Start();
    Command(kCmdOneSecond);
    EXPECT_TRUE(WaitUntil([&] { return StatusText() == " Auto update time changed to: 1.0 second"; })) << StatusText();
    EXPECT_EQ(1, settings_.ReadInt("Update", "UpdateTime", -1));
    Command(kCmdHalfSecond);
    EXPECT_TRUE(WaitUntil([&] { return StatusText() == " Auto update time changed to: 0.5 seconds"; })) << StatusText();
    Command(kCmdDisable);
    EXPECT_TRUE(WaitUntil([&] { return StatusText() == " Auto update disabled"; })) << StatusText();
    EXPECT_EQ(0, settings_.ReadInt("Update", "EnableAutoUpdate", -1));

    // Auto mode switched on right after a frequency change still updates
    // the view: an ended process leaves the Tasks list.
    ShowTab(1);
    testutil::ChildProcess child;
    ASSERT_TRUE(child.Start(testutil::HostPath(QM_ACTIONSCHILD_EXE), "wait"));
    Command(kCmdRefresh);
    const std::string pid = std::to_string(child.Pid());
    ASSERT_GE(WaitForRow(List(3001), 3, pid), 0);
    Command(kCmdTenSeconds);
    Command(kCmdAutoMode);
    EXPECT_TRUE(WaitUntil([&] { return settings_.ReadInt("Update", "AutoMode", 0) == 1; }));
    child.Kill();
    EXPECT_TRUE(WaitUntil([&] { return testutil::FindListRow(List(3001), 3, pid) < 0; }, 30000));
}

TEST_F(MainWindowTest, StartMinimizedUsesTheStoredPlacementOnly) {
    // Without a stored placement the window shows even with the setting on.
    settings_.WriteInt("General", "StartMinimized", 1);
    Start();
    EXPECT_TRUE(::IsWindowVisible(wnd_));
    RECT moved{40, 30, 700, 560};
    ::MoveWindow(wnd_, moved.left, moved.top, moved.right - moved.left, moved.bottom - moved.top, TRUE);
    ::PostMessageA(wnd_, WM_COMMAND, kCmdExit, 0);
    ASSERT_TRUE(app_.WaitExit(20000));
    std::vector<BYTE> placement;
    ASSERT_TRUE(settings_.ReadBinary("WindowPos", "WindowPlacement", placement));

    // With one, it starts hidden in the notification area; shown, it has the
    // stored rectangle.
    testutil::ChildProcess second;
    app_ = std::move(second);
    Start();
    EXPECT_FALSE(::IsWindowVisible(wnd_));
    ::PostMessageA(wnd_, WM_COMMAND, 2903, 0);
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(wnd_) != FALSE; }));
    RECT rc{};
    ::GetWindowRect(wnd_, &rc);
    EXPECT_EQ(moved.left, rc.left);
    EXPECT_EQ(moved.right - moved.left, rc.right - rc.left);
}

// Maximised, the window fills the work area with its caption at the top: a
// popup window with a menu bar must not have the bar counted as frame.
TEST_F(MainWindowTest, MaximisedItFillsTheWorkAreaWithItsCaptionOnScreen) {
    Start();
    RECT normal{};
    ::GetWindowRect(wnd_, &normal);
    ::PostMessageA(wnd_, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    // The style says maximised a moment before the window has moved.
    RECT rc{};
    ASSERT_TRUE(WaitUntil([&] {
        ::GetWindowRect(wnd_, &rc);
        return ::IsZoomed(wnd_) && !::EqualRect(&rc, &normal);
    }));
    RECT work{};
    ASSERT_TRUE(::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    const int frame = ::GetSystemMetrics(SM_CYFRAME) + ::GetSystemMetrics(SM_CXPADDEDBORDER);
    EXPECT_GE(rc.top, work.top - frame);
    EXPECT_GE(rc.bottom, work.bottom);
    POINT client{0, 0};
    ::ClientToScreen(wnd_, &client);
    EXPECT_GE(client.y, work.top + ::GetSystemMetrics(SM_CYCAPTION) + ::GetSystemMetrics(SM_CYMENU));
}

// The pixels of a rectangle of the screen, row by row.
std::vector<COLORREF> ScreenPixels(const RECT& rc) {
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    std::vector<COLORREF> pixels;
    testutil::Canvas shot(w, h);
    WindowDC screen(nullptr);
    if (w <= 0 || h <= 0 || !::BitBlt(shot.dc(), 0, 0, w, h, screen.get(), rc.left, rc.top, SRCCOPY))
        return pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) pixels.push_back(shot.At(x, y));
    return pixels;
}

// The item images of the menus sit on the menu's own background. Where the
// system copies a menu bitmap without its alpha (classic menus, this Wine's),
// an image given as a 32-bit bitmap shows its transparent pixels black.
TEST_F(MainWindowTest, MenuImagesKeepTheMenusBackground) {
    Start();
    ::PostMessageA(wnd_, WM_SYSCOMMAND, SC_KEYMENU, 'f');
    HWND popup = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND w : testutil::FindTopWindows(app_.Pid(), "#32768", nullptr))
            if (::IsWindowVisible(w)) popup = w;
        return popup != nullptr;
    })) << "the File menu did not open";
    RECT client{};
    ::GetClientRect(popup, &client);
    ::MapWindowPoints(popup, nullptr, reinterpret_cast<POINT*>(&client), 2);
    // Painted once two looks in a row agree and show the black of the texts.
    std::vector<COLORREF> pixels, last;
    EXPECT_TRUE(WaitUntil([&] {
        pixels = ScreenPixels(client);
        const bool settled = !pixels.empty() && pixels == last &&
                             std::find(pixels.begin(), pixels.end(), 0u) != pixels.end();
        last = pixels;
        return settled;
    })) << "the menu was never painted";
    // Each image has a row transparent from end to end: shown black, that is
    // a run of black longer than any the texts have.
    const size_t width = static_cast<size_t>(client.right - client.left);
    int longest = 0;
    for (size_t row = 0; row + width <= pixels.size(); row += width) {
        int run = 0;
        for (size_t x = 0; x < width; ++x) {
            run = pixels[row + x] == 0 ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    EXPECT_LT(longest, 12) << "a black square around an image of the File menu";
    ::PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    ::PostMessageA(wnd_, WM_CANCELMODE, 0, 0);
}

TEST_F(MainWindowTest, ExitEndsTheProgramWhileTheUpdateCheckWaitsForAnAnswer) {
    // A loopback service that takes the connection and never answers: the
    // start-up update check is still waiting when the user exits.
    WSADATA wsa;
    ASSERT_EQ(0, ::WSAStartup(MAKEWORD(2, 2), &wsa));
    SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr));
    ASSERT_EQ(0, ::listen(listener, 4));
    int len = sizeof addr;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    testutil::PrepareQuillmarkStart("http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)));

    Start();
    u_long nonBlocking = 1;
    ::ioctlsocket(listener, FIONBIO, &nonBlocking);
    SOCKET held = INVALID_SOCKET;
    EXPECT_TRUE(WaitUntil([&] { return (held = ::accept(listener, nullptr, nullptr)) != INVALID_SOCKET; }, 20000))
        << "the update check never connected";
    ::PostMessageA(wnd_, WM_COMMAND, kCmdExit, 0);
    EXPECT_TRUE(app_.WaitExit(10000)) << "exit waited for the update check";
    if (held != INVALID_SOCKET) ::closesocket(held);
    ::closesocket(listener);
    ::WSACleanup();
}

// The test service, installed for this test and removed afterwards.
class MainWindowServiceTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ASSERT_TRUE(testutil::InstallService(kTestService, "\"" + testutil::HostPath(QM_TESTSERVICE_EXE) + "\""));
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        testutil::RemoveService(kTestService);
    }
};

TEST_F(MainWindowServiceTest, ServiceStateAndStartupFollowChangesMadeOutside) {
    Start();
    ShowTab(2);
    HWND services = List(3002);
    const int row = WaitForRow(services, 0, kTestService);
    ASSERT_GE(row, 0);
    EXPECT_EQ("Stopped", ListCell(services, row, 3));
    EXPECT_EQ("Manual", ListCell(services, row, 4));
    EXPECT_EQ(kTestService, ListCell(services, row, 5));

    ASSERT_TRUE(testutil::StartServiceNow(kTestService));
    EXPECT_TRUE(WaitUntil([&] { return ListCell(services, row, 3) == "Running"; }, 20000)) << ListCell(services, row, 3);
    {
        ServiceHandle m(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        ServiceHandle s(::OpenServiceA(m.get(), kTestService, SERVICE_CHANGE_CONFIG));
        ASSERT_TRUE(::ChangeServiceConfigA(s.get(), SERVICE_NO_CHANGE, SERVICE_DISABLED, SERVICE_NO_CHANGE, nullptr,
                                           nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    }
    EXPECT_TRUE(WaitUntil([&] { return ListCell(services, row, 4) == "Disabled"; }, 20000)) << ListCell(services, row, 4);
    testutil::StopServiceAndWait(kTestService);
    EXPECT_TRUE(WaitUntil([&] { return ListCell(services, row, 3) == "Stopped"; }, 20000)) << ListCell(services, row, 3);
}

// The services' rows are keyed by their place in the load's list, so a
// refresh finds the selected one again by its name: a service that goes
// moves every record after it. The manager lists a new service last.
TEST_F(MainWindowServiceTest, ARefreshKeepsTheSelectedServiceWhenOneBeforeItGoes) {
    const std::string later = "QuillmarkMainWndSvc2";
    struct Removed {
        std::string name;
        ~Removed() { testutil::RemoveService(name); }
    } removed{later};
    ASSERT_TRUE(testutil::InstallService(later, "\"" + testutil::HostPath(QM_TESTSERVICE_EXE) + "\""));
    Start();
    ShowTab(2);
    HWND services = List(3002);
    const int row = WaitForRow(services, 0, later);
    ASSERT_GE(row, 0);
    ASSERT_TRUE(testutil::SelectListRow(services, row));
    testutil::RemoveService(kTestService);
    Command(kCmdRefresh);
    ASSERT_TRUE(WaitUntil([&] { return testutil::FindListRow(services, 0, kTestService) < 0; }, 20000));
    ASSERT_TRUE(WaitUntil([&] { return StatusText() == " Ready"; })) << StatusText();
    EXPECT_EQ(later, ListCell(services, testutil::SelectedListRow(services), 0));
}

}  // namespace
