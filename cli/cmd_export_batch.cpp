// kelp-cli export --batch: the batch export, and the part files of a batch spread over processes.
#include <charconv>
#include <memory>

#include "cli/export_batch.h"
#include "core/slots.h"
#include "export/batch_export.h"
#include "export/batch_parts.h"
#include "export/export_page.h"

namespace kelp::cli {
namespace {

bool ParsePart(const std::string& text, int& number, int& count) {
    const auto slash = text.find('/');
    if (slash == std::string::npos) return false;
    const auto parse = [](const std::string& t, int& v) {
        const char* end = t.data() + t.size();
        const auto [at, error] = std::from_chars(t.data(), end, v);
        return !t.empty() && error == std::errc() && at == end;
    };
    return parse(text.substr(0, slash), number) && parse(text.substr(slash + 1), count) && count >= 1 &&
           number >= 1 && number <= count;
}

int BatchUsage(Context& ctx, const std::string& text) {
    *ctx.err << text << '\n';
    return ExitUsage;
}

void PrintClosing(Context& ctx) {
    for (const auto& line : ctx.program.SourceBox) *ctx.err << line << '\n';
}

int RunPart(Context& ctx, const BatchExportOptions& o, const std::vector<std::string>& files,
            const std::vector<std::string>& outputs) {
    int number = 0, count = 0;
    if (!ParsePart(o.Part, number, count))
        return BatchUsage(ctx, "--part: not N/COUNT with 1 <= N <= COUNT: " + o.Part);
    if (files.size() != 1 || outputs.size() != 1)
        return BatchUsage(ctx, "--part exports one FILE into one -o PART");
    bool exported = false;
    const bool written =
        WriteBatchPart(ctx.program, ctx.host, files.front(), number, count, outputs.front(), exported);
    CloseAllFiles(ctx.program, ctx.host);
    if (StoppedByUser(ctx)) return ExitFailure;
    return written && exported ? ExitSuccess : ExitFailure;
}

} // namespace

void AddBatchExportOptions(CLI::App* cmd, BatchExportOptions& o) {
    cmd->add_flag("--batch", o.On,
                  "Export from batch of files: any number of files, one at a time; each into FILE.txt, or "
                  "with --one-file into -o REPORT (none: stdout) with a FileN column and the file list");
    cmd->add_option("--jobs", o.Jobs, "--batch: files exported at once (the output is the same)")
        ->check(CLI::Range(1, 256))
        ->capture_default_str();
    cmd->add_option("--part", o.Part,
                    "--batch: write file N of a batch of COUNT as a part for kelp-cli merge");
}

int RunExportBatch(Context& ctx, const BatchExportOptions& o, const std::vector<std::string>& files,
                   const std::vector<std::string>& outputs, bool oneFile, bool otherMode) {
    if (otherMode) return BatchUsage(ctx, "--batch has no --tidy or --files: every file given is exported");
    if (!o.Part.empty()) return RunPart(ctx, o, files, outputs);
    if (outputs.size() > 1 || (!outputs.empty() && !oneFile))
        return BatchUsage(
            ctx, "--batch writes each file to its own .txt file, or with --one-file all into one -o");
    Program& p = ctx.program;
    ExportPage& page = ExportPageOf(p);
    ChooseTo(page, outputs.empty() && oneFile ? ExportTo::Results : ExportTo::TextFile);
    page.OneFile = oneFile;
    const BatchRunResult result =
        ExportBatch(p, ctx.host, files, o.Jobs, outputs.empty() ? std::string() : outputs.front());
    if (StoppedByUser(ctx)) return ExitFailure;
    PrintResults(ctx);
    PrintClosing(ctx);
    return result.Ok() ? ExitSuccess : ExitFailure;
}

} // namespace kelp::cli
