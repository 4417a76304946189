// kelp-cli download: converts a card's data files into KL1 files, as the "Read SD" page does.
#include <filesystem>
#include <memory>

#include "cli/registry.h"
#include "core/header.h"
#include "download/read_sd_data.h"

namespace kelp::cli {
namespace {

constexpr const char* DownloadHelp =
    R"(CARD_DIR is the card's folder (or its DATA0.ORV); OUT.KL1 the first KL1 file, or a folder
in which the proposed name ("LOCATION yyyy mm dd KELPnumber.KL1") is used. The full path of the
output must contain "KELP" (any case). Later files are named "... file002.KL1" and on; map files
(".k1m") are kept beside files of 12,000,000 bytes or more.
Without --force a question ends the download (an early start time, a file ending in the future);
with --force it is answered so that the download goes on. Ctrl-C stops the download as the
"Stop data transfer" button does: the file written so far is closed.
Output: the three report lists, each line prefixed by its list's name and a tab ("upload",
"summary", "errors"). Exit status 1 when no file was written, the card could not be read to its
end, or the download was stopped.)";

// The command line's answers to the questions and dialogs of the download.
class DownloadHost : public HeadlessHost {
public:
    bool Force = false;
    std::string OutFolder; // non-empty: save under the proposed name in this folder
    bool AskYesNo(const std::string& text) override {
        // A "yes" goes on after an early start; a "no" goes on after an end in the future.
        const bool goOn = text != FutureEndQuestion;
        YesNoAnswers.push_back(Force ? goOn : !goOn);
        return HeadlessHost::AskYesNo(text);
    }
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override {
        if (!OutFolder.empty()) SaveAnswers.push_back(JoinPath(OutFolder, request.InitialName));
        return HeadlessHost::SaveFileDialog(request);
    }
};

struct DownloadArgs {
    std::string Card;
    std::string Out;
    std::string Start;
    std::string Now;
    std::string Location;
    std::string Notes;
    std::string Lat;
    std::string Long;
    std::string WaterDepth = "0";
    std::string DeploymentDepth = "0";
    std::string Blanks = "10";
    bool Force = false;
};

// The card's DATA0.ORV: the path itself, or the file of that name (any letter case) in the folder.
std::string Data0Path(const std::string& card) {
    std::error_code ec;
    if (!std::filesystem::is_directory(card, ec)) return card;
    for (const auto& entry : std::filesystem::directory_iterator(card, ec))
        if (IsData0Name(entry.path().filename().string())) return entry.path().string();
    return JoinPath(card, "DATA0.ORV");
}

int RunDownload(Context& ctx, const DownloadArgs& args) {
    const auto start = ParseIsoMinute(args.Start);
    if (!start) {
        *ctx.err << "--start: not a valid \"YYYY-MM-DD HH:MM\": " << args.Start << '\n';
        return ExitUsage;
    }
    std::optional<MinuteNumber> now;
    if (!args.Now.empty()) {
        now = ParseIsoMinute(args.Now);
        if (!now) {
            *ctx.err << "--now: not a valid \"YYYY-MM-DD HH:MM\": " << args.Now << '\n';
            return ExitUsage;
        }
    }

    ReadSDPage page;
    PasteNowIntoStartTime(page, *start);
    PasteNowIntoNameDate(page, *start);
    page.FileNameLocation = args.Location;
    page.Location = args.Location;
    page.Notes = args.Notes;
    page.Lat = args.Lat;
    page.Long = args.Long;
    page.WaterDepth = args.WaterDepth;
    page.DeploymentDepth = args.DeploymentDepth;
    page.BlanksText = args.Blanks;
    TextBoxesChanged(page);
    DepthsChanged(page);
    BlanksChanged(page);
    page.OpenFileWhenFinished = false;

    DownloadHost host;
    host.Echo = ctx.err;
    host.Force = args.Force;
    host.OpenAnswers.push_back({Data0Path(args.Card)});
    std::error_code ec;
    if (std::filesystem::is_directory(args.Out, ec))
        host.OutFolder = args.Out;
    else
        host.SaveAnswers.push_back(args.Out);

    DownloadEnvironment env;
    if (now) env.Now = [m = *now] { return m; };

    const DownloadResult result = ReadSDdata(ctx.program, host, page, env);

    std::ostream& out = *ctx.out;
    for (const auto& line : page.UploadList) out << "upload\t" << line << '\n';
    for (const auto& line : page.SummaryList) out << "summary\t" << line << '\n';
    for (const auto& line : page.ErrorsList) out << "errors\t" << line << '\n';
    if (result.Started) {
        *ctx.err << page.ClickCountLabel << '\n' << page.MinutesReadLabel << '\n';
        for (const auto& f : result.OutputFiles) *ctx.err << "wrote " << f << '\n';
    }
    const bool complete =
        result.Started && !result.OutputFiles.empty() && !result.ReadFailed && !result.StoppedByUser;
    return complete ? ExitSuccess : ExitFailure;
}

CommandRegistrar downloadCommands(41, [](CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("download", "Convert an SD card's data files into KL1 files");
    cmd->footer(DownloadHelp);
    auto args = std::make_shared<DownloadArgs>();
    cmd->add_option("CARD_DIR", args->Card, "Card folder, or its DATA0.ORV")->required();
    cmd->add_option("OUT.KL1", args->Out, "First KL1 file, or a folder for the proposed name")->required();
    cmd->add_option("--start", args->Start, "Time the logger was started, \"YYYY-MM-DD HH:MM\"")->required();
    cmd->add_option("--now", args->Now,
                    "The clock's minute, \"YYYY-MM-DD HH:MM\" (default: the computer's clock)");
    cmd->add_option("--location", args->Location, "Location (file name: 60 characters; header: 31)");
    cmd->add_option("--notes", args->Notes, "Deployment notes (44 characters)");
    cmd->add_option("--lat", args->Lat, "Latitude text (8 characters)");
    cmd->add_option("--long", args->Long, "Longitude text (8 characters)");
    cmd->add_option("--water-depth", args->WaterDepth, "Water depth in metres")->capture_default_str();
    cmd->add_option("--deployment-depth", args->DeploymentDepth, "Deployment depth in metres")
        ->capture_default_str();
    cmd->add_option("--blanks", args->Blanks, "Stop after this many blank records (at least 2)")
        ->capture_default_str();
    cmd->add_flag("--force", args->Force, "Answer the questions so that the download goes on");
    cmd->callback([&ctx, args] { ctx.exitCode = RunDownload(ctx, *args); });
});

} // namespace
} // namespace kelp::cli
