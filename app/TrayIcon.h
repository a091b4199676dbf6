// The notification-area icon: added once, removed at exit.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

// The balloon's click at the icon's callback (the mouse-event word of its
// lParam); older headers lack it.
#ifndef NIN_BALLOONUSERCLICK
#define NIN_BALLOONUSERCLICK (WM_USER + 5)
#endif

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

    // A warning balloon over the icon, with a title and a text (each cut to
    // what the notification data holds). False when the icon is not there or
    // the shell refused it.
    bool ShowBalloon(const std::string& title, const std::string& text);
    // The last balloon asked for, as the notification data held it, and how
    // many were asked for in this run (the shell may not show them: tests
    // read what the program gave it).
    struct Balloon {
        std::string title;
        std::string text;
        int count = 0;
    };
    const Balloon& LastBalloon() const { return balloon_; }

private:
    NOTIFYICONDATAA data_{};
    bool added_ = false;
    Balloon balloon_;
};
