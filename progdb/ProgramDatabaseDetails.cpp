#include "progdb/ProgramDatabaseDetails.h"

#include <windows.h>

#include <cstring>

#include "core/Text.h"
#include "sysinfo/FileVersion.h"

namespace {

const char kUnknown[] = "unknown";
const char kHttpScheme[] = "http://";

void TakeEntry(const ProgramEntry& entry, ProgramDetails& details) {
    // A found entry replaces each value, even with empty text.
    details.description = entry.description;
    details.ratingValue = RatingValue(entry.rating);
    details.webSite = entry.url;
    details.company = entry.company;
}

}  // namespace

namespace {

bool StartsWithIgnoringCase(const std::string& text, const char* prefix) {
    const int n = static_cast<int>(std::strlen(prefix));
    return text.size() >= static_cast<size_t>(n) &&
           ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text.c_str(), n, prefix, n) == CSTR_EQUAL;
}

}  // namespace

std::string WithHttpScheme(const std::string& url) {
    // A secure address keeps its scheme: "http://https://..." leads nowhere.
    if (url.empty() || StartsWithIgnoringCase(url, kHttpScheme) || StartsWithIgnoringCase(url, "https://"))
        return url;
    return kHttpScheme + url;
}

void MergeProgramDetails(const std::string& path, const FileDetails* fileDetails,
                         const ProgramEntry* publisherEntry, const ProgramEntry* localEntry,
                         ProgramDetails& details) {
    details = ProgramDetails();
    details.path = path;
    details.fileName = FileNameOf(path);
    if (!fileDetails) {
        details.ratingValue = kRatingUnknown;
        details.ratingText = RatingText(kRatingUnknown);
        details.version = details.title = details.company = details.fileName = kUnknown;
    } else {
        details.company = fileDetails->company;
        details.description = fileDetails->description;
        details.version = fileDetails->productVersion;
        details.title = fileDetails->title;
        if (publisherEntry) TakeEntry(*publisherEntry, details);
        if (localEntry) TakeEntry(*localEntry, details);
        if (details.ratingValue == -1) details.ratingValue = kRatingUnknown;
        details.ratingText = RatingText(details.ratingValue);
    }
    if (details.title.empty()) details.title = kUnknown;
    if (details.company.empty()) details.company = kUnknown;
    if (details.version.empty()) details.version = kUnknown;
    details.webSite = WithHttpScheme(details.webSite);
}

bool GetProgramDetails(const std::string& path, ProgramDetails& details, const ProgramDatabase& publisher,
                       const ProgramDatabase& local) {
    FileDetails fileDetails;
    if (!ReadFileDetails(path, fileDetails)) {
        MergeProgramDetails(path, nullptr, nullptr, nullptr, details);
        return true;
    }
    const std::string fileName = FileNameOf(path);
    ProgramEntry publisherEntry, localEntry;
    // The publisher's file is being filled on its loader thread: leave it be.
    bool fromPublisher = !publisher.IsLoading() && publisher.FindEntry(fileName, publisherEntry);
    bool fromLocal = local.FindEntry(fileName, localEntry);
    MergeProgramDetails(path, &fileDetails, fromPublisher ? &publisherEntry : nullptr,
                        fromLocal ? &localEntry : nullptr, details);
    return true;
}
