#pragma once
// What a run of minutes searched on its own keeps for the stitch. The interval groups are
// the one state carried across minutes, and they reach nothing but the species decision
// (the sonar terms), so a segment records, for each evaluation, the intervals the groups
// are counted from, and for each written train what its species decision needs besides
// them. The stitch replays the groups in the file's order and decides the species.
#include <cstdint>
#include <vector>

#include "tda/train_classifier.h"

namespace kelp {

// The group maxima a train has while the carried values are not known: no train can have
// them, so any use before the stitch shows.
inline constexpr std::int32_t UnknownGroupMaximum = 1 << 24;

struct SegmentLog {
    struct Evaluation {
        std::int32_t First = 0;           // the first interval
        std::uint32_t Begin = 0, End = 0; // the further intervals above 10 ms, in Intervals
    };
    struct WrittenTrain {
        std::int32_t Evaluation = 0; // its last evaluation
        SpeciesInputs Species;
        std::uint8_t Quality = 0;
        std::int32_t Clicks = 0;
    };
    std::vector<Evaluation> Evaluations;
    std::vector<std::int32_t> Intervals;
    std::vector<WrittenTrain> Trains;
    // Per record of the minute block being searched: the written train that tagged it.
    std::vector<std::int32_t> WriterOf;

    std::int32_t AddEvaluation(std::int32_t first, const std::vector<std::int32_t>& intervals) {
        Evaluation e;
        e.First = first;
        e.Begin = static_cast<std::uint32_t>(Intervals.size());
        Intervals.insert(Intervals.end(), intervals.begin(), intervals.end());
        e.End = static_cast<std::uint32_t>(Intervals.size());
        Evaluations.push_back(e);
        return static_cast<std::int32_t>(Evaluations.size() - 1);
    }
};

} // namespace kelp
