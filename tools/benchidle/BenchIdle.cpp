// One small window and a message loop, nothing else: the typical idle GUI
// process that scripts/bench.sh starts by the hundred. It ends when its window
// is closed or when the script ends it by its process id.
//   qm_benchidle.exe [hidden]
// Shown, the window is an application window (a task manager lists it);
// "hidden" leaves it hidden until it is shown from outside.
#include <windows.h>

namespace {
LRESULT CALLBACK IdleWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = IdleWndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "QmBenchIdle";
    if (!RegisterClassA(&wc)) return 1;
    HWND wnd = CreateWindowA("QmBenchIdle", "Idle", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 240, 120,
                             nullptr, nullptr, instance, nullptr);
    if (!wnd) return 1;
    if (lstrcmpiA(commandLine, "hidden") != 0) ShowWindow(wnd, SW_SHOWNOACTIVATE);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
