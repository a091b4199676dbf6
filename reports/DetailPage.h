// The detail page: an HTML template about the selected item, filled from the
// program's details, its process or service record and its module list. The
// functions here take records and return text; they never touch windows, so
// tests can feed exact inputs. DetailView (reports/DetailView.h) gathers the
// live records, writes the page and hands it to the browser.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "progdb/ProgramDatabaseDetails.h"
#include "sysinfo/FileVersion.h"
#include "sysinfo/ServiceInfo.h"

// What a page describes: the selected row of one of the four lists, or
// nothing (no row selected, or a tab without a list), which is the blank page.
enum class DetailSubject { None, Application, Task, Service, Driver };

// One line for the activity log.
using DetailLogFn = std::function<void(const std::string&)>;

// The values of one page as plain text; FillDetailTemplate escapes them.
struct DetailValues {
    std::string title;
    std::string company;
    std::string version;
    std::string rating;
    std::string description;
    std::string path;
    std::string fileName;
    std::string commandLine;
    std::string webSite;
    std::string moduleRows;  // HTML from ModuleTableRows, inserted as it is
};

// The Website cell of the templates, replaced as a whole by the website rule.
extern const char kWebsiteCell[];

// Replaces every placeholder of the template in one pass, so text that a
// value brings in (a description holding "%APP_FILEPATH%", say) is never
// scanned again. Values are escaped as HTML text; inside an href they are
// percent-encoded as a query value first. The Website cell links the
// address only when WebSiteLink accepts it, shows other text unlinked, and
// says "None Specified" when there is no address.
std::string FillDetailTemplate(const std::string& html, const DetailValues& values);

// The one rule for every link to a program's web site (the page's, the
// native view's and the Website command's): the address a web site may be
// opened with, "http://" put in front of an address without a scheme; "" when
// it is not a plain http or https address of a host (another scheme such as
// "javascript:", a user name, a space in the host). After the host, quotes,
// spaces, angle brackets, backslashes and every byte that is not printable
// ASCII are percent-encoded, so the address can neither leave an attribute
// nor a command line.
std::string WebSiteLink(const std::string& webSite);
// The message the Website command shows for an address WebSiteLink refuses.
extern const char kWebSiteRefusedFormat[];
std::string WebSiteRefusal(const std::string& webSite);

// The web search of the page's Search row: the fixed address of the search
// page and the percent-encoded file name as the query value.
extern const char kWebSearchPage[];
std::string WebSearchLink(const std::string& fileName);

// Values of an application or task page: the command line, or the image path
// when the command line is empty.
DetailValues ProcessDetailValues(const ProgramDetails& details, const std::string& commandLine,
                                 const std::string& imagePath, const std::string& moduleRows);
// Values of a service or driver page: the configured binary path as the
// command line; for services (kind 0) a non-empty service description wins
// over the database's.
DetailValues ServiceDetailValues(const ProgramDetails& details, const ServiceInfo& service);

// Template of a page: the blank page for no subject, the system's page for
// the task ids 0 and 4, else the subject's own page.
UINT DetailTemplateId(DetailSubject subject, DWORD pid);

// One row of the module table.
struct ModuleEntry {
    std::string name;
    std::string version;
    std::string date;
    std::string size;
};
// The row of the module at longPath; details is null when the file cannot be
// read, which shows "unknown" cells.
ModuleEntry ModuleEntryOf(const std::string& longPath, const FileDetails* details);
// "<tr class=moduleentry>..." per entry, each cell escaped, no line breaks.
std::string ModuleTableRows(const std::vector<ModuleEntry>& entries);
// The rows for the modules a process has loaded, in the system's order;
// empty when they cannot be read. Logs its start and end.
std::string BuildModuleTable(DWORD pid, const DetailLogFn& log = DetailLogFn());
// The module rows of a process, read from its module list in the system's
// order; none when they cannot be read. Logs its start and end.
std::vector<ModuleEntry> ListModuleEntries(DWORD pid, const DetailLogFn& log = DetailLogFn());

// ---- The page as a plain model ---------------------------------------------
// Everything a detail page shows, as data: the HTML page is filled from it
// and the native view shows it, so the two never disagree.

// The sentences of the two pages without details.
extern const char kBlankPageSentence[];
extern const char kSystemPageSentence[];
// The Website row without an address, and the Search row's link text.
extern const char kNoWebsiteText[];
extern const char kSearchLinkText[];
// The module table's title and column headings.
extern const char kModulesTitle[];
extern const char* const kModuleColumnTitles[4];

// One label row: "Version:" and its value. A row with a link shows the value
// as a link that opens the address; shaded rows stand on the page's light
// blue.
struct DetailRow {
    std::string label;
    std::string value;
    std::string link;
    bool shaded = false;
};

struct DetailModel {
    DetailSubject subject = DetailSubject::None;
    UINT templateId = 0;          // the page's template (IDR_HTML_DETAIL_*)
    std::string sentence;         // the blank and system pages' one sentence; empty on an information page
    std::string banner;           // "<title> by <company>"
    std::string section;          // "Task Information", "Service Information", ...
    std::vector<DetailRow> rows;  // Version, Rating, Description, File Path, Command Line, Website, Search
    bool hasModules = false;      // Applications and Tasks pages have the module table (maybe empty)
    std::vector<ModuleEntry> modules;
    DetailValues values;          // the template's values, as plain text
    // The same row's page again (a refresh, a database that changed): the
    // pane keeps its scroll position rather than going back to the top.
    bool sameRow = false;
    bool IsInformation() const { return sentence.empty(); }
};

// The one step from what the page builder gathered to the page: the template
// of the subject (the system's page for the task ids 0 and 4, the blank page
// for no subject), its section, banner and rows, the modules for the pages
// that list them.
DetailModel MakeDetailModel(DetailSubject subject, DWORD pid, const DetailValues& values,
                            std::vector<ModuleEntry> modules = std::vector<ModuleEntry>());
// The blank page.
DetailModel BlankDetailModel();

// The page's HTML: the template filled from the model's values (the blank and
// system pages as they are). Empty when the template is missing.
std::string DetailPageHtml(const DetailModel& model);

// The page as plain text, lines ending in CR LF: the banner, the section, one
// "Label: value" line per row (a linked row gives its address), then the
// module table's title, headings and rows, cells separated by tabs. The blank
// and system pages give their sentence.
std::string DetailPlainText(const DetailModel& model);
// One module row as text, cells separated by tabs.
std::string ModuleRowText(const ModuleEntry& entry);

// The comment that makes a browser treat a saved page as one from the
// Internet zone, not as a local file with local rights, and the page with it
// as its first line (added when missing, its line end made CR LF).
extern const char kInternetZoneMark[];
std::string WithInternetZoneMark(const std::string& html);
