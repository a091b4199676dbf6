// The describe dialog and the step after it (the local entry, its file and
// its submission to the publisher service on loopback), and the about box.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "DialogDriver.h"
#include "OnlineTestUtil.h"
#include "ProcessUtil.h"
#include "PublisherProcess.h"
#include "TestUtil.h"
#include "core/Text.h"
#include "core/SettingsKeys.h"
#include "dialogs/AboutDlg.h"
#include "dialogs/DescribeAppDlg.h"
#include "dialogs/DescribedProgram.h"
#include "resource.h"

using namespace drive;

namespace {

// The visible dialog with this caption in this process, or null after the bound.
HWND WaitForDialog(const char* caption, DWORD boundMs = 15000) {
    HWND found = nullptr;
    testutil::WaitUntil(
        [&] {
            for (HWND h : testutil::FindTopWindows(::GetCurrentProcessId(), "#32770", caption))
                if (::IsWindowVisible(h)) found = h;
            return found != nullptr;
        },
        boundMs);
    return found;
}

// Runs a modal dialog on this thread while driver acts on it from another.
INT_PTR RunModal(const char* caption, const std::function<INT_PTR()>& show,
                 const std::function<void(HWND)>& driver) {
    std::thread t([&] {
        HWND dialog = WaitForDialog(caption);
        if (dialog) driver(dialog);
    });
    INT_PTR result = show();
    t.join();
    return result;
}

std::string OwnPath() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}


class FakeHost : public SubmissionHost {
public:
    HWND NotifyWindow() override { return sink.Window(); }
    void Log(const std::string& text) override { log.push_back(text); }
    bool SaveLocalDatabase() override { return saveTo && saveTo(); }
    void ShowStatus(const std::string& text) override { log.push_back(text); }
    bool IsExiting() const override { return false; }
    MessageSink sink;
    std::vector<std::string> log;
    std::function<bool()> saveTo;
};

class DescribeTest : public ::testing::Test {
protected:
    void SetUp() override {
        testutil::ResetQuillmarkSettings();
        local.SetReadOnly(false);
        localPath = scratch.File("local-db.xml");
        host.saveTo = [this] { return local.Save(localPath); };
    }
    void TearDown() override { testutil::ResetQuillmarkSettings(); }

    ProgramDetails DetailsOf(const std::string& path) {
        ProgramDetails details;
        GetProgramDetails(path, details, publisherDb, local);
        return details;
    }
    ProgramEntry OnlyEntry() {
        std::vector<ProgramEntry> entries = local.Entries();
        EXPECT_EQ(1u, entries.size());
        return entries.empty() ? ProgramEntry() : entries[0];
    }
    // What the saved file holds, read back as the program reads it at start.
    std::vector<ProgramEntry> Reloaded() {
        LocalProgramDatabase again;
        again.Load(localPath);
        return again.Entries();
    }

    testutil::ScratchDir scratch;
    std::string localPath;
    AppSettings settings;
    ProgramDatabase publisherDb;
    LocalProgramDatabase local;
    FakeHost host;
    const std::string program = OwnPath();
};

}  // namespace

TEST(DescribeText, RatingNames) {
    EXPECT_EQ("Major vendor", RatingNameOf("  Major vendor . The company is well known."));
    EXPECT_EQ("Odd", RatingNameOf("Odd"));  // keeps its place in the list
    EXPECT_EQ("", RatingNameOf(". starts with a stop"));
    EXPECT_EQ((std::vector<std::string>{"System", "Background", "Normal", "Major vendor", "Small vendor",
                                        "Unverified", "Unknown", "Suspect", "Spyware", "Malicious"}),
              RatingNames());
}

TEST_F(DescribeTest, NewProgramShowsItsVersionDataAndOkPostsIt) {
    PublisherProcess publisher;
    ASSERT_TRUE(publisher.Running());
    settings::kServiceUrl.Write(settings, publisher.Base());
    SubmissionService service(host, local, settings);

    std::string fileLabel, company, description, webSite, rating;
    int selection = -2;
    bool goEnabled = true, hasIcon = false;
    // The whole command, as the main window runs it.
    INT_PTR result = RunModal(
        "Describe Application",
        [&] { return DescribeProgramWithDialog(nullptr, program, publisherDb, local, localPath, service) ? IDOK : 0; },
        [&](HWND d) {
            fileLabel = Text(d, IDC_DESC_FILENAME);
            company = Text(d, IDC_DESC_COMPANY);
            description = Text(d, IDC_DESC_DESCRIPTION);
            webSite = Text(d, IDC_DESC_WEBSITE);
            selection = Selection(d, IDC_DESC_RATING);
            rating = SelectedText(d, IDC_DESC_RATING);
            goEnabled = Enabled(d, IDC_DESC_GO);
            hasIcon = ::SendDlgItemMessageA(d, IDC_DESC_ICON, STM_GETICON, 0, 0) != 0;
            ::PostMessageA(::GetDlgItem(d, IDOK), BM_CLICK, 0, 0);
        });
    ASSERT_EQ(IDOK, result);
    EXPECT_EQ(FileNameOf(program), fileLabel);
    EXPECT_EQ("Ornava Utilities", company);
    EXPECT_EQ("Quillmark task manager", description);
    EXPECT_EQ("", webSite);
    EXPECT_EQ(kRatingUnknown, selection);
    EXPECT_EQ("Unknown", rating);
    EXPECT_FALSE(goEnabled);
    EXPECT_TRUE(hasIcon);

    // Unchanged, OK still makes the user's own entry, saves and posts it.
    const ProgramEntry entry = OnlyEntry();
    EXPECT_EQ("Ornava Utilities", entry.company);
    EXPECT_EQ("Quillmark task manager", entry.description);
    EXPECT_EQ("6", entry.rating);
    EXPECT_EQ(FileNameOf(program), entry.fileName);
    EXPECT_EQ("", entry.url);
    EXPECT_FALSE(entry.submitted);
    EXPECT_EQ(local.Entries(), Reloaded());
    EXPECT_EQ(std::vector<std::string>{kPostingUpdatesText}, host.log);

    WPARAM accepted = 0;
    ASSERT_TRUE(host.sink.Take(WM_SUBMISSION_DONE, accepted));
    EXPECT_EQ(1u, accepted);
    service.OnSubmissionDone(accepted != 0);
    EXPECT_TRUE(OnlyEntry().submitted);
    ASSERT_EQ(1u, publisher.Requests().size());
    const std::string request = publisher.Requests()[0];
    EXPECT_EQ(0u, request.find("POST /Runlatch/rlatprov1.aspx?name=Ornava%20Utilities&url=&rating=6&filename=" +
                               FileNameOf(program) + "&description=Quillmark%20task%20manager&"))
        << request;
}

TEST_F(DescribeTest, DescribingAgainReplacesTheEntryAndClearsItsSubmittedFlag) {
    ProgramEntry earlier;
    earlier.company = "Earlier Co";
    earlier.url = "http://earlier.example/";
    earlier.rating = "3";
    earlier.fileName = FileNameOf(program);
    // Same file, other case: still the same program.
    for (char& c : earlier.fileName) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    earlier.description = "old words";
    earlier.submitted = true;
    ASSERT_TRUE(local.AddOrReplace(earlier));
    settings::kSubmitModifications.Write(settings, 0);
    SubmissionService service(host, local, settings);

    ProgramDetails details = DetailsOf(program);
    CDescribeAppDlg dialog(details);
    HWND d = dialog.CreateModeless(nullptr);
    ASSERT_NE(nullptr, d);
    ::ShowWindow(d, SW_SHOW);
    EXPECT_EQ("Earlier Co", Text(d, IDC_DESC_COMPANY));
    EXPECT_EQ("Major vendor", SelectedText(d, IDC_DESC_RATING));
    EXPECT_EQ("old words", Text(d, IDC_DESC_DESCRIPTION));
    EXPECT_EQ("http://earlier.example/", Text(d, IDC_DESC_WEBSITE));
    EXPECT_TRUE(Enabled(d, IDC_DESC_GO));
    EXPECT_EQ("The company that makes the program", dialog.ToolTips().TextOf(IDC_DESC_COMPANY));

    Type(d, IDC_DESC_WEBSITE, "");
    EXPECT_FALSE(Enabled(d, IDC_DESC_GO));
    Type(d, IDC_DESC_WEBSITE, "www.example.org");
    EXPECT_TRUE(Enabled(d, IDC_DESC_GO));
    Type(d, IDC_DESC_COMPANY, "New Co");
    Type(d, IDC_DESC_DESCRIPTION, "Draws <charts> & \"graphs\"");
    Select(d, IDC_DESC_RATING, kRatingSuspect);
    Click(d, IDOK);
    EXPECT_FALSE(::IsWindow(d));

    const DescribeOutcome outcome = AddDescribedProgram(details, local, localPath, service);
    EXPECT_TRUE(outcome.saved);
    EXPECT_FALSE(outcome.submissionStarted);  // submissions are switched off
    EXPECT_TRUE(host.log.empty());
    const ProgramEntry entry = OnlyEntry();
    EXPECT_EQ("New Co", entry.company);
    EXPECT_EQ("7", entry.rating);
    EXPECT_EQ("Draws <charts> & \"graphs\"", entry.description);
    EXPECT_EQ("www.example.org", entry.url);  // stored as typed
    EXPECT_FALSE(entry.submitted);
    EXPECT_EQ(local.Entries(), Reloaded());
    EXPECT_EQ("http://www.example.org", DetailsOf(program).webSite);
}

TEST_F(DescribeTest, RatingOutsideTheScaleShowsNoSelectionAndComesBackUnknown) {
    ProgramEntry odd;
    odd.company = "Odd Co";
    odd.rating = "12";
    odd.fileName = FileNameOf(program);
    odd.description = "rated off the scale";
    ASSERT_TRUE(local.AddOrReplace(odd));
    settings::kSubmitModifications.Write(settings, 0);
    SubmissionService service(host, local, settings);

    ProgramDetails details = DetailsOf(program);
    CDescribeAppDlg dialog(details);
    HWND d = dialog.CreateModeless(nullptr);
    ASSERT_NE(nullptr, d);
    EXPECT_EQ(-1, Selection(d, IDC_DESC_RATING));
    Click(d, IDOK);
    EXPECT_EQ(-1, details.ratingValue);

    ASSERT_TRUE(AddDescribedProgram(details, local, localPath, service).saved);
    EXPECT_EQ("-1", OnlyEntry().rating);
    // Shown later as "Unknown", not as the most trusted rating 0.
    const ProgramDetails shown = DetailsOf(program);
    EXPECT_EQ(kRatingUnknown, shown.ratingValue);
    EXPECT_EQ(RatingText(kRatingUnknown), shown.ratingText);
}

TEST_F(DescribeTest, NothingIsAddedOrPostedWhenTheEntryCannotBeKept) {
    settings::kServiceUrl.Write(settings, "http://127.0.0.1:9");  // never reached
    SubmissionService service(host, local, settings);
    ProgramDetails details = DetailsOf(program);

    // A path without a folder gives no file name to key the entry on.
    ProgramDetails nameless = details;
    nameless.path = "nofolder.exe";
    EXPECT_FALSE(AddDescribedProgram(nameless, local, localPath, service).added);

    local.SetReadOnly(true);
    EXPECT_FALSE(AddDescribedProgram(details, local, localPath, service).added);
    EXPECT_EQ(0u, local.Count());
    EXPECT_FALSE(testutil::FileExists(localPath));

    // The file cannot be written: the entry is kept (and marked for the next
    // save), nothing is posted.
    local.SetReadOnly(false);
    local.SetModified(false);
    const DescribeOutcome outcome =
        AddDescribedProgram(details, local, scratch.File("missing\\folder\\local-db.xml"), service);
    EXPECT_TRUE(outcome.added);
    EXPECT_FALSE(outcome.saved);
    EXPECT_FALSE(outcome.submissionStarted);
    EXPECT_TRUE(local.IsModified());
    EXPECT_EQ(1u, local.Count());
    EXPECT_TRUE(host.log.empty());
    EXPECT_FALSE(host.sink.Pending(WM_SUBMISSION_DONE));
}

namespace {

// "Mmm dd yyyy" with the day padded by a space, as the compiler writes dates.
bool IsCompilerDate(const std::string& date) {
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (date.size() != 11 || date[3] != ' ' || date[6] != ' ') return false;
    bool month = false;
    for (const char* m : months) month = month || date.compare(0, 3, m) == 0;
    const bool day = (date[4] == ' ' || (date[4] >= '1' && date[4] <= '3')) && std::isdigit(date[5]);
    bool year = true;
    for (size_t i = 7; i < 11; ++i) year = year && std::isdigit(static_cast<unsigned char>(date[i]));
    return month && day && year;
}

}  // namespace

TEST(AboutDlg, ShowsNameVersionAndLinksAndClosesWithEscape) {
    CAboutDlg dialog;
    std::string caption, product, version, publisherTip, developerTip;
    RECT rect{}, work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    INT_PTR result = RunModal(
        "About Quillmark", [&] { return dialog.DoModal(nullptr); },
        [&](HWND d) {
            char text[128] = {};
            ::GetWindowTextA(d, text, sizeof text);
            caption = text;
            product = Text(d, IDC_ABOUT_PRODUCT);
            version = Text(d, IDC_ABOUT_VERSION);
            publisherTip = dialog.ToolTips().TextOf(IDC_ABOUT_PUBLISHER_LINK);
            developerTip = dialog.ToolTips().TextOf(IDC_ABOUT_DEVELOPER_LINK);
            ::GetWindowRect(d, &rect);
            HWND ok = ::GetDlgItem(d, IDOK);
            ::PostMessageA(ok, WM_KEYDOWN, VK_ESCAPE, 1);
            ::PostMessageA(ok, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ("About Quillmark", caption);
    EXPECT_EQ("Quillmark", product);
    ASSERT_EQ(0u, version.find("Version 2.09 / ")) << version;
    EXPECT_TRUE(IsCompilerDate(version.substr(15))) << version;

    for (const CHyperLink* link : {&dialog.PublisherLink(), &dialog.DeveloperLink()})
        EXPECT_EQ(0u, link->Address().find("http://")) << link->Address();
    EXPECT_NE(dialog.PublisherLink().Address(), dialog.DeveloperLink().Address());
    EXPECT_EQ("Visit the Ornava web site", publisherTip);
    EXPECT_NE(std::string::npos, developerTip.find("developer")) << developerTip;

    // Centred on the desktop (to a pixel of rounding).
    EXPECT_LE(std::abs((rect.left + rect.right) - (work.left + work.right)), 2);
    EXPECT_LE(std::abs((rect.top + rect.bottom) - (work.top + work.bottom)), 2);
}
