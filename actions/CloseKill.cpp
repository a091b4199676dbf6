#include "actions/CloseKill.h"

#include "core/Text.h"
#include "base/Handles.h"
#include "platform/Privileges.h"
#include "platform/Processes.h"
#include "sysinfo/ProcessHelpers.h"

bool ProcessCreateTime(DWORD pid, int64_t& createTime) {
    const DWORD kQueryLimited = 0x1000;
    UniqueHandle process(::OpenProcess(kQueryLimited, FALSE, pid));
    if (!process) process.reset(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid));
    return process && ReadProcessCreateTime(process.get(), createTime);
}

bool WindowTarget(HWND window, CloseTarget& target) {
    if (!window || !::IsWindow(window)) return false;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    int64_t createTime = 0;
    if (!pid || !ProcessCreateTime(pid, createTime)) return false;
    target = CloseTarget{window, pid, createTime};
    return true;
}

bool KillPermitted(bool identified, const std::string& imageFileName, const KillAllowedFn& allowed,
                   UnidentifiedKill unidentified) {
    if (!allowed) return true;
    // A program that cannot be named may be a protected one: only the user's
    // answer for this very process lets it go.
    if (!identified) return unidentified == UnidentifiedKill::Allow;
    return allowed(imageFileName);
}

bool KillProcessIfSame(DWORD pid, int64_t createTime, const KillAllowedFn& allowed, UnidentifiedKill unidentified) {
    // SYNCHRONIZE as well, where the system grants it, to tell a process that
    // has already ended (but whose object another handle keeps) from a live
    // one.
    UniqueHandle process(OpenSameProcess(pid, createTime, PROCESS_TERMINATE | SYNCHRONIZE));
    const bool canWait = process.valid();
    if (!process) process.reset(OpenSameProcess(pid, createTime, PROCESS_TERMINATE));
    if (!process) return false;
    if (allowed) {
        // The name the protection list knows is the one of the image this
        // very process runs, not what a list row said. Where the kill handle
        // cannot read it, a second open may; the handle held keeps the id
        // from passing to another process meanwhile.
        std::string path;
        const bool read = ReadProcessImagePath(process.get(), path) || GetProcessImagePathIfSame(pid, createTime, path);
        const std::string name = read ? FileNameOf(path) : std::string();
        if (!KillPermitted(!name.empty(), name, allowed, unidentified)) return false;
    }
    if (canWait && ::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) return false;
    // On the versions whose security asks for it; it stays enabled for the
    // rest of the run.
    if (CurrentOsFamily().Any()) EnablePrivilege("SeDebugPrivilege", true);
    return ::TerminateProcess(process.get(), 0xFFFFFFFF) != FALSE;
}

bool IsShellFrameClass(const std::string& className) {
    for (const char* frame : {"ExploreWClass", "CabinetWClass", "IEFrame"})
        if (::lstrcmpiA(className.c_str(), frame) == 0) return true;
    return false;
}

namespace {
// None of these messages carries text, so the wide call is the same request.
// It is used because the ANSI one, for WM_GETTEXTLENGTH, has been seen to wait
// without a time-out for a window of another process that never answers
// (Wine converts the reply through a second, untimed request).
bool SendWithTimeout(HWND window, UINT msg) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(window, msg, 0, 0, SMTO_ABORTIFHUNG, kCloseSendTimeoutMs, &result) != 0;
}
}  // namespace

namespace {
// Waits ms, or less when stopEvent (may be null) is set first: true then.
bool PauseOrStop(HANDLE stopEvent, DWORD ms) {
    if (!stopEvent) {
        ::Sleep(ms);
        return false;
    }
    return ::WaitForSingleObject(stopEvent, ms) == WAIT_OBJECT_0;
}

// Waits at most boundMs for the window to be gone: true when it is.
bool WaitForWindowGone(HWND window, DWORD boundMs, HANDLE stopEvent) {
    const DWORD started = ::GetTickCount();
    while (::IsWindow(window)) {
        if (::GetTickCount() - started >= boundMs || PauseOrStop(stopEvent, 20)) return false;
    }
    return true;
}
}  // namespace

bool CloseAppWindow(HWND window, HANDLE stopEvent) {
    ::SetLastError(0);
    SendWithTimeout(window, WM_GETTEXTLENGTH);
    if (::GetLastError() == 0 && ::SetForegroundWindow(window)) ::BringWindowToTop(window);

    char className[256] = {};
    ::GetClassNameA(window, className, sizeof(className));
    const bool closed = SendWithTimeout(window, WM_CLOSE);
    if (!IsShellFrameClass(className)) return closed;
    // Shells of today close these frames on a plain request, and destroying
    // another process's window state from outside can crash that program,
    // the desktop shell included. Only a frame still there after the bound
    // is torn down, as frames of older shells need.
    if (WaitForWindowGone(window, kShellFrameCloseBoundMs, stopEvent)) return closed;
    if (PauseOrStop(stopEvent, 0)) return false;
    SendWithTimeout(window, WM_DESTROY);
    if (PauseOrStop(stopEvent, 100)) return false;
    SendWithTimeout(window, WM_NCDESTROY);
    if (PauseOrStop(stopEvent, 100)) return false;
    return SendWithTimeout(window, WM_CLOSE);
}

bool CloseWindowIfSame(const CloseTarget& target, HANDLE stopEvent) {
    // Held open while the window is checked and closed: the pid cannot pass
    // to another process meanwhile.
    UniqueHandle process(OpenSameProcess(target.pid, target.createTime, SYNCHRONIZE));
    if (!process || !::IsWindow(target.window)) return false;
    DWORD owner = 0;
    ::GetWindowThreadProcessId(target.window, &owner);
    if (owner != target.pid) return false;
    return CloseAppWindow(target.window, stopEvent);
}

CloseKillJob::CloseKillJob(KillAllowedFn allowed) : allowed_(std::move(allowed)) {}

CloseKillJob::CloseKillJob(CloseFn close, KillFn kill) : close_(std::move(close)), kill_(std::move(kill)) {}

CloseKillJob::~CloseKillJob() { worker_.Stop(); }

bool CloseKillJob::AddWindow(const CloseTarget& target) {
    if (IsRunning()) return false;
    windows_.push_back(target);
    return true;
}

bool CloseKillJob::AddProcess(const KillTarget& target) {
    if (IsRunning()) return false;
    processes_.push_back(target);
    return true;
}

bool CloseKillJob::Clear() {
    if (IsRunning()) return false;
    windows_.clear();
    processes_.clear();
    return true;
}

bool CloseKillJob::Start(HWND notifyWindow) { return Start(notifyWindow, allowed_); }

bool CloseKillJob::Start(HWND notifyWindow, KillAllowedFn allowedForBatch) {
    if (IsRunning()) return false;
    // The worker gets copies: the lists and actions stay the owner's.
    std::vector<CloseTarget> windows = windows_;
    std::vector<KillTarget> processes = processes_;
    CloseFn close = close_;
    KillFn kill = kill_;
    if (!kill) {
        kill = [allowedForBatch](const KillTarget& t) {
            return KillProcessIfSame(t.pid, t.createTime, allowedForBatch);
        };
    }
    WorkerMessage onException{WM_KILL_JOB_DONE, 0, 0};
    if (processes.empty()) onException.message = windows.empty() ? 0 : WM_CLOSE_JOB_DONE;
    return worker_.Start(
        notifyWindow,
        [windows, processes, close, kill](WorkerThread::Context& context) {
            for (const CloseTarget& t : windows) {
                if (context.StopRequested()) return;
                if (close)
                    close(t);
                else
                    CloseWindowIfSame(t, context.StopEvent());
            }
            if (!windows.empty()) context.Complete(WM_CLOSE_JOB_DONE);
            for (const KillTarget& t : processes) {
                if (context.StopRequested()) return;
                kill(t);
            }
            if (!processes.empty()) context.Complete(WM_KILL_JOB_DONE);
        },
        onException);
}
