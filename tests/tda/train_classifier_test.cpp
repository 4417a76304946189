#include <gtest/gtest.h>

#include "tda/train_classifier.h"
#include "tda/train_pass.h"
#include "tests/tda/train_test_blocks.h"

namespace kelp {
namespace {

using testing::BlockClick;
using testing::TrainRig;

// Twenty clicks, evaluated fields set so that the porpoise evidence G is exactly 3 (quiet
// before and after) and there is no frequency variation.
void MakeQuietNarrowBand(TrainRig& rig, int avkHz) {
    TrainRecord& t = rig.Train();
    t.kHzSum = avkHz * 20;
    t.MinkHz = 117;
    t.MaxkHz = 121;
    t.ThreeBefore = 95; // 2
    t.ThreeAfter = 45;  // 1
    t.TenBefore = 100;
    t.TenAfter = 100;
    t.EnvelopeChangeSum = 19;
    t.SplFitSum = 38;
    t.FreqFitSum = 57;
    t.kHzChangeSum = 40;
    t.Duration = 19 * 20'000;
}

BlockClick Porpoise() {
    BlockClick c;
    c.kHz = 120;
    c.Ncyc = 10;
    c.Envelope = 0x37;
    return c;
}

TEST(TrainSpecies, PorpoiseLikeNeedsAnAverageAbove118kHz) {
    TrainRig at119(20, 100'000, 20'000, Porpoise());
    MakeQuietNarrowBand(at119, 119);
    ClassifySpecies(*at119.D, 1);
    EXPECT_EQ(at119.Train().Species, SpeciesPorpoise);

    TrainRig at118(20, 100'000, 20'000, Porpoise());
    MakeQuietNarrowBand(at118, 118);
    ClassifySpecies(*at118.D, 1);
    EXPECT_EQ(at118.Train().Species, SpeciesUnclassed);

    // Less quiet before the train: G = 2 is not enough.
    TrainRig noisier(20, 100'000, 20'000, Porpoise());
    MakeQuietNarrowBand(noisier, 130);
    noisier.Train().ThreeBefore = 41;
    ClassifySpecies(*noisier.D, 1);
    EXPECT_EQ(noisier.Train().Species, SpeciesUnclassed);
}

TEST(TrainSpecies, ThePorpoiseCheckTakesDoubtfulTrainsBack) {
    TrainRig rig(20, 100'000, 20'000, Porpoise());
    MakeQuietNarrowBand(rig, 130);
    // Doubts: MinkHz below 120, a range above 15, a fit below 2 per interval; support only
    // from the envelope.
    rig.Train().MaxkHz = 140;
    rig.Train().FreqFitSum = 19;
    rig.Train().SPLSum = 20 * 20; // avPk 2: one more doubt, no support
    ClassifySpecies(*rig.D, 1);
    EXPECT_EQ(rig.Train().Species, SpeciesUnclassed);
}

TEST(TrainSpecies, NotDistinguishingCetaceansSkipsTheChecks) {
    TrainRig rig(20, 100'000, 20'000, Porpoise());
    rig.D->NoSpeciesSplit = true;
    MakeQuietNarrowBand(rig, 130);
    rig.Train().MaxkHz = 140;
    rig.Train().FreqFitSum = 19;
    rig.Train().SPLSum = 20 * 20;
    ClassifySpecies(*rig.D, 1);
    EXPECT_EQ(rig.Train().Species, SpeciesOtherCetacean);
}

TEST(TrainSpecies, DolphinsAndTheirDoubts) {
    BlockClick like = Porpoise();
    like.kHz = 85;
    TrainRig rig(20, 100'000, 20'000, like);
    MakeQuietNarrowBand(rig, 85);
    rig.Train().TenBefore = 20;
    rig.Train().TenAfter = 20;
    rig.Train().MinkHz = 60;
    rig.Train().MaxkHz = 110; // a range of 50 > 20 / 8 + 40: frequency variation
    ClassifySpecies(*rig.D, 1);
    EXPECT_EQ(rig.Train().Species, SpeciesDolphin);

    rig.D->Minute.LoNcycR = 3;
    rig.D->Minute.HiNcycR = 4;
    ClassifySpecies(*rig.D, 1);
    EXPECT_EQ(rig.Train().Species, SpeciesUnclassed);

    // Loud and quiet surroundings support the class.
    rig.Train().TenBefore = 100;
    rig.Train().TenAfter = 80;
    rig.Train().R255 = 1;
    ClassifySpecies(*rig.D, 1);
    EXPECT_EQ(rig.Train().Species, SpeciesDolphin);
}

// Long clicks at a fixed rate: sonar score 3 (MaxNcyc 200: 1; mean Ncyc 45: 1 and the same
// again for the cluster term).
BlockClick SonarClick() {
    BlockClick c;
    c.kHz = 50;
    c.Ncyc = 45;
    return c;
}

TEST(TrainSpecies, SonarNeedsScorePlusBandRiskAbove26) {
    for (int risk : {23, 24}) {
        TrainRig rig(20, 100'000, 20'000, SonarClick());
        rig.Block[20 + 3] = 200; // the train's first click is the longest
        TakeMinuteMarker(*rig.D, testing::MarkerBytes(0, 0, 0, risk).data());
        EXPECT_EQ(
            ComputeSonarTerms(rig.Train(), ComputeClickShape(rig.D->Minute.Block, rig.Train(), rig.List()))
                .TrNscore,
            3);
        ClassifySpecies(*rig.D, 1);
        EXPECT_EQ(rig.Train().Species == SpeciesBoatSonar, risk == 24) << risk;
    }
}

TEST(TrainSpecies, AnAverageIntervalOf3000TicksIsNeverSonar) {
    BlockClick like = SonarClick();
    like.Ncyc = 255;
    for (std::int32_t ici : {3'000, 3'001}) {
        TrainRig rig(20, 100'000, ici, like);
        ClassifySpecies(*rig.D, 1);
        EXPECT_EQ(rig.Train().Species == SpeciesBoatSonar, ici == 3'001) << ici;
    }
}

TEST(TrainSpecies, BandRiskTable) {
    auto d = testing::NewDetector();
    TakeMinuteMarker(*d, testing::MarkerBytes(0, 0, 0x5A, 0, 40, 0).data());
    EXPECT_EQ(BandRiskOf(d->Minute, 0), 21);
    EXPECT_EQ(BandRiskOf(d->Minute, 1), 21);
    EXPECT_EQ(BandRiskOf(d->Minute, 2), 40);
    EXPECT_EQ(BandRiskOf(d->Minute, 3), 21);
    EXPECT_EQ(BandRiskOf(d->Minute, 7), 21);
    EXPECT_EQ(BandRiskOf(d->Minute, 8), 21);
    EXPECT_EQ(d->Minute.LoNcycR, 0xA);
    EXPECT_EQ(d->Minute.HiNcycR, 0x5);
}

TEST(TrainSpecies, ClickShapeFromTheTrainsRecords) {
    TrainRig rig(4, 100'000, 20'000);
    const std::uint8_t envelopes[4] = {0x12, 0x35, 0x51, 0x74};
    for (int j = 0; j < 4; ++j) {
        rig.Block[static_cast<std::size_t>(20 + 20 * j + 8)] = envelopes[j];
        rig.Block[static_cast<std::size_t>(20 + 20 * j + 3)] = static_cast<std::uint8_t>(10 + j);
        rig.Block[static_cast<std::size_t>(20 + 20 * j + 6)] = static_cast<std::uint8_t>(100 + j);
    }
    const TrainClickShape s = ComputeClickShape(rig.D->Minute.Block, rig.Train(), rig.List());
    EXPECT_EQ(s.MaxNcyc, 13);
    EXPECT_EQ(s.avEndkHz, (100 + 101 + 102 + 103) / 4);
    EXPECT_EQ(s.avSlp5, (2 + 5 + 1 + 4) / 4);
    EXPECT_EQ(s.avSlpMx, (1 + 3 + 5 + 7) / 4);
    EXPECT_EQ(s.Slp5df, (0 + 3 + 4 + 3) / 4);
}

} // namespace
} // namespace kelp
