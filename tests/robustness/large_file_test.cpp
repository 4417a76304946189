// A KL1 file of more than 4 GB: a sparse file whose second minute holds 4.3 GB of (empty)
// records, with its map file. It opens, loads its map, positions at minutes past 4 GB, and
// a period past 4 GB is copied out byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "core/bytes.h"
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

    // False when the file system cannot hold the file sparsely.
    bool WriteSparseFile() {
        DataFileBuilder near(FileKind::KL1, First);
        near.Minute().Click(MakeClick(1000)).Minute().WithoutTerminator().KeepHeaderMinutes();
        near.Header().SetLastMinute(First + 3);
        near.Header().SetEndpointStart(First);
        near.Header().SetEndpointEnd(First + 3);
        const auto head = near.Bytes();
        DataFileBuilder far(FileKind::KL1, First);
        far.Minute().Click(MakeClick(2000)).Click(MakeClick(3'000'000)).Minute().Click(MakeClick(4000));
        const auto tail = far.Bytes();
        farRecords.assign(tail.begin() + HeaderLength, tail.end());
        testing::WriteFileBytes(kl1, head);
        {
            std::fstream f(kl1, std::ios::in | std::ios::out | std::ios::binary);
            f.seekp(Far);
            f.write(reinterpret_cast<const char*>(farRecords.data()),
                    static_cast<std::streamsize>(farRecords.size()));
            if (!f) return false;
        }
        struct stat st {};
        if (::stat(kl1.c_str(), &st) != 0 || st.st_blocks * 512 > 64 * 1024 * 1024) return false;
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

} // namespace
} // namespace kelp
