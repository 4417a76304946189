#include "display/navigation.h"

#include <algorithm>
#include <climits>

#include "core/host.h"
#include "core/program.h"
#include "core/reader.h"
#include "display/axes.h"
#include "display/display_link.h"
#include "display/legends.h"
#include "display/screen.h"

namespace kelp {

namespace {

// Floor remainder, so that minutes before the time base round down too.
std::int32_t FloorMod(std::int32_t value, std::int32_t divisor) {
    const std::int32_t r = value % divisor;
    return r < 0 ? r + divisor : r;
}

} // namespace

ClickTime PixelToTime(const DisplayState& s, int x) {
    x = std::clamp(x, PlotLeft, std::max(PlotLeft, s.Right)) - PlotLeft;
    const ClickTime start = SubtractDisplayTime(s.ReadPosition, s.Span);
    if (!IsLowResolution(s.TimeScale)) return AddTicks(start, static_cast<std::int64_t>(x) * s.TicksPerPixel);
    const std::int64_t perBin =
        s.TimeScale == OneMinuteScale ? std::max(1, s.MinutesPerMarker) : s.MinutesPerBin;
    return NormalisedDisplayTime(static_cast<std::int64_t>(start.Minute) + (x / PixelsPerBin) * perBin,
                                 start.Time);
}

void ShowAt(DisplayContext& ctx, int x, ShowAtMode mode) {
    if (ctx.program.Options.Busy || OpenBandCount(ctx.program) == 0) return;
    DisplayState& s = ctx.state;
    const ClickTime t = mode == ShowAtMode::FromReadPosition ? s.ReadPosition : PixelToTime(s, x);
    ClickTime start = t;
    switch (mode) {
    case ShowAtMode::LeftOfPointer:
        start = SubtractDisplayTime(t, s.Span);
        break;
    case ShowAtMode::RightOfPointer:
        break;
    case ShowAtMode::ZoomInAround:
        ZoomIn(ctx);
        start = SubtractDisplayTime(t, s.HalfSpan);
        break;
    case ShowAtMode::ZoomOutAround:
        ZoomOut(ctx);
        start = SubtractDisplayTime(t, s.HalfSpan);
        break;
    case ShowAtMode::FromReadPosition:
        break;
    }
    // The click view starts one pixel before the position it is given.
    s.ReadPosition = AddTicks(start, s.TicksPerPixel);
    if (IsLowResolution(s.TimeScale)) {
        // The bin view starts at a whole bin; the slots are positioned there, so that the
        // first bin holds all its minutes.
        s.ReadPosition.Time = 0;
        const std::int32_t perBin = std::max(1, s.MinutesPerBin);
        s.ReadPosition.Minute -= FloorMod(s.ReadPosition.Minute, perBin);
    } else {
        s.HasLastScreenStart = true;
        s.LastScreenStart = s.ReadPosition;
    }
    PublishDisplayLink(ctx);
    PositionAt(ctx.program, ctx.host, s.ReadPosition.Minute, s.ReadPosition.Time);
    DrawScreen(ctx);
}

void SetTimeScale(DisplayContext& ctx, int scale) {
    DisplayState& s = ctx.state;
    s.TimeScale = std::clamp(scale, FinestScale, CoarsestScale);
    if (IsLowResolution(s.TimeScale)) {
        ctx.program.Display.GoOn = false;
        s.SeekEnabled = false;
        s.EnvelopeChoiceEnabled = false;
        s.NoiseChoiceEnabled = true;
    } else {
        // The click views have no noise view.
        if (s.DisplayParameter == param::Noise) {
            s.DisplayParameter = param::Spl;
            for (int slot = 1; slot <= SlotCount; ++slot)
                s.SlotParameter[static_cast<std::size_t>(slot)] =
                    SlotParameterFor(ctx.program.Slot(slot).Kind, s.DisplayParameter);
        }
        s.SeekEnabled = true;
        s.EnvelopeChoiceEnabled = true;
        s.NoiseChoiceEnabled = false;
    }
    ctx.host.StateChanged(display_changed::Captions);
    DrawAxes(ctx);
    WriteLegend(ctx);
    DrawBandTitles(ctx);
    RefreshDisplaySourceBox(ctx);
}

void ZoomIn(DisplayContext& ctx) {
    SetTimeScale(ctx, std::max(FinestScale, ctx.state.TimeScale - 1));
}

void ZoomOut(DisplayContext& ctx) {
    SetTimeScale(ctx, std::min(CoarsestScale, ctx.state.TimeScale + 1));
}

void SelectScale(DisplayContext& ctx, int scale) {
    DisplayState& s = ctx.state;
    const ClickTime centre = PixelToTime(s, s.PlotWidth / 2 + PlotLeft);
    SetTimeScale(ctx, scale);
    s.ReadPosition = AddDisplayTime(centre, s.HalfSpan);
}

void ShowAll(DisplayContext& ctx) {
    DisplayState& s = ctx.state;
    if (OpenBandCount(ctx.program) == 0) {
        ctx.host.ShowTimedMessage(Message2s, "No files open");
        return;
    }
    const std::int64_t m = ctx.program.SharedMinutes();
    const std::int64_t bins = std::max(1, s.Bins);
    int chosen = -1;
    for (int scale = FirstLowResolutionScale; scale <= CoarsestScale && chosen < 0; ++scale)
        if (m / TimeScaleAt(scale).MinutesPerBin < bins) chosen = scale;
    s.Settings.Temperature = true;
    if (chosen >= 0 && chosen != s.TimeScale)
        SetTimeScale(ctx, chosen);
    else
        WriteLegend(ctx);
    // Start at the bin boundary at or before the range's start, so that the screen
    // covers the whole range.
    const std::int32_t perBin = std::max(1, s.MinutesPerBin);
    s.ReadPosition = {ctx.program.SharedStart - FloorMod(ctx.program.SharedStart, perBin), 0};
}

void UpdateSlider(DisplayContext& ctx) {
    DisplayState& s = ctx.state;
    const Program& p = ctx.program;
    if (IsBefore(s.ReadPosition, ClickTime{p.SharedStart, 0})) return;
    const std::int64_t minutes = std::max<std::int64_t>(1, p.SharedMinutes());
    const std::int64_t plot = std::max(1, s.PlotWidth);
    const ClickTime start = SubtractDisplayTime(s.ReadPosition, s.Span);
    const std::int64_t fromStart = static_cast<std::int64_t>(start.Minute) - p.SharedStart;

    std::int64_t left = PlotLeft + RoundToInt(static_cast<double>(fromStart) * plot / minutes);
    left = std::clamp<std::int64_t>(left, PlotLeft, s.Right - SliderMinimumWidth);
    std::int64_t width = SliderMinimumWidth;
    if (IsLowResolution(s.TimeScale)) {
        if (static_cast<std::int64_t>(start.Minute) + s.Span.Minute < p.SharedEnd)
            width = std::max<std::int64_t>(SliderMinimumWidth,
                                           static_cast<std::int64_t>(s.Span.Minute) * plot / minutes);
        else
            width = s.Right - left;
    } else if (minutes * 2 < plot) {
        // A short range: the slider moves by seconds.
        const std::int64_t seconds = start.Time / TicksPerSecond + fromStart * 60;
        left = std::max<std::int64_t>(
            PlotLeft, std::min<std::int64_t>(s.Right, seconds * plot / (minutes * 60) + PlotLeft));
        width = std::max<std::int64_t>(SliderMinimumWidth, static_cast<std::int64_t>(s.TicksPerPixel) * plot /
                                                               TicksPerSecond * plot / (minutes * 60));
    }
    width = std::min<std::int64_t>(width, s.Right - left);
    if (left < INT_MIN || left > INT_MAX || width < INT_MIN || width > INT_MAX) return;
    s.SliderLeft = static_cast<int>(left);
    s.SliderWidth = static_cast<int>(std::max<std::int64_t>(0, width));
    ctx.program.Display.TimeSliderWidth = s.SliderWidth;
    ctx.host.StateChanged(display_changed::Slider);
}

} // namespace kelp
