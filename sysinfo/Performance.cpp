#include "sysinfo/Performance.h"

#include <cstring>
#include <new>

#include "base/Resources.h"

int CpuUsageFromTimes(uint64_t idleNow, uint64_t idleThen, uint64_t timeNow, uint64_t timeThen, int processors) {
    auto asDouble = [](uint64_t v) {
        return static_cast<double>(static_cast<uint32_t>(v >> 32)) * 4294967296.0 +
               static_cast<double>(static_cast<uint32_t>(v));
    };
    double idle = asDouble(idleNow) - asDouble(idleThen);
    double time = asDouble(timeNow) - asDouble(timeThen);
    if (time <= 0.0 || processors <= 0) return 0;
    double usage = 100.0 - (idle / time) * 100.0 / processors + 0.5;
    // Converting a value outside int's range is undefined: such a value can
    // only come from counters that went backwards.
    if (usage >= 2147483647.0 || usage <= -2147483648.0) return 0;
    return static_cast<int>(usage);
}

namespace {
NtQuerySystemInformationFn LookupSystemQuery() {
    HMODULE ntdll = ::GetModuleHandleA("ntdll");
    return ntdll ? reinterpret_cast<NtQuerySystemInformationFn>(
                       reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtQuerySystemInformation")))
                 : nullptr;
}
}  // namespace

// The sampler used to set "__MSVCRT_HEAP_SELECT" in the process environment
// here, which every program the user started from Quillmark inherited: a
// provider does not change the process it runs in.
CpuUsageSampler::QueryLookup CpuUsageSampler::DefaultQueryLookup() { return &LookupSystemQuery; }

CpuUsageSampler::~CpuUsageSampler() { worker_.Stop(WorkerThread::kDefaultStopBoundMs); }

void CpuUsageSampler::SetQueryLookup(QueryLookup lookup) { queryLookup_ = lookup ? lookup : &LookupSystemQuery; }

int CpuUsageSampler::Measure(QueryLookup lookup, uint32_t intervalMs, HANDLE stopEvent) {
    NtQuerySystemInformationFn query = lookup ? lookup() : nullptr;
    if (!query) return 0;

    // Basic information: the processor count is the byte at offset 40 of the
    // 32-bit layout (its size grows with the pointer size).
    BYTE basic[64] = {};
    const ULONG basicSize = sizeof(void*) == 8 ? 64 : 44;
    if (query(0, basic, basicSize, nullptr) != 0) return 0;
    int processors = sizeof(void*) == 8 ? basic[56] : basic[40];
    if (processors <= 0) processors = 1;

    BYTE timeOfDay[32] = {};
    auto timeNow = [&]() -> bool { return query(3, timeOfDay, sizeof(timeOfDay), nullptr) == 0; };
    auto read64 = [](const BYTE* p) {
        uint64_t v;
        std::memcpy(&v, p, sizeof(v));
        return v;
    };
    if (!timeNow()) return 0;

    // The performance information is 312 bytes on the systems we know; a
    // system that wants more says so, up to what the buffer holds.
    BYTE perf[1024] = {};
    ULONG perfSize = 312;
    {
        ULONG needed = 0;
        LONG status = query(2, perf, perfSize, &needed);
        if (status != 0 && needed > perfSize && needed <= sizeof(perf)) perfSize = needed;
    }
    bool haveThen = false;
    uint64_t idleThen = 0, timeThen = 0, idle = 0;
    for (;;) {
        if (query(2, perf, perfSize, nullptr) != 0) return 0;
        idle = read64(perf);
        if (haveThen) break;
        idleThen = idle;
        timeThen = read64(timeOfDay + 8);
        haveThen = true;
        if (stopEvent) {
            if (::WaitForSingleObject(stopEvent, intervalMs) == WAIT_OBJECT_0) return -1;
        } else {
            ::Sleep(intervalMs);
        }
        if (!timeNow()) return 0;
    }
    return CpuUsageFromTimes(idle, idleThen, read64(timeOfDay + 8), timeThen, processors);
}

bool CpuUsageSampler::Start(HWND notifyWindow) {
    if (worker_.IsRunning()) return false;
    const QueryLookup lookup = queryLookup_;
    const uint32_t intervalMs = intervalMs_;
    return worker_.Start(notifyWindow, [lookup, intervalMs](WorkerThread::Context& context) {
        while (!context.WaitOrStop(100)) {
            const int usage = Measure(lookup, intervalMs, context.StopEvent());
            if (context.StopRequested()) return;  // cut short: no value
            context.Post(WM_CPU_SAMPLE, static_cast<WPARAM>(usage < 0 ? 0 : usage));
        }
    });
}

MemoryKind MemoryKindOfRow(int rowKind) {
    switch (rowKind) {
    case static_cast<int>(MemoryKind::Physical): return MemoryKind::Physical;
    case static_cast<int>(MemoryKind::Virtual): return MemoryKind::Virtual;
    default: return MemoryKind::PageFile;
    }
}

const char* MemoryKindName(MemoryKind kind) {
    switch (kind) {
    case MemoryKind::Physical: return "Physical Memory";
    case MemoryKind::Virtual: return "Virtual Memory";
    case MemoryKind::PageFile: break;
    }
    return "Page File";
}

MemoryStatus::MemoryStatus(uint32_t memoryLoad, uint64_t totalPhys, uint64_t availPhys, uint64_t totalPageFile,
                           uint64_t availPageFile, uint64_t totalVirtual, uint64_t availVirtual)
    : memoryLoad_(memoryLoad),
      totalPhys_(totalPhys),
      availPhys_(availPhys),
      totalPageFile_(totalPageFile),
      availPageFile_(availPageFile),
      totalVirtual_(totalVirtual),
      availVirtual_(availVirtual) {}

bool MemoryStatus::Read() {
    *this = MemoryStatus();
    // The extended status: the old 32-bit one caps at 2 or 4 GB.
    MEMORYSTATUSEX ms{};
    ms.dwLength = sizeof(ms);
    if (!::GlobalMemoryStatusEx(&ms)) return false;
    *this = MemoryStatus(ms.dwMemoryLoad, ms.ullTotalPhys, ms.ullAvailPhys, ms.ullTotalPageFile, ms.ullAvailPageFile,
                         ms.ullTotalVirtual, ms.ullAvailVirtual);
    return true;
}

std::string MemoryStatus::MegabyteText(uint64_t bytes) {
    return FormatString("%lu MB", static_cast<unsigned long>(Megabytes(bytes)));
}
