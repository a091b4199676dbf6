// Printing a list's contents as a table. A list wider than two thirds of the
// paper (measured as it is on screen) is printed in several passes: column 0
// in every pass, the other columns spread over the passes. All passes form
// one print job; each pass starts on a new page and the page numbers run on.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "reports/ListTable.h"
#include "reports/TablePrint.h"

// The columns of one pass besides column 0 (printed in every pass).
struct PrintPass {
    int first = 1;
    int last = 1;
};

// The longest cell text printed; the rest of a longer cell is left out.
constexpr size_t kMaxPrintedCellText = 199;

// The passes for columns of these on-screen widths: columns are added to a
// pass while the widths (column 0's included) add up to no more than limit;
// the column that makes the sum exceed it still belongs to that pass. A list
// with only column 0 has no passes.
std::vector<PrintPass> SplitIntoPasses(const std::vector<int>& widths, double limit);
// The share of the printable width of each printed column of a pass: column
// 0 first, then first..last, each width over the pass's total.
std::vector<double> PassFractions(const std::vector<int>& widths, const PrintPass& pass);
// The widest a pass may be, in screen pixels: two thirds of the printable
// width (in 0.1 mm) measured in screen pixels.
double PassWidthLimit(int printableWidthTenthsMm, int screenPixelsPerInch);

// The band texts: "Quillmark Data", the date and time centred, "Page n" on
// the right; the publisher on the left of the footer and its web address on
// the right.
std::string ListHeaderText(const std::string& dateTime, int page);
std::string ListFooterText();
// The current local date and time in the user's formats.
std::string LocalDateTimeText();
// Gives a print job the header and footer lines of the list printing, the
// date and time taken now.
void SetListBands(TablePrinter& printer);

// The printer's device context, deleted with DeleteDC.
using PrinterDC = UniqueResource<MemoryDcTraits>;
// Where the printer comes from: the print dialog by default; tests give a
// printer's context directly. An empty result means Cancel.
using PrinterSource = std::function<PrinterDC(HWND owner)>;
// The print dialog: all pages, no page ranges, no printing of the selection.
PrinterDC ShowPrintDialog(HWND owner);

class ListPrinter {
public:
    ListPrinter(const ListTable& table, const std::string& documentName, HWND owner = nullptr,
                PrinterSource source = ShowPrintDialog);
    // Asks for the printer and prints every pass. False when there is
    // nothing to print (one column or none), on Cancel and on a failure.
    bool Print();
    int PassCount() const { return passes_; }
    int PageCount() const { return pages_; }

private:
    bool PrintPassOn(TablePrinter& printer, const std::vector<int>& widths, const PrintPass& pass);

    const ListTable& table_;
    std::string documentName_;
    HWND owner_;
    PrinterSource source_;
    int passes_ = 0;
    int pages_ = 0;
};

// The Print List Contents command for a list view: the document is named by
// the caption (the spooler shows it). False on Cancel or failure.
bool PrintListCommand(HWND owner, HWND listView, const std::string& caption,
                      const PrinterSource& source = ShowPrintDialog);
