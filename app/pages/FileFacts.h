// What the lists show of a program file (its small icon and version texts),
// read once per file and kept from one fill to the next while the file stays
// as it was.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <unordered_map>

#include "base/Handles.h"
#include "ui/ListCtrlEx.h"

// Paths compare without regard to case.
std::string FileKey(std::string path);

// A program file's small icon with its bitmaps, read once for every row of
// that program in a fill.
struct RowIcon {
    IconHandle icon;
    IconBitmaps image;
    void Load(const std::string& path);
};

struct FileFacts {
    RowIcon icon;
    std::string company;
    std::string description;
};

// What identifies a file's contents for the cache: its size and last write
// time (exists false for a file that cannot be found).
struct FileStamp {
    bool exists = false;
    uint64_t size = 0;
    uint64_t lastWrite = 0;
    bool operator==(const FileStamp& o) const {
        return exists == o.exists && size == o.size && lastWrite == o.lastWrite;
    }
};
FileStamp StampOf(const std::string& path);

// Many processes share a file (service hosts, helpers) and a refresh shows
// the same files again: reading a file's icon and version block took about
// 5 ms under Wine, most of a refresh's Tasks, Services and Drivers fills. A
// file is read again when its stamp changed; the files a fill did not show
// are let go when it ends.
class FileFactsCache {
public:
    void BeginFill() { ++fill_; }
    // The facts of a file; its icon only when asked for (the services carry
    // their own, and ask only when theirs is missing).
    const FileFacts& Get(const std::string& path, bool withIcon);
    void EndFill();
    size_t Size() const { return facts_.size(); }

private:
    struct Entry {
        FileFacts facts;
        FileStamp stamp;
        bool iconTried = false;
        uint64_t fill = 0;  // the last fill that showed the file
    };
    std::unordered_map<std::string, Entry> facts_;
    uint64_t fill_ = 1;
};
