// The two tabs that are not lists: Performance (meters, history graphs and
// the performance data list) and Network (utilisation graph and adapters).
// Both are laid out in dialog templates and re-created in the tab control.
#pragma once

#include <windows.h>

#include <vector>

#include "app/pages/PageSources.h"
#include "sysinfo/NetAdapters.h"
#include "ui/GraphWnd.h"
#include "ui/ListCtrlEx.h"
#include "ui/MeterBarWnd.h"

class CFunctionTabCtrl;
class MemoryStatus;

class PerformancePage {
public:
    explicit PerformancePage(PageSources& sources) : sources_(sources) {}
    // Builds the page from its template, yOffset pixels below the tab row;
    // starts the meters' sampling.
    bool Create(HWND owner, CFunctionTabCtrl& tabs, int yOffset, HFONT font);
    void Show(bool show);
    // The data rows: threads and processes from the snapshot and the Tasks
    // count, the three memory kinds from status.
    void Update(const MemoryStatus& status, int taskRows, bool autoSize);
    // Switches the memory meter, graph and captions to kind (2 physical,
    // 3 virtual, anything else page file).
    void SetMemoryKind(HWND owner, int kind);
    int SelectedKind() const;
    int CpuPercent() const { return cpu_.GetValue(); }
    // Runs or pauses the CPU sampler and the memory meter's timer.
    void SetSampling(bool cpu, bool memory);
    bool CpuSampling() const { return cpu_.SamplerRunning(); }
    bool MemoryTicking() const { return memory_.Ticking(); }
    CListCtrlEx& DataList() { return data_; }
    const std::vector<HWND>& Controls() const { return controls_; }

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

class NetworkPage {
public:
    bool Create(HWND owner, CFunctionTabCtrl& tabs, int yOffset, HFONT font);
    void Show(bool show);
    // One sample of the adapter table: the rows (when visible) and the graph.
    void OnSample(const std::vector<NetAdapterInfo>& adapters, bool visible, bool autoSize);
    CListCtrlEx& AdapterList() { return adapters_; }
    CGraphWnd& Graph() { return graph_; }
    const std::vector<HWND>& Controls() const { return controls_; }

private:
    std::vector<HWND> controls_;
    CGraphWnd graph_;
    CListCtrlEx adapters_;
    bool rowsCreated_ = false;
    bool firstSample_ = true;
    bool fitted_ = false;
};

// The adapters the Network view shows: operational state set and not the
// software loopback interface, in table order.
std::vector<const NetAdapterInfo*> ShownAdapters(const std::vector<NetAdapterInfo>& adapters);
