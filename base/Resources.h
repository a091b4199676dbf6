// Access to the program's own resources (strings, text and binary data).
// Every function returns an empty result for a missing resource.
#pragma once

#include <windows.h>
#include <string>

// The module the resources live in: the executable.
HINSTANCE ResourceInstance();

// A string-table entry; empty when the id does not exist.
std::string LoadStringResource(UINT id);

// A command's string holds its status prompt and its tooltip, separated by a
// line break: the part before it, and the part after it (empty without one).
std::string CommandPrompt(UINT id);
std::string CommandTooltip(UINT id);

// The bytes of a custom resource, pointing into the loaded image (valid for
// the life of the process). Returns false when the resource does not exist.
bool FindResourceBytes(UINT id, const char* type, const void*& data, DWORD& size);

// A custom resource as text (e.g. type "TEXT" or RT_HTML); empty when missing.
std::string LoadTextResource(UINT id, const char* type);

// Formats like sprintf into a std::string.
std::string FormatString(const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;
