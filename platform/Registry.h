// Registry access: typed reads and writes of one value under a key path.
// Reads leave the output untouched and return false when the key or value is
// missing or has another type.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

namespace reg {

bool ReadDword(HKEY root, const std::string& path, const char* name, DWORD& out);
bool ReadString(HKEY root, const std::string& path, const char* name, std::string& out);
bool ReadBinary(HKEY root, const std::string& path, const char* name, std::vector<BYTE>& out);

// Writes create the key path as needed.
bool WriteDword(HKEY root, const std::string& path, const char* name, DWORD value);
bool WriteString(HKEY root, const std::string& path, const char* name, const std::string& value);
bool WriteBinary(HKEY root, const std::string& path, const char* name, const void* data, DWORD size);

bool DeleteValue(HKEY root, const std::string& path, const char* name);
// Deletes a key with everything below it; a missing key is no error.
bool DeleteTree(HKEY root, const std::string& path);
bool KeyExists(HKEY root, const std::string& path);

}  // namespace reg
