#include <gtest/gtest.h>

#include "core/codes.h"
#include "tda/train_pass.h"
#include "tda/train_search.h"
#include "tests/tda/train_test_blocks.h"

namespace kelp {
namespace {

using testing::BlockClick;
using testing::MinuteBlockOf;
using testing::RegularTrain;
using testing::TrainClickOffsets;

bool Search(TrainDetector& d, std::vector<std::uint8_t>& block) {
    TakeMinuteMarker(d, block.data());
    return SearchMinute(d, block.data(), static_cast<std::int32_t>(block.size()), 20);
}

TEST(TrainPass, ARegularTrainIsWrittenIntoTheMinuteBlock) {
    auto d = testing::NewDetector();
    auto block = MinuteBlockOf(RegularTrain(100'000, 10'000, 20), testing::MarkerBytes(5, 0x33));
    ASSERT_TRUE(Search(*d, block));
    const auto offsets = TrainClickOffsets(block);
    // The last click stays a candidate that a train of one frequency does not commit.
    ASSERT_EQ(offsets.size(), 19u);
    EXPECT_EQ(offsets.front(), 20);
    const std::uint8_t classByte = block[20 + 18];
    for (const auto o : offsets) {
        EXPECT_EQ(block[o + 19], FirstTrainId);
        EXPECT_EQ(block[o + 16], 1); // the train's slot
        EXPECT_EQ(block[o + 18], classByte);
    }
    EXPECT_GE(classByte & 3, QualityMod);
    EXPECT_EQ(d->TrainId, FirstTrainId);
    EXPECT_EQ(d->Counters.QualityTotals[classByte & 3], 19);
    EXPECT_EQ(d->Counters.ActiveMins, 1);
    EXPECT_EQ(d->Table.InUseCount, 0); // emptied at the end of the minute

    std::vector<std::uint8_t> out;
    AppendKL3Minute(*d, block.data(), static_cast<std::int32_t>(block.size()), 20, true, out);
    ASSERT_EQ(out.size(), 20u + 19 * 20);
    EXPECT_EQ(out[10], 0);
    EXPECT_EQ(out[11], EncodeLogCode32(19));
    EXPECT_EQ(out[6], 5);
    EXPECT_EQ(out[7], 0x33);
    EXPECT_EQ(out[19], TypeMinuteMarker);
    EXPECT_TRUE(std::equal(out.begin() + 20, out.begin() + 40, block.begin() + 20));
}

TEST(TrainPass, ATrainOfFiveClicksIsDiscardedAtThePassEnd) {
    // Six clicks: five committed and one candidate, which is not committed before the
    // train is freed for having MinNinTrain clicks or fewer.
    auto d = testing::NewDetector();
    auto block = MinuteBlockOf(RegularTrain(100'000, 10'000, 6));
    ASSERT_TRUE(Search(*d, block));
    EXPECT_TRUE(TrainClickOffsets(block).empty());
    EXPECT_EQ(d->TrainId, 4);
    EXPECT_GE(d->Counters.MaxFreedLength, 5);

    auto e = testing::NewDetector();
    auto seven = MinuteBlockOf(RegularTrain(100'000, 10'000, 8));
    ASSERT_TRUE(Search(*e, seven));
    EXPECT_EQ(TrainClickOffsets(seven).size(), 7u);
}

TEST(TrainPass, AMinuteOfThreeClicksIsItsBareMarker) {
    auto d = testing::NewDetector();
    auto block = MinuteBlockOf(RegularTrain(100'000, 10'000, 3), testing::MarkerBytes(5, 0x22));
    block[11] = 0x44;
    block[10] = 0x55;
    EXPECT_FALSE(Search(*d, block));
    EXPECT_EQ(d->Counters.ActiveMins, 0);
    std::vector<std::uint8_t> out;
    AppendKL3Minute(*d, block.data(), static_cast<std::int32_t>(block.size()), 20, false, out);
    EXPECT_EQ(out, std::vector<std::uint8_t>(block.begin(), block.begin() + 20));
}

TEST(TrainPass, ClicksBeyondTheMinuteLimitAreNeitherSearchedNorWritten) {
    auto d = testing::NewDetector(9); // the first 10 clicks of each pass
    auto block = MinuteBlockOf(RegularTrain(100'000, 10'000, 20));
    ASSERT_TRUE(Search(*d, block));
    // Pass 1 sees clicks 1 to 10; a later pass sees the next ten not yet in a train; the
    // last click is never offered with the clicks before it and stays out of every train.
    const auto offsets = TrainClickOffsets(block);
    ASSERT_FALSE(offsets.empty());
    EXPECT_LT(offsets.back(), 20 * 20);
    EXPECT_EQ(d->Minute.MinClx, 10);
}

TEST(TrainPass, AMinuteWithAGoodTrainRunsMorePasses) {
    auto d = testing::NewDetector();
    auto block = MinuteBlockOf(RegularTrain(100'000, 10'000, 20));
    ASSERT_TRUE(Search(*d, block));
    ASSERT_GE(block[20 + 18] & 3, QualityMod);
    // Pass 2 offers only the click left out of the train: too few for its end to re-grade
    // the written train, so there is no pass 3. Clicks of a written train are not offered again.
    EXPECT_EQ(d->Counters.MaxPass, 2);
    EXPECT_EQ(d->Counters.ClicksOffered, 20 + 1);

    auto e = testing::NewDetector();
    BlockClick scattered;
    std::vector<BlockClick> clicks;
    for (int i = 0; i < 10; ++i) {
        scattered.Time = 100'000 + i * i * 37'000;
        scattered.kHz = 40 + 11 * i;
        clicks.push_back(scattered);
    }
    auto noise = MinuteBlockOf(clicks);
    ASSERT_TRUE(Search(*e, noise));
    EXPECT_EQ(e->Counters.MaxPass, 1);
}

TEST(TrainPass, TrainIdsRunFrom5To127AndStartAgainAt5) {
    auto d = testing::NewDetector();
    std::vector<int> ids;
    for (int minute = 0; minute < 124; ++minute) {
        auto block = MinuteBlockOf(RegularTrain(100'000, 10'000, 12));
        ASSERT_TRUE(Search(*d, block));
        ids.push_back(block[20 + 19]);
    }
    EXPECT_EQ(ids.front(), 5);
    EXPECT_EQ(ids[122], 127);
    EXPECT_EQ(ids[123], 5);
}

// Puts a closed ten-click train over the clicks of `band` into `slot`.
void PutTenClickTrain(TrainDetector& d, const std::vector<std::uint8_t>& block, int slot, int band) {
    TrainRecord& t = d.Table[slot];
    ClickList& list = d.Table.ListOf(slot);
    int j = 0;
    for (std::size_t o = 20; o + 20 <= block.size(); o += 20)
        if (block[o + 15] == band) list[static_cast<std::size_t>(j++)] = static_cast<std::int32_t>(o);
    t.Nin = t.Length = j;
    t.StartTime = static_cast<std::int32_t>(ReadBE24(&block[static_cast<std::size_t>(list[0])]));
    t.Duration = 9 * 10'000;
    t.Band = band;
    t.ICI = t.FirstICI = 10'000;
    t.MinkHz = t.MaxkHz = 130;
    t.kHzSum = 1'300;
    t.SPLSum = 1'000;
    t.NcycSum = 120;
    t.GoodFreqFits = 9;
    t.BWSum = 27;
    t.Closed = 1;
    d.Table.InUseCount = std::max(d.Table.InUseCount, slot);
    d.Table.Sync(slot);
}

TEST(TrainPass, TrainsAreWrittenInOrderOfTheirStartTimes) {
    BlockClick low;
    low.Band = 2;
    auto block = MinuteBlockOf(
        testing::Joined(RegularTrain(500'000, 10'000, 10), RegularTrain(100'000, 10'000, 10, low)));
    auto d = testing::NewDetector();
    d->Minute.Block = MinuteBlock{block.data(), static_cast<std::int32_t>(block.size()), 20};
    d->Minute.PassOffered = d->Minute.MinClx = 20;
    PutTenClickTrain(*d, block, 1, 1);
    PutTenClickTrain(*d, block, 2, 2);
    d->Table.ListOf(1)[4] += 1; // the fifth click of the later train follows a missed click
    EndPass(*d);
    const std::int32_t first1 = d->Table.ListOf(1)[0];
    const std::int32_t first2 = d->Table.ListOf(2)[0];
    EXPECT_EQ(block[static_cast<std::size_t>(first2 + 19)], 5); // slot 2 starts earlier
    EXPECT_EQ(block[static_cast<std::size_t>(first1 + 19)], 6);
    EXPECT_EQ(block[static_cast<std::size_t>(first2 + 16)], 2);
    const std::int32_t flagged = d->Table.ListOf(1)[4] & ~1;
    EXPECT_EQ(block[static_cast<std::size_t>(flagged + 18)] & 0x80, 0x80);
    EXPECT_EQ(block[static_cast<std::size_t>(first1 + 18)] & 0x80, 0);
    // Written trains keep their slots until the minute ends.
    EXPECT_TRUE(d->Table[1].InUse());
    EXPECT_EQ(d->Table[1].StartTime, 0);
}

TEST(TrainPass, TheTimeLeftAfterTheLastClickOfTheMinute) {
    auto d = testing::NewDetector();
    FinishMinute(*d, testing::MarkerBytes(180, 0x40).data());
    EXPECT_EQ(d->Minute.PrevMinuteTail, 3);
    FinishMinute(*d, testing::MarkerBytes(20, 255).data());
    EXPECT_EQ(d->Minute.PrevMinuteTail, 0);
}

} // namespace
} // namespace kelp
