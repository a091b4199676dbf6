// Closing application windows and killing processes, one at a time or in a
// batch on a worker thread.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Handles.h"

// Posted by the worker to the notify window when it has closed its windows,
// and when it has killed its processes (parameters 0).
constexpr UINT WM_CLOSE_JOB_DONE = 0x8320;
constexpr UINT WM_KILL_JOB_DONE = 0x8321;

// Each message to a window waits at most this long; a hung window returns at
// once (abort-if-hung).
constexpr UINT kCloseSendTimeoutMs = 100;

// Terminates the process with the exit code -1. True only when this call
// terminated it: false when it cannot be opened, has already ended, or the
// termination fails.
bool KillProcess(DWORD pid);

// Asks a window to close: raises it when it answers, tears down shell and
// browser frames first, then sends WM_CLOSE. Every send uses a short time-out
// and the abort-if-hung flag, so a hung program cannot block the caller.
// True when the window processed WM_CLOSE in time.
bool CloseAppWindow(HWND window);

// Explorer and browser frames ("ExploreWClass", "CabinetWClass", "IEFrame",
// any case) need WM_DESTROY and WM_NCDESTROY before WM_CLOSE.
bool IsShellFrameClass(const std::string& className);

// A batch of windows to close and processes to kill, worked off on a thread
// of its own. While the worker runs the job refuses to change or restart.
class CloseKillJob {
public:
    using CloseFn = std::function<bool(HWND)>;
    using KillFn = std::function<bool(DWORD)>;

    // Closes with CloseAppWindow and kills with KillProcess.
    CloseKillJob();
    // Other actions for each item (tests).
    CloseKillJob(CloseFn close, KillFn kill);
    // Waits for a running worker to end.
    ~CloseKillJob();
    CloseKillJob(const CloseKillJob&) = delete;
    CloseKillJob& operator=(const CloseKillJob&) = delete;

    // Append an item; false (nothing added) while the worker runs.
    bool AddWindow(HWND window);
    bool AddProcess(DWORD pid);
    // Empties both lists; false (nothing changed) while the worker runs.
    bool Clear();
    // Starts the worker, which posts its messages to notifyWindow (may be
    // null). False while a worker runs or when the thread cannot start.
    bool Start(HWND notifyWindow);
    bool IsRunning() const;

    const std::vector<HWND>& Windows() const { return windows_; }
    const std::vector<DWORD>& Processes() const { return pids_; }

private:
    static unsigned __stdcall ThreadMain(void* self);
    void Run();

    CloseFn close_;
    KillFn kill_;
    std::vector<HWND> windows_;
    std::vector<DWORD> pids_;
    HWND notifyWindow_ = nullptr;
    UniqueHandle thread_;
    // Set by Start, cleared by the worker as its very last step.
    volatile LONG running_ = 0;
};
