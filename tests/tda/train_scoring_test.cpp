#include <gtest/gtest.h>

#include "tda/train_scoring.h"
#include "tests/tda/train_test_blocks.h"

namespace kelp {
namespace {

using testing::BlockClick;
using testing::TrainRig;

TEST(TrainScoring, ScoreBoundariesGiveTheQualityClasses) {
    EXPECT_EQ(QualityOfScore(2), -1);
    EXPECT_EQ(QualityOfScore(3), 0);
    EXPECT_EQ(QualityOfScore(10), 0);
    EXPECT_EQ(QualityOfScore(11), 1);
    EXPECT_EQ(QualityOfScore(15), 1);
    EXPECT_EQ(QualityOfScore(16), 2);
    EXPECT_EQ(QualityOfScore(25), 2);
    EXPECT_EQ(QualityOfScore(26), 3);
    EXPECT_EQ(QualityOfScore(-40), -1);
}

// Ten clicks 50 ms apart; its score is 18 when the minute holds just these clicks.
void SetUpTenClickTrain(TrainRig& rig, std::int32_t disturbance) {
    TrainRecord& t = rig.Train();
    t.Disturbance = disturbance;
    t.GoodFreqFits = 9;
    t.BWSum = 27;
    rig.D->Minute.MinClx = 10;
}

TEST(TrainScoring, TheDisturbanceFilterDiscardsATrainBeforeItIsScored) {
    TrainRig kept(10, 100'000, 10'000);
    SetUpTenClickTrain(kept, 18); // 18 x 4 / 9 = 8
    ASSERT_TRUE(EvaluateTrain(*kept.D, 1));
    EXPECT_EQ(kept.Train().Score, 18);
    EXPECT_EQ(kept.Train().Quality, QualityMod);
    EXPECT_TRUE(kept.D->Minute.RepeatPass);

    TrainRig dropped(10, 100'000, 10'000);
    SetUpTenClickTrain(dropped, 21); // 21 x 4 / 9 = 9
    EXPECT_FALSE(EvaluateTrain(*dropped.D, 1));
    EXPECT_FALSE(dropped.Train().InUse());
    EXPECT_FALSE(dropped.D->Minute.RepeatPass);

    TrainRig tooFew(4, 100'000, 10'000);
    EXPECT_FALSE(EvaluateTrain(*tooFew.D, 1));
}

TEST(TrainScoring, EveryTermOfAWorkedExample) {
    TrainRecord t;
    t.Nin = 20;
    t.Length = 22;
    t.Duration = 21 * 8'000;
    t.Disturbance = 3;
    t.ICIReversals = 1;
    t.ICIChangeSum = 144;
    t.NcycSum = 400;
    t.kHzChangeSum = 80;
    t.FreqFitSum = 57;
    t.GoodFreqFits = 19;
    t.BWSum = 40;
    t.SPLSum = 4'000;
    t.SPLReversals = 6;
    t.PkDfSum = 190;
    t.Pk32 = 10;
    t.Pk16 = 2;
    t.N255 = 5;
    t.R255 = 2;
    t.NClstr = 2;
    t.ClSlpSum = 20;
    t.NinCSum = 8;
    const ScoreTerms s = ScoreTrain(t, TrainParameters{}, 40, 3);
    EXPECT_EQ(s.Short, 0);
    EXPECT_EQ(s.Disturbed, 0);
    EXPECT_EQ(s.Long, 8);
    EXPECT_EQ(s.Regular, 1);
    EXPECT_EQ(s.Steady, 3);
    EXPECT_EQ(s.Cycles, 1);
    EXPECT_EQ(s.FreqSteady, 3);
    EXPECT_EQ(s.FreqMisfit, 0);
    EXPECT_EQ(s.FreqFitLow, 0);
    EXPECT_EQ(s.GoodFreq15, 1);
    EXPECT_EQ(s.GoodFreq25, 0);
    EXPECT_EQ(s.Narrow, 0);
    EXPECT_EQ(s.Loud, 7);
    EXPECT_EQ(s.LevelRegular, 2);
    EXPECT_EQ(s.LevelSteady, 0);
    EXPECT_EQ(s.Pk32a, 3);
    EXPECT_EQ(s.Pk32b, 10);
    EXPECT_EQ(s.Pk16a, 0);
    EXPECT_EQ(s.Pk16b, 0);
    EXPECT_EQ(s.Saturated, 13);
    EXPECT_EQ(s.Missed, 4);
    EXPECT_EQ(s.A, 27);
    EXPECT_EQ(s.B, 4);
    EXPECT_EQ(s.Preliminary, 33);
    EXPECT_EQ(s.Cluster, 6);
    EXPECT_EQ(s.Score, 60);

    // The cluster term counts only for trains that score above 10 without it.
    t.Pk32 = 0;
    t.N255 = 0;
    t.R255 = 0;
    t.ICIChangeSum = 10'000;
    t.Disturbance = 100;
    const ScoreTerms low = ScoreTrain(t, TrainParameters{}, 40, 0);
    EXPECT_LE(low.Preliminary, 10);
    EXPECT_EQ(low.Cluster, 0);
}

TEST(TrainScoring, ShortAndFastTrainsPayForMisfitsAndMissedClicks) {
    TrainRecord t;
    t.Nin = 6;
    t.Length = 8;
    t.Duration = 7 * 1'000; // 200 clicks per second
    t.FreqFitSum = 50;      // 10 per interval
    t.Disturbance = 10;     // 8 per interval
    const ScoreTerms s = ScoreTrain(t, TrainParameters{}, 1, 0);
    EXPECT_EQ(s.Short, 6);
    EXPECT_EQ(s.Disturbed, 8 - 8 - 2 + 14);
    EXPECT_EQ(s.FreqMisfit, 5);
    EXPECT_EQ(s.Missed, 4);
    EXPECT_EQ(s.Long, 0); // a minute of one click adds nothing
    TrainRecord slow = t;
    slow.Duration = 7 * 10'000; // 20 clicks per second: the misfit grows with the interval
    EXPECT_EQ(ScoreTrain(slow, TrainParameters{}, 1, 0).FreqMisfit, 10 + 10 - 25 < 0 ? 0 : 10 + 10 - 25);
    slow.FreqFitSum = 100;
    EXPECT_EQ(ScoreTrain(slow, TrainParameters{}, 1, 0).FreqMisfit, 20 + 10 - 25);
}

TEST(TrainScoring, IntervalGroupMaxima) {
    EXPECT_EQ(GroupMaxima({5, 1, 1, 1}), (std::array<std::int32_t, 3>{5, 10, 8}));
    EXPECT_EQ(GroupMaxima({1, 4, 3, 2}), (std::array<std::int32_t, 3>{4, 7, 10}));
    EXPECT_EQ(GroupMaxima({2, 2, 1, 1}), (std::array<std::int32_t, 3>{2, 4, 6}));
}

// Groups the intervals of a train over the given click times (an odd entry: after a missed click).
TrainRecord GroupTrain(TrainDetector& d, std::vector<std::uint8_t>& block,
                       const std::vector<std::int32_t>& times, int missedBefore = -1) {
    std::vector<BlockClick> clicks;
    for (std::int32_t t : times) clicks.push_back(BlockClick{t});
    block = testing::MinuteBlockOf(clicks);
    d.Minute.Block = MinuteBlock{block.data(), static_cast<std::int32_t>(block.size()), 20};
    TrainRecord t;
    ClickList list;
    t.Nin = static_cast<std::int32_t>(times.size());
    for (std::size_t j = 0; j < times.size(); ++j)
        list[j] = static_cast<std::int32_t>(20 + 20 * j) + (static_cast<int>(j) == missedBefore ? 1 : 0);
    ComputeIntervalGroups(d, t, list);
    return t;
}

TEST(TrainScoring, IntervalGroupsCarryFromTrainToTrain) {
    auto d = testing::NewDetector();
    std::vector<std::uint8_t> block;
    // Intervals 3,000, then 9,000 twice: the first value is replaced, then matched.
    TrainRecord a = GroupTrain(*d, block, {10'000, 13'000, 22'000, 31'000});
    EXPECT_EQ(a.MaxNici, 2);
    EXPECT_EQ(d->Groups.Value[0], 9'000);

    // A next train with one interval of 9,000 after a short first interval finds the carried group.
    TrainRecord b = GroupTrain(*d, block, {50'000, 51'000, 60'000});
    EXPECT_EQ(b.MaxNici, 2);
    EXPECT_EQ(b.MaxAll, 5);

    // An interval after a missed click is halved; intervals of 2,000 ticks or less are not grouped.
    d->Groups.Value = {0, 0, 0, 0};
    TrainRecord c = GroupTrain(*d, block, {100'000, 105'000, 115'000, 116'000}, 2);
    EXPECT_EQ(c.MaxNici, 2);
    EXPECT_EQ(c.MaxAll, 5);
}

TEST(TrainScoring, NeighbourhoodTimesAtTheEdgesOfTheMinute) {
    // A train at the start of the minute: nothing of its band before it.
    const std::int32_t start = 100 * 65'536 + 5;
    TrainRig rig(6, start, 200'000);
    rig.D->Minute.PrevMinuteTail = 50;
    ComputeNeighbourhood(*rig.D, rig.Train(), rig.List());
    EXPECT_EQ(rig.Train().ThreeBefore, 150);
    EXPECT_EQ(rig.Train().TenBefore, 150);
    // The last click lies in hi byte (start + 5 x 200,000) / 65,536 = 115; nothing follows.
    EXPECT_EQ(rig.Train().ThreeAfter, 183 - 115);

    TrainRig late(6, start, 200'000);
    late.D->Minute.PrevMinuteTail = 90; // 190 is beyond the minute
    ComputeNeighbourhood(*late.D, late.Train(), late.List());
    EXPECT_EQ(late.Train().ThreeBefore, 0);

    // Clicks of the band before and after, and one of another band that does not count.
    BlockClick other;
    other.Band = 2;
    std::vector<BlockClick> around;
    for (int i = 0; i < 3; ++i) around.push_back(BlockClick{(10 + i) * 65'536});
    other.Time = 60 * 65'536;
    around.push_back(other);
    for (int i = 0; i < 2; ++i) around.push_back(BlockClick{(170 + i) * 65'536});
    TrainRig middle(5, 100 * 65'536, 65'536, BlockClick{}, around);
    ComputeNeighbourhood(*middle.D, middle.Train(), middle.List());
    EXPECT_EQ(middle.Train().ThreeBefore, 100 - 10);
    EXPECT_EQ(middle.Train().TenBefore, 100 + 0); // fewer than ten: PrevMinuteTail is 0
    EXPECT_EQ(middle.Train().ThreeAfter, 171 - 104);
    EXPECT_EQ(middle.Train().TenAfter, 183 - 104);

    // The "before" times are computed once per train.
    middle.D->Minute.PrevMinuteTail = 7;
    middle.Train().ThreeBefore = 33;
    ComputeNeighbourhood(*middle.D, middle.Train(), middle.List());
    EXPECT_EQ(middle.Train().ThreeBefore, 33);
}

} // namespace
} // namespace kelp
