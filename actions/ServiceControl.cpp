#include "actions/ServiceControl.h"

#include <functional>

#include "resource.h"

namespace svc {

namespace {

// The frame every operation shares: the manager (opened unless the record
// holds it open), the service with the given access, the work, then both
// handles closed and managerHandle cleared.
bool WithService(ServiceInfo& service, DWORD access, const std::function<bool(SC_HANDLE)>& work) {
    if (!service.managerHandle) {
        service.managerHandle.reset(::OpenSCManagerA(nullptr, nullptr, kManagerAccess));
        if (!service.managerHandle) return false;
    }
    bool result = false;
    {
        ServiceHandle handle(::OpenServiceA(service.managerHandle.get(), service.serviceName.c_str(), access));
        if (handle) result = work(handle.get());
    }
    service.managerHandle.reset();
    return result;
}

bool SendControl(ServiceInfo& service, DWORD access, DWORD control) {
    return WithService(service, access, [control](SC_HANDLE handle) {
        SERVICE_STATUS status{};
        return ::ControlService(handle, control, &status) != FALSE;
    });
}

// The state as the manager keeps it, without a request to the service.
bool QueryState(ServiceInfo& service, DWORD& state) {
    return WithService(service, SERVICE_QUERY_STATUS, [&state](SC_HANDLE handle) {
        SERVICE_STATUS status{};
        if (!::QueryServiceStatus(handle, &status)) return false;
        state = status.dwCurrentState;
        return true;
    });
}

}  // namespace

bool Interrogate(ServiceInfo& service, SERVICE_STATUS& status) {
    if (service.serviceName.empty()) return false;
    return WithService(service, kAllAccess, [&status](SC_HANDLE handle) {
        SERVICE_STATUS answer{};
        if (!::ControlService(handle, SERVICE_CONTROL_INTERROGATE, &answer)) return false;
        status = answer;
        return true;
    });
}

bool IsRunning(ServiceInfo& service) {
    return WithService(service, kStartStopAccess, [](SC_HANDLE handle) {
        SERVICE_STATUS status{};
        return ::ControlService(handle, SERVICE_CONTROL_INTERROGATE, &status) &&
               status.dwCurrentState == SERVICE_RUNNING;
    });
}

bool IsPaused(ServiceInfo& service) {
    SERVICE_STATUS status{};
    return Interrogate(service, status) && status.dwCurrentState == SERVICE_PAUSED;
}

bool Start(ServiceInfo& service) {
    if (IsPaused(service)) return Continue(service);
    if (IsRunning(service)) return false;
    return WithService(service, kStartStopAccess,
                       [](SC_HANDLE handle) { return ::StartServiceA(handle, 0, nullptr) != FALSE; });
}

bool Stop(ServiceInfo& service) {
    if (!IsRunning(service) && !IsPaused(service)) return false;
    return SendControl(service, kStartStopAccess, SERVICE_CONTROL_STOP);
}

bool Pause(ServiceInfo& service) {
    if (!IsRunning(service)) return false;
    return SendControl(service, kPauseAccess, SERVICE_CONTROL_PAUSE);
}

bool Continue(ServiceInfo& service) {
    if (service.serviceName.empty()) return false;
    return SendControl(service, kAllAccess, SERVICE_CONTROL_CONTINUE);
}

bool SetStartType(ServiceInfo& service, int startType) {
    return WithService(service, kAllAccess, [startType](SC_HANDLE handle) {
        return ::ChangeServiceConfigA(handle, SERVICE_NO_CHANGE, static_cast<DWORD>(startType), SERVICE_NO_CHANGE,
                                      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) != FALSE;
    });
}

bool Restart(ServiceInfo& service) {
    if (!Stop(service)) return false;
    // The stop request only asks; the service may take a while to end, and
    // the manager refuses a start until it has.
    DWORD state = 0;
    const DWORD started = ::GetTickCount();
    while (!QueryState(service, state) || state != SERVICE_STOPPED) {
        if (::GetTickCount() - started >= kRestartStopWaitMs) return false;
        ::Sleep(50);
    }
    return WithService(service, kStartStopAccess,
                       [](SC_HANDLE handle) { return ::StartServiceA(handle, 0, nullptr) != FALSE; });
}

std::string CommandText(Command command, int kind, bool success) {
    static const char* const kVerbs[][2] = {
        {"started", "start"}, {"stopped", "stop"}, {"paused", "pause"}, {"continued", "continue"},
        {"restarted", "restart"},
    };
    const auto& verb = kVerbs[static_cast<int>(command)];
    const std::string noun = kind == 1 ? "Driver" : "Service";
    return success ? noun + " " + verb[0] : noun + " failed to " + verb[1];
}

std::string StartTypeCommandText(int kind, int startType) {
    static const char* const kNames[] = {"automatic", "manual", "disabled"};
    if (startType < SERVICE_AUTO_START || startType > SERVICE_DISABLED) return std::string();
    return std::string("Set ") + (kind == 1 ? "driver" : "service") + " startup to " +
           kNames[startType - SERVICE_AUTO_START];
}

ToolbarState ToolbarStateFor(bool running, bool paused) {
    ToolbarState state;
    state.start = !running;
    state.pause = running;
    state.restart = running;
    state.stop = running || paused;
    state.resume = paused;
    return state;
}

ToolbarState QueryToolbarState(ServiceInfo* selected) {
    if (!selected) return ToolbarState();
    bool running = IsRunning(*selected);
    bool paused = !running && IsPaused(*selected);
    return ToolbarStateFor(running, paused);
}

bool RunCommand(ServiceInfo& service, int commandId, std::string& statusText) {
    struct ControlCommand {
        int id;
        Command command;
        bool (*run)(ServiceInfo&);
    };
    static const ControlCommand kControls[] = {
        {ID_SERVICE_START, Command::Start, Start},          {ID_SERVICE_STOP, Command::Stop, Stop},
        {ID_SERVICE_PAUSE, Command::Pause, Pause},          {ID_SERVICE_CONTINUE, Command::Continue, Continue},
        {ID_SERVICE_RESTART, Command::Restart, Restart},
    };
    bool handled = false;
    for (const ControlCommand& c : kControls) {
        if (c.id != commandId) continue;
        statusText = CommandText(c.command, service.kind, c.run(service));
        handled = true;
    }
    if (commandId >= ID_STARTUP_BOOT && commandId <= ID_STARTUP_DISABLED) {
        const int startType = commandId - ID_STARTUP_BOOT;
        // Boot and system start types exist for drivers only.
        if (service.kind != 1 && startType < SERVICE_AUTO_START) return false;
        // The text is shown whatever the outcome.
        SetStartType(service, startType);
        statusText = StartTypeCommandText(service.kind, startType);
        handled = true;
    }
    if (!handled) return false;
    service.RefreshStateText();
    service.RefreshStartType();
    return true;
}

}  // namespace svc
