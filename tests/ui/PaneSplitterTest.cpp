// The pane splitter: default height, clamped drags, Escape, resizing,
// collapse and restore, and the stored positions.
#include <gtest/gtest.h>

#include "GraphsTestHost.h"
#include "ListsTestHost.h"
#include "TestUtil.h"
#include "core/AppSettings.h"
#include "framework/MessageLoop.h"
#include "ui/FunctionTabCtrl.h"
#include "ui/PaneSplitter.h"

namespace {

using graphstest::HostWindow;

const int kWidth = 400, kHeight = 700;

int Height(const RECT& r) { return r.bottom - r.top; }
int Width(const RECT& r) { return r.right - r.left; }

LPARAM At(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

RECT PaneRect(HWND pane) {
    RECT r{};
    ::GetWindowRect(pane, &r);
    ::MapWindowPoints(nullptr, ::GetParent(pane), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

struct SplitterFixture : ::testing::Test {
    HostWindow host{kWidth, kHeight, true};
    std::unique_ptr<CPaneSplitter> splitter;
    HWND top = nullptr, bottom = nullptr;

    void SetUp() override { testutil::ResetQuillmarkSettings(); }
    void TearDown() override {
        splitter.reset();
        testutil::ResetQuillmarkSettings();
    }

    void Make(int mode = CPaneSplitter::kStacked) {
        splitter = std::make_unique<CPaneSplitter>();
        ASSERT_TRUE(splitter->Create(WS_VISIBLE, host.get(), 2300, RECT{0, 0, kWidth, kHeight}, 150, 150));
        top = ::CreateWindowExA(0, "Static", "first", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, host.get(),
                                nullptr, nullptr, nullptr);
        bottom = ::CreateWindowExA(0, "Static", "second", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, host.get(),
                                   nullptr, nullptr, nullptr);
        ASSERT_TRUE(splitter->SetPanes(mode, host.get(), top, bottom, 150, 150));
    }
    HWND S() const { return splitter->GetHwnd(); }
    int BarY() const {
        const RECT& b = splitter->HorizontalBarRect();
        return (b.top + b.bottom) / 2;
    }
    void DragBar(int toY) {
        ::SendMessageA(S(), WM_LBUTTONDOWN, MK_LBUTTON, At(100, BarY()));
        ::SendMessageA(S(), WM_MOUSEMOVE, MK_LBUTTON, At(100, (BarY() + toY) / 2));
        ::SendMessageA(S(), WM_MOUSEMOVE, MK_LBUTTON, At(100, toY));
        ::SendMessageA(S(), WM_LBUTTONUP, 0, At(100, toY));
    }
};

TEST_F(SplitterFixture, DefaultGivesTheBottomPane300Pixels) {
    Make();
    EXPECT_EQ(300, splitter->GetBottomHeight());
    EXPECT_EQ(300, Height(PaneRect(bottom)));
    EXPECT_EQ(kHeight, PaneRect(bottom).bottom);
    EXPECT_EQ(0, PaneRect(top).top);
    EXPECT_LT(PaneRect(top).bottom, PaneRect(bottom).top);
    EXPECT_EQ(S(), ::GetParent(top));
    EXPECT_EQ(S(), ::GetParent(bottom));
}

TEST_F(SplitterFixture, DragsStopAt150FromEitherEdge) {
    Make();
    DragBar(-500);
    EXPECT_EQ(150, BarY());
    EXPECT_FALSE(splitter->IsDragging());
    EXPECT_EQ(kHeight - 150 - 1, splitter->GetBottomHeight());
    EXPECT_EQ(splitter->GetBottomHeight(), Height(PaneRect(bottom)));

    DragBar(kHeight + 500);
    EXPECT_EQ(kHeight - 150, BarY());
    EXPECT_EQ(149, splitter->GetBottomHeight());

    DragBar(400);
    EXPECT_EQ(400, BarY());
    EXPECT_EQ(299, splitter->GetBottomHeight());
}

TEST_F(SplitterFixture, EscapeLeavesTheLayoutAlone) {
    Make();
    const RECT topBefore = PaneRect(top), bottomBefore = PaneRect(bottom);
    ::SendMessageA(S(), WM_LBUTTONDOWN, MK_LBUTTON, At(100, BarY()));
    ASSERT_TRUE(splitter->IsDragging());
    ::SendMessageA(S(), WM_MOUSEMOVE, MK_LBUTTON, At(100, 200));
    ::SendMessageA(S(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(splitter->IsDragging());
    ::SendMessageA(S(), WM_LBUTTONUP, 0, At(100, 200));
    EXPECT_EQ(Height(topBefore), Height(PaneRect(top)));
    EXPECT_EQ(Height(bottomBefore), Height(PaneRect(bottom)));
    EXPECT_EQ(300, splitter->GetBottomHeight());

    // In a dialog the Escape key is caught before the dialog turns it into
    // Cancel: the splitter sees it in the message loop's filters.
    ::SendMessageA(S(), WM_LBUTTONDOWN, MK_LBUTTON, At(100, BarY()));
    ::SendMessageA(S(), WM_MOUSEMOVE, MK_LBUTTON, At(100, 250));
    MSG msg{};
    msg.hwnd = host.get();
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_ESCAPE;
    EXPECT_TRUE(MessageLoop::PreTranslate(msg));
    EXPECT_FALSE(splitter->IsDragging());
    EXPECT_EQ(300, Height(PaneRect(bottom)));
    // Once the drag is over the filter lets Escape through.
    EXPECT_FALSE(MessageLoop::PreTranslate(msg));
}

// A pixel of the splitter's parent as the screen shows it.
COLORREF ParentPixel(HWND parent, int x, int y) {
    HDC dc = ::GetDC(parent);
    const COLORREF c = ::GetPixel(dc, x, y);
    ::ReleaseDC(parent, dc);
    return c;
}

TEST_F(SplitterFixture, TheTrackingBandIsInvertedAndWipedWithoutTrace) {
    Make();
    ::RedrawWindow(host.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    const int barY = BarY();
    const COLORREF atBar = ParentPixel(host.get(), 100, barY);
    const COLORREF inTop = ParentPixel(host.get(), 100, 250);
    ::SendMessageA(S(), WM_LBUTTONDOWN, MK_LBUTTON, At(100, barY));
    EXPECT_NE(atBar, ParentPixel(host.get(), 100, barY));  // the band over the bar
    ::SendMessageA(S(), WM_MOUSEMOVE, MK_LBUTTON, At(100, 250));
    EXPECT_EQ(atBar, ParentPixel(host.get(), 100, barY));  // moved away: old place clean
    EXPECT_NE(inTop, ParentPixel(host.get(), 100, 250));   // drawn across the top pane
    ::SendMessageA(S(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(inTop, ParentPixel(host.get(), 100, 250));
    EXPECT_EQ(atBar, ParentPixel(host.get(), 100, barY));
}

TEST_F(SplitterFixture, EnlargingKeepsTheBottomHeight) {
    Make();
    DragBar(450);
    const int height = splitter->GetBottomHeight();
    const int topHeight = Height(PaneRect(top));
    ::MoveWindow(S(), 0, 0, kWidth, kHeight + 200, TRUE);
    EXPECT_EQ(height, Height(PaneRect(bottom)));
    EXPECT_EQ(kHeight + 200, PaneRect(bottom).bottom);
    EXPECT_EQ(topHeight + 200, Height(PaneRect(top)));
    // Shrinking below what both panes need keeps the top pane's minimum but
    // remembers the height for later.
    ::MoveWindow(S(), 0, 0, kWidth, 350, TRUE);
    EXPECT_EQ(150, BarY());
    ::MoveWindow(S(), 0, 0, kWidth, kHeight, TRUE);
    EXPECT_EQ(height, Height(PaneRect(bottom)));
}

TEST_F(SplitterFixture, CollapseThenRestoreGivesThePreviousHeight) {
    Make();
    DragBar(480);
    const int height = splitter->GetBottomHeight();
    ASSERT_NE(300, height);
    splitter->CollapseBottom();
    EXPECT_TRUE(splitter->IsBottomCollapsed());
    EXPECT_FALSE(::IsWindowVisible(bottom));
    EXPECT_EQ(kHeight, Height(PaneRect(top)));
    // No bar to drag while collapsed.
    ::SendMessageA(S(), WM_LBUTTONDOWN, MK_LBUTTON, At(100, 480));
    EXPECT_FALSE(splitter->IsDragging());

    splitter->RestoreBottom();
    EXPECT_FALSE(splitter->IsBottomCollapsed());
    EXPECT_TRUE(::IsWindowVisible(bottom));
    EXPECT_EQ(height, Height(PaneRect(bottom)));
    EXPECT_EQ(height, splitter->GetBottomHeight());
}

TEST_F(SplitterFixture, PositionSurvivesDestroyAndRecreate) {
    Make();
    DragBar(kHeight - 1 - 250);
    ASSERT_EQ(250, splitter->GetBottomHeight());
    splitter->CollapseBottom();  // the height is kept while collapsed too
    splitter.reset();
    AppSettings settings;
    EXPECT_EQ(250, settings.ReadInt("Splitter\\init_h2300", "HorizSplitPos", -1));

    Make();
    EXPECT_EQ(250, splitter->GetBottomHeight());
    EXPECT_EQ(250, Height(PaneRect(bottom)));
}

TEST_F(SplitterFixture, SideBySideDefaultsClampsAndPersists) {
    Make(CPaneSplitter::kSideBySide);
    EXPECT_TRUE(splitter->IsSideBySide());
    EXPECT_FALSE(splitter->IsStacked());
    EXPECT_EQ(300, PaneRect(top).right);  // twice the left minimum
    EXPECT_EQ(300, splitter->GetSplitPosition());

    const RECT& bar = splitter->VerticalBarRect();
    const int barX = (bar.left + bar.right) / 2;
    ::SendMessageA(S(), WM_LBUTTONDOWN, MK_LBUTTON, At(barX, 100));
    ::SendMessageA(S(), WM_MOUSEMOVE, MK_LBUTTON, At(kWidth + 300, 100));
    ::SendMessageA(S(), WM_LBUTTONUP, 0, At(kWidth + 300, 100));
    EXPECT_EQ(kWidth - 150 - 1, PaneRect(top).right);
    EXPECT_EQ(kWidth, PaneRect(bottom).right);
    EXPECT_EQ(kWidth - 150 - 1, splitter->GetSplitPosition());

    // Resizing keeps the left width.
    ::MoveWindow(S(), 0, 0, kWidth + 100, kHeight, TRUE);
    EXPECT_EQ(kWidth - 150 - 1, Width(PaneRect(top)));

    splitter.reset();
    AppSettings settings;
    EXPECT_EQ(kWidth - 150 - 1, settings.ReadInt("Splitter\\init_v2300", "VertSplitPos", -1));
    Make(CPaneSplitter::kSideBySide);
    EXPECT_EQ(kWidth - 150 - 1, PaneRect(top).right);
}

TEST_F(SplitterFixture, BothModesLeaveStackedActive) {
    Make(CPaneSplitter::kSideBySide | CPaneSplitter::kStacked);
    EXPECT_TRUE(splitter->IsStacked());
    EXPECT_FALSE(splitter->IsSideBySide());
    EXPECT_EQ(300, Height(PaneRect(bottom)));
}

TEST(PaneSplitter, PaneCommandsReachTheOwner) {
    // The panes become the splitter's children, so what they tell their
    // parent must go on to the window that owns them.
    testutil::ResetQuillmarkSettings();
    liststest::HostWindow owner(400, 400);
    CPaneSplitter splitter;
    ASSERT_TRUE(splitter.Create(WS_VISIBLE, owner.GetHwnd(), 2301, RECT{0, 0, 400, 400}, 150, 150));
    HWND button = ::CreateWindowExA(0, "Button", "b", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, owner.GetHwnd(),
                                    reinterpret_cast<HMENU>(77), nullptr, nullptr);
    HWND other = ::CreateWindowExA(0, "Static", "s", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, owner.GetHwnd(),
                                   nullptr, nullptr, nullptr);
    ASSERT_TRUE(splitter.SetPanes(CPaneSplitter::kStacked, owner.GetHwnd(), button, other, 150, 150));
    ::SendMessageA(button, BM_CLICK, 0, 0);
    ASSERT_EQ(1, owner.Count(WM_COMMAND));
    EXPECT_EQ(MAKEWPARAM(77, BN_CLICKED), owner.received.back().wp);
    EXPECT_EQ(reinterpret_cast<LPARAM>(button), owner.received.back().lp);
    splitter.DestroyWindow();
    testutil::ResetQuillmarkSettings();
}

TEST(PaneSplitter, APaneControlHearsItsOwnNotificationOnce) {
    // The main window's tab control lives in the splitter: a tab change must
    // reach the main window as one WM_APP+4200, not one from the splitter and
    // another from the main window passing the same notification on again.
    testutil::ResetQuillmarkSettings();
    liststest::HostWindow owner(500, 500);
    CPaneSplitter splitter;
    ASSERT_TRUE(splitter.Create(WS_VISIBLE, owner.GetHwnd(), 2300, RECT{0, 0, 500, 500}, 150, 150));
    CFunctionTabCtrl tab;
    ASSERT_TRUE(tab.Create(splitter.GetHwnd(), RECT{0, 0, 10, 10}, 1000));
    tab.SetNotifyTarget(owner.GetHwnd());
    ASSERT_TRUE(tab.InsertFunctionTabs());
    HWND other = ::CreateWindowExA(0, "Static", "s", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, owner.GetHwnd(),
                                   nullptr, nullptr, nullptr);
    ASSERT_TRUE(splitter.SetPanes(CPaneSplitter::kStacked, owner.GetHwnd(), tab.GetHwnd(), other, 150, 150));
    owner.received.clear();

    RECT rc{};
    ASSERT_TRUE(::SendMessageA(tab.GetHwnd(), TCM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&rc)));
    const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    ::SendMessageA(tab.GetHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(tab.GetHwnd(), WM_LBUTTONUP, 0, at);
    liststest::Pump();
    EXPECT_EQ(3, tab.GetCurSel());
    EXPECT_EQ(1, owner.Count(WM_FUNCTION_TAB_CHANGED));
    splitter.DestroyWindow();
    testutil::ResetQuillmarkSettings();
}

}  // namespace
