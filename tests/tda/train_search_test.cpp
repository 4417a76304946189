#include <gtest/gtest.h>

#include "tda/train_pass.h"
#include "tda/train_search.h"
#include "tests/tda/train_test_blocks.h"

namespace kelp {
namespace {

using testing::BlockClick;
using testing::ClickRecordBytes;

// Offers clicks as the search sees them (the block is set for evaluations at closing).
struct SearchRig {
    std::unique_ptr<TrainDetector> D = testing::NewDetector();
    std::vector<std::uint8_t> Block = testing::MarkerBytes();

    SearchClick Add(const BlockClick& c) {
        const auto offset = static_cast<std::int32_t>(Block.size());
        const auto r = ClickRecordBytes(c);
        Block.insert(Block.end(), r.begin(), r.end());
        return DecodeSearchClick(Block.data() + offset, offset);
    }
    void Offer(const BlockClick& c) {
        const SearchClick s = Add(c);
        D->Minute.Block = MinuteBlock{Block.data(), static_cast<std::int32_t>(Block.size()), 20};
        OfferClick(*D, s);
        // The sweep's view of the table agrees with the trains.
        const TrainTable& t = D->Table;
        const auto open = t.OpenBand;
        const auto inBand = t.OpenInBand;
        const auto all = t.Open;
        const auto waiting = t.Waiting;
        const auto waitingStart = t.WaitingStart;
        const auto waitingEnd = t.WaitingEnd;
        const auto used = t.UsedBits;
        for (int slot = 1; slot <= TrainSlots; ++slot) D->Table.Sync(slot);
        EXPECT_EQ(open, t.OpenBand);
        EXPECT_EQ(inBand, t.OpenInBand);
        EXPECT_EQ(all, t.Open);
        EXPECT_EQ(waiting, t.Waiting);
        EXPECT_EQ(waitingStart, t.WaitingStart);
        EXPECT_EQ(waitingEnd, t.WaitingEnd);
        EXPECT_EQ(used, t.UsedBits);
    }
    TrainRecord& Train(int slot) { return D->Table[slot]; }
};

BlockClick At(std::int32_t time, int kHz = 130, std::int32_t gapBefore = 0) {
    BlockClick c;
    c.Time = time;
    c.kHz = kHz;
    c.GapBefore = gapBefore;
    return c;
}

TEST(TrainSearch, DecodesTheClickFromItsRecord) {
    BlockClick c = At(123'456, 131, 1'920);
    c.ClassCode = 4;
    c.Byte9 = 0x53; // slope 5, member code 3
    c.ClusterDuration = 384;
    c.ClusterCycles = 60;
    c.ClusterMinkHz = 120;
    c.ClusterMaxkHz = 140;
    c.Envelope = 0x9A;
    const auto r = ClickRecordBytes(c);
    const SearchClick s = DecodeSearchClick(r.data(), 80);
    EXPECT_EQ(s.Time, 123'456);
    EXPECT_EQ(s.RecordOffset, 80);
    EXPECT_EQ(s.kHz, 131);
    EXPECT_EQ(s.ClusterSize, 8);
    EXPECT_EQ(s.ClusterSlope, 5);
    EXPECT_EQ(s.ClusterDuration, 384); // LogCode16: 12 << 5
    EXPECT_EQ(s.ClusterCycles, 60);    // 15 << 2
    EXPECT_EQ(s.GapBefore, 1'920);     // 15 << 7
    EXPECT_EQ(s.EnvelopeLow, 0xA);
    EXPECT_EQ(s.EnvelopeHigh, 0x9);
    EXPECT_TRUE(s.IsCluster());
}

TEST(TrainSearch, OnlyAClickWithAGapBeforeAbove133TicksStartsATrain) {
    SearchRig rig;
    rig.Offer(At(10'000, 130, 128)); // LogCode16 step below 133
    EXPECT_EQ(rig.D->Table.InUseCount, 0);
    rig.Offer(At(400'000, 130, 144)); // the next step above it
    EXPECT_EQ(rig.D->Table.InUseCount, 1);
    EXPECT_EQ(rig.Train(1).Length, 1);
    EXPECT_EQ(rig.Train(1).Nin, 0);
    EXPECT_EQ(rig.Train(1).WindowStart, 400'250);
    EXPECT_EQ(rig.Train(1).WindowEnd, 650'000);
}

TEST(TrainSearch, ASecondClickBeforeTheFirstWindowIsOnlyADisturbance) {
    SearchRig rig;
    rig.Offer(At(10'000, 130, 20'000));
    rig.Offer(At(10'249));
    EXPECT_EQ(rig.Train(1).Length, 1);
    EXPECT_EQ(rig.Train(1).Disturbance, 4); // as loud as the train's click
    EXPECT_EQ(rig.D->Table.InUseCount, 1);

    SearchRig second;
    second.Offer(At(10'000, 130, 20'000));
    second.Offer(At(10'250));
    EXPECT_EQ(second.Train(1).Length, 2);
    EXPECT_EQ(second.Train(1).ICI, 250);
    // The copy keeps waiting for a later second click. It is disturbed by this click twice:
    // once when it is made, once when the sweep reaches its slot.
    ASSERT_EQ(second.D->Table.InUseCount, 2);
    EXPECT_EQ(second.Train(2).Length, 1);
    EXPECT_EQ(second.Train(2).WindowStart, 10'350);
    EXPECT_EQ(second.Train(2).Disturbance, 8);
}

TEST(TrainSearch, AOneClickTrainDisturbedToEightWaitsOutItsWindow) {
    SearchRig rig;
    rig.Offer(At(10'000, 130, 20'000));
    rig.Offer(At(20'000)); // pairs with slot 1; the copy in slot 2 is disturbed to 8
    ASSERT_EQ(rig.Train(2).Length, 1);
    ASSERT_EQ(rig.Train(2).Disturbance, 8);
    // Similar clicks in its window neither pair with it nor free it ...
    rig.Offer(At(20'050)); // before its window (20,100): one more disturbance
    EXPECT_EQ(rig.Train(2).Disturbance, 12);
    SearchRig waiting;
    waiting.Offer(At(10'000, 130, 20'000));
    waiting.Offer(At(20'000));
    waiting.Offer(At(150'000, 131));
    EXPECT_EQ(waiting.Train(2).Length, 1);
    EXPECT_EQ(waiting.Train(2).Disturbance, 8);
    const std::int64_t freed = waiting.D->Counters.TrainsFreed;
    // ... and the first click of its band at or after its window's end frees it.
    waiting.Offer(At(260'000, 90, 0));
    EXPECT_FALSE(waiting.Train(2).InUse());
    EXPECT_GT(waiting.D->Counters.TrainsFreed, freed);
}

TEST(TrainSearch, AClickIsPutOnlyToTheOpenTrainsOfItsBandThatCanTakeIt) {
    SearchRig rig;
    rig.Offer(At(10'000, 130, 20'000));
    BlockClick otherBand = At(10'100, 130, 20'000);
    otherBand.Band = 2;
    rig.Offer(otherBand); // starts slot 2; there is no train of its band yet
    ASSERT_EQ(rig.D->Table.InUseCount, 2);
    EXPECT_EQ(rig.D->Counters.TrainsVisited, 0);
    rig.Offer(At(20'000)); // pairs with slot 1; the copy made in slot 3 is offered it as well
    EXPECT_EQ(rig.D->Counters.TrainsVisited, 2);
    ASSERT_EQ(rig.Train(3).Disturbance, 8);
    rig.Offer(At(150'000, 131)); // frees slot 1 and passes the waiting copy by its window
    EXPECT_EQ(rig.D->Counters.TrainsVisited, 3);
    EXPECT_FALSE(rig.Train(1).InUse());
    EXPECT_EQ(rig.Train(3).Disturbance, 8);
    EXPECT_EQ(rig.Train(2).Disturbance, 0); // never offered a click of band 1
    EXPECT_EQ(rig.D->Counters.ClicksOffered, 4);
}

TEST(TrainSearch, WindowsUseTruncatingSixtyFourths) {
    SearchRig rig;
    rig.Offer(At(10'000, 130, 20'000));
    rig.Offer(At(11'001));
    const TrainRecord& t = rig.Train(1);
    EXPECT_EQ(t.ICI, 1'001);
    EXPECT_EQ(t.WindowStart, 11'001 + 625); // 1,001 x 40 / 64 = 625.6
    EXPECT_EQ(t.WindowEnd, 11'001 + 1'376); // 1,001 x 88 / 64 = 1,376.4
    EXPECT_EQ(t.Window2Start, 11'001 + 625 + 1'001);
    EXPECT_EQ(t.Window2End, 11'001 + 1'376 + 1'001);
    EXPECT_EQ(t.Nin, 2);
    EXPECT_EQ(t.RealRun, 2);
    EXPECT_EQ(rig.D->Table.ListOf(1)[0], 20);
    EXPECT_EQ(rig.D->Table.ListOf(1)[1], 40);
}

TEST(TrainSearch, ARivalMustBeatTheCandidateToReplaceIt) {
    // The candidate's frequency fit is 1: halved for the first rival it is 0, so a perfect
    // rival (fit 0) does not beat it ...
    SearchRig equal;
    equal.Offer(At(0 + 1, 130, 20'000));
    equal.Offer(At(10'001));
    equal.Offer(At(20'001, 134));
    ASSERT_TRUE(equal.Train(1).HasCandidate());
    equal.Offer(At(20'011));
    EXPECT_EQ(equal.Train(1).Candidate.Time, 20'001);
    EXPECT_EQ(equal.Train(1).RivalCount, 1);

    // ... while a candidate with fit 2 is replaced by it.
    SearchRig better;
    better.Offer(At(1, 130, 20'000));
    better.Offer(At(10'001));
    better.Offer(At(20'001, 138));
    ASSERT_EQ(better.Train(1).Candidate.Time, 20'001);
    better.Offer(At(20'011));
    EXPECT_EQ(better.Train(1).Candidate.Time, 20'011);
    EXPECT_EQ(better.Train(1).ICI, 10'010);
}

TEST(TrainSearch, AnEmptyWindowCountsAsAMissedClick) {
    SearchRig rig;
    for (int i = 0; i < 6; ++i) rig.Offer(At(1 + i * 10'000, 130, i == 0 ? 20'000 : 0));
    // Clicks 1..5 committed, click 6 the candidate; the next expected click does not come,
    // but a click one interval later does.
    rig.Offer(At(1 + 7 * 10'000));
    const TrainRecord& t = rig.Train(1);
    EXPECT_EQ(t.Nin, 6);
    EXPECT_EQ(t.Length, 7);
    EXPECT_EQ(t.AfterGap, 1);
    EXPECT_EQ(t.Candidate.Time, 1 + 7 * 10'000);
    rig.Offer(At(1 + 8 * 10'000));
    EXPECT_EQ(t.Nin, 7);
    EXPECT_EQ(t.AfterGap, 0);
    EXPECT_EQ(t.RealRun, 1);
    EXPECT_EQ(rig.D->Table.ListOf(1)[6], 7 * 20 + 1); // the click after the gap carries the after-gap bit
}

// A change of level direction counts once and sets the direction; a run of falls or of
// rises after it counts no more. An equal level counts one and flips the direction.
TEST(TrainSearch, LevelReversalsCountEachChangeOfDirectionOnce) {
    SearchRig rig;
    const int levels[] = {100, 90, 100, 110, 105, 100, 95, 95, 90, 85, 85};
    for (int i = 0; i < 11; ++i) {
        BlockClick c = At(1 + i * 10'000, 130, i == 0 ? 20'000 : 0);
        c.SPL = levels[i];
        rig.Offer(c);
    }
    const TrainRecord& t = rig.Train(1);
    ASSERT_EQ(t.Nin, 10); // the eleventh click is the pending candidate
    // 90 (second click, falling): 1; 100 rising: 2; 110: none; 105 falling: 3; 100, 95:
    // none; 95 equal: 4, the direction flips to rising; 90 falling: 5; 85: none.
    EXPECT_EQ(t.SPLReversals, 5);
    EXPECT_EQ(t.SPLRising, 0);
}

TEST(TrainSearch, AMissedClickBeyondAQuarterOfTheTrainClosesItInstead) {
    auto setUp = [](SearchRig& rig, std::int32_t length) {
        for (int i = 0; i < 5; ++i) rig.Add(At(1 + i * 10'000));
        TrainRecord& t = rig.Train(1);
        t.Length = length;
        t.Nin = 5;
        t.RealRun = 5;
        t.Band = 1;
        t.StartTime = 1;
        t.ICI = 10'000;
        t.MinkHz = t.MaxkHz = 130;
        t.SPLSum = 500;
        t.NcycSum = 60;
        for (int i = 0; i < 5; ++i) rig.D->Table.ListOf(1)[static_cast<std::size_t>(i)] = 20 + 20 * i;
        t.Last = DecodeSearchClick(rig.Block.data() + 100, 100);
        t.Previous = DecodeSearchClick(rig.Block.data() + 80, 80);
        t.Last.Time = 1 + (length - 1) * 10'000;
        t.WindowStart = t.Last.Time + 6'250;
        t.WindowEnd = t.Last.Time + 13'750;
        t.Window2Start = t.WindowStart + 10'000;
        t.Window2End = t.WindowEnd + 10'000;
        t.Window3End = t.Window2End + 10'000;
        rig.D->Table.InUseCount = 1;
        rig.D->Table.Sync(1);
    };
    SearchRig six;
    setUp(six, 6); // one missed click already: 6 / 4 = 1 is not below 1
    six.Offer(At(six.Train(1).Last.Time + 20'000));
    EXPECT_EQ(six.Train(1).Length, 7);
    EXPECT_FALSE(six.Train(1).Closed);

    SearchRig seven;
    setUp(seven, 7); // two missed clicks: 7 / 4 = 1 is below 2
    seven.Offer(At(seven.Train(1).Last.Time + 20'000));
    const TrainRecord& t = seven.Train(1);
    EXPECT_TRUE(!t.InUse() || (t.Closed && t.Length == 7));
}

TEST(TrainSearch, TheFiveHundredthClickIsNotStored) {
    SearchRig rig;
    for (int i = 0; i < 503; ++i) rig.Offer(At(1 + i * 2'000, 130, i == 0 ? 20'000 : 0));
    const TrainRecord& t = rig.Train(1);
    EXPECT_EQ(t.Nin, 499);
    EXPECT_EQ(t.Length, 499);
    EXPECT_EQ(rig.D->Table.ListOf(1)[498], 499 * 20);
    EXPECT_EQ(rig.D->Table.ListOf(1)[499], EmptyClickEntry);
    // The click that was not stored still became the train's last click.
    EXPECT_EQ(t.Last.Time, 1 + 501 * 2'000);
}

void PutTrain(TrainDetector& d, int slot, std::vector<std::int32_t> clicks, std::int32_t length,
              std::int32_t disturbance) {
    TrainRecord& t = d.Table[slot];
    t.Length = length;
    t.Nin = static_cast<std::int32_t>(clicks.size());
    t.Disturbance = disturbance;
    for (std::size_t i = 0; i < clicks.size(); ++i) d.Table.ListOf(slot)[i] = clicks[i];
    d.Table.InUseCount = std::max(d.Table.InUseCount, slot);
    d.Table.Sync(slot);
}

TEST(TrainSearch, SharedClicksFreeTheWeakerTrainAndTheLowerSlotOnATie) {
    auto d = testing::NewDetector();
    PutTrain(*d, 1, {20, 60, 100, 140}, 10, 5); // 10 - 20 / 10 = 8
    PutTrain(*d, 2, {40, 80, 100, 160}, 10, 5); // the same strength
    ResolveSharedClicks(*d, 1, 2);
    EXPECT_FALSE(d->Table[1].InUse());
    EXPECT_TRUE(d->Table[2].InUse());

    auto e = testing::NewDetector();
    PutTrain(*e, 1, {20, 60, 100, 140}, 10, 0);
    PutTrain(*e, 2, {40, 80, 100, 160}, 10, 5);
    ResolveSharedClicks(*e, 1, 2);
    EXPECT_TRUE(e->Table[1].InUse());
    EXPECT_FALSE(e->Table[2].InUse());
    EXPECT_EQ(e->Table.InUseCount, 1);

    // The after-gap bit makes an entry differ.
    auto f = testing::NewDetector();
    PutTrain(*f, 1, {20, 60, 100}, 10, 0);
    PutTrain(*f, 2, {40, 61, 120}, 10, 0);
    ResolveSharedClicks(*f, 1, 2);
    EXPECT_TRUE(f->Table[1].InUse());
    EXPECT_TRUE(f->Table[2].InUse());
}

TEST(TrainSearch, FreeingTheHighestSlotLowersTheInUseCount) {
    auto d = testing::NewDetector();
    PutTrain(*d, 1, {20}, 3, 0);
    PutTrain(*d, 4, {40}, 3, 0);
    PutTrain(*d, 6, {60}, 3, 0);
    FreeTrain(*d, 4);
    EXPECT_EQ(d->Table.InUseCount, 6);
    FreeTrain(*d, 6);
    EXPECT_EQ(d->Table.InUseCount, 1);
    EXPECT_EQ(d->Table.ListOf(6)[0], EmptyClickEntry);
    EXPECT_EQ(d->Counters.TrainsFreed, 2);
    EXPECT_EQ(AllocateSlot(*d), 2);
}

TEST(TrainSearch, AFullTablePurgesShortLowFrequencyTrainsFirst) {
    auto d = testing::NewDetector();
    for (int s = 1; s <= TrainSlots; ++s) {
        PutTrain(*d, s, {20}, 20, 0);
        d->Table[s].MinkHz = 130;
    }
    for (int s : {7, 50, 51}) {
        d->Table[s].Length = 2;
        d->Table[s].MinkHz = 100;
    }
    d->Table[60].Length = 2; // short, but high-frequency
    EXPECT_EQ(AllocateSlot(*d), 7);
    EXPECT_FALSE(d->Table[50].InUse());
    EXPECT_TRUE(d->Table[60].InUse());
    EXPECT_EQ(d->Counters.Purges, 1);
    EXPECT_EQ(d->Counters.TrainsFreed, 3);

    // Nothing low-frequency to free: the rounds run again without the frequency condition.
    auto e = testing::NewDetector();
    for (int s = 1; s <= TrainSlots; ++s) {
        PutTrain(*e, s, {20}, s == 9 ? 4 : 20, 0);
        e->Table[s].MinkHz = 130;
    }
    EXPECT_EQ(AllocateSlot(*e), 9);

    // Nothing to free at all: slot 500 is taken over.
    auto f = testing::NewDetector();
    for (int s = 1; s <= TrainSlots; ++s) PutTrain(*f, s, {20}, 20, 0);
    EXPECT_EQ(AllocateSlot(*f), 500);
    EXPECT_EQ(f->Counters.TrainsFreed, 0);
}

TEST(TrainSearch, PairAndLaterClickFits) {
    SearchClick a, b;
    a.Ncyc = b.Ncyc = 10;
    a.Band = b.Band = 1;
    a.kHz = 130;
    b.kHz = 137;
    a.SPL = 100;
    b.SPL = 210;
    ClickFit f = PairFits(a, b);
    EXPECT_EQ(f.FreqFit, 3);
    EXPECT_EQ(f.SplFit, 32 * 110 / 310 - 8); // loud second click
    EXPECT_EQ(PairFits(b, a).SplFit, 32 * 110 / 310);
    b.Band = 2;
    EXPECT_EQ(PairFits(a, b).FreqFit, 128);
    b.Ncyc = 0;
    EXPECT_EQ(PairFits(a, b).SplFit, 0);

    TrainRecord t;
    t.Previous.Time = 1'000;
    t.Previous.Ncyc = 10;
    t.Previous.kHz = 128;
    t.Previous.SPL = 90;
    t.Last.Time = 2'100;
    t.Last.kHz = 131;
    t.Last.SPL = 100;
    SearchClick c;
    c.Time = 3'000;
    c.kHz = 135;
    c.SPL = 120;
    f = LaterClickFits(t, c);
    EXPECT_EQ(f.FreqFit, 0);                // |131 - 131| / 2
    EXPECT_EQ(f.SplFit, 5 * 32 / 105);      // |105 - 100| x 32 / 105
    EXPECT_EQ(f.TimeFit, 16 * 100 / 2'000); // R lies 100 ticks from the midpoint
    EXPECT_EQ(f.ClusterFit, 32);            // not a cluster record
}

} // namespace
} // namespace kelp
