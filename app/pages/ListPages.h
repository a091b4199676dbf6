// The four function lists as pages of the tab control: each turns the
// snapshot's records into rows (Fill), keeps the value cells of its rows
// current from the process sample (Update) and says what its selected row
// describes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/pages/FunctionPage.h"
#include "app/pages/PageSources.h"
#include "progdb/ProgramDatabaseDetails.h"
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
             const TabToolBarLayout& barLayout, UINT defaultIcon);
    ListPage(const ListPage&) = delete;
    ListPage& operator=(const ListPage&) = delete;

    // The list and its tab toolbar, hidden, as children of the tab control.
    bool Create(HWND tabControl);
    // Rebuilds every row from the snapshot (redraw off meanwhile).
    virtual void Fill() = 0;
    // The view update: writes the value cells that changed and deletes the
    // rows whose window or process has gone.
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
    // Toolbar at the top of area, full width; the list below it.
    void Layout(const RECT& area) override;
    ViewChange UpdateView(const ViewTick& tick) override;
    void DescribeSelection(CommandContext& context) override;
    void UpdateToolbar(const CommandContext& context) override;
    std::vector<CListCtrlEx*> Lists() override { return {&list_}; }
    ListPage* AsList() override { return this; }

    CListCtrlEx& List() { return list_; }
    CTabToolBar& Toolbar() { return toolbar_; }
    int RowCount() const { return list_.GetItemCount(); }
    int SelectedRow() const { return list_.GetSelectedItem(); }
    // Deletes a row (its thing went) and forgets what was written in it.
    void DeleteRow(int row);

protected:
    // What row describes; see DescribeSelected. The path stays empty when
    // it cannot be read.
    virtual bool DescribeRow(int row, SelectedProgram& program) = 0;
    // The rules' view of the selected row (protection or service state).
    virtual void DescribeRowForCommands(int row, CommandContext& context) = 0;
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

    PageSources& sources_;
    CListCtrlEx& list_;
    CTabToolBar toolbar_;
    const FunctionListLayout& listLayout_;
    const TabToolBarLayout& barLayout_;
    UINT defaultIcon_;
    HICON defaultIconHandle_ = nullptr;  // shared resource icon
    IconBitmaps defaultImage_;           // its bitmaps

private:
    std::unordered_map<LPARAM, std::vector<std::string>> written_;
};

// Applications and Tasks: rows of programs, with a protection cell.
class ProgramListPage : public ListPage {
public:
    using ListPage::ListPage;
    // Rewrites the Protection cell of every row from its file name.
    void RefreshProtection();

protected:
    void DescribeRowForCommands(int row, CommandContext& context) override;
    // The Protection cell of row: the level's text and image.
    void WriteProtectionCell(int row, const std::string& name);
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

protected:
    bool DescribeRow(int row, SelectedProgram& program) override;

private:
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
    // The creation time the row's process had when it was listed (0 unknown).
    int64_t CreateTimeAt(int row) const;

protected:
    bool DescribeRow(int row, SelectedProgram& program) override;

private:
    CTaskListCtrl control_;
    std::unordered_map<DWORD, int64_t> createTimes_;
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
    // The row of the named service or driver; -1 when it is not listed.
    int RowOfService(const std::string& serviceName);
    // The snapshot's record of the row; null for no row or a gone record.
    ServiceInfo* RecordAt(int row);
    ServiceListKind Kind() const { return kind_; }

protected:
    bool DescribeRow(int row, SelectedProgram& program) override;
    void DescribeRowForCommands(int row, CommandContext& context) override;

private:
    // The row's position in the snapshot's list, or -1.
    int RecordIndexAt(int row) const;
    ServiceList& Records();
    void WriteStateCells(int row, LPARAM key, const ServiceInfo& record);
    void WriteUsageCells(int row, LPARAM key, const ServiceInfo& record);
    CServiceListCtrl serviceControl_;
    CDriverListCtrl driverControl_;
    ServiceListKind kind_;
    int stateColumn_, startupColumn_;
};
