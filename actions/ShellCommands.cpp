#include "actions/ShellCommands.h"

#include <shellapi.h>

bool ShellOpen(HWND owner, const std::string& target) {
    if (target.empty()) return false;
    HINSTANCE result = ::ShellExecuteA(owner, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

void ShowFileProperties(HWND owner, const std::string& path) {
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = 0x0000000C;  // SEE_MASK_INVOKEIDLIST
    info.hwnd = owner;
    info.lpVerb = "properties";
    info.lpFile = path.c_str();
    info.nShow = SW_SHOW;
    ::ShellExecuteExA(&info);
}

void BringToFront(HWND window) {
    if (!window) return;
    ::SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::BringWindowToTop(window);
    ::SetForegroundWindow(window);
    ::SetFocus(window);
}
