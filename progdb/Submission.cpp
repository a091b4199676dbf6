#include "progdb/Submission.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "base/Resources.h"
#include "core/SettingsKeys.h"
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

namespace {

// The encoded text of as many whole leading characters of text as fit in
// room bytes: a cut never splits an escape or a double-byte character.
std::string EncodeQueryValueWithin(const std::string& text, size_t room) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        size_t n = 1;
        if (i + 1 < text.size() && ::IsDBCSLeadByte(static_cast<BYTE>(text[i]))) n = 2;
        const std::string piece = EncodeQueryValue(text.substr(i, n));
        if (out.size() + piece.size() > room) break;
        out += piece;
        i += n;
    }
    return out;
}

}  // namespace

std::string BuildSubmissionUrl(const std::string& serviceUrl, const ProgramEntry& entry,
                               const std::string& user, const std::string& password) {
    const std::string head = serviceUrl + "?name=" + EncodeQueryValue(entry.company) +
                             "&url=" + EncodeQueryValue(entry.url) +
                             "&rating=" + EncodeQueryValue(entry.rating) +
                             "&filename=" + EncodeQueryValue(entry.fileName) + "&description=";
    const std::string tail = "&username=" + EncodeQueryValue(user) +
                             "&password=" + EncodeQueryValue(password);
    // The client sends at most kHttpMaxPathLength characters of path and
    // query and cuts the rest, which would lose the account fields and could
    // end the request in half an escape. A long description is shortened
    // instead, so the service always gets a whole, well-formed request.
    const size_t serviceOrigin = serviceUrl.size() - SplitHttpUrl(serviceUrl).path.size();
    const size_t fixed = head.size() + tail.size() - serviceOrigin;
    if (fixed > kHttpMaxPathLength) return std::string();
    return head + EncodeQueryValueWithin(entry.description, kHttpMaxPathLength - fixed) + tail;
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
    if (url.empty()) return false;  // the entry's other fields alone are too long to send
    return client.Post(url, std::string(), request, header, body) && HttpStatusCode(header) == 200;
}

std::vector<PostedEntry> SubmitEntries(const std::vector<ProgramEntry>& entries,
                                       const SubmissionTarget& target, const HttpClient& client,
                                       HANDLE stopEvent) {
    std::vector<PostedEntry> posted;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (stopEvent && ::WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0) break;
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

struct SubmissionWorker::Posted {
    CriticalSection lock;
    std::vector<PostedEntry> entries;
};

SubmissionWorker::SubmissionWorker() : posted_(std::make_shared<Posted>()) {}

SubmissionWorker::~SubmissionWorker() { worker_.Stop(); }

bool SubmissionWorker::StartSubmission(const ProgramDatabase& database,
                                       const SubmissionTarget& target, HWND notifyWindow) {
    if (database.IsReadOnly()) return false;
    if (worker_.IsRunning()) return false;
    std::vector<ProgramEntry> entries = database.Entries();
    std::shared_ptr<Posted> posted = posted_;
    return worker_.Start(
        notifyWindow,
        [entries, target, posted](WorkerThread::Context& context) {
            HttpClient client;
            client.SetStopEvent(context.StopEvent());
            const std::vector<PostedEntry> accepted = SubmitEntries(entries, target, client, context.StopEvent());
            const bool any = !accepted.empty();
            {
                CriticalSectionLock lock(posted->lock);
                posted->entries.insert(posted->entries.end(), accepted.begin(), accepted.end());
            }
            context.Complete(WM_SUBMISSION_DONE, any ? 1 : 0);
        },
        WorkerMessage{WM_SUBMISSION_DONE, 0, 0});
}

std::vector<PostedEntry> SubmissionWorker::TakePosted() {
    CriticalSectionLock lock(posted_->lock);
    std::vector<PostedEntry> out = std::move(posted_->entries);
    posted_->entries.clear();
    return out;
}

SubmissionService::SubmissionService(SubmissionHost& host, ProgramDatabase& localDatabase,
                                     AppSettings settings)
    : host_(host), database_(localDatabase), settings_(std::move(settings)) {}

bool SubmissionService::SubmitAfterDescribe() {
    if (settings::kSubmitModifications.Read(settings_) == 0) return false;
    // The describe dialog runs a message loop: Exit may have been chosen
    // meanwhile. The entry is saved; it goes out with a later run.
    if (host_.IsExiting() || RefusedAddress()) return false;
    host_.Log(kPostingUpdatesText);
    return StartSubmission();
}

bool SubmissionService::RefusedAddress() {
    // The client speaks plain HTTP only: it would fail on every entry
    // without a word.
    const ServiceAddress address = CurrentServiceAddress(settings_);
    if (address.scheme == "http") return false;
    const std::string text = FormatString(kHttpsRefusedText, ServiceBaseUrl(address).c_str());
    host_.ShowStatus(text);
    host_.Log(text);
    return true;
}

bool SubmissionService::StartSubmission() {
    if (host_.IsExiting() || RefusedAddress()) return false;
    return worker_.StartSubmission(database_, CurrentSubmissionTarget(settings_), host_.NotifyWindow());
}

void SubmissionService::OnSubmissionDone(bool anyPosted) {
    // The flags may come from a later run that ended before this message was
    // handled; whatever was marked is stored.
    const size_t marked = MarkSubmitted(database_, worker_.TakePosted());
    host_.Log(anyPosted ? kUpdatesPostedText : kUpdatesFailedText);
    if (anyPosted || marked) host_.SaveLocalDatabase();
}
