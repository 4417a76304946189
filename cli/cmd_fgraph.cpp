// kelp-cli fgraph: the frequency graph of one screen of up to three files: the
// distribution of one click value over the screen's time span, band by band.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/frequency_graph.h"
#include "cli/cmd_analyse_screen.h"
#include "cli/filter_options.h"

namespace kelp::cli {
namespace {

struct FgraphOptions {
    std::vector<std::string> Files;
    std::string Type = "khz";
    std::string Start;
    int Scale = DefaultTimeScale;
    bool NoSmooth = false;
    bool Results = false;
    bool Development = false;
    bool SplAsPa = false;
    std::string Png;
    FilterOptions Filters;
};

const std::map<std::string, FrequencyGraphType>& TypeNames() {
    static const std::map<std::string, FrequencyGraphType> names = {
        {"khz", FrequencyGraphType::kHz},       {"dur", FrequencyGraphType::Dur},
        {"spl", FrequencyGraphType::Spl},       {"slope1", FrequencyGraphType::Slope1},
        {"slope2", FrequencyGraphType::Slope2}, {"bw", FrequencyGraphType::Bw},
        {"endkhz", FrequencyGraphType::EndkHz}};
    return names;
}

int RunFgraph(Context& ctx, const FgraphOptions& o) {
    std::optional<ClickTime> start;
    if (!o.Start.empty() && !(start = ParseDateTimeText(o.Start))) {
        *ctx.err << "--start: not a time of the form dd/mm/yyyy hh:mm[:ss.ffffff]: " << o.Start << '\n';
        return ExitUsage;
    }
    if (!o.Results && o.Png.empty()) {
        *ctx.err << "nothing to show: give --results, --png or both\n";
        return ExitUsage;
    }
    if (!ApplyFilterOptions(o.Filters, ctx.program, ctx.host)) return ExitUsage;
    ctx.program.Options.DevelopmentMode = o.Development;
    ctx.program.Options.ShowSplAsPa = o.SplAsPa;

    AnalysisScreen screen(ctx, !o.Png.empty());
    if (!screen.Open(o.Files, o.Scale)) return ExitFailure;
    DisplayContext& display = screen.Display();
    AnalysisPage& page = AnalysisPageOf(ctx.program);
    page.Options.GraphType = TypeNames().at(o.Type);
    page.Options.SmoothFGraph = !o.NoSmooth;
    page.Options.ValuesInResults = o.Results;
    // The graph covers the screen that starts at --start: [ReadPosition - span, ReadPosition].
    const ClickTime from = start ? *start : ClickTime{ctx.program.SharedStart, 0};
    display.state.ReadPosition = AddDisplayTime(from, display.state.Span);
    ShowFrequencyGraph(display);
    PrintResults(ctx);
    if (!o.Png.empty() && !screen.Save(o.Png)) return ExitFailure;
    return ExitSuccess;
}

CommandRegistrar fgraphCommands(71, [](CLI::App& app, Context& ctx) {
    auto* cmd =
        app.add_subcommand("fgraph", "Frequency graph: the distribution of a click value on one screen");
    cmd->footer("Opens the files into slots 1, 2 and 3 and counts, for each, one click value in 256 bins\n"
                "over the screen that starts at --start (default: the start of the shared range) at the\n"
                "time scale --scale (0..19, as kelp-cli render). kHz is weighted by the clicks'\n"
                "amplitudes; the counts are smoothed over five bins unless --no-smooth (end kHz never is).\n"
                "--results lists the 256 bins of every file; --png draws the graph over the display.");
    auto o = std::make_shared<FgraphOptions>();
    cmd->add_option("FILE", o->Files, "KL1, KL2 or KL3 files (up to 3)")->required()->expected(1, 3);
    std::vector<std::string> types;
    for (const auto& [name, type] : TypeNames()) types.push_back(name);
    cmd->add_option("--type", o->Type, "khz, dur, spl, slope1, slope2, bw or endkhz (default khz)")
        ->check(CLI::IsMember(types));
    cmd->add_option("--start", o->Start, "Time at the screen's left edge, dd/mm/yyyy hh:mm[:ss.ffffff]");
    cmd->add_option("--scale", o->Scale, "Time scale 0..19 (default 7: 10 ms per pixel)")
        ->check(CLI::Range(0, TimeScaleCount - 1));
    cmd->add_flag("--no-smooth", o->NoSmooth, "Untick \"smooth F graph\"");
    cmd->add_flag("--results", o->Results, "\"put graph && auto-correlation values into Results\"");
    cmd->add_flag("--development", o->Development, "Development mode: the distribution's statistics too");
    cmd->add_flag("--pa", o->SplAsPa, "Tick \"show SPL as Pa\" (kHz weighted by pascals)");
    cmd->add_option("--png", o->Png, "Write the display with the graph into this PNG file");
    AddFilterOptions(cmd, o->Filters);
    cmd->callback([&ctx, o] { ctx.exitCode = RunFgraph(ctx, *o); });
});

} // namespace
} // namespace kelp::cli
