// kelp-cli tad: "Export TAD mins", the minutes of one file with the click intervals of an
// acoustic alerting device, on stdout (the Results page).
#include <memory>

#include "cli/filter_options.h"
#include "cli/registry.h"
#include "core/slots.h"
#include "export/minute_listings.h"

namespace kelp::cli {
namespace {

constexpr const char* TadHelp =
    R"(Lists every minute of the file with more than two KL1 or KL2 clicks 96.5 to 103 ms after
the click before them in the minute (the first measured from the start of the minute): the
minute as text, as a minute number, and the count. The clicks are those of an alerting device
at 125 to 140 kHz: the frequency filter is 125-140 unless --freq gives another.)";

struct TadArguments {
    std::string File;
    FilterOptions Filters;
};

int RunTad(Context& ctx, TadArguments a) {
    Program& p = ctx.program;
    if (a.Filters.Frequency.empty()) a.Filters.Frequency = "125-140";
    if (!ApplyFilterOptions(a.Filters, p, ctx.host)) return ExitUsage;
    if (!OpenDataFile(p, ctx.host, a.File, 1)) return ExitFailure;
    ctx.host.YesNoAnswers = {true};
    ExportTADICIsbtnClick(p, ctx.host);
    CloseAllFiles(p, ctx.host);
    if (StoppedByUser(ctx)) return ExitFailure;
    PrintResults(ctx);
    return ExitSuccess;
}

CommandRegistrar tadCommands(74, [](CLI::App& app, Context& ctx) {
    auto* tad =
        app.add_subcommand("tad", "Export TAD mins: minutes with an alerting device's click intervals");
    tad->footer(TadHelp);
    auto t = std::make_shared<TadArguments>();
    tad->add_option("FILE", t->File, "A KL1 or KL2 file")->required();
    AddFilterOptions(tad, t->Filters);
    tad->callback([&ctx, t] { ctx.exitCode = RunTad(ctx, *t); });
});

} // namespace
} // namespace kelp::cli
