#include "dialogs/SettingsDlg.h"

#include <commctrl.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "actions/StartWithWindows.h"
#include "core/SettingsKeys.h"
#include "resource.h"

namespace {

enum class Kind { Check, Slider, List, Text, Port };

// One control and the setting it edits. The order is the order values are
// written in on OK.
struct Binding {
    int id;
    Kind kind;
    const IntSetting* number;
    const StringSetting* text;
};

const Binding kBindings[] = {
    {IDC_SET_ALWAYS_ON_TOP, Kind::Check, &settings::kAlwaysOnTop, nullptr},
    {IDC_SET_EXIT_FROM_TRAY_ONLY, Kind::Check, &settings::kExitFromTrayOnly, nullptr},
    {IDC_SET_START_MINIMIZED, Kind::Check, &settings::kStartMinimized, nullptr},
    {IDC_SET_SAVE_LAST_TAB, Kind::Check, &settings::kSaveLastTab, nullptr},
    {IDC_SET_PROMPT_USER, Kind::Check, &settings::kPromptUser, nullptr},
    {IDC_SET_SHOW_GRID_LINES, Kind::Check, &settings::kShowGridLines, nullptr},
    {IDC_SET_ALTERNATE_ROW_COLORS, Kind::Check, &settings::kAlternateRowColors, nullptr},
    {IDC_SET_AUTO_SIZE_COLUMNS, Kind::Check, &settings::kAutoSizeColumns, nullptr},
    {IDC_SET_HIGHLIGHT_SORT_COLUMN, Kind::Check, &settings::kHighlightSortColumn, nullptr},
    {IDC_SET_ENABLE_AUTO_UPDATE, Kind::Check, &settings::kEnableAutoUpdate, nullptr},
    {IDC_SET_AUTO_MODE, Kind::Check, &settings::kAutoMode, nullptr},
    {IDC_SET_UPDATE_SLIDER, Kind::Slider, &settings::kUpdateTime, nullptr},
    {IDC_SET_CHECK_UPDATES, Kind::List, &settings::kCheckUpdates, nullptr},
    {IDC_SET_UPDATE_ACTION, Kind::List, &settings::kUpdateAction, nullptr},
    {IDC_SET_PROMPT_BEFORE_UPDATE, Kind::Check, &settings::kPromptBeforeUpdate, nullptr},
    {IDC_SET_UPDATE_STATUS_MSGS, Kind::Check, &settings::kUpdateStatusMsgs, nullptr},
    {IDC_SET_SUBMIT_MODIFICATIONS, Kind::Check, &settings::kSubmitModifications, nullptr},
    {IDC_SET_EMAIL, Kind::Text, nullptr, &settings::kUserEmail},
    {IDC_SET_PASSWORD, Kind::Text, nullptr, &settings::kUserPassword},
    {IDC_SET_ENABLE_PROXY, Kind::Check, &settings::kEnableProxy, nullptr},
    {IDC_SET_PROXY_SETTINGS, Kind::List, &settings::kProxySettings, nullptr},
    {IDC_SET_PROXY_SERVER, Kind::Text, nullptr, &settings::kProxyServer},
    {IDC_SET_PROXY_PORT, Kind::Port, &settings::kProxyPort, nullptr},
};

struct ListItems {
    int id;
    const char* items[4];
};

const ListItems kLists[] = {
    {IDC_SET_CHECK_UPDATES, {"Do not check for updates", "At program startup", "Once a day", "Once a week"}},
    {IDC_SET_UPDATE_ACTION, {"Show a notification message", "Download automatically", nullptr, nullptr}},
    {IDC_SET_PROXY_SETTINGS, {"Auto-detect from Internet Explorer", "Specify proxy settings", nullptr, nullptr}},
};

struct Tip {
    int id;
    const char* text;
};

// The texts are the program's own, spelling included.
const Tip kTips[] = {
    {IDC_SET_ALWAYS_ON_TOP, "Keep the Quillmark window in front of all other applications"},
    {IDC_SET_EXIT_FROM_TRAY_ONLY, "Closing the main window will prevent Quillmark from exiting"},
    {IDC_SET_START_MINIMIZED, "Shows Quillmark in a minimized state when starting"},
    {IDC_SET_SAVE_LAST_TAB, "Remembers the last selected function tab from the previous run"},
    {IDC_SET_PROMPT_USER, "Prompt the user to confirm unrecoverable actions"},
    {IDC_SET_SHOW_GRID_LINES, "Shows grid lines in the list views"},
    {IDC_SET_ALTERNATE_ROW_COLORS, "Alternates row background colors for easier viewing of data"},
    {IDC_SET_AUTO_SIZE_COLUMNS, "Sizes list view columns to the data to reduce excess space"},
    {IDC_SET_HIGHLIGHT_SORT_COLUMN, "Highlights the list column which is used to sort the list contents"},
    {IDC_SET_ENABLE_AUTO_UPDATE, "Enables auto-updating of data in Quillmark"},
    {IDC_SET_AUTO_MODE, "Enables auto mode to select the update frequency based on system idle time"},
    {IDC_SET_UPDATE_SLIDER, "Selects the auto-update frequency"},
    {IDC_SET_CHECK_UPDATES, "Determines how the Ornava program database is updated"},
    {IDC_SET_UPDATE_ACTION, "Determines what to do when updates are detected"},
    {IDC_SET_PROMPT_BEFORE_UPDATE, "Shows a prompt when an update is detected"},
    {IDC_SET_UPDATE_STATUS_MSGS, "Shows an update status message in the main window"},
    {IDC_SET_SUBMIT_MODIFICATIONS, "Allows submissions to the Ornava program database"},
    {IDC_SET_EMAIL, "Enter your email address for submitting data to the Ornava program database"},
    {IDC_SET_PASSWORD, "Enter your password for submitting data to the Ornava program database"},
    {IDC_SET_ENABLE_PROXY, "Enables a proxy server when comminicating with the Ornava program database"},
    {IDC_SET_PROXY_SETTINGS, "Select the desired proxy settings"},
    {IDC_SET_PROXY_SERVER, "Select the desired proxy server"},
    {IDC_SET_PROXY_PORT, "Select the desired proxy port"},
};

struct IconPlace {
    int control;
    UINT icon;
};

const IconPlace kIcons[] = {
    {IDC_SET_ICON_GENERAL, IDI_SET_GENERAL},
    {IDC_SET_ICON_LIST_VIEW, IDI_SET_LIST_VIEW},
    {IDC_SET_ICON_UPDATE_FREQUENCY, IDI_SET_UPDATE_FREQUENCY},
    {IDC_SET_ICON_PROGRAM_DATA, IDI_SET_PROGRAM_DATA},
    {IDC_SET_ICON_PROXY, IDI_SET_PROXY},
    {IDC_SET_ICON_EMAIL, IDI_SET_EMAIL},
    {IDC_SET_ICON_PASSWORD, IDI_SET_PASSWORD},
};

const int kBoldControls[] = {
    IDC_SET_GROUP_GENERAL, IDC_SET_GROUP_LIST_VIEW, IDC_SET_GROUP_UPDATE_FREQUENCY, IDC_SET_GROUP_PROGRAM_DATA,
    IDC_SET_GROUP_PROXY,   IDC_SET_FAST_LABEL,      IDC_SET_SLOW_LABEL,             IDC_SET_HELP,
    IDOK,                  IDCANCEL,
};

constexpr int kGroupIconSize = 20;

int ListSelection(HWND dialog, int id) {
    return static_cast<int>(::SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}

int ListCount(HWND dialog, int id) {
    return static_cast<int>(::SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0));
}

}  // namespace

std::string IntervalLabelText(bool autoMode, int position) {
    if (autoMode) return "Automatic";
    if (position < 0) position = 0;
    if (position >= settings::kUpdateTimePositions) position = settings::kUpdateTimePositions - 1;
    char text[32];
    std::snprintf(text, sizeof text, "%0.1f second%s", settings::kUpdateIntervalsMs[position] * 0.001,
                  position == 1 ? "" : "s");
    return text;
}

int ProxyPortFromText(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(begin, &end, 10);
    if (end == begin || errno == ERANGE || value < INT_MIN || value > INT_MAX) return 0;
    // Trailing blanks are harmless; anything else means the text is not a number.
    while (*end == ' ' || *end == '\t') ++end;
    return *end == '\0' ? static_cast<int>(value) : 0;
}

CSettingsDlg::CSettingsDlg(AppSettings settings, std::function<void()> onHelp)
    : CDialog(IDD_SETTINGS), settings_(std::move(settings)), onHelp_(std::move(onHelp)) {}

BOOL CSettingsDlg::OnInitDialog() {
    toolTips_.Create(hwnd_);
    boldFont_ = dlg::CreateBoldFont(hwnd_);
    if (boldFont_)
        for (int id : kBoldControls) dlg::SetItemFont(hwnd_, id, boldFont_.get());
    for (size_t i = 0; i < sizeof kIcons / sizeof kIcons[0]; ++i) {
        icons_[i] = dlg::LoadIconSized(kIcons[i].icon, kGroupIconSize);
        if (icons_[i])
            ::SendDlgItemMessageA(hwnd_, kIcons[i].control, STM_SETICON,
                                  reinterpret_cast<WPARAM>(icons_[i].get()), 0);
    }
    ::SendDlgItemMessageA(hwnd_, IDC_SET_UPDATE_SLIDER, TBM_SETRANGE, TRUE,
                          MAKELPARAM(0, settings::kUpdateTimePositions - 1));
    FillLists();
    LoadValues();
    UpdateEnabling();
    UpdateIntervalLabel();
    for (const Tip& tip : kTips) toolTips_.Add(tip.id, tip.text);
    return TRUE;
}

void CSettingsDlg::FillLists() {
    for (const ListItems& list : kLists)
        for (const char* item : list.items)
            if (item) ::SendDlgItemMessageA(hwnd_, list.id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
}

void CSettingsDlg::LoadValues() {
    dlg::SetChecked(hwnd_, IDC_SET_START_WITH_WINDOWS, IsStartWithWindows());
    for (const Binding& b : kBindings) {
        switch (b.kind) {
        case Kind::Check:
            dlg::SetChecked(hwnd_, b.id, b.number->Read(settings_) != 0);
            break;
        case Kind::Slider:
            // The slider keeps a stored value outside its range at the nearest end.
            ::SendDlgItemMessageA(hwnd_, b.id, TBM_SETPOS, TRUE, b.number->Read(settings_));
            break;
        case Kind::List: {
            // A stored index the list does not have would show no selection
            // and be written back as -1: show the default instead.
            int index = b.number->Read(settings_);
            if (index < 0 || index >= ListCount(hwnd_, b.id)) index = b.number->def;
            ::SendDlgItemMessageA(hwnd_, b.id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
            break;
        }
        case Kind::Text:
            dlg::SetItemText(hwnd_, b.id, b.text->Read(settings_));
            break;
        case Kind::Port:
            ::SetDlgItemInt(hwnd_, b.id, static_cast<UINT>(b.number->Read(settings_)), TRUE);
            break;
        }
    }
}

void CSettingsDlg::SaveValues() {
    SetStartWithWindows(dlg::IsChecked(hwnd_, IDC_SET_START_WITH_WINDOWS));
    // Every value is written, also those whose controls are disabled.
    for (const Binding& b : kBindings) {
        switch (b.kind) {
        case Kind::Check:
            b.number->Write(settings_, dlg::IsChecked(hwnd_, b.id) ? 1 : 0);
            break;
        case Kind::Slider:
            b.number->Write(settings_,
                            static_cast<int>(::SendDlgItemMessageA(hwnd_, b.id, TBM_GETPOS, 0, 0)));
            break;
        case Kind::List:
            b.number->Write(settings_, ListSelection(hwnd_, b.id));
            break;
        case Kind::Text:
            b.text->Write(settings_, dlg::ItemText(hwnd_, b.id));
            break;
        case Kind::Port:
            b.number->Write(settings_, ProxyPortFromText(dlg::ItemText(hwnd_, b.id)));
            break;
        }
    }
}

void CSettingsDlg::UpdateEnabling() {
    const HWND d = hwnd_;
    const bool autoUpdate = dlg::IsChecked(d, IDC_SET_ENABLE_AUTO_UPDATE);
    dlg::EnableItem(d, IDC_SET_AUTO_MODE, autoUpdate);
    const bool fixedInterval = autoUpdate && !dlg::IsChecked(d, IDC_SET_AUTO_MODE);
    for (int id : {IDC_SET_UPDATE_SLIDER, IDC_SET_FAST_LABEL, IDC_SET_INTERVAL_LABEL, IDC_SET_SLOW_LABEL})
        dlg::EnableItem(d, id, fixedInterval);

    const bool checking = ListSelection(d, IDC_SET_CHECK_UPDATES) != 0;
    for (int id : {IDC_SET_UPDATE_ACTION, IDC_SET_PROMPT_BEFORE_UPDATE, IDC_SET_UPDATE_STATUS_MSGS})
        dlg::EnableItem(d, id, checking);

    const bool submit = dlg::IsChecked(d, IDC_SET_SUBMIT_MODIFICATIONS);
    for (int id : {IDC_SET_EMAIL_LABEL, IDC_SET_EMAIL, IDC_SET_PASSWORD_LABEL, IDC_SET_PASSWORD})
        dlg::EnableItem(d, id, submit);

    const bool proxy = dlg::IsChecked(d, IDC_SET_ENABLE_PROXY);
    dlg::EnableItem(d, IDC_SET_PROXY_SETTINGS, proxy);
    const bool manualProxy = proxy && ListSelection(d, IDC_SET_PROXY_SETTINGS) == 1;
    for (int id : {IDC_SET_PROXY_SERVER_LABEL, IDC_SET_PROXY_SERVER, IDC_SET_PROXY_PORT_LABEL, IDC_SET_PROXY_PORT})
        dlg::EnableItem(d, id, manualProxy);
}

void CSettingsDlg::UpdateIntervalLabel() {
    const int position = static_cast<int>(::SendDlgItemMessageA(hwnd_, IDC_SET_UPDATE_SLIDER, TBM_GETPOS, 0, 0));
    dlg::SetItemText(hwnd_, IDC_SET_INTERVAL_LABEL,
                     IntervalLabelText(dlg::IsChecked(hwnd_, IDC_SET_AUTO_MODE), position));
}

bool CSettingsDlg::OnCommand(UINT id, UINT code, HWND /*ctl*/) {
    // Clicks and selection changes can change what depends on them.
    if (code == BN_CLICKED || code == CBN_SELCHANGE) {
        UpdateEnabling();
        UpdateIntervalLabel();
    }
    if (id == IDC_SET_HELP && code == BN_CLICKED) {
        if (onHelp_) onHelp_();
        return true;
    }
    return false;
}

INT_PTR CSettingsDlg::DialogProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_HSCROLL && reinterpret_cast<HWND>(lp) == GetDlgItem(IDC_SET_UPDATE_SLIDER)) {
        UpdateIntervalLabel();
        return TRUE;
    }
    return CDialog::DialogProc(msg, wp, lp);
}

void CSettingsDlg::OnOK() {
    SaveValues();
    EndDialog(IDOK);
}
