// The clipboard's text, in the system's ANSI code page.
#pragma once

#include <windows.h>

#include <string>

// Replaces the clipboard's content with text (CF_TEXT), owned by owner.
// False when the clipboard cannot be opened or the memory not had.
bool SetClipboardText(HWND owner, const std::string& text);
// The clipboard's text; false (text untouched) when it holds none.
bool GetClipboardText(HWND owner, std::string& text);
