// The Help command of a Quillmark with its help file beside it: the shell
// opens the file in the help viewer (which reads the file's title from it),
// and no "help file was not found" box appears.
#include <gtest/gtest.h>

#include <cstring>

#include "core/AppSettings.h"
#include "core/SettingsKeys.h"
#include "ProcessUtil.h"
#include "TestUtil.h"

namespace {

constexpr UINT kCmdExit = 2772;
constexpr UINT kCmdHelp = 2810;
constexpr const char* kViewerClass = "HH Parent";
constexpr const char* kHelpTitle = "Quillmark Help";

bool ShowsNotFoundBox(DWORD pid) {
    for (HWND box : testutil::FindTopWindows(pid, "#32770", "Quillmark")) {
        char text[1024] = {};
        ::GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));  // a message box's text
        if (std::strstr(text, "help file was not found")) return true;
    }
    return false;
}

TEST(HelpCommandTest, OpensTheHelpFileBesideTheProgram) {
    testutil::ResetQuillmarkSettings();
    AppSettings settings;
    // Never the publisher's real service: a closed port on loopback, and no
    // connection question at start-up.
    testutil::PrepareQuillmarkStart("http://127.0.0.1:9");
    ASSERT_TRUE(testutil::FindTopWindows(0, kViewerClass, kHelpTitle).empty()) << "a help viewer is already open";

    testutil::ScratchDir dir;
    ASSERT_TRUE(::CopyFileA(testutil::HostPath(QM_QUILLMARK_EXE).c_str(), dir.File("Quillmark.exe").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileA(testutil::HostPath(QM_HELP_CHM).c_str(), dir.File("Quillmark.chm").c_str(), FALSE));

    testutil::ChildProcess app;
    ASSERT_TRUE(app.Start(dir.File("Quillmark.exe")));
    HWND wnd = nullptr;
    ASSERT_TRUE(testutil::WaitUntil([&] {
        auto w = testutil::FindTopWindows(app.Pid(), "QuillmarkWndClass", "Quillmark");
        wnd = w.empty() ? nullptr : w[0];
        return wnd && settings::kPrevWnd.Read(settings) != 0;
    }, 30000)) << "Quillmark did not open its window";

    ::PostMessageA(wnd, WM_COMMAND, kCmdHelp, 0);
    HWND viewer = nullptr;
    EXPECT_TRUE(testutil::WaitUntil([&] {
        auto v = testutil::FindTopWindows(0, kViewerClass, kHelpTitle);
        viewer = v.empty() ? nullptr : v[0];
        return viewer != nullptr || ShowsNotFoundBox(app.Pid());
    }, 30000));
    EXPECT_NE(nullptr, viewer) << "the help viewer did not show the help file";
    EXPECT_FALSE(ShowsNotFoundBox(app.Pid()));

    if (viewer) {
        DWORD viewerPid = 0;
        ::GetWindowThreadProcessId(viewer, &viewerPid);
        ::PostMessageA(viewer, WM_CLOSE, 0, 0);
        if (!testutil::WaitUntil([&] { return !::IsWindow(viewer); }, 10000)) {
            // The viewer was started by this test's command: end it by its id.
            HANDLE h = ::OpenProcess(PROCESS_TERMINATE, FALSE, viewerPid);
            if (h) {
                ::TerminateProcess(h, 1);
                ::CloseHandle(h);
            }
            ADD_FAILURE() << "the help viewer did not close";
        }
    }
    ::PostMessageA(wnd, WM_COMMAND, kCmdExit, 0);
    EXPECT_TRUE(app.WaitExit(20000));
    testutil::ResetQuillmarkSettings();
}

}  // namespace
