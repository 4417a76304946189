// The cluster finder's speed: MakeClusterFile over a simulated three-day KL1 file (some
// four million clicks), beside a plain read() of the same file in the same run. Two
// in-memory runs split the time between taking the records apart and the per-minute
// clustering; the peak memory shows that nothing grows with the file.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "bench/simulated_card.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/file_io.h"
#include "core/headless_host.h"
#include "core/program.h"
#include "core/records.h"
#include "core/slots.h"
#include "download/read_sd_data.h"
#include "download/read_sd_page.h"
#include "simulator/logger_simulator.h"
#include "tda/cluster_file.h"
#include "tda/cluster_minute.h"

namespace {

using namespace kelp;

constexpr int Days = 3;

using bench::PeakMegabytes;
using bench::ResetPeak;

// Three days of the simulator's mixed deployment (porpoise and dolphin encounters, boat
// sonars, snapping shrimp), downloaded into a KL1 file as a user would.
struct BenchFile {
    std::string Folder;
    std::string Path;
    std::int64_t Clicks = 0;
    std::int64_t Bytes = 0;

    BenchFile() {
        Folder = bench::TemporaryFolder();

        SimulationOptions o;
        o.OutFolder = Folder + "/card";
        o.Scenario = "mixed";
        o.Minutes = Days * MinutesPerDay;
        o.Seed = 6;
        o.ClickLimitCode = 3;
        o.ShrimpPerMinute = 800;
        const bench::SimulatedKL1 made = bench::DownloadSimulatedCard(
            o, MakeMinute(2024, 7, 1, 0, 0), MakeMinute(2025, 1, 1, 0, 0), Folder + "/deployment.KL1");
        const SimulationResult& card = made.Card;
        const DownloadResult& r = made.Download;
        Path = r.OutputFiles.front();
        Clicks = r.ClicksWritten;
        Bytes = FileSizeOf(Path);
        std::fprintf(stderr, "KL1 file: %lld minutes, %lld clicks, %.1f MB\n",
                     static_cast<long long>(card.Minutes), static_cast<long long>(Clicks),
                     static_cast<double>(Bytes) / 1e6);
    }
    ~BenchFile() {
        std::error_code ec;
        std::filesystem::remove_all(Folder, ec);
    }
};

BenchFile& File() {
    static BenchFile file;
    return file;
}

void Report(benchmark::State& state, const BenchFile& f) {
    state.SetItemsProcessed(state.iterations() * f.Clicks);
    state.SetBytesProcessed(state.iterations() * f.Bytes);
    state.counters["clicks"] = static_cast<double>(f.Clicks);
}

// A plain sequential read of the KL1 file.
void RawRead(benchmark::State& state) {
    BenchFile& f = File();
    std::vector<std::uint8_t> buffer(1 << 18);
    for (auto _ : state) {
        benchmark::DoNotOptimize(bench::ReadWholeFile(f.Path, buffer));
    }
    Report(state, f);
}
BENCHMARK(RawRead)->Unit(benchmark::kMillisecond);

// The whole operation as a batch runs it: open the KL1 file, write the KL2 file and its map.
void MakeClusterFileRun(benchmark::State& state) {
    BenchFile& f = File();
    std::int64_t records = 0;
    double peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ResetPeak();
        const double before = PeakMegabytes();
        state.ResumeTiming();
        Program program;
        HeadlessHost host;
        program.Options.BatchRunning = true;
        if (!OpenDataFile(program, host, f.Path, 1)) {
            state.SkipWithError("cannot open the bench file");
            return;
        }
        ClusterRunSummary summary;
        if (MakeClusterFile(program, host, &summary).empty() || summary.Clicks != f.Clicks) {
            state.SkipWithError("the cluster file was not written whole");
            return;
        }
        records = summary.Records;
        state.counters["clusters"] = static_cast<double>(summary.Clusters);
        state.PauseTiming();
        peak = std::max(peak, PeakMegabytes() - before);
        state.ResumeTiming();
    }
    state.counters["peak_memory_growth_MB"] = peak;
    state.counters["kl2 records"] = static_cast<double>(records);
    Report(state, f);
}
BENCHMARK(MakeClusterFileRun)->Unit(benchmark::kMillisecond);

// The same records from memory: taking them apart only, then with the clustering.
void RunFromMemory(benchmark::State& state, bool cluster) {
    BenchFile& f = File();
    std::vector<std::uint8_t> bytes;
    ReadWholeFile(f.Path, bytes);
    std::vector<std::uint8_t> out;
    for (auto _ : state) {
        ClusterFinder finder({});
        const std::uint8_t* r = bytes.data() + HeaderLength;
        const std::uint8_t* end = bytes.data() + bytes.size();
        finder.StartMinute(r);
        for (r += 10; r < end; r += 10) {
            const int type = r[9];
            if (type < 128) {
                finder.AddClick(r);
                continue;
            }
            if (cluster) {
                out.clear();
                finder.FinishMinute(out);
            }
            if (type != TypeMinuteMarker) break;
            finder.StartMinute(r);
        }
        benchmark::DoNotOptimize(out.data());
    }
    Report(state, f);
}
void TakeRecordsApart(benchmark::State& state) {
    RunFromMemory(state, false);
}
void ClusterFromMemory(benchmark::State& state) {
    RunFromMemory(state, true);
}
BENCHMARK(TakeRecordsApart)->Unit(benchmark::kMillisecond);
BENCHMARK(ClusterFromMemory)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
