#pragma once
// Train scoring: a closed train must pass two filters, then its features (from its train
// record and from the clicks around it in the minute) give an integer quality score, and
// the score its quality class "Hi", "Mod", "Lo" or "?".
#include <array>
#include <cstddef>
#include <cstdint>

#include "tda/train_detector.h"

namespace kelp {

// The features of a train that the score and the species classifier use.
struct TrainFeatures {
    std::int32_t ICIav = 0;  // ticks
    std::int32_t PRF = 0;    // clicks per second
    std::int32_t Dur = 0;    // milliseconds
    std::int32_t fIICIn = 0; // disturbance per interval
    std::int32_t avPk = 0;
    std::int32_t PkDf = 0;
    std::int32_t ICIdf = 0;
};

TrainFeatures ComputeFeatures(const TrainRecord& train);

// Every term of the quality score, named as the program names them.
struct ScoreTerms {
    std::int32_t Short = 0, Disturbed = 0, Long = 0, Regular = 0, Steady = 0, Cycles = 0, FreqSteady = 0,
                 FreqMisfit = 0, FreqFitLow = 0, GoodFreq15 = 0, GoodFreq25 = 0, Narrow = 0, Loud = 0,
                 LevelRegular = 0, LevelSteady = 0, Pk32a = 0, Pk32b = 0, Pk16a = 0, Pk16b = 0, Saturated = 0,
                 Missed = 0;
    std::int32_t A = 0, B = 0, Preliminary = 0, Cluster = 0;
    std::int32_t Score = 0;
};

// The score of a train from its record (with MaxNici etc. already set), the minute's clicks
// and the pass's share of clicks in good trains.
ScoreTerms ScoreTrain(const TrainRecord& train, const TrainParameters& parameters, std::int32_t minClx,
                      std::int32_t goodTrainShare);

// Quality class of a score: 3 Hi (26 or more), 2 Mod (16..25), 1 Lo (11..15), 0 ? (3..10);
// -1 for a score of 2 or less (the train is discarded).
int QualityOfScore(std::int32_t score);

// Interval groups: sets MaxNici, Max2ici and MaxAll of the train and carries the group values on.
void ComputeIntervalGroups(TrainDetector& detector, TrainRecord& train, const ClickList& clicks);
// Counts a train's intervals in the four groups carried in `values`: its first interval (the
// first group takes it when above 10 ms), then its further intervals above 10 ms. Returns
// MaxNici, Max2ici and MaxAll.
std::array<std::int32_t, 3> CountIntervalGroups(std::array<std::int32_t, 4>& values, int toleranceShift,
                                                std::int32_t first, const std::int32_t* intervals,
                                                std::size_t count);
// From group counts C1..C4: MaxNici, Max2ici, MaxAll.
std::array<std::int32_t, 3> GroupMaxima(const std::array<std::int32_t, 4>& counts);

// The neighbourhood times before (once per train) and after the train, in units of 65,536 ticks.
void ComputeNeighbourhood(const TrainDetector& detector, TrainRecord& train, const ClickList& clicks);

// Evaluates a train: false when it was freed (too few clicks, too disturbed or a score of
// 2 or less); otherwise sets its features, score and quality class.
bool EvaluateTrain(TrainDetector& detector, int slot);

} // namespace kelp
