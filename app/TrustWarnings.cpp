#include "app/TrustWarnings.h"

#include "progdb/ProgramDatabase.h"
#include "sysinfo/ProcessSampler.h"

int DatabaseRating(const std::string& fileName, const ProgramDatabase& publisher, const ProgramDatabase& local) {
    ProgramEntry entry;
    // The local entry is the user's own word and wins, as in the details.
    if (local.FindEntry(fileName, entry)) return RatingValue(entry.rating);
    if (!publisher.IsLoading() && publisher.FindEntry(fileName, entry)) return RatingValue(entry.rating);
    return -1;
}

bool IsSuspectRating(int rating) { return rating >= kRatingSuspect && rating <= kRatingMalicious; }

COLORREF RatingTextColour(int rating) { return IsSuspectRating(rating) ? kSuspectTextColour : CLR_DEFAULT; }

std::string SuspectWarningText(const std::string& fileName, const std::string& ratingName) {
    return fileName + " is rated " + ratingName;
}

std::vector<SuspectProcess> SuspectWatch::AfterSample(const ProcessSampler& sampler, bool enabled,
                                                      const RatingFn& rating) {
    std::vector<SuspectProcess> found;
    if (!baselineSeen_) {
        baselineSeen_ = true;
        return found;
    }
    if (!enabled || sampler.NewCount() == 0) return found;
    sampler.ForEach([&](const ProcessInfo& process) {
        if (process.changes != ProcessChangeNew) return;
        std::string key = process.imageName;
        if (!key.empty()) ::CharLowerBuffA(&key[0], static_cast<DWORD>(key.size()));
        if (named_.count(key)) return;
        const int value = rating(process.imageName);
        if (!IsSuspectRating(value)) return;
        named_.insert(key);
        found.push_back(SuspectProcess{process.imageName, value, process.pid, process.createTime});
    });
    return found;
}
