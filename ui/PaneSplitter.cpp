#include "ui/PaneSplitter.h"

#include <windowsx.h>

#include <algorithm>

#include "core/SettingsKeys.h"
#include "base/Resources.h"
#include "resource.h"

namespace splittermath {

SideBySide LayoutSideBySide(const RECT& c, int x, int w) {
    SideBySide s;
    s.bar = {x - w, c.top, x + w, c.bottom};
    s.left = {c.left, c.top, x - w / 2, c.bottom};
    s.right = {s.left.right + w, c.top, c.right, c.bottom};
    return s;
}

Stacked LayoutStacked(const RECT& c, int y, int w) {
    Stacked s;
    s.bar = {0, y - w, c.right, y + w};
    s.bottom = {c.left, y + w / 2, c.right, c.bottom};
    s.top = {c.left, c.top, c.right, s.bottom.top - w};
    return s;
}

int ClampPosition(int pos, int low, int high, int minLow, int minHigh) {
    pos = std::min(pos, high - minHigh);
    return std::max(pos, low + minLow);
}

int StackedBarFor(const RECT& client, int bottomHeight, int w) {
    return client.bottom - w / 2 - bottomHeight;
}

}  // namespace splittermath

namespace {
const char kSplitterClass[] = "QmPaneSplitter";
using splittermath::kBarHalfWidth;

std::string SectionFor(const char* prefix, UINT id) {
    return FormatString("%s%u", prefix, id);
}

void PlacePane(HWND pane, const RECT& rc) {
    if (pane)
        ::SetWindowPos(pane, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

int Centre(int a, int b) {
    return (a + b) / 2;
}
}  // namespace

CPaneSplitter::CPaneSplitter(AppSettings settings) : settings_(std::move(settings)) {}

CPaneSplitter::~CPaneSplitter() {
    // Destroy the window while this object can still handle WM_DESTROY, so
    // the positions are saved also when the object goes first.
    if (IsWindow()) ::DestroyWindow(hwnd_);
    MessageLoop::RemoveFilter(this);
}

bool CPaneSplitter::Create(DWORD style, HWND parent, UINT controlId, const RECT& rect,
                           int minimumFirst, int minimumSecond) {
    CWnd::RegisterClass(kSplitterClass, 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    id_ = controlId;
    minLeft_ = minTop_ = minimumFirst;
    minRight_ = minBottom_ = minimumSecond;
    // The panes' controls take part in the dialog manager's Tab navigation;
    // without this it stops at the splitter, which takes no keys.
    return CWnd::Create(WS_EX_CONTROLPARENT, kSplitterClass, "", style | WS_CHILD | WS_CLIPCHILDREN, rect, parent,
                        controlId) != nullptr;
}

bool CPaneSplitter::SetPanes(int mode, HWND owner, HWND firstPane, HWND secondPane,
                             int minimumFirst, int minimumSecond) {
    owner_ = owner;
    if (firstPane) ::SetParent(firstPane, hwnd_);
    if (secondPane) ::SetParent(secondPane, hwnd_);
    // With both arrangements asked for, the stacked one is set up last and
    // stays the active one.
    if (mode & kSideBySide) TakePanes(false, firstPane, secondPane, minimumFirst, minimumSecond);
    if (mode & kStacked) TakePanes(true, firstPane, secondPane, minimumFirst, minimumSecond);
    return true;
}

void CPaneSplitter::TakePanes(bool stacked, HWND firstPane, HWND secondPane, int minimumFirst, int minimumSecond) {
    (stacked ? topPane_ : leftPane_) = firstPane;
    (stacked ? bottomPane_ : rightPane_) = secondPane;
    (stacked ? minTop_ : minLeft_) = minimumFirst;
    (stacked ? minBottom_ : minRight_) = minimumSecond;
    stacked_ = stacked;
    sideBySide_ = !stacked;
    if (stacked)
        SetUpStacked();
    else
        SetUpSideBySide();
}

void CPaneSplitter::SetUpSideBySide() {
    const int pos = settings_.ReadInt(SectionFor(settings::kSplitterVertSectionPrefix, id_).c_str(),
                                      settings::kVertSplitPosValue, 2 * minLeft_);
    LayoutVertical(pos + kBarHalfWidth / 2);
    splitPos_ = left_.right - left_.left;
    barCursor_ = ::LoadCursorA(ResourceInstance(), MAKEINTRESOURCEA(IDCUR_SPLIT_V));
}

void CPaneSplitter::SetUpStacked() {
    bottomHeight_ =
        settings_.ReadInt(SectionFor(settings::kSplitterHorizSectionPrefix, id_).c_str(),
                          settings::kHorizSplitPosValue,
                          defaultBottom_ > 0 ? defaultBottom_ : 2 * minBottom_);
    if (!collapsed_) LayoutHorizontal(ClampedY(splittermath::StackedBarFor(GetClientRect(), bottomHeight_)));
    barCursor_ = ::LoadCursorA(ResourceInstance(), MAKEINTRESOURCEA(IDCUR_SPLIT_H));
}

void CPaneSplitter::LayoutVertical(int x) {
    auto s = splittermath::LayoutSideBySide(GetClientRect(), x);
    vBar_ = s.bar;
    left_ = s.left;
    right_ = s.right;
    PlacePane(leftPane_, left_);
    PlacePane(rightPane_, right_);
}

void CPaneSplitter::LayoutHorizontal(int y) {
    auto s = splittermath::LayoutStacked(GetClientRect(), y);
    hBar_ = s.bar;
    bottom_ = s.bottom;
    top_ = s.top;
    PlacePane(bottomPane_, bottom_);
    PlacePane(topPane_, top_);
}

void CPaneSplitter::CollapseBottom() {
    if (!stacked_ || collapsed_ || !bottomPane_) return;
    collapsed_ = true;
    ::SetRectEmpty(&hBar_);
    ::ShowWindow(bottomPane_, SW_HIDE);
    top_ = GetClientRect();
    PlacePane(topPane_, top_);
}

void CPaneSplitter::RestoreBottom() {
    if (!stacked_) return;
    collapsed_ = false;
    if (!::IsRectEmpty(&bottom_)) bottomHeight_ = bottom_.bottom - bottom_.top;
    LayoutHorizontal(ClampedY(splittermath::StackedBarFor(GetClientRect(), bottomHeight_)));
    if (bottomPane_) ::ShowWindow(bottomPane_, SW_SHOW);
}

int CPaneSplitter::ClampedX(int x) const {
    RECT c = GetClientRect();
    return splittermath::ClampPosition(x, c.left, c.right, minLeft_, minRight_);
}

int CPaneSplitter::ClampedY(int y) const {
    RECT c = GetClientRect();
    return splittermath::ClampPosition(y, c.top, c.bottom, minTop_, minBottom_);
}

void CPaneSplitter::OnSize(UINT, int, int) {
    if (sideBySide_ && (leftPane_ || rightPane_)) {
        LayoutVertical(splitPos_ + kBarHalfWidth / 2);
    } else if (stacked_ && !collapsed_) {
        LayoutHorizontal(ClampedY(splittermath::StackedBarFor(GetClientRect(), bottomHeight_)));
    } else if (stacked_) {
        top_ = GetClientRect();
        PlacePane(topPane_, top_);
    }
}

bool CPaneSplitter::OverBar(POINT pt) const {
    if (sideBySide_) return ::PtInRect(&vBar_, pt) != FALSE;
    if (stacked_ && !collapsed_) return ::PtInRect(&hBar_, pt) != FALSE;
    return false;
}

void CPaneSplitter::InvertBand(int pos) {
    RECT c = GetClientRect();
    RECT band = sideBySide_ ? RECT{pos - kBarHalfWidth / 2, c.top, pos - kBarHalfWidth / 2 + kBarHalfWidth, c.bottom}
                            : RECT{c.left, pos - kBarHalfWidth / 2, c.right, pos - kBarHalfWidth / 2 + kBarHalfWidth};
    // The band is drawn on the parent's window DC, unclipped by children, so
    // it shows across the panes too; drawing it twice removes it.
    HWND target = ::GetParent(hwnd_);
    if (!target) target = hwnd_;
    ::MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&band), 2);
    RECT targetRect{};
    ::GetWindowRect(target, &targetRect);
    ::OffsetRect(&band, -targetRect.left, -targetRect.top);
    HDC dc = ::GetDCEx(target, nullptr, DCX_WINDOW | DCX_CACHE | DCX_LOCKWINDOWUPDATE);
    if (!dc) return;
    {
        BrushHandle brush(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE)));
        SelectGuard useBrush(dc, brush.get());
        ::PatBlt(dc, band.left, band.top, band.right - band.left, band.bottom - band.top, PATINVERT);
    }
    ::ReleaseDC(target, dc);
}

int CPaneSplitter::ClampedAlongBar(POINT pt, bool vertical) const { return vertical ? ClampedX(pt.x) : ClampedY(pt.y); }

void CPaneSplitter::OnButtonDown(POINT pt) {
    if (IsDragging() || !OverBar(pt)) return;
    (sideBySide_ ? dragV_ : dragH_) = true;
    lastPos_ = sideBySide_ ? Centre(vBar_.left, vBar_.right) : Centre(hBar_.top, hBar_.bottom);
    InvertBand(lastPos_);
    MessageLoop::AddFilter(this);
    ::SetCapture(hwnd_);
    previousFocus_ = ::SetFocus(hwnd_);
    if (barCursor_) ::SetCursor(barCursor_);
}

void CPaneSplitter::OnMouseMove(POINT pt) {
    if ((IsDragging() || OverBar(pt)) && barCursor_) ::SetCursor(barCursor_);
    if (!IsDragging()) return;
    const int pos = ClampedAlongBar(pt, dragV_);
    if (pos == lastPos_) return;
    InvertBand(lastPos_);
    InvertBand(pos);
    lastPos_ = pos;
}

void CPaneSplitter::OnButtonUp(POINT pt) {
    if (!IsDragging()) return;
    const bool vertical = dragV_;
    const int pos = ClampedAlongBar(pt, vertical);
    InvertBand(lastPos_);
    EndDrag();
    if (vertical) {
        LayoutVertical(pos);
        splitPos_ = left_.right - left_.left;
    } else {
        LayoutHorizontal(pos);
        bottomHeight_ = bottom_.bottom - bottom_.top;
    }
}

void CPaneSplitter::EndDrag() {
    // Clear the state first: releasing the capture sends WM_CAPTURECHANGED,
    // which must not cancel a drag that has already ended.
    dragV_ = dragH_ = false;
    MessageLoop::RemoveFilter(this);
    ::ReleaseCapture();
    if (previousFocus_ && ::IsWindow(previousFocus_)) ::SetFocus(previousFocus_);
    previousFocus_ = nullptr;
}

void CPaneSplitter::CancelDrag() {
    if (!IsDragging()) return;
    InvertBand(lastPos_);
    EndDrag();
}

bool CPaneSplitter::PreTranslateMessage(MSG& msg) {
    // Escape must reach the drag before a dialog turns it into Cancel.
    if (IsDragging() && msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
        CancelDrag();
        return true;
    }
    return false;
}

LRESULT CPaneSplitter::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    const POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
        // The panes' messages belong to their owner. A framework owner offers
        // each one to the sending control's own object; offering it here as
        // well would run that control's handler twice (a tab change would
        // reach the main window twice).
        if (owner_ && CWnd::FromHandle(owner_)) return ::SendMessageA(owner_, msg, wp, lp);
        break;
    case WM_LBUTTONDOWN:
        OnButtonDown(pt);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(pt);
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp(pt);
        return 0;
    case WM_KEYDOWN:
        if (wp == VK_ESCAPE && IsDragging()) {
            CancelDrag();
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        // Another window took the mouse: the drag cannot finish.
        if (IsDragging() && reinterpret_cast<HWND>(lp) != hwnd_) CancelDrag();
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lp) == HTCLIENT && barCursor_) {
            POINT cur{};
            ::GetCursorPos(&cur);
            ::ScreenToClient(hwnd_, &cur);
            if (IsDragging() || OverBar(cur)) {
                ::SetCursor(barCursor_);
                return TRUE;
            }
        }
        break;
    default:
        break;
    }
    return CWnd::WindowProc(msg, wp, lp);
}

bool CPaneSplitter::OnCommand(UINT id, UINT code, HWND ctl) {
    if (!owner_) return false;
    ::SendMessageA(owner_, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(ctl));
    return true;
}

bool CPaneSplitter::OnNotify(int id, NMHDR* hdr, LRESULT& result) {
    if (!owner_) return false;
    result = ::SendMessageA(owner_, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(hdr));
    return true;
}

void CPaneSplitter::OnDestroy() {
    if (IsDragging()) CancelDrag();
    if (!::IsRectEmpty(&left_))
        settings_.WriteInt(SectionFor(settings::kSplitterVertSectionPrefix, id_).c_str(),
                           settings::kVertSplitPosValue, left_.right);
    // Also while collapsed, so the last height survives a restart.
    if (!::IsRectEmpty(&bottom_))
        settings_.WriteInt(SectionFor(settings::kSplitterHorizSectionPrefix, id_).c_str(),
                           settings::kHorizSplitPosValue, bottomHeight_);
}
