// A plain list view filled from a table, for the tests that read lists
// through their window.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "reports/ListTable.h"

// A report-style list view (a plain one, not the program's list class)
// filled with a table's columns and rows.
class TestListView {
public:
    explicit TestListView(const MemoryTable& t) {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&icc);
        hwnd_ = ::CreateWindowExA(0, WC_LISTVIEWA, "", WS_OVERLAPPEDWINDOW | LVS_REPORT, 0, 0, 600, 300, nullptr,
                                  nullptr, ::GetModuleHandleA(nullptr), nullptr);
        for (int c = 0; c < t.ColumnCount(); ++c) {
            std::string title = t.CellText(-1, c);
            LVCOLUMNA col{};
            col.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
            const std::string align = t.ColumnAlignment(c);
            col.fmt = align == "right" ? LVCFMT_RIGHT : align == "center" ? LVCFMT_CENTER : LVCFMT_LEFT;
            col.cx = t.ColumnWidth(c);
            col.pszText = &title[0];
            col.iSubItem = c;
            ::SendMessageA(hwnd_, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
        }
        for (int r = 0; r < t.RowCount(); ++r)
            for (int c = 0; c < t.ColumnCount(); ++c) SetCell(r, c, t.CellText(r, c));
    }
    TestListView(const TestListView&) = delete;
    TestListView& operator=(const TestListView&) = delete;
    ~TestListView() {
        if (hwnd_) ::DestroyWindow(hwnd_);
    }
    void SetCell(int row, int column, std::string text) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.iSubItem = column;
        item.pszText = &text[0];
        if (column == 0 && row >= static_cast<int>(::SendMessageA(hwnd_, LVM_GETITEMCOUNT, 0, 0)))
            ::SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        else
            ::SendMessageA(hwnd_, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    }
    HWND hwnd() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};
