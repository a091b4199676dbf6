// Child process for the close and kill tests. Usage:
//   qm_actionschild window <title> [count]   count (default 1) windows that
//                                            close on WM_CLOSE; the process
//                                            ends when the last one is gone
//   qm_actionschild hung <title>             a window whose thread never
//                                            reads its messages again
//   qm_actionschild wait                     no window; waits to be killed
// Every window has the class "QmActionsChild" and the given title. The
// process ends by itself after ten minutes, so a failed test leaves nothing
// behind for long.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr DWORD kLifetimeMs = 10 * 60 * 1000;
constexpr UINT_PTR kLifetimeTimer = 1;
int g_openWindows = 0;

LRESULT CALLBACK ChildWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        if (--g_openWindows == 0) PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

HWND CreateChildWindow(const char* title, int index) {
    HWND hwnd = CreateWindowExA(0, "QmActionsChild", title, WS_OVERLAPPEDWINDOW, 40 + 30 * index, 40 + 30 * index,
                                240, 120, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hwnd) {
        ++g_openWindows;
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    }
    return hwnd;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const int argc = __argc;
    char** argv = __argv;
    const std::string mode = argc > 1 ? argv[1] : "";
    const char* title = argc > 2 ? argv[2] : "qm_actionschild";

    if (mode == "wait") {
        Sleep(kLifetimeMs);
        return 0;
    }

    WNDCLASSA wc{};
    wc.lpfnWndProc = ChildWndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "QmActionsChild";
    if (!RegisterClassA(&wc)) return 2;

    if (mode == "hung") {
        if (!CreateChildWindow(title, 0)) return 3;
        // Never reads a message again: sends to the window time out.
        Sleep(kLifetimeMs);
        return 0;
    }
    if (mode != "window") return 1;

    int count = argc > 3 ? std::atoi(argv[3]) : 1;
    if (count < 1) count = 1;
    for (int i = 0; i < count; ++i)
        if (!CreateChildWindow(title, i)) return 3;
    SetTimer(nullptr, kLifetimeTimer, kLifetimeMs, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
