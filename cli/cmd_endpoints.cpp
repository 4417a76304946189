// kelp-cli endpoints: save a period as the endpoints of up to three files, or delete
// their saved endpoints.
#include <memory>

#include "cli/registry.h"
#include "core/endpoints.h"
#include "core/slots.h"

namespace kelp::cli {
namespace {

struct EndpointsArguments {
    std::vector<std::string> Files;
    std::vector<std::string> Save;
    bool Delete = false;
};

int RunEndpoints(Context& ctx, const EndpointsArguments& a) {
    if (a.Save.empty() == !a.Delete) {
        *ctx.err << "endpoints: give either --save FROM TO or --delete\n";
        return ExitUsage;
    }
    if (a.Files.size() > static_cast<std::size_t>(SlotCount)) {
        *ctx.err << "endpoints: at most 3 files can be open at once\n";
        return ExitUsage;
    }
    std::optional<ClickTime> from;
    std::optional<ClickTime> to;
    if (!a.Save.empty()) {
        from = ParseDateTimeText(a.Save[0]);
        to = ParseDateTimeText(a.Save[1]);
        if (!from || !to) {
            *ctx.err << "endpoints: FROM and TO must be dd/mm/yyyy hh:mm\n";
            return ExitUsage;
        }
        if (to->Minute < from->Minute) {
            *ctx.err << "endpoints: TO is before FROM\n";
            return ExitUsage;
        }
    }
    int slot = 0;
    for (const std::string& file : a.Files)
        if (!OpenDataFile(ctx.program, ctx.host, file, ++slot)) {
            CloseAllFiles(ctx.program, ctx.host);
            return ExitFailure;
        }
    const std::size_t messagesBefore = ctx.host.Messages.size();
    if (a.Delete) {
        DeleteSavedEndpoints(ctx.program, ctx.host);
    } else {
        // As a time selection on the display sets the shared range.
        ctx.program.SharedStart = from->Minute;
        ctx.program.SharedEnd = to->Minute;
        ctx.program.Options.TimeSelectionSet = true;
        SaveEndpoints(ctx.program, ctx.host);
    }
    const bool refused = ctx.host.Messages.size() != messagesBefore;
    ctx.program.Options.TimeSelectionSet = false;
    CloseAllFiles(ctx.program, ctx.host);
    return refused ? ExitFailure : ExitSuccess;
}

CommandRegistrar endpointsCommands(40, [](CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("endpoints", "Save or delete the endpoints of data files");
    cmd->footer("--save FROM TO (dd/mm/yyyy hh:mm each) writes the period as the saved endpoints of every\n"
                "file that covers it (a file that does not is left unchanged, with a message, and the exit\n"
                "status is 1). --delete puts each file's endpoints back to its full range.");
    auto a = std::make_shared<EndpointsArguments>();
    cmd->add_option("FILE", a->Files, "Up to three KL1, KL2 or KL3 files")->required();
    cmd->add_option("--save", a->Save, "Start and end of the period to save")->expected(2);
    cmd->add_flag("--delete", a->Delete, "Delete the saved endpoints");
    cmd->callback([&ctx, a] { ctx.exitCode = RunEndpoints(ctx, *a); });
});

} // namespace
} // namespace kelp::cli
