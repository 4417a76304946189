#pragma once
// Cross-correlation of the binned click counts of files 1 and 2 ("cc.F"), which shows at
// which time offset two loggers detect together, and auto-correlation of one file
// ("ac.F"), whose first lag below the significance level is the encounter duration.
// Both bin the clicks the reader delivers, in bins of the display's time scale, and draw
// over the display area.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "display/display_state.h"

namespace kelp {

inline constexpr const char* KL3FilesMustOverlapText =
    "Files 1 and 2 must be KL3 files and must overlap in time";
inline constexpr const char* TooFewSamplesText =
    "Too few samples at this bin size. (Bin size = the number of minutes grouped on the Xscale display)";
inline constexpr const char* AllValuesNilText = "All values nil.";
// "File " + n + " is not open".
std::string FileNotOpenText(int slot);

// The scales the correlations work on (1 minute to 6 hours per bin); the bin size, 93
// minutes on the tide scale instead of its 186 (eight bins to a tidal cycle of 12 h 24 min).
inline constexpr int FirstCorrelationScale = 11;
inline constexpr int LastCorrelationScale = 16;
inline constexpr int TideBinMinutes = 93;
int CorrelationBinMinutes(int timeScale, int minutesPerBin);

// The cross-correlation function: 241 entries for offsets -120 .. +120 bins, entry 120
// at offset 0; A positive offset has file 2 behind file 1.
inline constexpr int CrossOffsets = 120;
struct CrossCorrelation {
    int Bins = 0; // i: bins of the overlap used
    int Lags = 0; // P: lags on each side
    std::array<float, 2 * CrossOffsets + 1> Function{};
    int PeakIndex = 0;
    float Peak = 0;
    float Level = 0; // 2 / sqrt(P), the 95% significance level
    int PeakOffset() const { return PeakIndex - CrossOffsets; }
};
// From two series of bin counts (index 0 unused, bins 1 .. i - 1 filled, at least i + 1
// long); the three-bin rolling sums are taken here.
CrossCorrelation CrossCorrelate(std::vector<std::int32_t> x, std::vector<std::int32_t> y, int i);

struct AutoCorrelation {
    int Bins = 0;                // i
    int Lags = 0;                // P
    std::vector<float> Function; // lags 0 .. P - 1
    float Largest = 0;
    float Level = 0;
    int Encounter = 0; // the first lag (up to 900) below the level, 0 when none
};
// From one series (index 0 unused, bins 1 .. i - 1 filled); empty Function when the
// series is too short for any lag.
AutoCorrelation AutoCorrelate(std::vector<std::int32_t> x, int i);

// What a correlation command ended with.
struct CorrelationOutcome {
    bool Done = false;
    int BinMinutes = 0;
    int Slot = 0; // the file of the auto-correlation
    CrossCorrelation Cross;
    AutoCorrelation Auto;
};

// "cc.F" and "ac.F". The display's scale is first limited to 11..16 (any other becomes 11).
CorrelationOutcome DoCrossCorrelation(DisplayContext& ctx);
CorrelationOutcome DoAutocorrelation(DisplayContext& ctx);

// "coherence" (development): the amplitudes of file 1 from its current position, summarised
// in groups of 256 clicks on the Results page.
void CoherenceBtnClick(Program& program, Host& host);

// The graph of a correlation function, drawn over the display area.
void DrawCrossCorrelation(DisplayContext& ctx, const CrossCorrelation& cc, int binMinutes,
                          const std::vector<std::string>& texts);
void DrawAutoCorrelation(DisplayContext& ctx, const AutoCorrelation& ac, int binMinutes,
                         const std::vector<std::string>& texts);
// The last lag the auto-correlation graph has room for.
int LastDrawnLag(const DisplayState& state);

} // namespace kelp
