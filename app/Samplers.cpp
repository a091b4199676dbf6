#include "app/Samplers.h"

#include "core/Messages.h"

bool ViewSamplers::Run(bool on) {
    // The process watch is not one of these: it runs by its own rule.
    if (!on) {
        RequestViewStop();
        return JoinView(WorkerThread::kDefaultStopBoundMs);
    }
    bool ok = true;
    if (!cpu_.Running()) ok = cpu_.Start(window_) && ok;
    if (!network_.Running()) ok = network_.Start(window_) && ok;
    if (!memoryTicking_ && window_) memoryTicking_ = ::SetTimer(window_, kMemoryTimer, kMemoryTimerMs, nullptr) != 0;
    return ok && memoryTicking_;
}

ViewSamplers::States ViewSamplers::Running() const {
    States s;
    s.cpu = cpu_.Running();
    s.memory = memoryTicking_;
    s.network = network_.Running();
    s.processWatch = watchTicking_;
    return s;
}

void ViewSamplers::RunProcessWatch(bool on) {
    if (on == watchTicking_ || !window_) return;
    if (on) {
        watchTicking_ = ::SetTimer(window_, kProcessWatchTimer, kProcessWatchTimerMs, nullptr) != 0;
    } else {
        ::KillTimer(window_, kProcessWatchTimer);
        watchTicking_ = false;
    }
}

void ViewSamplers::RequestViewStop() {
    cpu_.RequestStop();
    network_.RequestStop();
    if (memoryTicking_ && window_) ::KillTimer(window_, kMemoryTimer);
    memoryTicking_ = false;
}

void ViewSamplers::RequestStop() {
    RequestViewStop();
    RunProcessWatch(false);
}

bool ViewSamplers::Stop(DWORD boundMs) {
    RequestStop();
    return JoinView(boundMs);
}

bool ViewSamplers::JoinView(DWORD boundMs) {
    const DWORD start = ::GetTickCount();
    const bool cpu = cpu_.Stop(boundMs);
    const DWORD spent = ::GetTickCount() - start;
    const bool network = network_.Stop(spent >= boundMs ? 0 : boundMs - spent);
    return cpu && network;
}
