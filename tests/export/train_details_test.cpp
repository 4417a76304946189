#include <gtest/gtest.h>

#include "core/file_io.h"
#include "export/export_page.h"
#include "export/train_details.h"
#include "tests/export/export_fixture.h"

namespace kelp {
namespace {

using testing::ExportTest;
using testing::Fields;
using testing::TrainClickAt;

const MinuteNumber Noon = MakeMinute(2024, 6, 1, 12, 0);

// Clicks of one line: times, with SPL and cluster sizes varied.
TrainAccumulator Accumulate(const std::vector<std::int32_t>& times, bool full,
                            const std::vector<int>& spl = {}, const std::vector<int>& clusterSize = {}) {
    TrainAccumulator a;
    for (std::size_t i = 0; i < times.size(); ++i) {
        ClickRecord c = testing::GradedClick(times[i]);
        c.SPL = i < spl.size() ? spl[i] : 100;
        c.ClusterSize = i < clusterSize.size() ? clusterSize[i] : 1;
        c.ClusterDuration = 30;
        c.ClusterValue14 = 4;
        c.Value17 = 9;
        AddTrainClick(a, c, full);
    }
    return a;
}

TEST(TrainDetailLine, ShortLinesAndTheBriefAndFullColumns) {
    const std::string head = "f.KL3\t7\t01/06/2024 12:00\t" + std::to_string(Noon) + "\t";
    EXPECT_EQ(TrainDetailLine(Accumulate({100, 200, 300, 400}, true), "f.KL3", 7, Noon, true), head);
    // Intervals 100, 300, 200, 50: the extremes come from the second and the third.
    const TrainAccumulator five = Accumulate({1000, 1100, 1400, 1600, 1650}, false);
    EXPECT_EQ(TrainDetailLine(five, "f.KL3", 7, Noon, false),
              head + "Porp\tHigh\t5000\t3250\t5\t812\t130\t100\t100\t1500\t1000\t0");
    const std::string full = TrainDetailLine(
        Accumulate({1000, 1100, 1400, 1600, 1650}, true, {100, 120, 90, 95, 80}, {1, 2, 8, 1, 16}), "f.KL3",
        7, Noon, true);
    EXPECT_EQ(Fields(full).size(), 34u);
    EXPECT_EQ(full,
              head +
                  "Porp\tHigh\t5000\t3250\t5\t812\t12307\t1500\t1000\t250\t25\t50\t0\t130\t130\t130\t130\t12"
                  "\t12\t97\t120\t75\t9\t3\t86\t30\t4\t7\t3\t3");
    EXPECT_EQ(Fields(BriefDetailsColumns).size(), 16u);
    EXPECT_EQ(Fields(FullDetailsColumns).size(), 34u);
}

TEST(TrainDetailLine, IciReversalsCountChangesOfTheTrend) {
    struct Case {
        std::vector<std::int32_t> Times;
        std::int64_t Reversals;
    };
    // Intervals: rising only; falling only; up, down, up, down.
    for (const Case& c : {Case{{0, 100, 300, 600, 1000, 1500}, 0}, Case{{0, 500, 900, 1200, 1400, 1500}, 0},
                          Case{{0, 100, 300, 400, 600, 700}, 3}}) {
        EXPECT_EQ(Accumulate(c.Times, true).IciReversals, c.Reversals);
        EXPECT_EQ(Accumulate(c.Times, false).IciReversals, 0); // the brief form does not count them
    }
}

TEST_F(ExportTest, TrainDetailsOfABatchOfFiles) {
    const std::string kl3 = MakeFile("a.KL3", FileKind::KL3, Noon, 2, [](int m) {
        if (m == 0) // train 5 runs on into the next minute; train 9 pauses and starts a new line
            return std::vector<TrainClickAt>{{1000, 9},
                                             {1100, 9},
                                             {1200, 9},
                                             {1300, 9},
                                             {1400, 9},
                                             {3001, 9},
                                             {3100, 9},
                                             {11'000'000, 5},
                                             {11'500'000, 5},
                                             {11'900'000, 5},
                                             {11'950'000, 6, QualityLo}};
        return std::vector<TrainClickAt>{{100'000, 5}, {400'000, 5}};
    });
    const std::string kl1 = MakeFile("b.KL1", FileKind::KL1, Noon, 2, [](int) {
        return std::vector<TrainClickAt>{{1000, 0}};
    });
    ASSERT_TRUE(OpenDataFile(program, host, kl1, 2));
    host.OpenAnswers = {{kl1, kl3}};
    const std::string out = dir.File("trains details.txt");
    host.SaveAnswers = {out};
    ASSERT_TRUE(ExportTrainDetailBtnClick(program, host, false));
    EXPECT_EQ(host.Dialogs[0].Title, "Select one or more KL3 files to process");
    EXPECT_EQ(host.Dialogs[1].InitialName, dir.File("b details.txt"));
    const std::string m0 = "a.KL3\t%d\t01/06/2024 12:00\t" + std::to_string(Noon) + "\t";
    const std::string m1 = "a.KL3\t5\t01/06/2024 12:01\t" + std::to_string(Noon + 1) + "\t";
    auto at = [&](int train) {
        std::string line = m0;
        line.replace(line.find("%d"), 2, std::to_string(train));
        return line;
    };
    EXPECT_EQ(testing::FileText(out), std::string(BriefDetailsColumns) + "\n" + at(9) +
                                          "Porp\tHigh\t5000\t2000\t5\t500\t130\t100\t100\t500\t500\t0\n" +
                                          at(5) + "\n" + at(9) + "\n" + m1 + "\n");
    EXPECT_FALSE(program.Slot(2).IsOpen); // all files were closed first
    EXPECT_EQ(host.DurationOf("Exported to: trains details.txt    "), 2000);
    EXPECT_EQ(program.SourceBox.front(), "Exported to: " + out);
    EXPECT_EQ(ExportPageOf(program).BriefDetailsButton, "Export brief train details");
    EXPECT_EQ(host.MessageTexts().size(), 1u); // the KL1 file was skipped without a word

    // No file chosen, no output name, a data file as the output.
    EXPECT_FALSE(ExportTrainDetailBtnClick(program, host, true));
    EXPECT_EQ(host.DurationOf("No Files selected"), 2000);
    host.OpenAnswers = {{kl3}};
    EXPECT_FALSE(ExportTrainDetailBtnClick(program, host, true));
    EXPECT_TRUE(host.Showed("No output file.  Process aborted."));
    host.OpenAnswers = {{kl3}};
    host.SaveAnswers = {dir.File("a.KL1")};
    EXPECT_FALSE(ExportTrainDetailBtnClick(program, host, true));
    EXPECT_FALSE(FileExists(dir.File("a.KL1")));
}

} // namespace
} // namespace kelp
