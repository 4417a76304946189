#pragma once
// Species classification of a surviving train: boat sonar (a fixed-rate source with long
// clicks), porpoise-like narrow-band high-frequency clicks, dolphins, or unclassed.
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

// The band's sonar risk: bands 0 to 7 from the minute's table, 21 for any higher band.
std::int32_t BandRiskOf(const MinuteContext& minute, std::int32_t band);

// Sets the train's Species (each call starts afresh).
void ClassifySpecies(TrainDetector& detector, int slot);

} // namespace kelp
