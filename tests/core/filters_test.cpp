#include <gtest/gtest.h>

#include "core/filters.h"
#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

class FiltersTest : public ::testing::Test {
protected:
    Program program;
    HeadlessHost host;
};

TEST_F(FiltersTest, NoFiltersAtStart) {
    DescribeFilters(program);
    EXPECT_EQ(program.ClickFilterText, "");
    EXPECT_EQ(program.TrainFilterText, "Quality: Hi, Mod.  ");
    RefreshSourceBox(program, host);
    EXPECT_EQ(program.SourceBox, (std::vector<std::string>{"Click Max SPL, uncorrected   1 pixel = 10ms",
                                                           "No click filters", "Quality: Hi, Mod.  "}));
    EXPECT_EQ(program.Display.TitleLabel, "SPL");
    EXPECT_EQ(program.ExportClickFilterLabel, "No click filters");
    EXPECT_EQ(program.ExportTrainFilterLabel, "Quality: Hi, Mod.  ");
}

TEST_F(FiltersTest, ClickFilterTextComparesTexts) {
    EXPECT_TRUE(EnterFilterText(program, host, FilterBox::FrequencyMax, "160"));
    EXPECT_EQ(program.ClickFilterText, "Click filter:   Freq: 0-160kHz, ");
    EXPECT_EQ(program.SourceBox[1], "Click filter:   Freq: 0-160kHz, ");
    EnterFilterText(program, host, FilterBox::FrequencyMax, "255");
    EXPECT_EQ(program.ClickFilterText, "");
    EXPECT_TRUE(EnterFilterText(program, host, FilterBox::FrequencyMin, "00"));
    EXPECT_EQ(program.ClickFilterText, "Click filter:   Freq: 00-255kHz, ");
    EXPECT_EQ(program.Clicks.Frequency.Min.Value, 0);
    RestoreFilterDefault(program, host, FilterBox::FrequencyMin);
    EXPECT_EQ(program.ClickFilterText, "");
}

TEST_F(FiltersTest, BadEntriesPutTheirDefaultBack) {
    EXPECT_FALSE(EnterFilterText(program, host, FilterBox::EnvelopeMax, "a"));
    EXPECT_EQ(program.Clicks.Envelope.Max.Text, "15");
    EXPECT_EQ(program.Clicks.Envelope.Max.Value, 15);
    EXPECT_EQ(program.ClickFilterText, "Click filter:   Envelope: 0-15,");
    RestoreFilterDefault(program, host, FilterBox::EnvelopeMax);
    EXPECT_EQ(program.Clicks.Envelope.Max.Text, "255");

    EXPECT_FALSE(EnterFilterText(program, host, FilterBox::AmplitudeMax, ""));
    EXPECT_EQ(program.Clicks.Amplitude.Max.Text, "9999");
    EXPECT_FALSE(EnterFilterText(program, host, FilterBox::DurationMin, "-3"));
    EXPECT_EQ(program.Clicks.Duration.Min.Text, "0");
    EXPECT_TRUE(
        EnterFilterText(program, host, FilterBox::AmplitudeMin, "-3")); // only duration refuses negatives
    EXPECT_FALSE(EnterFilterText(program, host, FilterBox::FrequencyMin, "12k"));
    EXPECT_FALSE(EnterFilterText(program, host, FilterBox::FrequencyMin, "99999999999"));
    EXPECT_EQ(program.Clicks.Frequency.Min.Text, "0");
    EXPECT_FALSE(EnterWeakFilter(program, host, "strong"));
    EXPECT_EQ(program.Clicks.Weak.Text, "0");
}

TEST_F(FiltersTest, EveryRangeInItsOrder) {
    EnterFilterText(program, host, FilterBox::BandwidthMin, "2");
    EnterFilterText(program, host, FilterBox::EnvelopeMax, "12");
    EnterFilterText(program, host, FilterBox::AmplitudeMin, "30");
    EnterFilterText(program, host, FilterBox::DurationMax, "40");
    EnterFilterText(program, host, FilterBox::FrequencyMin, "110");
    EXPECT_EQ(program.ClickFilterText,
              "Click filter:   Freq: 110-255kHz,   Duration: 0-40cyc,  Amplitude: 30-9999,"
              "  Envelope: 0-12,  Bandwidth: 2-255");
    // The weak filter, cluster status and b1 are not described.
    EnterWeakFilter(program, host, "5");
    SetClusterBand1(program, host, true);
    DescribeFilters(program);
    EXPECT_EQ(program.ClickFilterText.find("Weak"), std::string::npos);
}

TEST_F(FiltersTest, QualityPart) {
    SetQualityBox(program, host, 2, false);
    EXPECT_EQ(program.TrainFilterText, "Quality: Hi.  ");
    SetAllQualities(program, host, true);
    EXPECT_EQ(program.TrainFilterText, "");
    SetAllQualities(program, host, false);
    for (int q = 0; q < 4; ++q) SetQualityBox(program, host, q, true);
    EXPECT_EQ(program.TrainFilterText, "");
    SetQualityBox(program, host, 3, false);
    EXPECT_EQ(program.TrainFilterText, "Quality: Mod, Lo, ?.  ");
    for (int q = 0; q < 4; ++q) SetQualityBox(program, host, q, false);
    EXPECT_EQ(program.TrainFilterText, "Quality:.  ");
}

TEST_F(FiltersTest, SpeciesPart) {
    SetAllQualities(program, host, true);
    for (int sp : {0, 1, 2, 4}) SetSpeciesBox(program, host, sp, false);
    EXPECT_EQ(program.TrainFilterText, "Species: unclassed");
    SetSpeciesBox(program, host, 3, false);
    EXPECT_EQ(program.TrainFilterText, "Species: unclassed");
    SetSpeciesBox(program, host, 0, true);
    SetSpeciesBox(program, host, 4, true);
    EXPECT_EQ(program.TrainFilterText, "Species:  Porp.type, sonars");
    SetAllQualities(program, host, false);
    SetSpeciesBox(program, host, 1, true);
    EXPECT_EQ(program.TrainFilterText, "Quality: Hi, Mod.  Species:  Porp.type, Dolphins, sonars");
}

TEST_F(FiltersTest, IgnoreSwitchEmptiesTheTextsAndDisablesTheBoxes) {
    EnterFilterText(program, host, FilterBox::FrequencyMax, "160");
    SetIgnoreFilters(program, host, true);
    EXPECT_EQ(program.ClickFilterText, "");
    EXPECT_EQ(program.TrainFilterText, "");
    EXPECT_FALSE(program.Trains.BoxesEnabled);
    EXPECT_EQ(program.SourceBox[1], "No click filters");
    EXPECT_EQ(program.SourceBox[2], "No train filters");
    SetIgnoreFilters(program, host, false);
    EXPECT_TRUE(program.Trains.BoxesEnabled);
    EXPECT_EQ(program.SourceBox[1], "Click filter:   Freq: 0-160kHz, ");
}

TEST_F(FiltersTest, IciBoxes) {
    EXPECT_EQ(program.Ici.UpperTicks, 1000);
    EXPECT_EQ(program.Ici.LowerTicks, 100);
    EXPECT_FALSE(EnterUpperIci(program, host, "1500"));
    EXPECT_EQ(program.Ici.UpperText, "1000");
    EXPECT_EQ(program.Ici.UpperTicks, 200);
    EXPECT_FALSE(EnterUpperIci(program, host, "fast"));
    EXPECT_EQ(program.Ici.UpperText, "2");
    EXPECT_EQ(program.Ici.UpperTicks, 100'000);
    EXPECT_TRUE(EnterUpperIci(program, host, "0"));
    EXPECT_EQ(program.Ici.UpperTicks, 200'000); // 200,000 div max(1, 0)
    EXPECT_FALSE(EnterLowerIci(program, host, "50"));
    EXPECT_EQ(program.Ici.LowerText, "2000");
    EXPECT_FALSE(EnterLowerIci(program, host, "slow"));
    EXPECT_EQ(program.Ici.LowerText, "2000");
    EXPECT_TRUE(EnterLowerIci(program, host, "400"));
    EXPECT_EQ(program.Ici.LowerTicks, 500);
}

TEST_F(FiltersTest, IciOnOffTicksTheLowestOpenSeekBox) {
    testing::TempDir dir;
    testing::DataFileBuilder b(FileKind::KL1, 1000);
    b.Minute();
    ToggleIciFilter(program, host);
    EXPECT_TRUE(program.Ici.On);
    EXPECT_FALSE(program.Seek[1].Ticked);
    ASSERT_TRUE(OpenDataFile(program, host, b.Write(dir.File("a.KL1")), 2));
    ToggleIciFilter(program, host);
    EXPECT_FALSE(program.Ici.On);
    EXPECT_TRUE(program.Seek[2].Ticked);
}

TEST_F(FiltersTest, SourceBoxFirstLine) {
    program.Display.TimeScale = 11;
    program.Display.Parameter = 3;
    RefreshSourceBox(program, host);
    EXPECT_EQ(program.SourceBox[0], "Max SPL groups, uncorrected/m   1min");
    program.Options.ShowSplAsPa = true;
    program.Display.TimeScale = 19;
    RefreshSourceBox(program, host);
    EXPECT_EQ(program.SourceBox[0], "Max Pa p-p groups/m   1 week");
    EXPECT_EQ(program.Display.TitleLabel, "Pa p-p");
    program.Display.Parameter = 5;
    RefreshSourceBox(program, host);
    EXPECT_EQ(program.SourceBox[0], "Inter-click interval/m   1 week");
    EXPECT_EQ(program.Display.TitleLabel, "Inter-click interval");
    program.Display.TimeScale = 0;
    RefreshSourceBox(program, host);
    EXPECT_EQ(program.SourceBox[0], "Inter-click interval   1 pixel = 10us");
    EXPECT_EQ(program.Display.TitleLabel, "ICI");
    program.Display.Parameter = 1;
    program.Display.TimeScale = 15;
    RefreshSourceBox(program, host);
    EXPECT_EQ(program.SourceBox[0], "Duration  groups: N of cycles in clicks/m   tide/4");

    program.Options.DevelopmentMode = true;
    program.Display.AverageSpl = true;
    program.Display.AverageSplText = [] { return std::string("mean SPL 81"); };
    RefreshSourceBox(program, host);
    EXPECT_EQ(program.SourceBox[0], "mean SPL 81");

    // Left alone while a batch job runs.
    program.Options.BatchRunning = true;
    program.SourceBox = {"kept"};
    RefreshSourceBox(program, host);
    EXPECT_EQ(program.SourceBox, std::vector<std::string>{"kept"});
}

} // namespace
} // namespace kelp
