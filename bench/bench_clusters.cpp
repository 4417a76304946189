// The cluster finder's speed: MakeClusterFile over a generated three-day KL1 file
// (about four million clicks: porpoise-like trains with their echoes, dolphin trains and
// buzzes, a fixed-rate sonar, background noise), beside a plain read() of the same file
// in the same run. Two in-memory runs split the time between taking the records apart
// and the per-minute clustering.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/file_io.h"
#include "core/headless_host.h"
#include "core/program.h"
#include "core/records.h"
#include "core/slots.h"
#include "tda/cluster_file.h"
#include "tda/cluster_minute.h"
#include "tests/support/builders.h"

namespace {

using namespace kelp;

constexpr int Days = 3;
constexpr std::int32_t TicksPerMinute = 12'000'000;

struct GeneratedClick {
    std::int32_t Time;
    int kHz, Ncyc, SPL, BW;
};

// One minute of a deployment in a busy harbour mouth.
class MinuteGenerator {
public:
    std::vector<GeneratedClick> Next() {
        clicks_.clear();
        Noise(500 + static_cast<int>(random_() % 600));
        if (Chance(35)) PorpoiseTrain();
        if (Chance(15)) PorpoiseTrain();
        if (Chance(12)) DolphinTrain();
        if (Chance(8)) Sonar();
        std::sort(clicks_.begin(), clicks_.end(),
                  [](const auto& a, const auto& b) { return a.Time < b.Time; });
        // The logger never writes two clicks at one time.
        std::vector<GeneratedClick> out;
        out.reserve(clicks_.size());
        for (const GeneratedClick& c : clicks_)
            if (c.Time >= 1 && c.Time <= TicksPerMinute && (out.empty() || c.Time > out.back().Time))
                out.push_back(c);
        return out;
    }

private:
    bool Chance(int percent) { return static_cast<int>(random_() % 100) < percent; }
    int Between(int low, int high) {
        return low + static_cast<int>(random_() % static_cast<unsigned>(high - low + 1));
    }

    void Noise(int count) {
        for (int i = 0; i < count; ++i)
            clicks_.push_back({Between(1, TicksPerMinute), Between(20, 160), Between(2, 15), Between(3, 60),
                               Between(5, 31)});
    }
    // A click with its multipath echoes a little later and weaker.
    void WithEchoes(const GeneratedClick& c, int echoes) {
        clicks_.push_back(c);
        std::int32_t t = c.Time;
        int spl = c.SPL;
        for (int e = 0; e < echoes; ++e) {
            t += Between(40, 400);
            spl = std::max(3, spl * Between(30, 80) / 100);
            clicks_.push_back(
                {t, c.kHz + Between(-3, 3), std::max(2, c.Ncyc - Between(0, 6)), spl, c.BW + Between(0, 3)});
        }
    }
    void PorpoiseTrain() {
        std::int32_t t = Between(1, TicksPerMinute / 2);
        std::int32_t ici = Between(8'000, 30'000);
        int spl = Between(40, 120);
        const int n = Between(20, 120);
        for (int i = 0; i < n && t < TicksPerMinute; ++i) {
            WithEchoes({t, Between(126, 138), Between(8, 25), std::min(255, spl), Between(2, 6)},
                       Between(0, 3));
            ici += ici * Between(-4, 4) / 100;
            spl += Between(-8, 10);
            spl = std::clamp(spl, 10, 255);
            t += ici;
        }
    }
    void DolphinTrain() {
        std::int32_t t = Between(1, TicksPerMinute / 2);
        std::int32_t ici = Between(15'000, 40'000);
        const int n = Between(30, 150);
        for (int i = 0; i < n && t < TicksPerMinute; ++i) {
            WithEchoes({t, Between(40, 90), Between(3, 8), Between(60, 220), Between(15, 31)}, Between(1, 4));
            // Now and then a buzz: the interval drops steeply and recovers.
            if (i % 40 == 30)
                ici = Between(600, 1'500);
            else
                ici = std::min(40'000, ici + ici / 8);
            t += ici;
        }
    }
    void Sonar() {
        const std::int32_t period = Between(30'000, 60'000);
        for (std::int32_t t = Between(1, period); t < TicksPerMinute; t += period)
            WithEchoes({t, 50, Between(50, 90), Between(100, 200), 3}, 2);
    }

    std::mt19937 random_{11};
    std::vector<GeneratedClick> clicks_;
};

struct BenchFile {
    std::string Folder;
    std::string Path;
    std::int64_t Clicks = 0;
    std::int64_t Bytes = 0;

    BenchFile() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kelp-bench-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (!mkdtemp(name.data())) std::abort();
        Folder = name.data();
        Path = Folder + "/deployment.KL1";

        const int minutes = Days * MinutesPerDay;
        testing::DataFileBuilder builder(FileKind::KL1, MakeMinute(2024, 7, 1, 0, 0));
        builder.Header().Bytes[81] = 3; // minute click limit 65,536
        builder.Minute();
        std::vector<std::uint8_t> bytes = builder.Bytes();
        bytes.resize(HeaderLength);
        MinuteGenerator generator;
        std::uint8_t r[10];
        for (int m = 0; m < minutes; ++m) {
            EncodeKL1Marker(r, 90, 40);
            bytes.insert(bytes.end(), r, r + 10);
            for (const GeneratedClick& g : generator.Next()) {
                ClickRecord c = testing::MakeClick(g.Time, g.kHz, g.Ncyc, g.SPL, std::min(31, g.BW), 0x37);
                EncodeKL1Click(r, c);
                bytes.insert(bytes.end(), r, r + 10);
                ++Clicks;
            }
        }
        DataFileHeader header;
        std::copy(bytes.begin(), bytes.begin() + HeaderLength, header.Bytes.begin());
        header.SetLastMinute(header.FirstMinute() + minutes - 1);
        header.SetEndpointEnd(header.FirstMinute() + minutes - 1);
        header.SetClickCount(static_cast<std::uint32_t>(Clicks));
        std::copy(header.Bytes.begin(), header.Bytes.end(), bytes.begin());
        bytes.insert(bytes.end(), 20, 255);
        testing::WriteFileBytes(Path, bytes);
        Bytes = static_cast<std::int64_t>(bytes.size());
    }
    ~BenchFile() {
        for (const char* name : {"/deployment.KL1", "/deployment.KL2", "/deployment.k1m", "/deployment.k2m"})
            std::remove((Folder + name).c_str());
        ::rmdir(Folder.c_str());
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
        const int fd = ::open(f.Path.c_str(), O_RDONLY);
        std::int64_t total = 0;
        for (;;) {
            const ssize_t n = ::read(fd, buffer.data(), buffer.size());
            if (n <= 0) break;
            total += n;
        }
        ::close(fd);
        benchmark::DoNotOptimize(total);
    }
    Report(state, f);
}
BENCHMARK(RawRead)->Unit(benchmark::kMillisecond);

// The whole operation as a batch runs it: open the KL1 file, write the KL2 file and its map.
void MakeClusterFileRun(benchmark::State& state) {
    BenchFile& f = File();
    std::int64_t records = 0;
    for (auto _ : state) {
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
    }
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
