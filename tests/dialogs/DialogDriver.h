// Driving a dialog of this process the way a user's input would: clicks,
// selections, typing and keys sent to its controls, and reading back what
// the controls show.
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace drive {

std::string Text(HWND dialog, int id);
bool Checked(HWND dialog, int id);
bool Enabled(HWND dialog, int id);
int Selection(HWND dialog, int id);
std::string SelectedText(HWND dialog, int id);
int SliderPosition(HWND dialog, int id);

// A mouse click on a button (the button notifies its dialog).
void Click(HWND dialog, int id);
// Chooses a list entry as the user does: the list changes, then the dialog
// hears of the selection change.
void Select(HWND dialog, int id, int index);
// Replaces all text of an edit through its own editing (the edit notifies
// its dialog of the change).
void Type(HWND dialog, int id, const std::string& text);
// A key press sent to a control.
void Key(HWND dialog, int id, UINT vk);

// Every value under a key of HKEY_CURRENT_USER and its subkeys, as
// "subkey\name" -> type and data, so two states can be compared whole.
std::map<std::string, std::string> RegistryDump(const std::string& path);
std::string DwordValue(DWORD v);
std::string StringValue(const std::string& s);

// Keeps the "Quillmark" Run value of the test's start and puts it back.
class RunValueGuard {
public:
    RunValueGuard();
    ~RunValueGuard();

private:
    bool had_ = false;
    std::string saved_;
};

// The Run value, or "<missing>".
std::string RunValue();

// The long path of this test program.
std::string OwnLongPath();

}  // namespace drive
