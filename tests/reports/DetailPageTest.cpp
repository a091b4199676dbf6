// The detail page's templates and their filling, from exact inputs.
#include "reports/DetailPage.h"

#include <gtest/gtest.h>

#include <string>

#include "TestUtil.h"
#include "reports/HtmlSupportFiles.h"
#include "resource.h"

namespace {

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

// The Website row's value cell, as it comes out.
std::string WebsiteCellOf(const std::string& page) {
    const size_t label = page.find("Website:</td>");
    if (label == std::string::npos) return std::string();
    const size_t cell = page.find("<td align=left class=stats>", label);
    const size_t end = page.find("</td>", cell);
    return page.substr(cell, end + 5 - cell);
}

DetailValues SampleValues() {
    DetailValues v;
    v.title = "Sample Tool";
    v.company = "Sample Makers";
    v.version = "1.0";
    v.rating = "Normal.";
    v.description = "Does samples.";
    v.path = "C:\\Tools\\sample.exe";
    v.fileName = "sample.exe";
    v.commandLine = "C:\\Tools\\sample.exe /quiet";
    v.webSite = "http://www.example.com/";
    return v;
}

std::string Tasks() {
    return LoadHtmlResource(IDR_HTML_DETAIL_TASKS);
}

TEST(DetailTemplates, EveryPageHasItsStructureAndTexts) {
    struct Page {
        UINT id;
        const char* progId;
        const char* section;
        bool modules;
    };
    const Page pages[] = {
        {IDR_HTML_DETAIL_TASKS, "Quillmark.Tasks.Document", "Task Information", true},
        {IDR_HTML_DETAIL_APPLICATIONS, "Quillmark.Applications.Document", "Application Information", true},
        {IDR_HTML_DETAIL_DRIVERS, "Quillmark.Drivers.Document", "Driver Information", false},
        {IDR_HTML_DETAIL_SERVICES, "Quillmark.Services.Document", "Service Information", false},
    };
    for (const Page& p : pages) {
        const std::string html = LoadHtmlResource(p.id);
        SCOPED_TRACE(p.section);
        ASSERT_FALSE(html.empty());
        EXPECT_TRUE(Has(html, std::string("content=\"") + p.progId + "\""));
        EXPECT_TRUE(Has(html, "text/html; charset=windows-1252"));
        EXPECT_TRUE(Has(html, "<meta name=\"GENERATOR\" content=\"Quillmark\">"));
        EXPECT_TRUE(Has(html, std::string("class=section>") + p.section + "<"));
        EXPECT_TRUE(Has(html, "src=\"title_bg.gif\" width=\"423\" height=\"77\""));
        EXPECT_TRUE(Has(html, "left: 33px; top: 19px"));
        EXPECT_TRUE(Has(html, "left: 73px; top: 34px"));
        EXPECT_TRUE(Has(html, "%APP_TITLE% by %COMPANY_NAME%"));
        EXPECT_TRUE(Has(html, "top: 77px") && Has(html, "height: 3px") && Has(html, "top: 83px"));
        EXPECT_TRUE(Has(html, "width=\"99%\" cellspacing=\"0\" cellpadding=\"3\" align=\"center\""));
        EXPECT_EQ(1u, Count(html, kWebsiteCell));
        EXPECT_TRUE(Has(html, "href=\"http://www.google.com/search?q=%APP_FILENAME%\">"
                              "Click here to search Google for more information.</a>"));
        for (const char* label : {"Version:", "Rating:", "Description:", "File Path:", "Command Line:", "Website:",
                                  "Search:"})
            EXPECT_TRUE(Has(html, std::string("class=statsheader>") + label + "</td>")) << label;
        for (const char* cls : {".header", ".section", ".statsheader", ".stats ", ".statsblue"})
            EXPECT_TRUE(Has(html, cls)) << cls;
        EXPECT_EQ(p.modules, Has(html, "%MODULE_TABLE%"));
        EXPECT_EQ(p.modules, Has(html, "class=section>Loaded Modules<"));
        EXPECT_EQ(p.modules, Has(html, "<td><b>Module Name</b></td>") && Has(html, "bgcolor=\"#FCFCDA\"") &&
                                 Has(html, "<td align=\"right\"><b>Size</b></td>"));
        EXPECT_EQ(!p.modules, Has(html, "src=\"file_icon.bmp\" width=\"32\" height=\"32\""));
    }
    EXPECT_TRUE(Has(LoadHtmlResource(IDR_HTML_DETAIL_SYSTEM), "The selected task refers to the system."));
    const std::string blank = LoadHtmlResource(IDR_HTML_DETAIL_BLANK);
    EXPECT_TRUE(Has(blank, "face=\"Verdana\" size=\"2\""));
    EXPECT_TRUE(Has(blank, "Select an item in the list above"));
}

TEST(DetailTemplates, TemplateFollowsTheSubjectAndSystemProcesses) {
    EXPECT_EQ(IDR_HTML_DETAIL_APPLICATIONS, DetailTemplateId(DetailSubject::Application, 1234));
    EXPECT_EQ(IDR_HTML_DETAIL_TASKS, DetailTemplateId(DetailSubject::Task, 8));
    EXPECT_EQ(IDR_HTML_DETAIL_SYSTEM, DetailTemplateId(DetailSubject::Task, 4));
    EXPECT_EQ(IDR_HTML_DETAIL_SYSTEM, DetailTemplateId(DetailSubject::Task, 0));
    EXPECT_EQ(IDR_HTML_DETAIL_SERVICES, DetailTemplateId(DetailSubject::Service, 0));
    EXPECT_EQ(IDR_HTML_DETAIL_DRIVERS, DetailTemplateId(DetailSubject::Driver, 0));
    EXPECT_EQ(IDR_HTML_DETAIL_BLANK, DetailTemplateId(DetailSubject::None, 8));
}

TEST(DetailFill, EveryPlaceholderIsReplacedAndValuesAreEscaped) {
    DetailValues v = SampleValues();
    v.title = "<script>alert(\"t\")</script>";
    v.company = "Smith & Sons";
    v.description = "Says \"hi\" & <b>bold</b>";
    v.commandLine = "\"C:\\a b\\x.exe\" <in >out & more";
    v.moduleRows = "<tr class=moduleentry><td>m.dll</td></tr>";
    const std::string page = FillDetailTemplate(Tasks(), v);

    EXPECT_FALSE(Has(page, "%APP_")) << page;
    EXPECT_FALSE(Has(page, "%COMPANY_NAME%"));
    EXPECT_FALSE(Has(page, "%WEBSITE%"));
    EXPECT_FALSE(Has(page, "%MODULE_TABLE%"));
    EXPECT_FALSE(Has(page, "<script>"));
    EXPECT_TRUE(Has(page, "&lt;script&gt;alert(&quot;t&quot;)&lt;/script&gt; by Smith &amp; Sons"));
    EXPECT_TRUE(Has(page, ">Says &quot;hi&quot; &amp; &lt;b&gt;bold&lt;/b&gt;</td>"));
    EXPECT_TRUE(Has(page, ">&quot;C:\\a b\\x.exe&quot; &lt;in &gt;out &amp; more</td>"));
    EXPECT_TRUE(Has(page, ">C:\\Tools\\sample.exe</td>"));
    EXPECT_TRUE(Has(page, ">Normal.</td>"));
    // The module rows are HTML already and go in as they are.
    EXPECT_TRUE(Has(page, "<tr class=moduleentry><td>m.dll</td></tr>"));
}

TEST(DetailFill, ValuesHoldingPlaceholderTextStayAsTyped) {
    DetailValues v = SampleValues();
    v.description = "Mentions %APP_FILEPATH% and %MODULE_TABLE% and %WEBSITE%";
    v.title = "%APP_DESC%";
    const std::string page = FillDetailTemplate(Tasks(), v);
    EXPECT_TRUE(Has(page, ">Mentions %APP_FILEPATH% and %MODULE_TABLE% and %WEBSITE%</td>"));
    EXPECT_TRUE(Has(page, ">%APP_DESC% by Sample Makers<"));
    EXPECT_EQ(1u, Count(page, "C:\\Tools\\sample.exe</td>"));
}

TEST(DetailFill, WebsiteRule) {
    DetailValues v = SampleValues();

    v.webSite = "";
    EXPECT_EQ("<td align=left class=stats>None Specified</td>", WebsiteCellOf(FillDetailTemplate(Tasks(), v)));

    v.webSite = "www.example.com";
    EXPECT_EQ("<td align=left class=stats><a target=\"_blank\" href=\"http://www.example.com\">"
              "http://www.example.com</a></td>",
              WebsiteCellOf(FillDetailTemplate(Tasks(), v)));

    v.webSite = "https://example.com/a?b=1&c=\"2\"";
    EXPECT_EQ("<td align=left class=stats><a target=\"_blank\" href=\"https://example.com/a?b=1&amp;c=&quot;2&quot;\">"
              "https://example.com/a?b=1&amp;c=&quot;2&quot;</a></td>",
              WebsiteCellOf(FillDetailTemplate(Tasks(), v)));

    // Not an http address: shown as text, never linked.
    v.webSite = "javascript:alert('x')";
    EXPECT_EQ("<td align=left class=stats>javascript:alert(&#39;x&#39;)</td>",
              WebsiteCellOf(FillDetailTemplate(Tasks(), v)));
    // What the database merge makes of it (a scheme put in front) is no host either.
    v.webSite = "http://javascript:alert(1)";
    EXPECT_EQ("<td align=left class=stats>http://javascript:alert(1)</td>",
              WebsiteCellOf(FillDetailTemplate(Tasks(), v)));
    v.webSite = "\"><script>x()</script>";
    const std::string page = FillDetailTemplate(Tasks(), v);
    EXPECT_FALSE(Has(page, "<script>"));
    EXPECT_FALSE(Has(WebsiteCellOf(page), "<a "));
}

TEST(DetailFill, WebSiteLinkAcceptsOnlyHttpAddressesOfAHost) {
    EXPECT_EQ("http://www.example.com", WebSiteLink("www.example.com"));
    EXPECT_EQ("http://example.com:8080/x", WebSiteLink("example.com:8080/x"));
    EXPECT_EQ("HTTPS://Example.com/", WebSiteLink("HTTPS://Example.com/"));
    EXPECT_EQ("http://a.example/path?q=1#top", WebSiteLink("  http://a.example/path?q=1#top "));
    EXPECT_EQ("", WebSiteLink(""));
    EXPECT_EQ("", WebSiteLink("   "));
    EXPECT_EQ("", WebSiteLink("javascript:alert(1)"));
    EXPECT_EQ("", WebSiteLink("JavaScript:alert(1)"));
    EXPECT_EQ("", WebSiteLink("vbscript:msgbox"));
    EXPECT_EQ("", WebSiteLink("file:///C:/windows/win.ini"));
    EXPECT_EQ("", WebSiteLink("mailto:someone@example.com"));
    EXPECT_EQ("", WebSiteLink("data:text/html,<b>x</b>"));
    EXPECT_EQ("", WebSiteLink("http://"));
    EXPECT_EQ("", WebSiteLink("http://user@evil.example/"));
    EXPECT_EQ("", WebSiteLink("http://exa mple.com/"));
    EXPECT_EQ("", WebSiteLink("http://example.com/a b"));
    EXPECT_EQ("", WebSiteLink("http://example.com:80x/"));
}

TEST(DetailFill, SearchQueryIsPercentEncoded) {
    DetailValues v = SampleValues();
    v.fileName = "a&b #c\"<x>.exe";
    const std::string page = FillDetailTemplate(Tasks(), v);
    EXPECT_TRUE(Has(page, "href=\"http://www.google.com/search?q=a%26b%20%23c%22%3Cx%3E.exe\">Click here"));
}

TEST(DetailValuesTest, CommandLineDescriptionAndPath) {
    ProgramDetails d;
    d.title = "T";
    d.description = "From the database";
    d.path = "C:\\x\\svc.exe";
    d.fileName = "svc.exe";

    DetailValues p = ProcessDetailValues(d, "", "C:\\x\\svc.exe", "rows");
    EXPECT_EQ("C:\\x\\svc.exe", p.commandLine);  // empty command line: the image path
    EXPECT_EQ("rows", p.moduleRows);
    EXPECT_EQ("svc.exe -k x", ProcessDetailValues(d, "svc.exe -k x", "C:\\x\\svc.exe", "").commandLine);

    ServiceInfo s;
    s.kind = 0;
    s.binaryPath = "\"C:\\x\\svc.exe\" -run";
    s.description = "The service's own words";
    DetailValues sv = ServiceDetailValues(d, s);
    EXPECT_EQ("The service's own words", sv.description);
    EXPECT_EQ("\"C:\\x\\svc.exe\" -run", sv.commandLine);
    EXPECT_EQ("", sv.moduleRows);
    s.description.clear();
    EXPECT_EQ("From the database", ServiceDetailValues(d, s).description);
    s.kind = 1;  // a driver keeps the database's description
    s.description = "Driver words";
    EXPECT_EQ("From the database", ServiceDetailValues(d, s).description);
}

TEST(ModuleTable, SizesDatesAndEscaping) {
    testutil::ScratchDir dir;
    ASSERT_TRUE(testutil::WriteFileBytes(dir.File("two.dll"), std::string(2048, 'x')));
    ASSERT_TRUE(testutil::WriteFileBytes(dir.File("one.dll"), std::string(1024, 'x')));
    ASSERT_TRUE(testutil::WriteFileBytes(dir.File("over.dll"), std::string(1025, 'x')));
    FileDetails two, one, over;
    ASSERT_TRUE(ReadFileDetails(dir.File("two.dll"), two));
    ASSERT_TRUE(ReadFileDetails(dir.File("one.dll"), one));
    ASSERT_TRUE(ReadFileDetails(dir.File("over.dll"), over));
    EXPECT_EQ("2 KB", ModuleEntryOf(dir.File("two.dll"), &two).size);
    EXPECT_EQ("1024 bytes", ModuleEntryOf(dir.File("one.dll"), &one).size);
    EXPECT_EQ("1 KB", ModuleEntryOf(dir.File("over.dll"), &over).size);

    const ModuleEntry e = ModuleEntryOf(dir.File("two.dll"), &two);
    EXPECT_EQ("two.dll", e.name);
    // "%m/%d/%Y %I:%M %p"
    ASSERT_EQ(19u, e.date.size()) << e.date;
    EXPECT_EQ('/', e.date[2]);
    EXPECT_EQ('/', e.date[5]);
    EXPECT_EQ(':', e.date[13]);
    EXPECT_TRUE(e.date.substr(17) == "AM" || e.date.substr(17) == "PM") << e.date;

    const ModuleEntry missing = ModuleEntryOf("C:\\nowhere\\gone.dll", nullptr);
    EXPECT_EQ("gone.dll", missing.name);
    EXPECT_EQ("unknown", missing.size);

    ModuleEntry odd{"a&b<c>.dll", "1.0 \"beta\"", "01/02/2003 04:05 PM", "2 KB"};
    EXPECT_EQ("<tr class=moduleentry><td>a&amp;b&lt;c&gt;.dll</td><td>1.0 &quot;beta&quot;</td>"
              "<td>01/02/2003 04:05 PM</td><td align=\"right\">2 KB</td></tr>"
              "<tr class=moduleentry><td>gone.dll</td><td>unknown</td><td>unknown</td>"
              "<td align=\"right\">unknown</td></tr>",
              ModuleTableRows({odd, missing}));
    EXPECT_EQ("", ModuleTableRows({}));
}

TEST(ModuleTable, OwnProcessListsItsModulesAndLogs) {
    std::vector<std::string> log;
    const std::string rows = BuildModuleTable(::GetCurrentProcessId(), [&](const std::string& l) { log.push_back(l); });
    const std::string self = testutil::ExeFolder();
    char exe[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string exeName = exe;
    exeName = exeName.substr(exeName.find_last_of('\\') + 1);
    EXPECT_EQ(0u, rows.find("<tr class=moduleentry><td>" + exeName + "</td>")) << rows.substr(0, 200);
    EXPECT_NE(std::string::npos, rows.find("<td>kernel32.dll</td>")) << rows;
    EXPECT_EQ(std::string::npos, rows.find('\n'));
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ("Building the module table for process ID: " + std::to_string(::GetCurrentProcessId()), log[0]);
    EXPECT_EQ("Module table complete.", log[1]);

    // A process that cannot be read gives no rows.
    EXPECT_EQ("", BuildModuleTable(0xFFFFFFF0u));
}

}  // namespace
