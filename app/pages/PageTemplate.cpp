#include "app/pages/PageTemplate.h"

#include <string>

#include "base/Resources.h"
#include "framework/Window.h"

namespace {
INT_PTR CALLBACK TemplateProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

std::string ClassNameOf(HWND window) {
    char name[256] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

// Items of a combo box or list box, copied from the template's control.
void CopyItems(HWND from, HWND to, bool combo) {
    const UINT count = combo ? CB_GETCOUNT : LB_GETCOUNT;
    const UINT lengthOf = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
    const UINT textOf = combo ? CB_GETLBTEXT : LB_GETTEXT;
    const UINT add = combo ? CB_ADDSTRING : LB_ADDSTRING;
    const LRESULT n = ::SendMessageA(from, count, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        LRESULT len = ::SendMessageA(from, lengthOf, static_cast<WPARAM>(i), 0);
        if (len < 0) continue;
        std::string item(static_cast<size_t>(len) + 1, '\0');
        ::SendMessageA(from, textOf, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item[0]));
        item.resize(static_cast<size_t>(len));
        ::SendMessageA(to, add, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
}
}  // namespace

bool BuildPageFromTemplate(HWND owner, UINT templateId, HWND tabControl, int yOffset, HFONT font,
                           std::vector<HWND>& controls) {
    HWND temp = ::CreateDialogParamA(ResourceInstance(), MAKEINTRESOURCEA(templateId), owner, TemplateProc, 0);
    if (!temp) return false;
    for (HWND child = ::GetWindow(temp, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT rc{};
        ::GetWindowRect(child, &rc);
        ::MapWindowPoints(nullptr, temp, reinterpret_cast<POINT*>(&rc), 2);
        const std::string cls = ClassNameOf(child);
        const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(child, GWL_STYLE)) & ~WS_VISIBLE;
        const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrA(child, GWL_EXSTYLE));
        const int id = ::GetDlgCtrlID(child);
        HWND copy = ::CreateWindowExA(exStyle, cls.c_str(), WindowTextOf(child).c_str(), style, rc.left, rc.top + yOffset,
                                      rc.right - rc.left, rc.bottom - rc.top, tabControl,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ResourceInstance(), nullptr);
        if (!copy) continue;
        if (_stricmp(cls.c_str(), "ComboBox") == 0) CopyItems(child, copy, true);
        if (_stricmp(cls.c_str(), "ListBox") == 0) CopyItems(child, copy, false);
        if (font) ::SendMessageA(copy, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        controls.push_back(copy);
    }
    ::DestroyWindow(temp);
    return true;
}

void ShowPageControls(const std::vector<HWND>& controls, bool show) {
    for (HWND w : controls)
        if (::IsWindow(w)) ::ShowWindow(w, show ? SW_SHOWNA : SW_HIDE);
}
