// kelp-cli info: each file's "Session" and "Settings" texts, as the program shows them
// when the file is opened.
#include <memory>

#include "cli/filter_options.h"
#include "cli/registry.h"
#include "core/slots.h"
#include "settings/settings_page.h"

namespace kelp::cli {
namespace {

int RunInfo(Context& ctx, const std::vector<std::string>& files, bool development, const std::string& gains) {
    ctx.program.Options.DevelopmentMode = development;
    InstallRegisteredGains(ctx.program);
    if (!gains.empty() && !UseGainRegistry(ctx.program, ctx.host, gains)) return ExitFailure;
    int status = ExitSuccess;
    for (const std::string& file : files) {
        if (!OpenDataFile(ctx.program, ctx.host, file, 1)) {
            status = ExitFailure;
            continue;
        }
        const FileSlot& s = ctx.program.Slot(1);
        for (const auto& line : s.SessionText) *ctx.out << line << '\n';
        for (const auto& line : s.SettingsText) *ctx.out << line << '\n';
        CloseDataFile(ctx.program, ctx.host, 1);
    }
    return status;
}

CommandRegistrar infoCommands(20, [](CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("info", "Print each data file's Session and Settings texts");
    cmd->footer("Opens each file in turn (in slot 1, with the checks and repairs of opening) and prints its\n"
                "\"Session\" text and then its \"Settings\" text, one line per line. Messages go to stderr.");
    auto files = std::make_shared<std::vector<std::string>>();
    auto development = std::make_shared<bool>(false);
    auto gains = std::make_shared<std::string>();
    cmd->add_option("FILE", *files, "KL1, KL2 or KL3 files")->required();
    cmd->add_flag("--dev", *development, "Development mode: the extra settings lines");
    cmd->add_option("--gains", *gains,
                    "Registry file of logger gains over the built-in table (for the gain warning)");
    cmd->callback(
        [&ctx, files, development, gains] { ctx.exitCode = RunInfo(ctx, *files, *development, *gains); });
});

} // namespace
} // namespace kelp::cli
