// Starting, stopping, pausing, continuing and restarting a service or
// driver, and setting its start type.
//
// States are read from the service manager's status query, which answers from
// what the manager keeps and never waits for the service; every request asks
// only for the right it needs, so that a standard user can do what the
// service's security lets him. The commands of the Services and Drivers lists
// run as a ServiceControlJob on a worker thread: a service that does not
// answer holds up the worker, never the window. The synchronous operations
// on a ServiceInfo record remain for callers that have not moved to the job.
#pragma once

#include <windows.h>

#include <deque>
#include <memory>
#include <string>

#include "base/Handles.h"
#include "core/Messages.h"
#include "core/Worker.h"
#include "sysinfo/LiveState.h"
#include "sysinfo/ServiceInfo.h"

namespace svc {

// The rights each request needs, and no more.
constexpr DWORD kManagerAccess = SC_MANAGER_CONNECT;
constexpr DWORD kQueryAccess = SERVICE_QUERY_STATUS;
constexpr DWORD kStartAccess = SERVICE_START;
constexpr DWORD kStopAccess = SERVICE_STOP;
constexpr DWORD kPauseContinueAccess = SERVICE_PAUSE_CONTINUE;
constexpr DWORD kConfigAccess = SERVICE_CHANGE_CONFIG;
constexpr DWORD kInterrogateAccess = SERVICE_INTERROGATE;
// How long the synchronous Restart waits for the service to stop.
constexpr DWORD kRestartStopWaitMs = 15000;
// How long a job waits for the state a request asks for (each wait of a
// restart on its own).
constexpr DWORD kJobWaitBoundMs = 20000;

// Sends interrogate, which the service itself must answer (the manager waits
// for it up to its own time-out): not for the window's thread. True when the
// request succeeded, with status filled. False for an empty service name.
bool Interrogate(ServiceInfo& service, SERVICE_STATUS& status);
// The state the manager keeps is running (4) / paused (7).
bool IsRunning(ServiceInfo& service);
bool IsPaused(ServiceInfo& service);
// A paused service is continued; a running one fails without a request;
// otherwise the start request (with no arguments) decides.
bool Start(ServiceInfo& service);
// Only for a running or paused service; the stop request decides.
bool Stop(ServiceInfo& service);
// Only for a running service; the pause request decides.
bool Pause(ServiceInfo& service);
bool Continue(ServiceInfo& service);
// Changes only the start type (0 boot .. 4 disabled). False when refused.
bool SetStartType(ServiceInfo& service, int startType);
// Stops a running or paused service, waits up to kRestartStopWaitMs for it to
// stop and starts it again. True only when it was stopped and started anew.
bool Restart(ServiceInfo& service);

// The commands of the Services and Drivers lists.
enum class Command { Start, Stop, Pause, Continue, Restart };

// "Service started" / "Service failed to start", "Driver ..." for kind 1.
std::string CommandText(Command command, int kind, bool success);
// "Set service startup to automatic" (and manual, disabled) for start types
// 2-4; empty for boot and system, and for numbers outside 0-4.
std::string StartTypeCommandText(int kind, int startType);
// The status text of command id 2788-2792 or 2500-2504 on a record of kind
// (0 service, 1 driver) that succeeded or failed: CommandText, or
// StartTypeCommandText whatever the outcome. Empty for any other id.
std::string CommandResultText(int commandId, int kind, bool success);
// Whether commandId is a command for a record of kind: 2788-2792 for both,
// 2502-2504 for services, 2500-2504 for drivers.
bool IsServiceCommand(int commandId, int kind);

// What a control command asks of a service in a given state: the request it
// sends (None: it fails without one) and the state it leads to.
struct ControlStep {
    enum Request { None, StartRequest, StopRequest, PauseRequest, ContinueRequest } request = None;
    DWORD wanted = 0;
};
// Restart's first step is the stop; its start follows once the service has
// stopped. state 0: not known.
ControlStep StepFor(Command command, DWORD state);

// Which control buttons the selected row enables.
struct ToolbarState {
    bool start = false;
    bool stop = false;
    bool pause = false;
    bool resume = false;  // "Continue"
    bool restart = false;
};
ToolbarState ToolbarStateFor(bool running, bool paused);
// From the state the manager keeps (one status query, never a request to the
// service); null (no selection): all disabled.
ToolbarState QueryToolbarState(ServiceInfo* selected);

// Runs one of the commands 2788-2792 (start, stop, pause, continue, restart)
// or 2500-2504 (start type boot .. disabled; services only 2502-2504) on the
// record at once, re-reads its state and start type, and returns the status
// text (may be empty). False for any other command or a start type the kind
// does not offer.
bool RunCommand(ServiceInfo& service, int commandId, std::string& statusText);

// ---- The service-control job ----------------------------------------------

// What a finished job reports.
struct ServiceJobResult {
    std::string serviceName;
    int kind = 0;        // 0 service, 1 driver
    int commandId = 0;   // 2788-2792 or 2500-2504
    bool success = false;
    bool stateRead = false;  // state holds what was read after the command
    ServiceLiveState state;
};
// The status-bar text of a result (CommandResultText).
std::string ResultText(const ServiceJobResult& result);
// What the status bar says while a job runs: "Starting service...",
// "Stopping driver...", "Setting service startup..." and the like.
std::string CommandProgressText(int commandId, int kind);

// Runs command commandId on the named service or driver: the request, then a
// wait of at most boundMs for the state it asks for (a restart waits for
// stopped, then for running), polling the manager's status and ending early
// when stopEvent (may be null) is set; then the state and start type are read
// once more. Success means the request was accepted and the wanted state
// reached; setting a start type waits for nothing. A request the service
// does not answer takes as long as the manager waits for it.
ServiceJobResult RunServiceCommand(const std::string& serviceName, int kind, int commandId, DWORD boundMs,
                                   HANDLE stopEvent);

// One service command at a time on a worker thread (core/Worker.h). It works
// on copies of the service's name and kind, so the record may go (a refresh)
// while it runs; the result names the service for the row to be found again.
class ServiceControlJob {
public:
    explicit ServiceControlJob(DWORD waitBoundMs = kJobWaitBoundMs);
    // Stops the worker (bounded wait).
    ~ServiceControlJob();
    ServiceControlJob(const ServiceControlJob&) = delete;
    ServiceControlJob& operator=(const ServiceControlJob&) = delete;

    // Starts RunServiceCommand for the service; when it has finished and
    // IsRunning() is false, WM_SERVICE_JOB_DONE is posted to notifyWindow and
    // the result waits for TakeResult. False while a job runs, for an id that
    // is not a command for this kind (IsServiceCommand), for an empty name, or
    // when the thread cannot start.
    bool Start(HWND notifyWindow, const std::string& serviceName, int kind, int commandId);
    bool IsRunning() const { return worker_.IsRunning(); }
    // Asks the worker to end at its next wait, without waiting for it.
    void RequestStop() { worker_.RequestStop(); }
    // Stops the worker at its next wait; waits at most boundMs for it.
    bool Stop(DWORD boundMs = WorkerThread::kDefaultStopBoundMs) { return worker_.Stop(boundMs); }
    // The oldest result not taken yet, once per WM_SERVICE_JOB_DONE; false
    // when there is none.
    bool TakeResult(ServiceJobResult& result);

private:
    struct Mailbox {
        CriticalSection lock;
        std::deque<ServiceJobResult> results;
    };
    DWORD waitBoundMs_;
    // Shared with the worker, which may outlive a bounded stop.
    std::shared_ptr<Mailbox> mailbox_;
    WorkerThread worker_;  // last: stopped before the members above go
};

}  // namespace svc
