// The process model against real processes of the Wine prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "ProcessUtil.h"
#include "SysinfoTestUtil.h"
#include "TestUtil.h"
#include "sysinfo/FileVersion.h"
#include "sysinfo/ProcessHelpers.h"
#include "sysinfo/ProcessSampler.h"
#include "sysinfo/SystemSnapshot.h"

namespace {

struct LiveProcesses : ::testing::Test {
    void SetUp() override { LoadSystemEntryPoints(); }
};

// Waits until the child has started all of its threads.
bool WaitForThreads(DWORD pid, int expected) {
    return testutil::WaitUntil([&] { return CountProcessThreads(pid) >= expected; });
}

const ProcessImageInfo* FindPid(const ProcessImageList& list, DWORD pid) {
    for (const auto& p : list.items)
        if (p.pid == pid) return &p;
    return nullptr;
}

TEST_F(LiveProcesses, SamplerFindsTheChildAndLosesItOnceKilled) {
    testutil::ChildProcess child;
    ASSERT_TRUE(child.Start(TestChildExe(), "threads=3"));
    ASSERT_TRUE(WaitForThreads(child.Pid(), 4));

    ProcessSampler sampler;
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    ProcessInfo info;
    ASSERT_EQ(SampleResult::Ok, sampler.FindByPid(child.Pid(), info));
    EXPECT_STREQ("qm_testchild.exe", info.imageName);
    EXPECT_NE(0, info.createTime);
    ProcessInfo byName;
    ASSERT_EQ(SampleResult::Ok, sampler.FindByName("QM_TESTCHILD.EXE", byName));
    EXPECT_EQ(child.Pid(), byName.pid);
    EXPECT_EQ(4, CountProcessThreads(child.Pid()));

    child.Kill();
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    EXPECT_EQ(SampleResult::NotAvailable, sampler.FindByPid(child.Pid(), info));
    EXPECT_EQ(0, CountProcessThreads(child.Pid()));
}

TEST_F(LiveProcesses, ImagePathAndCommandLineOfTheChild) {
    std::string longArg(300 - 1, 'x');  // with the quoted exe path the line is longer still
    testutil::ChildProcess shortChild, longChild;
    ASSERT_TRUE(shortChild.Start(TestChildExe(), "alpha beta"));
    ASSERT_TRUE(longChild.Start(TestChildExe(), longArg));
    ASSERT_TRUE(WaitForThreads(longChild.Pid(), 1));

    std::string path;
    ASSERT_TRUE(GetProcessImagePath(shortChild.Pid(), path));
    EXPECT_EQ(0, _stricmp(LongFormOf(TestChildExe()).c_str(), path.c_str())) << path;
    EXPECT_TRUE(CanQueryProcess(shortChild.Pid()));

    std::string line;
    ASSERT_TRUE(testutil::WaitUntil([&] { return ReadProcessCommandLine(shortChild.Pid(), line); }));
    EXPECT_EQ("\"" + TestChildExe() + "\" alpha beta", line);

    std::string full = "\"" + TestChildExe() + "\" " + longArg;
    ASSERT_GT(full.size(), 300u);
    ASSERT_TRUE(ReadProcessCommandLine(longChild.Pid(), line));
    EXPECT_EQ(245u, line.size());
    EXPECT_EQ(full.substr(0, 245), line);

    longChild.Kill();
    EXPECT_FALSE(ReadProcessCommandLine(longChild.Pid(), line));
    EXPECT_FALSE(GetProcessImagePath(longChild.Pid(), path));
    EXPECT_FALSE(CanQueryProcess(0xFFFFFFF0u));
    EXPECT_FALSE(GetProcessImagePath(0xFFFFFFF0u, path));
}

TEST_F(LiveProcesses, ImagePathByIdentityOnlyForTheSameProcess) {
    testutil::ChildProcess child;
    ASSERT_TRUE(child.Start(TestChildExe(), "alpha"));
    int64_t created = 0;
    ASSERT_TRUE(ReadProcessCreateTime(child.Handle(), created));

    std::string path;
    ASSERT_TRUE(GetProcessImagePathIfSame(child.Pid(), created, path));
    EXPECT_EQ(0, _stricmp(LongFormOf(TestChildExe()).c_str(), path.c_str())) << path;
    // The same id with another creation time is another program, the way a
    // list row sees a process whose id was given again.
    std::string other = "untouched";
    EXPECT_FALSE(GetProcessImagePathIfSame(child.Pid(), created + 1, other));
    EXPECT_FALSE(GetProcessImagePathIfSame(child.Pid(), 0, other));
    EXPECT_EQ("untouched", other);

    // Ended, while the test still holds its object (so the id stays its own).
    child.Kill();
    EXPECT_FALSE(GetProcessImagePathIfSame(child.Pid(), created, other));
    EXPECT_FALSE(ReadProcessImagePath(child.Handle(), other));
    EXPECT_EQ("untouched", other);
}

TEST_F(LiveProcesses, EveryProcessListPathListsTheChild) {
    testutil::ChildProcess child;
    ASSERT_TRUE(child.Start(TestChildExe(), "threads=2 listed"));
    ASSERT_TRUE(WaitForThreads(child.Pid(), 3));

    ProcessImageList byStatus, byToolHelp, byQuery;
    ASSERT_TRUE(ListProcessesByStatus(byStatus));
    // Held from before the second listing: a process still running after it
    // was running during it.
    std::vector<UniqueHandle> held;
    for (const ProcessImageInfo& p : byStatus.items) {
        if (p.pid == 0 || p.createTime == 0) continue;
        UniqueHandle h(OpenSameProcess(p.pid, p.createTime, SYNCHRONIZE));
        if (h) held.push_back(std::move(h));
    }
    ASSERT_TRUE(ListProcessesByToolHelp(byToolHelp));
    ASSERT_TRUE(ListProcessesByQuery(byQuery));
    for (const ProcessImageList* list : {&byStatus, &byToolHelp, &byQuery}) {
        const ProcessImageInfo* p = FindPid(*list, child.Pid());
        ASSERT_NE(nullptr, p);
        EXPECT_EQ(0, _stricmp("qm_testchild.exe", p->moduleName.c_str())) << p->moduleName;
        EXPECT_EQ(0, _stricmp(LongFormOf(TestChildExe()).c_str(), p->imagePath.c_str())) << p->imagePath;
        EXPECT_EQ("\"" + TestChildExe() + "\" threads=2 listed", p->commandLine);
        EXPECT_EQ(3, p->threadCount);
        EXPECT_GE(list->threadTotal, 3);
        // Our own process is listed too, so every process is there.
        EXPECT_NE(nullptr, FindPid(*list, ::GetCurrentProcessId()));
    }
    // Other programs may start or end between the two listings; every one
    // that ran throughout is in both, with the same creation time.
    EXPECT_FALSE(held.empty());
    for (const UniqueHandle& h : held) {
        if (::WaitForSingleObject(h.get(), 0) == WAIT_OBJECT_0) continue;  // ended meanwhile
        const DWORD pid = ::GetProcessId(h.get());
        const ProcessImageInfo* inToolHelp = FindPid(byToolHelp, pid);
        ASSERT_NE(nullptr, inToolHelp) << "process " << pid;
        EXPECT_EQ(FindPid(byStatus, pid)->createTime, inToolHelp->createTime) << "process " << pid;
    }
}

// A second load takes what the first read of a process still running under
// the same id and creation time, and reads again any other.
TEST_F(LiveProcesses, ALoadKeepsWhatItReadOfProcessesStillRunning) {
    testutil::ChildProcess child;
    ASSERT_TRUE(child.Start(TestChildExe(), "threads=1 known"));
    ASSERT_TRUE(WaitForThreads(child.Pid(), 2));

    for (bool (*listProcesses)(ProcessImageList&) : {&ListProcessesByQuery, &ListProcessesByToolHelp}) {
        ProcessImageList list;
        ASSERT_TRUE(listProcesses(list));
        bool marked = false, aged = false;
        int64_t ownCreated = 0;
        for (ProcessImageInfo& p : list.items) {
            if (p.pid == child.Pid()) {
                // Not what the child's memory says: only a reuse can give it back.
                p.commandLine = "as read before";
                marked = true;
            } else if (p.pid == ::GetCurrentProcessId()) {
                // An earlier process under our id: ours must be read afresh.
                ownCreated = p.createTime;
                p.createTime -= 1;
                p.commandLine = "an earlier process";
                aged = true;
            }
        }
        ASSERT_TRUE(marked && aged);
        ASSERT_TRUE(listProcesses(list));
        const ProcessImageInfo* kept = FindPid(list, child.Pid());
        ASSERT_NE(nullptr, kept);
        EXPECT_EQ("as read before", kept->commandLine);
        EXPECT_EQ(0, _stricmp(LongFormOf(TestChildExe()).c_str(), kept->imagePath.c_str())) << kept->imagePath;
        EXPECT_EQ(2, kept->threadCount);  // counted at every load
        // The owner read through the load's own handle is the one the
        // sampler would look up.
        std::string owner;
        ASSERT_TRUE(LookupProcessUser(child.Pid(), kept->createTime, owner));
        EXPECT_EQ(owner, kept->userName);
        const ProcessImageInfo* own = FindPid(list, ::GetCurrentProcessId());
        ASSERT_NE(nullptr, own);
        EXPECT_EQ(ownCreated, own->createTime);
        EXPECT_NE("an earlier process", own->commandLine);
        EXPECT_FALSE(own->commandLine.empty());
    }
}

TEST_F(LiveProcesses, EntryPointsGateTheSamplerAndCanBeLoadedAgain) {
    ProcessSampler sampler;
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    EXPECT_TRUE(SystemEntries().loaded);
    EXPECT_NE(nullptr, SystemEntries().ntQuerySystemInformation);
    FreeSystemEntryPoints();
    EXPECT_FALSE(SystemEntries().loaded);
    ProcessInfo info;
    EXPECT_EQ(SampleResult::NotAvailable, sampler.Sample());
    EXPECT_EQ(SampleResult::NotAvailable, sampler.FindByPid(::GetCurrentProcessId(), info));
    LoadSystemEntryPoints();
    LoadSystemEntryPoints();  // a second load changes nothing
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    ASSERT_EQ(SampleResult::Ok, sampler.FindByPid(::GetCurrentProcessId(), info));
    EXPECT_NE(0xFF, info.changes);  // matched to the record of the first sample
    EXPECT_STRNE("Unknown", info.userName);
}

// A system with thousands of processes: the call fills whatever buffer it
// gets, as the real one does.
DWORD g_fakeProcessCount = 0;
BOOL WINAPI FakeEnumProcesses(DWORD* ids, DWORD bytes, DWORD* returned) {
    DWORD n = 0;
    for (; n < g_fakeProcessCount && (n + 1) * sizeof(DWORD) <= bytes; ++n) ids[n] = 4 * (n + 1);
    *returned = n * sizeof(DWORD);
    return TRUE;
}

TEST(ProcessStatusPath, ListsEveryProcessIdHoweverMany) {
    for (DWORD count : {0u, 3u, 200u, 201u, 1024u, 5000u}) {
        g_fakeProcessCount = count;
        std::vector<DWORD> pids;
        ASSERT_TRUE(EnumerateAllProcessIds(FakeEnumProcesses, pids));
        ASSERT_EQ(count, pids.size());
        if (count) {
            EXPECT_EQ(4 * count, pids.back());
        }
    }
}

TEST(OsFamily, ChoosesTheProcessStatusPathOnlyForTheThreeVersions) {
    EXPECT_TRUE(OsFamilyFromVersion(VER_PLATFORM_WIN32_NT, 4, 0).nt4);
    EXPECT_TRUE(OsFamilyFromVersion(VER_PLATFORM_WIN32_NT, 5, 0).windows2000);
    EXPECT_TRUE(OsFamilyFromVersion(VER_PLATFORM_WIN32_NT, 5, 1).windowsXp);
    EXPECT_TRUE(UsesProcessStatusPath(OsFamilyFromVersion(VER_PLATFORM_WIN32_NT, 5, 1)));
    EXPECT_FALSE(UsesProcessStatusPath(OsFamilyFromVersion(VER_PLATFORM_WIN32_NT, 5, 2)));
    EXPECT_FALSE(UsesProcessStatusPath(OsFamilyFromVersion(VER_PLATFORM_WIN32_NT, 6, 1)));
    EXPECT_FALSE(UsesProcessStatusPath(OsFamilyFromVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 0)));
    EXPECT_FALSE(UsesProcessStatusPath(OsFamilyFromVersion(VER_PLATFORM_WIN32_NT, 4, 10)));
}

// A process as the sampler saw it: pid and creation time.
using ProcessKey = std::pair<uint32_t, int64_t>;
std::vector<ProcessKey> RunningProcesses(ProcessSampler& sampler) {
    std::vector<ProcessKey> keys;
    sampler.ForEach([&](const ProcessInfo& p) { keys.emplace_back(p.pid, p.createTime); });
    return keys;
}

// Handles on every process that ran before the reads (those that can be
// opened), so their fate can be told afterwards without waiting: a process
// of the prefix may end on its own meanwhile, but none may have crashed.
std::vector<UniqueHandle> WatchProcesses(const std::vector<ProcessKey>& before) {
    std::vector<UniqueHandle> handles;
    for (const auto& p : before) {
        if (p.first == 0) continue;
        UniqueHandle h(OpenSameProcess(p.first, p.second, SYNCHRONIZE));
        if (h) handles.push_back(std::move(h));
    }
    return handles;
}

void ExpectNoneCrashed(const std::vector<UniqueHandle>& watched) {
    EXPECT_FALSE(watched.empty());
    for (const UniqueHandle& h : watched) {
        if (::WaitForSingleObject(h.get(), 0) != WAIT_OBJECT_0) continue;  // still runs
        DWORD code = 0;
        ASSERT_TRUE(::GetExitCodeProcess(h.get(), &code));
        // Exception codes (access violation and the like) mean harm.
        EXPECT_LT(code, 0xC0000000u) << "process " << ::GetProcessId(h.get()) << " ended with " << std::hex << code;
    }
}

TEST_F(LiveProcesses, ReadingEveryCommandLineHarmsNoProcess) {
    // Both bitnesses where the prefix has them: a 32-bit child beside our own.
    testutil::ChildProcess same, other;
    ASSERT_TRUE(same.Start(TestChildExe(), "same-bitness"));
    std::string exe32 = TestChild32Exe();
    if (!exe32.empty()) {
        ASSERT_TRUE(other.Start(exe32, "other-bitness"));
    }
    ASSERT_TRUE(WaitForThreads(same.Pid(), 1));
    if (!exe32.empty()) {
        ASSERT_TRUE(WaitForThreads(other.Pid(), 1));
    }

    ProcessSampler sampler;
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    std::vector<ProcessKey> before = RunningProcesses(sampler);
    ASSERT_GT(before.size(), 3u);
    const std::vector<UniqueHandle> watched = WatchProcesses(before);

    int read = 0;
    for (const auto& p : before) {
        std::string line;
        if (ReadProcessCommandLine(p.first, line)) ++read;
    }
    EXPECT_GT(read, 2);
    std::string line;
    ASSERT_TRUE(ReadProcessCommandLine(same.Pid(), line));
    EXPECT_NE(std::string::npos, line.find("same-bitness"));
    if (!exe32.empty()) {
        // A 64-bit reader reads the 32-bit block of an emulated process.
        ASSERT_TRUE(ReadProcessCommandLine(other.Pid(), line));
        EXPECT_NE(std::string::npos, line.find("other-bitness"));
    }

    ExpectNoneCrashed(watched);
    EXPECT_TRUE(same.Running());
    if (!exe32.empty()) {
        EXPECT_TRUE(other.Running());
    }
}

#ifdef QM_CMDREADER32_EXE
// The reader compiled 32-bit, run against every process of this 64-bit
// prefix: a 64-bit target is read through the system's query or skipped,
// and no process of either bitness is harmed.
TEST_F(LiveProcesses, A32BitReaderHarmsNo64BitProcess) {
    testutil::ChildProcess wide, narrow;
    ASSERT_TRUE(wide.Start(TestChildExe(), "target-64"));
    ASSERT_TRUE(narrow.Start(TestChild32Exe(), "target-32"));
    ASSERT_TRUE(WaitForThreads(wide.Pid(), 1));
    ASSERT_TRUE(WaitForThreads(narrow.Pid(), 1));
    ProcessSampler sampler;
    ASSERT_EQ(SampleResult::Ok, sampler.Sample());
    const std::vector<UniqueHandle> watched = WatchProcesses(RunningProcesses(sampler));

    testutil::ScratchDir dir;
    std::string out = dir.File("lines.txt");
    testutil::ChildProcess reader;
    ASSERT_TRUE(reader.Start(WindowsPathOf(QM_CMDREADER32_EXE), "\"" + out + "\" " + std::to_string(wide.Pid()) +
                                                                     " " + std::to_string(narrow.Pid())));
    DWORD code = 1;
    ASSERT_TRUE(reader.WaitExit(60000, &code));
    EXPECT_EQ(0u, code);
    std::string lines = testutil::ReadFileBytes(out);
    size_t eol = lines.find('\n');
    ASSERT_NE(std::string::npos, eol) << lines;
    std::string wideLine = lines.substr(0, eol), narrowLine = lines.substr(eol + 1);
    EXPECT_EQ("ok \"" + TestChild32Exe() + "\" target-32\n", narrowLine);
    // Read whole, or not at all.
    if (wideLine != "no") {
        EXPECT_EQ("ok \"" + TestChildExe() + "\" target-64", wideLine);
    }

    ExpectNoneCrashed(watched);
    EXPECT_TRUE(wide.Running());
    EXPECT_TRUE(narrow.Running());
}
#endif

TEST_F(LiveProcesses, ModuleListOfOurOwnProcess) {
    std::vector<std::string> modules;
    ASSERT_TRUE(ListModules(::GetCurrentProcessId(), modules));
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    auto has = [&](const std::string& name) {
        return std::any_of(modules.begin(), modules.end(), [&](const std::string& m) {
            size_t slash = m.rfind('\\');
            std::string file = slash == std::string::npos ? m : m.substr(slash + 1);
            return _stricmp(file.c_str(), name.c_str()) == 0;
        });
    };
    std::string selfPath = self;
    EXPECT_TRUE(has(selfPath.substr(selfPath.rfind('\\') + 1)));
    EXPECT_TRUE(has("kernel32.dll"));
    EXPECT_FALSE(ListModules(0xFFFFFFF0u, modules));
    EXPECT_TRUE(modules.empty());
}

}  // namespace
