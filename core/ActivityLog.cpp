#include "core/ActivityLog.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

#include "base/Handles.h"

std::string FormatLogTimestamp(const std::tm& local) {
    char buf[64];
    size_t n = std::strftime(buf, sizeof(buf), "%m/%d/%Y %H:%M:%S", &local);
    return std::string(buf, n);
}

std::string FormatLogEntry(const std::tm& local, const std::string& message) {
    return FormatLogTimestamp(local) + " " + message + "\r\n";
}

void ActivityLog::Open(const std::string& path) {
    path_ = path;
    ::DeleteFileA(path_.c_str());
}

void ActivityLog::Write(const std::string& message) const {
    if (path_.empty()) return;
    // Opened per entry: readers may look at the file while we run, but a
    // second writer makes this entry drop rather than interleave.
    UniqueHandle file(::CreateFileA(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (std::tm* t = std::localtime(&now)) local = *t;
    std::string entry = FormatLogEntry(local, message);
    ::SetFilePointer(file.get(), 0, nullptr, FILE_END);
    DWORD written = 0;
    ::WriteFile(file.get(), entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr);
}

void ActivityLog::Log(const char* format, ...) const {
    char buf[kMaxMessage + 1] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof(buf), format, args);
    va_end(args);
    Write(buf);
}
