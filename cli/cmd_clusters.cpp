// kelp-cli clusters: the first stage of train detection, KL1 to KL2, for each file given.
#include <memory>

#include "cli/registry.h"
#include "core/slots.h"
#include "tda/cluster_file.h"
#include "tda/tda_settings.h"

namespace kelp::cli {
namespace {

struct ClustersArguments {
    std::vector<std::string> Files;
    std::string SplMin;
    std::string NcycMin;
    std::string kHzMax;
    std::string MinuteLimit;
    bool Development = false;
    int Version = 1;
    std::string FusionGap;
};

// Puts an option's text into its settings box; false (with a message) when it does not parse.
bool TakeBox(Context& ctx, TdaEntry& box, const std::string& text, const char* option) {
    if (text.empty() || box.Set(text)) return true;
    *ctx.err << "clusters: " << option << " must be a whole number\n";
    return false;
}

int RunClusters(Context& ctx, const ClustersArguments& a) {
    TdaSettings& settings = TdaSettingsOf(ctx.program);
    if (!TakeBox(ctx, settings.TdaSPLmin, a.SplMin, "--spl-min") ||
        !TakeBox(ctx, settings.TdaNcycMin, a.NcycMin, "--ncyc-min") ||
        !TakeBox(ctx, settings.TDAkHz, a.kHzMax, "--khz-max") ||
        !TakeBox(ctx, settings.TDAMinLim, a.MinuteLimit, "--minute-limit") ||
        !TakeBox(ctx, settings.InitialFusionGap, a.FusionGap, "--fusion-gap"))
        return ExitUsage;
    if (a.Version != 1 && a.Version != 2) {
        *ctx.err << "clusters: --tda-version is 1 or 2\n";
        return ExitUsage;
    }
    if (a.Version == 2 && !a.Development) {
        *ctx.err << "clusters: version 2 runs only in development mode (--dev)\n";
        return ExitUsage;
    }
    ctx.program.Options.DevelopmentMode = a.Development;
    settings.TrainFilterVersion = a.Version;
    // As in a batch: the KL2 file is not opened for display afterwards.
    ctx.program.Options.BatchRunning = true;

    int status = ExitSuccess;
    for (const std::string& file : a.Files) {
        CloseAllFiles(ctx.program, ctx.host);
        if (!OpenDataFile(ctx.program, ctx.host, file, 1)) {
            status = ExitFailure;
            continue;
        }
        ClusterRunSummary run;
        MakeClusterFile(ctx.program, ctx.host, &run);
        CloseAllFiles(ctx.program, ctx.host);
        if (run.Name.empty() || run.InputDamaged) status = ExitFailure;
        if (run.Name.empty()) continue;
        *ctx.out << run.Name << '\t' << run.Minutes << '\t' << run.Clicks << '\t' << run.Records << '\t'
                 << run.Clusters << '\n';
    }
    return status;
}

CommandRegistrar clustersCommands(60, [](CLI::App& app, Context& ctx) {
    auto* cmd =
        app.add_subcommand("clusters", "Find click clusters and bands: write FILE.KL2 for each FILE.KL1");
    cmd->footer(
        "Writes FILE.KL2 next to each KL1 file (and FILE.k2m when the KL1 file is larger than\n"
        "12,000,000 bytes). Prints one line per file written: the KL2 name, minutes, KL1 clicks read,\n"
        "KL2 records written and cluster summary records, tab-separated. The pre-filter is on when\n"
        "--spl-min or --ncyc-min is above 1 or --minute-limit above 0; --khz-max (0: 170) applies\n"
        "only then. Exit status 1 when a file could not be processed or its data ended damaged.");
    auto a = std::make_shared<ClustersArguments>();
    cmd->add_option("FILE", a->Files, "KL1 files")->required();
    cmd->add_option("--spl-min", a->SplMin, "Minimum SPL of the clicks clustered (\"SPL\", default 0)");
    cmd->add_option("--ncyc-min", a->NcycMin, "Minimum cycles (\"Duration cycles\", default 0)");
    cmd->add_option("--khz-max", a->kHzMax, "Maximum kHz (\"kHz<\", default 0 meaning 170)");
    cmd->add_option("--minute-limit", a->MinuteLimit,
                    "Clicks kept per minute (\"Min limit\", default 0: all)");
    cmd->add_flag("--dev", a->Development, "Development mode");
    cmd->add_option("--tda-version", a->Version, "Train detection version 1 or 2 (2 needs --dev)");
    cmd->add_option("--fusion-gap", a->FusionGap, "Version 2: initial fusion gap in ticks (default 100)");
    cmd->callback([&ctx, a] { ctx.exitCode = RunClusters(ctx, *a); });
});

} // namespace
} // namespace kelp::cli
