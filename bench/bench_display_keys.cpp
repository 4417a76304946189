// What a person feels at the display: the time from a key (Right arrow, the screen from the
// pointer on) to the finished picture, the window's controls painted over it, on every scale from 10 us per
// pixel to one week per bin, drawn on the window's own image canvas, over a simulated three-month mixed
// deployment; beside it, in the same iterations, the plain reader over the same records.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <QGuiApplication>

#include "bench/bench_support.h"
#include "bench/simulated_card.h"
#include "core/headless_host.h"
#include "core/map_file.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"
#include "display/controls.h"
#include "display/display_link.h"
#include "display/display_state.h"
#include "display/keys.h"
#include "display/navigation.h"
#include "display/screen.h"
#include "display/time_scales.h"
#include "download/read_sd_data.h"
#include "download/read_sd_page.h"
#include "render/image_canvas.h"
#include "simulator/logger_simulator.h"

namespace {

using namespace kelp;
using Clock = std::chrono::steady_clock;

constexpr int Days = 91;
constexpr int ClientWidth = 1200;
constexpr int ClientHeight = 800;

// The deployment's KL1 file, from a simulated card through the card download.
struct Deployment {
    std::string Folder;
    std::string KL1;
    MinuteNumber Start = MakeMinute(2024, 3, 1, 12, 0);

    Deployment() {
        Folder = bench::TemporaryFolder();
        SimulationOptions sim;
        sim.OutFolder = Folder + "/card";
        sim.Minutes = Days * MinutesPerDay;
        sim.Scenario = "mixed";
        sim.Seed = 5;
        std::filesystem::create_directories(sim.OutFolder);
        const bench::SimulatedKL1 made = bench::DownloadSimulatedCard(
            sim, Start, Start + (Days + 1) * MinutesPerDay, Folder + "/KELP keys.KL1");
        KL1 = made.Download.OutputFiles.front();
    }
    ~Deployment() {
        std::error_code ec;
        std::filesystem::remove_all(Folder, ec);
    }
};

Deployment& TheDeployment() {
    static Deployment d;
    return d;
}

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One scale: the screen that starts in the middle of the deployment, drawn again by the
// Right arrow with the pointer at the plot's left edge; then the reader over its span.
void KeyToScreen(benchmark::State& state) {
    const int scale = static_cast<int>(state.range(0));
    Deployment& d = TheDeployment();
    Program program;
    HeadlessHost host;
    ImageCanvas canvas(ClientWidth, ClientHeight);
    DisplayHooks hooks{program, canvas, host};
    DisplayContext ctx{program, canvas, host};
    StartDisplay(ctx, ClientWidth, ClientHeight);
    if (!OpenDataFile(program, host, d.KL1, 1)) return state.SkipWithError("cannot open the deployment");
    BuildMap(program, host, 1, false);
    DisplayState& s = ctx.state;
    SelectScale(ctx, scale);
    // Dawn of the middle day, when encounters are likeliest; the week bins show it all.
    const MinuteNumber middle = d.Start + (Days / 2) * MinutesPerDay + 17 * 60;
    s.ReadPosition = AddDisplayTime({middle, 0}, s.Span);
    ShowAt(ctx, PlotLeft, ShowAtMode::RightOfPointer);
    const ClickTime screenStart = SubtractDisplayTime(s.ReadPosition, s.Span);
    const ClickTime screenEnd = s.ReadPosition;
    FileSlot& slot = program.Slot(1);

    double keySeconds = 0;
    double readerSeconds = 0;
    std::int64_t records = 0;
    for (auto _ : state) {
        Clock::time_point t = Clock::now();
        DisplayKeyReleased(ctx, DisplayKey::Right, false, PlotLeft, s.Top + 50);
        // The picture the window paints: the screen with its controls over it.
        WindowTexts texts;
        texts.SourceBox = program.SourceBox;
        texts.TitleLabel = program.Display.TitleLabel;
        texts.ProgressLabel = program.ProgressLabel;
        texts.ClickCountLabel = program.ClickCountLabel;
        ImageCanvas frame(canvas.Image());
        DisplayContext frameCtx{program, frame, host};
        DrawWindowControls(frameCtx, texts);
        benchmark::DoNotOptimize(frame.Image().constBits());
        const double key = Since(t);
        state.SetIterationTime(key);
        keySeconds += key;

        t = Clock::now();
        PositionAt(program, host, screenStart.Minute, screenStart.Time);
        std::int64_t n = 0;
        while (slot.MoreData && IsBefore(ClickTime{slot.CurrentMinute, slot.Click.Time}, screenEnd)) {
            NextRecord(program, host, 1);
            ++n;
        }
        readerSeconds += Since(t);
        records += n;
    }
    const double iterations = static_cast<double>(state.iterations());
    state.SetLabel(TimeScaleAt(scale).Caption);
    state.counters["key_ms"] = keySeconds * 1000 / iterations;
    state.counters["reader_ms"] = readerSeconds * 1000 / iterations;
    state.counters["key_per_reader"] = readerSeconds > 0 ? keySeconds / readerSeconds : 0;
    state.counters["records"] = static_cast<double>(records) / iterations;
}
BENCHMARK(KeyToScreen)
    ->DenseRange(FinestScale, CoarsestScale)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // The image canvas draws its texts with Qt's fonts; no screen is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
