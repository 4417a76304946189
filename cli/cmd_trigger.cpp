// kelp-cli trigger: replays recorded KL1 or KL2 files through the logger's trigger
// rule ("Test trigger") or the rising-amplitude rule ("Test FWC trigger").
#include <memory>
#include <optional>

#include "cli/filter_options.h"
#include "cli/registry.h"
#include "core/slots.h"
#include "settings/settings_page.h"
#include "settings/trigger_test.h"

namespace kelp::cli {
namespace {

constexpr const char* TriggerHelp =
    R"(Without --fwc: the trigger settings (defaults as on the Settings page: SPL 200, kHz start 100,
kHz end 80, min cycles 3) become the minimum amplitude, frequency and duration of the click
filters; every minute with more than 20 passing clicks that end below "kHz end" is listed by the
time at which it ends, at most until the results reach 100 lines. The summary goes to stderr.
With --fwc N (one file): one line per minute, "minute-number<TAB>300 or 0<TAB>clicks", 300 when
the minute held a run of clicks within 250 ms of each other whose amplitude rose twice by nearly
equal steps above N.)";

struct TriggerOptions {
    std::vector<std::string> files;
    std::optional<int> spl, kHzStart, kHzEnd, minCycles, fwc;
    bool apostrophe = false;
    FilterOptions filters;
};

bool SetTriggerBox(Context& ctx, SettingsBox box, const std::optional<int>& value, const char* option) {
    if (!value) return true;
    const std::string text = std::to_string(*value);
    if (!ParseSettingsBoxText(box, text)) {
        *ctx.err << option << ": " << text << " is not accepted (" << InfoOf(box).Min << ".."
                 << InfoOf(box).Max << ")\n";
        return false;
    }
    SettingsBoxChange(ctx.program, box, text);
    return true;
}

int RunTrigger(Context& ctx, const TriggerOptions& o) {
    if (!ApplyFilterOptions(o.filters, ctx.program, ctx.host)) return ExitUsage;
    ctx.program.Options.ApostropheBeforeTimes = o.apostrophe;
    if (o.fwc) {
        if (o.files.size() != 1) {
            *ctx.err << "--fwc takes exactly one file\n";
            return ExitUsage;
        }
        FWCBoxChange(ctx.program, std::to_string(*o.fwc));
        if (!OpenDataFile(ctx.program, ctx.host, o.files.front(), 1)) return ExitFailure;
        ctx.host.Results().Clear(); // only the trigger's lines
        const bool ok = TestFWCtriggerClick(ctx.program, ctx.host);
        PrintResults(ctx);
        return ok ? ExitSuccess : ExitFailure;
    }
    if (!SetTriggerBox(ctx, SettingsBox::TriggerSPL, o.spl, "--spl") ||
        !SetTriggerBox(ctx, SettingsBox::TriggerkHzStart, o.kHzStart, "--khz-start") ||
        !SetTriggerBox(ctx, SettingsBox::TriggerkHzEnd, o.kHzEnd, "--khz-end") ||
        !SetTriggerBox(ctx, SettingsBox::TriggerMinCycles, o.minCycles, "--min-cycles"))
        return ExitUsage;
    const int processed = TestTriggerOnFiles(ctx.program, ctx.host, o.files);
    PrintResults(ctx);
    for (const auto& line : ctx.program.SourceBox) *ctx.err << line << '\n';
    return processed > 0 ? ExitSuccess : ExitFailure;
}

CommandRegistrar triggerCommands(55, [](CLI::App& app, Context& ctx) {
    auto o = std::make_shared<TriggerOptions>();
    auto* cmd = app.add_subcommand("trigger", "Test a trigger rule on recorded KL1 or KL2 files");
    cmd->footer(TriggerHelp);
    cmd->add_option("FILE", o->files, "KL1 or KL2 files")->required();
    auto add = [&](const char* name, std::optional<int>& target, const char* help) {
        cmd->add_option_function<int>(
            name, [&target](const int& v) { target = v; }, help);
    };
    add("--spl", o->spl, "Trigger \"SPL\": the least amplitude of a counted click");
    add("--khz-start", o->kHzStart, "Trigger \"kHz start\": the least frequency of a counted click");
    add("--khz-end", o->kHzEnd, "Trigger \"kHz end\": counted clicks end below this frequency");
    add("--min-cycles", o->minCycles, "Trigger \"Min cycles\": the least duration of a counted click");
    add("--fwc", o->fwc, "Run the FWC rule with this amplitude threshold instead (one file)");
    cmd->add_flag("--apostrophe", o->apostrophe, "Put ' in front of listed date-times (for spreadsheets)");
    AddFilterOptions(cmd, o->filters);
    cmd->callback([&ctx, o] { ctx.exitCode = RunTrigger(ctx, *o); });
});

} // namespace
} // namespace kelp::cli
