// A framework window to parent the lists and tabs under test (so that
// notifications are reflected to the controls, as in the program), which
// also records the messages the components send or post to it.
#pragma once

#include <windows.h>

#include <vector>

#include "GraphsTestHost.h"
#include "base/Handles.h"
#include "framework/Window.h"

namespace liststest {

struct Message {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};

class HostWindow : public CWnd {
public:
    HostWindow(int width, int height) {
        CWnd::RegisterClass("QmListsTestHost", 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
        RECT rc{30, 30, 30 + width, 30 + height};
        Create(0, "QmListsTestHost", "lists", WS_POPUP | WS_CLIPCHILDREN, rc, nullptr, 0);
    }
    ~HostWindow() override { DestroyWindow(); }

    // Messages with ids in [WM_APP, 0xBFFF] and WM_COMMAND, in arrival order.
    std::vector<Message> received;
    int Count(UINT msg) const {
        int n = 0;
        for (const auto& m : received)
            if (m.msg == msg) ++n;
        return n;
    }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if ((msg >= WM_APP && msg <= 0xBFFF) || msg == WM_COMMAND) received.push_back({msg, wp, lp});
        return CWnd::WindowProc(msg, wp, lp);
    }
};

// Removes every queued message of the thread (so posted ones are seen).
inline void Pump() {
    MSG m;
    while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&m);
        ::DispatchMessageA(&m);
    }
}

// A window's client area printed into a 32-bit bitmap, read back by pixel.
// WM_PRINTCLIENT runs the list's custom draw, so nothing depends on what the
// screen shows.
class Capture : public graphstest::Canvas {
public:
    Capture(HWND hwnd, int width, int height) : Canvas(width, height) {
        RECT all{0, 0, width, height};
        BrushHandle black(::CreateSolidBrush(RGB(0, 0, 0)));
        ::FillRect(dc(), &all, black.get());
        ::SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc()), PRF_CLIENT | PRF_ERASEBKGND);
    }
};

}  // namespace liststest
