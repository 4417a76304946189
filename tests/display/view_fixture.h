#pragma once
// The views on a recording canvas over real data files: files written with the builders,
// opened into slots with the display's hooks installed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/headless_host.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"
#include "display/canvas.h"
#include "display/display_link.h"
#include "display/display_state.h"
#include "display/navigation.h"
#include "display/screen.h"
#include "tests/support/builders.h"

namespace kelp::testing {

class ViewTest : public ::testing::Test {
protected:
    Program program;
    HeadlessHost host;
    RecordingCanvas canvas{1200, 800};
    DisplayHooks hooks{program, canvas, host};
    DisplayContext ctx{program, canvas, host};
    DisplayState& state = ctx.state;
    TempDir dir;

    // 1200 x 800: plot 18 .. 1145, 375 bins; one band is 570 high (with "angle") on base 679.
    void SetUp() override { StartDisplay(ctx, 1200, 800); }

    void Open(const DataFileBuilder& builder, const std::string& name, int slot = 1) {
        ASSERT_TRUE(OpenDataFile(program, host, builder.Write(dir.File(name)), slot));
    }

    int Base(int slot = 1) const { return state.Bands[static_cast<std::size_t>(slot)].Base; }

    // Draws the bin screen that starts at `minute` on a bin scale.
    void DrawBins(int scale, MinuteNumber minute) {
        SetTimeScale(ctx, scale);
        state.ReadPosition = {minute, 0};
        canvas.Clear();
        ShowAt(ctx, PlotLeft, ShowAtMode::FromReadPosition);
    }

    // Draws the click screen that starts at (minute, tick) on a click scale.
    void DrawClicks(int scale, MinuteNumber minute, std::int32_t tick) {
        SetTimeScale(ctx, scale);
        state.ReadPosition = {minute, tick};
        canvas.Clear();
        ShowAt(ctx, PlotLeft, ShowAtMode::FromReadPosition);
    }

    // The filled rectangles whose left edge is x, in drawing order.
    std::vector<CanvasOp> FillsAt(int x) const {
        std::vector<CanvasOp> result;
        for (const CanvasOp& op : canvas.OfKind(CanvasOp::Kind::Fill))
            if (op.X0 == x) result.push_back(op);
        return result;
    }

    // The lines drawn in a colour, in drawing order.
    std::vector<CanvasOp> LinesOf(Colour colour) const {
        std::vector<CanvasOp> result;
        for (const CanvasOp& op : canvas.OfKind(CanvasOp::Kind::Line))
            if (op.Colour == colour) result.push_back(op);
        return result;
    }
};

} // namespace kelp::testing
