// Meter bars: what is drawn, the memory meter's readings and timer, and the
// CPU meter fed by its sampler.
#include <gtest/gtest.h>

#include "GraphsTestHost.h"
#include "TestUtil.h"
#include "ui/GraphWnd.h"
#include "ui/MeterBarWnd.h"

namespace {

using graphstest::Canvas;
using graphstest::HostWindow;

const COLORREF kBarBackground = RGB(0, 127, 0);
const COLORREF kBar = RGB(0, 255, 0);
const COLORREF kWhite = RGB(255, 255, 255);

TEST(MeterBar, EmptyAndFullBarsAndTheCaption) {
    HostWindow host(100, 220);
    CMeterBarWnd meter;
    ASSERT_TRUE(meter.Create(host.get(), RECT{0, 0, 60, 200}, 1021));
    const auto layout = meter.CurrentLayout();
    const RECT& f = layout.barFrame;
    ASSERT_GT(f.bottom - f.top, 50);
    const int midX = (f.left + f.right) / 2;
    Canvas canvas(60, 200);

    meter.Draw(canvas.dc());
    EXPECT_EQ(kBarBackground, canvas.At(midX, f.bottom - 1));
    EXPECT_EQ(RGB(0, 0, 0), canvas.At(f.left - 1, f.bottom - 1));

    meter.SetValue(100);
    meter.Draw(canvas.dc());
    EXPECT_EQ(kBarBackground, canvas.At(midX, f.top));  // one pixel short
    EXPECT_EQ(kBar, canvas.At(midX, f.top + 1));
    EXPECT_EQ(kBar, canvas.At(midX, f.bottom - 1));
    EXPECT_EQ(0, canvas.CountInRect(RECT{0, 0, 60, layout.captionBand.top}, kWhite));
    EXPECT_GT(canvas.CountInRect(layout.captionBand, kWhite), 0);
    EXPECT_EQ("100", meter.GetCaption());
}

TEST(PageFileMeter, ReadingSetsMeterAndLinkedGraphByKind) {
    HostWindow host(300, 220);
    CPageFileMeterWnd meter;
    CPerfGraphWnd graph;
    ASSERT_TRUE(meter.Create(host.get(), RECT{0, 0, 60, 200}, 1022));
    ASSERT_TRUE(graph.Create(host.get(), RECT{70, 0, 270, 200}, 1024));
    meter.SetLinkedGraph(&graph);
    const uint64_t MB = 1048576;
    MemoryStatus status(40, 512 * MB, 112 * MB, 1024 * MB, 1000 * MB, 2048 * MB, 48 * MB);

    meter.ApplyReading(status);  // page file by default
    EXPECT_EQ(1024, meter.GetMaximum());
    EXPECT_EQ(24, meter.GetValue());
    EXPECT_EQ(1024, graph.GetMaximum());
    ASSERT_EQ(1u, graph.History().size());
    EXPECT_EQ(24, graph.History().back());

    meter.SetMode(2);
    meter.ApplyReading(status);
    EXPECT_EQ(512, meter.GetMaximum());
    EXPECT_EQ(400, meter.GetValue());
    EXPECT_EQ(512, graph.GetMaximum());
    EXPECT_EQ(400, graph.History().back());
}

TEST(PageFileMeter, TimerReadsTheSystemEveryTick) {
    HostWindow host(300, 220);
    CPageFileMeterWnd meter;
    CGraphWnd graph;
    ASSERT_TRUE(meter.Create(host.get(), RECT{0, 0, 60, 200}, 1022));
    ASSERT_TRUE(graph.Create(host.get(), RECT{70, 0, 270, 200}, 1024));
    meter.SetLinkedGraph(&graph);
    meter.Init();
    EXPECT_EQ("MB", meter.GetUnits());
    ASSERT_TRUE(testutil::WaitUntil([&] { return graph.History().size() >= 3; }));
    MemoryStatus now;
    ASSERT_TRUE(now.Read());
    EXPECT_EQ(static_cast<int>(MemoryStatus::Megabytes(now.TotalPageFile())), meter.GetMaximum());
    EXPECT_GE(meter.GetValue(), 0);
    EXPECT_LE(meter.GetValue(), meter.GetMaximum());
    // Other timer ids are not the meter's.
    const size_t before = graph.History().size();
    ::KillTimer(meter.GetHwnd(), CPageFileMeterWnd::kTimerId);
    ::SendMessageA(meter.GetHwnd(), WM_TIMER, 7, 0);
    EXPECT_EQ(before, graph.History().size());
    ::SendMessageA(meter.GetHwnd(), WM_TIMER, CPageFileMeterWnd::kTimerId, 0);
    EXPECT_EQ(before + 1, graph.History().size());
}

TEST(CpuMeter, SamplesReachMeterAndGraph) {
    HostWindow host(300, 220);
    CGraphWnd graph;
    ASSERT_TRUE(graph.Create(host.get(), RECT{70, 0, 270, 200}, 1023));
    {
        CCPUMeterWnd meter;
        ASSERT_TRUE(meter.Create(host.get(), RECT{0, 0, 60, 200}, 1021));
        meter.SetLinkedGraph(&graph);
        ASSERT_TRUE(meter.Init());
        EXPECT_FALSE(meter.Init());  // the worker already runs
        EXPECT_EQ("%", meter.GetUnits());
        EXPECT_EQ(100, meter.GetMaximum());
        ASSERT_TRUE(testutil::WaitUntil([&] { return meter.SampleCount() >= 1; }, 20000));
        EXPECT_EQ(static_cast<size_t>(meter.SampleCount()), graph.History().size());
        EXPECT_EQ(meter.GetValue(), graph.History().back());
        EXPECT_TRUE(meter.SamplerRunning());
        // The window goes first; its sampler must not keep measuring for a
        // window that is not there.
        meter.DestroyWindow();
        EXPECT_TRUE(testutil::WaitUntil([&] { return !meter.SamplerRunning(); }));
    }
}

}  // namespace
