// The samplers of what the window shows, side by side: the CPU sampler and
// the network monitor (workers that post their readings) and the memory
// reading (a timer of the window). They run while the window can be seen,
// whatever tab is shown, so the history graphs have no gap when their page
// comes back; the pages draw only while shown. Nothing runs while the window
// is minimised or in the notification area. No widget owns a sampler.
//
// Beside them the process watch: while the warnings about suspect programs
// are on and the view update takes no process sample (the window hidden or
// minimised, a page without processes, updates off), a slow timer of the
// window takes one every five seconds for the watch alone, with no view
// update and no other sampler. With the warnings off it never runs.
#pragma once

#include <windows.h>

#include "sysinfo/NetAdapters.h"
#include "sysinfo/Performance.h"

class ViewSamplers {
public:
    struct States {
        bool cpu = false;
        bool memory = false;
        bool network = false;
        bool processWatch = false;
    };

    // The readings go to window: WM_CPU_SAMPLE, WM_NETWORK_SAMPLE and the
    // memory timer's WM_TIMER (kMemoryTimer).
    void SetWindow(HWND window) { window_ = window; }
    // Starts or stops all three (not the process watch); false when one
    // could not start.
    bool Run(bool on);
    States Running() const;

    // Whether the process watch's timer runs: only with the warnings on,
    // and only while the view update takes no process sample itself.
    static bool ProcessWatchWanted(bool warningsOn, bool viewSamplesProcesses) {
        return warningsOn && !viewSamplesProcesses;
    }
    // Arms or kills the watch's timer (kProcessWatchTimer).
    void RunProcessWatch(bool on);

    // The exit pair: ask every sampler to stop, then wait for them within
    // the bound. True when none runs any more.
    void RequestStop();
    bool Stop(DWORD boundMs);

    CpuUsageSampler& Cpu() { return cpu_; }
    NetAdapterSampler& Network() { return network_; }
    // The CPU sampler's last reading, as WM_CPU_SAMPLE brought it.
    void NoteCpuUsage(int usage) { cpuUsage_ = usage; }
    int LastCpuUsage() const { return cpuUsage_; }

private:
    // The three samplers of the view, without the process watch.
    void RequestViewStop();
    bool JoinView(DWORD boundMs);

    HWND window_ = nullptr;
    int cpuUsage_ = 0;
    bool memoryTicking_ = false;
    bool watchTicking_ = false;
    CpuUsageSampler cpu_;
    NetAdapterSampler network_;
};
