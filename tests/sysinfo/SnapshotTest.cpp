// The snapshot loader's messages and its stop-at-the-failing-step rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestUtil.h"
#include "sysinfo/SystemSnapshot.h"

namespace {

struct Posted {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
    bool operator==(const Posted& o) const { return msg == o.msg && wp == o.wp && lp == o.lp; }
};
std::vector<Posted> g_posted;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SNAPSHOT_STEP || msg == WM_SNAPSHOT_DONE) g_posted.push_back({msg, wp, lp});
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

// A message-only window that records the loader's messages.
class RecordingWindow {
public:
    RecordingWindow() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "QmSnapshotTestSink";
        ::RegisterClassA(&wc);
        hwnd_ = ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                  nullptr);
        g_posted.clear();
    }
    ~RecordingWindow() { ::DestroyWindow(hwnd_); }
    HWND get() const { return hwnd_; }

private:
    HWND hwnd_;
};

class FakeSteps : public SnapshotSteps {
public:
    int failAt = -1;
    bool LoadWindows(std::vector<HWND>& w) override {
        w.assign(1, reinterpret_cast<HWND>(0x1234));
        return failAt != 0;
    }
    bool LoadProcesses(ProcessImageList& p) override {
        p.Clear();
        ProcessImageInfo info;
        info.pid = 42;
        info.moduleName = "fake.exe";
        p.items.push_back(info);
        p.threadTotal = 7;
        return failAt != 1;
    }
    bool LoadServices(ServiceList&) override { return failAt != 2; }
    bool LoadDrivers(ServiceList&) override { return failAt != 3; }
};

std::vector<Posted> StepsUpTo(int lastStep, bool lastFinished) {
    std::vector<Posted> v;
    for (int s = 0; s <= lastStep; ++s) {
        v.push_back({WM_SNAPSHOT_STEP, static_cast<WPARAM>(s), 0});
        if (s < lastStep || lastFinished) v.push_back({WM_SNAPSHOT_STEP, static_cast<WPARAM>(s), 1});
    }
    return v;
}

TEST(SystemSnapshot, PostsEightStepMessagesThenDoneInOrder) {
    RecordingWindow sink;
    FakeSteps steps;
    SystemSnapshot snapshot(&steps);
    EXPECT_FALSE(snapshot.AdoptLoaded());  // nothing loaded yet
    ASSERT_TRUE(snapshot.StartLoading(sink.get()));
    ASSERT_TRUE(testutil::WaitUntil([] { return !g_posted.empty() && g_posted.back().msg == WM_SNAPSHOT_DONE; }));
    std::vector<Posted> expected = StepsUpTo(3, true);
    expected.push_back({WM_SNAPSHOT_DONE, 1, 0});
    EXPECT_EQ(expected, g_posted);
    // The flag is down by the time the message is handled.
    EXPECT_FALSE(snapshot.IsLoading());
    // The lists become the current ones only when the window takes them.
    EXPECT_EQ(0u, snapshot.ProcessCount());
    ASSERT_TRUE(snapshot.AdoptLoaded());
    EXPECT_EQ(-1, snapshot.FailedStep());
    EXPECT_FALSE(snapshot.AdoptLoaded());  // taken once
    ASSERT_EQ(1u, snapshot.ProcessCount());
    ProcessImageInfo p;
    ASSERT_TRUE(snapshot.ProcessAt(0, p));
    EXPECT_EQ("fake.exe", p.moduleName);
    EXPECT_FALSE(snapshot.ProcessAt(1, p));
    EXPECT_EQ(7, snapshot.ThreadTotal());
    EXPECT_EQ(1u, snapshot.Windows().size());
    // The line the window logs for each of these messages.
    EXPECT_EQ("Loading application windows...", SnapshotStepText(0, false));
    EXPECT_EQ("Loading drivers...complete", SnapshotStepText(3, true));
    EXPECT_EQ("", SnapshotStepText(4, false));
}

TEST(SystemSnapshot, AFailingStepEndsTheLoadWithAFailureMessage) {
    for (int failAt = 0; failAt < 4; ++failAt) {
        RecordingWindow sink;
        FakeSteps steps;
        steps.failAt = failAt;
        SystemSnapshot snapshot(&steps);
        ASSERT_TRUE(snapshot.StartLoading(sink.get()));
        ASSERT_TRUE(testutil::WaitUntil([] { return !g_posted.empty() && g_posted.back().msg == WM_SNAPSHOT_DONE; }));
        ASSERT_TRUE(snapshot.WaitForLoader(30000));
        testutil::DispatchWaiting();
        // The failing step's end message and the later steps never come; the
        // failure is reported with the step.
        std::vector<Posted> expected = StepsUpTo(failAt, false);
        expected.push_back({WM_SNAPSHOT_DONE, 0, static_cast<LPARAM>(failAt)});
        EXPECT_EQ(expected, g_posted) << "failing step " << failAt;
        ASSERT_TRUE(snapshot.AdoptLoaded());
        EXPECT_EQ(failAt, snapshot.FailedStep());
        // A new load can start once the failed one has ended.
        steps.failAt = -1;
        EXPECT_TRUE(snapshot.StartLoading(sink.get()));
        EXPECT_TRUE(snapshot.WaitForLoader(30000));
    }
}

TEST(SystemSnapshot, AFailedLoadKeepsNoListOfAnEarlierLoadForItsLaterSteps) {
    RecordingWindow sink;
    FakeSteps steps;
    SystemSnapshot snapshot(&steps);
    ASSERT_TRUE(snapshot.StartLoading(sink.get()));
    snapshot.WaitForLoader(30000);
    ASSERT_TRUE(snapshot.AdoptLoaded());
    ASSERT_EQ(1u, snapshot.ProcessCount());
    steps.failAt = 0;  // the windows step fails: the process list is not this load's
    ASSERT_TRUE(snapshot.StartLoading(sink.get()));
    snapshot.WaitForLoader(30000);
    ASSERT_TRUE(snapshot.AdoptLoaded());
    EXPECT_EQ(0u, snapshot.Windows().size());
    EXPECT_EQ(0u, snapshot.ProcessCount());
    EXPECT_EQ(0, snapshot.ThreadTotal());
    steps.failAt = 2;  // the steps before the failing one keep what they loaded
    ASSERT_TRUE(snapshot.StartLoading(sink.get()));
    snapshot.WaitForLoader(30000);
    ASSERT_TRUE(snapshot.AdoptLoaded());
    EXPECT_EQ(1u, snapshot.Windows().size());
    EXPECT_EQ(1u, snapshot.ProcessCount());
}

// The process step starts from the current list (the live step keeps what
// it read of the processes still running), and the window's list stays its own.
TEST(SystemSnapshot, TheProcessStepIsHandedACopyOfTheCurrentList) {
    struct Handed : FakeSteps {
        std::vector<std::string> names;
        bool LoadProcesses(ProcessImageList& p) override {
            names.clear();
            for (const ProcessImageInfo& i : p.items) names.push_back(i.moduleName);
            return FakeSteps::LoadProcesses(p);
        }
    } steps;
    RecordingWindow sink;
    SystemSnapshot snapshot(&steps);
    ASSERT_TRUE(snapshot.StartLoading(sink.get()));
    ASSERT_TRUE(snapshot.WaitForLoader(30000));
    EXPECT_TRUE(steps.names.empty());
    ASSERT_TRUE(snapshot.AdoptLoaded());
    ASSERT_TRUE(snapshot.StartLoading(sink.get()));
    ASSERT_TRUE(snapshot.WaitForLoader(30000));
    EXPECT_EQ(std::vector<std::string>{"fake.exe"}, steps.names);
    EXPECT_EQ(1u, snapshot.ProcessCount());  // untouched until adopted
    steps.names.clear();
    ASSERT_TRUE(snapshot.LoadNow());
    EXPECT_EQ(std::vector<std::string>{"fake.exe"}, steps.names);
}

class SlowSteps : public FakeSteps {
public:
    HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE entered = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::string name = "fake.exe";
    ~SlowSteps() override {
        ::CloseHandle(release);
        ::CloseHandle(entered);
    }
    bool LoadWindows(std::vector<HWND>& w) override {
        ::SetEvent(entered);
        ::WaitForSingleObject(release, 10000);
        return FakeSteps::LoadWindows(w);
    }
    bool LoadProcesses(ProcessImageList& p) override {
        FakeSteps::LoadProcesses(p);
        p.items[0].moduleName = name;
        return true;
    }
};

TEST(SystemSnapshot, RefusesASecondLoadWhileOneRuns) {
    RecordingWindow sink;
    SlowSteps steps;
    SystemSnapshot snapshot(&steps);
    ASSERT_TRUE(snapshot.StartLoading(sink.get()));
    EXPECT_TRUE(snapshot.IsLoading());
    EXPECT_FALSE(snapshot.StartLoading(sink.get()));
    ::SetEvent(steps.release);
    snapshot.WaitForLoader(30000);
    EXPECT_FALSE(snapshot.IsLoading());
}

TEST(SystemSnapshot, ARefreshDoesNotTouchTheListsTheWindowReads) {
    RecordingWindow sink;
    SlowSteps steps;
    ::SetEvent(steps.release);
    SystemSnapshot snapshot(&steps);
    ASSERT_TRUE(snapshot.StartLoading(sink.get()));
    ASSERT_TRUE(snapshot.WaitForLoader(30000));
    ASSERT_TRUE(snapshot.AdoptLoaded());

    // The window holds on to the current list while a refresh runs to its
    // end: what it reads stays as it was, element by element.
    const ProcessImageList& shown = snapshot.Processes();
    const ProcessImageInfo* first = &shown.items[0];
    ::ResetEvent(steps.release);
    ::ResetEvent(steps.entered);
    steps.name = "second.exe";
    ASSERT_TRUE(snapshot.StartLoading(sink.get()));
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(steps.entered, 10000));
    EXPECT_EQ("fake.exe", first->moduleName);
    ::SetEvent(steps.release);
    ASSERT_TRUE(snapshot.WaitForLoader(30000));
    EXPECT_EQ("fake.exe", first->moduleName);
    EXPECT_EQ(1u, shown.items.size());
    ASSERT_TRUE(snapshot.AdoptLoaded());
    ProcessImageInfo p;
    ASSERT_TRUE(snapshot.ProcessAt(0, p));
    EXPECT_EQ("second.exe", p.moduleName);
}

TEST(SystemSnapshot, StopEndsALoadAndPostsNothingMore) {
    RecordingWindow sink;
    SlowSteps steps;
    {
        SystemSnapshot snapshot(&steps);
        ASSERT_TRUE(snapshot.StartLoading(sink.get()));
        ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(steps.entered, 10000));
        // The stop is asked for while a step runs; that step then ends on
        // its own (released here) and the stop keeps the next ones from
        // running. Releasing it before asking would let the quick steps
        // after it finish the load first.
        snapshot.RequestStop();
        ::SetEvent(steps.release);
        EXPECT_TRUE(snapshot.Stop(10000));
        EXPECT_FALSE(snapshot.IsLoading());
    }
    testutil::DispatchWaiting();
    for (const Posted& p : g_posted) EXPECT_NE(WM_SNAPSHOT_DONE, p.msg);
}

TEST(SystemSnapshot, LoadsTheLiveSystemToTheEnd) {
    LoadSystemEntryPoints();
    RecordingWindow sink;
    SystemSnapshot snapshot;
    ASSERT_TRUE(snapshot.StartLoading(sink.get()));
    ASSERT_TRUE(testutil::WaitUntil(
        [] { return !g_posted.empty() && g_posted.back().msg == WM_SNAPSHOT_DONE; }, 120000));
    EXPECT_EQ(9u, g_posted.size());
    EXPECT_EQ(1u, g_posted.back().wp);
    ASSERT_TRUE(snapshot.AdoptLoaded());
    EXPECT_FALSE(snapshot.Windows().empty());
    EXPECT_GT(snapshot.ProcessCount(), 3u);
    EXPECT_GT(snapshot.ThreadTotal(), 3);
    EXPECT_GT(snapshot.Services().Count(), 3u);
    EXPECT_GT(snapshot.Drivers().Count(), 0u);
    // Our own process is listed with its creation time.
    ProcessImageInfo self;
    bool found = false;
    for (size_t i = 0; i < snapshot.ProcessCount() && !found; ++i)
        found = snapshot.ProcessAt(i, self) && self.pid == ::GetCurrentProcessId();
    ASSERT_TRUE(found);
    int64_t created = 0;
    ASSERT_TRUE(ReadProcessCreateTime(::GetCurrentProcess(), created));
    EXPECT_EQ(created, self.createTime);
    snapshot.ClearServiceLists();
    EXPECT_EQ(0u, snapshot.Services().Count());
    EXPECT_EQ(0u, snapshot.Drivers().Count());
}

}  // namespace
