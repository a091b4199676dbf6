#include "ui/FunctionTabCtrl.h"

#include <string.h>

#include "base/Resources.h"
#include "resource.h"

RECT AnchoredRect(const RECT& recorded, UINT flags, int dx, int dy) {
    RECT rc = recorded;
    if (flags & kAnchorMoveRight) {
        rc.left += dx;
        rc.right += dx;
    } else if (flags & kAnchorGrowWidth) {
        rc.right += dx;
    }
    if (flags & kAnchorMoveDown) {
        rc.top += dy;
        rc.bottom += dy;
    } else if (flags & kAnchorGrowHeight) {
        rc.bottom += dy;
    }
    return rc;
}

const char* ToolTipTextForCommand(UINT id) {
    static const struct {
        UINT id;
        const char* text;
    } kTips[] = {
        {ID_PROGRAM_DESCRIBE, "Describe"},
        {ID_PROGRAM_PROPERTIES, "File properties..."},
        {ID_PROGRAM_WEBSITE, "Website"},
        {ID_PROGRAM_KILL, "Kill Process"},
        {ID_PROGRAM_SEARCH_GOOGLE, "Search Web"},
        {ID_PROGRAM_OPEN_FOLDER, "Open Folder"},
        {ID_SERVICE_START, "Start"},
        {ID_SERVICE_STOP, "Stop"},
        {ID_SERVICE_PAUSE, "Pause"},
        {ID_SERVICE_CONTINUE, "Continue"},
        {ID_SERVICE_RESTART, "Restart"},
        {ID_PROGRAM_CLOSE_ALL, "Close All"},
        {ID_TIP_STARTUP, "Startup"},
        {ID_PROGRAM_KILL_ALL, "Kill All"},
        {ID_PROGRAM_CLOSE, "Close"},
        {ID_PROGRAM_PROTECT, "Protect"},
        {ID_PROGRAM_ALLOW_CLOSE, "Allow Close"},
        {ID_PROGRAM_ALLOW_KILL, "Allow Kill"},
        {ID_PROGRAM_UNPROTECT, "Unprotect"},
    };
    for (const auto& t : kTips)
        if (t.id == id) return t.text;
    return "";
}

const char* const kFunctionTabLabels[kFunctionTabCount] = {
    "Applications  ", "Tasks  ", "Services  ", "Drivers  ", "Performance  ", "Networking  ",
};

namespace {
bool IsListView(HWND wnd) {
    char name[32] = {};
    return wnd && ::GetClassNameA(wnd, name, sizeof(name)) > 0 && ::lstrcmpiA(name, WC_LISTVIEWA) == 0;
}
}  // namespace

CFunctionTabCtrl::~CFunctionTabCtrl() {
    // The tab images die with this object; the control must not keep them.
    if (IsWindow()) SendMessage(TCM_SETIMAGELIST, 0, 0);
}

bool CFunctionTabCtrl::Create(HWND parent, const RECT& rect, UINT id, DWORD style) {
    const DWORD full = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP | style;
    return CWnd::Create(0, WC_TABCONTROLA, "", full, rect, parent, id) != nullptr;
}

bool CFunctionTabCtrl::InsertFunctionTabs() {
    images_.reset(::ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 1));
    BitmapHandle strip(static_cast<HBITMAP>(
        ::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(IDB_TAB_IMAGES), IMAGE_BITMAP, 0, 0, 0)));
    if (images_ && strip) ::ImageList_AddMasked(images_.get(), strip.get(), RGB(255, 0, 255));
    SendMessage(TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.get()));
    bool ok = true;
    for (int i = 0; i < kFunctionTabCount; ++i) {
        TCITEMA item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = const_cast<char*>(kFunctionTabLabels[i]);
        item.iImage = i;
        if (SendMessage(TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item)) != i) ok = false;
    }
    return ok;
}

int CFunctionTabCtrl::GetCurSel() const {
    return static_cast<int>(SendMessage(TCM_GETCURSEL));
}

bool CFunctionTabCtrl::SetCurSel(int index) {
    return SendMessage(TCM_SETCURSEL, index) != -1 || GetCurSel() == index;
}

int CFunctionTabCtrl::GetItemCount() const {
    return static_cast<int>(SendMessage(TCM_GETITEMCOUNT));
}

void CFunctionTabCtrl::AttachLayout(HWND window) {
    layoutWindow_ = window;
    reference_ = RECT{};
    if (window) ::GetClientRect(window, &reference_);
    anchors_.clear();
}

bool CFunctionTabCtrl::AddAnchor(UINT controlId, UINT flags) {
    HWND child = GetDlgItem(static_cast<int>(controlId));
    if (!child) return false;
    RECT rc{};
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rc), 2);
    anchors_.push_back(Anchor{controlId, flags, rc});
    return true;
}

void CFunctionTabCtrl::ArrangeAnchors() {
    if (!layoutWindow_ || anchors_.empty()) return;
    RECT now{};
    ::GetClientRect(layoutWindow_, &now);
    const int dx = (now.right - now.left) - (reference_.right - reference_.left);
    const int dy = (now.bottom - now.top) - (reference_.bottom - reference_.top);
    for (const Anchor& a : anchors_) {
        HWND child = GetDlgItem(static_cast<int>(a.id));
        if (!child) continue;
        RECT want = AnchoredRect(a.rect, a.flags, dx, dy);
        RECT cur{};
        ::GetWindowRect(child, &cur);
        ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&cur), 2);
        if (::EqualRect(&want, &cur)) continue;
        ::SetWindowPos(child, nullptr, want.left, want.top, want.right - want.left, want.bottom - want.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        ::RedrawWindow(child, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
}

LRESULT CFunctionTabCtrl::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SIZE) {
        LRESULT r = DefaultProc(msg, wp, lp);
        if (target_) ::SendMessageA(target_, WM_FUNCTION_TAB_RESIZED, 0, 0);
        ArrangeAnchors();
        return r;
    }
    return CWnd::WindowProc(msg, wp, lp);
}

bool CFunctionTabCtrl::OnReflectedNotify(NMHDR* hdr, LRESULT&) {
    if (hdr->code == TCN_SELCHANGE && target_) {
        ::SendMessageA(target_, WM_FUNCTION_TAB_CHANGED, static_cast<WPARAM>(::GetDlgCtrlID(hwnd_)),
                       static_cast<LPARAM>(GetCurSel()));
    }
    return false;  // the parent may handle the change as well
}

bool CFunctionTabCtrl::OnCommand(UINT id, UINT code, HWND ctl) {
    if (target_) ::SendMessageA(target_, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(ctl));
    return false;
}

bool CFunctionTabCtrl::OnNotify(int, NMHDR* hdr, LRESULT& result) {
    switch (hdr->code) {
    case NM_CLICK:
        // The message means "a list was clicked" (the main window rebuilds
        // the detail view for the selection); the toolbars report a click
        // for every button they press, which is no selection.
        if (target_ && IsListView(hdr->hwndFrom))
            ::PostMessageA(target_, WM_FUNCTION_LIST_CLICKED, hdr->idFrom, 0);
        return false;
    case LVN_ITEMCHANGED: {
        // A row gained or lost the selection: by the keyboard, or by a
        // filter hiding it, as well as by a click. Text and other state
        // changes (every cell the view update writes) are not reported.
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(hdr);
        if (target_ && (change->uChanged & LVIF_STATE) && ((change->uNewState ^ change->uOldState) & LVIS_SELECTED))
            ::PostMessageA(target_, WM_FUNCTION_LIST_SELECTED, hdr->idFrom, 0);
        result = 0;
        return true;
    }
    case TTN_GETDISPINFOA:
    case TTN_GETDISPINFOW:
        result = 0;
        return AnswerToolTip(hdr);
    default:
        return false;
    }
}

bool CFunctionTabCtrl::AnswerToolTip(NMHDR* hdr) {
    // Both request kinds start with the same header, id and flags.
    UINT_PTR id = hdr->idFrom;
    UINT flags = hdr->code == TTN_GETDISPINFOA ? reinterpret_cast<NMTTDISPINFOA*>(hdr)->uFlags
                                               : reinterpret_cast<NMTTDISPINFOW*>(hdr)->uFlags;
    if (flags & TTF_IDISHWND) {
        HWND wnd = reinterpret_cast<HWND>(id);
        if (wnd == hwnd_) return true;  // the tab control's own tip: no text
        id = static_cast<UINT_PTR>(::GetDlgCtrlID(wnd));
    }
    const char* text = ToolTipTextForCommand(static_cast<UINT>(id));
    if (hdr->code == TTN_GETDISPINFOA) {
        auto* di = reinterpret_cast<NMTTDISPINFOA*>(hdr);
        ::lstrcpynA(di->szText, text, static_cast<int>(sizeof(di->szText)));
        di->lpszText = di->szText;
        di->hinst = nullptr;
    } else {
        auto* di = reinterpret_cast<NMTTDISPINFOW*>(hdr);
        const int cap = static_cast<int>(sizeof(di->szText) / sizeof(di->szText[0]));
        int n = ::MultiByteToWideChar(CP_ACP, 0, text, -1, di->szText, cap);
        if (n <= 0) di->szText[0] = L'\0';
        di->szText[cap - 1] = L'\0';
        di->lpszText = di->szText;
        di->hinst = nullptr;
    }
    return true;
}
