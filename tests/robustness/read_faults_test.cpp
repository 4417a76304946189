// Every reader under the failures a read can meet: the system delivering less than asked
// (nothing may be lost), a read error, and a file that vanishes before it is opened (both
// reported, with nothing written in place of an earlier result).
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "core/file_io.h"
#include "core/map_file.h"
#include "core/reader.h"
#include "download/read_sd_data.h"
#include "export/detection_export.h"
#include "export/export_page.h"
#include "settings/settings_page.h"
#include "settings/settings_reader.h"
#include "tda/cluster_file.h"
#include "tda/train_file.h"
#include "tests/robustness/deployment_fixture.h"

namespace kelp {
namespace {

using testing::DeploymentTest;

struct ReaderRun {
    Program program;
    HeadlessHost host;
    std::function<std::string(const std::string&)> File;
    std::string Bytes(const std::string& name) const {
        const auto bytes = testing::ReadFileBytes(File(name));
        return {bytes.begin(), bytes.end()};
    }
};

struct Reader {
    const char* Name;
    std::string Input;  // the file read
    std::string Output; // the file written ("" when the result is kept in memory)
    // Reads; returns what was read or made, "" when the reader gave up.
    std::function<std::string(ReaderRun&)> Read;
    // What it shows for a file that cannot be read: the system's error text unless it says
    // otherwise; "" for a reader that passes over such a file silently.
    std::function<std::string(int error)> Message = SystemErrorText;
};

std::string EveryRecord(ReaderRun& r) {
    if (!OpenDataFile(r.program, r.host, r.File("D KELP.KL3"), 1)) return "";
    FileSlot& s = r.program.Slot(1);
    PositionAt(r.program, r.host, s.FirstMinute, 0);
    std::string records;
    while (s.MoreData) {
        NextRecord(r.program, r.host, 1);
        records += std::to_string(s.NRType) + " " + std::to_string(s.CurrentMinute) + " " +
                   std::to_string(s.Click.Time) + "\n";
    }
    return s.ReadFailed ? "" : records;
}

std::string MapScan(ReaderRun& r) {
    if (!OpenDataFile(r.program, r.host, r.File("D KELP.KL1"), 1)) return "";
    BuildMap(r.program, r.host, 1, true);
    std::string map;
    for (std::int64_t k = 0; k <= r.program.Slot(1).MapCount; ++k)
        map += std::to_string(r.program.Slot(1).Map[static_cast<std::size_t>(k)]) + " ";
    CloseAllFiles(r.program, r.host);
    return map + r.Bytes("D KELP.KL1"); // and no repair written into the file
}

std::string Clusters(ReaderRun& r) {
    r.program.Options.BatchRunning = true;
    if (!OpenDataFile(r.program, r.host, r.File("D KELP.KL1"), 1)) return "";
    return MakeClusterFile(r.program, r.host).empty() ? "" : r.Bytes("D KELP.KL2");
}

std::string Trains(ReaderRun& r) {
    r.program.Options.BatchRunning = true;
    if (!OpenDataFile(r.program, r.host, r.File("D KELP.KL2"), 1)) return "";
    return RunTrainDetection(r.program, r.host) ? r.Bytes("D KELP.KL3") : "";
}

std::string Download(ReaderRun& r) {
    ReadSDPage page;
    const MinuteNumber start = MakeMinute(2024, 3, 1, 12, 0);
    PasteNowIntoStartTime(page, start);
    PasteNowIntoNameDate(page, start);
    TextBoxesChanged(page);
    page.OpenFileWhenFinished = false;
    r.host.OpenAnswers.push_back({r.File("card/DATA0.ORV")});
    r.host.SaveAnswers.push_back(r.File("N KELP.KL1"));
    DownloadEnvironment env;
    env.Now = [start] { return start + MinutesPerDay; };
    env.Limits.ChunkBytes = 1000; // several chunks from the small card
    const DownloadResult result = ReadSDdata(r.program, r.host, page, env);
    for (const auto& line : page.UploadList) r.host.Messages.push_back({{}, line});
    for (const auto& line : page.ErrorsList) r.host.Messages.push_back({{}, line});
    if (result.OutputFiles.empty() || result.ReadFailed || !page.ErrorsList.empty()) return "";
    std::string kl1 = r.Bytes("N KELP.KL1");
    kl1.replace(DataFileHeader::CreatedMinuteOffset, 4, 4, '\0'); // the clock of the download
    return kl1;
}

std::string Export(ReaderRun& r) {
    if (!OpenDataFile(r.program, r.host, r.File("D KELP.KL3"), 1)) return "";
    ExportPage& page = ExportPageOf(r.program);
    ChooseDataItem(page, ExportItem::Dpm);
    page.Period = ExportPeriod::OneMinute;
    page.To = ExportTo::Results;
    if (ExportGenBtnClick(r.program, r.host) != 1) return "";
    std::string lines;
    for (const auto& line : r.host.Results().Lines()) lines += line + "\n";
    return lines;
}

std::string Settings(ReaderRun& r) {
    if (!ReadSettingsFromFile(r.program, r.host, r.File("card/SETUP.ORV"))) return "";
    std::string shown;
    for (const auto& [name, value] : ShownSettings(SettingsPageOf(r.program)))
        shown += name + "=" + value + "\n";
    return shown;
}

std::vector<Reader> Readers() {
    std::vector<Reader> readers = {{"reader", "D KELP.KL3", "", EveryRecord},
                                   {"map scan", "D KELP.KL1", "", MapScan},
                                   {"clusters", "D KELP.KL1", "D KELP.KL2", Clusters},
                                   {"trains", "D KELP.KL2", "D KELP.KL3", Trains},
                                   {"download", "DATA0.ORV", "N KELP.KL1", Download},
                                   {"detection export", "D KELP.KL3", "", Export},
                                   {"settings", "SETUP.ORV", "", Settings}};
    // The card's first file that cannot be opened has a message of its own.
    readers[4].Message = [](int error) {
        return error == ENOENT ? std::string("not opened successfully") : SystemErrorText(error);
    };
    // "Show settings from a file" passes over a file it cannot read.
    readers[6].Message = [](int) { return std::string(); };
    return readers;
}

class ReadFaultsTest : public DeploymentTest {
protected:
    std::string Read(const Reader& reader, FaultPlan* plan, HeadlessHost* messages = nullptr) {
        Fresh();
        ReaderRun r;
        r.File = [this](const std::string& name) { return File(name); };
        std::string result;
        if (plan) {
            ScopedFaultPlan installed(*plan);
            result = reader.Read(r);
        } else {
            result = reader.Read(r);
        }
        CloseAllFiles(r.program, r.host);
        if (messages) messages->Messages = r.host.Messages;
        return result;
    }
};

TEST_F(ReadFaultsTest, ReadsThatDeliverLessThanAskedLoseNothing) {
    for (const Reader& reader : Readers()) {
        SCOPED_TRACE(reader.Name);
        const std::string whole = Read(reader, nullptr);
        ASSERT_FALSE(whole.empty());
        FaultPlan plan;
        plan.ShortRead(0, 333, reader.Input); // not a whole number of records
        EXPECT_EQ(Read(reader, &plan), whole);
        EXPECT_GT(plan.Fired(), 0);
    }
}

TEST_F(ReadFaultsTest, AReadErrorOrAVanishedFileIsReportedAndWritesNothing) {
    struct Fault {
        const char* Name;
        int Error;
        std::function<void(FaultPlan&, const std::string& input)> Plan;
    };
    const Fault faults[] = {
        {"read error", EIO,
         [](FaultPlan& p, const std::string& input) { p.Fail(FileOperation::Read, 0, EIO, input); }},
        {"vanished", ENOENT, [](FaultPlan& p, const std::string& input) {
             p.Before(
                 FileOperation::Open, 1, [](const std::string& path) { std::filesystem::remove(path); },
                 input);
         }}};
    for (const Reader& reader : Readers()) {
        for (const Fault& fault : faults) {
            SCOPED_TRACE(std::string(reader.Name) + ", " + fault.Name);
            FaultPlan plan;
            fault.Plan(plan, reader.Input);
            HeadlessHost seen;
            EXPECT_EQ(Read(reader, &plan, &seen), "");
            EXPECT_GT(plan.Fired(), 0);
            std::string messages;
            for (const std::string& text : seen.MessageTexts()) messages += text + "\n";
            const std::string expected = reader.Message(fault.Error);
            if (expected.empty()) {
                EXPECT_EQ(messages, "");
            } else {
                EXPECT_NE(messages.find(expected), std::string::npos) << messages;
            }
            // An earlier result of the same name stays as it was.
            const std::string earlier = testing::SimulatedDeployment().Folder + "/" + reader.Output;
            if (!reader.Output.empty() && std::filesystem::exists(earlier)) {
                EXPECT_EQ(Bytes(reader.Output), testing::ReadFileBytes(earlier));
            }
            EXPECT_EQ(LeftoverParts(), std::vector<std::string>{});
        }
    }
}

} // namespace
} // namespace kelp
