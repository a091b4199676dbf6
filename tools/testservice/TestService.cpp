// A small Windows service for the service-control tests. It accepts stop and
// interrogate, and pause and continue unless it was started with the argument
// "nopause" (on its command line, i.e. in the configured path, or as a start
// argument), in which case it refuses to pause. Two more arguments make it a
// service that does not answer, until the event named by ReleaseEventName
// (tests/support/TestServices.h) is set:
//   "hang"     its control handler answers no request at all
//   "pending"  it stays "start pending" instead of running
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
bool g_hang = false;
bool g_pending = false;
HANDLE g_release = nullptr;
SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
SERVICE_STATUS g_status{};
HANDLE g_stopEvent = nullptr;
CRITICAL_SECTION g_lock;

bool HasArgument(int argc, char** argv, const char* word) {
    for (int i = 1; i < argc; ++i)
        if (argv[i] && std::strcmp(argv[i], word) == 0) return true;
    return false;
}

void ReadArguments(int argc, char** argv) {
    g_refusePause = g_refusePause || HasArgument(argc, argv, "nopause");
    g_hang = g_hang || HasArgument(argc, argv, "hang");
    g_pending = g_pending || HasArgument(argc, argv, "pending");
}

// Waits for the test to let the service answer again (bounded by the
// service's lifetime).
void WaitForRelease() {
    if (g_release) WaitForSingleObject(g_release, kLifetimeMs);
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
    if (g_hang) WaitForRelease();
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
    ReadArguments(static_cast<int>(argc), argv);
    const char* name = argv && argc > 0 ? argv[0] : "";
    if (g_hang || g_pending) {
        // Made here or by the test, whichever comes first.
        char eventName[300];
        std::snprintf(eventName, sizeof(eventName), "Global\\QuillmarkTestSvcRelease_%s", name);
        g_release = CreateEventA(nullptr, TRUE, FALSE, eventName);
    }
    g_statusHandle = RegisterServiceCtrlHandlerExA(name, ControlHandler, nullptr);
    if (!g_statusHandle) return;
    g_stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (g_pending) {
        ReportState(SERVICE_START_PENDING);
        WaitForRelease();
    }
    ReportState(SERVICE_RUNNING);
    WaitForSingleObject(g_stopEvent, kLifetimeMs);
    ReportState(SERVICE_STOPPED);
}

}  // namespace

int main(int argc, char** argv) {
    InitializeCriticalSection(&g_lock);
    ReadArguments(argc, argv);
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
