// The snapshot loader's messages and its stop-at-the-failing-step rule.
#include <gtest/gtest.h>

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
    ASSERT_TRUE(snapshot.StartLoading(sink.get()));
    ASSERT_TRUE(testutil::WaitUntil([] { return !g_posted.empty() && g_posted.back().msg == WM_SNAPSHOT_DONE; }));
    std::vector<Posted> expected = StepsUpTo(3, true);
    expected.push_back({WM_SNAPSHOT_DONE, 0, 0});
    EXPECT_EQ(expected, g_posted);
    EXPECT_FALSE(snapshot.IsLoading());
    ASSERT_EQ(1u, snapshot.ProcessCount());
    ProcessImageInfo p;
    ASSERT_TRUE(snapshot.ProcessAt(0, p));
    EXPECT_EQ("fake.exe", p.moduleName);
    EXPECT_FALSE(snapshot.ProcessAt(1, p));
    EXPECT_EQ(7, snapshot.ThreadTotal());
    EXPECT_EQ(1u, snapshot.Windows().size());
}

TEST(SystemSnapshot, AFailingStepPostsNothingFurther) {
    for (int failAt = 0; failAt < 4; ++failAt) {
        RecordingWindow sink;
        FakeSteps steps;
        steps.failAt = failAt;
        SystemSnapshot snapshot(&steps);
        ASSERT_TRUE(snapshot.StartLoading(sink.get()));
        ASSERT_TRUE(testutil::WaitUntil([&] { return !snapshot.IsLoading(); }));
        snapshot.WaitForLoader();
        testutil::PumpFor(100);
        EXPECT_EQ(StepsUpTo(failAt, false), g_posted) << "failing step " << failAt;
        // A new load can start once the failed one has ended.
        steps.failAt = -1;
        EXPECT_TRUE(snapshot.StartLoading(sink.get()));
        snapshot.WaitForLoader();
    }
}

TEST(SystemSnapshot, AFailedLoadKeepsNoListOfAnEarlierLoadForItsLaterSteps) {
    RecordingWindow sink;
    FakeSteps steps;
    SystemSnapshot snapshot(&steps);
    ASSERT_TRUE(snapshot.StartLoading(sink.get()));
    snapshot.WaitForLoader();
    ASSERT_EQ(1u, snapshot.ProcessCount());
    steps.failAt = 0;  // the windows step fails: the process list is not this load's
    ASSERT_TRUE(snapshot.StartLoading(sink.get()));
    snapshot.WaitForLoader();
    EXPECT_EQ(0u, snapshot.ProcessCount());
    EXPECT_EQ(0, snapshot.ThreadTotal());
    steps.failAt = 2;  // the steps before the failing one keep what they loaded
    ASSERT_TRUE(snapshot.StartLoading(sink.get()));
    snapshot.WaitForLoader();
    EXPECT_EQ(1u, snapshot.Windows().size());
    EXPECT_EQ(1u, snapshot.ProcessCount());
}

class SlowSteps : public FakeSteps {
public:
    HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~SlowSteps() override { ::CloseHandle(release); }
    bool LoadWindows(std::vector<HWND>& w) override {
        ::WaitForSingleObject(release, 10000);
        return FakeSteps::LoadWindows(w);
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
    snapshot.WaitForLoader();
    EXPECT_FALSE(snapshot.IsLoading());
}

TEST(SystemSnapshot, LoadsTheLiveSystemToTheEnd) {
    LoadSystemEntryPoints();
    RecordingWindow sink;
    SystemSnapshot snapshot;
    ASSERT_TRUE(snapshot.StartLoading(sink.get()));
    ASSERT_TRUE(testutil::WaitUntil(
        [] { return !g_posted.empty() && g_posted.back().msg == WM_SNAPSHOT_DONE; }, 120000));
    EXPECT_EQ(9u, g_posted.size());
    EXPECT_FALSE(snapshot.Windows().empty());
    EXPECT_GT(snapshot.ProcessCount(), 3u);
    EXPECT_GT(snapshot.ThreadTotal(), 3);
    EXPECT_GT(snapshot.Services().Count(), 3u);
    EXPECT_GT(snapshot.Drivers().Count(), 0u);
    snapshot.ClearServiceLists();
    EXPECT_EQ(0u, snapshot.Services().Count());
    EXPECT_EQ(0u, snapshot.Drivers().Count());
}

}  // namespace
