#include "app/TrayIcon.h"

#include <cstring>

bool TrayIcon::Add(HWND owner, UINT id, UINT callbackMessage, HICON icon, const std::string& tip) {
    if (added_) return true;
    data_ = NOTIFYICONDATAA{};
    data_.cbSize = sizeof(data_);
    data_.hWnd = owner;
    data_.uID = id;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = callbackMessage;
    data_.hIcon = icon;
    std::strncpy(data_.szTip, tip.c_str(), sizeof(data_.szTip) - 1);
    added_ = ::Shell_NotifyIconA(NIM_ADD, &data_) != FALSE;
    return added_;
}

bool TrayIcon::Remove() {
    if (!added_) return false;
    added_ = false;
    return ::Shell_NotifyIconA(NIM_DELETE, &data_) != FALSE;
}
