// A small benchmark runner. Each benchmark registers itself with
// QM_BENCHMARK(name) { ... } and reports figures with Report(); the program
// runs them all (or those whose name contains the first argument) and prints
// one line per figure.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "sysinfo/SyntheticProcesses.h"

namespace bench {

using Body = std::function<void()>;

struct Registrar {
    Registrar(const char* name, Body body);
};

// Prints "name: value unit".
void Report(const std::string& name, double value, const char* unit);

// Fills source with count processes (4 threads, 1 MB each, "process<i>.exe"),
// their ids from firstPid on in steps of 4.
void FillProcessTable(SyntheticProcessSource& source, size_t count, uint32_t firstPid = 4);
// Milliseconds taken by fn, the best of `repeat` runs.
double BestMs(const std::function<void()>& fn, int repeat = 3);
// The same, with setup run untimed before each run.
double BestMs(const std::function<void()>& setup, const std::function<void()>& fn, int repeat);

}  // namespace bench

#define QM_BENCH_CAT2(a, b) a##b
#define QM_BENCH_CAT(a, b) QM_BENCH_CAT2(a, b)
#define QM_BENCHMARK(name)                                                                     \
    static void QM_BENCH_CAT(bench_body_, __LINE__)();                                         \
    static ::bench::Registrar QM_BENCH_CAT(bench_reg_, __LINE__)(name, &QM_BENCH_CAT(bench_body_, __LINE__)); \
    static void QM_BENCH_CAT(bench_body_, __LINE__)()
