// The shell and window commands of the actions.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "TestUtil.h"
#include "actions/ShellCommands.h"
#include "base/Handles.h"

namespace {

struct Window {
    HWND hwnd = nullptr;
    Window(DWORD exStyle, DWORD style, HWND parentOrOwner, const char* title) {
        hwnd = ::CreateWindowExA(exStyle, "STATIC", title, style, 10, 10, 100, 60, parentOrOwner, nullptr, nullptr,
                                 nullptr);
    }
    ~Window() {
        if (hwnd) ::DestroyWindow(hwnd);
    }
};

TEST(ShellCommands, OpeningWhatDoesNotExistFails) {
    EXPECT_FALSE(ShellOpen(nullptr, ""));
    EXPECT_FALSE(ShellOpen(nullptr, "C:\\no\\such\\folder\\file.qmx"));
}

std::vector<DWORD> PidsNamed(const std::string& exeName) {
    std::vector<DWORD> pids;
    UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof(pe);
    if (snapshot && ::Process32First(snapshot.get(), &pe)) {
        do {
            if (_stricmp(pe.szExeFile, exeName.c_str()) == 0) pids.push_back(pe.th32ProcessID);
            pe.dwSize = sizeof(pe);
        } while (::Process32Next(snapshot.get(), &pe));
    }
    return pids;
}

TEST(ShellCommands, OpenStartsTheProgramItIsGiven) {
    // A copy under a name of its own, so the started process is surely ours.
    testutil::ScratchDir dir;
    std::string name = "qmshellopen" + std::to_string(::GetCurrentProcessId()) + ".exe";
    std::string copy = dir.File(name);
    ASSERT_TRUE(::CopyFileA(testutil::HostPath(QM_ACTIONSCHILD_EXE).c_str(), copy.c_str(), FALSE));
    EXPECT_TRUE(ShellOpen(nullptr, copy));
    std::vector<DWORD> pids;
    EXPECT_TRUE(testutil::WaitUntil([&] { return !(pids = PidsNamed(name)).empty(); }));
    for (DWORD pid : pids) {
        UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
        if (!process) continue;
        ::TerminateProcess(process.get(), 0);
        ::WaitForSingleObject(process.get(), 5000);
    }
}

TEST(ShellCommands, BringToFrontRaisesTheWindow) {
    Window back(0, WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, "back");
    Window front(0, WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, "front");
    BringToFront(back.hwnd);
    EXPECT_TRUE(testutil::WaitUntil([&] { return ::GetForegroundWindow() == back.hwnd; }));
    // Nothing above it among our windows in the z-order.
    for (HWND w = ::GetWindow(back.hwnd, GW_HWNDPREV); w; w = ::GetWindow(w, GW_HWNDPREV))
        EXPECT_NE(front.hwnd, w);
}

}  // namespace
