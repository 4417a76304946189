#pragma once
// A display on a recording canvas, with slots marked open by kind (no files needed for
// geometry, axes and legends).
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "core/headless_host.h"
#include "core/program.h"
#include "display/canvas.h"
#include "display/display_state.h"
#include "display/geometry.h"
#include "display/screen.h"

namespace kelp::testing {

class DisplayTest : public ::testing::Test {
protected:
    Program program;
    HeadlessHost host;
    RecordingCanvas canvas;
    DisplayContext ctx{program, canvas, host};
    DisplayState& state = ctx.state;

    // Marks slots open with the given kinds (slot 1, 2, 3 in order; FileKind::None leaves
    // a slot closed) and sets the display up for a client area of width x height.
    void Open(std::initializer_list<FileKind> kinds, int width = 1200, int height = 800) {
        int slot = 1;
        for (FileKind kind : kinds) {
            FileSlot& s = program.Slot(slot++);
            s.IsOpen = kind != FileKind::None;
            s.Kind = kind;
            s.ShortName = "file" + std::to_string(s.Index);
        }
        StartDisplay(ctx, width, height);
    }

    std::vector<CanvasOp> TextsAtX(int x) const {
        std::vector<CanvasOp> result;
        for (const CanvasOp& op : canvas.OfKind(CanvasOp::Kind::Text))
            if (op.X0 == x) result.push_back(op);
        return result;
    }
};

} // namespace kelp::testing
