#include "display/screen.h"

#include "core/host.h"
#include "core/program.h"
#include "display/axes.h"
#include "display/click_view.h"
#include "display/display_link.h"
#include "display/geometry.h"
#include "display/legends.h"
#include "display/low_resolution.h"
#include "display/navigation.h"
#include "display/y_scale.h"

namespace kelp {

void StartDisplay(DisplayContext& ctx, int clientWidth, int clientHeight) {
    DisplayState& s = ctx.state;
    s.TimeScale = DefaultTimeScale;
    s.DisplayParameter = param::Spl;
    s.SlotParameter.fill(param::Spl);
    s.MinutesPerBin = 1;
    s.TicksPerPixel = TimeScaleAt(DefaultTimeScale).TicksPerPixel;
    s.MinutesPerMarker = ctx.program.Display.MinutesPerMarker;
    ComputeGeometry(s, ctx.program, clientWidth, clientHeight);
    SetYScale(ctx, s.Settings.YScaleText);
    s.IciScale = s.YScale;
    s.ClickRateScale = s.YScale;
    SetKl1Divisor(ctx, s.Settings.Kl1DivisorText);
    DrawAxes(ctx);
    WriteLegend(ctx);
    // The first screen ends one screen width after the start of time.
    s.ReadPosition = s.Span;
    s.HasLastScreenStart = false;
    PublishDisplayLink(ctx);
}

void DrawBackground(DisplayContext& ctx) {
    DisplayState& s = ctx.state;
    Canvas& c = ctx.canvas;
    const bool white = s.Settings.WhiteScreen;
    c.SetBrushColour(white ? ColourWhite : ColourBlack);
    c.FillRect(PlotLeft, s.Top, s.Right, s.Bottom);
    c.SetPen(ColourNavy, 1, PenStyle::Solid);
    if (!white) {
        for (int slot = 1; slot <= SlotCount; ++slot) {
            if (!SlotIsOpen(ctx.program, slot)) continue;
            const int base = s.Bands[static_cast<std::size_t>(slot)].Base;
            for (const YLabel& level : YLabelsOfBand(s, ctx.program, slot)) {
                c.MoveTo(16, base - level.G);
                c.LineTo(s.Right + 4, base - level.G);
            }
        }
    }
    if (OpenBandCount(ctx.program) > 1) {
        c.SetPenColour(ColourWindowFace);
        for (int slot = 2; slot <= SlotCount; ++slot) {
            if (!SlotIsOpen(ctx.program, slot)) continue;
            const int y = s.Bands[static_cast<std::size_t>(slot)].Base + 1;
            c.MoveTo(17, y);
            c.LineTo(s.Right + 1, y);
        }
    }
    if (white) {
        c.SetPenColour(ColourBlack);
        c.MoveTo(PlotLeft, s.Top + 20);
        c.LineTo(s.Right, s.Top + 20);
        c.LineTo(s.Right, s.Bottom);
        c.LineTo(PlotLeft, s.Bottom);
        c.LineTo(PlotLeft, s.Top + 20);
    }
    c.SetPen(ColourBlack, 1, PenStyle::Solid);
}

void ClearDisplay(DisplayContext& ctx) {
    DisplayState& s = ctx.state;
    ctx.canvas.SetBrushColour(ColourWindowFace);
    ctx.canvas.FillRect(PlotLeft, s.Top, s.Right, s.Bottom);
}

namespace {

void SetScreenLabels(DisplayContext& ctx, std::string start, std::string end) {
    ctx.state.StartLabel = std::move(start);
    ctx.state.EndLabel = std::move(end);
    ctx.host.StateChanged(display_changed::Labels);
}

} // namespace

ClickTime BeginBinScreen(DisplayContext& ctx) {
    DisplayState& s = ctx.state;
    const std::int32_t perBin = s.MinutesPerBin > 0 ? s.MinutesPerBin : 1;
    std::int32_t minute = s.ReadPosition.Minute;
    std::int32_t r = minute % perBin;
    if (r < 0) r += perBin;
    minute -= r;
    const ClickTime start{minute, 0};
    DrawBackground(ctx);
    SetScreenLabels(ctx, DateTimeText(start.Minute), DateTimeText(AddDisplayTime(start, s.Span).Minute));
    return start;
}

namespace {

// The earliest record not yet drawn among the slots that still have data.
std::optional<ClickTime> EarliestUnreadRecord(const Program& program) {
    std::optional<ClickTime> earliest;
    for (int slot = 1; slot <= SlotCount; ++slot) {
        const FileSlot& f = program.Slot(slot);
        if (!f.IsOpen || !f.MoreData) continue;
        const ClickTime t{f.CurrentMinute, f.Click.Time};
        if (!earliest || IsBefore(t, *earliest)) earliest = t;
    }
    return earliest;
}

} // namespace

std::optional<ClickTime> BeginClickScreen(DisplayContext& ctx) {
    DisplayState& s = ctx.state;
    ClickTime start;
    if (s.HasLastScreenStart) {
        start = s.LastScreenStart;
        s.HasLastScreenStart = false;
    } else if (const std::optional<ClickTime> earliest = EarliestUnreadRecord(ctx.program)) {
        start = *earliest;
    } else {
        return std::nullopt;
    }
    start.Time = start.Time < s.TicksPerPixel ? 0 : start.Time - s.TicksPerPixel;
    s.ReadPosition = AddDisplayTime(start, s.Span);
    SetScreenLabels(ctx, ClickTimeText(start), ClickTimeText(s.ReadPosition));
    if (start.Minute > ctx.program.SharedEnd) return std::nullopt;

    s.ClicksShown.fill(0);
    DrawBackground(ctx);
    // Dashed grey lines at the minute boundaries.
    Canvas& c = ctx.canvas;
    c.SetPen(ColourGrey, 1, PenStyle::Dashed);
    const std::int64_t perMinute = TicksPerMinute / s.TicksPerPixel;
    for (std::int64_t x = (TicksPerMinute - start.Time) / s.TicksPerPixel + PlotLeft; x < s.Right;
         x += perMinute) {
        c.MoveTo(static_cast<int>(x), s.Bottom);
        c.LineTo(static_cast<int>(x), s.Top);
    }
    c.SetPen(ColourBlack, 1, PenStyle::Solid);
    return start;
}

void FinishScreen(DisplayContext& ctx, const ClickTime& start) {
    DisplayState& s = ctx.state;
    s.ReadPosition = AddDisplayTime(start, s.Span);
    s.ReadPositionLabel = std::to_string(s.ReadPosition.Minute);
    ctx.host.StateChanged(display_changed::Labels);
    UpdateSlider(ctx);
    RefreshDisplaySourceBox(ctx);
}

void DrawScreen(DisplayContext& ctx) {
    if (IsLowResolution(ctx.state.TimeScale))
        DrawLowResolution(ctx);
    else
        ShowClickSeq(ctx);
}

void SetProgressLine(DisplayContext& ctx, const std::string& text) {
    ctx.program.ProgressLabel = text;
    ctx.host.SetProgressLabel(text);
}

void ShowClickCounts(DisplayContext& ctx) {
    const DisplayState& s = ctx.state;
    Program& p = ctx.program;
    const bool several = OpenBandCount(p) > 1;
    std::string text = "Clicks shown: ";
    bool anyData = false;
    for (int slot = 1; slot <= SlotCount; ++slot) {
        if (!SlotIsOpen(p, slot)) continue;
        anyData = anyData || p.Slot(slot).MoreData;
        if (several) text += " (f" + std::to_string(slot) + ") ";
        text += ThousandsText(s.ClicksShown[static_cast<std::size_t>(slot)]);
        if (several && slot < SlotCount) text += "    ";
    }
    // The click sequences of "ClkPk" count "waveforms" in slot 1.
    const bool waveforms = p.Options.ClickPeaks && SlotIsOpen(p, 1);
    const std::int64_t waveformCount = p.Slot(1).Peaks.PeakTotal;
    if (waveforms) {
        const std::int64_t clicks = s.ClicksShown[1];
        const double percent = clicks > 0 ? static_cast<double>(waveformCount) * 100.0 / clicks : 0.0;
        if (text.size() < 4 || text.compare(text.size() - 4, 4, "    ") != 0) text += "    ";
        text += std::to_string(waveformCount) + "    " + FixedText(percent, 4) + "%";
    }
    p.ClickCountLabel = text;
    ctx.host.StateChanged(display_changed::Labels);
    if (!anyData && OpenBandCount(p) > 0)
        SetProgressLine(ctx, waveforms ? "END OF DATA  " + std::to_string(waveformCount) + " waveforms"
                                       : "END OF DATA");
}

void RequestNewDrawing(DisplayState& state) {
    ++state.DrawingRequests;
}

DrawingScope::DrawingScope(DisplayState& state)
    : state_(state), mine_(++state.DrawingRequests), wasDrawing_(state.Drawing) {
    state_.Drawing = true;
}

DrawingScope::~DrawingScope() {
    state_.Drawing = wasDrawing_;
}

bool DrawingScope::Superseded() const {
    return state_.DrawingRequests != mine_;
}

bool DrawingScope::EventsSayStop(Host& host) {
    host.ProcessEvents();
    return Superseded() || host.EscapeHeld();
}

} // namespace kelp
