// kelp-cli merge: the part files of a batch export joined into its one-file report.
#include <memory>

#include "cli/registry.h"
#include "export/batch_export.h"
#include "export/batch_parts.h"

namespace kelp::cli {
namespace {

constexpr const char* MergeHelp =
    R"(Joins the part files of a batch export (kelp-cli export --batch FILE --part N/COUNT -o PART,
one process per file) into the report that kelp-cli export --batch --one-file -o REPORT writes
for all the files at once, byte for byte, and prints what that export prints. The parts may be
given in any order; every part of the batch must be there, once, made with the same settings;
otherwise nothing is written. docs/cluster.md shows the whole road on a cluster.
Exit status 1 when the merge failed or a file of the batch could not be exported.)";

int RunMerge(Context& ctx, const std::vector<std::string>& parts, const std::string& output) {
    const BatchRunResult result = MergeBatchParts(ctx.host, parts, output);
    PrintResults(ctx);
    if (result.Failed > 0) *ctx.err << BatchFailureReport(result) << '\n';
    return result.Count > 0 && result.Ok() ? ExitSuccess : ExitFailure;
}

CommandRegistrar mergeCommands(75, [](CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("merge", "Join the part files of a batch export into its one-file report");
    cmd->footer(MergeHelp);
    auto parts = std::make_shared<std::vector<std::string>>();
    auto output = std::make_shared<std::string>();
    cmd->add_option("PART", *parts, "Part files (kelp-cli export --batch --part)")->required();
    cmd->add_option("-o,--output", *output, "The report file")->required();
    cmd->callback([&ctx, parts, output] { ctx.exitCode = RunMerge(ctx, *parts, *output); });
});

} // namespace
} // namespace kelp::cli
