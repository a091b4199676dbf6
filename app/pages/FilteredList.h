// A function list's rows as its page keeps them. A list view cannot hide a
// row, so the control holds only the rows that match the list's filter; this
// keeps every row, shown or not, with its texts, icon, item value and
// sub-item images, so a hidden row comes back as it was when the filter
// changes or its texts change to match. Every write to a row goes through
// here, which is also what lets the view update write only the cells whose
// text changed without reading the control.
#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ui/ListCtrlEx.h"

class FilteredList {
public:
    // One row: its index in the control (-1 while the filter hides it, or
    // before a fill shows it) and its item value, the key it is kept under.
    struct Row {
        int index = -1;
        LPARAM key = 0;
    };
    // What applying the filter did to the shown rows.
    struct Change {
        int shown = 0;               // rows that came back
        int hidden = 0;              // rows the filter took out
        bool selectedHidden = false; // the selected row was one of them
        bool Any() const { return shown + hidden != 0; }
        // Gathers the changes of several lists.
        Change& operator+=(const Change& o) {
            shown += o.shown;
            hidden += o.hidden;
            selectedHidden = selectedHidden || o.selectedHidden;
            return *this;
        }
    };

    explicit FilteredList(CListCtrlEx& list) : list_(list) {}
    FilteredList(const FilteredList&) = delete;
    FilteredList& operator=(const FilteredList&) = delete;

    // A fill: BeginFill empties the list and its image list and stops
    // redrawing; Add keeps a new row (its icon goes into the image list
    // now, once per icon: rows of one program file, or of no icon, share
    // their image); EndFill puts the rows that match into the control in the
    // order they were added and redraws. The icons given to Add must stay
    // alive until EndFill (they are told apart by their handles).
    void BeginFill();
    Row Add(LPARAM key, const std::string& firstCell, const IconBitmaps& icon);
    void EndFill();

    // A cell's text and image; the control is written only for a shown row
    // and only when the text differs from what the row holds.
    void SetText(const Row& row, int column, const std::string& text);
    void SetImage(const Row& row, int column, int image);
    // The row's own text colour (CLR_DEFAULT: the list's).
    void SetTextColour(const Row& row, COLORREF colour);
    // The text a row holds in a column (empty for none).
    const std::string& Text(LPARAM key, int column) const;
    // Deletes a row, shown or hidden (its thing went).
    void Remove(const Row& row);
    // The row of a control index.
    Row At(int index) const { return Row{index, list_.GetItemData(index)}; }

    // Calls visit(row) for every row: the shown ones from the last to the
    // first (so a visit may remove its row), then the hidden ones.
    template <typename Visit>
    void ForEach(Visit visit) {
        for (int index = list_.GetItemCount() - 1; index >= 0; --index) visit(At(index));
        const std::vector<LPARAM> hidden = hidden_;
        for (LPARAM key : hidden)
            if (rows_.count(key)) visit(Row{-1, key});
    }

    bool Has(LPARAM key) const { return rows_.count(key) != 0; }
    // The keys of the shown rows, in the control's order.
    std::vector<LPARAM> ShownKeys() const;
    int ShownCount() const { return list_.GetItemCount(); }
    int TotalCount() const { return static_cast<int>(rows_.size()); }

    // The filter: rows in which any cell contains text, ignoring case.
    // Empty text shows every row.
    Change SetFilter(const std::string& text);
    const std::string& Filter() const { return filter_; }
    bool IsFiltered() const { return !filter_.empty(); }
    // Looks again at the rows whose texts changed since the last look: a
    // shown row that no longer matches goes, a hidden one that now does
    // comes back.
    Change ApplyToChanged();
    // True once after each fill: the next update writes a value into every
    // row, and is best done with the control's redrawing stopped.
    bool TakeFreshFill() {
        const bool fresh = freshFill_;
        freshFill_ = false;
        return fresh;
    }

private:
    struct Stored {
        std::vector<std::string> cells;
        std::vector<std::pair<int, int>> subImages;  // column, image
        int image = -1;
        size_t order = 0;  // the fill's order, kept for the rows that come back
        bool shown = false;
        bool foldedValid = false;
        std::string folded;  // the cells lower-cased, '\0' between
    };
    bool Matches(Stored& row);
    // Inserts the rows of keys (hidden ones) into the control: in fill order
    // among the shown rows of an unsorted list; a sorted list is sorted again
    // after when resort is set.
    // A fill's Show (filling) also lets a list that has not yet learnt its
    // column margins learn them from its first row.
    void Show(std::vector<LPARAM> keys, bool resort, bool filling = false);
    // Takes the row at a control index out of the control.
    void Hide(int index, LPARAM key, Stored& row);
    int InsertIntoControl(int index, LPARAM key, const Stored& row);
    void ForgetHidden(LPARAM key);

    CListCtrlEx& list_;
    std::unordered_map<LPARAM, Stored> rows_;
    // The image of each icon added in this fill: appending an icon's bitmaps
    // costs a fraction of a millisecond, and a thousand processes often run
    // a hundred program files.
    std::unordered_map<HICON, int> images_;
    std::vector<LPARAM> hidden_;  // keys of the rows the filter hides
    size_t nextOrder_ = 0;
    bool freshFill_ = false;
    std::string filter_;
    std::string foldedFilter_;
    std::vector<LPARAM> changed_;  // rows whose texts changed while filtering
};
