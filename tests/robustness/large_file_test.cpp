// A KL1 file of more than 4 GB: a sparse file whose second minute holds 4.3 GB of (empty)
// records, with its map file. It opens, loads its map, positions at minutes past 4 GB, and
// a period past 4 GB is copied out byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "core/bytes.h"
#include "core/file_io.h"
#include "core/file_summary.h"
#include "core/headless_host.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"
#include "files/file_utilities.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using testing::MakeClick;

constexpr std::int64_t Far = HeaderLength + 10 * 430'000'000LL; // the third minute's marker
const MinuteNumber First = MakeMinute(2024, 1, 1, 0, 0);

class LargeFileTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    Program program;
    HeadlessHost host;
    std::string kl1 = dir.File("big.KL1");
    std::vector<std::uint8_t> farRecords; // minutes 3 and 4 and the end, as written at Far
    std::vector<std::int64_t> map;

    // Writes head at the start of the file and tail at the offset, with nothing between;
    // false when the file system cannot hold the file sparsely.
    bool WriteSparse(const std::vector<std::uint8_t>& head, std::int64_t at,
                     const std::vector<std::uint8_t>& tail) {
        testing::WriteFileBytes(kl1, head);
        {
            std::fstream f(kl1, std::ios::in | std::ios::out | std::ios::binary);
            f.seekp(at);
            f.write(reinterpret_cast<const char*>(tail.data()), static_cast<std::streamsize>(tail.size()));
            if (!f) return false;
        }
        struct stat st {};
        return ::stat(kl1.c_str(), &st) == 0 && st.st_blocks * 512 <= 64 * 1024 * 1024;
    }

    // The records after the header of a file built without its header minutes.
    static std::vector<std::uint8_t> Records(const DataFileBuilder& b) {
        const auto bytes = b.Bytes();
        return {bytes.begin() + HeaderLength, bytes.end()};
    }

    // False when the file system cannot hold the file sparsely.
    bool WriteSparseFile() {
        DataFileBuilder near(FileKind::KL1, First);
        near.Minute().Click(MakeClick(1000)).Minute().WithoutTerminator().KeepHeaderMinutes();
        near.Header().SetLastMinute(First + 3);
        near.Header().SetEndpointStart(First);
        near.Header().SetEndpointEnd(First + 3);
        DataFileBuilder far(FileKind::KL1, First);
        far.Minute().Click(MakeClick(2000)).Click(MakeClick(3'000'000)).Minute().Click(MakeClick(4000));
        farRecords = Records(far);
        if (!WriteSparse(near.Bytes(), Far, farRecords)) return false;
        // The map file: the markers at 360, 380 and Far, Far + 30 and the end at Far + 50.
        map = {HeaderLength, HeaderLength + 20, Far, Far + 30, Far + 50};
        std::vector<std::uint8_t> bytes(map.size() * 8);
        for (std::size_t i = 0; i < map.size(); ++i) WriteLE64(&bytes[i * 8], map[i]);
        testing::WriteFileBytes(dir.File("big.k1m"), bytes);
        return true;
    }
};

TEST_F(LargeFileTest, OpensMapsPositionsAndCopiesPastFourGigabytes) {
    if (!WriteSparseFile()) GTEST_SKIP() << "the file system holds no sparse files";
    ASSERT_TRUE(OpenDataFile(program, host, kl1, 1));
    FileSlot& s = program.Slot(1);
    EXPECT_EQ(s.FileSize, Far + static_cast<std::int64_t>(farRecords.size()));
    EXPECT_EQ(s.LastMinute, First + 3);
    bool sizeShown = false;
    for (const std::string& line : SessionLines(program, s))
        sizeShown = sizeShown || line == " File size " + ThousandsText(s.FileSize / 1'000'000) + "Mb";
    EXPECT_TRUE(sizeShown);

    // The clicks from the third minute on, read from past 4 GB by way of the map file.
    PositionAt(program, host, First + 2, 0);
    EXPECT_TRUE(s.MapReady);
    EXPECT_EQ(s.Map[2], Far);
    std::vector<std::pair<MinuteNumber, std::int32_t>> clicks;
    while (s.MoreData) {
        NextRecord(program, host, 1);
        if (s.NRType < 128 && s.MoreData) clicks.emplace_back(s.CurrentMinute, s.Click.Time);
    }
    EXPECT_EQ(clicks, (std::vector<std::pair<MinuteNumber, std::int32_t>>{
                          {First + 2, 2000}, {First + 2, 3'000'000}, {First + 3, 4000}}));
    EXPECT_FALSE(s.ReadFailed);

    // The last two minutes copied into a file of their own.
    program.Options.TimeSelectionSet = true;
    program.SharedStart = First + 2;
    program.SharedEnd = First + 3;
    const FilesOutcome out = CopySelectedPeriod(program, host);
    ASSERT_FALSE(out.Failed);
    ASSERT_EQ(out.Files.size(), 1u);
    const auto part = testing::ReadFileBytes(out.Files[0]);
    ASSERT_GE(part.size(), static_cast<std::size_t>(HeaderLength));
    EXPECT_EQ(std::vector<std::uint8_t>(part.begin() + HeaderLength, part.end()), farRecords);
}

TEST_F(LargeFileTest, AnUnterminatedFileOfFourHundredMegabytesIsTerminatedWhenMapped) {
    // Opening does not look at the end of so large a file; mapping it finds no end records,
    // adds them and maps the file again.
    constexpr std::int64_t At = HeaderLength + 20 * 20'000'000LL; // the second minute's marker
    DataFileBuilder near(FileKind::KL1, First);
    near.Minute().WithoutTerminator().KeepHeaderMinutes();
    near.Header().SetLastMinute(First + 1);
    DataFileBuilder far(FileKind::KL1, First);
    far.Minute().Click(MakeClick(5000)).WithoutTerminator();
    const auto tail = Records(far);
    if (!WriteSparse(near.Bytes(), At, tail)) GTEST_SKIP() << "the file system holds no sparse files";
    const std::int64_t size = At + static_cast<std::int64_t>(tail.size());

    ASSERT_TRUE(OpenDataFile(program, host, kl1, 1));
    EXPECT_EQ(FileSizeOf(kl1), size);
    FileSlot& s = program.Slot(1);
    PositionAt(program, host, First + 1, 0);
    ASSERT_TRUE(s.MapReady);
    EXPECT_EQ(s.Map[1], At);
    const int n = 2 * s.RecordLength;
    EXPECT_EQ(s.FileSize, size + n);
    BinaryFile f;
    ASSERT_TRUE(f.Open(kl1, BinaryFile::Mode::Read));
    std::vector<std::uint8_t> end(static_cast<std::size_t>(n) + 1, 0);
    ASSERT_EQ(f.ReadAt(size, end.data(), end.size()), n);
    end.pop_back();
    EXPECT_EQ(end, std::vector<std::uint8_t>(static_cast<std::size_t>(n), 255));

    std::vector<std::pair<MinuteNumber, std::int32_t>> clicks;
    while (s.MoreData) {
        NextRecord(program, host, 1);
        if (s.NRType < 128 && s.MoreData) clicks.emplace_back(s.CurrentMinute, s.Click.Time);
    }
    EXPECT_EQ(clicks, (std::vector<std::pair<MinuteNumber, std::int32_t>>{{First + 1, 5000}}));
}

} // namespace
} // namespace kelp
