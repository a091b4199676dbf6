// Processes and threads: the optional system entry points, the Windows
// version family, and thin wrappers over the process-status, tool-help and
// native interfaces. Every function returns a result and leaves its outputs
// untouched on failure.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Text.h"

// ---- Optional entry points ------------------------------------------------

// NTSTATUS-returning native calls, looked up at run time.
using NtQuerySystemInformationFn = LONG(WINAPI*)(ULONG infoClass, PVOID buffer, ULONG length, PULONG returned);
using NtQueryInformationProcessFn = LONG(WINAPI*)(HANDLE process, ULONG infoClass, PVOID buffer, ULONG length,
                                                  PULONG returned);

struct SystemEntryPoints {
    bool loaded = false;
    // PSAPI.DLL
    FARPROC getModuleInformation = nullptr;
    BOOL(WINAPI* enumProcesses)(DWORD*, DWORD, DWORD*) = nullptr;
    FARPROC enumDeviceDrivers = nullptr;
    BOOL(WINAPI* enumProcessModules)(HANDLE, HMODULE*, DWORD, DWORD*) = nullptr;
    FARPROC getDeviceDriverFileNameA = nullptr;
    DWORD(WINAPI* getModuleFileNameExA)(HANDLE, HMODULE, LPSTR, DWORD) = nullptr;
    DWORD(WINAPI* getModuleBaseNameA)(HANDLE, HMODULE, LPSTR, DWORD) = nullptr;
    // kernel32.dll
    HANDLE(WINAPI* openThread)(DWORD, BOOL, DWORD) = nullptr;
    BOOL(WINAPI* queryFullProcessImageNameA)(HANDLE, DWORD, LPSTR, PDWORD) = nullptr;
    BOOL(WINAPI* isWow64Process)(HANDLE, PBOOL) = nullptr;
    // ntdll.dll
    NtQueryInformationProcessFn ntQueryInformationProcess = nullptr;
    FARPROC ntQueryInformationThread = nullptr;
    FARPROC ntQueryObject = nullptr;
    NtQuerySystemInformationFn ntQuerySystemInformation = nullptr;
    FARPROC ntQueryInformationFile = nullptr;
    // advapi32.dll
    FARPROC enumServicesStatusExA = nullptr;
    // Winsta.dll, utildll.dll: the owner of a process.
    BOOLEAN(WINAPI* winStationGetProcessSid)(HANDLE, DWORD, FILETIME, PBYTE, PDWORD) = nullptr;
    BOOL(WINAPI* cachedGetUserFromSid)(PSID, PWCHAR, PULONG) = nullptr;
    // powrprof.dll
    FARPROC setSuspendState = nullptr;
};

// Loads the libraries and looks up their entry points, once; a missing one is
// simply absent (null). The "loaded" flag is set at the end in any case.
void LoadSystemEntryPoints();
// Frees the libraries again; afterwards the flag is clear.
void FreeSystemEntryPoints();
// The entry points as loaded (all null and not loaded before
// LoadSystemEntryPoints).
const SystemEntryPoints& SystemEntries();

// ---- Windows version family ------------------------------------------------

// The three versions that choose the process-status interface; all clear on
// any other system (9x family, Server 2003, Vista and later).
struct OsFamily {
    bool nt4 = false;
    bool windows2000 = false;
    bool windowsXp = false;
    bool Any() const { return nt4 || windows2000 || windowsXp; }
};
OsFamily OsFamilyFromVersion(DWORD platformId, DWORD major, DWORD minor);
// Computed once from the running system's version.
const OsFamily& CurrentOsFamily();

// ---- The native process query ----------------------------------------------

// One entry of the system's process information (information class 5), as
// laid out by the system for this build's pointer size.
struct SystemProcessEntry {
    ULONG nextEntryOffset;
    ULONG numberOfThreads;
    LARGE_INTEGER workingSetPrivateSize;
    ULONG hardFaultCount;
    ULONG numberOfThreadsHighWatermark;
    ULONGLONG cycleTime;
    LARGE_INTEGER createTime;
    LARGE_INTEGER userTime;
    LARGE_INTEGER kernelTime;
    USHORT imageNameLength;  // bytes
    USHORT imageNameMaximumLength;
    PWSTR imageNameBuffer;
    LONG basePriority;
    HANDLE uniqueProcessId;
    HANDLE inheritedFromUniqueProcessId;
    ULONG handleCount;
    ULONG sessionId;
    ULONG_PTR uniqueProcessKey;
    SIZE_T peakVirtualSize;
    SIZE_T virtualSize;
    ULONG pageFaultCount;
    SIZE_T peakWorkingSetSize;
    SIZE_T workingSetSize;
    SIZE_T quotaPeakPagedPoolUsage;
    SIZE_T quotaPagedPoolUsage;
    SIZE_T quotaPeakNonPagedPoolUsage;
    SIZE_T quotaNonPagedPoolUsage;
    SIZE_T pagefileUsage;
    SIZE_T peakPagefileUsage;
    SIZE_T privatePageCount;
    LARGE_INTEGER readOperationCount;
    LARGE_INTEGER writeOperationCount;
    LARGE_INTEGER otherOperationCount;
    LARGE_INTEGER readTransferCount;
    LARGE_INTEGER writeTransferCount;
    LARGE_INTEGER otherTransferCount;
    // followed by numberOfThreads thread records
};

constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

// Runs the system process query into buffer, growing it by 4096 bytes (or to
// the size the system asks for) while the system answers "length mismatch".
// The buffer keeps its size between calls, so a steady system needs a single
// query per call. Returns 1, -1 (query failed / no memory) or -2 (the query
// entry point is absent or not loaded).
int QuerySystemProcesses(std::vector<BYTE>& buffer);

// ---- Per-process wrappers --------------------------------------------------

// Whether the process at handle runs under the 32-bit emulation of a 64-bit
// system; false when it cannot be told.
bool IsWow64(HANDLE process);
// Whether the process with this id has another pointer size than this
// program, so that its memory layout differs from ours.
bool HasOtherBitness(HANDLE process);

// The creation time of an open process (100 ns since 1601, UTC, as the
// process query gives it). False (createTime untouched) when it cannot be read.
bool ReadProcessCreateTime(HANDLE process, int64_t& createTime);
// Opens the process pid with access (plus what reading its creation time
// needs) only when it is still the process that was created at createTime: a
// pid the system has given to a new process since is not opened. Null when
// it cannot be opened or is another process.
HANDLE OpenSameProcess(DWORD pid, int64_t createTime, DWORD access);

// The owner account of a process ("DOMAIN" not included), by the
// terminal-server lookup when both entry points exist, else from the
// process's token. False when neither gives a name.
bool LookupProcessUser(DWORD pid, int64_t createTime, std::string& user);
// The owner account from the token of a process already open with a query
// right: a reader that holds the handle saves opening the process again.
bool ProcessUserFromHandle(HANDLE process, std::string& user);

// The full image path of an open process by the system's image-name query
// (works across bitness), however long; false when the entry point is absent
// or it fails.
bool QueryProcessImageName(HANDLE process, std::string& path);

// The longest path the system's interfaces handle, in characters.
constexpr DWORD kLongestPathChars = 32768;
// Runs a query that writes text into a buffer of capacity characters and
// returns how many it wrote (0 on failure), first with MAX_PATH characters,
// then with twice as many while the answer may have been cut (it filled the
// buffer, or the query failed with ERROR_INSUFFICIENT_BUFFER), up to
// kLongestPathChars. False (out untouched) when it fails or never fits.
bool QueryGrowingText(const std::function<DWORD(char* buffer, DWORD capacity)>& query, std::string& out);


// Long-path form of a path, however long; false (and out untouched) when the
// system cannot give one.
bool LongPathOf(const std::string& path, std::string& out);
// The system directory with exactly one trailing backslash.
std::string SystemDirectoryWithSlash();
