#pragma once
// What explains a view: the scale and parameter captions, the legend strip above the
// plot, the rotated title of each band, and the frequency colour codes.
#include <string>

#include "display/display_state.h"

namespace kelp {

// The clickable caption of a display parameter 0..9.
const char* ParameterCaption(int parameter);
// Captions are drawn in this colour; the current scale and parameter in red.
inline constexpr Colour CaptionColour = ColourBlack;
Colour ScaleCaptionColour(const DisplayState& state, int scale);
Colour ParameterCaptionColour(const DisplayState& state, int parameter);

// The parameter a file's band draws: KL1 and KL2 files have no trains, so ICI and
// species become cycles, click rate and quality become kHz.
int SlotParameterFor(FileKind kind, int parameter);

// Rewrites the seven legend labels for the current scale and parameter (on bin scales
// the Y scale is also written back into "Y scale" with 3 decimals).
void WriteLegend(DisplayContext& ctx);

// The bin suffix of a band title on the bin scales ("  in 5min bins"), or "".
std::string BinSuffix(int minutesPerBin);
// The rotated title of an open slot's band for the current scale and parameter ("" for none).
std::string BandTitle(const DisplayState& state, const Program& program, int slot);
// Clears the left margin and draws the title of every open band.
void DrawBandTitles(DisplayContext& ctx);

// Chooses the displayed parameter: recolours the captions, sets every band's copy,
// with `setYScale` on a click scale writes a Y scale that fits the value range into
// the band, rewrites the legend and draws the titles, the axes and the source box.
// Does nothing without open files.
void ShowParameter(DisplayContext& ctx, int parameter, bool setYScale);

// "show SPL as Pa" ticked or not: the amplitude filter's caption becomes "Pa p-p" or
// "raw SPL" and the current parameter is shown again (titles and labels in Pa or raw).
void SetShowSplAsPa(DisplayContext& ctx, bool on);

// "Show colour codes": the kHz colours from 20 to 170 kHz as a strip of lines.
void ShowColourCodes(DisplayContext& ctx);

} // namespace kelp
