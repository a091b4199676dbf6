// One pattern for every background job of the program: a thread that runs
// one job at a time, a stop event that every wait of the job watches, a
// bounded join, and completion messages posted only after the running flag
// is cleared (so the handler of the message may start the next job at once).
//
// Every owner of a job offers the same two verbs: RequestStop (ask the job to
// end at its next wait or check) and Stop(boundMs) (ask, then wait at most
// the bound). Nothing in the program waits without a bound. A job captures
// copies and shared state it holds a reference to, never the object that
// started it, so a job let go at exit never reaches into a destroyed owner.
//
// The one wait outside this pattern is the URL fetcher's thread-pool wait on
// its stop event (progdb/UrlFetcher.cpp): a WinINet read watches no event, so
// the pool closes the Internet handle when the stop event is signalled, which
// ends the read; the fetcher unregisters that wait before it goes.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "base/Handles.h"

// One message a job posts to its notify window.
struct WorkerMessage {
    UINT message = 0;  // 0: none
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class WorkerThread {
    struct State;

public:
    // What a running job sees of its worker.
    class Context {
    public:
        explicit Context(State& state) : state_(state) {}
        // True once the owner asked the job to stop.
        bool StopRequested() const;
        // Waits ms milliseconds unless a stop is asked for first. True when
        // the job should stop.
        bool WaitOrStop(DWORD ms) const;
        // The manual-reset stop event, for waits on several objects.
        HANDLE StopEvent() const;
        // Posts a progress message to the notify window now.
        void Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
        // Queues a completion message; queued messages are posted in order
        // after the running flag is cleared.
        void Complete(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    private:
        State& state_;
    };
    using Job = std::function<void(Context&)>;

    // How long the destructor waits for a job that was asked to stop.
    static constexpr DWORD kDefaultStopBoundMs = 5000;

    WorkerThread() = default;
    // Stop(kDefaultStopBoundMs).
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Runs job on a new thread; its messages go to notify (may be null).
    // False while a job runs or when the thread cannot start. A job that
    // throws ends with onException as its only completion message.
    bool Start(HWND notify, Job job, WorkerMessage onException = WorkerMessage());
    bool IsRunning() const;
    // Signals the stop event; the job ends at its next wait or check.
    void RequestStop();
    // Asks the job to stop, drops the messages it has not posted yet, and
    // waits at most boundMs for the thread to end. True when no thread runs
    // any more. A thread that outlives the bound is let go: everything the
    // worker itself owns stays alive until it ends, but a job must not use
    // its owner after a stop (it watches the stop event for that reason).
    bool Stop(DWORD boundMs = kDefaultStopBoundMs);
    // Waits at most boundMs for the current thread to end, without asking it
    // to stop. True when no thread runs any more.
    bool Join(DWORD boundMs);

private:
    static unsigned __stdcall ThreadMain(void* param);

    std::shared_ptr<State> state_;
    UniqueHandle thread_;
};
