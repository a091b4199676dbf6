// The arithmetic of graphs, meters and the splitter, to the pixel.
#include <gtest/gtest.h>

#include "ui/GraphWnd.h"
#include "ui/LoadProgressDlg.h"
#include "ui/MeterBarWnd.h"
#include "ui/PaneSplitter.h"

namespace {

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
#define EXPECT_RECT(r, l, t, rr, b) EXPECT_TRUE(SameRect((r), RECT{l, t, rr, b}))

TEST(GraphMath, HeightsUseWholePercentAndSinglePrecisionFactor) {
    using graphmath::ScaledHeight;
    EXPECT_EQ(0, ScaledHeight(0, 100, 200));
    // Full scale comes out one pixel short, for every frame height.
    EXPECT_EQ(199, ScaledHeight(100, 100, 200));
    EXPECT_EQ(171, ScaledHeight(37, 37, 172));
    EXPECT_EQ(0, ScaledHeight(5, 5, 1));
    // The same shortfall at half scale.
    EXPECT_EQ(99, ScaledHeight(50, 100, 200));
    // 1 of 3 is 33 percent before scaling: 300 x 33 x 0.01f = 98.99...
    EXPECT_EQ(98, ScaledHeight(1, 3, 300));
    // Other products truncate as usual: 16 x 30 x 0.01f = 4.79...
    EXPECT_EQ(4, ScaledHeight(30, 100, 16));
    // Megabyte-sized figures do not overflow.
    EXPECT_EQ(99, ScaledHeight(3000000, 6000000, 200));
}

TEST(GraphMath, HeightsStayInsideTheFrame) {
    using graphmath::ScaledHeight;
    EXPECT_EQ(200, ScaledHeight(150, 100, 200));  // above the maximum
    EXPECT_EQ(0, ScaledHeight(-20, 100, 200));    // a negative CPU reading
    EXPECT_EQ(0, ScaledHeight(50, 0, 200));       // no range yet: no division by zero
    EXPECT_EQ(0, ScaledHeight(50, 100, 0));
}

TEST(GraphMath, SamplePositions) {
    using graphmath::SampleX;
    EXPECT_EQ(10, SampleX(10, 300, 100, 0));
    EXPECT_EQ(13, SampleX(10, 300, 100, 1));
    EXPECT_EQ(307, SampleX(10, 300, 100, 99));
    // Fractional steps are truncated per sample, not accumulated.
    EXPECT_EQ(3, SampleX(0, 350, 100, 1));
    EXPECT_EQ(7, SampleX(0, 350, 100, 2));
    EXPECT_EQ(346, SampleX(0, 350, 100, 99));
}

TEST(GraphMath, AverageAutoScaleAndLabels) {
    using namespace graphmath;
    EXPECT_EQ(0, AverageOf({}));
    EXPECT_EQ(1, AverageOf({1, 2}));
    EXPECT_EQ(2000000000, AverageOf({2000000000, 2000000000}));  // no overflow
    EXPECT_EQ(10, AutoScaleMaximum({}, 10));
    EXPECT_EQ(10, AutoScaleMaximum({3, 9}, 10));
    EXPECT_EQ(37, AutoScaleMaximum({3, 37, 9}, 10));

    EXPECT_EQ("0.05 %", FormatScaleLabel(5, 100, "%"));
    EXPECT_EQ("0.00 %", FormatScaleLabel(0, 100, "%"));
    EXPECT_EQ("0.37 %", FormatScaleLabel(37, 100, "%"));
    EXPECT_EQ("42 MB", FormatScaleLabel(42, 1, "MB"));
    EXPECT_EQ("Page File Usage MB", MemoryGraphTitle(MemoryKind::PageFile));
    EXPECT_EQ("Physical Memory Usage MB", MemoryGraphTitle(MemoryKind::Physical));
    EXPECT_EQ("Virtual Memory Usage MB", MemoryGraphTitle(MemoryKind::Virtual));
}

TEST(MeterMath, LayoutFilledBarAndCaption) {
    const auto m = metermath::LayoutMeter(RECT{0, 0, 60, 200}, 13);
    EXPECT_RECT(m.captionBand, 0, 183, 60, 200);
    EXPECT_RECT(m.barFrame, 5, 5, 55, 177);
    EXPECT_RECT(metermath::FilledBar(m.barFrame, 0, 100), 5, 177, 55, 177);
    // Full scale: one pixel of the empty bar stays at the top.
    EXPECT_RECT(metermath::FilledBar(m.barFrame, 100, 100), 5, 6, 55, 177);

    EXPECT_EQ("42", metermath::FormatCaption(42, ""));
    EXPECT_EQ("42 MB", metermath::FormatCaption(42, "MB"));
    EXPECT_EQ("-3 %", metermath::FormatCaption(-3, "%"));
}

TEST(MeterMath, MemoryReadingsPerKindInWholeMegabytes) {
    const uint64_t MB = 1048576;
    MemoryStatus s(40, 512 * MB, 100 * MB + MB - 1, 1024 * MB, 1000 * MB, 2048 * MB, 48 * MB);
    auto phys = metermath::ReadingForKind(s, MemoryKind::Physical);
    EXPECT_EQ(512, phys.totalMb);
    EXPECT_EQ(411, phys.usedMb);  // 411 MB + 1 byte: truncated, not rounded
    auto virt = metermath::ReadingForKind(s, MemoryKind::Virtual);
    EXPECT_EQ(2048, virt.totalMb);
    EXPECT_EQ(2000, virt.usedMb);
    auto page = metermath::ReadingForKind(s, MemoryKind::PageFile);
    EXPECT_EQ(1024, page.totalMb);
    EXPECT_EQ(24, page.usedMb);
    // A row kind that is no memory figure shows the page file.
    auto other = metermath::ReadingForKind(s, MemoryKindOfRow(7));
    EXPECT_EQ(1024, other.totalMb);
    EXPECT_EQ(MemoryKind::PageFile, MemoryKindOfRow(0));
    EXPECT_EQ(MemoryKind::Virtual, MemoryKindOfRow(3));

    auto failed = metermath::ReadingForKind(MemoryStatus(), MemoryKind::PageFile);
    EXPECT_EQ(0, failed.totalMb);
    EXPECT_EQ(0, failed.usedMb);
    // More available than total must not wrap around to a huge figure.
    auto torn = metermath::ReadingForKind(MemoryStatus(0, 10 * MB, 20 * MB, 0, 0, 0, 0), MemoryKind::Physical);
    EXPECT_EQ(0, torn.usedMb);
}

TEST(LoadProgressFrames, OrderWraps) {
    int f = 0, seen[6];
    for (int& s : seen) s = f = CLoadProgressDlg::NextFrame(f);
    EXPECT_EQ(1, seen[0]);
    EXPECT_EQ(2, seen[1]);
    EXPECT_EQ(3, seen[2]);
    EXPECT_EQ(0, seen[3]);
    EXPECT_EQ(1, seen[4]);
    EXPECT_EQ(2, seen[5]);
}

TEST(SplitterMath, StackedLayout) {
    const RECT client{0, 0, 400, 600};
    const int y = splittermath::StackedBarFor(client, 300);
    EXPECT_EQ(299, y);
    auto s = splittermath::LayoutStacked(client, y);
    EXPECT_RECT(s.bar, 0, 296, 400, 302);
    EXPECT_RECT(s.bottom, 0, 300, 400, 600);  // exactly the asked height
    EXPECT_RECT(s.top, 0, 0, 400, 297);
}

TEST(SplitterMath, SideBySideLayout) {
    auto s = splittermath::LayoutSideBySide(RECT{0, 0, 800, 500}, 301);
    EXPECT_RECT(s.bar, 298, 0, 304, 500);
    EXPECT_RECT(s.left, 0, 0, 300, 500);
    EXPECT_RECT(s.right, 303, 0, 800, 500);
}

TEST(SplitterMath, Clamping) {
    using splittermath::ClampPosition;
    EXPECT_EQ(150, ClampPosition(-40, 0, 600, 150, 150));
    EXPECT_EQ(450, ClampPosition(900, 0, 600, 150, 150));
    EXPECT_EQ(320, ClampPosition(320, 0, 600, 150, 150));
    // Too small for both minimums: the first pane keeps its minimum.
    EXPECT_EQ(150, ClampPosition(100, 0, 200, 150, 150));
}

}  // namespace
