// Ending the logon and changing the machine's power state. The calls sit
// behind an interface so that the commands that use them can be exercised
// without anything really shutting down.
#pragma once

#include <windows.h>

class PowerInterface {
public:
    virtual ~PowerInterface() = default;
    // Enables a named privilege in the program's own token.
    virtual bool EnablePrivilege(const char* name) = 0;
    // Exit-windows request: EWX_* flags and a shutdown reason code.
    virtual bool ExitWindowsWithReason(UINT flags, DWORD reason) = 0;
    // Standby when suspend is true, hibernation when false.
    virtual bool SetSystemPowerState(bool suspend, bool force) = 0;
};

// The system's real calls.
PowerInterface& SystemPower();
