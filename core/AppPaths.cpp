#include "core/AppPaths.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "core/Text.h"

std::string FolderOfPath(const std::string& fullPath) {
    size_t pos = fullPath.find_last_of('\\');
    return pos == std::string::npos ? std::string() : fullPath.substr(0, pos + 1);
}

std::string WithTrailingBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '\\') return path;
    return path + "\\";
}

std::string CommonDataFolderUnder(const std::string& programFiles) {
    if (programFiles.empty()) return std::string();
    return WithTrailingBackslash(WithTrailingBackslash(programFiles) + "Ornava Utilities\\Common");
}

std::string FileTitleOfPath(const std::string& path) {
    std::string name = FileNameOf(path);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

namespace {
std::string ModulePath() {
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return std::string();
        if (n < buf.size()) return std::string(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

std::string LongPath(const std::string& path) {
    DWORD n = ::GetLongPathNameA(path.c_str(), nullptr, 0);
    if (n == 0) return path;
    std::vector<char> buf(n + 1);
    n = ::GetLongPathNameA(path.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
    return (n == 0 || n >= buf.size()) ? path : std::string(buf.data(), n);
}
}  // namespace

std::string ProgramFolder() {
    return WithTrailingBackslash(LongPath(FolderOfPath(ModulePath())));
}

std::string ProgramPath() {
    return LongPath(ModulePath());
}

std::string HtmlWorkFolder() {
    return WithTrailingBackslash(ProgramFolder() + "HTML");
}

std::string CommonDataFolder() {
    char buf[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathA(nullptr, buf, CSIDL_PROGRAM_FILES, FALSE)) return std::string();
    return CommonDataFolderUnder(buf);
}
