#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "core/file_io.h"
#include "export/batch_export.h"
#include "export/batch_page.h"
#include "export/batch_parts.h"
#include "export/export_page.h"
#include "export/minute_listings.h"
#include "tests/export/export_fixture.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using testing::ExportTest;
using testing::Fields;
using testing::FileText;
using testing::MakeClick;
using testing::TrainClickAt;

class BatchExportTest : public ExportTest {
protected:
    // Three minutes from 10:00 on day `day` with a "Hi" click in the first and the last.
    std::string Kl3(const std::string& name, int day) {
        return MakeFile(name, FileKind::KL3, MakeMinute(2024, 5, day, 10, 0), 3, [](int m) {
            return m == 1 ? std::vector<TrainClickAt>{} : std::vector<TrainClickAt>{{1000, 7}};
        });
    }
    void Dpm(ExportTo to, bool oneFile) {
        Page().DataItem = ExportItem::Dpm;
        Page().Period = ExportPeriod::OneMinute;
        ChooseTo(Page(), to);
        Page().OneFile = oneFile;
    }
};

TEST_F(BatchExportTest, OneFileToResultsNumbersEveryLineAndClosesWithTheFileList) {
    const std::string a = Kl3("a.KL3", 1), b = Kl3("b.KL3", 2), gone = dir.File("gone.KL3");
    Dpm(ExportTo::Results, true);
    std::vector<std::string> byJobs[2];
    for (int jobs : {1, 2}) {
        host.Results().Clear();
        program.SourceBox.clear();
        const BatchRunResult r = ExportBatch(program, host, {a, gone, b}, jobs);
        EXPECT_EQ(r.Failed, 1);
        EXPECT_EQ(r.Done, 3);
        byJobs[jobs - 1] = host.Results().Lines();
        EXPECT_EQ(program.SourceBox,
                  (std::vector<std::string>{"Batch export completed",
                                            "1 of 3 files could not be read or exported"}));
    }
    EXPECT_EQ(byJobs[0], byJobs[1]);
    const auto& lines = byJobs[0];
    int columns = 0;
    std::vector<std::string> data;
    for (const auto& line : lines) {
        if (line.rfind("FileN", 0) == 0) ++columns;
        if (line.size() > 2 && line[1] == '\t' && std::isdigit(static_cast<unsigned char>(line[2])))
            data.push_back(line.substr(0, line.find('\t', 2)));
    }
    EXPECT_EQ(columns, 1);
    // Three data lines of file 1, three of file 3, then the list; the missing file's line between.
    EXPECT_EQ(data, (std::vector<std::string>{"1\t01/05/2024 10:00", "1\t01/05/2024 10:01",
                                              "1\t01/05/2024 10:02", "3\t02/05/2024 10:00",
                                              "3\t02/05/2024 10:01", "3\t02/05/2024 10:02"}));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "ERROR\t\t" + gone), lines.end());
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
              (std::vector<std::string>{"1\t" + a, "3\t" + b}));
    EXPECT_FALSE(program.Slot(1).IsOpen);
    EXPECT_EQ(BatchPageOf(program).ExportBatchButton, "Export from batch of files");
}

// A file whose data breaks off into bytes that are no record: its error line, no half table.
TEST_F(BatchExportTest, ABrokenFileGivesItsErrorLineAndTheBatchGoesOn) {
    DataFileBuilder broken(FileKind::KL3, MakeMinute(2024, 5, 3, 10, 0));
    broken.Minute().Click(testing::GradedClick(1000), 7).Minute();
    std::vector<std::uint8_t> junk(20, 0);
    junk[19] = 200;
    broken.Raw(junk).Minute();
    const std::string bad = broken.Write(dir.File("broken.KL3")), a = Kl3("a.KL3", 1);
    Dpm(ExportTo::Results, true);
    Page().OmitHeader = true;
    const BatchRunResult r = ExportBatch(program, host, {bad, a}, 2);
    EXPECT_EQ(r.Failed, 1);
    const std::vector<std::string> expected{"ERROR\t\t" + bad,
                                            "FileN\ttime\tDPM",
                                            "2\t01/05/2024 10:00\t1",
                                            "2\t01/05/2024 10:01\t0",
                                            "2\t01/05/2024 10:02\t1",
                                            "1\t" + bad,
                                            "2\t" + a};
    EXPECT_EQ(host.Results().Lines(), expected);
}

TEST_F(BatchExportTest, TextFilesOneEachAndTheirNamesOnTheResultsPage) {
    const std::string a = Kl3("a.KL3", 1), b = Kl3("b.KL3", 2);
    Dpm(ExportTo::TextFile, false);
    Page().OmitHeader = true;
    const BatchRunResult r = ExportBatch(program, host, {a, b}, 2);
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(FileText(dir.File("b.txt")),
              "time\tDPM\n02/05/2024 10:00\t1\n02/05/2024 10:01\t0\n02/05/2024 10:02\t1\n");
    EXPECT_EQ(host.Results().Lines(), (std::vector<std::string>{"Exported to:", "1\t" + a, "2\t" + b}));
    EXPECT_EQ(program.SourceBox.front(), "Exported - see Results for output file names");
}

TEST_F(BatchExportTest, ReportOfOneProcessEqualsTheMergedPartsOfMany) {
    const std::string a = Kl3("a.KL3", 1), b = Kl3("b.KL3", 2), gone = dir.File("gone.KL3");
    const std::vector<std::string> files{a, gone, b};
    Dpm(ExportTo::TextFile, true);
    const std::string report = dir.File("report.txt");
    EXPECT_EQ(ExportBatch(program, host, files, 1, report).Failed, 1);
    const std::vector<std::string> results = host.Results().Lines();

    std::vector<std::string> parts;
    for (int i = 3; i >= 1; --i) {
        Program one;
        HeadlessHost oneHost;
        ExportPageOf(one) = ExportPageOf(program);
        parts.push_back(dir.File("part" + std::to_string(i)));
        bool exported = false;
        EXPECT_TRUE(WriteBatchPart(one, oneHost, files[static_cast<std::size_t>(i - 1)], i, 3, parts.back(),
                                   exported));
        EXPECT_EQ(exported, i != 2);
    }
    const std::string merged = dir.File("merged.txt");
    HeadlessHost mergeHost;
    const BatchRunResult m = MergeBatchParts(mergeHost, parts, merged);
    EXPECT_EQ(m.Failed, 1);
    EXPECT_EQ(FileText(merged), FileText(report));
    auto mergedResults = mergeHost.Results().Lines();
    ASSERT_FALSE(mergedResults.empty());
    mergedResults.back() = report;
    EXPECT_EQ(mergedResults, results);

    // A part missing or given twice: nothing is written.
    const std::string refused = dir.File("refused.txt");
    for (const auto& set : {std::vector<std::string>{parts[0], parts[1]},
                            std::vector<std::string>{parts[0], parts[1], parts[1], parts[2]}}) {
        HeadlessHost h;
        MergeBatchParts(h, set, refused);
        EXPECT_FALSE(FileExists(refused));
        ASSERT_FALSE(h.Messages.empty());
        EXPECT_EQ(h.Messages.back().Text.rfind("Not merged: ", 0), 0u);
    }
}

TEST_F(BatchExportTest, AReportThatCannotBeCreatedEndsTheRun) {
    const std::string a = Kl3("a.KL3", 1);
    Dpm(ExportTo::TextFile, true);
    const std::string name = dir.File("no/such/folder/report.txt");
    const BatchRunResult r = ExportBatch(program, host, {a}, 1, name);
    EXPECT_EQ(r.Done, 0);
    EXPECT_EQ(program.SourceBox, std::vector<std::string>{"Failed to create report file " + name});
    EXPECT_TRUE(host.Results().Lines().empty());
}

class MinuteListingTest : public ExportTest {};

TEST_F(MinuteListingTest, KL1MinutesHaveThreeColumns) {
    const std::string path = MakeFile("raw.KL1", FileKind::KL1, MakeMinute(2024, 5, 1, 10, 0), 4, [](int) {
        return std::vector<TrainClickAt>{{1000, 0}};
    });
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    ASSERT_TRUE(ExportRawFileBtnClick(program, host, 0, {program.Slot(1).FirstMinute, 0},
                                      {program.Slot(1).LastMinute + 1, 0}));
    const auto lines = host.Results().Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "raw.KL1");
    EXPECT_EQ(lines[1], "Min\tangle\ttemp");
    for (std::size_t i = 2; i < lines.size(); ++i) EXPECT_EQ(Fields(lines[i]).size(), 3u) << lines[i];
    EXPECT_EQ(Fields(lines[2])[2], "20.0");
}

TEST_F(MinuteListingTest, KL3TimeLostGoesOnTheNextLine) {
    DataFileBuilder b(FileKind::KL3, MakeMinute(2024, 5, 1, 10, 0));
    const auto marker = [](int last, int n) {
        std::vector<std::uint8_t> m(20, 0);
        m[3] = 100, m[4] = 60, m[6] = static_cast<std::uint8_t>(last), m[7] = static_cast<std::uint8_t>(n);
        m[19] = TypeMinuteMarker;
        return m;
    };
    ClickRecord hi = MakeClick(1000), mod = MakeClick(2000);
    hi.Quality = QualityHi, mod.Quality = QualityMod;
    b.Minute(marker(170, 5)).Click(hi, 9).Click(mod, 9);
    b.Minute(marker(0, 255)); // limit reached at the start: the whole minute lost
    b.Minute(marker(170, 5)).Click(mod, 9);
    b.Minute(marker(170, 5));
    ASSERT_TRUE(OpenDataFile(program, host, b.Write(dir.File("t.KL3")), 1));
    BatchPageOf(program).OmitSpreadsheetHeaders = true;
    ExportRawFileBtnClick(program, host, 3, {program.Slot(1).FirstMinute, 0},
                          {program.Slot(1).LastMinute + 1, 0});
    const auto lines = host.Results().Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], MinuteSummariesKL3Header);
    // Each line: its marker's values, the time lost of the minute before, the classes since the marker
    // before.
    EXPECT_EQ(lines[1], "01/05/2024 10:01\t" + Fields(lines[1])[1] + "\t20.0\t0\t0\t" + Fields(lines[1])[5] +
                            "\t1\t1\t0\t0");
    EXPECT_EQ(Fields(lines[2])[4], "100");
    EXPECT_EQ(Fields(lines[2])[7], "0");
    EXPECT_EQ(Fields(lines[2])[8], "0");
    EXPECT_EQ(Fields(lines[3])[4], "0");
    EXPECT_EQ(Fields(lines[3])[7], "1");
    EXPECT_EQ(BatchPageOf(program).MinuteSummariesButton, "Minute summaries");
}

TEST_F(MinuteListingTest, TadMinutesCountIntervalsFromTheMinuteStart) {
    // 100, 200, 300 ms: three intervals of 100 ms; 100 and 250 ms: one only.
    const std::string path = MakeFile("tad.KL1", FileKind::KL1, MakeMinute(2024, 5, 1, 10, 0), 3, [](int m) {
        if (m == 0) return std::vector<TrainClickAt>{{20'000, 0}, {40'000, 0}, {60'000, 0}};
        if (m == 1) return std::vector<TrainClickAt>{{20'000, 0}, {50'000, 0}};
        return std::vector<TrainClickAt>{};
    });
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    host.YesNoAnswers = {false};
    EXPECT_EQ(ExportTADICIsbtnClick(program, host), -1);
    host.YesNoAnswers = {true};
    EXPECT_EQ(ExportTADICIsbtnClick(program, host), 1);
    const MinuteNumber first = program.Slot(1).FirstMinute;
    EXPECT_EQ(host.Results().Lines(),
              std::vector<std::string>{DateTimeText(first) + "\t" + std::to_string(first) + "\t3"});
}

} // namespace
} // namespace kelp
