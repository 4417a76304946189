#include "tda/train_detector.h"

#include <chrono>

namespace kelp {

std::unique_ptr<TrainDetector> MakeTrainDetector(const TrainDetectionSettings& settings,
                                                 std::int64_t tdaMinuteLimit) {
    auto d = std::make_unique<TrainDetector>();
    d->Version2 = settings.Version == 2;
    if (d->Version2) {
        d->Parameters = settings.DevelopmentParameters;
        d->Parameters.MinSecondClickTicks = 200;
        d->Parameters.StayWithinBands = settings.StayWithinBands;
    }
    d->NoSpeciesSplit = settings.NoSpeciesSplit;
    d->Inherit = settings.Inherit;
    d->TdaMinuteLimit = tdaMinuteLimit;
    return d;
}

namespace {
std::int64_t NowNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

ScoringTimer::ScoringTimer(TrainDetector& d) : detector_(d.TimeScoring ? &d : nullptr) {
    if (detector_) start_ = NowNanoseconds();
}

ScoringTimer::~ScoringTimer() {
    if (detector_) detector_->ScoringNanoseconds += NowNanoseconds() - start_;
}

} // namespace kelp
