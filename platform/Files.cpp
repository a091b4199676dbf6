#include "platform/Files.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/Handles.h"

bool FileExists(const std::string& path) {
    if (path.empty()) return false;
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ReadFileBounded(const std::string& path, size_t maxBytes, std::string& out) {
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::string data;
    std::vector<char> buf(65536);
    while (data.size() < maxBytes) {
        DWORD want = static_cast<DWORD>(std::min(buf.size(), maxBytes - data.size()));
        DWORD got = 0;
        if (!::ReadFile(file.get(), buf.data(), want, &got, nullptr)) return false;
        if (got == 0) break;
        data.append(buf.data(), got);
    }
    out.swap(data);
    return true;
}

std::string ReplacementFileName(const std::string& path) {
    return path + ".new";
}

namespace {

// Creates a file beside path under a name no file had; its name in name.
// CREATE_NEW never opens a file that is already there, so whatever the folder
// holds stays untouched; a taken name is skipped.
UniqueHandle CreateUniqueFile(const std::string& path, std::string& name) {
    static volatile LONG counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".~%04lx%04lx.tmp", ::GetCurrentProcessId() & 0xFFFFul,
                      static_cast<unsigned long>(::InterlockedIncrement(&counter)) & 0xFFFFul);
        name = path + suffix;
        UniqueHandle file(
            ::CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) return file;
        const DWORD e = ::GetLastError();
        if (e != ERROR_FILE_EXISTS && e != ERROR_ALREADY_EXISTS) break;
    }
    return UniqueHandle();
}

// Creates the file the content goes to first; its name in temp.
UniqueHandle CreateAsideFile(const std::string& path, AsideName aside, std::string& temp) {
    if (aside == AsideName::Unique) return CreateUniqueFile(path, temp);
    temp = ReplacementFileName(path);
    return UniqueHandle(
        ::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

std::string CreateUniqueFileBeside(const std::string& path) {
    std::string name;
    return CreateUniqueFile(path, name) ? name : std::string();
}

bool WriteFileReplacing(const std::string& path, const std::string& content, AsideName aside, DWORD* error) {
    std::string temp;
    DWORD failure = ERROR_SUCCESS;
    {
        UniqueHandle file = CreateAsideFile(path, aside, temp);
        if (!file) {
            if (error) *error = ::GetLastError();
            return false;
        }
        DWORD written = 0;
        if (!::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
            !::FlushFileBuffers(file.get()))
            failure = ::GetLastError();
        else if (written != content.size())
            failure = ERROR_DISK_FULL;
    }
    if (failure == ERROR_SUCCESS &&
        ::MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (failure == ERROR_SUCCESS) failure = ::GetLastError();
    ::DeleteFileA(temp.c_str());
    if (error) *error = failure == ERROR_SUCCESS ? ERROR_WRITE_FAULT : failure;
    return false;
}

std::string SystemErrorText(DWORD error) {
    char* buffer = nullptr;
    const DWORD n = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    LocalMemory owned(buffer);
    std::string text = n ? std::string(buffer, n) : std::string();
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (text.empty()) {
        char code[32];
        std::snprintf(code, sizeof code, "Error %08lX.", static_cast<unsigned long>(error));
        text = code;
    }
    return text;
}
