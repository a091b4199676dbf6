// Cheap questions about the live system that the view update asks every
// tick: does a window still exist, and the state and start type of every
// service or driver from one enumeration (not one open per service).
#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>

#include "base/Handles.h"

bool WindowExists(HWND window);

struct ServiceLiveState {
    int currentState = 0;  // SERVICE_STOPPED..SERVICE_PAUSED; 0 unknown
    int startType = -1;    // 0..4; -1 when it could not be read
};

// The states of every service (kind 0) or driver (kind 1), keyed by the
// service's key name folded to lower case. One service-manager handle, one
// enumeration; the start types come from the services' registry keys under
// one opened parent key. False (table untouched) when the service manager
// cannot be listed.
bool QueryServiceStates(int kind, std::unordered_map<std::string, ServiceLiveState>& table);

// The key QueryServiceStates uses for a service name.
std::string ServiceStateKey(const std::string& serviceName);

// The state and start type of one service or driver as the service manager
// keeps them: its status query, which never waits for the service, and its
// configuration, with no more rights than these need (connect to the
// manager; query status and query configuration on the service). Through
// manager when given (it needs SC_MANAGER_CONNECT; it may be reopened, as
// OpenServiceThrough says), else a connection of its own. False (state untouched) when the state cannot be read; startType is
// -1 when only the configuration cannot be read.
bool QueryServiceState(const std::string& serviceName, ServiceLiveState& state, ServiceHandle* manager = nullptr);
