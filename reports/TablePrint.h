// A small table-printing engine: a print job on a printer device context with
// a header band and a footer band on every page and a table of proportional
// columns between them. Pages are laid out in units of 0.1 mm over the
// device's printable area. The band texts use a markup of control characters
// (see ParseBandText), parsed and laid out by pure functions.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/Handles.h"

// ---- Band text markup ---------------------------------------------------------
// 31 starts a part drawn centred, 30 a part drawn right-aligned, 28 asks for a
// row of dots filling the gap before the next part, a line feed starts a new
// line. A doubled control character stands for the character itself.

constexpr char kBandCentre = '\x1f';
constexpr char kBandRight = '\x1e';
constexpr char kBandLeader = '\x1c';
constexpr char kBandNewLine = '\n';

enum class BandAlign { Left, Centre, Right };

struct BandPart {
    BandAlign align = BandAlign::Left;
    bool leader = false;  // dots from the end of the previous part to this one
    std::string text;
};
using BandLine = std::vector<BandPart>;

// Splits a band text into lines of parts. Parts without text are dropped,
// except one that carries a leader: dots asked for at the end of a line run
// to the right edge (an empty right-aligned part).
std::vector<BandLine> ParseBandText(const std::string& text);
// Text made literal for the markup: every control character doubled.
std::string EscapeBandText(const std::string& text);

// The left edge of each part of a line, given the parts' text widths and the
// line's width: left parts follow one another from the left edge, a centred
// part is centred and a right part ends where the line's remaining parts
// still fit before the right edge; no part starts before the end of the one
// before it.
std::vector<int> LayoutBandLine(const BandLine& line, const std::vector<int>& widths, int lineWidth);
// How many dots of width dotWidth fill a gap.
int LeaderDotCount(int gap, int dotWidth);

// ---- The engine ----------------------------------------------------------------

// A column of the table: its heading and its share of the printable width.
struct PrintColumn {
    std::string heading;
    double fraction = 0;
};

// Font sizes in points (all Arial).
constexpr int kBodyFontPoints = 9;
constexpr int kHeaderFontPoints = 11;
constexpr int kFooterFontPoints = 9;

// The left x of each column and the right edge of the last, in units of the
// table width: column i spans [edges[i], edges[i+1]).
std::vector<int> ColumnEdges(const std::vector<PrintColumn>& columns, int tableWidth);

class TablePrinter {
public:
    // Prints on dc, which the caller keeps. The header text is asked for on
    // every page with the page number; the footer is the same on every page.
    explicit TablePrinter(HDC dc);
    // A document still open (a failure on the way) is aborted.
    ~TablePrinter();
    TablePrinter(const TablePrinter&) = delete;
    TablePrinter& operator=(const TablePrinter&) = delete;

    void SetHeader(std::function<std::string(int page)> header) { header_ = std::move(header); }
    void SetFooter(const std::string& footer) { footer_ = footer; }
    // The columns of the following pages (and their heading rows).
    void SetColumns(std::vector<PrintColumn> columns) { columns_ = std::move(columns); }

    bool BeginDocument(const std::string& name);
    // A new page: its header band, then the heading row in the bold font.
    bool BeginPage();
    // Ends the page and begins the next when a row of `height` (0.1 mm) no
    // longer fits above the footer band.
    bool EnsureSpace(int height);
    // One row of body text; each cell left-aligned in its column and cut to
    // what fits in it.
    bool PrintRow(const std::vector<std::string>& cells);
    // The heading row of the columns set last, in the bold font, below what
    // is printed already: a second table on the same page (ensure the space
    // first). Later pages begin with it.
    bool PrintHeadingRow();
    // How many leading bytes of text fit in column `column` of a body row
    // (the rest of a longer text would be cut); 0 before the document begins.
    size_t FitInColumn(const std::string& text, size_t column);
    // The page's footer band, then the page goes to the printer.
    bool EndPage();
    // Ends the last page if still open and closes the document.
    bool EndDocument();

    // The height of one body row, in 0.1 mm.
    int BodyRowHeight() const { return bodyRow_; }
    // Pages begun so far.
    int PageCount() const { return page_; }
    bool Failed() const { return failed_; }
    // The printable area in 0.1 mm.
    int PageWidth() const { return width_; }
    int PageHeight() const { return height_; }

private:
    void PrepareDc();
    bool Check(bool ok);
    void DrawBand(const std::string& text, HFONT font, int top, int lineHeight, int firstLine);
    void DrawCells(const std::vector<std::string>& cells, HFONT font, int top);
    void DrawHeadingRow();
    void Rule(int y);
    int LineHeight(HFONT font);

    HDC dc_;
    std::function<std::string(int)> header_;
    std::string footer_;
    std::vector<PrintColumn> columns_;
    FontHandle body_, heading_, headerFont_, footerFont_;
    int width_ = 0, height_ = 0;
    int headerLine_ = 0, footerLine_ = 0, bodyRow_ = 0;
    int y_ = 0;
    int page_ = 0;
    bool docOpen_ = false, pageOpen_ = false, failed_ = false;
};
