// The notification-area icon: added once, removed at exit.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

class TrayIcon {
public:
    TrayIcon() = default;
    ~TrayIcon() { Remove(); }
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Adds the icon; callbackMessage reaches owner with the mouse event in lParam.
    bool Add(HWND owner, UINT id, UINT callbackMessage, HICON icon, const std::string& tip);
    bool Remove();
    bool IsAdded() const { return added_; }

private:
    NOTIFYICONDATAA data_{};
    bool added_ = false;
};
