#include <gtest/gtest.h>

#include <random>

#include "core/bytes.h"
#include "core/file_io.h"
#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "tda/train_file.h"
#include "tda/train_pass.h"
#include "tests/support/builders.h"
#include "tests/tda/train_test_blocks.h"

namespace kelp {
namespace {

// A dense minute of random clicks: many similar clicks in few bands, random cluster fields.
std::vector<std::uint8_t> RandomMinute(std::mt19937& random, int clicks, std::int32_t span = 11'999'999,
                                       int bands = 3) {
    std::vector<std::int32_t> times;
    for (int i = 0; i < clicks; ++i)
        times.push_back(1 + static_cast<std::int32_t>(random() % static_cast<std::uint32_t>(span)));
    std::sort(times.begin(), times.end());
    std::vector<std::uint8_t> block =
        testing::MarkerBytes(static_cast<int>(random() % 184), static_cast<int>(random() % 256),
                             static_cast<int>(random() % 256), static_cast<int>(random() % 256));
    for (const std::int32_t t : times) {
        std::uint8_t r[20];
        for (auto& b : r) b = static_cast<std::uint8_t>(random());
        WriteBE(r, 0, 3, static_cast<std::uint32_t>(t));
        r[5] = static_cast<std::uint8_t>(125 + random() % 8); // mostly similar frequencies
        r[15] = static_cast<std::uint8_t>(random() % static_cast<std::uint32_t>(bands));
        r[18] = r[19] = static_cast<std::uint8_t>(2 + random() % 3);
        block.insert(block.end(), r, r + 20);
    }
    return block;
}

TEST(TrainRobustness, DenseRandomMinutesFillAndPurgeTheTable) {
    std::mt19937 random(5);
    auto d = testing::NewDetector();
    for (int m = 0; m < 4; ++m) {
        auto block = RandomMinute(random, 2'500);
        if (m == 1) {
            // Clicks 300 ticks apart whose frequencies never match: one-click trains pile up.
            std::vector<testing::BlockClick> clicks;
            for (int i = 0; i < 7'000; ++i) {
                testing::BlockClick c;
                c.Time = 1 + 300 * i;
                c.kHz = 40 + 20 * (i % 6);
                clicks.push_back(c);
            }
            block = testing::MinuteBlockOf(clicks);
        }
        const auto before = block;
        TakeMinuteMarker(*d, block.data());
        ASSERT_TRUE(SearchMinute(*d, block.data(), static_cast<std::int32_t>(block.size()), 20));
        FinishMinute(*d, block.data());
        EXPECT_EQ(d->Table.InUseCount, 0);
        // Only the train bytes of records put into trains change.
        for (std::size_t o = 20; o < block.size(); o += 20) {
            const bool inTrain = block[o + 19] > 4;
            for (std::size_t i = 0; i < 20; ++i) {
                if (inTrain && (i == 16 || i == 18 || i == 19)) continue;
                ASSERT_EQ(block[o + i], before[o + i]) << o << " " << i;
            }
        }
    }
    EXPECT_GT(d->Counters.Purges, 0);
    EXPECT_EQ(d->Counters.HighestSlotsInUse, TrainSlots);
}

TEST(TrainRobustness, AKL2FileOfRandomRecordsGivesAWellFormedKL3File) {
    testing::TempDir dir;
    std::mt19937 random(9);
    testing::DataFileBuilder b(FileKind::KL2);
    for (int m = 0; m < 5; ++m) {
        auto block = RandomMinute(random, m == 2 ? 3 : 400);
        b.Minute(std::vector<std::uint8_t>(block.begin(), block.begin() + 20));
        for (std::size_t o = 20; o < block.size(); o += 20) {
            std::vector<std::uint8_t> r(block.begin() + static_cast<std::ptrdiff_t>(o),
                                        block.begin() + static_cast<std::ptrdiff_t>(o + 20));
            if (random() % 50 == 0) r[19] = static_cast<std::uint8_t>(random() % 128); // stray type bytes
            b.Raw(r);
        }
    }
    const std::string kl2 = b.Write(dir.File("R.KL2"));
    Program p;
    HeadlessHost h;
    p.Options.BatchRunning = true;
    ASSERT_TRUE(OpenDataFile(p, h, kl2, 1));
    ASSERT_TRUE(RunTrainDetection(p, h));
    const auto kl3 = testing::ReadFileBytes(dir.File("R.KL3"));
    ASSERT_GE(kl3.size(), 360u + 5 * 20 + 40);
    int markers = 0;
    std::size_t o = 360;
    for (; o + 20 <= kl3.size(); o += 20) {
        const int type = kl3[o + 19];
        if (type == TypeEndOfData) break;
        if (type == TypeMinuteMarker)
            ++markers;
        else
            EXPECT_TRUE(type >= FirstTrainId && type <= LastTrainId) << type;
    }
    EXPECT_EQ(markers, 5);
    EXPECT_EQ(o + 40, kl3.size());
}

TEST(TrainRobustness, AMapThatDoesNotFitTheFileEndsTheRunWithoutDamage) {
    testing::TempDir dir;
    testing::DataFileBuilder b(FileKind::KL2);
    for (int m = 0; m < 3; ++m) {
        b.Minute();
        for (const auto& c : testing::RegularTrain(100'000, 10'000, 10)) b.Raw(testing::ClickRecordBytes(c));
    }
    const std::string kl2 = b.Write(dir.File("M.KL2"));
    const auto original = testing::ReadFileBytes(kl2);
    // A map whose second minute starts inside a record and whose third runs past the end.
    std::vector<std::uint8_t> map(32);
    WriteLE64(&map[0], 360);
    WriteLE64(&map[8], 590);
    WriteLE64(&map[16], 600);
    WriteLE64(&map[24], static_cast<std::int64_t>(original.size()));
    testing::WriteFileBytes(dir.File("M.k2m"), map);
    Program p;
    HeadlessHost h;
    ASSERT_TRUE(OpenDataFile(p, h, kl2, 1));
    FindTrainsInSlot1(p, h);
    EXPECT_EQ(testing::ReadFileBytes(kl2), original);
}

} // namespace
} // namespace kelp
