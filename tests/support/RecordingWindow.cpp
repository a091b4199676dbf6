#include "RecordingWindow.h"

namespace testutil {

RecordingWindow::RecordingWindow(const char* className, bool honourClose) : honourClose_(honourClose) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &RecordingWindow::Proc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    ::RegisterClassA(&wc);
    hwnd_ = ::CreateWindowExA(0, className, "recording", WS_OVERLAPPED, 0, 0, 100, 60, nullptr, nullptr,
                              wc.hInstance, this);
}

RecordingWindow::~RecordingWindow() {
    if (::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
}

int RecordingWindow::IndexOf(UINT msg) const {
    for (size_t i = 0; i < messages.size(); ++i)
        if (messages[i] == msg) return static_cast<int>(i);
    return -1;
}

LRESULT CALLBACK RecordingWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<RecordingWindow*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self) self->messages.push_back(msg);
    if (msg == WM_DESTROY || msg == WM_NCDESTROY) return 0;
    if (msg == WM_CLOSE && self && !self->honourClose_) return 0;
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace testutil
