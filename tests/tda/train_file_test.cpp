#include <gtest/gtest.h>

#include "core/codes.h"
#include "core/file_io.h"
#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "tda/tda_settings.h"
#include "tda/train_file.h"
#include "tests/support/builders.h"
#include "tests/tda/train_test_blocks.h"

namespace kelp {
namespace {

using testing::BlockClick;
using testing::DataFileBuilder;
using testing::ReadFileBytes;
using testing::RegularTrain;
using testing::TempDir;

// A KL2 file of three minutes: a train of 20 clicks, two lone clicks, a train of 12 clicks.
std::string WriteThreeMinutes(const TempDir& dir, DataFileBuilder& b) {
    b.Minute(testing::MarkerBytes(50, 0x34));
    for (const auto& c : RegularTrain(100'000, 10'000, 20)) b.Raw(testing::ClickRecordBytes(c));
    b.Minute(testing::MarkerBytes(60, 0x12));
    for (const auto& c : RegularTrain(100'000, 10'000, 2)) b.Raw(testing::ClickRecordBytes(c));
    b.Minute(testing::MarkerBytes(70, 0x25));
    for (const auto& c : RegularTrain(900'000, 12'000, 12)) b.Raw(testing::ClickRecordBytes(c));
    return b.Write(dir.File("DEP1.KL2"));
}

struct DetectionRun {
    Program P;
    HeadlessHost H;
    bool Detect(const std::string& kl2) {
        if (!OpenDataFile(P, H, kl2, 1)) return false;
        return RunTrainDetection(P, H);
    }
};

TEST(TrainFile, WritesTheMinutesAndTheClicksOfTheTrains) {
    TempDir dir;
    DataFileBuilder b(FileKind::KL2, MakeMinute(2024, 5, 1, 10, 0));
    const std::string kl2 = WriteThreeMinutes(dir, b);
    const auto kl2Bytes = ReadFileBytes(kl2);
    DetectionRun run;
    ASSERT_TRUE(run.Detect(kl2));

    const auto kl3 = ReadFileBytes(dir.File("DEP1.KL3"));
    ASSERT_EQ(kl3.size(), 360u + 20 + 19 * 20 + 20 + 20 + 11 * 20 + 40);
    for (std::size_t i = 0; i < 360; ++i) {
        if (i == 293)
            EXPECT_EQ(kl3[i], 1);
        else
            EXPECT_EQ(kl3[i], kl2Bytes[i]) << i;
    }
    std::size_t at = 360;
    EXPECT_EQ(kl3[at + 11], EncodeLogCode32(19));
    EXPECT_EQ(kl3[at + 6], 50);
    at += 20;
    for (int i = 0; i < 19; ++i, at += 20) {
        EXPECT_EQ(ReadBE24(&kl3[at]), static_cast<std::uint32_t>(100'000 + i * 10'000));
        EXPECT_EQ(kl3[at + 19], 5);
    }
    // The minute of two clicks is its marker, unchanged.
    EXPECT_TRUE(std::equal(kl3.begin() + static_cast<std::ptrdiff_t>(at),
                           kl3.begin() + static_cast<std::ptrdiff_t>(at + 20),
                           kl2Bytes.begin() + 360 + 21 * 20));
    at += 20;
    EXPECT_EQ(kl3[at + 11], EncodeLogCode32(11));
    EXPECT_EQ(kl3[at + 10], 0);
    at += 20;
    for (int i = 0; i < 11; ++i, at += 20) EXPECT_EQ(kl3[at + 19], 6);
    for (; at < kl3.size(); ++at) EXPECT_EQ(kl3[at], 255);

    // Small files keep no map; the KL3 file is open for display.
    EXPECT_FALSE(FileExists(dir.File("DEP1.k3m")));
    EXPECT_FALSE(FileExists(dir.File("DEP1.k2m")));
    EXPECT_EQ(run.P.Slot(1).Kind, FileKind::KL3);

    const auto& lines = run.H.Results().Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              "file\tstart\tend\tdays\tmins\tallClx\tHi\tMod\tLo\t?\tPorp\tDol\tCet ?sp\tunclass\tSonar");
    const std::int64_t events = static_cast<std::int64_t>(kl2Bytes.size()) / 20 - 3;
    const auto& counters = TrainDetectionStateOf(run.P).LastCounters;
    std::string expected = "DEP1.KL\t01/05/2024 10:00\t01/05/2024 10:02\t3m\t3\t" + std::to_string(events);
    for (int q = 3; q >= 0; --q)
        expected += "\t" + std::to_string(counters.QualityTotals[static_cast<std::size_t>(q)]);
    for (auto s : counters.SpeciesTotals) expected += "\t" + std::to_string(s);
    EXPECT_EQ(lines[1], expected);
    EXPECT_EQ(counters.QualityTotals[0] + counters.QualityTotals[1] + counters.QualityTotals[2] +
                  counters.QualityTotals[3],
              30);
    EXPECT_EQ(counters.FileMins, 3);
    EXPECT_EQ(counters.ActiveMins, 2);

    const TrainSummary& summary = TrainDetectionStateOf(run.P).Summary;
    ASSERT_EQ(summary.ResultLabels.size(), 12u);
    EXPECT_EQ(summary.ResultLabels[0], "DEP1.KL2");
    EXPECT_EQ(summary.ResultLabels[1], "Events " + std::to_string(events) + ".  FileMins 3  ActiveMins 2");
    EXPECT_EQ(summary.ResultLabels[2],
              "30 in trains. Event/class rate = " + std::to_string(30 * 100 / events) + "%");
    EXPECT_EQ(summary.StatusLabel, "30 clicks in all trains");
    EXPECT_EQ(summary.DiagnosticLabels[3], "Max(P) = 2");

    // A second file's line goes under the same header.
    DataFileBuilder b2(FileKind::KL2, MakeMinute(2024, 5, 2, 10, 0));
    const std::string second = b2.Minute().Write(dir.File("DEP2.KL2"));
    CloseAllFiles(run.P, run.H);
    ASSERT_TRUE(run.Detect(second));
    EXPECT_EQ(run.H.Results().Lines().size(), 3u);
    EXPECT_EQ(run.H.Results().Lines()[2].substr(0, 8), "DEP2.KL\t");
}

TEST(TrainFile, TheMapOfALargeKL3File) {
    TempDir dir;
    DataFileBuilder b(FileKind::KL2);
    const std::string kl2 = WriteThreeMinutes(dir, b);
    DetectionRun run;
    TrainDetectionStateOf(run.P).MapKeepBytes = 1'000;
    run.P.Options.BatchRunning = true;
    ASSERT_TRUE(run.Detect(kl2));
    const auto map = ReadFileBytes(dir.File("DEP1.k3m"));
    ASSERT_EQ(map.size(), 5u * 8);
    const std::int64_t afterFirst = 360 + 20 + 19 * 20;
    const std::int64_t expected[5] = {360, afterFirst, afterFirst + 20, afterFirst + 40 + 11 * 20,
                                      afterFirst + 40 + 11 * 20};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(ReadLE64(&map[static_cast<std::size_t>(8 * i)]), expected[i]) << i;
    // In a batch the file is closed at the end.
    EXPECT_FALSE(run.P.Slot(1).IsOpen);

    // A smaller file removes an old map.
    TrainDetectionStateOf(run.P).MapKeepBytes = 12'000'000;
    ASSERT_TRUE(run.Detect(kl2));
    EXPECT_FALSE(FileExists(dir.File("DEP1.k3m")));
}

TEST(TrainFile, NeedsAKL2FileInSlotOne) {
    DetectionRun run;
    EXPECT_FALSE(RunTrainDetection(run.P, run.H));
    EXPECT_EQ(run.H.DurationOf("File 1 not open, or not KL2"), 1000);

    TempDir dir;
    DataFileBuilder b(FileKind::KL1);
    const std::string kl1 = b.Minute().Click(testing::MakeClick(100)).Write(dir.File("A.KL1"));
    ASSERT_TRUE(OpenDataFile(run.P, run.H, kl1, 1));
    EXPECT_FALSE(RunTrainDetection(run.P, run.H));
    EXPECT_FALSE(FileExists(dir.File("A.KL3")));
}

TEST(TrainFile, AMapFileOffTheRecordBoundariesIsNotUsed) {
    TempDir dir;
    DataFileBuilder b(FileKind::KL2);
    const std::string kl2 = WriteThreeMinutes(dir, b);
    DetectionRun fresh;
    ASSERT_TRUE(fresh.Detect(kl2));
    const auto expected = testing::ReadFileBytes(dir.File("DEP1.KL3"));
    // A map whose first minute would be 9 bytes long cannot be this file's: it is scanned.
    const std::int64_t size = FileSizeOf(kl2);
    std::vector<std::uint8_t> map(24);
    WriteLE64(&map[0], 360);
    WriteLE64(&map[8], 369);
    WriteLE64(&map[16], size - 40);
    testing::WriteFileBytes(dir.File("DEP1.k2m"), map);
    DetectionRun run;
    ASSERT_TRUE(OpenDataFile(run.P, run.H, kl2, 1));
    ASSERT_TRUE(FindTrainsInSlot1(run.P, run.H));
    EXPECT_EQ(testing::ReadFileBytes(dir.File("DEP1.KL3")), expected);
}

TEST(TrainFile, AnOldKL3FileIsReplaced) {
    TempDir dir;
    DataFileBuilder b(FileKind::KL2);
    const std::string kl2 = WriteThreeMinutes(dir, b);
    testing::WriteFileBytes(dir.File("DEP1.KL3"), std::vector<std::uint8_t>(5'000, 7));
    testing::WriteFileBytes(dir.File("DEP1.k3m"), std::vector<std::uint8_t>(16, 0));
    DetectionRun run;
    run.P.Options.BatchRunning = true;
    ASSERT_TRUE(run.Detect(kl2));
    EXPECT_EQ(FileSizeOf(dir.File("DEP1.KL3")), 360 + 20 + 19 * 20 + 20 + 20 + 11 * 20 + 40);
    EXPECT_FALSE(FileExists(dir.File("DEP1.k3m")));
    EXPECT_FALSE(FileExists(dir.File("DEP1.KL3.part")));
}

} // namespace
} // namespace kelp

namespace kelp {
namespace {

// Version 2 reads 40-byte records; its clicks carry no gap before them, so no train starts.
TEST(TrainFile, Version2WritesTheMinutesOfA40ByteFile) {
    TempDir dir;
    DataFileBuilder b(FileKind::KL2);
    b.Minute();
    std::vector<std::uint8_t> bytes = b.Bytes();
    bytes.resize(360);
    bytes[1] = 40;
    bytes[6] = 2;
    bytes[293] = 2;
    for (int m = 0; m < 2; ++m) {
        std::vector<std::uint8_t> marker(40, 0);
        marker[6] = static_cast<std::uint8_t>(10 + m);
        marker[39] = 254;
        bytes.insert(bytes.end(), marker.begin(), marker.end());
        for (const auto& c : RegularTrain(100'000, 10'000, 12)) {
            auto r = testing::ClickRecordBytes(c);
            r.resize(40, 0);
            r[39] = 3;
            bytes.insert(bytes.end(), r.begin(), r.end());
        }
    }
    bytes.insert(bytes.end(), 80, 255);
    testing::WriteFileBytes(dir.File("V2.KL2"), bytes);

    DetectionRun run;
    run.P.Options.DevelopmentMode = true;
    TdaSettingsOf(run.P).TrainFilterVersion = 2;
    ASSERT_TRUE(run.Detect(dir.File("V2.KL2")));
    const auto kl3 = ReadFileBytes(dir.File("V2.KL3"));
    ASSERT_EQ(kl3.size(), 360u + 2 * 40 + 80);
    EXPECT_EQ(kl3[293], 1);
    EXPECT_EQ(kl3[1], 40);
    EXPECT_EQ(kl3[360 + 11], 0);
    EXPECT_EQ(kl3[360 + 39], 254);
    EXPECT_EQ(kl3[400 + 6], 11);
    EXPECT_EQ(TrainDetectionStateOf(run.P).LastCounters.ActiveMins, 2);
    EXPECT_EQ(TrainDetectionStateOf(run.P).LastCounters.ClicksOffered, 24);
}

} // namespace
} // namespace kelp

namespace kelp {
namespace {

TEST(TrainFile, AStaleMinuteIndexIsNotTrustedWhenNoneIsLoaded) {
    TempDir dir;
    DataFileBuilder b(FileKind::KL2);
    const std::string kl2 = WriteThreeMinutes(dir, b);
    std::vector<std::uint8_t> map(24);
    WriteLE64(&map[0], 360);
    WriteLE64(&map[8], 369);
    WriteLE64(&map[16], FileSizeOf(kl2) - 40);
    testing::WriteFileBytes(dir.File("DEP1.k2m"), map);
    DetectionRun run;
    ASSERT_TRUE(run.Detect(kl2));
    EXPECT_EQ(FileSizeOf(dir.File("DEP1.KL3")), 360 + 20 + 19 * 20 + 20 + 20 + 11 * 20 + 40);
}

} // namespace
} // namespace kelp
