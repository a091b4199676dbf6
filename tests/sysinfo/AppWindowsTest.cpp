// Which windows are application windows, and what is shown for them.
#include <gtest/gtest.h>

#include "ProcessUtil.h"
#include "TestUtil.h"
#include "sysinfo/AppWindows.h"
#include "sysinfo/SystemSnapshot.h"

namespace {

struct Window {
    HWND hwnd = nullptr;
    Window(DWORD exStyle, DWORD style, HWND parentOrOwner, const char* title = "qm app window test") {
        hwnd = ::CreateWindowExA(exStyle, "STATIC", title, style, 10, 10, 100, 60, parentOrOwner, nullptr, nullptr,
                                 nullptr);
    }
    ~Window() {
        if (hwnd) ::DestroyWindow(hwnd);
    }
};

TEST(IsAppWindow, EachCombinationOfTheDecidingBits) {
    Window owner(0, WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr);
    ASSERT_NE(nullptr, owner.hwnd);
    struct Case {
        DWORD exStyle;
        DWORD style;
        bool owned;
        bool expected;
        const char* what;
    } cases[] = {
        {0, WS_POPUP, false, true, "unowned popup"},
        {0, WS_POPUP, true, false, "owned popup"},
        {WS_EX_TOOLWINDOW, WS_POPUP, false, false, "popup tool window"},
        {0, WS_CAPTION, false, true, "unowned caption"},
        {0, WS_CAPTION, true, false, "owned dialog-like window"},
        {WS_EX_TOOLWINDOW, WS_CAPTION, false, false, "tool window with caption"},
        {0, WS_THICKFRAME, false, true, "thick frame"},
        {0, WS_SYSMENU | WS_POPUP, false, true, "popup with system menu"},
        {WS_EX_APPWINDOW, WS_CAPTION, true, true, "owned but application window"},
        {WS_EX_APPWINDOW, WS_POPUP, true, true, "owned popup with application bit"},
        {WS_EX_APPWINDOW | WS_EX_TOOLWINDOW, WS_CAPTION, true, false, "application bit and tool window"},
        // A top-level overlapped window always gets a caption from the system.
        {0, WS_OVERLAPPED, false, true, "plain overlapped"},
    };
    for (const Case& c : cases) {
        Window w(c.exStyle, c.style | WS_VISIBLE, c.owned ? owner.hwnd : nullptr);
        ASSERT_NE(nullptr, w.hwnd) << c.what;
        EXPECT_EQ(c.expected, IsAppWindow(w.hwnd)) << c.what;
        ::ShowWindow(w.hwnd, SW_HIDE);
        EXPECT_FALSE(IsAppWindow(w.hwnd)) << c.what << " (hidden)";
    }
    Window child(0, WS_CHILD | WS_VISIBLE | WS_CAPTION, owner.hwnd);
    ASSERT_NE(nullptr, child.hwnd);
    EXPECT_FALSE(IsAppWindow(child.hwnd));
    EXPECT_FALSE(IsAppWindow(nullptr));
    // Neither pop-up nor framed nor application window (not creatable as a
    // top-level window, so over the bits).
    EXPECT_FALSE(IsAppWindowBits(true, false, false, 0, 0));
    EXPECT_TRUE(IsAppWindowBits(true, false, false, WS_MINIMIZEBOX, 0));
    EXPECT_FALSE(IsAppWindowBits(true, true, false, WS_CAPTION, WS_EX_APPWINDOW));
}

TEST(AppWindowInfo, TitleOrClassNameAndProgramName) {
    Window titled(0, WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, "Titled");
    Window untitled(0, WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, "");
    AppWindowInfo a, b;
    ASSERT_TRUE(ReadAppWindowInfo(titled.hwnd, a));
    ASSERT_TRUE(ReadAppWindowInfo(untitled.hwnd, b));
    EXPECT_EQ("Titled", a.title);
    EXPECT_EQ("Static", b.title);
    EXPECT_EQ(::GetCurrentProcessId(), a.pid);
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    EXPECT_EQ(0, _stricmp(FileNameOf(self).c_str(), a.programName.c_str())) << a.programName;
    AppWindowInfo copy = a;
    EXPECT_EQ(a.icon.get(), copy.icon.get());

    // A load's process list gives the path when it has a plain one for the
    // window's process; anything else is read from the process.
    AppWindowInfo known, odd, absent;
    ASSERT_TRUE(ReadAppWindowInfo(titled.hwnd, known, ProcessPaths{{a.pid, "C:\\elsewhere\\known.exe"}}));
    EXPECT_EQ("known.exe", known.programName);
    EXPECT_EQ("Titled", known.title);
    ASSERT_TRUE(ReadAppWindowInfo(titled.hwnd, odd, ProcessPaths{{a.pid, "C:\\PROGRA~1\\odd.exe"}}));
    EXPECT_EQ(a.imagePath, odd.imagePath);
    ASSERT_TRUE(ReadAppWindowInfo(titled.hwnd, absent, ProcessPaths{{a.pid + 4, "C:\\other.exe"}}));
    EXPECT_EQ(a.imagePath, absent.imagePath);

    HWND gone = untitled.hwnd;
    ::DestroyWindow(untitled.hwnd);
    untitled.hwnd = nullptr;
    EXPECT_FALSE(ReadAppWindowInfo(gone, b));
    EXPECT_FALSE(ReadAppWindowInfo(gone, b, ProcessPaths{{a.pid, "C:\\x.exe"}}));
    EXPECT_FALSE(IsAppWindow(gone));
}

TEST(AppWindowInfo, FileNameOfAndProgramIcon) {
    EXPECT_EQ("x.exe", FileNameOf("C:\\dir\\x.exe"));
    EXPECT_EQ("x.exe", FileNameOf("x.exe"));
    EXPECT_EQ("x.exe", FileNameOf("C:/dir/x.exe"));
    EXPECT_EQ("", FileNameOf("C:\\dir\\"));
    char shell[MAX_PATH] = {};
    ::GetSystemDirectoryA(shell, MAX_PATH);
    std::string notepad = std::string(shell) + "\\notepad.exe";
    HICON small = ProgramIcon(notepad, false);
    HICON large = ProgramIcon(notepad, true);
    EXPECT_NE(nullptr, small);
    EXPECT_NE(nullptr, large);
    if (small) ::DestroyIcon(small);
    if (large) ::DestroyIcon(large);
    EXPECT_EQ(nullptr, ProgramIcon("", false));
}

TEST(AppWindowInfo, ManyWindowsAreReadTogetherAsOneByOne) {
    // Enough of another program's windows for several threads to share, and
    // some of this program's among them: a helper thread asking one of ours
    // for its title would wait for this thread, which waits for the helpers.
    testutil::ChildProcess child;
    ASSERT_TRUE(child.Start(testutil::HostPath(QM_ACTIONSCHILD_EXE), "window qmmanywindows 70"));
    ASSERT_TRUE(testutil::WaitUntil(
        [&] { return testutil::FindTopWindows(child.Pid(), "QmActionsChild", "qmmanywindows").size() >= 70; }));
    Window ours(0, WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, "Ours");
    Window tool(WS_EX_TOOLWINDOW, WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, "Our tool");
    // The window list as the load's first step takes it.
    std::vector<HWND> windows;
    ASSERT_TRUE(SnapshotSteps().LoadWindows(windows));
    const ProcessPaths known{{child.Pid(), "C:\\known\\child.exe"}};

    const std::vector<ListedAppWindow> read = ReadAppWindows(windows, known);
    ASSERT_EQ(windows.size(), read.size());
    size_t theirs = 0;
    for (size_t i = 0; i < windows.size(); ++i) {
        AppWindowInfo one;
        const bool listed = IsAppWindow(windows[i]) && ReadAppWindowInfo(windows[i], one, known);
        EXPECT_EQ(windows[i], read[i].window);
        ASSERT_EQ(listed, read[i].listed) << i;
        if (!listed) continue;
        EXPECT_EQ(one.pid, read[i].info.pid);
        EXPECT_EQ(one.title, read[i].info.title);
        EXPECT_EQ(one.imagePath, read[i].info.imagePath);
        if (read[i].info.pid == child.Pid()) {
            ++theirs;
            EXPECT_EQ("child.exe", read[i].info.programName);
        }
        if (windows[i] == ours.hwnd) {
            EXPECT_EQ("Ours", read[i].info.title);
        }
    }
    EXPECT_EQ(70u, theirs);
}

}  // namespace
