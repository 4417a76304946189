#pragma once
// One screen of the display: start-up, the plot's background and frame, the start and
// end of a screen on the bin scales and on the click scales, and what follows every
// screen (read position, slider, source box).
#include <optional>

#include "core/time.h"
#include "display/display_state.h"

namespace kelp {

// Start-up: scale 7 (10 ms per pixel), SPL, the Y scales and divisor from their boxes,
// the geometry of a client area of width x height, the legend, and the read position one
// screen from the start of time.
void StartDisplay(DisplayContext& ctx, int clientWidth, int clientHeight);

// The plot's background: black with navy grid lines at the value label levels, or white
// with a black frame ("white screen"); separators between the bands.
void DrawBackground(DisplayContext& ctx);

// With no file open the plot shows the window's face colour.
void ClearDisplay(DisplayContext& ctx);

// Starts a screen on the bin scales: the start minute is ReadPosition's minute rounded
// down to a whole bin; background, start and end labels. Returns the start.
ClickTime BeginBinScreen(DisplayContext& ctx);
// Starts a screen on the click scales from the remembered screen start (else from
// ReadPosition), one pixel earlier: ReadPosition moves to its end; background, minute
// boundaries, start and end labels. Nothing is drawn (and nothing returned) when the
// start lies after the shared range.
std::optional<ClickTime> BeginClickScreen(DisplayContext& ctx);
// After a screen: ReadPosition at the screen's end, its minute in the read position
// label, the slider and the source box.
void FinishScreen(DisplayContext& ctx, const ClickTime& start);

// Draws one screen from ReadPosition with the view of the current scale.
void DrawScreen(DisplayContext& ctx);

} // namespace kelp
