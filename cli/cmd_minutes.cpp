// kelp-cli minutes: "Minute summaries" of one file over a span, on stdout (the Results page).
#include <memory>
#include <optional>

#include "cli/filter_options.h"
#include "cli/registry.h"
#include "core/slots.h"
#include "export/batch_page.h"
#include "export/minute_listings.h"

namespace kelp::cli {
namespace {

constexpr const char* MinutesHelp =
    R"(One line per minute from --from to --to (default: the whole file): the minute, the logger's
angle in degrees and the temperature; for KL3 files also the last click time in the minute
(1/183 minute), the time lost of the minute before in per cent, the clicks logged and the
clicks of Hi, Mod, Lo and ? trains since the line before. Times are dd/mm/yyyy hh:mm[:ss],
yyyy-mm-dd hh:mm or minute numbers. The file name line is left out with --omit-header.)";

std::optional<ClickTime> ParseTime(const std::string& text) {
    if (auto t = ParseDateTimeText(text)) return t;
    if (auto m = ParseIsoMinute(text)) return ClickTime{*m, 0};
    try {
        std::size_t used = 0;
        const long minute = std::stol(text, &used);
        if (used == text.size()) return ClickTime{static_cast<MinuteNumber>(minute), 0};
    } catch (...) {
    }
    return std::nullopt;
}

struct MinutesArguments {
    std::string File;
    std::string From;
    std::string To;
    bool OmitHeader = false;
    FilterOptions Filters;
};

int RunMinutes(Context& ctx, const MinutesArguments& a) {
    Program& p = ctx.program;
    std::optional<ClickTime> from, to;
    if (!a.From.empty() && !(from = ParseTime(a.From))) {
        *ctx.err << "--from: not a time: " << a.From << '\n';
        return ExitUsage;
    }
    if (!a.To.empty() && !(to = ParseTime(a.To))) {
        *ctx.err << "--to: not a time: " << a.To << '\n';
        return ExitUsage;
    }
    if (!ApplyFilterOptions(a.Filters, p, ctx.host)) return ExitUsage;
    BatchPageOf(p).OmitSpreadsheetHeaders = a.OmitHeader;
    if (!OpenDataFile(p, ctx.host, a.File, 1)) return ExitFailure;
    const FileSlot& s = p.Slot(1);
    if (!from) from = ClickTime{s.ActiveStart, 0};
    if (!to) to = ClickTime{s.ActiveEnd + 1, 0};
    ExportRawFileBtnClick(p, ctx.host, 1, *from, *to);
    CloseAllFiles(p, ctx.host);
    if (StoppedByUser(ctx)) return ExitFailure;
    PrintResults(ctx);
    return ExitSuccess;
}

CommandRegistrar minutesCommands(73, [](CLI::App& app, Context& ctx) {
    auto* cmd =
        app.add_subcommand("minutes", "Minute summaries: conditions and class counts of every minute");
    cmd->footer(MinutesHelp);
    auto a = std::make_shared<MinutesArguments>();
    cmd->add_option("FILE", a->File, "A KL1, KL2 or KL3 file")->required();
    cmd->add_option("--from", a->From, "First time listed");
    cmd->add_option("--to", a->To, "Time the listing ends before");
    cmd->add_flag("--omit-header", a->OmitHeader, "Leave out the file name line");
    AddFilterOptions(cmd, a->Filters);
    cmd->callback([&ctx, a] { ctx.exitCode = RunMinutes(ctx, *a); });
});

} // namespace
} // namespace kelp::cli
