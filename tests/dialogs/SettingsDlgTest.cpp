// The settings dialog, driven through its controls against the real
// registry: what it shows, how its controls depend on each other, and what
// OK and Cancel leave in the registry.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "DialogDriver.h"
#include "TestUtil.h"
#include "actions/StartWithWindows.h"
#include "core/AppSettings.h"
#include "core/SettingsKeys.h"
#include "dialogs/SettingsDlg.h"
#include "platform/Registry.h"
#include "resource.h"

using namespace drive;

namespace {

const int kAllChecks[] = {IDC_SET_START_WITH_WINDOWS,   IDC_SET_ALWAYS_ON_TOP,         IDC_SET_EXIT_FROM_TRAY_ONLY,
                          IDC_SET_START_MINIMIZED,      IDC_SET_SAVE_LAST_TAB,         IDC_SET_PROMPT_USER,
                          IDC_SET_SHOW_GRID_LINES,      IDC_SET_ALTERNATE_ROW_COLORS,  IDC_SET_AUTO_SIZE_COLUMNS,
                          IDC_SET_HIGHLIGHT_SORT_COLUMN, IDC_SET_ENABLE_AUTO_UPDATE,   IDC_SET_AUTO_MODE,
                          IDC_SET_PROMPT_BEFORE_UPDATE, IDC_SET_UPDATE_STATUS_MSGS,    IDC_SET_SUBMIT_MODIFICATIONS,
                          IDC_SET_ENABLE_PROXY};

class SettingsDlgTest : public ::testing::Test {
protected:
    void SetUp() override { testutil::ResetQuillmarkSettings(); }
    void TearDown() override {
        dialog_.reset();
        testutil::ResetQuillmarkSettings();
    }

    HWND Open() {
        dialog_ = std::make_unique<CSettingsDlg>(settings_, [this] { ++helpCalls_; });
        HWND h = dialog_->CreateModeless(nullptr);
        if (h) ::ShowWindow(h, SW_SHOW);
        return h;
    }
    std::map<std::string, std::string> Stored() const { return RegistryDump(settings_.Root()); }

    AppSettings settings_;
    RunValueGuard runValue_;
    std::unique_ptr<CSettingsDlg> dialog_;
    int helpCalls_ = 0;
};

}  // namespace

TEST(SettingsText, IntervalLabelAndPort) {
    EXPECT_EQ("0.5 seconds", IntervalLabelText(false, 0));
    EXPECT_EQ("1.0 second", IntervalLabelText(false, 1));
    EXPECT_EQ("10.0 seconds", IntervalLabelText(false, 4));
    EXPECT_EQ("10.0 seconds", IntervalLabelText(false, 9));
    EXPECT_EQ("Automatic", IntervalLabelText(true, 1));

    EXPECT_EQ(8080, ProxyPortFromText("8080"));
    EXPECT_EQ(42, ProxyPortFromText(" 42 "));
    EXPECT_EQ(-5, ProxyPortFromText("-5"));
    for (const char* notANumber : {"", "abc", "80a", "8 0", "99999999999", "-99999999999"})
        EXPECT_EQ(0, ProxyPortFromText(notANumber)) << notANumber;
}

TEST_F(SettingsDlgTest, EmptyRegistryShowsTheDefaults) {
    HWND d = Open();
    ASSERT_NE(nullptr, d);
    char caption[64] = {};
    ::GetWindowTextA(d, caption, sizeof caption);
    EXPECT_STREQ("Quillmark Settings", caption);

    std::map<int, bool> expected;
    for (int id : kAllChecks) expected[id] = false;
    for (int id : {IDC_SET_EXIT_FROM_TRAY_ONLY, IDC_SET_SAVE_LAST_TAB, IDC_SET_PROMPT_USER, IDC_SET_SHOW_GRID_LINES,
                   IDC_SET_ALTERNATE_ROW_COLORS, IDC_SET_AUTO_SIZE_COLUMNS, IDC_SET_HIGHLIGHT_SORT_COLUMN,
                   IDC_SET_ENABLE_AUTO_UPDATE, IDC_SET_PROMPT_BEFORE_UPDATE, IDC_SET_UPDATE_STATUS_MSGS,
                   IDC_SET_SUBMIT_MODIFICATIONS})
        expected[id] = true;
    for (const auto& [id, checked] : expected) EXPECT_EQ(checked, Checked(d, id)) << "control " << id;

    EXPECT_EQ(2, SliderPosition(d, IDC_SET_UPDATE_SLIDER));
    EXPECT_EQ("2.0 seconds", Text(d, IDC_SET_INTERVAL_LABEL));
    EXPECT_EQ("At program startup", SelectedText(d, IDC_SET_CHECK_UPDATES));
    EXPECT_EQ("Download automatically", SelectedText(d, IDC_SET_UPDATE_ACTION));
    EXPECT_EQ("Auto-detect from Internet Explorer", SelectedText(d, IDC_SET_PROXY_SETTINGS));
    EXPECT_EQ("", Text(d, IDC_SET_EMAIL));
    EXPECT_EQ("", Text(d, IDC_SET_PASSWORD));
    EXPECT_EQ("", Text(d, IDC_SET_PROXY_SERVER));
    EXPECT_EQ("0", Text(d, IDC_SET_PROXY_PORT));

    // Proxy off: its list and fields are disabled; everything else is usable.
    EXPECT_FALSE(Enabled(d, IDC_SET_PROXY_SETTINGS));
    EXPECT_FALSE(Enabled(d, IDC_SET_PROXY_SERVER));
    EXPECT_FALSE(Enabled(d, IDC_SET_PROXY_PORT));
    for (int id : {IDC_SET_AUTO_MODE, IDC_SET_UPDATE_SLIDER, IDC_SET_UPDATE_ACTION, IDC_SET_PROMPT_BEFORE_UPDATE,
                   IDC_SET_EMAIL, IDC_SET_PASSWORD})
        EXPECT_TRUE(Enabled(d, id)) << "control " << id;

    // The password is masked; every group shows its icon.
    EXPECT_NE(0, ::SendDlgItemMessageA(d, IDC_SET_PASSWORD, EM_GETPASSWORDCHAR, 0, 0));
    for (int id = IDC_SET_ICON_GENERAL; id <= IDC_SET_ICON_PASSWORD; ++id)
        EXPECT_NE(0, ::SendDlgItemMessageA(d, id, STM_GETICON, 0, 0)) << "icon control " << id;

    // One tip per option, worded exactly; none for the run-at-logon box.
    EXPECT_EQ(23, dialog_->ToolTips().Count());
    EXPECT_EQ("Enables a proxy server when comminicating with the Ornava program database",
              dialog_->ToolTips().TextOf(IDC_SET_ENABLE_PROXY));
    EXPECT_EQ("", dialog_->ToolTips().TextOf(IDC_SET_START_WITH_WINDOWS));

    // Opening the dialog wrote nothing.
    EXPECT_TRUE(Stored().empty());
}

TEST_F(SettingsDlgTest, UpdateFrequencyControls) {
    HWND d = Open();
    ASSERT_NE(nullptr, d);
    Click(d, IDC_SET_AUTO_MODE);
    EXPECT_TRUE(Checked(d, IDC_SET_AUTO_MODE));
    EXPECT_FALSE(Enabled(d, IDC_SET_UPDATE_SLIDER));
    EXPECT_FALSE(Enabled(d, IDC_SET_INTERVAL_LABEL));
    EXPECT_EQ("Automatic", Text(d, IDC_SET_INTERVAL_LABEL));
    Click(d, IDC_SET_AUTO_MODE);
    EXPECT_TRUE(Enabled(d, IDC_SET_UPDATE_SLIDER));
    EXPECT_EQ("2.0 seconds", Text(d, IDC_SET_INTERVAL_LABEL));

    // The label follows the slider as the user moves it.
    Key(d, IDC_SET_UPDATE_SLIDER, VK_HOME);
    EXPECT_EQ(0, SliderPosition(d, IDC_SET_UPDATE_SLIDER));
    EXPECT_EQ("0.5 seconds", Text(d, IDC_SET_INTERVAL_LABEL));
    Key(d, IDC_SET_UPDATE_SLIDER, VK_RIGHT);
    EXPECT_EQ("1.0 second", Text(d, IDC_SET_INTERVAL_LABEL));
    Key(d, IDC_SET_UPDATE_SLIDER, VK_END);
    EXPECT_EQ("10.0 seconds", Text(d, IDC_SET_INTERVAL_LABEL));

    // Without auto updating neither the mode nor the interval matters.
    Click(d, IDC_SET_ENABLE_AUTO_UPDATE);
    for (int id : {IDC_SET_AUTO_MODE, IDC_SET_UPDATE_SLIDER, IDC_SET_FAST_LABEL, IDC_SET_INTERVAL_LABEL,
                   IDC_SET_SLOW_LABEL})
        EXPECT_FALSE(Enabled(d, id)) << "control " << id;
    Click(d, IDC_SET_ENABLE_AUTO_UPDATE);
    EXPECT_TRUE(Enabled(d, IDC_SET_AUTO_MODE));
    EXPECT_TRUE(Enabled(d, IDC_SET_UPDATE_SLIDER));
}

TEST_F(SettingsDlgTest, DatabaseProxyAndAccountControlsFollowTheirSwitches) {
    HWND d = Open();
    ASSERT_NE(nullptr, d);
    Select(d, IDC_SET_CHECK_UPDATES, 0);  // "Do not check for updates"
    for (int id : {IDC_SET_UPDATE_ACTION, IDC_SET_PROMPT_BEFORE_UPDATE, IDC_SET_UPDATE_STATUS_MSGS})
        EXPECT_FALSE(Enabled(d, id)) << "control " << id;
    Select(d, IDC_SET_CHECK_UPDATES, 3);
    for (int id : {IDC_SET_UPDATE_ACTION, IDC_SET_PROMPT_BEFORE_UPDATE, IDC_SET_UPDATE_STATUS_MSGS})
        EXPECT_TRUE(Enabled(d, id)) << "control " << id;

    Click(d, IDC_SET_ENABLE_PROXY);
    EXPECT_TRUE(Enabled(d, IDC_SET_PROXY_SETTINGS));
    EXPECT_FALSE(Enabled(d, IDC_SET_PROXY_SERVER));  // still auto-detecting
    Select(d, IDC_SET_PROXY_SETTINGS, 1);
    for (int id : {IDC_SET_PROXY_SERVER_LABEL, IDC_SET_PROXY_SERVER, IDC_SET_PROXY_PORT_LABEL, IDC_SET_PROXY_PORT})
        EXPECT_TRUE(Enabled(d, id)) << "control " << id;
    Click(d, IDC_SET_ENABLE_PROXY);
    EXPECT_FALSE(Enabled(d, IDC_SET_PROXY_SETTINGS));
    EXPECT_FALSE(Enabled(d, IDC_SET_PROXY_SERVER));
    EXPECT_FALSE(Enabled(d, IDC_SET_PROXY_PORT));

    Click(d, IDC_SET_SUBMIT_MODIFICATIONS);
    for (int id : {IDC_SET_EMAIL_LABEL, IDC_SET_EMAIL, IDC_SET_PASSWORD_LABEL, IDC_SET_PASSWORD})
        EXPECT_FALSE(Enabled(d, id)) << "control " << id;

    // Help asks the owner to open the help, and the dialog stays.
    Click(d, IDC_SET_HELP);
    EXPECT_EQ(1, helpCalls_);
    EXPECT_TRUE(::IsWindow(d));
}

TEST_F(SettingsDlgTest, StoredValuesShowAndCancelWritesNothing) {
    using namespace settings;
    kAlwaysOnTop.Write(settings_, 1);
    kExitFromTrayOnly.Write(settings_, 0);
    kShowGridLines.Write(settings_, 0);
    kAutoMode.Write(settings_, 1);
    kUpdateTime.Write(settings_, 9);      // beyond the slider: shown at its end
    kCheckUpdates.Write(settings_, 7);    // no such entry: the default is shown
    kUpdateAction.Write(settings_, 0);
    kUserEmail.Write(settings_, "me@example.com");
    kUserPassword.Write(settings_, "s3cret");
    kEnableProxy.Write(settings_, 1);
    kProxySettings.Write(settings_, 1);
    kProxyServer.Write(settings_, "proxy.example");
    kProxyPort.Write(settings_, 3128);
    reg::WriteString(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, "C:\\Old\\Quillmark.exe");
    const auto before = Stored();

    HWND d = Open();
    ASSERT_NE(nullptr, d);
    EXPECT_TRUE(Checked(d, IDC_SET_START_WITH_WINDOWS));
    EXPECT_TRUE(Checked(d, IDC_SET_ALWAYS_ON_TOP));
    EXPECT_FALSE(Checked(d, IDC_SET_EXIT_FROM_TRAY_ONLY));
    EXPECT_FALSE(Checked(d, IDC_SET_SHOW_GRID_LINES));
    EXPECT_EQ("Automatic", Text(d, IDC_SET_INTERVAL_LABEL));
    EXPECT_FALSE(Enabled(d, IDC_SET_UPDATE_SLIDER));
    EXPECT_EQ(4, SliderPosition(d, IDC_SET_UPDATE_SLIDER));
    EXPECT_EQ(1, Selection(d, IDC_SET_CHECK_UPDATES));
    EXPECT_EQ(0, Selection(d, IDC_SET_UPDATE_ACTION));
    EXPECT_EQ("me@example.com", Text(d, IDC_SET_EMAIL));
    EXPECT_EQ("proxy.example", Text(d, IDC_SET_PROXY_SERVER));
    EXPECT_EQ("3128", Text(d, IDC_SET_PROXY_PORT));
    EXPECT_TRUE(Enabled(d, IDC_SET_PROXY_PORT));

    // Change everything, then cancel.
    for (int id : kAllChecks) Click(d, id);
    Select(d, IDC_SET_CHECK_UPDATES, 0);
    Select(d, IDC_SET_UPDATE_ACTION, 1);
    Select(d, IDC_SET_PROXY_SETTINGS, 0);
    Type(d, IDC_SET_EMAIL, "other@example.com");
    Type(d, IDC_SET_PASSWORD, "changed");
    Type(d, IDC_SET_PROXY_SERVER, "elsewhere");
    Type(d, IDC_SET_PROXY_PORT, "1");
    Click(d, IDCANCEL);
    EXPECT_FALSE(::IsWindow(d));
    EXPECT_EQ(before, Stored());
    EXPECT_EQ("C:\\Old\\Quillmark.exe", RunValue());
}

TEST_F(SettingsDlgTest, OkWritesEveryValueEvenFromDisabledControls) {
    HWND d = Open();
    ASSERT_NE(nullptr, d);
    Click(d, IDC_SET_START_WITH_WINDOWS);
    Click(d, IDC_SET_ALWAYS_ON_TOP);
    Click(d, IDC_SET_EXIT_FROM_TRAY_ONLY);
    Click(d, IDC_SET_AUTO_SIZE_COLUMNS);
    Key(d, IDC_SET_UPDATE_SLIDER, VK_END);
    Click(d, IDC_SET_AUTO_MODE);  // the slider is disabled now; its position still counts
    Select(d, IDC_SET_UPDATE_ACTION, 0);
    Select(d, IDC_SET_CHECK_UPDATES, 0);  // disables the action list and both boxes
    Type(d, IDC_SET_EMAIL, "me@example.com");
    Type(d, IDC_SET_PASSWORD, "s3cret");
    Click(d, IDC_SET_SUBMIT_MODIFICATIONS);  // disables both edits
    Click(d, IDC_SET_ENABLE_PROXY);
    Select(d, IDC_SET_PROXY_SETTINGS, 1);
    Type(d, IDC_SET_PROXY_SERVER, "proxy.example");
    Type(d, IDC_SET_PROXY_PORT, "80a");  // pasted text, not a number
    Click(d, IDOK);
    EXPECT_FALSE(::IsWindow(d));

    const std::map<std::string, std::string> expected = {
        {"General\\AlwaysOnTop", DwordValue(1)},
        {"General\\ExitFromTrayOnly", DwordValue(0)},
        {"General\\StartMinimized", DwordValue(0)},
        {"General\\SaveLastTab", DwordValue(1)},
        {"General\\PromptUser", DwordValue(1)},
        {"ListView\\ShowGridLines", DwordValue(1)},
        {"ListView\\AlternateRowColors", DwordValue(1)},
        {"ListView\\AutoSizeColumns", DwordValue(0)},
        {"ListView\\HighlightSortColumn", DwordValue(1)},
        {"Update\\EnableAutoUpdate", DwordValue(1)},
        {"Update\\AutoMode", DwordValue(1)},
        {"Update\\UpdateTime", DwordValue(4)},
        {"OrnavaDB\\CheckUpdates", DwordValue(0)},
        {"OrnavaDB\\UpdateAction", DwordValue(0)},
        {"OrnavaDB\\PromptBeforeUpdate", DwordValue(1)},
        {"OrnavaDB\\UpdateStatusMsgs", DwordValue(1)},
        {"OrnavaDB\\SubmitModifications", DwordValue(0)},
        {"OrnavaDB\\UserEmail", StringValue("me@example.com")},
        {"OrnavaDB\\UserPassword", StringValue("s3cret")},
        {"Proxy\\EnableProxy", DwordValue(1)},
        {"Proxy\\ProxySettings", DwordValue(1)},
        {"Proxy\\ProxyServer", StringValue("proxy.example")},
        {"Proxy\\ProxyPort", DwordValue(0)},
    };
    EXPECT_EQ(expected, Stored());
    EXPECT_EQ(OwnLongPath(), RunValue());

    // Opened again, it shows what was stored; turning logon start off
    // removes the Run value.
    d = Open();
    ASSERT_NE(nullptr, d);
    EXPECT_TRUE(Checked(d, IDC_SET_START_WITH_WINDOWS));
    EXPECT_EQ("0", Text(d, IDC_SET_PROXY_PORT));
    Type(d, IDC_SET_PROXY_PORT, "8080");
    Click(d, IDC_SET_START_WITH_WINDOWS);
    Click(d, IDOK);
    EXPECT_EQ("<missing>", RunValue());
    EXPECT_EQ(8080, settings::kProxyPort.Read(settings_));
}
