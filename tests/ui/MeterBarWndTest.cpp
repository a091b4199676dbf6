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

    meter.SetMode(MemoryKind::Physical);
    meter.ApplyReading(status);
    EXPECT_EQ(512, meter.GetMaximum());
    EXPECT_EQ(400, meter.GetValue());
    EXPECT_EQ(512, graph.GetMaximum());
    EXPECT_EQ(400, graph.History().back());
}

// The meters own no sampler: their host feeds them, and each reading goes on
// to the linked graph.
TEST(CpuMeter, ReadingsReachMeterAndGraph) {
    HostWindow host(300, 220);
    CGraphWnd graph;
    ASSERT_TRUE(graph.Create(host.get(), RECT{70, 0, 270, 200}, 1023));
    CCPUMeterWnd meter;
    ASSERT_TRUE(meter.Create(host.get(), RECT{0, 0, 60, 200}, 1021));
    meter.SetLinkedGraph(&graph);
    meter.Init();
    EXPECT_EQ("%", meter.GetUnits());
    EXPECT_EQ(100, meter.GetMaximum());
    meter.Feed(42);
    meter.Feed(7);
    EXPECT_EQ(2, meter.SampleCount());
    EXPECT_EQ(7, meter.GetValue());
    ASSERT_EQ(2u, graph.History().size());
    EXPECT_EQ(42, graph.History().front());
    EXPECT_EQ(7, graph.History().back());
}

}  // namespace
