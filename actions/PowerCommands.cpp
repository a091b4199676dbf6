#include "actions/PowerCommands.h"

#include "base/Resources.h"

namespace {

struct PowerActionRow {
    const char* text;
    PowerRequest request;
};

// Hibernate and standby have no exit flags: they change the power state and
// are never forced.
const PowerActionRow kActions[kPowerActionCount] = {
    {"Shutdown", {true, true, EWX_SHUTDOWN, false}},
    {"Force Shutdown", {true, true, EWX_SHUTDOWN | EWX_FORCE, false}},
    {"Power Off", {true, true, EWX_SHUTDOWN | EWX_FORCE | EWX_POWEROFF, false}},
    {"Restart", {true, true, EWX_REBOOT, false}},
    // Ending one's own logon needs no privilege.
    {"Logoff", {false, true, EWX_LOGOFF, false}},
    {"Hibernate", {true, false, 0, false}},
    {"Stand By", {true, false, 0, true}},
};

bool ValidNumber(int number) {
    return number >= 0 && number < kPowerActionCount;
}

}  // namespace

std::string PowerActionText(int number) {
    return ValidNumber(number) ? kActions[number].text : std::string();
}

std::string PowerPromptText(int number) {
    return FormatString("Do you want to %s this computer?", PowerActionText(number).c_str());
}

bool PowerRequestFor(int number, PowerRequest& request) {
    if (!ValidNumber(number)) return false;
    request = kActions[number].request;
    return true;
}

void PerformPowerAction(int number, PowerInterface& power) {
    PowerRequest request;
    if (!PowerRequestFor(number, request)) return;
    if (request.shutdownPrivilege) power.EnablePrivilege("SeShutdownPrivilege");
    if (request.exitWindows)
        power.ExitWindowsWithReason(request.exitFlags, kPowerReasonCode);
    else
        power.SetSystemPowerState(request.suspend, false);
}

bool RunPowerCommand(int id, const std::function<bool(const std::string&)>& confirm, PowerInterface& power) {
    int number = id - kFirstPowerCommand;
    if (!ValidNumber(number)) return false;
    if (confirm(PowerPromptText(number))) PerformPowerAction(number, power);
    return true;
}
