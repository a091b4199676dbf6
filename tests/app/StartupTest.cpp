// Quillmark.exe started as a user would: its window, its registry values, its
// files, and what a second start does.
#include <gtest/gtest.h>

#include <regex>

#include "core/AppSettings.h"
#include "core/SettingsKeys.h"
#include "ProcessUtil.h"
#include "TestUtil.h"

namespace {

constexpr UINT kCmdExit = 2772;
constexpr UINT kCmdHelp = 2810;
constexpr UINT kCmdTrayShow = 2903;

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        testutil::ResetQuillmarkSettings();
        testutil::PrepareQuillmarkStart();
        exe_ = dir_.File("Quillmark.exe");
        // A private copy: the program folder (log, HTML work folder, help file)
        // is then this test's own.
        ASSERT_TRUE(::CopyFileA(testutil::HostPath(QM_QUILLMARK_EXE).c_str(), exe_.c_str(), FALSE));
    }
    void TearDown() override { testutil::ResetQuillmarkSettings(); }

    // Starts a copy and waits until its main window has finished initialising.
    HWND StartFirst(testutil::ChildProcess& p) {
        EXPECT_TRUE(p.Start(exe_));
        HWND found = nullptr;
        testutil::WaitUntil([&] {
            auto w = testutil::FindTopWindows(p.Pid(), "QuillmarkWndClass", "Quillmark");
            found = w.empty() ? nullptr : w[0];
            // Initialisation ends by recording the window's handle.
            return found && ::IsWindowVisible(found) && PrevWnd() == HandleValue(found);
        });
        return found;
    }

    // A second start must end by itself, without a window of its own.
    void StartSecondAndExpectItToEnd() {
        testutil::ChildProcess second;
        ASSERT_TRUE(second.Start(exe_));
        DWORD code = 1234;
        ASSERT_TRUE(second.WaitExit(20000, &code)) << "the second instance kept running";
        EXPECT_TRUE(testutil::FindTopWindows(second.Pid(), nullptr, nullptr).empty());
        EXPECT_EQ(1u, testutil::FindTopWindows(0, "QuillmarkWndClass", nullptr).size());
    }

    void ExitThroughMenu(testutil::ChildProcess& p, HWND wnd) {
        ::PostMessageA(wnd, WM_COMMAND, kCmdExit, 0);
        EXPECT_TRUE(p.WaitExit(20000)) << "Exit did not end the process";
    }

    unsigned long PrevWnd() const { return settings::kPrevWnd.Read(settings_); }
    static unsigned long HandleValue(HWND h) { return static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(h)); }

    testutil::ScratchDir dir_;
    std::string exe_;
    AppSettings settings_;
};

TEST_F(StartupTest, RunsOnceRecordsItsWindowAndExitsInOrder) {
    testutil::ChildProcess first;
    HWND wnd = StartFirst(first);
    ASSERT_NE(nullptr, wnd);
    EXPECT_EQ(HandleValue(wnd), PrevWnd());

    // The log starts afresh with the start-up lines.
    std::string log = testutil::ReadFileBytes(dir_.File("quillmark.log"));
    std::regex head(R"(^\d\d/\d\d/\d{4} \d\d:\d\d:\d\d Quillmark is initializing\.\.\.\r\n)"
                    R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d Version: 2\.09\r\n)"
                    R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d Build Date: [A-Z][a-z]{2} [ 1-3]\d \d{4}\r\n)");
    EXPECT_TRUE(std::regex_search(log, head)) << log;
    // Then the diagnostic block: nine libraries between two rules, and the browser.
    std::regex block(R"(Build Date: [^\r]*\r\n\S+ \S+ === System DLL versions ===\r\n)"
                     R"((\S+ \S+ \w+\.dll version: [^\r\n]+\r\n){9})"
                     R"(\S+ \S+ ===========================\r\n)"
                     R"(\S+ \S+ Internet Explorer version: [^\r\n]+\r\n)");
    EXPECT_TRUE(std::regex_search(log, block)) << log;

    // The page images are in the HTML work folder while the program runs.
    EXPECT_EQ(43u, testutil::ReadFileBytes(dir_.File("HTML\\dkblue.gif")).size());
    EXPECT_EQ("GIF89a", testutil::ReadFileBytes(dir_.File("HTML\\title_bg.gif")).substr(0, 6));

    StartSecondAndExpectItToEnd();
    // The second start did not remove the running instance's files.
    EXPECT_TRUE(testutil::FileExists(dir_.File("HTML\\dkblue.gif")));

    // A minimised first window is restored by a second start.
    ::ShowWindow(wnd, SW_MINIMIZE);
    ASSERT_TRUE(testutil::WaitUntil([&] { return ::IsIconic(wnd) != FALSE; }));
    StartSecondAndExpectItToEnd();
    EXPECT_TRUE(testutil::WaitUntil([&] { return !::IsIconic(wnd) && ::IsWindowVisible(wnd); }));

    ExitThroughMenu(first, wnd);
    EXPECT_EQ("0", settings_.ReadString("Runtime", "PrevWnd", ""));
    EXPECT_FALSE(testutil::FileExists(dir_.File("HTML\\dkblue.gif")));
    EXPECT_FALSE(testutil::FileExists(dir_.File("HTML\\title_bg.gif")));
    log = testutil::ReadFileBytes(dir_.File("quillmark.log"));
    EXPECT_NE(std::string::npos, log.find(" Quillmark is exiting.\r\n")) << log;
    std::vector<BYTE> placement;
    EXPECT_TRUE(settings_.ReadBinary("WindowPos", "WindowPlacement", placement));
    EXPECT_EQ(44u, placement.size());
}

TEST_F(StartupTest, ASecondStartBringsBackAWindowHiddenInTheTray) {
    testutil::ChildProcess first;
    HWND wnd = StartFirst(first);
    ASSERT_NE(nullptr, wnd);

    // Closing the window keeps the program in the notification area.
    ::PostMessageA(wnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(testutil::WaitUntil([&] { return !::IsWindowVisible(wnd); }));
    EXPECT_TRUE(first.Running());
    StartSecondAndExpectItToEnd();
    EXPECT_TRUE(testutil::WaitUntil([&] { return ::IsWindowVisible(wnd) != FALSE; }));

    // Under another title the class-and-title search fails; the stored
    // handle still finds the window.
    ::SetWindowTextA(wnd, "Quillmark - renamed");
    ::PostMessageA(wnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(testutil::WaitUntil([&] { return !::IsWindowVisible(wnd); }));
    {
        testutil::ChildProcess second;
        ASSERT_TRUE(second.Start(exe_));
        ASSERT_TRUE(second.WaitExit(20000));
    }
    EXPECT_TRUE(testutil::WaitUntil([&] { return ::IsWindowVisible(wnd) != FALSE; }));

    // The tray's "Show Quillmark window" hides a shown window and shows a hidden one.
    ::PostMessageA(wnd, WM_COMMAND, kCmdTrayShow, 0);
    EXPECT_TRUE(testutil::WaitUntil([&] { return !::IsWindowVisible(wnd); }));
    ::PostMessageA(wnd, WM_COMMAND, kCmdTrayShow, 0);
    EXPECT_TRUE(testutil::WaitUntil([&] { return ::IsWindowVisible(wnd) != FALSE; }));
    ExitThroughMenu(first, wnd);
}

TEST_F(StartupTest, AStartAfterACrashRunsNormallyAndReplacesTheStaleHandle) {
    testutil::ChildProcess first;
    HWND old = StartFirst(first);
    ASSERT_NE(nullptr, old);
    first.Kill();  // our own child: as if it had crashed
    EXPECT_EQ(HandleValue(old), PrevWnd());

    testutil::ChildProcess next;
    HWND wnd = StartFirst(next);
    ASSERT_NE(nullptr, wnd) << "the new start did not open its window";
    EXPECT_EQ(HandleValue(wnd), PrevWnd());
    ExitThroughMenu(next, wnd);
    EXPECT_EQ(0u, PrevWnd());
}

TEST_F(StartupTest, HelpWithoutAHelpFileNamesThePathItTried) {
    testutil::ChildProcess first;
    HWND wnd = StartFirst(first);
    ASSERT_NE(nullptr, wnd);
    ::PostMessageA(wnd, WM_COMMAND, kCmdHelp, 0);

    HWND box = nullptr;
    ASSERT_TRUE(testutil::WaitUntil([&] {
        // The message box, not the (hidden) load progress dialog of the
        // same caption: it is the one with a message text control.
        for (HWND w : testutil::FindTopWindows(first.Pid(), "#32770", "Quillmark"))
            if (::GetDlgItem(w, 0xFFFF) && ::IsWindowVisible(w)) box = w;
        return box != nullptr;
    }));
    char text[1024] = {};
    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));  // the message box's text control
    char longDir[MAX_PATH] = {};
    ::GetLongPathNameA(dir_.Path().c_str(), longDir, MAX_PATH);
    EXPECT_EQ(std::string("The help file was not found:\n\n") + longDir + "Quillmark.chm", text);

    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(testutil::WaitUntil([&] { return !::IsWindow(box); }));
    ExitThroughMenu(first, wnd);
}

}  // namespace
