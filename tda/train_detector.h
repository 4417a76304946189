#pragma once
// The state of one train detection run: the parameters, the train table, what is known of
// the minute being searched, the interval groups carried from train to train and the
// run's counters. The four stages (the pass over a minute, the search, the evaluation and
// the species classifier) all work on it.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "tda/train_parameters.h"
#include "tda/train_records.h"

namespace kelp {

struct SegmentLog;

// The minute block being searched: its minute marker, then its records, all R bytes long.
struct MinuteBlock {
    std::uint8_t* Bytes = nullptr;
    std::int32_t Size = 0;
    int RecordLength = 20;

    int TypeOffset() const { return RecordLength - 1; }
    // Offset just past the last whole record.
    std::int32_t End() const { return Size - Size % RecordLength; }
};

// What the search, the evaluation and the classifier know of the current minute.
struct MinuteContext {
    MinuteBlock Block;
    std::int32_t LoNcycR = 0;
    std::int32_t HiNcycR = 0;
    std::array<std::int32_t, 8> BandRisk{21, 21, 21, 21, 21, 21, 21, 21};
    std::int32_t PrevMinuteTail = 0; // units of 65,536 ticks after the previous minute's last click
    std::int32_t MinClx = 0;         // clicks offered in pass 1
    std::int32_t GoodTrainShare = 0; // added to the scores computed after a pass end
    std::int32_t Pass = 0;
    std::int32_t PassOffered = 0;                // clicks offered in the current pass
    bool RepeatPass = false;                     // a train of class Mod or Hi was graded in this pass
    std::array<std::int32_t, 4> QualityClicks{}; // this minute's clicks in written trains, per quality
    std::array<std::int32_t, 5> SpeciesClicks{}; // and per species (Mod and Hi trains only)
    // The minute's frequency histogram (bins 2..20 of kHz / 8) and the previous minute's.
    std::array<std::int32_t, 21> Histogram{};
    std::array<std::int32_t, 21> PreviousHistogram{};
};

// The four interval groups carried from one evaluated train to the next.
struct IntervalGroups {
    std::array<std::int32_t, 4> Value{};
};

struct TrainRunCounters {
    std::int64_t FileMins = 0;
    std::int64_t ActiveMins = 0;
    std::array<std::int64_t, 4> QualityTotals{}; // clicks in trains per quality class
    std::array<std::int64_t, 5> SpeciesTotals{}; // clicks in Mod or Hi trains per species class
    std::int64_t ClicksOffered = 0;
    std::int64_t TrainsVisited = 0; // open trains the offered clicks were put to, for measuring
    // Measuring, when the detector counts twins: visits to trains of two or more clicks that
    // another train visited by the same click matches in its last, previous and candidate
    // clicks and interval; and those that match it in everything the click's decision reads.
    std::int64_t TwinVisits = 0;
    std::int64_t ExactTwinVisits = 0;
    std::int64_t TrainsFreed = 0;
    std::int64_t Purges = 0;
    std::int32_t HighestSlotsInUse = 0;
    std::int32_t MaxWrittenNin = 0;
    std::int32_t MaxFreedLength = 0;
    std::int32_t MaxPass = 0;
};

struct TrainDetector {
    TrainParameters Parameters;
    bool Version2 = false;
    bool NoSpeciesSplit = false;
    bool Inherit = false;
    std::int64_t TdaMinuteLimit = 65'536;
    TrainTable Table;
    MinuteContext Minute;
    IntervalGroups Groups;
    TrainRunCounters Counters;
    std::int32_t TrainId = 4; // advanced before each written train: 5..127, then 5 again
    // Searching a segment of minutes for the stitch: the interval groups and the species are
    // left to it, and what they need is kept here (see train_segment_log.h).
    SegmentLog* Log = nullptr;
    std::vector<std::int32_t> IntervalScratch; // a train's intervals while its groups are counted
    // Measuring: the time spent evaluating and classifying trains, when asked for.
    bool TimeScoring = false;
    std::int64_t ScoringNanoseconds = 0;
    bool CountTwins = false;
};

// Adds the time of a scope to the detector's scoring time when it is being measured.
class ScoringTimer {
public:
    explicit ScoringTimer(TrainDetector& d);
    ~ScoringTimer();
    ScoringTimer(const ScoringTimer&) = delete;
    ScoringTimer& operator=(const ScoringTimer&) = delete;

private:
    TrainDetector* detector_;
    std::int64_t start_ = 0;
};

// A detector ready for a run with these settings (version 2 takes the development page's parameters).
std::unique_ptr<TrainDetector> MakeTrainDetector(const TrainDetectionSettings& settings,
                                                 std::int64_t tdaMinuteLimit);

} // namespace kelp
