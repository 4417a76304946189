#include <gtest/gtest.h>

#include "core/bytes.h"
#include "core/file_io.h"
#include "core/headless_host.h"
#include "core/map_file.h"
#include "core/program.h"
#include "core/slots.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using testing::MakeClick;
using testing::ReadFileBytes;

std::int32_t HeaderS32(const std::vector<std::uint8_t>& bytes, int offset) {
    return ReadBE32Signed(bytes.data(), static_cast<std::size_t>(offset));
}

class MapFileTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    Program program;
    HeadlessHost host;
};

TEST_F(MapFileTest, ScanFindsEveryMarkerAndCorrectsAWrongLastMinute) {
    DataFileBuilder b(FileKind::KL1, 1000);
    for (int m = 0; m < 10; ++m) b.Minute().Click(MakeClick(1000 + m)).Click(MakeClick(2000 + m));
    b.KeepHeaderMinutes();
    b.Header().SetLastMinute(1020);
    b.Header().SetEndpointStart(1000);
    b.Header().SetEndpointEnd(1020);
    const std::string path = b.Write(dir.File("wrong.KL1"));

    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    EXPECT_TRUE(BuildMap(program, host, 1, false));
    const FileSlot& s = program.Slot(1);
    EXPECT_TRUE(s.MapReady);
    EXPECT_EQ(s.MapCount, 10);
    for (int k = 0; k < 10; ++k) EXPECT_EQ(s.Map[static_cast<std::size_t>(k)], 360 + k * 30);
    EXPECT_EQ(s.Map[10], 360 + 300); // the first end-of-data record
    EXPECT_EQ(s.LastMinute, 1009);
    EXPECT_EQ(s.ActiveEnd, 1009);

    const auto bytes = ReadFileBytes(path);
    EXPECT_EQ(HeaderS32(bytes, 260), 1009);
    EXPECT_EQ(HeaderS32(bytes, 276), 1009);
    EXPECT_EQ(ReadBE(bytes.data(), 128, 4), 20u);    // clicks counted into the KL1 header
    EXPECT_FALSE(FileExists(dir.File("wrong.k1m"))); // small files keep no map file
}

TEST_F(MapFileTest, LastMinuteWithinOneMarkerIntervalIsLeftAlone) {
    DataFileBuilder b(FileKind::KL1, 1000);
    for (int m = 0; m < 4; ++m) b.Minute();
    b.KeepHeaderMinutes();
    b.Header().SetLastMinute(1004); // E = 1003: one minute out is tolerated
    b.Header().SetEndpointEnd(1004);
    const std::string path = b.Write(dir.File("near.KL1"));
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    BuildMap(program, host, 1, false);
    EXPECT_EQ(program.Slot(1).LastMinute, 1004);
    EXPECT_EQ(HeaderS32(ReadFileBytes(path), 260), 1004);
}

TEST_F(MapFileTest, DevelopmentModeReportsTheCorrection) {
    program.Options.DevelopmentMode = true;
    DataFileBuilder b(FileKind::KL1, 1000);
    for (int m = 0; m < 10; ++m) b.Minute();
    b.KeepHeaderMinutes();
    b.Header().SetLastMinute(1020);
    b.Header().SetEndpointEnd(1020);
    ASSERT_TRUE(OpenDataFile(program, host, b.Write(dir.File("dev.KL1")), 1));
    BuildMap(program, host, 1, false);
    // LastMinute - ((MapCount + 1) x 1 + FirstMinute) = 1020 - 1011.
    EXPECT_TRUE(host.Showed("9 DOWN"));

    Program p2;
    p2.Options.DevelopmentMode = true;
    DataFileBuilder up(FileKind::KL1, 1000);
    for (int m = 0; m < 10; ++m) up.Minute();
    up.KeepHeaderMinutes();
    up.Header().SetLastMinute(1003);
    up.Header().SetEndpointEnd(1003);
    HeadlessHost h2;
    ASSERT_TRUE(OpenDataFile(p2, h2, up.Write(dir.File("up.KL1")), 1));
    BuildMap(p2, h2, 1, false);
    EXPECT_TRUE(h2.Showed("-6 UP"));
    EXPECT_EQ(p2.Slot(1).LastMinute, 1009);
}

TEST_F(MapFileTest, MissingFirstMarkerIsWrittenOverTheFirstRecord) {
    DataFileBuilder b(FileKind::KL1, 2000);
    b.Click(MakeClick(500)).Minute().Click(MakeClick(700)).Minute();
    const std::string path = b.Write(dir.File("nofirst.KL1"));
    program.Options.DevelopmentMode = true;
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    BuildMap(program, host, 1, false);
    EXPECT_TRUE(host.Showed("Adding first min marker"));
    const auto bytes = ReadFileBytes(path);
    const std::vector<std::uint8_t> marker{0, 0, 0, 0, 0, 0, 0, 0, 0, 254};
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 360, bytes.begin() + 370), marker);
    EXPECT_EQ(program.Slot(1).MapCount, 3);
}

TEST_F(MapFileTest, MissingTerminatorIsAppendedAndTheFileScannedAgain) {
    DataFileBuilder b(FileKind::KL2, 3000);
    b.Minute().Click(MakeClick(100)).Minute().Click(MakeClick(200));
    const std::string path = b.Write(dir.File("noend.KL2"));
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    // Cut the end-of-data records off behind the open file's back.
    const auto good = ReadFileBytes(path);
    testing::WriteFileBytes(path, std::vector<std::uint8_t>(good.begin(), good.end() - 40));
    program.Slot(1).FileSize = static_cast<std::int64_t>(good.size()) - 40;
    program.Options.DevelopmentMode = true;

    EXPECT_TRUE(BuildMap(program, host, 1, false));
    EXPECT_TRUE(host.Showed("Faulty file termination repaired"));
    const auto bytes = ReadFileBytes(path);
    EXPECT_EQ(bytes, good);
    EXPECT_EQ(program.Slot(1).MapCount, 2);
    EXPECT_EQ(program.Slot(1).Map[2], 360 + 80);
}

// Writes a KL1 file of exactly `size` bytes: one marker, clicks, the end-of-data records
// and as many further 255 bytes as needed.
std::string WriteSizedFile(const std::string& path, std::int64_t size) {
    DataFileBuilder b(FileKind::KL1, 5000);
    auto bytes = b.Minute().Bytes(); // header, marker, 20 end bytes
    const std::int64_t clicks = (size - static_cast<std::int64_t>(bytes.size())) / 10;
    std::vector<std::uint8_t> out(bytes.begin(), bytes.begin() + 370);
    out.reserve(static_cast<std::size_t>(size));
    std::uint8_t r[10];
    for (std::int64_t i = 0; i < clicks; ++i) {
        EncodeKL1Click(r, MakeClick(static_cast<std::int32_t>(1 + i % 11'000'000)));
        out.insert(out.end(), r, r + 10);
    }
    out.resize(static_cast<std::size_t>(size), 255);
    testing::WriteFileBytes(path, out);
    return path;
}

TEST_F(MapFileTest, OnlyFilesAboveTwelveMillionBytesKeepAMapFile) {
    const std::string small = WriteSizedFile(dir.File("small.KL1"), 12'000'000);
    const std::string large = WriteSizedFile(dir.File("large.KL1"), 12'000'001);
    ASSERT_TRUE(OpenDataFile(program, host, small, 1));
    ASSERT_TRUE(OpenDataFile(program, host, large, 2));
    BuildMap(program, host, 1, false);
    BuildMap(program, host, 2, false);
    EXPECT_FALSE(FileExists(dir.File("small.k1m")));
    ASSERT_TRUE(FileExists(dir.File("large.k1m")));
    // One marker: entries for it and for the end of the data.
    EXPECT_EQ(FileSizeOf(dir.File("large.k1m")), 16);
    const auto map = ReadFileBytes(dir.File("large.k1m"));
    EXPECT_EQ(ReadLE64(map.data()), 360);
    EXPECT_EQ(ReadLE64(map.data() + 8), program.Slot(2).Map[1]);
    EXPECT_EQ(program.Slot(2).Map[1], 370 + (12'000'001 - 390) / 10 * 10);
}

TEST_F(MapFileTest, MapFileIsLoadedUnlessRefreshIsOn) {
    DataFileBuilder b(FileKind::KL3, 7000);
    for (int m = 0; m < 5; ++m) b.Minute();
    const std::string path = b.Write(dir.File("mapped.KL3"));
    // A map file of 8 x (n + 1) bytes gives MapCount n; its positions are used as they are
    // (this one leaves out the last two markers, the end at 460).
    std::vector<std::uint8_t> map(8 * 4);
    const std::int64_t positions[4] = {360, 380, 400, 460};
    for (int i = 0; i < 4; ++i) WriteLE64(&map[static_cast<std::size_t>(i) * 8], positions[i]);
    testing::WriteFileBytes(dir.File("mapped.k3m"), map);

    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    EXPECT_FALSE(BuildMap(program, host, 1, false));
    EXPECT_EQ(program.Slot(1).MapCount, 3);
    ASSERT_FALSE(host.Notices.empty());
    EXPECT_EQ(host.Notices.back(), "mapped.KL3 mapped from map file                ");
    // Loading gives the last-minute check 3 markers: the header's 7004 is corrected to 7002.
    EXPECT_EQ(program.Slot(1).LastMinute, 7002);

    CloseDataFile(program, host, 1);
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    EXPECT_TRUE(BuildMap(program, host, 1, true));
    EXPECT_EQ(program.Slot(1).MapCount, 5);
    EXPECT_EQ(host.Notices.back(), "Creating map file for mapped.KL3");
}

TEST_F(MapFileTest, UnusableMapFileIsIgnoredAndTheFileScanned) {
    DataFileBuilder b(FileKind::KL3, 7000);
    for (int m = 0; m < 3; ++m) b.Minute();
    const std::string path = b.Write(dir.File("badmap.KL3"));
    testing::WriteFileBytes(dir.File("badmap.k3m"), {1, 2, 3}); // cut off
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    EXPECT_TRUE(BuildMap(program, host, 1, false));
    EXPECT_EQ(program.Slot(1).MapCount, 3);

    std::vector<std::uint8_t> wild(16);
    WriteLE64(wild.data(), 360);
    WriteLE64(wild.data() + 8, 1'000'000'000); // beyond the file
    testing::WriteFileBytes(dir.File("badmap.k3m"), wild);
    CloseDataFile(program, host, 1);
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    EXPECT_TRUE(BuildMap(program, host, 1, false));
    EXPECT_EQ(program.Slot(1).MapCount, 3);
}

TEST_F(MapFileTest, MinutesPerMarkerSpacesTheMarkers) {
    DataFileBuilder b(FileKind::KL1, 10'000);
    b.MinutesPerMarker(5);
    for (int m = 0; m < 6; ++m) b.Minute();
    const std::string path = b.Write(dir.File("duty.KL1"));
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    EXPECT_EQ(program.Slot(1).MinutesPerMarker, 5);
    EXPECT_EQ(program.Slot(1).LastMinute, 10'025);
    BuildMap(program, host, 1, false);
    EXPECT_EQ(program.Slot(1).LastMinute, 10'025); // (6 - 1) x 5 after the first: consistent
    EXPECT_TRUE(host.Messages.empty());
}

TEST(MapFileName, FollowsTheKind) {
    FileSlot s;
    s.FullName = "/data/site.KL2";
    s.Kind = FileKind::KL2;
    EXPECT_EQ(MapFileName(s), "/data/site.k2m");
    s.Kind = FileKind::None;
    EXPECT_EQ(MapFileName(s), "skip");
}

} // namespace
} // namespace kelp
