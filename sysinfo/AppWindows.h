// Application windows: which top-level windows a user would call
// applications, what the Applications view shows for each, and bringing one
// to the front.
#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "core/Text.h"

#include "sysinfo/SharedIcon.h"

// The rule over the bits that decide it: visible, no parent, and either a
// pop-up or overlapped-style window without owner, or a window with the
// application-window bit; never a tool window.
bool IsAppWindowBits(bool visible, bool hasParent, bool hasOwner, DWORD style, DWORD exStyle);
// IsAppWindowBits over the live window's bits.
bool IsAppWindow(HWND window);

struct AppWindowInfo {
    HWND window = nullptr;
    DWORD pid = 0;
    std::string imagePath;    // "<unknown>" when it cannot be read
    std::string programName;  // FileNameOf(imagePath), or "<unknown>"
    std::string title;        // window text, else class name (<= 255 chars)
    SharedIcon icon;          // small program icon; none when not found
};

// Fills info for window (the icon only when asked for and a file exists at
// the path). False when the window no longer exists.
bool ReadAppWindowInfo(HWND window, AppWindowInfo& info, bool withIcon = true);
// Image paths of processes by id, as a load of the process list read them.
using ProcessPaths = std::unordered_map<DWORD, std::string>;
// The same without the icon, taking the image path of the window's process
// from known when it is there as a plain path (saving four trips to the
// system a window); a process not there is read as above.
bool ReadAppWindowInfo(HWND window, AppWindowInfo& info, const ProcessPaths& known);

// One top-level window as the Applications list reads it: listed when it is
// an application window whose information could be read.
struct ListedAppWindow {
    HWND window = nullptr;
    bool listed = false;
    bool ownWindow = false;  // of this process: read by the calling thread
    AppWindowInfo info;
};
// IsAppWindow and ReadAppWindowInfo(known) of every window, in order. A long
// list is read by several threads at once (core/SharedWork.h); the windows of
// this process are read by the calling thread after the others, since asking a
// window for its title sends it a message when it is ours. A window whose
// reader failed is left unlisted.
std::vector<ListedAppWindow> ReadAppWindows(const std::vector<HWND>& windows, ProcessPaths known);

// Icon 0 of the file (large or small), else the shell's icon for the file;
// null when neither. The caller owns the icon.
HICON ProgramIcon(const std::string& path, bool large);
