#include "actions/CloseKill.h"

#include <process.h>

#include "platform/Privileges.h"
#include "platform/Processes.h"

bool KillProcess(DWORD pid) {
    // SYNCHRONIZE as well, where the system grants it, to tell a process that
    // has already ended (but whose object another handle keeps) from a live
    // one.
    UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    bool canWait = process.valid();
    if (!process) process.reset(::OpenProcess(PROCESS_TERMINATE, FALSE, pid));
    if (!process) return false;
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

bool CloseAppWindow(HWND window) {
    ::SetLastError(0);
    SendWithTimeout(window, WM_GETTEXTLENGTH);
    if (::GetLastError() == 0 && ::SetForegroundWindow(window)) ::BringWindowToTop(window);

    ::SetLastError(0);
    char className[256] = {};
    ::GetClassNameA(window, className, sizeof(className));
    if (IsShellFrameClass(className)) {
        // These frames ignore a plain WM_CLOSE while their shell views live.
        SendWithTimeout(window, WM_DESTROY);
        ::Sleep(100);
        SendWithTimeout(window, WM_NCDESTROY);
        ::Sleep(100);
    }
    return SendWithTimeout(window, WM_CLOSE);
}

CloseKillJob::CloseKillJob() : CloseKillJob(CloseAppWindow, KillProcess) {}

CloseKillJob::CloseKillJob(CloseFn close, KillFn kill) : close_(std::move(close)), kill_(std::move(kill)) {}

CloseKillJob::~CloseKillJob() {
    if (thread_) ::WaitForSingleObject(thread_.get(), INFINITE);
}

bool CloseKillJob::IsRunning() const {
    return ::InterlockedCompareExchange(const_cast<volatile LONG*>(&running_), 0, 0) != 0;
}

bool CloseKillJob::AddWindow(HWND window) {
    if (IsRunning()) return false;
    windows_.push_back(window);
    return true;
}

bool CloseKillJob::AddProcess(DWORD pid) {
    if (IsRunning()) return false;
    pids_.push_back(pid);
    return true;
}

bool CloseKillJob::Clear() {
    if (IsRunning()) return false;
    windows_.clear();
    pids_.clear();
    return true;
}

bool CloseKillJob::Start(HWND notifyWindow) {
    if (IsRunning()) return false;
    // The previous worker has cleared its marker and is at most returning.
    if (thread_) {
        ::WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
    }
    notifyWindow_ = notifyWindow;
    ::InterlockedExchange(&running_, 1);
    thread_.reset(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, &CloseKillJob::ThreadMain, this, 0, nullptr)));
    if (!thread_) {
        ::InterlockedExchange(&running_, 0);
        return false;
    }
    return true;
}

unsigned __stdcall CloseKillJob::ThreadMain(void* self) {
    static_cast<CloseKillJob*>(self)->Run();
    return 0;
}

void CloseKillJob::Run() {
    // The lists do not change while running_ is set, so the worker reads them
    // without a lock; it posts, never sends, to the notify window.
    if (!windows_.empty()) {
        for (HWND window : windows_) close_(window);
        if (notifyWindow_) ::PostMessageA(notifyWindow_, WM_CLOSE_JOB_DONE, 0, 0);
    }
    if (!pids_.empty()) {
        for (DWORD pid : pids_) kill_(pid);
        if (notifyWindow_) ::PostMessageA(notifyWindow_, WM_KILL_JOB_DONE, 0, 0);
    }
    ::InterlockedExchange(&running_, 0);
}
