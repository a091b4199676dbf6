// The window base class: one thunk maps a window handle to its C++ object and
// dispatches messages to small virtual handlers with typed parameters.
#pragma once

#include <windows.h>
#include <string>

// The text of any window (empty for none).
std::string WindowTextOf(HWND window);

class CWnd {
public:
    CWnd() = default;
    // Detaches the object before destroying a window it created, so no
    // handler runs on a half-destroyed object: a class that must see
    // OnDestroy (to save state, say) destroys its window in its own destructor.
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetHwnd() const { return hwnd_; }
    operator HWND() const { return hwnd_; }
    bool IsWindow() const { return hwnd_ != nullptr && ::IsWindow(hwnd_); }

    // Registers a window class whose procedure is this framework's thunk.
    static bool RegisterClass(const char* className, UINT style = CS_HREDRAW | CS_VREDRAW,
                              HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                              HCURSOR cursor = nullptr, HICON icon = nullptr);

    // Creates a window of a class registered with RegisterClass.
    HWND Create(DWORD exStyle, const char* className, const char* title, DWORD style,
                const RECT& rect, HWND parent, UINT id);

    // Attaches this object to an existing window (a control from a dialog
    // template or one created with a system class) by subclassing it.
    bool Subclass(HWND hwnd);
    // Removes the subclass without destroying the window.
    void Unsubclass();

    // Destroys the window (if any).
    void DestroyWindow();

    // Finds the object attached to a window, or null.
    static CWnd* FromHandle(HWND hwnd);

    // Thin conveniences over the common calls.
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::SendMessageA(hwnd_, msg, wp, lp);
    }
    bool PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::PostMessageA(hwnd_, msg, wp, lp) != FALSE;
    }
    UINT_PTR SetTimer(UINT_PTR id, UINT ms) const { return ::SetTimer(hwnd_, id, ms, nullptr); }
    bool KillTimer(UINT_PTR id) const { return ::KillTimer(hwnd_, id) != FALSE; }
    void Invalidate(bool erase = true) const { ::InvalidateRect(hwnd_, nullptr, erase); }
    bool ShowWindow(int cmd) const { return ::ShowWindow(hwnd_, cmd) != FALSE; }
    bool IsVisible() const { return ::IsWindowVisible(hwnd_) != FALSE; }
    RECT GetClientRect() const {
        RECT rc{};
        ::GetClientRect(hwnd_, &rc);
        return rc;
    }
    RECT GetWindowRect() const {
        RECT rc{};
        ::GetWindowRect(hwnd_, &rc);
        return rc;
    }
    void MoveWindow(const RECT& rc, bool repaint = true) const {
        ::MoveWindow(hwnd_, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, repaint);
    }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(hwnd_, id); }
    std::string GetWindowText() const { return WindowTextOf(hwnd_); }
    void SetWindowText(const std::string& text) const { ::SetWindowTextA(hwnd_, text.c_str()); }

protected:
    // The message handler. The default dispatches to the typed handlers below
    // and hands everything they do not consume to DefaultProc.
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // The procedure that runs for unhandled messages: the subclassed control's
    // own procedure, or DefWindowProc.
    LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp);

    // Typed handlers. Those returning bool return true when they consumed the
    // message; the others always run and then the default procedure runs too.
    virtual int OnCreate(CREATESTRUCTA*) { return 0; }
    virtual void OnDestroy() {}
    virtual void OnSize(UINT /*type*/, int /*cx*/, int /*cy*/) {}
    virtual bool OnCommand(UINT /*id*/, UINT /*code*/, HWND /*ctl*/) { return false; }
    virtual bool OnNotify(int /*id*/, NMHDR* /*hdr*/, LRESULT& /*result*/) { return false; }
    virtual void OnTimer(UINT_PTR /*id*/) {}
    virtual bool OnPaint() { return false; }
    virtual bool OnEraseBkgnd(HDC) { return false; }
    virtual bool OnContextMenu(HWND /*wnd*/, POINT /*screen*/) { return false; }

    // Reflection: a parent offers WM_COMMAND and WM_NOTIFY from a child
    // control to the control's own object first, so controls keep their
    // behaviour (custom draw, sorting on header clicks) to themselves.
    virtual bool OnReflectedCommand(UINT /*code*/) { return false; }
    virtual bool OnReflectedNotify(NMHDR* /*hdr*/, LRESULT& /*result*/) { return false; }

    // Offers a WM_COMMAND / WM_NOTIFY to the child's object; used by CWnd and CDialog.
    static bool ReflectCommand(WPARAM wp, LPARAM lp);
    static bool ReflectNotify(LPARAM lp, LRESULT& result);

    // Called after WM_NCDESTROY, when the handle is gone.
    virtual void OnFinalMessage() {}

    friend class CDialog;
    void AttachHandle(HWND hwnd);
    void DetachHandle();

    HWND hwnd_ = nullptr;

private:
    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT RouteMessage(UINT msg, WPARAM wp, LPARAM lp);
    WNDPROC previousProc_ = nullptr;  // set while subclassing a control
    bool ownsWindow_ = false;         // created by Create, destroyed with the object
};
