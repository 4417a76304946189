// kelp-cli species: the species edit of the train of one click, as the display's pointer
// menu does it.
#include <map>
#include <memory>

#include "cli/registry.h"
#include "core/slots.h"
#include "tda/train_class_edit.h"

namespace kelp::cli {
namespace {

struct SpeciesArguments {
    std::string File;
    std::string At;
    std::string Set;
    bool Apostrophe = false;
};

const std::map<std::string, SpeciesEdit>& EditNames() {
    static const std::map<std::string, SpeciesEdit> names{{"unknown", SpeciesEdit::RemoveClass},
                                                          {"dolphin", SpeciesEdit::SetDolphin},
                                                          {"porpoise", SpeciesEdit::SetPorpoise}};
    return names;
}

int RunSpecies(Context& ctx, const SpeciesArguments& a) {
    if (FileKindFromName(a.File) != FileKind::KL3) {
        *ctx.err << "species: " << a.File << " is not a KL3 file\n";
        return ExitUsage;
    }
    const std::optional<ClickTime> at = ParseDateTimeText(a.At);
    if (!at) {
        *ctx.err << "species: --at must be dd/mm/yyyy hh:mm:ss.ffffff\n";
        return ExitUsage;
    }
    const auto edit = EditNames().find(a.Set);
    if (edit == EditNames().end()) {
        *ctx.err << "species: --set must be unknown, dolphin or porpoise\n";
        return ExitUsage;
    }
    ctx.program.Options.ApostropheBeforeTimes = a.Apostrophe;
    // Every train click can be pointed at: no filter hides any.
    ctx.program.Clicks.Ignore = true;
    if (!OpenDataFile(ctx.program, ctx.host, a.File, 1)) return ExitFailure;
    const bool edited = EditTrainSpecies(ctx.program, ctx.host, 1, *at, edit->second);
    CloseDataFile(ctx.program, ctx.host, 1);
    PrintResults(ctx);
    return edited ? ExitSuccess : ExitFailure;
}

CommandRegistrar trainClassCommands(67, [](CLI::App& app, Context& ctx) {
    auto* cmd =
        app.add_subcommand("species", "Set the species class of the train of one click in a KL3 file");
    cmd->footer("The click at --at (as kelp-cli clicks lists its time) and the later clicks of its train in\n"
                "the same minute get the new species class, in place; their quality classes and interval\n"
                "flags stay. Prints the results lines of the edit.");
    auto a = std::make_shared<SpeciesArguments>();
    cmd->add_option("FILE", a->File, "KL3 file")->required();
    cmd->add_option("--at", a->At, "Time of the click: \"dd/mm/yyyy hh:mm:ss.ffffff\"")->required();
    cmd->add_option("--set", a->Set, "New species class: unknown, dolphin or porpoise")->required();
    cmd->add_flag("--apostrophe", a->Apostrophe, "Put ' in front of the date and time (for spreadsheets)");
    cmd->callback([&ctx, a] { ctx.exitCode = RunSpecies(ctx, *a); });
});

} // namespace
} // namespace kelp::cli
