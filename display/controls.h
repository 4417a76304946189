#pragma once
// The display's controls drawn onto the canvas, for a picture of the whole window
// (the app shows the same texts in its own widgets): the legend strip, the scale and
// parameter captions with the resolution label, the slider over the long grey bar,
// the screen's start and end labels, the source box and the status labels.
#include <string>
#include <vector>

#include "display/display_state.h"

namespace kelp {

// Texts of the window that other parts of the program keep.
struct WindowTexts {
    std::vector<std::string> SourceBox;
    std::string TitleLabel;
    std::string ProgressLabel;
    std::string ClickCountLabel;
};

// Where the controls lie in the picture.
namespace controls_layout {
inline constexpr int LegendStripBottom = 26;
inline constexpr int ScaleCaptionsY = 29;
inline constexpr int ScaleCaptionStep = 40;
inline constexpr int ParameterCaptionsY = 40;
inline constexpr int ParameterCaptionRowStep = 11;
inline constexpr int GreyBarTop = 69;
inline constexpr int GreyBarBottom = 78;
inline constexpr int SliderBarTop = 65;
inline constexpr int SliderBarBottom = 82;
inline constexpr int StartEndLabelsBelow = 22; // below the display's bottom
inline constexpr int SourceBoxBelow = 36;
inline constexpr int SourceBoxLineStep = 12;
inline constexpr int SourceBoxLines = 4;
} // namespace controls_layout

inline constexpr Colour GreyBarColour = 0xB0B0B0;
inline constexpr Colour SliderColour = 0x404040;

void DrawWindowControls(DisplayContext& ctx, const WindowTexts& texts);

} // namespace kelp
