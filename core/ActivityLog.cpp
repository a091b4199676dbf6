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
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (std::tm* t = std::localtime(&now)) local = *t;
    std::string entry = FormatLogEntry(local, message);
    if (batchThread_ != 0 && batchThread_ == ::GetCurrentThreadId()) {
        pending_ += entry;
        if (pending_.size() >= kBatchBytes) {
            Append(pending_);
            pending_.clear();
        }
        return;
    }
    Append(entry);
}

void ActivityLog::Append(const std::string& entries) const {
    if (entries.empty()) return;
    // Opened per write: readers may look at the file while we run, but a
    // second writer makes these entries drop rather than interleave.
    UniqueHandle file(::CreateFileA(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    ::SetFilePointer(file.get(), 0, nullptr, FILE_END);
    DWORD written = 0;
    ::WriteFile(file.get(), entries.data(), static_cast<DWORD>(entries.size()), &written, nullptr);
}

ActivityLog::Batch::Batch(const ActivityLog& log) : log_(log), outermost_(false) {
    // Only the thread that opens the first batch keeps entries back; a batch
    // opened on another thread meanwhile writes as usual.
    unsigned long none = 0;
    outermost_ = log_.batchThread_.compare_exchange_strong(none, ::GetCurrentThreadId());
}

ActivityLog::Batch::~Batch() {
    if (!outermost_) return;
    std::string entries;
    entries.swap(log_.pending_);
    log_.batchThread_ = 0;
    log_.Append(entries);
}

void ActivityLog::Log(const char* format, ...) const {
    char buf[kMaxMessage + 1] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof(buf), format, args);
    va_end(args);
    Write(buf);
}
