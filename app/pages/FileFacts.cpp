#include "app/pages/FileFacts.h"

#include "platform/Files.h"
#include "sysinfo/AppWindows.h"
#include "sysinfo/FileVersion.h"

namespace {
// The version company and description of a file; empty when it has none.
void VersionTexts(const std::string& path, std::string& company, std::string& description) {
    company.clear();
    description.clear();
    if (path.empty()) return;
    VersionInfoReader reader;
    if (!reader.Open(path)) return;
    company = reader.CompanyName();
    description = reader.FileDescription();
}

uint64_t Join(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }
}  // namespace

std::string FileKey(std::string path) {
    if (!path.empty()) ::CharLowerBuffA(&path[0], static_cast<DWORD>(path.size()));
    return path;
}

void RowIcon::Load(const std::string& path) {
    if (path.empty() || !FileExists(path)) return;
    icon.reset(ProgramIcon(path, false));
    image = IconBitmaps::Of(icon.get());
}

FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path.empty() || !::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return stamp;
    stamp.exists = true;
    stamp.size = Join(data.nFileSizeHigh, data.nFileSizeLow);
    stamp.lastWrite = Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
    return stamp;
}

const FileFacts& FileFactsCache::Get(const std::string& path, bool withIcon) {
    auto [it, isNew] = facts_.try_emplace(FileKey(path));
    Entry& entry = it->second;
    // Checked once a fill: the rows of one fill share what it read.
    if (isNew || entry.fill != fill_) {
        const FileStamp now = StampOf(path);
        if (isNew || !(now == entry.stamp)) {
            entry = Entry();
            entry.stamp = now;
            VersionTexts(path, entry.facts.company, entry.facts.description);
        }
    }
    entry.fill = fill_;
    if (withIcon && !entry.iconTried) {
        entry.iconTried = true;
        entry.facts.icon.Load(path);
    }
    return entry.facts;
}

void FileFactsCache::EndFill() {
    for (auto it = facts_.begin(); it != facts_.end();) {
        if (it->second.fill != fill_)
            it = facts_.erase(it);
        else
            ++it;
    }
}
