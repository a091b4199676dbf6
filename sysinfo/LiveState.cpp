#include "sysinfo/LiveState.h"

#include <vector>

#include "base/Handles.h"
#include "sysinfo/ServiceInfo.h"

bool WindowExists(HWND window) { return window && ::IsWindow(window); }

std::string ServiceStateKey(const std::string& serviceName) {
    std::string key = serviceName;
    if (!key.empty()) ::CharLowerBuffA(&key[0], static_cast<DWORD>(key.size()));
    return key;
}

bool QueryServiceStates(int kind, std::unordered_map<std::string, ServiceLiveState>& table) {
    if (kind != 0 && kind != 1) return false;
    ServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, kManagerListAccess));
    if (!manager) return false;
    const DWORD type = kind == 0 ? SERVICE_WIN32 : SERVICE_DRIVER;
    std::vector<BYTE> buffer(64 * 1024);
    DWORD needed = 0, count = 0, resume = 0;
    std::unordered_map<std::string, ServiceLiveState> fresh;
    int staleHandles = 0;
    for (int round = 0; round < 64; ++round) {
        BOOL ok = ::EnumServicesStatusExA(manager.get(), SC_ENUM_PROCESS_INFO, type, SERVICE_STATE_ALL,
                                          buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &count,
                                          &resume, nullptr);
        const DWORD error = ok ? ERROR_SUCCESS : ::GetLastError();
        if (error == ERROR_INVALID_HANDLE && ++staleHandles < kStaleHandleTries) {
            // Stale under Wine (see WithService): list again, afresh.
            manager.reset(::OpenSCManagerA(nullptr, nullptr, kManagerListAccess));
            if (!manager) return false;
            fresh.clear();
            resume = 0;
            continue;
        }
        if (!ok && error != ERROR_MORE_DATA) return false;
        auto* entries = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSA*>(buffer.data());
        for (DWORD i = 0; i < count; ++i) {
            ServiceLiveState s;
            s.currentState = static_cast<int>(entries[i].ServiceStatusProcess.dwCurrentState);
            fresh[ServiceStateKey(entries[i].lpServiceName ? entries[i].lpServiceName : "")] = s;
        }
        if (ok) break;
        if (needed > buffer.size()) buffer.resize(needed);
    }
    // The start types live in the services' registry keys; reading them there
    // needs no service handle at all.
    HKEY raw = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services", 0, KEY_READ, &raw) ==
        ERROR_SUCCESS) {
        RegKey services(raw);
        for (auto& entry : fresh) {
            HKEY sub = nullptr;
            if (::RegOpenKeyExA(services.get(), entry.first.c_str(), 0, KEY_QUERY_VALUE, &sub) != ERROR_SUCCESS)
                continue;
            RegKey key(sub);
            DWORD value = 0, size = sizeof value, valueType = 0;
            if (::RegQueryValueExA(key.get(), "Start", nullptr, &valueType, reinterpret_cast<BYTE*>(&value),
                                   &size) == ERROR_SUCCESS &&
                valueType == REG_DWORD && value <= 4)
                entry.second.startType = static_cast<int>(value);
        }
    }
    table.swap(fresh);
    return true;
}

bool QueryServiceState(const std::string& serviceName, ServiceLiveState& state, ServiceHandle* manager) {
    if (serviceName.empty()) return false;
    ServiceHandle own;
    if (!manager) {
        own.reset(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        manager = &own;
    }
    ServiceLiveState read;
    std::vector<BYTE> config(4132);
    bool withConfig = true;
    auto query = [&](SC_HANDLE service) {
        SERVICE_STATUS status{};
        if (!::QueryServiceStatus(service, &status)) return false;
        read.currentState = static_cast<int>(status.dwCurrentState);
        if (withConfig) {
            if (ReadServiceConfig(service, config))
                read.startType =
                    static_cast<int>(reinterpret_cast<const QUERY_SERVICE_CONFIGA*>(config.data())->dwStartType);
            else if (::GetLastError() == ERROR_INVALID_HANDLE)
                return false;  // a stale handle (see WithService): read both again, afresh
        }
        return true;
    };
    // A service's security may grant the status but not the configuration.
    if (!WithService(*manager, serviceName, kServiceReadAccess, query)) {
        withConfig = false;
        if (!WithService(*manager, serviceName, SERVICE_QUERY_STATUS, query)) return false;
    }
    state = read;
    return true;
}
