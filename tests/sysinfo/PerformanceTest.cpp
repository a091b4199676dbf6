// CPU usage arithmetic and sampler, memory status.
#include <gtest/gtest.h>

#include "SysinfoTestUtil.h"
#include "TestUtil.h"
#include "sysinfo/Performance.h"

namespace {

TEST(CpuUsage, FormulaOverSyntheticTimes) {
    const uint64_t second = 10000000;
    // Two processors, both idle for the whole second: 0 %.
    EXPECT_EQ(0, CpuUsageFromTimes(2 * second, 0, second, 0, 2));
    // Both busy: 100 %.
    EXPECT_EQ(100, CpuUsageFromTimes(5000, 5000, 9 * second, 8 * second, 2));
    // One of two idle: 50 %; rounding adds one half.
    EXPECT_EQ(50, CpuUsageFromTimes(second, 0, second, 0, 2));
    EXPECT_EQ(34, CpuUsageFromTimes(6600000, 0, second, 0, 1));  // 34 + 0.5, truncated
    // Large counters beyond 32 bits keep their precision.
    uint64_t big = 0x123456789ull * 1000;
    EXPECT_EQ(25, CpuUsageFromTimes(big + 3 * second, big, big + second, big, 4));
}

TEST(CpuUsage, MeasureAndTheWorkerThatPostsIt) {
    CpuUsageSampler sampler;
    char heap[64] = {};
    ASSERT_GT(::GetEnvironmentVariableA("__MSVCRT_HEAP_SELECT", heap, sizeof(heap)), 0u);
    EXPECT_STREQ("__GLOBAL_HEAP_SELECTED,1", heap);
    EXPECT_EQ(1000u, sampler.IntervalMs());

    sampler.SetIntervalMs(200);
    int usage = sampler.Measure();
    EXPECT_GE(usage, 0);
    EXPECT_LE(usage, 101);

    MessageSink sink;
    ASSERT_TRUE(sampler.Start(sink.get()));
    EXPECT_FALSE(sampler.Start(sink.get()));
    EXPECT_TRUE(sampler.Running());
    EXPECT_TRUE(testutil::WaitUntil([&] { return sink.Count(WM_CPU_SAMPLE) >= 1; }));
    // Stop while the worker sleeps inside a measurement: it finishes it,
    // posts once more and ends.
    int before = sink.Count(WM_CPU_SAMPLE);
    sampler.Stop();
    ASSERT_TRUE(sampler.WaitStopped(10000));
    EXPECT_FALSE(sampler.Running());
    testutil::PumpFor(100);
    int after = sink.Count(WM_CPU_SAMPLE);
    EXPECT_GE(after, before + 1);
    EXPECT_LE(after, before + 2);
    testutil::PumpFor(400);
    EXPECT_EQ(after, sink.Count(WM_CPU_SAMPLE));
    // It can run again.
    EXPECT_TRUE(sampler.Start(nullptr));
    sampler.Stop();
    EXPECT_TRUE(sampler.WaitStopped(10000));
}

TEST(MemoryStatus, DerivedValuesAndMegabyteTexts) {
    const uint64_t gb = 1ull << 30;
    MemoryStatus m(40, 16 * gb, 6 * gb, 20 * gb, 15 * gb, 4 * gb, 3 * gb);
    EXPECT_EQ(10 * gb, m.UsedPhysical());
    EXPECT_EQ(5 * gb, m.UsedPageFile());
    EXPECT_EQ(1 * gb, m.UsedVirtual());
    EXPECT_EQ("16384 MB", MemoryStatus::MegabyteText(m.TotalPhysical()));  // beyond the old 4 GB cap
    EXPECT_EQ("0 MB", MemoryStatus::MegabyteText(1048575));
    EXPECT_EQ("1 MB", MemoryStatus::MegabyteText(1048576));

    MemoryStatus live;
    ASSERT_TRUE(live.Read());
    EXPECT_GT(live.TotalPhysical(), 0u);
    EXPECT_LE(live.AvailablePhysical(), live.TotalPhysical());
    EXPECT_GT(live.TotalVirtual(), 0u);
}

}  // namespace
