#include "platform/Privileges.h"

#include <windows.h>

#include "base/Handles.h"

bool EnablePrivilege(const char* name, bool enable) {
    LUID luid{};
    if (!::LookupPrivilegeValueA(nullptr, name, &luid)) return false;
    UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()) || !token)
        return true;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid = luid;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    return ::AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof(privileges), nullptr, nullptr) != FALSE;
}
