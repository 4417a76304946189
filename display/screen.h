#pragma once
// One screen of the display: start-up, the plot's background and frame, the start and
// end of a screen on the bin scales and on the click scales, and what follows every
// screen (read position, slider, source box).
#include <cstdint>
#include <optional>
#include <string>

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
// Starts a screen on the click scales from the remembered screen start (else from the
// earliest unread record of the slots that still have data), one pixel earlier:
// ReadPosition moves to its end; the clicks-shown counts are cleared; background,
// minute boundaries, start and end labels. Nothing is drawn (and nothing returned) when
// no slot has data or the start lies after the shared range.
std::optional<ClickTime> BeginClickScreen(DisplayContext& ctx);
// After a screen: ReadPosition at the screen's end, its minute in the read position
// label, the slider and the source box.
void FinishScreen(DisplayContext& ctx, const ClickTime& start);

// Draws one screen from ReadPosition with the view of the current scale.
void DrawScreen(DisplayContext& ctx);

// The status line after a screen: "Clicks shown: " with each open slot's count (and the
// waveforms of the click sequences while "ClkPk" is ticked); "END OF DATA" in the
// progress line when no slot has data left.
void ShowClickCounts(DisplayContext& ctx);

// The progress line under the source box.
void SetProgressLine(DisplayContext& ctx, const std::string& text);

// A new drawing is wanted ("Stop data transfer", a key, the slider) while a screen is
// being drawn: that screen stops at its next check.
void RequestNewDrawing(DisplayState& state);

// Held while a screen is drawn. A screen stops when a newer drawing was asked for (a
// drawing started inside its event processing, or RequestNewDrawing) or ESC is held.
class DrawingScope {
public:
    explicit DrawingScope(DisplayState& state);
    ~DrawingScope();
    DrawingScope(const DrawingScope&) = delete;
    DrawingScope& operator=(const DrawingScope&) = delete;
    // Lets the window handle its pending events, then tells whether to stop.
    bool EventsSayStop(Host& host);
    bool Superseded() const;

private:
    DisplayState& state_;
    std::uint64_t mine_;
    bool wasDrawing_;
};

} // namespace kelp
