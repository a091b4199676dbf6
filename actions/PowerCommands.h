// The seven power commands: shut down, force shut down, power off, restart,
// log off, hibernate and stand by.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/Power.h"
#include "resource.h"

// Command identifier of power action 0; action n has that identifier + n.
constexpr int kFirstPowerCommand = ID_SYSTEM_SHUTDOWN;
constexpr int kPowerActionCount = 7;
// The reason code every exit request carries.
constexpr DWORD kPowerReasonCode = 0x0004000C;

// "Shutdown", "Force Shutdown", "Power Off", "Restart", "Logoff",
// "Hibernate", "Stand By"; empty for any other number.
std::string PowerActionText(int number);
// "Do you want to %s this computer?" with the action's text.
std::string PowerPromptText(int number);

// What one action asks of the system.
struct PowerRequest {
    bool shutdownPrivilege = false;  // enable "SeShutdownPrivilege" first
    bool exitWindows = false;        // exit-windows request, else power state
    UINT exitFlags = 0;              // EWX_* flags of the exit request
    bool suspend = false;            // power state: standby (true) or hibernate
};
// False for a number outside 0-6.
bool PowerRequestFor(int number, PowerRequest& request);

// Makes the action's system calls; their results are ignored, as the system
// either goes down or refuses silently.
void PerformPowerAction(int number, PowerInterface& power);

// The command handler: asks confirm with PowerPromptText and performs the
// action on yes. Returns true for every identifier of the power commands (the
// command was handled), false for others.
bool RunPowerCommand(int id, const std::function<bool(const std::string&)>& confirm,
                     PowerInterface& power = SystemPower());
