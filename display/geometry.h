#pragma once
// The geometry of the drawing area: the plot from x = 18 to the right edge between
// top 86 and bottom, and one band per open file stacked upwards from the bottom.
#include "display/display_state.h"

namespace kelp {

// The window is never smaller than its content; smaller sizes are taken as these.
inline constexpr int MinimumClientWidth = 200;
inline constexpr int MinimumClientHeight = 300;

// The plot's right edge for a client width: a multiple of 9 pixels plus 2, so that the
// plot width is a whole number of 3-pixel bins.
int RightEdgeFor(int clientWidth);

// Recomputes the geometry for a client area of width x height (no drawing).
void ComputeGeometry(DisplayState& state, const Program& program, int clientWidth, int clientHeight);

// Recomputes the geometry (start-up, resize, files opened or closed, "angle" changed)
// and draws the axes.
void SetUpDisplay(DisplayContext& ctx, int clientWidth, int clientHeight);
void SetUpDisplay(DisplayContext& ctx);

// A resize of the window: the geometry is recomputed (and the axes drawn) only when the
// height or the computed right edge changed. True when it was recomputed.
bool ResizeDisplay(DisplayContext& ctx, int clientWidth, int clientHeight);

// Ticking or unticking "angle": the bands make or give back room for the tilt marks.
void SetAngle(DisplayContext& ctx, bool on);

// The band of the open slot whose band holds y (upper line - 24 .. base), or 0.
int BandAt(const DisplayState& state, const Program& program, int y);

} // namespace kelp
