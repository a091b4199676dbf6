// Small pieces the program's dialogs share: control text, a bold variant of
// the dialog's font, tooltips for controls and icons loaded at a given size.
#pragma once

#include <windows.h>

#include <string>

#include "base/Handles.h"

namespace dlg {

std::string ItemText(HWND dialog, int id);
void SetItemText(HWND dialog, int id, const std::string& text);
bool IsChecked(HWND dialog, int id);
void SetChecked(HWND dialog, int id, bool checked);
void EnableItem(HWND dialog, int id, bool enable);

// The dialog font with bold weight; null when the dialog has no font.
FontHandle CreateBoldFont(HWND dialog);
// The dialog font with an underline, for link labels.
FontHandle CreateUnderlinedFont(HWND dialog);
void SetItemFont(HWND dialog, int id, HFONT font);

// An icon of the program's resources at exactly size x size pixels.
IconHandle LoadIconSized(UINT id, int size);

// Text with white space (blank, tab, CR, LF) removed at both ends.


// Moves a window so that its centre is the centre of the desktop's work area.
void CentreOnDesktop(HWND window);

}  // namespace dlg

// A tooltip control for the controls of one dialog. The tooltip subclasses
// each control it covers, so mouse messages reach it without a
// pre-translation hook (modal dialogs run the system's own loop). The
// tooltip window is owned by the dialog and goes with it.
class CToolTips {
public:
    // Creates the tooltip window for the dialog and activates it.
    bool Create(HWND dialog);
    // Registers text for the dialog's control id; false when the control
    // does not exist or the tooltip refused it.
    bool Add(int controlId, const char* text);
    HWND GetHwnd() const { return tip_; }
    // The text registered for a control ("" when none), as the tooltip holds it.
    std::string TextOf(int controlId) const;
    int Count() const;

private:
    HWND dialog_ = nullptr;
    HWND tip_ = nullptr;
};
