// The sampler's arithmetic and matching over exact synthetic query buffers.
#include <gtest/gtest.h>

#include <stdexcept>

#include <cstring>

#include "sysinfo/ProcessSampler.h"
#include "sysinfo/SyntheticProcesses.h"

namespace {

SyntheticProcess Proc(uint32_t pid, const wchar_t* name, int64_t cpu, int64_t created = 0, uint32_t threads = 1) {
    SyntheticProcess p;
    p.pid = pid;
    p.name = name;
    p.userTime = cpu;
    p.createTime = created ? created : 1000 + pid;
    p.threads = threads;
    return p;
}

struct SamplerFixture : ::testing::Test {
    SyntheticProcessSource source;
    ProcessSampler sampler{&source};

    ProcessInfo Get(uint32_t pid) {
        ProcessInfo info;
        EXPECT_EQ(SampleResult::Ok, sampler.FindByPid(pid, info)) << "pid " << pid;
        return info;
    }
};

TEST_F(SamplerFixture, FirstSampleMarksEveryRecordNewWithNoCpu) {
    source.processes = {Proc(0, L"", 5000, 0, 2), Proc(4, L"System", 300), Proc(100, L"a.exe", 7000)};
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    ASSERT_EQ(3u, sampler.Count());
    for (uint32_t pid : {0u, 4u, 100u}) {
        ProcessInfo p = Get(pid);
        EXPECT_EQ(0xFF, p.changes);
        EXPECT_EQ(0.0, p.cpuPercent);
        EXPECT_EQ(0, p.cpuDelta);
    }
}

TEST_F(SamplerFixture, SmallDeltaSumUsesDivisorOneAndCapsAt99Point5) {
    source.processes = {Proc(10, L"a.exe", 0), Proc(11, L"b.exe", 0), Proc(12, L"c.exe", 0)};
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    source.processes[0].userTime = 5;
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    ProcessInfo a = Get(10);
    EXPECT_DOUBLE_EQ(0.5, a.cpuPercent);
    EXPECT_EQ(ProcessChangeCpuPercent, a.changes & ProcessChangeCpuPercent);
    EXPECT_EQ(0, Get(11).changes);  // nothing changed for b

    source.processes[1].userTime = 990;  // delta 990, a's delta 0: sum 990
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    EXPECT_DOUBLE_EQ(99.0, Get(11).cpuPercent);
    EXPECT_DOUBLE_EQ(0.0, Get(10).cpuPercent);

    source.processes[2].kernelTime = 995;  // delta 995 alone
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    EXPECT_DOUBLE_EQ(99.5, Get(12).cpuPercent);
    source.processes[2].kernelTime = 995 + 999;
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    EXPECT_DOUBLE_EQ(99.5, Get(12).cpuPercent);
}

TEST_F(SamplerFixture, PercentagesShareTheSumOfAllDeltas) {
    source.processes = {Proc(0, L"", 0, 0, 2), Proc(20, L"busy.exe", 0)};
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    source.processes[0].kernelTime = 7500000;  // idle: 75 %
    source.processes[1].userTime = 2500000;    // busy: 25 %
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    EXPECT_DOUBLE_EQ(75.0, Get(0).cpuPercent);
    EXPECT_DOUBLE_EQ(25.0, Get(20).cpuPercent);
    EXPECT_EQ(10000000, sampler.DeltaSum());
}

// Without an idle process carrying the idle time (as under Wine), a share of
// the sum would be a share of the busy time: one program using 2 % of a
// two-processor machine for one second showed as 100 %. The machine's time
// (elapsed x processors) is the base then; with an idle process both agree.
TEST_F(SamplerFixture, WithoutAnIdleProcessSharesAreOfTheMachinesTime) {
    source.processorCount = 2;
    source.clock = 50000000;
    source.processes = {Proc(30, L"busy.exe", 0), Proc(31, L"quiet.exe", 0)};
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    source.clock += 10000000;                 // one second
    source.processes[0].userTime = 400000;    // 40 ms: 2 % of two processors' second
    source.processes[1].userTime = 100000;    // 10 ms: 0.5 %
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    EXPECT_DOUBLE_EQ(2.0, Get(30).cpuPercent);
    EXPECT_DOUBLE_EQ(0.5, Get(31).cpuPercent);
    EXPECT_EQ(20000000, sampler.CpuTimeBase());

    // The same second on a system that lists its idle process: the idle
    // delta makes the sum the machine's time, and the shares are the same.
    SyntheticProcessSource withIdle;
    withIdle.processorCount = 2;
    withIdle.clock = 50000000;
    withIdle.processes = {Proc(0, L"", 0, 0, 2), Proc(30, L"busy.exe", 0), Proc(31, L"quiet.exe", 0)};
    ProcessSampler idleSampler(&withIdle);
    ASSERT_EQ(SampleResult::Ok, idleSampler.Sample());
    withIdle.clock += 10000000;
    withIdle.processes[0].kernelTime = 19500000;
    withIdle.processes[1].userTime = 400000;
    withIdle.processes[2].userTime = 100000;
    ASSERT_EQ(SampleResult::Ok, idleSampler.Sample());
    ProcessInfo busy;
    ASSERT_EQ(SampleResult::Ok, idleSampler.FindByPid(30, busy));
    EXPECT_DOUBLE_EQ(2.0, busy.cpuPercent);
    EXPECT_EQ(20000000, idleSampler.CpuTimeBase());

    // A clock that did not move (or the first sample) falls back to the sum.
    EXPECT_EQ(500, CpuTimeBaseOf(500, false, 0, 2));
    EXPECT_EQ(500, CpuTimeBaseOf(500, true, 10000000, 2));
    EXPECT_EQ(40000000, CpuTimeBaseOf(500, false, 10000000, 4));
}

TEST_F(SamplerFixture, SkipsEmptyPidZeroAndNamesTheIdleProcess) {
    source.processes = {Proc(0, L"", 0, 0, 0), Proc(0, L"", 100, 0, 4), Proc(8, L"x.exe", 0)};
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    ASSERT_EQ(2u, sampler.Count());
    ProcessInfo idle = Get(0);
    EXPECT_STREQ("System Idle Process", idle.imageName);
    EXPECT_STREQ("SYSTEM", idle.userName);
    ProcessInfo x = Get(8);
    EXPECT_STREQ("x.exe", x.imageName);
    EXPECT_STREQ("user8", x.userName);
    EXPECT_EQ(1, source.userLookups);  // none for the idle process
}

TEST_F(SamplerFixture, AProcessThatEndsLeavesTheOthersIntact) {
    source.processes = {Proc(1, L"a.exe", 0), Proc(2, L"b.exe", 0), Proc(3, L"c.exe", 0), Proc(4, L"d.exe", 0)};
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    for (auto& p : source.processes) p.userTime += 100;
    source.processes[3].userTime += 300;
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    ASSERT_EQ(4, source.userLookups);

    // b ends; c and d move up one position in the query.
    source.processes.erase(source.processes.begin() + 1);
    for (auto& p : source.processes) p.userTime += 100;
    source.processes[2].userTime += 300;  // d stays the busiest
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    EXPECT_EQ(4, source.userLookups);  // no fresh user lookup for c or d
    ASSERT_EQ(3u, sampler.Count());
    ProcessInfo info;
    EXPECT_EQ(SampleResult::NotAvailable, sampler.FindByPid(2, info));
    ProcessInfo c = Get(3), d = Get(4);
    EXPECT_NE(0xFF, c.changes);
    EXPECT_NE(0xFF, d.changes);
    EXPECT_EQ(100, c.cpuDelta);
    EXPECT_EQ(400, d.cpuDelta);
    // Sum 600: divisor 1; the values go on, rather than restarting at 0.0.
    EXPECT_DOUBLE_EQ(10.0, c.cpuPercent);
    EXPECT_DOUBLE_EQ(40.0, d.cpuPercent);
    EXPECT_STREQ("user4", d.userName);

    // The records follow the query order.
    std::vector<uint32_t> order;
    sampler.ForEach([&](const ProcessInfo& p) { order.push_back(p.pid); });
    EXPECT_EQ((std::vector<uint32_t>{1, 3, 4}), order);
}

TEST_F(SamplerFixture, RecordsFollowTheQueryWhenItReordersProcesses) {
    source.processes = {Proc(1, L"a.exe", 0), Proc(2, L"b.exe", 0), Proc(3, L"c.exe", 0)};
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());  // steady: nothing moved
    std::swap(source.processes[0], source.processes[2]);
    source.processes[0].userTime = 30;  // c
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    EXPECT_EQ(3, source.userLookups);
    EXPECT_EQ(30, Get(3).cpuDelta);
    EXPECT_EQ(0, Get(1).cpuDelta);
    std::vector<uint32_t> order;
    sampler.ForEach([&](const ProcessInfo& p) { order.push_back(p.pid); });
    EXPECT_EQ((std::vector<uint32_t>{3, 2, 1}), order);
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());  // and again, from the new positions
    EXPECT_EQ(3, source.userLookups);
    EXPECT_STREQ("c.exe", Get(3).imageName);
}

TEST_F(SamplerFixture, AProcessListedTwiceCountsOnceTickAfterTick) {
    source.processes = {Proc(1, L"a.exe", 0), Proc(1, L"a.exe", 0), Proc(2, L"b.exe", 0)};
    source.processes[1].userTime = 500;  // the second listing is ignored
    for (int tick = 0; tick < 3; ++tick) {
        ASSERT_EQ(SampleResult::Ok, sampler.Sample());
        std::vector<uint32_t> order;
        sampler.ForEach([&](const ProcessInfo& p) { order.push_back(p.pid); });
        EXPECT_EQ((std::vector<uint32_t>{1, 2}), order) << tick;
        EXPECT_EQ(0, Get(1).cpuDelta) << tick;
    }
    EXPECT_EQ(2, source.userLookups);
}

TEST_F(SamplerFixture, ReusedPidWithNewCreationTimeIsANewProcess) {
    source.processes = {Proc(50, L"old.exe", 1000, 111)};
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    source.processes = {Proc(50, L"new.exe", 10, 222)};
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    ProcessInfo p = Get(50);
    EXPECT_EQ(0xFF, p.changes);
    EXPECT_STREQ("new.exe", p.imageName);
    EXPECT_EQ(0, p.cpuDelta);
    EXPECT_EQ(2, source.userLookups);
}

// Owners a load has read serve the next sample, only for the same process
// (pid and creation time), and only once: a name left over must not be given
// to a process that takes the id later.
TEST_F(SamplerFixture, KnownOwnersServeTheNextSampleForTheSameProcessOnly) {
    source.processes = {Proc(10, L"a.exe", 0, 110), Proc(11, L"b.exe", 0, 111)};
    sampler.SetKnownUsers({{10, 110, "alice"}, {11, 99, "an earlier b"}, {12, 112, "carol"}});
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    EXPECT_STREQ("alice", Get(10).userName);
    EXPECT_STREQ("user11", Get(11).userName);
    EXPECT_EQ(1, source.userLookups);

    // Carol's process appears only after that sample: it is looked up.
    source.processes.push_back(Proc(12, L"c.exe", 0, 112));
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    EXPECT_STREQ("user12", Get(12).userName);
    EXPECT_EQ(2, source.userLookups);
}

TEST_F(SamplerFixture, ChangeBitsReportWhatChanged) {
    source.processes = {Proc(7, L"a.exe", 0)};
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    source.processes[0].workingSet = 4096;
    source.processes[0].writeBytes = 12;
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    EXPECT_EQ(ProcessChangeWorkingSet | ProcessChangeWriteBytes, Get(7).changes);
    source.processes[0].basePriority = 13;
    source.processes[0].readBytes = 5;
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    ProcessInfo p = Get(7);
    EXPECT_EQ(ProcessChangePriority | ProcessChangeReadBytes, p.changes);
    EXPECT_EQ(4096u, p.workingSet);
    EXPECT_EQ(13, p.basePriority);
}

TEST_F(SamplerFixture, FindByNameReturnsTheFirstOfEqualNamesIgnoringCase) {
    source.processes = {Proc(30, L"dup.exe", 0), Proc(31, L"other.exe", 0), Proc(32, L"DUP.EXE", 0)};
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    ProcessInfo p;
    ASSERT_EQ(SampleResult::Ok, sampler.FindByName("Dup.Exe", p));
    EXPECT_EQ(30u, p.pid);
    EXPECT_EQ(SampleResult::NotAvailable, sampler.FindByName("missing.exe", p));
}

TEST_F(SamplerFixture, SampleDuringALookupReturnsBusyAndChangesNothing) {
    source.processes = {Proc(40, L"a.exe", 0), Proc(41, L"b.exe", 0)};
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    source.processes.pop_back();
    source.processes[0].userTime = 50;
    SampleResult nested = SampleResult::Ok;
    sampler.ForEach([&](const ProcessInfo&) { nested = sampler.Sample(); });
    EXPECT_EQ(SampleResult::Busy, nested);
    EXPECT_EQ(2u, sampler.Count());
    EXPECT_EQ(0xFF, Get(40).changes);
    EXPECT_EQ(0, Get(40).cpuDelta);
    EXPECT_EQ(SampleResult::Ok, sampler.Sample());  // the marker was released
    EXPECT_EQ(1u, sampler.Count());
}

TEST_F(SamplerFixture, AThrowingVisitorDoesNotLeaveTheSamplerBusy) {
    source.processes = {Proc(50, L"a.exe", 0), Proc(51, L"b.exe", 0)};
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    EXPECT_THROW(sampler.ForEach([](const ProcessInfo&) { throw std::runtime_error("visitor failed"); }),
                 std::runtime_error);
    EXPECT_EQ(SampleResult::Ok, sampler.Sample());
    ProcessInfo p;
    EXPECT_EQ(SampleResult::Ok, sampler.FindByPid(51, p));
}

TEST_F(SamplerFixture, LookupsDuringASampleReturnBusy) {
    source.processes = {Proc(60, L"a.exe", 0)};
    struct Ctx {
        ProcessSampler* sampler;
        SampleResult findResult = SampleResult::Ok;
        SampleResult sampleResult = SampleResult::Ok;
    } ctx{&sampler};
    source.context = &ctx;
    source.onUserLookup = [](void* c) {
        auto* x = static_cast<Ctx*>(c);
        ProcessInfo p;
        x->findResult = x->sampler->FindByPid(60, p);
        x->sampleResult = x->sampler->Sample();
    };
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    EXPECT_EQ(SampleResult::Busy, ctx.findResult);
    EXPECT_EQ(SampleResult::Busy, ctx.sampleResult);
}

TEST_F(SamplerFixture, FailuresAreReportedAndKeepTheRecords) {
    ProcessInfo p;
    source.available = false;
    EXPECT_EQ(SampleResult::NotAvailable, sampler.Sample());
    EXPECT_EQ(SampleResult::NotAvailable, sampler.FindByPid(1, p));
    source.available = true;
    source.processes = {Proc(70, L"a.exe", 0)};
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    source.queryResult = SampleResult::Failed;
    EXPECT_EQ(SampleResult::Failed, sampler.Sample());
    EXPECT_EQ(SampleResult::Ok, sampler.FindByPid(70, p));
}

TEST(ProcessQueryParser, SurvivesTruncatedAndHostileBuffers) {
    std::vector<SyntheticProcess> procs = {Proc(1, L"one.exe", 0), Proc(2, L"two.exe", 0)};
    std::vector<BYTE> buf;
    BuildProcessQueryBuffer(procs, buf);
    std::vector<ProcessEntry> out;
    ParseProcessEntries(buf.data(), buf.size(), out);
    ASSERT_EQ(2u, out.size());
    EXPECT_EQ(2u, out[1].pid);
    EXPECT_EQ(std::wstring(L"two.exe"), std::wstring(out[1].name, out[1].nameChars));

    // Cut inside the second entry: only the first is listed.
    ParseProcessEntries(buf.data(), buf.size() - 20, out);
    EXPECT_EQ(1u, out.size());
    // A name pointing outside the buffer is dropped (and becomes "Unknown").
    SystemProcessEntry first;
    std::memcpy(&first, buf.data(), sizeof(first));
    first.imageNameBuffer = reinterpret_cast<PWSTR>(0x10);
    first.nextEntryOffset = 0;
    std::memcpy(buf.data(), &first, sizeof(first));
    ParseProcessEntries(buf.data(), buf.size(), out);
    ASSERT_EQ(1u, out.size());
    EXPECT_FALSE(out[0].nameValid);
    // A next offset that would wrap a 32-bit sum back to the start of the
    // buffer ends the walk instead of going round for ever.
    BuildProcessQueryBuffer(procs, buf);
    SystemProcessEntry second;
    const size_t secondAt = reinterpret_cast<SystemProcessEntry*>(buf.data())->nextEntryOffset;
    std::memcpy(&second, buf.data() + secondAt, sizeof(second));
    second.nextEntryOffset = static_cast<ULONG>(0u - static_cast<ULONG>(secondAt));
    std::memcpy(buf.data() + secondAt, &second, sizeof(second));
    ParseProcessEntries(buf.data(), buf.size(), out);
    EXPECT_EQ(2u, out.size());
    // Too short for one entry, and a null buffer.
    ParseProcessEntries(buf.data(), sizeof(SystemProcessEntry) - 1, out);
    EXPECT_TRUE(out.empty());
    ParseProcessEntries(nullptr, 100, out);
    EXPECT_TRUE(out.empty());
}

}  // namespace
