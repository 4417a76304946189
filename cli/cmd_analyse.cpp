// kelp-cli analyse: the "Analysis" page for one file: its figures as label TAB value lines,
// the text box, the Results lines asked for, and the page's graphs as one PNG picture.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "analysis/analysis_graphs.h"
#include "analysis/file_analysis.h"
#include "cli/filter_options.h"
#include "cli/registry.h"
#include "core/slots.h"
#include "render/image_canvas.h"

namespace kelp::cli {
namespace {

struct AnalyseOptions {
    std::string File;
    bool ClassTotals = false;
    bool Profile = false;
    bool NcycAndkHz = false;
    std::string Png;
    FilterOptions Filters;
};

int RunAnalyse(Context& ctx, const AnalyseOptions& o) {
    if (o.NcycAndkHz && !o.Profile) {
        *ctx.err << "--ncyc-khz goes with --profile\n";
        return ExitUsage;
    }
    if (!ApplyFilterOptions(o.Filters, ctx.program, ctx.host)) return ExitUsage;
    if (!OpenDataFile(ctx.program, ctx.host, o.File, 1)) return ExitFailure;

    AnalysisPage& page = AnalysisPageOf(ctx.program);
    page.Options.FileChoice = 1;
    page.Options.ClassTotalsInResults = o.ClassTotals;
    page.Options.TwoParamProfile = o.Profile;
    page.Options.NcycAndkHz = o.NcycAndkHz;
    AnalyzeButtonClick(ctx.program, ctx.host);
    if (!page.HasAnalysis) return ExitFailure;

    const AnalysisFigures& f = page.Figures;
    const std::pair<const char*, const std::string*> figures[] = {
        {"File", &f.FileLabel},
        {"Duration", &f.Duration},
        {"Acoustic", &f.AcousticDuration},
        {"Clicks", &f.Clicks},
        {"Per minute", &f.PerMinute},
        {"Per hour", &f.PerHour},
        {"Per day", &f.PerDay},
        {"1GB", &f.GigabyteLasts},
        {"Truncated", &f.Truncated},
        {"Click filters", &f.ClickFilters},
        {"Train filters", &f.TrainFilters},
        {"DPM", &f.DpmPerDay},
        {"Temperature", &f.MeanTemperature},
        {"Angle", &f.MeanAngle},
    };
    for (const auto& [label, value] : figures) *ctx.out << label << '\t' << *value << '\n';
    for (const std::string& line : page.TextBox) *ctx.out << line << '\n';
    PrintResults(ctx);

    if (!o.Png.empty()) {
        EnsureGuiApplication();
        ImageCanvas canvas(AnalysisPagePictureSize.Width, AnalysisPagePictureSize.Height);
        DrawAnalysisPage(canvas, page);
        std::string error;
        if (!canvas.SavePng(o.Png, &error)) {
            ctx.host.ShowTimedMessage(Message5s, o.Png + " could not be written.  (" + error + ")");
            return ExitFailure;
        }
    }
    return ExitSuccess;
}

CommandRegistrar analyseCommands(70, [](CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("analyse", "Analyse one file as the Analysis page does");
    cmd->footer("Reads FILE once over its range under the filters and prints the page's figures as\n"
                "label TAB value lines (File, Duration, Acoustic, Clicks, Per minute, Per hour, Per day,\n"
                "1GB, Truncated, Click filters, Train filters, DPM, Temperature, Angle; empty where the\n"
                "page shows nothing), then the page's text box, then the Results lines of --class-totals\n"
                "and --profile. --png draws the page's graphs and class bars into one picture.");
    auto o = std::make_shared<AnalyseOptions>();
    cmd->add_option("FILE", o->File, "KL1, KL2 or KL3 file")->required();
    cmd->add_flag("--class-totals", o->ClassTotals, "\"put class totals in Results\"");
    cmd->add_flag("--profile", o->Profile, "\"Two param profile\" (SPL rows, kHz columns)");
    cmd->add_flag("--ncyc-khz", o->NcycAndkHz, "\"+ncyc -kHz\": the profile by cycles and kHz");
    cmd->add_option("--png", o->Png, "Write the page's graphs into this PNG file");
    AddFilterOptions(cmd, o->Filters);
    cmd->callback([&ctx, o] { ctx.exitCode = RunAnalyse(ctx, *o); });
});

} // namespace
} // namespace kelp::cli
