// The report-style list view every table of the program uses: header sort
// arrow and sorting by column kind, alternating row colours, shading of the
// sorted column, a small-icon list made of a base strip plus one icon per
// item, a context menu, row and cell texts, and column auto-sizing.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/Handles.h"
#include "framework/Window.h"

// ---- Pure pieces, kept apart from the window so tests feed exact inputs ----

// Comparison kinds of a column.
enum ListSortKind : int {
    kSortNone = 0,
    kSortInteger = 1,  // leading integer, as atol reads it
    kSortText = 2,     // case-insensitive, multibyte, current code page
    kSortDecimal = 4,  // leading decimal, as atof reads it
    kSortSize = 8,     // a size with its unit ("1024 bytes", "2 KB"), as SizeTextBytes reads it
};

// The byte count of a size text: a whole number followed by "bytes", "KB",
// "MB" or "GB" (ignoring case; no unit means bytes); -1 for text without a
// number ("unknown"), so it sorts before every size.
long long SizeTextBytes(const char* text);

// Compares two cell texts under a kind. ascending false reverses the sign.
// Kind 4 never answers 0: equal values give +1 ascending, -1 descending.
// Unknown kinds answer 0.
int CompareCellTexts(int kind, bool ascending, const char* t1, const char* t2);

// The sort direction after a click on `clicked` when the header last sorted
// `headerColumn` in direction `headerAscending`: a new column starts
// ascending, the same column flips.
bool NextSortAscending(int headerColumn, bool headerAscending, int clicked);

// The cells of a row joined by two spaces, nothing after the last one.
std::string JoinRowText(const std::vector<std::string>& cells);

// The width auto-sizing gives a column: the larger of the content width and
// the header text width plus 12 pixels (plus 24 more for the sort arrow),
// kept within [minWidth, maxWidth].
int AutoSizedColumnWidth(int contentWidth, int headerTextWidth, bool showsSortArrow,
                         int minWidth, int maxWidth);

// What a column's cells need beside their widest text, from the width the
// list view's own fitting gave for that text. A sub-item's image is drawn
// before its text, but some list views fit a sub-item column to the text and
// its margin alone: a margin narrower than the image means the image was left
// out, and it is added, so that the text is not cut short.
int ColumnPadding(int fittedWidth, int widestText, bool showsImage, int imageWidth);

// Background of a row: white and pale blue alternating, or `windowColour`
// when alternation is off.
COLORREF RowBackground(int row, bool alternate, COLORREF windowColour);

// A text colour as it is drawn on a background: itself when the two differ
// enough in brightness to be read, else the colour mixed towards white (on a
// dark background) or black (on a light one) until they do. A row's own text
// colour stays recognisable on the selection's colour this way.
COLORREF ReadableTextColour(COLORREF text, COLORREF background);

// The row colours.
constexpr COLORREF kEvenRowColour = RGB(255, 255, 255);
constexpr COLORREF kOddRowColour = RGB(237, 243, 254);
// The shade the host gives the sorted column.
constexpr COLORREF kSortColumnShade = RGB(232, 232, 232);

// ---- The list view ---------------------------------------------------------

// How the lists look; the owner reads these from the settings ("ListView"
// "ShowGridLines", "AlternateRowColors", "AutoSizeColumns") and sets them on
// each list.
struct ListViewOptions {
    bool showGridLines = true;
    bool alternateRowColors = true;
    // A header click widens its column when the sort arrow would cut the
    // header's text short; the fitting after a refill makes the same room.
    bool fitSortedHeader = false;
};

// The size of the lists' row icons.
constexpr int kListIconSize = 16;

// An icon's colour and mask bitmaps, copied out of it once. Appending them to
// an image list costs a fraction of appending the icon, which copies them out
// again on every call (about 3 ms an icon under Wine, 0.2 ms for the bitmaps).
struct IconBitmaps {
    HICON icon = nullptr;  // not owned; used as it is for a monochrome icon
    BitmapHandle color;
    BitmapHandle mask;
    static IconBitmaps Of(HICON icon);
};

class CListCtrlEx : public CWnd {
public:
    CListCtrlEx() = default;
    ~CListCtrlEx() override;

    // Creates the list view as a child window (the host passes the report,
    // selection and visibility styles) and attaches to it.
    bool Create(HWND parent, const RECT& rect, UINT id, DWORD style);
    // Attaches to an existing list view (e.g. from a dialog template).
    bool Attach(HWND listView) { return Subclass(listView); }

    // Flat header with bold text and sort arrows, grid lines, column drag and
    // drop, full-row selection; records the base bitmap (0 = none).
    void InitList(UINT baseBitmapId);

    void SetContextMenu(UINT menuId, UINT defaultCommand);
    UINT ContextMenuId() const { return contextMenuId_; }
    UINT DefaultMenuCommand() const { return defaultCommand_; }
    // The popup the list shows on a right click (the first popup of the menu
    // resource, default item marked), or null when there is none.
    HMENU LoadContextPopup(MenuHandle& holder) const;

    // Applies grid lines at once and the row colours from the next paint.
    void SetViewOptions(const ListViewOptions& options);
    const ListViewOptions& ViewOptions() const { return viewOptions_; }

    void SetHighlightSortColumn(bool enabled, COLORREF colour);
    bool HighlightSortColumn() const { return highlightSortColumn_; }

    // Deletes every item and rebuilds the image list from the base strip.
    void ResetImageList();
    // Inserts an item whose image is the icon appended now; call in
    // ascending index order after ResetImageList.
    int InsertItemWithIcon(int index, const std::string& text, HICON icon);
    // The same with the icon's bitmaps taken beforehand: a list whose rows
    // share a few icons takes each icon's bitmaps once.
    int InsertItemWithIcon(int index, const std::string& text, const IconBitmaps& icon);
    // Appends an icon's image to the image list without an item (a blank one
    // when it has none); the index of the image, or -1 without an image list.
    int AppendImage(const IconBitmaps& icon);
    // Inserts an item showing an image already in the list, with its data
    // value; the index of the new item.
    int InsertItemWithImage(int index, const std::string& text, int image, LPARAM data);
    int BaseImageCount() const { return baseImageCount_; }

    // A row's own text colour, in every colour mode: alternate rows on or
    // off, the sorted column's shade and the selection (made readable on it).
    // The colour belongs to the item whose data value is itemData, so it
    // follows the row through sorts, deletions and insertions. CLR_DEFAULT
    // drops it.
    void SetItemTextColour(LPARAM itemData, COLORREF colour);
    COLORREF ItemTextColour(LPARAM itemData) const;
    void ClearItemTextColours();
    HIMAGELIST ImageList() const { return imageList_.get(); }

    // Sorts every column as text; the function lists give columns kinds.
    virtual bool SortList(int column, bool ascending);
    // Sorts again by the last column and direction (after a refill).
    void Resort();
    bool IsSorting() const { return sorting_; }
    int SortColumn() const { return sortColumn_; }
    bool SortAscending() const { return sortAscending_; }
    int HeaderSortColumn() const { return headerSortColumn_; }
    bool HeaderSortAscending() const { return headerAscending_; }
    // What a click on header `column` does: new direction, arrow, sort.
    void OnHeaderClick(int column);

    // -1 unless exactly one item is selected.
    int GetSelectedItem() const;
    int GetColumnCount() const;
    // Row -1 is the header. Out-of-range cells are empty.
    std::string GetCellText(int row, int column) const;
    // "center", "right" or "" (left).
    std::string GetColumnAlignment(int column) const;
    std::string GetRowText(int row) const;
    int GetColumnWidth(int column) const;
    // Column -1 sizes every column.
    void AutoSizeColumns(int column);
    // The same for every column, from the caller's copy of the shown rows'
    // texts (text(row, column), rows in display order): each distinct text
    // is measured once with the list's font. What the list view adds to a
    // text (margins, the icon) is learnt from its own fitting of a column the
    // first time and kept, so the widths are the ones AutoSizeColumns gives.
    void AutoSizeColumnsFromTexts(int rows, const std::function<const std::string&(int row, int column)>& text);
    // Whether some column's margins are still to be learnt.
    bool NeedsColumnPadding() const;
    // Learns them from a list that holds a single row, whose texts are
    // text(column): the list view's own fitting then reads one row instead
    // of every row of the first fill (about 0.1 ms a cell under Wine). The
    // column widths are left as the fitting set them.
    void LearnColumnPadding(const std::function<const std::string&(int column)>& text);

    // Thin conveniences for hosts and tests.
    int InsertColumn(int column, const std::string& title, int format, int width);
    bool DeleteColumn(int column);
    int InsertItem(int index, const std::string& text);
    bool SetItemText(int row, int column, const std::string& text);
    bool SetItemImage(int row, int column, int image);
    bool SetItemData(int row, LPARAM data);
    LPARAM GetItemData(int row) const;
    int GetItemCount() const;
    bool DeleteAllItems();
    bool SetItemSelected(int row, bool selected);
    void SetExtendedStyle(DWORD styles);
    DWORD GetExtendedStyle() const;
    HWND GetHeader() const;

protected:
    // The shared sort: saves every item's data value behind a record with
    // its text in `column`, sorts with the kind, restores the data values.
    bool SortByKind(int column, bool ascending, int kind);
    // For lists with a fixed column table: a list whose column count differs
    // from the table's is left as it is (the host changed its columns).
    bool SortByKindTable(int column, bool ascending, int tableColumns, int kind);

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnReflectedNotify(NMHDR* hdr, LRESULT& result) override;
    bool OnContextMenu(HWND wnd, POINT screen) override;

private:
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* cd);
    void ApplyOwnTextColour(NMLVCUSTOMDRAW* cd, COLORREF colour) const;
    void ShowSortArrow(int column, bool ascending);
    void ApplyBoldHeaderFont();
    int HeaderTextWidth(int column) const;
    // Whether some row of `column` (not the first) has been given an image.
    bool ShowsSubItemImages(int column) const;
    int SmallImageWidth() const;
    // The widest of the texts now in `column`, in the list's font.
    int WidestCellText(int column) const;

    bool sorting_ = false;
    bool sortAscending_ = true;
    int sortColumn_ = -1;
    ImageListHandle imageList_;
    UINT contextMenuId_ = 0;
    UINT defaultCommand_ = 0;
    UINT baseBitmapId_ = 0;
    int baseImageCount_ = 0;
    BitmapHandle blankImage_;  // the image of a row without an icon, made once
    std::unordered_map<LPARAM, COLORREF> textColours_;  // by item data value
    bool highlightSortColumn_ = false;
    COLORREF highlightColour_ = 0;

    // Header state: the arrow and the toggling on clicks.
    int headerSortColumn_ = -1;
    bool headerAscending_ = true;
    int minColumnWidth_ = 0;
    // Per column: what the list view adds to the widest text when it fits
    // the column (-1 until learnt).
    std::vector<int> columnPadding_;
    std::vector<bool> imageColumns_;  // by column: see ShowsSubItemImages
    FontHandle headerFont_;
    bool boldHeader_ = false;  // set by InitList
    ListViewOptions viewOptions_;
};
