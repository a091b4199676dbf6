// The detail page's templates and their filling, from exact inputs.
#include "reports/DetailPage.h"

#include <gtest/gtest.h>

#include <string>

#include "TestUtil.h"
#include "reports/HtmlSupportFiles.h"
#include "reports/HtmlWriter.h"
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
        EXPECT_TRUE(Has(html, "href=\"https://www.google.com/search?q=%APP_FILENAME%\">"
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
    EXPECT_EQ("<td align=left class=stats><a target=\"_blank\" href=\"https://example.com/a?b=1&amp;c=%222%22\">"
              "https://example.com/a?b=1&amp;c=%222%22</a></td>",
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
    EXPECT_EQ("", WebSiteLink("http://example.com:80x/"));
    EXPECT_EQ("", WebSiteLink("http://\"example.com\"/"));
    EXPECT_EQ("", WebSiteLink("\\\\server\\share\\x.exe"));
}

TEST(DetailFill, WebSiteLinkEncodesWhatCouldLeaveAnAttributeOrACommandLine) {
    // Spaces, quotes, angle brackets, backslashes, the shell's special
    // characters, control characters and bytes beyond ASCII after the host.
    EXPECT_EQ("http://example.com/a%20b", WebSiteLink("http://example.com/a b"));
    EXPECT_EQ("http://example.com/%22%20onmouseover=%22x()", WebSiteLink("example.com/\" onmouseover=\"x()"));
    EXPECT_EQ("http://example.com/%3Cscript%3Ex%3C/script%3E", WebSiteLink("http://example.com/<script>x</script>"));
    EXPECT_EQ("http://example.com/a%5Cb%27c%60d%5Ee%7Cf%7Bg%7D", WebSiteLink("http://example.com/a\\b'c`d^e|f{g}"));
    EXPECT_EQ("http://example.com/%0D%0Ax%09y%7F", WebSiteLink("http://example.com/\r\nx\ty\x7f"));
    EXPECT_EQ("http://example.com/caf%E9", WebSiteLink("http://example.com/caf\xe9"));
    // An escape stays one; a lone percent sign becomes one.
    EXPECT_EQ("http://example.com/a%41?q=100%25&r=%252", WebSiteLink("http://example.com/a%41?q=100%&r=%2"));
    // What a URL needs passes as it is.
    EXPECT_EQ("https://example.com:8443/p;x=1/q?a=1&b=(2)*,!$@~+#frag",
              WebSiteLink("https://example.com:8443/p;x=1/q?a=1&b=(2)*,!$@~+#frag"));

    EXPECT_EQ("The web site address of this program is not a plain http or https address:\n\njavascript:x()",
              WebSiteRefusal("javascript:x()"));
    EXPECT_EQ("https://www.google.com/search?q=a%26b%20c.exe", WebSearchLink("a&b c.exe"));
}

TEST(DetailFill, SearchQueryIsPercentEncoded) {
    DetailValues v = SampleValues();
    v.fileName = "a&b #c\"<x>.exe";
    const std::string page = FillDetailTemplate(Tasks(), v);
    EXPECT_TRUE(Has(page, "href=\"https://www.google.com/search?q=a%26b%20%23c%22%3Cx%3E.exe\">Click here"));
}

// The native view and the HTML page are made from one model: each of its
// labels, links, values and sentences stands in the page built from it, in
// the row and on the shade the template gives it.
TEST(DetailModelTest, ModelAndPageAgreeForEveryKind) {
    struct Kind {
        DetailSubject subject;
        UINT id;
        const char* section;
        bool modules;
    };
    const Kind kinds[] = {
        {DetailSubject::Task, IDR_HTML_DETAIL_TASKS, "Task Information", true},
        {DetailSubject::Application, IDR_HTML_DETAIL_APPLICATIONS, "Application Information", true},
        {DetailSubject::Service, IDR_HTML_DETAIL_SERVICES, "Service Information", false},
        {DetailSubject::Driver, IDR_HTML_DETAIL_DRIVERS, "Driver Information", false},
    };
    DetailValues v = SampleValues();
    v.fileName = "a&b.exe";
    v.webSite = "www.example.com/x y";
    v.description = "Says <b>hi</b> & \"bye\"";
    const std::vector<ModuleEntry> modules = {{"m<1>.dll", "1.0", "01/02/2003 04:05 PM", "2 KB"}};
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.section);
        const DetailModel m = MakeDetailModel(k.subject, 8, v, modules);
        EXPECT_TRUE(m.IsInformation());
        EXPECT_EQ(k.id, m.templateId);
        EXPECT_EQ(k.section, m.section);
        EXPECT_EQ("Sample Tool by Sample Makers", m.banner);
        const std::string page = DetailPageHtml(m);
        EXPECT_TRUE(Has(page, "class=section>" + m.section + "<"));
        EXPECT_TRUE(Has(page, ">" + HtmlWriter::EscapeText(m.banner) + "<"));
        ASSERT_EQ(7u, m.rows.size());
        size_t at = 0;
        for (const DetailRow& row : m.rows) {
            at = page.find("class=statsheader>" + row.label + "</td>", at);
            ASSERT_NE(std::string::npos, at) << row.label;
            const std::string cells = page.substr(at, page.find("</tr>", at) - at);
            EXPECT_TRUE(Has(cells, row.shaded ? "class=statsblue>" : "class=stats>")) << row.label;
            if (row.link.empty())
                EXPECT_TRUE(Has(cells, ">" + HtmlWriter::EscapeText(row.value) + "</td>")) << row.label;
            else
                EXPECT_TRUE(Has(cells, "href=\"" + HtmlWriter::EscapeText(row.link) + "\"")) << row.label;
        }
        EXPECT_EQ("Says <b>hi</b> & \"bye\"", m.rows[2].value);
        EXPECT_EQ("http://www.example.com/x%20y", m.rows[5].value);
        EXPECT_EQ(m.rows[5].value, m.rows[5].link);
        EXPECT_EQ(std::string(kSearchLinkText), m.rows[6].value);
        EXPECT_EQ("https://www.google.com/search?q=a%26b.exe", m.rows[6].link);
        EXPECT_EQ(k.modules, m.hasModules);
        EXPECT_EQ(k.modules ? 1u : 0u, m.modules.size());
        EXPECT_EQ(k.modules, Has(page, "<td>m&lt;1&gt;.dll</td>"));
    }
    const char* labels[] = {"Version:", "Rating:", "Description:", "File Path:", "Command Line:", "Website:", "Search:"};
    const DetailModel task = MakeDetailModel(DetailSubject::Task, 8, v);
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(labels[i], task.rows[i].label);
}

TEST(DetailModelTest, BlankSystemAndWebsitesWithoutALink) {
    const DetailValues v = SampleValues();
    const std::vector<ModuleEntry> modules = {{"m.dll", "1.0", "", "2 KB"}};
    const DetailModel blank = MakeDetailModel(DetailSubject::None, 8, v, modules);
    EXPECT_EQ(IDR_HTML_DETAIL_BLANK, blank.templateId);
    EXPECT_FALSE(blank.IsInformation());
    EXPECT_EQ(std::string(kBlankPageSentence), blank.sentence);
    EXPECT_TRUE(blank.rows.empty() && blank.modules.empty() && blank.banner.empty());
    EXPECT_EQ(LoadHtmlResource(IDR_HTML_DETAIL_BLANK), DetailPageHtml(blank));
    EXPECT_TRUE(Has(DetailPageHtml(blank), kBlankPageSentence));
    EXPECT_EQ(IDR_HTML_DETAIL_BLANK, BlankDetailModel().templateId);

    for (DWORD pid : {0u, 4u}) {
        const DetailModel system = MakeDetailModel(DetailSubject::Task, pid, v, modules);
        EXPECT_EQ(IDR_HTML_DETAIL_SYSTEM, system.templateId);
        EXPECT_EQ(std::string(kSystemPageSentence), system.sentence);
        EXPECT_TRUE(system.rows.empty() && system.modules.empty() && !system.hasModules);
        EXPECT_TRUE(Has(DetailPageHtml(system), kSystemPageSentence));
    }

    DetailValues none = v;
    none.webSite = "";
    DetailRow website = MakeDetailModel(DetailSubject::Service, 0, none).rows[5];
    EXPECT_EQ("None Specified", website.value);
    EXPECT_EQ("", website.link);
    none.webSite = "javascript:alert(1)";
    website = MakeDetailModel(DetailSubject::Service, 0, none).rows[5];
    EXPECT_EQ("javascript:alert(1)", website.value);
    EXPECT_EQ("", website.link);
}

TEST(DetailModelTest, PlainTextHasLabelLinesThenTheModuleRows) {
    const DetailModel task =
        MakeDetailModel(DetailSubject::Task, 8, SampleValues(), {{"a.dll", "1.0", "01/02/2003 04:05 PM", "2 KB"}});
    EXPECT_EQ("Sample Tool by Sample Makers\r\nTask Information\r\nVersion: 1.0\r\nRating: Normal.\r\n"
              "Description: Does samples.\r\nFile Path: C:\\Tools\\sample.exe\r\n"
              "Command Line: C:\\Tools\\sample.exe /quiet\r\nWebsite: http://www.example.com/\r\n"
              "Search: https://www.google.com/search?q=sample.exe\r\n\r\nLoaded Modules\r\n"
              "Module Name\tVersion\tDate\tSize\r\na.dll\t1.0\t01/02/2003 04:05 PM\t2 KB\r\n",
              DetailPlainText(task));
    const std::string driver = DetailPlainText(MakeDetailModel(DetailSubject::Driver, 0, SampleValues()));
    EXPECT_EQ(0u, driver.find("Sample Tool by Sample Makers\r\nDriver Information\r\nVersion: 1.0\r\n"));
    EXPECT_FALSE(Has(driver, "Loaded Modules"));
    EXPECT_EQ(std::string(kBlankPageSentence) + "\r\n", DetailPlainText(BlankDetailModel()));
}

TEST(DetailPageMark, EveryTemplateStartsWithTheInternetZoneMarkAndEndsLinesInCrLf) {
    const std::string mark = "<!-- saved from url=(0014)about:internet -->";
    EXPECT_EQ(mark, kInternetZoneMark);
    for (UINT id : {IDR_HTML_DETAIL_BLANK, IDR_HTML_DETAIL_TASKS, IDR_HTML_DETAIL_APPLICATIONS, IDR_HTML_DETAIL_DRIVERS,
                    IDR_HTML_DETAIL_SERVICES, IDR_HTML_DETAIL_SYSTEM}) {
        const std::string html = LoadHtmlResource(id);
        EXPECT_EQ(0u, html.find(mark + "\r\n<html>\r\n")) << id;
        EXPECT_EQ(Count(html, "\n"), Count(html, "\r\n")) << id;
        EXPECT_EQ(html, WithInternetZoneMark(html)) << id;
    }
    EXPECT_EQ(mark + "\r\n<html></html>", WithInternetZoneMark("<html></html>"));
    EXPECT_EQ(mark + "\r\n<html>\n", WithInternetZoneMark(mark + "\n<html>\n"));
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
