#include <gtest/gtest.h>

#include <algorithm>

#include "core/file_io.h"
#include "core/headless_host.h"
#include "core/program.h"
#include "core/unfinished_files.h"
#include "tda/tda_settings.h"
#include "tda/train_batch.h"
#include "tda/train_file.h"
#include "tda/train_summary.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using testing::MakeClick;
using testing::TempDir;

// A KL1 file of `minutes` minutes, each with a porpoise-like train of 20 clicks whose
// intervals wander, and a few scattered clicks.
std::string WriteKL1(const TempDir& dir, const std::string& name, int minutes, int seed) {
    DataFileBuilder b(FileKind::KL1, MakeMinute(2024, 3, 1 + seed, 6, 0));
    for (int m = 0; m < minutes; ++m) {
        b.Minute();
        std::vector<ClickRecord> clicks;
        std::int32_t t = 200'000 + 1'000 * seed;
        std::int32_t ici = 12'000;
        for (int i = 0; i < 20; ++i) {
            clicks.push_back(MakeClick(t, 128 + (i * 7 + seed) % 5, 14, 60 + (i * 13) % 20, 2, 0x35));
            ici += ((i * 37 + m) % 7 - 3) * 150;
            t += ici;
        }
        for (int i = 0; i < 6; ++i)
            clicks.push_back(MakeClick(1'000'000 * (i + 3) + 777 * m, 40 + 13 * i, 4, 30, 9, 0x53));
        std::sort(clicks.begin(), clicks.end(), [](const auto& x, const auto& y) { return x.Time < y.Time; });
        for (const auto& c : clicks) b.Click(c);
    }
    return b.Write(dir.File(name));
}

struct Batch {
    Program P;
    HeadlessHost H;
    TrainBatchResult Run(const std::vector<std::string>& files, int jobs = 1, bool isolated = false) {
        TrainBatchOptions o;
        o.Jobs = jobs;
        o.Isolated = isolated;
        return RunTrainBatch(P, H, files, o);
    }
};

TEST(TrainBatch, ClustersThenTrainsForEachKL1File) {
    TempDir dir;
    const std::string a = WriteKL1(dir, "A.KL1", 4, 0);
    const std::string b = WriteKL1(dir, "B.KL1", 3, 1);
    Batch batch;
    // While the trains are written, the KL2 made on the way is among the unfinished files
    // (a run ended at once removes it too).
    bool kl2Unfinished = false;
    batch.H.OnEvents = [&] {
        const std::vector<std::string> names = UnfinishedFileNames();
        const auto has = [&](const std::string& n) {
            return std::find(names.begin(), names.end(), dir.File(n)) != names.end();
        };
        kl2Unfinished = kl2Unfinished || (has("A.KL3") && has("A.KL2") && has("A.k2m"));
    };
    const TrainBatchResult r = batch.Run({a, b});
    EXPECT_TRUE(kl2Unfinished);
    EXPECT_TRUE(UnfinishedFileNames().empty());
    EXPECT_EQ(r.Processed, 2);
    EXPECT_EQ(r.Failed, 0);
    const auto& lines = batch.H.Results().Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], TrainResultsHeader);
    EXPECT_EQ(lines[1].substr(0, 5), "A.KL\t");
    EXPECT_EQ(lines[2].substr(0, 5), "B.KL\t");
    EXPECT_TRUE(FileExists(dir.File("A.KL3")));
    EXPECT_TRUE(FileExists(dir.File("B.KL3")));
    // Outside development mode the KL2 files go.
    EXPECT_FALSE(FileExists(dir.File("A.KL2")));
    EXPECT_FALSE(FileExists(dir.File("B.KL2")));
    EXPECT_EQ(batch.P.SourceBox, (std::vector<std::string>{BatchCompletedText, "Files processed\t2/2"}));
    EXPECT_FALSE(batch.P.Options.BatchRunning);
    EXPECT_FALSE(batch.P.Slot(1).IsOpen);
    EXPECT_EQ(TrainDetectionStateOf(batch.P).ApplicationTitle, "KELP completed");
    EXPECT_GT(TrainDetectionStateOf(batch.P).LastCounters.QualityTotals[3] +
                  TrainDetectionStateOf(batch.P).LastCounters.QualityTotals[2],
              0);
}

TEST(TrainBatch, DevelopmentModeKeepsTheKL2Files) {
    TempDir dir;
    const std::string a = WriteKL1(dir, "A.KL1", 2, 0);
    Batch batch;
    batch.P.Options.DevelopmentMode = true;
    EXPECT_EQ(batch.Run({a}).Processed, 1);
    EXPECT_TRUE(FileExists(dir.File("A.KL2")));
    EXPECT_TRUE(FileExists(dir.File("A.KL3")));
}

TEST(TrainBatch, SkipsFilesTooSmallOrNotKL1) {
    TempDir dir;
    testing::WriteFileBytes(dir.File("TINY.KL1"), std::vector<std::uint8_t>(399, 0));
    Batch small;
    const TrainBatchResult r = small.Run({dir.File("TINY.KL1")});
    EXPECT_EQ(r.Failed, 1);
    EXPECT_EQ(small.H.Results().Lines(), (std::vector<std::string>{"TINY.KL1\t<400 bytes"}));
    EXPECT_EQ(small.H.DurationOf("TINY.KL1 too small to contain a train"), 5000);
    EXPECT_EQ(small.P.SourceBox,
              (std::vector<std::string>{BatchCompletedText, BatchFailuresText, "Files processed\t0/1"}));

    DataFileBuilder kl3(FileKind::KL3);
    kl3.Minute();
    for (int i = 0; i < 5; ++i) kl3.Click(MakeClick(1'000 + i * 10'000), 5);
    const std::string other = kl3.Write(dir.File("C.KL3"));
    const std::string good = WriteKL1(dir, "D.KL1", 2, 0);
    Batch mixed;
    const TrainBatchResult m = mixed.Run({other, good});
    EXPECT_EQ(m.Processed, 1);
    EXPECT_EQ(m.Failed, 1);
    ASSERT_EQ(mixed.H.Results().Lines().size(), 2u);
    EXPECT_EQ(mixed.H.Results().Lines()[0], "C.KL3\tNot *.KL1");
    // The header comes only when the page is empty.
    EXPECT_EQ(mixed.H.Results().Lines()[1].substr(0, 5), "D.KL\t");
    EXPECT_EQ(mixed.H.DurationOf("C.KL3 file not a .KL1 file"), 1000);
}

// ESC is seen held once a number of files have been finished.
class EscapeAfterFiles : public HeadlessHost {
public:
    explicit EscapeAfterFiles(std::size_t files) : files_(files) {}
    bool EscapeHeld() override { return Results().Lines().size() >= files_ + 1; }

private:
    std::size_t files_;
};

TEST(TrainBatch, EscapeEndsTheBatchAfterTheCurrentFile) {
    TempDir dir;
    std::vector<std::string> files;
    for (int i = 0; i < 5; ++i) files.push_back(WriteKL1(dir, "F" + std::to_string(i) + ".KL1", 1, i));
    Program p;
    EscapeAfterFiles host(3);
    TrainBatchOptions o;
    const TrainBatchResult r = RunTrainBatch(p, host, files, o);
    EXPECT_TRUE(r.Stopped);
    EXPECT_EQ(r.Processed, 3);
    EXPECT_EQ(p.SourceBox.back(), "Files processed\t3/5");
    EXPECT_TRUE(FileExists(dir.File("F2.KL3")));
    EXPECT_FALSE(FileExists(dir.File("F3.KL3")));
}

TEST(TrainBatch, ParallelJobsGiveTheSameResultsAsOne) {
    TempDir dir;
    std::vector<std::string> files;
    testing::WriteFileBytes(dir.File("TINY.KL1"), std::vector<std::uint8_t>(399, 0));
    files.push_back(dir.File("TINY.KL1"));
    for (int i = 0; i < 4; ++i) files.push_back(WriteKL1(dir, "J" + std::to_string(i) + ".KL1", 2 + i, i));
    Batch inlineRun, isolated, parallel;
    inlineRun.Run(files);
    const auto kl3 = testing::ReadFileBytes(dir.File("J3.KL3"));
    isolated.Run(files, 1, true);
    parallel.Run(files, 3);
    EXPECT_EQ(isolated.H.Results().Lines(), inlineRun.H.Results().Lines());
    EXPECT_EQ(parallel.H.Results().Lines(), isolated.H.Results().Lines());
    EXPECT_EQ(parallel.H.MessageTexts(), isolated.H.MessageTexts());
    EXPECT_EQ(parallel.P.SourceBox, isolated.P.SourceBox);
    EXPECT_EQ(testing::ReadFileBytes(dir.File("J3.KL3")), kl3);
    ASSERT_EQ(parallel.H.Results().Lines().size(), 5u); // the skipped file first: no header
}

TEST(TrainBatch, TheCommandsAskForTheFiles) {
    Batch none;
    FindTrainsInKL1Batch(none.P, none.H);
    ASSERT_EQ(none.H.Dialogs.size(), 1u);
    EXPECT_EQ(none.H.Dialogs[0].Title, "Select one or more files to process");
    EXPECT_TRUE(none.H.Dialogs[0].MultiSelect);
    EXPECT_EQ(none.H.DurationOf("No files selected"), 2000);

    // The KL2 batch belongs to development mode.
    Batch kl2;
    FindTrainsInKL2Batch(kl2.P, kl2.H);
    EXPECT_TRUE(kl2.H.Dialogs.empty());

    TempDir dir;
    const std::string a = WriteKL1(dir, "A.KL1", 2, 0);
    Batch dev;
    dev.P.Options.DevelopmentMode = true;
    dev.H.OpenAnswers.push_back({a});
    FindTrainsInKL1Batch(dev.P, dev.H);
    dev.H.OpenAnswers.push_back({dir.File("A.KL2")});
    const TrainBatchResult r = FindTrainsInKL2Batch(dev.P, dev.H);
    EXPECT_EQ(r.Processed, 1);
    EXPECT_TRUE(FileExists(dir.File("A.KL2")));
    EXPECT_EQ(dev.H.Results().Lines().size(), 3u);
}

TEST(TrainBatch, TheMinuteLimitComesFromMinLimit) {
    Program p;
    TakeTdaMinuteLimit(p);
    EXPECT_EQ(TrainDetectionStateOf(p).TdaMinuteLimit, 65'536);
    TdaSettingsOf(p).TDAMinLim.Set("1024");
    TakeTdaMinuteLimit(p);
    EXPECT_EQ(TrainDetectionStateOf(p).TdaMinuteLimit, 1024);
}

} // namespace
} // namespace kelp
