// The analysis beside the plain reader in the same run, over a year-long KL3 file: the
// "Analysis" page's pass (every record read once, every histogram counted), the same with
// the two-parameter profile, and the auto-correlation's fill in 1-minute bins.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"

#include <cstdio>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "analysis/analysis_page.h"
#include "analysis/correlation.h"
#include "analysis/file_analysis.h"
#include "core/headless_host.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"
#include "display/display_link.h"
#include "display/navigation.h"
#include "display/screen.h"
#include "tests/support/builders.h"

namespace {

using namespace kelp;

constexpr int YearMinutes = 365 * MinutesPerDay;

// A year of KL3 records: quiet minutes, and each day a few encounters whose trains click
// at 5 to 50 per second, with varied classes and values.
struct YearFile {
    std::string Folder = bench::TemporaryFolder();
    std::string Path = Folder + "/year.KL3";
    MinuteNumber First = MakeMinute(2023, 6, 1, 0, 0);
    std::int64_t Clicks = 0;

    YearFile() {
        testing::DataFileBuilder builder(FileKind::KL3, First);
        builder.Minute();
        std::vector<std::uint8_t> bytes = builder.Bytes();
        bytes.resize(HeaderLength);
        bytes.reserve(static_cast<std::size_t>(60) * 1024 * 1024);
        std::mt19937 random(21);
        std::uint8_t r[20];
        MinuteMarker marker;
        for (int m = 0; m < YearMinutes; ++m) {
            marker.Raw.fill(0);
            marker.Temperature = 80 + (m / 600) % 40;
            marker.Angle = 30 + (m / 90) % 20;
            marker.InSwitchRange = true;
            std::fill(std::begin(r), std::end(r), 0);
            r[3] = static_cast<std::uint8_t>(marker.Temperature);
            r[4] = static_cast<std::uint8_t>(marker.Angle);
            r[19] = TypeMinuteMarker;
            bytes.insert(bytes.end(), r, r + 20);
            const int ofDay = m % MinutesPerDay;
            const bool encounter = (ofDay >= 300 && ofDay < 340) || (ofDay >= 1100 && ofDay < 1115);
            if (!encounter) continue;
            // Two trains in the minute, interleaved, of 20 to 100 clicks each.
            const std::int32_t gapA = 4'000 + static_cast<std::int32_t>(random() % 36'000);
            const std::int32_t gapB = 4'000 + static_cast<std::int32_t>(random() % 36'000);
            std::int32_t a = 1 + static_cast<std::int32_t>(random() % 6'000'000), b = 500 + a;
            int leftA = 20 + static_cast<int>(random() % 81), leftB = 20 + static_cast<int>(random() % 81);
            const int kHzA = 120 + static_cast<int>(random() % 25),
                      kHzB = 40 + static_cast<int>(random() % 60);
            while (leftA > 0 || leftB > 0) {
                const bool takeA = leftB == 0 || (leftA > 0 && a <= b);
                const std::int32_t t = takeA ? a : b;
                if (t > TicksPerMinute) break;
                ClickRecord c =
                    testing::MakeClick(t, takeA ? kHzA : kHzB, 2 + static_cast<int>(random() % 30),
                                       1 + static_cast<int>(random() % 250), static_cast<int>(random() % 12),
                                       static_cast<std::uint8_t>(random()));
                c.EndkHz = c.kHz - 10 + static_cast<int>(random() % 20);
                c.Quality = static_cast<std::uint8_t>(2 + random() % 2);
                c.Species = static_cast<std::uint8_t>(random() % 5);
                EncodeKL3Click(r, c, takeA ? 5 : 6);
                bytes.insert(bytes.end(), r, r + 20);
                ++Clicks;
                if (takeA) {
                    a += gapA;
                    --leftA;
                } else {
                    b += gapB;
                    --leftB;
                }
                if (a == b) ++b; // two clicks at one time: the reader keeps only the first
            }
        }
        DataFileHeader header;
        std::copy(bytes.begin(), bytes.begin() + HeaderLength, header.Bytes.begin());
        header.SetLastMinute(First + YearMinutes - 1);
        header.SetEndpointEnd(First + YearMinutes - 1);
        header.SetClickCount(static_cast<std::uint32_t>(Clicks));
        std::copy(header.Bytes.begin(), header.Bytes.end(), bytes.begin());
        bytes.insert(bytes.end(), 40, 255);
        testing::WriteFileBytes(Path, bytes);
    }
    ~YearFile() {
        std::remove(Path.c_str());
        std::remove((Folder + "/year.k3m").c_str());
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
    explicit Opened(const std::string& path) { ok = OpenDataFile(program, host, path, 1); }
};

void ReaderOverTheYear(benchmark::State& state) {
    YearFile& f = Year();
    Opened o(f.Path);
    if (!o.ok) return state.SkipWithError("cannot open the bench file");
    FileSlot& slot = o.program.Slot(1);
    std::int64_t clicks = 0;
    for (auto _ : state) {
        PositionAt(o.program, o.host, o.program.SharedStart, 0);
        while (slot.MoreData) {
            NextRecord(o.program, o.host, 1);
            clicks += slot.NRType < 128;
        }
    }
    if (clicks != state.iterations() * f.Clicks) state.SkipWithError("not every click was delivered");
    state.SetItemsProcessed(state.iterations() * (f.Clicks + YearMinutes));
}
BENCHMARK(ReaderOverTheYear)->Unit(benchmark::kMillisecond);

void AnalysisOverTheYear(benchmark::State& state, bool profile) {
    YearFile& f = Year();
    Opened o(f.Path);
    if (!o.ok) return state.SkipWithError("cannot open the bench file");
    AnalysisOptions options;
    options.TwoParamProfile = profile;
    std::int64_t total = 0;
    for (auto _ : state) {
        const AnalysisCounters counts = CountClicks(o.program, o.host, 1, options);
        total += counts.Total;
        if (counts.Minutes != YearMinutes) state.SkipWithError("not every minute was counted");
    }
    if (total != state.iterations() * f.Clicks) state.SkipWithError("not every click was counted");
    state.SetItemsProcessed(state.iterations() * (f.Clicks + YearMinutes));
}
BENCHMARK_CAPTURE(AnalysisOverTheYear, Page, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(AnalysisOverTheYear, WithProfile, true)->Unit(benchmark::kMillisecond);

// The auto-correlation over the year in 1-minute bins: the fill and up to 1,000 lags.
void AutoCorrelationOverTheYear(benchmark::State& state) {
    YearFile& f = Year();
    Opened o(f.Path);
    if (!o.ok) return state.SkipWithError("cannot open the bench file");
    RecordingCanvas canvas;
    DisplayHooks hooks(o.program, canvas, o.host);
    DisplayContext ctx(o.program, canvas, o.host);
    StartDisplay(ctx, 1200, 800);
    SetTimeScale(ctx, 11);
    for (auto _ : state) {
        canvas.Clear();
        const CorrelationOutcome outcome = DoAutocorrelation(ctx);
        if (!outcome.Done) state.SkipWithError("no auto-correlation");
    }
    state.SetItemsProcessed(state.iterations() * (f.Clicks + YearMinutes));
}
BENCHMARK(AutoCorrelationOverTheYear)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
