// A year-long deployment through the cluster finder and the train detection: a simulated
// year of the mixed deployment at a quiet site, downloaded into one KL1 file, beside a
// plain read of that file. Each stage reports the growth of the process's peak memory
// beside the size of the file it reads: memory is bounded by a minute's work, not the file.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "bench/simulated_card.h"

#include <algorithm>
#include <cstdio>
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
#include "tda/train_file.h"

namespace {

using namespace kelp;
using bench::PeakMegabytes;
using bench::ResetPeak;

struct YearFile {
    std::string Folder;
    std::string KL1;
    std::int64_t Bytes = 0;

    YearFile() {
        Folder = bench::TemporaryFolder();
        SimulationOptions o;
        o.OutFolder = Folder + "/card";
        o.Scenario = "mixed";
        o.Minutes = 365 * MinutesPerDay;
        o.Seed = 11;
        o.Activity = 0.5;
        o.ShrimpPerMinute = 20;
        const bench::SimulatedKL1 made = bench::DownloadSimulatedCard(
            o, MakeMinute(2024, 1, 1, 0, 0), MakeMinute(2025, 6, 1, 0, 0), Folder + "/year.KL1");
        const SimulationResult& card = made.Card;
        const DownloadResult& r = made.Download;
        std::filesystem::remove_all(o.OutFolder);
        KL1 = r.OutputFiles.front();
        Bytes = FileSizeOf(KL1);
        std::fprintf(stderr, "KL1 file: %lld minutes, %lld clicks, %.1f MB\n",
                     static_cast<long long>(card.Minutes), static_cast<long long>(r.ClicksWritten),
                     static_cast<double>(Bytes) / 1e6);
    }
    ~YearFile() {
        std::error_code ec;
        std::filesystem::remove_all(Folder, ec);
    }
};

YearFile& Year() {
    static YearFile file;
    return file;
}

void RawRead(benchmark::State& state) {
    YearFile& f = Year();
    std::vector<std::uint8_t> buffer(1 << 18);
    for (auto _ : state) benchmark::DoNotOptimize(bench::ReadWholeFile(f.KL1, buffer));
    state.SetBytesProcessed(state.iterations() * f.Bytes);
    state.counters["file_MB"] = static_cast<double>(f.Bytes) / 1e6;
}
BENCHMARK(RawRead)->Unit(benchmark::kMillisecond)->Iterations(1);

// Clusters (KL1 to KL2), then trains (KL2 to KL3), each with its own peak memory growth.
void YearThroughClustersAndTrains(benchmark::State& state) {
    YearFile& f = Year();
    double clustersPeak = 0;
    double trainsPeak = 0;
    std::int64_t kl2Bytes = 0;
    for (auto _ : state) {
        Program p;
        HeadlessHost h;
        p.Options.BatchRunning = true;
        ResetPeak();
        double before = PeakMegabytes();
        if (!OpenDataFile(p, h, f.KL1, 1)) {
            state.SkipWithError("cannot open the KL1 file");
            return;
        }
        const std::string kl2 = MakeClusterFile(p, h);
        CloseAllFiles(p, h);
        clustersPeak = std::max(clustersPeak, PeakMegabytes() - before);
        if (kl2.empty()) {
            state.SkipWithError("the cluster file was not written");
            return;
        }
        kl2Bytes = FileSizeOf(kl2);
        ResetPeak();
        before = PeakMegabytes();
        if (!OpenDataFile(p, h, kl2, 1) || !RunTrainDetection(p, h)) {
            state.SkipWithError("train detection failed");
            return;
        }
        CloseAllFiles(p, h);
        trainsPeak = std::max(trainsPeak, PeakMegabytes() - before);
    }
    state.SetBytesProcessed(state.iterations() * f.Bytes);
    state.counters["KL1_MB"] = static_cast<double>(f.Bytes) / 1e6;
    state.counters["KL2_MB"] = static_cast<double>(kl2Bytes) / 1e6;
    state.counters["clusters_peak_growth_MB"] = clustersPeak;
    state.counters["trains_peak_growth_MB"] = trainsPeak;
}
BENCHMARK(YearThroughClustersAndTrains)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
