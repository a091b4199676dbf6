// Print Details: the detail page on paper through the table-printing engine,
// with the header and footer lines of the list printing. The label rows are a
// two-column table under the section title, the banner first; the module
// table follows with its own heading row. Long values wrap onto further lines
// of their row instead of being cut.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "reports/DetailPage.h"
#include "reports/ListPrinter.h"

// The document name the spooler shows.
extern const char kDetailDocumentName[];

// Splits text into the lines of a column. fits(rest) answers how many
// leading bytes of rest fit on one line; a line ends after the last space,
// backslash, slash or comma that fits, or where the room ends when there is
// none, never inside a double-byte character, and takes at least one
// character. Line breaks in the text start new lines. Nothing is dropped: the
// lines put together give the text without its line breaks.
std::vector<std::string> WrapToWidth(const std::string& text, const std::function<size_t(const std::string&)>& fits);

// Asks for the printer and prints the page (the blank and system pages print
// their sentence). False on Cancel or a failure.
bool PrintDetailPage(const DetailModel& model, HWND owner, const PrinterSource& source = ShowPrintDialog,
                     const std::string& documentName = kDetailDocumentName);
