#include "sysinfo/NetAdapters.h"

#include <atomic>
#include <cstring>
#include <new>

#include "base/Resources.h"
#include "platform/Text.h"

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
    WideToAnsi(row.wszName, wcsnlen(row.wszName, MAX_INTERFACE_NAME_LEN), name, CP_THREAD_ACP);
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
std::atomic<bool> g_notSupportedShown{false};
}  // namespace

// What the sampler and its job share: the job holds its own reference, so it
// never reaches into a sampler that is gone.
struct NetAdapterSampler::Shared {
    IfTableFn readTable = nullptr;
    mutable CriticalSection lock;
    std::vector<NetAdapterInfo> adapters;  // in the order the system lists them
    uint32_t totalIn = 0;
    uint32_t totalOut = 0;
    std::atomic<bool> notSupported{false};

    int Sample();
    void ApplyTable(const MIB_IFTABLE& table);
    void ForgetUtilization();
};

NetAdapterSampler::NetAdapterSampler(IfTableFn readTable) : shared_(std::make_shared<Shared>()) {
    shared_->readTable = readTable ? readTable : &::GetIfTable;
}

NetAdapterSampler::~NetAdapterSampler() { worker_.Stop(WorkerThread::kDefaultStopBoundMs); }

bool NetAdapterSampler::TakeNotSupportedReport() {
    return shared_->notSupported.load() && !g_notSupportedShown.exchange(true);
}

int NetAdapterSampler::Sample() { return shared_->Sample(); }

void NetAdapterSampler::ApplyTable(const MIB_IFTABLE& table) { shared_->ApplyTable(table); }

void NetAdapterSampler::Shared::ApplyTable(const MIB_IFTABLE& table) {
    CriticalSectionLock hold(lock);
    std::vector<NetAdapterInfo> next;
    next.reserve(table.dwNumEntries);
    uint32_t in = 0, out = 0;
    for (DWORD i = 0; i < table.dwNumEntries; ++i) {
        const MIB_IFROW& row = table.table[i];
        NetAdapterInfo record;
        // The same interface is the one with the same index, wherever the
        // system lists it now; a new one starts from empty counters.
        for (const NetAdapterInfo& old : adapters) {
            if (old.index == row.dwIndex) {
                record = old;
                break;
            }
        }
        ApplyIfRow(row, record);
        in += record.inOctets;
        out += record.outOctets;
        next.push_back(std::move(record));
    }
    adapters.swap(next);
    totalIn = in;
    totalOut = out;
}

int NetAdapterSampler::Shared::Sample() {
    ULONG size = 0;
    DWORD rc = readTable(nullptr, &size, TRUE);
    if (rc == ERROR_NOT_SUPPORTED) {
        notSupported = true;
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
    if (readTable(table, &size, TRUE) != NO_ERROR) return -1;
    // Never trust a count the buffer cannot hold.
    size_t room = (buf.size() - offsetof(MIB_IFTABLE, table)) / sizeof(MIB_IFROW);
    if (table->dwNumEntries > room) table->dwNumEntries = static_cast<DWORD>(room);
    try {
        ApplyTable(*table);
    } catch (const std::bad_alloc&) {
        return -1;  // ApplyTable swaps in whole results only
    }
    return 1;
}

void NetAdapterSampler::Shared::ForgetUtilization() {
    CriticalSectionLock hold(lock);
    for (NetAdapterInfo& a : adapters) a.utilization = 0.0;
}

std::vector<NetAdapterInfo> NetAdapterSampler::CopyAdapters() const {
    CriticalSectionLock hold(shared_->lock);
    return shared_->adapters;
}

uint32_t NetAdapterSampler::TotalInOctets() const {
    CriticalSectionLock hold(shared_->lock);
    return shared_->totalIn;
}

uint32_t NetAdapterSampler::TotalOutOctets() const {
    CriticalSectionLock hold(shared_->lock);
    return shared_->totalOut;
}

bool NetAdapterSampler::Start(HWND notifyWindow) {
    if (worker_.IsRunning()) return false;
    std::shared_ptr<Shared> shared = shared_;
    return worker_.Start(notifyWindow, [shared](WorkerThread::Context& context) {
        // The utilisation is the counters' growth over one interval. A first
        // reading sets the counters it is measured from: without it a new
        // adapter's first value is its whole count since boot, and after a
        // pause the growth over the whole pause, each shown as one second's.
        // It is posted at once, with no growth yet, so the page shows its
        // adapters without waiting for the first interval.
        shared->Sample();
        shared->ForgetUtilization();
        context.Post(WM_NETWORK_SAMPLE);
        while (!context.WaitOrStop(1000)) {
            shared->Sample();
            context.Post(WM_NETWORK_SAMPLE);
        }
    });
}
