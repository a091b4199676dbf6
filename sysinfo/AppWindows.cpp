#include "sysinfo/AppWindows.h"

#include <shellapi.h>

#include "platform/Files.h"
#include "platform/Processes.h"
#include "sysinfo/ProcessHelpers.h"

bool IsAppWindowBits(bool visible, bool hasParent, bool hasOwner, DWORD style, DWORD exStyle) {
    if (!visible || hasParent) return false;
    const bool toolWindow = (exStyle & WS_EX_TOOLWINDOW) != 0;
    if (toolWindow) return false;
    if ((style & WS_POPUP) && !hasOwner) return true;
    if ((style & 0x00CF0000) && !hasOwner) return true;
    return (exStyle & WS_EX_APPWINDOW) != 0;
}

bool IsAppWindow(HWND window) {
    if (!window) return false;
    // Most top-level windows are hidden: their style says so in one read
    // (0 for a window that is gone), before the five other questions, each of
    // which may be a trip to the window server for another program's window.
    DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_STYLE));
    if ((style & WS_VISIBLE) == 0) return false;
    DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_EXSTYLE));
    // The parent is the real parent, not the owner (GetParent mixes them).
    HWND parent = ::GetAncestor(window, GA_PARENT);
    bool hasParent = (style & WS_CHILD) != 0 || (parent && parent != ::GetDesktopWindow());
    bool hasOwner = ::GetWindow(window, GW_OWNER) != nullptr;
    return IsAppWindowBits(::IsWindowVisible(window) != FALSE, hasParent, hasOwner, style, exStyle);
}

HICON ProgramIcon(const std::string& path, bool large) {
    if (path.empty()) return nullptr;
    HICON icon = nullptr;
    if (large)
        ::ExtractIconExA(path.c_str(), 0, &icon, nullptr, 1);
    else
        ::ExtractIconExA(path.c_str(), 0, nullptr, &icon, 1);
    if (icon) return icon;
    SHFILEINFOA info{};
    UINT flags = SHGFI_ICON | (large ? SHGFI_LARGEICON : SHGFI_SMALLICON);
    if (::SHGetFileInfoA(path.c_str(), 0, &info, sizeof(info), flags) && info.hIcon) return info.hIcon;
    return nullptr;
}

bool ReadAppWindowInfo(HWND window, AppWindowInfo& info, bool withIcon) {
    if (!window || !::IsWindow(window)) return false;
    AppWindowInfo r;
    r.window = window;
    ::GetWindowThreadProcessId(window, &r.pid);
    r.imagePath = "<unknown>";
    r.programName = "<unknown>";
    std::string path;
    if (GetProcessImagePath(r.pid, path) && !path.empty()) {
        r.imagePath = path;
        // A path that names no file (a folder, say) protects under the same
        // key as an unreadable one, never under "".
        const std::string name = FileNameOf(path);
        if (!name.empty()) r.programName = name;
    }
    char text[256] = {};
    ::GetWindowTextA(window, text, sizeof(text));
    if (text[0] == '\0') ::GetClassNameA(window, text, sizeof(text));
    r.title = text;
    if (withIcon && FileExists(r.imagePath)) r.icon.reset(ProgramIcon(r.imagePath, false));
    info = std::move(r);
    return true;
}

