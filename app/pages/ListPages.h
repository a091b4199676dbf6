// The four function lists as pages of the tab control: each turns the
// snapshot's records into rows (Fill) and keeps the value cells of its rows
// current from the process sample (Update).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/pages/PageSources.h"
#include "ui/FunctionLists.h"
#include "ui/TabToolBar.h"

class ListPage {
public:
    ListPage(PageSources& sources, CListCtrlEx& list, const FunctionListLayout& listLayout,
             const TabToolBarLayout& barLayout, UINT defaultIcon);
    virtual ~ListPage() = default;
    ListPage(const ListPage&) = delete;
    ListPage& operator=(const ListPage&) = delete;

    // The list and its tab toolbar, hidden, as children of the tab control.
    bool Create(HWND tabControl);
    // Rebuilds every row from the snapshot (redraw off meanwhile).
    virtual void Fill() = 0;
    // The view update: writes the value cells that changed and deletes the
    // rows whose window or process has gone. Returns the number of rows
    // deleted; selectedGone is set when the selected row was one of them.
    virtual int Update(bool& selectedGone) = 0;

    void Show(bool show);
    // Toolbar at the top of area, full width; the list below it.
    void Layout(const RECT& area);

    CListCtrlEx& List() { return list_; }
    CTabToolBar& Toolbar() { return toolbar_; }
    int RowCount() const { return list_.GetItemCount(); }

protected:
    // Sets a value cell of the row with item value key only when its text
    // differs from what was last written there, so an idle system repaints
    // nothing and the view update reads nothing back from the control.
    void SetCell(int row, LPARAM key, int column, const std::string& text);
    // Forgets the written texts (the rows were rebuilt) or one row's.
    void ForgetCells() { written_.clear(); }
    void ForgetCells(LPARAM key) { written_.erase(key); }
    // A row appended at the end with the icon (or the page's default icon
    // when it has none); the bitmaps are copied, the caller keeps its own.
    int AppendRow(const std::string& firstCell, const IconBitmaps& icon);
    void WriteProtectionCell(int row, const std::string& name);

    PageSources& sources_;
    CListCtrlEx& list_;
    CTabToolBar toolbar_;
    const FunctionListLayout& listLayout_;
    const TabToolBarLayout& barLayout_;
    UINT defaultIcon_;
    HICON defaultIconHandle_ = nullptr;  // shared resource icon
    IconBitmaps defaultImage_;  // its bitmaps

private:
    std::unordered_map<LPARAM, std::vector<std::string>> written_;
};

class ApplicationsPage : public ListPage {
public:
    explicit ApplicationsPage(PageSources& sources);
    void Fill() override;
    int Update(bool& selectedGone) override;
    // Rewrites the Protection cell of every row from its file name.
    void RefreshProtection();
    // The window of a row (its item value).
    HWND WindowAt(int row) const;

private:
    CApplicationListCtrl control_;
    std::unordered_map<HWND, DWORD> pids_;  // window -> its process
};

class TasksPage : public ListPage {
public:
    explicit TasksPage(PageSources& sources);
    void Fill() override;
    int Update(bool& selectedGone) override;
    void RefreshProtection();
    DWORD PidAt(int row) const;
    // The creation time the row's process had when it was listed (0 unknown).
    int64_t CreateTimeAt(int row) const;

private:
    CTaskListCtrl control_;
    std::unordered_map<DWORD, int64_t> createTimes_;
};

// Services (kind 0) and drivers (kind 1) share their rules; only the column
// positions differ.
class ServicesPage : public ListPage {
public:
    ServicesPage(PageSources& sources, int kind);
    void Fill() override;
    int Update(bool& selectedGone) override;
    // Re-reads one row's state and start type (after a control command).
    void UpdateRow(int row);
    // The row's position in the snapshot's list, or -1.
    int RecordIndexAt(int row) const;
    // The snapshot's record of the row; null for no row or a gone record.
    struct ServiceInfo* RecordAt(int row);
    int Kind() const { return kind_; }

private:
    void WriteStateCells(int row, LPARAM key, const struct ServiceInfo& record);
    void WriteUsageCells(int row, LPARAM key, const struct ServiceInfo& record);
    CServiceListCtrl serviceControl_;
    CDriverListCtrl driverControl_;
    int kind_;
    int stateColumn_, startupColumn_;
};
