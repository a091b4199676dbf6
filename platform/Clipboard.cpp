#include "platform/Clipboard.h"

#include <cstring>

bool CopyTextToClipboard(HWND owner, const std::string& text) {
    if (text.empty()) return false;
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!memory) return false;
    void* bytes = ::GlobalLock(memory);
    if (!bytes) {
        ::GlobalFree(memory);
        return false;
    }
    std::memcpy(bytes, text.c_str(), text.size() + 1);
    ::GlobalUnlock(memory);
    if (!::OpenClipboard(owner)) {
        ::GlobalFree(memory);
        return false;
    }
    ::EmptyClipboard();
    // The clipboard owns the memory once it has taken it.
    const bool taken = ::SetClipboardData(CF_TEXT, memory) != nullptr;
    if (!taken) ::GlobalFree(memory);
    ::CloseClipboard();
    return taken;
}
