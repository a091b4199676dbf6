// Helpers for the system-information tests.
#pragma once

#include <windows.h>

#include <string>

// A Unix path passed in by the build as a Windows path on drive Z:.
std::string WindowsPathOf(const char* unixPath);
// The test child (same bitness as the test) and, on 64-bit builds, the
// 32-bit one ("" when not built).
std::string TestChildExe();
std::string TestChild32Exe();
// The long form of a path (or the path itself).
std::string LongFormOf(const std::string& path);

// A message-only window that counts the messages posted to it.
class MessageSink {
public:
    MessageSink();
    ~MessageSink();
    MessageSink(const MessageSink&) = delete;
    MessageSink& operator=(const MessageSink&) = delete;
    HWND get() const { return hwnd_; }
    // How many messages msg have been dispatched to the window so far.
    int Count(UINT msg) const;

private:
    HWND hwnd_ = nullptr;
};
