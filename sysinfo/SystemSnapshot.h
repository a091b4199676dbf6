// The background-loaded picture of the system: top-level windows, processes
// with image paths and command lines, services and drivers. A worker thread
// loads it in four steps and posts WM_SNAPSHOT_STEP / WM_SNAPSHOT_DONE.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "platform/Processes.h"
#include "sysinfo/ServiceInfo.h"
#include "sysinfo/SysinfoMessages.h"

struct ProcessImageInfo {
    DWORD pid = 0;
    std::string moduleName;   // base name of the main module
    std::string imagePath;    // normalised, long form
    std::string commandLine;  // at most 245 characters
    int threadCount = 0;      // threads whose times could be read (0 unknown)
};

struct ProcessImageList {
    std::vector<ProcessImageInfo> items;
    // Sum of the thread counts of every process whose modules could be read.
    int threadTotal = 0;
    void Clear() {
        items.clear();
        threadTotal = 0;
    }
};

// Every process id from an EnumProcesses-like call, growing the buffer until
// the call leaves room over (a fixed buffer would cut the list). False when
// the call fails.
using EnumProcessIdsFn = BOOL(WINAPI*)(DWORD* ids, DWORD bytes, DWORD* returned);
bool EnumerateAllProcessIds(EnumProcessIdsFn enumerate, std::vector<DWORD>& pids);

// The process-status path (EnumProcesses + module names), used on the three
// versions of OsFamily; lists every process. False when nothing was listed.
bool ListProcessesByStatus(ProcessImageList& list);
// The tool-help path, used on every other system. False when nothing listed.
bool ListProcessesByToolHelp(ProcessImageList& list);
// Which of the two a system uses.
inline bool UsesProcessStatusPath(const OsFamily& os) { return os.Any(); }
// The path of the running system.
bool LoadProcessImageList(ProcessImageList& list);

// The four loader steps; tests replace them to follow the loader's messages.
class SnapshotSteps {
public:
    virtual ~SnapshotSteps() = default;
    virtual bool LoadWindows(std::vector<HWND>& windows);
    virtual bool LoadProcesses(ProcessImageList& processes);
    virtual bool LoadServices(ServiceList& services);  // kind 0
    virtual bool LoadDrivers(ServiceList& drivers);    // kind 1
};

class SystemSnapshot {
public:
    // steps: null for the live system; otherwise owned by the caller and
    // alive as long as the snapshot.
    explicit SystemSnapshot(SnapshotSteps* steps = nullptr);
    // Stops a running load (after its current step) and waits for it.
    ~SystemSnapshot();
    SystemSnapshot(const SystemSnapshot&) = delete;
    SystemSnapshot& operator=(const SystemSnapshot&) = delete;

    // False when a load runs or the thread cannot start; else starts one that
    // reports to owner.
    bool StartLoading(HWND owner);
    bool IsLoading() const { return loading_.load(); }
    // After WM_SNAPSHOT_DONE: the finished load's lists become the current ones.
    bool AdoptLoaded() { return !IsLoading(); }
    // Empties the service and driver lists, unless a load runs.
    void ClearServiceLists();
    // Waits for a running loader thread to end (for shutdown and tests).
    void WaitForLoader(DWORD boundMs = INFINITE);

    // Read these after WM_SNAPSHOT_DONE, never while loading.
    const std::vector<HWND>& Windows() const { return windows_; }
    const ProcessImageList& Processes() const { return processes_; }
    size_t ProcessCount() const { return processes_.items.size(); }
    // A copy of element i; false when out of range.
    bool ProcessAt(size_t i, ProcessImageInfo& out) const;
    int ThreadTotal() const { return processes_.threadTotal; }
    const ServiceList& Services() const { return services_; }
    const ServiceList& Drivers() const { return drivers_; }
    ServiceList& Services() { return services_; }
    ServiceList& Drivers() { return drivers_; }

private:
    static DWORD WINAPI LoaderThread(LPVOID self);
    void RunLoader();
    void Post(UINT msg, WPARAM wp, LPARAM lp) const;

    std::vector<HWND> windows_;
    ProcessImageList processes_;
    ServiceList services_{0};
    ServiceList drivers_{1};
    HWND owner_ = nullptr;
    UniqueHandle thread_;
    std::atomic<bool> loading_{false};
    std::atomic<bool> stop_{false};
    SnapshotSteps defaultSteps_;
    SnapshotSteps* steps_;
};
