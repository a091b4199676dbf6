#include "actions/ServiceControl.h"

#include <functional>

#include "resource.h"

namespace svc {

namespace {

// Runs work on the named service opened with access (only that) through
// manager.
bool OnService(ServiceHandle& manager, const std::string& name, DWORD access,
               const std::function<bool(SC_HANDLE)>& work) {
    return WithService(manager, name, access, work);
}

// The frame every operation on a record shares: the manager (opened unless
// the record holds it open), the work through it, then managerHandle closed
// and cleared.
bool WithManager(ServiceInfo& service, const std::function<bool(ServiceHandle& manager)>& work) {
    if (!service.managerHandle) {
        service.managerHandle.reset(::OpenSCManagerA(nullptr, nullptr, kManagerAccess));
        if (!service.managerHandle) return false;
    }
    const bool result = work(service.managerHandle);
    service.managerHandle.reset();
    return result;
}

// The state as the manager keeps it; 0 when it cannot be read.
DWORD StateOf(ServiceHandle& manager, const std::string& name) {
    DWORD state = 0;
    OnService(manager, name, kQueryAccess, [&state](SC_HANDLE handle) {
        SERVICE_STATUS status{};
        if (!::QueryServiceStatus(handle, &status)) return false;
        state = status.dwCurrentState;
        return true;
    });
    return state;
}

DWORD StateOf(ServiceInfo& service) {
    DWORD state = 0;
    WithManager(service, [&](ServiceHandle& manager) {
        state = StateOf(manager, service.serviceName);
        return true;
    });
    return state;
}

// Sends the request of a step through manager; true when it was accepted.
// A refused control leaves its error in *controlError when given (read
// before the service handle is closed, which may overwrite it).
bool SendRequest(ServiceHandle& manager, const std::string& name, ControlStep::Request request,
                 DWORD* controlError = nullptr) {
    auto control = [controlError](DWORD code) {
        return [code, controlError](SC_HANDLE handle) {
            SERVICE_STATUS status{};
            if (::ControlService(handle, code, &status)) return true;
            if (controlError) *controlError = ::GetLastError();
            return false;
        };
    };
    switch (request) {
    case ControlStep::StartRequest:
        return OnService(manager, name, kStartAccess,
                         [controlError](SC_HANDLE handle) {
                             if (::StartServiceA(handle, 0, nullptr)) return true;
                             if (controlError) *controlError = ::GetLastError();
                             return false;
                         });
    case ControlStep::StopRequest: return OnService(manager, name, kStopAccess, control(SERVICE_CONTROL_STOP));
    case ControlStep::PauseRequest:
        return OnService(manager, name, kPauseContinueAccess, control(SERVICE_CONTROL_PAUSE));
    case ControlStep::ContinueRequest:
        return OnService(manager, name, kPauseContinueAccess, control(SERVICE_CONTROL_CONTINUE));
    default: return false;
    }
}

bool ChangeStartType(ServiceHandle& manager, const std::string& name, int startType) {
    return OnService(manager, name, kConfigAccess, [startType](SC_HANDLE handle) {
        return ::ChangeServiceConfigA(handle, SERVICE_NO_CHANGE, static_cast<DWORD>(startType), SERVICE_NO_CHANGE,
                                      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) != FALSE;
    });
}

// Reads the record's state, then sends the step's request, through one
// manager connection of the record.
bool RunStep(ServiceInfo& service, Command command) {
    return WithManager(service, [&](ServiceHandle& manager) {
        const ControlStep step = StepFor(command, StateOf(manager, service.serviceName));
        return SendRequest(manager, service.serviceName, step.request);
    });
}

// Waits one poll interval; false when stopEvent (if any) was set meanwhile.
bool PollPause(HANDLE stopEvent) {
    const DWORD kPollMs = 50;
    if (!stopEvent) {
        ::Sleep(kPollMs);
        return true;
    }
    return ::WaitForSingleObject(stopEvent, kPollMs) != WAIT_OBJECT_0;
}

// Sends a request, asking again while the service cannot accept controls
// yet: one that has just started takes a moment before it does (a restart
// asked for right after a start meets exactly that). Any other refusal, the
// bound passing or stopEvent set ends it with false.
bool SendRequestWithin(ServiceHandle& manager, const std::string& name, ControlStep::Request request, DWORD boundMs,
                       HANDLE stopEvent) {
    const DWORD started = ::GetTickCount();
    for (;;) {
        DWORD error = 0;
        if (SendRequest(manager, name, request, &error)) return true;
        if (error != ERROR_SERVICE_CANNOT_ACCEPT_CTRL) return false;
        if (::GetTickCount() - started >= boundMs || !PollPause(stopEvent)) return false;
    }
}

// Polls the manager's state until it is wanted (true), the bound passes or
// stopEvent is set. A service that ends up stopped while it was to run has
// failed to start: that ends the wait at once.
bool WaitForState(ServiceHandle& manager, const std::string& name, DWORD wanted, DWORD boundMs, HANDLE stopEvent) {
    const DWORD started = ::GetTickCount();
    for (;;) {
        const DWORD state = StateOf(manager, name);
        if (state == wanted) return true;
        if (wanted == SERVICE_RUNNING && state == SERVICE_STOPPED) return false;
        if (::GetTickCount() - started >= boundMs || !PollPause(stopEvent)) return false;
    }
}

struct ControlCommand {
    int id;
    Command command;
};
const ControlCommand kControls[] = {
    {ID_SERVICE_START, Command::Start},       {ID_SERVICE_STOP, Command::Stop},
    {ID_SERVICE_PAUSE, Command::Pause},       {ID_SERVICE_CONTINUE, Command::Continue},
    {ID_SERVICE_RESTART, Command::Restart},
};

bool ControlOf(int commandId, Command& command) {
    for (const ControlCommand& c : kControls) {
        if (c.id != commandId) continue;
        command = c.command;
        return true;
    }
    return false;
}

bool IsStartTypeCommand(int commandId) { return commandId >= ID_STARTUP_BOOT && commandId <= ID_STARTUP_DISABLED; }

}  // namespace

ControlStep StepFor(Command command, DWORD state) {
    ControlStep step;
    const bool running = state == SERVICE_RUNNING, paused = state == SERVICE_PAUSED;
    switch (command) {
    case Command::Start:
        if (paused) step = {ControlStep::ContinueRequest, SERVICE_RUNNING};
        else if (!running) step = {ControlStep::StartRequest, SERVICE_RUNNING};
        break;
    case Command::Stop:
    case Command::Restart:
        if (running || paused) step = {ControlStep::StopRequest, SERVICE_STOPPED};
        break;
    case Command::Pause:
        if (running) step = {ControlStep::PauseRequest, SERVICE_PAUSED};
        break;
    case Command::Continue:
        step = {ControlStep::ContinueRequest, SERVICE_RUNNING};
        break;
    }
    return step;
}

bool Interrogate(ServiceInfo& service, SERVICE_STATUS& status) {
    if (service.serviceName.empty()) return false;
    return WithManager(service, [&](ServiceHandle& manager) {
        return OnService(manager, service.serviceName, kInterrogateAccess, [&status](SC_HANDLE handle) {
            SERVICE_STATUS answer{};
            if (!::ControlService(handle, SERVICE_CONTROL_INTERROGATE, &answer)) return false;
            status = answer;
            return true;
        });
    });
}

bool IsRunning(ServiceInfo& service) { return StateOf(service) == SERVICE_RUNNING; }

bool IsPaused(ServiceInfo& service) { return StateOf(service) == SERVICE_PAUSED; }

bool Start(ServiceInfo& service) { return RunStep(service, Command::Start); }

bool Stop(ServiceInfo& service) { return RunStep(service, Command::Stop); }

bool Pause(ServiceInfo& service) { return RunStep(service, Command::Pause); }

bool Continue(ServiceInfo& service) { return RunStep(service, Command::Continue); }

bool SetStartType(ServiceInfo& service, int startType) {
    return WithManager(service,
                       [&](ServiceHandle& manager) { return ChangeStartType(manager, service.serviceName, startType); });
}

bool Restart(ServiceInfo& service) {
    if (!Stop(service)) return false;
    // The stop request only asks; the service may take a while to end, and
    // the manager refuses a start until it has.
    return WithManager(service, [&](ServiceHandle& manager) {
        return WaitForState(manager, service.serviceName, SERVICE_STOPPED, kRestartStopWaitMs, nullptr) &&
               SendRequest(manager, service.serviceName, ControlStep::StartRequest);
    });
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

std::string CommandResultText(int commandId, int kind, bool success) {
    Command command;
    if (ControlOf(commandId, command)) return CommandText(command, kind, success);
    // The start-type text is shown whatever the outcome.
    if (IsStartTypeCommand(commandId)) return StartTypeCommandText(kind, commandId - ID_STARTUP_BOOT);
    return std::string();
}

bool IsServiceCommand(int commandId, int kind) {
    Command command;
    if (ControlOf(commandId, command)) return true;
    // Boot and system start types exist for drivers only.
    if (!IsStartTypeCommand(commandId)) return false;
    return kind == 1 || commandId - ID_STARTUP_BOOT >= SERVICE_AUTO_START;
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
    const DWORD state = StateOf(*selected);
    return ToolbarStateFor(state == SERVICE_RUNNING, state == SERVICE_PAUSED);
}

bool RunCommand(ServiceInfo& service, int commandId, std::string& statusText) {
    if (!IsServiceCommand(commandId, service.kind)) return false;
    Command command;
    bool success = false;
    if (ControlOf(commandId, command)) {
        static bool (*const kRun[])(ServiceInfo&) = {Start, Stop, Pause, Continue, Restart};
        success = kRun[static_cast<int>(command)](service);
    } else {
        success = SetStartType(service, commandId - ID_STARTUP_BOOT);
    }
    statusText = CommandResultText(commandId, service.kind, success);
    service.RefreshStateText();
    service.RefreshStartType();
    return true;
}

// ---- The service-control job ----------------------------------------------

std::string ResultText(const ServiceJobResult& result) {
    return CommandResultText(result.commandId, result.kind, result.success);
}

std::string CommandProgressText(int commandId, int kind) {
    static const char* const kVerbs[] = {"Starting", "Stopping", "Pausing", "Continuing", "Restarting"};
    const std::string noun = kind == 1 ? "driver" : "service";
    Command command;
    if (ControlOf(commandId, command)) return std::string(kVerbs[static_cast<int>(command)]) + " " + noun + "...";
    if (IsStartTypeCommand(commandId)) return "Setting " + noun + " startup...";
    return std::string();
}

ServiceJobResult RunServiceCommand(const std::string& serviceName, int kind, int commandId, DWORD boundMs,
                                   HANDLE stopEvent) {
    ServiceJobResult result;
    result.serviceName = serviceName;
    result.kind = kind;
    result.commandId = commandId;
    ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, kManagerAccess));
    if (!manager || !IsServiceCommand(commandId, kind)) return result;
    const std::string& name = serviceName;
    Command command;
    const bool startTypeChange = !ControlOf(commandId, command);
    if (startTypeChange) {
        result.success = ChangeStartType(manager, name, commandId - ID_STARTUP_BOOT);
    } else {
        const ControlStep step = StepFor(command, StateOf(manager, name));
        bool ok = SendRequestWithin(manager, name, step.request, boundMs, stopEvent) &&
                  WaitForState(manager, name, step.wanted, boundMs, stopEvent);
        if (ok && command == Command::Restart) {
            ok = SendRequestWithin(manager, name, ControlStep::StartRequest, boundMs, stopEvent) &&
                 WaitForState(manager, name, SERVICE_RUNNING, boundMs, stopEvent);
        }
        result.success = ok;
    }
    result.stateRead = QueryServiceState(name, result.state, &manager);
    // The manager took the new start type; a configuration that could not
    // be read back still says what it now holds.
    if (result.stateRead && result.success && startTypeChange && result.state.startType < 0)
        result.state.startType = commandId - ID_STARTUP_BOOT;
    return result;
}

ServiceControlJob::ServiceControlJob(DWORD waitBoundMs)
    : waitBoundMs_(waitBoundMs), mailbox_(std::make_shared<Mailbox>()) {}

ServiceControlJob::~ServiceControlJob() { worker_.Stop(); }

bool ServiceControlJob::Start(HWND notifyWindow, const std::string& serviceName, int kind, int commandId) {
    if (IsRunning() || serviceName.empty() || !IsServiceCommand(commandId, kind)) return false;
    const DWORD bound = waitBoundMs_;
    std::shared_ptr<Mailbox> mailbox = mailbox_;
    return worker_.Start(
        notifyWindow,
        [serviceName, kind, commandId, bound, mailbox](WorkerThread::Context& context) {
            ServiceJobResult result = RunServiceCommand(serviceName, kind, commandId, bound, context.StopEvent());
            // A job stopped for the window's end has nobody to tell.
            if (context.StopRequested()) return;
            {
                CriticalSectionLock hold(mailbox->lock);
                mailbox->results.push_back(std::move(result));
            }
            context.Complete(WM_SERVICE_JOB_DONE);
        },
        WorkerMessage{WM_SERVICE_JOB_DONE, 0, 0});
}

bool ServiceControlJob::TakeResult(ServiceJobResult& result) {
    CriticalSectionLock hold(mailbox_->lock);
    if (mailbox_->results.empty()) return false;
    result = std::move(mailbox_->results.front());
    mailbox_->results.pop_front();
    return true;
}

}  // namespace svc
