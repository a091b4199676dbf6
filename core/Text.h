// Small text helpers every subsystem uses: one rule each, written once.
#pragma once

#include <string>

// The wide/ANSI conversions are system calls: platform/Text.h.
#include "platform/Text.h"

// s without leading and trailing white space (space, tab, CR, LF, VT, FF).
std::string Trim(const std::string& s);

// The file name part of a path: the text after the last backslash or slash;
// the whole text when it has neither ("x.exe" is a file name, "C:\dir\" has
// none).
std::string FileNameOf(const std::string& path);

// A TCP port number: one to five decimal digits, nothing else, with a value
// in 1..65535. False (port untouched) for anything else.
bool ParsePortNumber(const std::string& text, int& port);

// The longest leading part of text that has at most maxBytes bytes and does
// not end in the middle of a double-byte character of the system's code page.
std::string CutAtCharBoundary(const std::string& text, size_t maxBytes);
// The same for a given code page's lead-byte test (tests).
std::string CutAtCharBoundary(const std::string& text, size_t maxBytes, bool (*isLeadByte)(unsigned char));
