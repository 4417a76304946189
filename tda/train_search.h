#pragma once
// The train search: the clicks of one minute are offered one at a time, in time order,
// to the open trains of the train table. Each train keeps one pending candidate for its
// expected next click, which better-fitting rivals may replace until the window has
// passed; an empty window counts as a missed click. Trains that cannot grow are closed,
// evaluated and kept or freed; clicks that look like a new start open new trains.
#include <cstdint>

#include "tda/train_detector.h"

namespace kelp {

// Offers one click to every open train of its band and possibly starts a new train from it.
void OfferClick(TrainDetector& detector, const SearchClick& click);

// Closes a train: commits or drops its pending candidate, then evaluates it. False when
// the train was freed.
bool CloseTrain(TrainDetector& detector, int slot);

// For two trains in use (a < b) that share a click, frees the weaker.
void ResolveSharedClicks(TrainDetector& detector, int a, int b);

// Copies the empty template over a slot and lowers the in-use count past trailing free slots.
void FreeTrain(TrainDetector& detector, int slot);

// The lowest free slot; a full table is purged first (slot 500 is reused when nothing
// could be freed). Raises the in-use count to the slot.
int AllocateSlot(TrainDetector& detector);

// End of minute: every slot in use becomes free and the in-use count 0.
void EmptyTable(TrainDetector& detector);

// The fits of a later click c to a train of two or more clicks (R judged between P and c).
ClickFit LaterClickFits(const TrainRecord& train, const TrainClick& c);
// The fits of a pair of clicks (a train's first click and a candidate second click).
ClickFit PairFits(const TrainClick& a, const TrainClick& b);
// Single fits, for the places that need no more than one.
std::int32_t PairFreqFit(const TrainClick& a, const TrainClick& b);
std::int32_t LaterFreqFit(const TrainRecord& train, const TrainClick& c);
std::int32_t LaterSplFit(const TrainRecord& train, const TrainClick& c);
std::int32_t LaterTimeFit(const TrainRecord& train, const TrainClick& c);

// The disturbance a click would add to a train (0, 1, 2 or 4), and adding it.
std::int32_t DisturbanceOf(const TrainRecord& train, const TrainClick& x);
void ApplyDisturbance(TrainRecord& train, const TrainClick& x);

} // namespace kelp
