#include "ui/MeterBarWnd.h"

#include "base/Resources.h"
#include "ui/BufferedPaint.h"
#include "ui/GraphWnd.h"

namespace metermath {

MeterLayout LayoutMeter(const RECT& client, int textHeight) {
    MeterLayout m;
    m.captionBand = {client.left, client.bottom - textHeight - 4, client.right, client.bottom};
    m.barFrame = {client.left, client.top, client.right, m.captionBand.top - 1};
    ::InflateRect(&m.barFrame, -5, -5);
    return m;
}

RECT FilledBar(const RECT& frame, int value, int maximum) {
    const int filled = graphmath::ScaledHeight(value, maximum, frame.bottom - frame.top);
    return {frame.left, frame.bottom - filled, frame.right, frame.bottom};
}

std::string FormatCaption(int value, const std::string& units) {
    if (units.empty()) return FormatString("%d", value);
    return FormatString("%d %s", value, units.c_str());
}

MemoryReading ReadingForKind(const MemoryStatus& status, MemoryKind kind) {
    uint64_t total = 0, available = 0;
    switch (kind) {
    case MemoryKind::Physical:
        total = status.TotalPhysical();
        available = status.AvailablePhysical();
        break;
    case MemoryKind::Virtual:
        total = status.TotalVirtual();
        available = status.AvailableVirtual();
        break;
    case MemoryKind::PageFile:
        total = status.TotalPageFile();
        available = status.AvailablePageFile();
        break;
    }
    MemoryReading r;
    r.totalMb = static_cast<int>(MemoryStatus::Megabytes(total));
    // A status with more available than total (a torn read) shows 0 used
    // rather than a wrapped-around figure.
    r.usedMb = available > total ? 0 : static_cast<int>(MemoryStatus::Megabytes(total - available));
    return r;
}

}  // namespace metermath

namespace {
const char kMeterClass[] = "QmMeterBarWnd";

HFONT CopyOfGuiFont() {
    LOGFONTA lf{};
    ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    return ::CreateFontIndirectA(&lf);
}
}  // namespace

CMeterBarWnd::CMeterBarWnd() : font_(CopyOfGuiFont()) {}
CMeterBarWnd::~CMeterBarWnd() = default;

bool CMeterBarWnd::Create(HWND parent, const RECT& rect, UINT id) {
    CWnd::RegisterClass(kMeterClass, CS_HREDRAW | CS_VREDRAW, nullptr);
    return CWnd::Create(0, kMeterClass, "", WS_CHILD | WS_VISIBLE, rect, parent, id) != nullptr;
}

void CMeterBarWnd::SetUnits(const std::string& units, COLORREF textColour) {
    units_ = units;
    textColour_ = textColour;
    Redraw();
}

void CMeterBarWnd::SetRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    Redraw();
}

void CMeterBarWnd::SetValue(int value) {
    value_ = value;
    Redraw();
}

void CMeterBarWnd::SetColours(COLORREF background, COLORREF barBackground, COLORREF bar) {
    background_ = background;
    barBackground_ = barBackground;
    barColour_ = bar;
    Redraw();
}

int CMeterBarWnd::CaptionHeight(HDC dc) const {
    SelectGuard useFont(dc, font_.get());
    SIZE size{};
    ::GetTextExtentPoint32A(dc, "100% MB", 7, &size);
    return size.cy;
}

metermath::MeterLayout CMeterBarWnd::CurrentLayout() const {
    WindowDC dc(hwnd_);
    return metermath::LayoutMeter(GetClientRect(), dc ? CaptionHeight(dc.get()) : 0);
}

bool CMeterBarWnd::OnPaint() {
    PaintDC dc(hwnd_);
    Draw(dc.get());
    return true;
}

void CMeterBarWnd::Redraw() const {
    // Hidden (another tab, or the window in the notification area): the
    // next paint shows the current values; drawing now would only cost.
    if (!IsWindow() || !IsVisible()) return;
    WindowDC dc(hwnd_);
    if (dc) Draw(dc.get());
}

void CMeterBarWnd::Draw(HDC target) const {
    const RECT rc = GetClientRect();
    PaintBuffered(target, rc, [&](HDC dc) {
        SelectGuard useFont(dc, font_.get());
        const auto layout = metermath::LayoutMeter(rc, CaptionHeight(dc));
        BrushHandle background(::CreateSolidBrush(background_));
        ::FillRect(dc, &rc, background.get());
        BrushHandle barBackground(::CreateSolidBrush(barBackground_));
        ::FillRect(dc, &layout.barFrame, barBackground.get());
        RECT filled = metermath::FilledBar(layout.barFrame, value_, maximum_);
        BrushHandle bar(::CreateSolidBrush(barColour_));
        ::FillRect(dc, &filled, bar.get());

        std::string caption = GetCaption();
        RECT band = layout.captionBand;
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, textColour_);
        ::DrawTextA(dc, caption.c_str(), -1, &band, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    });
}

void CCPUMeterWnd::Init() {
    SetUnits("%", RGB(0, 255, 0));
    SetRange(0, 100);
}

void CCPUMeterWnd::Feed(int usage) {
    ++samples_;
    SetValue(usage);
    if (CGraphWnd* graph = GetLinkedGraph()) graph->AddValue(usage);
}

void CPageFileMeterWnd::Init() { SetUnits("MB", RGB(0, 255, 0)); }

void CPageFileMeterWnd::ApplyReading(const MemoryStatus& status) {
    const auto reading = metermath::ReadingForKind(status, kind_);
    SetRange(0, reading.totalMb);
    SetValue(reading.usedMb);
    if (CGraphWnd* graph = GetLinkedGraph()) {
        graph->SetRange(0, reading.totalMb);
        graph->AddValue(reading.usedMb);
    }
}
