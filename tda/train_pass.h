#pragma once
// The passes over one minute: every minute is searched on its own, in up to three passes
// while a pass finds a train of class Mod or Hi; each pass ends by closing, resolving,
// re-evaluating, classifying and writing out its trains. Writing a train tags its clicks
// in the minute block itself (train slot, class byte, train id), so that the clicks of
// written trains are not offered again and are the ones copied into the KL3 file.
#include <cstdint>
#include <vector>

#include "tda/train_detector.h"

namespace kelp {

// Takes the minute's cycle-count ratios and band sonar risks from its minute marker.
void TakeMinuteMarker(TrainDetector& detector, const std::uint8_t* marker);

// Searches one minute block (marker and records) in place. Blocks of at most three
// records are not searched; returns whether the block was searched.
bool SearchMinute(TrainDetector& detector, std::uint8_t* block, std::int32_t size, int recordLength);

// Ends a pass: closes the remaining trains, resolves shared clicks, re-evaluates and
// classifies the trains and writes them out in order of their start times.
void EndPass(TrainDetector& detector);

// Tags the clicks of a train in the minute block and counts them for the minute.
void WriteOutTrain(TrainDetector& detector, int slot);

// After each minute: the time left in the minute after its last click, from its marker.
void FinishMinute(TrainDetector& detector, const std::uint8_t* marker);

// The minute's KL3 bytes: its marker (with the count of clicks in trains when searched)
// and the records of the clicks put into trains. Searching a segment, `writers` gets the
// written train of each of those records.
void AppendKL3Minute(const TrainDetector& detector, const std::uint8_t* block, std::int32_t size,
                     int recordLength, bool searched, std::vector<std::uint8_t>& out,
                     std::vector<std::int32_t>* writers = nullptr);

// The record offset of a train click's class byte (quality, species and the after-gap bit).
int TrainClassOffset(int recordLength);

// The clicks of the minute's written trains, all quality classes.
std::int32_t MinuteClicksInTrains(const TrainDetector& detector);

} // namespace kelp
