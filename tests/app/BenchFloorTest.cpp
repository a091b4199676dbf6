// The floor window that the side-by-side measurement compares Quillmark with,
// and the watch that times and drives both from outside, run against each
// other as bench.sh runs them.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "ProcessUtil.h"
#include "RemoteControls.h"
#include "TestUtil.h"
#include "resource.h"

namespace {

const char kFloorClass[] = "QmBenchFloor";

class BenchFloorTest : public ::testing::Test {
protected:
    // Starts the floor window with the rows (and the options after them) and
    // waits until its list has them, its window shown or, in the notification
    // area, not.
    HWND StartFloor(int rows, const std::string& options = std::string(), bool shown = true) {
        EXPECT_TRUE(floor_.Start(testutil::HostPath(QM_BENCHFLOOR_EXE), std::to_string(rows) + options));
        HWND wnd = nullptr;
        testutil::WaitUntil(
            [&] {
                auto found = testutil::FindTopWindows(floor_.Pid(), kFloorClass, nullptr);
                wnd = found.empty() ? nullptr : found[0];
                HWND list = wnd ? testutil::FindDescendant(wnd, IDC_TASK_LIST) : nullptr;
                return list && (::IsWindowVisible(wnd) != FALSE) == shown && testutil::ListRowCount(list) == rows;
            },
            20000);
        return wnd;
    }

    // Runs the watch with the arguments and returns its exit code (-1 when it
    // did not end within the bound).
    static int Watch(const std::string& args) {
        testutil::ChildProcess watch;
        if (!watch.Start(testutil::HostPath(QM_BENCHWATCH_EXE), args)) return -1;
        DWORD code = 0;
        if (!watch.WaitExit(60000, &code)) return -1;
        return static_cast<int>(code);
    }

    std::vector<std::string> ModulePaths() const {
        std::vector<std::string> paths;
        HANDLE process = floor_.Handle();
        HMODULE modules[512];
        DWORD needed = 0;
        if (!::K32EnumProcessModules(process, modules, sizeof(modules), &needed)) return paths;
        for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 512; ++i) {
            char path[MAX_PATH] = {};
            if (::K32GetModuleFileNameExA(process, modules[i], path, MAX_PATH)) paths.push_back(path);
        }
        return paths;
    }

    int ThreadCount() const {
        int count = 0;
        HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        if (snap == INVALID_HANDLE_VALUE) return -1;
        THREADENTRY32 te{};
        te.dwSize = sizeof(te);
        for (BOOL ok = ::Thread32First(snap, &te); ok; ok = ::Thread32Next(snap, &te))
            if (te.th32OwnerProcessID == floor_.Pid()) ++count;
        ::CloseHandle(snap);
        return count;
    }

    testutil::ChildProcess floor_;
};

TEST_F(BenchFloorTest, ShowsQuillmarksKindsOfControlsWithItsManifestAndNothingRunning) {
    HWND wnd = StartFloor(40);
    ASSERT_NE(nullptr, wnd);
    HWND list = testutil::FindDescendant(wnd, IDC_TASK_LIST);
    EXPECT_EQ("program0039.exe", testutil::ListCell(list, 39, 0));
    EXPECT_NE(0, ::SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0)) << "rows without small icons";
    EXPECT_EQ(LVS_REPORT, ::GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK);

    HWND tabs = testutil::FindDescendant(wnd, IDC_FUNCTION_TAB);
    ASSERT_EQ(6, testutil::TabCount(tabs));
    const char* labels[] = {"Applications", "Tasks", "Services", "Drivers", "Performance", "Network"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(labels[i], testutil::TabLabel(tabs, i));
    EXPECT_GT(::SendMessageA(testutil::FindDescendant(wnd, IDC_MAIN_TOOLBAR), TB_BUTTONCOUNT, 0, 0), 0);
    EXPECT_EQ(" Ready", testutil::StatusPaneText(testutil::FindDescendant(wnd, IDC_STATUS_BAR), 0));
    // A menu handle is the owner's own; from outside only its presence shows.
    EXPECT_NE(nullptr, ::GetMenu(wnd));

    // The program's manifest brings the common controls 6 from the
    // side-by-side store, as it does for Quillmark.
    bool fromStore = false;
    for (const std::string& path : ModulePaths())
        if (path.find("comctl32") != std::string::npos || path.find("COMCTL32") != std::string::npos)
            fromStore = fromStore || path.find("winsxs") != std::string::npos;
    EXPECT_TRUE(fromStore) << "comctl32 not loaded from winsxs: the manifest is missing";
    // No thread of its own beside the one that made the window.
    EXPECT_EQ(1, ThreadCount());
}

// As Quillmark started in the notification area: the list filled, nothing shown.
TEST_F(BenchFloorTest, InTheNotificationAreaItFillsItsListWithoutShowingAWindow) {
    HWND wnd = StartFloor(5, " tray", false);
    ASSERT_NE(nullptr, wnd);
    EXPECT_EQ(5, testutil::ListRowCount(testutil::FindDescendant(wnd, IDC_TASK_LIST)));
    EXPECT_FALSE(::IsWindowVisible(wnd));
}

TEST_F(BenchFloorTest, WatchTimesSelectsRefreshesMinimisesAndHidesItFromOutside) {
    HWND wnd = StartFloor(25);
    ASSERT_NE(nullptr, wnd);
    HWND list = testutil::FindDescendant(wnd, IDC_TASK_LIST);

    // Filled means all the rows asked for; then a row is selected as a click would.
    EXPECT_EQ(0, Watch("--class QmBenchFloor --list-id 3001 --min-rows 25 --select-row 3 --timeout 20000"));
    EXPECT_EQ(3, testutil::SelectedListRow(list));
    EXPECT_EQ(1, Watch("--class QmBenchFloor --list-id 3001 --min-rows 26 --timeout 1500"));

    // The refresh fills the list anew, which drops the selection.
    EXPECT_EQ(0, Watch("--class QmBenchFloor --refresh --list-id 3001 --timeout 20000"));
    EXPECT_EQ(-1, testutil::SelectedListRow(list));
    EXPECT_EQ(25, testutil::ListRowCount(list));

    EXPECT_EQ(0, Watch("--class QmBenchFloor --minimize --timeout 20000"));
    EXPECT_TRUE(::IsIconic(wnd));

    EXPECT_EQ(0, Watch("--class QmBenchFloor --windows hidden --timeout 20000"));
    EXPECT_FALSE(::IsWindowVisible(wnd));
    EXPECT_EQ(0, Watch("--class QmBenchFloor --windows shown --timeout 20000"));
    EXPECT_TRUE(::IsWindowVisible(wnd));
}

}  // namespace
