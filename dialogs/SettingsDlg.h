// "Quillmark Settings": every persistent option of the program except the
// window placement, the last tab, the splitter positions and the database
// check history. Values are read when the dialog opens and all written back
// on OK (the run-at-logon entry first); Cancel writes nothing. After OK the
// owner re-reads whatever it caches (view options, update interval,
// always-on-top).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "core/AppSettings.h"
#include "dialogs/DialogSupport.h"
#include "framework/Dialog.h"
#include "base/Handles.h"

// The label under the update slider: "Automatic" in auto mode, else the
// interval of the position in seconds, "0.5 seconds", "1.0 second", ...
// (positions outside 0..4 are clamped).
std::string IntervalLabelText(bool autoMode, int position);

// The proxy port as stored: the text as a signed decimal number; text that
// is not a number, or one that does not fit an int, gives 0.
int ProxyPortFromText(const std::string& text);

class CSettingsDlg : public CDialog {
public:
    // settings: where the values are read and written. onHelp: opens the
    // program's help (the main window's help command with argument 1).
    explicit CSettingsDlg(AppSettings settings = AppSettings(), std::function<void()> onHelp = nullptr);

    // For tests: the tooltip control's texts.
    const CToolTips& ToolTips() const { return toolTips_; }

protected:
    INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp) override;
    BOOL OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND ctl) override;
    void OnOK() override;

private:
    void FillLists();
    void LoadValues();
    void SaveValues();
    void UpdateEnabling();
    void UpdateIntervalLabel();

    AppSettings settings_;
    std::function<void()> onHelp_;
    FontHandle boldFont_;
    IconHandle icons_[7];
    CToolTips toolTips_;
};
