#include "MessageLoop.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace {
std::vector<MessageFilter*>& Filters() {
    static std::vector<MessageFilter*> filters;
    return filters;
}
std::vector<HWND>& Dialogs() {
    static std::vector<HWND> dialogs;
    return dialogs;
}
std::function<void()>& IdleHandler() {
    static std::function<void()> handler;
    return handler;
}
// Messages that arrive all the time without anything having changed for the
// user: they do not make the queue "busy" for the idle handler.
bool WakesIdle(UINT message) {
    return message != WM_TIMER && message != WM_PAINT && message != WM_MOUSEMOVE && message != WM_NCMOUSEMOVE &&
           message != WM_SETCURSOR && message != 0x0118;
}
}  // namespace

void MessageLoop::SetIdleHandler(std::function<void()> handler) { IdleHandler() = std::move(handler); }

void MessageLoop::RunIdle() {
    if (IdleHandler()) IdleHandler()();
}

void MessageLoop::AddFilter(MessageFilter* filter) {
    auto& f = Filters();
    if (std::find(f.begin(), f.end(), filter) == f.end()) f.push_back(filter);
}

void MessageLoop::RemoveFilter(MessageFilter* filter) {
    auto& f = Filters();
    f.erase(std::remove(f.begin(), f.end(), filter), f.end());
}

void MessageLoop::AddDialog(HWND dialog) {
    auto& d = Dialogs();
    if (std::find(d.begin(), d.end(), dialog) == d.end()) d.push_back(dialog);
}

void MessageLoop::RemoveDialog(HWND dialog) {
    auto& d = Dialogs();
    d.erase(std::remove(d.begin(), d.end(), dialog), d.end());
}

bool MessageLoop::PreTranslate(MSG& msg) {
    // Copies: a filter may add or remove filters while it runs.
    std::vector<MessageFilter*> filters = Filters();
    for (MessageFilter* f : filters) {
        if (f->PreTranslateMessage(msg)) return true;
    }
    std::vector<HWND> dialogs = Dialogs();
    for (HWND d : dialogs) {
        if (::IsWindow(d) && (d == msg.hwnd || ::IsChild(d, msg.hwnd)) && ::IsDialogMessageA(d, &msg))
            return true;
    }
    return false;
}

int MessageLoop::Run() {
    MSG msg;
    BOOL got;
    bool idlePending = true;
    for (;;) {
        if (idlePending && IdleHandler() && !::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            idlePending = false;
            IdleHandler()();
        }
        got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        if (WakesIdle(msg.message)) idlePending = true;
        if (!PreTranslate(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}

bool MessageLoop::PumpPending() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        if (!PreTranslate(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return true;
}
