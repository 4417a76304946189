#include "tda/train_detector.h"

namespace kelp {

std::unique_ptr<TrainDetector> MakeTrainDetector(const TrainDetectionSettings& settings, std::int64_t tdaMinuteLimit) {
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

}  // namespace kelp
