#include "ui/LoadProgressDlg.h"

#include <commctrl.h>

#include "base/Resources.h"
#include "resource.h"

static_assert(CLoadProgressDlg::kAnimationBitmap == IDB_LOAD_ANIMATION, "animation strip id");

CLoadProgressDlg::CLoadProgressDlg(UINT animationBitmap)
    : CDialog(IDD_LOAD_PROGRESS), animationBitmap_(animationBitmap) {}
CLoadProgressDlg::~CLoadProgressDlg() {
    // Destroy the window while the icons and the font it shows still exist.
    if (IsWindow()) ::DestroyWindow(hwnd_);
}

bool CLoadProgressDlg::CreateOnce(HWND parent) {
    if (IsWindow()) return true;
    return CreateModeless(parent) != nullptr;
}

void CLoadProgressDlg::ShowCentred() {
    if (!IsWindow()) return;
    RECT work{}, wr = GetWindowRect();
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    ::SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - w) / 2,
                   work.top + (work.bottom - work.top - h) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(SW_SHOW);
}

HICON CLoadProgressDlg::FrameIcon(int frame) const {
    if (frame < 0 || frame >= kFrameCount) return nullptr;
    return icons_[frame].get();
}

void CLoadProgressDlg::BuildIcons() {
    // The strip holds the four frames side by side; magenta is transparent.
    // Without it the icon control stays empty and the timer runs on.
    BitmapHandle strip(static_cast<HBITMAP>(::LoadImageA(
        ResourceInstance(), MAKEINTRESOURCEA(animationBitmap_), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!strip) return;
    ImageListHandle list(::ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, kFrameCount, 0));
    if (!list) return;
    if (::ImageList_AddMasked(list.get(), strip.get(), RGB(255, 0, 255)) < 0) return;
    for (int i = 0; i < kFrameCount && i < ::ImageList_GetImageCount(list.get()); ++i)
        icons_[i].reset(::ImageList_GetIcon(list.get(), i, ILD_NORMAL));
}

void CLoadProgressDlg::AdvanceFrame() {
    frame_ = NextFrame(frame_);
    if (iconControl_) ::SendMessageA(iconControl_, STM_SETICON, reinterpret_cast<WPARAM>(icons_[frame_].get()), 0);
}

BOOL CLoadProgressDlg::OnInitDialog() {
    iconControl_ = GetDlgItem(IDC_LOAD_ANIMATION);
    cancelButton_ = GetDlgItem(IDCANCEL);
    BuildIcons();
    AdvanceFrame();
    if (cancelButton_) {
        LOGFONTA lf{};
        HFONT current = reinterpret_cast<HFONT>(::SendMessageA(cancelButton_, WM_GETFONT, 0, 0));
        ::GetObjectA(current ? static_cast<HGDIOBJ>(current) : ::GetStockObject(DEFAULT_GUI_FONT),
                     sizeof(lf), &lf);
        lf.lfWeight = FW_BOLD;
        boldFont_.reset(::CreateFontIndirectA(&lf));
        ::SendMessageA(cancelButton_, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.get()), TRUE);
    }
    return TRUE;
}

INT_PTR CLoadProgressDlg::DialogProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SHOWWINDOW && (wp != FALSE) != animating_) {
        animating_ = wp != FALSE;
        if (animating_)
            SetTimer(kTimerId, kTimerMs);
        else
            KillTimer(kTimerId);
    }
    return CDialog::DialogProc(msg, wp, lp);
}

void CLoadProgressDlg::OnCancel() {
    // Only hides: the loading goes on and the next refresh shows it again.
    ShowWindow(SW_HIDE);
}

void CLoadProgressDlg::OnTimer(UINT_PTR) {
    AdvanceFrame();
}
