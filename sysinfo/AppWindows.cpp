#include "sysinfo/AppWindows.h"

#include <shellapi.h>

#include "core/SharedWork.h"
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
    // (0 for a window that is gone), before the other questions, each of
    // which is a trip to the window server for another program's window.
    DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_STYLE));
    if ((style & WS_VISIBLE) == 0) return false;
    // The parent is the real parent, not the owner (GetParent mixes them).
    HWND parent = ::GetAncestor(window, GA_PARENT);
    bool hasParent = (style & WS_CHILD) != 0 || (parent && parent != ::GetDesktopWindow());
    if (hasParent) return false;
    // A window whose parent is the desktop is visible exactly when its own
    // style says so (the desktop is always visible): no need to ask again.
    DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_EXSTYLE));
    bool hasOwner = ::GetWindow(window, GW_OWNER) != nullptr;
    return IsAppWindowBits(true, false, hasOwner, style, exStyle);
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

namespace {
// With ownWindow given, a window of this process is not read: false, with
// *ownWindow set.
bool ReadAppWindow(HWND window, AppWindowInfo& info, bool withIcon, const ProcessPaths* known,
                   bool* ownWindow = nullptr) {
    if (!window) return false;
    AppWindowInfo r;
    r.window = window;
    // No thread for a window that is gone.
    if (::GetWindowThreadProcessId(window, &r.pid) == 0) return false;
    if (ownWindow && r.pid == ::GetCurrentProcessId()) {
        *ownWindow = true;
        return false;
    }
    r.imagePath = "<unknown>";
    r.programName = "<unknown>";
    std::string path;
    const auto it = known ? known->find(r.pid) : ProcessPaths::const_iterator();
    if (known && it != known->end() && IsPlainImagePath(it->second))
        path = it->second;
    else
        GetProcessImagePath(r.pid, path);
    if (!path.empty()) {
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
}  // namespace

bool ReadAppWindowInfo(HWND window, AppWindowInfo& info, bool withIcon) {
    return ReadAppWindow(window, info, withIcon, nullptr);
}

bool ReadAppWindowInfo(HWND window, AppWindowInfo& info, const ProcessPaths& known) {
    return ReadAppWindow(window, info, false, &known);
}

namespace {
// From this many windows other threads share the reads (a thousand windows
// took 0.4 s on one thread here, six questions to the window server each).
constexpr size_t kSharedReadsFrom = 64;
constexpr size_t kOtherReaders = 3;
// Only for a reader that never comes back: the calling thread waits for it.
constexpr DWORD kSharedReadsBoundMs = 10000;
}  // namespace

std::vector<ListedAppWindow> ReadAppWindows(const std::vector<HWND>& windows, ProcessPaths known) {
    std::vector<ListedAppWindow> read(windows.size());
    for (size_t i = 0; i < windows.size(); ++i) read[i].window = windows[i];
    auto paths = std::make_shared<const ProcessPaths>(std::move(known));
    ShareWork<ListedAppWindow>(read, kOtherReaders, kSharedReadsFrom, kSharedReadsBoundMs,
                               [paths](ListedAppWindow& w) {
                                   if (!IsAppWindow(w.window)) return;
                                   w.listed = ReadAppWindow(w.window, w.info, false, paths.get(), &w.ownWindow);
                               });
    // A reader that failed left its windows moved from, unlisted as they
    // started.
    for (ListedAppWindow& w : read)
        if (w.ownWindow) w.listed = ReadAppWindow(w.window, w.info, false, paths.get());
    return read;
}

