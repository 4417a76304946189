#pragma once
// The frequency graph: the display, band by band, replaced with a 256-bin distribution
// of one click value over the time span of the current screen.
#include <array>
#include <cstdint>
#include <string>

#include "analysis/analysis_page.h"
#include "core/file_slot.h"
#include "display/display_state.h"

namespace kelp {

// The "graph" button's caption, its hint and the title of the Results listing of a type.
const char* FrequencyGraphCaption(FrequencyGraphType type);
const char* FrequencyGraphHint(FrequencyGraphType type);
const char* FrequencyGraphTitle(FrequencyGraphType type);
// The bin labels stop after this value (outside development mode).
int FrequencyGraphLastLabel(FrequencyGraphType type);

// Choosing a type in " graph " renews the button's caption and hint only.
void SetFrequencyGraphType(Program& program, Host& host, FrequencyGraphType type);

// The weighted mean over five bins (1 : 2 : 3 : 2 : 1, folded at both ends).
using FrequencyHistogram = std::array<std::int64_t, 256>;
FrequencyHistogram SmoothFrequencyHistogram(const FrequencyHistogram& h);

// What one band's graph counted and drew.
struct FrequencyBand {
    bool Drawn = false;
    FrequencyHistogram Raw{};
    FrequencyHistogram Shown{}; // smoothed, or the raw counts
    std::int64_t Largest = 1;   // M: the largest shown count of bins 2..253, at least 1
};

struct FrequencyGraph {
    std::array<FrequencyBand, SlotCount + 1> Bands{}; // by slot 1..3
};

// "graph": sets the caption and hint from the type and draws the graph of every open file
// over [ReadPosition - span, ReadPosition].
FrequencyGraph ShowFrequencyGraph(DisplayContext& ctx);

} // namespace kelp
