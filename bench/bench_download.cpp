// The download's speed: converting a simulated card of more than 1 GB into KL1 files, beside a
// plain copy (cp) and a plain read of the same data files in the same run, and the memory the
// conversion needs at its peak (it must not grow with the card).
//
// KELP_BENCH_CARD_MB sets the card size (default 1100). The card is made under $TMPDIR and
// removed at the end.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/headless_host.h"
#include "core/program.h"
#include "download/read_sd_data.h"
#include "simulator/logger_simulator.h"

namespace {

using namespace kelp;

using bench::PeakMegabytes;
using bench::ResetPeak;

struct BenchCard {
    std::string Folder;
    std::string Card;
    std::vector<std::string> Files;
    std::int64_t Bytes = 0;
    double GenerationSeconds = 0;

    BenchCard() {
        Folder = bench::TemporaryFolder();
        Card = Folder + "/card";
        const char* wanted = std::getenv("KELP_BENCH_CARD_MB");
        const std::int64_t target = (wanted ? std::atoll(wanted) : 1100) * 1'000'000;

        // A noisy deployment without a click limit: about 40 kB a minute.
        SimulationOptions o;
        o.OutFolder = Card;
        o.Scenario = "noisy";
        o.ShrimpPerMinute = 3000;
        o.ClickLimitCode = 0;
        o.Seed = 1;
        o.Minutes = 200;
        const SimulationResult sample = SimulateCard(o);
        if (!sample.Ok) std::abort();
        o.SplitBytes = 256LL << 20;
        o.ErasedTailBytes = 64 * 1024;
        std::int64_t perMinute = std::max<std::int64_t>(1, sample.StreamBytes / o.Minutes);
        SimulationResult r;
        // Bursts of background make the rate uneven: make the card again, longer, until it is large enough.
        do {
            o.Minutes = target / perMinute * 21 / 20 + 1;
            const auto start = std::chrono::steady_clock::now();
            r = SimulateCard(o);
            GenerationSeconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (!r.Ok) {
                std::fprintf(stderr, "%s\n", r.Error.c_str());
                std::abort();
            }
            perMinute = std::max<std::int64_t>(1, r.StreamBytes / o.Minutes);
        } while (r.StreamBytes < target);
        Files = r.Files;
        for (const auto& f : Files) Bytes += static_cast<std::int64_t>(std::filesystem::file_size(f));
        std::fprintf(stderr, "card: %zu files, %.1f MB, %lld minutes, made in %.1f s\n", Files.size(),
                     Bytes / 1e6, static_cast<long long>(o.Minutes), GenerationSeconds);
    }
    ~BenchCard() {
        std::error_code ec;
        std::filesystem::remove_all(Folder, ec);
    }
};

BenchCard& Card() {
    static BenchCard card;
    return card;
}

void RemoveOutputs(const std::string& folder) {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    std::filesystem::create_directories(folder, ec);
}

void CopyCard(benchmark::State& state) {
    BenchCard& c = Card();
    const std::string copy = c.Folder + "/copy";
    std::string command = "cp";
    for (const auto& f : c.Files) command.append(" '").append(f).append("'");
    command.append(" '").append(copy).append("/'");
    for (auto _ : state) {
        state.PauseTiming();
        RemoveOutputs(copy);
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
    }
    RemoveOutputs(copy);
    state.SetBytesProcessed(state.iterations() * c.Bytes);
}
BENCHMARK(CopyCard)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void ReadCard(benchmark::State& state) {
    BenchCard& c = Card();
    std::vector<std::uint8_t> buffer(1 << 20);
    for (auto _ : state) {
        std::int64_t total = 0;
        for (const auto& f : c.Files) {
            total += bench::ReadWholeFile(f, buffer);
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * c.Bytes);
}
BENCHMARK(ReadCard)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// A copy through the program's own memory: read() and write() in 1 MiB pieces, as the download
// moves its bytes (cp copies inside the kernel).
void ReadWriteCopy(benchmark::State& state) {
    BenchCard& c = Card();
    const std::string copy = c.Folder + "/rwcopy";
    std::vector<std::uint8_t> buffer(1 << 20);
    for (auto _ : state) {
        state.PauseTiming();
        RemoveOutputs(copy);
        state.ResumeTiming();
        for (std::size_t i = 0; i < c.Files.size(); ++i) {
            const int in = ::open(c.Files[i].c_str(), O_RDONLY);
            const std::string target = copy + "/DATA" + std::to_string(i) + ".ORV";
            const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            for (ssize_t n; (n = ::read(in, buffer.data(), buffer.size())) > 0;)
                if (::write(out, buffer.data(), static_cast<std::size_t>(n)) != n)
                    state.SkipWithError("write failed");
            ::close(in);
            ::close(out);
        }
    }
    RemoveOutputs(copy);
    state.SetBytesProcessed(state.iterations() * c.Bytes);
}
BENCHMARK(ReadWriteCopy)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void DownloadCard(benchmark::State& state) {
    BenchCard& c = Card();
    const std::string out = c.Folder + "/KELP out";
    double peak = 0;
    std::int64_t clicks = 0;
    std::size_t files = 0;
    for (auto _ : state) {
        state.PauseTiming();
        RemoveOutputs(out);
        Program program;
        HeadlessHost host;
        ReadSDPage page;
        PasteNowIntoStartTime(page, MakeMinute(2024, 1, 1, 0, 0));
        page.OpenFileWhenFinished = false;
        DownloadEnvironment env;
        env.Now = [] { return MakeMinute(2025, 1, 1, 0, 0); };
        host.DefaultYesNo = false;
        host.OpenAnswers.push_back({c.Files.front()});
        host.SaveAnswers.push_back(out + "/bench.KL1");
        ResetPeak();
        state.ResumeTiming();
        const DownloadResult r = ReadSDdata(program, host, page, env);
        state.PauseTiming();
        peak = std::max(peak, PeakMegabytes());
        clicks = r.ClicksWritten;
        files = r.OutputFiles.size();
        if (!r.Started || r.OutputFiles.empty()) state.SkipWithError("the download wrote nothing");
        state.ResumeTiming();
    }
    RemoveOutputs(out);
    state.SetBytesProcessed(state.iterations() * c.Bytes);
    state.counters["card_MB"] = static_cast<double>(c.Bytes) / 1e6;
    state.counters["peak_memory_MB"] = peak;
    state.counters["clicks"] = static_cast<double>(clicks);
    state.counters["kl1_files"] = static_cast<double>(files);
}
BENCHMARK(DownloadCard)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
