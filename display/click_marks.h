#pragma once
// The mark of one click on the click scales, by the displayed parameter: frequency
// strokes or train lines, duration, bandwidth and SPL blocks, envelope glyphs, ICI and
// click-rate lines, quality and species blocks.
#include <array>
#include <cstdint>
#include <optional>

#include "core/records.h"
#include "display/display_state.h"

namespace kelp {

// Where the line of one record type (a train in KL3 files, a click type in the others)
// last reached on this screen.
struct LineRecord {
    int LastX = 0;
    int LastY = 0;
    std::int32_t LastTick = 0;
    bool HasTick = false;
    int Joined = 0; // clicks joined so far
};
inline constexpr int LineRecordCount = 128;
using SlotLineRecords = std::array<LineRecord, LineRecordCount>;

// "Range error in ShowClickSeq   " ...: a KL3 click outside the train ids in the frequency view.
inline constexpr const char* RangeErrorText = "Range error in ShowClickSeq   ";

// The click's length in pixels: Ncyc cycles at kHz last Ncyc x 200 / kHz ticks.
int DurationWidth(int ncyc, int kHz, int ticksPerPixel);
// The height of the click's amplitude (SPL, or Pa with "show SPL as Pa") in the band.
int AmplitudeHeight(const DisplayState& state, const ClickRecord& click, bool splAsPa);

// Quality classes in the click views: Hi red, Mod yellow, Lo green, ? grey.
Colour ClickQualityColour(int quality);
// Species classes, as the bars of the bin view colour them.
Colour SpeciesColour(int species);

// The darkening of the SPL blocks by duration and bandwidth: the factor for a bandwidth
// or cycles value when both shadings are on (fb, fd) and when only one is (fb', fd').
double BandwidthShade(int bw, bool alone);
double DurationShade(int ncyc);
// The kHz colour of an SPL block, shaded as the ticked shadings ask.
Colour ShadedSplColour(const ClickRecord& click, bool byDuration, bool byBandwidth);
// Each of red, green and blue multiplied by the factor and rounded.
Colour ScaleColour(Colour colour, double factor);

// What a mark is drawn with.
struct MarkTarget {
    DisplayContext& ctx;
    int Slot = 1;
    FileKind Kind = FileKind::KL1;
    int Base = 0;
    SlotLineRecords& Lines;
};

// Draws a click's mark at x by the displayed parameter and returns the mark's height;
// nothing when the file's drawing must stop (a KL3 click that belongs to no train in the
// frequency view, after the message).
std::optional<int> DrawClickMark(MarkTarget& target, const ClickRecord& click, int type, int x);

} // namespace kelp
