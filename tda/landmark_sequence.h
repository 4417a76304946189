#pragma once
// The search for landmark sequences: runs of trains whose mean click interval changes
// steadily from one train to the next. It is fed the train clicks of a KL3 file in
// order and told where each minute ends; each minute then gets its landmark mark:
// 20 for none, above 20 when the mean interval mostly fell (click rate rising), below
// 20 when it mostly rose.
#include <array>
#include <cstdint>

namespace kelp {

inline constexpr int NoLandmarkMark = 20;
inline constexpr int HighestLandmarkMark = 40;

class LandmarkSequence {
public:
    LandmarkSequence() { Reset(); }

    // A click of train `trainId` (5..127) at `time` ticks within the current minute;
    // `quality` is its train's quality class (3 for "Hi").
    void Click(std::int32_t time, int trainId, int quality);
    // The current minute ends (at the next minute marker, or at the end of the data).
    // Returns the minute's mark, 0..40 (the file stores at least 1).
    int EndMinute();

    // The running sequence, for diagnostics and tests.
    int Rise() const { return rise_; }
    int Fall() const { return fall_; }
    int TrainsCounted() const { return trainsCounted_; }
    int TrainsNotHi() const { return trainsNotHi_; }
    int Falls() const { return falls_; }

private:
    // The run of clicks of one train since it last started.
    struct TrainRun {
        std::int64_t First = 0;
        std::int64_t Last = 0;
        std::int32_t Intervals = 0;
    };

    void Evaluate();
    void Reset();
    void CloseTrain(const TrainRun& run);

    std::array<TrainRun, 128> trains_{};
    int previousTrain_ = -1;        // train of the previous click; -1 when none
    std::int64_t previousTime_ = 0; // ticks, counted back by a minute at each minute end

    std::int64_t lowestMean_ = 0;
    std::int64_t highestMean_ = 0;
    std::int64_t previousMean_ = 0;
    int trainsCounted_ = 0;
    int trainsNotHi_ = 0;
    int falls_ = 0;
    int rise_ = NoLandmarkMark;
    int fall_ = NoLandmarkMark;

    int minuteRise_ = NoLandmarkMark;
    int minuteFall_ = NoLandmarkMark;
};

} // namespace kelp
