// Times, over every process of the running system, each call the snapshot's
// process step makes per process (sysinfo/SystemSnapshot.cpp
// ListProcessesByQuery, and the tool-help way beside it), and the cheaper
// image-name query beside it, so the cost per process can be split call by
// call; then the whole step, first and again as a refresh.
//   qm_benchsnap [rounds]   (default 5; the best round of each is printed)
//   qm_benchsnap --maps N
// --maps times what ProcessSampler::Sample does with its lookup maps at N
// processes: N finds (every tick) and the whole rebuild of both maps (the
// tick after a process ended), best of 20.
//   qm_benchsnap --startup-memory
// The second form loads, one by one, the libraries the program's start-up
// brings in beyond an idle GUI program, and prints the resident memory after
// each, so the start-up's memory can be split library by library.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "sysinfo/ProcessHelpers.h"
#include "sysinfo/ProcessSampler.h"
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
    double systemQuery = 0;  // the system process query and its parse (what the load uses)
    double moduleSnap = 0;   // module snapshot + first module, per process summed
    double imageQuery = 0;   // QueryFullProcessImageNameA, summed
    double moduleEnum = 0;   // EnumProcessModules + GetModuleFileNameExA, summed
    double longPath = 0;     // NormaliseImagePath + GetLongPathNameA, summed
    double commandLine = 0;  // ReadProcessCommandLine, summed
    double wholeLoad = 0;    // LoadProcessImageList
    double againLoad = 0;    // the same into the list of the first
    size_t processes = 0;
};

void Keep(double& best, double v) {
    if (best == 0 || v < best) best = v;
}

size_t ResidentKb() {
    // Wine answers the working set from the process's resident size.
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof(pmc);
    return K32GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc)) ? pmc.WorkingSetSize / 1024 : 0;
}

LRESULT CALLBACK PlainWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcA(wnd, msg, wp, lp); }

void PumpBriefly() {
    MSG msg;
    DWORD until = GetTickCount() + 300;
    while (GetTickCount() < until) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(10);
    }
}

template <typename Fn>
Fn Entry(HMODULE lib, const char* name) {
    return lib ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(lib, name))) : nullptr;
}

// Whether a Unix library of that name is mapped into this process (Wine's
// built-in libraries load some, such as the TLS library, behind the scenes).
bool UnixLibraryLoaded(const char* name) {
    FILE* maps = std::fopen("Z:\\proc\\self\\maps", "r");
    if (!maps) return false;
    char line[512];
    bool found = false;
    while (!found && std::fgets(line, sizeof(line), maps)) found = std::strstr(line, name) != nullptr;
    std::fclose(maps);
    return found;
}

int StartupMemory() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlainWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QmBenchSnap";
    RegisterClassA(&wc);
    HWND wnd = CreateWindowA("QmBenchSnap", "Start-up memory", WS_OVERLAPPEDWINDOW, 0, 0, 240, 120, nullptr, nullptr,
                             wc.hInstance, nullptr);
    ShowWindow(wnd, SW_SHOWNOACTIVATE);
    PumpBriefly();
    size_t last = ResidentKb();
    std::printf("%-44s %6zu kB\n", "window shown (an idle GUI program)", last);
    auto step = [&last](const char* what) {
        PumpBriefly();
        size_t now = ResidentKb();
        std::printf("%-44s %6zu kB  %+6ld kB%s\n", what, now, static_cast<long>(now) - static_cast<long>(last),
                    UnixLibraryLoaded("libgnutls") ? "  (TLS library mapped)" : "");
        last = now;
    };
    HMODULE comctl = LoadLibraryA("comctl32.dll");
    if (auto init = Entry<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>(comctl, "InitCommonControlsEx")) {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                                                  ICC_LISTVIEW_CLASSES | ICC_COOL_CLASSES};
        init(&icc);
    }
    step("comctl32 + InitCommonControlsEx");
    LoadLibraryA("shell32.dll");
    step("shell32 (+ shlwapi, shcore)");
    HMODULE ws2 = LoadLibraryA("ws2_32.dll");
    if (auto start = Entry<int(WINAPI*)(WORD, WSADATA*)>(ws2, "WSAStartup")) {
        WSADATA wsa;
        start(MAKEWORD(1, 1), &wsa);
    }
    step("ws2_32 + WSAStartup");
    HMODULE ole = LoadLibraryA("ole32.dll");
    if (auto init = Entry<HRESULT(WINAPI*)(void*)>(ole, "OleInitialize")) init(nullptr);
    step("ole32 + OleInitialize (+ combase, rpcrt4)");
    LoadSystemEntryPoints();
    step("LoadSystemEntryPoints (psapi, winsta...)");
    LoadLibraryA("version.dll");
    step("version");
    HMODULE iphlp = LoadLibraryA("iphlpapi.dll");
    if (auto getIfTable = Entry<DWORD(WINAPI*)(void*, ULONG*, BOOL)>(iphlp, "GetIfTable")) {
        ULONG size = 0;
        getIfTable(nullptr, &size, FALSE);
    }
    step("iphlpapi + GetIfTable (+ dnsapi, nsi)");
    LoadLibraryA("wininet.dll");
    step("wininet (+ mpr), loaded");
    LoadLibraryA("urlmon.dll");
    step("urlmon, loaded");
    LoadLibraryA("comdlg32.dll");
    step("comdlg32, loaded");
    HMODULE spool = LoadLibraryA("winspool.drv");
    using EnumPrintersFn = BOOL(WINAPI*)(DWORD, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
    if (auto enumPrinters = Entry<EnumPrintersFn>(spool, "EnumPrintersA")) {
        DWORD needed = 0, count = 0;
        enumPrinters(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    }
    step("winspool + EnumPrintersA (spooler)");
    HMODULE msxml = LoadLibraryA("msxml3.dll");
    step("msxml3 (the XML parser), loaded");
    (void)msxml;
    HMODULE shdocvw = LoadLibraryA("ieframe.dll");
    step("ieframe (the browser control), loaded");
    (void)shdocvw;
    DestroyWindow(wnd);
    return 0;
}

struct MapKey {
    uint32_t pid;
    int64_t createTime;
    bool operator==(const MapKey& o) const { return pid == o.pid && createTime == o.createTime; }
};
struct MapKeyHash {  // as the sampler's
    size_t operator()(const MapKey& k) const {
        uint64_t h = static_cast<uint64_t>(k.createTime) * 0x9E3779B97F4A7C15ull ^ k.pid;
        return static_cast<size_t>(h ^ (h >> 29));
    }
};

int MapCosts(size_t n) {
    std::vector<MapKey> keys(n);
    for (size_t i = 0; i < n; ++i)
        keys[i] = MapKey{static_cast<uint32_t>(4 * (i + 2)), 132000000000000000LL + 7919LL * static_cast<int64_t>(i)};
    std::unordered_map<MapKey, size_t, MapKeyHash> byKey;
    std::unordered_map<uint32_t, size_t> byPid;
    double bestRebuild = 0, bestFind = 0;
    size_t hits = 0;
    for (int round = 0; round < 20; ++round) {
        double t = NowMs();
        byKey.clear();
        byPid.clear();
        byKey.reserve(n);
        byPid.reserve(n);
        for (size_t i = 0; i < n; ++i) {
            byKey.emplace(keys[i], i);
            byPid.emplace(keys[i].pid, i);
        }
        Keep(bestRebuild, NowMs() - t);
        t = NowMs();
        for (size_t i = 0; i < n; ++i) hits += byKey.find(keys[i]) != byKey.end();
        Keep(bestFind, NowMs() - t);
    }
    std::printf("%zu processes: rebuild of both maps %.3f ms, %zu finds %.3f ms (%zu hits)\n", n, bestRebuild, n,
                bestFind, hits / 20);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[1]) == "--maps") return MapCosts(std::strtoul(argv[2], nullptr, 10));
    if (argc > 1 && std::string(argv[1]) == "--startup-memory") return StartupMemory();
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
        t = NowMs();
        {
            std::vector<BYTE> buffer;
            std::vector<ProcessEntry> entries;
            if (QuerySystemProcesses(buffer) == 1) ParseProcessEntries(buffer.data(), buffer.size(), entries);
        }
        c.systemQuery = NowMs() - t;
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
            if (HANDLE p = OpenProcess(kProcessQueryRead, FALSE, pid)) {
                HMODULE module = nullptr;
                DWORD needed = 0;
                char buf[MAX_PATH];
                if (EnumProcessModules(p, &module, sizeof(module), &needed) && module)
                    GetModuleFileNameExA(p, module, buf, MAX_PATH);
                CloseHandle(p);
            }
            c.moduleEnum += NowMs() - t;

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
        // A refresh: the same load again, keeping what the first one read of
        // the processes that still run.
        t = NowMs();
        LoadProcessImageList(list);
        c.againLoad = NowMs() - t;
        Keep(best.processList, c.processList);
        Keep(best.threadCounts, c.threadCounts);
        Keep(best.systemQuery, c.systemQuery);
        Keep(best.moduleSnap, c.moduleSnap);
        Keep(best.imageQuery, c.imageQuery);
        Keep(best.moduleEnum, c.moduleEnum);
        Keep(best.longPath, c.longPath);
        Keep(best.commandLine, c.commandLine);
        Keep(best.wholeLoad, c.wholeLoad);
        Keep(best.againLoad, c.againLoad);
        best.processes = c.processes;
    }
    size_t n = best.processes ? best.processes : 1;
    auto line = [n](const char* what, double total, bool perProcess) {
        if (perProcess)
            std::printf("  %-32s %8.2f total %6.3f per process\n", what, total, total / n);
        else
            std::printf("  %-32s %8.2f total\n", what, total);
    };
    std::printf("processes: %zu (best of %d rounds, ms)\n", best.processes, rounds);
    line("process snapshot + walk", best.processList, false);
    line("thread counts (ThreadCounts)", best.threadCounts, false);
    line("system query + parse", best.systemQuery, false);
    line("module snapshot + first module", best.moduleSnap, true);
    line("QueryFullProcessImageNameA", best.imageQuery, true);
    line("EnumProcessModules + FileNameEx", best.moduleEnum, true);
    line("normalise + long path", best.longPath, true);
    line("command line", best.commandLine, true);
    line("LoadProcessImageList (whole)", best.wholeLoad, true);
    line("  again, as a refresh", best.againLoad, true);
    return 0;
}
