// kelp-cli render: draws one screen of the display, as the window shows it, into a PNG
// file: the plot with its axes, the legend strip, the band titles, the captions, the
// slider, the source box and the status labels. With --wav the clicks of the screen are
// also written as the sound the display would play.
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/filter_options.h"
#include "cli/registry.h"
#include "core/slots.h"
#include "display/click_sound.h"
#include "display/controls.h"
#include "display/display_link.h"
#include "display/legends.h"
#include "display/navigation.h"
#include "display/screen.h"
#include "display/time_scales.h"
#include "display/y_scale.h"
#include "render/image_canvas.h"

namespace kelp::cli {
namespace {

constexpr const char* RenderHelp =
    R"(Opens the files into slots 1, 2 and 3 in the order given and draws one screen of
the display into OUT.png: the client area of the window (--width x --height pixels),
with the time scale and parameter chosen, starting at --start (by default at the
start of the shared range of the files). Scales: 0 10us, 1 20us, 2 100us, 3 500us,
4 1ms, 5 2ms, 6 5ms, 7 10ms, 8 20ms, 9 50ms, 10 100ms per pixel; 11 1min, 12 5min,
13 30min, 14 1hr, 15 tide/4, 16 6hr, 17 12hr, 18 day, 19 week per bin. Parameters:
0 kHz, 1 cycles, 2 bandwidth, 3 SPL, 4 envelope, 5 ICI, 6 click rate, 7 quality
class, 8 species class, 9 noise.)";

struct RenderOptions {
    std::vector<std::string> Files;
    int Scale = DefaultTimeScale;
    int Parameter = param::Spl;
    std::string Start;
    int Width = DefaultClientWidth;
    int Height = DefaultClientHeight;
    bool White = false;
    bool NoAngle = false;
    bool Temperature = false;
    bool Distance = false;
    bool SplAsPa = false;
    bool ColourCodes = false;
    std::string YScale;
    std::string Output;
    std::string Wav;
    int SoundFile = 0;
    FilterOptions Filters;
};

constexpr const char* SoundsOnlyAtHighResolutionText =
    "Sounds can only be played from high resolution displays.  Zoom in and try again";

// The band the sound comes from when none is named: the first open KL3 file, else the first file.
int SoundSlotFor(const Program& program) {
    for (int slot = 1; slot <= SlotCount; ++slot)
        if (program.Slot(slot).IsOpen && program.Slot(slot).Kind == FileKind::KL3) return slot;
    return program.LowestOpenSlot();
}

// A screen of bins may read a year of clicks: while it is drawn, the bar follows the minute
// the open files have reached. The bar has a host of its own, so that the picture's progress
// line stays as the drawing leaves it.
void DrawScreenWithProgress(Context& ctx, const DisplayState& s, const std::function<void()>& draw) {
    if (TimeScaleAt(s.TimeScale).MinutesPerBin == 0) {
        draw();
        return;
    }
    const MinuteNumber from = s.ReadPosition.Minute;
    HeadlessHost bar;
    bar.StartProgress("... drawing the screen ...", s.Span.Minute, 0);
    ctx.host.OnEvents = [&] {
        MinuteNumber reached = from;
        for (int slot = 1; slot <= SlotCount; ++slot) {
            const FileSlot& f = ctx.program.Slot(slot);
            if (f.IsOpen) reached = std::max(reached, f.CurrentMinute);
        }
        bar.StepProgress(reached - from);
    };
    draw();
    ctx.host.OnEvents = nullptr;
    bar.EndProgress("");
}

int RunRender(Context& ctx, const RenderOptions& o) {
    std::optional<ClickTime> start;
    if (!o.Start.empty()) {
        start = ParseDateTimeText(o.Start);
        if (!start) {
            *ctx.err << "--start: not a time of the form dd/mm/yyyy hh:mm[:ss.ffffff]: " << o.Start << '\n';
            return ExitUsage;
        }
    }
    if (o.Parameter == param::Noise && !IsLowResolution(o.Scale)) {
        *ctx.err << "--param 9 (noise) is shown on the bin scales only (--scale 11..19)\n";
        return ExitUsage;
    }
    if (!o.Wav.empty() && IsLowResolution(o.Scale)) {
        *ctx.err << SoundsOnlyAtHighResolutionText << '\n';
        return ExitUsage;
    }
    if (o.SoundFile > static_cast<int>(o.Files.size())) {
        *ctx.err << "--sound-file: there is no file " << o.SoundFile << '\n';
        return ExitUsage;
    }
    if (!o.YScale.empty() && !ParseReal(o.YScale)) {
        *ctx.err << "--yscale: not a number: " << o.YScale << '\n';
        return ExitUsage;
    }

    if (!ApplyFilterOptions(o.Filters, ctx.program, ctx.host)) return ExitUsage;

    EnsureGuiApplication();
    ImageCanvas canvas(o.Width, o.Height);
    Program& program = ctx.program;
    DisplayHooks hooks(program, canvas, ctx.host);
    DisplayContext display(program, canvas, ctx.host);
    DisplayState& s = display.state;
    s.Settings.WhiteScreen = o.White;
    s.Settings.Angle = !o.NoAngle;
    s.Settings.Temperature = o.Temperature;
    s.Settings.AsDistance = o.Distance;
    if (!o.YScale.empty()) s.Settings.YScaleText = o.YScale;
    StartDisplay(display, o.Width, o.Height);

    for (std::size_t i = 0; i < o.Files.size(); ++i)
        if (!OpenDataFile(program, ctx.host, o.Files[i], static_cast<int>(i) + 1)) return ExitFailure;

    SetTimeScale(display, o.Scale);
    if (o.SplAsPa) SetShowSplAsPa(display, true);
    ShowParameter(display, o.Parameter, false);
    s.ReadPosition = start ? *start : ClickTime{program.SharedStart, 0};
    std::vector<std::uint8_t> sound;
    if (!o.Wav.empty()) {
        s.Aids.SoundSlot = o.SoundFile > 0 ? o.SoundFile : SoundSlotFor(program);
        s.Aids.SoundRecording = &sound;
    }
    DrawScreenWithProgress(ctx, s, [&] { ShowAt(display, PlotLeft, ShowAtMode::FromReadPosition); });
    s.Aids.SoundSlot = 0;
    s.Aids.SoundRecording = nullptr;
    if (o.ColourCodes) ShowColourCodes(display);

    WindowTexts texts;
    texts.SourceBox = program.SourceBox;
    texts.TitleLabel = program.Display.TitleLabel;
    texts.ProgressLabel =
        ctx.host.ProgressLabels.empty() ? program.ProgressLabel : ctx.host.ProgressLabels.back();
    texts.ClickCountLabel = program.ClickCountLabel;
    DrawWindowControls(display, texts);

    // A drawing stopped by Ctrl+C is not saved.
    if (StoppedByUser(ctx)) return ExitFailure;
    std::string error;
    if (!canvas.SavePng(o.Output, &error)) {
        ctx.host.ShowTimedMessage(Message5s, o.Output + " could not be written.  (" + error + ")");
        return ExitFailure;
    }
    if (!o.Wav.empty() && !WriteWaveFile(o.Wav, sound, &error)) {
        ctx.host.ShowTimedMessage(Message5s, o.Wav + " could not be written.  (" + error + ")");
        return ExitFailure;
    }
    return ExitSuccess;
}

CommandRegistrar renderCommands(60, [](CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("render", "Draw one screen of the display into a PNG file");
    cmd->footer(RenderHelp);
    auto o = std::make_shared<RenderOptions>();
    cmd->add_option("FILE", o->Files, "KL1, KL2 or KL3 files (up to 3)")->required()->expected(1, 3);
    cmd->add_option("--scale", o->Scale, "Time scale 0..19 (default 7: 10 ms per pixel)")
        ->check(CLI::Range(0, TimeScaleCount - 1));
    cmd->add_option("--param", o->Parameter, "Display parameter 0..9 (default 3: SPL)")
        ->check(CLI::Range(0, param::Count - 1));
    cmd->add_option("--start", o->Start, "Time at the screen's left edge, dd/mm/yyyy hh:mm[:ss.ffffff]");
    cmd->add_option("--width", o->Width, "Width of the window's client area (default 1200)")
        ->check(CLI::Range(200, 10'000));
    cmd->add_option("--height", o->Height, "Height of the window's client area (default 800)")
        ->check(CLI::Range(300, 10'000));
    cmd->add_flag("--white", o->White, "White screen (black frame) instead of black");
    cmd->add_flag("--no-angle", o->NoAngle, "No room for the tilt marks above the bands");
    cmd->add_flag("--temperature", o->Temperature, "Tick \"temperature\"");
    cmd->add_flag("--distance", o->Distance, "Finest scales labelled in metres sound travels, not in ms");
    cmd->add_flag("--pa", o->SplAsPa, "Tick \"show SPL as Pa\"");
    cmd->add_flag("--colour-codes", o->ColourCodes, "Draw the frequency colour codes over the screen");
    cmd->add_option("--yscale", o->YScale, "The \"Y scale\" box (default 2.0)");
    cmd->add_option("-o,--output", o->Output, "The PNG file to write")->required();
    cmd->add_option("--wav", o->Wav, "Also write the sound of the screen's clicks into this WAV file");
    cmd->add_option("--sound-file", o->SoundFile, "The file (1..3) whose clicks sound with --wav")
        ->check(CLI::Range(1, SlotCount));
    AddFilterOptions(cmd, o->Filters);
    cmd->callback([&ctx, o] { ctx.exitCode = RunRender(ctx, *o); });
});

} // namespace
} // namespace kelp::cli
