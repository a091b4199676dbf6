// The one worker pattern: completion after the flag, failure messages, stops
// that every wait sees, and a bounded join.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <vector>

#include "TestUtil.h"
#include "core/SharedWork.h"
#include "core/Worker.h"

namespace {

constexpr UINT kProgress = WM_APP + 1;
constexpr UINT kDone = WM_APP + 2;
constexpr UINT kFailed = WM_APP + 3;

struct Seen {
    UINT message;
    WPARAM wParam;
    bool runningWhenHandled;
};
std::vector<Seen> g_seen;
const WorkerThread* g_worker = nullptr;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg >= WM_APP) g_seen.push_back({msg, wp, g_worker && g_worker->IsRunning()});
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA wc{};
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "QmWorkerTestSink";
        ::RegisterClassA(&wc);
        sink = ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                 nullptr);
        g_seen.clear();
        g_worker = &worker;
    }
    void TearDown() override {
        worker.Stop();
        g_worker = nullptr;
        ::DestroyWindow(sink);
    }
    bool SeenMessage(UINT msg) const {
        for (const Seen& s : g_seen)
            if (s.message == msg) return true;
        return false;
    }

    HWND sink = nullptr;
    WorkerThread worker;
};

TEST_F(WorkerTest, CompletionsArePostedInOrderAfterTheFlagIsDown) {
    UniqueHandle release(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HANDLE r = release.get();
    ASSERT_TRUE(worker.Start(sink, [r](WorkerThread::Context& context) {
        context.Post(kProgress, 7);
        ::WaitForSingleObject(r, 10000);
        context.Complete(kDone, 1);
        context.Complete(kDone, 2);
    }));
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_FALSE(worker.Start(sink, [](WorkerThread::Context&) {}));  // one job at a time
    ASSERT_TRUE(testutil::WaitUntil([&] { return SeenMessage(kProgress); }));
    EXPECT_TRUE(g_seen[0].runningWhenHandled);  // progress comes while it runs
    ::SetEvent(r);
    ASSERT_TRUE(testutil::WaitUntil([&] { return g_seen.size() == 3; }));
    EXPECT_EQ(kDone, g_seen[1].message);
    EXPECT_EQ(1u, g_seen[1].wParam);
    EXPECT_EQ(2u, g_seen[2].wParam);
    // The handler of a completion message could start the next job at once.
    EXPECT_FALSE(g_seen[1].runningWhenHandled);
    EXPECT_FALSE(g_seen[2].runningWhenHandled);
    EXPECT_TRUE(worker.Start(sink, [](WorkerThread::Context&) {}));
    EXPECT_TRUE(worker.Join(10000));
}

TEST_F(WorkerTest, AJobThatThrowsEndsWithItsFailureMessage) {
    ASSERT_TRUE(worker.Start(
        sink,
        [](WorkerThread::Context& context) {
            context.Complete(kDone);  // not reached as a success
            throw std::runtime_error("broken");
        },
        WorkerMessage{kFailed, 5, 0}));
    ASSERT_TRUE(testutil::WaitUntil([&] { return SeenMessage(kFailed); }));
    ASSERT_TRUE(worker.Join(10000));
    testutil::DispatchWaiting();
    ASSERT_EQ(1u, g_seen.size());
    EXPECT_EQ(5u, g_seen[0].wParam);
    EXPECT_FALSE(worker.IsRunning());
}

TEST_F(WorkerTest, EveryWaitOfTheJobSeesAStop) {
    // A sleep "for ever" and a wait on several objects both end at the stop.
    UniqueHandle never(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HANDLE n = never.get();
    ASSERT_TRUE(worker.Start(sink, [n](WorkerThread::Context& context) {
        if (!context.WaitOrStop(INFINITE)) return;
        HANDLE both[2] = {n, context.StopEvent()};
        if (::WaitForMultipleObjects(2, both, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
        if (!context.StopRequested()) return;
        context.Complete(kDone);
    }));
    EXPECT_TRUE(worker.IsRunning());
    ASSERT_TRUE(worker.Stop(10000));
    EXPECT_FALSE(worker.IsRunning());
    // A stopped job's messages are dropped: its owner is going away.
    testutil::DispatchWaiting();
    EXPECT_FALSE(SeenMessage(kDone));
}

TEST_F(WorkerTest, TheJoinIsBoundedForAJobThatDoesNotListen) {
    UniqueHandle release(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HANDLE r = release.get();
    ASSERT_TRUE(worker.Start(sink, [r](WorkerThread::Context&) { ::WaitForSingleObject(r, 30000); }));
    EXPECT_FALSE(worker.Stop(50));  // returns although the job goes on
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_FALSE(worker.Start(sink, [](WorkerThread::Context&) {}));
    ::SetEvent(r);
    EXPECT_TRUE(worker.Join(10000));
    EXPECT_FALSE(worker.IsRunning());
}

struct Shared {
    size_t index = 0;
    int calls = 0;
    DWORD thread = 0;
};

std::vector<Shared> SharedItems(size_t count) {
    std::vector<Shared> items(count);
    for (size_t i = 0; i < count; ++i) items[i].index = i;
    return items;
}

void Mark(Shared& item) {
    ++item.calls;
    item.thread = ::GetCurrentThreadId();
}

TEST(ShareWork, EachItemOnceBackInItsPlaceFromEveryThread) {
    std::vector<Shared> items = SharedItems(101);
    ASSERT_TRUE(ShareWork<Shared>(items, 3, 64, 10000, Mark));
    std::set<DWORD> threads;
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(i, items[i].index);
        EXPECT_EQ(1, items[i].calls) << i;
        // Every fourth item is the calling thread's; the others are its workers'.
        EXPECT_EQ(i % 4 == 0, items[i].thread == ::GetCurrentThreadId()) << i;
        threads.insert(items[i].thread);
    }
    EXPECT_EQ(4u, threads.size());

    // A short list is not worth the threads.
    std::vector<Shared> few = SharedItems(63);
    ASSERT_TRUE(ShareWork<Shared>(few, 3, 64, 10000, Mark));
    for (const Shared& item : few) {
        EXPECT_EQ(1, item.calls);
        EXPECT_EQ(::GetCurrentThreadId(), item.thread);
    }
}

TEST(ShareWork, FailsWhenAWorkerThrowsOrOutlivesItsBound) {
    std::vector<Shared> items = SharedItems(80);
    EXPECT_FALSE(ShareWork<Shared>(items, 3, 64, 10000, [](Shared& item) {
        if (item.index == 5) throw std::runtime_error("read failed");
        Mark(item);
    }));
    // The calling thread's own part is done all the same.
    for (size_t i = 0; i < items.size(); i += 4) EXPECT_EQ(1, items[i].calls) << i;

    // A worker still busy when the bound is up fails the call, although it
    // gets through its part later.
    items = SharedItems(80);
    EXPECT_FALSE(ShareWork<Shared>(items, 3, 64, 50, [](Shared& item) {
        if (item.index == 2) ::Sleep(1000);
        Mark(item);
    }));
}

}  // namespace
