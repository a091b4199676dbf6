#include "reports/ListPrinter.h"

#include <commdlg.h>

#include <cstdio>

#include "core/Text.h"
#include "platform/OnDemand.h"

namespace {

const char kHeaderTitle[] = "Quillmark Data";
const char kFooterNotice[] = "Printed by Quillmark from Ornava Utilities";
const char kFooterAddress[] = "www.ornava.com";

// Global memory the print dialog hands back.
struct GlobalTraits {
    using value_type = HGLOBAL;
    static HGLOBAL Invalid() { return nullptr; }
    static bool IsValid(HGLOBAL h) { return h != nullptr; }
    static void Close(HGLOBAL h) { ::GlobalFree(h); }
};
using GlobalMemory = UniqueResource<GlobalTraits>;

}  // namespace

std::vector<PrintPass> SplitIntoPasses(const std::vector<int>& widths, double limit) {
    std::vector<PrintPass> passes;
    if (widths.size() < 2) return passes;
    const int last = static_cast<int>(widths.size()) - 1;
    double sum = widths[0];
    int first = 1;
    for (int i = 1; i <= last; ++i) {
        sum += widths[i];
        if (sum > limit || i == last) {
            passes.push_back(PrintPass{first, i});
            sum = widths[0];
            first = i + 1;
        }
    }
    return passes;
}

std::vector<double> PassFractions(const std::vector<int>& widths, const PrintPass& pass) {
    std::vector<int> printed;
    if (!widths.empty()) printed.push_back(widths[0]);
    for (int i = pass.first; i <= pass.last && i < static_cast<int>(widths.size()); ++i) printed.push_back(widths[i]);
    double total = 0;
    for (int w : printed) total += w > 0 ? w : 0;
    std::vector<double> fractions;
    for (int w : printed) {
        // Columns of no width at all share the paper equally.
        fractions.push_back(total > 0 ? (w > 0 ? w : 0) / total : 1.0 / printed.size());
    }
    return fractions;
}

double PassWidthLimit(int printableWidthTenthsMm, int screenPixelsPerInch) {
    const double millimetres = printableWidthTenthsMm / 10.0;
    const double pixelsPerMm = screenPixelsPerInch / 25.4;
    return millimetres * pixelsPerMm * 2.0 / 3.0;
}

std::string ListHeaderText(const std::string& dateTime, int page) {
    char pageText[32];
    std::snprintf(pageText, sizeof(pageText), "Page %d", page);
    return std::string(kHeaderTitle) + kBandCentre + EscapeBandText(dateTime) + kBandRight + pageText;
}

std::string ListFooterText() {
    return std::string(kFooterNotice) + kBandRight + kFooterAddress;
}

std::string LocalDateTimeText() {
    char date[128] = {}, time[128] = {};
    ::GetDateFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, date, sizeof(date));
    ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, sizeof(time));
    return std::string(date) + " " + time;
}

void SetListBands(TablePrinter& printer) {
    printer.SetFooter(ListFooterText());
    const std::string dateTime = LocalDateTimeText();
    printer.SetHeader([dateTime](int page) { return ListHeaderText(dateTime, page); });
}

PrinterDC ShowPrintDialog(HWND owner) {
    PRINTDLGA pd{};
    pd.lStructSize = sizeof(pd);
    pd.hwndOwner = owner;
    pd.Flags = PD_RETURNDC | PD_ALLPAGES | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
    auto printDialog = ondemand::Function<decltype(&::PrintDlgA)>("comdlg32.dll", "PrintDlgA");
    const BOOL ok = printDialog ? printDialog(&pd) : FALSE;
    GlobalMemory devMode(pd.hDevMode), devNames(pd.hDevNames);
    PrinterDC dc(pd.hDC);
    if (!ok) dc.reset();
    return dc;
}

ListPrinter::ListPrinter(const ListTable& table, const std::string& documentName, HWND owner, PrinterSource source)
    : table_(table), documentName_(documentName), owner_(owner), source_(std::move(source)) {}

bool ListPrinter::Print() {
    passes_ = pages_ = 0;
    const int columns = table_.ColumnCount();
    if (columns < 2 || !source_) return false;
    PrinterDC dc = source_(owner_);
    if (!dc) return false;

    std::vector<int> widths;
    for (int c = 0; c < columns; ++c) widths.push_back(table_.ColumnWidth(c));

    TablePrinter printer(dc.get());
    SetListBands(printer);
    if (!printer.BeginDocument(documentName_)) return false;

    int screenDpi = 96;
    {
        WindowDC screen(nullptr);
        if (screen) screenDpi = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
    }
    const double limit = PassWidthLimit(printer.PageWidth(), screenDpi);
    for (const PrintPass& pass : SplitIntoPasses(widths, limit)) {
        if (!PrintPassOn(printer, widths, pass)) return false;
        ++passes_;
    }
    const bool ok = printer.EndDocument();
    pages_ = printer.PageCount();
    return ok;
}

bool ListPrinter::PrintPassOn(TablePrinter& printer, const std::vector<int>& widths, const PrintPass& pass) {
    const std::vector<double> fractions = PassFractions(widths, pass);
    std::vector<int> printed(1, 0);
    for (int c = pass.first; c <= pass.last; ++c) printed.push_back(c);
    std::vector<PrintColumn> columns;
    for (size_t i = 0; i < printed.size(); ++i) columns.push_back(PrintColumn{table_.CellText(-1, printed[i]), fractions[i]});
    printer.SetColumns(std::move(columns));

    // A pass after the first starts on a page of its own.
    if (printer.PageCount() > 0 && !printer.EndPage()) return false;
    if (!printer.BeginPage()) return false;
    const int rows = table_.RowCount();
    std::vector<std::string> cells(printed.size());
    for (int row = 0; row < rows; ++row) {
        if (!printer.EnsureSpace(printer.BodyRowHeight())) return false;
        for (size_t i = 0; i < printed.size(); ++i) {
            cells[i] = table_.CellText(row, printed[i]);
            cells[i] = CutAtCharBoundary(cells[i], kMaxPrintedCellText);
        }
        if (!printer.PrintRow(cells)) return false;
    }
    return true;
}

bool PrintListCommand(HWND owner, HWND listView, const std::string& caption, const PrinterSource& source) {
    if (!listView || !::IsWindow(listView)) return false;
    ListViewTable table(listView);
    return ListPrinter(table, caption, owner, source).Print();
}
