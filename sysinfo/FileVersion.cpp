#include "sysinfo/FileVersion.h"

#include <psapi.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

#include "base/Handles.h"
#include "base/Resources.h"
#include "platform/OnDemand.h"
#include "platform/Processes.h"
#include "sysinfo/ProcessHelpers.h"

bool VersionInfoReader::Open(const std::string& path) {
    Close();
    DWORD handle = 0;
    DWORD size = path.empty() ? 0 : ::GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) return false;
    std::vector<BYTE> block(size);
    if (!::GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return false;
    return OpenBytes(block.data(), block.size());
}

bool VersionInfoReader::OpenBytes(const void* data, size_t size) {
    Close();
    if (!data || size < 6) return false;
    block_.assign(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueA(block_.data(), "\\VarFileInfo\\Translation", &value, &length) || !value || length < 4) {
        Close();
        return false;
    }
    WORD pair[2];
    std::memcpy(pair, value, sizeof(pair));
    key_ = (static_cast<uint32_t>(pair[0]) << 16) | pair[1];
    return true;
}

void VersionInfoReader::Close() {
    block_.clear();
    key_ = 0;
}

std::string VersionInfoReader::SubBlockPath(uint32_t key, const std::string& name) {
    char prefix[40];
    std::snprintf(prefix, sizeof(prefix), "\\StringFileInfo\\%08lx\\", static_cast<unsigned long>(key));
    return prefix + name;
}

std::string VersionInfoReader::Query(const std::string& name, uint32_t key) const {
    if (block_.empty()) return std::string();
    std::string sub = SubBlockPath(key ? key : key_, name);
    // VerQueryValue may write into the block it is given; query a copy.
    std::vector<BYTE> copy(block_);
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueA(copy.data(), sub.c_str(), &value, &length) || !value || length == 0) return std::string();
    const char* text = static_cast<const char*>(value);
    const BYTE* end = copy.data() + copy.size();
    size_t n = 0;
    while (reinterpret_cast<const BYTE*>(text + n) < end && n < length && text[n] != '\0') ++n;
    return std::string(text, n);
}

std::string SizeText(uint64_t bytes) {
    if (bytes <= 1024) return std::to_string(bytes) + " bytes";
    return std::to_string(bytes >> 10) + " KB";
}

std::string TimeText(time_t t, const char* format) {
    if (!format) return std::string();
    struct tm* local = std::localtime(&t);
    if (!local) return std::string();
    char buf[128];
    size_t n = std::strftime(buf, sizeof(buf), format, local);
    return n ? std::string(buf, n) : std::string();
}

bool ReadFileDetails(const std::string& path, FileDetails& details) {
    if (path.empty()) return false;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    FileDetails d;
    VersionInfoReader reader;
    if (reader.Open(path)) {
        d.company = reader.CompanyName();
        d.productVersion = reader.ProductVersion();
        d.description = reader.FileDescription();
        d.productName = reader.ProductName();
        d.title = reader.FileDescription();
    }
    uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    d.size = SizeText(size);
    // FILETIME (100 ns since 1601) to seconds since 1970.
    uint64_t ft = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                  data.ftLastWriteTime.dwLowDateTime;
    const uint64_t epochDiff = 116444736000000000ull;
    d.modified = "<unknown>";
    if (ft >= epochDiff) {
        std::string text = TimeText(static_cast<time_t>((ft - epochDiff) / 10000000ull), "%m/%d/%Y %I:%M %p");
        if (!text.empty()) d.modified = text;
    }
    details = d;
    return true;
}

bool ListModules(DWORD pid, std::vector<std::string>& modules) {
    modules.clear();
    if (CurrentOsFamily().Any()) {
        UniqueHandle process(::OpenProcess(kProcessQueryRead, FALSE, pid));
        if (!process) return false;
        std::vector<HMODULE> handles(1024);
        DWORD needed = 0;
        if (!::EnumProcessModules(process.get(), handles.data(), static_cast<DWORD>(handles.size() * sizeof(HMODULE)),
                                  &needed))
            return false;
        size_t count = needed / sizeof(HMODULE);
        if (count > handles.size()) count = handles.size();
        for (size_t i = 0; i < count; ++i) {
            char name[MAX_PATH] = {};
            if (::GetModuleFileNameExA(process.get(), handles[i], name, MAX_PATH) > 0) modules.push_back(name);
        }
    } else {
        UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid));
        if (!snapshot) return false;
        MODULEENTRY32 me{};
        me.dwSize = sizeof(me);
        if (::Module32First(snapshot.get(), &me)) {
            do {
                modules.push_back(me.szExePath);
                me.dwSize = sizeof(me);
            } while (::Module32Next(snapshot.get(), &me));
        }
    }
    return !modules.empty();
}

namespace {
// The fixed part of a file's version resource (the root block "\").
bool ReadFixedVersion(const std::string& path, VS_FIXEDFILEINFO& out) {
    DWORD handle = 0;
    DWORD size = path.empty() ? 0 : ::GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) return false;
    std::vector<BYTE> block(size);
    if (!::GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
        length < sizeof(VS_FIXEDFILEINFO))
        return false;
    out = *fixed;
    return true;
}
}  // namespace

long ModuleVersion(const std::string& path) {
    // Loaded by a full path only: a bare name would be looked for in the
    // program's folder first, where anyone may have put a library of that
    // name, so it stands for the system folder's library.
    const bool full = (path.size() > 2 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
                      path.compare(0, 2, "\\\\") == 0;
    const bool bare = !path.empty() && path.find_first_of("\\/:") == std::string::npos;
    LibraryHandle lib(full   ? ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)
                      : bare ? ondemand::LoadSystemLibrary(path.c_str())
                             : nullptr);
    if (!lib) return 0;
    using GetVersionFn = HRESULT(CALLBACK*)(DLLVERSIONINFO*);
    auto fn = reinterpret_cast<GetVersionFn>(reinterpret_cast<void*>(::GetProcAddress(lib.get(), "DllGetVersion")));
    if (fn) {
        DLLVERSIONINFO info{};
        info.cbSize = sizeof(info);
        if (SUCCEEDED(fn(&info))) return static_cast<long>((info.dwMajorVersion << 16) | (info.dwMinorVersion & 0xFFFF));
        return 0;
    }
    char file[MAX_PATH] = {};
    VS_FIXEDFILEINFO fixed{};
    if (!::GetModuleFileNameA(lib.get(), file, MAX_PATH) || !ReadFixedVersion(file, fixed)) return 0;
    return static_cast<long>(fixed.dwFileVersionMS);  // major << 16 | minor
}

std::string ModuleVersionText(const std::string& path) { return FormatString("%ld", ModuleVersion(path)); }

std::string FileVersionText(const std::string& path) {
    VS_FIXEDFILEINFO fixed{};
    if (!ReadFixedVersion(path, fixed)) return std::string();
    return FormatString("%lu.%lu.%lu.%lu", static_cast<unsigned long>(HIWORD(fixed.dwFileVersionMS)),
                        static_cast<unsigned long>(LOWORD(fixed.dwFileVersionMS)),
                        static_cast<unsigned long>(HIWORD(fixed.dwFileVersionLS)),
                        static_cast<unsigned long>(LOWORD(fixed.dwFileVersionLS)));
}

