// Vertical bar meters with a numeric caption: the CPU meter fed by the CPU
// sampler's worker, and the memory meter fed by a 100 ms timer. Each can pass
// every new value on to a history graph.
#pragma once

#include <windows.h>

#include <string>

#include "core/Messages.h"
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
// The total and used megabytes of one memory kind (2 physical, 3 virtual,
// anything else the page file).
MemoryReading ReadingForKind(const MemoryStatus& status, int kind);

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

// The CPU meter: owns a CPU sampler whose worker posts WM_CPU_SAMPLE to it.
class CCPUMeterWnd : public CMeterBarWnd {
public:
    CCPUMeterWnd();
    ~CCPUMeterWnd() override;

    // Units "%", range 0..100, and starts the sampler for this window.
    // False when the sampler was already running or could not start.
    bool Init();
    // The number of samples received, for the host's diagnostics and tests.
    int SampleCount() const { return samples_; }
    // Whether the sampler's worker still runs (it stops with the window).
    bool SamplerRunning() const { return sampler_.Running(); }
    // Starts or stops the sampler: while nobody can see the window (in the
    // notification area, minimised) it does not run. Stopping waits for the
    // worker (its measurement watches the stop event, so that is quick).
    void SetSampling(bool on);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnDestroy() override;

private:
    CpuUsageSampler sampler_;
    int samples_ = 0;
};

// The memory meter: every 100 ms reads the memory status of its kind.
class CPageFileMeterWnd : public CMeterBarWnd {
public:
    static constexpr UINT_PTR kTimerId = kMeterBarTimer;
    static constexpr UINT kTimerMs = 100;

    // Units "MB" and the 100 ms timer.
    void Init();
    // 2 physical memory, 3 virtual memory, 4 page file; takes effect at the
    // next tick.
    void SetMode(int kind) { kind_ = kind; }
    int GetMode() const { return kind_; }
    // Arms or kills the timer (see CCPUMeterWnd::SetSampling).
    void SetTicking(bool on);
    bool Ticking() const { return ticking_; }
    // One tick's work: sets range and value (and the linked graph) from a
    // memory status.
    void ApplyReading(const MemoryStatus& status);

protected:
    void OnTimer(UINT_PTR id) override;

private:
    int kind_ = 4;
    bool ticking_ = false;
};
