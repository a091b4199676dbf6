#include "platform/Registry.h"

#include "base/Handles.h"

namespace reg {
namespace {

RegKey Open(HKEY root, const std::string& path, REGSAM access) {
    RegKey key;
    if (::RegOpenKeyExA(root, path.c_str(), 0, access, key.put()) != ERROR_SUCCESS) key.reset();
    return key;
}

RegKey Create(HKEY root, const std::string& path) {
    RegKey key;
    if (::RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE | KEY_READ,
                          nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        key.reset();
    return key;
}

// Reads a value of one of the accepted types into bytes.
bool ReadRaw(HKEY root, const std::string& path, const char* name, DWORD type1, DWORD type2,
             std::vector<BYTE>& out) {
    RegKey key = Open(root, path, KEY_QUERY_VALUE);
    if (!key) return false;
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0, size = 0;
        if (::RegQueryValueExA(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return false;
        if (type != type1 && type != type2) return false;
        std::vector<BYTE> buf(size + 2);
        DWORD got = size;
        LONG rc = ::RegQueryValueExA(key.get(), name, nullptr, &type, buf.data(), &got);
        if (rc == ERROR_MORE_DATA) continue;  // grew between the two calls
        if (rc != ERROR_SUCCESS || (type != type1 && type != type2)) return false;
        buf.resize(got);
        out.swap(buf);
        return true;
    }
    return false;
}

}  // namespace

bool ReadDword(HKEY root, const std::string& path, const char* name, DWORD& out) {
    std::vector<BYTE> raw;
    if (!ReadRaw(root, path, name, REG_DWORD, REG_DWORD, raw) || raw.size() != sizeof(DWORD)) return false;
    out = *reinterpret_cast<const DWORD*>(raw.data());
    return true;
}

bool ReadString(HKEY root, const std::string& path, const char* name, std::string& out) {
    std::vector<BYTE> raw;
    if (!ReadRaw(root, path, name, REG_SZ, REG_EXPAND_SZ, raw)) return false;
    // Stored strings may or may not carry their terminator; cut at the first NUL.
    std::string s(reinterpret_cast<const char*>(raw.data()), raw.size());
    size_t nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
    out.swap(s);
    return true;
}

bool ReadBinary(HKEY root, const std::string& path, const char* name, std::vector<BYTE>& out) {
    return ReadRaw(root, path, name, REG_BINARY, REG_BINARY, out);
}

bool WriteDword(HKEY root, const std::string& path, const char* name, DWORD value) {
    RegKey key = Create(root, path);
    return key && ::RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                   sizeof(value)) == ERROR_SUCCESS;
}

bool WriteString(HKEY root, const std::string& path, const char* name, const std::string& value) {
    RegKey key = Create(root, path);
    return key && ::RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool WriteBinary(HKEY root, const std::string& path, const char* name, const void* data, DWORD size) {
    RegKey key = Create(root, path);
    return key && ::RegSetValueExA(key.get(), name, 0, REG_BINARY, static_cast<const BYTE*>(data), size) ==
                      ERROR_SUCCESS;
}

bool DeleteValue(HKEY root, const std::string& path, const char* name) {
    RegKey key = Open(root, path, KEY_SET_VALUE);
    return key && ::RegDeleteValueA(key.get(), name) == ERROR_SUCCESS;
}

bool DeleteTree(HKEY root, const std::string& path) {
    LONG rc = ::RegDeleteTreeA(root, path.c_str());
    if (rc == ERROR_FILE_NOT_FOUND) return true;
    if (rc != ERROR_SUCCESS) return false;
    // RegDeleteTree empties the key; remove the key itself too.
    rc = ::RegDeleteKeyA(root, path.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool KeyExists(HKEY root, const std::string& path) {
    return static_cast<bool>(Open(root, path, KEY_QUERY_VALUE));
}

}  // namespace reg
