#include "display/click_view.h"

#include <algorithm>
#include <array>
#include <optional>

#include "core/host.h"
#include "core/program.h"
#include "core/reader.h"
#include "display/click_aids.h"
#include "display/click_marks.h"
#include "display/click_sound.h"
#include "display/screen.h"

namespace kelp {
namespace {

inline constexpr int ClicksBetweenEvents = 5'000;
// A click this many minutes or more after the screen's start minute is put at the left edge.
inline constexpr std::int64_t FarMinutes = 6;

// What one screen of the click view keeps while it reads.
struct ClickScreen {
    ClickScreen(DisplayContext& c, DrawingScope& d, const ClickTime& s)
        : ctx(c), drawing(d), start(s), graph(s.Time) {}
    DisplayContext& ctx;
    DrawingScope& drawing;
    ClickTime start;
    std::array<SlotLineRecords, SlotCount + 1> lines{};
    std::int64_t clicksSinceEvents = 0;
    ClickRateGraph graph;
    std::int32_t previousSoundTime = 0;
    std::array<std::int64_t, SlotCount + 1> classedClicks{}; // the KL3 comparison's counts
    bool superseded = false;                                 // a newer drawing took over
    bool escaped = false;                                    // ESC ended the reading
};

void ClearLines(SlotLineRecords& lines) {
    lines.fill(LineRecord{});
}

// The click's x on the screen.
int ClickX(const ClickScreen& screen, const ClickRecord& c, std::int32_t ticksPerPixel) {
    const std::int64_t minutes = static_cast<std::int64_t>(c.Minute) - screen.start.Minute;
    if (minutes >= FarMinutes) return PlotLeft;
    const std::int64_t ticks = minutes * TicksPerMinute + c.Time - screen.start.Time;
    const std::int64_t x = ticks / ticksPerPixel + PlotLeft;
    return static_cast<int>(std::clamp<std::int64_t>(x, -1'000'000, 1'000'000));
}

// Sound mode: the click sounds after a pause that follows the time since the previous one.
void SoundClick(ClickScreen& screen, const ClickRecord& c) {
    DisplayContext& ctx = screen.ctx;
    ClickViewAids& aids = ctx.state.Aids;
    const int pause = PauseBeforeClick(c.Time, screen.previousSoundTime);
    screen.previousSoundTime = c.Time;
    const std::vector<std::uint8_t> tone = ClickToneSamples(c);
    if (aids.SoundRecording) {
        const std::size_t silent = static_cast<std::size_t>(pause) * SoundSampleRate / 1'000;
        aids.SoundRecording->insert(aids.SoundRecording->end(), silent, SilentSample);
        aids.SoundRecording->insert(aids.SoundRecording->end(), tone.begin(), tone.end());
        return;
    }
    if (pause > 0) ctx.host.Wait(pause);
    ctx.host.PlaySound(WaveImage(tone));
}

// The aids that look at every drawn click.
void OfferClickToAids(ClickScreen& screen, int slot, FileSlot& f, const ClickRecord& c, int type, int x,
                      int base) {
    DisplayContext& ctx = screen.ctx;
    DisplayState& s = ctx.state;
    Program& p = ctx.program;
    if (p.Display.AverageSpl) s.AverageSpl.Offer(c.When(), c.SPL, s.PointerTime);
    if (slot == 1 && p.Options.ClickPeaks) TrackClickSequence(ctx, f, c, x, base);
    if (slot == 1 && s.Settings.GraphClickRate) screen.graph.Count(c.Time);
    if (slot == s.Aids.RawCaptureSlot) CaptureRawClick(ctx, slot, c, type);
    if (s.Aids.CompareKl3 && f.Kind == FileKind::KL3 && c.Quality >= QualityLo)
        ++screen.classedClicks[static_cast<std::size_t>(slot)];
    if (slot == s.Aids.SoundSlot && c.Ncyc > 3) {
        SoundClick(screen, c);
        if (screen.drawing.EventsSayStop(ctx.host)) {
            screen.superseded = screen.drawing.Superseded();
            screen.escaped = !screen.superseded;
        }
    }
}

// A minute marker in the data of a slot.
void MinuteMarkerRead(ClickScreen& screen, int slot, FileSlot& f) {
    DisplayContext& ctx = screen.ctx;
    ClearLines(screen.lines[static_cast<std::size_t>(slot)]);
    if (slot != 1) return;
    if (ctx.program.Options.ClickPeaks) EndClickSequences(f);
    if (ctx.state.Settings.GraphClickRate) screen.graph.DrawAtMinute(ctx);
}

// Draws the slot's records up to ReadPosition, or until the screen or the file's drawing stops.
void DrawSlot(ClickScreen& screen, int slot) {
    DisplayContext& ctx = screen.ctx;
    DisplayState& s = ctx.state;
    Program& p = ctx.program;
    FileSlot& f = p.Slot(slot);
    SlotLineRecords& lines = screen.lines[static_cast<std::size_t>(slot)];
    const int base = s.Bands[static_cast<std::size_t>(slot)].Base;
    MarkTarget target{ctx, slot, f.Kind, base, lines};
    const std::int32_t ticksPerPixel = std::max(1, s.TicksPerPixel);

    // The record the reader holds is the first one not yet drawn.
    while (f.MoreData && IsBefore({f.CurrentMinute, f.Click.Time}, s.ReadPosition)) {
        const int type = f.NRType;
        if (type == TypeMinuteMarker) {
            MinuteMarkerRead(screen, slot, f);
        } else if (type < 128) {
            const ClickRecord& c = f.Click;
            const int x = ClickX(screen, c, ticksPerPixel);
            if (c.Ncyc < 1 || x < PlotLeft) {
                ClearLines(lines);
            } else {
                ++s.ClicksShown[static_cast<std::size_t>(slot)];
                if (++screen.clicksSinceEvents % ClicksBetweenEvents == 0 &&
                    screen.drawing.EventsSayStop(ctx.host)) {
                    screen.superseded = screen.drawing.Superseded();
                    screen.escaped = !screen.superseded;
                    return;
                }
                const std::optional<int> height = DrawClickMark(target, c, type, x);
                if (!height) return;
                if (s.Settings.PutLineValuesInResults)
                    ctx.host.Results().Append(std::to_string(x) + "\t" + std::to_string(*height));
                s.LastX[static_cast<std::size_t>(slot)] = x;
                OfferClickToAids(screen, slot, f, c, type, x, base);
                if (screen.superseded || screen.escaped) return;
            }
        }
        NextRecord(p, ctx.host, slot);
    }
}

// The comparison of KL3 files goes on to the next screen while every pair of open KL3
// files showed as many classed clicks.
void FinishKl3Comparison(ClickScreen& screen) {
    DisplayContext& ctx = screen.ctx;
    ClickViewAids& aids = ctx.state.Aids;
    if (!aids.CompareKl3) return;
    std::optional<std::int64_t> first;
    bool equal = true;
    for (int slot = 1; slot <= SlotCount; ++slot) {
        const FileSlot& f = ctx.program.Slot(slot);
        if (!f.IsOpen || f.Kind != FileKind::KL3) continue;
        const std::int64_t count = screen.classedClicks[static_cast<std::size_t>(slot)];
        if (!first) first = count;
        equal = equal && count == *first;
    }
    ctx.program.Display.GoOn = equal && !screen.escaped;
    if (!ctx.program.Display.GoOn) aids.CompareKl3 = false;
}

} // namespace

void ShowClickSeq(DisplayContext& ctx) {
    DisplayState& s = ctx.state;
    Program& p = ctx.program;
    DrawingScope drawing(s);
    if (p.Display.AverageSpl) s.AverageSpl.Reset(p.Clicks.Amplitude.Min.Value);
    const std::optional<ClickTime> start = BeginClickScreen(ctx);
    if (!start) return;
    ClickScreen screen(ctx, drawing, *start);
    ctx.canvas.SetPen(ColourBlack, s.Settings.LineWidthExtra + 1, PenStyle::Solid);

    for (int slot = 1; slot <= SlotCount && !screen.superseded && !screen.escaped; ++slot) {
        const FileSlot& f = p.Slot(slot);
        if (f.IsOpen && f.MoreData) DrawSlot(screen, slot);
    }
    if (screen.superseded) {
        // A newer drawing has taken the screen over; sound mode ends with it.
        s.Aids.SoundSlot = 0;
        return;
    }
    // The next screen starts at the next click, past the minutes without clicks.
    for (int slot = 1; slot <= SlotCount; ++slot) {
        FileSlot& f = p.Slot(slot);
        if (!f.IsOpen) continue;
        while (f.MoreData && (f.NRType == TypeMinuteMarker || f.NRType == TypeFiller))
            NextRecord(p, ctx.host, slot);
    }
    if (s.Settings.GraphClickRate && SlotIsOpen(p, 1)) screen.graph.Draw(ctx);
    if (p.Options.ClickPeaks && SlotIsOpen(p, 1)) EndClickSequences(p.Slot(1));
    FinishKl3Comparison(screen);
    if (screen.escaped) s.Aids.SoundSlot = 0;

    if (p.ProgressLabel.rfind("END OF DATA", 0) == 0) SetProgressLine(ctx, "");
    ShowClickCounts(ctx);
    FinishScreen(ctx, *start);
    s.Settings.PutLineValuesInResults = false;
    ctx.host.StateChanged(display_changed::Labels);
}

void StepLineWidth(DisplayContext& ctx) {
    DisplaySettings& settings = ctx.state.Settings;
    settings.LineWidthExtra = (settings.LineWidthExtra + 1) % 4;
    settings.LineWidthLabel = "Display line width + " + std::to_string(settings.LineWidthExtra);
    ctx.host.StateChanged(display_changed::Labels);
}

void SetShadeByDuration(DisplayContext& ctx, bool on) {
    ctx.state.Settings.ShadeByDuration = on;
    if (on && ctx.state.DisplayParameter != param::Spl)
        ctx.host.ShowTimedMessage(Message3s, ShadingOnlySplText);
}

void SetShadeByBandwidth(DisplayContext& ctx, bool on) {
    ctx.state.Settings.ShadeByBandwidth = on;
    if (on && ctx.state.DisplayParameter != param::Spl)
        ctx.host.ShowTimedMessage(Message2s, ShadingOnlySplText);
}

} // namespace kelp
