#include "reports/ListTable.h"

#include <commctrl.h>

#include "core/Text.h"
#include "platform/ListView.h"

namespace {

HWND HeaderOf(HWND list) {
    return reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0));
}

}  // namespace

int ListViewTable::ColumnCount() const {
    HWND header = HeaderOf(list_);
    if (!header) return 0;
    int n = static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    return n > 0 ? n : 0;
}

int ListViewTable::RowCount() const {
    int n = static_cast<int>(::SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
    return n > 0 ? n : 0;
}

std::string ListViewTable::CellText(int row, int column) const {
    if (column < 0 || column >= ColumnCount()) return std::string();
    if (row == -1) {
        // Read with room to spare and cut here: the control cuts by bytes, and
        // could end the text with half a double-byte character.
        char buf[4 * kMaxHeaderTitle + 1] = {};
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT;
        col.pszText = buf;
        col.cchTextMax = sizeof(buf);
        if (!::SendMessageA(list_, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&col))) return std::string();
        buf[sizeof(buf) - 1] = '\0';
        return CutAtCharBoundary(buf, kMaxHeaderTitle);
    }
    if (row < 0 || row >= RowCount()) return std::string();
    return ListViewItemText(list_, row, column);
}

std::string ListViewTable::ColumnAlignment(int column) const {
    if (column < 0 || column >= ColumnCount()) return std::string();
    LVCOLUMNA col{};
    col.mask = LVCF_FMT;
    if (!::SendMessageA(list_, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&col))) return std::string();
    switch (col.fmt & LVCFMT_JUSTIFYMASK) {
    case LVCFMT_CENTER: return "center";
    case LVCFMT_RIGHT: return "right";
    default: return std::string();
    }
}

int ListViewTable::ColumnWidth(int column) const {
    if (column < 0 || column >= ColumnCount()) return 0;
    int w = static_cast<int>(::SendMessageA(list_, LVM_GETCOLUMNWIDTH, column, 0));
    if (w == 0) {
        RECT rc{};
        if (::SendMessageA(HeaderOf(list_), HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&rc)))
            w = rc.right - rc.left;
    }
    return w;
}

std::string MemoryTable::CellText(int row, int column) const {
    if (column < 0 || column >= ColumnCount()) return std::string();
    if (row == -1) return CutAtCharBoundary(columns_[column].title, kMaxHeaderTitle);
    if (row < 0 || row >= RowCount()) return std::string();
    const auto& cells = rows_[row];
    return column < static_cast<int>(cells.size()) ? cells[column] : std::string();
}

std::string MemoryTable::ColumnAlignment(int column) const {
    if (column < 0 || column >= ColumnCount()) return std::string();
    return columns_[column].alignment;
}

int MemoryTable::ColumnWidth(int column) const {
    if (column < 0 || column >= ColumnCount()) return 0;
    return columns_[column].width;
}
