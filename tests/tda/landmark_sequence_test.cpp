#include "tda/landmark_sequence.h"

#include <gtest/gtest.h>

#include <vector>

namespace kelp {
namespace {

constexpr int Hi = 3;
constexpr int Mod = 2;

// Feeds `clicks` clicks of train `id` from `start`, `interval` ticks apart; returns the
// time of its last click.
std::int32_t Train(LandmarkSequence& s, std::int32_t start, std::int32_t interval, int id, int quality,
                   int clicks = 5) {
    for (int i = 0; i < clicks; ++i) s.Click(start + i * interval, id, quality);
    return start + (clicks - 1) * interval;
}

// Six trains of 5 clicks one after the other, 0.1 s apart, with the given mean intervals;
// trains 1, 3 and 5 are Hi, the others Mod. Returns the last click's time.
std::int32_t SixTrains(LandmarkSequence& s, std::int32_t start, const std::vector<std::int32_t>& means,
                       int firstId = 5) {
    std::int32_t t = start;
    for (std::size_t k = 0; k < means.size(); ++k) {
        const int quality = k % 2 == 0 ? Hi : Mod;
        t = Train(s, t, means[k], firstId + static_cast<int>(k), quality) + 20'000;
    }
    return t - 20'000;
}

const std::vector<std::int32_t> Falling{30'000, 25'000, 20'000, 15'000, 12'000, 8'000};
const std::vector<std::int32_t> Rising{8'000, 12'000, 15'000, 20'000, 25'000, 30'000};

TEST(LandmarkSequence, MinutesWithoutTrainsAreMarkedTwenty) {
    LandmarkSequence s;
    EXPECT_EQ(s.EndMinute(), 20);
    EXPECT_EQ(s.EndMinute(), 20);
    Train(s, 1'000'000, 10'000, 5, Mod);
    EXPECT_EQ(s.EndMinute(), 20);
}

TEST(LandmarkSequence, SixTrainsFallingFiveTimesOutOfSixRiseTo32) {
    LandmarkSequence s;
    const std::int32_t last = SixTrains(s, 1'000'000, Falling);
    // The sixth train's mean joins the sequence when the next train starts.
    s.Click(last + 50'000, 11, Mod);
    EXPECT_EQ(s.TrainsCounted(), 6);
    EXPECT_EQ(s.TrainsNotHi(), 3);
    EXPECT_EQ(s.Falls(), 5); // 83 %: 20 + 2 x 6
    EXPECT_EQ(s.Rise(), 32);
    EXPECT_EQ(s.EndMinute(), 32);
    EXPECT_EQ(s.EndMinute(), 20); // the silence ended the sequence
}

TEST(LandmarkSequence, LastTrainOfASequenceCountsOnlyWhenAnotherTrainFollows) {
    LandmarkSequence s;
    SixTrains(s, 1'000'000, Falling);
    // Without a train after it the sixth mean (8,000) never joins: 4 falls, and the means
    // 30,000 to 12,000 span less than a factor of 3.
    EXPECT_EQ(s.Falls(), 4);
    EXPECT_EQ(s.EndMinute(), 20);
}

TEST(LandmarkSequence, RisingMeansGiveAFallValueBelowTwenty) {
    LandmarkSequence s;
    const std::int32_t last = SixTrains(s, 1'000'000, Rising);
    s.Click(last + 50'000, 11, Mod);
    EXPECT_EQ(s.Falls(), 0);
    EXPECT_EQ(s.Fall(), 20 - 4 * 6);
    EXPECT_EQ(s.EndMinute(), 0); // the minute's fall value stops at 0
}

TEST(LandmarkSequence, MildlyRisingMeansLowerTheMarkByHalfTheTrains) {
    LandmarkSequence s;
    // Falls 2 of 6 (33 %): fall = 20 - 6 / 2.
    const std::int32_t last = SixTrains(s, 1'000'000, {8'000, 12'000, 10'000, 20'000, 18'000, 30'000});
    s.Click(last + 50'000, 11, Mod);
    EXPECT_EQ(s.Falls(), 2);
    EXPECT_EQ(s.EndMinute(), 17);
}

TEST(LandmarkSequence, NoMarkWithoutEnoughTrainsNotHiOrWithoutAWideSpan) {
    {
        LandmarkSequence s; // only 2 of 6 trains not Hi
        std::int32_t t = 1'000'000;
        for (int k = 0; k < 6; ++k)
            t = Train(s, t, Falling[static_cast<std::size_t>(k)], 5 + k, k < 4 ? Hi : Mod) + 20'000;
        s.Click(t + 50'000, 11, Mod);
        EXPECT_EQ(s.EndMinute(), 20);
    }
    {
        LandmarkSequence s; // means span less than a factor of 3
        const std::int32_t last = SixTrains(s, 1'000'000, {30'000, 28'000, 26'000, 24'000, 22'000, 20'000});
        s.Click(last + 50'000, 11, Mod);
        EXPECT_EQ(s.Falls(), 5);
        EXPECT_EQ(s.EndMinute(), 20);
    }
    {
        LandmarkSequence s; // mean intervals of 20 ms or less are not counted
        const std::int32_t last = SixTrains(s, 1'000'000, {4'000, 3'500, 3'000, 2'000, 1'500, 1'000});
        s.Click(last + 50'000, 11, Mod);
        EXPECT_EQ(s.Falls(), 0);
        EXPECT_EQ(s.EndMinute(), 20);
    }
    {
        LandmarkSequence s; // trains of 4 clicks do not count
        std::int32_t t = 1'000'000;
        for (int k = 0; k < 6; ++k)
            t = Train(s, t, Falling[static_cast<std::size_t>(k)], 5 + k, Mod, 4) + 20'000;
        s.Click(t + 50'000, 11, Mod);
        EXPECT_EQ(s.TrainsCounted(), 0);
        EXPECT_EQ(s.EndMinute(), 20);
    }
}

TEST(LandmarkSequence, FifteenSecondsOfSilenceEndTheSequence) {
    LandmarkSequence s;
    std::int32_t t = 500'000;
    for (int k = 0; k < 3; ++k) t = Train(s, t, Falling[static_cast<std::size_t>(k)], 5 + k, Mod) + 20'000;
    t += 3'000'001; // more than 15 s after the last click
    for (int k = 3; k < 6; ++k) t = Train(s, t, Falling[static_cast<std::size_t>(k)], 5 + k, Mod) + 20'000;
    s.Click(t + 50'000, 11, Mod);
    EXPECT_EQ(s.TrainsCounted(), 3);
    EXPECT_EQ(s.EndMinute(), 20);
}

TEST(LandmarkSequence, ExactlyFifteenSecondsOfSilenceKeepTheSequence) {
    LandmarkSequence s;
    std::int32_t t = 500'000;
    for (int k = 0; k < 3; ++k) t = Train(s, t, Falling[static_cast<std::size_t>(k)], 5 + k, Mod) + 20'000;
    t += 3'000'000 - 20'000;
    for (int k = 3; k < 6; ++k) t = Train(s, t, Falling[static_cast<std::size_t>(k)], 5 + k, Mod) + 20'000;
    s.Click(t + 50'000, 11, Mod);
    EXPECT_EQ(s.TrainsCounted(), 6);
    EXPECT_EQ(s.EndMinute(), 32);
}

TEST(LandmarkSequence, ASequenceGoesOnAcrossAMinuteEnd) {
    LandmarkSequence s;
    // Four trains end just before the minute's end, two more and a short one follow at once.
    std::int32_t t = 11'000'000;
    for (int k = 0; k < 4; ++k) t = Train(s, t, Falling[static_cast<std::size_t>(k)], 5 + k, Mod) + 20'000;
    ASSERT_LT(t, 12'000'000);
    EXPECT_EQ(s.EndMinute(), 20);
    t = 100'000;
    for (int k = 4; k < 6; ++k) t = Train(s, t, Falling[static_cast<std::size_t>(k)], 9 + k, Mod) + 20'000;
    s.Click(t + 50'000, 20, Mod);
    EXPECT_EQ(s.TrainsCounted(), 6);
    EXPECT_EQ(s.EndMinute(), 32);
}

TEST(LandmarkSequence, SilenceBeforeTheMinuteEndClosesTheSequenceInItsMinute) {
    LandmarkSequence s;
    const std::int32_t last = SixTrains(s, 1'000'000, Falling);
    s.Click(last + 50'000, 11, Mod);
    EXPECT_EQ(s.EndMinute(), 32);
    // The next minute starts a new sequence: the same trains again but rising.
    const std::int32_t again = SixTrains(s, 200'000, Rising, 20);
    s.Click(again + 50'000, 30, Mod);
    EXPECT_EQ(s.EndMinute(), 0);
}

TEST(LandmarkSequence, TheMoreExtremeOfRiseAndFallMarksTheMinute) {
    LandmarkSequence s;
    // A falling sequence (rise 32), 20 s of silence, then a rising one (fall -4, kept as 0):
    // the fall lies further from 20 than the rise and marks the minute.
    std::int32_t t = SixTrains(s, 100'000, Falling);
    s.Click(t + 50'000, 11, Mod);
    t = SixTrains(s, t + 4'100'000, Rising, 20);
    s.Click(t + 50'000, 30, Mod);
    EXPECT_EQ(s.EndMinute(), 0);
}

TEST(LandmarkSequence, RiseStopsAtFortyAndWinsATie) {
    LandmarkSequence s;
    std::vector<std::int32_t> means;
    for (std::int32_t m = 60'000; m >= 10'000; m -= 5'000) means.push_back(m);
    // 11 trains, 10 falls (90 %): 20 + 2 x 11 = 42, kept at 40.
    std::int32_t t = SixTrains(s, 100'000, means);
    s.Click(t + 50'000, 30, Mod);
    EXPECT_EQ(s.Rise(), 40);
    t = SixTrains(s, t + 4'100'000, Rising, 40);
    s.Click(t + 50'000, 50, Mod);
    EXPECT_EQ(s.EndMinute(), 40); // 40 is not below 40 - 0
}

TEST(LandmarkSequence, InterleavedTrainsStartAgainAtEverySwitch) {
    LandmarkSequence s;
    // Two trains alternating click by click never reach a 5th click in one run.
    for (int i = 0; i < 40; ++i) s.Click(1'000'000 + i * 10'000, 5 + i % 2, Mod);
    EXPECT_EQ(s.TrainsCounted(), 0);
    EXPECT_EQ(s.EndMinute(), 20);
}

} // namespace
} // namespace kelp
