#include "reports/DetailPage.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/Text.h"
#include "core/AppPaths.h"
#include "platform/Processes.h"
#include "progdb/Submission.h"
#include "reports/HtmlWriter.h"
#include "resource.h"

const char kWebsiteCell[] = "<td align=left class=stats><a target=\"_blank\" href=\"%WEBSITE%\">%WEBSITE%</a></td>";

namespace {

const char kUnknownCell[] = "unknown";
const char kNoWebsiteCell[] = "<td align=left class=stats>None Specified</td>";

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
    if (webSite.empty()) return kNoWebsiteCell;
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

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

std::string WebSiteLink(const std::string& webSite) {
    const std::string site = Trimmed(webSite);
    if (site.empty()) return std::string();
    const std::string scheme = SchemeOf(site);
    if (!scheme.empty() && scheme != "http" && scheme != "https") return std::string();
    const std::string link = WithHttpScheme(site);
    const size_t start = link.find("://");
    if (start == std::string::npos) return std::string();
    const size_t end = link.find_first_of("/?#", start + 3);
    if (!IsPlainAuthority(link.substr(start + 3, end == std::string::npos ? std::string::npos : end - start - 3)))
        return std::string();
    for (char ch : link)
        if (static_cast<unsigned char>(ch) <= 0x20 || ch == 0x7F) return std::string();
    return link;
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

std::string BuildModuleTable(DWORD pid, const DetailLogFn& log) {
    if (log) {
        char line[80];
        std::snprintf(line, sizeof line, "Building the module table for process ID: %d", static_cast<int>(pid));
        log(line);
    }
    std::vector<std::string> modules;
    std::vector<ModuleEntry> entries;
    if (ListModules(pid, modules)) {
        for (const std::string& module : modules) {
            std::string longPath = module;
            LongPathOf(module, longPath);
            FileDetails details;
            const bool found = ReadFileDetails(longPath, details);
            entries.push_back(ModuleEntryOf(longPath, found ? &details : nullptr));
        }
    }
    if (log) log("Module table complete.");
    return ModuleTableRows(entries);
}
