#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "LoopbackServer.h"
#include "OnlineTestUtil.h"
#include "PublisherProcess.h"
#include "core/AppSettings.h"
#include "core/SettingsKeys.h"
#include "progdb/ServiceAddress.h"
#include "progdb/Submission.h"

namespace {

ProgramEntry Entry(const std::string& company, const std::string& fileName,
                   const std::string& description, bool submitted = false) {
    ProgramEntry e;
    e.company = company;
    e.url = "http://www." + company + ".example/";
    e.rating = "4";
    e.fileName = fileName;
    e.description = description;
    e.submitted = submitted;
    return e;
}

class FakeSubmissionHost : public SubmissionHost {
public:
    HWND NotifyWindow() override { return sink.Window(); }
    void Log(const std::string& text) override { log.push_back(text); }
    bool SaveLocalDatabase() override {
        ++saves;
        return true;
    }
    void ShowStatus(const std::string& text) override { status.push_back(text); }
    bool IsExiting() const override { return exiting; }
    MessageSink sink;
    std::vector<std::string> log, status;
    int saves = 0;
    bool exiting = false;
};

class SubmissionTest : public ::testing::Test {
protected:
    void SetUp() override {
        testutil::ResetQuillmarkSettings();
        database.SetReadOnly(false);
    }
    void TearDown() override { testutil::ResetQuillmarkSettings(); }

    void Add(const ProgramEntry& e) { ASSERT_TRUE(database.AddOrReplace(e)); }
    // One run from start to its message, handled as the main window would.
    WPARAM Run(SubmissionService& service) {
        WPARAM any = 99;
        EXPECT_TRUE(service.SubmitAfterDescribe());
        EXPECT_TRUE(host.sink.Take(WM_SUBMISSION_DONE, any));
        service.OnSubmissionDone(any != 0);
        return any;
    }
    std::vector<bool> Flags() const {
        std::vector<bool> f;
        for (const ProgramEntry& e : database.Entries()) f.push_back(e.submitted);
        return f;
    }

    AppSettings settings;
    LocalProgramDatabase database;
    FakeSubmissionHost host;
};

}  // namespace

TEST(SubmissionUrl, FieldsInOrderWithEveryUnsafeCharacterEncoded) {
    EXPECT_EQ("a%20b%26c%3Dd%23e%25f%2Bg%3Fh%01%E9%22%3C%3E", EncodeQueryValue("a b&c=d#e%f+g?h\x01\xE9\"<>"));
    EXPECT_EQ("http://www.x.example/a_b-c.d~e", EncodeQueryValue("http://www.x.example/a_b-c.d~e"));
    EXPECT_EQ("", EncodeQueryValue(""));

    ProgramEntry e = Entry("Big Co", "big.exe", "Fast & small = good");
    EXPECT_EQ("http://h/Runlatch/rlatprov1.aspx?name=Big%20Co&url=http://www.Big%20Co.example/"
              "&rating=4&filename=big.exe&description=Fast%20%26%20small%20%3D%20good"
              "&username=me@x&password=p%20w",
              BuildSubmissionUrl("http://h/Runlatch/rlatprov1.aspx", e, "me@x", "p w"));
}

TEST(SubmissionUrl, LongDescriptionIsCutSoTheAccountFieldsArrive) {
    const std::string origin = "http://127.0.0.1:8123";
    const std::string service = origin + "/Runlatch/rlatprov1.aspx";
    std::string description;
    for (int i = 0; i < 600; ++i) description += "\xE9 ";  // 3 + 3 bytes each once encoded
    ProgramEntry e = Entry("Big Co", "big.exe", description);
    const std::string url = BuildSubmissionUrl(service, e, "me", "pw");
    const HttpUrlParts parts = SplitHttpUrl(url);
    // Exactly what the client sends, not cut by it, and still well formed.
    EXPECT_LE(url.size() - origin.size(), kHttpMaxPathLength);
    EXPECT_EQ(parts.path.size(), url.size() - origin.size());
    const std::string end = "&username=me&password=pw";
    ASSERT_GT(url.size(), end.size());
    EXPECT_EQ(end, url.substr(url.size() - end.size()));
    const size_t from = url.find("&description=") + 13;
    const std::string sent = url.substr(from, url.size() - end.size() - from);
    EXPECT_GT(sent.size(), 800u);
    EXPECT_EQ(0u, sent.size() % 3);  // whole escapes only
    EXPECT_EQ(0u, EncodeQueryValue(description).find(sent));

    // Other fields too long to send even without a description: nothing to send.
    e.company = std::string(1100, 'c');
    EXPECT_EQ("", BuildSubmissionUrl(service, e, "me", "pw"));
    EXPECT_FALSE(PostEntry(e, SubmissionTarget{service, "me", "pw"}));
}

TEST(SubmissionUrl, ChangedEntriesAreNotMarked) {
    LocalProgramDatabase db;
    db.SetReadOnly(false);
    ASSERT_TRUE(db.AddOrReplace(Entry("A", "a.exe", "one")));
    ASSERT_TRUE(db.AddOrReplace(Entry("B", "b.exe", "two")));
    std::vector<PostedEntry> posted = {{0, Entry("A", "a.exe", "one")},
                                       {1, Entry("B", "b.exe", "older text")},
                                       {7, Entry("C", "c.exe", "gone")}};
    EXPECT_EQ(1u, MarkSubmitted(db, posted));
    std::vector<ProgramEntry> entries = db.Entries();
    EXPECT_TRUE(entries[0].submitted);
    EXPECT_FALSE(entries[1].submitted);
}

TEST_F(SubmissionTest, AcceptedEntriesAreMarkedAndSaved) {
    Add(Entry("Alpha", "alpha.exe", "Edits text & numbers = 100% #1 + more"));
    Add(Entry("Beta", "beta.exe", "already sent", true));
    Add(Entry("Gamma", "gamma.exe", "caf\xE9 tool"));
    PublisherProcess publisher;
    ASSERT_TRUE(publisher.Running());
    settings::kServiceUrl.Write(settings, publisher.Base());

    SubmissionService service(host, database, settings);
    EXPECT_EQ(1u, Run(service));
    EXPECT_EQ((std::vector<bool>{true, true, true}), Flags());
    EXPECT_EQ((std::vector<std::string>{kPostingUpdatesText, kUpdatesPostedText}), host.log);
    EXPECT_EQ(1, host.saves);
    EXPECT_EQ(
        (std::vector<std::string>{
            "POST /Runlatch/rlatprov1.aspx?name=Alpha&url=http://www.Alpha.example/&rating=4"
            "&filename=alpha.exe&description=Edits%20text%20%26%20numbers%20%3D%20100%25%20%231"
            "%20%2B%20more&username=user&password=qmpw",
            "POST /Runlatch/rlatprov1.aspx?name=Gamma&url=http://www.Gamma.example/&rating=4"
            "&filename=gamma.exe&description=caf%E9%20tool&username=user&password=qmpw"}),
        publisher.Requests());

    // Nothing left to send: the run reports failure and posts nothing.
    host.log.clear();
    EXPECT_EQ(0u, Run(service));
    EXPECT_EQ((std::vector<std::string>{kPostingUpdatesText, kUpdatesFailedText}), host.log);
    EXPECT_EQ(2u, publisher.Requests().size());
    EXPECT_EQ(1, host.saves);
}

TEST(SubmissionStatus, OnlyTheStatusLineCountsAsAcceptance) {
    ProgramEntry entry;
    entry.fileName = "a.exe";
    LoopbackServer refusing(LoopbackServer::Mode::Reply,
                            "HTTP/1.1 500 Refused\r\nX-Echo: 200 OK\r\nContent-Length: 6\r\n\r\n200 OK");
    ASSERT_TRUE(refusing.Started());
    EXPECT_FALSE(PostEntry(entry, SubmissionTarget{refusing.Url("/submit"), "u", "p"}));
    LoopbackServer accepting(LoopbackServer::Mode::Reply, "HTTP/1.1 200 OK\r\n\r\n");
    ASSERT_TRUE(accepting.Started());
    EXPECT_TRUE(PostEntry(entry, SubmissionTarget{accepting.Url("/submit"), "u", "p"}));
}

TEST_F(SubmissionTest, RefusedEntriesStayUnsubmitted) {
    Add(Entry("Alpha", "alpha.exe", "x"));
    settings::kUserEmail.Write(settings, "someone@example.com");
    PublisherProcess publisher("--submit-status 500");
    ASSERT_TRUE(publisher.Running());
    settings::kServiceUrl.Write(settings, publisher.Base());

    SubmissionService service(host, database, settings);
    EXPECT_EQ(0u, Run(service));
    EXPECT_EQ((std::vector<bool>{false}), Flags());
    EXPECT_EQ(kUpdatesFailedText, host.log.back());
    EXPECT_EQ(0, host.saves);
    ASSERT_EQ(1u, publisher.Requests().size());
    EXPECT_NE(std::string::npos, publisher.Requests()[0].find("&username=someone@example.com&"));

    // A stopped service refuses the same way.
    publisher.Stop();
    EXPECT_EQ(0u, Run(service));
    EXPECT_EQ((std::vector<bool>{false}), Flags());
}

TEST_F(SubmissionTest, AcceptanceSurvivesARunStartedBeforeItsMessage) {
    Add(Entry("Alpha", "alpha.exe", "x"));
    PublisherProcess accepting;
    ASSERT_TRUE(accepting.Running());
    settings::kServiceUrl.Write(settings, accepting.Base());
    SubmissionService service(host, database, settings);
    WPARAM first = 0, second = 0;
    ASSERT_TRUE(service.StartSubmission());
    ASSERT_TRUE(host.sink.Take(WM_SUBMISSION_DONE, first));

    // A second run starts (and is refused by the service) before the first
    // run's message is handled: the first acceptance still counts.
    PublisherProcess refusing("--submit-status 500");
    ASSERT_TRUE(refusing.Running());
    settings::kServiceUrl.Write(settings, refusing.Base());
    ASSERT_TRUE(service.StartSubmission());
    ASSERT_TRUE(host.sink.Take(WM_SUBMISSION_DONE, second));
    EXPECT_EQ(1u, first);
    EXPECT_EQ(0u, second);
    service.OnSubmissionDone(first != 0);
    service.OnSubmissionDone(second != 0);
    EXPECT_EQ((std::vector<bool>{true}), Flags());
    EXPECT_EQ(1, host.saves);
    EXPECT_EQ((std::vector<std::string>{kUpdatesPostedText, kUpdatesFailedText}), host.log);

    // The other way round: the refused run's message is handled after the
    // accepted run ended, and the flag it carries is saved there.
    Add(Entry("Beta", "beta.exe", "y"));
    ASSERT_TRUE(service.StartSubmission());
    ASSERT_TRUE(host.sink.Take(WM_SUBMISSION_DONE, first));
    settings::kServiceUrl.Write(settings, accepting.Base());
    ASSERT_TRUE(service.StartSubmission());
    ASSERT_TRUE(host.sink.Take(WM_SUBMISSION_DONE, second));
    EXPECT_EQ(0u, first);
    EXPECT_EQ(1u, second);
    service.OnSubmissionDone(first != 0);
    EXPECT_EQ((std::vector<bool>{true, true}), Flags());
    EXPECT_EQ(2, host.saves);
    service.OnSubmissionDone(second != 0);

    // A run told to stop sends nothing more.
    UniqueHandle stop(::CreateEventA(nullptr, TRUE, TRUE, nullptr));
    EXPECT_TRUE(SubmitEntries({Entry("Beta", "beta.exe", "y")},
                              CurrentSubmissionTarget(settings), HttpClient(), stop.get())
                    .empty());
    EXPECT_EQ(2u, refusing.Requests().size());
}

TEST_F(SubmissionTest, SwitchedOffOrReadOnlySendsNothing) {
    Add(Entry("Alpha", "alpha.exe", "x"));
    SubmissionService service(host, database, settings);
    settings::kSubmitModifications.Write(settings, 0);
    EXPECT_FALSE(service.SubmitAfterDescribe());
    EXPECT_TRUE(host.log.empty());
    EXPECT_FALSE(service.Worker().IsRunning());

    database.SetReadOnly(true);
    EXPECT_FALSE(service.StartSubmission());
    EXPECT_FALSE(host.sink.Pending(WM_SUBMISSION_DONE));
}

TEST_F(SubmissionTest, NoRunStartsWhenExitingOrForAnHttpsAddress) {
    Add(Entry("Alpha", "alpha.exe", "x"));
    PublisherProcess publisher;
    ASSERT_TRUE(publisher.Running());
    settings::kServiceUrl.Write(settings, publisher.Base());
    SubmissionService service(host, database, settings);

    // Exit was chosen while the describe dialog was open.
    host.exiting = true;
    EXPECT_FALSE(service.SubmitAfterDescribe());
    EXPECT_FALSE(service.StartSubmission());
    EXPECT_FALSE(service.Worker().IsRunning());
    EXPECT_TRUE(host.log.empty());

    // The client cannot post to an https address: the user is told, where
    // every run used to fail without a word.
    host.exiting = false;
    settings::kServiceUrl.Write(settings, "https://127.0.0.1:" + std::to_string(publisher.Port()));
    EXPECT_FALSE(service.SubmitAfterDescribe());
    EXPECT_FALSE(service.Worker().IsRunning());
    ASSERT_EQ(1u, host.status.size());
    EXPECT_NE(std::string::npos, host.status[0].find("https://127.0.0.1:")) << host.status[0];
    EXPECT_EQ(host.status, host.log);  // and logged, without the posting line
    EXPECT_FALSE(host.sink.Pending(WM_SUBMISSION_DONE));
    EXPECT_TRUE(publisher.Requests().empty());
    EXPECT_EQ((std::vector<bool>{false}), Flags());
}
