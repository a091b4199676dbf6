// The main window's refresh cycle on made-up systems: a full refresh of the
// Tasks list (load and fill) and one view update, at 200 and 1,000
// processes; the filter box's re-filtering and a view update under a
// filter, at 1,000 processes; and one view update of each tab on the live
// system.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "Benchmark.h"
#include "actions/ProtectionList.h"
#include "app/pages/InfoPages.h"
#include "app/pages/ListPages.h"
#include "core/ActivityLog.h"
#include "core/Messages.h"
#include "progdb/ProgramDatabase.h"
#include "sysinfo/Performance.h"
#include "sysinfo/ProcessSampler.h"
#include "sysinfo/SyntheticProcesses.h"
#include "sysinfo/SystemSnapshot.h"

namespace {

// Loader steps that list the synthetic processes (no windows, services or
// drivers), with paths where no file exists, as for processes whose image
// cannot be read.
class SyntheticSteps : public SnapshotSteps {
public:
    explicit SyntheticSteps(const SyntheticProcessSource& source) : source_(source) {}
    bool LoadWindows(std::vector<HWND>&) override { return true; }
    bool LoadProcesses(ProcessImageList& list) override {
        list.Clear();
        for (const SyntheticProcess& p : source_.processes) {
            ProcessImageInfo info;
            info.pid = p.pid;
            info.createTime = p.createTime;
            info.threadCount = static_cast<int>(p.threads);
            std::string name(p.name.begin(), p.name.end());
            info.moduleName = name;
            info.imagePath = "C:\\synthetic\\" + name;
            list.items.push_back(info);
            list.threadTotal += info.threadCount;
        }
        return true;
    }
    bool LoadServices(ServiceList&) override { return true; }
    bool LoadDrivers(ServiceList&) override { return true; }

private:
    const SyntheticProcessSource& source_;
};

// Waits for the loader's completion message and adopts the lists.
void LoadAndAdopt(SystemSnapshot& snapshot, HWND window) {
    snapshot.StartLoading(window);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_SNAPSHOT_DONE) break;
        ::DispatchMessageA(&msg);
    }
    snapshot.AdoptLoaded();
}

HWND HostWindow() {
    return ::CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
}

struct Sources {
    ProtectionList protection{"C:\\qm-bench-protect.dat"};
    ProgramDatabase publisher;
    ProgramDatabase local;
    ActivityLog log;
};

// The Tasks page over count made-up processes, in a window never shown.
struct SyntheticTasks {
    explicit SyntheticTasks(size_t count) {
        // From pid 8: pid 4 would be the "System" row.
        bench::FillProcessTable(source, count, 8);
        page.Create(host);
        page.Show(true);
    }
    ~SyntheticTasks() { ::DestroyWindow(host); }
    SyntheticProcessSource source;
    SyntheticSteps steps{source};
    SystemSnapshot snapshot{&steps};
    ProcessSampler sampler{&source};
    Sources s;
    PageSources sources{snapshot, sampler, s.protection, s.publisher, s.local, s.log};
    HWND host = HostWindow();
    TasksPage page{sources};
};

void BenchTasks(size_t count) {
    SyntheticTasks tasks(count);
    SyntheticProcessSource& source = tasks.source;
    SystemSnapshot& snapshot = tasks.snapshot;
    ProcessSampler& sampler = tasks.sampler;
    TasksPage& page = tasks.page;
    HWND host = tasks.host;

    const double refresh = bench::BestMs([&] {
        LoadAndAdopt(snapshot, host);
        page.Fill();
        page.FitColumns();
        page.List().Resort();
    }, 3);
    bench::Report("Full refresh of the Tasks list, " + std::to_string(count) + " processes", refresh, "ms");
    const double fill = bench::BestMs([&] { page.Fill(); }, 3);
    bench::Report("  of which filling the rows", fill, "ms");
    const double fit = bench::BestMs([&] { page.FitColumns(); }, 3);
    bench::Report("  of which fitting the columns", fit, "ms");

    sampler.Sample();
    page.Update();  // the first update writes every value cell
    int tick = 0;
    const double busy = bench::BestMs([&] {
        ++tick;
        for (auto& p : source.processes) p.userTime += 100000 + (p.pid % 7) * tick;
        sampler.Sample();
        page.Update();
    }, 5);
    bench::Report("Tasks view update, every value changed, " + std::to_string(count) + " processes", busy, "ms");
    const double idle = bench::BestMs([&] {
        sampler.Sample();
        page.Update();
    }, 5);
    bench::Report("Tasks view update, idle system, " + std::to_string(count) + " processes", idle, "ms");
}

// The filter box on the Tasks list of count made-up processes: what a key
// press costs (the rows it hides, the rows it brings back) and what an
// active filter adds to a view update.
void BenchFilter(size_t count) {
    SyntheticTasks tasks(count);
    SyntheticProcessSource& source = tasks.source;
    TasksPage& page = tasks.page;
    LoadAndAdopt(tasks.snapshot, tasks.host);
    page.Fill();
    const std::string rows = std::to_string(count) + " rows";

    // One key press each way, best of three: a filter that leaves about a
    // tenth of the rows ("process1..."), then the key that empties the box
    // again and brings every row back; and one that matches nothing.
    double narrow = 1e9, widen = 1e9, none = 1e9, back = 1e9;
    int shown = 0;
    for (int i = 0; i < 3; ++i) {
        narrow = std::min(narrow, bench::BestMs([&] { page.SetFilter("process1"); }, 1));
        shown = page.RowCount();
        widen = std::min(widen, bench::BestMs([&] { page.SetFilter(""); }, 1));
        none = std::min(none, bench::BestMs([&] { page.SetFilter("no such row"); }, 1));
        back = std::min(back, bench::BestMs([&] { page.SetFilter(""); }, 1));
    }
    bench::Report("Re-filter " + rows + ": all -> " + std::to_string(shown) + " shown", narrow, "ms");
    bench::Report("Re-filter " + rows + ": back to all", widen, "ms");
    bench::Report("Re-filter " + rows + ": all -> none", none, "ms");
    bench::Report("Re-filter " + rows + ": none -> all", back, "ms");

    // A view update with every value changed, without a filter and with one
    // on the names (the values change, the shown rows do not); and with one
    // on a value, where every row is matched again at every update.
    ViewTick tick;
    tick.sampled = true;
    int round = 0;
    auto busyUpdate = [&] {
        ++round;
        for (auto& p : source.processes) p.userTime += 100000 + (p.pid % 7) * round;
        tasks.sampler.Sample();
        page.UpdateView(tick);
    };
    tasks.sampler.Sample();
    page.UpdateView(tick);
    const double plain = bench::BestMs(busyUpdate, 5);
    page.SetFilter("process1");
    const double byName = bench::BestMs(busyUpdate, 5);
    page.SetFilter(" K");  // every row's memory cell
    const double byValue = bench::BestMs(busyUpdate, 5);
    page.SetFilter("");
    bench::Report("Tasks view update, " + rows + ", every value changed, no filter", plain, "ms");
    bench::Report("  the same with a filter on the names (" + std::to_string(shown) + " shown)", byName, "ms");
    bench::Report("  the same with a filter on a value every row holds", byValue, "ms");
}

}  // namespace

QM_BENCHMARK("app: filter box on synthetic tables") {
    LoadSystemEntryPoints();
    BenchFilter(1000);
}

QM_BENCHMARK("app: Tasks list on synthetic tables") {
    LoadSystemEntryPoints();
    for (size_t count : {200u, 1000u}) BenchTasks(count);
}

QM_BENCHMARK("app: view update of each tab, live") {
    LoadSystemEntryPoints();
    SystemSnapshot snapshot;
    ProcessSampler sampler;
    Sources s;
    PageSources sources{snapshot, sampler, s.protection, s.publisher, s.local, s.log};
    HWND host = HostWindow();
    LoadAndAdopt(snapshot, host);
    ApplicationsPage applications(sources);
    TasksPage tasks(sources);
    ServicesPage services(sources, ServiceListKind::Services);
    ServicesPage drivers(sources, ServiceListKind::Drivers);
    ListPage* pages[] = {&applications, &tasks, &services, &drivers};
    const char* names[] = {"Applications", "Tasks", "Services", "Drivers"};
    for (int i = 0; i < 4; ++i) {
        pages[i]->Create(host);
        const double fill = bench::BestMs([&] { pages[i]->Fill(); }, 3);
        bench::Report(std::string(names[i]) + " fill, live (" + std::to_string(pages[i]->RowCount()) + " rows)", fill,
                      "ms");
        const double update = bench::BestMs([&] {
            if (pages[i]->UsesProcessSample()) sampler.Sample();
            pages[i]->Update();
        }, 5);
        bench::Report(std::string(names[i]) + " view update, live", update, "ms");
    }
    ::DestroyWindow(host);
}
