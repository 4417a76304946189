// kelp-cli card: the checks of a card's files that convert nothing ("Show summary from file
// DATA0.ORV ", "Show block", "verify DATA0").
#include <memory>

#include "cli/registry.h"
#include "download/card_diagnostics.h"

namespace kelp::cli {
namespace {

constexpr const char* CardHelp =
    R"(card summary PATH   the logging summary and settings of DATA0.ORV's header block
card block PATH N   the bytes of 512-byte block N (1 for the first) of any file: "index<TAB>value"
card verify PATH    checks DATA0.ORV record by record for coding errors of the logger's main board
Lines go to stdout; messages to stderr.)";

bool Failed(const HeadlessHost& host) {
    for (const auto& m : host.Messages)
        if (m.Text.find("not opened successfully") != std::string::npos) return true;
    return false;
}

void PrintSummaryList(Context& ctx, const ReadSDPage& page) {
    for (const auto& line : page.SummaryList) *ctx.out << line << '\n';
}

int RunSummary(Context& ctx, const std::string& path) {
    ReadSDPage page;
    ctx.host.OpenAnswers.push_back({path});
    ShowSummaryBtnClick(ctx.host, page);
    PrintSummaryList(ctx, page);
    return Failed(ctx.host) ? ExitFailure : ExitSuccess;
}

int RunBlock(Context& ctx, const std::string& path, const std::string& number) {
    ReadSDPage page;
    page.BlockNumberText = number;
    ctx.host.OpenAnswers.push_back({path});
    ShowBlockBtnClick(ctx.host, page);
    PrintSummaryList(ctx, page);
    const bool bad = Failed(ctx.host) ||
                     (page.SummaryList.size() == 1 && page.SummaryList[0].find(path) != std::string::npos);
    return bad ? ExitFailure : ExitSuccess;
}

int RunVerify(Context& ctx, const std::string& path) {
    ReadSDPage page;
    ctx.host.OpenAnswers.push_back({path});
    ReadDATAfileForCodeErrors(ctx.host, page);
    for (const auto& line : page.UploadList) *ctx.out << "upload\t" << line << '\n';
    PrintResults(ctx);
    return Failed(ctx.host) ? ExitFailure : ExitSuccess;
}

CommandRegistrar cardCommands(42, [](CLI::App& app, Context& ctx) {
    auto* card = app.add_subcommand("card", "Check an SD card's files: summary, block dump, verify");
    card->footer(CardHelp);
    card->require_subcommand(1);

    auto summaryPath = std::make_shared<std::string>();
    auto* summary = card->add_subcommand("summary", "Logging summary and settings of DATA0.ORV");
    summary->add_option("PATH", *summaryPath, "DATA0.ORV")->required();
    summary->callback([&ctx, summaryPath] { ctx.exitCode = RunSummary(ctx, *summaryPath); });

    auto blockPath = std::make_shared<std::string>();
    auto blockNumber = std::make_shared<std::string>("1");
    auto* block = card->add_subcommand("block", "The bytes of one 512-byte block of any file");
    block->add_option("PATH", *blockPath, "Any file")->required();
    block->add_option("N", *blockNumber, "Block number, 1 for the first (0 or less: 1)")->required();
    block->callback(
        [&ctx, blockPath, blockNumber] { ctx.exitCode = RunBlock(ctx, *blockPath, *blockNumber); });

    auto verifyPath = std::make_shared<std::string>();
    auto* verify = card->add_subcommand("verify", "Check DATA0.ORV for coding errors of the logger");
    verify->add_option("PATH", *verifyPath, "DATA0.ORV")->required();
    verify->callback([&ctx, verifyPath] { ctx.exitCode = RunVerify(ctx, *verifyPath); });
});

} // namespace
} // namespace kelp::cli
