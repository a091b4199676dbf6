// The two tabs that are not lists: Performance (meters, history graphs and
// the performance data list) and Network (utilisation graph and adapters).
// Both are laid out in dialog templates and re-created in the tab control.
#pragma once

#include <windows.h>

#include <vector>

#include "app/pages/FunctionPage.h"
#include "app/pages/PageSources.h"
#include "sysinfo/NetAdapters.h"
#include "ui/GraphWnd.h"
#include "ui/ListCtrlEx.h"
#include "ui/MeterBarWnd.h"

class CFunctionTabCtrl;

// The performance data list's rows, by their item value.
enum class PerformanceRow { Threads, Processes, PhysicalMemory, VirtualMemory, PageFile };

class PerformancePage : public FunctionPage {
public:
    explicit PerformancePage(PageSources& sources) : sources_(sources) {}
    // Builds the page from its template, yOffset pixels below the tab row.
    bool Create(HWND owner, CFunctionTabCtrl& tabs, int yOffset, HFONT font);
    FunctionTab Tab() const override { return FunctionTab::Performance; }
    void Show(bool show) override;
    // The data rows: threads and processes from the snapshot and the Tasks
    // count, the three memory kinds from a fresh memory status.
    ViewChange UpdateView(const ViewTick& tick) override;
    std::vector<CListCtrlEx*> Lists() override { return {&data_}; }
    // Switches the memory meter, graph and captions to a kind.
    void SetMemoryKind(MemoryKind kind);
    // The memory kind of the selected data row (the page file for a row that
    // is no memory figure); false when no row is selected.
    bool SelectedMemoryKind(MemoryKind& kind) const;
    // The samplers' readings: the meters and their graphs take them whatever
    // tab is shown (they draw only while shown).
    void OnCpuReading(int usage) { cpu_.Feed(usage); }
    void OnMemoryReading(const MemoryStatus& status) { memory_.ApplyReading(status); }

private:
    PageSources& sources_;
    std::vector<HWND> controls_;
    CCPUMeterWnd cpu_;
    CPageFileMeterWnd memory_;
    CGraphWnd cpuGraph_;
    CPerfGraphWnd memoryGraph_;
    CListCtrlEx data_;
    HWND tabControl_ = nullptr;
    bool fitted_ = false;
};

class NetworkPage : public FunctionPage {
public:
    bool Create(HWND owner, CFunctionTabCtrl& tabs, int yOffset, HFONT font);
    FunctionTab Tab() const override { return FunctionTab::Network; }
    void Show(bool show) override;
    // Driven by the network monitor instead (OnSample).
    ViewChange UpdateView(const ViewTick&) override { return ViewChange(); }
    bool UsesProcessSample() const override { return false; }
    std::vector<CListCtrlEx*> Lists() override { return {&adapters_}; }
    // One sample of the adapter table: the rows (when visible) and the graph
    // (always, so its history has no gap).
    void OnSample(const std::vector<NetAdapterInfo>& adapters, bool visible, bool autoSize);
    CGraphWnd& Graph() { return graph_; }

private:
    std::vector<HWND> controls_;
    CGraphWnd graph_;
    CListCtrlEx adapters_;
    bool firstSample_ = true;
    bool fitted_ = false;
};

// The adapters the Network view shows: operational state set and not the
// software loopback interface, in table order.
std::vector<const NetAdapterInfo*> ShownAdapters(const std::vector<NetAdapterInfo>& adapters);
