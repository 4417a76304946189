#pragma once
// The train detection's settings, kept in Program for the whole run
// (TdaSettingsOf(program)): the pre-filter boxes of the Trains page that the
// cluster finder reads, the minute limit and version selection that the train pass
// reads, and the development page's cluster boxes. Also the fixed cycle period table.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace kelp {

class Program;

// One entry box: the text as typed and the value parsed from it. A text that does not
// parse puts the box's default text back.
struct TdaEntry {
    std::string Text;
    std::int32_t Value = 0;
    std::string DefaultText;

    TdaEntry(const char* text, std::int32_t value) : Text(text), Value(value), DefaultText(text) {}
    // Takes a typed text; false when it did not parse (the default text and value are then back).
    bool Set(const std::string& text);
};

struct TdaSettings {
    // Trains page.
    TdaEntry TdaSPLmin{"0", 0};  // "SPL": minimum SPL of the clicks clustered
    TdaEntry TdaNcycMin{"0", 0}; // "Duration          cycles": minimum Ncyc
    TdaEntry TDAkHz{"0", 0};     // "kHz<": maximum kHz, 0 meaning 170
    TdaEntry TDAMinLim{"0", 0};  // "Min limit": clicks kept per minute, 0 meaning no limit
    bool NoSpeciesSplit = false; // "do not distinguish cetacean species"
    int TrainFilterVersion = 1;  // " Train filter version ": 1 or 2 (2 only in development mode)

    // Development page, read by version 2 of the cluster finder.
    TdaEntry InitialFusionGap{"100", 100}; // "InitialFusionGap"
    TdaEntry ForceGapAt{"3", 3};           // "Force gap at"
    // Version 2 plots each banded minute's "kHz prevalence as fraction of N of clicks": the
    // app draws the smoothed histogram it is given, divided by the minute's clicks.
    std::function<void(const std::array<std::int32_t, 256>& histogram, int clicks)> OnMinuteHistogram;
};

// The settings in the program (made with their defaults on first use).
TdaSettings& TdaSettingsOf(Program& program);

// The train detection version that runs: the selection in development mode, else 1.
int ActiveTdaVersion(Program& program);

// True when the cluster finder reduces each minute's clicks before clustering: a minimum
// SPL or Ncyc above 1, or a minute limit. The kHz maximum alone does not filter.
bool PreFilterOn(const TdaSettings& settings);
// The kHz maximum of the pre-filter (170 when the box holds 0).
int PreFilterMaxkHz(const TdaSettings& settings);

// TdaMinuteLimit: the clicks of each pass over a minute offered to the train search are
// the first limit + 1; "Min limit" 0 means 65,536.
std::int32_t TdaMinuteLimit(const TdaSettings& settings);

// "Click here to set filter to normal sensitivity V0 level".
void SetNormalSensitivity(TdaSettings& settings);
// Double click in "Min limit": 1024 -> 4096 -> 65536 -> 1024; any other text -> 4096.
void StepMinuteLimit(TdaSettings& settings);

// Cycle period in eighths of a tick, 1600 div kHz for 10 to 200 kHz and 0 elsewhere: a
// click of Ncyc cycles at kHz lasts Ncyc x CyclePeriod[kHz] / 8 ticks.
inline constexpr std::array<std::uint16_t, 256> CyclePeriod = [] {
    std::array<std::uint16_t, 256> table{};
    for (int k = 10; k <= 200; ++k) table[static_cast<std::size_t>(k)] = static_cast<std::uint16_t>(1600 / k);
    return table;
}();

} // namespace kelp
