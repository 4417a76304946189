#include "display/commands.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>
#include <vector>

#include "core/filters.h"
#include "core/host.h"
#include "core/program.h"
#include "core/reader.h"
#include "display/axes.h"
#include "display/click_view.h"
#include "display/command_state.h"
#include "display/geometry.h"
#include "display/legends.h"
#include "display/low_resolution.h"
#include "display/navigation.h"
#include "display/pointer_menu.h"
#include "display/screen.h"
#include "display/seek.h"
#include "display/y_scale.h"

namespace kelp {

namespace {

// The longest single pause of fast forward before it looks again at stop, ESC and its delay.
constexpr int FastForwardSliceMs = 20;
constexpr MinuteNumber EarliestGoMinute = 50'000'000;

struct KHzBand {
    const char* Minimum;
    const char* Maximum;
};
constexpr std::array<KHzBand, KHzBandCount> KHzBands = {
    {{"0", "40"}, {"41", "60"}, {"61", "80"}, {"81", "100"}, {"101", "120"}, {"121", "255"}}};

// On the bin scales the envelope has no view of its own: the quality bars stand in.
void EnvelopeBecomesQualityOnBins(DisplayState& s) {
    if (IsLowResolution(s.TimeScale) && s.DisplayParameter == param::Envelope)
        s.DisplayParameter = param::Quality;
}

// The menu pages give way, or (when the display shows) the captions and legend are rewritten.
void HidePagesOrShowParameter(DisplayContext& ctx) {
    if (ctx.state.MenuPagesVisible)
        HideMenuPages(ctx);
    else
        ShowParameter(ctx, ctx.state.DisplayParameter, false);
}

bool StopAsked(DisplayContext& ctx) {
    const DisplayCommands& c = DisplayCommandsOf(ctx.program);
    return c.StopRequest || !c.FastForward.Running || ctx.host.EscapeHeld() || ctx.host.StopRequested();
}

// Waits the fast-forward delay in short slices, so that a stop or a faster press counts at once.
bool WaitFastForwardDelay(DisplayContext& ctx) {
    const FastForwardState& ff = DisplayCommandsOf(ctx.program).FastForward;
    for (int waited = 0; waited < ff.DelayMs;) {
        const int slice = std::min(FastForwardSliceMs, ff.DelayMs - waited);
        ctx.host.Wait(slice);
        waited += slice;
        if (StopAsked(ctx)) return false;
    }
    return true;
}

void ApplyKHzBand(DisplayContext& ctx, int band) {
    const KHzBand& b = KHzBands[static_cast<std::size_t>(band)];
    EnterFilterText(ctx.program, ctx.host, FilterBox::FrequencyMin, b.Minimum);
    EnterFilterText(ctx.program, ctx.host, FilterBox::FrequencyMax, b.Maximum);
}

void SetWindowTitle(DisplayContext& ctx, const std::string& title) {
    ctx.program.WindowTitle = title;
    ctx.host.StateChanged(display_changed::Labels);
}

bool ParseField(const std::string& text, int& value) {
    if (text.empty() || text.size() > 9) return false;
    for (char ch : text)
        if (!std::isdigit(static_cast<unsigned char>(ch))) return false;
    value = std::stoi(text);
    return true;
}

} // namespace

void HideMenuPages(DisplayContext& ctx) {
    if (!ctx.state.MenuPagesVisible) return;
    ctx.state.MenuPagesVisible = false;
    ctx.host.StateChanged(display_changed::MenuPages);
}

bool AnySlotHasData(const Program& program) {
    for (int slot = 1; slot <= SlotCount; ++slot)
        if (program.Slot(slot).IsOpen && program.Slot(slot).MoreData) return true;
    return false;
}

void RefreshDisplay(DisplayContext& ctx, bool redrawAxes) {
    HideMenuPages(ctx);
    if (redrawAxes) DrawAxes(ctx);
    if (OpenBandCount(ctx.program) == 0) {
        ClearDisplay(ctx);
        return;
    }
    ShowParameter(ctx, ctx.state.DisplayParameter, false);
    ShowAt(ctx, PlotLeft, ShowAtMode::RightOfPointer);
}

void DrawNextScreen(DisplayContext& ctx) {
    PublishDisplayLink(ctx);
    if (IsLowResolution(ctx.state.TimeScale))
        DrawLowResolution(ctx);
    else if (SeekNextScreen(ctx))
        ShowClickSeq(ctx);
}

void StartButton(DisplayContext& ctx) {
    Program& p = ctx.program;
    DisplayState& s = ctx.state;
    if (OpenBandCount(p) == 0 || p.Options.Busy) return;
    EnvelopeBecomesQualityOnBins(s);
    s.ReadPosition = {p.SharedStart, 0};
    s.HasLastScreenStart = false;
    PublishDisplayLink(ctx);
    PositionAt(p, ctx.host, p.SharedStart, 0);
    SetProgressLine(ctx, "");
    HidePagesOrShowParameter(ctx);
    DrawScreen(ctx);
}

void GoOnButton(DisplayContext& ctx) {
    Program& p = ctx.program;
    DisplayState& s = ctx.state;
    if (OpenBandCount(p) == 0 || p.Options.Busy) return;
    DisplayCommandsOf(p).StopRequest = false;
    EnvelopeBecomesQualityOnBins(s);
    HidePagesOrShowParameter(ctx);
    if (IsLowResolution(s.TimeScale)) {
        DrawNextScreen(ctx);
        return;
    }
    // The comparison of KL3 files goes on while the files agree.
    do {
        if (!SeekNextScreen(ctx)) break;
        ShowClickSeq(ctx);
    } while (s.Aids.CompareKl3 && p.Display.GoOn && AnySlotHasData(p) && !ctx.host.EscapeHeld() &&
             !DisplayCommandsOf(p).StopRequest);
}

void BackButton(DisplayContext& ctx) {
    HideMenuPages(ctx);
    if (OpenBandCount(ctx.program) == 0) return;
    if (!AnySlotHasData(ctx.program)) ctx.state.ReadPosition = {ctx.program.SharedEnd, 0};
    ShowAt(ctx, PlotLeft, ShowAtMode::LeftOfPointer);
}

void LastScreen(DisplayContext& ctx) {
    if (OpenBandCount(ctx.program) == 0) return;
    ctx.state.ReadPosition = {ctx.program.SharedEnd, 0};
    ShowAt(ctx, PlotLeft, ShowAtMode::RightOfPointer);
}

void CompareKl3Files(DisplayContext& ctx) {
    int kl3 = 0;
    for (int slot = 1; slot <= SlotCount; ++slot)
        if (SlotIsOpen(ctx.program, slot) && ctx.program.Slot(slot).Kind == FileKind::KL3) ++kl3;
    if (kl3 < 2) return;
    ctx.state.Aids.CompareKl3 = true;
    ctx.program.Display.GoOn = true;
    DisplayCommandsOf(ctx.program).StopRequest = false;
    SetProgressLine(ctx, "Comparing KL3 files");
    GoOnButton(ctx);
}

std::string FastForwardDelayText(int delayMs) {
    return "Delay: " + std::to_string(delayMs) + "ms.   Hold ESC to stop";
}

void FastForwardButton(DisplayContext& ctx) {
    Program& p = ctx.program;
    DisplayCommands& c = DisplayCommandsOf(p);
    FastForwardState& ff = c.FastForward;
    if (ff.Running) {
        ff.DelayMs = std::max(1, ff.DelayMs / 2);
        p.DataPositionLabel = FastForwardDelayText(ff.DelayMs);
        ctx.host.StateChanged(display_changed::Labels);
        return;
    }
    if (OpenBandCount(p) == 0 || p.Options.Busy) return;
    ff.Running = true;
    ff.DelayMs = FastForwardFirstDelayMs;
    c.StopRequest = false;
    while (ff.Running && AnySlotHasData(p)) {
        DrawNextScreen(ctx);
        if (StopAsked(ctx)) break;
        ctx.host.ProcessEvents();
        if (StopAsked(ctx) || !WaitFastForwardDelay(ctx)) break;
    }
    ff.Running = false;
}

void StopButton(DisplayContext& ctx) {
    DisplayCommands& c = DisplayCommandsOf(ctx.program);
    c.FastForward.Running = false;
    c.StopRequest = true;
    ctx.state.Aids.SoundSlot = 0;
    ctx.state.Aids.CompareKl3 = false;
    ctx.program.Display.GoOn = false;
    RequestNewDrawing(ctx.state);
}

void StopDataTransfer(DisplayContext& ctx) {
    RequestNewDrawing(ctx.state);
}

void Kl1DivisorLabelClicked(DisplayContext& ctx) {
    DisplayState& s = ctx.state;
    double d = static_cast<double>(s.LargestBinCount);
    if (s.DisplayParameter < param::Quality) d /= std::max(1, s.MinutesPerBin);
    if (d > 0 && s.BandHeight > 0) {
        SetKl1Divisor(ctx, std::to_string(RoundToInt(d / s.BandHeight * s.YScale) + 1));
        s.Settings.Kl1DivisorCaption = "KL1/*";
    } else {
        SetKl1Divisor(ctx, "1");
        s.Settings.Kl1DivisorCaption = "KL1/";
    }
    ctx.host.StateChanged(display_changed::YScale);
    if (OpenBandCount(ctx.program) > 0) RefreshDisplay(ctx, true);
}

void Kl1DivisorLabelDoubleClicked(DisplayContext& ctx) {
    SetKl1Divisor(ctx, "20");
    ctx.state.Settings.Kl1DivisorCaption = "KL1/";
    ctx.host.StateChanged(display_changed::YScale);
    if (OpenBandCount(ctx.program) > 0) RefreshDisplay(ctx, true);
}

void DownscaleKl1Counts(DisplayContext& ctx) {
    const std::optional<long long> n = ParseWholeNumber(ctx.state.Settings.Kl1DivisorText);
    SetKl1Divisor(ctx, n ? std::to_string(std::min<long long>(*n * 5, 2'000'000'000)) : std::string("20"));
    ctx.host.StateChanged(display_changed::YScale);
    RefreshDisplay(ctx, true);
}

void StartKHzSteps(DisplayContext& ctx) {
    Program& p = ctx.program;
    KHzSteps& steps = DisplayCommandsOf(p).Steps;
    if (steps.Active || OpenBandCount(p) == 0) return;
    steps.Active = true;
    steps.Band = 0;
    steps.SavedMinimum = p.Clicks.Frequency.Min.Text;
    steps.SavedMaximum = p.Clicks.Frequency.Max.Text;
    steps.SavedTitle = p.WindowTitle;
    steps.IgnoreWasTicked = p.Clicks.Ignore;
    if (p.Clicks.Ignore) SetIgnoreFilters(p, ctx.host, false);
    ApplyKHzBand(ctx, 0);
    RefreshDisplay(ctx, false);
    SetWindowTitle(ctx, steps.SavedTitle + KHzStepsTitleSuffix);
}

void StepKHzBand(DisplayContext& ctx) {
    KHzSteps& steps = DisplayCommandsOf(ctx.program).Steps;
    if (!steps.Active) return;
    if (steps.Band + 1 >= KHzBandCount) {
        EndKHzSteps(ctx);
        return;
    }
    ApplyKHzBand(ctx, ++steps.Band);
    RefreshDisplay(ctx, false);
}

void EndKHzSteps(DisplayContext& ctx) {
    Program& p = ctx.program;
    KHzSteps& steps = DisplayCommandsOf(p).Steps;
    if (!steps.Active) return;
    steps.Active = false;
    SetWindowTitle(ctx, steps.SavedTitle);
    // Both limits come back, also when the steps end early, so that no band is left behind.
    EnterFilterText(p, ctx.host, FilterBox::FrequencyMin, steps.SavedMinimum);
    EnterFilterText(p, ctx.host, FilterBox::FrequencyMax, steps.SavedMaximum);
    if (steps.IgnoreWasTicked) SetIgnoreFilters(p, ctx.host, true);
    RefreshDisplay(ctx, false);
}

void SoundButton(DisplayContext& ctx) {
    Program& p = ctx.program;
    DisplayState& s = ctx.state;
    if (OpenBandCount(p) == 0) return;
    if (IsLowResolution(s.TimeScale)) {
        ctx.host.ShowTimedMessage(Message3s, SoundsNeedClickScaleText);
        return;
    }
    int slot = BandOfRightClick(ctx);
    for (int i = 1; i <= SlotCount && slot == 0; ++i)
        if (SlotIsOpen(p, i) && p.Slot(i).Kind == FileKind::KL3) slot = i;
    if (slot == 0) slot = p.LowestOpenSlot();
    if (slot == 0) {
        ctx.host.ShowTimedMessage(Message3s, SoundFileSelectionFailedText);
        return;
    }
    s.Aids.SoundSlot = slot;
    RefreshDisplay(ctx, false);
    s.Aids.SoundSlot = 0;
}

CanvasImage CaptureScreen(DisplayContext& ctx) {
    DisplayState& s = ctx.state;
    DisplaySettings& settings = s.Settings;
    const bool white = settings.WhiteScreen;
    const bool black = settings.BlackLines;
    settings.WhiteScreen = true;
    settings.BlackLines = true;
    s.CapturingScreen = true;
    DrawAxes(ctx);
    if (OpenBandCount(ctx.program) > 0) {
        ShowParameter(ctx, s.DisplayParameter, false);
        ShowAt(ctx, PlotLeft, ShowAtMode::RightOfPointer);
    }
    CanvasImage image = ctx.canvas.CopyToImage(PlotLeft, s.Top + 20, s.Right + 50, s.Bottom + 10);
    s.CapturingScreen = false;
    // The screen's own colours come back as the user had them.
    settings.WhiteScreen = white;
    settings.BlackLines = black;
    RefreshDisplay(ctx, true);
    return image;
}

std::optional<ClickTime> ParseGoToTime(const std::string& text) {
    // day/month/year hour:minute:second.fraction, split at its separators in turn.
    static constexpr std::array<char, 6> Separators = {'/', '/', ' ', ':', ':', '.'};
    std::vector<std::string> fields(1);
    std::size_t next = 0;
    const std::size_t first = text.find_first_not_of(" \t");
    const std::size_t last = text.find_last_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    for (std::size_t i = first; i <= last; ++i) {
        const char ch = text[i];
        if (next < Separators.size() && ch == Separators[next]) {
            if (ch == ' ')
                while (i + 1 <= last && text[i + 1] == ' ') ++i;
            fields.emplace_back();
            ++next;
        } else {
            fields.back() += ch;
        }
    }
    // The date is needed; the time of day, its seconds and their fraction may be left out.
    if (fields.size() < 3 || fields.size() == 4) return std::nullopt;
    std::array<int, 6> v{};
    for (std::size_t k = 0; k < std::min<std::size_t>(fields.size(), 6); ++k)
        if (!ParseField(fields[k], v[k])) return std::nullopt;
    const int day = v[0], month = v[1], year = v[2], hour = v[3], minute = v[4], second = v[5];
    if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 ||
        second > 59)
        return std::nullopt;
    const CivilDate back = CivilFromDayNumber(DayNumberFromCivil(year, month, day));
    if (back.Day != day || back.Month != month || back.Year != year) return std::nullopt;
    std::int64_t micro = 0;
    if (fields.size() == 7) {
        std::string fraction = fields[6];
        if (fraction.empty()) return std::nullopt;
        for (char ch : fraction)
            if (!std::isdigit(static_cast<unsigned char>(ch))) return std::nullopt;
        fraction.resize(6, '0');
        micro = std::stoll(fraction);
    }
    return ClickTime{MakeMinute(year, month, day, hour, minute),
                     static_cast<std::int32_t>(second * TicksPerSecond + micro / MicrosecondsPerTick)};
}

GoResult GoToTime(DisplayContext& ctx, const std::string& text) {
    Program& p = ctx.program;
    DisplayState& s = ctx.state;
    if (!SlotIsOpen(p, 1)) {
        ctx.host.ShowTimedMessage(Message3s, GoNeedsFile1Text);
        return GoResult::ClearEntry;
    }
    const std::optional<ClickTime> t = ParseGoToTime(text);
    if (!t) {
        ctx.host.ShowTimedMessage(Message3s, GoFormatErrorText);
        return GoResult::FormatError;
    }
    if (t->Minute < EarliestGoMinute) return GoResult::TooEarly;
    if (t->Minute < p.SharedStart || t->Minute > p.SharedEnd) {
        ctx.host.ShowTimedMessage(Message3s, GoOutOfRangeText);
        return GoResult::OutOfRange;
    }
    HideMenuPages(ctx);
    // The typed time falls on the centre mark: the screen starts that far before it.
    const int centreOffset = (s.Right + PlotLeft) / 2 - PlotLeft;
    ClickTime start;
    if (IsLowResolution(s.TimeScale))
        start = {static_cast<MinuteNumber>(t->Minute - (centreOffset / PixelsPerBin) * s.MinutesPerBin), 0};
    else
        start = AddTicks(*t, -static_cast<std::int64_t>(centreOffset) * s.TicksPerPixel);
    s.ReadPosition = AddDisplayTime(start, s.Span);
    s.HasLastScreenStart = false;
    ShowParameter(ctx, s.DisplayParameter, false);
    ShowAt(ctx, PlotLeft, ShowAtMode::RightOfPointer);
    return GoResult::Shown;
}

} // namespace kelp
