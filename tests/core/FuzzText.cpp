// The shared text helpers on mutated input: port numbers, and the cut at a
// character boundary under single-byte and double-byte code pages, checked
// against the system's own decoding of those code pages.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "Fuzz.h"
#include "core/Text.h"

namespace {

TEST(FuzzText, PortNumbersAreFiveDigitsAtMostAndInRange) {
    fuzz::Target target;
    target.name = "port-number";
    target.seeds = {"8123", "1", "65535", "65536", "0", "00080", "80a", " 80", ""};
    target.dictionary = {"0", "9", "65535", "-", "+", " ", "\t", "0x"};
    target.maxSize = 12;
    fuzz::Run(target, [](const std::string& input, fuzz::Rng&) {
        int port = -7;
        if (!ParsePortNumber(input, port)) {
            EXPECT_EQ(-7, port);  // untouched
            return;
        }
        EXPECT_GE(port, 1);
        EXPECT_LE(port, 65535);
        // The text is the number, with at most leading zeros in front.
        const size_t first = input.find_first_not_of('0');
        ASSERT_NE(std::string::npos, first);
        EXPECT_EQ(std::to_string(port), input.substr(first));
        EXPECT_LE(input.size(), 5u);
    });
}

bool NoLeadBytes(unsigned char) { return false; }
bool Lead932(unsigned char c) { return ::IsDBCSLeadByteEx(932, c) != FALSE; }
bool Lead936(unsigned char c) { return ::IsDBCSLeadByteEx(936, c) != FALSE; }

std::wstring Decode(UINT codePage, const std::string& text) {
    if (text.empty()) return std::wstring();
    const int n = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

TEST(FuzzText, ACutNeverSplitsACharacter) {
    struct Rule {
        const char* name;
        bool (*isLeadByte)(unsigned char);
        UINT codePage;  // decodes what the rule describes
    };
    const Rule rules[] = {
        {"single-byte", &NoLeadBytes, 1252},
        {"Japanese", &Lead932, 932},
        {"Chinese", &Lead936, 936},
    };
    fuzz::Target target;
    target.name = "cut-at-char-boundary";
    // Japanese and Chinese text, ASCII, and lead bytes at the very end.
    target.seeds = {"\x93\xFA\x96\x7B\x8C\xEA" "abc", "\xD6\xD0\xCE\xC4 text", "plain ascii text", "ab\x81",
                    "\x81\x81\x81\x81\x81"};
    target.dictionary = {"\x81", "\x82\xA0", "\x9F", "\xE0", "\xFC", "\xFE", "\x80", "\xA1\xA1", "\x40", "a"};
    target.maxSize = 64;
    fuzz::Run(target, [&](const std::string& text, fuzz::Rng& rng) {
        const size_t maxBytes = rng.Below(text.size() + 3);
        for (const Rule& rule : rules) {
            SCOPED_TRACE(rule.name);
            const std::string cut = CutAtCharBoundary(text, maxBytes, rule.isLeadByte);
            if (text.size() <= maxBytes) {
                EXPECT_EQ(text, cut);
                continue;
            }
            ASSERT_LE(cut.size(), maxBytes);
            // At most the one byte of a character that did not fit is lost.
            EXPECT_GE(cut.size() + 1, maxBytes);
            EXPECT_EQ(text.compare(0, cut.size(), cut), 0);
            // What is kept reads as the same characters as the whole text
            // begins with: no half character turned into another.
            const std::wstring whole = Decode(rule.codePage, text);
            const std::wstring kept = Decode(rule.codePage, cut);
            EXPECT_EQ(whole.compare(0, kept.size(), kept), 0);
        }
        // The system's own code page has its own rule; the same bounds hold.
        const std::string cut = CutAtCharBoundary(text, maxBytes);
        EXPECT_LE(cut.size(), std::max(maxBytes, text.size() <= maxBytes ? text.size() : 0));
        EXPECT_EQ(text.compare(0, cut.size(), cut), 0);
    });
}

}  // namespace
