// The user's description of a program becoming an entry of the local
// program database: the step after the describe dialog's OK.
#pragma once

#include <windows.h>

#include <string>

#include "progdb/ProgramDatabase.h"
#include "progdb/ProgramDatabaseDetails.h"
#include "progdb/Submission.h"

// The local entry for a described program: company, description, web site
// as typed, the rating as "%d" (-1 when none was chosen), the file name
// from the path, not yet submitted.
ProgramEntry DescribedEntry(const ProgramDetails& details);

struct DescribeOutcome {
    bool added = false;               // the entry is in the local database
    bool saved = false;               // and the file was written
    bool submissionStarted = false;   // a submission run was started
};

// Adds the entry (replacing one for the same file name, ignoring case, and
// clearing its submitted flag), saves the local database to localPath and,
// when that worked and "SubmitModifications" is on, logs "Posting Ornava
// database updates." through the service's host and starts a submission.
// A read-only database, or a path without a file name, adds nothing.
// A failed save is not reported: the entry stays in memory and goes out
// with the next save that succeeds.
DescribeOutcome AddDescribedProgram(const ProgramDetails& details, ProgramDatabase& localDatabase,
                                    const std::string& localPath, SubmissionService& submission);

// The whole describe command for the program at path: its merged details,
// the dialog (modal, owned by owner) and, on OK, AddDescribedProgram. True
// when the user pressed OK (the caller then rebuilds the detail page).
bool DescribeProgramWithDialog(HWND owner, const std::string& path, const ProgramDatabase& publisherDatabase,
                               ProgramDatabase& localDatabase, const std::string& localPath,
                               SubmissionService& submission, DescribeOutcome* outcome = nullptr);
