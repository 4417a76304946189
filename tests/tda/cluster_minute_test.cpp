// One minute through the cluster finder: bands, statuses, gaps, risks, bursts and
// cluster summary records, checked against values worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "core/records.h"
#include "tda/cluster_minute.h"
#include "tda/tda_settings.h"

namespace kelp {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Kl1Click {
    int Time;
    int Ncyc;
    int BW;
    int kHz;
    int EndkHz;
    int SPL;
    int Envelope = 0x37;
};

std::array<std::uint8_t, 10> Record(const Kl1Click& c) {
    return {static_cast<std::uint8_t>(c.Time >> 16), static_cast<std::uint8_t>(c.Time >> 8),
            static_cast<std::uint8_t>(c.Time),       static_cast<std::uint8_t>(c.Ncyc),
            static_cast<std::uint8_t>(c.BW),         static_cast<std::uint8_t>(c.kHz),
            static_cast<std::uint8_t>(c.EndkHz),     static_cast<std::uint8_t>(c.SPL),
            static_cast<std::uint8_t>(c.Envelope),   0};
}

Bytes RunMinute(ClusterFinder& finder, const std::vector<Kl1Click>& clicks, int temperature = 100,
                int angle = 60) {
    const std::array<std::uint8_t, 10> marker{
        0, 0, 0, static_cast<std::uint8_t>(temperature), static_cast<std::uint8_t>(angle), 7, 0, 0, 0, 254};
    finder.StartMinute(marker.data());
    for (const Kl1Click& c : clicks) finder.AddClick(Record(c).data());
    Bytes out;
    finder.FinishMinute(out);
    return out;
}

Bytes RecordAt(const Bytes& out, std::size_t index, std::size_t length = 20) {
    return Bytes(out.begin() + static_cast<long>(index * length),
                 out.begin() + static_cast<long>((index + 1) * length));
}

// Clicks at a regular interval, all alike.
std::vector<Kl1Click> Regular(int count, int first, int interval, int kHz = 130, int spl = 100) {
    std::vector<Kl1Click> clicks;
    for (int i = 0; i < count; ++i) clicks.push_back({first + i * interval, 10, 3, kHz, kHz, spl});
    return clicks;
}

TEST(ClusterMinute, FewerThanFourClicksGiveTheBareMarker) {
    ClusterFinder finder({});
    const Bytes out = RunMinute(
        finder, {{5000, 10, 3, 130, 128, 90}, {9000, 45, 3, 100, 98, 90}, {20000, 60, 3, 140, 138, 90}});
    ASSERT_EQ(out.size(), 20u);
    // 3 clicks, two of them 120..160 kHz (both above 5 cycles), one below 120 kHz (above 5
    // cycles); the long-click mean (45 + 60) / (2 + 3) = 21 is not above 50.
    const Bytes expected{0, 0, 0, 100, 60, 7, 0, 3, 2, 2 * 16 + 2, 0, 0, 155, 0, 0, 0, 0, 0, 0, 254};
    EXPECT_EQ(out, expected);
}

TEST(ClusterMinute, MarkerCountsLongClicksRatiosAndLimit) {
    ClusterParameters p;
    p.MinuteClickLimit = 5;
    ClusterFinder finder(p);
    // Five clicks of 200 cycles: mean 1000 / 8 = 125 above 50. Three at 130 kHz with
    // Ncyc above 5, two at 60 kHz; the mean kHz (130 * 3 + 60 * 2) / 5 = 102.
    std::vector<Kl1Click> clicks = Regular(3, 100000, 20000, 130);
    for (auto& c : clicks) c.Ncyc = 200;
    clicks.push_back({170000, 200, 3, 60, 60, 80});
    clicks.push_back({180000, 200, 3, 60, 60, 80});
    const Bytes out = RunMinute(finder, clicks);
    EXPECT_EQ(out[1], 1);
    EXPECT_EQ(out[6], 180000 >> 16);
    EXPECT_EQ(out[7], 255); // the minute reached the logger's click limit
    EXPECT_EQ(out[8], 3);
    // HiNcycR = min(15, 2 * max(4, 3) / max(4, 0)) = 2; LoNcycR the same.
    EXPECT_EQ(out[9], 0x22);
    EXPECT_EQ(out[12], 155);
}

TEST(ClusterMinute, SixteenClicksAreUnbandedButGetRisks) {
    ClusterFinder finder({});
    const Bytes out = RunMinute(finder, Regular(16, 10000, 10000));
    // 16 clicks + a summary record for the last click, whose cluster runs to the minute's end.
    ASSERT_EQ(out.size(), 20u * 18);
    for (std::size_t r = 1; r < 18; ++r) EXPECT_EQ(RecordAt(out, r)[15], 1) << r;
    EXPECT_EQ(out[7], 1 * 16 + 8);
    EXPECT_EQ(out[12], 0);
    // Band 1: 15 intervals of 10,000 ticks in one group, the carried group at 50,000 second:
    // (15 + 2) * 128 / (15 + 20) + 6 = 68. Bands 2 and 3 have no clicks.
    EXPECT_EQ(out[15], 68);
    EXPECT_EQ(out[16], 0);
    EXPECT_EQ(out[17], 0);
    EXPECT_EQ(finder.V1(), 10000);
    EXPECT_EQ(finder.V2(), 50000);

    // The groups carry into the next minute: the 10,000 group starts at count 2 there.
    const Bytes next = RunMinute(finder, Regular(16, 10000, 10000));
    EXPECT_EQ(next[15], (17 + 2) * 128 / 35 + 6);
}

TEST(ClusterMinute, RiskNeedsSixIntervals) {
    ClusterFinder finder({});
    // Five isolated clicks 10,000 ticks apart among weak fused ones: n = 5 gives no risk.
    std::vector<Kl1Click> clicks = Regular(5, 10000, 10000);
    for (int i = 0; i < 11; ++i) clicks.push_back({200000 + i * 30, 2, 3, 130, 130, 20});
    const Bytes out = RunMinute(finder, clicks);
    EXPECT_EQ(out[15], 0);
    EXPECT_EQ(finder.V1(), 10000);
}

TEST(ClusterMinute, SeventeenClicksAreBandedFromBandZero) {
    ClusterFinder finder({});
    const Bytes out = RunMinute(finder, Regular(17, 10000, 10000));
    const std::size_t records = out.size() / 20;
    for (std::size_t r = 1; r < records; ++r) EXPECT_EQ(RecordAt(out, r)[15], 0) << r;
    // Sixteen lossy smoothings leave 17 clicks a flat histogram: its highest bin is the first
    // one scanned, 28, stored as 0.
    EXPECT_EQ(out[12], 0);
    EXPECT_EQ(out[13], 0);
}

// Clicks in groups of equal kHz, spread over the minute in time order.
std::vector<Kl1Click> KilohertzGroups(const std::vector<int>& groups, int perGroup) {
    std::vector<Kl1Click> clicks;
    const int count = static_cast<int>(groups.size()) * perGroup;
    for (int i = 0; i < count; ++i) {
        const int kHz = groups[static_cast<std::size_t>(i) % groups.size()];
        clicks.push_back({1000 + i * 5000, 10, 3, kHz, kHz, 100});
    }
    return clicks;
}

TEST(ClusterMinute, TwoFrequencyGroupsMakeTwoBands) {
    ClusterFinder finder({});
    const Bytes out = RunMinute(finder, KilohertzGroups({60, 130}, 200));
    for (const ClusterClick& c : finder.Clicks()) ASSERT_EQ(c.Band, c.kHz() == 60 ? 0 : 1) << c.Time;
    // The smoothing drifts each peak one kHz down from its group.
    EXPECT_EQ(out[12], 59);
    EXPECT_EQ(out[13], 129);
    EXPECT_EQ(out[14], 0);
}

TEST(ClusterMinute, NinthBandBoundaryStopsTheScan) {
    ClusterFinder finder({});
    // Ten groups give nine boundaries below 131 kHz: the ninth stops the scan, everything up
    // to it becomes band 0 and everything above it band 9.
    RunMinute(finder, KilohertzGroups({32, 43, 54, 65, 76, 87, 98, 109, 120, 131}, 150));
    for (const ClusterClick& c : finder.Clicks()) ASSERT_EQ(c.Band, c.kHz() == 131 ? 9 : 0) << c.kHz();

    // Version 2 allows twelve bands: the same minute keeps its nine boundaries.
    ClusterParameters p;
    p.Version = 2;
    p.MaxBands = 12;
    ClusterFinder second(p);
    RunMinute(second, KilohertzGroups({32, 43, 54, 65, 76, 87, 98, 109, 120, 131}, 150));
    for (const ClusterClick& c : second.Clicks()) ASSERT_EQ(c.Band, (c.kHz() - 32) / 11) << c.kHz();
}

TEST(ClusterMinute, FusionGapGrowsAfterAClosePair) {
    ClusterFinder finder({});
    // A at 1,000: 10 cycles at 100 kHz end at 1,000 + 10 * 16 / 8 = 1,020. B starts 50 ticks
    // later: fused, and the fusion gap grows to 150. B ends at 1,090; C starts 120 ticks later,
    // inside the grown gap: fused too.
    RunMinute(finder, {{1000, 10, 3, 100, 100, 100},
                       {1070, 10, 3, 100, 100, 60},
                       {1210, 10, 3, 100, 100, 60},
                       {50000, 10, 3, 100, 100, 100}});
    const auto& c = finder.Clicks();
    EXPECT_EQ(c[1].Status, StatusFused);
    EXPECT_EQ(c[2].Status, StatusFused);

    // Without the close pair a silence of 120 ticks is not fused.
    RunMinute(finder, {{1000, 10, 3, 100, 100, 100},
                       {1140, 10, 3, 100, 100, 60},
                       {1280, 10, 3, 100, 100, 60},
                       {50000, 10, 3, 100, 100, 100}});
    EXPECT_EQ(finder.Clicks()[1].Status, StatusOrdinary);
    EXPECT_EQ(finder.Clicks()[2].Status, StatusOrdinary);
}

TEST(ClusterMinute, FusionPairsAClickWithThePreviousClickOfItsBand) {
    ClusterFinder finder({});
    // Two bands (60 and 130 kHz, 400 clicks 5,000 ticks apart), and a 130 kHz click A
    // followed by a 60 kHz click and then B, 50 ticks after A's end: B is fused to A.
    std::vector<Kl1Click> clicks = KilohertzGroups({60, 130}, 200);
    const int a = 1000 + 100 * 5000 + 2000; // between two background clicks
    const int aEnd = a + 10 * CyclePeriod[130] / 8;
    const std::vector<Kl1Click> inserted{
        {a, 10, 3, 130, 130, 100}, {a + 20, 10, 3, 60, 60, 100}, {aEnd + 50, 10, 3, 130, 130, 60}};
    clicks.insert(clicks.begin() + 101, inserted.begin(), inserted.end());
    RunMinute(finder, clicks);
    const auto& c = finder.Clicks();
    ASSERT_EQ(c[103].Time, aEnd + 50);
    ASSERT_EQ(c[102].Band, 0);
    ASSERT_EQ(c[103].Band, 1);
    EXPECT_EQ(c[103].Status, StatusFused);
}

TEST(ClusterMinute, LoudAfterFourWeakClicksStartsACluster) {
    ClusterFinder finder({});
    // Weak clicks 150 ticks apart (not isolated, not fused), a loud one, a weak one, and a
    // far click that ends the loud click's collection before the end of the minute.
    const Kl1Click tail{1400, 4, 3, 130, 130, 30};
    const Kl1Click far{100000, 4, 3, 130, 130, 100};
    std::vector<Kl1Click> clicks;
    for (int i = 0; i < 5; ++i) clicks.push_back({500 + i * 150, 4, 3, 130, 130, 20});
    clicks.push_back({1250, 4, 3, 130, 130, 90});
    clicks.push_back(tail);
    clicks.push_back(far);
    RunMinute(finder, clicks);
    EXPECT_EQ(finder.Clicks()[5].Status, StatusClusterStart);

    // Three weak clicks are not enough.
    RunMinute(finder, {{500, 4, 3, 130, 130, 20},
                       {650, 4, 3, 130, 130, 20},
                       {800, 4, 3, 130, 130, 20},
                       {950, 4, 3, 130, 130, 90},
                       tail,
                       far});
    EXPECT_EQ(finder.Clicks()[3].Status, StatusOrdinary);

    // A click of at least half the level ends the walk.
    RunMinute(finder, {{500, 4, 3, 130, 130, 20},
                       {650, 4, 3, 130, 130, 20},
                       {800, 4, 3, 130, 130, 45},
                       {950, 4, 3, 130, 130, 20},
                       {1100, 4, 3, 130, 130, 20},
                       {1250, 4, 3, 130, 130, 90},
                       tail,
                       far});
    EXPECT_EQ(finder.Clicks()[5].Status, StatusOrdinary);

    // Half of an odd level is not rounded down: 45 is below half of 91 and counts as weak,
    // 46 is at least half and ends the walk.
    auto oddLevelRun = [&](int fourthLevel) {
        RunMinute(finder, {{650, 4, 3, 130, 130, 45},
                           {800, 4, 3, 130, 130, 45},
                           {950, 4, 3, 130, 130, 45},
                           {1100, 4, 3, 130, 130, fourthLevel},
                           {1250, 4, 3, 130, 130, 91},
                           tail,
                           far});
        return finder.Clicks()[4].Status;
    };
    EXPECT_EQ(oddLevelRun(45), StatusClusterStart);
    EXPECT_EQ(oddLevelRun(46), StatusOrdinary);
}

TEST(ClusterMinute, GapBeforeSkipsClicksTooWeakToCount) {
    ClusterFinder finder({});
    // The last click (SPL 200) looks back past clicks of SPL 25 (not above 200 / 8) to the
    // click of SPL 26 at 2,000.
    const std::vector<Kl1Click> clicks = {{1000, 5, 3, 130, 130, 26},
                                          {2000, 5, 3, 130, 130, 26},
                                          {2500, 5, 3, 130, 130, 25},
                                          {3000, 5, 3, 130, 130, 25},
                                          {5000, 5, 3, 130, 130, 200}};
    RunMinute(finder, clicks);
    EXPECT_EQ(finder.Clicks()[4].GapBefore, 3000);
    EXPECT_EQ(finder.Clicks()[3].GapBefore, 500);
    EXPECT_EQ(finder.Clicks()[0].GapBefore, 0);
}

// A minute with a regular burst after a loud click and a cluster of three members, every
// value worked out by hand: cycle periods 1600 / kHz (130: 12, 125: 12, 128: 12, 120: 13,
// 140: 11); SPL^2 weights 14400, 8100, 3600, 2025.
TEST(ClusterMinute, HandCheckedMinuteWithBurstAndCluster) {
    std::vector<Kl1Click> clicks;
    clicks.push_back({200000, 10, 3, 130, 125, 150, 0x37});
    for (int i = 1; i <= 8; ++i) clicks.push_back({200000 + 600 * i, 5, 4, 125, 120, 20, 0x37});
    clicks.push_back({206800, 20, 6, 130, 126, 120, 0x5A});
    clicks.push_back({206870, 8, 5, 128, 124, 90, 0x41});
    clicks.push_back({207182, 12, 5, 120, 118, 60, 0x42});
    clicks.push_back({207451, 6, 7, 140, 135, 45, 0x43});

    ClusterFinder finder({});
    const Bytes out = RunMinute(finder, clicks);
    ASSERT_EQ(out.size(), 20u * 15);

    const std::vector<Bytes> expected = {
        {0, 0, 0, 100, 60, 7, 3, 13, 13, 0x12, 0, 0, 155, 0, 0, 0, 0, 0, 0, 254},
        {0x03, 0x0D, 0x40, 10, 3, 130, 125, 150, 0x37, 0, 0, 0, 0, 0, 0, 1, 0, 0, 3, 3},
        {0x03, 0x0F, 0x98, 5, 4, 125, 120, 20, 0x37, 0, 0, 0, 0, 0, 0, 1, 105, 0, 2, 2},
        {0x03, 0x11, 0xF0, 5, 4, 125, 120, 20, 0x37, 0, 0, 0, 0, 0, 0, 1, 105, 0, 2, 2},
        {0x03, 0x14, 0x48, 5, 4, 125, 120, 20, 0x37, 0, 0, 0, 0, 0, 0, 1, 105, 0, 2, 2},
        {0x03, 0x16, 0xA0, 5, 4, 125, 120, 20, 0x37, 0, 0, 0, 0, 0, 0, 1, 105, 0, 2, 2},
        {0x03, 0x18, 0xF8, 5, 4, 125, 120, 20, 0x37, 0, 0, 0, 0, 0, 0, 1, 105, 0, 2, 2},
        {0x03, 0x1B, 0x50, 5, 4, 125, 120, 20, 0x37, 0, 0, 0, 0, 0, 0, 1, 105, 0, 2, 2},
        {0x03, 0x1D, 0xA8, 5, 4, 125, 120, 20, 0x37, 0, 0, 0, 0, 0, 0, 1, 105, 0, 2, 2},
        {0x03, 0x20, 0x00, 5, 4, 125, 120, 20, 0x37, 0, 0, 0, 0, 0, 0, 1, 105, 0, 2, 2},
        {0x03, 0x27, 0xC6, 20, 6, 128, 126, 120, 0x5A, 0x22, 106, 43, 120, 140, 7, 1, 127, 45, 4, 4},
        {0x03, 0x27, 0xD0, 20, 6, 130, 126, 120, 0x5A, 0, 0, 0, 0, 0, 0, 1, 127, 0, 1, 1},
        {0x03, 0x28, 0x16, 8, 5, 128, 124, 90, 0x41, 0, 0, 0, 0, 0, 0, 1, 56, 0, 0, 0},
        {0x03, 0x29, 0x4E, 12, 5, 120, 118, 60, 0x42, 0, 0, 0, 0, 0, 0, 1, 89, 0, 1, 1},
        {0x03, 0x2A, 0x5B, 6, 7, 140, 135, 45, 0x43, 0, 0, 0, 0, 0, 0, 1, 88, 0, 1, 1},
    };
    for (std::size_t r = 0; r < expected.size(); ++r)
        EXPECT_EQ(RecordAt(out, r), expected[r]) << "record " << r;
}

TEST(ClusterMinute, PreFilterReducesTheClicksButNotTheMarkerCounts) {
    ClusterParameters p;
    p.PreFilter = true;
    p.SplMin = 50;
    p.NcycMin = 0;
    p.MaxkHz = 130;
    p.MinuteLimit = 3;
    ClusterFinder finder(p);
    const Bytes out = RunMinute(finder, {{10000, 10, 3, 130, 130, 100},
                                         {20000, 10, 3, 131, 131, 100}, // above the kHz limit
                                         {30000, 10, 3, 120, 120, 49},  // below the SPL minimum
                                         {40000, 10, 3, 120, 120, 50},
                                         {50000, 10, 3, 120, 120, 50},
                                         {60000, 10, 3, 120, 120, 50}}); // beyond the minute limit
    EXPECT_EQ(out[7], 6);
    EXPECT_EQ(out.size(), 20u); // three clicks kept: the bare marker
    ASSERT_EQ(finder.Clicks().size(), 3u);
    EXPECT_EQ(finder.Clicks()[2].Time, 50000);
}

TEST(ClusterMinute, OlderKl1FilesGetTheirEnvelopeDerived) {
    ClusterParameters p;
    p.EnvelopeReady = false;
    ClusterFinder finder(p);
    finder.StartMinute(nullptr);
    std::array<std::uint8_t, 10> r = Record({10000, 10, 3, 130, 130, 100});
    r[8] = 10; // p
    r[9] = 1;  // q: p >= q, low nibble max(0, 7 - 10 / 3) = 4; high nibble min(15, 200 / 1) = 15
    finder.AddClick(r.data());
    Bytes out;
    finder.FinishMinute(out);
    EXPECT_EQ(finder.Clicks()[0].Envelope(), 0xF4);
}

TEST(ClusterMinute, SlopeOfDecayingAndGrowingClusters) {
    EXPECT_EQ(ClusterSlopeOf({}), 0);
    EXPECT_EQ(ClusterSlopeOf({100}), 0);
    EXPECT_EQ(ClusterSlopeOf({100, 20}), 8);               // 200 / 20 - 2
    EXPECT_EQ(ClusterSlopeOf({20, 100}), 0);               // 40 / 100 - 2 is below 0
    EXPECT_EQ(ClusterSlopeOf({90, 80, 30}), 4);            // 180 / 30 - 2
    EXPECT_EQ(ClusterSlopeOf({90, 80, 30, 20}), 4);        // 340 / 50 - 2
    EXPECT_EQ(ClusterSlopeOf({100, 90, 50, 20, 10}), 10);  // (100 + 90) * 2 / (20 + 10) - 2
    EXPECT_EQ(ClusterSlopeOf({255, 255, 1, 1, 1, 1}), 15); // limited to 15
    // From the 13th member on, levels cycle through places 7..12: member 13 goes to place 8.
    std::vector<int> levels(6, 200);
    levels.resize(12, 30);
    EXPECT_EQ(ClusterSlopeOf(levels), 2 * 1200 / 180 - 2);
    levels.push_back(90);
    EXPECT_EQ(ClusterSlopeOf(levels), 2 * 1200 / 240 - 2);
}

TEST(ClusterMinute, LogCodeOfClusterFieldsSaturates) {
    EXPECT_EQ(ClusterLogCode(0), 0);
    EXPECT_EQ(ClusterLogCode(15), 15);
    EXPECT_EQ(ClusterLogCode(16), 0x18);
    EXPECT_EQ(ClusterLogCode(2000), 127);
    EXPECT_EQ(ClusterLogCode(std::int64_t{16} << 15), 255);
    EXPECT_EQ(ClusterLogCode(12'000'000), 255);
    EXPECT_EQ(ClusterLogCode(-5), 0);
}

TEST(ClusterMinute, VersionTwoWritesFortyByteRecords) {
    ClusterParameters p;
    p.Version = 2;
    p.MaxBands = 12;
    ClusterFinder finder(p);
    const Bytes out = RunMinute(finder, Regular(5, 10000, 10000));
    ASSERT_EQ(out.size(), 40u * 7); // marker, four clicks, summary of the last, last click
    EXPECT_EQ(out[39], 254);
    const Bytes summary = RecordAt(out, 5, 40);
    EXPECT_EQ(summary[39], 4);
    EXPECT_EQ(summary[9], 1); // the band
    const Bytes click = RecordAt(out, 1, 40);
    EXPECT_EQ(click[9], 1);
    EXPECT_EQ(click[39], 3);
}

} // namespace
} // namespace kelp
