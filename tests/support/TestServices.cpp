#include "TestServices.h"

#include <vector>

#include "TestUtil.h"
#include "base/Handles.h"

namespace testutil {

namespace {
ServiceHandle Manager() { return ServiceHandle(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)); }

ServiceHandle Open(const std::string& name, DWORD access) {
    ServiceHandle manager = Manager();
    return ServiceHandle(manager ? ::OpenServiceA(manager.get(), name.c_str(), access) : nullptr);
}
}  // namespace

DWORD ServiceState(const std::string& name, DWORD* pid) {
    ServiceHandle service = Open(name, SERVICE_QUERY_STATUS);
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (!service || !::QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                            sizeof(status), &needed))
        return 0;
    if (pid) *pid = status.dwProcessId;
    return status.dwCurrentState;
}

DWORD ServiceStartType(const std::string& name) {
    ServiceHandle service = Open(name, SERVICE_QUERY_CONFIG);
    // Room for the strings that follow the fixed part.
    std::vector<BYTE> buffer(8192);
    DWORD needed = 0;
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!service || !::QueryServiceConfigA(service.get(), config, static_cast<DWORD>(buffer.size()), &needed))
        return MAXDWORD;
    return config->dwStartType;
}

bool WaitForServiceState(const std::string& name, DWORD state) {
    return WaitUntil([&] { return ServiceState(name) == state; }, 15000);
}

bool StartServiceNow(const std::string& name) {
    ServiceHandle service = Open(name, SERVICE_START);
    return service && ::StartServiceA(service.get(), 0, nullptr);
}

std::string ReleaseEventName(const std::string& name) { return "Global\\QuillmarkTestSvcRelease_" + name; }

void StopServiceAndWait(const std::string& name) {
    ServiceHandle service = Open(name, SERVICE_STOP | SERVICE_QUERY_STATUS);
    if (!service) return;
    SERVICE_STATUS status{};
    ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    WaitForServiceState(name, SERVICE_STOPPED);
}

void RemoveService(const std::string& name) {
    StopServiceAndWait(name);
    ServiceHandle service = Open(name, DELETE);
    if (service) ::DeleteService(service.get());
}

bool InstallService(const std::string& name, const std::string& binary, DWORD type, DWORD startType,
                    const std::string& displayName, const std::string& description) {
    RemoveService(name);  // left over from an interrupted run
    ServiceHandle manager = Manager();
    if (!manager) return false;
    const std::string shown = displayName.empty() ? name : displayName;
    ServiceHandle service(::CreateServiceA(manager.get(), name.c_str(), shown.c_str(), SERVICE_ALL_ACCESS, type,
                                           startType, SERVICE_ERROR_NORMAL, binary.c_str(), nullptr, nullptr,
                                           nullptr, nullptr, nullptr));
    if (!service) return false;
    if (description.empty()) return true;
    SERVICE_DESCRIPTIONA text{const_cast<char*>(description.c_str())};
    return ::ChangeServiceConfig2A(service.get(), SERVICE_CONFIG_DESCRIPTION, &text) != FALSE;
}

}  // namespace testutil
