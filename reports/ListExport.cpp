#include "reports/ListExport.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "base/Handles.h"
#include "core/Text.h"
#include "platform/Files.h"
#include "platform/OnDemand.h"
#include "progdb/XmlWriter.h"
#include "reports/HtmlWriter.h"

namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// The style block of the exported page: the bold header row.
const char kHtmlStyle[] =
    "<STYLE type=\"text/css\">\r\n"
    ".tableheader {color: #000000; font-family : Arial, Verdana, Geneva, Helvetica, sans-serif; "
    "font-size : 10pt; font-weight : bold; }\r\n"
    "</STYLE>\r\n";

// The save dialog's filter, '|' standing for the separating zero bytes.
const char kExportFilter[] = "Excel CSV Files (*.csv)|*.csv|HTML Files (*.htm;*.html)|*.htm;*.html;||";
// The dialog's default extension and initial file name.
const char kExportFilePattern[] = "*.csv;*.htm;*.html";
const char kExportDialogTitle[] = "Export List Data";
const char kMessageCaption[] = "Quillmark";

// A cell of tab-separated text cannot hold the separator or a line break.
std::string FlattenCell(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return out;
}

bool IsPlainNumber(const std::string& text) {
    size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    bool digit = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') digit = true;
        else if (c == '%' && i + 1 == text.size()) break;
        else if (c != '.' && c != ',') return false;
    }
    return digit;
}

std::string QuoteCell(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

bool IsAsciiLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

std::string SpreadsheetSafeCell(const std::string& text) {
    if (text.empty() || std::strchr("=+-@\t\r", text[0]) == nullptr || IsPlainNumber(text)) return text;
    return "'" + text;
}

int ExportKindFromExtension(const std::string& extension) {
    std::string ext = Lower(extension);
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    if (ext == "csv") return kExportCsv;
    if (ext == "xml") return kExportXml;
    return kExportHtml;  // "htm", "html" and everything else
}

std::string FileExtension(const std::string& path) {
    const size_t slash = path.find_last_of("\\/:");
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return std::string();
    return path.substr(dot + 1);
}

std::string XmlElementName(const std::string& header) {
    if (header.empty()) return "_";
    std::string name;
    name.reserve(header.size() + 1);
    for (char ch : header) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const bool keep = IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
        name += keep ? ch : '_';
    }
    const unsigned char first = static_cast<unsigned char>(name[0]);
    if (!IsAsciiLetter(first) && first != '_') name.insert(0, 1, '_');
    return name;
}

std::string DelimitedText(const ListTable& table, const std::string& separator, bool quote) {
    const int columns = table.ColumnCount();
    const int rows = table.RowCount();
    std::string out;
    for (int row = -1; row < rows; ++row) {
        for (int col = 0; col < columns; ++col) {
            std::string cell = table.CellText(row, col);
            if (row == -1) cell = CutAtCharBoundary(cell, kMaxHeaderTitle);
            out += quote ? QuoteCell(SpreadsheetSafeCell(cell)) : FlattenCell(cell);
            if (col + 1 < columns) out += separator;
        }
        out += "\r\n";
    }
    return out;
}

std::string HtmlText(const ListTable& table, const std::string& title) {
    const int columns = table.ColumnCount();
    const int rows = table.RowCount();
    std::vector<std::string> align(columns);
    for (int col = 0; col < columns; ++col) align[col] = HtmlWriter::EscapeText(table.ColumnAlignment(col));

    // Without the declaration a browser guesses the page's character set, and
    // names in another code page than its guess come out garbled.
    std::string out = HtmlWriter::BeginPageText(title, HtmlWriter::CharsetMetaText(::GetACP()) + kHtmlStyle);
    out += HtmlWriter::BeginTableText(1, 3, 0, "100%");
    out += HtmlWriter::BeginFontText("Verdana", "+2");
    for (int row = -1; row < rows; ++row) {
        out += row == -1 ? "<tr class=tableheader bgcolor=\"#FCFCDA\">\r\n" : "  <tr>\r\n";
        for (int col = 0; col < columns; ++col) {
            const std::string text = HtmlWriter::EscapeText(table.CellText(row, col));
            out += "    <td align=\"" + align[col] + "\">";
            out += row == -1 ? "<b>" + text + "</b>" : text;
            out += "</td>\r\n";
        }
        out += "  </tr>\r\n";
    }
    out += HtmlWriter::EndFontText();
    out += HtmlWriter::EndTableText();
    out += HtmlWriter::EndPageText();
    return out;
}

std::string XmlText(const ListTable& table) {
    const int columns = table.ColumnCount();
    const int rows = table.RowCount();
    std::vector<std::string> names(columns);
    for (int col = 0; col < columns; ++col) names[col] = XmlElementName(table.CellText(-1, col));

    // The declaration names the code page the cells are in, so a reader
    // takes them as that and not as UTF-8.
    std::string out = XmlDeclaration() + "\r\n"
        "<scpd xmlns=\"urn:schemas-upnp-org:service-1-0\">\r\n"
        "  <specVersion>\r\n"
        "    <major>1</major>\r\n"
        "    <minor>0</minor>\r\n"
        "  </specVersion>\r\n";
    for (int row = 0; row < rows; ++row) {
        out += "    <entry>\r\n";
        for (int col = 0; col < columns; ++col)
            out += "      <" + names[col] + ">" + EscapeXmlText(table.CellText(row, col)) + "</" + names[col] + ">\r\n";
        out += "    </entry>\r\n";
    }
    out += "</scpd>\r\n";
    return out;
}

bool ExportDelimited(const ListTable& table, const std::string& path, const std::string& separator, bool quote,
                     DWORD* error) {
    WaitCursor wait;
    return WriteFileReplacing(path, DelimitedText(table, separator, quote), AsideName::Unique, error);
}

bool ExportHtml(const ListTable& table, const std::string& path, const std::string& title, DWORD* error) {
    WaitCursor wait;
    return WriteFileReplacing(path, HtmlText(table, title), AsideName::Unique, error);
}

bool ExportXml(const ListTable& table, const std::string& path, DWORD* error) {
    WaitCursor wait;
    return WriteFileReplacing(path, XmlText(table), AsideName::Unique, error);
}

bool Export(const ListTable& table, const std::string& path, int kind, const std::string& title, DWORD* error) {
    switch (kind) {
    case kExportTabSeparated: return ExportDelimited(table, path, "\t", false, error);
    case kExportCsv: return ExportDelimited(table, path, ",", true, error);
    case kExportHtml: return ExportHtml(table, path, title, error);
    case kExportXml: return ExportXml(table, path, error);
    default:
        if (error) *error = ERROR_INVALID_PARAMETER;
        return false;
    }
}

bool ShowSaveFileDialog(OPENFILENAMEA& ofn) {
    auto saveDialog = ondemand::Function<decltype(&::GetSaveFileNameA)>("comdlg32.dll", "GetSaveFileNameA");
    return saveDialog && saveDialog(&ofn) != FALSE;
}

std::string AskExportPath(HWND owner, const SaveFileDialog& dialog) {
    std::string filter = kExportFilter;
    std::replace(filter.begin(), filter.end(), '|', '\0');
    char file[MAX_PATH * 4] = {};
    lstrcpynA(file, kExportFilePattern, sizeof(file));

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof(file);
    ofn.lpstrTitle = kExportDialogTitle;
    ofn.lpstrDefExt = kExportFilePattern;
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER;
    if (!dialog || !dialog(ofn)) return std::string();
    file[sizeof(file) - 1] = '\0';
    return file;
}

std::string ExportFailedText(const std::string& path, DWORD error) {
    return "The list data could not be exported to " + path + ":\n\n" + SystemErrorText(error);
}

void ShowExportErrorBox(HWND owner, const std::string& text) {
    ::MessageBoxA(owner, text.c_str(), kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
}

std::string ExportTableCommand(HWND owner, const ListTable& table, const SaveFileDialog& dialog,
                               const ExportErrorBox& errorBox) {
    const std::string path = AskExportPath(owner, dialog);
    if (path.empty()) return std::string();
    const int kind = ExportKindFromExtension(FileExtension(path));
    DWORD error = ERROR_SUCCESS;
    if (Export(table, path, kind, kExportPageTitle, &error)) return kExportDoneText;
    if (errorBox) errorBox(owner, ExportFailedText(path, error));
    return std::string();
}

std::string ExportListCommand(HWND owner, HWND listView, const SaveFileDialog& dialog,
                              const ExportErrorBox& errorBox) {
    if (!listView || !::IsWindow(listView)) return std::string();
    ListViewTable table(listView);
    return ExportTableCommand(owner, table, dialog, errorBox);
}
