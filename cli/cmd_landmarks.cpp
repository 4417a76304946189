// kelp-cli landmarks: "Mark landmark sequences" in KL3 files.
#include <memory>

#include "cli/registry.h"
#include "core/slots.h"
#include "tda/landmarks.h"

namespace kelp::cli {
namespace {

struct LandmarksArguments {
    std::vector<std::string> Files;
    bool RefreshMaps = false;
};

// Each file is opened alone in slot 1 and marked, so that any number of files can be given.
int RunLandmarks(Context& ctx, const LandmarksArguments& a) {
    ctx.program.Options.RefreshMapFiles = a.RefreshMaps;
    int status = ExitSuccess;
    for (const std::string& file : a.Files) {
        if (!OpenDataFile(ctx.program, ctx.host, file, 1)) {
            status = ExitFailure;
            continue;
        }
        if (!MarkLandmarkSequences(ctx.program, ctx.host)) status = ExitFailure;
        CloseDataFile(ctx.program, ctx.host, 1);
    }
    return status;
}

CommandRegistrar landmarksCommands(66, [](CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("landmarks", "Mark landmark sequences in KL3 files");
    cmd->footer("Writes each minute's landmark mark (1..40, 20 for none) into byte 18 of its minute marker\n"
                "and sets header byte 4 bit 0, in place; nothing else in the file changes. The exit status\n"
                "is 1 when a file is not a KL3 file or could not be read or written to its end.");
    auto a = std::make_shared<LandmarksArguments>();
    cmd->add_option("FILE", a->Files, "KL3 files")->required();
    cmd->add_flag("--refresh-maps", a->RefreshMaps, "Scan the files anew instead of loading their map files");
    cmd->callback([&ctx, a] { ctx.exitCode = RunLandmarks(ctx, *a); });
});

} // namespace
} // namespace kelp::cli
