// kelp-cli correlate: the cross-correlation of the click counts of two KL3 files, or the
// auto-correlation of one file, in bins of a display time scale; the values as the
// Results lines and the graph as a PNG picture of the display.

#include <memory>
#include <string>
#include <vector>

#include "analysis/analysis_page.h"
#include "analysis/correlation.h"
#include "cli/cmd_analyse_screen.h"
#include "cli/filter_options.h"

namespace kelp::cli {
namespace {

struct CorrelateOptions {
    std::vector<std::string> Files;
    int Scale = FirstCorrelationScale;
    std::string Png;
    FilterOptions Filters;
};

int RunCorrelate(Context& ctx, const CorrelateOptions& o, bool cross) {
    if (!ApplyFilterOptions(o.Filters, ctx.program, ctx.host)) return ExitUsage;
    AnalysisScreen screen(ctx, !o.Png.empty());
    if (!screen.Open(o.Files, o.Scale)) return ExitFailure;
    AnalysisPageOf(ctx.program).Options.ValuesInResults = true;
    const CorrelationOutcome outcome =
        cross ? DoCrossCorrelation(screen.Display()) : DoAutocorrelation(screen.Display());
    if (!outcome.Done) return ExitFailure;
    PrintResults(ctx);
    if (!o.Png.empty() && !screen.Save(o.Png)) return ExitFailure;
    return ExitSuccess;
}

void AddCommon(CLI::App* cmd, CorrelateOptions& o) {
    cmd->add_option("--scale", o.Scale,
                    "Time scale of the bins: 11 1min, 12 5min, 13 30min, 14 1hr, 15 tide (93 min), 16 6hr; "
                    "any other scale is taken as 11")
        ->check(CLI::Range(0, TimeScaleCount - 1));
    cmd->add_option("--png", o.Png, "Write the display with the graph into this PNG file");
    AddFilterOptions(cmd, o.Filters);
}

CommandRegistrar correlateCommands(72, [](CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("correlate", "Cross- or auto-correlation of binned click counts");
    cmd->require_subcommand(1);

    auto* cross = cmd->add_subcommand("cross", "Cross-correlation of two KL3 files (files 1 and 2)");
    cross->footer("Bins the clicks of both files over the time both cover, takes three-bin rolling sums and\n"
                  "correlates them at offsets of up to 120 bins either way. Prints the Results lines: the\n"
                  "files, the range, the bin size, the significance level, the offset and value of the\n"
                  "peak and the value at every offset computed.");
    auto c = std::make_shared<CorrelateOptions>();
    cross->add_option("FILE", c->Files, "Two KL3 files")->required()->expected(2);
    AddCommon(cross, *c);
    cross->callback([&ctx, c] { ctx.exitCode = RunCorrelate(ctx, *c, true); });

    auto* autoCmd = app.get_subcommand("correlate")->add_subcommand("auto", "Auto-correlation of one file");
    autoCmd->footer(
        "Bins the clicks of FILE over its range, takes three-bin rolling sums and correlates the\n"
        "series with itself at lags of up to a fifth of its length (at most 1,000 bins). Prints\n"
        "the Results lines: the encounter duration (the first lag below the significance\n"
        "level), the range, the bin size and the value at every lag; '#' marks the first value\n"
        "below the level.");
    auto a = std::make_shared<CorrelateOptions>();
    autoCmd->add_option("FILE", a->Files, "KL1, KL2 or KL3 file")->required()->expected(1);
    AddCommon(autoCmd, *a);
    autoCmd->callback([&ctx, a] { ctx.exitCode = RunCorrelate(ctx, *a, false); });
});

} // namespace
} // namespace kelp::cli
