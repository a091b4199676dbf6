#include "platform/Power.h"

#include "platform/Privileges.h"

namespace {

class RealPower : public PowerInterface {
public:
    bool EnablePrivilege(const char* name) override { return ::EnablePrivilege(name, true); }
    bool ExitWindowsWithReason(UINT flags, DWORD reason) override { return ::ExitWindowsEx(flags, reason) != FALSE; }
    bool SetSystemPowerState(bool suspend, bool force) override {
        return ::SetSystemPowerState(suspend ? TRUE : FALSE, force ? TRUE : FALSE) != FALSE;
    }
};

}  // namespace

PowerInterface& SystemPower() {
    static RealPower power;
    return power;
}
