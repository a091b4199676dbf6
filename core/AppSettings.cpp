#include "core/AppSettings.h"

#include <cstdio>
#include <cstdlib>

#include "platform/Registry.h"

int AppSettings::ReadInt(const char* section, const char* name, int def) const {
    DWORD v = 0;
    return reg::ReadDword(HKEY_CURRENT_USER, SectionPath(section), name, v) ? static_cast<int>(v) : def;
}

bool AppSettings::WriteInt(const char* section, const char* name, int value) const {
    return reg::WriteDword(HKEY_CURRENT_USER, SectionPath(section), name, static_cast<DWORD>(value));
}

std::string AppSettings::ReadString(const char* section, const char* name, const std::string& def) const {
    std::string v;
    return reg::ReadString(HKEY_CURRENT_USER, SectionPath(section), name, v) ? v : def;
}

bool AppSettings::WriteString(const char* section, const char* name, const std::string& value) const {
    return reg::WriteString(HKEY_CURRENT_USER, SectionPath(section), name, value);
}

unsigned long ParseDecimal(const std::string& text) {
    return std::strtoul(text.c_str(), nullptr, 10);
}

unsigned long AppSettings::ReadDecimal(const char* section, const char* name, unsigned long def) const {
    char buf[32];
    std::snprintf(buf, sizeof(buf), "%lu", def);
    return ParseDecimal(ReadString(section, name, buf));
}

bool AppSettings::WriteDecimal(const char* section, const char* name, unsigned long value) const {
    char buf[32];
    std::snprintf(buf, sizeof(buf), "%lu", value);
    return WriteString(section, name, buf);
}

bool AppSettings::ReadBinary(const char* section, const char* name, std::vector<BYTE>& out) const {
    return reg::ReadBinary(HKEY_CURRENT_USER, SectionPath(section), name, out);
}

bool AppSettings::WriteBinary(const char* section, const char* name, const void* data, DWORD size) const {
    return reg::WriteBinary(HKEY_CURRENT_USER, SectionPath(section), name, data, size);
}
