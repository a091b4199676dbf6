#include "DialogDriver.h"

#include <commctrl.h>

#include <vector>

#include "actions/StartWithWindows.h"
#include "base/Handles.h"
#include "platform/Registry.h"

namespace drive {

std::string Text(HWND dialog, int id) {
    char text[1024] = {};
    ::GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

bool Checked(HWND dialog, int id) {
    return ::SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool Enabled(HWND dialog, int id) {
    return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE;
}

int Selection(HWND dialog, int id) {
    return static_cast<int>(::SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}

std::string SelectedText(HWND dialog, int id) {
    const int index = Selection(dialog, id);
    if (index < 0) return std::string();
    char text[256] = {};
    ::SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

int SliderPosition(HWND dialog, int id) {
    return static_cast<int>(::SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0));
}

void Click(HWND dialog, int id) {
    ::SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0);
}

void Select(HWND dialog, int id, int index) {
    HWND list = ::GetDlgItem(dialog, id);
    ::SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void Type(HWND dialog, int id, const std::string& text) {
    HWND edit = ::GetDlgItem(dialog, id);
    ::SendMessageA(edit, EM_SETSEL, 0, -1);
    ::SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

void Key(HWND dialog, int id, UINT vk) {
    HWND control = ::GetDlgItem(dialog, id);
    ::SendMessageA(control, WM_KEYDOWN, vk, 1);
    ::SendMessageA(control, WM_KEYUP, vk, 0xC0000001);
}

namespace {

void DumpKey(HKEY root, const std::string& path, const std::string& prefix,
             std::map<std::string, std::string>& out) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return;
    RegKey key(raw);
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD nameLength = sizeof name;
        DWORD type = 0;
        BYTE data[4096];
        DWORD dataLength = sizeof data;
        if (::RegEnumValueA(key.get(), i, name, &nameLength, nullptr, &type, data, &dataLength) != ERROR_SUCCESS)
            break;
        std::string value = type == REG_DWORD ? "dword:" : "type" + std::to_string(type) + ":";
        if (type == REG_DWORD && dataLength == 4) {
            DWORD d;
            memcpy(&d, data, 4);
            value += std::to_string(static_cast<long>(d));
        } else {
            value.append(reinterpret_cast<const char*>(data), dataLength);
            // A string is the same value with or without its stored NUL.
            while (!value.empty() && value.back() == '\0') value.pop_back();
        }
        out[prefix + name] = value;
    }
    for (DWORD i = 0;; ++i) {
        char sub[256];
        DWORD subLength = sizeof sub;
        if (::RegEnumKeyExA(key.get(), i, sub, &subLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        DumpKey(root, path + "\\" + sub, prefix + sub + "\\", out);
    }
}

}  // namespace

std::map<std::string, std::string> RegistryDump(const std::string& path) {
    std::map<std::string, std::string> out;
    DumpKey(HKEY_CURRENT_USER, path, "", out);
    return out;
}

std::string DwordValue(DWORD v) { return "dword:" + std::to_string(static_cast<long>(v)); }

std::string StringValue(const std::string& s) { return "type" + std::to_string(REG_SZ) + ":" + s; }

RunValueGuard::RunValueGuard() {
    had_ = reg::ReadString(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, saved_);
    reg::DeleteValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName);
}

RunValueGuard::~RunValueGuard() {
    if (had_)
        reg::WriteString(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, saved_);
    else
        reg::DeleteValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName);
}

std::string RunValue() {
    std::string value;
    if (!reg::ReadString(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, value)) return "<missing>";
    return value;
}

std::string OwnLongPath() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    char longPath[MAX_PATH] = {};
    if (::GetLongPathNameA(path, longPath, MAX_PATH)) return longPath;
    return path;
}

}  // namespace drive
