#include <gtest/gtest.h>

#include "core/AppSettings.h"
#include "core/SettingsKeys.h"
#include "app/ViewSettings.h"
#include "platform/Registry.h"
#include "TestUtil.h"

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { testutil::ResetQuillmarkSettings(); }
    void TearDown() override { testutil::ResetQuillmarkSettings(); }
    AppSettings settings;
};

TEST_F(SettingsTest, EmptyRegistryReadsEveryDefault) {
    using namespace settings;
    const struct {
        IntSetting s;
        int expected;
    } ints[] = {
        {kAlwaysOnTop, 0},      {kExitFromTrayOnly, 1},   {kStartMinimized, 0},    {kSaveLastTab, 1},
        {kPromptUser, 1},       {kLastTabIndex, 0},       {kShowGridLines, 1},     {kAlternateRowColors, 1},
        {kAutoSizeColumns, 1},  {kHighlightSortColumn, 1}, {kEnableAutoUpdate, 1}, {kAutoMode, 0},
        {kUpdateTime, 2},       {kCheckUpdates, 1},       {kUpdateAction, 1},      {kPromptBeforeUpdate, 1},
        {kUpdateStatusMsgs, 1}, {kSubmitModifications, 1}, {kEnableProxy, 0},     {kProxySettings, 0},
        {kProxyPort, 0},
    };
    for (const auto& c : ints) EXPECT_EQ(c.expected, c.s.Read(settings)) << c.s.section << "/" << c.s.name;

    EXPECT_EQ("", kUserEmail.Read(settings));
    EXPECT_EQ("", kUserPassword.Read(settings));
    EXPECT_EQ("00000000", kLastUpdateDate.Read(settings));
    EXPECT_EQ("000000", kLastUpdateTime.Read(settings));
    EXPECT_EQ("", kRemoteFileDate.Read(settings));
    EXPECT_EQ("", kProxyServer.Read(settings));
    EXPECT_EQ(0u, kRemoteFileSize.Read(settings));
    EXPECT_EQ(341017123u, kRemoteFileVersion.Read(settings));
    EXPECT_EQ(0u, kPrevWnd.Read(settings));

    std::vector<BYTE> bytes;
    EXPECT_FALSE(settings.ReadBinary(kWindowPosSection, kWindowPlacementValue, bytes));

    // The cached view settings are the documented behaviour of a fresh install.
    ViewSettings v = ViewSettings::Load(settings);
    EXPECT_TRUE(v.update.enabled);
    EXPECT_EQ(2, v.update.index);
    EXPECT_EQ(2000u, UpdatePolicy::IntervalMs(v.update.index));
    EXPECT_FALSE(v.update.autoMode);
    EXPECT_TRUE(v.showGridLines && v.alternateRowColors && v.autoSizeColumns && v.highlightSortColumn);
    EXPECT_TRUE(v.exitFromTrayOnly);
    // A read must not create anything.
    EXPECT_FALSE(reg::KeyExists(HKEY_CURRENT_USER, AppSettings::kDefaultRoot));
}

TEST_F(SettingsTest, EachKindRoundTrips) {
    EXPECT_TRUE(settings.WriteInt("General", "AlwaysOnTop", 1));
    EXPECT_EQ(1, settings.ReadInt("General", "AlwaysOnTop", 0));
    EXPECT_TRUE(settings.WriteInt("Proxy", "ProxyPort", -7));
    EXPECT_EQ(-7, settings.ReadInt("Proxy", "ProxyPort", 0));

    EXPECT_TRUE(settings.WriteString("Proxy", "ProxyServer", "proxy.example:8080"));
    EXPECT_EQ("proxy.example:8080", settings.ReadString("Proxy", "ProxyServer", "x"));
    EXPECT_TRUE(settings.WriteString("Proxy", "ProxyServer", ""));
    EXPECT_EQ("", settings.ReadString("Proxy", "ProxyServer", "x"));

    EXPECT_TRUE(settings.WriteDecimal("LastUpdate", "RemoteFileVersion", 4294967295ul));
    EXPECT_EQ(4294967295ul, settings.ReadDecimal("LastUpdate", "RemoteFileVersion", 0));
    // Stored as decimal text, as other tools and older versions expect.
    EXPECT_EQ("4294967295", settings.ReadString("LastUpdate", "RemoteFileVersion", ""));

    const BYTE blob[] = {1, 2, 0, 255};
    EXPECT_TRUE(settings.WriteBinary("WindowPos", "Blob", blob, sizeof(blob)));
    std::vector<BYTE> back;
    ASSERT_TRUE(settings.ReadBinary("WindowPos", "Blob", back));
    EXPECT_EQ(std::vector<BYTE>(blob, blob + sizeof(blob)), back);

    // Sections are subkeys of the program's key.
    EXPECT_TRUE(reg::KeyExists(HKEY_CURRENT_USER, "Software\\Ornava Utilities\\Quillmark\\Proxy"));
}

TEST_F(SettingsTest, MismatchedAndMalformedValuesFallBack) {
    // Decimal strings read with the C library's rules.
    settings.WriteString("Runtime", "PrevWnd", "abc");
    EXPECT_EQ(0u, settings::kPrevWnd.Read(settings));
    settings.WriteString("Runtime", "PrevWnd", "  123xyz");
    EXPECT_EQ(123u, settings::kPrevWnd.Read(settings));
    EXPECT_EQ(0u, ParseDecimal(""));

    // A DWORD setting stored as a string is not a DWORD: the default wins.
    settings.WriteString("Update", "UpdateTime", "4");
    EXPECT_EQ(2, settings::kUpdateTime.Read(settings));
    // And a string setting stored as a DWORD reads the default text.
    settings.WriteInt("Proxy", "ProxyServer", 5);
    EXPECT_EQ("", settings::kProxyServer.Read(settings));
    // A decimal setting stored as a DWORD is not text either.
    settings.WriteInt("LastUpdate", "RemoteFileVersion", 9);
    EXPECT_EQ(341017123u, settings::kRemoteFileVersion.Read(settings));
}

TEST_F(SettingsTest, WindowPlacementMustBeExactly44Bytes) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    wp.showCmd = SW_SHOWNORMAL;
    wp.rcNormalPosition = RECT{10, 20, 410, 320};
    std::vector<BYTE> bytes(reinterpret_cast<BYTE*>(&wp), reinterpret_cast<BYTE*>(&wp) + sizeof(wp));
    ASSERT_EQ(44u, bytes.size());

    WINDOWPLACEMENT out{};
    ASSERT_TRUE(DecodeWindowPlacement(bytes, out));
    EXPECT_EQ(410, out.rcNormalPosition.right);

    std::vector<BYTE> shorter(bytes.begin(), bytes.end() - 1);
    WINDOWPLACEMENT untouched{};
    untouched.showCmd = 99;
    EXPECT_FALSE(DecodeWindowPlacement(shorter, untouched));
    EXPECT_EQ(99u, untouched.showCmd);
    bytes.push_back(0);
    EXPECT_FALSE(DecodeWindowPlacement(bytes, untouched));
}

TEST_F(SettingsTest, SavingTheViewLeavesDialogOnlyValuesAlone) {
    // "Keep on top" toggled from the menu lasts only for the run: the view
    // save must not store it, nor the other values only the settings dialog owns.
    settings.WriteInt("General", "AlwaysOnTop", 0);
    ViewSettings v = ViewSettings::Load(settings);
    v.alwaysOnTop = true;
    v.showGridLines = false;
    v.update.index = 4;
    v.Save(settings, FunctionTab::Drivers);

    EXPECT_EQ(0, settings.ReadInt("General", "AlwaysOnTop", -1));
    for (const char* name : {"ExitFromTrayOnly", "StartMinimized", "SaveLastTab", "PromptUser"})
        EXPECT_EQ(-1, settings.ReadInt("General", name, -1)) << name;
    EXPECT_EQ(-1, settings.ReadInt("ListView", "HighlightSortColumn", -1));

    EXPECT_EQ(3, settings.ReadInt("General", "LastTabIndex", -1));
    EXPECT_EQ(0, settings.ReadInt("ListView", "ShowGridLines", -1));
    EXPECT_EQ(4, settings.ReadInt("Update", "UpdateTime", -1));
    EXPECT_EQ(1, settings.ReadInt("Update", "EnableAutoUpdate", -1));

    // Against what was written before, only what changed is written: a value
    // changed from outside meanwhile stays as it is.
    settings.WriteInt("ListView", "AlternateRowColors", 0);
    ViewSettings next = v;
    next.update.index = 1;
    next.Save(settings, FunctionTab::Drivers, &v, FunctionTab::Drivers);
    EXPECT_EQ(1, settings.ReadInt("Update", "UpdateTime", -1));
    EXPECT_EQ(0, settings.ReadInt("ListView", "AlternateRowColors", -1));
}

TEST_F(SettingsTest, LastTabIsRestoredOnlyWhenAskedFor) {
    FunctionTab tab = FunctionTab::Applications;
    settings.WriteInt("General", "LastTabIndex", 3);
    EXPECT_TRUE(LastTabToSelect(settings, ViewSettings::Load(settings), tab));
    EXPECT_EQ(FunctionTab::Drivers, tab);

    settings.WriteInt("General", "SaveLastTab", 0);
    EXPECT_FALSE(LastTabToSelect(settings, ViewSettings::Load(settings), tab));

    // Stored values out of range are clamped rather than selecting no tab.
    settings.WriteInt("General", "SaveLastTab", 1);
    settings.WriteInt("General", "LastTabIndex", 17);
    EXPECT_TRUE(LastTabToSelect(settings, ViewSettings::Load(settings), tab));
    EXPECT_EQ(FunctionTab::Network, tab);
    // No interval is defined for an index outside the table: the default.
    settings.WriteInt("Update", "UpdateTime", -3);
    EXPECT_EQ(2, ViewSettings::Load(settings).update.index);
}

}  // namespace
