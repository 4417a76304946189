// kelp-cli files: the file utilities of the "Metadata" and "Files - View" pages.
#include <memory>
#include <optional>

#include "cli/registry.h"
#include "core/slots.h"
#include "files/file_utilities.h"

namespace kelp::cli {
namespace {

constexpr const char* FilesHelp =
    R"(files copy-period FILE... --from T --to T   the period (dd/mm/yyyy hh:mm) of up to 3 files into
                                            "<base> PART <duration><ext>" files
files copy-span TEMPLATE FILE...            TEMPLATE's span cut out of each FILE
files append FILE1 FILE...                  the records of each FILE of FILE1's extension appended to FILE1
files change-start FILE --start T           FILE moved to start at T (the saved endpoints become its range)
files edit-copies FILE.KL3...               "<base> EDIT.KL3" copies
files verify FILE...                        the time order, minutes, empty minutes and end records of each FILE
files spike FILE.KL1 TARGET --from T --to T the minutes appended to TARGET (its name must contain "spike")
files metadata FILE... --from FILE1         FILE1's deployment texts and depths into each FILE (or the boxes
                                            as options: --location --notes --lat --long --depth --water-depth)
files rename FILE NEWBASE                   FILE's set (KL1, KL2, KL3 and map files) renamed to NEWBASE
files rename-one FILE NEWNAME               FILE (and its map file) renamed
files delete FILE --yes                     every file of FILE's set deleted
New and renamed files are printed on stdout, messages on stderr. An existing file is replaced only
with --force; delete deletes only with --yes. Exit status 1 when anything asked for was not done.)";

struct Common {
    bool Yes = false;
    bool Force = false;
};

void Prepare(Context& ctx, const Common& c) {
    ctx.host.DefaultYesNo = false;
    FileUtilitiesOf(ctx.program).MayReplace = [&ctx, force = c.Force](const std::string& path) {
        if (!force) *ctx.err << path << " already exists: not replaced (--force replaces it)\n";
        return force;
    };
}

int Finish(Context& ctx, const FilesOutcome& outcome) {
    for (const std::string& f : outcome.Files) *ctx.out << f << '\n';
    for (const std::string& r : outcome.Reports) *ctx.out << r << '\n';
    PrintResults(ctx);
    CloseAllFiles(ctx.program, ctx.host);
    return outcome.Failed ? ExitFailure : ExitSuccess;
}

std::optional<MinuteNumber> Minute(Context& ctx, const std::string& option, const std::string& text) {
    const auto t = ParseDateTimeText(text);
    if (!t) *ctx.err << "files: " << option << " must be dd/mm/yyyy hh:mm\n";
    return t ? std::optional<MinuteNumber>(t->Minute) : std::nullopt;
}

// Opens files into slots 1, 2, 3; false (all closed again) when one does not open.
bool OpenAll(Context& ctx, const std::vector<std::string>& files) {
    int slot = 0;
    for (const std::string& f : files)
        if (!OpenDataFile(ctx.program, ctx.host, f, ++slot)) {
            CloseAllFiles(ctx.program, ctx.host);
            return false;
        }
    return true;
}

// A selection as the display's "Set selection start" and "Set selection end" make it.
void Select(Context& ctx, MinuteNumber from, MinuteNumber to) {
    Program& p = ctx.program;
    p.SharedStart = from;
    p.SharedEnd = to;
    for (int i = 1; i <= SlotCount; ++i) {
        FileSlot& s = p.Slot(i);
        if (!s.IsOpen) continue;
        s.ActiveStart = std::max(from, s.ActiveStart);
        s.ActiveEnd = std::min(to, s.ActiveEnd);
    }
    p.Options.TimeSelectionSet = true;
}

struct PeriodArguments {
    Common C;
    std::vector<std::string> Files;
    std::string From, To;
};

int RunCopyPeriod(Context& ctx, const PeriodArguments& a) {
    if (a.Files.size() > static_cast<std::size_t>(SlotCount)) {
        *ctx.err << "files copy-period: at most 3 files can be open at once\n";
        return ExitUsage;
    }
    const auto from = Minute(ctx, "--from", a.From);
    const auto to = Minute(ctx, "--to", a.To);
    if (!from || !to) return ExitUsage;
    if (*to < *from) {
        *ctx.err << "files copy-period: --to is before --from\n";
        return ExitUsage;
    }
    Prepare(ctx, a.C);
    if (!OpenAll(ctx, a.Files)) return ExitFailure;
    Select(ctx, *from, *to);
    const FilesOutcome outcome = CopySelectedPeriod(ctx.program, ctx.host);
    ctx.program.Options.TimeSelectionSet = false;
    return Finish(ctx, outcome);
}

struct FileListArguments {
    Common C;
    std::string First;
    std::vector<std::string> Files;
};

int RunCopySpan(Context& ctx, const FileListArguments& a) {
    Prepare(ctx, a.C);
    if (!OpenDataFile(ctx.program, ctx.host, a.First, 1)) return ExitFailure;
    ctx.host.OpenAnswers.push_back(a.Files);
    return Finish(ctx, CopySameTimeSpan(ctx.program, ctx.host));
}

int RunAppend(Context& ctx, const FileListArguments& a) {
    Prepare(ctx, a.C);
    if (!OpenDataFile(ctx.program, ctx.host, a.First, 1)) return ExitFailure;
    ctx.host.OpenAnswers.push_back(a.Files);
    return Finish(ctx, AppendFiles(ctx.program, ctx.host));
}

int RunEditCopies(Context& ctx, const FileListArguments& a) {
    Prepare(ctx, a.C);
    ctx.host.OpenAnswers.push_back(a.Files);
    return Finish(ctx, CreateEditCopies(ctx.program, ctx.host));
}

int RunVerify(Context& ctx, const FileListArguments& a) {
    Prepare(ctx, a.C);
    FilesOutcome all;
    for (const std::string& f : a.Files) {
        if (!OpenDataFile(ctx.program, ctx.host, f, 1)) {
            all.Failed = true;
            continue;
        }
        const FilesOutcome one = VerifyOpenFiles(ctx.program, ctx.host);
        all.Reports.insert(all.Reports.end(), one.Reports.begin(), one.Reports.end());
        all.Failed = all.Failed || one.Failed;
        CloseAllFiles(ctx.program, ctx.host);
    }
    return Finish(ctx, all);
}

struct StartArguments {
    Common C;
    std::string File, Start;
};

int RunChangeStart(Context& ctx, const StartArguments& a) {
    const auto start = Minute(ctx, "--start", a.Start);
    if (!start) return ExitUsage;
    Prepare(ctx, a.C);
    if (!OpenDataFile(ctx.program, ctx.host, a.File, 1)) return ExitFailure;
    // The new start is the one given, not the Read SD page's boxes.
    ctx.host.YesNoAnswers.push_back(true);
    return Finish(ctx, ChangeStartTime(ctx.program, ctx.host, *start));
}

struct SpikeArguments {
    Common C;
    std::string File, Target, From, To;
};

int RunSpike(Context& ctx, const SpikeArguments& a) {
    const auto from = Minute(ctx, "--from", a.From);
    const auto to = Minute(ctx, "--to", a.To);
    if (!from || !to) return ExitUsage;
    if (*to < *from) {
        *ctx.err << "files spike: --to is before --from\n";
        return ExitUsage;
    }
    if (FileKindFromName(a.File) != FileKind::KL1) {
        *ctx.err << "files spike: the minutes come from a KL1 file\n";
        return ExitUsage;
    }
    Prepare(ctx, a.C);
    if (!OpenDataFile(ctx.program, ctx.host, a.File, 1)) return ExitFailure;
    Select(ctx, *from, *to);
    ctx.host.YesNoAnswers.push_back(true); // the minutes are the ones given
    ctx.host.OpenAnswers.push_back({a.Target});
    SpikeRequest request;
    request.BandSlot = 1;
    request.ScreenStart = *from;
    const FilesOutcome outcome = AppendToSpikeFile(ctx.program, ctx.host, request);
    ctx.program.Options.TimeSelectionSet = false;
    return Finish(ctx, outcome);
}

struct MetadataArguments {
    Common C;
    std::vector<std::string> Files;
    std::string From;
    std::optional<std::string> Location, Notes, Latitude, Longitude, Depth, WaterDepth;
};

// The boxes of File 1 given as options.
void FillBoxes(FileSlot& s, const MetadataArguments& a) {
    if (a.Location) s.LocationBox = *a.Location;
    if (a.Notes) s.NotesBox = *a.Notes;
    if (a.Latitude) s.LatitudeBox = *a.Latitude;
    if (a.Longitude) s.LongitudeBox = *a.Longitude;
    if (a.Depth) s.DeploymentDepthBox = *a.Depth;
    if (a.WaterDepth) s.WaterDepthBox = *a.WaterDepth;
}

int RunMetadata(Context& ctx, const MetadataArguments& a) {
    Prepare(ctx, a.C);
    FilesOutcome all;
    // With --from, File 1 is FILE1 and each FILE is written from slot 2; without it, each
    // FILE is File 1 itself with the boxes given.
    for (const std::string& f : a.Files) {
        const bool opened =
            a.From.empty() ? OpenDataFile(ctx.program, ctx.host, f, 1) : OpenAll(ctx, {a.From, f});
        if (!opened) {
            all.Failed = true;
            continue;
        }
        FillBoxes(ctx.program.Slot(1), a);
        const FilesOutcome one = PasteMetadata(ctx.program, ctx.host);
        for (const std::string& written : one.Files)
            if (written == f) all.Files.push_back(written);
        all.Failed = all.Failed || one.Failed;
        CloseAllFiles(ctx.program, ctx.host);
    }
    return Finish(ctx, all);
}

struct RenameArguments {
    Common C;
    std::string File, NewName;
};

int RunRename(Context& ctx, const RenameArguments& a, bool wholeSet) {
    Prepare(ctx, a.C);
    if (!OpenDataFile(ctx.program, ctx.host, a.File, 1)) return ExitFailure;
    ctx.host.SaveAnswers.push_back(a.NewName);
    return Finish(ctx,
                  wholeSet ? RenameFileSet(ctx.program, ctx.host) : RenameOneFile(ctx.program, ctx.host, 1));
}

int RunDelete(Context& ctx, const RenameArguments& a) {
    Prepare(ctx, a.C);
    if (!OpenDataFile(ctx.program, ctx.host, a.File, 1)) return ExitFailure;
    ctx.host.YesNoAnswers.push_back(a.C.Yes);
    return Finish(ctx, DeleteFileSet(ctx.program, ctx.host));
}

void AddForce(CLI::App* cmd, Common& c) {
    cmd->add_flag("--force", c.Force, "Replace a file that already exists");
}

CommandRegistrar filesCommands(45, [](CLI::App& app, Context& ctx) {
    auto* files = app.add_subcommand("files", "File utilities: copy periods, append, rename, delete, verify");
    files->footer(FilesHelp);
    files->require_subcommand(1);

    auto period = std::make_shared<PeriodArguments>();
    auto* copyPeriod = files->add_subcommand("copy-period", "Copy a period of up to 3 files into new files");
    copyPeriod->add_option("FILE", period->Files, "KL1, KL2 or KL3 files")->required();
    copyPeriod->add_option("--from", period->From, "First minute, dd/mm/yyyy hh:mm")->required();
    copyPeriod->add_option("--to", period->To, "Last minute, dd/mm/yyyy hh:mm")->required();
    AddForce(copyPeriod, period->C);
    copyPeriod->callback([&ctx, period] { ctx.exitCode = RunCopyPeriod(ctx, *period); });

    auto span = std::make_shared<FileListArguments>();
    auto* copySpan = files->add_subcommand("copy-span", "Cut the span of TEMPLATE out of each FILE");
    copySpan->add_option("TEMPLATE", span->First, "The file whose span is cut out")->required();
    copySpan->add_option("FILE", span->Files, "Files to cut")->required();
    AddForce(copySpan, span->C);
    copySpan->callback([&ctx, span] { ctx.exitCode = RunCopySpan(ctx, *span); });

    auto join = std::make_shared<FileListArguments>();
    auto* append = files->add_subcommand("append", "Append the records of each FILE to FILE1");
    append->add_option("FILE1", join->First, "The file appended to")->required();
    append->add_option("FILE", join->Files, "Files appended, in order")->required();
    append->callback([&ctx, join] { ctx.exitCode = RunAppend(ctx, *join); });

    auto start = std::make_shared<StartArguments>();
    auto* changeStart = files->add_subcommand("change-start", "Move a file to start at another minute");
    changeStart->add_option("FILE", start->File, "KL1, KL2 or KL3 file")->required();
    changeStart->add_option("--start", start->Start, "New first minute, dd/mm/yyyy hh:mm")->required();
    changeStart->callback([&ctx, start] { ctx.exitCode = RunChangeStart(ctx, *start); });

    auto edits = std::make_shared<FileListArguments>();
    auto* editCopies = files->add_subcommand("edit-copies", "Make \"<base> EDIT.KL3\" copies of KL3 files");
    editCopies->add_option("FILE", edits->Files, "KL3 files")->required();
    AddForce(editCopies, edits->C);
    editCopies->callback([&ctx, edits] { ctx.exitCode = RunEditCopies(ctx, *edits); });

    auto checks = std::make_shared<FileListArguments>();
    auto* verify = files->add_subcommand("verify", "Check the time order of the clicks of each file");
    verify->add_option("FILE", checks->Files, "KL1, KL2 or KL3 files")->required();
    verify->callback([&ctx, checks] { ctx.exitCode = RunVerify(ctx, *checks); });

    auto spikeArgs = std::make_shared<SpikeArguments>();
    auto* spike = files->add_subcommand("spike", "Append minutes of a KL1 file to a spike file");
    spike->add_option("FILE", spikeArgs->File, "The KL1 file the minutes come from")->required();
    spike->add_option("TARGET", spikeArgs->Target, "The spike file (its name contains \"spike\")")
        ->required();
    spike->add_option("--from", spikeArgs->From, "First minute, dd/mm/yyyy hh:mm")->required();
    spike->add_option("--to", spikeArgs->To, "Last minute, dd/mm/yyyy hh:mm")->required();
    spike->callback([&ctx, spikeArgs] { ctx.exitCode = RunSpike(ctx, *spikeArgs); });

    auto meta = std::make_shared<MetadataArguments>();
    auto* metadata = files->add_subcommand("metadata", "Write deployment texts and depths into headers");
    metadata->add_option("FILE", meta->Files, "Files written")->required();
    metadata->add_option("--from", meta->From, "The file whose texts are written (File 1)");
    metadata->add_option("--location", meta->Location, "Location (31 characters)");
    metadata->add_option("--notes", meta->Notes, "Notes (45 characters)");
    metadata->add_option("--lat", meta->Latitude, "Latitude (8 characters)");
    metadata->add_option("--long", meta->Longitude, "Longitude (8 characters)");
    metadata->add_option("--depth", meta->Depth, "Deployment depth in metres");
    metadata->add_option("--water-depth", meta->WaterDepth, "Water depth in metres");
    metadata->callback([&ctx, meta] { ctx.exitCode = RunMetadata(ctx, *meta); });

    auto setArgs = std::make_shared<RenameArguments>();
    auto* rename = files->add_subcommand("rename", "Rename the KL1, KL2, KL3 and map files of FILE's set");
    rename->add_option("FILE", setArgs->File, "A file of the set")->required();
    rename->add_option("NEWBASE", setArgs->NewName, "New name without extension")->required();
    AddForce(rename, setArgs->C);
    rename->callback([&ctx, setArgs] { ctx.exitCode = RunRename(ctx, *setArgs, true); });

    auto oneArgs = std::make_shared<RenameArguments>();
    auto* renameOne = files->add_subcommand("rename-one", "Rename one file and its map file");
    renameOne->add_option("FILE", oneArgs->File, "The file")->required();
    renameOne->add_option("NEWNAME", oneArgs->NewName, "Its new name")->required();
    AddForce(renameOne, oneArgs->C);
    renameOne->callback([&ctx, oneArgs] { ctx.exitCode = RunRename(ctx, *oneArgs, false); });

    auto deleteArgs = std::make_shared<RenameArguments>();
    auto* remove = files->add_subcommand("delete", "Delete every file of FILE's set");
    remove->add_option("FILE", deleteArgs->File, "A file of the set")->required();
    remove->add_flag("--yes", deleteArgs->C.Yes, "Answer Yes to the confirmation");
    remove->callback([&ctx, deleteArgs] { ctx.exitCode = RunDelete(ctx, *deleteArgs); });
});

} // namespace
} // namespace kelp::cli
