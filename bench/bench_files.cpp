// The file utilities' speed over a two-day KL1 file with 1000 clicks in every minute:
// copying the whole period, an edit copy, appending a file and verifying, beside a plain
// read and a plain copy (read and write) of the same bytes in the same run.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "bench/busy_kl1.h"

#include <cstdio>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/file_io.h"
#include "core/headless_host.h"
#include "core/map_file.h"
#include "core/program.h"
#include "core/slots.h"
#include "files/file_utilities.h"
#include "tests/support/builders.h"

namespace {

using namespace kelp;

constexpr int Days = 2;
constexpr int ClicksPerMinute = 1000;

struct BenchFiles {
    std::string Folder;
    std::string Path;
    std::int64_t Bytes = 0;

    BenchFiles() {
        Folder = bench::TemporaryFolder();
        Path = Folder + "/deployment.KL1";
        const auto bytes =
            bench::BusyKL1Bytes(Days, ClicksPerMinute, 11, 11'000, [](std::int32_t t, std::mt19937& random) {
                return testing::MakeClick(t, 20 + static_cast<int>(random() % 140));
            });
        testing::WriteFileBytes(Path, bytes);
        Bytes = static_cast<std::int64_t>(bytes.size());
    }
    ~BenchFiles() {
        for (const char* n :
             {"/deployment.KL1", "/deployment.k1m", "/joined.KL1", "/joined.k1m", "/copy.KL1"})
            std::remove((Folder + n).c_str());
        ::rmdir(Folder.c_str());
    }
};

BenchFiles& Files() {
    static BenchFiles files;
    return files;
}

void Report(benchmark::State& state) {
    state.SetBytesProcessed(state.iterations() * Files().Bytes);
}

void PlainRead(benchmark::State& state) {
    std::vector<std::uint8_t> buffer(200'000);
    for (auto _ : state) benchmark::DoNotOptimize(bench::ReadWholeFile(Files().Path, buffer));
    Report(state);
}

// The yardstick of the copies: read the file and write it to a new one, in 64 KiB pieces.
void PlainCopy(benchmark::State& state) {
    std::vector<std::uint8_t> piece(65'536);
    const std::string to = Files().Folder + "/copy.KL1";
    for (auto _ : state) {
        BinaryFile in, out;
        in.Open(Files().Path, BinaryFile::Mode::Read);
        out.Open(to, BinaryFile::Mode::Create);
        std::int64_t at = 0;
        for (std::int64_t n; (n = in.ReadAt(at, piece.data(), piece.size())) > 0; at += n)
            out.WriteAt(at, piece.data(), static_cast<std::size_t>(n));
    }
    std::remove(to.c_str());
    Report(state);
}

void CopyWholePeriod(benchmark::State& state) {
    Program program;
    HeadlessHost host;
    OpenDataFile(program, host, Files().Path, 1);
    BuildMap(program, host, 1, false);
    FileUtilitiesOf(program).MayReplace = [](const std::string&) { return true; };
    for (auto _ : state) benchmark::DoNotOptimize(CopySelectedPeriod(program, host, false).Files.size());
    for (const std::string& f : CopySelectedPeriod(program, host, false).Files) std::remove(f.c_str());
    Report(state);
}

void EditCopy(benchmark::State& state) {
    const std::string kl3 = Files().Folder + "/deployment.KL3";
    std::rename(Files().Path.c_str(), kl3.c_str());
    Program program;
    HeadlessHost host;
    FileUtilitiesOf(program).MayReplace = [](const std::string&) { return true; };
    for (auto _ : state) {
        host.OpenAnswers = {{kl3}};
        benchmark::DoNotOptimize(CreateEditCopies(program, host).Files.size());
    }
    std::remove((Files().Folder + "/deployment EDIT.KL3").c_str());
    std::rename(kl3.c_str(), Files().Path.c_str());
    Report(state);
}

// Appends the file to a one-minute file: one plain copy's worth of bytes, then the map scan.
void AppendFile(benchmark::State& state) {
    const std::string joined = Files().Folder + "/joined.KL1";
    testing::DataFileBuilder small(FileKind::KL1, MakeMinute(2024, 7, 1, 0, 0));
    small.Minute();
    for (auto _ : state) {
        state.PauseTiming();
        small.Write(joined);
        Program program;
        HeadlessHost host;
        OpenDataFile(program, host, joined, 1);
        host.OpenAnswers = {{Files().Path}};
        state.ResumeTiming();
        benchmark::DoNotOptimize(AppendFiles(program, host).Files.size());
    }
    Report(state);
}

void Verify(benchmark::State& state) {
    Program program;
    HeadlessHost host;
    OpenDataFile(program, host, Files().Path, 1);
    for (auto _ : state) benchmark::DoNotOptimize(VerifyOpenFiles(program, host).Reports.size());
    Report(state);
}

BENCHMARK(PlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(CopyWholePeriod)->Unit(benchmark::kMillisecond);
BENCHMARK(EditCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(AppendFile)->Unit(benchmark::kMillisecond);
BENCHMARK(Verify)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
