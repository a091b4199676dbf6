// CPU usage arithmetic and sampler, memory status.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

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

// A made-up system for Measure: a processor count, and per time-of-day query
// the next system time, with the idle time that goes with it.
struct FakeSystem {
    int processors = 2;
    std::vector<uint64_t> times, idles;
    size_t current = 0;
    int timeQueries = 0;
    int failClass = -1;
};
FakeSystem g_fake;

LONG WINAPI FakeQuery(ULONG infoClass, PVOID buffer, ULONG length, PULONG returned) {
    const LONG kInvalidClass = static_cast<LONG>(0xC0000003);
    if (static_cast<int>(infoClass) == g_fake.failClass || infoClass > 3 || infoClass == 1) return kInvalidClass;
    BYTE* b = static_cast<BYTE*>(buffer);
    // The basic information has a fixed size per pointer size, as on the system.
    const ULONG basicSize = sizeof(void*) == 8 ? 64 : 44;
    if (infoClass == 0 && length != basicSize) return kStatusInfoLengthMismatch;
    std::memset(b, 0, length);
    uint64_t v = 0;
    switch (infoClass) {
    case 0: b[sizeof(void*) == 8 ? 56 : 40] = static_cast<BYTE>(g_fake.processors); break;
    case 2:
        v = g_fake.idles[g_fake.current];
        std::memcpy(b, &v, sizeof(v));
        break;
    case 3:
        g_fake.current = static_cast<size_t>(g_fake.timeQueries) < g_fake.times.size()
                             ? static_cast<size_t>(g_fake.timeQueries)
                             : g_fake.times.size() - 1;
        ++g_fake.timeQueries;
        v = g_fake.times[g_fake.current];
        std::memcpy(b + 8, &v, sizeof(v));
        break;
    }
    if (returned) *returned = length;
    return 0;
}
NtQuerySystemInformationFn FakeLookup() { return &FakeQuery; }
NtQuerySystemInformationFn AbsentLookup() { return nullptr; }

TEST(CpuUsage, MeasureReadsIdleTimeSystemTimeAndProcessors) {
    const uint64_t second = 10000000, start = 0x1D9ABCDEF012345ull;
    CpuUsageSampler sampler;
    sampler.SetIntervalMs(0);
    sampler.SetQueryLookup(&FakeLookup);
    struct Case {
        int processors;
        uint64_t idleDelta;
        int expected;
        const char* what;
    } cases[] = {
        {2, 2 * second, 0, "two processors idle"},
        {2, 0, 100, "two processors busy"},
        {2, second, 50, "one of two idle"},
        {4, second, 75, "one of four idle"},
    };
    for (const Case& c : cases) {
        g_fake = FakeSystem();
        g_fake.processors = c.processors;
        g_fake.times = {start, start + second};
        g_fake.idles = {777, 777 + c.idleDelta};
        EXPECT_EQ(c.expected, sampler.Measure()) << c.what;
        EXPECT_EQ(2, g_fake.timeQueries) << c.what;
    }
    // Any failing query, or no query at all, measures 0.
    for (int failing : {0, 2, 3}) {
        g_fake = FakeSystem();
        g_fake.times = {start, start + second};
        g_fake.idles = {0, 0};  // busy: 100 if the failure went unnoticed
        g_fake.failClass = failing;
        EXPECT_EQ(0, sampler.Measure()) << "class " << failing;
    }
    sampler.SetQueryLookup(&AbsentLookup);
    EXPECT_EQ(0, sampler.Measure());
    // A system time that did not move on gives 0, not a division by zero.
    EXPECT_EQ(0, CpuUsageFromTimes(5, 0, second, second, 2));
}

TEST(CpuUsage, MeasureAndTheWorkerThatPostsIt) {
    char heap[64] = {};
    const bool setBefore = ::GetEnvironmentVariableA("__MSVCRT_HEAP_SELECT", heap, sizeof(heap)) > 0;
    CpuUsageSampler sampler;
    // The sampler leaves the process environment (and so every program
    // started from here) alone.
    EXPECT_EQ(setBefore, ::GetEnvironmentVariableA("__MSVCRT_HEAP_SELECT", heap, sizeof(heap)) > 0);
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
    // A stop cuts the measurement under way short; once the worker has ended
    // every message it posted is waiting, and none follows.
    sampler.RequestStop();
    ASSERT_TRUE(sampler.Stop(10000));
    EXPECT_FALSE(sampler.Running());
    testutil::DispatchWaiting();
    const int after = sink.Count(WM_CPU_SAMPLE);
    EXPECT_GE(after, 1);
    testutil::DispatchWaiting();
    EXPECT_EQ(after, sink.Count(WM_CPU_SAMPLE));
    // It can run again, and a long interval does not hold up the stop.
    sampler.SetIntervalMs(60000);
    EXPECT_TRUE(sampler.Start(nullptr));
    EXPECT_TRUE(sampler.Stop(10000));
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
