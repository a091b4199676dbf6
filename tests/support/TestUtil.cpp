#include "TestUtil.h"

#include <shellapi.h>

#include <vector>

#include "base/Handles.h"
#include "platform/Registry.h"

namespace testutil {

std::string ExeFolder() {
    char buf[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, buf, MAX_PATH);
    std::string s(buf);
    return s.substr(0, s.find_last_of('\\') + 1);
}

ScratchDir::ScratchDir() {
    char tmp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, tmp);
    static LONG counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char name[MAX_PATH];
        wsprintfA(name, "%sqmtest-%lu-%ld-%d", tmp, ::GetCurrentProcessId(), ::InterlockedIncrement(&counter),
                  attempt);
        if (::CreateDirectoryA(name, nullptr)) {
            path_ = std::string(name) + "\\";
            return;
        }
    }
}

ScratchDir::~ScratchDir() {
    if (!path_.empty()) DeleteTreeOnDisk(path_.substr(0, path_.size() - 1));
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    UniqueHandle f(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
    if (!f) return false;
    DWORD written = 0;
    return ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string ReadFileBytes(const std::string& path) {
    UniqueHandle f(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return std::string();
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (::ReadFile(f.get(), buf, sizeof(buf), &got, nullptr) && got > 0) out.append(buf, got);
    return out;
}

bool FileExists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void DeleteTreeOnDisk(const std::string& path) {
    std::string from = path;
    from.push_back('\0');  // the shell wants a double-NUL-terminated list
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    ::SHFileOperationA(&op);
}

void DispatchWaiting() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

void PumpFor(DWORD ms) {
    DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (::GetTickCount() - start < ms);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD boundMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount() - start >= boundMs) return condition();
        PumpFor(20);
    }
}

std::string HostPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string out = "Z:" + path;
    for (char& c : out)
        if (c == '/') c = '\\';
    return out;
}

void ResetQuillmarkSettings() {
    reg::DeleteTree(HKEY_CURRENT_USER, "Software\\Ornava Utilities\\Quillmark");
}

void PrepareQuillmarkStart(const std::string& serviceUrl) {
    const char* key = "Software\\Ornava Utilities\\Quillmark\\OrnavaDB";
    // The program checks for a database update as it starts: the check goes
    // to loopback and asks nobody first.
    reg::WriteString(HKEY_CURRENT_USER, key, "ServiceUrl", serviceUrl);
    reg::WriteDword(HKEY_CURRENT_USER, key, "PromptBeforeUpdate", 0);
}

}  // namespace testutil
