#include "display/pointer_menu.h"

#include <cstdlib>
#include <string>

#include "core/host.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"
#include "display/command_state.h"
#include "display/commands.h"
#include "display/geometry.h"
#include "display/navigation.h"

namespace kelp {

namespace {

MinuteNumber RightClickMinute(DisplayContext& ctx) {
    return PixelToTime(ctx.state, DisplayCommandsOf(ctx.program).RightClick.X).Minute;
}

// The first and last minute a file can show: its saved endpoints when they are in use.
MinuteNumber FileStart(const Program& p, const FileSlot& f) {
    return p.Options.UseEndpoints ? f.EndpointStart : f.FirstMinute;
}
MinuteNumber FileEnd(const Program& p, const FileSlot& f) {
    return p.Options.UseEndpoints ? f.EndpointEnd : f.LastMinute;
}

void SelectionChanged(DisplayContext& ctx) {
    ctx.program.Options.TimeSelectionSet = true;
    ShowFileInfo(ctx.program, ctx.host);
    UpdateSlider(ctx);
}

} // namespace

int BandHolding(const DisplayState& s, const Program& program, int y) {
    for (int slot = 1; slot <= SlotCount; ++slot) {
        if (!SlotIsOpen(program, slot)) continue;
        const BandGeometry& b = s.Bands[static_cast<std::size_t>(slot)];
        if (y > b.UpperLine && y < b.Base) return slot;
    }
    return 0;
}

int BandOfRightClick(DisplayContext& ctx) {
    return BandHolding(ctx.state, ctx.program, DisplayCommandsOf(ctx.program).RightClick.Y);
}

int BandUnderRightClick(DisplayContext& ctx) {
    return BandAt(ctx.state, ctx.program, DisplayCommandsOf(ctx.program).RightClick.Y);
}

void PutFileNameIntoResults(DisplayContext& ctx) {
    const int slot = BandOfRightClick(ctx);
    if (slot != 0) ctx.host.Results().Append(ctx.program.Slot(slot).FullName);
}

void PutTimeIntoResults(DisplayContext& ctx, int x) {
    if (OpenBandCount(ctx.program) == 0) return;
    const ClickTime t = PixelToTime(ctx.state, x);
    ctx.host.Results().Append(ClickTimeText(t, ctx.program.Options.ApostropheBeforeTimes) + "\t\t");
}

void PutRawDataIntoClipboard(DisplayContext& ctx) {
    DisplayState& s = ctx.state;
    const int slot = BandOfRightClick(ctx);
    if (slot == 0) return;
    s.Aids.RawCaptureSlot = slot;
    s.Aids.RawCapture.clear();
    RefreshDisplay(ctx, false);
    std::string text;
    for (const std::string& line : s.Aids.RawCapture) text += line + "\n";
    ctx.host.SetClipboardText(text);
    s.Aids.RawCapture.clear();
    s.Aids.RawCaptureSlot = 0;
}

void SetSelectionStart(DisplayContext& ctx) {
    Program& p = ctx.program;
    if (OpenBandCount(p) == 0) return;
    const MinuteNumber start = RightClickMinute(ctx);
    if (start > p.SharedEnd) {
        ctx.host.ShowTimedMessage(Message3s, SelectionBackwardsText);
        return;
    }
    p.SharedStart = start;
    for (int slot = 1; slot <= SlotCount && p.Slot(slot).IsOpen; ++slot) {
        FileSlot& f = p.Slot(slot);
        if (start > FileEnd(p, f))
            DisplayCommandsOf(p).FastForward.Running = false;
        else
            f.ActiveStart = std::max(start, FileStart(p, f));
    }
    SelectionChanged(ctx);
}

void SetSelectionEnd(DisplayContext& ctx) {
    Program& p = ctx.program;
    if (OpenBandCount(p) == 0) return;
    const MinuteNumber end = RightClickMinute(ctx);
    if (end < p.SharedStart) {
        ctx.host.ShowTimedMessage(Message3s, SelectionBackwardsText);
        return;
    }
    p.SharedEnd = end;
    for (int slot = 1; slot <= SlotCount && p.Slot(slot).IsOpen; ++slot) {
        FileSlot& f = p.Slot(slot);
        if (end < FileStart(p, f))
            DisplayCommandsOf(p).FastForward.Running = false;
        else
            f.ActiveEnd = std::min(end, FileEnd(p, f));
    }
    SelectionChanged(ctx);
    RefreshDisplay(ctx, false);
}

void ClearSelection(DisplayContext& ctx) {
    Program& p = ctx.program;
    p.Options.TimeSelectionSet = false;
    if (OpenBandCount(p) == 0) return;
    ComputeSharedRange(p, ctx.host);
    ShowFileInfo(p, ctx.host);
    UpdateSlider(ctx);
}

std::optional<ClickRecord> ClickUnderPointer(DisplayContext& ctx, int slot, int x) {
    DisplayState& s = ctx.state;
    Program& p = ctx.program;
    if (!SlotIsOpen(p, slot) || IsLowResolution(s.TimeScale)) return std::nullopt;
    constexpr int Reach = 3;
    const std::int64_t tpp = std::max(1, s.TicksPerPixel);
    const ClickTime at = PixelToTime(s, x);
    const ClickTime from = AddTicks(at, -Reach * tpp);
    const ClickTime to = AddTicks(at, (Reach + 1) * tpp);
    PositionAt(p, ctx.host, from.Minute, from.Time);
    FileSlot& f = p.Slot(slot);
    std::optional<ClickRecord> nearest;
    std::int64_t best = 0;
    while (f.MoreData && IsBefore(ClickTime{f.CurrentMinute, f.Click.Time}, to)) {
        if (f.NRType < 128 && f.Click.Ncyc >= 1) {
            const std::int64_t d = std::abs(TicksBetween(ClickTime{f.Click.Minute, f.Click.Time}, at));
            if (!nearest || d < best) {
                nearest = f.Click;
                best = d;
            }
        }
        NextRecord(p, ctx.host, slot);
    }
    return nearest;
}

int CloseFileUnderPointer(DisplayContext& ctx) {
    const int slot = BandUnderRightClick(ctx);
    if (slot != 0) CloseDataFile(ctx.program, ctx.host, slot);
    return slot;
}

} // namespace kelp
