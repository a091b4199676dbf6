#include "reports/DetailPrint.h"

#include <algorithm>

#include "core/Text.h"
#include "reports/TablePrint.h"

const char kDetailDocumentName[] = "Quillmark Details";

namespace {

// The label column's share of the paper; the value column takes the rest.
constexpr double kLabelShare = 0.2;
// The module table's columns: name, version, date, size.
const double kModuleShares[4] = {0.38, 0.22, 0.25, 0.15};

bool IsBreakAfter(char c) {
    return c == ' ' || c == '\\' || c == '/' || c == ',';
}

size_t CharLength(const std::string& text, size_t at) {
    return at + 1 < text.size() && ::IsDBCSLeadByte(static_cast<BYTE>(text[at])) ? 2 : 1;
}

void WrapParagraph(const std::string& text, const std::function<size_t(const std::string&)>& fits,
                   std::vector<std::string>& lines) {
    std::string rest = text;
    while (!rest.empty()) {
        const size_t room = fits(rest);
        if (room >= rest.size()) {
            lines.push_back(rest);
            return;
        }
        size_t cut = CutAtCharBoundary(rest, room).size();
        if (cut == 0) {
            cut = CharLength(rest, 0);
        } else {
            for (size_t i = cut; i > 1; --i) {
                if (IsBreakAfter(rest[i - 1])) {
                    cut = i;
                    break;
                }
            }
        }
        lines.push_back(rest.substr(0, cut));
        rest.erase(0, cut);
    }
}

// One table row whose cells may take several lines: every line of the row
// gets its space on the page before it is printed.
bool PrintWrappedRow(TablePrinter& printer, const std::vector<std::string>& cells) {
    std::vector<std::vector<std::string>> cellLines;
    size_t height = 1;
    for (size_t c = 0; c < cells.size(); ++c) {
        cellLines.push_back(WrapToWidth(cells[c], [&](const std::string& s) { return printer.FitInColumn(s, c); }));
        height = std::max(height, cellLines.back().size());
    }
    std::vector<std::string> line(cells.size());
    for (size_t i = 0; i < height; ++i) {
        for (size_t c = 0; c < cells.size(); ++c) line[c] = i < cellLines[c].size() ? cellLines[c][i] : std::string();
        if (!printer.EnsureSpace(printer.BodyRowHeight()) || !printer.PrintRow(line)) return false;
    }
    return true;
}

bool PrintInformation(TablePrinter& printer, const DetailModel& model) {
    printer.SetColumns({PrintColumn{model.section, kLabelShare}, PrintColumn{std::string(), 1.0 - kLabelShare}});
    if (!printer.BeginPage() || !PrintWrappedRow(printer, {std::string(), model.banner})) return false;
    for (const DetailRow& row : model.rows) {
        // A link's address says more on paper than a sentence to click.
        if (!PrintWrappedRow(printer, {row.label, row.link.empty() ? row.value : row.link})) return false;
    }
    if (!model.hasModules) return true;
    // The module table's title, heading and first row stay together.
    if (!printer.EnsureSpace(5 * printer.BodyRowHeight())) return false;
    if (!printer.PrintRow({std::string()}) || !printer.PrintRow({kModulesTitle})) return false;
    std::vector<PrintColumn> columns;
    for (int c = 0; c < 4; ++c) columns.push_back(PrintColumn{kModuleColumnTitles[c], kModuleShares[c]});
    printer.SetColumns(std::move(columns));
    if (!printer.PrintHeadingRow()) return false;
    for (const ModuleEntry& e : model.modules) {
        if (!PrintWrappedRow(printer, {e.name, e.version, e.date, e.size})) return false;
    }
    return true;
}

}  // namespace

std::vector<std::string> WrapToWidth(const std::string& text, const std::function<size_t(const std::string&)>& fits) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string paragraph = text.substr(start, end - start);
        if (!paragraph.empty() && paragraph.back() == '\r') paragraph.pop_back();
        if (paragraph.empty()) {
            if (end < text.size()) lines.push_back(std::string());
        } else {
            WrapParagraph(paragraph, fits, lines);
        }
        start = end + 1;
    }
    return lines;
}

bool PrintDetailPage(const DetailModel& model, HWND owner, const PrinterSource& source,
                     const std::string& documentName) {
    if (!source) return false;
    PrinterDC dc = source(owner);
    if (!dc) return false;
    TablePrinter printer(dc.get());
    SetListBands(printer);
    if (!printer.BeginDocument(documentName)) return false;
    bool printed = false;
    if (model.IsInformation()) {
        printed = PrintInformation(printer, model);
    } else {
        printer.SetColumns({PrintColumn{std::string(), 1.0}});
        printed = printer.BeginPage() && PrintWrappedRow(printer, {model.sentence});
    }
    return printed && printer.EndDocument();
}
