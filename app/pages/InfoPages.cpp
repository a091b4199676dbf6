#include "app/pages/InfoPages.h"

#include <cstdio>

#include "app/pages/PageTemplate.h"
#include "app/pages/RowText.h"
#include "resource.h"
#include "sysinfo/Performance.h"
#include "sysinfo/SystemSnapshot.h"
#include "ui/FunctionTabCtrl.h"

namespace {
// Replaces the template's placeholder of id by the component the page puts
// there; returns the placeholder's rectangle in tab-control coordinates.
bool TakePlaceholder(std::vector<HWND>& controls, HWND tabControl, UINT id, RECT& rect) {
    for (HWND& w : controls) {
        if (static_cast<UINT>(::GetDlgCtrlID(w)) != id) continue;
        ::GetWindowRect(w, &rect);
        ::MapWindowPoints(nullptr, tabControl, reinterpret_cast<POINT*>(&rect), 2);
        ::DestroyWindow(w);
        w = nullptr;
        return true;
    }
    return false;
}

void Replace(std::vector<HWND>& controls, HWND created) {
    for (HWND& w : controls)
        if (!w) {
            w = created;
            return;
        }
    controls.push_back(created);
}

void AddColumns(CListCtrlEx& list, const char* const* titles, const int* formats, const int* widths, int n) {
    for (int i = 0; i < n; ++i) list.InsertColumn(i, titles[i], formats[i], widths[i]);
}
}  // namespace

// ---- Performance -------------------------------------------------------------------

bool PerformancePage::Create(HWND owner, CFunctionTabCtrl& tabs, int yOffset, HFONT font) {
    tabControl_ = tabs.GetHwnd();
    if (!BuildPageFromTemplate(owner, IDD_PERFORMANCE_PAGE, tabControl_, yOffset, font, controls_)) return false;
    RECT rc{};
    if (TakePlaceholder(controls_, tabControl_, IDC_CPU_METER, rc) && cpu_.Create(tabControl_, rc, IDC_CPU_METER))
        Replace(controls_, cpu_.GetHwnd());
    if (TakePlaceholder(controls_, tabControl_, IDC_MEMORY_METER, rc) &&
        memory_.Create(tabControl_, rc, IDC_MEMORY_METER))
        Replace(controls_, memory_.GetHwnd());
    if (TakePlaceholder(controls_, tabControl_, IDC_CPU_GRAPH, rc) && cpuGraph_.Create(tabControl_, rc, IDC_CPU_GRAPH))
        Replace(controls_, cpuGraph_.GetHwnd());
    if (TakePlaceholder(controls_, tabControl_, IDC_MEMORY_GRAPH, rc) &&
        memoryGraph_.Create(tabControl_, rc, IDC_MEMORY_GRAPH))
        Replace(controls_, memoryGraph_.GetHwnd());
    ShowPageControls(controls_, false);

    ConfigureCpuHistoryGraph(cpuGraph_);
    memoryGraph_.SetMode(MemoryKind::PageFile);
    ConfigureMemoryHistoryGraph(memoryGraph_);
    cpu_.SetLinkedGraph(&cpuGraph_);
    memory_.SetLinkedGraph(&memoryGraph_);
    memory_.SetMode(MemoryKind::PageFile);
    cpu_.Init();
    memory_.Init();

    if (HWND list = ::GetDlgItem(tabControl_, IDC_PERFDATA_LIST)) {
        data_.Attach(list);
        data_.InitList(0);
        // Grid lines follow the view settings, as on every list.
        data_.SetExtendedStyle(LVS_EX_FULLROWSELECT);
        static const char* const kTitles[] = {"Item Name", "Total", "Available", "Used"};
        static const int kFormats[] = {LVCFMT_LEFT, LVCFMT_LEFT, LVCFMT_LEFT, LVCFMT_LEFT};
        static const int kWidths[] = {80, 160, 160, 160};
        AddColumns(data_, kTitles, kFormats, kWidths, 4);
        static const char* const kRows[] = {"Threads", "Processes", "Physical Memory", "Virtual Memory", "Page File"};
        for (int i = 0; i < 5; ++i) {
            data_.InsertItem(i, kRows[i]);
            data_.SetItemData(i, i);  // the PerformanceRow
        }
    }
    // The graphs and the data list follow the tab control's size.
    tabs.AddAnchor(IDC_CPU_HISTORY_GROUP, kAnchorGrowWidth);
    tabs.AddAnchor(IDC_CPU_GRAPH, kAnchorGrowWidth);
    tabs.AddAnchor(IDC_MEMORY_HISTORY_GROUP, kAnchorGrowWidth);
    tabs.AddAnchor(IDC_MEMORY_GRAPH, kAnchorGrowWidth);
    tabs.AddAnchor(IDC_PERFDATA_GROUP, kAnchorGrowWidth | kAnchorGrowHeight);
    tabs.AddAnchor(IDC_PERFDATA_LIST, kAnchorGrowWidth | kAnchorGrowHeight);
    return true;
}

void PerformancePage::Show(bool show) { ShowPageControls(controls_, show); }

ViewChange PerformancePage::UpdateView(const ViewTick& tick) {
    if (!data_.IsWindow()) return ViewChange();
    MemoryStatus status;
    status.Read();
    auto set = [&](int row, int column, const std::string& text) {
        if (data_.GetCellText(row, column) != text) data_.SetItemText(row, column, text);
    };
    for (int row = 0; row < data_.GetItemCount(); ++row) {
        switch (static_cast<PerformanceRow>(data_.GetItemData(row))) {
        case PerformanceRow::Threads:
            set(row, 1, std::to_string(sources_.snapshot.ThreadTotal()));
            set(row, 2, "N/A");
            set(row, 3, "N/A");
            break;
        case PerformanceRow::Processes:
            set(row, 1, std::to_string(tick.taskRows));
            set(row, 2, "N/A");
            set(row, 3, "N/A");
            break;
        case PerformanceRow::PhysicalMemory:
            set(row, 1, rowtext::MegabyteText(status.TotalPhysical()));
            set(row, 2, rowtext::MegabyteText(status.AvailablePhysical()));
            set(row, 3, rowtext::MegabyteText(status.UsedPhysical()));
            break;
        case PerformanceRow::VirtualMemory:
            set(row, 1, rowtext::MegabyteText(status.TotalVirtual()));
            set(row, 2, rowtext::MegabyteText(status.AvailableVirtual()));
            set(row, 3, rowtext::MegabyteText(status.UsedVirtual()));
            break;
        case PerformanceRow::PageFile:
            set(row, 1, rowtext::MegabyteText(status.TotalPageFile()));
            set(row, 2, rowtext::MegabyteText(status.AvailablePageFile()));
            set(row, 3, rowtext::MegabyteText(status.UsedPageFile()));
            break;
        }
    }
    if (!fitted_) {
        fitted_ = true;
        if (tick.autoSize) data_.AutoSizeColumns(-1);
    }
    return ViewChange();
}

bool PerformancePage::SelectedMemoryKind(MemoryKind& kind) const {
    const int row = data_.GetSelectedItem();
    if (row < 0) return false;
    // A row that is no memory figure shows the page file.
    kind = MemoryKindOfRow(static_cast<int>(data_.GetItemData(row)));
    return true;
}

void PerformancePage::SetMemoryKind(MemoryKind kind) {
    const std::string name = MemoryKindName(kind);
    if (HWND box = ::GetDlgItem(tabControl_, IDC_MEMORY_GROUP)) {
        ::SetWindowTextA(box, name.c_str());
        ::InvalidateRect(box, nullptr, TRUE);
    }
    if (HWND box = ::GetDlgItem(tabControl_, IDC_MEMORY_HISTORY_GROUP)) {
        ::SetWindowTextA(box, (name + " History").c_str());
        ::InvalidateRect(box, nullptr, TRUE);
    }
    memory_.SetMode(kind);
    memoryGraph_.SetMode(kind);
    memoryGraph_.SetTitle(MemoryGraphTitle(kind), RGB(255, 255, 255),
                          static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
    MemoryStatus status;
    if (status.Read()) memory_.ApplyReading(status);
    // The parent repaints the parts of the group boxes the captions left.
    ::InvalidateRect(tabControl_, nullptr, TRUE);
}

// ---- Network ---------------------------------------------------------------------------

std::vector<const NetAdapterInfo*> ShownAdapters(const std::vector<NetAdapterInfo>& adapters) {
    std::vector<const NetAdapterInfo*> shown;
    for (const NetAdapterInfo& a : adapters)
        if (a.operStatus != 0 && a.type != 24) shown.push_back(&a);
    return shown;
}

bool NetworkPage::Create(HWND owner, CFunctionTabCtrl& tabs, int yOffset, HFONT font) {
    HWND tab = tabs.GetHwnd();
    if (!BuildPageFromTemplate(owner, IDD_NETWORK_PAGE, tab, yOffset, font, controls_)) return false;
    RECT rc{};
    if (TakePlaceholder(controls_, tab, IDC_NETWORK_GRAPH, rc) && graph_.Create(tab, rc, IDC_NETWORK_GRAPH))
        Replace(controls_, graph_.GetHwnd());
    ShowPageControls(controls_, false);
    ConfigureNetworkGraph(graph_);
    if (HWND list = ::GetDlgItem(tab, IDC_ADAPTER_LIST)) {
        adapters_.Attach(list);
        adapters_.InitList(0);
        adapters_.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP);
        static const char* const kTitles[] = {"Adapter Name", "MAC Address", "Throughput", "Utilization",
                                              "Link Speed", "State", "Bytes Sent", "Bytes Received"};
        static const int kFormats[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_RIGHT, LVCFMT_RIGHT,
                                       LVCFMT_RIGHT, LVCFMT_RIGHT, LVCFMT_RIGHT, LVCFMT_RIGHT};
        static const int kWidths[] = {80, 80, 80, 80, 80, 80, 80, 80};
        AddColumns(adapters_, kTitles, kFormats, kWidths, 8);
    }
    tabs.AddAnchor(IDC_NETWORK_GROUP, kAnchorGrowWidth);
    tabs.AddAnchor(IDC_NETWORK_GRAPH, kAnchorGrowWidth);
    tabs.AddAnchor(IDC_ADAPTER_GROUP, kAnchorGrowWidth | kAnchorGrowHeight);
    tabs.AddAnchor(IDC_ADAPTER_LIST, kAnchorGrowWidth | kAnchorGrowHeight);
    return true;
}

void NetworkPage::Show(bool show) { ShowPageControls(controls_, show); }

void NetworkPage::OnSample(const std::vector<NetAdapterInfo>& adapters, bool visible, bool autoSize) {
    const std::vector<const NetAdapterInfo*> shown = ShownAdapters(adapters);
    if (visible && adapters_.IsWindow()) {
        // Rows follow the adapters that are there: added when one appears,
        // dropped when one went away.
        while (adapters_.GetItemCount() > static_cast<int>(shown.size()))
            adapters_.SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(adapters_.GetItemCount() - 1));
        while (adapters_.GetItemCount() < static_cast<int>(shown.size()))
            adapters_.InsertItem(adapters_.GetItemCount(), "");
        char buffer[64];
        for (size_t j = 0; j < shown.size(); ++j) {
            const NetAdapterInfo& a = *shown[j];
            const int row = static_cast<int>(j);
            auto set = [&](int column, const std::string& text) {
                if (adapters_.GetCellText(row, column) != text) adapters_.SetItemText(row, column, text);
            };
            set(0, a.name);
            set(1, a.physicalAddress);
            set(2, "0");
            std::snprintf(buffer, sizeof buffer, "%0.2f%%", a.utilization);
            set(3, buffer);
            std::snprintf(buffer, sizeof buffer, "%d Mbps", static_cast<int>(a.speed / 1000000));
            set(4, buffer);
            set(5, OperStatusText(a.operStatus));
            std::snprintf(buffer, sizeof buffer, "%lu", static_cast<unsigned long>(a.outOctets));
            set(6, buffer);
            std::snprintf(buffer, sizeof buffer, "%lu", static_cast<unsigned long>(a.inOctets));
            set(7, buffer);
        }
        if (!fitted_) {
            fitted_ = true;
            if (autoSize) adapters_.AutoSizeColumns(-1);
        }
    }
    double sum = 0;
    if (!firstSample_)
        for (const NetAdapterInfo* a : shown) sum += a->utilization;
    firstSample_ = false;
    const int point = rowtext::NetworkGraphPoint(sum);
    if (point > graph_.GetMaximum()) graph_.SetRange(graph_.GetMinimum(), point);
    graph_.AddValue(point);
}
