// Every operation that writes, under every file-system failure that can meet it: the file
// cannot be created, a write fails, the disk is full, the finished file cannot be renamed.
// Each reports the failure with its message (or the system's error text) and leaves the
// user's files as they were, with no temporary file behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <optional>

#include "core/endpoints.h"
#include "core/file_io.h"
#include "core/reader.h"
#include "download/read_sd_data.h"
#include "export/batch_export.h"
#include "export/click_details.h"
#include "export/detection_export.h"
#include "export/export_page.h"
#include "export/tidy_table.h"
#include "export/train_details.h"
#include "settings/settings_page.h"
#include "tda/cluster_file.h"
#include "tda/landmarks.h"
#include "tda/train_class_edit.h"
#include "tda/train_file.h"
#include "tests/robustness/deployment_fixture.h"

namespace kelp {
namespace {

using testing::DeploymentTest;

enum class Fault { OpenFails, WriteFails, LaterWriteFails, DiskFull, RenameFails };

const char* FaultName(Fault f) {
    static const char* const names[] = {"open fails", "write fails", "later write fails", "disk full",
                                        "rename fails"};
    return names[static_cast<int>(f)];
}

int ErrorOf(Fault f) {
    switch (f) {
    case Fault::OpenFails:
        return EACCES;
    case Fault::DiskFull:
        return ENOSPC;
    case Fault::RenameFails:
        return EBUSY;
    default:
        return EIO;
    }
}

// One run of an operation: its own program, host and download page.
struct OperationRun {
    Program program;
    HeadlessHost host;
    ReadSDPage page;
    std::function<std::string(const std::string&)> File;
};

struct Operation {
    const char* Name;
    std::vector<std::string> UserFiles; // stay byte for byte as they were
    std::string Output;                 // a part of the name of the file the operation writes
    std::vector<Fault> Faults;
    std::function<void(OperationRun&)> Prepare = {}; // before the failures are planned
    std::function<bool(OperationRun&)> Act = {};     // true when the operation reported success
    // The operation's own text for a failure, where it is not the system's error text.
    std::function<std::string(Fault)> Message = [](Fault) { return std::string(); };
    // The download keeps the card's data under the temporary name when it cannot be renamed.
    bool KeepsPartOnRenameFailure = false;
    // The room left on a full disk, in bytes.
    std::int64_t DiskRoom = 100;
};

void Open(OperationRun& r, const std::string& name, int slot = 1) {
    ASSERT_TRUE(OpenDataFile(r.program, r.host, r.File(name), slot)) << name;
}

// The first click of a train in the KL3 file of slot 1.
std::optional<ClickTime> FirstTrainClick(OperationRun& r) {
    FileSlot& s = r.program.Slot(1);
    PositionAt(r.program, r.host, s.FirstMinute, 0);
    while (s.MoreData) {
        NextRecord(r.program, r.host, 1);
        if (s.NRType >= 5 && s.NRType < 128 && s.MoreData) return ClickTime{s.CurrentMinute, s.Click.Time};
    }
    return std::nullopt;
}

// An export of the same name made earlier, which a failed export must not replace.
void WriteEarlierExport(OperationRun& r, const std::string& name) {
    testing::WriteFileBytes(r.File(name), {'e', 'a', 'r', 'l', 'i', 'e', 'r', '\n'});
}

std::vector<Operation> Operations() {
    // A new file is written whole from a buffer, a download minute by minute; files changed in
    // place are written where they change, a landmark mark at a time.
    const std::vector<Fault> newFile = {Fault::OpenFails, Fault::WriteFails, Fault::DiskFull,
                                        Fault::RenameFails};
    std::vector<Operation> ops;

    Operation download{
        "download",
        {"card/DATA0.ORV", "card/SETUP.ORV"},
        "N KELP.KL1",
        {Fault::OpenFails, Fault::WriteFails, Fault::LaterWriteFails, Fault::DiskFull, Fault::RenameFails}};
    download.Act = [](OperationRun& r) {
        const MinuteNumber start = MakeMinute(2024, 3, 1, 12, 0);
        PasteNowIntoStartTime(r.page, start);
        PasteNowIntoNameDate(r.page, start);
        TextBoxesChanged(r.page);
        r.page.OpenFileWhenFinished = false;
        r.host.OpenAnswers.push_back({r.File("card/DATA0.ORV")});
        r.host.SaveAnswers.push_back(r.File("N KELP.KL1"));
        DownloadEnvironment env;
        env.Now = [start] { return start + MinutesPerDay; };
        const DownloadResult result = ReadSDdata(r.program, r.host, r.page, env);
        for (const auto& line : r.page.UploadList) r.host.Messages.push_back({{}, line});
        for (const auto& line : r.page.ErrorsList) r.host.Messages.push_back({{}, line});
        return !result.OutputFiles.empty() && r.page.ErrorsList.empty() && !result.ReadFailed;
    };
    download.KeepsPartOnRenameFailure = true;
    ops.push_back(download);

    Operation clusters{"clusters", {"D KELP.KL1", "D KELP.KL2"}, "D KELP.KL2", newFile};
    clusters.Prepare = [](OperationRun& r) { Open(r, "D KELP.KL1"); };
    clusters.Act = [](OperationRun& r) { return !MakeClusterFile(r.program, r.host).empty(); };
    clusters.Message = [](Fault f) { return f == Fault::DiskFull ? std::string(DiscFullText) : ""; };
    ops.push_back(clusters);

    Operation trains{"trains", {"D KELP.KL2", "D KELP.KL3"}, "D KELP.KL3", newFile};
    trains.Prepare = [](OperationRun& r) { Open(r, "D KELP.KL2"); };
    trains.Act = [](OperationRun& r) { return RunTrainDetection(r.program, r.host); };
    ops.push_back(trains);

    // Opening a file whose end records are lost appends them; a full disk takes part of them.
    Operation endRepair{
        "end records repaired", {"E KELP.KL1"}, "E KELP.KL1", {Fault::WriteFails, Fault::DiskFull}};
    endRepair.Prepare = [](OperationRun& r) {
        Open(r, "D KELP.KL1");
        const int length = r.program.Slot(1).RecordLength;
        CloseAllFiles(r.program, r.host);
        auto bytes = testing::ReadFileBytes(r.File("D KELP.KL1"));
        while (bytes.size() > HeaderLength && bytes.back() == TypeEndOfData)
            bytes.resize(bytes.size() - static_cast<std::size_t>(length));
        testing::WriteFileBytes(r.File("E KELP.KL1"), bytes);
    };
    endRepair.Act = [](OperationRun& r) {
        return OpenDataFile(r.program, r.host, r.File("E KELP.KL1"), 1) && r.host.Messages.empty();
    };
    endRepair.DiskRoom = 5; // less than a record
    ops.push_back(endRepair);

    Operation saveEndpoints{"save endpoints", {"D KELP.KL1", "D KELP.KL3"}, "D KELP", {Fault::WriteFails}};
    saveEndpoints.Prepare = [](OperationRun& r) {
        Open(r, "D KELP.KL1", 1);
        Open(r, "D KELP.KL3", 2);
        r.program.SharedStart = r.program.Slot(1).FirstMinute + 1;
        r.program.SharedEnd = r.program.Slot(1).LastMinute - 1;
        r.program.Options.TimeSelectionSet = true;
    };
    saveEndpoints.Act = [](OperationRun& r) {
        SaveEndpoints(r.program, r.host);
        return r.host.Messages.empty();
    };
    ops.push_back(saveEndpoints);

    Operation deleteEndpoints{"delete saved endpoints", {"D KELP.KL1"}, "D KELP.KL1", {Fault::WriteFails}};
    deleteEndpoints.Prepare = [](OperationRun& r) {
        Open(r, "D KELP.KL1");
        r.program.SharedStart = r.program.Slot(1).FirstMinute + 1;
        r.program.SharedEnd = r.program.Slot(1).LastMinute - 1;
        SaveEndpoints(r.program, r.host);
        CloseAllFiles(r.program, r.host);
        Open(r, "D KELP.KL1");
    };
    deleteEndpoints.Act = [](OperationRun& r) {
        DeleteSavedEndpoints(r.program, r.host);
        return r.host.Messages.empty();
    };
    ops.push_back(deleteEndpoints);

    Operation species{"species edit", {"D KELP.KL3"}, "D KELP.KL3", {Fault::WriteFails}};
    species.Prepare = [](OperationRun& r) {
        r.program.Clicks.Ignore = true;
        Open(r, "D KELP.KL3");
    };
    species.Act = [](OperationRun& r) {
        const auto at = FirstTrainClick(r);
        return at && EditTrainSpecies(r.program, r.host, 1, *at, SpeciesEdit::SetDolphin);
    };
    ops.push_back(species);

    Operation landmarks{
        "landmarks", {"D KELP.KL3"}, "D KELP.KL3", {Fault::WriteFails, Fault::LaterWriteFails}};
    landmarks.Prepare = [](OperationRun& r) { Open(r, "D KELP.KL3"); };
    landmarks.Act = [](OperationRun& r) { return MarkLandmarkSequences(r.program, r.host); };
    ops.push_back(landmarks);

    Operation kls{"settings file", {"S.KLS"}, "S.KLS", newFile};
    kls.Prepare = [](OperationRun& r) {
        TargetKELPNumberEditChange(r.program, r.host, "1036");
        LowSensHPBtnClick(r.program, r.host);
        r.host.SaveAnswers.push_back(r.File("S.KLS"));
        ASSERT_TRUE(RewriteSETUPfileBtnClick(r.program, r.host, SetupTarget::SettingsFile));
        LowSensDolBtnClick(r.program, r.host);
        r.host.Messages.clear();
    };
    kls.Act = [](OperationRun& r) {
        r.host.SaveAnswers.push_back(r.File("S.KLS"));
        return RewriteSETUPfileBtnClick(r.program, r.host, SetupTarget::SettingsFile);
    };
    ops.push_back(kls);

    Operation setup{
        "SETUP.ORV rewrite", {"card/SETUP.ORV"}, "SETUP.ORV", {Fault::OpenFails, Fault::WriteFails}};
    setup.Prepare = [](OperationRun& r) {
        TargetKELPNumberEditChange(r.program, r.host, "1036");
        LowSensDolBtnClick(r.program, r.host);
        r.host.Messages.clear();
    };
    setup.Act = [](OperationRun& r) {
        r.host.OpenAnswers.push_back({r.File("card/SETUP.ORV")});
        return RewriteSETUPfileBtnClick(r.program, r.host, SetupTarget::SDCard);
    };
    setup.Message = [](Fault f) {
        return std::string(f == Fault::OpenFails ? "SETUP.ORV not opened successfully"
                                                 : "SETUP.ORV not written: ");
    };
    ops.push_back(setup);

    // The exports replace an earlier export of the same name only when they succeed.
    const std::vector<Fault> textFile = newFile;
    Operation dpm{"detection export", {"D KELP.KL3", "E.txt"}, "E.txt", textFile};
    dpm.Prepare = [](OperationRun& r) {
        Open(r, "D KELP.KL3");
        ChooseDataItem(ExportPageOf(r.program), ExportItem::Dpm);
        ExportPageOf(r.program).Period = ExportPeriod::OneMinute;
        WriteEarlierExport(r, "E.txt");
    };
    dpm.Act = [](OperationRun& r) {
        ExportPageOf(r.program).To = ExportTo::TextFile;
        r.host.SaveAnswers.push_back(r.File("E.txt"));
        return ExportGenBtnClick(r.program, r.host) == 1;
    };
    ops.push_back(dpm);

    Operation tidy{"tidy table", {"D KELP.KL3", "T.tsv"}, "T.tsv", textFile};
    tidy.Prepare = [](OperationRun& r) {
        Open(r, "D KELP.KL3");
        ChooseDataItem(ExportPageOf(r.program), ExportItem::Dpm);
        ExportPageOf(r.program).Period = ExportPeriod::OneMinute;
        WriteEarlierExport(r, "T.tsv");
    };
    tidy.Act = [](OperationRun& r) { return ExportTidyTable(r.program, r.host, r.File("T.tsv")) == 1; };
    ops.push_back(tidy);
    // The record of how the table was made goes beside it; neither is kept without the other.
    Operation provenance = tidy;
    provenance.Name = "tidy table provenance";
    provenance.UserFiles = {"D KELP.KL3", "T.tsv", "T.json"};
    provenance.Output = "T.json";
    provenance.Faults = newFile;
    provenance.Prepare = [tidy](OperationRun& r) {
        tidy.Prepare(r);
        WriteEarlierExport(r, "T.json");
    };
    ops.push_back(provenance);

    Operation clicks{"click details", {"D KELP.KL1", "C.txt"}, "C.txt", textFile};
    clicks.Prepare = [](OperationRun& r) {
        Open(r, "D KELP.KL1");
        WriteEarlierExport(r, "C.txt");
    };
    clicks.Act = [](OperationRun& r) { return WriteClickDetails(r.program, r.host, r.File("C.txt")); };
    ops.push_back(clicks);

    Operation details{"train details", {"D KELP.KL3", "R.txt"}, "R.txt", textFile};
    details.Prepare = [](OperationRun& r) { WriteEarlierExport(r, "R.txt"); };
    details.Act = [](OperationRun& r) {
        return ExportTrainDetails(r.program, r.host, {r.File("D KELP.KL3")}, r.File("R.txt"), true);
    };
    ops.push_back(details);

    // A batch export writes a text file beside each data file, or one report for all.
    for (const bool oneFile : {false, true}) {
        const std::string output = oneFile ? "B.txt" : "D KELP.txt";
        Operation batch{
            oneFile ? "batch export report" : "batch export", {"D KELP.KL3", output}, output, textFile};
        batch.Prepare = [output](OperationRun& r) {
            ChooseDataItem(ExportPageOf(r.program), ExportItem::Dpm);
            ExportPageOf(r.program).Period = ExportPeriod::OneMinute;
            WriteEarlierExport(r, output);
        };
        batch.Act = [oneFile, output](OperationRun& r) {
            ExportPage& page = ExportPageOf(r.program);
            page.To = ExportTo::TextFile;
            page.OneFile = oneFile;
            return ExportBatch(r.program, r.host, {r.File("D KELP.KL3")}, 1, oneFile ? r.File(output) : "")
                .Ok();
        };
        ops.push_back(batch);
    }
    return ops;
}

FaultPlan PlanFor(Fault fault, const Operation& op) {
    const std::string& output = op.Output;
    FaultPlan plan;
    switch (fault) {
    case Fault::OpenFails:
        plan.Fail(FileOperation::Open, 1, ErrorOf(fault), output);
        break;
    case Fault::WriteFails:
        plan.Fail(FileOperation::Write, 0, ErrorOf(fault), output);
        break;
    case Fault::LaterWriteFails:
        plan.Fail(FileOperation::Write, 2, ErrorOf(fault), output);
        break;
    case Fault::DiskFull:
        plan.DiskFullAfter(op.DiskRoom, output);
        break;
    case Fault::RenameFails:
        plan.Fail(FileOperation::Rename, 1, ErrorOf(fault), output);
        break;
    }
    return plan;
}

class WriteFaultsTest : public DeploymentTest {};

TEST_F(WriteFaultsTest, EveryWriterReportsTheFailureAndKeepsTheUsersFiles) {
    for (const Operation& op : Operations()) {
        for (const Fault fault : op.Faults) {
            SCOPED_TRACE(std::string(op.Name) + ", " + FaultName(fault));
            Fresh();
            OperationRun r;
            r.File = [this](const std::string& name) { return File(name); };
            if (op.Prepare) op.Prepare(r);
            if (::testing::Test::HasFatalFailure()) return;
            std::vector<std::vector<std::uint8_t>> before;
            for (const std::string& f : op.UserFiles) before.push_back(Bytes(f));

            FaultPlan plan = PlanFor(fault, op);
            bool succeeded = false;
            {
                ScopedFaultPlan installed(plan);
                succeeded = op.Act(r);
            }
            CloseAllFiles(r.program, r.host);
            if (plan.Fired() == 0) {
                ADD_FAILURE() << "the failure was never met";
                continue;
            }
            EXPECT_FALSE(succeeded);
            std::string messages;
            for (const std::string& text : r.host.MessageTexts()) messages += text + "\n";
            const std::string own = op.Message(fault);
            EXPECT_NE(messages.find(own.empty() ? SystemErrorText(ErrorOf(fault)) : own), std::string::npos)
                << messages;
            for (std::size_t i = 0; i < op.UserFiles.size(); ++i) {
                const auto after = Bytes(op.UserFiles[i]);
                const auto differ =
                    std::mismatch(after.begin(), after.end(), before[i].begin(), before[i].end());
                EXPECT_TRUE(after == before[i])
                    << op.UserFiles[i] << " changed from byte " << (differ.first - after.begin())
                    << " on, size " << after.size() << " (was " << before[i].size() << ")";
            }
            if (!(op.KeepsPartOnRenameFailure && fault == Fault::RenameFails)) {
                EXPECT_EQ(LeftoverParts(), std::vector<std::string>{});
            }
        }
    }
}

} // namespace
} // namespace kelp
