#include "tda/train_class_edit.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>

#include "core/filters.h"
#include "core/headless_host.h"
#include "core/map_file.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using testing::MakeClick;
using testing::ReadFileBytes;
using testing::TempDir;

constexpr std::size_t KL3Record = 20;

ClickRecord GradedClick(std::int32_t time, int quality, int species, bool intervalFlag = false) {
    ClickRecord c = MakeClick(time);
    c.Quality = static_cast<std::uint8_t>(quality);
    c.Species = static_cast<std::uint8_t>(species);
    c.IntervalFlag = intervalFlag ? 1 : 0;
    c.TrainSlot = 3;
    return c;
}

TEST(SpeciesEditBytes, OnlyTheSpeciesBitsChange) {
    // 0x8D: quality 1, unclassed, interval flag.
    EXPECT_EQ(EditedClassByte(0x8D, SpeciesEdit::SetPorpoise), 0x81);
    EXPECT_EQ(EditedClassByte(0x8D, SpeciesEdit::SetDolphin), 0x85);
    // 0x07: quality 3, dolphin.
    EXPECT_EQ(EditedClassByte(0x07, SpeciesEdit::RemoveClass), 0x0F);
    EXPECT_EQ(EditedClassByte(0x12, SpeciesEdit::RemoveClass), 0x0E); // sonar, quality 2
    EXPECT_EQ(EditText(SpeciesEdit::RemoveClass), "Species set to unknown");
    EXPECT_EQ(EditText(SpeciesEdit::SetDolphin), "Species set to dolphin");
    EXPECT_EQ(EditText(SpeciesEdit::SetPorpoise), "Species set to porpoise");
}

class SpeciesEditTest : public ::testing::Test {
protected:
    Program program;
    HeadlessHost host;
    TempDir dir;
    std::string path;
    std::vector<std::uint8_t> before;
    MinuteNumber first = MakeMinute(2024, 1, 1, 0, 0);

    // Minute 0: train 7 (clicks at 1, 2, 3, 4, 5 x 100,000 ticks; the 4th after a missed
    // click) interleaved with train 8; minute 1: train 7 again (a train id seen again later).
    void SetUp() override {
        DataFileBuilder b(FileKind::KL3, first);
        b.Minute();
        for (int i = 1; i <= 5; ++i) {
            b.Click(GradedClick(i * 100'000, 2, SpeciesPorpoise, i == 4), 7);
            b.Click(GradedClick(i * 100'000 + 50'000, 3, SpeciesPorpoise), 8);
        }
        b.Minute();
        b.Click(GradedClick(100'000, 2, SpeciesPorpoise), 7);
        b.Click(GradedClick(200'000, 2, SpeciesPorpoise), 7);
        path = b.Write(dir.File("edit.KL3"));
        before = ReadFileBytes(path);
        ASSERT_TRUE(OpenDataFile(program, host, path, 1));
        host.Messages.clear();
    }

    // The position of the n-th record after the header (0: the first minute marker).
    static std::size_t Record(int n) { return HeaderLength + static_cast<std::size_t>(n) * KL3Record; }
};

TEST_F(SpeciesEditTest, AnEditInMidTrainChangesThatClickAndTheLaterOnesOfItsMinuteOnly) {
    EXPECT_TRUE(EditTrainSpecies(program, host, 1, {first, 300'000}, SpeciesEdit::SetDolphin));
    auto expected = before;
    // Records 5, 7 and 9 are train 7's clicks at 300,000, 400,000 (interval flag) and 500,000.
    expected[Record(5) + 18] = 0x06;
    expected[Record(7) + 18] = 0x86;
    expected[Record(9) + 18] = 0x06;
    EXPECT_EQ(ReadFileBytes(path), expected);
    EXPECT_TRUE(host.Messages.empty());

    const std::vector<std::string> lines{"Editing\t" + path, "time\tTrain ID\tedit",
                                         "01/01/2024 00:00:01.500000\t7\tSpecies set to dolphin\t"};
    EXPECT_EQ(host.Results().Lines(), lines);
}

TEST_F(SpeciesEditTest, TheHeaderLinesComeOncePerFileAndTheApostropheWhenAsked) {
    program.Options.ApostropheBeforeTimes = true;
    EXPECT_TRUE(EditTrainSpecies(program, host, 1, {first, 250'000}, SpeciesEdit::SetDolphin));
    EXPECT_TRUE(EditTrainSpecies(program, host, 1, {first, 100'000}, SpeciesEdit::RemoveClass));
    const std::vector<std::string> lines{"Editing\t" + path, "time\tTrain ID\tedit",
                                         "'01/01/2024 00:00:01.250000\t8\tSpecies set to dolphin\t",
                                         "'01/01/2024 00:00:00.500000\t7\tSpecies set to unknown\t"};
    EXPECT_EQ(host.Results().Lines(), lines);

    // Train 8 from its 2nd click is dolphin, train 7 all unclassed (quality and flag kept).
    auto expected = before;
    for (int i = 0; i < 5; ++i) expected[Record(1 + 2 * i) + 18] = i == 3 ? 0x8E : 0x0E;
    for (int i = 1; i < 5; ++i) expected[Record(2 + 2 * i) + 18] = 0x07;
    EXPECT_EQ(ReadFileBytes(path), expected);

    // Another file starts its own header; so does an emptied results page.
    DataFileBuilder other(FileKind::KL3, first);
    other.Minute().Click(GradedClick(100'000, 2, SpeciesDolphin), 9);
    const std::string otherPath = other.Write(dir.File("other.KL3"));
    ASSERT_TRUE(OpenDataFile(program, host, otherPath, 2));
    EXPECT_TRUE(EditTrainSpecies(program, host, 2, {first, 100'000}, SpeciesEdit::SetPorpoise));
    EXPECT_EQ(host.Results().Lines().size(), 7u);
    EXPECT_EQ(host.Results().Lines()[4], "Editing\t" + otherPath);
    EXPECT_EQ(host.Results().Lines()[6], "'01/01/2024 00:00:00.500000\t9\tSpecies set to porpoise\t");
    host.Results().Clear();
    EXPECT_TRUE(EditTrainSpecies(program, host, 2, {first, 100'000}, SpeciesEdit::SetPorpoise));
    EXPECT_EQ(host.Results().Lines().size(), 3u);
}

TEST_F(SpeciesEditTest, ThePointerMustBeOverAKL3File) {
    DataFileBuilder raw(FileKind::KL1, first);
    raw.Minute().Click(MakeClick(100'000));
    const std::string rawPath = raw.Write(dir.File("edit.KL1"));
    const auto rawBefore = ReadFileBytes(rawPath);
    ASSERT_TRUE(OpenDataFile(program, host, rawPath, 2));
    host.Messages.clear();
    for (int slot : {0, 2, 3}) {
        EXPECT_FALSE(EditTrainSpecies(program, host, slot, {first, 100'000}, SpeciesEdit::SetDolphin));
        EXPECT_TRUE(host.Showed("Pointer must be over a KL3 file display area"));
        host.Messages.clear();
    }
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(ReadFileBytes(rawPath), rawBefore);
    EXPECT_TRUE(host.Results().Lines().empty());
}

TEST_F(SpeciesEditTest, NoClickAtTheTimeChangesNothing) {
    for (const ClickTime at :
         {ClickTime{first, 300'001}, ClickTime{first, 0}, ClickTime{first + 5, 100'000}}) {
        EXPECT_FALSE(EditTrainSpecies(program, host, 1, at, SpeciesEdit::SetDolphin));
        EXPECT_TRUE(host.Showed("No train click at " + ClickTimeText(at)));
    }
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_TRUE(host.Results().Lines().empty());
}

TEST_F(SpeciesEditTest, ClicksHiddenByTheFiltersCannotBePointedAt) {
    // At start-up "Lo" trains are not shown; train 7 is Mod, so make its 3rd click Lo.
    auto bytes = before;
    bytes[Record(5) + 18] = 0x01;
    testing::WriteFileBytes(path, bytes);
    EXPECT_FALSE(EditTrainSpecies(program, host, 1, {first, 300'000}, SpeciesEdit::SetDolphin));
    SetIgnoreFilters(program, host, true);
    EXPECT_TRUE(EditTrainSpecies(program, host, 1, {first, 300'000}, SpeciesEdit::SetDolphin));
    EXPECT_EQ(ReadFileBytes(path)[Record(5) + 18], 0x05);
}

TEST_F(SpeciesEditTest, AFailedWriteChangesNothing) {
    ASSERT_TRUE(program.Slot(1).File.Open(path, BinaryFile::Mode::Read));
    EXPECT_FALSE(EditTrainSpecies(program, host, 1, {first, 100'000}, SpeciesEdit::SetDolphin));
    EXPECT_TRUE(host.Showed(SystemErrorText(EBADF)));
    EXPECT_EQ(host.DurationOf(SystemErrorText(EBADF)), 2000);
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_TRUE(host.Results().Lines().empty());
}

TEST_F(SpeciesEditTest, TheReaderGoesOnWithTheEditedClasses) {
    EXPECT_TRUE(EditTrainSpecies(program, host, 1, {first, 100'000}, SpeciesEdit::SetDolphin));
    FileSlot& s = program.Slot(1);
    EXPECT_EQ(s.Click.Species, SpeciesDolphin);
    NextRecord(program, host, 1); // train 8
    NextRecord(program, host, 1); // train 7's second click, from the reader's buffer
    ASSERT_EQ(s.NRType, 7);
    EXPECT_EQ(s.Click.Time, 200'000);
    EXPECT_EQ(s.Click.Species, SpeciesDolphin);
    EXPECT_EQ(s.Click.Quality, 2);
}

// Random records: an edit only ever changes the species bits of train clicks.
TEST(SpeciesEditRobustness, RandomRecordsChangeOnlySpeciesBits) {
    std::mt19937 random(17);
    TempDir dir;
    int changed = 0;
    for (int round = 0; round < 40; ++round) {
        DataFileBuilder b(FileKind::KL3);
        b.Minute();
        const int records = 1 + static_cast<int>(random() % 60);
        std::int32_t time = 0;
        for (int i = 0; i < records; ++i) {
            std::vector<std::uint8_t> r(KL3Record);
            for (auto& byte : r) byte = static_cast<std::uint8_t>(random());
            time += static_cast<std::int32_t>(random() % 300'000);
            r[0] = static_cast<std::uint8_t>(time >> 16);
            r[1] = static_cast<std::uint8_t>(time >> 8);
            r[2] = static_cast<std::uint8_t>(time);
            const int kind = static_cast<int>(random() % 10);
            if (kind < 7)
                r[19] = static_cast<std::uint8_t>(random() % 10); // train clicks and strays
            else if (kind < 9)
                r[19] = TypeMinuteMarker;
            b.Raw(r);
        }
        const std::string path = b.Write(dir.File("random" + std::to_string(round) + ".KL3"));
        Program program;
        HeadlessHost host;
        ASSERT_TRUE(OpenDataFile(program, host, path, 1));
        BuildMap(program, host, 1, true);
        SetIgnoreFilters(program, host, true);
        std::vector<ClickTime> clicks;
        FileSlot& s = program.Slot(1);
        PositionAt(program, host, s.FirstMinute, 0);
        while (s.MoreData) {
            NextRecord(program, host, 1);
            if (s.MoreData && s.NRType < 128) clicks.push_back(s.Click.When());
        }
        const auto opened = ReadFileBytes(path);
        for (std::size_t k = 0; k < clicks.size(); k += 3)
            EditTrainSpecies(program, host, 1, clicks[k], static_cast<SpeciesEdit>(k % 3));
        const auto edited = ReadFileBytes(path);
        ASSERT_EQ(edited.size(), opened.size());
        for (std::size_t i = 0; i < edited.size(); ++i) {
            if (edited[i] == opened[i]) continue;
            ++changed;
            const bool classByte = i >= HeaderLength && (i - HeaderLength) % KL3Record == 18 &&
                                   opened[i + 1] >= 5 && opened[i + 1] <= 127;
            EXPECT_TRUE(classByte) << "round " << round << " byte " << i;
            EXPECT_EQ((edited[i] ^ opened[i]) & 0x83, 0) << "round " << round << " byte " << i;
        }
        CloseAllFiles(program, host);
    }
    EXPECT_GT(changed, 20);
}

TEST(IdentifyTrain, OnlyInDevelopmentModeAndOnlyOnce) {
    Program program;
    HeadlessHost host;
    ClickRecord click = MakeClick(123'456);
    click.TrainSlot = 42;
    EXPECT_FALSE(RequestIdentifyTrain(program));
    EXPECT_FALSE(IdentifyTrainIfRequested(program, host, click));
    EXPECT_FALSE(TrainTrackingOf(program).TrackTrN);

    program.Options.DevelopmentMode = true;
    EXPECT_TRUE(RequestIdentifyTrain(program));
    EXPECT_TRUE(IdentifyTrainIfRequested(program, host, click));
    const TrainTracking& tracking = TrainTrackingOf(program);
    EXPECT_TRUE(tracking.TrackTrN);
    EXPECT_EQ(tracking.TrackN, "42");
    EXPECT_EQ(tracking.TrackStart, "123456");
    EXPECT_EQ(host.Changes, std::vector<std::string>{"train tracking"});
    click.TrainSlot = 7;
    EXPECT_FALSE(IdentifyTrainIfRequested(program, host, click));
    EXPECT_EQ(tracking.TrackN, "42");
}

} // namespace
} // namespace kelp
