#pragma once
// The axes: the time labels under the plot for every scale, and the value labels at
// the right of each band with their step rule.
#include <cstdint>
#include <string>
#include <vector>

#include "display/display_state.h"

namespace kelp {

// Sets ticks per pixel or minutes per bin, the span and the half span of the current scale.
void SetScaleValues(DisplayState& state);

// Sets the scale's values, clears the axis strips and draws the time labels and the
// value labels of every open band.
void DrawAxes(DisplayContext& ctx);

// The label step for a band that holds `units` units of the value; outside the
// table the previous step is kept.
int YLabelStepFor(std::int64_t units, int previousStep);

// A value label: g pixels above the band's base, and its text ("" where the view has
// no labels, as for the envelope and noise on click scales).
struct YLabel {
    int G = 0;
    std::string Text;
};

// "extend temperature scale" only draws the axes again.
void SetExtendTemperatureScale(DisplayContext& ctx, bool on);

// Chooses the label step (kept in the state) and returns the labelled levels of a band.
// The background's grid lines lie at the same levels.
std::vector<YLabel> YLabelsOfBand(DisplayState& state, const Program& program, int slot);

// The texts and x positions of the time labels along the bottom (each text is drawn
// at (x, bottom)).
struct TimeLabel {
    int X = 0;
    std::string Text;
};
std::vector<TimeLabel> TimeLabels(const DisplayState& state);

// A real number in fixed notation with the given number of decimals.
std::string FixedText(double value, int decimals);

} // namespace kelp
