#include "tda/train_batch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "core/file_io.h"
#include "core/header.h"
#include "core/headless_host.h"
#include "core/host.h"
#include "core/map_file.h"
#include "core/program.h"
#include "core/slots.h"
#include "core/unfinished_files.h"
#include "tda/cluster_file.h"
#include "tda/core_budget.h"
#include "tda/tda_settings.h"
#include "tda/train_file.h"
#include "tda/train_summary.h"

namespace kelp {

namespace {

constexpr std::int64_t SmallestTrainFile = 400;

using Clock = std::chrono::steady_clock;

struct FileOutcome {
    bool Processed = false;
    bool Failed = false;
    bool ResultProduced = false; // a KL2 file came out of the cluster finder
};

void SetSourceLine(Program& p, Host& h, std::size_t line, const std::string& text) {
    if (p.SourceBox.size() <= line) p.SourceBox.resize(line + 1);
    p.SourceBox[line] = text;
    h.StateChanged(changed::SourceBox);
}

bool IsKL2Name(const std::string& name) {
    return FileKindFromName(name) == FileKind::KL2;
}

// Steps 1 to 4 of one file of the batch.
FileOutcome ProcessBatchFile(Program& p, Host& h, const std::string& file, int number, int count,
                             const TrainBatchOptions& options) {
    FileOutcome outcome;
    const std::string name = ShortNameOf(file);
    const bool kl2Only = options.Kind == TrainBatchKind::KL2 ||
                         (options.Kind == TrainBatchKind::ByExtension && IsKL2Name(file));
    CloseAllFiles(p, h);
    // A file too small for a train is not opened: opening would repair its end.
    if (FileSizeOf(file) < SmallestTrainFile) {
        h.ShowTimedMessage(Message5s, name + " too small to contain a train");
        h.Results().Append(name + "\t<400 bytes");
        outcome.Failed = true;
        return outcome;
    }
    OpenDataFile(p, h, file, 1);
    if (!kl2Only && p.Slot(1).Kind != FileKind::KL1) {
        h.ShowTimedMessage(MessageShort, name + " file not a .KL1 file");
        h.Results().Append(name + "\tNot *.KL1");
        outcome.Failed = true;
        CloseDataFile(p, h, 1);
        return outcome;
    }

    SetSourceLine(p, h, 0,
                  "Processing batch of files.  File number " + std::to_string(number) + " of " +
                      std::to_string(count) + "   Press ESC to stop");
    SetSourceLine(p, h, 1, "File:  " + name);
    h.ShowBatchFile(number, count);
    std::string result;
    if (kl2Only) {
        result = WithExtension(file, ".KL2");
        CloseDataFile(p, h, 1);
    } else {
        const HeldCore core(TrainDetectionStateOf(p).Cores.get());
        result = MakeClusterFile(p, h);
        CloseAllFiles(p, h);
    }
    if (result.empty()) {
        outcome.Failed = true;
        return outcome;
    }
    outcome.ResultProduced = true;
    // A KL2 file made only on the way to the trains is removed also when the run is ended
    // at once (Ctrl+C on the command line).
    const bool deleteKL2 = !kl2Only && !p.Options.DevelopmentMode && !options.KeepKL2;
    const std::string kl2Map = WithExtension(result, ".k2m");
    if (deleteKL2) {
        NoteUnfinishedFile(result, result);
        NoteUnfinishedFile(kl2Map, kl2Map);
    }
    bool detected = false;
    if (OpenDataFile(p, h, result, 1)) {
        if (!p.Slot(1).MapReady) BuildMap(p, h, 1, p.Options.RefreshMapFiles);
        detected = RunTrainDetection(p, h);
    }
    outcome.Processed = detected;
    outcome.Failed = !detected;
    CloseDataFile(p, h, 1);
    if (deleteKL2) {
        RemoveFile(result);
        RemoveFile(kl2Map);
        ForgetUnfinishedFile(result);
        ForgetUnfinishedFile(kl2Map);
    }
    return outcome;
}

// What the batch keeps between files: counts, bytes and the completion estimate.
class BatchRun {
public:
    BatchRun(Program& p, Host& h, const std::vector<std::string>& files, const TrainBatchOptions& options)
        : p_(p), h_(h), files_(files), options_(options), started_(Clock::now()) {
        result_.Count = static_cast<int>(files.size());
        p_.Options.BatchRunning = true;
        h_.SetBusyCursor(true);
        TakeTdaMinuteLimit(p_);
        TrainDetectionState& state = TrainDetectionStateOf(p_);
        state.Threads = options.Threads;
        state.Cores = std::make_shared<CoreBudget>(MachineCores());
        state.BetweenSegments = options.BetweenSegments;
        state.StopRequested = false;
        for (const auto& f : files_) {
            if (options_.Kind == TrainBatchKind::KL2) break;
            totalBytes_ += std::max<std::int64_t>(0, FileSizeOf(f));
        }
    }

    void Count(const FileOutcome& outcome) {
        if (outcome.Processed) ++result_.Processed;
        if (outcome.Failed) ++result_.Failed;
    }

    // Counts one finished file; returns false when ESC ends the batch.
    bool Finish(int index, const FileOutcome& outcome) {
        Count(outcome);
        TrainDetectionState& state = TrainDetectionStateOf(p_);
        state.BatchPosition = index + 2;
        state.BatchCount = result_.Count;
        h_.StateChanged(changed::BatchProgress);
        h_.StateChanged(changed::TrainSummaryArea);
        if (options_.Kind != TrainBatchKind::KL2 && outcome.ResultProduced) {
            processedBytes_ += std::max<std::int64_t>(0, FileSizeOf(files_[static_cast<std::size_t>(index)]));
            ShowEstimate();
        }
        h_.ProcessEvents();
        if (h_.EscapeHeld() || state.StopRequested) {
            result_.Stopped = true;
            return false;
        }
        return true;
    }

    TrainBatchResult End() {
        TrainDetectionState& state = TrainDetectionStateOf(p_);
        state.Cores.reset();
        state.BetweenSegments = nullptr;
        state.ApplicationTitle = "KELP completed";
        h_.StateChanged(changed::ApplicationTitle);
        p_.Options.BatchRunning = false;
        h_.SetBusyCursor(false);
        p_.SourceBox.clear();
        p_.SourceBox.push_back(BatchCompletedText);
        if (result_.Failed > 0) p_.SourceBox.push_back(BatchFailuresText);
        p_.SourceBox.push_back("Files processed\t" + std::to_string(result_.Processed) + "/" +
                               std::to_string(result_.Count));
        h_.StateChanged(changed::SourceBox);
        state.PageControlVisible = true;
        h_.StateChanged(changed::TrainsPageControl);
        h_.StateChanged(changed::ShowResultsPage);
        return result_;
    }

private:
    void ShowEstimate() {
        const auto elapsed = Clock::now() - started_;
        if (processedBytes_ <= 2'000 || elapsed <= Clock::duration::zero()) return;
        const std::int64_t seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
        const std::int64_t rate =
            std::max<std::int64_t>(1, processedBytes_ / std::max<std::int64_t>(1, seconds));
        const std::int64_t left = std::max<std::int64_t>(0, totalBytes_ - processedBytes_) / rate;
        const std::string end = DateTimeText(static_cast<MinuteNumber>(CurrentMinute() + left / 60));
        SetSourceLine(p_, h_, 2,
                      "Completion estimate:  " + end + "   hold ESC at the end of a file to escape");
        TrainDetectionStateOf(p_).ApplicationTitle = "KELP ends " + end;
        h_.StateChanged(changed::ApplicationTitle);
    }

    Program& p_;
    Host& h_;
    const std::vector<std::string>& files_;
    TrainBatchOptions options_;
    Clock::time_point started_;
    std::int64_t totalBytes_ = 0;
    std::int64_t processedBytes_ = 0;
    TrainBatchResult result_;
};

TrainBatchResult RunInline(Program& p, Host& h, const std::vector<std::string>& files,
                           const TrainBatchOptions& o) {
    BatchRun run(p, h, files, o);
    const int count = static_cast<int>(files.size());
    for (int i = 0; i < count; ++i) {
        const FileOutcome outcome =
            ProcessBatchFile(p, h, files[static_cast<std::size_t>(i)], i + 1, count, o);
        if (!run.Finish(i, outcome)) break;
    }
    return run.End();
}

// One file processed by a worker with a program and host of its own.
struct WorkerFile {
    FileOutcome Outcome;
    std::vector<HeadlessHost::RecordedMessage> Messages;
    std::vector<std::string> Results;
};

// A program for a worker: the settings the batch reads, copied from the user's program.
std::unique_ptr<Program> WorkerProgram(Program& from) {
    auto p = std::make_unique<Program>();
    p->Options.DevelopmentMode = from.Options.DevelopmentMode;
    p->Options.ForceDefaults = from.Options.ForceDefaults;
    p->Options.RefreshMapFiles = from.Options.RefreshMapFiles;
    p->Options.BatchRunning = true;
    p->RegisteredGain = from.RegisteredGain;
    TdaSettings& tda = TdaSettingsOf(*p);
    tda = TdaSettingsOf(from);
    tda.OnMinuteHistogram = nullptr; // drawing belongs to the window's thread
    const TrainDetectionState& mine = TrainDetectionStateOf(from);
    TrainDetectionState& theirs = TrainDetectionStateOf(*p);
    theirs.Settings = mine.Settings;
    theirs.TdaMinuteLimit = mine.TdaMinuteLimit;
    theirs.MapKeepBytes = mine.MapKeepBytes;
    theirs.Threads = mine.Threads;
    theirs.Cores = mine.Cores;
    theirs.SegmentMinutes = mine.SegmentMinutes;
    return p;
}

// Replays a worker's messages and results lines into the user's host, as if they had
// happened there: the results header goes before the first summary line of an empty page.
void Replay(Host& h, const WorkerFile& w) {
    for (const auto& m : w.Messages) {
        switch (m.Kind) {
        case HeadlessHost::MessageKind::Timed:
            h.ShowTimedMessage(m.Milliseconds, m.Text);
            break;
        case HeadlessHost::MessageKind::Box:
            h.ShowMessage(m.Text);
            break;
        case HeadlessHost::MessageKind::Question:
            h.AskYesNo(m.Text);
            break;
        }
    }
    for (std::size_t i = 0; i < w.Results.size(); ++i) {
        if (w.Results[i] == TrainResultsHeader && i == 0 && w.Results.size() > 1) {
            AppendTrainResultsLine(h.Results(), w.Results[++i]);
            continue;
        }
        h.Results().Append(w.Results[i]);
    }
}

TrainBatchResult RunParallel(Program& p, Host& h, const std::vector<std::string>& files,
                             const TrainBatchOptions& o) {
    BatchRun run(p, h, files, o);
    const int count = static_cast<int>(files.size());
    std::vector<std::optional<WorkerFile>> done(files.size());
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<int> next{0};
    std::atomic<bool> stop{false};

    auto work = [&] {
        for (;;) {
            const int i = next.fetch_add(1);
            if (i >= count || stop.load()) return;
            auto program = WorkerProgram(p);
            HeadlessHost host;
            WorkerFile w;
            w.Outcome = ProcessBatchFile(*program, host, files[static_cast<std::size_t>(i)], i + 1, count, o);
            CloseAllFiles(*program, host);
            w.Messages = host.Messages;
            w.Results = host.Results().Lines();
            {
                std::lock_guard<std::mutex> lock(mutex);
                done[static_cast<std::size_t>(i)] = std::move(w);
            }
            ready.notify_all();
        }
    };
    std::vector<std::thread> workers;
    const int jobs = std::clamp(o.Jobs, 1, std::max(1, count));
    for (int j = 0; j < jobs; ++j) workers.emplace_back(work);

    for (int i = 0; i < count; ++i) {
        std::optional<WorkerFile> w;
        {
            std::unique_lock<std::mutex> lock(mutex);
            auto isDone = [&] { return done[static_cast<std::size_t>(i)].has_value(); };
            while (!ready.wait_for(lock, std::chrono::milliseconds(100), isDone)) {
                if (!o.BetweenSegments) continue;
                lock.unlock();
                if (o.BetweenSegments(TrainSearchProgress{})) TrainDetectionStateOf(p).StopRequested = true;
                lock.lock();
            }
            w = std::move(done[static_cast<std::size_t>(i)]);
        }
        Replay(h, *w);
        if (!run.Finish(i, w->Outcome)) {
            // Files already started are finished and reported; no new file is started.
            stop = true;
            for (auto& t : workers) t.join();
            workers.clear();
            for (int k = i + 1; k < count; ++k) {
                auto& rest = done[static_cast<std::size_t>(k)];
                if (!rest) continue;
                Replay(h, *rest);
                run.Count(rest->Outcome);
            }
            break;
        }
    }
    for (auto& t : workers) t.join();
    return run.End();
}

TrainBatchResult ChooseAndRun(Program& p, Host& h, const TrainBatchOptions& options) {
    const TrainBatchKind kind = options.Kind;
    CloseAllFiles(p, h);
    FileDialogRequest request;
    request.Title = BatchDialogTitle;
    request.Filter =
        kind == TrainBatchKind::KL2 ? "KL2 files|*.KL2|All files|*.*" : "KL1 files|*.KL1|All files|*.*";
    request.MultiSelect = true;
    const std::vector<std::string> files = h.OpenFileDialog(request);
    if (files.empty()) {
        h.ShowTimedMessage(Message2s, NoFilesSelectedText);
        return {};
    }
    return RunTrainBatch(p, h, files, options);
}

TrainBatchOptions OptionsOfKind(TrainBatchKind kind) {
    TrainBatchOptions options;
    options.Kind = kind;
    return options;
}

} // namespace

TrainBatchResult FindTrainsInKL1Batch(Program& program, Host& host) {
    return ChooseAndRun(program, host, OptionsOfKind(TrainBatchKind::KL1));
}

TrainBatchResult FindTrainsInKL2Batch(Program& program, Host& host) {
    if (!program.Options.DevelopmentMode) return {};
    return ChooseAndRun(program, host, OptionsOfKind(TrainBatchKind::KL2));
}

TrainBatchResult FindTrainsInBatch(Program& program, Host& host, const TrainBatchOptions& options) {
    if (options.Kind == TrainBatchKind::KL2 && !program.Options.DevelopmentMode) return {};
    return ChooseAndRun(program, host, options);
}

TrainBatchResult RunTrainBatch(Program& program, Host& host, const std::vector<std::string>& files,
                               const TrainBatchOptions& options) {
    if (options.Jobs > 1 || options.Isolated) return RunParallel(program, host, files, options);
    return RunInline(program, host, files, options);
}

} // namespace kelp
