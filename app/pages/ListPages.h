// The four function lists as pages of the tab control: each turns the
// snapshot's records into rows (Fill), keeps the value cells of its rows
// current from the process sample (Update) and says what its selected row
// describes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/pages/FileFacts.h"
#include "app/pages/FilteredList.h"
#include "app/pages/FunctionPage.h"
#include "app/pages/PageSources.h"
#include "progdb/ProgramDatabaseDetails.h"
#include "ui/FilterBox.h"
#include "sysinfo/LiveState.h"
#include "ui/FunctionLists.h"
#include "ui/TabToolBar.h"

class ListPage;
class ServiceList;
struct ServiceInfo;

// The program a list command acts on: the selected row of the shown list and
// what it names.
struct SelectedProgram {
    ListPage* page = nullptr;
    int row = -1;
    HWND window = nullptr;          // Applications
    DWORD pid = 0;                  // Applications and Tasks
    int64_t createTime = 0;         // the process's creation time (0 unknown)
    ServiceInfo* record = nullptr;  // Services and Drivers
    std::string path;
    std::string fileName;
    ProgramDetails details;
};

class ListPage : public FunctionPage {
public:
    ListPage(PageSources& sources, CListCtrlEx& list, const FunctionListLayout& listLayout,
             const TabToolBarLayout& barLayout, UINT defaultIcon, UINT filterBoxId);
    ListPage(const ListPage&) = delete;
    ListPage& operator=(const ListPage&) = delete;

    // The list, its tab toolbar and the filter box at the toolbar's right
    // end, hidden, as children of the tab control.
    bool Create(HWND tabControl);
    // Rebuilds every row from the snapshot (redraw off meanwhile); the rows
    // the filter hides are kept, not shown.
    virtual void Fill() = 0;
    // The view update: writes the value cells that changed and deletes the
    // rows whose window or process has gone, hidden rows included.
    virtual ViewChange Update() = 0;
    // The status line and log line while the list is rebuilt.
    virtual const char* LoadingText() const = 0;
    // What the selected row names: its window, process or record and, when
    // they can be read, the program's path, file name and details (the path
    // is read by the process's identity, so a reused process id never names
    // another program). False when no row is selected or what it names is
    // gone.
    bool DescribeSelected(SelectedProgram& program);

    void Show(bool show) override;
    // Toolbar at the top of area, full width, with the filter box at its
    // right end; the list below it.
    void Layout(const RECT& area) override;
    // Update, then the filter's look at the rows whose texts changed.
    ViewChange UpdateView(const ViewTick& tick) override;
    void DescribeSelection(CommandContext& context) override;
    void UpdateToolbar(const CommandContext& context) override;
    std::vector<CListCtrlEx*> Lists() override { return {&list_}; }
    ListPage* AsList() override { return this; }

    // Fits every column to the shown rows' texts, as the list's own fitting
    // does, from the page's copy of the texts.
    void FitColumns();
    CListCtrlEx& List() { return list_; }
    CTabToolBar& Toolbar() { return toolbar_; }
    CFilterBox& FilterBox() { return filterBox_; }
    // The rows shown, and every row the page keeps (the hidden ones too).
    int RowCount() const { return list_.GetItemCount(); }
    int TotalRowCount() const { return rows_.TotalCount(); }
    int SelectedRow() const { return list_.GetSelectedItem(); }
    // Deletes a shown row (its thing went) and forgets it.
    void DeleteRow(int row);

    // The filter: only the rows in which any cell contains text (ignoring
    // case) are shown. Typing in the filter box sets it; filters are not
    // saved.
    FilteredList::Change SetFilter(const std::string& text);
    bool IsFiltered() const { return rows_.IsFiltered(); }
    const std::string& Filter() const { return rows_.Filter(); }
    // Told after the filter box changed the filter.
    void OnFilterChanged(std::function<void(ListPage&, const FilteredList::Change&)> listener) {
        filterListener_ = std::move(listener);
    }
    // Selects, focuses and scrolls to the shown row with item value key;
    // false when no shown row has it.
    bool SelectKey(LPARAM key);
    // The selected row as the next fill can find it again: its item value
    // and its first cell.
    struct RowMark {
        bool set = false;
        LPARAM key = 0;
        std::string name;
    };
    RowMark MarkSelection() const;
    // After a fill, selects the shown row that mark names and scrolls to it,
    // leaving the keyboard focus where it is; false when the row is gone or
    // the filter hides it.
    bool Reselect(const RowMark& mark);
    // Whether a row with item value key is kept (shown or hidden).
    bool HasKey(LPARAM key) const { return rows_.Has(key); }
    // Rewrites, in every row, the cells taken from the program databases,
    // after the publisher's file loaded: a fill made while it loaded could
    // not ask it.
    virtual FilteredList::Change RefreshDatabaseTexts() = 0;

protected:
    // Whether a row's item value names the same thing from one fill to the
    // next (a window, a process); a record's position in the load's list
    // does not, and such rows are found again by their first cell.
    virtual bool KeyIsIdentity() const { return true; }
    // What row describes; see DescribeSelected. The path stays empty when
    // it cannot be read.
    virtual bool DescribeRow(int row, SelectedProgram& program) = 0;
    // The rules' view of the selected row (protection or service state).
    virtual void DescribeRowForCommands(int row, CommandContext& context) = 0;
    // Sets a cell of a row only when its text differs from what the row
    // holds, so an idle system repaints nothing and the view update reads
    // nothing back from the control.
    void SetCell(const FilteredList::Row& row, int column, const std::string& text) {
        rows_.SetText(row, column, text);
    }
    // A row added by a fill, with the icon (or the page's default icon when
    // it has none); the bitmaps are copied, the caller keeps its own.
    FilteredList::Row AddRow(LPARAM key, const std::string& firstCell, const IconBitmaps& icon);

    PageSources& sources_;
    CListCtrlEx& list_;
    FilteredList rows_;
    CTabToolBar toolbar_;
    CFilterBox filterBox_;
    const FunctionListLayout& listLayout_;
    const TabToolBarLayout& barLayout_;
    UINT defaultIcon_;
    UINT filterBoxId_;
    HICON defaultIconHandle_ = nullptr;  // shared resource icon
    IconBitmaps defaultImage_;           // its bitmaps

private:
    std::function<void(ListPage&, const FilteredList::Change&)> filterListener_;
};

// Applications and Tasks: rows of programs, with a protection cell.
class ProgramListPage : public ListPage {
public:
    using ListPage::ListPage;
    // Rewrites the Protection cell of every row, hidden ones too, from its
    // file name.
    FilteredList::Change RefreshProtection();
    // Colours every row again from the program databases, after one of them
    // changed (a description given, the publisher's file loaded).
    void RefreshTrustColours();

protected:
    void DescribeRowForCommands(int row, CommandContext& context) override;
    // The Protection cell of row: the level's text and image.
    void WriteProtectionCell(const FilteredList::Row& row, const std::string& name);
    // Red text for a program the databases rate suspect or worse.
    void WriteTrustColour(const FilteredList::Row& row, const std::string& name);
};

class ApplicationsPage : public ProgramListPage {
public:
    explicit ApplicationsPage(PageSources& sources);
    FunctionTab Tab() const override { return FunctionTab::Applications; }
    const char* LoadingText() const override { return "Loading application windows..."; }
    void Fill() override;
    ViewChange Update() override;
    DetailRequest SelectionDetail() override;
    // The window of a row (its item value).
    HWND WindowAt(int row) const;
    FilteredList::Change RefreshDatabaseTexts() override { return RewriteDetails(nullptr); }
    // The same for the rows of the program named fileName only, after the
    // user described it.
    FilteredList::Change RefreshProgramDetails(const std::string& fileName) { return RewriteDetails(&fileName); }

protected:
    bool DescribeRow(int row, SelectedProgram& program) override;

private:
    // Rewrites the Company and Description cells of every row, or of the
    // rows of the program named *onlyName, as the next fill would write them.
    FilteredList::Change RewriteDetails(const std::string* onlyName);

    CApplicationListCtrl control_;
    std::unordered_map<HWND, DWORD> pids_;  // window -> its process
};

class TasksPage : public ProgramListPage {
public:
    explicit TasksPage(PageSources& sources);
    FunctionTab Tab() const override { return FunctionTab::Tasks; }
    const char* LoadingText() const override { return "Loading tasks..."; }
    void Fill() override;
    ViewChange Update() override;
    ViewChange UpdateView(const ViewTick& tick) override;
    DetailRequest SelectionDetail() override;
    DWORD PidAt(int row) const;
    // Selects the row of a process (see SelectKey).
    bool SelectProcess(DWORD pid) { return SelectKey(static_cast<LPARAM>(pid)); }
    // The creation time the row's process had when it was listed (0 unknown).
    int64_t CreateTimeAt(int row) const;
    FilteredList::Change RefreshDatabaseTexts() override;

protected:
    bool DescribeRow(int row, SelectedProgram& program) override;

private:
    // The Description cell of a process named name.
    std::string DescriptionOf(const std::string& name, const FileFacts& facts) const;

    CTaskListCtrl control_;
    std::unordered_map<DWORD, int64_t> createTimes_;
    FileFactsCache files_;  // the program files of the last fill
};

// Services and drivers share their rules; only the columns differ.
enum class ServiceListKind { Services, Drivers };

class ServicesPage : public ListPage {
public:
    ServicesPage(PageSources& sources, ServiceListKind kind);
    FunctionTab Tab() const override {
        return kind_ == ServiceListKind::Services ? FunctionTab::Services : FunctionTab::Drivers;
    }
    const char* LoadingText() const override {
        return kind_ == ServiceListKind::Services ? "Loading services..." : "Loading drivers...";
    }
    void Fill() override;
    ViewChange Update() override;
    // Drivers show no CPU or memory: their update needs no process sample.
    bool UsesProcessSample() const override { return kind_ == ServiceListKind::Services; }
    DetailRequest SelectionDetail() override;
    // Re-reads one row's state and start type (after a control command).
    void UpdateRow(int row);
    // Takes a state and start type read for one row's service (a control
    // job read them after its command) and writes its cells.
    void ApplyState(int row, const ServiceLiveState& state);
    // The row of the named service or driver; -1 when it is not listed.
    int RowOfService(const std::string& serviceName);
    // The snapshot's record of the row; null for no row or a gone record.
    ServiceInfo* RecordAt(int row);
    ServiceListKind Kind() const { return kind_; }
    FilteredList::Change RefreshDatabaseTexts() override;

protected:
    // A row's item value is its record's place in the load's list.
    bool KeyIsIdentity() const override { return false; }
    bool DescribeRow(int row, SelectedProgram& program) override;
    void DescribeRowForCommands(int row, CommandContext& context) override;

private:
    // The row's position in the snapshot's list, or -1.
    int RecordIndexAt(int row) const;
    ServiceList& Records();
    void WriteStateCells(const FilteredList::Row& row, const ServiceInfo& record);
    void WriteUsageCells(const FilteredList::Row& row, const ServiceInfo& record);
    // The Description cell of a record.
    std::string DescriptionOf(const ServiceInfo& record, const FileFacts& facts) const;
    int DescriptionColumn() const { return kind_ == ServiceListKind::Services ? 7 : 5; }
    CServiceListCtrl serviceControl_;
    CDriverListCtrl driverControl_;
    ServiceListKind kind_;
    int stateColumn_, startupColumn_;
    FileFactsCache files_;  // the files of the last fill
};
