#include "tda/train_file.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <vector>

#include "core/bytes.h"
#include "core/file_io.h"
#include "core/header.h"
#include "core/host.h"
#include "core/map_file.h"
#include "core/program.h"
#include "core/records.h"
#include "core/slots.h"
#include "tda/core_budget.h"
#include "tda/tda_settings.h"
#include "tda/train_pass.h"
#include "tda/train_segments.h"

namespace kelp {

namespace {

constexpr std::size_t OutputBufferBytes = 1 << 20;
constexpr std::int64_t EventsEveryMinutes = 120;
constexpr std::int64_t EstimateEveryMinutes = 1'440;

// Output written through a buffer; the first failure is kept and later writes are dropped.
class BufferedOutput {
public:
    explicit BufferedOutput(AtomicFileWriter& writer) : writer_(writer) {
        buffer_.reserve(OutputBufferBytes);
    }
    std::vector<std::uint8_t>& Buffer() { return buffer_; }
    void Append(const std::uint8_t* data, std::size_t count) {
        buffer_.insert(buffer_.end(), data, data + count);
    }
    void FlushIfFull() {
        if (buffer_.size() >= OutputBufferBytes) Flush();
    }
    bool Flush() {
        if (ok_ && !buffer_.empty()) ok_ = writer_.Write(buffer_.data(), buffer_.size());
        buffer_.clear();
        return ok_;
    }
    std::int64_t Position() const { return writer_.Written() + static_cast<std::int64_t>(buffer_.size()); }
    bool Ok() const { return ok_; }

private:
    AtomicFileWriter& writer_;
    std::vector<std::uint8_t> buffer_;
    bool ok_ = true;
};

// The KL3 map file: 360, the KL3 position after every minute, and the final position once more.
class Kl3Map {
public:
    Kl3Map(Host& host, const std::string& name) : writer_(name), out_(writer_) {
        ok_ = writer_.Open();
        if (!ok_)
            host.ShowTimedMessage(Message2s, SystemErrorText(writer_.LastError()));
        else
            Add(HeaderLength);
    }
    void Add(std::int64_t position) {
        if (!ok_) return;
        std::uint8_t bytes[8];
        WriteLE64(bytes, position);
        out_.Append(bytes, 8);
        out_.FlushIfFull();
    }
    // Keeps the map for a large KL3 file; otherwise removes it (and any old one).
    void Finish(Host& host, bool keep) {
        if (ok_ && keep) {
            if (!out_.Flush() || !writer_.Commit())
                host.ShowTimedMessage(Message2s, SystemErrorText(writer_.LastError()));
            return;
        }
        writer_.Abandon();
        RemoveFile(writer_.FinalPath());
    }

private:
    AtomicFileWriter writer_;
    BufferedOutput out_;
    bool ok_ = false;
};

std::string EndEstimateText(std::int64_t bytesRead, std::int64_t bytesLeft,
                            std::chrono::steady_clock::time_point started) {
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started).count();
    const std::int64_t rate = bytesRead / std::max<std::int64_t>(1, seconds);
    if (rate <= 1) return "";
    const std::int64_t end = CurrentMinute() + bytesLeft / rate / 60;
    return "File end time estimate:  " + DateTimeText(static_cast<MinuteNumber>(end)) +
           "   hold ESC at the end of a file to escape";
}

struct FindTrainsJob {
    Program& P;
    Host& H;
    TrainDetector& D;
    TrainDetectionState& State;
    AtomicFileWriter& Kl3;
    std::string Kl3Name;
    TrainDetectionSettings Settings;
    int Threads = 1;
};

// What the minute loops share: the output, the map, the bytes read and the start time.
struct MinuteLoop {
    FindTrainsJob& Job;
    BufferedOutput& Out;
    Kl3Map& Map;
    std::chrono::steady_clock::time_point Started;
    std::int64_t BytesRead = 0;
};

// After block `minute` has been read: the progress the window shows every so many minutes.
void ShowMinuteProgress(MinuteLoop& loop, std::int64_t minute) {
    FindTrainsJob& job = loop.Job;
    Host& h = job.H;
    const FileSlot& s = job.P.Slot(1);
    if (minute % EventsEveryMinutes == 0) {
        h.ProcessEvents();
        h.StepProgress(minute);
    }
    if (minute % EstimateEveryMinutes == 0) {
        const std::string text =
            EndEstimateText(loop.BytesRead, s.FileSize - MinuteMapEntry(s, minute + 1), loop.Started);
        if (!text.empty()) {
            job.State.FileEndEstimate = text;
            h.StateChanged(changed::TrainSummaryArea);
        }
    }
    if (minute % 2 == 0)
        h.SetProgressLabel(
            DateTimeText(static_cast<MinuteNumber>(s.FirstMinute + minute * s.MinutesPerMarker)));
}

// A read error abandons the run.
bool AbandonOnReadError(MinuteLoop& loop, int error) {
    Host& h = loop.Job.H;
    h.ShowMessage(error != 0 ? SystemErrorText(error) : std::string(ReadErrorText));
    loop.Map.Finish(h, false);
    h.EndProgress("");
    return false;
}

// The end of the data: the KL2 map is not needed any more outside development mode.
void EndOfData(MinuteLoop& loop) {
    const FileSlot& s = loop.Job.P.Slot(1);
    if (!loop.Job.P.Options.DevelopmentMode) RemoveFile(WithExtension(s.FullName, ".k2m"));
}

// One thread: each minute is read, searched and written in turn. False when a read error
// abandoned the run.
bool SearchInOrder(MinuteLoop& loop, std::vector<std::uint8_t>& block, std::int32_t size) {
    FindTrainsJob& job = loop.Job;
    TrainDetector& d = job.D;
    FileSlot& s = job.P.Slot(1);
    const int R = s.RecordLength;
    const HeldCore core(job.State.Cores.get());
    for (std::int64_t i = 0;; ++i) {
        const bool searched = SearchMinute(d, block.data(), size, R);
        ++d.Counters.FileMins;
        AppendKL3Minute(d, block.data(), size, R, searched, loop.Out.Buffer());
        loop.Out.FlushIfFull();
        if (!loop.Out.Ok()) return true;
        loop.Map.Add(loop.Out.Position());
        FinishMinute(d, block.data());

        const BlockRead next = ReadMinuteBlock(s, s.File, i + 1, R, block, size);
        if (next == BlockRead::Short) {
            EndOfData(loop);
            return true;
        }
        if (next == BlockRead::Error) return AbandonOnReadError(loop, s.File.LastError());
        loop.BytesRead += size;
        TakeMinuteMarker(d, block.data());
        ShowMinuteProgress(loop, i + 1);
    }
}

// Several threads: workers search the segments, this thread stitches them in minute order
// and writes their minutes, with the same progress as one thread. False when a read error
// abandoned the run.
bool StitchSegments(MinuteLoop& loop, const std::vector<MinuteSegment>& plan, const MinuteSpan& span) {
    FindTrainsJob& job = loop.Job;
    TrainDetectionState& state = job.State;
    TrainDetector& d = job.D;
    const FileSlot& s = job.P.Slot(1);
    SegmentRun run;
    run.Slot = &s;
    run.Settings = job.Settings;
    run.TdaMinuteLimit = d.TdaMinuteLimit;
    run.TimeScoring = d.TimeScoring;
    run.Plan = plan;
    run.Cores = state.Cores.get();
    SegmentStitch stitch(d.Parameters, s.RecordLength);
    TrainSearchProgress progress;
    progress.Minutes = span.Count;
    auto report = [&state, &progress] {
        if (state.BetweenSegments && state.BetweenSegments(progress)) state.StopRequested = true;
    };

    SegmentWorkers workers(run, job.Threads);
    for (std::size_t k = 0; k < plan.size(); ++k) {
        SegmentResult r = workers.Take(k, report);
        if (r.Failure) std::rethrow_exception(r.Failure);
        const auto stitchStart = std::chrono::steady_clock::now();
        stitch.Apply(r, d.Counters);
        d.ScoringNanoseconds += r.ScoringNanoseconds;
        std::size_t from = 0;
        for (std::size_t j = 0; j < r.MinuteEnds.size(); ++j) {
            const auto to = static_cast<std::size_t>(r.MinuteEnds[j]);
            loop.Out.Append(r.Kl3.data() + from, to - from);
            from = to;
            loop.Out.FlushIfFull();
            if (!loop.Out.Ok()) return true;
            loop.Map.Add(loop.Out.Position());
            const std::int64_t next = plan[k].First + static_cast<std::int64_t>(j) + 1;
            if (next == span.Count) {
                if (span.EndsInError) return AbandonOnReadError(loop, s.File.LastError());
                EndOfData(loop);
                return true;
            }
            if (next == plan[k].End || r.MinuteEnds.size() == j + 1) break;
            loop.BytesRead += MinuteMapEntry(s, next + 1) - MinuteMapEntry(s, next);
            ShowMinuteProgress(loop, next);
        }
        const std::int64_t done = plan[k].First + static_cast<std::int64_t>(r.MinuteEnds.size());
        if (r.ReadFailed) return AbandonOnReadError(loop, r.ReadError);
        state.LastStitchNanoseconds += std::chrono::duration_cast<std::chrono::nanoseconds>(
                                           std::chrono::steady_clock::now() - stitchStart)
                                           .count();
        if (done < span.Count) {
            // The next segment's first minute.
            loop.BytesRead += MinuteMapEntry(s, done + 1) - MinuteMapEntry(s, done);
            ShowMinuteProgress(loop, done);
        }
        progress.MinutesDone = done;
        report();
    }
    return true;
}

// The minute loop; false when a file error abandoned the run.
bool FindTrains(FindTrainsJob& job) {
    Program& p = job.P;
    Host& h = job.H;
    TrainDetector& d = job.D;
    FileSlot& s = p.Slot(1);
    const int R = s.RecordLength;
    BufferedOutput out(job.Kl3);

    Kl3Map map(h, WithExtension(job.Kl3Name, ".k3m"));
    job.State.Summary = TrainSummary{};
    job.State.Summary.Legend = TrainSummaryLegend(s.ShortName);
    h.StateChanged(changed::TrainSummaryArea);
    h.StartProgress("... seeking cetaceans ...", s.MapCount + 10, 0);
    MinuteLoop loop{job, out, map, std::chrono::steady_clock::now()};

    std::vector<std::uint8_t> block;
    std::int32_t size = 0;
    const BlockRead first = ReadMinuteBlock(s, s.File, 0, 10, block, size);
    if (first != BlockRead::Ok) {
        if (first == BlockRead::Error) h.ShowTimedMessage(Message10s, ReadErrorText);
        // Nothing more is written: the KL3 file keeps only its header.
        map.Finish(h, false);
        h.EndProgress(" done ....");
        return out.Flush();
    }
    TakeMinuteMarker(d, block.data());
    loop.BytesRead = size;

    std::vector<MinuteSegment> plan;
    MinuteSpan span;
    if (job.Threads > 1) {
        span = ScanMinutes(s);
        const std::int64_t fixed = job.State.SegmentMinutes;
        if (fixed > 0) {
            for (std::int64_t m = 0; m < span.Count; m += fixed)
                plan.push_back({m, std::min(span.Count, m + fixed)});
        } else {
            plan = PlanSegments(MinuteCosts(s, span.Count), job.Threads);
        }
    }
    job.State.LastSegments = static_cast<std::int64_t>(plan.size());
    const bool kept = plan.size() > 1 ? StitchSegments(loop, plan, span) : SearchInOrder(loop, block, size);
    if (!kept) return false;
    if (!out.Ok()) {
        h.ShowMessage(SystemErrorText(job.Kl3.LastError()));
        map.Finish(h, false);
        h.EndProgress("");
        return false;
    }

    map.Add(out.Position());
    std::vector<std::uint8_t> end(static_cast<std::size_t>(2 * R), 255);
    const std::int64_t finalSize = out.Position() + static_cast<std::int64_t>(end.size());
    map.Finish(h, finalSize >= job.State.MapKeepBytes);
    out.Append(end.data(), end.size());
    if (!out.Flush()) {
        h.ShowMessage(SystemErrorText(job.Kl3.LastError()));
        h.EndProgress("");
        return false;
    }

    const TrainFileFacts facts{s.ShortName, s.FileSize, R, s.FirstMinute, s.LastMinute};
    job.State.Summary = MakeTrainSummary(d.Counters, facts);
    job.State.LastCounters = d.Counters;
    h.StateChanged(changed::TrainSummaryArea);
    AppendTrainResultsLine(h.Results(), TrainResultsLine(d.Counters, facts));
    h.EndProgress(" done ....");
    return true;
}

} // namespace

std::string KL3NameFor(const std::string& kl2Name) {
    return WithExtension(kl2Name, ".KL3");
}

TrainDetectionState& TrainDetectionStateOf(Program& program) {
    return program.State<TrainDetectionState>();
}

void TakeTdaMinuteLimit(Program& p) {
    const std::int64_t limit = TdaMinuteLimit(TdaSettingsOf(p));
    TrainDetectionStateOf(p).TdaMinuteLimit = limit > 0 ? limit : 65'536;
}

bool FindTrainsInSlot1(Program& p, Host& h) {
    FileSlot& s = p.Slot(1);
    if (s.IsOpen && !s.MapReady) BuildMap(p, h, 1, p.Options.RefreshMapFiles);
    TakeTdaMinuteLimit(p);
    p.DataPositionLabel.clear();
    h.StateChanged(changed::SourceBox);
    return RunTrainDetection(p, h);
}

bool RunTrainDetection(Program& p, Host& h) {
    FileSlot& s = p.Slot(1);
    const int R = s.Header.RecordLength();
    if (!s.IsOpen || s.Kind != FileKind::KL2 || (R != 20 && R != 40)) {
        h.ShowTimedMessage(MessageShort, NotKL2Text);
        return false;
    }
    TrainDetectionState& state = TrainDetectionStateOf(p);
    state.PageControlVisible = false;
    h.StateChanged(changed::TrainsPageControl);
    for (int slot = 2; slot <= SlotCount; ++slot)
        if (p.Slot(slot).IsOpen) CloseDataFile(p, h, slot);
    // A minute index not yet loaded is built afresh from the file.
    if (!s.MapReady) BuildMap(p, h, 1, true);

    TrainDetectionSettings settings = state.Settings;
    settings.Version = ActiveTdaVersion(p);
    settings.NoSpeciesSplit = TdaSettingsOf(p).NoSpeciesSplit;
    const auto detector = MakeTrainDetector(settings, state.TdaMinuteLimit);
    detector->TimeScoring = state.TimeScoring;
    detector->CountTwins = state.CountTwins;
    state.StopRequested = false;
    state.LastStitchNanoseconds = 0;

    h.SetProgressLabel("Seeking cetaceans . . . ");
    // An existing KL3 file (with the species edits and marks made in it) is replaced only
    // when the new one is complete; its map would not fit the new one.
    const std::string kl3Name = KL3NameFor(s.FullName);
    RemoveFile(WithExtension(kl3Name, ".k3m"));
    DataFileHeader header;
    AtomicFileWriter kl3(kl3Name);
    bool ok = s.File.ReadAt(0, header.Bytes.data(), header.Bytes.size()) == HeaderLength;
    if (!ok) {
        h.ShowMessage(s.File.LastError() != 0 ? s.File.LastErrorText() : std::string(ReadErrorText));
    } else if (!kl3.Open()) {
        ok = false;
        h.ShowMessage(SystemErrorText(kl3.LastError()));
    } else {
        header.SetTdaVersion(1);
        p.DataPositionLabel = "seeking cetaceans ...";
        h.StateChanged(changed::SourceBox);
        if (!kl3.Write(header.Bytes.data(), header.Bytes.size())) {
            ok = false;
            h.ShowMessage(SystemErrorText(kl3.LastError()));
        } else {
            FindTrainsJob job{p,   h,       *detector, state,
                              kl3, kl3Name, settings,  state.Threads > 0 ? state.Threads : MachineCores()};
            ok = FindTrains(job);
            if (ok && !kl3.Commit()) {
                ok = false;
                h.ShowMessage(SystemErrorText(kl3.LastError()));
                RemoveFile(WithExtension(kl3Name, ".k3m")); // the new map beside the old file
            }
        }
    }
    if (ok) state.LastKL3Name = kl3Name;
    state.LastScoringNanoseconds = detector->ScoringNanoseconds;

    if (p.Options.BatchRunning) {
        CloseDataFile(p, h, 1);
    } else if (ok) {
        CloseDataFile(p, h, 1);
        OpenDataFile(p, h, kl3Name, 1);
    }
    return ok;
}

} // namespace kelp
