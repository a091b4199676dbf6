#include "Benchmark.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace bench {
namespace {
std::vector<std::pair<std::string, Body>>& All() {
    static std::vector<std::pair<std::string, Body>> all;
    return all;
}
}  // namespace

Registrar::Registrar(const char* name, Body body) {
    All().emplace_back(name, std::move(body));
}

void Report(const std::string& name, double value, const char* unit) {
    std::printf("%-60s %12.3f %s\n", name.c_str(), value, unit);
    std::fflush(stdout);
}

double BestMs(const std::function<void()>& fn, int repeat) { return BestMs([] {}, fn, repeat); }

double BestMs(const std::function<void()>& setup, const std::function<void()>& fn, int repeat) {
    LARGE_INTEGER freq, a, b;
    ::QueryPerformanceFrequency(&freq);
    double best = 1e300;
    for (int i = 0; i < repeat; ++i) {
        setup();
        ::QueryPerformanceCounter(&a);
        fn();
        ::QueryPerformanceCounter(&b);
        double ms = 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart);
        if (ms < best) best = ms;
    }
    return best;
}

}  // namespace bench

namespace bench {
void FillProcessTable(SyntheticProcessSource& source, size_t count, uint32_t firstPid) {
    source.processes.clear();
    for (size_t i = 0; i < count; ++i) {
        SyntheticProcess p;
        p.pid = firstPid + static_cast<uint32_t>(4 * i);
        p.createTime = 130000000000000000ll + static_cast<int64_t>(i) * 7919;
        p.threads = 4;
        p.name = L"process" + std::to_wstring(i) + L".exe";
        p.workingSet = 1 << 20;
        source.processes.push_back(p);
    }
}
}  // namespace bench

int main(int argc, char** argv) {
    std::string filter = argc > 1 ? argv[1] : "";
    for (auto& [name, body] : bench::All()) {
        if (!filter.empty() && name.find(filter) == std::string::npos) continue;
        std::printf("== %s\n", name.c_str());
        body();
    }
    return 0;
}
