#include "app/TrayIcon.h"

#include "core/Text.h"

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
    // Cut at a character boundary: half a double-byte character would show
    // as garbage at the end of the tip.
    const std::string cut = CutAtCharBoundary(tip, sizeof(data_.szTip) - 1);
    std::memcpy(data_.szTip, cut.c_str(), cut.size() + 1);
    added_ = ::Shell_NotifyIconA(NIM_ADD, &data_) != FALSE;
    return added_;
}

bool TrayIcon::Remove() {
    if (!added_) return false;
    added_ = false;
    return ::Shell_NotifyIconA(NIM_DELETE, &data_) != FALSE;
}
