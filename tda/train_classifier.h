#pragma once
// Species classification of a surviving train: boat sonar (a fixed-rate source with long
// clicks), porpoise-like narrow-band high-frequency clicks, dolphins, or unclassed.
#include <array>
#include <cstdint>

#include "tda/train_detector.h"

namespace kelp {

// What the classifier reads from the records of the train's clicks in the minute block.
struct TrainClickShape {
    std::int32_t MaxNcyc = 0;
    std::int32_t avEndkHz = 0;
    std::int32_t avSlp5 = 0;  // mean EnvelopeLow
    std::int32_t avSlpMx = 0; // mean EnvelopeHigh
    std::int32_t Slp5df = 0;  // mean change of EnvelopeLow from click to click
};

TrainClickShape ComputeClickShape(const MinuteBlock& block, const TrainRecord& train,
                                  const ClickList& clicks);

// The six terms of the sonar score and their sum (TrNscore).
struct SonarTerms {
    std::int32_t MaxNcycClass = 0, NcycClass = 0, Cl = 0, MxNici = 0, Mx2ici = 0, MxAll = 0;
    std::int32_t TrNscore = 0;
};

SonarTerms ComputeSonarTerms(const TrainRecord& train, const TrainClickShape& shape);
// The three terms of the interval groups (MxNici, Mx2ici, MxAll) for a train of n real clicks
// with these group maxima, and the sum TrNscore with the three other terms already in `s`.
void AddIntervalTerms(SonarTerms& s, std::int32_t n, const std::array<std::int32_t, 3>& maxima);

// What the species decision needs of a train apart from its interval group maxima: the
// class it gets when it is not a sonar, and the rest of the sonar test.
struct SpeciesInputs {
    std::int32_t SonarBase = 0;     // the sonar score's other three terms plus the band's sonar risk
    std::int32_t Nin = 1;           // real clicks, at least 1
    std::uint8_t SonarPossible = 0; // the mean interval is above 15 ms
    std::uint8_t Cetacean = 3;      // the porpoise, dolphin, other cetacean or unclassed decision
};

SpeciesInputs SpeciesInputsOf(const TrainDetector& detector, int slot);
// The species from those inputs and the train's MaxNici, Max2ici and MaxAll.
std::uint8_t DecideSpecies(const SpeciesInputs& inputs, const std::array<std::int32_t, 3>& maxima,
                           const TrainParameters& parameters);

// The band's sonar risk: bands 0 to 7 from the minute's table, 21 for any higher band.
std::int32_t BandRiskOf(const MinuteContext& minute, std::int32_t band);

// Sets the train's Species (each call starts afresh).
void ClassifySpecies(TrainDetector& detector, int slot);

} // namespace kelp
