#include "app/pages/FilteredList.h"

#include <algorithm>
#include <unordered_set>

#include "app/pages/RowFilter.h"

void FilteredList::BeginFill() {
    list_.ResetImageList();
    list_.ClearItemTextColours();
    rows_.clear();
    images_.clear();
    hidden_.clear();
    changed_.clear();
    nextOrder_ = 0;
    list_.SendMessage(WM_SETREDRAW, FALSE);
}

FilteredList::Row FilteredList::Add(LPARAM key, const std::string& firstCell, const IconBitmaps& icon) {
    auto [it, isNew] = rows_.try_emplace(key);
    Stored& row = it->second;
    // A key listed twice keeps one row, the later texts.
    if (!isNew) row.cells.clear();
    row.cells.push_back(firstCell);
    if (isNew) {
        auto [image, added] = images_.try_emplace(icon.icon, -1);
        if (added) image->second = list_.AppendImage(icon);
        row.image = image->second;
        row.order = nextOrder_++;
        hidden_.push_back(key);
    }
    return Row{-1, key};
}

std::vector<LPARAM> FilteredList::ShownKeys() const {
    std::vector<LPARAM> keys(static_cast<size_t>(list_.GetItemCount()));
    for (size_t i = 0; i < keys.size(); ++i) keys[i] = list_.GetItemData(static_cast<int>(i));
    return keys;
}

void FilteredList::EndFill() {
    std::vector<LPARAM> keys;
    for (LPARAM key : hidden_)
        if (Matches(rows_[key])) keys.push_back(key);
    // The window re-applies the list's sort after a fill.
    Show(std::move(keys), false, true);
    changed_.clear();
    freshFill_ = true;
    list_.SendMessage(WM_SETREDRAW, TRUE);
}

void FilteredList::SetText(const Row& row, int column, const std::string& text) {
    auto it = rows_.find(row.key);
    if (it == rows_.end() || column < 0) return;
    Stored& stored = it->second;
    if (stored.cells.size() <= static_cast<size_t>(column)) stored.cells.resize(static_cast<size_t>(column) + 1);
    std::string& cell = stored.cells[static_cast<size_t>(column)];
    if (cell == text) return;
    cell = text;
    stored.foldedValid = false;
    if (row.index >= 0) list_.SetItemText(row.index, column, text);
    if (!filter_.empty()) changed_.push_back(row.key);
}

void FilteredList::SetImage(const Row& row, int column, int image) {
    auto it = rows_.find(row.key);
    if (it == rows_.end()) return;
    auto& images = it->second.subImages;
    auto found = std::find_if(images.begin(), images.end(), [column](const auto& p) { return p.first == column; });
    if (found == images.end())
        images.emplace_back(column, image);
    else if (found->second == image)
        return;
    else
        found->second = image;
    if (row.index >= 0) list_.SetItemImage(row.index, column, image);
}

void FilteredList::SetTextColour(const Row& row, COLORREF colour) {
    if (rows_.count(row.key)) list_.SetItemTextColour(row.key, colour);
}

const std::string& FilteredList::Text(LPARAM key, int column) const {
    static const std::string kNone;
    auto it = rows_.find(key);
    if (it == rows_.end() || column < 0 || static_cast<size_t>(column) >= it->second.cells.size()) return kNone;
    return it->second.cells[static_cast<size_t>(column)];
}

void FilteredList::Remove(const Row& row) {
    if (row.index >= 0)
        list_.SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(row.index));
    else
        ForgetHidden(row.key);
    rows_.erase(row.key);
    list_.SetItemTextColour(row.key, CLR_DEFAULT);
}

void FilteredList::ForgetHidden(LPARAM key) {
    auto it = std::find(hidden_.begin(), hidden_.end(), key);
    if (it != hidden_.end()) hidden_.erase(it);
}

bool FilteredList::Matches(Stored& row) {
    if (foldedFilter_.empty()) return true;
    if (!row.foldedValid) {
        row.folded = rowfilter::FoldRow(row.cells, rowfilter::SystemLower);
        row.foldedValid = true;
    }
    return rowfilter::Contains(row.folded, foldedFilter_, rowfilter::SystemLeadByte);
}

int FilteredList::InsertIntoControl(int index, LPARAM key, const Stored& row) {
    const int inserted =
        list_.InsertItemWithImage(index, row.cells.empty() ? std::string() : row.cells[0], row.image, key);
    if (inserted < 0) return inserted;
    for (size_t column = 1; column < row.cells.size(); ++column)
        if (!row.cells[column].empty()) list_.SetItemText(inserted, static_cast<int>(column), row.cells[column]);
    for (const auto& [column, image] : row.subImages) list_.SetItemImage(inserted, column, image);
    return inserted;
}

void FilteredList::Show(std::vector<LPARAM> keys, bool resort, bool filling) {
    if (keys.empty()) return;
    const std::unordered_set<LPARAM> showing(keys.begin(), keys.end());
    hidden_.erase(std::remove_if(hidden_.begin(), hidden_.end(), [&](LPARAM key) { return showing.count(key) != 0; }),
                  hidden_.end());
    std::sort(keys.begin(), keys.end(), [this](LPARAM a, LPARAM b) { return rows_[a].order < rows_[b].order; });
    const bool sorted = list_.SortColumn() != -1;
    // An unsorted list shows its rows in the fill's order: each row goes
    // before the first shown row that came later in the fill.
    int index = 0;
    int count = list_.GetItemCount();
    for (LPARAM key : keys) {
        Stored& row = rows_[key];
        if (sorted) {
            index = count;
        } else {
            while (index < count) {
                auto next = rows_.find(list_.GetItemData(index));
                if (next != rows_.end() && next->second.order > row.order) break;
                ++index;
            }
        }
        if (InsertIntoControl(index, key, row) < 0) {
            hidden_.push_back(key);
            continue;
        }
        row.shown = true;
        ++index;
        ++count;
        // The first row of a list that has not yet learnt what it adds to a
        // text teaches it now, while it is the only row.
        if (filling && count == 1 && keys.size() > 1 && list_.NeedsColumnPadding()) {
            static const std::string kNone;
            list_.LearnColumnPadding([&row](int column) -> const std::string& {
                return static_cast<size_t>(column) < row.cells.size() ? row.cells[static_cast<size_t>(column)] : kNone;
            });
        }
    }
    if (sorted && resort) list_.Resort();
}

void FilteredList::Hide(int index, LPARAM key, Stored& row) {
    list_.SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(index));
    row.shown = false;
    hidden_.push_back(key);
}

FilteredList::Change FilteredList::SetFilter(const std::string& text) {
    Change change;
    const std::string folded = rowfilter::Fold(text, rowfilter::SystemLower);
    filter_ = text;
    if (folded == foldedFilter_) return change;
    foldedFilter_ = folded;
    changed_.clear();
    const int selected = list_.GetSelectedItem();
    list_.SendMessage(WM_SETREDRAW, FALSE);
    for (int index = list_.GetItemCount() - 1; index >= 0; --index) {
        const LPARAM key = list_.GetItemData(index);
        auto it = rows_.find(key);
        if (it == rows_.end() || Matches(it->second)) continue;
        if (index == selected) change.selectedHidden = true;
        Hide(index, key, it->second);
        ++change.hidden;
    }
    std::vector<LPARAM> keys;
    for (LPARAM key : hidden_)
        if (Matches(rows_[key])) keys.push_back(key);
    change.shown = static_cast<int>(keys.size());
    Show(std::move(keys), true);
    list_.SendMessage(WM_SETREDRAW, TRUE);
    list_.Invalidate();
    // The selected row, when it still shows, stays in sight.
    const int stillSelected = list_.GetSelectedItem();
    if (stillSelected >= 0) list_.SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(stillSelected), FALSE);
    return change;
}

FilteredList::Change FilteredList::ApplyToChanged() {
    Change change;
    if (changed_.empty()) return change;
    std::vector<LPARAM> changed;
    changed.swap(changed_);
    if (foldedFilter_.empty()) return change;
    std::sort(changed.begin(), changed.end());
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    const int selected = list_.GetSelectedItem();
    const bool anySelected = selected >= 0;
    const LPARAM selectedKey = anySelected ? list_.GetItemData(selected) : 0;
    std::vector<LPARAM> keys;
    for (LPARAM key : changed) {
        auto it = rows_.find(key);
        if (it == rows_.end()) continue;
        Stored& row = it->second;
        const bool matches = Matches(row);
        if (row.shown && !matches) {
            LVFINDINFOA find{};
            find.flags = LVFI_PARAM;
            find.lParam = key;
            const int index =
                static_cast<int>(list_.SendMessage(LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
            if (index < 0) continue;
            if (anySelected && key == selectedKey) change.selectedHidden = true;
            Hide(index, key, row);
            ++change.hidden;
        } else if (!row.shown && matches) {
            keys.push_back(key);
        }
    }
    change.shown = static_cast<int>(keys.size());
    Show(std::move(keys), true);
    return change;
}
