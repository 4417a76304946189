// kelp-cli clicks: "Export click details" of one file, under the filters.
#include <memory>

#include "cli/filter_options.h"
#include "cli/registry.h"
#include "core/slots.h"
#include "export/click_details.h"

namespace kelp::cli {
namespace {

struct ClicksArguments {
    std::string File;
    std::string Output;
    FilterOptions Filters;
};

int RunClicks(Context& ctx, const ClicksArguments& a) {
    if (!ApplyFilterOptions(a.Filters, ctx.program, ctx.host)) return ExitUsage;
    if (!OpenDataFile(ctx.program, ctx.host, a.File, 1)) return ExitFailure;
    const bool written = WriteClickDetails(ctx.program, ctx.host, a.Output);
    CloseDataFile(ctx.program, ctx.host, 1);
    if (!written) return ExitFailure;
    *ctx.out << ClickDetailsFileName(a.Output) << '\n';
    return ExitSuccess;
}

CommandRegistrar clicksCommands(30, [](CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("clicks", "Export click details: every click that passes the filters");
    cmd->footer("Writes OUT (its extension made .txt): the file's name, the click filter and train filter\n"
                "descriptions, the column header and one tab-separated line per delivered click over the\n"
                "file's range (its saved endpoints with --use-endpoints). Prints the name written.");
    auto a = std::make_shared<ClicksArguments>();
    cmd->add_option("FILE", a->File, "KL1, KL2 or KL3 file")->required();
    cmd->add_option("-o,--output", a->Output, "Output text file")->required();
    AddFilterOptions(cmd, a->Filters);
    cmd->callback([&ctx, a] { ctx.exitCode = RunClicks(ctx, *a); });
});

} // namespace
} // namespace kelp::cli
