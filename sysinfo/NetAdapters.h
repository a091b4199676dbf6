// Network adapters: the interface table, sampled once a second on a worker
// thread under the sampler's lock, with utilization from successive samples.
#pragma once

#include <windows.h>
#include <iphlpapi.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <memory>
#include <vector>

#include "core/Worker.h"
#include "base/Handles.h"
#include "sysinfo/SysinfoMessages.h"

struct NetAdapterInfo {
    std::string name;
    uint32_t index = 0;
    uint32_t type = 0;
    uint32_t speed = 0;  // bits per second
    std::string physicalAddress;
    uint32_t adminStatus = 0;
    uint32_t operStatus = 0;
    uint32_t lastChange = 0;
    uint32_t inOctets = 0;
    uint32_t inUnicastPackets = 0;
    uint32_t mtu = 0;
    uint32_t inNonUnicastPackets = 0;
    uint32_t inDiscards = 0;
    uint32_t inErrors = 0;
    uint32_t inUnknownProtocols = 0;
    uint32_t outOctets = 0;
    uint32_t outUnicastPackets = 0;
    uint32_t outNonUnicastPackets = 0;
    uint32_t outDiscards = 0;
    uint32_t outErrors = 0;
    uint32_t outQueueLength = 0;
    std::string description;
    double utilization = 0.0;
    uint32_t prevInOctets = 0;
    uint32_t prevOutOctets = 0;
};

// 0 "Disabled" .. 5 "Operational"; any other code "".
std::string OperStatusText(uint32_t code);
// Bytes as "%0.2X" pairs separated by single spaces.
std::string PhysicalAddressText(const BYTE* bytes, size_t length);
// Percent of speed used in one second; differences taken modulo 2^32 so a
// counter wrap is a small increase; 0 when speed is 0.
double UtilizationOf(uint32_t inNow, uint32_t inPrev, uint32_t outNow, uint32_t outPrev, uint32_t speed);
// Copies one table row into record (keeping record's previous counters) and
// computes the utilization.
void ApplyIfRow(const MIB_IFROW& row, NetAdapterInfo& record);

// The system's interface-table call (GetIfTable); tests give their own.
using IfTableFn = DWORD(WINAPI*)(PMIB_IFTABLE table, PULONG size, BOOL sorted);

class NetAdapterSampler {
public:
    explicit NetAdapterSampler(IfTableFn readTable = nullptr);
    ~NetAdapterSampler();  // stops the worker (bounded wait)
    NetAdapterSampler(const NetAdapterSampler&) = delete;
    NetAdapterSampler& operator=(const NetAdapterSampler&) = delete;

    // One sample from the system, under the lock. 1 on success; -2 when the
    // system does not support the table (TakeNotSupportedReport then says so
    // once); -1 on other failures. On failure the records and the totals keep
    // the last sample's values.
    int Sample();
    // Applies a table as the system returns it, under the lock: rows are
    // matched to the records of the last sample by interface index (so the
    // previous counters carry over however the order changes), and records of
    // interfaces that are gone are dropped.
    void ApplyTable(const MIB_IFTABLE& table);

    // Starts the worker that takes a first reading at once (posted with no
    // utilisation yet), then samples once a second, posting WM_NETWORK_SAMPLE
    // to notifyWindow (may be null) after each reading. False when it runs.
    bool Start(HWND notifyWindow);
    // Asks the worker to end.
    void RequestStop() { worker_.RequestStop(); }
    // Asks the worker to end and waits at most boundMs; true when it ended.
    bool Stop(DWORD boundMs = WorkerThread::kDefaultStopBoundMs) { return worker_.Stop(boundMs); }
    bool Running() const { return worker_.IsRunning(); }

    // Copies of the last sample, taken under the lock.
    std::vector<NetAdapterInfo> CopyAdapters() const;
    uint32_t TotalInOctets() const;
    uint32_t TotalOutOctets() const;

    // For the window's thread: true once, the first time it asks after the
    // system answered "not supported" (in this run, over all samplers). The
    // window then shows "This function is not supported!"; the sampler never
    // shows anything itself.
    bool TakeNotSupportedReport();

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    WorkerThread worker_;
};

// The text the window shows once when the table is not supported.
constexpr const char kNetworkNotSupportedText[] = "This function is not supported!";
