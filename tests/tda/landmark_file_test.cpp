#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <random>
#include <vector>

#include "core/filters.h"
#include "core/headless_host.h"
#include "core/map_file.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"
#include "tda/landmarks.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using testing::MakeClick;
using testing::ReadFileBytes;
using testing::TempDir;

constexpr std::size_t R = 20;

// File positions of the minute markers of a 20-byte record file.
std::vector<std::size_t> MarkerPositions(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::size_t> positions;
    for (std::size_t p = HeaderLength; p + R <= bytes.size(); p += R)
        if (bytes[p + R - 1] == TypeMinuteMarker) positions.push_back(p);
    return positions;
}

// A KL3 train of `clicks` clicks from `start`, `interval` ticks apart.
std::int32_t AddTrain(DataFileBuilder& b, std::int32_t start, std::int32_t interval, int id, int quality,
                      int clicks = 5) {
    for (int i = 0; i < clicks; ++i) {
        ClickRecord c = MakeClick(start + i * interval);
        c.Quality = static_cast<std::uint8_t>(quality);
        c.Species = SpeciesPorpoise;
        c.TrainSlot = id - 4;
        b.Click(c, static_cast<std::uint8_t>(id));
    }
    return start + (clicks - 1) * interval;
}

// Six trains whose means fall 5 times (with a short seventh train after them, which
// closes the sixth): the minute's mark is 32.
void AddFallingSequence(DataFileBuilder& b, std::int32_t start) {
    const std::int32_t means[] = {30'000, 25'000, 20'000, 15'000, 12'000, 8'000};
    std::int32_t t = start;
    for (int k = 0; k < 6; ++k) t = AddTrain(b, t, means[k], 5 + k, k % 2 == 0 ? 3 : 2) + 20'000;
    AddTrain(b, t + 30'000, 10'000, 11, 1, 2);
}

void AddRisingSequence(DataFileBuilder& b, std::int32_t start) {
    const std::int32_t means[] = {8'000, 12'000, 15'000, 20'000, 25'000, 30'000};
    std::int32_t t = start;
    for (int k = 0; k < 6; ++k) t = AddTrain(b, t, means[k], 20 + k, 2) + 20'000;
    AddTrain(b, t + 30'000, 10'000, 26, 1, 2);
}

// The bytes a marked file should hold: the original with the given marks in byte 18 of
// the markers and header byte 4 bit 0 set.
std::vector<std::uint8_t> Marked(std::vector<std::uint8_t> bytes, const std::vector<int>& marks) {
    const auto markers = MarkerPositions(bytes);
    EXPECT_EQ(markers.size(), marks.size());
    for (std::size_t k = 0; k < markers.size() && k < marks.size(); ++k)
        bytes[markers[k] + 18] = static_cast<std::uint8_t>(marks[k]);
    bytes[4] |= 1;
    return bytes;
}

class LandmarkFileTest : public ::testing::Test {
protected:
    Program program;
    HeadlessHost host;
    TempDir dir;

    void Open(const std::string& path, int slot) { ASSERT_TRUE(OpenDataFile(program, host, path, slot)); }
};

TEST_F(LandmarkFileTest, AFileWithoutTrainsGetsTwentyInEveryMinuteAndIsFlagged) {
    DataFileBuilder b(FileKind::KL3);
    b.Minute().Minute().Minute().Minute();
    const std::string path = b.Write(dir.File("quiet.KL3"));
    const auto before = ReadFileBytes(path);
    Open(path, 1);
    EXPECT_TRUE(MarkLandmarkSequences(program, host));
    EXPECT_EQ(ReadFileBytes(path), Marked(before, {20, 20, 20, 20}));
    EXPECT_TRUE(program.Slot(1).LandmarksMarked);
    EXPECT_TRUE(program.Slot(1).Header.LandmarksMarked());
    EXPECT_EQ(program.Slot(1).SettingsText.back(), "    Landmark sequences marked");
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(LandmarkFileTest, MarksChangeOnlyMarkerByte18AndTheHeaderFlag) {
    DataFileBuilder b(FileKind::KL3);
    b.Header().Bytes[4] = 0xA4; // other bits of byte 4 stay
    b.Minute();
    AddFallingSequence(b, 1'000'000);
    b.Minute();
    AddTrain(b, 2'000'000, 12'000, 40, 3);
    b.Minute();
    AddRisingSequence(b, 500'000);
    b.Minute();
    const std::string path = b.Write(dir.File("seq.KL3"));
    const auto before = ReadFileBytes(path);
    Open(path, 1);
    EXPECT_TRUE(MarkLandmarkSequences(program, host));
    const auto after = ReadFileBytes(path);
    // The rising minute's fall value is below 0 and is stored as 1.
    EXPECT_EQ(after, Marked(before, {32, 20, 1, 20}));
    EXPECT_EQ(after[4], 0xA5);

    // The reader shows the marks.
    PositionAt(program, host, program.Slot(1).FirstMinute, 0);
    EXPECT_EQ(program.Slot(1).Marker.MinuteValue18, 32);
}

TEST_F(LandmarkFileTest, MarkingAgainChangesNothingAndOldMarksAreReplaced) {
    DataFileBuilder b(FileKind::KL3);
    std::vector<std::uint8_t> marker(20, 0);
    marker[18] = 7; // a stale mark
    b.Minute(marker);
    AddFallingSequence(b, 1'000'000);
    b.Minute(marker);
    const std::string path = b.Write(dir.File("again.KL3"));
    const auto before = ReadFileBytes(path);
    Open(path, 1);
    EXPECT_TRUE(MarkLandmarkSequences(program, host));
    const auto once = ReadFileBytes(path);
    EXPECT_EQ(once, Marked(before, {32, 20}));
    EXPECT_TRUE(MarkLandmarkSequences(program, host));
    EXPECT_EQ(ReadFileBytes(path), once);
    EXPECT_EQ(program.Slot(1).SettingsText.back(), "    Landmark sequences marked");
    EXPECT_NE(program.Slot(1).SettingsText.end()[-2], "    Landmark sequences marked");
}

TEST_F(LandmarkFileTest, WithoutAKL3FileNothingIsMarked) {
    EXPECT_FALSE(MarkLandmarkSequences(program, host));
    EXPECT_TRUE(host.Showed("None of the open files are KL3 files"));

    DataFileBuilder b(FileKind::KL1);
    b.Minute().Click(MakeClick(1000)).Minute();
    const std::string path = b.Write(dir.File("raw.KL1"));
    const auto before = ReadFileBytes(path);
    Open(path, 1);
    host.Messages.clear();
    EXPECT_FALSE(MarkLandmarkSequences(program, host));
    EXPECT_TRUE(host.Showed("None of the open files are KL3 files"));
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(LandmarkStateOf(program).ButtonCaption, "Mark landmark sequences");
}

TEST_F(LandmarkFileTest, EveryOpenKL3FileIsMarkedWholeWithFiltersIgnoredMeanwhile) {
    // A time selection of the first two minutes narrows the shared range; the KL3 files in
    // slots 2 and 3 are still marked to their ends.
    DataFileBuilder raw(FileKind::KL1);
    raw.Minute().Minute();
    const std::string rawPath = raw.Write(dir.File("set.KL1"));
    const auto rawBefore = ReadFileBytes(rawPath);

    DataFileBuilder b(FileKind::KL3);
    b.Minute().Minute().Minute();
    // Lo and Mod trains, which the start-up train filter would partly hide.
    const std::int32_t means[] = {30'000, 25'000, 20'000, 15'000, 12'000, 8'000};
    std::int32_t t = 1'000'000;
    for (int k = 0; k < 6; ++k) t = AddTrain(b, t, means[k], 5 + k, k % 2) + 20'000;
    AddTrain(b, t + 30'000, 10'000, 11, 0, 1);
    b.Minute();
    const std::string path2 = b.Write(dir.File("set.KL3"));
    const std::string path3 = b.Write(dir.File("copy.KL3"));
    const auto before = ReadFileBytes(path2);

    Open(rawPath, 1);
    Open(path2, 2);
    Open(path3, 3);
    program.SharedEnd = program.Slot(2).FirstMinute + 1;
    program.Options.TimeSelectionSet = true;
    const MinuteNumber sharedEnd = program.SharedEnd;
    std::vector<bool> ignoreSeen;
    program.Display.OnSlotPositioned = [&](int) { ignoreSeen.push_back(program.Clicks.Ignore); };
    host.Changes.clear();

    EXPECT_TRUE(MarkLandmarkSequences(program, host));
    EXPECT_EQ(ReadFileBytes(path2), Marked(before, {20, 20, 32, 20}));
    EXPECT_EQ(ReadFileBytes(path3), Marked(before, {20, 20, 32, 20}));
    EXPECT_EQ(ReadFileBytes(rawPath), rawBefore);

    ASSERT_FALSE(ignoreSeen.empty());
    for (bool ignoring : ignoreSeen) EXPECT_TRUE(ignoring);
    EXPECT_FALSE(program.Clicks.Ignore);
    EXPECT_EQ(program.SharedEnd, sharedEnd);
    EXPECT_FALSE(program.Options.Busy);
    EXPECT_EQ(LandmarkStateOf(program).ButtonCaption, "Mark landmark sequences");
    EXPECT_EQ(SearchingCaption(2), " ... searching File2...");
    EXPECT_EQ(std::count(host.Changes.begin(), host.Changes.end(), std::string("landmark button")), 3);
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(LandmarkFileTest, IgnoreFiltersStaysOnWhenItWasOn) {
    DataFileBuilder b(FileKind::KL3);
    b.Minute();
    const std::string path = b.Write(dir.File("on.KL3"));
    Open(path, 1);
    SetIgnoreFilters(program, host, true);
    EXPECT_TRUE(MarkLandmarkSequences(program, host));
    EXPECT_TRUE(program.Clicks.Ignore);
}

TEST_F(LandmarkFileTest, AFailedWriteLeavesTheFileAsItWasAndUnflagged) {
    DataFileBuilder b(FileKind::KL3);
    b.Minute();
    AddFallingSequence(b, 1'000'000);
    b.Minute();
    const std::string path = b.Write(dir.File("locked.KL3"));
    const auto before = ReadFileBytes(path);
    Open(path, 1);
    // The slot's file can be read but not written.
    ASSERT_TRUE(program.Slot(1).File.Open(path, BinaryFile::Mode::Read));
    EXPECT_FALSE(MarkLandmarkSequences(program, host));
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Milliseconds, 2000);
    EXPECT_EQ(host.Messages[0].Text, SystemErrorText(EBADF));
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_FALSE(program.Slot(1).LandmarksMarked);
}

TEST_F(LandmarkFileTest, AFileThatCannotBeReadToItsEndKeepsItsMarksButIsNotFlagged) {
    DataFileBuilder b(FileKind::KL3);
    b.Minute();
    AddFallingSequence(b, 1'000'000);
    b.Minute();
    std::vector<std::uint8_t> broken(20, 0);
    broken[19] = 200; // a record class error
    b.Raw(broken);
    b.Minute();
    const std::string path = b.Write(dir.File("broken.KL3"));
    const auto before = ReadFileBytes(path);
    Open(path, 1);
    EXPECT_FALSE(MarkLandmarkSequences(program, host));
    EXPECT_TRUE(host.Showed(RecordClassErrorText));
    auto expected = Marked(before, {32, 20, 0});
    expected[4] = before[4];
    expected[MarkerPositions(before)[2] + 18] = 0; // never reached
    EXPECT_EQ(ReadFileBytes(path), expected);
    EXPECT_FALSE(program.Slot(1).LandmarksMarked);
}

TEST_F(LandmarkFileTest, MinutesOfSeveralMinutesEachAreMarkedByMarker) {
    DataFileBuilder b(FileKind::KL3);
    b.MinutesPerMarker(5);
    b.Minute();
    b.Minute();
    AddFallingSequence(b, 1'000'000);
    b.Minute();
    const std::string path = b.Write(dir.File("duty.KL3"));
    const auto before = ReadFileBytes(path);
    Open(path, 1);
    EXPECT_TRUE(MarkLandmarkSequences(program, host));
    EXPECT_EQ(ReadFileBytes(path), Marked(before, {20, 32, 20}));
}

// Broken files of random records: the marking may only ever change byte 18 of the minute
// markers and header byte 4 (after the repairs that opening makes), and never crashes.
TEST(LandmarkFileRobustness, RandomRecordsChangeNothingButMarks) {
    std::mt19937 random(8);
    TempDir dir;
    int marks = 0;
    for (int round = 0; round < 60; ++round) {
        DataFileBuilder b(FileKind::KL3);
        b.Minute();
        const int records = 1 + static_cast<int>(random() % 60);
        for (int i = 0; i < records; ++i) {
            std::vector<std::uint8_t> r(R);
            for (auto& byte : r) byte = static_cast<std::uint8_t>(random());
            const int kind = static_cast<int>(random() % 10);
            if (kind < 6)
                r[19] = static_cast<std::uint8_t>(5 + random() % 5); // a train click
            else if (kind < 8)
                r[19] = TypeMinuteMarker;
            if (round % 3 == 0 && i == records / 2) r[19] = static_cast<std::uint8_t>(128 + random() % 125);
            b.Raw(r);
        }
        if (round % 4 == 1) b.WithoutTerminator();
        const std::string path = b.Write(dir.File("random" + std::to_string(round) + ".KL3"));
        Program program;
        HeadlessHost host;
        ASSERT_TRUE(OpenDataFile(program, host, path, 1));
        BuildMap(program, host, 1, true);
        const auto opened = ReadFileBytes(path);
        MarkLandmarkSequences(program, host);
        const auto marked = ReadFileBytes(path);
        ASSERT_EQ(marked.size(), opened.size());
        for (std::size_t i = 0; i < marked.size(); ++i) {
            if (marked[i] == opened[i]) continue;
            const bool markByte =
                i >= HeaderLength && (i - HeaderLength) % R == 18 && opened[i + 1] == TypeMinuteMarker;
            EXPECT_TRUE(i == 4 || markByte) << "round " << round << " byte " << i;
            if (markByte) {
                ++marks;
                EXPECT_TRUE(marked[i] >= 1 && marked[i] <= 40);
            }
        }
        CloseAllFiles(program, host);
    }
    EXPECT_GT(marks, 20);
}

} // namespace
} // namespace kelp
