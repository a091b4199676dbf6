// Submission of the user's own descriptions to the publisher's service: one
// POST per entry not yet submitted, on a worker thread; the flags of the
// entries that were accepted are set on the owner's thread afterwards.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "core/AppSettings.h"
#include "core/Messages.h"
#include "core/Worker.h"
#include "base/Handles.h"
#include "progdb/HttpClient.h"
#include "progdb/ProgramDatabase.h"


constexpr const char kPostingUpdatesText[] = "Posting Ornava database updates.";
constexpr const char kUpdatesPostedText[] = "The program database updates have been successfully posted.";
constexpr const char kUpdatesFailedText[] = "The program database updates have failed.";
// Shown and logged instead of posting when the service address is an https
// one: the submission's client speaks plain HTTP on its own sockets, with no
// encryption, so the descriptions are kept rather than sent somewhere else.
constexpr const char kHttpsRefusedText[] =
    "The program descriptions were not posted: the service address %s is an https address, and Quillmark "
    "posts descriptions over plain HTTP only. They are kept and posted once the address is an http one.";

// A query value with every character outside the unreserved set and a few
// harmless separators ("/", ":", "@", "!", "$", "'", "(", ")", "*", ",", ";")
// percent-encoded; spaces become "%20".
std::string EncodeQueryValue(const std::string& text);

// "<service>?name=..&url=..&rating=..&filename=..&description=..&username=..&password=.."
// with each value encoded. When the path and query would be longer than the
// HTTP client sends (kHttpMaxPathLength), the description is cut by whole
// characters to fit; empty when even an empty description does not fit.
std::string BuildSubmissionUrl(const std::string& serviceUrl, const ProgramEntry& entry,
                               const std::string& user, const std::string& password);

// Where and as whom entries are sent.
struct SubmissionTarget {
    std::string serviceUrl;
    std::string user;
    std::string password;
};
// From the settings: the service address, "UserEmail" (default "user") and
// "UserPassword" (default the placeholder).
SubmissionTarget CurrentSubmissionTarget(const AppSettings& settings);

// Sends one entry; true when the service's status line says 200.
bool PostEntry(const ProgramEntry& entry, const SubmissionTarget& target,
               const HttpClient& client = HttpClient());

// One entry the service accepted: its position and the text that was sent.
struct PostedEntry {
    size_t index;
    ProgramEntry entry;
};

// Sends every unsubmitted entry of a copy of the database; returns those
// the service accepted. A signalled stopEvent (may be null) ends the run
// before the next entry. The submission worker runs exactly this.
std::vector<PostedEntry> SubmitEntries(const std::vector<ProgramEntry>& entries,
                                       const SubmissionTarget& target,
                                       const HttpClient& client = HttpClient(),
                                       HANDLE stopEvent = nullptr);

// Sets the submitted flag of the posted entries that still hold what was
// sent (an entry the user changed meanwhile stays unsubmitted). Returns how
// many were marked.
size_t MarkSubmitted(ProgramDatabase& database, const std::vector<PostedEntry>& posted);

// The worker: at most one run at a time.
class SubmissionWorker {
public:
    SubmissionWorker();
    // Stops a running worker (its socket waits watch the stop event) with a
    // bounded wait.
    ~SubmissionWorker();
    SubmissionWorker(const SubmissionWorker&) = delete;
    SubmissionWorker& operator=(const SubmissionWorker&) = delete;

    // False when the database is read-only or a run is going on; otherwise
    // starts a run over a copy of the entries and returns whether it started.
    bool StartSubmission(const ProgramDatabase& database, const SubmissionTarget& target,
                         HWND notifyWindow);
    bool IsRunning() const { return worker_.IsRunning(); }
    bool Wait(DWORD boundMs) { return worker_.Join(boundMs); }
    void RequestStop() { worker_.RequestStop(); }
    // Stops a running worker and waits at most boundMs. True when none runs.
    bool Stop(DWORD boundMs = WorkerThread::kDefaultStopBoundMs) { return worker_.Stop(boundMs); }
    // The entries accepted by the runs that finished since the last call
    // (emptied by the call), so that a run started before the previous
    // run's message was handled loses nothing.
    std::vector<PostedEntry> TakePosted();

private:
    struct Posted;
    // Shared with the runs, so a run let go at exit never writes into a
    // destroyed worker.
    std::shared_ptr<Posted> posted_;
    WorkerThread worker_;  // last: stopped before the members above go
};

// What the submission needs of the window that owns it.
class SubmissionHost {
public:
    virtual ~SubmissionHost() = default;
    // Receives WM_SUBMISSION_DONE and passes it to OnSubmissionDone.
    virtual HWND NotifyWindow() = 0;
    virtual void Log(const std::string& text) = 0;
    // Status bar pane 0.
    virtual void ShowStatus(const std::string& text) = 0;
    // Saves the local database (SaveLocalDatabase, which logs its own line).
    virtual bool SaveLocalDatabase() = 0;
    // True once the program is on its way out (Exit chosen while the describe
    // dialog was open, say): no submission starts then.
    virtual bool IsExiting() const = 0;
};

// The main window's part of the submission.
class SubmissionService {
public:
    SubmissionService(SubmissionHost& host, ProgramDatabase& localDatabase,
                      AppSettings settings = AppSettings());

    // After the describe step saved the local database: when
    // "SubmitModifications" is on, logs the posting line and starts a run.
    bool SubmitAfterDescribe();
    // Starts a run, unless the program is exiting or the service address is
    // an https one (then kHttpsRefusedText is shown and logged instead).
    bool StartSubmission();
    // The handler of WM_SUBMISSION_DONE.
    void OnSubmissionDone(bool anyPosted);
    SubmissionWorker& Worker() { return worker_; }

private:
    // True (after showing and logging kHttpsRefusedText) when the service
    // address is one the client cannot post to.
    bool RefusedAddress();

    SubmissionHost& host_;
    ProgramDatabase& database_;
    AppSettings settings_;
    SubmissionWorker worker_;
};
