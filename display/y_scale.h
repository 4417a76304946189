#pragma once
// The vertical scales: "Y scale" (pixels per unit of the value, or per click per minute
// on the bin scales), the ICI and click-rate scales of the click views, and the "KL1/"
// divisor of KL1 and KL2 counts.
#include <optional>
#include <string>

#include "display/display_state.h"

namespace kelp {

// A real number typed into a box: the whole text must be a finite number.
std::optional<double> ParseReal(const std::string& text);
// A whole number typed into a box (blanks around it allowed).
std::optional<long long> ParseWholeNumber(const std::string& text);

// The change handler of "Y scale": a text that is not a number puts "2.0" back and 2 is
// used; values below 0.05 are used as 0.05. The axes are redrawn when a file is open.
void SetYScale(DisplayContext& ctx, const std::string& text);
// Writes a text into "Y scale"; its change handler runs when the text changes.
void WriteYScaleText(DisplayContext& ctx, const std::string& text);

// F5: doubles the ICI or click-rate scale on click scales showing ICI or click rate;
// otherwise writes twice the Y scale into "Y scale".
void YScaleUp(DisplayContext& ctx);
// F6: halves them; a Y scale below 0.05 after halving writes "2.0" instead, and an ICI
// or click-rate scale that reaches 0 starts again at 2.
void YScaleDown(DisplayContext& ctx);
// F5 or F6 as a key: the scale change, then the axes, the screen from the same start
// and the legend are drawn again.
void YScaleKey(DisplayContext& ctx, bool up);

// The change handler of the "KL1/" divisor: a text that is not a whole number puts "20"
// back; values below 1 are used as 1.
void SetKl1Divisor(DisplayContext& ctx, const std::string& text);

} // namespace kelp
