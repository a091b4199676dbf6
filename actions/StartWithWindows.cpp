#include "actions/StartWithWindows.h"

#include <windows.h>

#include "core/AppPaths.h"
#include "base/Handles.h"

namespace {
constexpr REGSAM kChangeAccess = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;
}

std::string RunValueForPath(const std::string& exePath) {
    if (exePath.find(' ') == std::string::npos) return exePath;
    return "\"" + exePath + "\"";
}

bool IsStartWithWindows() {
    RegKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
    char data[MAX_PATH] = {};
    DWORD size = sizeof(data);
    LONG rc = ::RegQueryValueExA(key.get(), kRunValueName, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    // A path too long for the buffer is still a value that is set.
    if (rc == ERROR_MORE_DATA) return true;
    return rc == ERROR_SUCCESS && size > 0 && data[0] != '\0';
}

bool SetStartWithWindows(bool on) {
    RegKey key;
    if (on) {
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, kChangeAccess,
                              nullptr, key.put(), nullptr) != ERROR_SUCCESS)
            return false;
        const std::string value = RunValueForPath(ProgramPath());
        return ::RegSetValueExA(key.get(), kRunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    }
    LONG rc = ::RegOpenKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, kChangeAccess, key.put());
    if (rc == ERROR_FILE_NOT_FOUND) return true;
    if (rc != ERROR_SUCCESS) return false;
    rc = ::RegDeleteValueA(key.get(), kRunValueName);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}
