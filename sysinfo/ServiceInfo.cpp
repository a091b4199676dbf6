#include "sysinfo/ServiceInfo.h"

#include <shellapi.h>

#include <cstring>

#include "core/Text.h"
#include "platform/Registry.h"
#include "sysinfo/ProcessHelpers.h"

std::string StateText(int code) {
    switch (code) {
    case 1: return "Stopped";
    case 2: return "Start pending";
    case 3: return "Stop pending";
    case 4: return "Running";
    case 5: return "Continue pending";
    case 6: return "Pause pending";
    case 7: return "Paused";
    default: return "<unknown>";
    }
}

std::string StartTypeText(int code) {
    switch (code) {
    case 0: return "Boot";
    case 1: return "System";
    case 2: return "Automatic";
    case 3: return "Manual";
    case 4: return "Disabled";
    default: return "Unknown";
    }
}

std::string ErrorControlText(int code) {
    switch (code) {
    case 0: return "Ignore";
    case 1: return "Normal";
    case 2: return "Severe";
    case 3: return "Critical";
    default: return "Unknown";
    }
}

std::string ServiceDescription(const std::string& serviceName) {
    if (serviceName.empty()) return std::string();
    std::string value;
    if (!reg::ReadString(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\" + serviceName, "Description",
                         value))
        return std::string();
    // The value is read into 1024 bytes; cut by whole characters.
    value = CutAtCharBoundary(value, 1023);
    return value;
}

namespace {

// The dependency names as the service's registry key stores them: the
// services (DependOnService) and the groups (DependOnGroup, shown with the
// "+" the service manager gives groups). False when the key cannot be read.
// Used when the configuration lists none: some service managers (Wine's)
// leave the list out of the configuration they return.
bool RegistryDependencies(const std::string& serviceName, std::string& out) {
    RegKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, ("System\\CurrentControlSet\\Services\\" + serviceName).c_str(), 0,
                        KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return false;
    std::string joined;
    for (const char* value : {"DependOnService", "DependOnGroup"}) {
        DWORD type = 0, size = 0;
        if (::RegQueryValueExA(key.get(), value, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            type != REG_MULTI_SZ || size == 0 || size > 65536)
            continue;
        std::vector<char> buf(size + 2, '\0');
        if (::RegQueryValueExA(key.get(), value, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size) !=
            ERROR_SUCCESS)
            continue;
        const bool groups = std::strcmp(value, "DependOnGroup") == 0;
        for (size_t i = 0; i < size && buf[i] != '\0';) {
            size_t begin = i;
            while (i < size && buf[i] != '\0') ++i;
            if (!joined.empty()) joined += ' ';
            if (groups) joined += '+';
            joined.append(buf.data() + begin, i - begin);
            ++i;
        }
    }
    out = joined;
    return true;
}

}  // namespace

std::string JoinDependencies(const char* list, size_t maxChars) {
    std::string joined;
    if (!list) return joined;
    size_t i = 0;
    while (i < maxChars && list[i] != '\0') {
        size_t start = i;
        while (i < maxChars && list[i] != '\0') ++i;
        if (!joined.empty()) joined += ' ';
        joined.append(list + start, i - start);
        ++i;  // past the name's NUL
    }
    return joined;
}

std::string ServiceInfo::IconPath() const {
    if (!imagePath.empty() && imagePath[0] == '"') {
        size_t close = imagePath.find('"', 1);
        if (close != std::string::npos) return imagePath.substr(1, close - 1);
    }
    return imagePath;
}

void ServiceInfo::LoadSmallIcon() {
    icon.reset();
    if (imagePath.empty()) return;
    HICON small = nullptr;
    UINT n = ::ExtractIconExA(IconPath().c_str(), 0, nullptr, &small, 1);
    if (n == 1 && small)
        icon.reset(small);
    else if (small)
        ::DestroyIcon(small);
}

namespace {

// The record's own manager handle while a control operation holds it open,
// otherwise a connection of our own for this one query.
ServiceHandle& ManagerFor(ServiceInfo& info, ServiceHandle& own) {
    if (info.managerHandle) return info.managerHandle;
    own.reset(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    return own;
}

}  // namespace

bool WithService(ServiceHandle& manager, const std::string& name, DWORD access,
                 const std::function<bool(SC_HANDLE service)>& work, const std::string& machine) {
    for (int attempt = 0; attempt < kStaleHandleTries; ++attempt) {
        if (attempt > 0) {
            manager.reset(
                ::OpenSCManagerA(machine.empty() ? nullptr : machine.c_str(), nullptr, SC_MANAGER_CONNECT));
        }
        if (!manager || name.empty()) return false;
        DWORD error = 0;
        {
            ServiceHandle service(::OpenServiceA(manager.get(), name.c_str(), access));
            if (service && work(service.get())) return true;
            error = ::GetLastError();  // before the close may change it
        }
        ::SetLastError(error);
        if (error != ERROR_INVALID_HANDLE) return false;
    }
    return false;
}

bool ReadServiceConfig(SC_HANDLE service, std::vector<BYTE>& buf) {
    if (buf.size() < sizeof(QUERY_SERVICE_CONFIGA)) buf.assign(sizeof(QUERY_SERVICE_CONFIGA), 0);
    DWORD needed = 0;
    if (::QueryServiceConfigA(service, reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buf.data()),
                              static_cast<DWORD>(buf.size()), &needed))
        return true;
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed > (1u << 20)) return false;
    buf.assign(needed + sizeof(QUERY_SERVICE_CONFIGA), 0);
    return ::QueryServiceConfigA(service, reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buf.data()),
                                 static_cast<DWORD>(buf.size()), &needed) != FALSE;
}

bool ServiceInfo::RefreshStateText() {
    // A status query needs only query-status rights and answers for stopped
    // services too, unlike an interrogate request.
    ServiceHandle own;
    SERVICE_STATUS status{};
    if (!WithService(ManagerFor(*this, own), serviceName, SERVICE_QUERY_STATUS,
                     [&status](SC_HANDLE service) { return ::QueryServiceStatus(service, &status) != FALSE; })) {
        stateText = "Stopped";
        return false;
    }
    currentState = static_cast<int>(status.dwCurrentState);
    stateText = StateText(currentState);
    return true;
}

bool ServiceInfo::RefreshStartType() {
    ServiceHandle own;
    std::vector<BYTE> buf(4132);
    if (!WithService(ManagerFor(*this, own), serviceName, SERVICE_QUERY_CONFIG,
                     [&buf](SC_HANDLE service) { return ReadServiceConfig(service, buf); }))
        return false;
    const auto* config = reinterpret_cast<const QUERY_SERVICE_CONFIGA*>(buf.data());
    startType = static_cast<int>(config->dwStartType);
    startTypeText = StartTypeText(startType);
    isAutoStart = startType == 2;
    return true;
}

namespace {

// The names and states the manager lists, appended to out. False, out
// cleared, only when the manager's handle turned out stale (see WithService);
// any other failure keeps what was listed before it.
bool ListServices(SC_HANDLE manager, int kind, std::vector<ServiceInfo>& out) {
    const DWORD typeMask = kind == 0 ? 0x30 : 0x0B;
    DWORD resume = 0;
    size_t bufSize = 64 * 1024;
    for (;;) {
        std::vector<BYTE> buf(bufSize);
        DWORD needed = 0, returned = 0;
        BOOL ok = ::EnumServicesStatusA(manager, typeMask, SERVICE_STATE_ALL,
                                        reinterpret_cast<ENUM_SERVICE_STATUSA*>(buf.data()),
                                        static_cast<DWORD>(buf.size()), &needed, &returned, &resume);
        DWORD err = ok ? 0 : ::GetLastError();
        if (err == ERROR_INVALID_HANDLE) {
            out.clear();
            return false;
        }
        if (!ok && err != ERROR_MORE_DATA) break;
        const auto* list = reinterpret_cast<const ENUM_SERVICE_STATUSA*>(buf.data());
        // The names point into buf: copy them out before the next call.
        for (DWORD i = 0; i < returned; ++i) {
            ServiceInfo info;
            info.kind = kind;
            info.serviceName = list[i].lpServiceName ? list[i].lpServiceName : "";
            info.displayName = list[i].lpDisplayName ? list[i].lpDisplayName : "";
            info.currentState = static_cast<int>(list[i].ServiceStatus.dwCurrentState);
            out.push_back(std::move(info));
        }
        if (ok) break;
        if (returned == 0) {
            // Not even one entry fitted: grow once to what the system asks.
            if (needed <= bufSize || needed > (16u << 20)) break;
            bufSize = needed;
        }
    }
    return true;
}

}  // namespace

bool LoadServices(int kind, const std::string& machine, std::vector<ServiceInfo>& out) {
    out.clear();
    if (kind != 0 && kind != 1) return false;
    // Listing needs only connect + enumerate; full access would fail for
    // every user without (elevated) administrator rights.
    ServiceHandle manager;
    bool namesListed = false;
    for (int attempt = 0; attempt < kStaleHandleTries && !namesListed; ++attempt) {
        manager.reset(::OpenSCManagerA(machine.empty() ? nullptr : machine.c_str(), nullptr, kManagerListAccess));
        if (!manager) return false;
        namesListed = ListServices(manager.get(), kind, out);
    }
    if (!namesListed) return false;

    std::vector<ServiceInfo> listed;
    listed.reserve(out.size());
    std::vector<BYTE> config(4096);
    for (ServiceInfo& info : out) {
        SERVICE_STATUS status{};
        bool statusRead = false;
        auto read = [&](SC_HANDLE service) {
            if (!ReadServiceConfig(service, config)) return false;
            statusRead = ::QueryServiceStatus(service, &status) != FALSE;
            return true;
        };
        if (!WithService(manager, info.serviceName, kServiceReadAccess, read, machine)) continue;
        const auto* c = reinterpret_cast<const QUERY_SERVICE_CONFIGA*>(config.data());
        info.startType = static_cast<int>(c->dwStartType);
        info.binaryPath = c->lpBinaryPathName ? c->lpBinaryPathName : "";
        const char* deps = c->lpDependencies;
        size_t depsMax = 0;
        if (deps) {
            const BYTE* end = config.data() + config.size();
            const BYTE* start = reinterpret_cast<const BYTE*>(deps);
            depsMax = (start >= config.data() && start < end) ? static_cast<size_t>(end - start) : 0;
        }
        info.dependencies = JoinDependencies(deps, depsMax);
        if (info.dependencies.empty() && machine.empty()) RegistryDependencies(info.serviceName, info.dependencies);
        info.errorControlText = ErrorControlText(static_cast<int>(c->dwErrorControl));
        info.imagePath = NormaliseImagePath(info.binaryPath);
        if (statusRead) info.currentState = static_cast<int>(status.dwCurrentState);
        info.description = ServiceDescription(info.serviceName);
        info.stateText = StateText(info.currentState);
        info.startTypeText = StartTypeText(info.startType);
        if (info.imagePath.empty()) continue;
        info.isAutoStart = info.startType == 2;
        info.LoadSmallIcon();
        listed.push_back(std::move(info));
    }
    out.swap(listed);
    return !out.empty();
}

bool ServiceList::Load(int kind, const std::string& machine) {
    records_.clear();
    kind_ = kind;
    return LoadServices(kind, machine, records_);
}

ServiceInfo* ServiceList::Find(size_t position) {
    return position < records_.size() ? &records_[position] : nullptr;
}

const ServiceInfo* ServiceList::Find(size_t position) const {
    return position < records_.size() ? &records_[position] : nullptr;
}
