// The display's speed beside the plain reader in the same run: a week-per-bin screen
// over a year-long deployment (every record read once), a 1-minute-bin screen, and a
// 10 ms-per-pixel screen in a dense minute.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/headless_host.h"
#include "core/map_file.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"
#include "display/canvas.h"
#include "display/click_view.h"
#include "display/display_link.h"
#include "display/legends.h"
#include "display/low_resolution.h"
#include "display/navigation.h"
#include "display/screen.h"
#include "tests/support/builders.h"

namespace {

using namespace kelp;

constexpr int YearMinutes = 365 * MinutesPerDay;

// A surface that draws nothing, so that the views are measured and not a recorder.
class NullCanvas : public Canvas {
public:
    int Width() const override { return 1200; }
    int Height() const override { return 800; }
    void FillRect(int, int, int, int) override {}
    void TextOut(int, int, const std::string&) override {}
    void RotatedTextOut(int, int, const std::string&) override {}
    CanvasImage CopyToImage(int, int, int, int) override { return {}; }

protected:
    void DrawLine(int, int, int, int) override {}
};

using bench::TemporaryFolder;

// A KL1 file written record by record: `clicksIn(minute)` clicks in each minute, spread
// over the minute, with varied values.
struct BenchFile {
    std::string Folder;
    std::string Path;
    MinuteNumber First = MakeMinute(2023, 6, 1, 0, 0);
    std::int64_t Records = 0;
    std::int64_t Clicks = 0;

    template <class ClicksIn> BenchFile(const char* name, int minutes, ClicksIn clicksIn) {
        Folder = TemporaryFolder();
        Path = Folder + "/" + name;
        testing::DataFileBuilder builder(FileKind::KL1, First);
        builder.Minute();
        std::vector<std::uint8_t> bytes = builder.Bytes();
        bytes.resize(HeaderLength);
        std::mt19937 random(11);
        std::uint8_t r[10];
        for (int m = 0; m < minutes; ++m) {
            EncodeKL1Marker(r, 80 + (m / 600) % 40, 30 + (m / 90) % 20);
            bytes.insert(bytes.end(), r, r + 10);
            const int n = clicksIn(m, random);
            const std::int32_t step = std::max(1, 2 * 11'900'000 / std::max(1, n));
            std::int32_t t = 1;
            for (int i = 0; i < n; ++i) {
                t += 1 + static_cast<std::int32_t>(random() % static_cast<unsigned>(step));
                if (t > TicksPerMinute) break;
                const ClickRecord c = testing::MakeClick(
                    t, 20 + static_cast<int>(random() % 140), 2 + static_cast<int>(random() % 30),
                    1 + static_cast<int>(random() % 250), static_cast<int>(random() % 12),
                    static_cast<std::uint8_t>(random()));
                EncodeKL1Click(r, c);
                bytes.insert(bytes.end(), r, r + 10);
                ++Clicks;
            }
        }
        Records = Clicks + minutes;
        DataFileHeader header;
        std::copy(bytes.begin(), bytes.begin() + HeaderLength, header.Bytes.begin());
        header.SetLastMinute(First + minutes - 1);
        header.SetEndpointEnd(First + minutes - 1);
        header.SetClickCount(static_cast<std::uint32_t>(Clicks));
        std::copy(header.Bytes.begin(), header.Bytes.end(), bytes.begin());
        bytes.insert(bytes.end(), 20, 255);
        testing::WriteFileBytes(Path, bytes);
    }
    ~BenchFile() {
        std::remove(Path.c_str());
        const std::string map = Path.substr(0, Path.size() - 4) + ".k1m";
        std::remove(map.c_str());
        ::rmdir(Folder.c_str());
    }
};

// A year of mostly quiet minutes with a few encounters each day: about 8 clicks a minute.
BenchFile& Year() {
    static BenchFile file("year.KL1", YearMinutes, [](int m, std::mt19937& random) {
        const int ofDay = m % MinutesPerDay;
        if (ofDay >= 300 && ofDay < 330) return 150 + static_cast<int>(random() % 100); // dawn encounters
        return static_cast<int>(random() % 7);
    });
    return file;
}

// Ten minutes of 60,000 clicks each (one every millisecond).
BenchFile& Dense() {
    static BenchFile file("dense.KL1", 10, [](int, std::mt19937&) { return 60'000; });
    return file;
}

// A program with one file open and the display set up on a null surface.
struct Screen {
    Program program;
    HeadlessHost host;
    NullCanvas canvas;
    DisplayHooks hooks{program, canvas, host};
    DisplayContext ctx{program, canvas, host};
    bool ok = false;

    explicit Screen(const std::string& path) {
        StartDisplay(ctx, 1200, 800);
        ok = OpenDataFile(program, host, path, 1);
        if (ok) BuildMap(program, host, 1, false);
    }
};

void ReaderOverTheYear(benchmark::State& state) {
    BenchFile& f = Year();
    Screen s(f.Path);
    if (!s.ok) return state.SkipWithError("cannot open the bench file");
    FileSlot& slot = s.program.Slot(1);
    std::int64_t clicks = 0;
    for (auto _ : state) {
        PositionAt(s.program, s.host, slot.FirstMinute, 0);
        while (slot.MoreData) {
            NextRecord(s.program, s.host, 1);
            clicks += slot.NRType < 128;
        }
    }
    if (clicks != state.iterations() * f.Clicks) state.SkipWithError("not every click was delivered");
    state.SetItemsProcessed(state.iterations() * f.Records);
}
BENCHMARK(ReaderOverTheYear)->Unit(benchmark::kMillisecond);

// One screen of week bins holds the whole year: every record is read once.
void WeekBinsOverTheYear(benchmark::State& state) {
    BenchFile& f = Year();
    Screen s(f.Path);
    if (!s.ok) return state.SkipWithError("cannot open the bench file");
    DisplayState& d = s.ctx.state;
    SetTimeScale(s.ctx, CoarsestScale);
    ShowParameter(s.ctx, param::Frequency, false);
    for (auto _ : state) {
        d.ReadPosition = {s.program.SharedStart, 0};
        ShowAt(s.ctx, PlotLeft, ShowAtMode::FromReadPosition);
    }
    if (d.ClicksShown[1] != f.Clicks) state.SkipWithError("not every click was counted");
    state.SetItemsProcessed(state.iterations() * f.Records);
}
BENCHMARK(WeekBinsOverTheYear)->Unit(benchmark::kMillisecond);

// The same with the SPL distribution and the ICI classes.
void WeekBinsOverTheYearIci(benchmark::State& state) {
    BenchFile& f = Year();
    Screen s(f.Path);
    if (!s.ok) return state.SkipWithError("cannot open the bench file");
    SetTimeScale(s.ctx, CoarsestScale);
    ShowParameter(s.ctx, param::Envelope, false);
    for (auto _ : state) {
        s.ctx.state.ReadPosition = {s.program.SharedStart, 0};
        ShowAt(s.ctx, PlotLeft, ShowAtMode::FromReadPosition);
    }
    state.SetItemsProcessed(state.iterations() * f.Records);
}
BENCHMARK(WeekBinsOverTheYearIci)->Unit(benchmark::kMillisecond);

// A 1-minute-bin screen (375 minutes) through a day with its dawn encounters.
void MinuteBinScreen(benchmark::State& state) {
    BenchFile& f = Year();
    Screen s(f.Path);
    if (!s.ok) return state.SkipWithError("cannot open the bench file");
    SetTimeScale(s.ctx, OneMinuteScale);
    ShowParameter(s.ctx, param::Spl, false);
    const MinuteNumber start = s.program.SharedStart + 200 * MinutesPerDay + 120;
    for (auto _ : state) {
        s.ctx.state.ReadPosition = {start, 0};
        ShowAt(s.ctx, PlotLeft, ShowAtMode::FromReadPosition);
    }
    state.SetItemsProcessed(state.iterations() * s.ctx.state.ClicksShown[1]);
}
BENCHMARK(MinuteBinScreen)->Unit(benchmark::kMillisecond);

// The reader alone over the span of one 10 ms-per-pixel screen in a dense minute.
void ReaderOverADenseScreen(benchmark::State& state) {
    BenchFile& f = Dense();
    Screen s(f.Path);
    if (!s.ok) return state.SkipWithError("cannot open the bench file");
    FileSlot& slot = s.program.Slot(1);
    const ClickTime end{slot.FirstMinute + 3, 1127 * 2'000};
    std::int64_t clicks = 0;
    for (auto _ : state) {
        PositionAt(s.program, s.host, slot.FirstMinute + 3, 0);
        std::int64_t n = 0;
        while (slot.MoreData && IsBefore({slot.CurrentMinute, slot.Click.Time}, end)) {
            NextRecord(s.program, s.host, 1);
            n += slot.NRType < 128;
        }
        clicks = n;
    }
    state.SetItemsProcessed(state.iterations() * clicks);
}
BENCHMARK(ReaderOverADenseScreen)->Unit(benchmark::kMicrosecond);

void ClickScreenInADenseMinute(benchmark::State& state, int parameter) {
    BenchFile& f = Dense();
    Screen s(f.Path);
    if (!s.ok) return state.SkipWithError("cannot open the bench file");
    SetTimeScale(s.ctx, DefaultTimeScale);
    ShowParameter(s.ctx, parameter, false);
    for (auto _ : state) {
        s.ctx.state.ReadPosition = {s.program.SharedStart + 3, 0};
        ShowAt(s.ctx, PlotLeft, ShowAtMode::FromReadPosition);
    }
    state.SetItemsProcessed(state.iterations() * s.ctx.state.ClicksShown[1]);
}
BENCHMARK_CAPTURE(ClickScreenInADenseMinute, Spl, param::Spl)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ClickScreenInADenseMinute, Ici, param::Ici)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
