// The reader's speed: NextRecord over a multi-day KL1 file with the default filters,
// beside a plain read() of the same file in the same blocks, and positioning at minutes.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "bench/busy_kl1.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/headless_host.h"
#include "core/map_file.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"
#include "tests/support/builders.h"

namespace {

using namespace kelp;

constexpr int Days = 4;
constexpr int ClicksPerMinute = 1000;

// A deployment of four days with 1000 clicks in every minute, in the temporary folder.
struct BenchFile {
    std::string Folder;
    std::string Path;
    std::int64_t Records = 0;
    std::int64_t Bytes = 0;

    BenchFile() {
        Folder = bench::TemporaryFolder();
        Path = Folder + "/deployment.KL1";

        const auto bytes =
            bench::BusyKL1Bytes(Days, ClicksPerMinute, 7, 20'000, [](std::int32_t t, std::mt19937& random) {
                return testing::MakeClick(
                    t, 20 + static_cast<int>(random() % 140), 2 + static_cast<int>(random() % 30),
                    1 + static_cast<int>(random() % 250), static_cast<int>(random() % 32),
                    static_cast<std::uint8_t>(random()));
            });
        Records = static_cast<std::int64_t>(Days) * MinutesPerDay * (1 + ClicksPerMinute);
        testing::WriteFileBytes(Path, bytes);
        Bytes = static_cast<std::int64_t>(bytes.size());
    }
    ~BenchFile() {
        std::remove(Path.c_str());
        std::remove((Folder + "/deployment.k1m").c_str());
        ::rmdir(Folder.c_str());
    }
};

BenchFile& File() {
    static BenchFile file;
    return file;
}

void RawRead(benchmark::State& state) {
    BenchFile& f = File();
    std::vector<std::uint8_t> buffer(ReadBufferBytes);
    for (auto _ : state) {
        benchmark::DoNotOptimize(bench::ReadWholeFile(f.Path, buffer));
    }
    state.SetItemsProcessed(state.iterations() * f.Records);
    state.SetBytesProcessed(state.iterations() * f.Bytes);
}
BENCHMARK(RawRead)->Unit(benchmark::kMillisecond);

void ReadAllRecords(benchmark::State& state) {
    BenchFile& f = File();
    Program program;
    HeadlessHost host;
    if (!OpenDataFile(program, host, f.Path, 1)) {
        state.SkipWithError("cannot open the bench file");
        return;
    }
    FileSlot& slot = program.Slot(1);
    std::int64_t clicks = 0;
    for (auto _ : state) {
        PositionAt(program, host, slot.FirstMinute, 0);
        while (slot.MoreData) {
            NextRecord(program, host, 1);
            clicks += slot.NRType < 128;
        }
    }
    benchmark::DoNotOptimize(clicks);
    if (clicks != state.iterations() * Days * MinutesPerDay * ClicksPerMinute)
        state.SkipWithError("not every click was delivered");
    state.SetItemsProcessed(state.iterations() * f.Records);
    state.SetBytesProcessed(state.iterations() * f.Bytes);
}
BENCHMARK(ReadAllRecords)->Unit(benchmark::kMillisecond);

// Positioning at random minutes once the map exists: one read of a block each.
void PositionAtMinutes(benchmark::State& state) {
    BenchFile& f = File();
    Program program;
    HeadlessHost host;
    if (!OpenDataFile(program, host, f.Path, 1)) {
        state.SkipWithError("cannot open the bench file");
        return;
    }
    FileSlot& slot = program.Slot(1);
    BuildMap(program, host, 1, false);
    std::mt19937 random(3);
    for (auto _ : state) {
        const MinuteNumber m =
            slot.FirstMinute + static_cast<MinuteNumber>(random() % (Days * MinutesPerDay));
        PositionAt(program, host, m, 0);
        benchmark::DoNotOptimize(slot.CurrentMinute);
    }
}
BENCHMARK(PositionAtMinutes)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
