// Shared pieces of the update and submission tests.
#pragma once

#include <windows.h>

#include <string>

// A small publisher database with one entry per given file name.
std::string PublisherXml(const std::string& fileName);

// A message-only window that no one dispatches to: the tests take the
// workers' messages from the queue themselves.
class MessageSink {
public:
    MessageSink();
    ~MessageSink();
    HWND Window() const { return hwnd_; }
    // Waits (bounded) for one message of that number; false when none came.
    bool Take(UINT message, WPARAM& wp, DWORD boundMs = 90000);
    // Whether a message of that number is waiting, without waiting.
    bool Pending(UINT message);

private:
    HWND hwnd_ = nullptr;
};
