// Warnings about programs the program databases rate "Suspect" or worse:
// their rows are drawn in red in the Applications and Tasks lists, and a
// process of such a program that starts is named in a balloon of the
// notification-area icon, once per program per run. The watch works from
// the process sampler's own news of started processes: no query of its own,
// and nothing to do while no process starts.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

class ProcessSampler;
class ProgramDatabase;

// The text colour of a suspect program's row.
constexpr COLORREF kSuspectTextColour = RGB(204, 0, 0);

// The rating the databases give a program file: the local database's entry
// over the publisher's (not asked while it loads); -1 when neither has an
// entry or the entry holds no rating.
int DatabaseRating(const std::string& fileName, const ProgramDatabase& publisher, const ProgramDatabase& local);
// "Suspect" (7), "Spyware" (8) and "Malicious" (9).
bool IsSuspectRating(int rating);
// The row colour for a rating: kSuspectTextColour for a suspect one, else
// CLR_DEFAULT (the list's own).
COLORREF RatingTextColour(int rating);
// The balloon's text: "evil.exe is rated Spyware", with the rating's short
// name (RatingNameOf, the describe dialog's names).
std::string SuspectWarningText(const std::string& fileName, const std::string& ratingName);
// The balloon's title.
constexpr const char kSuspectWarningTitle[] = "Quillmark";

// One started process of a suspect program.
struct SuspectProcess {
    std::string fileName;
    int rating = -1;
    DWORD pid = 0;
    int64_t createTime = 0;
};

class SuspectWatch {
public:
    using RatingFn = std::function<int(const std::string& fileName)>;
    // After every process sample: the processes this sample saw start whose
    // program is rated suspect or worse and was not named before in this
    // run, one per program. The first sample is the baseline (what runs then
    // did not start now); while the warnings are off nothing is named, and
    // what starts meanwhile is not remembered.
    std::vector<SuspectProcess> AfterSample(const ProcessSampler& sampler, bool enabled, const RatingFn& rating);

private:
    bool baselineSeen_ = false;
    std::unordered_set<std::string> named_;  // file names, lower-cased
};
