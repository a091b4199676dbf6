// Network adapters: the interface table, sampled once a second on a worker
// thread under the sampler's lock, with utilization from successive samples.
#pragma once

#include <windows.h>
#include <iphlpapi.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/Handles.h"
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

class NetAdapterSampler {
public:
    NetAdapterSampler() = default;
    ~NetAdapterSampler();  // stops the worker
    NetAdapterSampler(const NetAdapterSampler&) = delete;
    NetAdapterSampler& operator=(const NetAdapterSampler&) = delete;

    // One sample from the system (call with Lock() held). 1 on success; -2
    // when the system does not support the table ("This function is not
    // supported!" is shown, once per run); -1 on other failures (nothing
    // changes then).
    int Sample();
    // Applies a table as the system returns it (call with Lock() held).
    void ApplyTable(const MIB_IFTABLE& table);

    bool Start(HWND notifyWindow);
    // Signals the worker and waits until it has ended.
    void Stop();
    bool Running() const { return running_.load(); }

    // Hold this while reading Adapters() or the totals.
    CriticalSection& Lock() { return lock_; }
    const std::vector<NetAdapterInfo>& Adapters() const { return adapters_; }
    uint32_t TotalInOctets() const { return totalIn_; }
    uint32_t TotalOutOctets() const { return totalOut_; }

private:
    static DWORD WINAPI WorkerThread(LPVOID self);
    void RunWorker();

    std::vector<NetAdapterInfo> adapters_;
    uint32_t totalIn_ = 0;
    uint32_t totalOut_ = 0;
    CriticalSection lock_;
    UniqueHandle thread_;
    std::atomic<bool> running_{false};
    HWND notifyWindow_ = nullptr;
    UniqueHandle stopEvent_;
};

// True only the first time in this process: the "not supported" box is shown
// once per run, not every second.
bool TakeNotSupportedReport();
