// The rows a page keeps behind its list view: the filter takes rows out of a
// real list view and brings them back as they were (texts, icon, item value,
// sub-item image, text colour, place), rows whose texts change come and go,
// the selection stays on its row, and a sorted list stays sorted.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "app/pages/FilteredList.h"

namespace {

class FilteredListTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&icc);
        host_ = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, host_);
        ASSERT_TRUE(list_.Create(host_, RECT{0, 0, 400, 300}, 100, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL));
        list_.InitList(0);
        list_.SetExtendedStyle(list_.GetExtendedStyle() | LVS_EX_SUBITEMIMAGES);
        for (int c = 0; c < 3; ++c) list_.InsertColumn(c, "c" + std::to_string(c), LVCFMT_LEFT, 80);
        Fill({{"alpha.exe", "Protected", "10"},
              {"beta.exe", "Unprotected", "20"},
              {"gamma.exe", "Protected", "30"},
              {"delta.exe", "Unprotected", "40"},
              {"ALPHAbet", "", "50"}});
    }
    void TearDown() override {
        list_.DestroyWindow();
        ::DestroyWindow(host_);
    }
    // Rows keyed 1, 2, ... with sub-item image key in column 1, and row 3 red.
    void Fill(const std::vector<std::vector<std::string>>& rows) {
        rows_.BeginFill();
        for (size_t i = 0; i < rows.size(); ++i) {
            const LPARAM key = static_cast<LPARAM>(i + 1);
            const FilteredList::Row row = rows_.Add(key, rows[i][0], IconBitmaps());
            for (int c = 1; c < 3; ++c) rows_.SetText(row, c, rows[i][static_cast<size_t>(c)]);
            rows_.SetImage(row, 1, static_cast<int>(key));
            if (key == 3) rows_.SetTextColour(row, RGB(200, 0, 0));
        }
        rows_.EndFill();
    }
    // The item values of the shown rows, in order.
    std::vector<LPARAM> Shown() const {
        std::vector<LPARAM> keys;
        for (int i = 0; i < list_.GetItemCount(); ++i) keys.push_back(list_.GetItemData(i));
        return keys;
    }
    int Image(int row, int column) const {
        LVITEMA item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        item.iSubItem = column;
        list_.SendMessage(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        return item.iImage;
    }
    int RowOf(LPARAM key) const {
        for (int i = 0; i < list_.GetItemCount(); ++i)
            if (list_.GetItemData(i) == key) return i;
        return -1;
    }

    HWND host_ = nullptr;
    CListCtrlEx list_;
    FilteredList rows_{list_};
};

TEST_F(FilteredListTest, HiddenRowsComeBackAsTheyWereInTheirPlaces) {
    ASSERT_EQ((std::vector<LPARAM>{1, 2, 3, 4, 5}), Shown());
    const int gammaImage = Image(2, 0);
    ASSERT_EQ(3, Image(2, 1));

    FilteredList::Change change = rows_.SetFilter("ALPHA");
    EXPECT_EQ(3, change.hidden);
    EXPECT_EQ(0, change.shown);
    EXPECT_EQ((std::vector<LPARAM>{1, 5}), Shown());
    EXPECT_EQ(5, rows_.TotalCount());
    EXPECT_EQ("ALPHAbet", list_.GetCellText(1, 0));

    change = rows_.SetFilter("ta");
    EXPECT_EQ(2, change.hidden);
    EXPECT_EQ(2, change.shown);
    EXPECT_EQ((std::vector<LPARAM>{2, 4}), Shown());
    // The rows that come back go to their places between the shown ones.
    rows_.SetFilter("A.EXE");
    EXPECT_EQ((std::vector<LPARAM>{1, 2, 3, 4}), Shown());
    rows_.SetFilter("gamma");
    rows_.SetFilter("");
    ASSERT_EQ((std::vector<LPARAM>{1, 2, 3, 4, 5}), Shown());
    EXPECT_EQ("gamma.exe", list_.GetCellText(2, 0));
    EXPECT_EQ("Protected", list_.GetCellText(2, 1));
    EXPECT_EQ("30", list_.GetCellText(2, 2));
    EXPECT_EQ(gammaImage, Image(2, 0));
    EXPECT_EQ(3, Image(2, 1));
    EXPECT_EQ(RGB(200, 0, 0), list_.ItemTextColour(3));
    EXPECT_EQ(CLR_DEFAULT, list_.ItemTextColour(2));
}

TEST_F(FilteredListTest, RowsFollowTheirTextsAndTheSelectionStaysOnItsRow) {
    list_.SetItemSelected(RowOf(3), true);
    rows_.SetFilter("protected");  // "Unprotected" holds it too: every row but the last
    EXPECT_EQ((std::vector<LPARAM>{1, 2, 3, 4}), Shown());
    rows_.SetFilter("ted");
    rows_.SetFilter("gam");
    EXPECT_EQ((std::vector<LPARAM>{3}), Shown());
    EXPECT_EQ(0, list_.GetSelectedItem());

    // A hidden row whose text comes to match shows up when the filter looks
    // again, between the shown rows by its place.
    rows_.ForEach([&](const FilteredList::Row& row) {
        if (row.key == 1) rows_.SetText(row, 2, "gamma ray");
    });
    EXPECT_EQ((std::vector<LPARAM>{3}), Shown());
    FilteredList::Change change = rows_.ApplyToChanged();
    EXPECT_EQ(1, change.shown);
    EXPECT_EQ((std::vector<LPARAM>{1, 3}), Shown());
    EXPECT_EQ("gamma ray", list_.GetCellText(0, 2));
    EXPECT_EQ(3, list_.GetItemData(list_.GetSelectedItem()));

    // The selected row's text stops matching: it goes, and says so.
    rows_.SetText(rows_.At(RowOf(3)), 0, "omega.exe");
    change = rows_.ApplyToChanged();
    EXPECT_EQ(1, change.hidden);
    EXPECT_TRUE(change.selectedHidden);
    EXPECT_EQ((std::vector<LPARAM>{1}), Shown());

    // A hidden row removed (its process went) does not come back.
    rows_.ForEach([&](const FilteredList::Row& row) {
        if (row.key == 4) rows_.Remove(row);
    });
    EXPECT_EQ(4, rows_.TotalCount());
    rows_.SetFilter("");
    EXPECT_EQ((std::vector<LPARAM>{1, 2, 3, 5}), Shown());
    EXPECT_EQ("omega.exe", list_.GetCellText(2, 0));
}

TEST_F(FilteredListTest, ASortedListIsSortedAgainWhenRowsComeBack) {
    list_.SortList(0, false);  // descending by name, as text ignoring case
    EXPECT_EQ((std::vector<LPARAM>{3, 4, 2, 5, 1}), Shown());
    rows_.SetFilter("l");
    EXPECT_EQ((std::vector<LPARAM>{4, 5, 1}), Shown());
    rows_.SetFilter("");
    EXPECT_EQ((std::vector<LPARAM>{3, 4, 2, 5, 1}), Shown());
}

}  // namespace
