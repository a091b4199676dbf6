#include "OnlineTestUtil.h"

std::string PublisherXml(const std::string& fileName) {
    return "<?xml version=\"1.0\"?>\r\n<duzer>\r\n<database>\r\n<company><name>Acme</name>"
           "<url>www.acme.example</url><executable><rating>2</rating><filename>" +
           fileName + "</filename><description>A tool.</description></executable></company>\r\n"
                      "</database>\r\n</duzer>\r\n";
}

MessageSink::MessageSink() {
    hwnd_ = ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

MessageSink::~MessageSink() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

bool MessageSink::Take(UINT message, WPARAM& wp, DWORD boundMs) {
    ULONGLONG end = ::GetTickCount64() + boundMs;
    MSG m;
    while (::GetTickCount64() < end) {
        if (::PeekMessageA(&m, hwnd_, message, message, PM_REMOVE)) {
            wp = m.wParam;
            return true;
        }
        ::Sleep(20);
    }
    return false;
}

bool MessageSink::Pending(UINT message) {
    MSG m;
    return ::PeekMessageA(&m, hwnd_, message, message, PM_NOREMOVE) != FALSE;
}
