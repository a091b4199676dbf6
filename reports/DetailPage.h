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

// The address a web site may be linked with: "http://" is put in front of an
// address without a scheme; "" when it is not a plain http or https address
// of a host (another scheme such as "javascript:", user names, spaces).
std::string WebSiteLink(const std::string& webSite);

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
