// kelp-cli export: the time-binned detection export ("Export data from:") of up to three
// files, to text files, to stdout (the Results page) or as a tidy table with its provenance.
#include <algorithm>
#include <memory>
#include <sstream>

#include "cli/export_batch.h"
#include "cli/filter_options.h"
#include "cli/registry.h"
#include "core/slots.h"
#include "export/detection_export.h"
#include "export/export_output.h"
#include "export/tidy_table.h"

namespace kelp::cli {
namespace {

constexpr const char* ExportHelp =
    R"(The files are opened together (up to three, slots 1 to 3, in the order given), so that
the export runs from each file's first minute to the end of the range they share, or over
each file's saved endpoints with --use-endpoints. --files picks the slots to export
(default: every file given); DPM from a file that is not a KL3 file is skipped with a message.
--data:    clicks (N of clicks), dpm, dp10m, dph (detection-positive minutes, 10 minutes, hours;
           KL3 files), duration (train duration total, KL3), ici (click repeat time: every
           interval of every train, KL3), noise (header only), conditions (temperature, angle,
           time lost, minutes ON, clicks per minute; all clicks, the filters are ignored)
--period:  1min, 10min, hours, tides (186-minute blocks), days, all; a period too short for
           DP10M or DPH is changed to days with a message
Without -o the lines go to stdout (the Results page). With -o each exported file is written
to its own name (give one -o per exported file), or with --one-file all into one file with
a FileN column. --tidy -o OUT.tsv writes one row per period (file, logger, period_start,
period_end, minutes_on and the values, NA where no minute was logged) and OUT.json beside it
recording how the table was made; docs/exports.md describes both formats.
A file is complete or not there: a failed export leaves nothing under the chosen name, and a
name with the extension of a data or map file is refused.
--batch exports any number of files one at a time, each from its own first to its last minute:
each into its name with the extension .txt, or with --one-file into one -o REPORT (without -o:
stdout) with a FileN column and the closing file list; a file that cannot be opened or read
gives "ERROR<TAB><TAB>FILE" and the batch goes on. --jobs N exports N files at once with the
same output. --part N/COUNT -o PART writes file N of a batch of COUNT for kelp-cli merge.
Exit status 1 when a file could not be exported.)";

struct ExportArguments {
    std::vector<std::string> Files;
    std::string Data;
    std::string Period;
    std::string DateFormat = "text";
    std::string DateUnit = "min";
    bool OmitNegative = false;
    bool OmitHeader = false;
    bool OneFile = false;
    bool Tidy = false;
    std::string Slots;
    std::vector<std::string> Outputs;
    FilterOptions Filters;
    BatchExportOptions Batch;
};

bool Usage(Context& ctx, const std::string& text) {
    *ctx.err << text << '\n';
    return false;
}

int UsageError(Context& ctx, const std::string& text) {
    Usage(ctx, text);
    return ExitUsage;
}

// "--files 1,3" into the check boxes.
bool TakeSlots(Context& ctx, const ExportArguments& a, ExportPage& page) {
    page.FileBoxes = {false, false, false, false};
    if (a.Slots.empty()) {
        for (std::size_t i = 1; i <= std::min<std::size_t>(a.Files.size(), SlotCount); ++i)
            page.FileBoxes[i] = true;
        return true;
    }
    std::stringstream in(a.Slots);
    for (std::string item; std::getline(in, item, ',');) {
        if (item != "1" && item != "2" && item != "3")
            return Usage(ctx, "--files: not a file number 1, 2 or 3: " + item);
        const auto slot = static_cast<std::size_t>(item[0] - '0');
        if (slot > a.Files.size()) return Usage(ctx, "--files: no file " + item + " given");
        page.FileBoxes[slot] = true;
    }
    return true;
}

bool TakePage(Context& ctx, const ExportArguments& a, ExportPage& page) {
    ExportItem item{};
    ExportPeriod period{};
    if (!ParseExportItem(a.Data, item)) return Usage(ctx, "--data: unknown data item: " + a.Data);
    if (!ParseExportPeriod(a.Period, period)) return Usage(ctx, "--period: unknown period: " + a.Period);
    ChooseDataItem(page, item);
    page.Period =
        period; // a period too short for the item is changed, with its message, when the export starts
    const char* formats[] = {"text", "unit", "both", "none"};
    bool known = false;
    for (int i = 0; i < 4; ++i)
        if (a.DateFormat == formats[i]) page.DateFormat = static_cast<ExportDateFormat>(i), known = true;
    if (!known) return Usage(ctx, "--date-format: not one of text, unit, both, none: " + a.DateFormat);
    if (a.DateUnit != "min" && a.DateUnit != "day")
        return Usage(ctx, "--date-unit: not one of min, day: " + a.DateUnit);
    page.DateUnit = a.DateUnit == "min" ? ExportDateUnit::Minutes : ExportDateUnit::Days;
    page.OmitNegative = a.OmitNegative;
    page.OmitHeader = a.OmitHeader;
    page.OneFile = a.OneFile;
    return TakeSlots(ctx, a, page);
}

int CheckedCount(const ExportPage& page) {
    int n = 0;
    for (int slot = 1; slot <= SlotCount; ++slot) n += page.FileBoxes[static_cast<std::size_t>(slot)];
    return n;
}

int RunTidy(Context& ctx, const ExportArguments& a, ExportPage& page) {
    const int wanted = CheckedCount(page);
    page.Tidy = true;
    const int exported = ExportTidyTable(ctx.program, ctx.host, a.Outputs.front());
    PrintResults(ctx);
    return exported == wanted ? ExitSuccess : ExitFailure;
}

int RunTextFiles(Context& ctx, const ExportArguments& a, ExportPage& page) {
    Program& p = ctx.program;
    const int wanted = CheckedCount(page);
    page.To = ExportTo::TextFile;
    int exported = 0;
    if (a.Outputs.size() == 1 && wanted > 1) {
        // --one-file: every file into one output, the column header once.
        if (RefuseDataOrMapTarget(ctx.host, a.Outputs.front())) return ExitFailure;
        TextFileLines out(a.Outputs.front());
        if (!out.Open()) {
            ctx.host.ShowTimedMessage(Message2s, out.ErrorText());
            ctx.host.ShowTimedMessage(Message2s, FailedToCreateExportText);
            return ExitFailure;
        }
        exported = ExportGenBtnClick(p, ctx.host, &out);
        if (exported == 0) {
            out.Abandon();
            return ExitFailure;
        }
        if (!out.Finish(ctx.host)) return ExitFailure;
        ctx.host.Results().Append("Data saved to " + a.Outputs.front());
    } else {
        // One name for each exported file, in the order of the slots.
        const auto boxes = page.FileBoxes;
        std::size_t next = 0;
        for (int slot = 1; slot <= SlotCount; ++slot) {
            if (!boxes[static_cast<std::size_t>(slot)]) continue;
            page.FileBoxes = {false, false, false, false};
            page.FileBoxes[static_cast<std::size_t>(slot)] = true;
            ctx.host.SaveAnswers = {a.Outputs[next++]};
            exported += ExportGenBtnClick(p, ctx.host);
        }
        page.FileBoxes = boxes;
        ctx.host.SaveAnswers.clear();
    }
    PrintResults(ctx);
    return exported == wanted ? ExitSuccess : ExitFailure;
}

int RunExport(Context& ctx, const ExportArguments& a) {
    Program& p = ctx.program;
    if (a.Batch.On) {
        if (!TakePage(ctx, a, ExportPageOf(p)) || !ApplyFilterOptions(a.Filters, p, ctx.host))
            return ExitUsage;
        return RunExportBatch(ctx, a.Batch, a.Files, a.Outputs, a.OneFile, a.Tidy || !a.Slots.empty());
    }
    if (a.Files.size() > static_cast<std::size_t>(SlotCount))
        return UsageError(ctx, "At most 3 files can be open at a time");
    ExportPage& page = ExportPageOf(p);
    if (!TakePage(ctx, a, page)) return ExitUsage;
    const int wanted = CheckedCount(page);
    if (a.Tidy) {
        if (a.Outputs.size() != 1) return UsageError(ctx, "--tidy needs one -o OUT.tsv");
        if (a.OmitNegative)
            return UsageError(ctx,
                              "--omit-negative does not apply to a tidy table: every period has its row");
        if (!TidyTableSupports(page.DataItem))
            return UsageError(ctx, "--tidy: ici and noise have no time periods");
    } else if (a.Outputs.size() > 1 && a.OneFile) {
        return UsageError(ctx, "--one-file writes one file: give one -o");
    } else if (!a.Outputs.empty() && a.Outputs.size() != static_cast<std::size_t>(wanted) &&
               !(a.Outputs.size() == 1 && a.OneFile)) {
        return UsageError(ctx, "Give one -o for each exported file (" + std::to_string(wanted) +
                                   "), or one -o with --one-file");
    }
    if (!ApplyFilterOptions(a.Filters, p, ctx.host)) return ExitUsage;
    for (std::size_t i = 0; i < a.Files.size(); ++i)
        if (!OpenDataFile(p, ctx.host, a.Files[i], static_cast<int>(i) + 1)) return ExitFailure;

    int status = ExitSuccess;
    if (a.Tidy) {
        status = RunTidy(ctx, a, page);
    } else if (!a.Outputs.empty()) {
        status = RunTextFiles(ctx, a, page);
    } else {
        page.To = ExportTo::Results;
        const int exported = ExportGenBtnClick(p, ctx.host);
        PrintResults(ctx);
        status = exported == wanted ? ExitSuccess : ExitFailure;
    }
    CloseAllFiles(p, ctx.host);
    return status;
}

CommandRegistrar exportCommands(70, [](CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("export", "Export DPM, DP10M, DPH and the other time-binned tables");
    cmd->footer(ExportHelp);
    auto a = std::make_shared<ExportArguments>();
    cmd->add_option("FILE", a->Files, "KL1, KL2 or KL3 files (at most 3; any number with --batch)")
        ->required();
    cmd->add_option("--data", a->Data, "clicks|dpm|dp10m|dph|duration|ici|noise|conditions")->required();
    cmd->add_option("--period", a->Period, "1min|10min|hours|tides|days|all")->required();
    cmd->add_option("--date-format", a->DateFormat, "Time columns: text|unit|both|none")
        ->capture_default_str();
    cmd->add_option("--date-unit", a->DateUnit,
                    "Date unit: min (minutes since 30/12/1899) or day (Julian day)")
        ->capture_default_str();
    cmd->add_flag("--omit-negative", a->OmitNegative, "Leave out lines of periods without detections");
    cmd->add_flag("--omit-header", a->OmitHeader, "Leave out the header lines");
    cmd->add_flag("--one-file", a->OneFile, "FileN column; with one -o, every file into that file");
    cmd->add_option("--files", a->Slots, "Which of the files to export, e.g. 1,3 (default: all)");
    cmd->add_option("-o,--output", a->Outputs, "Output text file (one per exported file); none: stdout");
    cmd->add_flag("--tidy", a->Tidy, "Tidy table (-o OUT.tsv) with OUT.json beside it");
    AddFilterOptions(cmd, a->Filters);
    AddBatchExportOptions(cmd, a->Batch);
    cmd->callback([&ctx, a] { ctx.exitCode = RunExport(ctx, *a); });
});

} // namespace
} // namespace kelp::cli
