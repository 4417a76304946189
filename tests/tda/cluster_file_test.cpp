// MakeClusterFile on whole files: the KL2 file read back through the program's reader,
// its header, terminator and map file, the pre-filter settings, and damaged input.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "core/bytes.h"
#include "core/codes.h"
#include "core/file_io.h"
#include "core/headless_host.h"
#include "core/map_file.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"
#include "tda/cluster_file.h"
#include "tda/tda_settings.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using testing::MakeClick;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

ClickRecord Click(std::int32_t time, int kHz, int ncyc, int spl, int bw = 3, std::uint8_t envelope = 0x37) {
    return MakeClick(time, kHz, ncyc, spl, bw, envelope);
}

class ClusterFileTest : public ::testing::Test {
protected:
    // A three-minute KL1 file: a bare minute, a minute with a burst and a cluster, a minute
    // of 16 regular clicks.
    std::string SmallKl1(const std::string& name) {
        DataFileBuilder b(FileKind::KL1, MakeMinute(2024, 6, 1, 12, 0));
        b.Minute(90, 40).Click(Click(5000, 130, 10, 90)).Click(Click(90000, 60, 10, 90));
        b.Minute(91, 41).Click(Click(200000, 130, 10, 150));
        for (int i = 1; i <= 8; ++i) b.Click(Click(200000 + 600 * i, 125, 5, 20, 4));
        b.Click(Click(206800, 130, 20, 120, 6, 0x5A))
            .Click(Click(206870, 128, 8, 90, 5))
            .Click(Click(207182, 120, 12, 60, 5))
            .Click(Click(207451, 140, 6, 45, 7));
        b.Minute(92, 42);
        for (int i = 0; i < 16; ++i) b.Click(Click(10000 + 10000 * i, 140, 10, 100));
        return b.Write(dir.File(name));
    }

    std::string Run(const std::string& kl1, ClusterRunSummary* summary = nullptr) {
        if (!OpenDataFile(program, host, kl1, 1)) return "open failed";
        return MakeClusterFile(program, host, summary);
    }

    testing::TempDir dir;
    Program program;
    HeadlessHost host;
};

TEST_F(ClusterFileTest, OnlyAKl1FileInSlotOneIsClustered) {
    EXPECT_EQ(MakeClusterFile(program, host), "");
    EXPECT_EQ(host.DurationOf(WrongFileTypeText), Message5s);

    DataFileBuilder b(FileKind::KL3);
    b.Minute().Click(Click(1000, 130, 10, 90), 5);
    const std::string kl3 = b.Write(dir.File("t.KL3"));
    ASSERT_TRUE(OpenDataFile(program, host, kl3, 1));
    host.Messages.clear();
    EXPECT_EQ(MakeClusterFile(program, host), "");
    EXPECT_TRUE(host.Showed(WrongFileTypeText));
    EXPECT_TRUE(program.Slot(1).IsOpen);
    EXPECT_FALSE(FileExists(dir.File("t.KL2")));
}

TEST_F(ClusterFileTest, TheKl2FileReadsBackThroughTheReader) {
    const std::string kl1 = SmallKl1("s.KL1");
    ClusterRunSummary summary;
    const std::string kl2 = Run(kl1, &summary);
    ASSERT_EQ(kl2, dir.File("s.KL2"));
    EXPECT_EQ(summary.Minutes, 3);
    EXPECT_EQ(summary.Clicks, 2 + 13 + 16);
    EXPECT_EQ(summary.Records, 13 + 1 + 16 + 1);
    EXPECT_EQ(summary.Clusters, 2);
    EXPECT_FALSE(summary.MapWritten);
    EXPECT_FALSE(summary.InputDamaged);

    // Outside a batch the new file is open in slot 1.
    const FileSlot& s = program.Slot(1);
    ASSERT_TRUE(s.IsOpen);
    EXPECT_EQ(s.FullName, kl2);
    EXPECT_EQ(s.Kind, FileKind::KL2);

    // Header: the KL1 header with the KL2 kind, record length and envelope byte.
    const auto in = ReadFileBytes(kl1);
    const auto out = ReadFileBytes(kl2);
    EXPECT_EQ(out[0], 36);
    EXPECT_EQ(out[1], 20);
    EXPECT_EQ(out[2], 1);
    EXPECT_TRUE(std::equal(in.begin() + 3, in.begin() + 360, out.begin() + 3));
    // Minute 1 has two clicks: its bare marker only.
    ASSERT_EQ(out.size(), 360u + 20 * (3 + 29 + 2) + 40);
    EXPECT_TRUE(std::all_of(out.end() - 40, out.end(), [](std::uint8_t v) { return v == 255; }));

    // Every record, statuses 0 and 1 included, with the filters ignored.
    program.Clicks.Ignore = true;
    PositionAt(program, host, s.FirstMinute, 0);
    std::vector<ClickRecord> clicks;
    std::vector<MinuteMarker> markers;
    FileSlot& slot = program.Slot(1);
    while (slot.MoreData) {
        NextRecord(program, host, 1);
        if (IsClickType(slot.NRType))
            clicks.push_back(slot.Click);
        else if (slot.NRType == TypeMinuteMarker)
            markers.push_back(slot.Marker);
    }
    ASSERT_EQ(markers.size(), 2u); // the first marker is decoded by positioning
    EXPECT_EQ(markers[0].Temperature, 91);
    EXPECT_EQ(markers[0].NClicks, 13);
    EXPECT_EQ(markers[1].NClicks, 16);
    ASSERT_EQ(clicks.size(), 29u + 2u);

    // Minute 2 (a bare marker before it): A, eight burst members, the summary, T, M1..M3.
    EXPECT_EQ(clicks[0].Time, 200000);
    EXPECT_EQ(clicks[0].ClassCode, StatusClusterStart);
    for (int i = 1; i <= 8; ++i) {
        EXPECT_EQ(clicks[static_cast<std::size_t>(i)].ClassCode, StatusBurst);
        EXPECT_EQ(clicks[static_cast<std::size_t>(i)].GapBefore, 9 << 6); // 600 ticks coded as 9 x 64
    }
    const ClickRecord& summaryRecord = clicks[9];
    EXPECT_EQ(summaryRecord.ClassCode, StatusClusterSummary);
    EXPECT_EQ(summaryRecord.Time, 206790);
    EXPECT_EQ(summaryRecord.kHz, 128);
    EXPECT_EQ(summaryRecord.ClusterSize, 4); // member count code 2
    EXPECT_EQ(summaryRecord.ClusterSlope, 2);
    EXPECT_EQ(summaryRecord.ClusterDuration, 10 << 6);
    EXPECT_EQ(summaryRecord.ClusterCycles, 11 << 2);
    EXPECT_EQ(summaryRecord.ClusterMinkHz, 120);
    EXPECT_EQ(summaryRecord.ClusterMaxkHz, 140);
    EXPECT_EQ(summaryRecord.ClusterValue14, 7);
    EXPECT_EQ(summaryRecord.Value17, 45);
    EXPECT_EQ(clicks[10].ClassCode, StatusOrdinary);
    EXPECT_EQ(clicks[11].ClassCode, StatusFused);
}

TEST_F(ClusterFileTest, MinuteLimitKhzAndLevelPreFilter) {
    const std::string kl1 = SmallKl1("p.KL1");
    TdaSettings& settings = TdaSettingsOf(program);
    program.Options.BatchRunning = true;

    // The kHz limit alone does not filter: all 31 clicks stay.
    settings.TDAkHz.Set("130");
    ClusterRunSummary run;
    ASSERT_NE(Run(kl1, &run), "");
    EXPECT_FALSE(program.Slot(1).IsOpen); // in a batch the KL2 file is not opened
    EXPECT_EQ(run.Records, 29 + 2);

    // With a level minimum above 1 the kHz limit applies too: the 16 clicks of 140 kHz, the
    // click of 140 kHz in minute 2 and the weak burst go. Minute 2 keeps A, T, M1, M2 and
    // T's summary record.
    settings.TdaSPLmin.Set("21");
    ASSERT_NE(Run(kl1, &run), "");
    EXPECT_EQ(run.Clicks, 31);
    const auto out = ReadFileBytes(dir.File("p.KL2"));
    EXPECT_EQ(out.size(), 360u + 20 * 3 + 20 * 5 + 40);
    // The markers still count every KL1 click of their minute.
    EXPECT_EQ(out[380 + 7], 13);
    EXPECT_EQ(out[500 + 7], EncodeLogCode16(16));
    EXPECT_EQ(out[500 + 19], TypeMinuteMarker);

    // A minute limit of 0 is no limit; a level minimum of 1 does not filter.
    settings.TdaSPLmin.Set("1");
    settings.TDAMinLim.Set("3");
    ASSERT_NE(Run(kl1, &run), "");
    EXPECT_EQ(run.Records, 0);
}

TEST_F(ClusterFileTest, LargeFilesGetAMapFileThatFitsTheKl2File) {
    // Over 12,000,000 bytes: 100 minutes of 20 clicks, most of the bulk in filler records.
    DataFileBuilder b(FileKind::KL1, MakeMinute(2024, 6, 2, 0, 0));
    std::vector<std::uint8_t> filler(10, 0);
    filler[9] = TypeFiller;
    for (int m = 0; m < 100; ++m) {
        b.Minute();
        for (int i = 0; i < 20; ++i) b.Click(Click(1000 + i * 9000, 100 + (i % 7) * 5, 8, 40 + i));
        for (int i = 0; i < 12000; ++i) b.Raw(filler);
    }
    const std::string kl1 = b.Write(dir.File("big.KL1"));
    ASSERT_GT(FileSizeOf(kl1), MapFileKeepBytes);
    program.Options.BatchRunning = true;
    ClusterRunSummary run;
    const std::string kl2 = Run(kl1, &run);
    ASSERT_FALSE(kl2.empty());
    EXPECT_TRUE(run.MapWritten);

    const auto data = ReadFileBytes(kl2);
    const auto map = ReadFileBytes(dir.File("big.k2m"));
    ASSERT_EQ(map.size(), 8u * 101);
    EXPECT_EQ(ReadLE64(map.data()), 360);
    for (std::size_t k = 0; k < 100; ++k) {
        const std::int64_t at = ReadLE64(&map[k * 8]);
        ASSERT_EQ(data[static_cast<std::size_t>(at) + 19], TypeMinuteMarker) << k;
    }
    EXPECT_EQ(ReadLE64(&map[800]), static_cast<std::int64_t>(data.size()) - 40);

    // The map is what the reader loads: the last minute is reached through it.
    ASSERT_TRUE(OpenDataFile(program, host, kl2, 1));
    PositionAt(program, host, program.Slot(1).FirstMinute + 99, 0);
    EXPECT_EQ(program.Slot(1).Marker.NClicks, 20);

    // A small file written later under the same name leaves no stale map behind.
    CloseAllFiles(program, host);
    const std::string small = SmallKl1("big.KL1");
    ASSERT_FALSE(Run(small, &run).empty());
    EXPECT_FALSE(run.MapWritten);
    EXPECT_FALSE(FileExists(dir.File("big.k2m")));
}

TEST_F(ClusterFileTest, VersionTwoWritesTheDevelopmentFormat) {
    const std::string kl1 = SmallKl1("v.KL1");
    program.Options.DevelopmentMode = true;
    TdaSettingsOf(program).TrainFilterVersion = 2;
    const std::string kl2 = Run(kl1);
    ASSERT_FALSE(kl2.empty());
    const auto out = ReadFileBytes(kl2);
    EXPECT_EQ(out[1], 40);
    EXPECT_EQ(out[6], 2);
    EXPECT_EQ(out[293], 2);
    EXPECT_EQ(out.size(), 360u + 40 * (3 + 29 + 2) + 80);
    const FileSlot& s = program.Slot(1);
    EXPECT_EQ(s.RecordLength, 40);
    EXPECT_EQ(s.RecordFormat, 2);

    // Outside development mode the selection is ignored.
    program.Options.DevelopmentMode = false;
    CloseAllFiles(program, host);
    ASSERT_FALSE(Run(kl1).empty());
    EXPECT_EQ(ReadFileBytes(kl2)[1], 20);
}

TEST_F(ClusterFileTest, DamagedInputEndsCleanlyAndTheKl1FileIsLeftAlone) {
    // A record of no known type in the third minute.
    DataFileBuilder b(FileKind::KL1, MakeMinute(2024, 6, 3, 0, 0));
    b.Minute().Click(Click(1000, 130, 10, 90));
    b.Minute().Click(Click(2000, 130, 10, 90));
    b.Minute().Click(Click(3000, 130, 10, 90));
    std::vector<std::uint8_t> bad(10, 0);
    bad[9] = 200;
    b.Raw(bad).Click(Click(4000, 130, 10, 90)).Minute();
    const std::string kl1 = b.Write(dir.File("bad.KL1"));
    ASSERT_TRUE(OpenDataFile(program, host, kl1, 1));
    const auto before = ReadFileBytes(kl1);
    program.Options.BatchRunning = true;
    ClusterRunSummary run;
    const std::string kl2 = MakeClusterFile(program, host, &run);
    ASSERT_FALSE(kl2.empty());
    EXPECT_TRUE(run.InputDamaged);
    EXPECT_EQ(host.DurationOf(RecordClassErrorText), Message5s);
    EXPECT_EQ(run.Minutes, 3);
    EXPECT_EQ(ReadFileBytes(kl1), before);
    const auto out = ReadFileBytes(kl2);
    EXPECT_EQ(out.size(), 360u + 3 * 20 + 40);

    // A file cut inside a record after it was opened: the whole records are clustered.
    const std::string cut = SmallKl1("cut.KL1");
    ASSERT_TRUE(OpenDataFile(program, host, cut, 1));
    std::filesystem::resize_file(cut, 360 + 10 * 20 + 4);
    host.Messages.clear();
    ASSERT_FALSE(MakeClusterFile(program, host, &run).empty());
    EXPECT_TRUE(run.InputDamaged);
    EXPECT_EQ(run.Minutes, 3);
    EXPECT_EQ(run.Clicks, 2 + 13 + 2);
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_NE(host.Messages[0].Text.find("cut.KL1 ends without its end-of-data records"), std::string::npos);
}

TEST_F(ClusterFileTest, AFirstRecordThatIsNoMarkerCountsAsAnEmptyMarker) {
    // As mapping would repair it, but without touching the KL1 file.
    DataFileBuilder b(FileKind::KL1, MakeMinute(2024, 6, 4, 0, 0));
    b.Click(Click(500, 130, 10, 90));
    for (int i = 0; i < 4; ++i) b.Click(Click(1000 + i * 5000, 130, 10, 90));
    b.Minute(77, 33);
    const std::string kl1 = b.Write(dir.File("first.KL1"));
    ASSERT_TRUE(OpenDataFile(program, host, kl1, 1));
    const auto before = ReadFileBytes(kl1);
    program.Options.BatchRunning = true;
    ClusterRunSummary run;
    const std::string kl2 = MakeClusterFile(program, host, &run);
    ASSERT_FALSE(kl2.empty());
    EXPECT_EQ(ReadFileBytes(kl1), before);
    EXPECT_EQ(run.Minutes, 2);
    EXPECT_EQ(run.Clicks, 4);
    const auto out = ReadFileBytes(kl2);
    EXPECT_EQ(out[360 + 3], 0);
    EXPECT_EQ(out[360 + 7], 4);
    EXPECT_EQ(out[360 + 19], TypeMinuteMarker);
    EXPECT_EQ(ReadBE24(&out[380]), 1000u);
}

TEST_F(ClusterFileTest, RandomBytesNeverCrashTheFinder) {
    program.Options.BatchRunning = true;
    std::mt19937 random(6);
    for (int round = 0; round < 20; ++round) {
        std::vector<std::uint8_t> bytes(400 + random() % 20000);
        for (auto& v : bytes) v = static_cast<std::uint8_t>(random());
        // Mostly clicks and markers, so that the stream gets past its first records.
        for (std::size_t i = 369; i < bytes.size(); i += 10)
            bytes[i] = (random() % 8 == 0) ? 254 : random() % 2;
        bytes[1] = static_cast<std::uint8_t>(round % 2 ? 10 : random());
        const std::string path = dir.File("r" + std::to_string(round) + ".KL1");
        WriteFileBytes(path, bytes);
        CloseAllFiles(program, host);
        if (!OpenDataFile(program, host, path, 1)) continue;
        ClusterRunSummary run;
        const std::string kl2 = MakeClusterFile(program, host, &run);
        if (kl2.empty()) continue;
        const auto out = ReadFileBytes(kl2);
        EXPECT_GE(out.size(), 400u);
        EXPECT_EQ(out.size() % 20, 0u);
    }
}

TEST_F(ClusterFileTest, AFailedWriteLeavesNoKl2File) {
    const std::string kl1 = SmallKl1("w.KL1");
    std::filesystem::create_directory(dir.File("w.KL2.part"));
    ASSERT_TRUE(OpenDataFile(program, host, kl1, 1));
    EXPECT_EQ(MakeClusterFile(program, host), "");
    EXPECT_FALSE(FileExists(dir.File("w.KL2")));
    EXPECT_EQ(host.Messages.back().Milliseconds, Message2s);
    EXPECT_TRUE(program.Slot(1).IsOpen);
}

} // namespace
} // namespace kelp
