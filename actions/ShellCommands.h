// What the commands ask of the shell and the window manager: open a file or
// an address, show a file's properties, bring a window forward. They act on
// the system, so they live with the other actions, not with the providers.
#pragma once

#include <windows.h>

#include <string>

// Asks the shell to open target (file, folder or web address); true when the
// shell's result is above 32.
bool ShellOpen(HWND owner, const std::string& target);
// Shows the shell's "properties" sheet of a file.
void ShowFileProperties(HWND owner, const std::string& path);
// Puts the window on top without moving it, and gives it the foreground and
// the focus.
void BringToFront(HWND window);
