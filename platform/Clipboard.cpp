#include "platform/Clipboard.h"

#include <cstring>

namespace {

// The clipboard, open for the lifetime of the object.
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner) : open_(::OpenClipboard(owner) != FALSE) {}
    ~OpenClipboardScope() {
        if (open_) ::CloseClipboard();
    }
    bool IsOpen() const { return open_; }

private:
    bool open_;
};

}  // namespace

bool SetClipboardText(HWND owner, const std::string& text) {
    OpenClipboardScope clipboard(owner);
    if (!clipboard.IsOpen()) return false;
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!memory) return false;
    void* bytes = ::GlobalLock(memory);
    if (!bytes) {
        ::GlobalFree(memory);
        return false;
    }
    std::memcpy(bytes, text.c_str(), text.size() + 1);
    ::GlobalUnlock(memory);
    ::EmptyClipboard();
    // The clipboard owns the memory once it took it.
    if (!::SetClipboardData(CF_TEXT, memory)) {
        ::GlobalFree(memory);
        return false;
    }
    return true;
}

bool GetClipboardText(HWND owner, std::string& text) {
    OpenClipboardScope clipboard(owner);
    if (!clipboard.IsOpen()) return false;
    HANDLE data = ::GetClipboardData(CF_TEXT);
    if (!data) return false;
    const char* bytes = static_cast<const char*>(::GlobalLock(data));
    if (!bytes) return false;
    const size_t limit = ::GlobalSize(data);
    size_t length = 0;
    while (length < limit && bytes[length]) ++length;
    text.assign(bytes, length);
    ::GlobalUnlock(data);
    return true;
}
