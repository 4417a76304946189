// kelp-cli list: the batch summaries and file lists of the "Export" page over any number of
// files, one line per file on stdout (the Results page).
#include <memory>
#include <optional>

#include "cli/filter_options.h"
#include "cli/registry.h"
#include "core/endpoints.h"
#include "export/batch_jobs.h"
#include "export/batch_lists.h"
#include "export/batch_page.h"
#include "export/noise_summary.h"

namespace kelp::cli {
namespace {

constexpr const char* ListHelp =
    R"(noise:    "Batch detection and noise summaries": per KL3 file (each name is taken with the
          extension .KL3) the days, whole hours and minutes ON, all clicks, % above 120 kHz, noisy
          hours (more than --threshold clicks before the hour's first Mod+ click, default 100000),
          truncated minutes, % time lost, and % DPM, DP10M and DPH of porpoise-like (all and
          Mod+) and Mod+ dolphin clicks over complete ten-minute blocks and clock hours; every
          click counts, the filters are ignored.
files:    "List files": name, logger, start and end as text and minute numbers, and without
          --use-endpoints the days, clicks, clicks per day and per hour.
settings: "List settings": the logger settings and deployment data of each file's header.
days:     "Tabulate days": logger-days on every calendar day from the earliest start to the
          latest end of the files.
A file that cannot be opened or read gives its error line and the list goes on; stderr ends
with "Done!  List is on the Results page" (noise: "Batch export completed") and the number of
files that failed. --jobs N reads N files at once; the output is the same, in the order given.
Exit status 1 when a file failed.)";

struct ListArguments {
    std::string What;
    std::vector<std::string> Files;
    std::optional<std::string> Threshold;
    bool UseEndpoints = false;
    bool RefreshMaps = false;
    int Jobs = 1;
};

int RunList(Context& ctx, const ListArguments& a) {
    Program& p = ctx.program;
    if (a.Threshold) {
        if (a.What != "noise") {
            *ctx.err << "--threshold applies to list noise only\n";
            return ExitUsage;
        }
        if (!EnterNoiseThreshold(BatchPageOf(p), *a.Threshold)) {
            *ctx.err << "--threshold: not a whole number of clicks: " << *a.Threshold << '\n';
            return ExitUsage;
        }
    }
    InstallRegisteredGains(p);
    if (a.UseEndpoints) SetUseEndpoints(p, ctx.host, true);
    p.Options.RefreshMapFiles = a.RefreshMaps;
    BatchRunResult result;
    if (a.What == "noise")
        result = ListNoise(p, ctx.host, a.Files, a.Jobs);
    else if (a.What == "files")
        result = ListFiles(p, ctx.host, a.Files, a.Jobs);
    else if (a.What == "settings")
        result = ListSettings(p, ctx.host, a.Files, a.Jobs);
    else
        result = TabulateDays(p, ctx.host, a.Files, a.Jobs);
    if (StoppedByUser(ctx)) return ExitFailure;
    PrintResults(ctx);
    for (const auto& line : p.SourceBox) *ctx.err << line << '\n';
    return result.Ok() ? ExitSuccess : ExitFailure;
}

CommandRegistrar listCommands(72, [](CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("list", "Batch summaries and file lists: noise, files, settings, days");
    cmd->footer(ListHelp);
    auto a = std::make_shared<ListArguments>();
    cmd->add_option("WHAT", a->What, "noise|files|settings|days")
        ->required()
        ->check(CLI::IsMember({"noise", "files", "settings", "days"}));
    cmd->add_option("FILE", a->Files, "Data files")->required();
    cmd->add_option("--threshold", a->Threshold, "noise: clicks that make an hour noisy (default 100000)");
    cmd->add_flag("--use-endpoints", a->UseEndpoints, "Use the files' saved endpoints");
    cmd->add_flag("--refresh-maps", a->RefreshMaps, "Rebuild map files instead of loading them");
    cmd->add_option("--jobs", a->Jobs, "Files read at once")
        ->check(CLI::Range(1, 256))
        ->capture_default_str();
    cmd->callback([&ctx, a] { ctx.exitCode = RunList(ctx, *a); });
});

} // namespace
} // namespace kelp::cli
