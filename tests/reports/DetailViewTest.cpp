// The detail view built from live records: a test child on Tasks, a window of
// this program on Applications, the test service on Services, a driver record
// on Drivers, and the tabs without a page. The page is checked through
// "output.htm" and the calls the view makes on its hooks.
#include "reports/DetailView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ProcessUtil.h"
#include "TestServices.h"
#include "TestUtil.h"
#include "core/Text.h"
#include "base/Handles.h"
#include "reports/HtmlSupportFiles.h"
#include "reports/HtmlWriter.h"
#include "resource.h"
#include "sysinfo/FileVersion.h"
#include "sysinfo/ProcessHelpers.h"

namespace {

using testutil::WaitUntil;

const char kTestService[] = "QmDetailTestSvc";
const char kTestDriver[] = "QmDetailTestDrv";

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string TestChildExe() {
    return testutil::HostPath(QM_TESTCHILD_EXE);
}

// A view writing into a scratch folder, with every hook call recorded in
// order as "log: ...", "status: ...", "reset" and "navigate: ...".
class DetailViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        DetailViewHooks hooks;
        hooks.log = [this](const std::string& s) { calls.push_back("log: " + s); };
        hooks.status = [this](const std::string& s) { calls.push_back("status: " + s); };
        hooks.navigate = [this](const std::string& url) {
            calls.push_back("navigate: " + url);
            return true;
        };
        hooks.resetDocument = [this] { calls.push_back("reset"); };
        view.reset(new DetailView(hooks, dir.Path()));
        local.SetReadOnly(false);
    }

    UINT Build(DetailRequest request) {
        calls.clear();
        request.publisher = &publisher;
        request.local = &local;
        return view->Build(request);
    }
    std::string Page() const { return testutil::ReadFileBytes(dir.File(kOutputPageFile)); }
    bool Called(const std::string& call) const {
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }
    size_t IndexOf(const std::string& call) const {
        return std::find(calls.begin(), calls.end(), call) - calls.begin();
    }
    // The page was written, reset, navigated to, and the build ended.
    void ExpectShown() {
        const std::string file = dir.File(kOutputPageFile);
        EXPECT_EQ(view->LastPage(), Page());
        EXPECT_EQ("log: Building HTML view data.", calls.front());
        EXPECT_LT(IndexOf("log: Opening file in HTML view: " + file), IndexOf("reset"));
        EXPECT_LT(IndexOf("reset"), IndexOf("log: Navigating browser to HTML."));
        EXPECT_LT(IndexOf("log: Navigating browser to HTML."), IndexOf("navigate: file://" + file));
        EXPECT_EQ("log: HTML page loaded.", calls.back());
        EXPECT_EQ("file://" + file, view->PageUrl());
        // A loading text in the status bar goes once the page's data are read.
        const auto loading = std::find_if(calls.begin(), calls.end(),
                                          [](const std::string& c) { return c.rfind("status: Loading", 0) == 0; });
        if (loading != calls.end()) {
            EXPECT_NE(calls.end(), std::find(loading, calls.end(), "status: "));
        }
    }
    void ExpectBlank() {
        EXPECT_EQ(LoadHtmlResource(IDR_HTML_DETAIL_BLANK), Page());
        EXPECT_TRUE(Called("log: No list item is selected - blank HTML page loaded."));
        ExpectShown();
    }

    testutil::ScratchDir dir;
    ProgramDatabase publisher;
    LocalProgramDatabase local;
    std::unique_ptr<DetailView> view;
    std::vector<std::string> calls;
};

TEST_F(DetailViewTest, TaskPageOfATestChild) {
    ProgramEntry entry;
    entry.fileName = "qm_testchild.exe";
    entry.company = "Sleepers & Co";
    entry.description = "Sleeps <deeply> & \"well\"";
    entry.url = "javascript:alert(1)";  // the merge makes "http://javascript:alert(1)" of it
    entry.rating = "2";
    ASSERT_TRUE(local.AddOrReplace(entry));

    testutil::ChildProcess child;
    ASSERT_TRUE(child.Start(TestChildExe(), "mark=<x>&\"y\""));
    ProcessImageList processes;
    std::vector<std::string> modules;
    ASSERT_TRUE(WaitUntil([&] {
        processes.Clear();
        LoadProcessImageList(processes);
        const ProcessImageInfo* p = FindProcessImage(&processes, child.Pid());
        modules.clear();
        return p && Has(p->commandLine, "mark=") && ListModules(child.Pid(), modules) &&
               std::any_of(modules.begin(), modules.end(), [](const std::string& m) { return Has(m, "kernel32"); });
    }));
    const ProcessImageInfo* process = FindProcessImage(&processes, child.Pid());

    DetailRequest request;
    request.subject = DetailSubject::Task;
    request.pid = child.Pid();
    request.processes = &processes;
    ASSERT_EQ(static_cast<UINT>(IDR_HTML_DETAIL_TASKS), Build(request));
    ExpectShown();
    EXPECT_TRUE(Called("status: Loading task data..."));
    EXPECT_TRUE(Called("log: Building task data HTML..."));
    EXPECT_TRUE(Called("log: Building the module table for process ID: " + std::to_string(child.Pid())));
    EXPECT_TRUE(Called("log: Module table complete."));

    const std::string page = Page();
    EXPECT_TRUE(Has(page, ">Sleeping test child by Sleepers &amp; Co<"));
    EXPECT_TRUE(Has(page, ">3.14 beta</td>"));
    EXPECT_TRUE(Has(page, ">" + HtmlWriter::EscapeText(RatingText(kRatingNormal)) + "</td>"));
    EXPECT_TRUE(Has(page, ">Sleeps &lt;deeply&gt; &amp; &quot;well&quot;</td>"));
    EXPECT_TRUE(Has(page, ">" + process->imagePath + "</td>"));
    EXPECT_TRUE(Has(page, ">" + HtmlWriter::EscapeText(process->commandLine) + "</td>"));
    EXPECT_TRUE(Has(page, "mark=&lt;x&gt;&amp;&quot;y&quot;"));
    EXPECT_FALSE(Has(page, "<x>"));
    EXPECT_TRUE(Has(page, "<td align=left class=stats>http://javascript:alert(1)</td>"));
    EXPECT_FALSE(Has(page, "href=\"http://javascript"));
    EXPECT_TRUE(Has(page, "search?q=qm_testchild.exe\""));
    // The module table: the child itself first, then the system's libraries.
    EXPECT_TRUE(Has(page, "<tr class=moduleentry><td>qm_testchild.exe</td><td>3.14 beta</td>"));
    EXPECT_TRUE(Has(page, "<td>kernel32.dll</td>"));
    EXPECT_FALSE(Has(page, "%MODULE_TABLE%"));
    // The program's icon is written beside the page.
    EXPECT_TRUE(testutil::FileExists(dir.File(kFileIconBitmapFile)));
    EXPECT_EQ(process->imagePath, view->LastPath());
}

TEST_F(DetailViewTest, ProcessThatHasEndedShowsUnknownValues) {
    testutil::ChildProcess child;
    ASSERT_TRUE(child.Start(TestChildExe()));
    const DWORD pid = child.Pid();
    DetailRequest request;
    request.subject = DetailSubject::Task;
    request.pid = pid;
    ASSERT_TRUE(WaitUntil([&] {
        std::string path;
        return GetProcessImagePath(pid, path);
    }));
    EXPECT_EQ(static_cast<UINT>(IDR_HTML_DETAIL_TASKS), Build(request));
    const std::string runningIcon = testutil::ReadFileBytes(dir.File(kFileIconBitmapFile));
    ASSERT_FALSE(runningIcon.empty());
    child.Kill();
    ASSERT_TRUE(child.WaitExit(10000));

    EXPECT_EQ(static_cast<UINT>(IDR_HTML_DETAIL_TASKS), Build(request));
    ExpectShown();
    const std::string page = Page();
    EXPECT_TRUE(Has(page, ">unknown by unknown<"));
    EXPECT_TRUE(Has(page, ">" + HtmlWriter::EscapeText(RatingText(kRatingUnknown)) + "</td>"));
    EXPECT_TRUE(Has(page, "<td align=left class=stats>None Specified</td>"));
    EXPECT_FALSE(Has(page, "moduleentry>"));
    EXPECT_EQ("", view->LastPath());
    // The page shows the default picture, not the icon of the page before.
    const std::string icon = testutil::ReadFileBytes(dir.File(kFileIconBitmapFile));
    EXPECT_EQ(54u + 96u * 32u, icon.size());
    EXPECT_NE(runningIcon, icon);
}

TEST_F(DetailViewTest, SystemProcessesGetTheSystemPage) {
    for (DWORD pid : {4u, 0u}) {
        DetailRequest request;
        request.subject = DetailSubject::Task;
        request.pid = pid;
        EXPECT_EQ(static_cast<UINT>(IDR_HTML_DETAIL_SYSTEM), Build(request)) << pid;
        EXPECT_EQ(LoadHtmlResource(IDR_HTML_DETAIL_SYSTEM), Page());
        EXPECT_FALSE(Has(Page(), "moduleentry"));
        EXPECT_FALSE(Called("log: Module table complete."));
        ExpectShown();
    }
}

TEST_F(DetailViewTest, ApplicationPageOfAWindowUntilItCloses) {
    HWND window = ::CreateWindowExA(0, "STATIC", "Quillmark <detail> & \"test\" window", WS_OVERLAPPED | WS_VISIBLE,
                                    10, 10, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    DetailRequest request;
    request.subject = DetailSubject::Application;
    request.window = window;
    EXPECT_EQ(static_cast<UINT>(IDR_HTML_DETAIL_APPLICATIONS), Build(request));
    ExpectShown();
    EXPECT_TRUE(Called("status: Loading application data..."));
    EXPECT_TRUE(Called("log: Building application data HTML..."));
    char exe[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    const std::string exeName = FileNameOf(exe);
    const std::string page = Page();
    EXPECT_TRUE(Has(page, "class=section>Application Information<"));
    EXPECT_TRUE(Has(page, "<tr class=moduleentry><td>" + exeName + "</td>"));
    // No command line in the snapshot: the image path stands in.
    EXPECT_TRUE(Has(page, "Command Line:</td>"));
    EXPECT_TRUE(Has(page, "class=statsblue>" + view->LastPath() + "</td>"));
    EXPECT_EQ(0, _stricmp(exeName.c_str(), FileNameOf(view->LastPath()).c_str()));
    EXPECT_TRUE(Has(page, "<td align=left class=stats>None Specified</td>"));

    ::DestroyWindow(window);
    EXPECT_EQ(static_cast<UINT>(IDR_HTML_DETAIL_BLANK), Build(request));
    ExpectBlank();
}

// Installs the test service (with a description of its own) and a driver
// record; removes both at the end.
class DetailServicesTest : public DetailViewTest {
protected:
    void SetUp() override {
        DetailViewTest::SetUp();
        const std::string binary = "\"" + testutil::HostPath(QM_TESTSERVICE_EXE) + "\" run&log=<x>";
        ASSERT_TRUE(testutil::InstallService(kTestService, binary, SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                             "Quillmark detail test service", "Serves <detail> tests & \"more\""));
        ASSERT_TRUE(testutil::InstallService(kTestDriver, "\\SystemRoot\\system32\\drivers\\mountmgr.sys",
                                             SERVICE_KERNEL_DRIVER, SERVICE_DISABLED, "Quillmark detail test driver"));
    }
    void TearDown() override {
        testutil::RemoveService(kTestService);
        testutil::RemoveService(kTestDriver);
    }
    static const ServiceInfo* Named(const ServiceList& list, const char* name) {
        for (const ServiceInfo& s : list.Records())
            if (s.serviceName == name) return &s;
        return nullptr;
    }
};

TEST_F(DetailServicesTest, ServicePageTakesTheServiceDescription) {
    ProgramEntry entry;
    entry.fileName = "qm_testservice.exe";
    entry.company = "Service Makers";
    entry.description = "Database words";
    entry.url = "www.example.com/service";
    ASSERT_TRUE(local.AddOrReplace(entry));

    ServiceList services(0);
    ASSERT_TRUE(services.Load(0));
    const ServiceInfo* service = Named(services, kTestService);
    ASSERT_NE(nullptr, service);

    DetailRequest request;
    request.subject = DetailSubject::Service;
    request.service = service;
    EXPECT_EQ(static_cast<UINT>(IDR_HTML_DETAIL_SERVICES), Build(request));
    ExpectShown();
    EXPECT_TRUE(Called("status: Loading service data..."));
    EXPECT_TRUE(Called("log: Building service data HTML..."));
    const std::string page = Page();
    EXPECT_TRUE(Has(page, "class=section>Service Information<"));
    EXPECT_TRUE(Has(page, " by Service Makers<"));
    EXPECT_TRUE(Has(page, ">Serves &lt;detail&gt; tests &amp; &quot;more&quot;</td>"));
    EXPECT_FALSE(Has(page, "Database words"));
    EXPECT_TRUE(Has(page, ">" + HtmlWriter::EscapeText(service->binaryPath) + "</td>"));
    EXPECT_TRUE(Has(page, "&quot; run&amp;log=&lt;x&gt;</td>"));
    EXPECT_TRUE(Has(page, ">" + service->IconPath() + "</td>"));
    EXPECT_TRUE(Has(page, "<a target=\"_blank\" href=\"http://www.example.com/service\">"
                          "http://www.example.com/service</a>"));
    EXPECT_TRUE(Has(page, "search?q=qm_testservice.exe\""));
    EXPECT_FALSE(Has(page, "moduleentry"));
    EXPECT_EQ(service->IconPath(), view->LastPath());

    // The record is gone from the snapshot: the blank page.
    request.service = nullptr;
    EXPECT_EQ(static_cast<UINT>(IDR_HTML_DETAIL_BLANK), Build(request));
    ExpectBlank();
}

TEST_F(DetailServicesTest, DriverPage) {
    ServiceList drivers(1);
    ASSERT_TRUE(drivers.Load(1));
    const ServiceInfo* driver = Named(drivers, kTestDriver);
    ASSERT_NE(nullptr, driver);

    DetailRequest request;
    request.subject = DetailSubject::Driver;
    request.service = driver;
    EXPECT_EQ(static_cast<UINT>(IDR_HTML_DETAIL_DRIVERS), Build(request));
    ExpectShown();
    EXPECT_TRUE(Called("status: Loading driver data..."));
    EXPECT_TRUE(Called("log: Building driver data HTML..."));
    const std::string page = Page();
    EXPECT_TRUE(Has(page, "class=section>Driver Information<"));
    EXPECT_TRUE(Has(page, ">\\SystemRoot\\system32\\drivers\\mountmgr.sys</td>"));
    EXPECT_TRUE(Has(page, ">" + driver->imagePath + "</td>"));
    EXPECT_TRUE(Has(page, "search?q=mountmgr.sys\""));
}

TEST_F(DetailViewTest, TabsWithoutDetailsAndNoSelectionGiveTheBlankPage) {
    // A tab without a list, or a list without a selected row, asks for no
    // subject; a gone service record gives no page either.
    DetailRequest none;
    EXPECT_EQ(static_cast<UINT>(IDR_HTML_DETAIL_BLANK), Build(none));
    ExpectBlank();
    EXPECT_EQ(std::string(), view->LastPath());
    DetailRequest gone;
    gone.subject = DetailSubject::Service;
    EXPECT_EQ(static_cast<UINT>(IDR_HTML_DETAIL_BLANK), Build(gone));
    ExpectBlank();
    EXPECT_EQ(static_cast<UINT>(IDR_HTML_DETAIL_BLANK), Build(none));
    ExpectBlank();
    EXPECT_FALSE(Called("status: Loading task data..."));
}

// A pane that shows pages natively gets, with the page file, the model the
// page was filled from and the program's icon; the page on disk is marked
// for the Internet zone.
TEST(DetailViewPane, ShowHookGetsThePagesModelAndIcon) {
    testutil::ScratchDir dir;
    std::vector<std::pair<std::string, DetailModel>> shown;
    std::vector<bool> icons;
    DetailViewHooks hooks;
    hooks.show = [&](const std::string& url, const DetailModel& model, HICON icon) {
        shown.emplace_back(url, model);
        icons.push_back(icon != nullptr);
        return true;
    };
    DetailView view(hooks, dir.Path());
    DetailRequest request;
    request.subject = DetailSubject::Task;
    request.pid = ::GetCurrentProcessId();
    ASSERT_EQ(static_cast<UINT>(IDR_HTML_DETAIL_TASKS), view.Build(request));
    ASSERT_EQ(1u, shown.size());
    const std::string file = dir.File(kOutputPageFile);
    EXPECT_EQ("file://" + file, shown[0].first);
    EXPECT_TRUE(icons[0]);
    const DetailModel& model = shown[0].second;
    EXPECT_EQ(view.LastPath(), model.rows[3].value);
    ASSERT_FALSE(model.modules.empty());
    const std::string page = testutil::ReadFileBytes(file);
    EXPECT_EQ(0u, page.find(std::string(kInternetZoneMark) + "\r\n<html>"));
    EXPECT_TRUE(Has(page, "<tr class=moduleentry><td>" + model.modules[0].name + "</td>"));

    request.pid = 4;
    view.Build(request);
    EXPECT_EQ(std::string(kSystemPageSentence), shown.back().second.sentence);
    EXPECT_FALSE(icons.back());
    // The page cannot be written: the pane still gets it, without an address.
    DetailView missing(hooks, dir.File("no-such-folder"));
    missing.Build(DetailRequest());
    EXPECT_EQ("", shown.back().first);
    EXPECT_EQ(std::string(kBlankPageSentence), shown.back().second.sentence);
}

TEST(DetailViewPane, NoPaneWritesNothingAndAFolderThatCannotBeWrittenKeepsThePage) {
    testutil::ScratchDir dir;
    std::vector<std::string> calls;
    DetailViewHooks hooks;
    hooks.log = [&](const std::string& s) { calls.push_back(s); };
    DetailRequest request;
    request.subject = DetailSubject::Task;
    request.pid = 4;

    // Without a browser there is no pane: the page is built but not written.
    DetailView noPane(hooks, dir.Path());
    EXPECT_EQ(static_cast<UINT>(IDR_HTML_DETAIL_SYSTEM), noPane.Build(request));
    EXPECT_FALSE(testutil::FileExists(dir.File(kOutputPageFile)));
    EXPECT_FALSE(noPane.LastPage().empty());

    // A hidden pane: the same.
    int navigations = 0;
    hooks.navigate = [&](const std::string&) { return ++navigations > 0; };
    hooks.paneShown = [] { return false; };
    DetailView hidden(hooks, dir.Path());
    hidden.Build(request);
    EXPECT_FALSE(testutil::FileExists(dir.File(kOutputPageFile)));
    EXPECT_EQ(0, navigations);

    // The page file cannot be written: no navigation, the build still ends.
    hooks.paneShown = nullptr;
    DetailView missing(hooks, dir.File("no-such-folder"));
    calls.clear();
    missing.Build(request);
    EXPECT_EQ(0, navigations);
    EXPECT_EQ("Opening file in HTML view: " + dir.File("no-such-folder\\output.htm"), calls[calls.size() - 2]);
    EXPECT_EQ("HTML page loaded.", calls.back());
}

}  // namespace
