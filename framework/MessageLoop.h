// The program's message loop. Filters see every message before it is
// dispatched: the main window's accelerators run there, ahead of the dialog
// manager's own keyboard handling, then IsDialogMessage for modeless dialogs.
#pragma once

#include <windows.h>

#include <functional>

class MessageFilter {
public:
    virtual ~MessageFilter() = default;
    // Returns true when the message was handled and must not be dispatched.
    virtual bool PreTranslateMessage(MSG& msg) = 0;
};

namespace MessageLoop {
void AddFilter(MessageFilter* filter);
void RemoveFilter(MessageFilter* filter);
// Modeless dialogs whose keyboard navigation the loop handles.
void AddDialog(HWND dialog);
void RemoveDialog(HWND dialog);
// Runs filters and the dialog manager for one message; true when consumed.
bool PreTranslate(MSG& msg);
// Runs once each time the queue has emptied after a message that may have
// changed what the user sees (the main window's toolbar states); null: none.
void SetIdleHandler(std::function<void()> handler);
// Runs the idle handler now (a host that pumps messages itself).
void RunIdle();
// Runs until WM_QUIT; returns its exit code.
int Run();
// Dispatches waiting messages without blocking; false once WM_QUIT was seen
// (the quit message is posted again for the outer loop).
bool PumpPending();
}  // namespace MessageLoop
