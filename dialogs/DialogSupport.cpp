#include "dialogs/DialogSupport.h"

#include <commctrl.h>

#include "base/Resources.h"
#include "framework/Window.h"

namespace dlg {

std::string ItemText(HWND dialog, int id) {
    HWND item = ::GetDlgItem(dialog, id);
    return item ? WindowTextOf(item) : std::string();
}

void SetItemText(HWND dialog, int id, const std::string& text) {
    ::SetDlgItemTextA(dialog, id, text.c_str());
}

bool IsChecked(HWND dialog, int id) {
    return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void SetChecked(HWND dialog, int id, bool checked) {
    ::CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void EnableItem(HWND dialog, int id, bool enable) {
    if (HWND item = ::GetDlgItem(dialog, id)) ::EnableWindow(item, enable ? TRUE : FALSE);
}

namespace {

FontHandle DerivedFont(HWND dialog, bool bold, bool underline) {
    auto font = reinterpret_cast<HFONT>(::SendMessageA(dialog, WM_GETFONT, 0, 0));
    if (!font) return FontHandle();
    LOGFONTA lf{};
    if (!::GetObjectA(font, sizeof lf, &lf)) return FontHandle();
    if (bold) lf.lfWeight = FW_BOLD;
    if (underline) lf.lfUnderline = TRUE;
    return FontHandle(::CreateFontIndirectA(&lf));
}

}  // namespace

FontHandle CreateBoldFont(HWND dialog) { return DerivedFont(dialog, true, false); }

FontHandle CreateUnderlinedFont(HWND dialog) { return DerivedFont(dialog, false, true); }

void SetItemFont(HWND dialog, int id, HFONT font) {
    if (HWND item = ::GetDlgItem(dialog, id)) ::SendMessageA(item, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

IconHandle LoadIconSized(UINT id, int size) {
    return IconHandle(static_cast<HICON>(
        ::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

void CentreOnDesktop(HWND window) {
    RECT work{};
    if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) ::GetWindowRect(::GetDesktopWindow(), &work);
    RECT r{};
    ::GetWindowRect(window, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    const int x = work.left + ((work.right - work.left) - width) / 2;
    const int y = work.top + ((work.bottom - work.top) - height) / 2;
    ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace dlg

namespace {

TOOLINFOA ToolFor(HWND dialog, HWND control) {
    TOOLINFOA ti{};
    // The older layout is understood by every version of the common controls.
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = dialog;
    ti.uId = reinterpret_cast<UINT_PTR>(control);
    return ti;
}

}  // namespace

bool CToolTips::Create(HWND dialog) {
    dialog_ = dialog;
    tip_ = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                             ::GetModuleHandleA(nullptr), nullptr);
    if (!tip_) return false;
    // Long tips wrap instead of running off the screen.
    ::SendMessageA(tip_, TTM_SETMAXTIPWIDTH, 0, 300);
    ::SendMessageA(tip_, TTM_ACTIVATE, TRUE, 0);
    return true;
}

bool CToolTips::Add(int controlId, const char* text) {
    HWND control = ::GetDlgItem(dialog_, controlId);
    if (!tip_ || !control) return false;
    TOOLINFOA ti = ToolFor(dialog_, control);
    ti.lpszText = const_cast<char*>(text);
    return ::SendMessageA(tip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)) != FALSE;
}

std::string CToolTips::TextOf(int controlId) const {
    HWND control = ::GetDlgItem(dialog_, controlId);
    if (!tip_ || !control) return std::string();
    char buffer[512] = {};
    TOOLINFOA ti = ToolFor(dialog_, control);
    ti.lpszText = buffer;
    ::SendMessageA(tip_, TTM_GETTEXTA, sizeof buffer, reinterpret_cast<LPARAM>(&ti));
    return buffer;
}

int CToolTips::Count() const {
    return tip_ ? static_cast<int>(::SendMessageA(tip_, TTM_GETTOOLCOUNT, 0, 0)) : 0;
}
