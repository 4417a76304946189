#include "analysis/file_analysis.h"

#include <gtest/gtest.h>

#include "analysis_fixture.h"
#include "core/filters.h"

namespace kelp::testing {
namespace {

using FileAnalysisTest = AnalysisTest;

TEST_F(FileAnalysisTest, MinutesNearTheClickLimitCountAsTruncated) {
    DataFileBuilder b(FileKind::KL1, first);
    b.Header().Bytes[81] = 1; // the file's minute click limit: 1024
    for (int clicks : {1023, 1024, 1030, 1022, 0}) {
        b.Minute(100, clicks > 0 ? InRange : OutOfRange);
        for (int i = 1; i <= clicks; ++i) b.Click(MakeClick(i * 10'000));
    }
    Open(b, "busy.KL1");
    AnalyzeButtonClick(program, host);

    const AnalysisCounters& k = Page().Counters;
    EXPECT_EQ(k.MinuteLimit, 1024);
    EXPECT_EQ(k.Total, 1023 + 1024 + 1024 + 1022); // clicks past the limit are left out
    EXPECT_EQ(k.Minutes, 5);
    EXPECT_EQ(k.AcousticMinutes, 4);
    EXPECT_EQ(k.TruncatedMinutes, 3); // L - 1, L and more
    EXPECT_EQ(Page().Figures.Truncated, "75% truncated  (3 @ 1024)");
}

TEST_F(FileAnalysisTest, ClickRatesArePerTrainAndBinnedAbove100) {
    DataFileBuilder b(FileKind::KL3, first);
    b.Minute(100, InRange);
    // Train 5: gaps of 1,000, 2,000 and 1,500 ticks; train 6 in between: one gap of 2,000.
    for (auto [time, train] :
         {std::pair{100'000, 5}, {100'500, 6}, {101'000, 5}, {102'500, 6}, {103'000, 5}, {104'500, 5}})
        b.Click(GradedClick(time), static_cast<std::uint8_t>(train));
    Open(b, "rates.KL3");
    AnalyzeButtonClick(program, host);

    const AnalysisCounters& k = Page().Counters;
    std::int64_t rated = 0;
    for (std::int64_t c : k.ClickRate) rated += c;
    EXPECT_EQ(rated, 3);            // the first click of each train has no rate; 200/s is not counted
    EXPECT_EQ(k.ClickRate[100], 2); // 2,000 ticks: 100 per second
    EXPECT_EQ(k.ClickRate[146], 1); // 1,500 ticks: 133 per second, in the bin of 120..139
    EXPECT_EQ(Page().ClickRateMode, 100);
    EXPECT_EQ(Page().TextBox[11], "PRF mode\t100");
}

TEST(ClickRatePosition, IsTheRateOrItsBinOfTwenty) {
    for (std::int32_t interval = -5; interval <= 200'100; ++interval) {
        const std::int32_t rate = interval < 1 ? 0 : 200'000 / interval;
        const int expected =
            rate >= 1 && rate <= 100 ? rate : (rate > 100 && rate < 200 ? 140 + rate / 20 : 0);
        ASSERT_EQ(ClickRatePosition(interval), expected) << interval;
    }
    // "PRF mode" gives the rate, or where the 20-wide bin of higher rates starts (101..119 at 145).
    for (auto [mode, shown] : {std::pair{100, 100}, {145, 100}, {146, 120}, {149, 180}})
        EXPECT_EQ(PrfModeValue(mode), shown) << mode;
}

TEST_F(FileAnalysisTest, FiguresTextBoxAndClassTotalsOfAKl3File) {
    DataFileBuilder b(FileKind::KL3, first);
    b.Minute(100, 64).Click(GradedClick(1'000, QualityHi, SpeciesPorpoise), 5);
    b.Click(GradedClick(900'000, QualityHi, SpeciesDolphin), 6);
    b.Minute(100, 64); // logged, quiet
    b.Minute(100, 64).Click(GradedClick(5'000, QualityMod, SpeciesBoatSonar), 7);
    b.Click(GradedClick(8'000, QualityLo, SpeciesPorpoise), 7); // left out by the train filter
    Open(b, "day.KL3");
    Page().Options.ClassTotalsInResults = true;
    AnalyzeButtonClick(program, host);

    const AnalysisFigures& f = Page().Figures;
    EXPECT_EQ(f.FileLabel, "day.KL3");
    EXPECT_EQ(f.Duration, "File duration analysed: 3m");
    EXPECT_EQ(f.AcousticDuration, "Acoustic duration: 3m (100%)");
    EXPECT_EQ(f.Clicks, "3 clicks in file");
    EXPECT_EQ(f.PerMinute, "1.00 clicks per min");
    EXPECT_EQ(f.PerHour, "60 clicks per hour");
    EXPECT_EQ(f.PerDay, "1,440 clicks per day");
    EXPECT_EQ(f.GigabyteLasts, "");
    EXPECT_EQ(f.Truncated, ""); // no click limit
    EXPECT_EQ(f.ClickFilters, "");
    EXPECT_EQ(f.TrainFilters, "Quality: Hi, Mod.  ");
    EXPECT_EQ(f.DpmPerDay, "DPM per day 960");
    EXPECT_EQ(f.MeanTemperature, "Mean temp 20C");
    EXPECT_EQ(f.MeanAngle, "Mean angle 60");

    const std::vector<std::string> box = {"Q Hi\t2", "Q Mod\t1",    "Q Lo\t0",    "Q ?\t0",   "",
                                          "Porp\t1", "Dolphin\t1",  "Unclass\t0", "Sonar\t1", "total\t3",
                                          "",        "PRF mode\t0", "On Mins\t3"};
    EXPECT_EQ(Page().TextBox, box);
    EXPECT_EQ(Page().QualityBars[0].Width, 80);
    EXPECT_EQ(Page().QualityBars[1].Width, 40);
    EXPECT_FALSE(Page().QualityBars[2].Visible);
    EXPECT_EQ(Page().SpeciesBars[3].BarColour, ColourSilver); // unclassed
    EXPECT_EQ(Page().SpeciesBars[4].BarColour, ColourMaroon);
    const std::vector<std::string> results = {"File\tHi\tMod\tLo\t?\tPorp\tDol\tOther\tSonar\tUnclass",
                                              "day.KL3\t2\t1\t0\t0\t1\t1\t0\t1\t0"};
    EXPECT_EQ(host.Results().Lines(), results);
    EXPECT_TRUE(Page().AnalyzeEnabled);
    EXPECT_EQ(host.ProgressLabels.back(), " results in graphs");
}

TEST_F(FileAnalysisTest, EndpointsBoundTheReadingAndNoAcousticMinuteCountsAsOne) {
    DataFileBuilder b(FileKind::KL1, first);
    for (int m = 0; m < 6; ++m) b.Minute(100, OutOfRange);
    b.Header().SetLastMinute(first + 5);
    b.Header().SetEndpointStart(first + 1);
    b.Header().SetEndpointEnd(first + 2);
    b.KeepHeaderMinutes();
    program.Options.UseEndpoints = true;
    Open(b, "quiet.KL1");
    AnalyzeButtonClick(program, host);

    const AnalysisFigures& f = Page().Figures;
    EXPECT_EQ(Page().Counters.Minutes, 2); // the marker after the endpoints closes the last minute
    EXPECT_EQ(f.Duration, "File duration analysed: 2m");
    EXPECT_EQ(f.AcousticDuration, "Acoustic duration:  (0%)");
    EXPECT_EQ(f.Clicks, "0 clicks in selected time");
    EXPECT_EQ(f.PerMinute, "0.00 clicks per min");
    EXPECT_EQ(f.GigabyteLasts, "1GB lasts 69444d 10h 40m");
    EXPECT_EQ(f.MeanTemperature, "");
    EXPECT_EQ(f.TrainFilters, "File is KL1 file - no trains defined");
    EXPECT_EQ(Page().TextBox, std::vector<std::string>{"On Mins\t0"});
}

TEST_F(FileAnalysisTest, HistogramsFoldTheirEnds) {
    DataFileBuilder b(FileKind::KL1, first);
    b.Minute(100, InRange);
    struct Case {
        int kHz, endkHz;
    };
    const Case cases[] = {{19, 19}, {170, 170}, {100, 20}, {20, 150}, {130, 160}};
    std::int32_t t = 1'000;
    for (const Case& c : cases) {
        ClickRecord click = MakeClick(t += 100'000, c.kHz);
        click.EndkHz = c.endkHz;
        b.Click(click);
    }
    Open(b, "ends.KL1");
    Page().Options.ClassTotalsInResults = true;
    AnalyzeButtonClick(program, host);

    const AnalysisCounters& k = Page().Counters;
    EXPECT_EQ(k.kHz[19], 0);              // below 20 kHz: not counted
    EXPECT_EQ(k.kHz[160], 1);             // 170 kHz at 160
    EXPECT_EQ(k.FrequencyChange[0], 1);   // falling by more than 63 kHz
    EXPECT_EQ(k.FrequencyChange[128], 1); // rising by more than 64 kHz
    EXPECT_EQ(k.FrequencyChange[64], 1);  // 19 -> 19: level; 170 -> 170 and 160 end: not counted
    EXPECT_EQ(k.EnvelopeLow[7] + k.EnvelopeHigh[3], 10);

    const auto& lines = host.Results().Lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "ends.KL1");
    EXPECT_EQ(lines[1].rfind("Freq 20-160\t", 0), 0u);
    EXPECT_EQ(std::count(lines[4].begin(), lines[4].end(), '\t'), 255); // positions 2..256
}

TEST(ProfileLines, ListTheTableOfEachVariant) {
    AnalysisCounters k;
    k.Profile.assign(256 * 256, 0);
    k.Profile[12 * 256 + 130] = 7; // cycles (or SPL) 12 at 130 kHz
    const auto byCycles = ProfileLines(k, true);
    ASSERT_EQ(byCycles.size(), 3u + 151u);
    EXPECT_EQ(byCycles[0], "Ncyc cols\tF rows");
    EXPECT_EQ(byCycles[1].substr(0, 8), "\t'0\t'1\t'");
    EXPECT_EQ(byCycles[2], "");
    EXPECT_EQ(byCycles[3 + 110].substr(0, 4), "130\t");                                    // kHz 130 row
    EXPECT_EQ(byCycles[3 + 110].substr(4, 26), "0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t7\t"); // column 12

    const auto bySpl = ProfileLines(k, false);
    ASSERT_EQ(bySpl.size(), 3u + 251u);
    EXPECT_EQ(bySpl[0], "F cols\tP rows");
    EXPECT_EQ(bySpl[1].substr(0, 9), "'40\t'41\t'");
    const std::string row = bySpl[3 + 7]; // SPL 12
    EXPECT_EQ(std::count(row.begin(), row.end(), '\t'), 131);
    EXPECT_EQ(row.find('7'), 2u * (130 - 40)); // under the header's '130
}

TEST_F(FileAnalysisTest, SpeciesClassesAreSteppedThroughOneAtATime) {
    struct Step {
        std::array<bool, 5> Before;
        int Next;
    };
    const Step steps[] = {
        {{true, true, true, true, true}, SpeciesPorpoise},
        {{true, false, false, false, false}, SpeciesDolphin},
        {{false, true, false, false, false}, SpeciesOtherCetacean},
        {{false, false, true, false, false}, SpeciesUnclassed},
        {{false, false, false, true, false}, SpeciesBoatSonar},
        {{false, false, false, false, true}, SpeciesPorpoise},
    };
    for (const Step& s : steps) {
        program.Trains.Species = s.Before;
        SetIgnoreFilters(program, host, true);
        StepSpeciesClass(program, host);
        EXPECT_FALSE(program.Clicks.Ignore);
        for (int species = 0; species < 5; ++species)
            EXPECT_EQ(program.Trains.Species[static_cast<std::size_t>(species)], species == s.Next)
                << species;
    }

    // Each analysis of a KL3 file takes the next class.
    DataFileBuilder b(FileKind::KL3, first);
    b.Minute()
        .Click(GradedClick(1'000, QualityHi, SpeciesPorpoise), 5)
        .Click(GradedClick(2'000, QualityHi, SpeciesDolphin), 6);
    Open(b, "two.KL3");
    Page().Options.StepThroughSpecies = true;
    AnalyzeButtonClick(program, host);
    EXPECT_EQ(Page().Counters.Species[SpeciesPorpoise] + Page().Counters.Species[SpeciesDolphin], 1);
}

TEST_F(FileAnalysisTest, TheFileChoiceMovesToTheFirstOpenSlot) {
    AnalyzeButtonClick(program, host); // no file: nothing happens
    EXPECT_FALSE(Page().HasAnalysis);
    EXPECT_TRUE(host.Changes.empty());

    DataFileBuilder b(FileKind::KL1, first);
    b.Minute().Click(MakeClick(1'000));
    Open(b, "one.KL1", 2);
    ChooseAnalysisFile(program, host, 3);
    EXPECT_EQ(Page().Options.FileChoice, 2);
    EXPECT_EQ(Page().AnalysedSlot, 2);
    EXPECT_EQ(Page().Counters.Total, 1);
}

} // namespace
} // namespace kelp::testing
