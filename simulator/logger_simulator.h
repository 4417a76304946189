#pragma once
// The logger simulator: writes the card a KELP logger would leave after a deployment
// (DATA0.ORV with its header block, the record stream split over DATA1.ORV, ... when
// asked) and truth.json, the list of every synthetic train. It is our test data, our
// demonstration deployment and our benchmark load. The same seed gives the same card.
#include <cstdint>
#include <string>
#include <vector>

namespace kelp {

// Faults a test can ask for, each at a minute (the ordinal of its marker, 1 for the first).
struct SimulatedDefect {
    enum class Kind {
        Jump,     // from this minute on the stored minute numbers are off by Value
        Disorder, // one click of the minute is written before the one that precedes it in time
        PreStart, // Value clicks before the first minute marker (Minute unused)
        Blanks,   // Value blank records (erased bytes) in the middle of the minute
        Flood,    // Value extra clicks spread evenly over the minute, whatever the click limit
    };
    Kind What = Kind::Jump;
    std::int64_t Minute = 0;
    std::int64_t Value = 0;
};

// Parses "jump:MINUTE:BY", "disorder:MINUTE", "prestart:COUNT", "blanks:MINUTE:COUNT" and
// "flood:MINUTE:COUNT"; false with a reason in `error`.
bool ParseSimulatedDefect(const std::string& text, SimulatedDefect& defect, std::string& error);

struct SimulationOptions {
    std::string OutFolder;
    std::int64_t Minutes = 60; // logged minutes (minute markers)
    std::uint64_t Seed = 1;
    std::string Scenario = "mixed";
    int LoggerNumber = 1036;
    int YearMade = 2019;
    int MinutesOff = 0;          // duty cycle: 0, 1, 2, 4 or 9 minutes off after every minute on
    int ClickLimitCode = 2;      // 0 none, 1 1024, 2 4096, 3 65536 clicks per minute
    int StartDelay = 0;          // minutes
    std::int64_t SplitBytes = 0; // largest data file; 0 keeps everything in DATA0.ORV
    bool NoSummary = false;      // the card was taken out before the summary was written
    std::int64_t ErasedTailBytes = 0;
    std::uint8_t ErasedValue = 255;
    double Activity = 1.0;       // multiplies the rates of encounters and boats
    double ShrimpPerMinute = -1; // background clicks per minute; below 0 the scenario's rate
    std::vector<SimulatedDefect> Defects;
};

struct SimulationResult {
    bool Ok = false;
    std::string Error;
    std::vector<std::string> Files; // data files written, DATA0.ORV first
    std::string TruthFile;
    std::int64_t StreamBytes = 0; // record stream without the erased tail
    std::int64_t Clicks = 0;
    std::int64_t Minutes = 0;
    std::int64_t LimitMinutes = 0;
    std::uint32_t BlocksLogged = 0;
    std::int64_t Trains = 0; // trains with at least one recorded click
};

// Checks the options; "" when they are usable.
std::string CheckSimulationOptions(const SimulationOptions& options);
SimulationResult SimulateCard(const SimulationOptions& options);

} // namespace kelp
