// The background-loaded picture of the system: top-level windows, processes
// with image paths and command lines, services and drivers. A worker thread
// loads fresh lists in four steps, posting WM_SNAPSHOT_STEP and then
// WM_SNAPSHOT_DONE; the window then takes them over with AdoptLoaded, so the
// lists it reads are never the ones a worker writes.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/Worker.h"
#include "base/Handles.h"
#include "platform/Processes.h"
#include "sysinfo/ProcessSampler.h"
#include "sysinfo/ServiceInfo.h"
#include "sysinfo/SysinfoMessages.h"

struct ProcessImageInfo {
    DWORD pid = 0;
    std::string moduleName;   // base name of the main module
    std::string imagePath;    // normalised, long form
    std::string commandLine;  // at most 245 bytes, cut at a character boundary
    int threadCount = 0;      // threads whose times could be read (0 unknown)
    int64_t createTime = 0;   // 100 ns since 1601, UTC; 0 when unreadable
    std::string userName;     // owner account from the token; empty when unreadable
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

// The processes a previous load found, for the next load to reuse: a process
// still running under the same id and creation time runs the same image with
// the same command line, so neither is read again. Reading them takes several
// calls into the system per process, which made every refresh cost about a
// millisecond a process.
class KnownProcesses {
public:
    KnownProcesses() = default;
    explicit KnownProcesses(std::vector<ProcessImageInfo> previous);
    // The previous entry of process pid when it was started at createTime;
    // null when there is none, when either creation time is unknown, or when
    // its image path or command line could not be read then (they are read
    // again).
    const ProcessImageInfo* Find(DWORD pid, int64_t createTime) const;

private:
    std::vector<ProcessImageInfo> items_;
    std::unordered_map<DWORD, size_t> byPid_;
};

// The process-status path (EnumProcesses + module names), used on the three
// versions of OsFamily; lists every process. False when nothing was listed.
bool ListProcessesByStatus(ProcessImageList& list);
// The path of every other system: the system process query, or where it
// fails the tool-help snapshots. False when nothing was listed. On entry list
// may hold the previous load's processes: those still running keep their
// image path, command line and owner without reading them again.
bool ListProcessesByQuery(ProcessImageList& list);
bool ListProcessesByToolHelp(ProcessImageList& list);
// The owners a load read, for the process sample that follows it.
std::vector<ProcessSampler::KnownUser> KnownUsersOf(const ProcessImageList& list);
// Which of the two a system uses.
inline bool UsesProcessStatusPath(const OsFamily& os) { return os.Any(); }
// The path of the running system (list as for ListProcessesByToolHelp).
bool LoadProcessImageList(ProcessImageList& list);

// The four loader steps; tests replace them to follow the loader's messages.
class SnapshotSteps {
public:
    virtual ~SnapshotSteps() = default;
    virtual bool LoadWindows(std::vector<HWND>& windows);
    // On entry processes holds the current list (empty at the first load),
    // which the live step reuses for the processes still running.
    virtual bool LoadProcesses(ProcessImageList& processes);
    virtual bool LoadServices(ServiceList& services);  // kind 0
    virtual bool LoadDrivers(ServiceList& drivers);    // kind 1
};

// The loader's progress line for WM_SNAPSHOT_STEP: "Loading application
// windows...", "Loading processes...", "Loading services...", "Loading
// drivers...", with "complete" appended directly when the step has finished;
// "" for any other step number.
std::string SnapshotStepText(int step, bool finished);

// The four lists one load produces.
struct SnapshotLists {
    std::vector<HWND> windows;
    ProcessImageList processes;
    ServiceList services{0};
    ServiceList drivers{1};
};

class SystemSnapshot {
public:
    // steps: null for the live system; otherwise owned by the caller and
    // alive as long as the snapshot.
    explicit SystemSnapshot(SnapshotSteps* steps = nullptr);
    // Stop(WorkerThread::kDefaultStopBoundMs).
    ~SystemSnapshot();
    SystemSnapshot(const SystemSnapshot&) = delete;
    SystemSnapshot& operator=(const SystemSnapshot&) = delete;

    // False when a load runs or the thread cannot start; else starts one that
    // loads fresh lists and reports to owner: WM_SNAPSHOT_STEP per step, then
    // WM_SNAPSHOT_DONE (wParam 1 success; 0 failure, lParam = failing step).
    // The current lists stay as they are until AdoptLoaded.
    bool StartLoading(HWND owner);
    bool IsLoading() const { return worker_.IsRunning(); }
    // On the window's thread, after WM_SNAPSHOT_DONE: makes the lists of the
    // finished load the current ones (after a failed step, those of the steps
    // that completed; the failing step's list and the later ones are empty).
    // False when no finished load waits (nothing changes then).
    bool AdoptLoaded();
    // Whether the last adopted load succeeded in every step; the index of the
    // step that failed otherwise (-1 when none).
    int FailedStep() const { return failedStep_; }
    // The same load on the calling thread, without messages, for a caller
    // with no window to wait on: its lists become the current ones at once
    // (FailedStep as after AdoptLoaded). False when a step failed, or when a
    // background load runs (nothing changes then).
    bool LoadNow();
    // Asks a running load to stop at its next step.
    void RequestStop() { worker_.RequestStop(); }
    // Stops a running load (at its next step) and waits at most boundMs; its
    // messages are not posted any more. True when no load runs.
    bool Stop(DWORD boundMs = WorkerThread::kDefaultStopBoundMs);
    // Waits at most boundMs for a running load to end (tests).
    bool WaitForLoader(DWORD boundMs) { return worker_.Join(boundMs); }
    // Empties the current service and driver lists.
    void ClearServiceLists();

    // The current lists, as the last AdoptLoaded left them.
    const std::vector<HWND>& Windows() const { return current_.windows; }
    const ProcessImageList& Processes() const { return current_.processes; }
    size_t ProcessCount() const { return current_.processes.items.size(); }
    // A copy of element i; false when out of range.
    bool ProcessAt(size_t i, ProcessImageInfo& out) const;
    int ThreadTotal() const { return current_.processes.threadTotal; }
    const ServiceList& Services() const { return current_.services; }
    const ServiceList& Drivers() const { return current_.drivers; }
    ServiceList& Services() { return current_.services; }
    ServiceList& Drivers() { return current_.drivers; }

private:
    struct Finished;

    SnapshotLists current_;
    int failedStep_ = -1;
    // Where a load leaves its lists; shared with the worker, so a worker let
    // go at exit never writes into a destroyed snapshot.
    std::shared_ptr<Finished> finished_;
    SnapshotSteps* steps_;
    WorkerThread worker_;  // last: stopped before the members above go
};
