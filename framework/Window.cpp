#include "Window.h"

#include <unordered_map>
#include <vector>

#include "base/Handles.h"

namespace {
// The object of every window this framework attached, by handle. Every
// message of every window looks its object up here. A window property would
// keep GWLP_USERDATA of subclassed system controls free as well, but under
// Wine reading a property is a round trip to the server (about 50 us), paid
// by every message; this lookup stays in the process. An entry lives from
// attaching to WM_NCDESTROY (or the object's end), which every window of
// ours sees last.
class ObjectTable {
public:
    void Set(HWND hwnd, CWnd* object) {
        CriticalSectionLock hold(lock_);
        objects_[hwnd] = object;
    }
    void Remove(HWND hwnd, const CWnd* object) {
        CriticalSectionLock hold(lock_);
        auto it = objects_.find(hwnd);
        if (it != objects_.end() && it->second == object) objects_.erase(it);
    }
    CWnd* Find(HWND hwnd) {
        CriticalSectionLock hold(lock_);
        auto it = objects_.find(hwnd);
        return it == objects_.end() ? nullptr : it->second;
    }

private:
    CriticalSection lock_;
    std::unordered_map<HWND, CWnd*> objects_;
};

// Never destroyed: windows may still be torn down while static objects end.
ObjectTable& Objects() {
    static ObjectTable* table = new ObjectTable;
    return *table;
}
}  // namespace

CWnd::~CWnd() {
    // The object is going away: make sure no message reaches it any more.
    if (!hwnd_) return;
    HWND h = hwnd_;
    if (previousProc_) {
        Unsubclass();
    } else {
        DetachHandle();
    }
    // A window this object created dies with it; a control it merely
    // subclassed belongs to its dialog.
    if (ownsWindow_) ::DestroyWindow(h);
}

bool CWnd::RegisterClass(const char* className, UINT style, HBRUSH background, HCURSOR cursor,
                         HICON icon) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    if (::GetClassInfoExA(::GetModuleHandleA(nullptr), className, &wc)) return true;
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = &CWnd::StaticWindowProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = cursor ? cursor : ::LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = className;
    return ::RegisterClassExA(&wc) != 0;
}

HWND CWnd::Create(DWORD exStyle, const char* className, const char* title, DWORD style,
                  const RECT& rc, HWND parent, UINT id) {
    HMENU menu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
    HWND h = ::CreateWindowExA(exStyle, className, title, style, rc.left, rc.top,
                               rc.right - rc.left, rc.bottom - rc.top, parent, menu,
                               ::GetModuleHandleA(nullptr), this);
    // Classes not registered through this framework never saw the create
    // parameter: attach by subclassing instead.
    if (h && !hwnd_) Subclass(h);
    if (h) ownsWindow_ = true;
    return h;
}

void CWnd::AttachHandle(HWND hwnd) {
    hwnd_ = hwnd;
    Objects().Set(hwnd, this);
}

void CWnd::DetachHandle() {
    if (hwnd_) Objects().Remove(hwnd_, this);
    hwnd_ = nullptr;
}

bool CWnd::Subclass(HWND hwnd) {
    if (!hwnd || hwnd_ || FromHandle(hwnd)) return false;
    AttachHandle(hwnd);
    previousProc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
    return previousProc_ != nullptr;
}

void CWnd::Unsubclass() {
    if (!hwnd_ || !previousProc_) return;
    ::SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
    previousProc_ = nullptr;
    DetachHandle();
}

void CWnd::DestroyWindow() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    return hwnd ? Objects().Find(hwnd) : nullptr;
}

std::string WindowTextOf(HWND window) {
    int n = ::GetWindowTextLengthA(window);
    if (n <= 0) return std::string();
    std::string s(static_cast<size_t>(n) + 1, '\0');
    n = ::GetWindowTextA(window, &s[0], n + 1);
    s.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return s;
}

LRESULT CALLBACK CWnd::StaticWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CWnd* self = msg == WM_NCCREATE ? nullptr : FromHandle(hwnd);
    if (msg == WM_NCCREATE) {
        // A new window: whatever an earlier window of this handle left is
        // not its object.
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        self = static_cast<CWnd*>(cs->lpCreateParams);
        if (self) self->AttachHandle(hwnd);
    }
    if (!self) return ::DefWindowProcA(hwnd, msg, wp, lp);
    return self->RouteMessage(msg, wp, lp);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CWnd* self = FromHandle(hwnd);
    if (!self) return ::DefWindowProcA(hwnd, msg, wp, lp);
    return self->RouteMessage(msg, wp, lp);
}

LRESULT CWnd::RouteMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCDESTROY) {
        LRESULT r = DefaultProc(msg, wp, lp);
        if (previousProc_) {
            ::SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
            previousProc_ = nullptr;
        }
        DetachHandle();
        OnFinalMessage();
        return r;
    }
    return WindowProc(msg, wp, lp);
}

LRESULT CWnd::DefaultProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (previousProc_) return ::CallWindowProcA(previousProc_, hwnd_, msg, wp, lp);
    return ::DefWindowProcA(hwnd_, msg, wp, lp);
}

bool CWnd::ReflectCommand(WPARAM wp, LPARAM lp) {
    HWND ctl = reinterpret_cast<HWND>(lp);
    if (!ctl) return false;
    CWnd* child = FromHandle(ctl);
    return child && child->OnReflectedCommand(HIWORD(wp));
}

bool CWnd::ReflectNotify(LPARAM lp, LRESULT& result) {
    auto* hdr = reinterpret_cast<NMHDR*>(lp);
    if (!hdr) return false;
    CWnd* child = FromHandle(hdr->hwndFrom);
    return child && child->OnReflectedNotify(hdr, result);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        if (OnCreate(reinterpret_cast<CREATESTRUCTA*>(lp)) < 0) return -1;
        return 0;
    case WM_DESTROY:
        OnDestroy();
        break;
    case WM_SIZE:
        OnSize(static_cast<UINT>(wp), static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        break;
    case WM_COMMAND:
        if (ReflectCommand(wp, lp)) return 0;
        if (OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp))) return 0;
        break;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (ReflectNotify(lp, result)) return result;
        if (OnNotify(static_cast<int>(wp), reinterpret_cast<NMHDR*>(lp), result)) return result;
        break;
    }
    case WM_TIMER:
        OnTimer(wp);
        return 0;
    case WM_PAINT:
        if (OnPaint()) return 0;
        break;
    case WM_ERASEBKGND:
        if (OnEraseBkgnd(reinterpret_cast<HDC>(wp))) return 1;
        break;
    case WM_CONTEXTMENU: {
        POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        if (OnContextMenu(reinterpret_cast<HWND>(wp), pt)) return 0;
        break;
    }
    default:
        break;
    }
    return DefaultProc(msg, wp, lp);
}
