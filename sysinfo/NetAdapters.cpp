#include "sysinfo/NetAdapters.h"

#include <atomic>
#include <cstring>
#include <new>

#include "framework/Resources.h"

std::string OperStatusText(uint32_t code) {
    switch (code) {
    case 0: return "Disabled";
    case 1: return "Unreachable";
    case 2: return "Disconnected";
    case 3: return "Connecting";
    case 4: return "Connected";
    case 5: return "Operational";
    default: return std::string();
    }
}

std::string PhysicalAddressText(const BYTE* bytes, size_t length) {
    std::string text;
    for (size_t i = 0; bytes && i < length; ++i) {
        if (i) text += ' ';
        text += FormatString("%02X", bytes[i]);
    }
    return text;
}

double UtilizationOf(uint32_t inNow, uint32_t inPrev, uint32_t outNow, uint32_t outPrev, uint32_t speed) {
    if (speed == 0) return 0.0;
    uint32_t in = inNow - inPrev;  // modulo 2^32: a wrap is a small increase
    uint32_t out = outNow - outPrev;
    return static_cast<double>(in) * 800.0 / speed + static_cast<double>(out) * 800.0 / speed;
}

void ApplyIfRow(const MIB_IFROW& row, NetAdapterInfo& r) {
    std::string name;
    int n = ::WideCharToMultiByte(CP_THREAD_ACP, 0, row.wszName, -1, nullptr, 0, nullptr, nullptr);
    if (n > 1) {
        name.resize(static_cast<size_t>(n));
        ::WideCharToMultiByte(CP_THREAD_ACP, 0, row.wszName, -1, &name[0], n, nullptr, nullptr);
        name.resize(static_cast<size_t>(n - 1));
    }
    r.name = name;
    r.index = row.dwIndex;
    r.type = row.dwType;
    r.speed = row.dwSpeed;
    size_t addrLen = row.dwPhysAddrLen < sizeof(row.bPhysAddr) ? row.dwPhysAddrLen : sizeof(row.bPhysAddr);
    r.physicalAddress = PhysicalAddressText(row.bPhysAddr, addrLen);
    r.adminStatus = row.dwAdminStatus;
    r.operStatus = row.dwOperStatus;
    r.lastChange = row.dwLastChange;
    r.inOctets = row.dwInOctets;
    r.inUnicastPackets = row.dwInUcastPkts;
    r.mtu = row.dwMtu;
    r.inNonUnicastPackets = row.dwInNUcastPkts;
    r.inDiscards = row.dwInDiscards;
    r.inErrors = row.dwInErrors;
    r.inUnknownProtocols = row.dwInUnknownProtos;
    r.outOctets = row.dwOutOctets;
    r.outUnicastPackets = row.dwOutUcastPkts;
    r.outNonUnicastPackets = row.dwOutNUcastPkts;
    r.outDiscards = row.dwOutDiscards;
    r.outErrors = row.dwOutErrors;
    r.outQueueLength = row.dwOutQLen;
    size_t descLen = row.dwDescrLen < sizeof(row.bDescr) ? row.dwDescrLen : sizeof(row.bDescr);
    if (descLen > 255) descLen = 255;
    std::string desc(reinterpret_cast<const char*>(row.bDescr), descLen);
    size_t nul = desc.find('\0');
    if (nul != std::string::npos) desc.resize(nul);
    r.description = desc;
    r.utilization = UtilizationOf(r.inOctets, r.prevInOctets, r.outOctets, r.prevOutOctets, r.speed);
    r.prevInOctets = r.inOctets;
    r.prevOutOctets = r.outOctets;
}

namespace {
std::atomic<bool> g_firstSampleTaken{false};
std::atomic<bool> g_notSupportedShown{false};
}  // namespace

bool TakeNotSupportedReport() { return !g_notSupportedShown.exchange(true); }

NetAdapterSampler::~NetAdapterSampler() { Stop(); }

void NetAdapterSampler::ApplyTable(const MIB_IFTABLE& table) {
    totalIn_ = 0;
    totalOut_ = 0;
    const bool carry = g_firstSampleTaken.load();
    for (DWORD i = 0; i < table.dwNumEntries; ++i) {
        NetAdapterInfo record;
        if (carry && i < adapters_.size()) record = adapters_[i];
        ApplyIfRow(table.table[i], record);
        totalIn_ += record.inOctets;
        totalOut_ += record.outOctets;
        if (i < adapters_.size())
            adapters_[i] = record;
        else
            adapters_.push_back(record);
    }
    g_firstSampleTaken = true;
}

int NetAdapterSampler::Sample() {
    totalIn_ = 0;
    totalOut_ = 0;
    ULONG size = 0;
    DWORD rc = ::GetIfTable(nullptr, &size, TRUE);
    if (rc == ERROR_NOT_SUPPORTED) {
        // The worker samples every second: say it once per run, not each time.
        if (TakeNotSupportedReport())
            ::MessageBoxA(nullptr, "This function is not supported!", "Quillmark", MB_OK | MB_ICONINFORMATION);
        return -2;
    }
    if (size < sizeof(MIB_IFTABLE)) size = sizeof(MIB_IFTABLE);
    std::vector<BYTE> buf;
    try {
        buf.assign(size, 0);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    auto* table = reinterpret_cast<MIB_IFTABLE*>(buf.data());
    if (::GetIfTable(table, &size, TRUE) != NO_ERROR) return -1;
    // Never trust a count the buffer cannot hold.
    size_t room = (buf.size() - offsetof(MIB_IFTABLE, table)) / sizeof(MIB_IFROW);
    if (table->dwNumEntries > room) table->dwNumEntries = static_cast<DWORD>(room);
    ApplyTable(*table);
    return 1;
}

bool NetAdapterSampler::Start(HWND notifyWindow) {
    if (running_.load()) return false;
    if (thread_) {
        ::WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
    }
    notifyWindow_ = notifyWindow;
    stopEvent_.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!stopEvent_) return false;
    running_ = true;
    DWORD id = 0;
    thread_.reset(::CreateThread(nullptr, 0, &NetAdapterSampler::WorkerThread, this, 0, &id));
    if (!thread_) {
        running_ = false;
        return false;
    }
    return true;
}

void NetAdapterSampler::Stop() {
    if (stopEvent_) ::SetEvent(stopEvent_.get());
    if (thread_) {
        ::WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
    }
    stopEvent_.reset();
}

DWORD WINAPI NetAdapterSampler::WorkerThread(LPVOID self) {
    static_cast<NetAdapterSampler*>(self)->RunWorker();
    return 0;
}

void NetAdapterSampler::RunWorker() {
    try {
        while (::WaitForSingleObject(stopEvent_.get(), 1000) != WAIT_OBJECT_0) {
            {
                CriticalSectionLock hold(lock_);
                Sample();
            }
            if (notifyWindow_) ::PostMessageA(notifyWindow_, WM_NETWORK_SAMPLE, 0, 0);
        }
    } catch (...) {
    }
    running_ = false;
}
