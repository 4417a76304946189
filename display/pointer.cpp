#include "display/pointer.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "core/host.h"
#include "core/program.h"
#include "display/controls.h"
#include "display/geometry.h"
#include "display/legends.h"
#include "display/navigation.h"
#include "display/screen.h"

namespace kelp {

namespace {

namespace L = controls_layout;

constexpr int DragMinimum = 10;      // pixels a drag must reach to the right
constexpr int MenuStripHeight = 21;  // the top of the display that can show the menu pages
constexpr int MenuTop = 82;          // the pointer menu opens below this y
constexpr int WideSliderWidth = 120; // the slider while it is dragged
constexpr Colour DragLineColour = ColourYellow;
constexpr int DragLineWidth = 5;

std::int64_t FloorMod(std::int64_t value, std::int64_t divisor) {
    const std::int64_t r = value % divisor;
    return r < 0 ? r + divisor : r;
}

bool InsidePlot(const DisplayState& s, int x, int y) {
    return x > 15 && x < s.Right && y > s.Top && y < s.Bottom;
}

} // namespace

int ClickScaleForTicksPerPixel(std::int64_t r) {
    static constexpr std::array<std::int64_t, 10> Limits = {1, 3, 19, 99, 199, 399, 999, 1'999, 3'999, 9'999};
    for (std::size_t k = 0; k < Limits.size(); ++k)
        if (r <= Limits[k]) return static_cast<int>(k);
    return 10;
}

int BinScaleForMinutesPerBin(std::int64_t r) {
    static constexpr std::array<std::int64_t, 8> Limits = {0, 4, 29, 59, 185, 359, 719, 1'439};
    for (std::size_t k = 0; k < Limits.size(); ++k)
        if (r <= Limits[k]) return FirstLowResolutionScale + static_cast<int>(k);
    return CoarsestScale;
}

void ZoomToSelection(DisplayContext& ctx, int x1, int x2) {
    DisplayState& s = ctx.state;
    const ClickTime t1 = PixelToTime(s, x1);
    const ClickTime t2 = PixelToTime(s, x2);
    const std::int64_t ticks = TicksBetween(t2, t1);
    const std::int64_t milliseconds = ticks / (TicksPerSecond / 1'000);
    const std::int64_t plot = std::max(1, s.PlotWidth);
    if (milliseconds < plot * 100 || s.TimeScale == OneMinuteScale) {
        SetTimeScale(ctx, ClickScaleForTicksPerPixel(milliseconds * 200 / plot));
        // The selection's centre becomes the screen's centre.
        const ClickTime centre = AddTicks(t1, ticks / 2);
        s.ReadPosition = AddTicks(centre, -(static_cast<std::int64_t>(s.TicksPerPixel) * plot) / 2);
    } else {
        const std::int64_t bins = std::max(1, s.Bins);
        SetTimeScale(ctx, BinScaleForMinutesPerBin(milliseconds / 60'000 / bins));
        const std::int64_t middle = (static_cast<std::int64_t>(t1.Minute) + t2.Minute) / 2;
        s.ReadPosition = NormalisedDisplayTime(middle - bins * s.MinutesPerBin / 2, 0);
    }
    ShowParameter(ctx, s.DisplayParameter, false);
    ShowAt(ctx, PlotLeft, ShowAtMode::FromReadPosition);
}

void PointerPressed(DisplayContext& ctx, int x, int y) {
    if (InsidePlot(ctx.state, x, y)) DisplayCommandsOf(ctx.program).DragStartX = x;
}

bool PointerReleased(DisplayContext& ctx, int x, int y) {
    DisplayCommands& c = DisplayCommandsOf(ctx.program);
    const DisplayState& s = ctx.state;
    const int start = c.DragStartX;
    c.DragStartX = 0;
    if (start <= 15 || x - start <= DragMinimum || s.TimeScale <= FinestScale) return false;
    if (x > s.Right || y <= s.Top || y >= s.Bottom) return false;
    if (OpenBandCount(ctx.program) == 0 || ctx.program.Options.Busy) return false;
    ZoomToSelection(ctx, start, x);
    return true;
}

std::string PointerTimeText(const DisplayState& s, int x) {
    const ClickTime t = PixelToTime(s, x);
    if (IsLowResolution(s.TimeScale)) return DateTimeText(t.Minute);
    std::string text = ClickTimeText(t);
    if (x == (s.Right + PlotLeft) / 2) text += "  (centre)";
    return text;
}

PointerMoveResult PointerMoved(DisplayContext& ctx, int x, int y) {
    Program& p = ctx.program;
    DisplayState& s = ctx.state;
    DisplayCommands& c = DisplayCommandsOf(p);
    if (p.Options.Busy) return PointerMoveResult::Nothing;
    if (c.SliderDragging) {
        SliderDragged(ctx, x);
        return PointerMoveResult::Nothing;
    }
    if (!c.ClickToShowMenu && y <= MenuStripHeight) {
        if (!c.MenuAutoShowArmed) return PointerMoveResult::Nothing;
        c.MenuAutoShowArmed = false;
        return PointerMoveResult::ShowMenuPages;
    }
    if (OpenBandCount(p) == 0 || y <= 0 || y >= s.Bottom || x <= 17 || x > s.Right)
        return PointerMoveResult::Nothing;
    s.PointerTime = PixelToTime(s, x);
    const int start = c.DragStartX;
    if (start > 15 && x - start > DragMinimum && s.TimeScale > FinestScale && x > 28 && x < s.Right &&
        y > s.Top && y < s.Bottom) {
        ctx.canvas.SetPen(DragLineColour, DragLineWidth, PenStyle::Solid);
        ctx.canvas.MoveTo(start, s.Top + 20);
        ctx.canvas.LineTo(x, s.Top + 20);
        ctx.canvas.SetPen(ColourBlack, 1, PenStyle::Solid);
    }
    // The window shows the read-out again after each move (no change is announced for it).
    p.DataPositionLabel = PointerTimeText(s, x);
    if (const int band = BandAt(s, p, y); band != 0 && p.ProgressLabel != p.Slot(band).ShortName)
        SetProgressLine(ctx, p.Slot(band).ShortName);
    return PointerMoveResult::Nothing;
}

void RearmMenuAutoShow(Program& program) {
    DisplayCommandsOf(program).MenuAutoShowArmed = true;
}

bool RightClicked(DisplayContext& ctx, int x, int y) {
    if (OpenBandCount(ctx.program) == 0) return false;
    DisplayCommands& c = DisplayCommandsOf(ctx.program);
    c.PreviousRightClick = c.RightClick;
    c.RightClick = {x, y};
    return x >= 17 && x <= ctx.state.Right && y >= MenuTop && y <= ctx.state.Bottom;
}

void DoubleClicked(DisplayContext& ctx, int y) {
    ctx.state.SelectedY = y;
}

std::string InterclickIntervalText(const DisplayState& s, const PointerPosition& current,
                                   const PointerPosition& previous) {
    const int x = current.X;
    const ClickTime screenStart = SubtractDisplayTime(s.ReadPosition, s.Span);
    if (!IsLowResolution(s.TimeScale)) {
        std::string text =
            "@ pointer  " +
            DateTimeText(AddTicks(screenStart, static_cast<std::int64_t>(x - 19) * s.TicksPerPixel).Minute);
        static constexpr std::array<std::int64_t, FirstLowResolutionScale> K = {
            1'000'000, 500'000, 100'000, 20'000, 10'000, 5'000, 2'000, 1'000, 500, 200, 100};
        std::int64_t d = std::abs(previous.X - x);
        if (d == 0) d = 10'000'000;
        // f is ten times the rate in clicks per second for an interval of d pixels.
        const std::int64_t f = K[static_cast<std::size_t>(std::clamp(s.TimeScale, 0, 10))] / d;
        if (f > 0 && f < 1'000'000)
            text = "ICI = " + std::to_string(10'000 / f) + "." + std::to_string((100'000 / f) % 10) +
                   "ms  (rate " + std::to_string(f / 10) + "." + std::to_string(f % 10) + "/s)";
        return text;
    }
    const std::int64_t b = (x - PlotLeft) / PixelsPerBin;
    const std::int64_t m = screenStart.Minute;
    auto at = [](std::int64_t minute) { return DateTimeText(static_cast<MinuteNumber>(minute)); };
    // The end of the bin under the pointer; bins of n minutes start at multiples of n.
    auto binEnd = [&](const char* name, std::int64_t n) {
        return std::string(name) + at(m - FloorMod(m, n) + n * (b + 1));
    };
    switch (s.TimeScale) {
    case OneMinuteScale:
        return "Min to " + at(m + b + 1) + "  (" + std::to_string(m + b + 1) + ")";
    case FiveMinuteScale:
        return binEnd("5min to ", 5);
    case 13:
        return binEnd("30min to ", 30);
    case 14:
        return binEnd("Hour to ", 60);
    case TideScale:
        return "1/4cycle to " + at(m + 186 * b);
    case 16:
        return binEnd("6h to ", 360);
    case 17:
        return binEnd("12hr to ", 720);
    case 18:
        return binEnd("Day to ", MinutesPerDay);
    default:
        return binEnd("Week to ", 7 * MinutesPerDay);
    }
}

void ShowInterclickInterval(DisplayContext& ctx) {
    const DisplayCommands& c = DisplayCommandsOf(ctx.program);
    if (c.RightClick.Y < ctx.state.Top || ctx.state.MenuPagesVisible) return;
    ctx.program.ShowAsLabel = InterclickIntervalText(ctx.state, c.RightClick, c.PreviousRightClick);
    ctx.host.StateChanged(display_changed::Labels);
}

bool OnSlider(const DisplayState& s, int x, int y) {
    return y >= L::SliderBarTop && y < L::SliderBarBottom && x >= s.SliderLeft &&
           x < s.SliderLeft + std::max(s.SliderWidth, SliderMinimumWidth);
}

bool OnLongBar(const DisplayState& s, int x, int y) {
    return y >= L::SliderBarTop && y < L::SliderBarBottom && x >= PlotLeft && x < s.Right &&
           !OnSlider(s, x, y);
}

MinuteNumber SliderMinute(const DisplayState& s, const Program& p, int left) {
    const std::int64_t minute =
        static_cast<std::int64_t>(left - PlotLeft) * p.SharedMinutes() / std::max(1, s.PlotWidth) +
        p.SharedStart;
    return static_cast<MinuteNumber>(std::clamp<std::int64_t>(minute, INT32_MIN, INT32_MAX));
}

void SliderPressed(DisplayContext& ctx, int x) {
    DisplayState& s = ctx.state;
    DisplayCommands& c = DisplayCommandsOf(ctx.program);
    if (OpenBandCount(ctx.program) == 0) return;
    c.SliderDragging = true;
    c.SliderGrip = std::clamp(x - s.SliderLeft, 0, WideSliderWidth - 1);
    s.SliderWidth = WideSliderWidth;
    s.SliderCaption = DateTimeText(SliderMinute(s, ctx.program, s.SliderLeft));
    ctx.host.StateChanged(display_changed::Slider);
}

void SliderDragged(DisplayContext& ctx, int x) {
    DisplayState& s = ctx.state;
    const DisplayCommands& c = DisplayCommandsOf(ctx.program);
    if (!c.SliderDragging) return;
    s.SliderLeft = std::clamp(x - c.SliderGrip, PlotLeft, std::max(PlotLeft, s.Right - SliderMinimumWidth));
    s.SliderCaption = DateTimeText(SliderMinute(s, ctx.program, s.SliderLeft));
    ctx.host.StateChanged(display_changed::Slider);
}

void SliderReleased(DisplayContext& ctx) {
    DisplayState& s = ctx.state;
    Program& p = ctx.program;
    DisplayCommands& c = DisplayCommandsOf(p);
    if (!c.SliderDragging) return;
    c.SliderDragging = false;
    s.SliderCaption.clear();
    const int left = s.SliderLeft;
    MinuteNumber start = p.SharedStart;
    if (left > s.Right - 10)
        start = p.SharedEnd - s.Span.Minute;
    else if (left > 17)
        start = SliderMinute(s, p, left);
    s.ReadPosition = {start, 0};
    s.HasLastScreenStart = false;
    ctx.host.StateChanged(display_changed::Slider);
    ShowAt(ctx, PlotLeft, ShowAtMode::FromReadPosition);
}

void LongBarClicked(DisplayContext& ctx, int x) {
    const DisplayState& s = ctx.state;
    // The bar's own coordinates start at the plot's left edge.
    const int barX = x - PlotLeft;
    ShowAt(ctx, barX, x < s.SliderLeft ? ShowAtMode::LeftOfPointer : ShowAtMode::RightOfPointer);
}

} // namespace kelp
