// The batch summaries' speed: "Batch detection and noise summaries" over twenty generated
// week-long KL3 deployments with one and with two jobs, beside a plain read of the same
// files in the same run. The two-job run should take close to half the time of one job.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/headless_host.h"
#include "core/program.h"
#include "export/noise_summary.h"
#include "tests/support/builders.h"

namespace {

using namespace kelp;
using Clock = std::chrono::steady_clock;

constexpr int Deployments = 20;
constexpr int WeekMinutes = 7 * MinutesPerDay;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// A week of minutes of one deployment: encounters of porpoises and dolphins of every quality
// at times of its own, stray train clicks between them, now and then a truncated minute.
void WriteWeek(const std::string& path, int deployment, std::int64_t& records) {
    testing::DataFileBuilder builder(FileKind::KL3, MakeMinute(2024, 6, 1 + deployment % 7, 10, deployment));
    builder.Minute();
    std::vector<std::uint8_t> bytes = builder.Bytes();
    bytes.resize(HeaderLength);
    std::mt19937 random(static_cast<unsigned>(100 + deployment));
    std::uint8_t r[20];
    for (int m = 0; m < WeekMinutes; ++m) {
        MinuteMarker marker;
        marker.Temperature = 60 + (m / 700) % 40;
        marker.Angle = 40 + (m / 90) % 30;
        const bool truncated = random() % 200 == 0;
        marker.Raw[6] = static_cast<std::uint8_t>(truncated ? random() % 183 : 180);
        marker.Raw[7] = truncated ? 255 : static_cast<std::uint8_t>(0x30 + random() % 16);
        marker.Raw[8] = static_cast<std::uint8_t>(random() % 16);
        EncodeKL2Marker(r, marker);
        bytes.insert(bytes.end(), r, r + 20);
        ++records;
        const int ofDay = (m + 97 * deployment) % MinutesPerDay;
        const bool encounter = (ofDay / 20) % 24 == 5 || (ofDay / 20) % 24 == 13 || (ofDay / 20) % 24 == 20;
        const int n = encounter ? 20 + static_cast<int>(random() % 41) : (random() % 8 == 0 ? 1 : 0);
        const int train = 5 + (m / 20) % 120;
        std::int32_t t = 1 + static_cast<std::int32_t>(random() % 100'000);
        for (int i = 0; i < n && t <= TicksPerMinute; ++i) {
            ClickRecord c = testing::MakeClick(t, 120 + static_cast<int>(random() % 20), 10, 60 + i % 90);
            c.Quality = static_cast<std::uint8_t>(random() % 4);
            c.Species = static_cast<std::uint8_t>(random() % 2);
            EncodeKL3Click(r, c, static_cast<std::uint8_t>(train));
            bytes.insert(bytes.end(), r, r + 20);
            ++records;
            t += 20'000 + static_cast<std::int32_t>(random() % 60'000);
        }
    }
    DataFileHeader header;
    std::copy(bytes.begin(), bytes.begin() + HeaderLength, header.Bytes.begin());
    header.SetLastMinute(header.FirstMinute() + WeekMinutes - 1);
    header.SetEndpointEnd(header.FirstMinute() + WeekMinutes - 1);
    std::copy(header.Bytes.begin(), header.Bytes.end(), bytes.begin());
    bytes.insert(bytes.end(), 40, 255);
    testing::WriteFileBytes(path, bytes);
}

struct Weeks {
    std::string Folder = bench::TemporaryFolder();
    std::vector<std::string> Files;
    std::int64_t Records = 0;
    Weeks() {
        for (int d = 0; d < Deployments; ++d) {
            Files.push_back(Folder + "/site" + std::to_string(d + 1) + ".KL3");
            WriteWeek(Files.back(), d, Records);
        }
        // The first summaries build the map files, which every later run loads.
        Program program;
        HeadlessHost host;
        ListNoise(program, host, Files);
    }
    ~Weeks() {
        for (const std::string& f : Files) {
            std::remove(f.c_str());
            std::remove((f.substr(0, f.size() - 4) + ".k3m").c_str());
        }
        ::rmdir(Folder.c_str());
    }
};

Weeks& TheWeeks() {
    static Weeks weeks;
    return weeks;
}

std::vector<std::string> Summaries(int jobs) {
    Program program;
    HeadlessHost host;
    const BatchRunResult r = ListNoise(program, host, TheWeeks().Files, jobs);
    if (!r.Ok()) return {};
    return host.Results().Lines();
}

void PlainReadOfTheWeeks(benchmark::State& state) {
    std::vector<std::uint8_t> buffer(1 << 20);
    std::int64_t bytes = 0;
    for (auto _ : state)
        for (const std::string& f : TheWeeks().Files) bytes += bench::ReadWholeFile(f, buffer);
    state.SetBytesProcessed(bytes);
}
BENCHMARK(PlainReadOfTheWeeks)->Unit(benchmark::kMillisecond);

void ListNoiseOverTheWeeks(benchmark::State& state) {
    const int jobs = static_cast<int>(state.range(0));
    for (auto _ : state)
        if (Summaries(jobs).size() != Deployments + 1) return state.SkipWithError("a summary is missing");
    state.SetItemsProcessed(state.iterations() * TheWeeks().Records);
}
BENCHMARK(ListNoiseOverTheWeeks)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The plain read, one job and two jobs in turn, so that a busy machine slows all three alike:
// the counters are the figures to quote.
void ListNoiseOneAndTwoJobsBesideTheReader(benchmark::State& state) {
    std::vector<std::uint8_t> buffer(1 << 20);
    double plain = 0, one = 0, two = 0;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (const std::string& f : TheWeeks().Files) bytes += bench::ReadWholeFile(f, buffer);
        const auto t1 = Clock::now();
        const auto byOne = Summaries(1);
        const auto t2 = Clock::now();
        const auto byTwo = Summaries(2);
        const auto t3 = Clock::now();
        if (byOne.size() != Deployments + 1 || byOne != byTwo)
            return state.SkipWithError("two jobs did not give the lines of one");
        plain += Seconds(t1 - t0);
        one += Seconds(t2 - t1);
        two += Seconds(t3 - t2);
    }
    benchmark::DoNotOptimize(bytes);
    const auto n = static_cast<double>(state.iterations());
    state.counters["plain_read_ms"] = plain / n * 1000;
    state.counters["one_job_ms"] = one / n * 1000;
    state.counters["two_jobs_ms"] = two / n * 1000;
    state.counters["one_over_two"] = one / two;
    state.counters["one_job_over_read"] = one / plain;
}
BENCHMARK(ListNoiseOneAndTwoJobsBesideTheReader)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

} // namespace

BENCHMARK_MAIN();
