// The load progress dialog: its frames, the timer and Cancel.
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "resource.h"
#include "ui/LoadProgressDlg.h"

namespace {

HICON ShownIcon(const CLoadProgressDlg& dlg) {
    return reinterpret_cast<HICON>(::SendMessageA(dlg.GetDlgItem(IDC_LOAD_ANIMATION), STM_GETICON, 0, 0));
}

TEST(LoadProgressDlg, AnimatesFramesOneTwoThreeZero) {
    CLoadProgressDlg dlg;
    ASSERT_TRUE(dlg.CreateOnce(nullptr));
    EXPECT_EQ("Quillmark", dlg.GetWindowText());
    for (int i = 0; i < CLoadProgressDlg::kFrameCount; ++i) EXPECT_NE(nullptr, dlg.FrameIcon(i)) << i;
    // The first frame shown is frame 1, then the timer moves on in order.
    EXPECT_EQ(1, dlg.CurrentFrame());
    EXPECT_EQ(dlg.FrameIcon(1), ShownIcon(dlg));
    EXPECT_FALSE(dlg.Animating());  // hidden until a load shows it
    dlg.ShowCentred();
    EXPECT_TRUE(dlg.Animating());
    for (int expected : {2, 3, 0, 1}) {
        ASSERT_TRUE(testutil::WaitUntil([&] { return dlg.CurrentFrame() == expected; }, 5000)) << expected;
        EXPECT_EQ(dlg.FrameIcon(expected), ShownIcon(dlg));
    }
}

TEST(LoadProgressDlg, CancelOnlyHides) {
    CLoadProgressDlg dlg;
    ASSERT_TRUE(dlg.CreateOnce(nullptr));
    HWND first = dlg.GetHwnd();
    dlg.ShowCentred();
    EXPECT_TRUE(dlg.IsVisible());
    ::SendMessageA(first, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(dlg.GetDlgItem(IDCANCEL)));
    EXPECT_FALSE(dlg.IsVisible());
    EXPECT_FALSE(dlg.Animating());
    EXPECT_TRUE(::IsWindow(first));
    // The next load shows the same window again, still animating.
    ASSERT_TRUE(dlg.CreateOnce(nullptr));
    EXPECT_EQ(first, dlg.GetHwnd());
    dlg.ShowCentred();
    EXPECT_TRUE(dlg.IsVisible());
    const int frame = dlg.CurrentFrame();
    EXPECT_TRUE(testutil::WaitUntil([&] { return dlg.CurrentFrame() != frame; }, 5000));
}

TEST(LoadProgressDlg, MissingAnimationLeavesTheIconEmptyAndKeepsTicking) {
    CLoadProgressDlg dlg(9999);
    ASSERT_TRUE(dlg.CreateOnce(nullptr));
    for (int i = 0; i < CLoadProgressDlg::kFrameCount; ++i) EXPECT_EQ(nullptr, dlg.FrameIcon(i));
    EXPECT_EQ(nullptr, ShownIcon(dlg));
    dlg.ShowCentred();
    EXPECT_TRUE(testutil::WaitUntil([&] { return dlg.CurrentFrame() == 3; }, 5000));
}

}  // namespace
