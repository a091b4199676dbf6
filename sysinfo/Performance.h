// System performance: the machine's CPU usage, measured once a second on a
// worker thread, and the memory status, read on demand.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "core/Worker.h"
#include "base/Handles.h"
#include "platform/Processes.h"
#include "sysinfo/SysinfoMessages.h"

// usage = 100 - (idle delta / time delta) x 100 / processors + 0.5, truncated
// toward zero; not clamped. Times in 100 ns units (idle summed over all
// processors). A time that did not move on (or no processors) gives 0, as a
// failed query does, instead of a division by zero.
int CpuUsageFromTimes(uint64_t idleNow, uint64_t idleThen, uint64_t timeNow, uint64_t timeThen, int processors);

// Measures the machine's CPU usage once a second on a worker, which posts
// each value to a window.
class CpuUsageSampler {
public:
    // Where Measure finds the system query at each call: by default
    // "NtQuerySystemInformation" of "ntdll". Tests give their own (a lookup
    // that returns null stands for a system without the query).
    using QueryLookup = NtQuerySystemInformationFn (*)();

    CpuUsageSampler() = default;
    // Stops the worker within the default bound.
    ~CpuUsageSampler();
    CpuUsageSampler(const CpuUsageSampler&) = delete;
    CpuUsageSampler& operator=(const CpuUsageSampler&) = delete;

    // One blocking measurement over IntervalMs(); 0 when the system query is
    // unavailable or fails. A signalled stopEvent (may be null) cuts the
    // interval short; the result is then -1.
    int Measure(HANDLE stopEvent = nullptr) const { return Measure(queryLookup_, intervalMs_, stopEvent); }
    static int Measure(QueryLookup lookup, uint32_t intervalMs, HANDLE stopEvent);
    // Starts the worker that posts WM_CPU_SAMPLE, the usage in percent as
    // wParam, to notifyWindow (may be null) after each measurement. False
    // when it already runs. The worker measures with the interval and query
    // set now.
    bool Start(HWND notifyWindow);
    // Asks the worker to end; a measurement under way is dropped.
    void RequestStop() { worker_.RequestStop(); }
    // Asks the worker to end and waits at most boundMs; true when it ended.
    bool Stop(DWORD boundMs = WorkerThread::kDefaultStopBoundMs) { return worker_.Stop(boundMs); }
    bool Running() const { return worker_.IsRunning(); }

    uint32_t IntervalMs() const { return intervalMs_; }
    void SetIntervalMs(uint32_t ms) { intervalMs_ = ms; }
    void SetQueryLookup(QueryLookup lookup);

private:
    uint32_t intervalMs_ = 1000;
    QueryLookup queryLookup_ = DefaultQueryLookup();
    static QueryLookup DefaultQueryLookup();
    WorkerThread worker_;
};

// The three memory figures the memory meter and graph can show. The values are
// the performance data list's row kinds of the same figures.
enum class MemoryKind { Physical = 2, Virtual = 3, PageFile = 4 };
// The kind of a performance data row kind: 2 physical memory, 3 virtual
// memory, anything else the page file.
MemoryKind MemoryKindOfRow(int rowKind);
// "Physical Memory", "Virtual Memory" or "Page File".
const char* MemoryKindName(MemoryKind kind);

// A snapshot of the system's memory status, with 64-bit figures.
class MemoryStatus {
public:
    MemoryStatus() = default;
    // Fixed figures (bytes), for tests and tools.
    MemoryStatus(uint32_t memoryLoad, uint64_t totalPhys, uint64_t availPhys, uint64_t totalPageFile,
                 uint64_t availPageFile, uint64_t totalVirtual, uint64_t availVirtual);

    // Zeroes the figures and reads them from the system; false on failure.
    bool Read();

    uint32_t MemoryLoad() const { return memoryLoad_; }
    uint64_t TotalPhysical() const { return totalPhys_; }
    uint64_t AvailablePhysical() const { return availPhys_; }
    uint64_t UsedPhysical() const { return totalPhys_ - availPhys_; }
    uint64_t TotalPageFile() const { return totalPageFile_; }
    uint64_t AvailablePageFile() const { return availPageFile_; }
    uint64_t UsedPageFile() const { return totalPageFile_ - availPageFile_; }
    uint64_t TotalVirtual() const { return totalVirtual_; }
    uint64_t AvailableVirtual() const { return availVirtual_; }
    uint64_t UsedVirtual() const { return totalVirtual_ - availVirtual_; }

    // Whole megabytes (bytes >> 20, truncated).
    static uint64_t Megabytes(uint64_t bytes) { return bytes >> 20; }
    // "%lu MB" of Megabytes(bytes).
    static std::string MegabyteText(uint64_t bytes);

private:
    uint32_t memoryLoad_ = 0;
    uint64_t totalPhys_ = 0;
    uint64_t availPhys_ = 0;
    uint64_t totalPageFile_ = 0;
    uint64_t availPageFile_ = 0;
    uint64_t totalVirtual_ = 0;
    uint64_t availVirtual_ = 0;
};
