// The detection export's speed beside the plain reader in the same run: DPM per hour from a
// generated year-long KL3 file (every record read once by both), and the train details of
// the same file.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/file_io.h"
#include "core/headless_host.h"
#include "core/map_file.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"
#include "export/detection_export.h"
#include "export/export_output.h"
#include "export/train_details.h"
#include "tests/support/builders.h"

namespace {

using namespace kelp;

constexpr int YearMinutes = 365 * MinutesPerDay;

// A year of minutes: a few encounters a day (trains of 20 to 60 clicks a minute, of every
// quality and species) and now and then a stray train click between them.
struct YearFile {
    std::string Folder = bench::TemporaryFolder();
    std::string Path = Folder + "/year.KL3";
    std::int64_t Records = 0;
    std::int64_t Clicks = 0;

    YearFile() {
        testing::DataFileBuilder builder(FileKind::KL3, MakeMinute(2023, 6, 1, 0, 0));
        builder.Minute();
        std::vector<std::uint8_t> bytes = builder.Bytes();
        bytes.resize(HeaderLength);
        bytes.reserve(60'000'000);
        std::mt19937 random(7);
        std::uint8_t r[20];
        for (int m = 0; m < YearMinutes; ++m) {
            MinuteMarker marker;
            marker.Temperature = 60 + (m / 700) % 40;
            marker.Angle = 40 + (m / 90) % 30;
            marker.Raw[7] = 0x3A;
            EncodeKL2Marker(r, marker);
            bytes.insert(bytes.end(), r, r + 20);
            const int ofDay = m % MinutesPerDay;
            const bool encounter =
                (ofDay / 20) % 24 == 5 || (ofDay / 20) % 24 == 13 || (ofDay / 20) % 24 == 20;
            const int n = encounter ? 20 + static_cast<int>(random() % 41) : (random() % 8 == 0 ? 1 : 0);
            const int train = 5 + (m / 20) % 120;
            std::int32_t t = 1 + static_cast<std::int32_t>(random() % 100'000);
            for (int i = 0; i < n && t <= TicksPerMinute; ++i) {
                ClickRecord c = testing::MakeClick(t, 120 + static_cast<int>(random() % 20), 10, 60 + i % 90);
                c.Quality = static_cast<std::uint8_t>(random() % 4);
                c.Species = static_cast<std::uint8_t>(random() % 5);
                c.ClusterSize = 1 << (random() % 4);
                EncodeKL3Click(r, c, static_cast<std::uint8_t>(train));
                bytes.insert(bytes.end(), r, r + 20);
                ++Clicks;
                t += 20'000 + static_cast<std::int32_t>(random() % 60'000);
            }
        }
        Records = Clicks + YearMinutes;
        DataFileHeader header;
        std::copy(bytes.begin(), bytes.begin() + HeaderLength, header.Bytes.begin());
        header.SetLastMinute(header.FirstMinute() + YearMinutes - 1);
        header.SetEndpointEnd(header.FirstMinute() + YearMinutes - 1);
        std::copy(header.Bytes.begin(), header.Bytes.end(), bytes.begin());
        bytes.insert(bytes.end(), 40, 255);
        testing::WriteFileBytes(Path, bytes);
    }
    ~YearFile() {
        for (const char* suffix : {"/year.KL3", "/year.k3m", "/dpm.txt", "/details.txt"})
            std::remove((Folder + suffix).c_str());
        ::rmdir(Folder.c_str());
    }
};

YearFile& Year() {
    static YearFile file;
    return file;
}

struct Opened {
    Program program;
    HeadlessHost host;
    bool ok = false;
    explicit Opened(const std::string& path) {
        ok = OpenDataFile(program, host, path, 1);
        if (ok) BuildMap(program, host, 1, false);
    }
};

void PlainReaderOverTheYear(benchmark::State& state) {
    Opened o(Year().Path);
    if (!o.ok) return state.SkipWithError("cannot open the bench file");
    FileSlot& slot = o.program.Slot(1);
    std::int64_t delivered = 0;
    for (auto _ : state) {
        PositionAt(o.program, o.host, slot.FirstMinute, 0);
        while (slot.MoreData) {
            NextRecord(o.program, o.host, 1);
            delivered += slot.NRType < 128;
        }
    }
    benchmark::DoNotOptimize(delivered);
    state.SetItemsProcessed(state.iterations() * Year().Records);
}
BENCHMARK(PlainReaderOverTheYear)->Unit(benchmark::kMillisecond);

void DpmPerHourOverTheYear(benchmark::State& state) {
    Opened o(Year().Path);
    if (!o.ok) return state.SkipWithError("cannot open the bench file");
    ExportPage& page = ExportPageOf(o.program);
    ChooseDataItem(page, ExportItem::Dpm);
    page.Period = ExportPeriod::Hours;
    const std::string name = Year().Folder + "/dpm.txt";
    for (auto _ : state) {
        TextFileLines out(name);
        if (!out.Open() || !ExportDataTo(o.program, o.host, 1, 1, out, true) || !out.Finish(o.host))
            return state.SkipWithError("the export failed");
    }
    if (FileSizeOf(name) < 365 * 24 * 18) state.SkipWithError("not every hour was written");
    state.SetItemsProcessed(state.iterations() * Year().Records);
}
BENCHMARK(DpmPerHourOverTheYear)->Unit(benchmark::kMillisecond);

// The two passes in turn, so that a busy machine slows both alike: the export's time over
// the reader's is the figure to quote.
void DpmPerHourBesideTheReader(benchmark::State& state) {
    Opened o(Year().Path);
    if (!o.ok) return state.SkipWithError("cannot open the bench file");
    ExportPage& page = ExportPageOf(o.program);
    ChooseDataItem(page, ExportItem::Dpm);
    page.Period = ExportPeriod::Hours;
    FileSlot& slot = o.program.Slot(1);
    const std::string name = Year().Folder + "/dpm.txt";
    double reader = 0, exporting = 0;
    std::int64_t delivered = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        PositionAt(o.program, o.host, slot.FirstMinute, 0);
        while (slot.MoreData) {
            NextRecord(o.program, o.host, 1);
            delivered += slot.NRType < 128;
        }
        const auto t1 = std::chrono::steady_clock::now();
        TextFileLines out(name);
        if (!out.Open() || !ExportDataTo(o.program, o.host, 1, 1, out, true) || !out.Finish(o.host))
            return state.SkipWithError("the export failed");
        const auto t2 = std::chrono::steady_clock::now();
        reader += std::chrono::duration<double>(t1 - t0).count();
        exporting += std::chrono::duration<double>(t2 - t1).count();
    }
    benchmark::DoNotOptimize(delivered);
    state.counters["export_over_reader"] = exporting / reader;
}
BENCHMARK(DpmPerHourBesideTheReader)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void FullTrainDetailsOverTheYear(benchmark::State& state) {
    Program program;
    HeadlessHost host;
    const std::string name = Year().Folder + "/details.txt";
    for (auto _ : state)
        if (!ExportTrainDetails(program, host, {Year().Path}, name, true))
            return state.SkipWithError("the export failed");
    state.SetItemsProcessed(state.iterations() * Year().Records);
}
BENCHMARK(FullTrainDetailsOverTheYear)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
