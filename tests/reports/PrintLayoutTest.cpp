// The band text markup, the band line layout, the pass rule and the column
// fractions of list printing: pure functions fed exact inputs.
#include <gtest/gtest.h>

#include "reports/ListPrinter.h"
#include "reports/TablePrint.h"

namespace {

// A line as "L:text|C:text|R:text", a leader marked with "..".
std::string Show(const std::vector<BandLine>& lines) {
    std::string out;
    for (size_t l = 0; l < lines.size(); ++l) {
        if (l) out += " / ";
        for (size_t p = 0; p < lines[l].size(); ++p) {
            const BandPart& part = lines[l][p];
            if (p) out += "|";
            if (part.leader) out += "..";
            out += part.align == BandAlign::Left ? "L:" : part.align == BandAlign::Centre ? "C:" : "R:";
            out += part.text;
        }
    }
    return out;
}

}  // namespace

TEST(BandMarkup, SplitsPartsByAlignment) {
    EXPECT_EQ(Show(ParseBandText("plain")), "L:plain");
    EXPECT_EQ(Show(ParseBandText("Title\x1f" "centre\x1e" "Page 3")), "L:Title|C:centre|R:Page 3");
    EXPECT_EQ(Show(ParseBandText("\x1f" "only centred")), "C:only centred");
    EXPECT_EQ(Show(ParseBandText("\x1e" "right")), "R:right");
    EXPECT_EQ(Show(ParseBandText("")), "");
}

TEST(BandMarkup, LeadersAndLines) {
    // Dots fill the gap before the part that follows them.
    EXPECT_EQ(Show(ParseBandText("Chapter\x1c\x1e" "12")), "L:Chapter|..R:12");
    // Dots at the end of a line run to its right edge.
    EXPECT_EQ(Show(ParseBandText("Name\x1c")), "L:Name|..R:");
    EXPECT_EQ(Show(ParseBandText("one\x1e" "1\ntwo\x1f" "mid\n\x1e" "3")), "L:one|R:1 / L:two|C:mid / R:3");
    EXPECT_EQ(ParseBandText("a\n\nb").size(), 1u) << "a doubled line feed is text";
}

TEST(BandMarkup, DoubledControlCharacterStandsForItself) {
    const auto lines = ParseBandText("a\x1f\x1f" "b\x1e\x1e" "c\x1c\x1c" "d\n\ne");
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].size(), 1u);
    EXPECT_EQ(lines[0][0].text, "a\x1f" "b\x1e" "c\x1c" "d\ne");
    // Escaping makes any text literal, next to real markup.
    const std::string odd = "x\x1ey\x1fz\x1c\n";
    EXPECT_EQ(Show(ParseBandText("L\x1f" + EscapeBandText(odd) + "\x1eR")), "L:L|C:" + odd + "|R:R");
}

TEST(BandMarkup, LayoutPlacesPartsWithoutOverlap) {
    BandLine line = ParseBandText("Left\x1f" "Mid\x1e" "Right")[0];
    EXPECT_EQ(LayoutBandLine(line, {40, 20, 30}, 200), (std::vector<int>{0, 90, 170}));
    // A centred part too wide for the middle starts after the left part.
    EXPECT_EQ(LayoutBandLine(line, {100, 60, 30}, 200), (std::vector<int>{0, 100, 170}));
    // Consecutive right parts end together at the right edge.
    BandLine rights = ParseBandText("\x1e" "a\x1e" "b")[0];
    EXPECT_EQ(LayoutBandLine(rights, {10, 20}, 100), (std::vector<int>{70, 80}));
    EXPECT_EQ(LeaderDotCount(95, 10), 9);
    EXPECT_EQ(LeaderDotCount(-5, 10), 0);
}

TEST(ListPrintPasses, SplitsByTwoThirdsOfThePaper) {
    // Everything fits: one pass with all columns.
    auto passes = SplitIntoPasses({100, 100, 100}, 500);
    ASSERT_EQ(passes.size(), 1u);
    EXPECT_EQ(passes[0].first, 1);
    EXPECT_EQ(passes[0].last, 2);
    // The column that makes the sum exceed the limit belongs to that pass.
    passes = SplitIntoPasses({200, 200, 200, 200, 200, 200, 200}, 529);
    ASSERT_EQ(passes.size(), 3u);
    EXPECT_EQ(passes[0].first, 1);
    EXPECT_EQ(passes[0].last, 2);
    EXPECT_EQ(passes[1].first, 3);
    EXPECT_EQ(passes[1].last, 4);
    EXPECT_EQ(passes[2].first, 5);
    EXPECT_EQ(passes[2].last, 6);
    // A sum exactly at the limit still fits.
    passes = SplitIntoPasses({100, 100, 100, 100, 100}, 300);
    ASSERT_EQ(passes.size(), 2u);
    EXPECT_EQ(passes[0].last, 3);
    EXPECT_EQ(passes[1].first, 4);
    EXPECT_EQ(passes[1].last, 4);
    // Only column 0: nothing to print.
    EXPECT_TRUE(SplitIntoPasses({100}, 500).empty());
    EXPECT_TRUE(SplitIntoPasses({}, 500).empty());
}

TEST(ListPrintPasses, FractionsAndLimit) {
    auto f = PassFractions({100, 50, 999, 50}, PrintPass{3, 3});
    ASSERT_EQ(f.size(), 2u);
    EXPECT_DOUBLE_EQ(f[0], 100.0 / 150);
    EXPECT_DOUBLE_EQ(f[1], 50.0 / 150);
    // No width at all: equal shares rather than a division by zero.
    f = PassFractions({0, 0}, PrintPass{1, 1});
    EXPECT_DOUBLE_EQ(f[0], 0.5);
    // 210 mm at 96 pixels per inch: 793.7 pixels, two thirds 529.1.
    EXPECT_NEAR(PassWidthLimit(2100, 96), 529.1, 0.1);
}

TEST(ListPrintBands, HeaderAndFooterTexts) {
    EXPECT_EQ(Show(ParseBandText(ListHeaderText("12/7/2026 9:05:00 AM", 4))),
              "L:Quillmark Data|C:12/7/2026 9:05:00 AM|R:Page 4");
    const auto footer = ParseBandText(ListFooterText());
    ASSERT_EQ(footer.size(), 1u);
    ASSERT_EQ(footer[0].size(), 2u);
    EXPECT_NE(footer[0][0].text.find("Ornava"), std::string::npos);
    EXPECT_EQ(footer[0][1].align, BandAlign::Right);
    EXPECT_EQ(ColumnEdges({{"a", 0.25}, {"b", 0.75}}, 1000), (std::vector<int>{0, 250, 1000}));
}
