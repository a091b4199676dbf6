#include "SysinfoTestUtil.h"

#include "TestUtil.h"

std::string WindowsPathOf(const char* unixPath) {
    return testutil::HostPath(unixPath ? unixPath : "");
}

std::string TestChildExe() { return WindowsPathOf(QM_TESTCHILD_EXE); }

std::string TestChild32Exe() {
#ifdef QM_TESTCHILD32_EXE
    return WindowsPathOf(QM_TESTCHILD32_EXE);
#else
    return std::string();
#endif
}

std::string LongFormOf(const std::string& path) {
    char buf[MAX_PATH] = {};
    DWORD n = ::GetLongPathNameA(path.c_str(), buf, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buf, n) : path;
}

#include <map>

namespace {
std::map<HWND, std::map<UINT, int>>& Counts() {
    static std::map<HWND, std::map<UINT, int>> counts;
    return counts;
}

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg >= WM_USER) ++Counts()[hwnd][msg];
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}
}  // namespace

MessageSink::MessageSink() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "QmSysinfoMessageSink";
    ::RegisterClassA(&wc);
    hwnd_ = ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

MessageSink::~MessageSink() {
    if (hwnd_) ::DestroyWindow(hwnd_);
    Counts().erase(hwnd_);
}

int MessageSink::Count(UINT msg) const {
    auto it = Counts().find(hwnd_);
    if (it == Counts().end()) return 0;
    auto m = it->second.find(msg);
    return m == it->second.end() ? 0 : m->second;
}
