// The activity log: "quillmark.log" beside the executable, started afresh at
// every run, one timestamped line per entry. Logging never fails the caller.
#pragma once

#include <atomic>
#include <ctime>
#include <string>

class ActivityLog {
public:
    // Remembers the path and deletes any existing file of that name.
    void Open(const std::string& path);
    // Appends one entry; a file that cannot be opened drops the entry.
    void Write(const std::string& message) const;
    // printf-style; the text is cut to 4095 characters.
    void Log(const char* format, ...) const
#ifdef __GNUC__
        __attribute__((format(printf, 2, 3)))
#endif
        ;

    const std::string& Path() const { return path_; }

    static constexpr size_t kMaxMessage = 4095;

    // While a batch is open, the entries written on the thread that opened it
    // are kept and appended with a single opening of the file, in order, when
    // it closes (or when they grow past kBatchBytes). A list logs a line per
    // row, and opening the file for each line cost as much as the rest of
    // filling a list of a thousand rows. Entries of other threads are written
    // at once. Batches nest; the outermost one writes.
    class Batch {
    public:
        explicit Batch(const ActivityLog& log);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        const ActivityLog& log_;
        bool outermost_;
    };
    static constexpr size_t kBatchBytes = 64 * 1024;

private:
    // Appends finished entries with one opening of the file.
    void Append(const std::string& entries) const;

    std::string path_;
    mutable std::string pending_;
    mutable std::atomic<unsigned long> batchThread_{0};  // 0: no batch open
};

// "%m/%d/%Y %H:%M:%S" of a local time.
std::string FormatLogTimestamp(const std::tm& local);
// One entry: timestamp, a space, the message and CR LF.
std::string FormatLogEntry(const std::tm& local, const std::string& message);
