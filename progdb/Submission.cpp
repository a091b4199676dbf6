#include "progdb/Submission.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "app/SettingsKeys.h"
#include "progdb/ServiceAddress.h"

std::string EncodeQueryValue(const std::string& text) {
    static const char kKeep[] = "-_.~/:@!$'()*,;";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if ((u < 0x80 && std::isalnum(u)) || (u != 0 && std::strchr(kKeep, c))) {
            out += c;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", u);
            out += hex;
        }
    }
    return out;
}

std::string BuildSubmissionUrl(const std::string& serviceUrl, const ProgramEntry& entry,
                               const std::string& user, const std::string& password) {
    return serviceUrl + "?name=" + EncodeQueryValue(entry.company) +
           "&url=" + EncodeQueryValue(entry.url) + "&rating=" + EncodeQueryValue(entry.rating) +
           "&filename=" + EncodeQueryValue(entry.fileName) +
           "&description=" + EncodeQueryValue(entry.description) +
           "&username=" + EncodeQueryValue(user) + "&password=" + EncodeQueryValue(password);
}

SubmissionTarget CurrentSubmissionTarget(const AppSettings& settings) {
    SubmissionTarget t;
    t.serviceUrl = SubmissionServiceUrl(CurrentServiceAddress(settings));
    t.user = settings.ReadString(settings::kUserEmail.section, settings::kUserEmail.name,
                                 kDefaultSubmitUser);
    t.password = settings.ReadString(settings::kUserPassword.section, settings::kUserPassword.name,
                                     kDefaultSubmitPassword);
    return t;
}

bool PostEntry(const ProgramEntry& entry, const SubmissionTarget& target, const HttpClient& client) {
    std::string request, header, body;
    const std::string url = BuildSubmissionUrl(target.serviceUrl, entry, target.user, target.password);
    return client.Post(url, std::string(), request, header, body) &&
           header.find("200 OK") != std::string::npos;
}

std::vector<PostedEntry> SubmitEntries(const std::vector<ProgramEntry>& entries,
                                       const SubmissionTarget& target, const HttpClient& client) {
    std::vector<PostedEntry> posted;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].submitted) continue;
        if (PostEntry(entries[i], target, client)) posted.push_back({i, entries[i]});
    }
    return posted;
}

size_t MarkSubmitted(ProgramDatabase& database, const std::vector<PostedEntry>& posted) {
    size_t marked = 0;
    for (const PostedEntry& p : posted) {
        ProgramEntry current;
        if (!database.GetEntry(p.index, current) || current != p.entry) continue;
        // AddOrReplace writes to the first entry of the name; a later
        // duplicate stays unsubmitted and is sent again next time.
        if (database.FindIndex(current.fileName) != static_cast<int>(p.index)) continue;
        current.submitted = true;
        if (database.AddOrReplace(current)) ++marked;
    }
    return marked;
}

SubmissionWorker::~SubmissionWorker() { Wait(); }

void SubmissionWorker::Wait() {
    if (thread_) ::WaitForSingleObject(thread_.get(), INFINITE);
}

bool SubmissionWorker::StartSubmission(const ProgramDatabase& database,
                                       const SubmissionTarget& target, HWND notifyWindow) {
    if (database.IsReadOnly()) return false;
    if (running_.exchange(true)) return false;
    Wait();  // a finished run may still be posting its message
    entries_ = database.Entries();
    target_ = target;
    notifyWindow_ = notifyWindow;
    {
        CriticalSectionLock lock(lock_);
        posted_.clear();
    }
    thread_.reset(::CreateThread(nullptr, 0, &SubmissionWorker::ThreadProc, this, 0, nullptr));
    if (!thread_) {
        running_ = false;
        return false;
    }
    return true;
}

DWORD WINAPI SubmissionWorker::ThreadProc(void* param) {
    auto* self = static_cast<SubmissionWorker*>(param);
    std::vector<PostedEntry> posted = SubmitEntries(self->entries_, self->target_);
    const bool any = !posted.empty();
    const HWND notify = self->notifyWindow_;
    {
        CriticalSectionLock lock(self->lock_);
        self->posted_ = std::move(posted);
    }
    self->running_ = false;
    if (notify) ::PostMessageA(notify, WM_SUBMISSION_DONE, any ? 1 : 0, 0);
    return 0;
}

std::vector<PostedEntry> SubmissionWorker::TakePosted() {
    CriticalSectionLock lock(lock_);
    std::vector<PostedEntry> out = std::move(posted_);
    posted_.clear();
    return out;
}

SubmissionService::SubmissionService(SubmissionHost& host, ProgramDatabase& localDatabase,
                                     AppSettings settings)
    : host_(host), database_(localDatabase), settings_(std::move(settings)) {}

bool SubmissionService::SubmitAfterDescribe() {
    if (settings::kSubmitModifications.Read(settings_) == 0) return false;
    host_.Log(kPostingUpdatesText);
    return StartSubmission();
}

bool SubmissionService::StartSubmission() {
    return worker_.StartSubmission(database_, CurrentSubmissionTarget(settings_), host_.NotifyWindow());
}

void SubmissionService::OnSubmissionDone(bool anyPosted) {
    const size_t marked = MarkSubmitted(database_, worker_.TakePosted());
    if (anyPosted) {
        host_.Log(kUpdatesPostedText);
        if (marked) host_.SaveLocalDatabase();
    } else {
        host_.Log(kUpdatesFailedText);
    }
}
