// The train detection's speed end to end, KL1 to KL3 (cluster finder, then train search
// and scoring), on a simulated three-day "mixed" deployment, beside a plain read of the
// same KL1 file in the same run; and a batch of two files with one and with two jobs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "download/read_sd_data.h"
#include "download/read_sd_page.h"
#include "simulator/logger_simulator.h"
#include "tda/cluster_file.h"
#include "tda/train_batch.h"
#include "tda/train_file.h"

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
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kelp-bench-trains-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (!mkdtemp(name.data())) std::abort();
        Folder = name.data();

        SimulationOptions sim;
        sim.OutFolder = Folder + "/card";
        sim.Minutes = Days * MinutesPerDay;
        sim.Scenario = "mixed";
        sim.Seed = 11;
        std::filesystem::create_directories(sim.OutFolder);
        const SimulationResult card = SimulateCard(sim);
        if (!card.Ok) std::abort();

        const MinuteNumber start = MakeMinute(2024, 6, 1, 12, 0);
        ReadSDPage page;
        PasteNowIntoStartTime(page, start);
        PasteNowIntoNameDate(page, start);
        page.FileNameLocation = page.Location = "bench";
        TextBoxesChanged(page);
        page.OpenFileWhenFinished = false;
        Program program;
        HeadlessHost host;
        host.OpenAnswers.push_back({card.Files.front()});
        KL1 = Folder + "/KELP bench.KL1";
        host.SaveAnswers.push_back(KL1);
        DownloadEnvironment env;
        env.Now = [start] { return start + (Days + 1) * MinutesPerDay; };
        const DownloadResult result = ReadSDdata(program, host, page, env);
        if (!result.Started || result.OutputFiles.empty()) std::abort();
        KL1 = result.OutputFiles.front();
        Clicks = result.ClicksWritten;
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
        o.Isolated = true;
        if (RunTrainBatch(p, h, files, o).Processed != 2) state.SkipWithError("batch failed");
    }
    state.counters["clicks_per_second"] = benchmark::Counter(
        2.0 * static_cast<double>(d.Clicks) * state.iterations(), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_PlainReadOfTheKL1File)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KL1ToKL3)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BatchOfTwoFiles)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
