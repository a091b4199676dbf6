// The list view and the four function lists as real list-view windows under
// Wine: sorting through header clicks, the column-count guard, selection,
// row and cell texts, auto-sizing, the image list and the drawn colours.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ListsTestHost.h"
#include "TestUtil.h"
#include "core/SettingsKeys.h"
#include "base/Resources.h"
#include "resource.h"
#include "ui/FunctionLists.h"

using liststest::Capture;
using liststest::HostWindow;

namespace {

const RECT kListRect{0, 0, 560, 300};

// Fills rows; each row's cells are given in column order.
void Fill(CListCtrlEx& list, const std::vector<std::vector<std::string>>& rows) {
    for (size_t r = 0; r < rows.size(); ++r) {
        int row = list.InsertItem(static_cast<int>(r), rows[r][0]);
        for (size_t c = 1; c < rows[r].size(); ++c) list.SetItemText(row, static_cast<int>(c), rows[r][c]);
    }
}

std::vector<std::string> Column(const CListCtrlEx& list, int column) {
    std::vector<std::string> out;
    for (int r = 0; r < list.GetItemCount(); ++r) out.push_back(list.GetCellText(r, column));
    return out;
}

// A header click as the list view reports it to its parent.
void ClickHeader(HostWindow& host, CListCtrlEx& list, int column) {
    NMLISTVIEW nm{};
    nm.hdr.hwndFrom = list.GetHwnd();
    nm.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(list.GetHwnd()));
    nm.hdr.code = LVN_COLUMNCLICK;
    nm.iItem = -1;
    nm.iSubItem = column;
    ::SendMessageA(host.GetHwnd(), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

int HeaderFormat(const CListCtrlEx& list, int column) {
    HDITEMA hd{};
    hd.mask = HDI_FORMAT;
    ::SendMessageA(list.GetHeader(), HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&hd));
    return hd.fmt;
}

class FunctionListTest : public ::testing::Test {
protected:
    void SetUp() override { testutil::ResetQuillmarkSettings(); }
    HostWindow host{600, 400};
};

// Tasks rows: Filename, Protection, User Account, Process ID, CPU, Memory, Threads, Company, Description.
const std::vector<std::vector<std::string>> kTasks = {
    {"svchost.exe", "Can Kill", "SYSTEM", "100", "1.5%", "900 K", "12", "", ""},
    {"Explorer.exe", "Protected", "alice", "8", "10.0%", "12000 K", "3", "", ""},
    {"notepad.exe", "Unprotected", "Bob", "12", "9.5%", "1500 K", "100", "", ""},
    {"cmd.exe", "Unprotected", "carol", "4000", "0.0%", "n/a", "1", "", ""},
};

TEST_F(FunctionListTest, HeaderClicksSortAscendingThenDescendingAndAnotherColumnAscending) {
    CTaskListCtrl list;
    ASSERT_TRUE(CreateFunctionList(list, kTaskListLayout, host.GetHwnd(), kListRect));
    Fill(list, kTasks);

    ClickHeader(host, list, 3);  // Process ID, numerically
    EXPECT_EQ(Column(list, 3), (std::vector<std::string>{"8", "12", "100", "4000"}));
    EXPECT_EQ(list.SortColumn(), 3);
    EXPECT_TRUE(list.SortAscending());
    EXPECT_TRUE(HeaderFormat(list, 3) & HDF_SORTUP);

    ClickHeader(host, list, 3);
    EXPECT_EQ(Column(list, 3), (std::vector<std::string>{"4000", "100", "12", "8"}));
    EXPECT_FALSE(list.SortAscending());
    EXPECT_TRUE(HeaderFormat(list, 3) & HDF_SORTDOWN);

    ClickHeader(host, list, 2);  // User Account, ignoring case
    EXPECT_EQ(Column(list, 2), (std::vector<std::string>{"alice", "Bob", "carol", "SYSTEM"}));
    EXPECT_TRUE(list.SortAscending());
    EXPECT_EQ(HeaderFormat(list, 3) & (HDF_SORTUP | HDF_SORTDOWN), 0);
    EXPECT_TRUE(HeaderFormat(list, 2) & HDF_SORTUP);

    ClickHeader(host, list, 6);  // Threads, numerically
    EXPECT_EQ(Column(list, 6), (std::vector<std::string>{"1", "3", "12", "100"}));
    ClickHeader(host, list, 5);  // Memory: "n/a" counts as 0
    EXPECT_EQ(Column(list, 5), (std::vector<std::string>{"n/a", "900 K", "1500 K", "12000 K"}));
    EXPECT_FALSE(list.IsSorting());
}

TEST_F(FunctionListTest, ARealClickOnTheHeaderSorts) {
    CTaskListCtrl list;
    ASSERT_TRUE(CreateFunctionList(list, kTaskListLayout, host.GetHwnd(), kListRect));
    Fill(list, kTasks);
    RECT rc{};
    ASSERT_TRUE(::SendMessageA(list.GetHeader(), HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rc)));
    LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    ::SendMessageA(list.GetHeader(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(list.GetHeader(), WM_LBUTTONUP, 0, at);
    liststest::Pump();
    EXPECT_EQ(list.HeaderSortColumn(), 0);
    EXPECT_EQ(Column(list, 0),
              (std::vector<std::string>{"cmd.exe", "Explorer.exe", "notepad.exe", "svchost.exe"}));
}

TEST_F(FunctionListTest, ServicesSortCpuAsTextAndMemoryAsNumber) {
    CServiceListCtrl list;
    ASSERT_TRUE(CreateFunctionList(list, kServiceListLayout, host.GetHwnd(), kListRect));
    Fill(list, {{"Alpha", "9.5%", "900 K", "Running", "Automatic", "a", "", ""},
                {"Beta", "10.0%", "12000 K", "Stopped", "Manual", "b", "", ""},
                {"Gamma", "0.5%", "1500 K", "Running", "Disabled", "c", "", ""}});
    ClickHeader(host, list, 1);
    EXPECT_EQ(Column(list, 1), (std::vector<std::string>{"0.5%", "10.0%", "9.5%"}));
    ClickHeader(host, list, 2);
    EXPECT_EQ(Column(list, 2), (std::vector<std::string>{"900 K", "1500 K", "12000 K"}));
    ClickHeader(host, list, 2);
    EXPECT_EQ(Column(list, 2), (std::vector<std::string>{"12000 K", "1500 K", "900 K"}));
}

TEST_F(FunctionListTest, ItemDataSurviveSortsAndResortKeepsTheOrderAfterARefill) {
    CApplicationListCtrl list;
    ASSERT_TRUE(CreateFunctionList(list, kApplicationListLayout, host.GetHwnd(), kListRect));
    const std::vector<std::vector<std::string>> rows = {
        {"b.exe", "", "2", "3.5%", "10 K", "", "", "", ""},
        {"c.exe", "", "3", "3.5%", "30 K", "", "", "", ""},
        {"a.exe", "", "1", "12.0%", "20 K", "", "", "", ""},
    };
    Fill(list, rows);
    for (int r = 0; r < 3; ++r) list.SetItemData(r, 0x1000 + list.GetCellText(r, 0)[0]);

    ClickHeader(host, list, 3);  // CPU: equal values must not upset the sort
    ClickHeader(host, list, 4);
    ClickHeader(host, list, 4);
    EXPECT_EQ(Column(list, 4), (std::vector<std::string>{"30 K", "20 K", "10 K"}));
    for (int r = 0; r < 3; ++r) EXPECT_EQ(list.GetItemData(r), 0x1000 + list.GetCellText(r, 0)[0]) << r;

    list.ResetImageList();
    Fill(list, rows);
    list.Resort();
    EXPECT_EQ(Column(list, 4), (std::vector<std::string>{"30 K", "20 K", "10 K"}));
}

// Looks at the list at the moment the list view is asked to sort.
class WatchedSortList : public CTaskListCtrl {
public:
    int sortsSeen = 0;
    bool sortingDuringSort = false;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == LVM_SORTITEMS) {
            ++sortsSeen;
            sortingDuringSort = IsSorting();
        }
        return CTaskListCtrl::WindowProc(msg, wp, lp);
    }
};

TEST_F(FunctionListTest, IsSortingHoldsOnlyWhileTheSortRuns) {
    // The host skips its periodic update while a list sorts; the flag must
    // be up during the sort itself and down again afterwards.
    WatchedSortList list;
    ASSERT_TRUE(CreateFunctionList(list, kTaskListLayout, host.GetHwnd(), kListRect));
    Fill(list, kTasks);
    EXPECT_FALSE(list.IsSorting());
    ClickHeader(host, list, 6);
    EXPECT_EQ(list.sortsSeen, 1);
    EXPECT_TRUE(list.sortingDuringSort);
    EXPECT_FALSE(list.IsSorting());
    list.Resort();
    EXPECT_EQ(list.sortsSeen, 2);
    EXPECT_EQ(Column(list, 6), (std::vector<std::string>{"1", "3", "12", "100"}));
}

TEST_F(FunctionListTest, AListWithAnAddedOrRemovedColumnDoesNotSort) {
    CDriverListCtrl added;
    ASSERT_TRUE(CreateFunctionList(added, kDriverListLayout, host.GetHwnd(), kListRect));
    added.InsertColumn(6, "Extra", LVCFMT_LEFT, 50);
    Fill(added, {{"b"}, {"c"}, {"a"}});
    ClickHeader(host, added, 0);
    EXPECT_EQ(Column(added, 0), (std::vector<std::string>{"b", "c", "a"}));
    EXPECT_EQ(added.SortColumn(), -1);

    CApplicationListCtrl removed;
    ASSERT_TRUE(CreateFunctionList(removed, kApplicationListLayout, host.GetHwnd(), kListRect));
    removed.DeleteColumn(8);
    Fill(removed, {{"b"}, {"c"}, {"a"}});
    ClickHeader(host, removed, 0);
    EXPECT_EQ(Column(removed, 0), (std::vector<std::string>{"b", "c", "a"}));

    // The complete Drivers list sorts every column as text.
    CDriverListCtrl complete;
    ASSERT_TRUE(CreateFunctionList(complete, kDriverListLayout, host.GetHwnd(), kListRect));
    Fill(complete, {{"b", "10"}, {"c", "9"}, {"a", "100"}});
    ClickHeader(host, complete, 1);
    EXPECT_EQ(Column(complete, 1), (std::vector<std::string>{"10", "100", "9"}));
}

TEST_F(FunctionListTest, ColumnTablesAsCreated) {
    CApplicationListCtrl apps;
    CServiceListCtrl services;
    ASSERT_TRUE(CreateFunctionList(apps, kApplicationListLayout, host.GetHwnd(), kListRect));
    ASSERT_TRUE(CreateFunctionList(services, kServiceListLayout, host.GetHwnd(), kListRect));
    EXPECT_EQ(::GetDlgCtrlID(apps.GetHwnd()), 3000);
    EXPECT_EQ(::GetDlgCtrlID(services.GetHwnd()), 3002);
    ASSERT_EQ(apps.GetColumnCount(), 9);
    EXPECT_EQ(apps.GetCellText(-1, 4), "Memory Usage");
    EXPECT_EQ(apps.GetColumnWidth(4), 120);
    EXPECT_EQ(apps.GetColumnAlignment(2), "right");
    EXPECT_EQ(apps.GetColumnAlignment(0), "");
    ASSERT_EQ(services.GetColumnCount(), 8);
    EXPECT_EQ(services.GetCellText(-1, 7), "Description");
    EXPECT_EQ(services.GetColumnWidth(3), 80);
    EXPECT_TRUE(apps.GetExtendedStyle() & LVS_EX_SUBITEMIMAGES);
    EXPECT_TRUE(apps.GetExtendedStyle() & LVS_EX_FULLROWSELECT);
}

TEST_F(FunctionListTest, BaseImagesComeFirstAndEveryItemAppendsOneImage) {
    CTaskListCtrl tasks;
    ASSERT_TRUE(CreateFunctionList(tasks, kTaskListLayout, host.GetHwnd(), kListRect));
    tasks.ResetImageList();
    ASSERT_EQ(tasks.BaseImageCount(), 5);
    const std::vector<BYTE> andMask(32, 0x00), xorMask(32, 0xFF);
    IconHandle icon(::CreateIcon(nullptr, 16, 16, 1, 1, andMask.data(), xorMask.data()));
    ASSERT_TRUE(icon);
    EXPECT_EQ(tasks.InsertItemWithIcon(0, "first", icon.get()), 0);
    EXPECT_EQ(tasks.InsertItemWithIcon(1, "no icon", nullptr), 1);
    EXPECT_EQ(tasks.InsertItemWithIcon(2, "third", icon.get()), 2);
    EXPECT_EQ(::ImageList_GetImageCount(tasks.ImageList()), 8);
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = 2;
    ASSERT_TRUE(::SendMessageA(tasks.GetHwnd(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(item.iImage, 7);
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(::SendMessageA(tasks.GetHwnd(), LVM_GETIMAGELIST, LVSIL_SMALL, 0)),
              tasks.ImageList());

    // Colour icons go in through their bitmaps, taken once for many rows:
    // the same picture as the icon gives, one image per row, and an icon of
    // another size is scaled into one image too.
    auto colourIcon = [](int size, COLORREF colour) {
        WindowDC screen(nullptr);
        BitmapHandle bits(::CreateCompatibleBitmap(screen.get(), size, size));
        BitmapHandle mask(::CreateBitmap(size, size, 1, 1, nullptr));
        {
            MemoryDC dc(::CreateCompatibleDC(screen.get()));
            SelectGuard sel(dc.get(), bits.get());
            RECT rc{0, 0, size, size};
            BrushHandle brush(::CreateSolidBrush(colour));
            ::FillRect(dc.get(), &rc, brush.get());
            MemoryDC maskDc(::CreateCompatibleDC(screen.get()));
            SelectGuard selMask(maskDc.get(), mask.get());
            ::PatBlt(maskDc.get(), 0, 0, size, size, BLACKNESS);  // opaque everywhere
        }
        ICONINFO info{TRUE, 0, 0, mask.get(), bits.get()};
        return IconHandle(::CreateIconIndirect(&info));
    };
    IconHandle red(colourIcon(16, RGB(255, 0, 0)));
    IconHandle bigBlue(colourIcon(32, RGB(0, 0, 255)));
    ASSERT_TRUE(red && bigBlue);
    const IconBitmaps redBits = IconBitmaps::Of(red.get());
    EXPECT_TRUE(redBits.color);
    EXPECT_FALSE(IconBitmaps::Of(bigBlue.get()).color);  // left to the image list
    EXPECT_EQ(tasks.InsertItemWithIcon(3, "red", redBits), 3);
    EXPECT_EQ(tasks.InsertItemWithIcon(4, "red again", redBits), 4);
    EXPECT_EQ(tasks.InsertItemWithIcon(5, "big blue", IconBitmaps::Of(bigBlue.get())), 5);
    EXPECT_EQ(::ImageList_GetImageCount(tasks.ImageList()), 11);
    auto pixelOf = [&](int image) {
        WindowDC screen(nullptr);
        MemoryDC dc(::CreateCompatibleDC(screen.get()));
        BitmapHandle canvas(::CreateCompatibleBitmap(screen.get(), 16, 16));
        SelectGuard sel(dc.get(), canvas.get());
        ::ImageList_Draw(tasks.ImageList(), image, dc.get(), 0, 0, ILD_NORMAL);
        return ::GetPixel(dc.get(), 8, 8);
    };
    EXPECT_EQ(RGB(255, 0, 0), pixelOf(8));
    EXPECT_EQ(RGB(255, 0, 0), pixelOf(9));
    EXPECT_EQ(RGB(0, 0, 255), pixelOf(10));

    // A reset drops the items and their icons but keeps the strip.
    tasks.ResetImageList();
    EXPECT_EQ(tasks.GetItemCount(), 0);
    EXPECT_EQ(::ImageList_GetImageCount(tasks.ImageList()), 5);

    CServiceListCtrl services;
    ASSERT_TRUE(CreateFunctionList(services, kServiceListLayout, host.GetHwnd(), kListRect));
    services.ResetImageList();
    EXPECT_EQ(services.BaseImageCount(), 0);
    EXPECT_EQ(::ImageList_GetImageCount(services.ImageList()), 0);
}

// Fitting from the caller's texts gives the widths the list's own fitting
// gives, once it has learnt what the list adds to a text: also after the
// texts changed, on the icon column and on a column of sub-item images.
TEST_F(FunctionListTest, FittingFromTextsGivesTheListsOwnWidths) {
    CTaskListCtrl tasks;
    ASSERT_TRUE(CreateFunctionList(tasks, kTaskListLayout, host.GetHwnd(), kListRect));
    tasks.ResetImageList();
    std::vector<std::vector<std::string>> cells;
    auto fill = [&](const std::vector<std::vector<std::string>>& rows) {
        tasks.DeleteAllItems();
        cells = rows;
        for (size_t r = 0; r < rows.size(); ++r) {
            tasks.InsertItemWithIcon(static_cast<int>(r), rows[r][0], nullptr);
            for (size_t c = 1; c < rows[r].size(); ++c) tasks.SetItemText(static_cast<int>(r), static_cast<int>(c), rows[r][c]);
            tasks.SetItemImage(static_cast<int>(r), 1, 2);
        }
    };
    auto fromTexts = [&] {
        tasks.AutoSizeColumnsFromTexts(static_cast<int>(cells.size()), [&](int r, int c) -> const std::string& {
            static const std::string none;
            return static_cast<size_t>(c) < cells[r].size() ? cells[r][c] : none;
        });
        std::vector<int> widths;
        for (int c = 0; c < tasks.GetColumnCount(); ++c) widths.push_back(tasks.GetColumnWidth(c));
        return widths;
    };
    auto own = [&] {
        tasks.AutoSizeColumns(-1);
        std::vector<int> widths;
        for (int c = 0; c < tasks.GetColumnCount(); ++c) widths.push_back(tasks.GetColumnWidth(c));
        return widths;
    };
    fill({{"a.exe", "Protected", "SYSTEM", "4", "0.0%", "12 K", "3", "N/A", "N/A"},
          {"longer-name.exe", "System Protected", "user", "1234", "99.5%", "123456 K", "12", "System Protected",
           "Something"}});
    const std::vector<int> learnt = fromTexts();
    EXPECT_EQ(own(), learnt);
    // The same text in the column of sub-item images has room for the image
    // as well: the list view may leave the image out of its own fitting.
    int imageWidth = 0, imageHeight = 0;
    ASSERT_TRUE(::ImageList_GetIconSize(tasks.ImageList(), &imageWidth, &imageHeight));
    EXPECT_GE(learnt[1], learnt[7] + imageWidth);
    // Other texts, wider and narrower: measured, not asked of the list.
    fill({{"a-much-much-longer-program-name.exe", "Can Close", "NETWORK SERVICE", "65536", "100.0%", "1 K", "1",
           "Ornava Utilities and Partners", "A description of some length"},
          {"x.exe", "Protected", "u", "8", "1.0%", "2 K", "2", "W", "D"}});
    const std::vector<int> measured = fromTexts();
    EXPECT_EQ(own(), measured);
    EXPECT_GT(measured[0], learnt[0]);

    // Learnt from the first row alone, before the others come, as a list's
    // first fill does: the same widths.
    CTaskListCtrl fresh;
    ASSERT_TRUE(CreateFunctionList(fresh, kTaskListLayout, host.GetHwnd(), kListRect));
    fresh.ResetImageList();
    EXPECT_TRUE(fresh.NeedsColumnPadding());
    const std::vector<std::string> first = {"x.exe", "Protected", "u", "8", "1.0%", "2 K", "2", "W", "D"};
    fresh.InsertItemWithIcon(0, first[0], nullptr);
    for (size_t c = 1; c < first.size(); ++c) fresh.SetItemText(0, static_cast<int>(c), first[c]);
    fresh.SetItemImage(0, 1, 2);
    fresh.LearnColumnPadding([&](int c) -> const std::string& { return first[static_cast<size_t>(c)]; });
    EXPECT_FALSE(fresh.NeedsColumnPadding());
    const std::vector<std::string> wide = {"a-much-much-longer-program-name.exe", "Can Close", "NETWORK SERVICE", "65536",
                                           "100.0%", "1 K", "1", "Ornava Utilities and Partners",
                                           "A description of some length"};
    fresh.InsertItemWithIcon(1, wide[0], nullptr);
    for (size_t c = 1; c < wide.size(); ++c) fresh.SetItemText(1, static_cast<int>(c), wide[c]);
    fresh.SetItemImage(1, 1, 2);
    const std::vector<std::vector<std::string>> both = {first, wide};
    fresh.AutoSizeColumnsFromTexts(2, [&](int r, int c) -> const std::string& {
        return both[static_cast<size_t>(r)][static_cast<size_t>(c)];
    });
    std::vector<int> fitted;
    for (int c = 0; c < fresh.GetColumnCount(); ++c) fitted.push_back(fresh.GetColumnWidth(c));
    fresh.AutoSizeColumns(-1);
    for (int c = 0; c < fresh.GetColumnCount(); ++c) EXPECT_EQ(fresh.GetColumnWidth(c), fitted[c]) << "column " << c;
}

// ---- The base list: selection, texts, widths -------------------------------------

class ListCtrlExTest : public ::testing::Test {
protected:
    void SetUp() override {
        testutil::ResetQuillmarkSettings();
        ASSERT_TRUE(list.Create(host.GetHwnd(), kListRect, 77, WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS));
        list.InitList(0);
    }
    HostWindow host{600, 400};
    CListCtrlEx list;
};

LONG HeaderWeight(const CListCtrlEx& list) {
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(list.GetHeader(), WM_GETFONT, 0, 0));
    LOGFONTA lf{};
    return font && ::GetObjectA(font, sizeof(lf), &lf) ? lf.lfWeight : 0;
}

TEST_F(ListCtrlExTest, HeaderStaysBoldWhenTheListGetsANewFont) {
    EXPECT_EQ(HeaderWeight(list), FW_BOLD);
    ::SendMessageA(list.GetHwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(ANSI_VAR_FONT)), TRUE);
    EXPECT_EQ(HeaderWeight(list), FW_BOLD);
    EXPECT_TRUE(::GetWindowLongPtrA(list.GetHeader(), GWL_STYLE) & HDS_FLAT);
}

TEST_F(ListCtrlExTest, SelectedItemOnlyWhenExactlyOneIsSelected) {
    list.InsertColumn(0, "Name", LVCFMT_LEFT, 100);
    Fill(list, {{"a"}, {"b"}, {"c"}});
    EXPECT_EQ(list.GetSelectedItem(), -1);
    list.SetItemSelected(2, true);
    EXPECT_EQ(list.GetSelectedItem(), 2);
    list.SetItemSelected(0, true);
    EXPECT_EQ(list.GetSelectedItem(), -1);
    list.SetItemSelected(2, false);
    EXPECT_EQ(list.GetSelectedItem(), 0);
}

TEST_F(ListCtrlExTest, RowAndCellTexts) {
    EXPECT_EQ(list.GetColumnCount(), 0);
    EXPECT_EQ(list.GetCellText(-1, 0), "");
    list.InsertColumn(0, "Name", LVCFMT_LEFT, 100);
    Fill(list, {{"only"}});
    EXPECT_EQ(list.GetRowText(0), "only");

    list.InsertColumn(1, "Size", LVCFMT_RIGHT, 60);
    list.InsertColumn(2, "Where", LVCFMT_CENTER, 60);
    list.SetItemText(0, 1, "12 K");
    list.SetItemText(0, 2, "here");
    EXPECT_EQ(list.GetRowText(0), "only  12 K  here");
    EXPECT_EQ(list.GetCellText(-1, 1), "Size");
    EXPECT_EQ(list.GetColumnAlignment(2), "center");
    EXPECT_EQ(list.GetColumnAlignment(1), "right");
    EXPECT_EQ(list.GetColumnAlignment(5), "");
    EXPECT_EQ(list.GetCellText(1, 0), "");
    EXPECT_EQ(list.GetCellText(-2, 0), "");
    EXPECT_EQ(list.GetCellText(0, 3), "");
    EXPECT_EQ(list.GetCellText(0, -1), "");
    EXPECT_EQ(list.GetRowText(5), "    ");

    // Texts longer than a first guess come back whole.
    const std::string longText(1000, 'x');
    list.SetItemText(0, 1, longText);
    EXPECT_EQ(list.GetCellText(0, 1), longText);
}

TEST_F(ListCtrlExTest, AutoSizeFitsHeaderTextContentsAndScreenWidth) {
    list.InsertColumn(0, "A rather long header title", LVCFMT_LEFT, 10);
    list.InsertColumn(1, "B", LVCFMT_LEFT, 10);
    Fill(list, {{"x", "short"}});

    list.AutoSizeColumns(0);
    const int withoutArrow = list.GetColumnWidth(0);
    EXPECT_EQ(list.GetColumnWidth(1), 10);  // only the named column changed
    EXPECT_GT(withoutArrow, 100);

    ClickHeader(host, list, 0);  // the arrow now shows on column 0
    EXPECT_EQ(list.GetColumnWidth(0), withoutArrow);  // not fitted on a click by default
    list.AutoSizeColumns(-1);
    EXPECT_EQ(list.GetColumnWidth(0), withoutArrow + 24);
    EXPECT_GT(list.GetColumnWidth(1), 10);

    // With fitting on, a click makes the arrow's room at once, and never
    // narrows a column that already has it.
    ListViewOptions fitting;
    fitting.fitSortedHeader = true;
    list.SetViewOptions(fitting);
    ::SendMessageA(list.GetHwnd(), LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(withoutArrow, 0));
    ClickHeader(host, list, 0);
    EXPECT_EQ(list.GetColumnWidth(0), withoutArrow + 24);
    ::SendMessageA(list.GetHwnd(), LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(400, 0));
    ClickHeader(host, list, 0);
    EXPECT_EQ(list.GetColumnWidth(0), 400);

    list.SetItemText(0, 1, std::string(250, 'W'));
    list.AutoSizeColumns(1);
    EXPECT_EQ(list.GetColumnWidth(1), ::GetSystemMetrics(SM_CXFULLSCREEN));
}

TEST_F(ListCtrlExTest, ContextMenuPopupWithDefaultItem) {
    MenuHandle holder;
    EXPECT_EQ(list.LoadContextPopup(holder), nullptr);
    list.SetContextMenu(IDR_SERVICES_MENU, ID_SERVICE_START);
    HMENU popup = list.LoadContextPopup(holder);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(::GetMenuDefaultItem(popup, FALSE, 0), static_cast<UINT>(ID_SERVICE_START));
    list.SetContextMenu(IDR_SERVICES_MENU, 0);
    popup = list.LoadContextPopup(holder);
    EXPECT_EQ(::GetMenuDefaultItem(popup, FALSE, 0), static_cast<UINT>(-1));
    list.SetContextMenu(4242, 0);  // no such menu
    EXPECT_EQ(list.LoadContextPopup(holder), nullptr);
}

// While the popup is open: pick its first item from the keyboard.
void CALLBACK PickFirstMenuItem(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    HWND menu = ::FindWindowA("#32768", nullptr);
    if (!menu || !::IsWindowVisible(menu)) {
        ::EndMenu();
        return;
    }
    ::PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
}

TEST_F(ListCtrlExTest, RightClickMenuSendsItsCommandToTheTopWindow) {
    list.SetContextMenu(IDR_DRIVERS_MENU, 0);
    ::ShowWindow(host.GetHwnd(), SW_SHOWNOACTIVATE);
    ::SetTimer(nullptr, 0, 100, &PickFirstMenuItem);
    // A right click as the mouse makes it (the button-up is queued first, so
    // the list's drag detection on button-down ends at once).
    ::PostMessageA(list.GetHwnd(), WM_RBUTTONUP, 0, MAKELPARAM(40, 40));
    ::SendMessageA(list.GetHwnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, 40));
    liststest::Pump();
    EXPECT_EQ(host.Count(WM_COMMAND), 1);
    ASSERT_FALSE(host.received.empty());
    EXPECT_EQ(LOWORD(host.received.back().wp), ID_PROGRAM_DESCRIBE);
}

// Counts the rows drawn, to see how much of the list a scroll repaints.
class CountingList : public CDriverListCtrl {
public:
    int rowsDrawn = 0;

protected:
    bool OnReflectedNotify(NMHDR* hdr, LRESULT& result) override {
        if (hdr->code == NM_CUSTOMDRAW &&
            reinterpret_cast<NMLVCUSTOMDRAW*>(hdr)->nmcd.dwDrawStage == CDDS_ITEMPREPAINT)
            ++rowsDrawn;
        return CDriverListCtrl::OnReflectedNotify(hdr, result);
    }
};

TEST_F(FunctionListTest, ScrollingRepaintsEveryVisibleRowAtOnce) {
    CountingList list;
    ASSERT_TRUE(CreateFunctionList(list, kDriverListLayout, host.GetHwnd(), RECT{0, 0, 300, 200}));
    for (int i = 0; i < 60; ++i) list.InsertItem(i, "driver " + std::to_string(i));
    ::ShowWindow(host.GetHwnd(), SW_SHOWNOACTIVATE);
    ::UpdateWindow(host.GetHwnd());
    const int visible = static_cast<int>(::SendMessageA(list.GetHwnd(), LVM_GETCOUNTPERPAGE, 0, 0));
    ASSERT_GT(visible, 4);

    list.rowsDrawn = 0;
    ::SendMessageA(list.GetHwnd(), WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_GE(list.rowsDrawn, visible);  // drawn before the scroll returned
    RECT pending{};
    EXPECT_FALSE(::GetUpdateRect(list.GetHwnd(), &pending, FALSE));

    list.rowsDrawn = 0;
    ::SendMessageA(list.GetHwnd(), WM_HSCROLL, SB_LINERIGHT, 0);
    EXPECT_GE(list.rowsDrawn, visible);
}

// ---- Colours, read from the list drawn into a bitmap -------------------------------

const LVFINDINFOA kFindEleven{LVFI_PARAM, nullptr, 11, {0, 0}, 0};

class ListColourTest : public FunctionListTest {
protected:
    void SetUp() override {
        FunctionListTest::SetUp();
        ASSERT_TRUE(CreateFunctionList(list, kDriverListLayout, host.GetHwnd(), kListRect));
        Fill(list, {{"a", "b", "c"}, {"d", "e", "f"}, {"g", "h", "i"}, {"j", "k", "l"}});
    }
    // A pixel inside a cell, away from its text and the grid lines.
    COLORREF Cell(const Capture& cap, int row, int column) const {
        RECT rc{};
        rc.top = column;
        rc.left = LVIR_BOUNDS;
        ::SendMessageA(list.GetHwnd(), LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&rc));
        int right = column == 0 ? rc.left + list.GetColumnWidth(0) : rc.right;
        return cap.At(right - 6, (rc.top + rc.bottom) / 2);
    }
    CDriverListCtrl list;
};

TEST_F(ListColourTest, RowsAlternateWhenTheSettingIsOn) {
    Capture cap(list.GetHwnd(), 560, 300);
    EXPECT_EQ(Cell(cap, 0, 1), RGB(255, 255, 255));
    EXPECT_EQ(Cell(cap, 1, 1), RGB(237, 243, 254));
    EXPECT_EQ(Cell(cap, 2, 0), RGB(255, 255, 255));
    EXPECT_EQ(Cell(cap, 3, 2), RGB(237, 243, 254));
}

TEST_F(ListColourTest, ViewOptionsSetByTheOwnerShowAtTheNextPaint) {
    // The stored setting no longer reaches the list: only its owner does.
    settings::kAlternateRowColors.Write(AppSettings(), 0);
    Capture stillOn(list.GetHwnd(), 560, 300);
    EXPECT_EQ(Cell(stillOn, 1, 1), RGB(237, 243, 254));
    settings::kAlternateRowColors.Write(AppSettings(), 1);

    list.SetViewOptions(ListViewOptions{false, false});
    EXPECT_EQ(0u, list.GetExtendedStyle() & LVS_EX_GRIDLINES);
    Capture off(list.GetHwnd(), 560, 300);
    EXPECT_EQ(Cell(off, 0, 1), ::GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(Cell(off, 1, 1), ::GetSysColor(COLOR_WINDOW));
    list.SetViewOptions(ListViewOptions{true, true});
    EXPECT_NE(0u, list.GetExtendedStyle() & LVS_EX_GRIDLINES);
    Capture on(list.GetHwnd(), 560, 300);
    EXPECT_EQ(Cell(on, 1, 1), RGB(237, 243, 254));
}

TEST_F(ListColourTest, SortColumnIsShadedOnlyWithHighlighting) {
    ClickHeader(host, list, 1);
    Capture plain(list.GetHwnd(), 560, 300);
    EXPECT_EQ(Cell(plain, 0, 1), RGB(255, 255, 255));
    EXPECT_EQ(Cell(plain, 1, 1), RGB(237, 243, 254));

    list.SetHighlightSortColumn(true, kSortColumnShade);
    Capture shaded(list.GetHwnd(), 560, 300);
    EXPECT_EQ(Cell(shaded, 0, 1), kSortColumnShade);
    EXPECT_EQ(Cell(shaded, 1, 1), kSortColumnShade);
    EXPECT_EQ(Cell(shaded, 1, 0), RGB(237, 243, 254));
    EXPECT_EQ(Cell(shaded, 0, 2), RGB(255, 255, 255));

    list.SetViewOptions(ListViewOptions{true, false});
    Capture noRows(list.GetHwnd(), 560, 300);
    EXPECT_EQ(Cell(noRows, 1, 1), kSortColumnShade);
    EXPECT_EQ(Cell(noRows, 1, 2), ::GetSysColor(COLOR_WINDOW));
}

// A row's own text colour (a suspect program's red) in every colour mode:
// rows alternating or not, the sorted column shaded, the row selected with
// and without the focus, where it stays readable on the selection's colour.
class RowTextColourTest : public ListColourTest {
protected:
    // The pixels of a colour in a cell.
    int Count(const Capture& cap, int row, int column, COLORREF colour) const {
        RECT rc{};
        rc.top = column;
        rc.left = LVIR_BOUNDS;
        ::SendMessageA(list.GetHwnd(), LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&rc));
        const int right = column == 0 ? rc.left + list.GetColumnWidth(0) : rc.right;
        int n = 0;
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < right; ++x) n += cap.At(x, y) == colour;
        return n;
    }
    static constexpr COLORREF kRed = RGB(204, 0, 0);
};

TEST_F(RowTextColourTest, TheColourShowsInEveryModeAndStaysReadableWhenSelected) {
    for (int row = 0; row < 4; ++row) list.SetItemData(row, 10 + row);
    list.SetItemTextColour(11, kRed);
    {
        Capture alternate(list.GetHwnd(), 560, 300);
        EXPECT_EQ(Cell(alternate, 1, 1), RGB(237, 243, 254));
        for (int column = 0; column < 3; ++column) EXPECT_GT(Count(alternate, 1, column, kRed), 0) << column;
        EXPECT_EQ(0, Count(alternate, 0, 0, kRed));
        EXPECT_EQ(0, Count(alternate, 2, 1, kRed));
    }
    list.SetViewOptions(ListViewOptions{true, false});
    {
        Capture plain(list.GetHwnd(), 560, 300);
        EXPECT_EQ(Cell(plain, 1, 1), ::GetSysColor(COLOR_WINDOW));
        EXPECT_GT(Count(plain, 1, 0, kRed), 0);
    }
    list.SetViewOptions(ListViewOptions{true, true});
    ClickHeader(host, list, 1);  // sorts: the row moves, its colour with it
    list.SetHighlightSortColumn(true, kSortColumnShade);
    const int row = static_cast<int>(::SendMessageA(list.GetHwnd(), LVM_FINDITEMA, static_cast<WPARAM>(-1),
                                                    reinterpret_cast<LPARAM>(&kFindEleven)));
    ASSERT_GE(row, 0);
    {
        Capture shaded(list.GetHwnd(), 560, 300);
        EXPECT_EQ(Cell(shaded, row, 1), kSortColumnShade);
        EXPECT_GT(Count(shaded, row, 1, kRed), 0);
        EXPECT_GT(Count(shaded, row, 2, kRed), 0);
    }

    // Selected: the selection's background, the row's colour made readable
    // on it; a selected row without a colour of its own is the list's.
    ::ShowWindow(host.GetHwnd(), SW_SHOWNOACTIVATE);
    list.SetItemSelected(row, true);
    ::SetFocus(list.GetHwnd());
    ASSERT_EQ(list.GetHwnd(), ::GetFocus());
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    {
        Capture focused(list.GetHwnd(), 560, 300);
        EXPECT_EQ(Cell(focused, row, 2), highlight);
        EXPECT_GT(Count(focused, row, 2, ReadableTextColour(kRed, highlight)), 0);
    }
    ::SetFocus(host.GetHwnd());
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    {
        Capture unfocused(list.GetHwnd(), 560, 300);
        EXPECT_EQ(Cell(unfocused, row, 2), face);
        EXPECT_GT(Count(unfocused, row, 2, ReadableTextColour(kRed, face)), 0);
    }
    list.SetItemTextColour(11, CLR_DEFAULT);
    {
        Capture dropped(list.GetHwnd(), 560, 300);
        EXPECT_EQ(0, Count(dropped, row, 2, ReadableTextColour(kRed, face)));
    }
}

TEST(ReadableTextColourTest, AColourTooCloseToItsBackgroundMovesAway) {
    // Red on the list's own backgrounds stays red.
    for (COLORREF back : {RGB(255, 255, 255), RGB(237, 243, 254), kSortColumnShade})
        EXPECT_EQ(RGB(204, 0, 0), ReadableTextColour(RGB(204, 0, 0), back));
    // On a dark blue selection it is lightened, still reddish.
    const COLORREF onBlue = ReadableTextColour(RGB(204, 0, 0), RGB(10, 36, 106));
    EXPECT_NE(RGB(204, 0, 0), onBlue);
    EXPECT_GT(GetRValue(onBlue), GetGValue(onBlue));
    // Only as far as needed: black on black becomes a middle grey, as does
    // white on white.
    EXPECT_EQ(RGB(127, 127, 127), ReadableTextColour(RGB(0, 0, 0), RGB(0, 0, 0)));
    EXPECT_EQ(RGB(128, 128, 128), ReadableTextColour(RGB(255, 255, 255), RGB(255, 255, 255)));
}

}  // namespace
