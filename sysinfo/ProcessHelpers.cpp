#include "sysinfo/ProcessHelpers.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <cctype>
#include <cstddef>
#include <cstring>

#include "core/Text.h"
#include "base/Handles.h"
#include "platform/Files.h"

namespace {

// UNICODE_STRING as laid out for this build's pointer size.
struct NativeUnicodeString {
    USHORT Length;  // bytes
    USHORT MaximumLength;
    PWSTR Buffer;
};

NtQueryInformationProcessFn QueryInformationProcess() {
    NtQueryInformationProcessFn fn = SystemEntries().ntQueryInformationProcess;
    if (!fn) {
        HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
        if (ntdll)
            fn = reinterpret_cast<NtQueryInformationProcessFn>(
                reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtQueryInformationProcess")));
    }
    return fn;
}

bool ReadRemote(HANDLE process, uint64_t address, void* out, size_t size) {
    if (address == 0 || address > static_cast<uint64_t>(static_cast<ULONG_PTR>(-1))) return false;
    SIZE_T got = 0;
    return ::ReadProcessMemory(process, reinterpret_cast<LPCVOID>(static_cast<ULONG_PTR>(address)), out, size,
                               &got) &&
           got == size;
}

// Reads the command-line text (a counted UTF-16 string at `text`, `bytes`
// long) from the target; only as much as the cut keeps.
bool ReadRemoteText(HANDLE process, uint64_t text, size_t bytes, std::string& out) {
    size_t chars = bytes / sizeof(wchar_t);
    if (chars > kCommandLineMax) chars = kCommandLineMax;
    if (chars == 0) {
        out.clear();
        return true;
    }
    std::vector<wchar_t> buf(chars);
    if (!ReadRemote(process, text, buf.data(), chars * sizeof(wchar_t))) return false;
    return CommandLineFromWide(buf.data(), chars, out);
}

// The system's own command-line query (information class 60), where the
// system has one; it works whatever the target's bitness.
bool CommandLineBySystemQuery(HANDLE process, std::string& out) {
    auto query = QueryInformationProcess();
    if (!query) return false;
    std::vector<BYTE> buf(1024);
    for (int attempt = 0; attempt < 3; ++attempt) {
        ULONG needed = 0;
        LONG status = query(process, 60, buf.data(), static_cast<ULONG>(buf.size()), &needed);
        if (status == 0) {
            const auto* us = reinterpret_cast<const NativeUnicodeString*>(buf.data());
            const BYTE* begin = buf.data();
            const BYTE* text = reinterpret_cast<const BYTE*>(us->Buffer);
            size_t bytes = us->Length;
            if (bytes == 0) {
                out.clear();
                return true;
            }
            // The text must lie inside what the system returned.
            if (text < begin || text + bytes > begin + buf.size()) return false;
            size_t chars = bytes / sizeof(wchar_t);
            if (chars > kCommandLineMax) chars = kCommandLineMax;
            return CommandLineFromWide(reinterpret_cast<const wchar_t*>(text), chars, out);
        }
        if (needed <= buf.size() || needed > (1u << 20)) return false;
        buf.assign(needed, 0);
    }
    return false;
}

// From the target's environment block, laid out like our own.
bool CommandLineFromNativeBlock(HANDLE process, std::string& out) {
    auto query = QueryInformationProcess();
    if (!query) return false;
    struct BasicInformation {
        LONG exitStatus;
        PVOID pebBaseAddress;
        ULONG_PTR affinityMask;
        LONG basePriority;
        ULONG_PTR uniqueProcessId;
        ULONG_PTR inheritedFromUniqueProcessId;
    } basic{};
    ULONG got = 0;
    if (query(process, 0, &basic, sizeof(basic), &got) != 0 || !basic.pebBaseAddress) return false;
#ifdef _WIN64
    const uint64_t paramsOffset = 0x20, commandLineOffset = 0x70;
#else
    const uint64_t paramsOffset = 0x10, commandLineOffset = 0x40;
#endif
    ULONG_PTR params = 0;
    if (!ReadRemote(process, reinterpret_cast<ULONG_PTR>(basic.pebBaseAddress) + paramsOffset, &params,
                    sizeof(params)))
        return false;
    NativeUnicodeString line{};
    if (!ReadRemote(process, static_cast<uint64_t>(params) + commandLineOffset, &line, sizeof(line))) return false;
    return ReadRemoteText(process, reinterpret_cast<ULONG_PTR>(line.Buffer), line.Length, out);
}

#ifdef _WIN64
// From the 32-bit environment block of an emulated 32-bit target.
bool CommandLineFrom32BitBlock(HANDLE process, std::string& out) {
    auto query = QueryInformationProcess();
    if (!query) return false;
    ULONG_PTR peb32 = 0;
    ULONG got = 0;
    // Some systems answer this for other processes with a flag instead of
    // the block's address: only an address above the first 64 KB is used.
    if (query(process, 26 /* ProcessWow64Information */, &peb32, sizeof(peb32), &got) != 0 || peb32 < 0x10000)
        return false;
    uint32_t params = 0;
    if (!ReadRemote(process, peb32 + 0x10, &params, sizeof(params))) return false;
    struct UnicodeString32 {
        USHORT length;
        USHORT maximumLength;
        uint32_t buffer;
    } line{};
    if (!ReadRemote(process, static_cast<uint64_t>(params) + 0x40, &line, sizeof(line))) return false;
    return ReadRemoteText(process, line.buffer, line.length, out);
}
#endif

}  // namespace

bool ReadProcessImagePath(HANDLE process, std::string& path) {
    // An ended process whose object is still held open has no image any more.
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(process, &exitCode) || exitCode != STILL_ACTIVE) return false;
    std::string raw;
    // The system's image-name query answers without reading the process's
    // memory; the module list reads it many times over (milliseconds a
    // process, for every window of the Applications list). The module list
    // serves systems without the query; it cannot see the modules of a
    // process of the other bitness.
    if (!QueryProcessImageName(process, raw) || raw.empty()) {
        HMODULE module = nullptr;
        DWORD needed = 0;
        if (!::EnumProcessModules(process, &module, sizeof(module), &needed) || !module ||
            !QueryGrowingText([&](char* buffer, DWORD capacity) {
                return ::GetModuleFileNameExA(process, module, buffer, capacity);
            }, raw))
            return false;
    }
    // Only a path with a short (8.3) component has a longer form.
    std::string longForm;
    path = raw.find('~') != std::string::npos && LongPathOf(raw, longForm) ? longForm : raw;
    return true;
}

bool GetProcessImagePath(DWORD pid, std::string& path) {
    UniqueHandle process(::OpenProcess(kProcessQueryRead, FALSE, pid));
    return process && ReadProcessImagePath(process.get(), path);
}

bool GetProcessImagePathIfSame(DWORD pid, int64_t createTime, std::string& path) {
    // Memory reads are only for systems without the image-name query; where
    // they are refused, the query may still answer.
    UniqueHandle process(OpenSameProcess(pid, createTime, PROCESS_VM_READ));
    if (!process) process.reset(OpenSameProcess(pid, createTime, 0));
    return process && ReadProcessImagePath(process.get(), path);
}

bool CanQueryProcess(DWORD pid) {
    UniqueHandle process(::OpenProcess(kProcessQueryRead, FALSE, pid));
    return static_cast<bool>(process);
}

namespace {
// Walks one thread snapshot; counts, per owner that `wanted` accepts, the
// threads whose times can be read.
template <typename Wanted, typename Add>
bool WalkThreads(Wanted wanted, Add add) {
    UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot) return false;
    THREADENTRY32 te{};
    te.dwSize = sizeof(te);
    if (!::Thread32First(snapshot.get(), &te)) return false;
    auto openThread = SystemEntries().openThread ? SystemEntries().openThread : &::OpenThread;
    for (;;) {
        if (te.dwSize >= offsetof(THREADENTRY32, th32OwnerProcessID) + sizeof(DWORD) &&
            wanted(te.th32OwnerProcessID)) {
            UniqueHandle thread(openThread(THREAD_QUERY_INFORMATION, FALSE, te.th32ThreadID));
            FILETIME c, e, k, u;
            if (thread && ::GetThreadTimes(thread.get(), &c, &e, &k, &u)) add(te.th32OwnerProcessID);
        }
        te.dwSize = sizeof(te);
        if (!::Thread32Next(snapshot.get(), &te)) break;
    }
    return true;
}
}  // namespace

int CountProcessThreads(DWORD pid) {
    int count = 0;
    if (!WalkThreads([pid](DWORD owner) { return owner == pid; }, [&count](DWORD) { ++count; })) return 0;
    return count;
}

bool ThreadCounts::Take() {
    counts_.clear();
    return WalkThreads([](DWORD) { return true; }, [this](DWORD owner) { ++counts_[owner]; });
}

int ThreadCounts::Count(DWORD pid) const {
    auto it = counts_.find(pid);
    return it == counts_.end() ? 0 : it->second;
}

bool CommandLineFromWide(const wchar_t* text, size_t chars, std::string& out) {
    size_t n = 0;
    while (n < chars && text[n] != L'\0') ++n;
    std::string ansi;
    if (!WideToAnsi(text, n, ansi)) return false;
    // Cut by whole characters: half a double-byte character would garble
    // the text wherever it is shown.
    ansi = CutAtCharBoundary(ansi, kCommandLineMax);
    out.swap(ansi);
    return true;
}

bool ReadProcessCommandLine(DWORD pid, std::string& commandLine) {
    // Only reads the target's memory; nothing runs inside it, so no target
    // can be harmed and nothing waits (well inside the 200 ms bound).
    UniqueHandle process(::OpenProcess(kProcessQueryRead, FALSE, pid));
    return process && ReadProcessCommandLine(process.get(), commandLine);
}

bool ReadProcessCommandLine(HANDLE process, std::string& commandLine) {
    std::string line;
    bool ok = CommandLineBySystemQuery(process, line);
    if (!ok) {
#ifdef _WIN64
        // An emulated 32-bit process has a 64-bit block too, with the same
        // command line; its 32-bit block is the second choice.
        ok = CommandLineFromNativeBlock(process, line) || (IsWow64(process) && CommandLineFrom32BitBlock(process, line));
#else
        // A 64-bit block cannot be addressed from a 32-bit program.
        ok = !HasOtherBitness(process) && CommandLineFromNativeBlock(process, line);
#endif
    }
    if (ok) commandLine.swap(line);
    return ok;
}

namespace {

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) return;
    size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::string::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
}

bool EndsWithExe(const std::string& s) {
    return s.size() >= 4 && _stricmp(s.c_str() + s.size() - 4, ".exe") == 0;
}

}  // namespace

bool IsPlainImagePath(const std::string& path) {
    if (path.size() < 7 || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':' || path[2] != '\\')
        return false;
    if (path.find_first_of("\"/~") != std::string::npos || path.find(" -k ") != std::string::npos) return false;
    if (path.find("\\\\", 2) != std::string::npos || path.back() == '\\') return false;
    return EndsWithExe(path);
}

std::string NormaliseImagePath(const std::string& raw) {
    std::string text = raw;
    char root[MAX_PATH] = {};
    DWORD n = ::GetEnvironmentVariableA("SystemRoot", root, MAX_PATH);
    ReplaceAll(text, "\\SystemRoot", (n > 0 && n < MAX_PATH) ? std::string(root, n) : std::string());
    for (const char* prefix : {"System32\\", "system32\\"}) {
        if (text.compare(0, 9, prefix) == 0) ReplaceAll(text, prefix, SystemDirectoryWithSlash());
    }
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
    if (text.compare(0, 4, "\\??\\") == 0) text.erase(0, 4);
    size_t k = text.find(" -k ");
    if (k != std::string::npos) text.erase(k);
    size_t slash = text.find('/');
    if (slash != std::string::npos) text = Trim(text.substr(0, slash));
    size_t dash = text.find('-');
    if (dash != std::string::npos) {
        std::string candidate = Trim(text.substr(0, dash));
        if (FileExists(candidate)) text = candidate;
    }
    std::string longForm;
    if (LongPathOf(text, longForm) && !longForm.empty()) text = longForm;
    if (!FileExists(text) && text.size() >= 4 && !EndsWithExe(text) && FileExists(text + ".exe")) text += ".exe";
    return text;
}
