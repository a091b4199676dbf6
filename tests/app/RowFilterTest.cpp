// The filter box's rule, fed exact bytes: any cell contains the typed text,
// ignoring case, never across two cells and never from the second byte of a
// double-byte character; and the count pane's "shown of total" text.
#include <gtest/gtest.h>

#include <cctype>

#include "app/pages/RowFilter.h"
#include "app/pages/RowText.h"

using namespace rowfilter;

namespace {

// A code page where 0x81..0x9F start a double-byte character (as in
// Shift-JIS); folding lower-cases the single-byte letters only.
bool FakeLeadByte(unsigned char b) { return b >= 0x81 && b <= 0x9F; }
void FakeLower(char* text, unsigned long length) {
    for (unsigned long i = 0; i < length; ++i) {
        if (FakeLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < length) {
            ++i;  // a trail byte is no letter, whatever its value
            continue;
        }
        text[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
    }
}

bool Matches(const std::vector<std::string>& cells, const std::string& needle) {
    return RowMatches(cells, needle, FakeLower, FakeLeadByte);
}

}  // namespace

TEST(RowFilterTest, AnyCellContainsTheTextIgnoringCase) {
    const std::vector<std::string> row = {"Notepad.exe", "Unprotected", "1234", ""};
    EXPECT_TRUE(Matches(row, "NOTE"));
    EXPECT_TRUE(Matches(row, "pad.EXE"));
    EXPECT_TRUE(Matches(row, "34"));
    EXPECT_TRUE(Matches(row, "unprotected"));
    EXPECT_TRUE(Matches(row, ""));  // no filter: every row
    EXPECT_FALSE(Matches(row, "notepad.exe unprotected"));
    // The end of one cell and the start of the next are not one text.
    EXPECT_FALSE(Matches(row, "exeunp"));
    EXPECT_FALSE(Matches(row, "ted1"));
    EXPECT_FALSE(Matches({}, "a"));
}

TEST(RowFilterTest, AMatchStartsOnlyWhereACharacterStarts) {
    // "x", then the double-byte character 0x81 0x41 (its trail byte is the
    // code of "A"), then "y".
    const std::string text = "x\x81\x41y";
    EXPECT_TRUE(Contains(text, "\x81\x41", FakeLeadByte));
    EXPECT_TRUE(Contains(text, "\x81\x41y", FakeLeadByte));
    EXPECT_TRUE(Contains(text, "y", FakeLeadByte));
    EXPECT_FALSE(Contains(text, "A", FakeLeadByte));
    EXPECT_FALSE(Contains(text, "Ay", FakeLeadByte));
    // Folding leaves the trail byte alone, so "a" does not find it either.
    EXPECT_FALSE(Matches({text}, "a"));
    EXPECT_TRUE(Matches({"\x81\x41" "ABC"}, "abc"));
    // A character cut at a cell's end does not swallow the next cell.
    EXPECT_TRUE(Matches({"ab\x81", "Cd"}, "cd"));
}

TEST(RowFilterTest, TheSystemFoldsItsCodePage) {
    // "Ärger.exe" in the prefix's code page: the filter "ärg" finds it.
    EXPECT_TRUE(RowMatches({"\xC4rger.exe"}, "\xE4RG", SystemLower, SystemLeadByte));
    EXPECT_FALSE(RowMatches({"\xC4rger.exe"}, "arg", SystemLower, SystemLeadByte));
}

TEST(RowFilterTest, FilteredCountsNameTheTotal) {
    EXPECT_EQ("12 of 210 tasks", rowtext::CountOfText(12, 210, "task"));
    EXPECT_EQ("1 of 210 applications", rowtext::CountOfText(1, 210, "application"));
    EXPECT_EQ("1 of 1 service", rowtext::CountOfText(1, 1, "service"));
    EXPECT_EQ("0 of 2 drivers", rowtext::CountOfText(0, 2, "driver"));
}
