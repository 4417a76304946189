#include <gtest/gtest.h>

#include "core/codes.h"
#include "core/records.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

RecordLayout Layout(FileKind kind, int R = 0) {
    RecordLayout l;
    l.Kind = kind;
    l.RecordLength = R ? R : (kind == FileKind::KL1 ? 10 : 20);
    return l;
}

TEST(ClickDecoding, KL1RecordRoundTrip) {
    ClickRecord c = testing::MakeClick(1'234'567, 131, 14, 88, 4, 0x5A);
    std::uint8_t r[10];
    EncodeKL1Click(r, c, 1);
    EXPECT_EQ(r[9], 1);
    ClickRecord d;
    ASSERT_TRUE(DecodeClick(r, Layout(FileKind::KL1), d));
    EXPECT_EQ(d.Time, 1'234'567);
    EXPECT_EQ(d.Ncyc, 14);
    EXPECT_EQ(d.kHz, 131);
    EXPECT_EQ(d.SPL, 88);
    EXPECT_EQ(d.BW, 4);
    EXPECT_EQ(d.Envelope, 0x5A);
    EXPECT_EQ(d.ClassCode, 2);
    EXPECT_FLOAT_EQ(d.Pa, 0.0f); // only computed while "show SPL as Pa" is on
    RecordLayout pa = Layout(FileKind::KL1);
    pa.ShowSplAsPa = true;
    DecodeClick(r, pa, d);
    EXPECT_FLOAT_EQ(d.Pa, 88 * 0.07f);
}

TEST(ClickDecoding, TimeBelowOneLeavesTheRecordUndecoded) {
    std::uint8_t r[10] = {0, 0, 0, 9, 9, 9, 9, 9, 9, 0};
    ClickRecord d;
    d.Ncyc = 77;
    EXPECT_FALSE(DecodeClick(r, Layout(FileKind::KL1), d));
    EXPECT_EQ(d.Time, 0);
    EXPECT_EQ(d.Ncyc, 77);
}

TEST(ClickDecoding, BandwidthLimit) {
    EXPECT_EQ(LimitBandwidth(130, 20), 5);
    EXPECT_EQ(LimitBandwidth(130, 9), 9); // 13 + 9 = 22 is allowed
    EXPECT_EQ(LimitBandwidth(130, 10), 5);
    EXPECT_EQ(LimitBandwidth(60, 20), 11); // max(5, 17 - 6)
    EXPECT_EQ(LimitBandwidth(200, 3), 5);  // 20 + 3 > 22, 17 - 20 < 5
}

TEST(ClickDecoding, OlderFilesDeriveTheEnvelope) {
    // a < b: low nibble min(15, b div (a+2) + 7); high nibble min(15, 2 SPL div b).
    EXPECT_EQ(DeriveEnvelope(2, 40, 100), 15 | (5 << 4));
    EXPECT_EQ(DeriveEnvelope(10, 30, 60), (2 + 7) | (4 << 4));
    // a >= b: max(0, 7 - a div (b+2)).
    EXPECT_EQ(DeriveEnvelope(30, 8, 100), (7 - 3) | (15 << 4));
    EXPECT_EQ(DeriveEnvelope(200, 0, 100), 0 | (15 << 4));
    std::uint8_t r[10] = {0, 0, 9, 12, 2, 120, 120, 60, 10, 30};
    RecordLayout l = Layout(FileKind::KL1);
    l.EnvelopeReady = false;
    ClickRecord d;
    DecodeClick(r, l, d);
    EXPECT_EQ(d.Envelope, (2 + 7) | (4 << 4));
}

TEST(ClickDecoding, KL3ClassByte0x8D) {
    ClickRecord c = testing::MakeClick(500);
    std::uint8_t r[20];
    EncodeKL3Click(r, c, 9);
    r[18] = 0x8D;
    r[16] = 42;
    ClickRecord d;
    DecodeClick(r, Layout(FileKind::KL3), d);
    EXPECT_EQ(d.Quality, QualityLo);
    EXPECT_EQ(d.Species, SpeciesUnclassed);
    EXPECT_EQ(d.IntervalFlag, 1);
    EXPECT_EQ(d.ClassCode, 13);
    EXPECT_EQ(d.TrainSlot, 42);
    EXPECT_EQ(RecordType(r, Layout(FileKind::KL3)), 9);
    EXPECT_EQ(KL3ClassByte(QualityLo, SpeciesUnclassed, true), 0x8D);
}

TEST(ClickDecoding, KL2ClusterFields) {
    ClickRecord c = testing::MakeClick(700, 125);
    c.ClusterSize = 8;
    c.ClusterSlope = 5;
    c.ClusterDuration = 3000;
    c.ClusterCycles = 40;
    c.ClusterMinkHz = 120;
    c.ClusterMaxkHz = 133;
    c.ClusterValue14 = 4;
    c.Band = 76;
    c.GapBefore = 96;
    c.Value17 = 33;
    c.ClassCode = StatusClusterSummary;
    std::uint8_t r[20];
    EncodeKL2Click(r, c);
    EXPECT_EQ(r[9], 3 | (5 << 4));
    EXPECT_EQ(r[19], 4);
    ClickRecord d;
    DecodeClick(r, Layout(FileKind::KL2), d);
    EXPECT_EQ(d.ClusterSize, 8);
    EXPECT_EQ(d.ClusterSlope, 5);
    EXPECT_EQ(d.ClusterDuration, DecodeLogCode16(EncodeLogCode16(3000)));
    EXPECT_EQ(d.ClusterCycles, 40);
    EXPECT_EQ(d.ClusterMinkHz, 120);
    EXPECT_EQ(d.ClusterMaxkHz, 133);
    EXPECT_EQ(d.ClusterValue14, 4);
    EXPECT_EQ(d.Band, 76);
    EXPECT_EQ(d.GapBefore, 96);
    EXPECT_EQ(d.Value17, 33);
    EXPECT_EQ(d.ClassCode, 4);
}

TEST(ClickDecoding, UnusableRecordLengthPutsTheTypeAtByte14) {
    // Header byte 1 = 0 makes R = 15.
    RecordLayout l = Layout(FileKind::KL2, RecordLengthFromByte(0));
    EXPECT_EQ(l.TypeOffset(), 14);
    std::uint8_t r[15] = {0, 0, 50, 10, 2, 120, 120, 90, 0x37, 0, 0, 0, 0, 0, 3};
    EXPECT_EQ(RecordType(r, l), 3);
    ClickRecord d;
    ASSERT_TRUE(DecodeClick(r, l, d));
    EXPECT_EQ(d.Time, 50);
    EXPECT_EQ(d.Band, 0); // beyond the record: not read
}

TEST(ClickDecoding, FortyByteDevelopmentRecords) {
    std::uint8_t r[40] = {};
    r[2] = 100;
    r[5] = 130;
    r[7] = 50;
    r[9] = 76;
    r[22] = 90;
    r[36] = 70;
    r[20] = 17;
    r[23] = 11;
    r[37] = 6;
    r[39] = 7;
    RecordLayout kl2 = Layout(FileKind::KL2, 40);
    kl2.RecordFormat = 2;
    ClickRecord d;
    DecodeClick(r, kl2, d);
    EXPECT_EQ(d.Band, 76);
    EXPECT_EQ(d.SPL, 90);
    EXPECT_EQ(d.DevelopmentFields[0], 76);
    RecordLayout kl3 = kl2;
    kl3.Kind = FileKind::KL3;
    ClickRecord e;
    DecodeClick(r, kl3, e);
    EXPECT_EQ(e.TrainSlot, 17);
    EXPECT_EQ(e.ClassCode, 11);
    EXPECT_EQ(e.SPL, 90);
    EXPECT_EQ(e.Species, SpeciesUnclassed); // not decoded from this format
    EXPECT_EQ(RecordType(r, kl3), 7);
    kl3.ClusterBand1 = true;
    DecodeClick(r, kl3, e);
    EXPECT_EQ(e.ClassCode, 6);
    EXPECT_EQ(RecordType(r, kl3), 6);
}

TEST(MarkerDecoding, KL1AndKL2Markers) {
    MarkerContext ctx{10, 100, 4096};
    std::uint8_t kl1[10];
    EncodeKL1Marker(kl1, 77, 100);
    MinuteMarker m;
    DecodeMarker(kl1, Layout(FileKind::KL1), ctx, m);
    EXPECT_EQ(m.Temperature, 77);
    EXPECT_EQ(m.Angle, 100);
    EXPECT_TRUE(m.InSwitchRange); // inclusive at both ends
    EXPECT_EQ(m.MinuteValue18, 20);
    EncodeKL1Marker(kl1, 77, 101);
    DecodeMarker(kl1, Layout(FileKind::KL1), ctx, m);
    EXPECT_FALSE(m.InSwitchRange);

    std::uint8_t kl2[20] = {};
    kl2[4] = 200;
    kl2[6] = 183;
    kl2[7] = 255;
    kl2[18] = 0;
    kl2[19] = 254;
    DecodeMarker(kl2, Layout(FileKind::KL3), ctx, m);
    EXPECT_TRUE(m.LimitReached);
    EXPECT_EQ(m.NClicks, 4096);
    EXPECT_TRUE(m.InSwitchRange); // any non-zero count sets it
    EXPECT_EQ(m.LastClickTime, 183);
    EXPECT_EQ(m.MinuteValue18, 20);
    kl2[7] = EncodeLogCode16(300);
    kl2[18] = 32;
    DecodeMarker(kl2, Layout(FileKind::KL3), ctx, m);
    EXPECT_FALSE(m.LimitReached);
    EXPECT_EQ(m.NClicks, 288);
    EXPECT_EQ(m.MinuteValue18, 32);
    DecodeMarker(kl2, Layout(FileKind::KL2), ctx, m);
    EXPECT_EQ(m.MinuteValue18, 20); // only KL3 files carry landmark marks
    kl2[7] = 0;
    DecodeMarker(kl2, Layout(FileKind::KL2), ctx, m);
    EXPECT_FALSE(m.InSwitchRange);
}

TEST(BlankRecord, AllZeroButUnclassed) {
    const ClickRecord b = BlankClickRecord();
    EXPECT_EQ(b.Species, SpeciesUnclassed);
    EXPECT_EQ(b.Time, 0);
    EXPECT_EQ(b.Quality, 0);
    EXPECT_EQ(b.ClassCode, 0);
}

} // namespace
} // namespace kelp
