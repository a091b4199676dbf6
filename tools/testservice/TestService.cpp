// A small Windows service for the service-control tests. It accepts stop and
// interrogate, and pause and continue unless it was started with the argument
// "nopause" (on its command line, i.e. in the configured path, or as a start
// argument), in which case it refuses to pause.
//
// Run from a console rather than by the service control manager it only says
// so and ends. As a guard against a test that never stops it, it stops by
// itself after ten minutes.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr DWORD kLifetimeMs = 10 * 60 * 1000;

bool g_refusePause = false;
SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
SERVICE_STATUS g_status{};
HANDLE g_stopEvent = nullptr;
CRITICAL_SECTION g_lock;

bool HasNoPauseArgument(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (argv[i] && std::strcmp(argv[i], "nopause") == 0) return true;
    return false;
}

void ReportState(DWORD state) {
    EnterCriticalSection(&g_lock);
    g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g_status.dwCurrentState = state;
    g_status.dwControlsAccepted = 0;
    if (state != SERVICE_STOPPED && state != SERVICE_STOP_PENDING && state != SERVICE_START_PENDING) {
        g_status.dwControlsAccepted = SERVICE_ACCEPT_STOP;
        if (!g_refusePause) g_status.dwControlsAccepted |= SERVICE_ACCEPT_PAUSE_CONTINUE;
    }
    g_status.dwWin32ExitCode = NO_ERROR;
    g_status.dwWaitHint = 0;
    SetServiceStatus(g_statusHandle, &g_status);
    LeaveCriticalSection(&g_lock);
}

DWORD WINAPI ControlHandler(DWORD control, DWORD, LPVOID, LPVOID) {
    switch (control) {
    case SERVICE_CONTROL_STOP:
        ReportState(SERVICE_STOP_PENDING);
        SetEvent(g_stopEvent);
        return NO_ERROR;
    case SERVICE_CONTROL_PAUSE:
        if (g_refusePause) return ERROR_CALL_NOT_IMPLEMENTED;
        ReportState(SERVICE_PAUSED);
        return NO_ERROR;
    case SERVICE_CONTROL_CONTINUE:
        if (g_refusePause) return ERROR_CALL_NOT_IMPLEMENTED;
        ReportState(SERVICE_RUNNING);
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        ReportState(g_status.dwCurrentState);
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD argc, LPSTR* argv) {
    if (HasNoPauseArgument(static_cast<int>(argc), argv)) g_refusePause = true;
    g_statusHandle = RegisterServiceCtrlHandlerExA(argv && argc > 0 ? argv[0] : "", ControlHandler, nullptr);
    if (!g_statusHandle) return;
    g_stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ReportState(SERVICE_RUNNING);
    WaitForSingleObject(g_stopEvent, kLifetimeMs);
    ReportState(SERVICE_STOPPED);
}

}  // namespace

int main(int argc, char** argv) {
    InitializeCriticalSection(&g_lock);
    g_refusePause = HasNoPauseArgument(argc, argv);
    char name[] = "";
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherA(table)) {
        std::printf("qm_testservice is a service for the tests; install it with the service manager "
                    "(error %lu)\n",
                    GetLastError());
        return 1;
    }
    return 0;
}
