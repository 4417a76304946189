#pragma once
// One file's minutes searched on several cores. Every minute is searched from a fresh
// train table, so a file can be cut at any minute: workers search runs of minutes
// (segments) each from a fresh detector, and the stitch takes their results in minute
// order, replays the interval groups carried from train to train, decides the species,
// numbers the trains and hands the minutes on to the KL3 file. The result is the same,
// byte for byte, as one search through the file.
#include <array>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "tda/train_detector.h"
#include "tda/train_parameters.h"
#include "tda/train_segment_log.h"

namespace kelp {

struct FileSlot;
class BinaryFile;
class CoreBudget;

// Minute blocks through the slot's minute index: block i runs from entry i to entry i + 1.
std::int64_t MinuteMapEntry(const FileSlot& slot, std::int64_t i);
enum class BlockRead { Ok, Short, Error };
// Reads block i into `block` (zero-filled past its end up to one record); Short when it is
// below `minimum` bytes, Error when the index places it outside the file or the read fails.
BlockRead ReadMinuteBlock(const FileSlot& slot, BinaryFile& file, std::int64_t i, std::int64_t minimum,
                          std::vector<std::uint8_t>& block, std::int32_t& size);

// The minutes a run goes through: from the first up to the first block shorter than a
// record (the end of the data), or up to a block the index places outside the file.
struct MinuteSpan {
    std::int64_t Count = 0;
    bool EndsInError = false;
};
MinuteSpan ScanMinutes(const FileSlot& slot);

struct MinuteSegment {
    std::int64_t First = 0;
    std::int64_t End = 0; // one past the last minute
};

// The estimated work of each minute, from the records the minute index says it holds.
std::vector<std::int64_t> MinuteCosts(const FileSlot& slot, std::int64_t count);
// Cuts the minutes into segments of about equal work, many per thread so that busy minutes
// spread; a minute busier than that is a segment of its own, and no segment is longer than
// a day. One segment for one thread.
std::vector<MinuteSegment> PlanSegments(const std::vector<std::int64_t>& costs, int threads);

// What a segment hands to the stitch: the KL3 bytes of its minutes with the species and
// train ids still to be set, and what deciding them needs.
struct SegmentResult {
    std::vector<std::uint8_t> Kl3;
    std::vector<std::int64_t> MinuteEnds; // Kl3's size after each minute
    std::vector<std::int32_t> Writers;    // for each click record in Kl3, its written train
    SegmentLog Log;
    TrainRunCounters Counters;
    std::int64_t ScoringNanoseconds = 0;
    // A failed read ends the segment before minute First + MinuteEnds.size().
    bool ReadFailed = false;
    int ReadError = 0;
    std::exception_ptr Failure;
};

// Searches the segment's minutes with `detector`, which starts afresh.
void SearchSegment(TrainDetector& detector, const FileSlot& slot, BinaryFile& file, MinuteSegment segment,
                   std::vector<std::uint8_t>& block, SegmentResult& out);

// Carries the interval groups and the train id from segment to segment, in minute order.
class SegmentStitch {
public:
    SegmentStitch(const TrainParameters& parameters, int recordLength);
    // Decides the species of the segment's trains, sets their class bytes and train ids in
    // its KL3 bytes and adds its counters to `total`.
    void Apply(SegmentResult& result, TrainRunCounters& total);

private:
    TrainParameters parameters_;
    int recordLength_;
    std::array<std::int32_t, 4> groups_{};
    std::int32_t trainId_ = 4;
    std::vector<std::array<std::int32_t, 3>> maxima_;
    std::vector<std::uint8_t> classes_;
    std::vector<std::uint8_t> ids_;
};

// Adds a segment's counters to the run's: sums, and the highest values.
void AddSegmentCounters(TrainRunCounters& total, const TrainRunCounters& part);

// What the workers need of the run; it outlives them.
struct SegmentRun {
    const FileSlot* Slot = nullptr;
    TrainDetectionSettings Settings;
    std::int64_t TdaMinuteLimit = 65'536;
    bool TimeScoring = false;
    std::vector<MinuteSegment> Plan;
    CoreBudget* Cores = nullptr; // each segment holds one while it is searched
};

// Worker threads that search the segments of a run in order, at most a few segments ahead
// of the one the stitch is taking.
class SegmentWorkers {
public:
    SegmentWorkers(const SegmentRun& run, int threads);
    ~SegmentWorkers();
    SegmentWorkers(const SegmentWorkers&) = delete;
    SegmentWorkers& operator=(const SegmentWorkers&) = delete;

    // Waits for segment k, calling `waiting` on this thread every 100 ms meanwhile. The
    // segments are taken in order.
    SegmentResult Take(std::size_t k, const std::function<void()>& waiting);

private:
    void Work();

    const SegmentRun& run_;
    std::size_t ahead_;
    std::mutex mutex_;
    std::condition_variable canStart_;
    std::condition_variable finished_;
    std::size_t next_ = 0;
    std::size_t taken_ = 0;
    bool stop_ = false;
    std::vector<std::unique_ptr<SegmentResult>> results_;
    std::vector<std::thread> threads_;
};

} // namespace kelp
