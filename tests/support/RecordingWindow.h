// A top-level window of the test that records every message it receives, in
// order: the notify window of a worker, or a stand-in for another program's
// window.
#pragma once

#include <windows.h>

#include <vector>

namespace testutil {

class RecordingWindow {
public:
    // className is registered for it; honourClose false: WM_CLOSE is ignored,
    // as by a frame that will not close on request. WM_DESTROY and
    // WM_NCDESTROY sent by hand never tear it down.
    explicit RecordingWindow(const char* className, bool honourClose = true);
    ~RecordingWindow();
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    std::vector<UINT> messages;

    // Index of the first occurrence of msg, or -1.
    int IndexOf(UINT msg) const;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    bool honourClose_;
    HWND hwnd_ = nullptr;
};

}  // namespace testutil
