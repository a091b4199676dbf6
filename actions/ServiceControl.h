// Starting, stopping, pausing, continuing and restarting a service or
// driver, and setting its start type. Each operation is one synchronous
// request to the service control manager on a ServiceInfo record (through
// its serviceName and managerHandle); nothing waits for the new state except
// Restart, which must see the service stopped before it can start it again.
#pragma once

#include <windows.h>

#include <string>

#include "sysinfo/ServiceInfo.h"

namespace svc {

// Access rights used to open a service.
constexpr DWORD kAllAccess = 0xF01FF;              // Interrogate, Continue, SetStartType
constexpr DWORD kStartStopAccess = 0xF00B0;        // IsRunning, Start, Stop
constexpr DWORD kPauseAccess = 0xF00C0;            // Pause
constexpr DWORD kManagerAccess = 0xF003F;          // the service manager, full access
// How long Restart waits for the service to reach the stopped state.
constexpr DWORD kRestartStopWaitMs = 15000;

// Sends interrogate; true when the request succeeded, with status filled.
// False for an empty service name.
bool Interrogate(ServiceInfo& service, SERVICE_STATUS& status);
// Interrogate succeeded and the state is running (4) / paused (7).
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

// Which control buttons the selected row enables.
struct ToolbarState {
    bool start = false;
    bool stop = false;
    bool pause = false;
    bool resume = false;  // "Continue"
    bool restart = false;
};
ToolbarState ToolbarStateFor(bool running, bool paused);
// Live queries for the selected record; null (no selection): all disabled.
ToolbarState QueryToolbarState(ServiceInfo* selected);

// Runs one of the commands 2788-2792 (start, stop, pause, continue, restart)
// or 2500-2504 (start type boot .. disabled; services only 2502-2504) on the
// record, re-reads its state and start type, and returns the status text (may
// be empty). False for any other command or a start type the kind does not
// offer.
bool RunCommand(ServiceInfo& service, int commandId, std::string& statusText);

}  // namespace svc
