// The tab control of the main window: six function tabs, parent of the four
// lists and their toolbars. It turns its own and its children's notifications
// into the program's messages, forwards toolbar commands, answers the
// toolbars' tooltip requests and keeps anchored children in place on resize.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "core/Messages.h"
#include "base/Handles.h"
#include "framework/Window.h"
#include "ui/FunctionTabs.h"

// Messages to the notify target: WM_FUNCTION_TAB_CHANGED, _RESIZED and
// WM_FUNCTION_LIST_CLICKED (core/Messages.h).

// Anchor flags of AddAnchor.
enum AnchorFlags : UINT {
    kAnchorMoveRight = 1,
    kAnchorMoveDown = 2,
    kAnchorGrowWidth = 4,   // ignored with kAnchorMoveRight
    kAnchorGrowHeight = 8,  // ignored with kAnchorMoveDown
};

// Where an anchored rectangle goes when its parent grew by dx, dy.
RECT AnchoredRect(const RECT& recorded, UINT flags, int dx, int dy);

// The tooltip of a toolbar command; empty for any id not in the table.
const char* ToolTipTextForCommand(UINT id);

// The tab labels, in order; each ends in two spaces.
extern const char* const kFunctionTabLabels[kFunctionTabCount];

class CFunctionTabCtrl : public CWnd {
public:
    CFunctionTabCtrl() = default;
    ~CFunctionTabCtrl() override;

    bool Create(HWND parent, const RECT& rect, UINT id, DWORD style = WS_VISIBLE);
    bool Attach(HWND tabControl) { return Subclass(tabControl); }

    void SetNotifyTarget(HWND target) { target_ = target; }
    HWND NotifyTarget() const { return target_; }

    // Inserts the six tabs with their images (16x16 from the tab bitmap).
    bool InsertFunctionTabs();
    int GetCurSel() const;
    bool SetCurSel(int index);
    int GetItemCount() const;

    // Anchors: the reference is `window`'s client rectangle now.
    void AttachLayout(HWND window);
    // Records a child's rectangle (in this control's client coordinates).
    bool AddAnchor(UINT controlId, UINT flags);
    // Places the anchored children for the current size.
    void ArrangeAnchors();

protected:
    bool OnCommand(UINT id, UINT code, HWND ctl) override;
    bool OnNotify(int id, NMHDR* hdr, LRESULT& result) override;
    bool OnReflectedNotify(NMHDR* hdr, LRESULT& result) override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    struct Anchor {
        UINT id;
        UINT flags;
        RECT rect;
    };
    bool AnswerToolTip(NMHDR* hdr);

    HWND target_ = nullptr;
    ImageListHandle images_;
    HWND layoutWindow_ = nullptr;
    RECT reference_{};
    std::vector<Anchor> anchors_;
};
