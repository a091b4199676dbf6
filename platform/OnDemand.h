// System functions of libraries the program needs only for a command the user
// may never give (the save and print dialogs). Imported the ordinary way, such
// a library and everything it imports would be mapped before the window
// appears and stay resident all day; looked up here, it is loaded at the first
// call and kept until the process ends.
#pragma once

#include <windows.h>

namespace ondemand {

// Loads a library of the system folder by its full path, its own imports
// resolved from there too: a file of the same name beside the program (a
// portable copy's folder is anyone's to write to) or in the current folder is
// never the one loaded. Null when the library is missing.
HMODULE LoadSystemLibrary(const char* library);

// The address of `function` in the system library `library`, loading it on
// the first call; null when either is missing.
FARPROC Find(const char* library, const char* function);

// The typed form: `Function<decltype(&::PrintDlgA)>("comdlg32.dll", "PrintDlgA")`.
template <typename Fn>
Fn Function(const char* library, const char* function) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(Find(library, function)));
}

}  // namespace ondemand
