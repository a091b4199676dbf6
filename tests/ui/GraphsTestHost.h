// A top-level window to host the components under test, and the off-screen
// canvas to draw them into and read pixels back.
#pragma once

#include <windows.h>

#include "Canvas.h"
#include "base/Handles.h"

namespace graphstest {

class HostWindow {
public:
    HostWindow(int clientWidth, int clientHeight, bool visible = false) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = "QmGraphsTestHost";
        ::RegisterClassExA(&wc);
        RECT rc{0, 0, clientWidth, clientHeight};
        ::AdjustWindowRectEx(&rc, WS_POPUP, FALSE, 0);
        hwnd_ = ::CreateWindowExA(0, "QmGraphsTestHost", "host", WS_POPUP | (visible ? WS_VISIBLE : 0),
                                  20, 20, rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
    }
    ~HostWindow() {
        if (hwnd_) ::DestroyWindow(hwnd_);
    }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    HWND get() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

using testutil::Canvas;

}  // namespace graphstest
