#include "app/TrayIcon.h"

#include "core/Text.h"

#include <cstring>

namespace {
// Cut at a character boundary: half a double-byte character would show as
// garbage at the end of the text.
template <size_t N>
void CopyCut(char (&field)[N], const std::string& text) {
    const std::string cut = CutAtCharBoundary(text, N - 1);
    std::memcpy(field, cut.c_str(), cut.size() + 1);
}
}  // namespace

bool TrayIcon::Add(HWND owner, UINT id, UINT callbackMessage, HICON icon, const std::string& tip) {
    if (added_) return true;
    data_ = NOTIFYICONDATAA{};
    data_.cbSize = sizeof(data_);
    data_.hWnd = owner;
    data_.uID = id;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = callbackMessage;
    data_.hIcon = icon;
    CopyCut(data_.szTip, tip);
    added_ = ::Shell_NotifyIconA(NIM_ADD, &data_) != FALSE;
    return added_;
}

bool TrayIcon::Remove() {
    if (!added_) return false;
    added_ = false;
    return ::Shell_NotifyIconA(NIM_DELETE, &data_) != FALSE;
}

bool TrayIcon::ShowBalloon(const std::string& title, const std::string& text) {
    if (!added_) return false;
    NOTIFYICONDATAA data = data_;
    data.uFlags = NIF_INFO;
    CopyCut(data.szInfoTitle, title);
    CopyCut(data.szInfo, text);
    data.dwInfoFlags = NIIF_WARNING;
    data.uTimeout = 10000;  // the shell keeps it between 10 and 30 s anyway
    balloon_.title = data.szInfoTitle;
    balloon_.text = data.szInfo;
    ++balloon_.count;
    return ::Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}
