// The small modeless window shown while the main window loads its data: an
// animated 32x32 icon, "Loading data..." and a Cancel button that only hides
// it (the loading itself goes on; the host shows it again next time).
#pragma once

#include <windows.h>

#include "core/Messages.h"
#include "framework/Dialog.h"
#include "base/Handles.h"

class CLoadProgressDlg : public CDialog {
public:
    static constexpr int kFrameCount = 4;
    static constexpr UINT_PTR kTimerId = kLoadProgressTimer;
    static constexpr UINT kTimerMs = 250;
    static constexpr UINT kAnimationBitmap = 143;

    // The animation strip is the program's bitmap by default; another id is for tests.
    explicit CLoadProgressDlg(UINT animationBitmap = kAnimationBitmap);
    ~CLoadProgressDlg() override;

    // Creates the dialog (hidden) the first time; later calls do nothing.
    bool CreateOnce(HWND parent);
    // Centres the dialog on the desktop and shows it.
    void ShowCentred();

    // The frame that follows `frame`: 0, 1, 2, 3, 0, ...
    static int NextFrame(int frame) { return frame == kFrameCount - 1 ? 0 : frame + 1; }
    int CurrentFrame() const { return frame_; }
    // The icon of a frame; null when the animation bitmap was missing.
    HICON FrameIcon(int frame) const;
    // Moves to the next frame and shows it.
    void AdvanceFrame();
    // The timer runs only while the dialog is shown: hidden between loads it
    // would wake the program four times a second for nothing.
    bool Animating() const { return animating_; }

protected:
    INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void OnTimer(UINT_PTR id) override;

private:
    void BuildIcons();

    UINT animationBitmap_;
    bool animating_ = false;
    IconHandle icons_[kFrameCount];
    int frame_ = 0;
    HWND iconControl_ = nullptr;
    HWND cancelButton_ = nullptr;
    FontHandle boldFont_;
};
