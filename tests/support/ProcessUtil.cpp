#include "ProcessUtil.h"

#include <cstring>

namespace testutil {

ChildProcess::~ChildProcess() {
    if (Running()) Kill();
}

bool ChildProcess::Start(const std::string& exe, const std::string& args, const std::string& workingDir) {
    std::string cmd = "\"" + exe + "\"";
    if (!args.empty()) cmd += " " + args;
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                          workingDir.empty() ? nullptr : workingDir.c_str(), &si, &pi))
        return false;
    ::CloseHandle(pi.hThread);
    process_.reset(pi.hProcess);
    pid_ = pi.dwProcessId;
    return true;
}

bool ChildProcess::Running() const {
    return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

bool ChildProcess::WaitExit(DWORD boundMs, DWORD* exitCode) {
    if (!process_) return true;
    if (::WaitForSingleObject(process_.get(), boundMs) != WAIT_OBJECT_0) return false;
    if (exitCode) ::GetExitCodeProcess(process_.get(), exitCode);
    return true;
}

void ChildProcess::Kill() {
    if (!process_) return;
    ::TerminateProcess(process_.get(), 1);
    ::WaitForSingleObject(process_.get(), 5000);
}

namespace {
struct FindContext {
    DWORD pid;
    const char* className;
    const char* title;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
    auto* ctx = reinterpret_cast<FindContext*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (ctx->pid && pid != ctx->pid) return TRUE;
    char cls[256] = {};
    ::GetClassNameA(hwnd, cls, sizeof(cls));
    if (ctx->className && std::strcmp(cls, ctx->className) != 0) return TRUE;
    if (ctx->title) {
        char text[512] = {};
        ::GetWindowTextA(hwnd, text, sizeof(text));
        if (std::strcmp(text, ctx->title) != 0) return TRUE;
    }
    ctx->found.push_back(hwnd);
    return TRUE;
}
}  // namespace

std::vector<HWND> FindTopWindows(DWORD pid, const char* className, const char* title) {
    FindContext ctx{pid, className, title, {}};
    ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

}  // namespace testutil
