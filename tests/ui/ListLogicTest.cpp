// The pure pieces of the lists, tabs and toolbars: comparisons, header
// toggling, row text, column widths, row colours, toolbar resources,
// anchors and tooltips.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resource.h"
#include "ui/FunctionTabCtrl.h"
#include "ui/ListCtrlEx.h"
#include "ui/TabToolBar.h"

namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(CompareCellTexts, IntegerReadsTheLeadingNumberAndNonNumbersAsZero) {
    EXPECT_EQ(Sign(CompareCellTexts(kSortInteger, true, "1234 K", "999 K")), 1);
    EXPECT_EQ(Sign(CompareCellTexts(kSortInteger, false, "1234 K", "999 K")), -1);
    EXPECT_EQ(CompareCellTexts(kSortInteger, true, "  42", "42 K"), 0);
    EXPECT_EQ(CompareCellTexts(kSortInteger, true, "n/a", "0"), 0);
    EXPECT_EQ(Sign(CompareCellTexts(kSortInteger, true, "n/a", "1")), -1);
    EXPECT_EQ(Sign(CompareCellTexts(kSortInteger, true, "-5", "n/a")), -1);
    // Far apart values must not wrap around into the wrong order.
    EXPECT_EQ(Sign(CompareCellTexts(kSortInteger, true, "2147483647", "-2147483647")), 1);
    EXPECT_EQ(Sign(CompareCellTexts(kSortInteger, false, "2147483647", "-2147483647")), -1);
}

TEST(CompareCellTexts, DecimalNeverAnswersEqual) {
    EXPECT_EQ(CompareCellTexts(kSortDecimal, true, "12.5%", "12.5%"), 1);
    EXPECT_EQ(CompareCellTexts(kSortDecimal, false, "12.5%", "12.5%"), -1);
    EXPECT_EQ(CompareCellTexts(kSortDecimal, true, "x", "0.0%"), 1);
    EXPECT_EQ(CompareCellTexts(kSortDecimal, true, "9.5%", "10.0%"), -1);
    EXPECT_EQ(CompareCellTexts(kSortDecimal, false, "9.5%", "10.0%"), 1);
    EXPECT_EQ(CompareCellTexts(kSortDecimal, true, "10.0%", "9.5%"), 1);
}

TEST(CompareCellTexts, TextIgnoresCaseAndUnknownKindsAreEqual) {
    EXPECT_EQ(CompareCellTexts(kSortText, true, "SYSTEM", "system"), 0);
    EXPECT_EQ(Sign(CompareCellTexts(kSortText, true, "alpha", "Beta")), -1);
    EXPECT_EQ(Sign(CompareCellTexts(kSortText, false, "alpha", "Beta")), 1);
    // As text, "10.0%" comes before "9.5%".
    EXPECT_EQ(Sign(CompareCellTexts(kSortText, true, "10.0%", "9.5%")), -1);
    EXPECT_EQ(CompareCellTexts(3, true, "a", "b"), 0);
    EXPECT_EQ(CompareCellTexts(kSortNone, false, "a", "b"), 0);
    EXPECT_EQ(CompareCellTexts(kSortText, true, nullptr, ""), 0);
}

TEST(CompareCellTexts, SizeReadsTheNumberWithItsUnit) {
    EXPECT_EQ(1024, SizeTextBytes("1024 bytes"));
    EXPECT_EQ(2048, SizeTextBytes("2 KB"));
    EXPECT_EQ(3LL << 20, SizeTextBytes("3 mb"));
    EXPECT_EQ(1LL << 30, SizeTextBytes("1 GB"));
    EXPECT_EQ(-1, SizeTextBytes("unknown"));
    EXPECT_EQ(-1, SizeTextBytes(""));
    EXPECT_EQ(1LL << 62, SizeTextBytes("99999999999999 GB"));  // held below overflow
    // "1024 bytes" is less than "2 KB", though 1024 > 2 as numbers.
    EXPECT_EQ(-1, CompareCellTexts(kSortSize, true, "1024 bytes", "2 KB"));
    EXPECT_EQ(1, CompareCellTexts(kSortSize, false, "1024 bytes", "2 KB"));
    EXPECT_EQ(-1, CompareCellTexts(kSortSize, true, "unknown", "0 bytes"));
    EXPECT_EQ(0, CompareCellTexts(kSortSize, true, "1 KB", "1024 bytes"));
}

TEST(NextSortAscending, SameColumnFlipsOtherColumnStartsAscending) {
    EXPECT_TRUE(NextSortAscending(-1, true, 0));
    EXPECT_FALSE(NextSortAscending(0, true, 0));
    EXPECT_TRUE(NextSortAscending(0, false, 0));
    EXPECT_TRUE(NextSortAscending(0, false, 3));
    EXPECT_TRUE(NextSortAscending(0, true, 3));
}

TEST(JoinRowText, TwoSpacesBetweenCellsOnly) {
    EXPECT_EQ(JoinRowText({}), "");
    EXPECT_EQ(JoinRowText({"one"}), "one");
    EXPECT_EQ(JoinRowText({"a", "b", "c"}), "a  b  c");
    EXPECT_EQ(JoinRowText({"a", "", "c"}), "a    c");
}

TEST(AutoSizedColumnWidth, HeaderMarginsAndLimits) {
    EXPECT_EQ(AutoSizedColumnWidth(30, 50, false, 0, 1000), 62);
    EXPECT_EQ(AutoSizedColumnWidth(30, 50, true, 0, 1000), 86);
    EXPECT_EQ(AutoSizedColumnWidth(200, 50, true, 0, 1000), 200);
    EXPECT_EQ(AutoSizedColumnWidth(5000, 50, false, 0, 1000), 1000);
    EXPECT_EQ(AutoSizedColumnWidth(0, 0, false, 20, 1000), 20);
}

TEST(RowBackground, AlternatesOnlyWhenAsked) {
    const COLORREF window = RGB(1, 2, 3);
    EXPECT_EQ(RowBackground(0, true, window), RGB(255, 255, 255));
    EXPECT_EQ(RowBackground(1, true, window), RGB(237, 243, 254));
    EXPECT_EQ(RowBackground(2, true, window), RGB(255, 255, 255));
    EXPECT_EQ(RowBackground(0, false, window), window);
    EXPECT_EQ(RowBackground(1, false, window), window);
}

std::string Words(std::initializer_list<unsigned> words) {
    std::string bytes;
    for (unsigned w : words) {
        bytes += static_cast<char>(w & 0xFF);
        bytes += static_cast<char>((w >> 8) & 0xFF);
    }
    return bytes;
}

TEST(ParseToolbarResource, ReadsButtonsAndRejectsDamagedData) {
    ToolbarResource tb;
    std::string ok = Words({1, 16, 15, 3, 2780, 0, 2781});
    ASSERT_TRUE(ParseToolbarResource(ok.data(), ok.size(), tb));
    EXPECT_EQ(tb.imageWidth, 16);
    EXPECT_EQ(tb.imageHeight, 15);
    EXPECT_EQ(tb.commands, (std::vector<UINT>{2780, 0, 2781}));
    EXPECT_EQ(tb.ButtonCount(), 2);

    ToolbarResource untouched;
    untouched.imageWidth = 7;
    for (size_t cut = 0; cut < ok.size(); ++cut)
        EXPECT_FALSE(ParseToolbarResource(ok.data(), cut, untouched)) << cut;
    std::string version2 = Words({2, 16, 16, 0});
    EXPECT_FALSE(ParseToolbarResource(version2.data(), version2.size(), untouched));
    std::string noSize = Words({1, 0, 16, 0});
    EXPECT_FALSE(ParseToolbarResource(noSize.data(), noSize.size(), untouched));
    std::string hugeCount = Words({1, 16, 16, 0xFFFF, 1, 2});
    EXPECT_FALSE(ParseToolbarResource(hugeCount.data(), hugeCount.size(), untouched));
    EXPECT_FALSE(ParseToolbarResource(nullptr, 100, untouched));
    EXPECT_EQ(untouched.imageWidth, 7);
}

TEST(AnchoredRect, FlagsMoveAndGrow) {
    const RECT r{10, 20, 110, 70};
    auto eq = [](RECT a, RECT b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    };
    EXPECT_TRUE(eq(AnchoredRect(r, 0, 30, 40), r));
    EXPECT_TRUE(eq(AnchoredRect(r, kAnchorMoveRight, 30, 40), RECT{40, 20, 140, 70}));
    EXPECT_TRUE(eq(AnchoredRect(r, kAnchorMoveDown, 30, 40), RECT{10, 60, 110, 110}));
    EXPECT_TRUE(eq(AnchoredRect(r, kAnchorGrowWidth, 30, 40), RECT{10, 20, 140, 70}));
    EXPECT_TRUE(eq(AnchoredRect(r, kAnchorGrowHeight, 30, 40), RECT{10, 20, 110, 110}));
    EXPECT_TRUE(eq(AnchoredRect(r, kAnchorGrowWidth | kAnchorGrowHeight, -5, -10), RECT{10, 20, 105, 60}));
    // Moving wins over growing on the same axis.
    EXPECT_TRUE(eq(AnchoredRect(r, kAnchorMoveRight | kAnchorGrowWidth, 30, 40), RECT{40, 20, 140, 70}));
    EXPECT_TRUE(eq(AnchoredRect(r, kAnchorMoveDown | kAnchorGrowHeight, 30, 40), RECT{10, 60, 110, 110}));
}

TEST(ToolTipTextForCommand, TableAndEmptyForOthers) {
    EXPECT_STREQ(ToolTipTextForCommand(ID_TIP_STARTUP), "Startup");
    EXPECT_STREQ(ToolTipTextForCommand(ID_PROGRAM_KILL), "Kill Process");
    EXPECT_STREQ(ToolTipTextForCommand(ID_PROGRAM_PROPERTIES), "File properties...");
    EXPECT_STREQ(ToolTipTextForCommand(ID_PROGRAM_UNPROTECT), "Unprotect");
    EXPECT_STREQ(ToolTipTextForCommand(ID_PROGRAM_BRING_TO_FRONT), "");
    EXPECT_STREQ(ToolTipTextForCommand(0), "");
}

}  // namespace
