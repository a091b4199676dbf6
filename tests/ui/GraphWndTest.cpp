// History graphs: the history, auto-scale, labels, menu and what is drawn.
#include <gtest/gtest.h>

#include "GraphsTestHost.h"
#include "ui/GraphWnd.h"

namespace {

using graphstest::Canvas;
using graphstest::HostWindow;

const COLORREF kYellow = RGB(255, 255, 0);
const COLORREF kGridGreen = RGB(0, 127, 0);
const COLORREF kCyan = RGB(0, 255, 255);

struct GraphFixture : ::testing::Test {
    HostWindow host{400, 300};
    CGraphWnd graph;
    void Make(int w, int h) { ASSERT_TRUE(graph.Create(host.get(), RECT{0, 0, w, h}, 1023)); }
};

TEST_F(GraphFixture, HistoryKeepsTheLastHundredSamples) {
    Make(200, 100);
    for (int v = 1; v <= 101; ++v) graph.AddValue(v);
    ASSERT_EQ(100u, graph.History().size());
    EXPECT_EQ(2, graph.History().front());
    EXPECT_EQ(101, graph.History().back());
    graph.Reset();
    EXPECT_TRUE(graph.History().empty());
}

TEST_F(GraphFixture, NetworkGraphAutoScalesAboveItsFloorAndBack) {
    Make(200, 100);
    ConfigureNetworkGraph(graph);
    EXPECT_EQ("0.05 %", graph.UpperLabel());
    EXPECT_EQ("0.00 %", graph.LowerLabel());

    graph.AddValue(3);
    graph.AddValue(9);
    EXPECT_EQ(10, graph.GetMaximum());
    graph.AddValue(37);
    EXPECT_EQ(37, graph.GetMaximum());
    EXPECT_EQ("0.37 %", graph.UpperLabel());
    // 99 more samples push out 3 and 9, but 37 is still the oldest.
    for (int i = 0; i < 99; ++i) graph.AddValue(4);
    EXPECT_EQ(37, graph.History().front());
    EXPECT_EQ(37, graph.GetMaximum());
    graph.AddValue(4);
    EXPECT_EQ(10, graph.GetMaximum());
}

TEST_F(GraphFixture, ReadyMadeConfigurations) {
    Make(200, 100);
    ConfigureCpuHistoryGraph(graph);
    EXPECT_EQ("CPU Usage %", graph.GetTitle());
    EXPECT_EQ(100, graph.GetMaximum());
    EXPECT_TRUE(graph.IsAverageLineShown());
    EXPECT_EQ("100 %", graph.UpperLabel());
    EXPECT_EQ("0 %", graph.LowerLabel());
    // Without auto-scale a large sample does not move the maximum.
    graph.AddValue(250);
    EXPECT_EQ(100, graph.GetMaximum());

    CPerfGraphWnd memory;
    ASSERT_TRUE(memory.Create(host.get(), RECT{0, 100, 200, 200}, 1024));
    ConfigureMemoryHistoryGraph(memory);
    EXPECT_EQ("Page File Usage MB", memory.GetTitle());
    EXPECT_FALSE(memory.IsAverageLineShown());
    memory.AddValue(5);
    memory.SetMode(MemoryKind::Physical);
    EXPECT_EQ(MemoryKind::Physical, memory.GetMode());
    EXPECT_TRUE(memory.History().empty());
}

TEST_F(GraphFixture, ContextMenuShowsAndSwitchesTypeAverageAndReset) {
    Make(200, 100);
    graph.AddValue(10);
    MenuHandle menu(graph.BuildContextMenu());
    ASSERT_EQ(6, ::GetMenuItemCount(menu.get()));
    char text[64] = {};
    ::GetMenuStringA(menu.get(), 1002, text, sizeof(text), MF_BYCOMMAND);
    EXPECT_STREQ("Show Average Line", text);
    EXPECT_TRUE(::GetMenuState(menu.get(), 1000, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(::GetMenuState(menu.get(), 1002, MF_BYCOMMAND) & MF_CHECKED);

    // The commands come back to the graph itself.
    ::SendMessageA(graph.GetHwnd(), WM_COMMAND, 1001, 0);
    ::SendMessageA(graph.GetHwnd(), WM_COMMAND, 1002, 0);
    EXPECT_EQ(CGraphWnd::kBarGraph, graph.GetGraphType());
    EXPECT_TRUE(graph.IsAverageLineShown());
    menu.reset(graph.BuildContextMenu());
    EXPECT_FALSE(::GetMenuState(menu.get(), 1000, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(::GetMenuState(menu.get(), 1001, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(::GetMenuState(menu.get(), 1002, MF_BYCOMMAND) & MF_CHECKED);

    ::SendMessageA(graph.GetHwnd(), WM_COMMAND, 1002, 0);
    EXPECT_FALSE(graph.IsAverageLineShown());
    ::SendMessageA(graph.GetHwnd(), WM_COMMAND, 1003, 0);
    EXPECT_TRUE(graph.History().empty());
}

TEST_F(GraphFixture, AttachedToAStaticPlaceholderItStillGetsItsClicks) {
    // Pages copy their placeholders from a template as static controls,
    // which are transparent to the mouse unless the graph says otherwise.
    HWND placeholder = ::CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, 0, 0, 200, 100, host.get(),
                                         reinterpret_cast<HMENU>(1027), nullptr, nullptr);
    ASSERT_EQ(HTTRANSPARENT, ::SendMessageA(placeholder, WM_NCHITTEST, 0, MAKELPARAM(30, 30)));
    CGraphWnd attached;
    ASSERT_TRUE(attached.Subclass(placeholder));
    EXPECT_EQ(HTCLIENT, ::SendMessageA(placeholder, WM_NCHITTEST, 0, MAKELPARAM(30, 30)));
    attached.AddValue(100);
    attached.AddValue(100);
    Canvas canvas(200, 100);
    attached.Draw(canvas.dc());
    EXPECT_EQ(kYellow, canvas.At(1, 1));
    attached.Unsubclass();
}

TEST_F(GraphFixture, EmptyHistoryDrawsGridButNoAverageLine) {
    Make(200, 100);
    graph.SetGridSpacing(16);
    graph.SetAverageLine(true, kCyan);
    Canvas canvas(200, 100);
    graph.Draw(canvas.dc());
    EXPECT_EQ(kGridGreen, canvas.At(16, 40));
    EXPECT_EQ(kGridGreen, canvas.At(40, 48));
    EXPECT_EQ(RGB(0, 0, 0), canvas.At(20, 40));
    EXPECT_EQ(0, canvas.CountInRect(RECT{0, 0, 200, 100}, kCyan));
}

TEST_F(GraphFixture, FullScaleLineSitsOnePixelBelowTheTop) {
    Make(200, 100);
    graph.SetGridSpacing(1000);  // grid only at x = 0 and y = 0
    graph.AddValue(100);
    graph.AddValue(100);
    Canvas canvas(200, 100);
    graph.Draw(canvas.dc());
    EXPECT_EQ(kYellow, canvas.At(1, 1));
    EXPECT_NE(kYellow, canvas.At(1, 0));
    EXPECT_NE(kYellow, canvas.At(1, 2));
}

TEST_F(GraphFixture, BarsAndTheLastBarReachingTheRightEdge) {
    Make(230, 100);
    graph.SetGridSpacing(1000);
    graph.SetGraphType(CGraphWnd::kBarGraph);
    for (int i = 0; i < 100; ++i) graph.AddValue(50);
    Canvas canvas(230, 100);
    graph.Draw(canvas.dc());
    // Sample 1 sits at x = 2: its bar covers x 0..3 from y 51 down.
    EXPECT_EQ(kYellow, canvas.At(3, 51));
    EXPECT_EQ(kYellow, canvas.At(3, 99));
    EXPECT_NE(kYellow, canvas.At(3, 50));
    // Sample 99 sits at x = 227; its bar is stretched to the right edge.
    EXPECT_EQ(kYellow, canvas.At(229, 60));
}

TEST_F(GraphFixture, AverageLineAtTheAverageHeight) {
    Make(200, 100);
    graph.SetGridSpacing(1000);
    graph.SetAverageLine(true, kCyan);
    for (int i = 0; i < 20; ++i) graph.AddValue(i % 2 ? 80 : 20);
    Canvas canvas(200, 100);
    graph.Draw(canvas.dc());
    // Average 50: 100 - 49 = row 51, across the full width (dotted).
    EXPECT_TRUE(canvas.RowHas(51, 150, 200, kCyan));
    EXPECT_EQ(0, canvas.CountInRect(RECT{0, 0, 200, 51}, kCyan));
    EXPECT_EQ(0, canvas.CountInRect(RECT{0, 52, 200, 100}, kCyan));
}

}  // namespace
