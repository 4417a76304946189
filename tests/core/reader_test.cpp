#include <gtest/gtest.h>

#include "core/filters.h"
#include "core/headless_host.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using testing::MakeClick;

// One delivered record as a test sees it.
struct Seen {
    int Type;
    MinuteNumber Minute;
    std::int32_t Time;
    friend bool operator==(const Seen&, const Seen&) = default;
};

class ReaderTest : public ::testing::Test {
protected:
    void Open(const DataFileBuilder& b, const std::string& name, int slot = 1) {
        ASSERT_TRUE(OpenDataFile(program, host, b.Write(dir.File(name)), slot));
    }
    // Positions at (minute, time) and reads slot 1 to its end.
    std::vector<Seen> ReadAll(MinuteNumber minute = 0, std::int32_t time = 0, int slot = 1) {
        PositionAt(program, host, minute, time);
        std::vector<Seen> seen;
        FileSlot& s = program.Slot(slot);
        if (s.MoreData) seen.push_back({s.NRType, s.CurrentMinute, 0});
        while (s.MoreData) {
            NextRecord(program, host, slot);
            seen.push_back({s.NRType, s.CurrentMinute, s.NRType < 128 ? s.Click.Time : 0});
        }
        return seen;
    }
    std::vector<std::int32_t> ClickTimes(MinuteNumber minute = 0) {
        std::vector<std::int32_t> times;
        for (const Seen& r : ReadAll(minute))
            if (r.Type < 128) times.push_back(r.Time);
        return times;
    }
    testing::TempDir dir;
    Program program;
    HeadlessHost host;
};

TEST_F(ReaderTest, DeliversMarkersAndClicksInOrder) {
    DataFileBuilder b(FileKind::KL1, 1000);
    b.Minute().Click(MakeClick(100)).Click(MakeClick(200)).Minute().Minute().Click(MakeClick(5));
    Open(b, "a.KL1");
    EXPECT_EQ(ReadAll(), (std::vector<Seen>{{254, 1000, 0},
                                            {0, 1000, 100},
                                            {0, 1000, 200},
                                            {254, 1001, 0},
                                            {254, 1002, 0},
                                            {0, 1002, 5},
                                            {255, 1002, 0}}));
    EXPECT_EQ(program.Slot(1).Click.Minute, 1002);
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(ReaderTest, PositioningBeforeTheFirstMinuteStartsAtTheFirstMarker) {
    DataFileBuilder b(FileKind::KL1, 1000);
    b.Minute(77, 40).Click(MakeClick(100));
    Open(b, "a.KL1");
    PositionAt(program, host, 500, 0);
    const FileSlot& s = program.Slot(1);
    EXPECT_TRUE(s.MoreData);
    EXPECT_EQ(s.CurrentMinute, 1000);
    EXPECT_EQ(s.NRType, 254);
    EXPECT_EQ(s.Marker.Temperature, 77);
    EXPECT_EQ(s.Marker.Minute, 1000);
    EXPECT_FALSE(s.MapReady); // the start of the file needs no map
}

TEST_F(ReaderTest, PositioningInsideTheFileUsesTheMap) {
    DataFileBuilder b(FileKind::KL1, 1000);
    for (int m = 0; m < 50; ++m) b.Minute(m).Click(MakeClick(1000 + m)).Click(MakeClick(9'000'000));
    Open(b, "a.KL1");
    int positioned = 0;
    program.Display.OnSlotPositioned = [&](int slot) { positioned += slot; };
    PositionAt(program, host, 1030, 0);
    const FileSlot& s = program.Slot(1);
    EXPECT_TRUE(s.MapReady);
    EXPECT_EQ(s.CurrentMinute, 1030);
    EXPECT_EQ(s.Marker.Temperature, 30);
    EXPECT_EQ(positioned, 1);
    // Inside a minute: the first record at or after the time.
    PositionAt(program, host, 1030, 2000);
    EXPECT_EQ(s.NRType, 0);
    EXPECT_EQ(s.Click.Time, 9'000'000);
    PositionAt(program, host, 1030, 1030);
    EXPECT_EQ(s.Click.Time, 1030);
}

TEST_F(ReaderTest, ASlotEndingBeforeTheMinuteHasNoMoreData) {
    DataFileBuilder a(FileKind::KL1, 1000);
    a.Minute().Minute();
    DataFileBuilder b(FileKind::KL1, 1000);
    for (int m = 0; m < 10; ++m) b.Minute();
    Open(a, "a.KL1", 1);
    Open(b, "b.KL1", 2);
    PositionAt(program, host, 1005, 0);
    EXPECT_FALSE(program.Slot(1).MoreData);
    EXPECT_TRUE(program.Slot(2).MoreData);
    EXPECT_EQ(program.Slot(2).CurrentMinute, 1005);
}

TEST_F(ReaderTest, MarkersEveryFiveMinutes) {
    DataFileBuilder b(FileKind::KL1, 1000);
    b.MinutesPerMarker(5);
    for (int m = 0; m < 4; ++m) b.Minute().Click(MakeClick(10));
    Open(b, "a.KL1");
    std::vector<MinuteNumber> markers;
    for (const Seen& r : ReadAll())
        if (r.Type == 254) markers.push_back(r.Minute);
    EXPECT_EQ(markers, (std::vector<MinuteNumber>{1000, 1005, 1010, 1015}));
    PositionAt(program, host, 1012, 0); // off the marker grid: the minute is taken as asked
    EXPECT_EQ(program.Slot(1).CurrentMinute, 1012);
    EXPECT_EQ(program.Slot(1).Map[2], 360 + 2 * 20);
}

TEST_F(ReaderTest, ReadingStopsAfterTheSharedRange) {
    DataFileBuilder b(FileKind::KL1, 1000);
    for (int m = 0; m < 10; ++m) b.Minute().Click(MakeClick(10));
    Open(b, "a.KL1");
    program.SharedEnd = 1003;
    const auto seen = ReadAll();
    EXPECT_EQ(seen.back(), (Seen{254, 1004, 0}));
    EXPECT_EQ(seen.size(), 1u + 1 + 3 * 2 + 1);
}

TEST_F(ReaderTest, TimeOrderIsEnforcedEvenWhenFiltersAreIgnored) {
    DataFileBuilder b(FileKind::KL1, 1000);
    b.Minute()
        .Click(MakeClick(500))
        .Click(MakeClick(500))
        .Click(MakeClick(400))
        .Click(MakeClick(12'000'000))
        .Click(MakeClick(12'000'001))
        .Minute()
        .Click(MakeClick(1));
    Open(b, "a.KL1");
    EXPECT_EQ(ClickTimes(), (std::vector<std::int32_t>{500, 12'000'000, 1}));
    SetIgnoreFilters(program, host, true);
    EXPECT_EQ(ClickTimes(), (std::vector<std::int32_t>{500, 12'000'000, 1}));

    SetIgnoreFilters(program, host, false);
    program.Options.ShowTimeErrorAsClk = true;
    PositionAt(program, host, 0, 0);
    std::vector<ClickRecord> clicks;
    while (program.Slot(1).MoreData) {
        NextRecord(program, host, 1);
        if (program.Slot(1).NRType < 128) clicks.push_back(program.Slot(1).Click);
    }
    ASSERT_EQ(clicks.size(), 6u);
    EXPECT_EQ(clicks[1].Time, 510);
    EXPECT_EQ(clicks[1].SPL, 250);
    EXPECT_EQ(clicks[1].kHz, 21);
    EXPECT_EQ(clicks[2].Time, 510); // 400 also shows after the last accepted click, 500
    EXPECT_EQ(clicks[4].Time, 12'000'010);
}

TEST_F(ReaderTest, MinuteLimitLetsLimitPlusOneClicksPass) {
    DataFileBuilder b(FileKind::KL1, 1000);
    b.Minute();
    for (int i = 1; i <= 1100; ++i) b.Click(MakeClick(i * 100));
    b.Minute().Click(MakeClick(7));
    Open(b, "a.KL1");
    ASSERT_TRUE(SetMinuteLimit(program, host, 1024));
    EXPECT_EQ(program.MinuteLimitLabel, "1024");
    const auto times = ClickTimes();
    ASSERT_EQ(times.size(), 1025u + 1);
    EXPECT_EQ(times[1024], 102'500); // the 1025th passes; the 1026th is the first rejected
    EXPECT_EQ(times.back(), 7);      // the count starts again with each minute

    SetIgnoreFilters(program, host, true);
    EXPECT_EQ(ClickTimes().size(), 1101u);

    StepMinuteLimit(program, host);
    EXPECT_EQ(program.MinuteLimitLabel, "4096");
    StepMinuteLimit(program, host);
    StepMinuteLimit(program, host);
    EXPECT_EQ(program.MinuteLimitLabel, "0");
    EXPECT_EQ(program.MinuteLimit, 2'147'483'647);
    EXPECT_FALSE(SetMinuteLimit(program, host, 1000));
}

TEST_F(ReaderTest, RecordClassErrorStopsTheSlot) {
    DataFileBuilder b(FileKind::KL1, 1000);
    std::vector<std::uint8_t> bad(10, 0);
    bad[9] = 128;
    b.Minute().Click(MakeClick(10)).Raw(bad).Click(MakeClick(20));
    Open(b, "a.KL1");
    const auto seen = ReadAll();
    EXPECT_EQ(seen.back().Type, 128);
    EXPECT_EQ(host.DurationOf(RecordClassErrorText), 5000);
    // Shown each time such a record is met.
    ReadAll();
    EXPECT_EQ(host.Messages.size(), 2u);

    for (int type : {200, 252}) {
        bad[9] = static_cast<std::uint8_t>(type);
        DataFileBuilder c(FileKind::KL1, 1000);
        c.Minute().Raw(bad);
        CloseDataFile(program, host, 1);
        Open(c, "c" + std::to_string(type) + ".KL1");
        EXPECT_EQ(ReadAll().back().Type, type);
    }
}

TEST_F(ReaderTest, FillersAndUntimedClicksAreDeliveredAsTheyAre) {
    DataFileBuilder b(FileKind::KL1, 1000);
    std::vector<std::uint8_t> filler(10, 0);
    filler[9] = 253;
    ClickRecord untimed = MakeClick(0, 50);
    b.Minute().Raw(filler).Click(untimed).Click(MakeClick(30));
    Open(b, "a.KL1");
    const auto seen = ReadAll();
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[1].Type, 253);
    EXPECT_EQ(seen[2], (Seen{0, 1000, 0}));
    EXPECT_EQ(seen[3], (Seen{0, 1000, 30}));
}

TEST_F(ReaderTest, ReadsAcrossManyBlocks) {
    DataFileBuilder b(FileKind::KL1, 1000);
    int total = 0;
    for (int m = 0; m < 12; ++m) {
        b.Minute();
        for (int i = 1; i <= 5000; ++i, ++total) b.Click(MakeClick(i * 2000 + m));
    }
    Open(b, "big.KL1");
    const auto times = ClickTimes();
    ASSERT_EQ(static_cast<int>(times.size()), total);
    EXPECT_EQ(times[20'000], 2000 + 4); // first click of minute 4, beyond the first block
    EXPECT_EQ(program.Slot(1).NRType, 255);
}

TEST_F(ReaderTest, KL2StatusFilters) {
    DataFileBuilder b(FileKind::KL2, 1000);
    b.Minute();
    for (int status = 0; status <= 4; ++status) {
        ClickRecord c = MakeClick(100 * (status + 1));
        c.ClassCode = status;
        b.Click(c);
    }
    Open(b, "a.KL2");
    EXPECT_EQ(ClickTimes(), (std::vector<std::int32_t>{300, 400, 500}));
    EXPECT_TRUE(EnterExactClusterStatus(program, host, "3"));
    EXPECT_EQ(ClickTimes(), (std::vector<std::int32_t>{400}));
    EXPECT_FALSE(EnterExactClusterStatus(program, host, "x"));
    EXPECT_EQ(program.Clicks.ExactClusterStatus.Text, "5");
    EXPECT_TRUE(EnterMinClusterStatus(program, host, "4"));
    EXPECT_EQ(ClickTimes(), (std::vector<std::int32_t>{500}));
    SetIgnoreFilters(program, host, true);
    EXPECT_EQ(ClickTimes(), (std::vector<std::int32_t>{100, 200, 300, 400, 500}));
}

TEST_F(ReaderTest, ClusterBandOne) {
    DataFileBuilder b(FileKind::KL2, 1000);
    ClickRecord in = MakeClick(100);
    in.ClassCode = 2;
    in.Band = 76;
    ClickRecord out = MakeClick(200);
    out.ClassCode = 2;
    out.Band = 75;
    b.Minute().Click(in).Click(out);
    Open(b, "a.KL2");
    SetClusterBand1(program, host, true);
    EXPECT_EQ(ClickTimes(), (std::vector<std::int32_t>{100}));
}

TEST_F(ReaderTest, KL3TrainFilters) {
    DataFileBuilder b(FileKind::KL3, 1000);
    b.Minute();
    std::int32_t t = 0;
    for (int species = 0; species <= 5; ++species)
        for (int quality = 0; quality <= 3; ++quality) {
            ClickRecord c = MakeClick(t += 1000);
            c.Quality = static_cast<std::uint8_t>(quality);
            c.Species = static_cast<std::uint8_t>(species);
            b.Click(c, 9);
        }
    Open(b, "a.KL3");
    auto count = [&] { return ClickTimes().size(); };
    EXPECT_EQ(count(), 10u); // Hi and Mod of species 0..4; species 5 never passes
    SetAllQualities(program, host, true);
    EXPECT_EQ(count(), 20u);
    SetSpeciesBox(program, host, 4, false);
    EXPECT_EQ(count(), 16u);
    SetAllQualities(program, host, false);
    SetQualityBox(program, host, 2, false);
    EXPECT_EQ(count(), 4u);
    SetIgnoreFilters(program, host, true);
    EXPECT_EQ(count(), 24u);
    const FileSlot& s = program.Slot(1);
    EXPECT_EQ(s.Click.Species, 5);
    EXPECT_EQ(s.NRType, 255);
}

TEST_F(ReaderTest, NumericFilters) {
    DataFileBuilder b(FileKind::KL1, 1000);
    b.Minute()
        .Click(MakeClick(100, 130, 10, 80, 3, 0x35))
        .Click(MakeClick(200, 60, 10, 80, 3, 0x35))
        .Click(MakeClick(300, 130, 2, 20, 3, 0x35))
        .Click(MakeClick(400, 130, 10, 200, 3, 0x3C))
        .Click(MakeClick(500, 130, 10, 80, 9, 0x35));
    Open(b, "a.KL1");
    EnterFilterText(program, host, FilterBox::FrequencyMin, "100");
    EXPECT_EQ(ClickTimes(), (std::vector<std::int32_t>{100, 300, 400, 500}));
    EnterWeakFilter(program, host, "13"); // Ncyc + SPL div 2: 2 + 10 fails
    EXPECT_EQ(ClickTimes(), (std::vector<std::int32_t>{100, 400, 500}));
    EnterFilterText(program, host, FilterBox::AmplitudeMax, "150");
    EXPECT_EQ(ClickTimes(), (std::vector<std::int32_t>{100, 500}));
    EnterFilterText(program, host, FilterBox::BandwidthMax, "5");
    EXPECT_EQ(ClickTimes(), (std::vector<std::int32_t>{100}));
    EnterFilterText(program, host, FilterBox::EnvelopeMin, "6");
    EXPECT_TRUE(ClickTimes().empty());
    EnterFilterText(program, host, FilterBox::EnvelopeMin, "5");
    EnterFilterText(program, host, FilterBox::DurationMin, "11");
    EXPECT_TRUE(ClickTimes().empty());
}

TEST_F(ReaderTest, ClickPeakTrackerCountsRegularStrongClicks) {
    DataFileBuilder b(FileKind::KL1, 1000);
    b.Minute();
    for (int i = 0; i < 10; ++i) b.Click(MakeClick(100'000 + i * 10'000, 130, 10, 200));
    b.Minute().Click(MakeClick(50)).Minute();
    Open(b, "a.KL1");
    program.Options.ClickPeaks = true;
    program.Display.TimeScale = 11;
    ReadAll();
    // Four regular clicks make the first peak; each further one adds one.
    EXPECT_EQ(host.Results().Lines(), (std::vector<std::string>{"1000\t7", "1001\t0", "1001\t0"}));
    EXPECT_EQ(program.Slot(1).Peaks.PeakTotal, 7);

    // Not run at click scales.
    host.Results().Clear();
    program.Display.TimeScale = 10;
    ReadAll();
    EXPECT_TRUE(host.Results().Lines().empty());
}

// Right after a sequence starts, a click before the earliest next peak that beats the threshold
// by its level (95 > 88) but not by its level less an eighth (84) starts the sequence again only
// under the reader's test.
TEST(ClickPeakTracker, TheRestartTestsOfTheReaderAndTheDisplayDiffer) {
    for (const auto& [test, lastPeak] :
         {std::pair{PeakRestartTest::Level, 1100}, std::pair{PeakRestartTest::LevelLessAnEighth, 1000}}) {
        ClickPeakTracker k;
        EXPECT_FALSE(k.Step(1000, 100, test));
        EXPECT_FALSE(k.Step(1100, 95, test));
        EXPECT_EQ(k.LastPeak, lastPeak);
    }
}

TEST_F(ReaderTest, KL1FilesReadTheSameWithPascalsAndDerivedEnvelopes) {
    DataFileBuilder b(FileKind::KL1, 1000);
    b.Minute().Click(MakeClick(100, 130, 10, 100, 20, 0x35));
    b.Header().SetEnvelopeReady(false);
    Open(b, "a.KL1");
    program.Options.ShowSplAsPa = true;
    ReadAll();
    const ClickRecord& c = program.Slot(1).Click;
    EXPECT_EQ(c.BW, 5); // 13 + 20 > 22
    EXPECT_FLOAT_EQ(c.Pa, 100 * 0.07f);
    EXPECT_EQ(c.Envelope, DeriveEnvelope(0x35, 0, 100));
}

} // namespace
} // namespace kelp
