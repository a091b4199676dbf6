#include "core/Worker.h"

#include <process.h>

struct WorkerThread::State {
    UniqueHandle stopEvent;
    std::atomic<bool> running{false};
    std::atomic<HWND> notify{nullptr};
    Job job;
    WorkerMessage onException;
    std::vector<WorkerMessage> completions;
};

bool WorkerThread::Context::StopRequested() const {
    return ::WaitForSingleObject(state_.stopEvent.get(), 0) == WAIT_OBJECT_0;
}

bool WorkerThread::Context::WaitOrStop(DWORD ms) const {
    return ::WaitForSingleObject(state_.stopEvent.get(), ms) == WAIT_OBJECT_0;
}

HANDLE WorkerThread::Context::StopEvent() const { return state_.stopEvent.get(); }

void WorkerThread::Context::Post(UINT message, WPARAM wParam, LPARAM lParam) const {
    HWND notify = state_.notify.load();
    if (notify && message) ::PostMessageA(notify, message, wParam, lParam);
}

void WorkerThread::Context::Complete(UINT message, WPARAM wParam, LPARAM lParam) {
    state_.completions.push_back(WorkerMessage{message, wParam, lParam});
}

WorkerThread::~WorkerThread() { Stop(kDefaultStopBoundMs); }

bool WorkerThread::Start(HWND notify, Job job, WorkerMessage onException) {
    if (IsRunning()) return false;
    // The previous job has cleared its flag and is at most posting.
    if (!Join(kDefaultStopBoundMs)) thread_.reset();
    auto state = std::make_shared<State>();
    // Made before the thread starts, so a stop asked for at once is not lost.
    state->stopEvent.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!state->stopEvent) return false;
    state->notify = notify;
    state->job = std::move(job);
    state->onException = onException;
    state->running = true;
    auto* param = new std::shared_ptr<State>(state);
    uintptr_t thread = ::_beginthreadex(nullptr, 0, &WorkerThread::ThreadMain, param, 0, nullptr);
    if (!thread) {
        delete param;
        return false;
    }
    state_ = std::move(state);
    thread_.reset(reinterpret_cast<HANDLE>(thread));
    return true;
}

unsigned __stdcall WorkerThread::ThreadMain(void* param) {
    std::shared_ptr<State> state = std::move(*static_cast<std::shared_ptr<State>*>(param));
    delete static_cast<std::shared_ptr<State>*>(param);
    Context context(*state);
    try {
        state->job(context);
    } catch (...) {
        state->completions.clear();
        state->completions.push_back(state->onException);
    }
    state->job = nullptr;  // what the job captured goes before the owner hears
    HWND notify = state->notify.load();
    std::vector<WorkerMessage> completions;
    completions.swap(state->completions);
    // Cleared first: the handler of a completion message may start the next
    // job at once.
    state->running = false;
    for (const WorkerMessage& m : completions)
        if (notify && m.message) ::PostMessageA(notify, m.message, m.wParam, m.lParam);
    return 0;
}

bool WorkerThread::IsRunning() const { return state_ && state_->running.load(); }

void WorkerThread::RequestStop() {
    if (state_) ::SetEvent(state_->stopEvent.get());
}

bool WorkerThread::Stop(DWORD boundMs) {
    if (!state_) return true;
    state_->notify = nullptr;
    RequestStop();
    // A thread that outlives the bound keeps running (and IsRunning stays
    // true); the destructor lets it go, and it holds its own state.
    return Join(boundMs);
}

bool WorkerThread::Join(DWORD boundMs) {
    if (!thread_) return true;
    if (::WaitForSingleObject(thread_.get(), boundMs) != WAIT_OBJECT_0) return false;
    thread_.reset();
    return true;
}
