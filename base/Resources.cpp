#include "Resources.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

HINSTANCE ResourceInstance() {
    return ::GetModuleHandleA(nullptr);
}

std::string LoadStringResource(UINT id) {
    // A string-table entry is at most 4097 characters long.
    std::vector<char> buf(4100);
    int n = ::LoadStringA(ResourceInstance(), id, buf.data(), static_cast<int>(buf.size()));
    return n > 0 ? std::string(buf.data(), static_cast<size_t>(n)) : std::string();
}

bool FindResourceBytes(UINT id, const char* type, const void*& data, DWORD& size) {
    HINSTANCE inst = ResourceInstance();
    HRSRC res = ::FindResourceA(inst, MAKEINTRESOURCEA(id), type);
    if (!res) return false;
    HGLOBAL mem = ::LoadResource(inst, res);
    if (!mem) return false;
    const void* p = ::LockResource(mem);
    if (!p) return false;
    data = p;
    size = ::SizeofResource(inst, res);
    return true;
}

std::string CommandPrompt(UINT id) {
    const std::string text = LoadStringResource(id);
    return text.substr(0, text.find('\n'));
}

std::string CommandTooltip(UINT id) {
    const std::string text = LoadStringResource(id);
    const size_t lineBreak = text.find('\n');
    return lineBreak == std::string::npos ? std::string() : text.substr(lineBreak + 1);
}

std::string LoadTextResource(UINT id, const char* type) {
    const void* data = nullptr;
    DWORD size = 0;
    if (!FindResourceBytes(id, type, data, size)) return std::string();
    return std::string(static_cast<const char*>(data), size);
}

std::string FormatString(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(&out[0], out.size(), format, args);
        out.resize(static_cast<size_t>(n));
    }
    va_end(args);
    return out;
}
