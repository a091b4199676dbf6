// Finding a common dialog the test program itself shows, so a helper thread
// can read it and answer it while the dialog's caller waits.
#pragma once

#include <windows.h>

namespace owndialog {

struct DialogSearch {
    DWORD pid;
    HWND found;
};

inline BOOL CALLBACK MatchOwnDialog(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<DialogSearch*>(p);
    DWORD pid = 0;
    char cls[16] = {};
    ::GetWindowThreadProcessId(w, &pid);
    ::GetClassNameA(w, cls, sizeof(cls));
    if (pid == s->pid && ::IsWindowVisible(w) && lstrcmpA(cls, "#32770") == 0) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

inline HWND FindOwnDialog() {
    DialogSearch search{::GetCurrentProcessId(), nullptr};
    ::EnumWindows(MatchOwnDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Polls (bounded) for the dialog; null when it did not show.
inline HWND WaitForOwnDialog(DWORD boundMs = 20000) {
    const DWORD start = ::GetTickCount();
    HWND dlg = nullptr;
    while (!(dlg = FindOwnDialog()) && ::GetTickCount() - start < boundMs) ::Sleep(50);
    return dlg;
}

}  // namespace owndialog
