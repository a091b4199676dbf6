// What the export writers and the list printer read from a list: its columns
// (title, alignment, on-screen width) and the text of every cell. The writers
// take this interface, not a window, so every list of the program exports and
// prints the same way and tests can hand them exact tables.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

class ListTable {
public:
    virtual ~ListTable() = default;
    virtual int ColumnCount() const = 0;
    virtual int RowCount() const = 0;
    // Row -1 is the header: the column's title. Cells outside the table are
    // empty.
    virtual std::string CellText(int row, int column) const = 0;
    // "center", "right" or "" (left).
    virtual std::string ColumnAlignment(int column) const = 0;
    // The column's width on screen in pixels.
    virtual int ColumnWidth(int column) const = 0;
};

// The longest header title a list hands out (a header item's text buffer).
constexpr size_t kMaxHeaderTitle = 255;

// Reads any report-style list view through its window messages, so it works
// with every list of the program without depending on the list class.
class ListViewTable : public ListTable {
public:
    explicit ListViewTable(HWND listView) : list_(listView) {}
    int ColumnCount() const override;
    int RowCount() const override;
    std::string CellText(int row, int column) const override;
    std::string ColumnAlignment(int column) const override;
    // A column whose width reads as 0 is measured by its header item.
    int ColumnWidth(int column) const override;

private:
    HWND list_;
};

// A table held in memory: for samples and tests.
struct TableColumn {
    std::string title;
    std::string alignment;  // "center", "right" or ""
    int width = 100;
};

class MemoryTable : public ListTable {
public:
    MemoryTable() = default;
    MemoryTable(std::vector<TableColumn> columns, std::vector<std::vector<std::string>> rows)
        : columns_(std::move(columns)), rows_(std::move(rows)) {}
    int ColumnCount() const override { return static_cast<int>(columns_.size()); }
    int RowCount() const override { return static_cast<int>(rows_.size()); }
    std::string CellText(int row, int column) const override;
    std::string ColumnAlignment(int column) const override;
    int ColumnWidth(int column) const override;

    std::vector<TableColumn>& Columns() { return columns_; }
    std::vector<std::vector<std::string>>& Rows() { return rows_; }

private:
    std::vector<TableColumn> columns_;
    std::vector<std::vector<std::string>> rows_;
};
