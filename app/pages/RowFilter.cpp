#include "app/pages/RowFilter.h"

#include <windows.h>

#include <cstring>

namespace rowfilter {

std::string Fold(const std::string& text, LowerFn lower) {
    std::string out = text;
    if (!out.empty()) lower(&out[0], static_cast<unsigned long>(out.size()));
    return out;
}

std::string FoldRow(const std::vector<std::string>& cells, LowerFn lower) {
    std::string out;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i) out += '\0';
        out += cells[i];
    }
    // One call for the whole row: the separators fold to themselves.
    if (!out.empty()) lower(&out[0], static_cast<unsigned long>(out.size()));
    return out;
}

bool Contains(const std::string& folded, const std::string& foldedNeedle, LeadByteFn isLeadByte) {
    const size_t n = foldedNeedle.size();
    if (n == 0) return true;
    if (folded.size() < n) return false;
    const char* text = folded.data();
    const size_t last = folded.size() - n;
    for (size_t i = 0; i <= last;) {
        if (text[i] == foldedNeedle[0] && std::memcmp(text + i, foldedNeedle.data(), n) == 0) return true;
        // The next character: two bytes after a lead byte.
        i += isLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    }
    return false;
}

bool RowMatches(const std::vector<std::string>& cells, const std::string& needle, LowerFn lower,
                LeadByteFn isLeadByte) {
    return Contains(FoldRow(cells, lower), Fold(needle, lower), isLeadByte);
}

void SystemLower(char* text, unsigned long length) { ::CharLowerBuffA(text, length); }

bool SystemLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != FALSE; }

}  // namespace rowfilter
