// The train detection's speed end to end, KL1 to KL3 (cluster finder, then train search
// and scoring), on a simulated three-day "mixed" deployment, beside a plain read of the
// same KL1 file in the same run; the train detection of its KL2 file on one and on two
// threads, with the stitch's share; the speedup the segment schedule would give on more
// cores, simulated from the measured cost of every minute; the visits that go to
// near-duplicate trains; and a batch of two files with one and with two jobs.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "bench/simulated_card.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "core/file_slot.h"
#include "core/headless_host.h"
#include "core/map_file.h"
#include "core/program.h"
#include "core/slots.h"
#include "download/read_sd_data.h"
#include "download/read_sd_page.h"
#include "simulator/logger_simulator.h"
#include "tda/cluster_file.h"
#include "tda/train_batch.h"
#include "tda/train_file.h"
#include "tda/train_segments.h"

namespace {

using namespace kelp;
using Clock = std::chrono::steady_clock;

constexpr int Days = 3;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// The simulated deployment: its card and its KL1 file in a temporary folder.
struct Deployment {
    std::string Folder;
    std::string KL1;
    std::int64_t Clicks = 0;
    std::int64_t Bytes = 0;

    Deployment() {
        Folder = bench::TemporaryFolder();
        SimulationOptions sim;
        sim.OutFolder = Folder + "/card";
        sim.Minutes = Days * MinutesPerDay;
        sim.Scenario = "mixed";
        sim.Seed = 11;
        std::filesystem::create_directories(sim.OutFolder);
        const MinuteNumber start = MakeMinute(2024, 6, 1, 12, 0);
        const bench::SimulatedKL1 made = bench::DownloadSimulatedCard(
            sim, start, start + (Days + 1) * MinutesPerDay, Folder + "/KELP bench.KL1");
        KL1 = made.Download.OutputFiles.front();
        Clicks = made.Download.ClicksWritten;
        Bytes = FileSizeOf(KL1);
    }
    ~Deployment() {
        std::error_code ec;
        std::filesystem::remove_all(Folder, ec);
    }
};

Deployment& TheDeployment() {
    static Deployment d;
    return d;
}

void BM_PlainReadOfTheKL1File(benchmark::State& state) {
    Deployment& d = TheDeployment();
    std::vector<std::uint8_t> block(200'000);
    for (auto _ : state) {
        BinaryFile f;
        f.Open(d.KL1, BinaryFile::Mode::Read);
        std::int64_t at = 0, sum = 0;
        for (;;) {
            const std::int64_t n = f.ReadAt(at, block.data(), block.size());
            if (n <= 0) break;
            sum += block[static_cast<std::size_t>(n - 1)];
            at += n;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["clicks_per_second"] =
        benchmark::Counter(static_cast<double>(d.Clicks) * state.iterations(), benchmark::Counter::kIsRate);
}

// One file end to end: clusters (KL1 to KL2), then trains (KL2 to KL3), timed in parts.
void BM_KL1ToKL3(benchmark::State& state) {
    Deployment& d = TheDeployment();
    double clustering = 0, detection = 0, scoring = 0;
    double offered = 0, visited = 0;
    for (auto _ : state) {
        Program p;
        HeadlessHost h;
        p.Options.BatchRunning = true;
        TrainDetectionStateOf(p).TimeScoring = true;
        TrainDetectionStateOf(p).Threads = 1;
        const auto t0 = Clock::now();
        OpenDataFile(p, h, d.KL1, 1);
        const std::string kl2 = MakeClusterFile(p, h);
        const auto t1 = Clock::now();
        OpenDataFile(p, h, kl2, 1);
        if (!RunTrainDetection(p, h)) state.SkipWithError("train detection failed");
        const auto t2 = Clock::now();
        clustering += Seconds(t1 - t0);
        detection += Seconds(t2 - t1);
        scoring += static_cast<double>(TrainDetectionStateOf(p).LastScoringNanoseconds) * 1e-9;
        offered += static_cast<double>(TrainDetectionStateOf(p).LastCounters.ClicksOffered);
        visited += static_cast<double>(TrainDetectionStateOf(p).LastCounters.TrainsVisited);
    }
    const double total = clustering + detection;
    state.counters["clicks"] = static_cast<double>(d.Clicks);
    state.counters["clicks_per_second"] =
        benchmark::Counter(static_cast<double>(d.Clicks) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["share_clusters"] = clustering / total;
    state.counters["share_search"] = (detection - scoring) / total;
    state.counters["share_scoring"] = scoring / total;
    // The search's work: open trains each offered click is put to, and the search time per such visit.
    state.counters["trains_per_click"] = visited / std::max(1.0, offered);
    state.counters["ns_per_visit"] = (detection - scoring) * 1e9 / std::max(1.0, visited);
}

// The deployment's KL2 file, made once.
const std::string& TheKL2() {
    static const std::string kl2 = [] {
        Deployment& d = TheDeployment();
        Program p;
        HeadlessHost h;
        p.Options.BatchRunning = true;
        OpenDataFile(p, h, d.KL1, 1);
        const std::string name = MakeClusterFile(p, h);
        if (name.empty()) std::abort();
        return name;
    }();
    return kl2;
}

// The train detection alone (KL2 to KL3) on one thread or several.
void BM_TrainsOnThreads(benchmark::State& state) {
    Deployment& d = TheDeployment();
    const std::string& kl2 = TheKL2();
    double stitch = 0, elapsed = 0;
    std::int64_t segments = 0;
    for (auto _ : state) {
        Program p;
        HeadlessHost h;
        p.Options.BatchRunning = true;
        TrainDetectionState& s = TrainDetectionStateOf(p);
        s.Threads = static_cast<int>(state.range(0));
        OpenDataFile(p, h, kl2, 1);
        const auto t0 = Clock::now();
        if (!RunTrainDetection(p, h)) state.SkipWithError("train detection failed");
        elapsed += Seconds(Clock::now() - t0);
        stitch += static_cast<double>(s.LastStitchNanoseconds) * 1e-9;
        segments = s.LastSegments;
    }
    state.counters["clicks_per_second"] =
        benchmark::Counter(static_cast<double>(d.Clicks) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["stitch_share"] = stitch / std::max(1e-9, elapsed);
    state.counters["segments"] = static_cast<double>(segments);
}

// The measured search time of every minute alone, and the segment schedule on P cores
// simulated from it: P workers take the segments in order, at most 4 x P segments ahead of
// the stitch, which takes them in order as they are done (its own time left out: it is
// measured above). The speedup is the minutes' total time over the schedule's length.
double SimulatedSpeedup(const std::vector<double>& minuteSeconds, const std::vector<MinuteSegment>& plan,
                        int cores) {
    std::vector<double> cost;
    double total = 0;
    for (const MinuteSegment& seg : plan) {
        double c = 0;
        for (std::int64_t m = seg.First; m < seg.End; ++m) c += minuteSeconds[static_cast<std::size_t>(m)];
        cost.push_back(c);
        total += c;
    }
    std::vector<double> workerFree(static_cast<std::size_t>(cores), 0.0);
    std::vector<double> stitched(cost.size(), 0.0);
    const std::size_t ahead = static_cast<std::size_t>(cores) * 4;
    double lastStitch = 0;
    for (std::size_t k = 0; k < cost.size(); ++k) {
        auto w = std::min_element(workerFree.begin(), workerFree.end());
        double start = *w;
        if (k >= ahead) start = std::max(start, stitched[k - ahead]);
        *w = start + cost[k];
        lastStitch = std::max(lastStitch, *w);
        stitched[k] = lastStitch;
    }
    return total / std::max(1e-12, lastStitch);
}

void BM_SegmentSchedule(benchmark::State& state) {
    const std::string& kl2 = TheKL2();
    for (auto _ : state) {
        Program p;
        HeadlessHost h;
        OpenDataFile(p, h, kl2, 1);
        FileSlot& slot = p.Slot(1);
        if (!slot.MapReady) BuildMap(p, h, 1, true);
        const MinuteSpan span = ScanMinutes(slot);
        auto detector = MakeTrainDetector(TrainDetectionSettings{}, 65'536);
        BinaryFile file;
        file.Open(slot.FullName, BinaryFile::Mode::Read);
        std::vector<std::uint8_t> block;
        std::vector<double> seconds;
        for (std::int64_t m = 0; m < span.Count; ++m) {
            SegmentResult r;
            const auto t0 = Clock::now();
            SearchSegment(*detector, slot, file, {m, m + 1}, block, r);
            seconds.push_back(Seconds(Clock::now() - t0));
        }
        std::vector<double> sorted = seconds;
        std::sort(sorted.begin(), sorted.end(), std::greater<>());
        double all = 0, busiest = 0;
        for (std::size_t i = 0; i < sorted.size(); ++i) {
            all += sorted[i];
            if (i < std::max<std::size_t>(1, sorted.size() / 100)) busiest += sorted[i];
        }
        state.counters["busiest_1pct_share"] = busiest / std::max(1e-12, all);
        state.counters["busiest_minute_share"] = sorted.front() / std::max(1e-12, all);
        const std::vector<std::int64_t> costs = MinuteCosts(slot, span.Count);
        for (const int cores : {2, 4, 8, 16}) {
            const auto plan = PlanSegments(costs, cores);
            state.counters["speedup_" + std::to_string(cores)] = SimulatedSpeedup(seconds, plan, cores);
        }
        // The same schedules if every minute could be cut to measure: the limit of the cost model.
        std::vector<std::int64_t> exact;
        for (const double s : seconds) exact.push_back(static_cast<std::int64_t>(s * 1e9));
        for (const int cores : {4, 16})
            state.counters["speedup_" + std::to_string(cores) + "_measured_cut"] =
                SimulatedSpeedup(seconds, PlanSegments(exact, cores), cores);
    }
}

// Visits to trains that another train visited by the same click matches in its last,
// previous and candidate clicks and interval (twins), and to twins that match in all the
// click's decision reads.
void BM_TwinVisits(benchmark::State& state) {
    const std::string& kl2 = TheKL2();
    for (auto _ : state) {
        Program p;
        HeadlessHost h;
        p.Options.BatchRunning = true;
        TrainDetectionState& s = TrainDetectionStateOf(p);
        s.Threads = 1;
        s.CountTwins = true;
        OpenDataFile(p, h, kl2, 1);
        if (!RunTrainDetection(p, h)) state.SkipWithError("train detection failed");
        const TrainRunCounters& c = s.LastCounters;
        const double visits = std::max<double>(1, static_cast<double>(c.TrainsVisited));
        state.counters["twin_share"] = static_cast<double>(c.TwinVisits) / visits;
        state.counters["exact_twin_share"] = static_cast<double>(c.ExactTwinVisits) / visits;
        state.counters["visits_per_click"] =
            visits / std::max<double>(1, static_cast<double>(c.ClicksOffered));
    }
}

// A batch of two copies of the file, with one job or two.
void BM_BatchOfTwoFiles(benchmark::State& state) {
    Deployment& d = TheDeployment();
    std::vector<std::string> files;
    for (int i = 0; i < 2; ++i) {
        const std::string copy = d.Folder + "/copy" + std::to_string(i) + ".KL1";
        std::filesystem::copy_file(d.KL1, copy, std::filesystem::copy_options::overwrite_existing);
        files.push_back(copy);
    }
    for (auto _ : state) {
        Program p;
        HeadlessHost h;
        TrainBatchOptions o;
        o.Jobs = static_cast<int>(state.range(0));
        o.Threads = 1;
        o.Isolated = true;
        if (RunTrainBatch(p, h, files, o).Processed != 2) state.SkipWithError("batch failed");
    }
    state.counters["clicks_per_second"] = benchmark::Counter(
        2.0 * static_cast<double>(d.Clicks) * state.iterations(), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_PlainReadOfTheKL1File)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KL1ToKL3)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TrainsOnThreads)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_SegmentSchedule)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_TwinVisits)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BatchOfTwoFiles)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
