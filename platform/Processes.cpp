#include "platform/Processes.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>

#include "base/Handles.h"
#include "platform/OnDemand.h"

namespace {

SystemEntryPoints g_entries;
std::vector<HMODULE> g_libraries;

template <typename T>
void Lookup(HMODULE lib, const char* name, T& out) {
    out = lib ? reinterpret_cast<T>(reinterpret_cast<void*>(::GetProcAddress(lib, name))) : nullptr;
}

// By the system folder's path: a library of the same name planted beside the
// program is never loaded in its place.
HMODULE LoadListed(const char* name) {
    HMODULE lib = ondemand::LoadSystemLibrary(name);
    if (lib) g_libraries.push_back(lib);
    return lib;
}

}  // namespace

void LoadSystemEntryPoints() {
    if (g_entries.loaded) return;
    SystemEntryPoints e;
    HMODULE psapi = LoadListed("PSAPI.DLL");
    Lookup(psapi, "GetModuleInformation", e.getModuleInformation);
    Lookup(psapi, "EnumProcesses", e.enumProcesses);
    Lookup(psapi, "EnumDeviceDrivers", e.enumDeviceDrivers);
    Lookup(psapi, "EnumProcessModules", e.enumProcessModules);
    Lookup(psapi, "GetDeviceDriverFileNameA", e.getDeviceDriverFileNameA);
    Lookup(psapi, "GetModuleFileNameExA", e.getModuleFileNameExA);
    Lookup(psapi, "GetModuleBaseNameA", e.getModuleBaseNameA);
    HMODULE kernel = LoadListed("kernel32.dll");
    Lookup(kernel, "OpenThread", e.openThread);
    Lookup(kernel, "QueryFullProcessImageNameA", e.queryFullProcessImageNameA);
    Lookup(kernel, "IsWow64Process", e.isWow64Process);
    HMODULE ntdll = LoadListed("ntdll.dll");
    Lookup(ntdll, "NtQueryInformationProcess", e.ntQueryInformationProcess);
    Lookup(ntdll, "NtQueryInformationThread", e.ntQueryInformationThread);
    Lookup(ntdll, "NtQueryObject", e.ntQueryObject);
    Lookup(ntdll, "NtQuerySystemInformation", e.ntQuerySystemInformation);
    Lookup(ntdll, "NtQueryInformationFile", e.ntQueryInformationFile);
    Lookup(LoadListed("advapi32.dll"), "EnumServicesStatusExA", e.enumServicesStatusExA);
    Lookup(LoadListed("Winsta.dll"), "WinStationGetProcessSid", e.winStationGetProcessSid);
    Lookup(LoadListed("utildll.dll"), "CachedGetUserFromSid", e.cachedGetUserFromSid);
    Lookup(LoadListed("powrprof.dll"), "SetSuspendState", e.setSuspendState);
    e.loaded = true;
    g_entries = e;
}

void FreeSystemEntryPoints() {
    g_entries = SystemEntryPoints();
    for (auto it = g_libraries.rbegin(); it != g_libraries.rend(); ++it) ::FreeLibrary(*it);
    g_libraries.clear();
}

const SystemEntryPoints& SystemEntries() { return g_entries; }

OsFamily OsFamilyFromVersion(DWORD platformId, DWORD major, DWORD minor) {
    OsFamily os;
    if (platformId != VER_PLATFORM_WIN32_NT) return os;
    os.nt4 = major == 4 && minor == 0;
    os.windows2000 = major == 5 && minor == 0;
    os.windowsXp = major == 5 && minor == 1;
    return os;
}

const OsFamily& CurrentOsFamily() {
    static const OsFamily family = [] {
        OSVERSIONINFOA vi{};
        vi.dwOSVersionInfoSize = sizeof(vi);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (!::GetVersionExA(&vi)) return OsFamily();
#pragma GCC diagnostic pop
        return OsFamilyFromVersion(vi.dwPlatformId, vi.dwMajorVersion, vi.dwMinorVersion);
    }();
    return family;
}

int QuerySystemProcesses(std::vector<BYTE>& buffer) {
    const SystemEntryPoints& e = SystemEntries();
    if (!e.loaded || !e.ntQuerySystemInformation) return -2;
    if (buffer.size() < 4096) buffer.assign(4096, 0);
    for (;;) {
        ULONG needed = 0;
        LONG status = e.ntQuerySystemInformation(5, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) return 1;
        if (status != kStatusInfoLengthMismatch) return -1;
        // Grow by at least a page; take the size the system asks for (plus a
        // margin for processes starting meanwhile) when it says one.
        size_t next = buffer.size() + 4096;
        if (needed > next) next = needed + 4096;
        if (next > (static_cast<size_t>(256) << 20)) return -1;
        try {
            buffer.assign(next, 0);
        } catch (...) {
            return -1;
        }
    }
}

bool IsWow64(HANDLE process) {
    auto fn = SystemEntries().isWow64Process;
    if (!fn) {
        HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
        Lookup(kernel, "IsWow64Process", fn);
    }
    BOOL wow = FALSE;
    return fn && fn(process, &wow) && wow;
}

bool HasOtherBitness(HANDLE process) {
#ifdef _WIN64
    return IsWow64(process);
#else
    // A 32-bit program under emulation sees 64-bit processes as the ones that
    // are not emulated; on a 32-bit system every process is like us.
    static const bool selfWow = IsWow64(::GetCurrentProcess());
    return selfWow && !IsWow64(process);
#endif
}

bool ReadProcessCreateTime(HANDLE process, int64_t& createTime) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return false;
    createTime = static_cast<int64_t>((static_cast<uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime);
    return true;
}

HANDLE OpenSameProcess(DWORD pid, int64_t createTime, DWORD access) {
    if (pid == 0) return nullptr;
    // The limited right is enough for the times on newer systems; the older
    // ones only know the full one.
    const DWORD kQueryLimited = 0x1000;
    HANDLE process = ::OpenProcess(access | kQueryLimited, FALSE, pid);
    if (!process) process = ::OpenProcess(access | PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!process) return nullptr;
    int64_t actual = 0;
    if (!ReadProcessCreateTime(process, actual) || actual != createTime) {
        ::CloseHandle(process);
        return nullptr;
    }
    return process;
}

namespace {

bool UserFromTerminalServer(DWORD pid, int64_t createTime, std::string& user) {
    const SystemEntryPoints& e = SystemEntries();
    if (!e.winStationGetProcessSid || !e.cachedGetUserFromSid) return false;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(createTime);
    ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(createTime) >> 32);
    DWORD size = 0;
    if (e.winStationGetProcessSid(nullptr, pid, ft, nullptr, &size) || size == 0 || size > 4096) return false;
    std::vector<BYTE> sid(size);
    if (!e.winStationGetProcessSid(nullptr, pid, ft, sid.data(), &size)) return false;
    WCHAR name[259] = {};
    ULONG length = 259;
    if (!e.cachedGetUserFromSid(sid.data(), name, &length)) return false;
    return WideToAnsi(name, wcsnlen(name, 259), user) && !user.empty();
}

// The account name of a SID. Every process of a user carries the same SID,
// and looking it up in the account database cost more than all the rest of
// reading a process's owner: the names found are kept for the run.
bool AccountNameOf(PSID sid, std::string& user) {
    static CriticalSection lock;
    static std::unordered_map<std::string, std::string> names;
    if (!::IsValidSid(sid)) return false;
    const std::string key(static_cast<const char*>(sid), ::GetLengthSid(sid));
    {
        CriticalSectionLock hold(lock);
        auto it = names.find(key);
        if (it != names.end()) {
            user = it->second;
            return true;
        }
    }
    char name[260] = {};
    char domain[260] = {};
    DWORD nameLen = sizeof(name), domainLen = sizeof(domain);
    SID_NAME_USE use;
    if (!::LookupAccountSidA(nullptr, sid, name, &nameLen, domain, &domainLen, &use) || name[0] == '\0') return false;
    user = name;
    CriticalSectionLock hold(lock);
    names.emplace(key, user);
    return true;
}

bool UserFromToken(DWORD pid, std::string& user) {
    UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) process.reset(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid));
    return process && ProcessUserFromHandle(process.get(), user);
}

}  // namespace

bool ProcessUserFromHandle(HANDLE process, std::string& user) {
    UniqueHandle token;
    if (!::OpenProcessToken(process, TOKEN_QUERY, token.put())) return false;
    // A user SID has at most 15 sub-authorities (68 bytes): the buffer holds
    // any TOKEN_USER, so one request does what asking the size first did in
    // two (each a trip to the system under Wine).
    union {
        TOKEN_USER user;
        BYTE bytes[256];
    } info;
    DWORD size = 0;
    if (!::GetTokenInformation(token.get(), TokenUser, &info, sizeof(info), &size)) return false;
    return AccountNameOf(info.user.User.Sid, user);
}

bool LookupProcessUser(DWORD pid, int64_t createTime, std::string& user) {
    return UserFromTerminalServer(pid, createTime, user) || UserFromToken(pid, user);
}

bool QueryGrowingText(const std::function<DWORD(char* buffer, DWORD capacity)>& query, std::string& out) {
    for (DWORD capacity = MAX_PATH;; capacity = std::min(capacity * 2, kLongestPathChars)) {
        std::vector<char> buffer(capacity + 1, '\0');
        ::SetLastError(0);
        const DWORD written = query(buffer.data(), capacity);
        // Some queries cut the text to the buffer and say nothing, others fail
        // with "insufficient buffer": a full buffer is asked again, larger.
        const bool mayBeCut =
            written == 0 ? ::GetLastError() == ERROR_INSUFFICIENT_BUFFER : written >= capacity - 1;
        if (mayBeCut && capacity < kLongestPathChars) continue;
        if (mayBeCut || written == 0) return false;
        out.assign(buffer.data(), written);
        return true;
    }
}

bool QueryProcessImageName(HANDLE process, std::string& path) {
    auto fn = SystemEntries().queryFullProcessImageNameA;
    if (!fn) Lookup(::GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA", fn);
    if (!fn) return false;
    // A path may be longer than MAX_PATH: with a buffer of that size the
    // query fails, and the program would go unnamed.
    return QueryGrowingText(
        [&](char* buffer, DWORD capacity) {
            DWORD size = capacity;
            return fn(process, 0, buffer, &size) ? size : 0;
        },
        path);
}

bool LongPathOf(const std::string& path, std::string& out) {
    if (path.empty()) return false;
    return QueryGrowingText(
        [&](char* buffer, DWORD capacity) { return ::GetLongPathNameA(path.c_str(), buffer, capacity); }, out);
}

std::string SystemDirectoryWithSlash() {
    char buf[MAX_PATH] = {};
    UINT n = ::GetSystemDirectoryA(buf, MAX_PATH);
    std::string dir = (n > 0 && n < MAX_PATH) ? std::string(buf, n) : std::string();
    while (!dir.empty() && dir.back() == '\\') dir.pop_back();
    return dir + "\\";
}
