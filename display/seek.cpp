#include "display/seek.h"

#include <algorithm>
#include <array>

#include "core/filters.h"
#include "core/host.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"
#include "display/command_state.h"
#include "display/navigation.h"
#include "display/screen.h"
#include "display/y_scale.h"

namespace kelp {

namespace {

void WriteMinimum(DisplayContext& ctx, long n) {
    std::string& text = ctx.program.Display.MinimumClicksPerScreen;
    const std::string wanted = std::to_string(n);
    if (text == wanted) return;
    text = wanted;
    ctx.host.StateChanged(display_changed::Seek);
}

// The first open slot holding a KL3 file, else the first open slot, else 0.
int FirstSeekCandidate(const Program& p) {
    for (int slot = 1; slot <= SlotCount; ++slot)
        if (p.Slot(slot).IsOpen && p.Slot(slot).Kind == FileKind::KL3) return slot;
    return p.LowestOpenSlot();
}

void TickDefaultSeekBox(DisplayContext& ctx) {
    if (SeekSlot(ctx.program) != 0) return;
    const int slot = FirstSeekCandidate(ctx.program);
    if (slot == 0) return;
    for (int i = 1; i <= SlotCount; ++i) ctx.program.Seek[static_cast<std::size_t>(i)].Ticked = i == slot;
    ctx.host.StateChanged(display_changed::Seek);
}

void NoMoreClicks(DisplayContext& ctx, int slot) {
    const std::string text = "no more clicks in File " + std::to_string(slot);
    SetProgressLine(ctx, text);
    ctx.host.ShowTimedMessage(Message3s, text);
}

} // namespace

std::string SeekLabelCaption(Program& program) {
    return DisplayCommandsOf(program).SeekCetAll ? SeekCetAllCaption : SeekCaption;
}

void ToggleSeekQuality(DisplayContext& ctx) {
    DisplayCommands& c = DisplayCommandsOf(ctx.program);
    c.SeekCetAll = !c.SeekCetAll;
    ctx.host.StateChanged(display_changed::Seek);
}

long SeekMinimumClicks(const Program& program) {
    const std::optional<long long> n = ParseWholeNumber(program.Display.MinimumClicksPerScreen);
    if (!n) return 0;
    return static_cast<long>(std::clamp<long long>(*n, -1'000'000'000, 1'000'000'000));
}

int SeekSlot(const Program& program) {
    for (int slot = 1; slot <= SlotCount; ++slot)
        if (program.Seek[static_cast<std::size_t>(slot)].Ticked) return slot;
    return 0;
}

void SetSeekBox(DisplayContext& ctx, int slot, bool ticked) {
    if (slot < 1 || slot > SlotCount) return;
    Program& p = ctx.program;
    if (ticked) {
        if (!p.Slot(slot).IsOpen) return;
        for (int i = 1; i <= SlotCount; ++i) p.Seek[static_cast<std::size_t>(i)].Ticked = i == slot;
        if (SeekMinimumClicks(p) < 2) WriteMinimum(ctx, 2);
    } else {
        p.Seek[static_cast<std::size_t>(slot)].Ticked = false;
    }
    ctx.host.StateChanged(display_changed::Seek);
}

void SeekUp(DisplayContext& ctx) {
    TickDefaultSeekBox(ctx);
    const long n = SeekMinimumClicks(ctx.program);
    WriteMinimum(ctx, n <= 0 ? 1 : std::min<long>(n * 2, 1'000'000'000));
}

void SeekDown(DisplayContext& ctx) {
    TickDefaultSeekBox(ctx);
    const long n = SeekMinimumClicks(ctx.program);
    WriteMinimum(ctx, n < 2 ? 1 : n / 2);
}

bool SeekNextScreen(DisplayContext& ctx) {
    Program& p = ctx.program;
    DisplayState& s = ctx.state;
    const long n = SeekMinimumClicks(p);
    const int slot = SeekSlot(p);
    if (n <= 1 || slot == 0 || !p.Slot(slot).IsOpen) {
        WriteMinimum(ctx, 1);
        return true;
    }
    FileSlot& f = p.Slot(slot);
    const int qualityLimit = DisplayCommandsOf(p).SeekCetAll ? QualityLo : -1;
    if (p.Ici.On && p.Ici.LowerTicks >= p.Ici.UpperTicks) {
        p.Ici.On = false;
        ctx.host.StateChanged(changed::Filters);
    }
    const bool iciTest = p.Ici.On && f.Kind == FileKind::KL3;
    const bool kl3 = f.Kind == FileKind::KL3;
    // The slider follows the search every so many minutes of progress.
    const std::int64_t sliderStep = std::max<std::int64_t>(1, p.SharedMinutes() / std::max(1, s.PlotWidth));
    MinuteNumber lastSliderMinute = f.CurrentMinute;

    bool found = false;
    for (;;) {
        ClickTime start;
        if (s.HasLastScreenStart) {
            start = s.LastScreenStart;
            s.HasLastScreenStart = false;
        } else {
            start = {f.CurrentMinute, f.Click.Time};
        }
        if (!f.MoreData) {
            NoMoreClicks(ctx, slot);
            break;
        }
        start.Time = start.Time < s.TicksPerPixel ? 0 : start.Time - s.TicksPerPixel;
        s.ReadPosition = AddDisplayTime(start, s.Span);

        std::int64_t count = 0;
        bool interval = false;
        std::array<std::int32_t, 128> previous{};
        // The record the reader holds is the first one of the candidate screen.
        while (f.MoreData && IsBefore(ClickTime{f.CurrentMinute, f.Click.Time}, s.ReadPosition)) {
            const int type = f.NRType;
            if (type == TypeMinuteMarker) {
                previous.fill(0);
            } else if (type < 128) {
                if (!kl3 || f.Click.Quality > qualityLimit) ++count;
                if (iciTest) {
                    std::int32_t& last = previous[static_cast<std::size_t>(type)];
                    if (last > 4) {
                        const std::int32_t d = f.Click.Time - last;
                        if (d > p.Ici.LowerTicks && d < p.Ici.UpperTicks) interval = true;
                    }
                    last = f.Click.Time;
                }
            }
            NextRecord(p, ctx.host, slot);
        }
        if (count > n || interval) {
            found = true;
            break;
        }
        if (f.CurrentMinute - lastSliderMinute >= sliderStep) {
            lastSliderMinute = f.CurrentMinute;
            UpdateSlider(ctx);
            ctx.host.ProcessEvents();
        }
        if (ctx.host.EscapeHeld() || DisplayCommandsOf(p).StopRequest) break;
        if (!f.MoreData) {
            NoMoreClicks(ctx, slot);
            break;
        }
        if (s.ReadPosition.Minute > p.SharedEnd) break;
    }
    if (!found && !f.MoreData) {
        SetProgressLine(ctx, "End of data in File " + std::to_string(slot));
        return false;
    }
    s.LastScreenStart = SubtractDisplayTime(s.ReadPosition, s.Span);
    s.HasLastScreenStart = true;
    PositionAt(p, ctx.host, s.LastScreenStart.Minute, s.LastScreenStart.Time);
    return true;
}

} // namespace kelp
