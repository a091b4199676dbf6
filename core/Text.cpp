#include "core/Text.h"

#include <windows.h>

std::string Trim(const std::string& s) {
    const char* space = " \t\r\n\v\f";
    size_t first = s.find_first_not_of(space);
    if (first == std::string::npos) return std::string();
    size_t last = s.find_last_not_of(space);
    return s.substr(first, last - first + 1);
}

std::string FileNameOf(const std::string& path) {
    size_t pos = path.find_last_of("\\/");
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

bool ParsePortNumber(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return false;
    port = value;
    return true;
}

namespace {
bool SystemLeadByte(unsigned char c) { return ::IsDBCSLeadByte(c) != FALSE; }
}  // namespace

std::string CutAtCharBoundary(const std::string& text, size_t maxBytes, bool (*isLeadByte)(unsigned char)) {
    if (text.size() <= maxBytes) return text;
    // Walk whole characters from the start: a trail byte can look like a
    // lead byte, so the boundary cannot be found by looking backwards.
    size_t end = 0;
    while (end < maxBytes) {
        size_t n = (isLeadByte(static_cast<unsigned char>(text[end])) && end + 1 < text.size()) ? 2 : 1;
        if (end + n > maxBytes) break;
        end += n;
    }
    return text.substr(0, end);
}

std::string CutAtCharBoundary(const std::string& text, size_t maxBytes) {
    return CutAtCharBoundary(text, maxBytes, &SystemLeadByte);
}
