// History graphs: a scrolling line or bar graph of integer samples on a fixed
// grid, with an optional dotted average line, a title and scale labels.
// CGraphWnd owns the history it draws; a meter (MeterBarWnd.h) or the host
// feeds it through AddValue.
#pragma once

#include <windows.h>

#include <deque>
#include <string>

#include "framework/Window.h"
#include "sysinfo/Performance.h"

// The arithmetic of graphs and meters, kept apart from the drawing so that it
// can be checked to the pixel.
namespace graphmath {

// Height in pixels of a value on a scale of `maximum` over `height` pixels:
// the value is first taken as a whole percentage of the maximum, and the
// percentage scaled by a single-precision 0.01. Because 0.01f is slightly less
// than 0.01, a full-scale value comes out one pixel short of `height`.
// A maximum of zero or less gives 0; the result is kept within 0..height so
// that a sample outside the range cannot draw outside its frame.
int ScaledHeight(long long value, int maximum, int height);

// Horizontal position of sample `index` in a history of `historyLength`
// samples spread over `width` pixels starting at `left`.
int SampleX(int left, int width, int historyLength, int index);

// Integer average of the samples; 0 for an empty history.
int AverageOf(const std::deque<int>& samples);

// The larger of the largest sample and the floor (the floor when empty).
int AutoScaleMaximum(const std::deque<int>& samples, int floor);

// A scale label: "%d %s" with divisor 1, otherwise value / divisor as
// "%0.2f %s".
std::string FormatScaleLabel(int value, int divisor, const std::string& units);

}  // namespace graphmath

class CGraphWnd : public CWnd {
public:
    enum GraphType { kLineGraph = 0, kBarGraph = 1 };
    // Context-menu commands; the graph handles them itself.
    enum MenuCommand { kCmdLineGraph = 1000, kCmdBarGraph = 1001, kCmdShowAverage = 1002, kCmdReset = 1003 };
    static constexpr int kDefaultHistoryLength = 100;

    CGraphWnd();
    ~CGraphWnd() override;

    // Creates the graph as a child window. A page's placeholder control can
    // instead be taken over with Subclass (the graph paints all of it).
    bool Create(HWND parent, const RECT& rect, UINT id);

    // Every setter redraws at once.
    void SetRange(int minimum, int maximum);
    int GetMinimum() const { return minimum_; }
    int GetMaximum() const { return maximum_; }
    void SetScaleDivisor(int divisor);
    int GetScaleDivisor() const { return divisor_; }
    void SetGridColour(COLORREF colour);
    void SetGridSpacing(int pixels);
    void SetGraphColour(COLORREF colour);
    void SetBackgroundColour(COLORREF colour);
    void SetAverageLine(bool show, COLORREF colour);
    bool IsAverageLineShown() const { return showAverage_; }
    // The font is not owned; null means the device's current font.
    void SetTitle(const std::string& text, COLORREF colour, HFONT font);
    const std::string& GetTitle() const { return title_; }
    void SetAutoScale(bool enabled, int floor);
    void SetScaleLabels(bool show, const std::string& units, COLORREF colour, HFONT font);
    void SetGraphType(int type);
    int GetGraphType() const { return graphType_; }

    // Appends a sample, dropping the oldest beyond the history length, and
    // re-scales under auto-scale.
    void AddValue(int value);
    // Empties the history.
    void Reset();
    const std::deque<int>& History() const { return history_; }
    int HistoryLength() const { return historyLength_; }

    // The two label texts as they are drawn.
    std::string UpperLabel() const;
    std::string LowerLabel() const;

    // The context menu, with the current type and average flag checked.
    HMENU BuildContextMenu() const;
    // Runs one context-menu command; false for other ids.
    bool RunMenuCommand(UINT id);

    // Draws the whole client area into `dc` (through an off-screen bitmap).
    void Draw(HDC dc) const;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnPaint() override;
    bool OnEraseBkgnd(HDC) override { return true; }
    bool OnContextMenu(HWND wnd, POINT screen) override;
    bool OnCommand(UINT id, UINT code, HWND ctl) override;

    // Draws into the window now (the graph redraws on change, not on
    // invalidation).
    void Redraw() const;

private:
    void DrawContent(HDC dc, const RECT& rc) const;

    COLORREF background_ = RGB(0, 0, 0);
    COLORREF gridColour_ = RGB(0, 127, 0);
    COLORREF graphColour_ = RGB(255, 255, 0);
    COLORREF averageColour_ = RGB(0, 255, 255);
    int divisor_ = 1;
    int minimum_ = 0;
    int maximum_ = 100;
    int historyLength_ = kDefaultHistoryLength;
    int gridSpacing_ = 10;
    int graphType_ = kLineGraph;
    bool showAverage_ = false;
    COLORREF titleColour_ = RGB(255, 255, 255);
    std::string title_;
    HFONT titleFont_ = nullptr;
    bool autoScale_ = false;
    int autoScaleFloor_ = 100;
    bool showLabels_ = false;
    std::string units_;
    COLORREF labelColour_ = RGB(255, 255, 255);
    HFONT labelFont_ = nullptr;
    std::deque<int> history_;
};

// The memory history graph: remembers which memory kind it shows and starts
// its history over when the kind changes.
class CPerfGraphWnd : public CGraphWnd {
public:
    // Stores the kind and empties the history.
    void SetMode(MemoryKind kind);
    MemoryKind GetMode() const { return kind_; }

private:
    MemoryKind kind_ = MemoryKind::PageFile;
};

// The program's three graphs, set up as the Performance and Network pages
// show them: green grid every 16 pixels, white title and labels in the
// standard GUI font, labels shown.
void ConfigureCpuHistoryGraph(CGraphWnd& graph);     // 0..100 %, magenta average line
void ConfigureMemoryHistoryGraph(CPerfGraphWnd& graph);  // MB, range set by the meter
void ConfigureNetworkGraph(CGraphWnd& graph);        // hundredths of %, auto-scale floor 10
// "<kind name> Usage MB", the memory graph's title for a memory kind.
std::string MemoryGraphTitle(MemoryKind kind);
