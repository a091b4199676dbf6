// Times, over every process of the running system, each call the snapshot's
// process step makes per process (sysinfo/SystemSnapshot.cpp
// ListProcessesByToolHelp), and the cheaper image-name query beside it, so
// the cost per process can be split call by call.
//   qm_benchsnap [rounds]   (default 5; the best round of each is printed)
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sysinfo/ProcessHelpers.h"
#include "sysinfo/SystemSnapshot.h"

namespace {

double NowMs() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

struct Costs {
    double processList = 0;  // the process snapshot and its walk
    double threadCounts = 0; // ThreadCounts::Take
    double moduleSnap = 0;   // module snapshot + first module, per process summed
    double imageQuery = 0;   // QueryFullProcessImageNameA, summed
    double longPath = 0;     // NormaliseImagePath + GetLongPathNameA, summed
    double commandLine = 0;  // ReadProcessCommandLine, summed
    double wholeLoad = 0;    // LoadProcessImageList
    size_t processes = 0;
};

void Keep(double& best, double v) {
    if (best == 0 || v < best) best = v;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    LoadSystemEntryPoints();
    Costs best;
    for (int r = 0; r < rounds; ++r) {
        Costs c;
        double t = NowMs();
        std::vector<DWORD> pids;
        HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 pe{};
        pe.dwSize = sizeof(pe);
        if (snap != INVALID_HANDLE_VALUE && Process32First(snap, &pe)) {
            do pids.push_back(pe.th32ProcessID);
            while (Process32Next(snap, &pe));
        }
        if (snap != INVALID_HANDLE_VALUE) CloseHandle(snap);
        c.processList = NowMs() - t;
        t = NowMs();
        ThreadCounts threads;
        threads.Take();
        c.threadCounts = NowMs() - t;
        c.processes = pids.size();
        for (DWORD pid : pids) {
            std::string path;
            t = NowMs();
            HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
            MODULEENTRY32 me{};
            me.dwSize = sizeof(me);
            if (modules != INVALID_HANDLE_VALUE) {
                if (Module32First(modules, &me)) path = me.szExePath;
                CloseHandle(modules);
            }
            c.moduleSnap += NowMs() - t;

            t = NowMs();
            std::string queried;
            if (HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {
                char buf[MAX_PATH];
                DWORD size = MAX_PATH;
                if (QueryFullProcessImageNameA(p, 0, buf, &size)) queried.assign(buf, size);
                CloseHandle(p);
            }
            c.imageQuery += NowMs() - t;

            t = NowMs();
            std::string normal = NormaliseImagePath(path.empty() ? queried : path), longForm;
            LongPathOf(normal, longForm);
            c.longPath += NowMs() - t;

            t = NowMs();
            std::string line;
            ReadProcessCommandLine(pid, line);
            c.commandLine += NowMs() - t;
        }
        t = NowMs();
        ProcessImageList list;
        LoadProcessImageList(list);
        c.wholeLoad = NowMs() - t;
        Keep(best.processList, c.processList);
        Keep(best.threadCounts, c.threadCounts);
        Keep(best.moduleSnap, c.moduleSnap);
        Keep(best.imageQuery, c.imageQuery);
        Keep(best.longPath, c.longPath);
        Keep(best.commandLine, c.commandLine);
        Keep(best.wholeLoad, c.wholeLoad);
        best.processes = c.processes;
    }
    size_t n = best.processes ? best.processes : 1;
    std::printf("processes: %zu (best of %d rounds, ms)\n", best.processes, rounds);
    std::printf("  process snapshot + walk         %8.2f total\n", best.processList);
    std::printf("  thread counts (ThreadCounts)    %8.2f total\n", best.threadCounts);
    std::printf("  module snapshot + first module  %8.2f total %6.3f per process\n", best.moduleSnap, best.moduleSnap / n);
    std::printf("  QueryFullProcessImageNameA      %8.2f total %6.3f per process\n", best.imageQuery, best.imageQuery / n);
    std::printf("  normalise + long path           %8.2f total %6.3f per process\n", best.longPath, best.longPath / n);
    std::printf("  command line                    %8.2f total %6.3f per process\n", best.commandLine, best.commandLine / n);
    std::printf("  LoadProcessImageList (whole)    %8.2f total %6.3f per process\n", best.wholeLoad, best.wholeLoad / n);
    return 0;
}
