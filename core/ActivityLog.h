// The activity log: "quillmark.log" beside the executable, started afresh at
// every run, one timestamped line per entry. Logging never fails the caller.
#pragma once

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

private:
    std::string path_;
};

// "%m/%d/%Y %H:%M:%S" of a local time.
std::string FormatLogTimestamp(const std::tm& local);
// One entry: timestamp, a space, the message and CR LF.
std::string FormatLogEntry(const std::tm& local, const std::string& message);
