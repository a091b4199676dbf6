// A child window that divides its client area between two panes, side by side
// (vertical bar) or one above the other (horizontal bar). The bar is dragged
// with an inverted tracking band; Escape cancels the drag. The bottom pane of
// the stacked arrangement can be collapsed and restored. The bar position is
// kept in the settings per splitter id.
#pragma once

#include <windows.h>

#include "core/AppSettings.h"
#include "base/Handles.h"
#include "framework/MessageLoop.h"
#include "framework/Window.h"

// The layout arithmetic, apart from the windows.
namespace splittermath {

constexpr int kBarHalfWidth = 3;

struct SideBySide {
    RECT bar, left, right;
};
struct Stacked {
    RECT bar, top, bottom;
};

// Panes on either side of a vertical bar at x.
SideBySide LayoutSideBySide(const RECT& client, int x, int w = kBarHalfWidth);
// Panes above and below a horizontal bar at y.
Stacked LayoutStacked(const RECT& client, int y, int w = kBarHalfWidth);
// A bar position kept at least minLow from `low` and minHigh from `high`;
// when both cannot hold, the low side wins.
int ClampPosition(int pos, int low, int high, int minLow, int minHigh);
// The bar position that gives the bottom pane `bottomHeight` pixels.
int StackedBarFor(const RECT& client, int bottomHeight, int w = kBarHalfWidth);

}  // namespace splittermath

class CPaneSplitter : public CWnd, private MessageFilter {
public:
    enum Mode { kSideBySide = 1, kStacked = 2 };

    // The settings the bar positions are kept in (tests pass their own root).
    explicit CPaneSplitter(AppSettings settings = AppSettings());
    ~CPaneSplitter() override;

    // Creates the splitter window; minimumFirst/minimumSecond apply to the
    // left/top and right/bottom panes.
    bool Create(DWORD style, HWND parent, UINT controlId, const RECT& rect, int minimumFirst,
                int minimumSecond);
    // Takes the two panes as children and sets up the arrangement(s) of
    // `mode` (bit 0 side by side, bit 1 stacked; with both, stacked stays
    // active). Commands and notifications of the panes go on to `owner`.
    // The lower pane's height when none is stored (else twice its minimum).
    void SetDefaultBottomHeight(int height) { defaultBottom_ = height; }
    bool SetPanes(int mode, HWND owner, HWND firstPane, HWND secondPane, int minimumFirst,
                  int minimumSecond);

    // Stacked arrangement only: hide the bottom pane and give the top pane
    // the whole client area / bring the bottom pane back at its height.
    void CollapseBottom();
    void RestoreBottom();
    bool IsBottomCollapsed() const { return collapsed_; }

    bool IsSideBySide() const { return sideBySide_; }
    bool IsStacked() const { return stacked_; }
    int GetSplitPosition() const { return splitPos_; }
    int GetBottomHeight() const { return bottomHeight_; }
    const RECT& LeftRect() const { return left_; }
    const RECT& RightRect() const { return right_; }
    const RECT& TopRect() const { return top_; }
    const RECT& BottomRect() const { return bottom_; }
    const RECT& VerticalBarRect() const { return vBar_; }
    const RECT& HorizontalBarRect() const { return hBar_; }
    bool IsDragging() const { return dragV_ || dragH_; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnDestroy() override;
    bool OnCommand(UINT id, UINT code, HWND ctl) override;
    bool OnNotify(int id, NMHDR* hdr, LRESULT& result) override;

private:
    bool PreTranslateMessage(MSG& msg) override;

    // The panes of one arrangement, which becomes the active one.
    void TakePanes(bool stacked, HWND firstPane, HWND secondPane, int minimumFirst, int minimumSecond);
    void SetUpSideBySide();
    void SetUpStacked();
    void LayoutVertical(int x);
    void LayoutHorizontal(int y);
    void OnButtonDown(POINT pt);
    void OnMouseMove(POINT pt);
    void OnButtonUp(POINT pt);
    void CancelDrag();
    void EndDrag();
    int ClampedX(int x) const;
    int ClampedY(int y) const;
    // The bar position a point asks for, across the bar's direction.
    int ClampedAlongBar(POINT pt, bool vertical) const;
    bool OverBar(POINT pt) const;
    // Draws (or, drawn twice, erases) the band at a position in client units.
    void InvertBand(int pos);

    AppSettings settings_;
    UINT id_ = 0;
    HWND owner_ = nullptr;
    bool sideBySide_ = false, stacked_ = false;
    HWND leftPane_ = nullptr, rightPane_ = nullptr, topPane_ = nullptr, bottomPane_ = nullptr;
    int minLeft_ = 0, minRight_ = 0, minTop_ = 0, minBottom_ = 0;
    RECT left_{}, right_{}, top_{}, bottom_{}, vBar_{}, hBar_{};
    int splitPos_ = 0;
    int bottomHeight_ = 0;
    int defaultBottom_ = 0;
    bool collapsed_ = false;
    bool dragV_ = false, dragH_ = false;
    int lastPos_ = 0;        // bar position of the band on screen, client units
    HWND previousFocus_ = nullptr;
    HCURSOR barCursor_ = nullptr;
};
