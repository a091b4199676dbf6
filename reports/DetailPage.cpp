#include "reports/DetailPage.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/Text.h"
#include "core/AppPaths.h"
#include "platform/Processes.h"
#include "progdb/Submission.h"
#include "reports/HtmlSupportFiles.h"
#include "reports/HtmlWriter.h"
#include "resource.h"

const char kWebsiteCell[] = "<td align=left class=stats><a target=\"_blank\" href=\"%WEBSITE%\">%WEBSITE%</a></td>";
const char kWebSiteRefusedFormat[] = "The web site address of this program is not a plain http or https address:\n\n%s";
const char kWebSearchPage[] = "https://www.google.com/search?q=";
const char kBlankPageSentence[] = "Select an item in the list above to see its details here.";
const char kSystemPageSentence[] = "The selected task refers to the system.";
const char kNoWebsiteText[] = "None Specified";
const char kSearchLinkText[] = "Click here to search Google for more information.";
const char kModulesTitle[] = "Loaded Modules";
const char* const kModuleColumnTitles[4] = {"Module Name", "Version", "Date", "Size"};
const char kInternetZoneMark[] = "<!-- saved from url=(0014)about:internet -->";

namespace {

const char kUnknownCell[] = "unknown";

struct Placeholder {
    const char* token;
    std::string DetailValues::*field;
};

const Placeholder kPlaceholders[] = {
    {"%APP_TITLE%", &DetailValues::title},
    {"%COMPANY_NAME%", &DetailValues::company},
    {"%APP_VERSION%", &DetailValues::version},
    {"%APP_RATING%", &DetailValues::rating},
    {"%APP_DESC%", &DetailValues::description},
    {"%APP_FILEPATH%", &DetailValues::path},
    {"%APP_FILENAME%", &DetailValues::fileName},
    {"%APP_CMDLINE%", &DetailValues::commandLine},
    {"%WEBSITE%", &DetailValues::webSite},
    {"%MODULE_TABLE%", &DetailValues::moduleRows},
};

bool StartsAt(const std::string& text, size_t at, const char* token) {
    return text.compare(at, std::strlen(token), token) == 0;
}

// Whether the text written so far ends inside the value of an href
// attribute, where a value is part of an address.
bool InsideHref(const std::string& written) {
    const size_t href = written.rfind("href=\"");
    return href != std::string::npos && written.find('"', href + 6) == std::string::npos;
}

std::string WebsiteCell(const std::string& webSite) {
    if (webSite.empty()) return std::string("<td align=left class=stats>") + kNoWebsiteText + "</td>";
    const std::string link = WebSiteLink(webSite);
    if (link.empty()) return "<td align=left class=stats>" + HtmlWriter::EscapeText(webSite) + "</td>";
    const std::string shown = HtmlWriter::EscapeText(link);
    return "<td align=left class=stats><a target=\"_blank\" href=\"" + shown + "\">" + shown + "</a></td>";
}

std::string InsertedValue(const DetailValues& values, const Placeholder& placeholder, bool inHref) {
    const std::string& value = values.*placeholder.field;
    if (placeholder.field == &DetailValues::moduleRows) return value;  // built as HTML already
    if (placeholder.field == &DetailValues::webSite) {
        const std::string link = WebSiteLink(value);
        return HtmlWriter::EscapeText(inHref || !link.empty() ? link : value);
    }
    return HtmlWriter::EscapeText(inHref ? EncodeQueryValue(value) : value);
}

bool IsSchemeChar(unsigned char c) {
    return std::isalnum(c) || c == '+' || c == '-' || c == '.';
}

// An address's scheme, lower-cased; "" when it has none. "host:8080/..." is
// a host with a port, not a scheme.
std::string SchemeOf(const std::string& address) {
    const size_t colon = address.find(':');
    const size_t stop = address.find_first_of("/?#");
    if (colon == std::string::npos || colon == 0 || (stop != std::string::npos && stop < colon)) return std::string();
    if (!std::isalpha(static_cast<unsigned char>(address[0]))) return std::string();
    std::string scheme;
    for (size_t i = 0; i < colon; ++i) {
        const unsigned char c = static_cast<unsigned char>(address[i]);
        if (!IsSchemeChar(c)) return std::string();
        scheme += static_cast<char>(std::tolower(c));
    }
    if (colon + 1 < address.size() && std::isdigit(static_cast<unsigned char>(address[colon + 1])))
        return std::string();
    return scheme;
}

// host, or host:port, of letters, digits, dots, hyphens and underscores.
bool IsPlainAuthority(const std::string& authority) {
    if (authority.empty()) return false;
    const size_t colon = authority.find(':');
    const std::string host = authority.substr(0, colon);
    if (host.empty()) return false;
    for (char ch : host) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (!(c < 0x80 && (std::isalnum(c) || c == '.' || c == '-' || c == '_'))) return false;
    }
    if (colon == std::string::npos) return true;
    const std::string port = authority.substr(colon + 1);
    if (port.empty() || port.size() > 5) return false;
    for (char c : port)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

bool IsHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// The part of an address after its host: every byte that could end an
// attribute value or a command-line argument, or that is not printable
// ASCII, becomes a percent escape; an escape already there stays as it is.
std::string EncodeAddressTail(const std::string& tail) {
    static const char kUnsafe[] = "\"'<>\\^`{|}";
    std::string out;
    out.reserve(tail.size());
    for (size_t i = 0; i < tail.size(); ++i) {
        const char ch = tail[i];
        const unsigned char c = static_cast<unsigned char>(ch);
        const bool escape = ch == '%' && i + 2 < tail.size() && IsHexDigit(tail[i + 1]) && IsHexDigit(tail[i + 2]);
        if (c <= 0x20 || c >= 0x7F || (ch != '\0' && std::strchr(kUnsafe, ch)) || (ch == '%' && !escape)) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        } else {
            out += ch;
        }
    }
    return out;
}

}  // namespace

std::string WebSiteLink(const std::string& webSite) {
    const std::string site = Trim(webSite);
    if (site.empty()) return std::string();
    const std::string scheme = SchemeOf(site);
    if (!scheme.empty() && scheme != "http" && scheme != "https") return std::string();
    const std::string link = WithHttpScheme(site);
    const size_t start = link.find("://");
    if (start == std::string::npos) return std::string();
    size_t end = link.find_first_of("/?#", start + 3);
    if (end == std::string::npos) end = link.size();
    if (!IsPlainAuthority(link.substr(start + 3, end - start - 3))) return std::string();
    return link.substr(0, end) + EncodeAddressTail(link.substr(end));
}

std::string WebSiteRefusal(const std::string& webSite) {
    std::string text = kWebSiteRefusedFormat;
    const size_t at = text.find("%s");
    return text.replace(at, 2, webSite);
}

std::string WebSearchLink(const std::string& fileName) {
    return kWebSearchPage + EncodeQueryValue(fileName);
}

std::string FillDetailTemplate(const std::string& html, const DetailValues& values) {
    std::string out;
    out.reserve(html.size() + 1024 + values.moduleRows.size());
    size_t i = 0;
    while (i < html.size()) {
        const char c = html[i];
        if (c == '<' && StartsAt(html, i, kWebsiteCell)) {
            out += WebsiteCell(values.webSite);
            i += sizeof(kWebsiteCell) - 1;
            continue;
        }
        bool replaced = false;
        if (c == '%') {
            for (const Placeholder& p : kPlaceholders) {
                if (StartsAt(html, i, p.token)) {
                    out += InsertedValue(values, p, InsideHref(out));
                    i += std::strlen(p.token);
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) out += html[i++];
    }
    return out;
}

DetailValues ProcessDetailValues(const ProgramDetails& details, const std::string& commandLine,
                                 const std::string& imagePath, const std::string& moduleRows) {
    DetailValues v;
    v.title = details.title;
    v.company = details.company;
    v.version = details.version;
    v.rating = details.ratingText;
    v.description = details.description;
    v.path = details.path;
    v.fileName = details.fileName;
    v.commandLine = commandLine.empty() ? imagePath : commandLine;
    v.webSite = details.webSite;
    v.moduleRows = moduleRows;
    return v;
}

DetailValues ServiceDetailValues(const ProgramDetails& details, const ServiceInfo& service) {
    DetailValues v = ProcessDetailValues(details, service.binaryPath, std::string(), std::string());
    v.commandLine = service.binaryPath;
    if (service.kind == 0 && !service.description.empty()) v.description = service.description;
    return v;
}

UINT DetailTemplateId(DetailSubject subject, DWORD pid) {
    switch (subject) {
    case DetailSubject::Application: return IDR_HTML_DETAIL_APPLICATIONS;
    case DetailSubject::Task: return pid == 0 || pid == 4 ? IDR_HTML_DETAIL_SYSTEM : IDR_HTML_DETAIL_TASKS;
    case DetailSubject::Service: return IDR_HTML_DETAIL_SERVICES;
    case DetailSubject::Driver: return IDR_HTML_DETAIL_DRIVERS;
    case DetailSubject::None: break;
    }
    return IDR_HTML_DETAIL_BLANK;
}

ModuleEntry ModuleEntryOf(const std::string& longPath, const FileDetails* details) {
    ModuleEntry e;
    e.name = FileNameOf(longPath);
    if (!details) {
        e.version = e.date = e.size = kUnknownCell;
        return e;
    }
    e.version = details->productVersion;
    e.date = details->modified;
    e.size = details->size;
    return e;
}

std::string ModuleTableRows(const std::vector<ModuleEntry>& entries) {
    std::string rows;
    for (const ModuleEntry& e : entries) {
        rows += "<tr class=moduleentry><td>" + HtmlWriter::EscapeText(e.name) + "</td><td>" +
                HtmlWriter::EscapeText(e.version) + "</td><td>" + HtmlWriter::EscapeText(e.date) +
                "</td><td align=\"right\">" + HtmlWriter::EscapeText(e.size) + "</td></tr>";
    }
    return rows;
}

std::vector<ModuleEntry> ListModuleEntries(DWORD pid, const DetailLogFn& log) {
    if (log) {
        char line[80];
        std::snprintf(line, sizeof line, "Building the module table for process ID: %d", static_cast<int>(pid));
        log(line);
    }
    std::vector<std::string> modules;
    std::vector<ModuleEntry> entries;
    if (ListModules(pid, modules)) {
        entries.reserve(modules.size());
        for (const std::string& module : modules) {
            std::string longPath = module;
            LongPathOf(module, longPath);
            FileDetails details;
            const bool found = ReadFileDetails(longPath, details);
            entries.push_back(ModuleEntryOf(longPath, found ? &details : nullptr));
        }
    }
    if (log) log("Module table complete.");
    return entries;
}

std::string BuildModuleTable(DWORD pid, const DetailLogFn& log) {
    return ModuleTableRows(ListModuleEntries(pid, log));
}

// ---- The model ---------------------------------------------------------------

namespace {

const char* SectionOf(UINT templateId) {
    switch (templateId) {
    case IDR_HTML_DETAIL_TASKS: return "Task Information";
    case IDR_HTML_DETAIL_APPLICATIONS: return "Application Information";
    case IDR_HTML_DETAIL_SERVICES: return "Service Information";
    case IDR_HTML_DETAIL_DRIVERS: return "Driver Information";
    default: return "";
    }
}

DetailRow Row(const char* label, const std::string& value, bool shaded, const std::string& link = std::string()) {
    DetailRow row;
    row.label = label;
    row.value = value;
    row.link = link;
    row.shaded = shaded;
    return row;
}

// The Website row as the page's website rule shows it: the address as linked,
// text that is no plain web address as it is, nothing as "None Specified".
DetailRow WebsiteRow(const std::string& webSite) {
    if (webSite.empty()) return Row("Website:", kNoWebsiteText, false);
    const std::string link = WebSiteLink(webSite);
    return Row("Website:", link.empty() ? webSite : link, false, link);
}

}  // namespace

DetailModel MakeDetailModel(DetailSubject subject, DWORD pid, const DetailValues& values,
                            std::vector<ModuleEntry> modules) {
    DetailModel model;
    model.subject = subject;
    model.templateId = DetailTemplateId(subject, pid);
    if (model.templateId == IDR_HTML_DETAIL_BLANK) {
        model.subject = DetailSubject::None;
        model.sentence = kBlankPageSentence;
        return model;
    }
    if (model.templateId == IDR_HTML_DETAIL_SYSTEM) {
        model.sentence = kSystemPageSentence;
        return model;
    }
    model.values = values;
    model.banner = values.title + " by " + values.company;
    model.section = SectionOf(model.templateId);
    model.rows = {
        Row("Version:", values.version, true),
        Row("Rating:", values.rating, false),
        Row("Description:", values.description, true),
        Row("File Path:", values.path, false),
        Row("Command Line:", values.commandLine, true),
        WebsiteRow(values.webSite),
        Row("Search:", kSearchLinkText, true, WebSearchLink(values.fileName)),
    };
    model.hasModules = subject == DetailSubject::Application || subject == DetailSubject::Task;
    if (model.hasModules) {
        model.modules = std::move(modules);
        model.values.moduleRows = ModuleTableRows(model.modules);
    } else {
        model.values.moduleRows.clear();
    }
    return model;
}

DetailModel BlankDetailModel() {
    return MakeDetailModel(DetailSubject::None, 0, DetailValues());
}

std::string DetailPageHtml(const DetailModel& model) {
    const std::string html = LoadHtmlResource(model.templateId);
    if (html.empty() || !model.IsInformation()) return html;
    return FillDetailTemplate(html, model.values);
}

std::string ModuleRowText(const ModuleEntry& entry) {
    return entry.name + "\t" + entry.version + "\t" + entry.date + "\t" + entry.size;
}

std::string DetailPlainText(const DetailModel& model) {
    const char kEol[] = "\r\n";
    if (!model.IsInformation()) return model.sentence + kEol;
    std::string text = model.banner + kEol + model.section + kEol;
    // A link's address says more than a sentence to click (the Search row).
    for (const DetailRow& row : model.rows) text += row.label + " " + (row.link.empty() ? row.value : row.link) + kEol;
    if (model.hasModules) {
        text += std::string(kEol) + kModulesTitle + kEol;
        text += ModuleRowText(ModuleEntry{kModuleColumnTitles[0], kModuleColumnTitles[1], kModuleColumnTitles[2],
                                          kModuleColumnTitles[3]}) + kEol;
        for (const ModuleEntry& entry : model.modules) text += ModuleRowText(entry) + kEol;
    }
    return text;
}

std::string WithInternetZoneMark(const std::string& html) {
    const size_t markLength = sizeof(kInternetZoneMark) - 1;
    if (html.compare(0, markLength, kInternetZoneMark) != 0) return kInternetZoneMark + std::string("\r\n") + html;
    // Browsers honour the mark only when a CR LF ends its line.
    if (html.compare(markLength, 2, "\r\n") == 0) return html;
    size_t rest = markLength;
    if (rest < html.size() && html[rest] == '\n') ++rest;
    return html.substr(0, markLength) + "\r\n" + html.substr(rest);
}
