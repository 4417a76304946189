#pragma once
// "Batch detection and noise summaries": one line per KL3 file of how much it logged, how noisy
// and truncated its minutes were, and the share of its minutes, complete ten-minute blocks and
// complete clock hours with porpoise and dolphin detections.
#include <cstdint>
#include <string>
#include <vector>

#include "export/batch_export.h"

namespace kelp {

class Program;
class Host;

inline constexpr const char* ListNoiseOpenTitle = "Select one or more .KL3 files to process";
inline constexpr const char* ListNoiseOpenFilter = "KELP.KL3 files|*.KL3|All files|*.*";
inline constexpr const char* NoiseSummaryHeader =
    "File\tDays\tWhole Hours\tMins ON\tAll Clks\t% >120kHz\tNoisy Hours\tTrunc Mins\t%TimeLost\t%PorpAll "
    "DPM\t%PorpAll DP10M\t%PorpAll DPH\t%PorpMod DPM\t%PorpMod DP10M\t%PorpMod DPH\t%DolMod DPM\t%DolMod "
    "DP10M\t%DolMod DPH";
inline constexpr const char* FileTooShortText = "File duration too short";
inline constexpr const char* NotKL3FileText = "not a KL3 file";

// The detection families: any porpoise-like click, porpoise-like clicks of "Mod" or "Hi"
// trains, dolphin clicks of "Mod" or "Hi" trains.
enum NoiseFamily : int { PorpAll = 0, PorpMod = 1, DolMod = 2 };
inline constexpr int NoiseFamilyCount = 3;

// What one KL3 file counted.
struct NoiseSummary {
    std::int64_t MinsOn = 0;
    std::int64_t AllClicks = 0;
    std::int64_t ClicksAbove120kHz = 0;
    std::int64_t NoisyHours = 0;
    std::int64_t TruncatedMinutes = 0;
    std::int64_t TimeLost = 0;        // in 1/183 minute
    std::int64_t TenMinuteBlocks = 0; // complete clock-aligned blocks
    std::int64_t Hours = 0;           // complete clock hours
    std::int64_t Dpm[NoiseFamilyCount]{};
    std::int64_t Dp10m[NoiseFamilyCount]{};
    std::int64_t Dph[NoiseFamilyCount]{};
    bool Stopped = false; // ESC or a stop request ended the reading
    bool Broken = false;  // a read failed or the data held a record that is no record
};

// Reads the KL3 file in slot 1 over its active range with every click seen (the caller
// ignores the filters); hours whose clicks before their first Mod+ click exceed `threshold`
// are noisy.
NoiseSummary SummariseNoise(Program& program, Host& host, std::int64_t threshold);

// The result line of a file, or its name with "File duration too short" when it has no minute
// ON, no complete ten-minute block or no complete hour.
std::string NoiseSummaryLine(const std::string& shortName, const NoiseSummary& summary);

// The summaries of the given files in their order, with up to `jobs` files at once. Each name
// is taken with the extension ".KL3".
BatchRunResult ListNoise(Program& program, Host& host, const std::vector<std::string>& files, int jobs = 1);

// The button: reads the threshold box, asks for the files and lists them.
BatchRunResult ListNoiseBtnClick(Program& program, Host& host, int jobs = 1);

} // namespace kelp
