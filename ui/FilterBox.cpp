#include "ui/FilterBox.h"

#include <commctrl.h>

#include <algorithm>

#include "base/Handles.h"

namespace {
// Space between the last button and the box, and right of the box.
constexpr int kGap = 8;
constexpr int kRightMargin = 4;
// Narrower than this, a box shows too little of what is typed to be of use.
constexpr int kMinimumWidth = 60;
}  // namespace

FilterBoxSpan FilterBoxPlacement(int barWidth, int buttonsRight) {
    FilterBoxSpan span;
    span.left = std::max(buttonsRight + kGap, barWidth - kRightMargin - CFilterBox::kWidth);
    span.width = barWidth - kRightMargin - span.left;
    if (span.width < kMinimumWidth) span.width = 0;
    return span;
}

bool CFilterBox::Create(HWND parent, UINT id, HFONT font) {
    const RECT rc{0, 0, kWidth, 20};
    if (!CWnd::Create(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL, rc, parent, id))
        return false;
    if (font) SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    // The cue text is a wide string whatever the control's character set.
    wchar_t cue[64] = {};
    ::MultiByteToWideChar(CP_ACP, 0, kCueText, -1, cue, 64);
    ::SendMessageW(hwnd_, EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(cue));
    return true;
}

void CFilterBox::PlaceInBar(int barWidth, int barHeight, int buttonsRight) {
    if (!IsWindow()) return;
    const FilterBoxSpan span = FilterBoxPlacement(barWidth, buttonsRight);
    if (span.width == 0) {
        // A box the user is typing in stays where it is rather than vanish
        // under the keys.
        if (::GetFocus() != hwnd_) ShowWindow(SW_HIDE);
        return;
    }
    // The height of one line of the box's font, with the edge and a margin.
    int height = 20;
    {
        WindowDC dc(hwnd_);
        HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
        SelectGuard select(dc.get(), font ? font : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
        TEXTMETRICA tm{};
        if (dc && ::GetTextMetricsA(dc.get(), &tm)) height = tm.tmHeight + 8;
    }
    height = std::min(height, barHeight);
    ::SetWindowPos(hwnd_, nullptr, span.left, (barHeight - height) / 2, span.width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void CFilterBox::Focus() {
    if (!IsWindow()) return;
    if (!IsVisible()) ShowWindow(SW_SHOWNA);
    ::SetFocus(hwnd_);
    SendMessage(EM_SETSEL, 0, -1);
}

bool CFilterBox::OnReflectedCommand(UINT code) {
    if (code != EN_CHANGE) return false;
    if (onChange) onChange(Text());
    return true;
}

LRESULT CFilterBox::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_GETDLGCODE: {
        // The dialog manager would turn Esc into the window's Cancel: the box
        // takes it for itself.
        LRESULT code = DefaultProc(msg, wp, lp);
        const MSG* m = reinterpret_cast<const MSG*>(lp);
        if (m && m->message == WM_KEYDOWN && m->wParam == VK_ESCAPE) code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_KEYDOWN:
        if (wp == VK_ESCAPE) {
            Clear();
            if (onEscape) onEscape();
            return 0;
        }
        // Not Enter: a user who thinks the focus is still in the box would
        // send the next keys (Delete kills) to the list.
        if (wp == VK_DOWN) {
            if (onLeave) onLeave();
            return 0;
        }
        break;
    case WM_CHAR:
        if (wp == VK_ESCAPE) return 0;  // handled on the key; no beep
        break;
    default:
        break;
    }
    return CWnd::WindowProc(msg, wp, lp);
}
