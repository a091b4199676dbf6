#include "ui/GraphWnd.h"


#include <algorithm>
#include <vector>

#include "base/Handles.h"
#include "base/Resources.h"
#include "ui/BufferedPaint.h"

namespace graphmath {

int ScaledHeight(long long value, int maximum, int height) {
    if (maximum <= 0 || height <= 0) return 0;
    const long long percent = value * 100 / maximum;
    // The factor is single precision on purpose (see the header); the product
    // itself is taken in double so that every compiler and floating-point
    // unit truncates the same number.
    const double scaled = static_cast<double>(height) * static_cast<double>(percent) *
                          static_cast<double>(0.01f);
    const long long pixels = static_cast<long long>(scaled);
    return static_cast<int>(std::min<long long>(std::max<long long>(pixels, 0), height));
}

int SampleX(int left, int width, int historyLength, int index) {
    if (historyLength <= 0) return left;
    return left + static_cast<int>(static_cast<double>(width) / historyLength * index);
}

int AverageOf(const std::deque<int>& samples) {
    if (samples.empty()) return 0;
    long long sum = 0;
    for (int v : samples) sum += v;
    return static_cast<int>(sum / static_cast<long long>(samples.size()));
}

int AutoScaleMaximum(const std::deque<int>& samples, int floor) {
    int largest = floor;
    for (int v : samples) largest = std::max(largest, v);
    return largest;
}

std::string FormatScaleLabel(int value, int divisor, const std::string& units) {
    if (divisor == 1 || divisor == 0) return FormatString("%d %s", value, units.c_str());
    return FormatString("%0.2f %s", static_cast<double>(value) / divisor, units.c_str());
}

}  // namespace graphmath

namespace {
const char kGraphClass[] = "QmGraphWnd";

RECT Shrunk(RECT rc, int by) {
    ::InflateRect(&rc, -by, -by);
    return rc;
}
}  // namespace

CGraphWnd::CGraphWnd() = default;
CGraphWnd::~CGraphWnd() = default;

bool CGraphWnd::Create(HWND parent, const RECT& rect, UINT id) {
    CWnd::RegisterClass(kGraphClass, CS_HREDRAW | CS_VREDRAW, nullptr);
    return CWnd::Create(0, kGraphClass, "", WS_CHILD | WS_VISIBLE, rect, parent, id) != nullptr;
}

void CGraphWnd::SetRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    Redraw();
}

void CGraphWnd::SetScaleDivisor(int divisor) {
    divisor_ = divisor;
    Redraw();
}

void CGraphWnd::SetGridColour(COLORREF colour) {
    gridColour_ = colour;
    Redraw();
}

void CGraphWnd::SetGridSpacing(int pixels) {
    gridSpacing_ = pixels;
    Redraw();
}

void CGraphWnd::SetGraphColour(COLORREF colour) {
    graphColour_ = colour;
    Redraw();
}

void CGraphWnd::SetBackgroundColour(COLORREF colour) {
    background_ = colour;
    Redraw();
}

void CGraphWnd::SetAverageLine(bool show, COLORREF colour) {
    showAverage_ = show;
    averageColour_ = colour;
    Redraw();
}

void CGraphWnd::SetTitle(const std::string& text, COLORREF colour, HFONT font) {
    title_ = text;
    titleColour_ = colour;
    titleFont_ = font;
    Redraw();
}

void CGraphWnd::SetAutoScale(bool enabled, int floor) {
    autoScale_ = enabled;
    autoScaleFloor_ = floor;
    Redraw();
}

void CGraphWnd::SetScaleLabels(bool show, const std::string& units, COLORREF colour, HFONT font) {
    showLabels_ = show;
    units_ = units;
    labelColour_ = colour;
    labelFont_ = font;
    Redraw();
}

void CGraphWnd::SetGraphType(int type) {
    graphType_ = type == kBarGraph ? kBarGraph : kLineGraph;
    Redraw();
}

void CGraphWnd::AddValue(int value) {
    history_.push_back(value);
    while (static_cast<int>(history_.size()) > historyLength_) history_.pop_front();
    if (autoScale_) maximum_ = graphmath::AutoScaleMaximum(history_, autoScaleFloor_);
    Redraw();
}

void CGraphWnd::Reset() {
    history_.clear();
    Redraw();
}

std::string CGraphWnd::UpperLabel() const {
    return graphmath::FormatScaleLabel(maximum_, divisor_, units_);
}

std::string CGraphWnd::LowerLabel() const {
    return graphmath::FormatScaleLabel(minimum_, divisor_, units_);
}

HMENU CGraphWnd::BuildContextMenu() const {
    HMENU menu = ::CreatePopupMenu();
    if (!menu) return nullptr;
    ::AppendMenuA(menu, MF_STRING, kCmdLineGraph, "Line Graph");
    ::AppendMenuA(menu, MF_STRING, kCmdBarGraph, "Bar Graph");
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(menu, MF_STRING | (showAverage_ ? MF_CHECKED : MF_UNCHECKED), kCmdShowAverage,
                  "Show Average Line");
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(menu, MF_STRING, kCmdReset, "Reset");
    ::CheckMenuRadioItem(menu, kCmdLineGraph, kCmdBarGraph,
                         graphType_ == kBarGraph ? kCmdBarGraph : kCmdLineGraph, MF_BYCOMMAND);
    return menu;
}

bool CGraphWnd::RunMenuCommand(UINT id) {
    switch (id) {
    case kCmdLineGraph: SetGraphType(kLineGraph); return true;
    case kCmdBarGraph: SetGraphType(kBarGraph); return true;
    case kCmdShowAverage: SetAverageLine(!showAverage_, averageColour_); return true;
    case kCmdReset: Reset(); return true;
    default: return false;
    }
}

bool CGraphWnd::OnContextMenu(HWND, POINT screen) {
    if (screen.x == -1 && screen.y == -1) {  // from the keyboard: open at the corner
        RECT wr = GetWindowRect();
        screen = {wr.left, wr.top};
    }
    MenuHandle menu(BuildContextMenu());
    if (!menu) return true;
    UINT cmd = static_cast<UINT>(::TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON |
                                                      TPM_RETURNCMD | TPM_NONOTIFY,
                                                  screen.x, screen.y, 0, hwnd_, nullptr));
    if (cmd) RunMenuCommand(cmd);
    return true;
}

bool CGraphWnd::OnCommand(UINT id, UINT, HWND) {
    return RunMenuCommand(id);
}

LRESULT CGraphWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    // A graph attached to a static placeholder must still get its own clicks.
    if (msg == WM_NCHITTEST) return HTCLIENT;
    return CWnd::WindowProc(msg, wp, lp);
}

bool CGraphWnd::OnPaint() {
    PaintDC dc(hwnd_);
    Draw(dc.get());
    return true;
}

void CGraphWnd::Redraw() const {
    // Hidden (another tab, or the window in the notification area): the
    // next paint shows the current values; drawing now would only cost.
    if (!IsWindow() || !IsVisible()) return;
    WindowDC dc(hwnd_);
    if (dc) Draw(dc.get());
}

void CGraphWnd::Draw(HDC dc) const {
    const RECT rc = GetClientRect();
    PaintBuffered(dc, rc, [&](HDC mem) { DrawContent(mem, rc); });
}

void CGraphWnd::DrawContent(HDC dc, const RECT& rc) const {
    const int L = rc.left, T = rc.top, R = rc.right, B = rc.bottom;
    const int W = R - L, H = B - T;

    BrushHandle background(::CreateSolidBrush(background_));
    ::FillRect(dc, &rc, background.get());

    // The grid stays put; only the samples scroll over it.
    if (gridSpacing_ > 0) {
        PenHandle gridPen(::CreatePen(PS_SOLID, 1, gridColour_));
        SelectGuard usePen(dc, gridPen.get());
        for (int x = L; x < R; x += gridSpacing_) {
            ::MoveToEx(dc, x, T, nullptr);
            ::LineTo(dc, x, B);
        }
        for (int y = T; y < B; y += gridSpacing_) {
            ::MoveToEx(dc, L, y, nullptr);
            ::LineTo(dc, R, y);
        }
    }

    ::SetBkMode(dc, TRANSPARENT);
    if (!title_.empty()) {
        RECT tr = Shrunk(rc, 8);
        SelectGuard useFont(dc, titleFont_);
        ::SetTextColor(dc, titleColour_);
        ::DrawTextA(dc, title_.c_str(), -1, &tr, DT_SINGLELINE | DT_RIGHT | DT_TOP | DT_NOPREFIX);
    }
    if (showLabels_) {
        RECT lr = Shrunk(rc, 4);
        SelectGuard useFont(dc, labelFont_);
        ::SetTextColor(dc, labelColour_);
        std::string lower = LowerLabel(), upper = UpperLabel();
        ::DrawTextA(dc, lower.c_str(), -1, &lr, DT_SINGLELINE | DT_LEFT | DT_BOTTOM | DT_NOPREFIX);
        ::DrawTextA(dc, upper.c_str(), -1, &lr, DT_SINGLELINE | DT_LEFT | DT_TOP | DT_NOPREFIX);
    }

    const int n = static_cast<int>(history_.size());
    if (n > 0) {
        auto xOf = [&](int i) {
            return i == historyLength_ - 1 ? R : graphmath::SampleX(L, W, historyLength_, i);
        };
        if (graphType_ == kBarGraph) {
            BrushHandle barBrush(::CreateSolidBrush(graphColour_));
            for (int i = 0; i < n; ++i) {
                const int x = graphmath::SampleX(L, W, historyLength_, i);
                RECT bar{x - 2, B - graphmath::ScaledHeight(history_[i], maximum_, H), x + 2, B};
                if (i == historyLength_ - 1) bar.right = R;
                ::FillRect(dc, &bar, barBrush.get());
            }
        } else {
            std::vector<POINT> points(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i)
                points[i] = {xOf(i), B - graphmath::ScaledHeight(history_[i], maximum_, H)};
            PenHandle linePen(::CreatePen(PS_SOLID, 1, graphColour_));
            SelectGuard usePen(dc, linePen.get());
            ::Polyline(dc, points.data(), n);
        }
    }

    if (showAverage_) {
        const int average = graphmath::AverageOf(history_);
        if (average > 0) {
            const int y = B - graphmath::ScaledHeight(average, maximum_, H);
            PenHandle dotPen(::CreatePen(PS_DOT, 1, averageColour_));
            SelectGuard usePen(dc, dotPen.get());
            ::MoveToEx(dc, L, y, nullptr);
            ::LineTo(dc, R, y);
        }
    }
}

void CPerfGraphWnd::SetMode(MemoryKind kind) {
    kind_ = kind;
    Reset();
}

namespace {
void ApplyCommonLook(CGraphWnd& graph, const char* title, const char* units) {
    HFONT guiFont = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    graph.SetGridColour(RGB(0, 127, 0));
    graph.SetGridSpacing(16);
    graph.SetTitle(title, RGB(255, 255, 255), guiFont);
    graph.SetScaleLabels(true, units, RGB(255, 255, 255), guiFont);
}
}  // namespace

void ConfigureCpuHistoryGraph(CGraphWnd& graph) {
    ApplyCommonLook(graph, "CPU Usage %", "%");
    graph.SetRange(0, 100);
    graph.SetScaleDivisor(1);
    graph.SetAverageLine(true, RGB(255, 0, 255));
    graph.SetAutoScale(false, 100);
}

void ConfigureMemoryHistoryGraph(CPerfGraphWnd& graph) {
    ApplyCommonLook(graph, MemoryGraphTitle(graph.GetMode()).c_str(), "MB");
    graph.SetScaleDivisor(1);
    graph.SetAverageLine(false, RGB(255, 0, 255));
    graph.SetAutoScale(false, 100);
}

void ConfigureNetworkGraph(CGraphWnd& graph) {
    ApplyCommonLook(graph, "Network Utilization %", "%");
    graph.SetRange(0, 5);
    graph.SetScaleDivisor(100);
    graph.SetAverageLine(false, RGB(0, 255, 255));
    graph.SetAutoScale(true, 10);
}

std::string MemoryGraphTitle(MemoryKind kind) {
    return std::string(MemoryKindName(kind)) + " Usage MB";
}
