// Starting the program when the user logs on: the value "Quillmark" in the
// current user's Run key, holding the long path of the executable.
#pragma once

#include <string>

// The Run key under HKEY_CURRENT_USER and the value name.
constexpr const char* kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunValueName = "Quillmark";

// The value's data for an executable: its path, in double quotes when it
// holds a space (unquoted, "C:\Program Files\..." could start
// "C:\Program.exe" instead).
std::string RunValueForPath(const std::string& exePath);

// True when the value exists and is not empty.
bool IsStartWithWindows();
// on: writes the executable's long path (RunValueForPath, over any older
// path); off: deletes the value. A missing key or value is no error when turning it off. False
// when the registry refused the change.
bool SetStartWithWindows(bool on);
