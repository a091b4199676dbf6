// Services and drivers as the service manager lists them.
//
// Copying: records are copied by value between owners and threads. A copy
// never shares the service-manager handle: managerHandle is a ManagerHandle,
// whose copy is empty (the control operations open it on demand and close it
// again). The icon is loaded once and never changed, so copies share it
// through SharedIcon; the last copy destroys it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "sysinfo/SharedIcon.h"

// A service-manager handle owned by one record; copying yields no handle.
class ManagerHandle : public ServiceHandle {
public:
    ManagerHandle() = default;
    ManagerHandle(const ManagerHandle&) noexcept : ServiceHandle() {}
    ManagerHandle& operator=(const ManagerHandle& other) noexcept {
        if (this != &other) reset();
        return *this;
    }
    ManagerHandle(ManagerHandle&&) noexcept = default;
    ManagerHandle& operator=(ManagerHandle&&) noexcept = default;
};

// Rights that listing and reading need; full access is left to the control
// operations, so an unelevated user still gets both lists.
constexpr DWORD kManagerListAccess = SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE;
constexpr DWORD kServiceReadAccess = SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS;

struct ServiceInfo {
    ManagerHandle managerHandle;  // open only during a control operation
    int kind = 0;                 // 0 service, 1 driver
    std::string serviceName;      // key name used to open the service
    std::string displayName;
    std::string description;  // registry "Description"; empty when absent
    std::string stateText;
    std::string startTypeText;
    std::string binaryPath;  // as configured
    std::string imagePath;   // NormaliseImagePath(binaryPath)
    int isAutoStart = 0;     // start type 2
    SharedIcon icon;         // first small icon of IconPath(); may be none
    int currentState = 0;
    int startType = 0;
    std::string dependencies;  // names joined by single spaces
    std::string errorControlText;

    // imagePath, or the text between its first two quotes when it begins
    // with a quote and has a second one.
    std::string IconPath() const;
    // Re-reads the current state: true with stateText/currentState updated;
    // on failure stateText becomes "Stopped" and the result is false.
    bool RefreshStateText();
    // Re-reads the start type (query-configuration access); true on success.
    bool RefreshStartType();
    // Loads icon from IconPath() (none when imagePath is empty or the file
    // has no icon).
    void LoadSmallIcon();
};

// Texts of the codes.
std::string StateText(int code);         // 1..7, else "<unknown>"
std::string StartTypeText(int code);     // 0..4, else "Unknown"
std::string ErrorControlText(int code);  // 0..3, else "Unknown"
// The "Description" value of the service's registry key; empty when missing.
std::string ServiceDescription(const std::string& serviceName);
// Reads a service's configuration (QUERY_SERVICE_CONFIGA at the start of
// buf), growing buf as the system asks; the service handle needs
// SERVICE_QUERY_CONFIG. False when it cannot be read.
bool ReadServiceConfig(SC_HANDLE service, std::vector<BYTE>& buf);

// Opens the named service with access through manager and runs work on it;
// work's result, with the failing call's error left for GetLastError.
// Service-manager handles held while another thread of this process opens
// and closes its own can go stale under Wine: a call on them fails with
// ERROR_INVALID_HANDLE, having done nothing. Then manager is reopened (on
// machine, empty for this one, with connect rights, all that opening a
// service needs) and the whole tried again, a few times at most; work must
// therefore fail with that error only where it did nothing.
constexpr int kStaleHandleTries = 4;
bool WithService(ServiceHandle& manager, const std::string& name, DWORD access,
                 const std::function<bool(SC_HANDLE service)>& work, const std::string& machine = std::string());
// A configured dependency list (NUL-separated names ended by an empty name,
// at most maxChars characters long) joined by single spaces.
std::string JoinDependencies(const char* list, size_t maxChars);

// Lists the services (kind 0) or drivers (kind 1) of machine ("" = local) in
// the order the service manager returns them. Entries without an image path,
// or that cannot be opened for reading, are left out. True when at least one
// record was listed.
bool LoadServices(int kind, const std::string& machine, std::vector<ServiceInfo>& out);

// One of the snapshot's two lists.
class ServiceList {
public:
    explicit ServiceList(int kind = 0) : kind_(kind) {}
    // Empties the list, then fills it; true when a record was added. Kinds
    // other than 0 and 1 list nothing.
    bool Load(int kind, const std::string& machine = std::string());
    void Clear() { records_.clear(); }
    // The record at position, or null when out of range.
    ServiceInfo* Find(size_t position);
    const ServiceInfo* Find(size_t position) const;
    size_t Count() const { return records_.size(); }
    int Kind() const { return kind_; }
    const std::vector<ServiceInfo>& Records() const { return records_; }

private:
    int kind_;
    std::vector<ServiceInfo> records_;
};
