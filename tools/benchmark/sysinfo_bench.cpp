// System information: the per-tick process sample over synthetic process
// tables, and the snapshot's expensive steps on the live system.
#include "Benchmark.h"

#include <string>

#include "sysinfo/ProcessHelpers.h"
#include "sysinfo/ProcessSampler.h"
#include "sysinfo/ServiceInfo.h"
#include "sysinfo/SyntheticProcesses.h"
#include "sysinfo/SystemSnapshot.h"

namespace {

// One tick with every process busy, after the table has been seen once.
void BenchSample(size_t count) {
    SyntheticProcessSource source;
    bench::FillProcessTable(source, count);
    ProcessSampler sampler(&source);
    sampler.Sample();  // every record new: includes the user lookups
    int tick = 0;
    // Only the sample is timed: the table's change between ticks is the
    // system's work, not the sampler's.
    double steady = bench::BestMs(
        [&] {
            ++tick;
            for (auto& p : source.processes) p.userTime += 1000 + (p.pid % 7) * tick;
        },
        [&] { sampler.Sample(); }, 5);
    bench::Report("ProcessSampler::Sample, steady tick, " + std::to_string(count) + " processes", steady, "ms");

    // One process ends at the front: every later record must still match.
    double shifted = bench::BestMs([&] { source.processes.erase(source.processes.begin()); },
                                   [&] { sampler.Sample(); }, 3);
    bench::Report("ProcessSampler::Sample, first process ended, " + std::to_string(count) + " processes", shifted,
                  "ms");
    bench::Report("  user lookups after " + std::to_string(count) + " processes", source.userLookups, "lookups");

    // The synthetic query alone (serialising the table), to subtract.
    std::vector<BYTE> buf;
    double query = bench::BestMs([&] { source.Query(buf); }, 5);
    bench::Report("  synthetic query alone, " + std::to_string(count) + " processes", query, "ms");
    // The query buffer's decoding alone.
    std::vector<ProcessEntry> entries;
    double parse = bench::BestMs([&] { ParseProcessEntries(buf.data(), buf.size(), entries); }, 5);
    bench::Report("ParseProcessEntries, " + std::to_string(count) + " processes", parse, "ms");
    // The figure the steady tick is judged by: its multiple of what any
    // monitor must do (ask and decode).
    if (query + parse > 0)
        bench::Report("  steady tick / (query + parse), " + std::to_string(count) + " processes",
                      steady / (query + parse), "x");
}

}  // namespace

QM_BENCHMARK("sysinfo: Sample on synthetic tables") {
    for (size_t count : {100u, 1000u, 10000u}) BenchSample(count);
}

QM_BENCHMARK("sysinfo: live system") {
    LoadSystemEntryPoints();
    ProcessSampler sampler;
    sampler.Sample();
    double tick = bench::BestMs([&] { sampler.Sample(); }, 5);
    bench::Report("ProcessSampler::Sample, live (" + std::to_string(sampler.Count()) + " processes)", tick, "ms");

    ProcessImageList list;
    double images = bench::BestMs([&] {
        list.Clear();
        LoadProcessImageList(list);
    }, 3);
    bench::Report("Process image list, live (" + std::to_string(list.items.size()) + " processes)", images, "ms");
    double again = bench::BestMs([&] { LoadProcessImageList(list); }, 3);
    bench::Report("  again over the last list, as a refresh", again, "ms");
    ThreadCounts counts;
    double threads = bench::BestMs([&] { counts.Take(); }, 3);
    bench::Report("ThreadCounts::Take (one snapshot for the whole load)", threads, "ms");

    ServiceList services, drivers;
    double svc = bench::BestMs([&] { services.Load(0); }, 3);
    bench::Report("LoadServices services (" + std::to_string(services.Count()) + ")", svc, "ms");
    double drv = bench::BestMs([&] { drivers.Load(1); }, 3);
    bench::Report("LoadServices drivers (" + std::to_string(drivers.Count()) + ")", drv, "ms");

    MSG msg;
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    HWND sink = ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    double load = bench::BestMs([&] {
        SystemSnapshot snapshot;
        if (!snapshot.StartLoading(sink)) return;
        snapshot.WaitForLoader(60000);
    }, 3);
    bench::Report("SystemSnapshot full load, live", load, "ms");
    ::DestroyWindow(sink);
    FreeSystemEntryPoints();
}
