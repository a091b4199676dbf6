#include "app/pages/PageTemplate.h"

#include <string>

#include "base/Resources.h"
#include "platform/DialogTemplate.h"

bool BuildPageFromTemplate(HWND owner, UINT templateId, HWND tabControl, int yOffset, HFONT font,
                           std::vector<HWND>& controls) {
    const void* bytes = nullptr;
    DWORD size = 0;
    std::vector<DialogTemplateItem> items;
    if (!FindResourceBytes(templateId, RT_DIALOG, bytes, size) ||
        !ParseDialogTemplate(static_cast<const BYTE*>(bytes), size, items))
        return false;
    // The pages' templates use the main window's dialog font, so the owner's
    // dialog units are theirs; each coordinate is converted on its own, as
    // the dialog manager does.
    RECT units{0, 0, 4, 8};
    if (!::MapDialogRect(owner, &units)) return false;
    for (const DialogTemplateItem& item : items) {
        if (item.className.empty()) continue;
        // What the dialog manager would make of the item: a child that does
        // not tell its parent of its creation, drawn with the sunken edge of
        // the three-dimensional look where the template asks for a border.
        // The controls start hidden.
        DWORD style = (item.style | WS_CHILD) & ~WS_VISIBLE;
        DWORD exStyle = item.exStyle | WS_EX_NOPARENTNOTIFY;
        if (style & WS_BORDER) {
            style &= ~WS_BORDER;
            exStyle |= WS_EX_CLIENTEDGE;
        }
        HWND control = ::CreateWindowExA(
            exStyle, item.className.c_str(), item.text.c_str(), style,
            ::MulDiv(item.x, units.right, 4), ::MulDiv(item.y, units.bottom, 8) + yOffset,
            ::MulDiv(item.cx, units.right, 4), ::MulDiv(item.cy, units.bottom, 8), tabControl,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)), ResourceInstance(), nullptr);
        if (!control) continue;
        if (font) ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        controls.push_back(control);
    }
    return true;
}

void ShowPageControls(const std::vector<HWND>& controls, bool show) {
    for (HWND w : controls)
        if (::IsWindow(w)) ::ShowWindow(w, show ? SW_SHOWNA : SW_HIDE);
}
