// Vertical bar meters with a numeric caption: the CPU meter and the memory
// meter, fed by their host with the samplers' readings. Each can pass every
// new value on to a history graph. A meter owns no sampler.
#pragma once

#include <windows.h>

#include <string>

#include "base/Handles.h"
#include "framework/Window.h"
#include "sysinfo/Performance.h"

class CGraphWnd;

// The geometry and text of a meter, apart from the drawing.
namespace metermath {

struct MeterLayout {
    RECT captionBand;  // bottom strip holding the caption
    RECT barFrame;     // the bar, above the band, 5 pixels in from every side
};

// The layout of a client rectangle for a caption text `textHeight` high.
MeterLayout LayoutMeter(const RECT& client, int textHeight);
// The filled part of the frame for `value` on a scale of `maximum`.
RECT FilledBar(const RECT& barFrame, int value, int maximum);
// "42", or "42 MB" with units.
std::string FormatCaption(int value, const std::string& units);

struct MemoryReading {
    int totalMb = 0;
    int usedMb = 0;
};
// The total and used megabytes of one memory kind.
MemoryReading ReadingForKind(const MemoryStatus& status, MemoryKind kind);

}  // namespace metermath

class CMeterBarWnd : public CWnd {
public:
    CMeterBarWnd();
    ~CMeterBarWnd() override;

    // Creates the meter as a child window. A page's placeholder control can
    // instead be taken over with Subclass (the meter paints all of it).
    bool Create(HWND parent, const RECT& rect, UINT id);

    // Each setter redraws at once.
    void SetUnits(const std::string& units, COLORREF textColour);
    void SetRange(int minimum, int maximum);
    void SetValue(int value);
    void SetColours(COLORREF background, COLORREF barBackground, COLORREF bar);
    // The graph is not owned; null unlinks.
    void SetLinkedGraph(CGraphWnd* graph) { graph_ = graph; }
    CGraphWnd* GetLinkedGraph() const { return graph_; }

    int GetValue() const { return value_; }
    int GetMinimum() const { return minimum_; }
    int GetMaximum() const { return maximum_; }
    const std::string& GetUnits() const { return units_; }
    std::string GetCaption() const { return metermath::FormatCaption(value_, units_); }
    // The layout the meter draws with for its current size and font.
    metermath::MeterLayout CurrentLayout() const;

    // Draws the whole client area into `dc` (through an off-screen bitmap).
    void Draw(HDC dc) const;

protected:
    bool OnPaint() override;
    bool OnEraseBkgnd(HDC) override { return true; }
    void Redraw() const;

private:
    int CaptionHeight(HDC dc) const;

    COLORREF background_ = RGB(0, 0, 0);
    COLORREF barBackground_ = RGB(0, 127, 0);
    COLORREF barColour_ = RGB(0, 255, 0);
    COLORREF textColour_ = RGB(255, 255, 255);
    std::string units_;
    int minimum_ = 0;  // kept for the host; the bar always starts at 0
    int maximum_ = 100;
    int value_ = 0;
    FontHandle font_;
    CGraphWnd* graph_ = nullptr;
};

// The CPU meter: the usage in percent, 0..100.
class CCPUMeterWnd : public CMeterBarWnd {
public:
    // Units "%", range 0..100.
    void Init();
    // One reading: the bar, the caption and the linked graph.
    void Feed(int usage);
    // The number of readings fed, for the host's diagnostics and tests.
    int SampleCount() const { return samples_; }

private:
    int samples_ = 0;
};

// The memory meter: one memory kind's used and total megabytes.
class CPageFileMeterWnd : public CMeterBarWnd {
public:
    // Units "MB".
    void Init();
    // The kind shown from the next reading on.
    void SetMode(MemoryKind kind) { kind_ = kind; }
    MemoryKind GetMode() const { return kind_; }
    // One reading: range and value of the meter and its linked graph from a
    // memory status.
    void ApplyReading(const MemoryStatus& status);

private:
    MemoryKind kind_ = MemoryKind::PageFile;
};
