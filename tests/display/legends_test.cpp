#include "display_fixture.h"

#include "display/colours.h"
#include "display/legends.h"
#include "display/navigation.h"

namespace kelp::testing {
namespace {

class LegendsTest : public DisplayTest {
protected:
    std::vector<std::string> VisibleTexts() const {
        std::vector<std::string> texts;
        for (const LegendLabel& l : state.Legend)
            if (l.Visible) texts.push_back(l.Text);
        return texts;
    }
};

TEST_F(LegendsTest, SetYScaleFitsTheValueRangeIntoTheBand) {
    Open({FileKind::KL3}, 1200, 360);
    ASSERT_EQ(state.BandHeight, 130);
    ShowParameter(ctx, param::Frequency, true);
    EXPECT_EQ(state.Settings.YScaleText, "0.72");
    EXPECT_EQ(state.YScale, 0.72);
    ShowParameter(ctx, param::Cycles, true);
    EXPECT_EQ(state.Settings.YScaleText, "3.25");
    ShowParameter(ctx, param::Spl, true);
    EXPECT_EQ(state.Settings.YScaleText, "0.50");
    state.IciScale = 1.5;
    ShowParameter(ctx, param::Ici, true);
    EXPECT_EQ(state.Settings.YScaleText, "1.50");
    ShowParameter(ctx, param::Frequency, false);
    EXPECT_EQ(state.Settings.YScaleText, "1.50");
    // Bin scales keep the Y scale and write it back with 3 decimals.
    SetTimeScale(ctx, 12);
    ShowParameter(ctx, param::Frequency, true);
    EXPECT_EQ(state.Settings.YScaleText, "1.500");
}

TEST_F(LegendsTest, QualityViewWithOnlyKl1Files) {
    Open({FileKind::KL1});
    ShowParameter(ctx, param::Quality, false);
    EXPECT_EQ(state.DisplayParameter, param::Quality);
    EXPECT_EQ(state.SlotParameter[1], param::Frequency); // the band draws kHz colours
    EXPECT_EQ(VisibleTexts(), (std::vector<std::string>{"High Q", "Mod Q", "Low Q", "Doubtful"}));
    EXPECT_EQ(state.Legend[0].FontColour, ColourRed);
    EXPECT_EQ(state.Legend[1].FontColour, ColourYellow);
    EXPECT_EQ(state.Legend[2].FontColour, ColourGreen);
    EXPECT_EQ(state.Legend[3].FontColour, ColourSilver);
    SetTimeScale(ctx, 12);
    EXPECT_EQ(VisibleTexts(),
              (std::vector<std::string>{"High Q", "ModQ", "Low Q", "Doubtful", "KL1 files show kHz"}));
    EXPECT_EQ(state.Legend[4].FontColour, ColourWhite);
    EXPECT_NE(canvas.FindText("kHz. Counts/min  in 5min bins"), nullptr);
}

TEST_F(LegendsTest, SlotCopiesOfTheParameter) {
    Open({FileKind::KL1, FileKind::KL2, FileKind::KL3});
    ShowParameter(ctx, param::Ici, false);
    EXPECT_EQ(state.SlotParameter[1], param::Cycles);
    EXPECT_EQ(state.SlotParameter[2], param::Cycles);
    EXPECT_EQ(state.SlotParameter[3], param::Ici);
    ShowParameter(ctx, param::ClickRate, false);
    EXPECT_EQ(state.SlotParameter[1], param::Frequency);
    EXPECT_EQ(state.SlotParameter[3], param::ClickRate);
    ShowParameter(ctx, param::Species, false);
    EXPECT_EQ(state.SlotParameter[2], param::Cycles);
    ShowParameter(ctx, param::Bandwidth, false);
    EXPECT_EQ(state.SlotParameter[1], param::Bandwidth);
}

TEST_F(LegendsTest, BinScaleLegendRows) {
    Open({FileKind::KL3});
    SetTimeScale(ctx, 13);
    ShowParameter(ctx, param::Frequency, false);
    EXPECT_EQ(VisibleTexts(),
              (std::vector<std::string>{"25kHz", "50kHz", "75kHz", "100kHz", "125kHz", "150kHz"}));
    EXPECT_EQ(state.Legend[3].FontColour, KHzColour(100));

    ShowParameter(ctx, param::Cycles, false);
    EXPECT_EQ(state.Legend[4].Text, "40cycles");
    EXPECT_EQ(state.Legend[4].FontColour, KHzColour(128));
    EXPECT_EQ(state.Legend[5].FontColour, KHzColour(160));

    ShowParameter(ctx, param::Bandwidth, false);
    EXPECT_EQ(VisibleTexts(), (std::vector<std::string>{"Low bandwidth"}));
    EXPECT_EQ(state.Legend[0].FontColour, ClassColour(0));

    ShowParameter(ctx, param::Spl, false);
    EXPECT_EQ(VisibleTexts(), (std::vector<std::string>{"25", "50", "75", "100", "125", "150"}));
    EXPECT_EQ(state.Legend[0].FontColour, KHzColour(25));

    // The envelope view keeps the texts in the six class colours.
    ShowParameter(ctx, param::Envelope, false);
    EXPECT_EQ(VisibleTexts(), (std::vector<std::string>{"25", "50", "75", "100", "125", "150"}));
    EXPECT_EQ(state.Legend[0].FontColour, ClassColour(0));
    EXPECT_EQ(state.Legend[5].FontColour, ClassColour(5));

    ShowParameter(ctx, param::Ici, false);
    EXPECT_EQ(VisibleTexts(), (std::vector<std::string>{">200ms", "<200ms", "<100ms", "<50ms", "<10ms",
                                                        "<2ms", "KL1 files show click durations"}));
    EXPECT_EQ(state.Legend[6].FontColour, ColourWhite);

    ShowParameter(ctx, param::ClickRate, false);
    EXPECT_EQ(state.Legend[0].Text, "<5/s");
    EXPECT_EQ(state.Legend[5].Text, ">500/s");
    EXPECT_EQ(state.Legend[6].Text, "KL1 files show kHz");

    ShowParameter(ctx, param::Species, false);
    EXPECT_EQ(VisibleTexts(), (std::vector<std::string>{"Porp+", "Dolphin", "Other cet", "no class", "Boat",
                                                        "KL1 files show click durations"}));
    EXPECT_EQ(state.Legend[0].FontColour, 0xDC5AAAu);
    EXPECT_EQ(state.Legend[1].FontColour, 0x00A0FFu);
    EXPECT_EQ(state.Legend[2].FontColour, ColourTeal);
    EXPECT_EQ(state.Legend[3].FontColour, ColourGrey);
    EXPECT_EQ(state.Legend[4].FontColour, ColourMaroon);

    ShowParameter(ctx, param::Noise, false);
    EXPECT_EQ(VisibleTexts(), (std::vector<std::string>{"2%", "4%", "8%", "92%", "96%", "98%", "total"}));
    EXPECT_EQ(state.Legend[3].FontColour, ClassColour(3));
    EXPECT_TRUE(program.Display.ShowsNoiseParameter);
}

TEST_F(LegendsTest, ClickScaleLegendRows) {
    Open({FileKind::KL3});
    ShowParameter(ctx, param::Cycles, false);
    EXPECT_EQ(VisibleTexts(),
              (std::vector<std::string>{"25kHz", "50kHz", "75kHz", "100kHz", "125kHz", "150kHz"}));
    ShowParameter(ctx, param::Bandwidth, false);
    EXPECT_EQ(VisibleTexts(), (std::vector<std::string>{"  vertical height: bandwidth"}));
    EXPECT_EQ(state.Legend[0].FontColour, ColourMagenta);
    ShowParameter(ctx, param::Envelope, false);
    EXPECT_TRUE(VisibleTexts().empty());
    ShowParameter(ctx, param::Species, false);
    EXPECT_EQ(VisibleTexts(),
              (std::vector<std::string>{"Porp+", "Dolphin", "Other cet", "no class", "Boat"}));
    ShowParameter(ctx, param::ClickRate, false);
    EXPECT_EQ(VisibleTexts(), (std::vector<std::string>{"High Q", "Mod Q", "Low Q", "Doubtful"}));
}

TEST_F(LegendsTest, BandTitlesAndBinSuffixes) {
    EXPECT_EQ(BinSuffix(1), "  in 1min bins");
    EXPECT_EQ(BinSuffix(10), "  in 10min bins");
    EXPECT_EQ(BinSuffix(60), "  in 1hr bins");
    EXPECT_EQ(BinSuffix(186), "  in 1/4 tide bins");
    EXPECT_EQ(BinSuffix(360), "  in 6hr bins");
    EXPECT_EQ(BinSuffix(1'440), "  in 24hr bins");
    EXPECT_EQ(BinSuffix(10'080), "  in 1week bins");
    EXPECT_EQ(BinSuffix(100), "");

    Open({FileKind::KL1, FileKind::KL3});
    canvas.Clear();
    ShowParameter(ctx, param::Spl, false);
    const auto titles = canvas.OfKind(CanvasOp::Kind::RotatedText);
    ASSERT_EQ(titles.size(), 2u);
    EXPECT_EQ(titles[0].Text, "SPL - raw value (0-255)");
    EXPECT_EQ(titles[0].X0, 1);
    EXPECT_EQ(titles[0].Y0, state.Bands[1].Base - 2);
    EXPECT_EQ(titles[1].Y0, state.Bands[2].Base - 2);
    EXPECT_EQ(titles[0].Size, 8);
    EXPECT_EQ(titles[0].Colour, ColourBlack);
    program.Options.ShowSplAsPa = true;
    EXPECT_EQ(BandTitle(state, program, 1), "SPL - Pa");

    SetTimeScale(ctx, 15);
    EXPECT_EQ(BandTitle(state, program, 1), "SPL - Pa. Counts/min  in 1/4 tide bins");
    program.Options.ShowSplAsPa = false;
    EXPECT_EQ(BandTitle(state, program, 1), "SPL - raw value.  Counts/min  in 1/4 tide bins");
    state.DisplayParameter = param::Quality;
    EXPECT_EQ(BandTitle(state, program, 1), "kHz. Counts/min  in 1/4 tide bins");
    EXPECT_EQ(BandTitle(state, program, 2), "Q class. Counts/min  in 1/4 tide bins");
    state.DisplayParameter = param::Species;
    EXPECT_EQ(BandTitle(state, program, 1), "Click duration. Counts/min  in 1/4 tide bins");
    EXPECT_EQ(BandTitle(state, program, 2), "Species. Counts/min  in 1/4 tide bins");
    state.DisplayParameter = param::ClickRate;
    EXPECT_EQ(BandTitle(state, program, 2), "Click rates. Counts/min");
    state.DisplayParameter = param::Noise;
    EXPECT_EQ(BandTitle(state, program, 2), "");
    EXPECT_EQ(BandTitle(state, program, 3), ""); // not open
}

TEST_F(LegendsTest, ShowParameterNeedsOpenFiles) {
    Open({});
    canvas.Clear();
    ShowParameter(ctx, param::Frequency, true);
    EXPECT_EQ(state.DisplayParameter, param::Spl);
    EXPECT_TRUE(canvas.Ops.empty());
}

TEST_F(LegendsTest, CaptionColours) {
    Open({FileKind::KL3});
    ShowParameter(ctx, param::Cycles, false);
    EXPECT_EQ(ParameterCaptionColour(state, param::Cycles), ColourRed);
    EXPECT_EQ(ParameterCaptionColour(state, param::Spl), CaptionColour);
    EXPECT_EQ(ScaleCaptionColour(state, 7), ColourRed);
    EXPECT_EQ(ScaleCaptionColour(state, 8), CaptionColour);
    EXPECT_STREQ(ParameterCaption(param::Envelope), "Envelope           (shft+F11)    ");
    EXPECT_STREQ(ParameterCaption(param::Noise), "Noise level");
}

TEST_F(LegendsTest, ColourCodes) {
    Open({});
    state.MenuPagesVisible = true;
    canvas.Clear();
    ShowColourCodes(ctx);
    EXPECT_FALSE(state.MenuPagesVisible);
    const auto lines = canvas.OfKind(CanvasOp::Kind::Line);
    ASSERT_EQ(lines.size(), 301u);
    EXPECT_EQ(lines[0].X0, 66);
    EXPECT_EQ(lines[0].Y0, 130);
    EXPECT_EQ(lines[0].Y1, 530);
    EXPECT_EQ(lines[0].Colour, KHzColour(20));
    EXPECT_EQ(lines[1].Colour, KHzColour(20));
    EXPECT_EQ(lines[2].Colour, KHzColour(21));
    EXPECT_EQ(lines.back().X0, 366);
    EXPECT_EQ(lines.back().Colour, KHzColour(170));
    const auto labels = canvas.OfKind(CanvasOp::Kind::Text);
    ASSERT_EQ(labels.size(), 15u);
    EXPECT_EQ(labels[0].Text, "20");
    EXPECT_EQ(labels[0].X0, 66);
    EXPECT_EQ(labels[0].Y0, 245);
    EXPECT_EQ(labels.back().Text, "160");
    EXPECT_EQ(labels.back().Y0, 385);
    EXPECT_EQ(host.ProgressLabels.back(), "Colours for F = 20 to F = 156");
}

} // namespace
} // namespace kelp::testing

namespace kelp::testing {
namespace {

TEST_F(LegendsTest, ShowSplAsPaRenamesTheAmplitudeFilterAndShowsTheViewAgain) {
    Open({FileKind::KL3});
    canvas.Clear();
    SetShowSplAsPa(ctx, true);
    EXPECT_TRUE(program.Options.ShowSplAsPa);
    EXPECT_EQ(state.Settings.AmplitudeFilterCaption, "Pa p-p");
    EXPECT_NE(canvas.FindText("SPL - Pa"), nullptr);
    EXPECT_EQ(program.SourceBox[0], "Click SPL: Max Pa p-p   1 pixel = 10ms");
    SetShowSplAsPa(ctx, false);
    EXPECT_EQ(state.Settings.AmplitudeFilterCaption, "raw SPL");
}

TEST(AverageSplTrackerText, MeanCountAndRange) {
    AverageSplTracker t;
    t.Reset(0);
    EXPECT_EQ(t.Text(), "0.0   0  0%");
    t.Offer({10, 500}, 1, {10, 0});
    EXPECT_EQ(t.Text(), "1.0   1  100%");
    t.Reset(40);
    t.Offer({10, 500}, 30, {10, 0});    // not above the SPL filter's minimum
    t.Offer({10, 100}, 200, {10, 400}); // before the pointer
    t.Offer({10, 900}, 255, {10, 0});   // saturated
    EXPECT_EQ(t.Count, 0);
}

} // namespace
} // namespace kelp::testing
