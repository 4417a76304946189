#include "tda/landmark_sequence.h"

#include <algorithm>

#include "core/time.h"

namespace kelp {

namespace {

// More than this many ticks (15 s) of silence ends a sequence.
constexpr std::int64_t SequenceGap = 3'000'000;
// Mean intervals of 20 ms or less are not counted.
constexpr std::int64_t ShortestMean = 4'000;
// A train counts once it reaches this many intervals (its 5th click).
constexpr int CountedIntervals = 4;
constexpr int TrainsNeeded = 4; // more than this many trains ...
constexpr int NotHiNeeded = 2;  // ... and more than this many not of class Hi
constexpr int HiQuality = 3;

} // namespace

void LandmarkSequence::Click(std::int32_t time, int trainId, int quality) {
    const int id = trainId & 127;
    if (id == previousTrain_) {
        TrainRun& run = trains_[static_cast<std::size_t>(id)];
        ++run.Intervals;
        run.Last = time;
        if (run.Intervals == CountedIntervals) {
            ++trainsCounted_;
            if (quality < HiQuality) ++trainsNotHi_;
        }
    } else {
        if (time - previousTime_ > SequenceGap) {
            Evaluate();
            Reset();
        }
        if (previousTrain_ >= 0) CloseTrain(trains_[static_cast<std::size_t>(previousTrain_)]);
        trains_[static_cast<std::size_t>(id)] = TrainRun{time, time, 0};
    }
    previousTrain_ = id;
    previousTime_ = time;
}

// The previous train ends: a train of 5 or more clicks with a mean interval above 20 ms
// joins the sequence.
void LandmarkSequence::CloseTrain(const TrainRun& run) {
    if (run.Intervals <= CountedIntervals - 1) return;
    const std::int64_t mean = (run.Last - run.First) / run.Intervals;
    if (mean <= ShortestMean) return;
    if (mean < previousMean_) ++falls_;
    previousMean_ = mean;
    lowestMean_ = std::min(lowestMean_, mean);
    highestMean_ = std::max(highestMean_, mean);
    Evaluate();
}

int LandmarkSequence::EndMinute() {
    if (TicksPerMinute - previousTime_ > SequenceGap) {
        Evaluate();
        Reset();
    }
    minuteRise_ = std::min(HighestLandmarkMark, std::max(minuteRise_, rise_));
    minuteFall_ = std::max(0, std::min(minuteFall_, fall_));
    const int mark = minuteRise_ < HighestLandmarkMark - minuteFall_ ? minuteFall_ : minuteRise_;
    minuteRise_ = NoLandmarkMark;
    minuteFall_ = NoLandmarkMark;
    previousTime_ -= TicksPerMinute;
    return mark;
}

// A sequence of more than 4 trains whose means span a factor of 3 or more, with more than
// 2 trains not of class Hi, raises the rise value when most means fell and lowers the
// fall value when most rose; the more trains, the further.
void LandmarkSequence::Evaluate() {
    const bool qualifies =
        highestMean_ >= 3 * lowestMean_ && trainsCounted_ > TrainsNeeded && trainsNotHi_ > NotHiNeeded;
    if (!qualifies) {
        rise_ = NoLandmarkMark;
        fall_ = NoLandmarkMark;
        return;
    }
    const int a = trainsCounted_;
    const int f = falls_ * 100 / a;
    if (f > 60) {
        const int step = f <= 70 ? a / 2 : f <= 80 ? a : f <= 90 ? 2 * a : 4 * a;
        rise_ = std::max(rise_, NoLandmarkMark + step);
    } else if (f <= 40) {
        const int step = f <= 10 ? 4 * a : f <= 20 ? 2 * a : f <= 30 ? a : a / 2;
        fall_ = std::min(fall_, NoLandmarkMark - step);
    }
    rise_ = std::min(rise_, HighestLandmarkMark);
}

// The sequence ends: the minute keeps its most extreme values, everything else starts again.
// The previous click's train is forgotten with the train records, so that a train going on
// after the end starts afresh.
void LandmarkSequence::Reset() {
    minuteRise_ = std::max(minuteRise_, rise_);
    minuteFall_ = std::min(minuteFall_, fall_);
    rise_ = NoLandmarkMark;
    fall_ = NoLandmarkMark;
    lowestMean_ = TicksPerMinute;
    highestMean_ = 0;
    previousMean_ = 0;
    trainsCounted_ = 0;
    trainsNotHi_ = 0;
    falls_ = 0;
    trains_.fill(TrainRun{});
    previousTrain_ = -1;
}

} // namespace kelp
