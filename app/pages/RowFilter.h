// The rule by which a list's filter box picks rows: a row shows when any of
// its cells contains the typed text, ignoring case. Text is in the system's
// code page, so both the case folding and the search respect its multi-byte
// characters: a match starts only where a character starts, never on the
// second byte of a double-byte character. Pure functions over the text, with
// the folding and the lead-byte test passed in, so tests feed exact bytes.
#pragma once

#include <string>
#include <vector>

namespace rowfilter {

// Lower-cases length bytes of text in place (the system's CharLowerBuffA).
using LowerFn = void (*)(char* text, unsigned long length);
// Whether a byte starts a double-byte character (IsDBCSLeadByte).
using LeadByteFn = bool (*)(unsigned char byte);

// The text lower-cased by lower.
std::string Fold(const std::string& text, LowerFn lower);
// A row's cells folded into one text, '\0' between the cells: a search in it
// never matches across two cells, since typed text holds no '\0'.
std::string FoldRow(const std::vector<std::string>& cells, LowerFn lower);
// Whether folded holds foldedNeedle at a character boundary. An empty needle
// matches everything.
bool Contains(const std::string& folded, const std::string& foldedNeedle, LeadByteFn isLeadByte);
// The whole rule: any cell of the row contains needle, ignoring case.
bool RowMatches(const std::vector<std::string>& cells, const std::string& needle, LowerFn lower,
                LeadByteFn isLeadByte);

// The system's own folding and lead-byte test (the current code page).
void SystemLower(char* text, unsigned long length);
bool SystemLeadByte(unsigned char byte);

}  // namespace rowfilter
