// Network adapter records, utilization and the sampler.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "SysinfoTestUtil.h"
#include "TestUtil.h"
#include "sysinfo/NetAdapters.h"

namespace {

MIB_IFROW Row(DWORD index, DWORD speed, DWORD in, DWORD out) {
    MIB_IFROW r;
    std::memset(&r, 0, sizeof(r));
    r.dwIndex = index;
    r.dwSpeed = speed;
    r.dwInOctets = in;
    r.dwOutOctets = out;
    return r;
}

TEST(NetAdapters, UtilizationIncludingWrapAndSpeedZero) {
    // Half the speed received in one second, nothing sent: 50 %.
    EXPECT_DOUBLE_EQ(50.0, UtilizationOf(1000 + 625000, 1000, 77, 77, 10000000 * 8 / 8));
    EXPECT_DOUBLE_EQ(0.0, UtilizationOf(500000, 0, 500000, 0, 0));
    // The in counter wrapped: 0xFFFFFF00 -> 0x100 is 0x200 bytes, not -4 GB.
    EXPECT_DOUBLE_EQ(0x200 * 800.0 / 1000000, UtilizationOf(0x100, 0xFFFFFF00u, 0, 0, 1000000));
}

TEST(NetAdapters, TextsOfStatusAndAddress) {
    EXPECT_EQ("Disabled", OperStatusText(0));
    EXPECT_EQ("Operational", OperStatusText(5));
    EXPECT_EQ("", OperStatusText(6));
    const BYTE mac[6] = {0x00, 0x1A, 0x2b, 0xFF, 0x07, 0x80};
    EXPECT_EQ("00 1A 2B FF 07 80", PhysicalAddressText(mac, 6));
    EXPECT_EQ("", PhysicalAddressText(mac, 0));
}

// A table of rows as the system would give it.
struct FakeTable {
    std::vector<MIB_IFROW> rows;
    DWORD answer = NO_ERROR;  // ERROR_NOT_SUPPORTED, or another failure
};
FakeTable g_table;

DWORD WINAPI FakeGetIfTable(PMIB_IFTABLE table, PULONG size, BOOL) {
    if (g_table.answer != NO_ERROR) return g_table.answer;
    const ULONG needed = static_cast<ULONG>(offsetof(MIB_IFTABLE, table) + g_table.rows.size() * sizeof(MIB_IFROW));
    if (!table || *size < needed) {
        *size = needed;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    table->dwNumEntries = static_cast<DWORD>(g_table.rows.size());
    for (size_t i = 0; i < g_table.rows.size(); ++i) table->table[i] = g_table.rows[i];
    return NO_ERROR;
}

TEST(NetAdapters, RowsCarryThePreviousCountersBetweenSamples) {
    g_table = FakeTable();
    g_table.rows = {Row(1, 0, 100, 200), Row(2, 8000, 1000, 0)};
    MIB_IFROW& second = g_table.rows[1];
    std::memcpy(second.bPhysAddr, "\x01\x02\x03", 3);
    second.dwPhysAddrLen = 3;
    const char desc[] = "Loopback adapter";
    std::memcpy(second.bDescr, desc, sizeof(desc) - 1);
    second.dwDescrLen = sizeof(desc) - 1;
    second.dwOperStatus = 5;

    NetAdapterSampler sampler(&FakeGetIfTable);
    ASSERT_EQ(1, sampler.Sample());
    std::vector<NetAdapterInfo> copy = sampler.CopyAdapters();
    ASSERT_EQ(2u, copy.size());
    EXPECT_EQ(1100u, sampler.TotalInOctets());
    EXPECT_EQ(200u, sampler.TotalOutOctets());
    EXPECT_EQ("01 02 03", copy[1].physicalAddress);
    EXPECT_EQ("Loopback adapter", copy[1].description);
    EXPECT_EQ(5u, copy[1].operStatus);
    EXPECT_EQ(1000u, copy[1].prevInOctets);

    g_table.rows[1].dwInOctets = 1000 + 500;  // 500 bytes x 800 / 8000 bit/s: 50 %
    g_table.rows[0].dwInOctets = 999999;
    ASSERT_EQ(1, sampler.Sample());
    copy = sampler.CopyAdapters();
    EXPECT_DOUBLE_EQ(50.0, copy[1].utilization);
    EXPECT_DOUBLE_EQ(0.0, copy[0].utilization);  // speed 0
}

TEST(NetAdapters, AdaptersAreMatchedByIndexAddedAndDropped) {
    g_table = FakeTable();
    g_table.rows = {Row(7, 8000, 1000, 0), Row(9, 8000, 5000, 0)};
    NetAdapterSampler sampler(&FakeGetIfTable);
    ASSERT_EQ(1, sampler.Sample());

    // Interface 7 went away, 12 came, and the system lists 9 first now: 9
    // keeps its own previous counters, 12 starts from nothing.
    g_table.rows = {Row(9, 8000, 5000 + 500, 0), Row(12, 8000, 300, 0)};
    ASSERT_EQ(1, sampler.Sample());
    std::vector<NetAdapterInfo> copy = sampler.CopyAdapters();
    ASSERT_EQ(2u, copy.size());
    EXPECT_EQ(9u, copy[0].index);
    EXPECT_DOUBLE_EQ(50.0, copy[0].utilization);
    EXPECT_EQ(5500u, copy[0].prevInOctets);
    EXPECT_EQ(12u, copy[1].index);
    EXPECT_DOUBLE_EQ(300 * 800.0 / 8000, copy[1].utilization);
    EXPECT_EQ(5800u, sampler.TotalInOctets());

    // Every interface gone: the list is empty, not the last one kept.
    g_table.rows.clear();
    ASSERT_EQ(1, sampler.Sample());
    EXPECT_TRUE(sampler.CopyAdapters().empty());
    EXPECT_EQ(0u, sampler.TotalInOctets());
}

TEST(NetAdapters, AFailedSampleKeepsTheLastValuesAndNotSupportedIsLeftToTheWindow) {
    g_table = FakeTable();
    g_table.rows = {Row(3, 8000, 400, 600)};
    NetAdapterSampler sampler(&FakeGetIfTable);
    ASSERT_EQ(1, sampler.Sample());
    EXPECT_FALSE(sampler.TakeNotSupportedReport());  // nothing to report yet

    g_table.answer = ERROR_GEN_FAILURE;
    EXPECT_EQ(-1, sampler.Sample());
    EXPECT_EQ(400u, sampler.TotalInOctets());
    EXPECT_EQ(600u, sampler.TotalOutOctets());
    ASSERT_EQ(1u, sampler.CopyAdapters().size());
    EXPECT_EQ(400u, sampler.CopyAdapters()[0].inOctets);

    // "Not supported" shows no box from the sampler (the test would block);
    // the window is told once per run, however many samples fail.
    g_table.answer = ERROR_NOT_SUPPORTED;
    EXPECT_EQ(-2, sampler.Sample());
    EXPECT_EQ(-2, sampler.Sample());
    EXPECT_EQ(400u, sampler.TotalInOctets());
    EXPECT_TRUE(sampler.TakeNotSupportedReport());
    EXPECT_FALSE(sampler.TakeNotSupportedReport());
    NetAdapterSampler other(&FakeGetIfTable);
    EXPECT_EQ(-2, other.Sample());
    EXPECT_FALSE(other.TakeNotSupportedReport());
}

TEST(NetAdapters, TheWorkersFirstValueIsOneIntervalsGrowthNotTheCountSinceBootOrAPause) {
    g_table = FakeTable();
    g_table.rows = {Row(3, 1000000, 50000000, 7000000)};  // long-running counters
    NetAdapterSampler sampler(&FakeGetIfTable);
    MessageSink sink;
    ASSERT_TRUE(sampler.Start(sink.get()));
    ASSERT_TRUE(testutil::WaitUntil([&] { return sink.Count(WM_NETWORK_SAMPLE) >= 1; }));
    ASSERT_TRUE(sampler.Stop());
    ASSERT_EQ(1u, sampler.CopyAdapters().size());
    EXPECT_EQ(0.0, sampler.CopyAdapters()[0].utilization);

    // Paused (the window was in the notification area) while traffic went on.
    g_table.rows = {Row(3, 1000000, 90000000, 9000000)};
    testutil::DispatchWaiting();
    const int before = sink.Count(WM_NETWORK_SAMPLE);
    ASSERT_TRUE(sampler.Start(sink.get()));
    ASSERT_TRUE(testutil::WaitUntil([&] { return sink.Count(WM_NETWORK_SAMPLE) > before; }));
    ASSERT_TRUE(sampler.Stop());
    EXPECT_EQ(0.0, sampler.CopyAdapters()[0].utilization);
    EXPECT_EQ(90000000u, sampler.TotalInOctets());
}

TEST(NetAdapters, WorkerSamplesTheLiveTableAndPosts) {
    NetAdapterSampler sampler;
    EXPECT_EQ(1, sampler.Sample());
    EXPECT_FALSE(sampler.CopyAdapters().empty());  // the loopback interface at least
    MessageSink sink;
    ASSERT_TRUE(sampler.Start(sink.get()));
    EXPECT_FALSE(sampler.Start(sink.get()));
    EXPECT_TRUE(testutil::WaitUntil([&] { return sink.Count(WM_NETWORK_SAMPLE) >= 2; }));
    // Copies taken while the worker samples are whole lists.
    for (int i = 0; i < 50; ++i) EXPECT_FALSE(sampler.CopyAdapters().empty());
    ASSERT_TRUE(sampler.Stop());
    EXPECT_FALSE(sampler.Running());
    // The worker has ended: whatever it posted is waiting now, and nothing
    // comes after it.
    testutil::DispatchWaiting();
    const int seen = sink.Count(WM_NETWORK_SAMPLE);
    testutil::DispatchWaiting();
    EXPECT_EQ(seen, sink.Count(WM_NETWORK_SAMPLE));
    EXPECT_TRUE(sampler.Start(nullptr));  // it can run again
}

}  // namespace
