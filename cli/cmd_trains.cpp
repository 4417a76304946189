// kelp-cli trains: the train detection over KL1 files (clusters, then trains) and KL2
// files (trains only), one results line per file on stdout.
#include <memory>
#include <optional>

#include "cli/filter_options.h"
#include "cli/registry.h"
#include "tda/core_budget.h"
#include "tda/tda_settings.h"
#include "tda/train_batch.h"

namespace kelp::cli {
namespace {

constexpr const char* TrainsHelp =
    R"(Each KL1 file runs the cluster finder and then the train detection; its KL2 file (and
map) is deleted afterwards unless --keep-kl2 or --dev is given. Each KL2 file runs the train
detection alone and is kept. Any other file is skipped with "Not *.KL1"; a file below 400 bytes
with "<400 bytes". The KL3 file is written next to its input.
stdout: the results page: the header line, then one line per file in the order given
(file, start, end, days, mins, allClx, Hi, Mod, Lo, ?, Porp, Dol, Cet ?sp, unclass, Sonar).
stderr: messages, then the batch's closing lines ("Files processed<TAB>n/m").
--threads N searches the minutes of one file on N threads (default: the machine's cores) and
--jobs N processes N files at once; the output is the same with any number of either. Together
they never keep more than the machine's cores busy: files and minutes share them.
Exit status 1 when a file could not be processed.)";

struct TrainsArgs {
    std::vector<std::string> Files;
    bool KeepKL2 = false;
    bool Development = false;
    std::optional<int> MinuteLimit;
    std::optional<int> SplMin;
    std::optional<int> NcycMin;
    std::optional<int> kHzMax;
    bool NoSpeciesSplit = false;
    int Jobs = 1;
    int Threads = MachineCores();
};

int RunTrains(Context& ctx, const TrainsArgs& args) {
    Program& p = ctx.program;
    p.Options.DevelopmentMode = args.Development;
    InstallRegisteredGains(p);
    TdaSettings& settings = TdaSettingsOf(p);
    if (args.MinuteLimit) settings.TDAMinLim.Set(std::to_string(*args.MinuteLimit));
    if (args.SplMin) settings.TdaSPLmin.Set(std::to_string(*args.SplMin));
    if (args.NcycMin) settings.TdaNcycMin.Set(std::to_string(*args.NcycMin));
    if (args.kHzMax) settings.TDAkHz.Set(std::to_string(*args.kHzMax));
    settings.NoSpeciesSplit = args.NoSpeciesSplit;

    TrainBatchOptions options;
    options.Kind = TrainBatchKind::ByExtension;
    options.KeepKL2 = args.KeepKL2;
    options.Jobs = args.Jobs;
    options.Threads = args.Threads;
    options.Isolated = true;
    const TrainBatchResult result = RunTrainBatch(p, ctx.host, args.Files, options);
    PrintResults(ctx);
    for (const auto& line : p.SourceBox) *ctx.err << line << '\n';
    return result.Failed > 0 ? ExitFailure : ExitSuccess;
}

CommandRegistrar trainsCommands(60, [](CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("trains", "Find click trains: KL1 or KL2 files to KL3 files");
    cmd->footer(TrainsHelp);
    auto args = std::make_shared<TrainsArgs>();
    cmd->add_option("FILE", args->Files, "KL1 or KL2 files")->required();
    cmd->add_flag("--keep-kl2", args->KeepKL2, "Keep the KL2 files made from KL1 files");
    cmd->add_flag("--dev", args->Development, "Development mode (KL2 files are kept)");
    cmd->add_option("--minute-limit", args->MinuteLimit, "\"Min limit\": clicks per minute (0: no limit)")
        ->check(CLI::NonNegativeNumber);
    cmd->add_option("--spl-min", args->SplMin, "\"SPL\": minimum SPL of the clicks clustered")
        ->check(CLI::NonNegativeNumber);
    cmd->add_option("--ncyc-min", args->NcycMin, "Minimum cycles of the clicks clustered")
        ->check(CLI::NonNegativeNumber);
    cmd->add_option("--khz-max", args->kHzMax, "\"kHz<\": maximum kHz of the clicks clustered (0: 170)")
        ->check(CLI::NonNegativeNumber);
    cmd->add_flag("--no-species-split", args->NoSpeciesSplit, "Do not distinguish cetacean species");
    cmd->add_option("--jobs", args->Jobs, "Files processed at once")
        ->check(CLI::Range(1, 256))
        ->capture_default_str();
    cmd->add_option("--threads", args->Threads, "Threads that search the minutes of one file")
        ->check(CLI::Range(1, 256))
        ->capture_default_str();
    cmd->callback([&ctx, args] { ctx.exitCode = RunTrains(ctx, *args); });
});

} // namespace
} // namespace kelp::cli
