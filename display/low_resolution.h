#pragma once
// The bin view of the coarse time scales (1 minute to 1 week per bin): each bin is a
// column 3 pixels wide, and each band shows for the clicks of the bin the distribution
// of a click value, class proportions or class rates, with the click-rate line and the
// tilt, temperature and landmark overlays.
#include <cstdint>
#include <optional>
#include <string>

#include "display/display_state.h"

namespace kelp {

// Draws one screen of bins from ReadPosition (its minute rounded down to a whole bin)
// and moves ReadPosition on by the span. ESC or a newer drawing request leaves the
// screen part-drawn and ReadPosition where it was.
void DrawLowResolution(DisplayContext& ctx);

// "tidal offset - mins": the first bin of the tide scale is longer by this many minutes;
// a text that is not a whole number leaves the previous offset.
void SetTidalOffset(DisplayContext& ctx, const std::string& text);

// A positioning of the slot clears its bin counts (the reader calls this through the
// display's hooks); the next bin takes its carry from the marker the positioning read.
void ClearBinReading(DisplayState& state, int slot);

// The tilt mark's end point, relative to (x, the band's angle line), for an angle in
// degrees: 0 points up, 90 right, 180 down. Nothing above 180 or below 0.
struct GlyphEnd {
    int Dx = 0;
    int Dy = 0;
};
std::optional<GlyphEnd> AngleGlyphEnd(int degrees);

// The tilt mark of a bin: a line from (x + 5, angle line) towards the mean angle, white
// when the bin had clicks or logged minutes, red otherwise; none too near the right edge.
void DrawAngleGlyph(DisplayContext& ctx, int slot, int degrees, int x, bool hasData);

// The histogram index and colour rules of the distribution column.
struct ColumnColours {
    int Offset = 0;
    int Step = 1;
};
ColumnColours ColumnColoursFor(int parameter);
// The six classes of the envelope view (by the slope class, the low 4 bits) and of the
// ICI and click-rate views (by the interval in ticks; 0 for none).
int EnvelopeClass(int envelope);
int IntervalClass(std::int64_t ticks);

} // namespace kelp
