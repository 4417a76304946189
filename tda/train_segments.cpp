#include "tda/train_segments.h"

#include <algorithm>
#include <chrono>
#include <climits>

#include "core/file_io.h"
#include "core/file_slot.h"
#include "core/header.h"
#include "core/records.h"
#include "tda/core_budget.h"
#include "tda/train_classifier.h"
#include "tda/train_pass.h"
#include "tda/train_scoring.h"

namespace kelp {

namespace {

// Segments per thread: enough that the busy minutes of a deployment spread over the threads.
constexpr std::int64_t SegmentsPerThread = 64;
constexpr std::int64_t LongestSegmentMinutes = 1'440;
// Every minute costs something beyond its records: its marker, the passes and the table.
constexpr std::int64_t MinuteBaseCost = 8;
// Records per minute from which a minute's work grows with their square rather than their number.
constexpr std::int64_t BusyMinuteRecords = 256;
// Segments searched ahead of the one the stitch is taking, per thread: bounds the memory.
constexpr std::size_t SegmentsAheadPerThread = 4;

} // namespace

std::int64_t MinuteMapEntry(const FileSlot& s, std::int64_t i) {
    if (i < 0 || i > s.MapCount + 1 || i >= static_cast<std::int64_t>(s.Map.size())) return 0;
    return s.Map[static_cast<std::size_t>(i)];
}

BlockRead ReadMinuteBlock(const FileSlot& s, BinaryFile& file, std::int64_t i, std::int64_t minimum,
                          std::vector<std::uint8_t>& block, std::int32_t& size) {
    const std::int64_t start = MinuteMapEntry(s, i);
    const std::int64_t bytes = MinuteMapEntry(s, i + 1) - start;
    if (bytes < minimum) return BlockRead::Short;
    if (start < HeaderLength || start + bytes > s.FileSize || bytes > INT32_MAX / 2) return BlockRead::Error;
    size = static_cast<std::int32_t>(bytes);
    const std::size_t room =
        std::max<std::size_t>(static_cast<std::size_t>(size), static_cast<std::size_t>(s.RecordLength));
    if (block.size() < room) block.resize(room);
    std::fill(block.begin() + size, block.begin() + static_cast<std::ptrdiff_t>(room), std::uint8_t{0});
    if (file.ReadAt(start, block.data(), static_cast<std::size_t>(size)) != bytes) return BlockRead::Error;
    return BlockRead::Ok;
}

MinuteSpan ScanMinutes(const FileSlot& s) {
    MinuteSpan span;
    for (std::int64_t i = 1;; ++i) {
        const std::int64_t start = MinuteMapEntry(s, i);
        const std::int64_t bytes = MinuteMapEntry(s, i + 1) - start;
        span.Count = i;
        if (bytes < s.RecordLength) return span;
        if (start < HeaderLength || start + bytes > s.FileSize || bytes > INT32_MAX / 2) {
            span.EndsInError = true;
            return span;
        }
    }
}

std::vector<std::int64_t> MinuteCosts(const FileSlot& s, std::int64_t count) {
    std::vector<std::int64_t> costs(static_cast<std::size_t>(std::max<std::int64_t>(0, count)));
    const std::int64_t R = std::max(1, s.RecordLength);
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t records =
            std::max<std::int64_t>(0, MinuteMapEntry(s, i + 1) - MinuteMapEntry(s, i)) / R;
        // Each click meets the trains open in its band, and a busy minute holds more of them.
        costs[static_cast<std::size_t>(i)] = MinuteBaseCost + records + records * records / BusyMinuteRecords;
    }
    return costs;
}

std::vector<MinuteSegment> PlanSegments(const std::vector<std::int64_t>& costs, int threads) {
    const auto count = static_cast<std::int64_t>(costs.size());
    if (count == 0) return {};
    if (threads <= 1) return {{0, count}};
    std::int64_t total = 0;
    for (const std::int64_t c : costs) total += c;
    const std::int64_t target = std::max<std::int64_t>(1, total / (threads * SegmentsPerThread));
    std::vector<MinuteSegment> plan;
    MinuteSegment current;
    std::int64_t work = 0;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t c = costs[static_cast<std::size_t>(i)];
        if (i > current.First && (work + c > target || i - current.First >= LongestSegmentMinutes)) {
            current.End = i;
            plan.push_back(current);
            current.First = i;
            work = 0;
        }
        work += c;
    }
    current.End = count;
    plan.push_back(current);
    return plan;
}

void SearchSegment(TrainDetector& d, const FileSlot& s, BinaryFile& file, MinuteSegment segment,
                   std::vector<std::uint8_t>& block, SegmentResult& out) {
    const int R = s.RecordLength;
    d.Counters = TrainRunCounters{};
    d.Minute = MinuteContext{};
    d.Groups = IntervalGroups{};
    d.TrainId = 4;
    d.ScoringNanoseconds = 0;
    d.Log = &out.Log;
    std::int32_t size = 0;
    bool ok = true;
    if (segment.First > 0) {
        // The time left after the previous minute's last click, from that minute's marker.
        std::uint8_t marker[40] = {};
        const std::int64_t at = MinuteMapEntry(s, segment.First - 1);
        ok = file.ReadAt(at, marker, static_cast<std::size_t>(R)) == R;
        if (ok) FinishMinute(d, marker);
    }
    for (std::int64_t i = segment.First; ok && i < segment.End; ++i) {
        if (ReadMinuteBlock(s, file, i, i == 0 ? 10 : R, block, size) != BlockRead::Ok) {
            ok = false;
            break;
        }
        TakeMinuteMarker(d, block.data());
        out.Log.WriterOf.assign(static_cast<std::size_t>(size / R) + 1, -1);
        const bool searched = SearchMinute(d, block.data(), size, R);
        ++d.Counters.FileMins;
        AppendKL3Minute(d, block.data(), size, R, searched, out.Kl3, &out.Writers);
        out.MinuteEnds.push_back(static_cast<std::int64_t>(out.Kl3.size()));
        FinishMinute(d, block.data());
    }
    if (!ok) {
        out.ReadFailed = true;
        out.ReadError = file.LastError();
    }
    out.Counters = d.Counters;
    out.ScoringNanoseconds = d.ScoringNanoseconds;
    d.Log = nullptr;
}

void AddSegmentCounters(TrainRunCounters& total, const TrainRunCounters& part) {
    total.FileMins += part.FileMins;
    total.ActiveMins += part.ActiveMins;
    for (std::size_t q = 0; q < total.QualityTotals.size(); ++q)
        total.QualityTotals[q] += part.QualityTotals[q];
    for (std::size_t s = 0; s < total.SpeciesTotals.size(); ++s)
        total.SpeciesTotals[s] += part.SpeciesTotals[s];
    total.ClicksOffered += part.ClicksOffered;
    total.TrainsVisited += part.TrainsVisited;
    total.TrainsFreed += part.TrainsFreed;
    total.Purges += part.Purges;
    total.HighestSlotsInUse = std::max(total.HighestSlotsInUse, part.HighestSlotsInUse);
    total.MaxWrittenNin = std::max(total.MaxWrittenNin, part.MaxWrittenNin);
    total.MaxFreedLength = std::max(total.MaxFreedLength, part.MaxFreedLength);
    total.MaxPass = std::max(total.MaxPass, part.MaxPass);
}

SegmentStitch::SegmentStitch(const TrainParameters& parameters, int recordLength)
    : parameters_(parameters), recordLength_(recordLength) {}

void SegmentStitch::Apply(SegmentResult& r, TrainRunCounters& total) {
    const SegmentLog& log = r.Log;
    maxima_.resize(log.Evaluations.size());
    for (std::size_t e = 0; e < log.Evaluations.size(); ++e) {
        const SegmentLog::Evaluation& ev = log.Evaluations[e];
        maxima_[e] = CountIntervalGroups(groups_, parameters_.ICIseqValSHR, ev.First,
                                         log.Intervals.data() + ev.Begin, ev.End - ev.Begin);
    }
    classes_.resize(log.Trains.size());
    ids_.resize(log.Trains.size());
    TrainRunCounters counters = r.Counters;
    for (std::size_t k = 0; k < log.Trains.size(); ++k) {
        const SegmentLog::WrittenTrain& w = log.Trains[k];
        const std::uint8_t species =
            DecideSpecies(w.Species, maxima_[static_cast<std::size_t>(w.Evaluation)], parameters_);
        trainId_ = trainId_ >= LastTrainId ? FirstTrainId : trainId_ + 1;
        classes_[k] = static_cast<std::uint8_t>(w.Quality + 4 * species);
        ids_[k] = static_cast<std::uint8_t>(trainId_);
        if (w.Quality >= QualityMod) counters.SpeciesTotals[std::min<std::size_t>(species, 4)] += w.Clicks;
    }
    AddSegmentCounters(total, counters);

    const auto R = static_cast<std::size_t>(recordLength_);
    const auto classAt = static_cast<std::size_t>(TrainClassOffset(recordLength_));
    std::size_t start = 0;
    std::size_t record = 0;
    for (const std::int64_t end : r.MinuteEnds) {
        // Each minute: its marker, then the records of its written trains.
        for (std::size_t at = start + R; at + R <= static_cast<std::size_t>(end); at += R, ++record) {
            const std::int32_t writer = r.Writers[record];
            if (writer < 0) continue; // a type byte the KL2 file carried already, kept as it is
            const auto k = static_cast<std::size_t>(writer);
            std::uint8_t* bytes = r.Kl3.data() + at;
            bytes[classAt] = static_cast<std::uint8_t>((bytes[classAt] & 128) | classes_[k]);
            bytes[R - 1] = ids_[k];
        }
        start = static_cast<std::size_t>(end);
    }
}

SegmentWorkers::SegmentWorkers(const SegmentRun& run, int threads) : run_(run), results_(run.Plan.size()) {
    const auto count = static_cast<std::size_t>(std::clamp<std::int64_t>(
        threads, 1, std::max<std::int64_t>(1, static_cast<std::int64_t>(run.Plan.size()))));
    ahead_ = count * SegmentsAheadPerThread;
    for (std::size_t i = 0; i < count; ++i) threads_.emplace_back([this] { Work(); });
}

SegmentWorkers::~SegmentWorkers() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    canStart_.notify_all();
    for (auto& t : threads_) t.join();
}

void SegmentWorkers::Work() {
    std::unique_ptr<TrainDetector> detector;
    BinaryFile file;
    bool opened = false;
    std::vector<std::uint8_t> block;
    std::exception_ptr setupFailure; // reported with the first segment this worker takes
    try {
        detector = MakeTrainDetector(run_.Settings, run_.TdaMinuteLimit);
        detector->TimeScoring = run_.TimeScoring;
        opened = file.Open(run_.Slot->FullName, BinaryFile::Mode::Read);
    } catch (...) {
        setupFailure = std::current_exception();
    }
    for (;;) {
        std::size_t k = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            canStart_.wait(lock,
                           [this] { return stop_ || next_ >= results_.size() || next_ < taken_ + ahead_; });
            if (stop_ || next_ >= results_.size()) return;
            k = next_++;
        }
        auto result = std::make_unique<SegmentResult>();
        if (setupFailure) {
            result->Failure = setupFailure;
        } else if (!opened) {
            result->ReadFailed = true;
            result->ReadError = file.LastError();
        } else {
            try {
                const HeldCore core(run_.Cores);
                SearchSegment(*detector, *run_.Slot, file, run_.Plan[k], block, *result);
            } catch (...) {
                result->Failure = std::current_exception();
            }
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            results_[k] = std::move(result);
        }
        finished_.notify_all();
    }
}

SegmentResult SegmentWorkers::Take(std::size_t k, const std::function<void()>& waiting) {
    std::unique_ptr<SegmentResult> result;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!results_[k]) {
            if (finished_.wait_for(lock, std::chrono::milliseconds(100),
                                   [&] { return results_[k] != nullptr; }))
                break;
            if (waiting) {
                lock.unlock();
                waiting();
                lock.lock();
            }
        }
        result = std::move(results_[k]);
        taken_ = k + 1;
    }
    canStart_.notify_all();
    return std::move(*result);
}

} // namespace kelp
