// Conversions between UTF-16 and the system's ANSI code page: text from the
// system's wide interfaces is converted once, where it enters the program.
#pragma once

#include <windows.h>

#include <string>

// chars UTF-16 units into out (replaced only on success). Empty text gives
// empty text. codePage: CP_ACP unless a caller needs the thread's one.
bool WideToAnsi(const wchar_t* text, size_t chars, std::string& out, UINT codePage = CP_ACP);
// The same, giving empty text when the text cannot be converted.
std::string WideToAnsi(const std::wstring& text);
std::wstring AnsiToWide(const std::string& text);
