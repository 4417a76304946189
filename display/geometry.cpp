#include "display/geometry.h"

#include <algorithm>

#include "core/program.h"
#include "display/axes.h"

namespace kelp {

int RightEdgeFor(int clientWidth) {
    clientWidth = std::max(clientWidth, MinimumClientWidth);
    return (clientWidth - 54) / 9 * 9 + 2;
}

void ComputeGeometry(DisplayState& s, const Program& program, int clientWidth, int clientHeight) {
    s.ClientWidth = std::max(clientWidth, MinimumClientWidth);
    s.ClientHeight = std::max(clientHeight, MinimumClientHeight);
    s.Top = DisplayTop;
    s.Bottom = s.ClientHeight - BottomMargin;
    s.Right = RightEdgeFor(s.ClientWidth);
    s.PlotWidth = s.Right - PlotLeft;
    s.Bins = s.PlotWidth / PixelsPerBin;

    const int open = OpenBandCount(program);
    s.OpenBands = open;
    s.BandHeight = open > 0 ? (s.Bottom - s.Top - 4) / open : s.Bottom - s.Top - 4;
    s.Bands = {};
    int j = 0;
    for (int slot = 1; slot <= SlotCount; ++slot) {
        if (!SlotIsOpen(program, slot)) continue;
        BandGeometry& b = s.Bands[static_cast<std::size_t>(slot)];
        b.Base = s.Bottom - (s.BandHeight + 2) * j - 1;
        b.TitleY = b.Base;
        b.UpperLine = b.Base - s.BandHeight + 24;
        b.TemperatureZeroLine = b.UpperLine + 146;
        b.AngleLine = b.UpperLine - 15;
        b.LandmarkLine = b.UpperLine + 16;
        ++j;
    }
    // The tilt marks take the top 20 pixels of each band; the base lines stay.
    if (s.Settings.Angle) s.BandHeight -= 20;
    s.BandHeight = std::max(s.BandHeight, 1);
    s.SelectedY = s.Top + s.BandHeight / 2;
}

void SetUpDisplay(DisplayContext& ctx, int clientWidth, int clientHeight) {
    ComputeGeometry(ctx.state, ctx.program, clientWidth, clientHeight);
    DrawAxes(ctx);
}

void SetUpDisplay(DisplayContext& ctx) {
    SetUpDisplay(ctx, ctx.state.ClientWidth, ctx.state.ClientHeight);
}

bool ResizeDisplay(DisplayContext& ctx, int clientWidth, int clientHeight) {
    const DisplayState& s = ctx.state;
    const int height = std::max(clientHeight, MinimumClientHeight);
    if (height == s.ClientHeight && RightEdgeFor(clientWidth) == s.Right && s.PlotWidth > 0) {
        ctx.state.ClientWidth = std::max(clientWidth, MinimumClientWidth);
        return false;
    }
    SetUpDisplay(ctx, clientWidth, clientHeight);
    return true;
}

void SetAngle(DisplayContext& ctx, bool on) {
    ctx.state.Settings.Angle = on;
    SetUpDisplay(ctx);
}

int BandAt(const DisplayState& s, const Program& program, int y) {
    for (int slot = 1; slot <= SlotCount; ++slot) {
        if (!SlotIsOpen(program, slot)) continue;
        const BandGeometry& b = s.Bands[static_cast<std::size_t>(slot)];
        if (y >= b.UpperLine - 24 && y <= b.Base) return slot;
    }
    return 0;
}

} // namespace kelp
