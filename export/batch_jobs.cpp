#include "export/batch_jobs.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "export/batch_page.h"
#include "export/export_page.h"

namespace kelp {

namespace {

// Files a worker may run ahead of the one handed over last, per job: bounds what waits in memory.
constexpr int LookAheadPerJob = 2;

struct WorkerLeft {
    std::vector<HeadlessHost::RecordedMessage> Messages;
    std::vector<std::string> Results;
    std::vector<std::string> SourceBox;
};

bool StopAsked(Host& host) {
    host.ProcessEvents();
    return host.EscapeHeld() || host.StopRequested();
}

void Replay(Program& p, Host& h, const WorkerLeft& w) {
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
    h.Results().Append(w.Results);
    if (!w.SourceBox.empty()) {
        p.SourceBox.insert(p.SourceBox.end(), w.SourceBox.begin(), w.SourceBox.end());
        h.StateChanged(changed::SourceBox);
    }
}

PerFileOutcome RunInline(Program& p, Host& h, const PerFileRun& run) {
    PerFileOutcome outcome;
    for (int i = 0; i < run.Count; ++i) {
        run.Work(p, h, i);
        ++outcome.Done;
        if (!run.Done(i) || (i + 1 < run.Count && StopAsked(h))) {
            outcome.Stopped = i + 1 < run.Count;
            break;
        }
    }
    return outcome;
}

PerFileOutcome RunParallel(Program& p, Host& h, const PerFileRun& run) {
    const int count = run.Count;
    const int jobs = std::clamp(run.Jobs, 1, count);
    const int lookAhead = jobs * LookAheadPerJob;
    std::vector<std::optional<WorkerLeft>> left(static_cast<std::size_t>(count));
    std::mutex mutex;
    std::condition_variable changed;
    int next = 0;      // the next file a worker takes
    int delivered = 0; // files handed over so far
    bool stop = false;
    // The workers copy their settings from this snapshot, never from the user's program, which
    // the calling thread changes while they run (captions, the source list).
    const std::unique_ptr<Program> settings = BatchWorkerProgram(p);

    auto work = [&] {
        for (;;) {
            int i = 0;
            std::unique_ptr<Program> program;
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] { return stop || next >= count || next < delivered + lookAhead; });
                if (stop || next >= count) return;
                i = next++;
                program = BatchWorkerProgram(*settings);
            }
            HeadlessHost host;
            run.Work(*program, host, i);
            CloseAllFiles(*program, host);
            WorkerLeft w{host.Messages, host.Results().Lines(), program->SourceBox};
            {
                std::lock_guard<std::mutex> lock(mutex);
                left[static_cast<std::size_t>(i)] = std::move(w);
            }
            changed.notify_all();
        }
    };
    std::vector<std::thread> workers;
    for (int j = 0; j < jobs; ++j) workers.emplace_back(work);

    PerFileOutcome outcome;
    const auto finish = [&] {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stop = true;
        }
        changed.notify_all();
        for (auto& t : workers) t.join();
        workers.clear();
    };
    bool ended = false;
    for (int i = 0; i < count; ++i) {
        WorkerLeft w;
        {
            std::unique_lock<std::mutex> lock(mutex);
            // File i is done, or will never be: the batch stopped before a worker took it.
            const auto isDone = [&] {
                return left[static_cast<std::size_t>(i)].has_value() || (stop && next <= i);
            };
            while (!changed.wait_for(lock, std::chrono::milliseconds(100), isDone)) {
                if (ended) continue;
                lock.unlock();
                const bool asked = StopAsked(h);
                lock.lock();
                if (asked) {
                    // No new file is started; the files under way are finished and handed over.
                    ended = stop = true;
                    changed.notify_all();
                }
            }
            if (!left[static_cast<std::size_t>(i)]) {
                lock.unlock();
                finish();
                outcome.Stopped = true;
                return outcome;
            }
            w = std::move(*left[static_cast<std::size_t>(i)]);
            left[static_cast<std::size_t>(i)].reset();
        }
        Replay(p, h, w);
        ++outcome.Done;
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++delivered;
        }
        changed.notify_all();
        if (!run.Done(i) || (!ended && i + 1 < count && StopAsked(h))) ended = true;
        if (ended) {
            finish();
            // Hand over the files that were finished before the stop, in order.
            for (int k = i + 1; k < count && left[static_cast<std::size_t>(k)]; ++k) {
                Replay(p, h, *left[static_cast<std::size_t>(k)]);
                ++outcome.Done;
                if (!run.Done(k)) break;
            }
            outcome.Stopped = outcome.Done < count;
            return outcome;
        }
    }
    finish();
    return outcome;
}

} // namespace

int BatchJobsFor(int requested) {
    if (requested > 0) return requested;
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

std::unique_ptr<Program> BatchWorkerProgram(Program& from) {
    auto p = std::make_unique<Program>();
    p->Options = from.Options;
    p->Options.BatchRunning = true;
    p->Options.Busy = false;
    p->Options.TimeSelectionSet = false;
    p->MinuteLimit = from.MinuteLimit;
    p->MinuteLimitLabel = from.MinuteLimitLabel;
    p->Clicks = from.Clicks;
    p->Trains = from.Trains;
    p->Ici = from.Ici;
    p->ClickFilterText = from.ClickFilterText;
    p->TrainFilterText = from.TrainFilterText;
    p->RegisteredGain = from.RegisteredGain;
    ExportPageOf(*p) = ExportPageOf(from);
    BatchPageOf(*p) = BatchPageOf(from);
    return p;
}

PerFileOutcome RunPerFile(Program& program, Host& host, const PerFileRun& run) {
    if (run.Count <= 0) return {};
    if (run.Jobs <= 1 || run.Count == 1) return RunInline(program, host, run);
    return RunParallel(program, host, run);
}

} // namespace kelp
