// The clipboard: text put on it as the system's text format.
#pragma once

#include <windows.h>

#include <string>

// Puts text on the clipboard, owned by owner (may be null). False for empty
// text or when the clipboard cannot be opened or the memory not had; the
// clipboard is left as it was then.
bool CopyTextToClipboard(HWND owner, const std::string& text);
