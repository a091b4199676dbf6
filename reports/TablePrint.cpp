#include "reports/TablePrint.h"

#include <algorithm>
#include <cmath>

#include "core/Text.h"

namespace {

bool IsBandControl(char c) {
    return c == kBandCentre || c == kBandRight || c == kBandLeader || c == kBandNewLine;
}

// Inside a cell: the gap from the cell's left edge to its text, and above and
// below the text, in 0.1 mm.
constexpr int kCellInset = 10;
constexpr int kCellPadding = 5;
// Rules are drawn 0.2 mm wide.
constexpr int kRuleWidth = 2;

HFONT MakeFont(int points, int weight) {
    LOGFONTA lf{};
    // Logical units are 0.1 mm: a point is 254/72 of them.
    lf.lfHeight = -MulDiv(points, 254, 72);
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_TT_PRECIS;
    lf.lfQuality = PROOF_QUALITY;
    lstrcpynA(lf.lfFaceName, "Arial", LF_FACESIZE);
    return ::CreateFontIndirectA(&lf);
}

}  // namespace

// ---- Band text markup ----------------------------------------------------------

std::vector<BandLine> ParseBandText(const std::string& text) {
    std::vector<BandLine> lines(1);
    BandPart part;
    auto finish = [&]() {
        if (!part.text.empty()) {
            lines.back().push_back(part);
        } else if (part.leader) {
            // Dots with nothing after them run to the right edge.
            part.align = BandAlign::Right;
            lines.back().push_back(part);
        }
        part = BandPart();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (!IsBandControl(c)) {
            part.text += c;
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == c) {
            part.text += c;
            ++i;
            continue;
        }
        if (c == kBandNewLine) {
            finish();
            lines.emplace_back();
        } else if (c == kBandLeader) {
            const BandAlign align = part.align;
            finish();
            part.align = align;
            part.leader = true;
        } else {
            const BandAlign align = c == kBandCentre ? BandAlign::Centre : BandAlign::Right;
            // A leader just asked for belongs to the part that starts here.
            if (part.text.empty() && part.leader) {
                part.align = align;
            } else {
                finish();
                part.align = align;
            }
        }
    }
    finish();
    return lines;
}

std::string EscapeBandText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (IsBandControl(c)) out += c;
    }
    return out;
}

std::vector<int> LayoutBandLine(const BandLine& line, const std::vector<int>& widths, int lineWidth) {
    std::vector<int> x(line.size(), 0);
    int cursor = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        const int w = i < widths.size() ? widths[i] : 0;
        int at = cursor;
        if (line[i].align == BandAlign::Centre) {
            at = (lineWidth - w) / 2;
        } else if (line[i].align == BandAlign::Right) {
            int rest = 0;
            for (size_t j = i; j < line.size(); ++j) rest += j < widths.size() ? widths[j] : 0;
            at = lineWidth - rest;
        }
        x[i] = std::max(at, cursor);
        cursor = x[i] + w;
    }
    return x;
}

int LeaderDotCount(int gap, int dotWidth) {
    if (gap <= 0 || dotWidth <= 0) return 0;
    return gap / dotWidth;
}

std::vector<int> ColumnEdges(const std::vector<PrintColumn>& columns, int tableWidth) {
    std::vector<int> edges(1, 0);
    double sum = 0;
    for (const PrintColumn& c : columns) {
        sum += c.fraction;
        edges.push_back(static_cast<int>(std::lround(sum * tableWidth)));
    }
    return edges;
}

// ---- The engine ------------------------------------------------------------------

TablePrinter::TablePrinter(HDC dc) : dc_(dc) {}

TablePrinter::~TablePrinter() {
    if (docOpen_) ::AbortDoc(dc_);
}

bool TablePrinter::Check(bool ok) {
    if (!ok) failed_ = true;
    return ok;
}

void TablePrinter::PrepareDc() {
    // One logical unit is 0.1 mm; the origin is the printable area's corner.
    ::SetMapMode(dc_, MM_ANISOTROPIC);
    ::SetWindowExtEx(dc_, 254, 254, nullptr);
    ::SetViewportExtEx(dc_, ::GetDeviceCaps(dc_, LOGPIXELSX), ::GetDeviceCaps(dc_, LOGPIXELSY), nullptr);
    ::SetWindowOrgEx(dc_, 0, 0, nullptr);
    ::SetViewportOrgEx(dc_, 0, 0, nullptr);
    ::SetBkMode(dc_, TRANSPARENT);
    ::SetTextColor(dc_, RGB(0, 0, 0));
    ::SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
}

int TablePrinter::LineHeight(HFONT font) {
    SelectGuard sel(dc_, font);
    TEXTMETRICA tm{};
    if (!::GetTextMetricsA(dc_, &tm)) return 40;
    return tm.tmHeight + tm.tmExternalLeading;
}

bool TablePrinter::BeginDocument(const std::string& name) {
    if (!dc_ || docOpen_ || failed_) return Check(false);
    const int dpiX = ::GetDeviceCaps(dc_, LOGPIXELSX), dpiY = ::GetDeviceCaps(dc_, LOGPIXELSY);
    if (dpiX <= 0 || dpiY <= 0) return Check(false);
    width_ = MulDiv(::GetDeviceCaps(dc_, HORZRES), 254, dpiX);
    height_ = MulDiv(::GetDeviceCaps(dc_, VERTRES), 254, dpiY);

    body_.reset(MakeFont(kBodyFontPoints, FW_NORMAL));
    heading_.reset(MakeFont(kBodyFontPoints, FW_BOLD));
    headerFont_.reset(MakeFont(kHeaderFontPoints, FW_NORMAL));
    footerFont_.reset(MakeFont(kFooterFontPoints, FW_NORMAL));
    if (!body_ || !heading_ || !headerFont_ || !footerFont_) return Check(false);
    PrepareDc();
    headerLine_ = LineHeight(headerFont_.get());
    footerLine_ = LineHeight(footerFont_.get());
    bodyRow_ = LineHeight(body_.get()) + 2 * kCellPadding;

    DOCINFOA info{};
    info.cbSize = sizeof(info);
    info.lpszDocName = name.c_str();
    if (::StartDocA(dc_, &info) <= 0) return Check(false);
    docOpen_ = true;
    page_ = 0;
    return true;
}

void TablePrinter::Rule(int y) {
    RECT r{0, y, width_, y + kRuleWidth};
    ::FillRect(dc_, &r, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
}

void TablePrinter::DrawBand(const std::string& text, HFONT font, int top, int lineHeight, int firstLine) {
    SelectGuard sel(dc_, font);
    SIZE dot{};
    ::GetTextExtentPoint32A(dc_, ".", 1, &dot);
    int line = firstLine;
    for (const BandLine& parts : ParseBandText(text)) {
        std::vector<int> widths;
        for (const BandPart& p : parts) {
            SIZE s{};
            ::GetTextExtentPoint32A(dc_, p.text.c_str(), static_cast<int>(p.text.size()), &s);
            widths.push_back(s.cx);
        }
        const std::vector<int> x = LayoutBandLine(parts, widths, width_);
        const int y = top + line * lineHeight;
        int prevEnd = 0;
        for (size_t i = 0; i < parts.size(); ++i) {
            if (parts[i].leader) {
                // Leave a dot's width clear on both sides of the dots.
                const int count = LeaderDotCount(x[i] - prevEnd - 2 * dot.cx, dot.cx);
                if (count > 0) {
                    const std::string dots(static_cast<size_t>(count), '.');
                    ::TextOutA(dc_, prevEnd + dot.cx, y, dots.c_str(), count);
                }
            }
            ::TextOutA(dc_, x[i], y, parts[i].text.c_str(), static_cast<int>(parts[i].text.size()));
            prevEnd = x[i] + widths[i];
        }
        ++line;
    }
}

void TablePrinter::DrawCells(const std::vector<std::string>& cells, HFONT font, int top) {
    SelectGuard sel(dc_, font);
    const std::vector<int> edges = ColumnEdges(columns_, width_);
    for (size_t c = 0; c < columns_.size() && c < cells.size(); ++c) {
        const std::string& text = cells[c];
        const int room = edges[c + 1] - edges[c] - 2 * kCellInset;
        if (room <= 0 || text.empty()) continue;
        // A text wider than its column is cut to the characters that fit,
        // never inside a double-byte character (the count may be in bytes).
        int fit = 0;
        SIZE size{};
        if (!::GetTextExtentExPointA(dc_, text.c_str(), static_cast<int>(text.size()), room, &fit, nullptr, &size))
            fit = 0;
        const std::string shown = CutAtCharBoundary(text, fit > 0 ? static_cast<size_t>(fit) : 0);
        if (!shown.empty())
            ::TextOutA(dc_, edges[c] + kCellInset, top + kCellPadding, shown.c_str(), static_cast<int>(shown.size()));
    }
}

bool TablePrinter::BeginPage() {
    if (!docOpen_ || pageOpen_ || failed_) return Check(false);
    if (::StartPage(dc_) <= 0) return Check(false);
    pageOpen_ = true;
    ++page_;
    // Drivers may reset the device context's state at every page.
    PrepareDc();
    // The header band is two header lines; its text stands on the first.
    const int band = 2 * headerLine_;
    if (header_) DrawBand(header_(page_), headerFont_.get(), 0, headerLine_, 0);
    Rule(band - headerLine_ / 2);
    y_ = band;
    DrawHeadingRow();
    return true;
}

void TablePrinter::DrawHeadingRow() {
    std::vector<std::string> headings;
    for (const PrintColumn& c : columns_) headings.push_back(c.heading);
    DrawCells(headings, heading_.get(), y_);
    y_ += bodyRow_;
    Rule(y_);
    y_ += kRuleWidth;
}

bool TablePrinter::PrintHeadingRow() {
    if (!pageOpen_ || failed_) return Check(false);
    DrawHeadingRow();
    return true;
}

size_t TablePrinter::FitInColumn(const std::string& text, size_t column) {
    if (!docOpen_ || !body_ || column >= columns_.size() || text.empty()) return 0;
    const std::vector<int> edges = ColumnEdges(columns_, width_);
    const int room = edges[column + 1] - edges[column] - 2 * kCellInset;
    if (room <= 0) return 0;
    SelectGuard sel(dc_, body_.get());
    int fit = 0;
    SIZE size{};
    if (!::GetTextExtentExPointA(dc_, text.c_str(), static_cast<int>(text.size()), room, &fit, nullptr, &size))
        return 0;
    return fit > 0 ? static_cast<size_t>(fit) : 0;
}

bool TablePrinter::EnsureSpace(int height) {
    if (!pageOpen_ || failed_) return Check(false);
    const int bottom = height_ - 2 * footerLine_;
    if (y_ + height <= bottom) return true;
    return EndPage() && BeginPage();
}

bool TablePrinter::PrintRow(const std::vector<std::string>& cells) {
    if (!pageOpen_ || failed_) return Check(false);
    DrawCells(cells, body_.get(), y_);
    y_ += bodyRow_;
    return true;
}

bool TablePrinter::EndPage() {
    if (!pageOpen_ || failed_) return Check(false);
    // The footer band is two footer lines: a rule, then the text on the
    // second line.
    const int band = height_ - 2 * footerLine_;
    Rule(band + footerLine_ / 2);
    DrawBand(footer_, footerFont_.get(), band, footerLine_, 1);
    pageOpen_ = false;
    return Check(::EndPage(dc_) > 0);
}

bool TablePrinter::EndDocument() {
    if (!docOpen_) return Check(false);
    if (pageOpen_ && !EndPage()) return false;
    if (failed_) return false;
    docOpen_ = false;
    return Check(::EndDoc(dc_) > 0);
}
