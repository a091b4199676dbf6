#include "platform/Files.h"

#include <windows.h>

#include <algorithm>
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

bool WriteFileReplacing(const std::string& path, const std::string& content) {
    const std::string temp = ReplacementFileName(path);
    bool complete = false;
    {
        UniqueHandle file(::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        DWORD written = 0;
        complete = ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                               nullptr) &&
                   written == content.size() && ::FlushFileBuffers(file.get());
    }
    if (complete &&
        ::MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    ::DeleteFileA(temp.c_str());
    return false;
}
