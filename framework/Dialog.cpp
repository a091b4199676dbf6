#include "Dialog.h"

#include "MessageLoop.h"

CDialog::~CDialog() {
    if (hwnd_) {
        MessageLoop::RemoveDialog(hwnd_);
        HWND h = hwnd_;
        DetachHandle();
        if (!modal_) ::DestroyWindow(h);
    }
}

INT_PTR CDialog::DoModal(HWND parent) {
    modal_ = true;
    return ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent,
                             &CDialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CDialog::DoModalIndirect(HWND parent, const DLGTEMPLATE* dialogTemplate, HINSTANCE instance) {
    modal_ = true;
    return ::DialogBoxIndirectParamA(instance ? instance : ::GetModuleHandleA(nullptr), dialogTemplate, parent,
                                     &CDialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
}

HWND CDialog::CreateModeless(HWND parent) {
    modal_ = false;
    HWND h = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent,
                                  &CDialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
    if (h) MessageLoop::AddDialog(h);
    return h;
}

void CDialog::EndDialog(INT_PTR result) {
    if (!hwnd_) return;
    if (modal_) {
        ::EndDialog(hwnd_, result);
    } else {
        ::DestroyWindow(hwnd_);
    }
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = msg == WM_INITDIALOG ? nullptr : static_cast<CDialog*>(FromHandle(hwnd));
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lp);
        if (self) self->AttachHandle(hwnd);
    }
    if (!self) return FALSE;
    if (msg == WM_NCDESTROY) {
        MessageLoop::RemoveDialog(hwnd);
        self->DetachHandle();
        self->OnFinalMessage();
        return FALSE;
    }
    return self->DialogProc(msg, wp, lp);
}

// Dialogs route through DialogProc; the CWnd path is not used for them.
LRESULT CDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    return DialogProc(msg, wp, lp);
}

INT_PTR CDialog::DialogProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        if (ReflectCommand(wp, lp)) return TRUE;
        if (OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp))) return TRUE;
        if (HIWORD(wp) == BN_CLICKED || lp == 0) {
            if (LOWORD(wp) == IDOK) {
                OnOK();
                return TRUE;
            }
            if (LOWORD(wp) == IDCANCEL) {
                OnCancel();
                return TRUE;
            }
        }
        return FALSE;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (ReflectNotify(lp, result) ||
            OnNotify(static_cast<int>(wp), reinterpret_cast<NMHDR*>(lp), result)) {
            SetMsgResult(result);
            return TRUE;
        }
        return FALSE;
    }
    case WM_TIMER:
        OnTimer(wp);
        return TRUE;
    case WM_SIZE:
        OnSize(static_cast<UINT>(wp), static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        return FALSE;
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    case WM_CLOSE:
        if (OnClose()) return TRUE;
        OnCancel();
        return TRUE;
    case WM_PAINT:
        return OnPaint() ? TRUE : FALSE;
    case WM_ERASEBKGND:
        if (OnEraseBkgnd(reinterpret_cast<HDC>(wp))) {
            SetMsgResult(1);
            return TRUE;
        }
        return FALSE;
    case WM_CONTEXTMENU: {
        POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        return OnContextMenu(reinterpret_cast<HWND>(wp), pt) ? TRUE : FALSE;
    }
    default:
        return FALSE;
    }
}
