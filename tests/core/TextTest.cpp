// The shared text helpers: one rule each.
#include <gtest/gtest.h>

#include "core/Text.h"

namespace {

TEST(Text, TrimAndFileNameOf) {
    EXPECT_EQ("a b", Trim(" \t a b\r\n\v\f"));
    EXPECT_EQ("", Trim(" \t\r\n"));
    EXPECT_EQ("", Trim(""));
    EXPECT_EQ("x.exe", FileNameOf("C:\\dir\\x.exe"));
    EXPECT_EQ("x.exe", FileNameOf("C:/dir/x.exe"));
    EXPECT_EQ("x.exe", FileNameOf("x.exe"));
    EXPECT_EQ("", FileNameOf("C:\\dir\\"));
    EXPECT_EQ("<unknown>", FileNameOf("<unknown>"));
}

TEST(Text, WideAndAnsiRoundTrip) {
    EXPECT_EQ(L"abc", AnsiToWide("abc"));
    EXPECT_EQ("abc", WideToAnsi(std::wstring(L"abc")));
    EXPECT_EQ(L"", AnsiToWide(""));
    std::string out = "kept";
    EXPECT_TRUE(WideToAnsi(L"", 0, out));
    EXPECT_EQ("", out);
}

bool TestLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

TEST(Text, CutsAtACharacterBoundary) {
    const std::string text = "ab\x82\x41" "c";  // a, b, one double-byte character, c
    EXPECT_EQ(text, CutAtCharBoundary(text, 5, TestLead));
    EXPECT_EQ(text, CutAtCharBoundary(text, 9, TestLead));
    EXPECT_EQ("ab\x82\x41", CutAtCharBoundary(text, 4, TestLead));
    EXPECT_EQ("ab", CutAtCharBoundary(text, 3, TestLead));  // never half of it
    EXPECT_EQ("", CutAtCharBoundary(text, 0, TestLead));
    // A trail byte that looks like a lead byte does not shift the boundary.
    const std::string pairs = "\x82\x82\x82\x82";
    EXPECT_EQ("\x82\x82", CutAtCharBoundary(pairs, 3, TestLead));
    // A lead byte at the very end stands alone.
    EXPECT_EQ("ab\x82", CutAtCharBoundary("ab\x82", 3, TestLead));
}

TEST(Text, PortNumbersAreOneToSixtyFiveThousandFiveHundredAndThirtyFive) {
    int port = 7;
    for (const char* bad : {"", "0", "65536", "99999", "123456", "80a", "+80", "-1", " 80", "4294967377"}) {
        EXPECT_FALSE(ParsePortNumber(bad, port)) << bad;
        EXPECT_EQ(7, port) << bad;
    }
    EXPECT_TRUE(ParsePortNumber("1", port));
    EXPECT_EQ(1, port);
    EXPECT_TRUE(ParsePortNumber("65535", port));
    EXPECT_EQ(65535, port);
    EXPECT_TRUE(ParsePortNumber("00080", port));
    EXPECT_EQ(80, port);
}

}  // namespace
