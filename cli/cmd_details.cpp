// kelp-cli details: the train details export of a batch of KL3 files, brief or full.
#include <memory>

#include "cli/filter_options.h"
#include "cli/registry.h"
#include "export/train_details.h"

namespace kelp::cli {
namespace {

constexpr const char* DetailsHelp =
    R"(One line per click train per minute, for every KL3 file given (other files are skipped
silently), under the filters (default: the Hi and Mod trains of every species) and within each
file's saved endpoints with --use-endpoints. A train's line also ends where it pauses for more
than 16 of its latest intervals. A line of a train with 4 clicks or fewer holds the file, train
number, time and minute and a tab. Brief: 16 columns (File, Trn N, Time, Min, SpClass, TrClass,
Start, TrDur_us, NofClx, avICI_us, avF, avSPL, MaxSPL, MaxICI_us, MinICI_us, MMM); --full: 34
columns (see docs/exports.md). Prints the name written.)";

struct DetailsArguments {
    std::vector<std::string> Files;
    bool Full = false;
    std::string Output;
    FilterOptions Filters;
};

int RunDetails(Context& ctx, const DetailsArguments& a) {
    Program& p = ctx.program;
    if (!ApplyFilterOptions(a.Filters, p, ctx.host)) return ExitUsage;
    if (a.Full) p.Options.DevelopmentMode = true; // the full form is a development-mode export
    ctx.host.OpenAnswers = {a.Files};
    ctx.host.SaveAnswers = {a.Output};
    if (!ExportTrainDetailBtnClick(p, ctx.host, a.Full)) return ExitFailure;
    *ctx.out << a.Output << '\n';
    return ExitSuccess;
}

CommandRegistrar detailsCommands(71, [](CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("details", "Export train details: one line per train per minute");
    cmd->footer(DetailsHelp);
    auto a = std::make_shared<DetailsArguments>();
    cmd->add_option("FILE", a->Files, "KL3 files")->required();
    cmd->add_flag("--full", a->Full, "The full form (34 columns) instead of the brief one (16)");
    cmd->add_option("-o,--output", a->Output, "Output text file")->required();
    AddFilterOptions(cmd, a->Filters);
    cmd->callback([&ctx, a] { ctx.exitCode = RunDetails(ctx, *a); });
});

} // namespace
} // namespace kelp::cli
