// Closing application windows and killing processes, one at a time or in a
// batch on a worker thread. Every target carries the identity of the process
// it was chosen for (pid and creation time), so a pid or a window handle the
// system has given to another program in between is never hit.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/Messages.h"
#include "core/Worker.h"

// The worker posts WM_CLOSE_JOB_DONE and WM_KILL_JOB_DONE (core/Messages.h),
// after it has cleared its running flag.

// Each message to a window waits at most this long; a hung window returns at
// once (abort-if-hung).
constexpr UINT kCloseSendTimeoutMs = 100;

// The protection rule asked before a kill, with the real image file name of
// the process: true when it may be killed. A process whose name cannot be
// read is never put to the rule (see UnidentifiedKill).
using KillAllowedFn = std::function<bool(const std::string& imageFileName)>;

// What a kill does with a process whose program cannot be identified (its
// image name cannot be read), so that its protection cannot be checked.
enum class UnidentifiedKill {
    Refuse,  // leave it alone: what every batch and unasked kill does
    Allow,   // the user confirmed this very process by its id
};

// Whether a kill under the rule allowed may go ahead: identified false when
// the process's image file name could not be read. No rule allows every
// process; a rule never passes a process it cannot name unless unidentified
// is Allow.
bool KillPermitted(bool identified, const std::string& imageFileName, const KillAllowedFn& allowed,
                   UnidentifiedKill unidentified);

// One process to kill: its id and creation time (100 ns since 1601, UTC, as
// ProcessInfo::createTime and ProcessImageInfo::createTime carry it).
struct KillTarget {
    DWORD pid = 0;
    int64_t createTime = 0;
};
// One window to close, with the process it belonged to when it was chosen.
struct CloseTarget {
    HWND window = nullptr;
    DWORD pid = 0;
    int64_t createTime = 0;
};

// The creation time of the live process pid; false when it cannot be read.
bool ProcessCreateTime(DWORD pid, int64_t& createTime);
// The identity of the process that owns window now; false when the window is
// gone or its process cannot be read.
bool WindowTarget(HWND window, CloseTarget& target);

// Terminates the process with the exit code -1, only when pid is still the
// process created at createTime and KillPermitted allows it under allowed (when
// set) with its real image file name; it is opened once and terminated
// through that handle. True only when this call terminated it: false when it
// cannot be opened, is another process, is refused (also when it cannot be
// identified and unidentified is Refuse), has already ended, or the
// termination fails.
bool KillProcessIfSame(DWORD pid, int64_t createTime, const KillAllowedFn& allowed,
                       UnidentifiedKill unidentified = UnidentifiedKill::Refuse);

// How long a shell or browser frame is given to go after its close request
// before it is torn down.
constexpr DWORD kShellFrameCloseBoundMs = 1000;

// Asks a window to close: raises it when it answers, then sends WM_CLOSE.
// Every send uses a short time-out and the abort-if-hung flag, so a hung
// program cannot block the caller. A shell or browser frame that is still
// there kShellFrameCloseBoundMs after its close request then gets WM_DESTROY
// and WM_NCDESTROY, 100 ms apart, and WM_CLOSE once more. The waits end early
// when stopEvent (may be null) is set. True when the window processed the
// last WM_CLOSE in time.
bool CloseAppWindow(HWND window, HANDLE stopEvent = nullptr);
// CloseAppWindow, only when the window still belongs to the process the
// target names (same pid, same creation time). The process is held open
// meanwhile, so its id cannot pass to another program during the close.
bool CloseWindowIfSame(const CloseTarget& target, HANDLE stopEvent = nullptr);

// Explorer and browser frames ("ExploreWClass", "CabinetWClass", "IEFrame",
// any case), which may need tearing down when a close request is not enough.
bool IsShellFrameClass(const std::string& className);

// A batch of windows to close and processes to kill, worked off on a thread
// of its own. While the worker runs the job refuses to change or restart.
class CloseKillJob {
public:
    using CloseFn = std::function<bool(const CloseTarget&)>;
    using KillFn = std::function<bool(const KillTarget&)>;

    // Closes with CloseWindowIfSame and kills with KillProcessIfSame, asking
    // allowed before each kill (a batch started with its own rule asks that
    // one instead) and leaving alone every process it cannot identify. The
    // rule runs on the worker thread: give it a copy of what it reads
    // (KillAllowedBy in ProgramCommands.h takes one).
    explicit CloseKillJob(KillAllowedFn allowed = nullptr);
    // Other actions for each item (tests).
    CloseKillJob(CloseFn close, KillFn kill);
    // Stops the worker after its current item (bounded wait).
    ~CloseKillJob();
    CloseKillJob(const CloseKillJob&) = delete;
    CloseKillJob& operator=(const CloseKillJob&) = delete;

    // Append an item; false (nothing added) while the worker runs.
    bool AddWindow(const CloseTarget& target);
    bool AddProcess(const KillTarget& target);
    // Empties both lists; false (nothing changed) while the worker runs.
    bool Clear();
    // Starts the worker on a copy of the lists; it posts WM_CLOSE_JOB_DONE
    // when it had windows and WM_KILL_JOB_DONE when it had processes, in that
    // order, once IsRunning() is false. False while a worker runs or when the
    // thread cannot start.
    bool Start(HWND notifyWindow);
    // The same with the kill rule of this batch (the live actions only; the
    // test actions ignore it).
    bool Start(HWND notifyWindow, KillAllowedFn allowedForBatch);
    bool IsRunning() const { return worker_.IsRunning(); }
    // Stops the worker before its next item; waits at most boundMs.
    void RequestStop() { worker_.RequestStop(); }
    bool Stop(DWORD boundMs = WorkerThread::kDefaultStopBoundMs) { return worker_.Stop(boundMs); }

    const std::vector<CloseTarget>& Windows() const { return windows_; }
    const std::vector<KillTarget>& Processes() const { return processes_; }

private:
    CloseFn close_;            // null: the live close, watching the worker's stop event
    KillFn kill_;              // null: the live kill with allowed_
    KillAllowedFn allowed_;
    std::vector<CloseTarget> windows_;
    std::vector<KillTarget> processes_;
    WorkerThread worker_;  // last: stopped before the members above go
};
