#include "actions/PowerCommands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Privileges.h"

namespace {

// Records what a power command would ask of the system; never calls it.
class RecordingPower : public PowerInterface {
public:
    std::vector<std::string> privileges;
    int exitCalls = 0;
    UINT exitFlags = 0xFFFF;
    DWORD exitReason = 0;
    int stateCalls = 0;
    bool suspend = false;
    bool force = true;

    bool EnablePrivilege(const char* name) override {
        privileges.push_back(name);
        return true;
    }
    bool ExitWindowsWithReason(UINT flags, DWORD reason) override {
        ++exitCalls;
        exitFlags = flags;
        exitReason = reason;
        return false;
    }
    bool SetSystemPowerState(bool s, bool f) override {
        ++stateCalls;
        suspend = s;
        force = f;
        return false;
    }
};

struct Expected {
    int id;
    const char* text;
    bool privilege;
    bool exit;
    UINT flags;
    bool suspend;
};

TEST(PowerCommands, EachCommandMakesItsOneSystemCall) {
    const Expected table[] = {
        {2850, "Shutdown", true, true, 0x01, false},       {2851, "Force Shutdown", true, true, 0x05, false},
        {2852, "Power Off", true, true, 0x0D, false},      {2853, "Restart", true, true, 0x02, false},
        {2854, "Logoff", false, true, 0x00, false},        {2855, "Hibernate", true, false, 0, false},
        {2856, "Stand By", true, false, 0, true},
    };
    for (const Expected& e : table) {
        SCOPED_TRACE(e.text);
        RecordingPower power;
        std::vector<std::string> prompts;
        EXPECT_TRUE(RunPowerCommand(e.id, [&](const std::string& text) {
            prompts.push_back(text);
            return true;
        }, power));
        ASSERT_EQ(1u, prompts.size());
        EXPECT_EQ(std::string("Do you want to ") + e.text + " this computer?", prompts[0]);
        EXPECT_EQ(e.text, PowerActionText(e.id - 2850));
        if (e.privilege) {
            ASSERT_EQ(1u, power.privileges.size());
            EXPECT_EQ("SeShutdownPrivilege", power.privileges[0]);
        } else {
            EXPECT_TRUE(power.privileges.empty());
        }
        if (e.exit) {
            EXPECT_EQ(1, power.exitCalls);
            EXPECT_EQ(0, power.stateCalls);
            EXPECT_EQ(e.flags, power.exitFlags);
            EXPECT_EQ(0x0004000Cu, power.exitReason);
        } else {
            EXPECT_EQ(0, power.exitCalls);
            EXPECT_EQ(1, power.stateCalls);
            EXPECT_EQ(e.suspend, power.suspend);
            EXPECT_FALSE(power.force);
        }
    }
}

TEST(PowerCommands, AnsweringNoPerformsNothing) {
    for (int id = 2850; id <= 2856; ++id) {
        RecordingPower power;
        EXPECT_TRUE(RunPowerCommand(id, [](const std::string&) { return false; }, power));
        EXPECT_TRUE(power.privileges.empty());
        EXPECT_EQ(0, power.exitCalls);
        EXPECT_EQ(0, power.stateCalls);
    }
}

TEST(PowerCommands, OtherIdentifiersAreNotPowerCommands) {
    RecordingPower power;
    bool asked = false;
    auto confirm = [&](const std::string&) { return asked = true; };
    EXPECT_FALSE(RunPowerCommand(2849, confirm, power));
    EXPECT_FALSE(RunPowerCommand(2857, confirm, power));
    EXPECT_FALSE(asked);
    EXPECT_EQ(0, power.exitCalls + power.stateCalls);
    EXPECT_EQ("", PowerActionText(7));
    EXPECT_EQ("", PowerActionText(-1));
}

TEST(Privileges, EnablesAKnownPrivilegeAndRejectsAnUnknownName) {
    EXPECT_TRUE(EnablePrivilege("SeShutdownPrivilege", true));
    EXPECT_TRUE(EnablePrivilege("SeShutdownPrivilege", false));
    EXPECT_FALSE(EnablePrivilege("SeNoSuchPrivilege", true));
}

}  // namespace
