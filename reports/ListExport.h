// Export of a list's contents to a file: tab-separated or comma-separated
// text, an HTML table, or a simple XML layout. The writers read the list
// through ListTable; each builds the whole file in memory and lets it replace
// the old file only when complete, so a failed export never leaves half a
// file or destroys the previous one. Every line ends in CR LF.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <functional>
#include <string>

#include "reports/ListTable.h"

enum ExportKind : int {
    kExportTabSeparated = 0,
    kExportCsv = 1,
    kExportHtml = 2,
    kExportXml = 3,
};

// "csv" -> CSV, "htm"/"html" -> HTML, "xml" -> XML, ignoring case and an
// optional leading dot; anything else, or nothing, -> HTML.
int ExportKindFromExtension(const std::string& extension);
// The extension of the file name at the end of path, without the dot; empty
// when the name has none.
std::string FileExtension(const std::string& path);

// ---- The file contents, as text ------------------------------------------

// The header row and every item row; cells joined by the separator. With
// quote (CSV), every cell stands in double quotes and a quote inside it is
// doubled, so a cell holding a comma or a quote reads back as one field, and
// a cell a spreadsheet would take for a formula gets an apostrophe in front
// (see SpreadsheetSafeCell). Without quote (tab-separated), tabs and line
// breaks inside a cell become spaces, which keeps every row on one line with
// its columns in place. Header texts are cut to kMaxHeaderTitle bytes at a
// character boundary.
std::string DelimitedText(const ListTable& table, const std::string& separator, bool quote);
// A cell as a spreadsheet must read it: text that starts with "=", "+", "-",
// "@", a tab or a carriage return (a window title such as
// "=HYPERLINK(...)") would be evaluated as a formula, so it gets an apostrophe
// in front, unless it is a plain number ("-12", "+1.5", "-3,5%").
std::string SpreadsheetSafeCell(const std::string& text);
// A page with one table: the header row in bold, each cell aligned as its
// column. Cell, header and title texts are escaped; the page declares the
// character set of the program's text (the system's ANSI code page).
std::string HtmlText(const ListTable& table, const std::string& title);
// The declaration, the scpd root, one entry per item row with one element per
// column named after its header (see XmlElementName); texts escaped.
std::string XmlText(const ListTable& table);

// The element name for a column header: spaces and "/" become "_", as does
// every other character an XML name cannot hold; a name that would start
// with a digit, "-" or "." gets "_" in front; an empty header gives "_".
std::string XmlElementName(const std::string& header);

// ---- The writers -----------------------------------------------------------
// Each returns false only when the file cannot be written, with the system's
// error code in *error (when given); an existing file is then left as it was.
// The new content is written beside the target under a name no file has, so
// nothing else in the user's folder is touched.

bool ExportDelimited(const ListTable& table, const std::string& path, const std::string& separator, bool quote,
                     DWORD* error = nullptr);
bool ExportHtml(const ListTable& table, const std::string& path, const std::string& title, DWORD* error = nullptr);
bool ExportXml(const ListTable& table, const std::string& path, DWORD* error = nullptr);
// Kind 0 tab-separated, 1 CSV, 2 HTML with the title, 3 XML; any other kind
// writes nothing and returns false.
bool Export(const ListTable& table, const std::string& path, int kind, const std::string& title,
            DWORD* error = nullptr);

// ---- The Export Data command ----------------------------------------------

// The title of the exported HTML page.
constexpr const char kExportPageTitle[] = "Quillmark Exported Data";
// What the status bar shows after a successful export.
constexpr const char kExportDoneText[] = "List data exported successfully";

// The save dialog, replaceable so the command can run without a user:
// GetSaveFileNameA by default. It fills the file name buffer and answers
// true for OK.
using SaveFileDialog = std::function<bool(OPENFILENAMEA&)>;
bool ShowSaveFileDialog(OPENFILENAMEA& ofn);

// Asks where to export: the "Export List Data" save dialog with the CSV and
// HTML filters, an overwrite prompt and no read-only box. The chosen path, or
// empty on Cancel.
std::string AskExportPath(HWND owner, const SaveFileDialog& dialog = ShowSaveFileDialog);

// What the user is told when an export failed: the file and the reason.
std::string ExportFailedText(const std::string& path, DWORD error);
// The message box that tells it, replaceable for tests: by default a box
// owned by owner with the caption "Quillmark", OK and the exclamation icon.
using ExportErrorBox = std::function<void(HWND owner, const std::string& text)>;
void ShowExportErrorBox(HWND owner, const std::string& text);

// The whole command for one list view: asks for the file, exports in the
// format its extension names (wait cursor shown), and answers the status
// text: kExportDoneText on success, empty on Cancel or failure. A failure is
// shown in the error box (ExportFailedText).
std::string ExportListCommand(HWND owner, HWND listView, const SaveFileDialog& dialog = ShowSaveFileDialog,
                              const ExportErrorBox& errorBox = ShowExportErrorBox);
// The same for any table.
std::string ExportTableCommand(HWND owner, const ListTable& table, const SaveFileDialog& dialog = ShowSaveFileDialog,
                               const ExportErrorBox& errorBox = ShowExportErrorBox);
