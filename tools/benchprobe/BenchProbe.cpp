// The cheapest possible process monitor: the system process query (class 5)
// into a buffer that grows like the program's own (platform/Processes.cpp
// QuerySystemProcesses), once per interval, and nothing else. scripts/bench.sh
// runs it as the floor every task manager is compared with.
//   qm_benchprobe [interval-ms] [count]   (count 0 = until ended)
// Prints the number of queries and the mean time per query when it ends by
// itself.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
using QueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);

bool Query(QueryFn query, std::vector<BYTE>& buffer) {
    if (buffer.size() < 4096) buffer.assign(4096, 0);
    for (;;) {
        ULONG needed = 0;
        LONG status = query(5, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) return true;
        if (status != kLengthMismatch) return false;
        size_t next = buffer.size() + 4096;
        if (needed > next) next = needed + 4096;
        if (next > (static_cast<size_t>(256) << 20)) return false;
        buffer.assign(next, 0);
    }
}
}  // namespace

int main(int argc, char** argv) {
    DWORD interval = argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 2000;
    unsigned long count = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 0;
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    FARPROC entry = ntdll ? GetProcAddress(ntdll, "NtQuerySystemInformation") : nullptr;
    auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(entry));
    if (!query) {
        std::fprintf(stderr, "no NtQuerySystemInformation\n");
        return 2;
    }
    std::vector<BYTE> buffer;
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    double totalMs = 0;
    unsigned long done = 0;
    while (count == 0 || done < count) {
        QueryPerformanceCounter(&t0);
        if (!Query(query, buffer)) return 1;
        QueryPerformanceCounter(&t1);
        totalMs += 1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(freq.QuadPart);
        ++done;
        if (count == 0 || done < count) Sleep(interval);
    }
    std::printf("queries %lu mean %.2f ms buffer %u bytes\n", done, done ? totalMs / done : 0.0,
                static_cast<unsigned>(buffer.size()));
    return 0;
}
