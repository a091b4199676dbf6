#include "dialogs/DescribedProgram.h"

#include <cstdio>

#include "dialogs/DescribeAppDlg.h"

ProgramEntry DescribedEntry(const ProgramDetails& details) {
    ProgramEntry entry;
    entry.company = details.company;
    entry.description = details.description;
    const size_t slash = details.path.find_last_of('\\');
    if (slash != std::string::npos) entry.fileName = details.path.substr(slash + 1);
    char rating[16];
    std::snprintf(rating, sizeof rating, "%d", details.ratingValue);
    entry.rating = rating;
    entry.url = details.webSite;
    entry.submitted = false;
    return entry;
}

DescribeOutcome AddDescribedProgram(const ProgramDetails& details, ProgramDatabase& localDatabase,
                                    const std::string& localPath, SubmissionService& submission) {
    DescribeOutcome outcome;
    const ProgramEntry entry = DescribedEntry(details);
    // An entry without a file name could never be found again, yet it would
    // be saved and posted: refuse it.
    if (entry.fileName.empty()) return outcome;
    if (!localDatabase.AddOrReplace(entry)) return outcome;
    outcome.added = true;
    outcome.saved = localDatabase.Save(localPath);
    // A replaced entry does not mark the database modified by itself; an
    // unsaved one must still be written by the next save of modified data.
    if (!outcome.saved) localDatabase.SetModified(true);
    if (outcome.saved) outcome.submissionStarted = submission.SubmitAfterDescribe();
    return outcome;
}

bool DescribeProgramWithDialog(HWND owner, const std::string& path, const ProgramDatabase& publisherDatabase,
                               ProgramDatabase& localDatabase, const std::string& localPath,
                               SubmissionService& submission, DescribeOutcome* outcome) {
    ProgramDetails details;
    GetProgramDetails(path, details, publisherDatabase, localDatabase);
    CDescribeAppDlg dialog(details);
    if (dialog.DoModal(owner) != IDOK) return false;
    const DescribeOutcome added = AddDescribedProgram(details, localDatabase, localPath, submission);
    if (outcome) *outcome = added;
    return true;
}
