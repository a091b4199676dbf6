// Services and drivers the tests install into the prefix's service manager
// and remove again.
#pragma once

#include <windows.h>

#include <string>

namespace testutil {

// Removes a leftover of the same name, then installs a service (type and
// start type as CreateService takes them) with an optional description.
// False when it could not be installed.
bool InstallService(const std::string& name, const std::string& binary, DWORD type = SERVICE_WIN32_OWN_PROCESS,
                    DWORD startType = SERVICE_DEMAND_START, const std::string& displayName = std::string(),
                    const std::string& description = std::string());
// Stops a running service (waiting for the stopped state) and deletes it.
void RemoveService(const std::string& name);
// Asks a running or paused service to stop and waits for the stopped state.
void StopServiceAndWait(const std::string& name);
bool StartServiceNow(const std::string& name);
// The state and process id as the manager keeps them (0 when unknown).
DWORD ServiceState(const std::string& name, DWORD* pid = nullptr);
// The start type as the manager keeps it (MAXDWORD when it cannot be read).
DWORD ServiceStartType(const std::string& name);
// Waits (15 s at most) for the service to reach state.
bool WaitForServiceState(const std::string& name, DWORD state);

// The event that lets the test service installed as name answer again when
// it was started with "hang" or "pending" (tools/testservice).
std::string ReleaseEventName(const std::string& name);

}  // namespace testutil
