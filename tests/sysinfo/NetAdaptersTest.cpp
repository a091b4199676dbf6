// Network adapter records, utilization and the sampler.
#include <gtest/gtest.h>

#include <cstring>

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

TEST(NetAdapters, RowsCarryThePreviousCountersBetweenSamples) {
    std::vector<BYTE> buf(sizeof(MIB_IFTABLE) + sizeof(MIB_IFROW));
    auto* table = reinterpret_cast<MIB_IFTABLE*>(buf.data());
    table->dwNumEntries = 2;
    table->table[0] = Row(1, 0, 100, 200);
    table->table[1] = Row(2, 8000, 1000, 0);
    std::memcpy(table->table[1].bPhysAddr, "\x01\x02\x03", 3);
    table->table[1].dwPhysAddrLen = 3;
    const char desc[] = "Loopback adapter";
    std::memcpy(table->table[1].bDescr, desc, sizeof(desc) - 1);
    table->table[1].dwDescrLen = sizeof(desc) - 1;
    table->table[1].dwOperStatus = 5;

    NetAdapterSampler sampler;
    {
        CriticalSectionLock hold(sampler.Lock());
        sampler.ApplyTable(*table);
    }
    ASSERT_EQ(2u, sampler.Adapters().size());
    EXPECT_EQ(1100u, sampler.TotalInOctets());
    EXPECT_EQ(200u, sampler.TotalOutOctets());
    const NetAdapterInfo& second = sampler.Adapters()[1];
    EXPECT_EQ("01 02 03", second.physicalAddress);
    EXPECT_EQ("Loopback adapter", second.description);
    EXPECT_EQ(5u, second.operStatus);
    EXPECT_EQ(1000u, second.prevInOctets);

    table->table[1].dwInOctets = 1000 + 500;  // 500 bytes x 800 / 8000 bit/s: 50 %
    table->table[0].dwInOctets = 999999;
    sampler.ApplyTable(*table);
    EXPECT_DOUBLE_EQ(50.0, sampler.Adapters()[1].utilization);
    EXPECT_DOUBLE_EQ(0.0, sampler.Adapters()[0].utilization);  // speed 0
}

TEST(NetAdapters, NotSupportedIsReportedOncePerRun) {
    bool first = TakeNotSupportedReport();
    (void)first;  // another test may have taken it already
    EXPECT_FALSE(TakeNotSupportedReport());
    EXPECT_FALSE(TakeNotSupportedReport());
}

TEST(NetAdapters, WorkerSamplesTheLiveTableAndPosts) {
    NetAdapterSampler sampler;
    {
        CriticalSectionLock hold(sampler.Lock());
        EXPECT_EQ(1, sampler.Sample());
        EXPECT_FALSE(sampler.Adapters().empty());  // the loopback interface at least
    }
    MessageSink sink;
    ASSERT_TRUE(sampler.Start(sink.get()));
    EXPECT_FALSE(sampler.Start(sink.get()));
    EXPECT_TRUE(testutil::WaitUntil([&] { return sink.Count(WM_NETWORK_SAMPLE) >= 2; }));
    sampler.Stop();
    EXPECT_FALSE(sampler.Running());
    int seen = sink.Count(WM_NETWORK_SAMPLE);
    testutil::PumpFor(1500);
    EXPECT_EQ(seen, sink.Count(WM_NETWORK_SAMPLE));  // Stop waited for the worker's end
}

}  // namespace
