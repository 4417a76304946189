#include "view_fixture.h"

#include "display/click_aids.h"
#include "display/click_marks.h"
#include "display/click_view.h"
#include "display/colours.h"
#include "display/legends.h"

namespace kelp::testing {
namespace {

class ClickViewTest : public ViewTest {
protected:
    MinuteNumber first = MakeMinute(2024, 1, 1, 0, 0);

    static ClickRecord Train(std::int32_t time, int kHz = 130, int quality = QualityHi) {
        ClickRecord c = MakeClick(time, kHz);
        c.Quality = static_cast<std::uint8_t>(quality);
        return c;
    }

    // Marks: the fills that are not the background (the background starts at the plot's left edge
    // and reaches the top of the display).
    std::vector<CanvasOp> Marks() const {
        std::vector<CanvasOp> result;
        for (const CanvasOp& op : canvas.OfKind(CanvasOp::Kind::Fill))
            if (!(op.X0 == PlotLeft && op.Y0 == state.Top)) result.push_back(op);
        return result;
    }

    // Lines drawn with a pen of this style.
    std::vector<CanvasOp> LinesStyled(PenStyle style) const {
        std::vector<CanvasOp> result;
        for (const CanvasOp& op : canvas.OfKind(CanvasOp::Kind::Line))
            if (op.Style == style && op.Colour != ColourNavy && op.Colour != ColourGrey) result.push_back(op);
        return result;
    }
};

TEST_F(ClickViewTest, ClicksLandAtTheirTimeWithTheirLength) {
    DataFileBuilder b(FileKind::KL1, first);
    b.Minute().Click(MakeClick(600'000, 130, 10, 100)).Minute();
    Open(b, "x.KL1");
    DrawClicks(7, first, 0); // 10 ms per pixel from tick 0
    EXPECT_EQ(state.StartLabel, ClickTimeText({first, 0}));
    EXPECT_EQ(state.ReadPosition, (ClickTime{first, 1127 * 2'000}));
    auto marks = Marks();
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].X0, 318); // 600,000 div 2,000 + 18
    EXPECT_EQ(marks[0].X1, 319); // one pixel wide on the 10 ms scale
    EXPECT_EQ(marks[0].Y0, Base() - 200);
    EXPECT_EQ(marks[0].Y1, Base());
    EXPECT_EQ(marks[0].Colour, KHzColour(130));
    EXPECT_EQ(state.LastX[1], 318);

    // 10 cycles at 130 kHz on the 10 us scale: 10 x 200 div 260 = 7 pixels.
    DrawClicks(0, first, 599'990);
    marks = Marks();
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].X0, 18 + 10 / 2);
    EXPECT_EQ(marks[0].X1 - marks[0].X0, 7);
    EXPECT_EQ(DurationWidth(10, 130, 2), 7);
    EXPECT_EQ(DurationWidth(10, 130, 2'000), 1);
    EXPECT_EQ(DurationWidth(10, 0, 2), 2'000);

    // The extra line width widens the marks.
    StepLineWidth(ctx);
    StepLineWidth(ctx);
    EXPECT_EQ(state.Settings.LineWidthLabel, "Display line width + 2");
    DrawClicks(0, first, 599'990);
    EXPECT_EQ(Marks().at(0).X1 - Marks().at(0).X0, 9);
    StepLineWidth(ctx);
    StepLineWidth(ctx);
    EXPECT_EQ(state.Settings.LineWidthExtra, 0);
    EXPECT_EQ(state.Settings.LineWidthLabel, "Display line width + 0");
}

TEST_F(ClickViewTest, ScreensPageFromTheEarliestUnreadClick) {
    DataFileBuilder b(FileKind::KL1, first);
    b.Minute().Click(MakeClick(100'000)).Click(MakeClick(200'000));
    b.Minute().Minute().Minute().Click(MakeClick(500'000)).Minute();
    Open(b, "pages.KL1");
    SetTimeScale(ctx, 7);
    PositionAt(program, host, first, 0);
    state.HasLastScreenStart = false;
    ShowClickSeq(ctx);
    EXPECT_EQ(state.StartLabel, ClickTimeText({first, 0}));
    EXPECT_EQ(state.ClicksShown[1], 2);
    // The minutes without clicks are skipped: the next screen starts a pixel before the next click.
    ShowClickSeq(ctx);
    EXPECT_EQ(state.StartLabel, ClickTimeText({first + 3, 498'000}));
    EXPECT_EQ(state.ClicksShown[1], 1);
    EXPECT_EQ(program.ClickCountLabel, "Clicks shown: 1");
    // Nothing is left: nothing is drawn.
    canvas.Clear();
    ShowClickSeq(ctx);
    EXPECT_TRUE(canvas.Ops.empty());
    EXPECT_EQ(program.ProgressLabel, "END OF DATA");
}

TEST_F(ClickViewTest, MinuteBoundariesAreDashed) {
    DataFileBuilder b(FileKind::KL1, first);
    b.Minute().Minute().Minute();
    Open(b, "empty.KL1");
    DrawClicks(10, first, 6'000'000); // 100 ms per pixel, from half a minute on
    std::vector<int> xs;
    for (const CanvasOp& op : canvas.OfKind(CanvasOp::Kind::Line))
        if (op.Style == PenStyle::Dashed && op.Colour == ColourGrey) xs.push_back(op.X0);
    ASSERT_EQ(xs.size(), 2u);
    EXPECT_EQ(xs[0], (12'000'000 - 6'000'000) / 20'000 + 18);
    EXPECT_EQ(xs[1], xs[0] + 600);
}

TEST_F(ClickViewTest, TrainLinesInFrequencyAndTheirBreaks) {
    DataFileBuilder b(FileKind::KL3, first);
    b.Minute();
    b.Click(Train(100'000), 5).Click(Train(110'000), 5);
    ClickRecord silent = Train(115'000);
    silent.Ncyc = 0; // delivered, but not a click to draw: the line breaks
    b.Click(silent, 5);
    b.Click(Train(120'000), 5).Click(Train(125'000, 128, QualityUnknown), 5); // "?" is filtered out
    b.Click(Train(130'000, 126, QualityMod), 5);
    b.Minute();
    Open(b, "lines.KL3");
    ShowParameter(ctx, param::Frequency, false);
    DrawClicks(5, first, 0); // 2 ms per pixel from tick 0
    const auto lines = LinesStyled(PenStyle::Solid);
    std::vector<CanvasOp> train;
    for (const CanvasOp& op : lines)
        if (op.Colour == ColourRed || op.Colour == ColourYellow) train.push_back(op);
    // 100,000 -> 110,000; broken by the silent click; 120,000 -> 130,000 (the filtered click
    // never came, so it does not break the line).
    ASSERT_EQ(train.size(), 2u);
    EXPECT_EQ(train[0].X0, 100'000 / 400 + 18);
    EXPECT_EQ(train[0].X1, 110'000 / 400 + 18);
    EXPECT_EQ(train[0].Y1, Base() - 260); // 130 kHz x Y scale 2
    EXPECT_EQ(train[0].Colour, ColourRed);
    EXPECT_EQ(train[1].X0, 120'000 / 400 + 18);
    EXPECT_EQ(train[1].X1, 130'000 / 400 + 18);
    EXPECT_EQ(train[1].Y1, Base() - 252);
    EXPECT_EQ(train[1].Colour, ColourYellow);
}

TEST_F(ClickViewTest, FrequencyStrokesAndEndFrequencies) {
    DataFileBuilder b(FileKind::KL1, first);
    ClickRecord up = MakeClick(100'000, 60, 12, 100);
    up.EndkHz = 80;
    ClickRecord down = MakeClick(200'000, 60, 12, 255);
    down.EndkHz = 40;
    ClickRecord none = MakeClick(300'000, 60);
    none.EndkHz = 170;
    b.Minute().Click(up).Click(down).Click(none).Minute();
    Open(b, "strokes.KL1");
    ShowParameter(ctx, param::Frequency, false);
    state.Settings.ShowEndkHz = true;
    DrawClicks(6, first, 0); // 5 ms per pixel

    const auto strokes = LinesOf(ColourWhite);
    ASSERT_EQ(strokes.size(), 3u);
    // From x + SPL div 16 + 1 back to x, at the frequency.
    EXPECT_EQ(strokes[0].X0, 118 + 100 / 16 + 1);
    EXPECT_EQ(strokes[0].X1, 118);
    EXPECT_EQ(strokes[0].Y0, Base() - 120);
    EXPECT_EQ(strokes[1].X0, 218 + 16);
    const auto dotted = LinesStyled(PenStyle::Dotted);
    ASSERT_EQ(dotted.size(), 2u);            // none for an end frequency of 170
    EXPECT_EQ(dotted[0].Colour, ColourBlue); // rising
    EXPECT_EQ(dotted[0].Y1, Base() - 160);
    EXPECT_EQ(dotted[1].Colour, ColourGreen); // falling
    EXPECT_EQ(dotted[1].Y1, Base() - 80);
    EXPECT_EQ(dotted[1].Width, 1);
}

TEST_F(ClickViewTest, IciLinesStartAtTheFourthClick) {
    DataFileBuilder b(FileKind::KL3, first);
    b.Minute();
    for (int i = 0; i < 6; ++i) b.Click(Train(100'000 + 10'000 * i), 9);
    b.Minute();
    Open(b, "ici.KL3");
    ShowParameter(ctx, param::Ici, false);
    DrawClicks(5, first, 0);
    std::vector<CanvasOp> lines;
    for (const CanvasOp& op : canvas.OfKind(CanvasOp::Kind::Line))
        if (op.Colour == ColourRed) lines.push_back(op);
    ASSERT_EQ(lines.size(), 3u);
    // The fourth click joins the third: an interval of 10,000 ticks x ICI scale 2 / 200.
    EXPECT_EQ(lines[0].X0, 120'000 / 400 + 18);
    EXPECT_EQ(lines[0].X1, 130'000 / 400 + 18);
    EXPECT_EQ(lines[0].Y0, Base() - 100);
    EXPECT_EQ(lines[0].Y1, Base() - 100);

    // The click-rate view: 5,000,000 div 10,000 = 500, x 2 / 25 = 40 pixels.
    ShowParameter(ctx, param::ClickRate, false);
    DrawClicks(5, first, 0);
    lines.clear();
    for (const CanvasOp& op : canvas.OfKind(CanvasOp::Kind::Line))
        if (op.Colour == ColourRed) lines.push_back(op);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].Y1, Base() - 40);
}

TEST_F(ClickViewTest, KL1IciStrokesInKHzColours) {
    DataFileBuilder b(FileKind::KL1, first);
    b.Minute();
    for (int i = 0; i < 5; ++i) b.Click(MakeClick(100'000 + 4'000 * i, 90));
    b.Minute();
    Open(b, "ici.KL1");
    ShowParameter(ctx, param::Ici, false);
    DrawClicks(5, first, 0);
    const auto strokes = LinesOf(KHzColour(90));
    ASSERT_EQ(strokes.size(), 2u);
    const int x = 112'000 / 400 + 18;
    EXPECT_EQ(strokes[0].X0, x + 3);
    EXPECT_EQ(strokes[0].X1, x);
    EXPECT_EQ(strokes[0].Y0, Base() - 40);
}

TEST_F(ClickViewTest, BlocksOfTheOtherParameters) {
    DataFileBuilder b(FileKind::KL3, first);
    ClickRecord c = Train(100'000, 100, QualityMod);
    c.BW = 4;
    c.Ncyc = 6;
    c.Species = SpeciesDolphin;
    c.Envelope = 0x29; // slope class 9, ratio class 2
    b.Minute().Click(c, 5).Minute();
    Open(b, "blocks.KL3");
    auto markOf = [&](int parameter) {
        ShowParameter(ctx, parameter, false);
        DrawClicks(7, first, 0);
        const auto marks = Marks();
        return marks.size() == 1 ? marks[0] : CanvasOp{};
    };
    const int x = 100'000 / 2'000 + 18;
    CanvasOp m = markOf(param::Cycles);
    EXPECT_EQ(m.Y0, Base() - 12);
    EXPECT_EQ(m.Colour, KHzColour(100));
    m = markOf(param::Bandwidth);
    EXPECT_EQ(m.Colour, ColourMagenta);
    EXPECT_EQ(m.Y0, Base() - 200);
    EXPECT_EQ(m.Y1, Base() - 200 + 8);
    m = markOf(param::Quality);
    EXPECT_EQ(m.Colour, ColourYellow);
    EXPECT_EQ(m.X0, x);
    m = markOf(param::Species);
    EXPECT_EQ(m.Colour, KHzColour(48));

    // SPL blocks darkened by duration and bandwidth.
    state.Settings.ShadeByDuration = true;
    state.Settings.ShadeByBandwidth = true;
    m = markOf(param::Spl);
    EXPECT_EQ(m.Colour, ScaleColour(KHzColour(100), 0.8 * 0.4));

    // The envelope glyph: up by slope class - 7, then down by the ratio class.
    ShowParameter(ctx, param::Envelope, false);
    DrawClicks(7, first, 0);
    const auto leg1 = LinesOf(Palette34()[9 + 16]);
    const auto leg2 = LinesOf(Palette34()[2 + 16]);
    ASSERT_EQ(leg1.size(), 1u);
    ASSERT_EQ(leg2.size(), 1u);
    EXPECT_EQ(leg1[0].Y0, Base() - 200);
    EXPECT_EQ(leg1[0].X1, x + 12);
    EXPECT_EQ(leg1[0].Y1, Base() - 202);
    EXPECT_EQ(leg2[0].X1, x + 24);
    EXPECT_EQ(leg2[0].Y1, Base() - 200);
}

TEST_F(ClickViewTest, ShadingFactorsAndTheirMessage) {
    EXPECT_DOUBLE_EQ(BandwidthShade(2, false), 1.0);
    EXPECT_DOUBLE_EQ(BandwidthShade(4, false), 0.8);
    EXPECT_DOUBLE_EQ(BandwidthShade(4, true), 0.7);
    EXPECT_DOUBLE_EQ(BandwidthShade(12, true), 0.4);
    EXPECT_DOUBLE_EQ(BandwidthShade(21, true), 0.3);
    EXPECT_DOUBLE_EQ(DurationShade(5), 0.3);
    EXPECT_DOUBLE_EQ(DurationShade(6), 0.4);
    EXPECT_DOUBLE_EQ(DurationShade(11), 0.7);
    EXPECT_DOUBLE_EQ(DurationShade(16), 0.9);
    EXPECT_DOUBLE_EQ(DurationShade(200), 1.0);
    EXPECT_EQ(ScaleColour(0x0A1464, 0.25), 0x020519u); // 100 -> 25, 20 -> 5, 10 -> 2.5 -> 2 (halves to even)

    ClickRecord c = MakeClick(1, 100, 9, 100, 13);
    EXPECT_EQ(ShadedSplColour(c, true, false), ScaleColour(KHzColour(100), 0.7));
    EXPECT_EQ(ShadedSplColour(c, false, true), ScaleColour(KHzColour(100), 0.3));
    EXPECT_EQ(ShadedSplColour(c, false, false), KHzColour(100));

    state.DisplayParameter = param::Frequency;
    SetShadeByDuration(ctx, true);
    SetShadeByBandwidth(ctx, true);
    EXPECT_EQ(host.DurationOf(ShadingOnlySplText), Message3s);
    ASSERT_EQ(host.Messages.size(), 2u);
    EXPECT_EQ(host.Messages[1].Milliseconds, Message2s);
    state.DisplayParameter = param::Spl;
    SetShadeByDuration(ctx, true);
    EXPECT_EQ(host.Messages.size(), 2u);
}

TEST_F(ClickViewTest, AKL3ClickWithoutATrainStopsItsFile) {
    DataFileBuilder b(FileKind::KL3, first);
    b.Minute().Click(Train(100'000), 5).Click(Train(110'000), 3).Click(Train(120'000), 5).Minute();
    Open(b, "bad.KL3");
    ShowParameter(ctx, param::Frequency, false);
    DrawClicks(7, first, 0);
    EXPECT_TRUE(
        host.Showed(std::string(RangeErrorText) + program.Slot(1).FullName + "     Fs[FN].NRType = 3"));
    EXPECT_EQ(state.ClicksShown[1], 2); // the third click is never drawn
}

TEST_F(ClickViewTest, LineValuesGoToTheResultsOnce) {
    DataFileBuilder b(FileKind::KL1, first);
    b.Minute().Click(MakeClick(100'000, 130, 12, 50)).Minute();
    Open(b, "values.KL1");
    state.Settings.PutLineValuesInResults = true;
    DrawClicks(7, first, 0);
    ASSERT_EQ(host.Results().Lines().size(), 1u);
    EXPECT_EQ(host.Results().Lines()[0], "68\t100");
    EXPECT_FALSE(state.Settings.PutLineValuesInResults);
}

TEST_F(ClickViewTest, RawDataCapture) {
    DataFileBuilder b(FileKind::KL1, first);
    b.Minute().Click(MakeClick(100'000, 130, 12, 50, 3, 0x5A)).Minute();
    Open(b, "raw.KL1");
    state.Aids.RawCaptureSlot = 1;
    state.Settings.IncludeFileNameInRawData = true;
    DrawClicks(7, first, 0);
    const auto& list = state.Aids.RawCapture;
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0], program.Slot(1).FullName);
    EXPECT_EQ(list[1], "time\tuS\tav F\tend F\tnCyc\tBW\tPa\tslope1\tslope2");
    EXPECT_EQ(list[2], DateTimeText(first) + "\t500000\t130\t130\t12\t3\t50\t10\t5");
    EXPECT_EQ(RawCaptureHeader(true, false, FileKind::KL1),
              "time\tuS\tav F\tend F\tnCyc\tBW\tPmax\tslope1\tslope2");
}

TEST_F(ClickViewTest, ComparisonOfKL3FilesGoesOnWhileTheyAgree) {
    DataFileBuilder a(FileKind::KL3, first);
    DataFileBuilder c(FileKind::KL3, first);
    a.Minute().Click(Train(100'000), 5).Click(Train(200'000), 5);
    c.Minute().Click(Train(100'000), 6).Click(Train(200'000), 6);
    a.Minute().Minute().Click(Train(100'000), 5).Minute();
    c.Minute().Minute().Minute();
    Open(a, "a.KL3", 1);
    Open(c, "c.KL3", 2);
    state.Aids.CompareKl3 = true;
    DrawClicks(7, first, 0);
    EXPECT_TRUE(program.Display.GoOn);
    EXPECT_TRUE(state.Aids.CompareKl3);
    ShowClickSeq(ctx); // the next screen differs
    EXPECT_FALSE(program.Display.GoOn);
    EXPECT_FALSE(state.Aids.CompareKl3);
}

TEST_F(ClickViewTest, ClickSequencesCountWaveforms) {
    DataFileBuilder b(FileKind::KL1, first);
    b.Minute();
    // A regular run of strong clicks every 10,000 ticks.
    for (int i = 0; i < 8; ++i) b.Click(MakeClick(100'000 + 10'000 * i, 130, 12, 200));
    b.Minute();
    Open(b, "peaks.KL1");
    program.Options.ClickPeaks = true;
    DrawClicks(7, first, 0);
    const auto& lines = host.Results().Lines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], ClickSequenceHeader);
    EXPECT_EQ(lines[1], "100000\t100000\t100200\t170000\t4\t1\t175\t200");
    // Each hit from the third on is past stage 15: a dotted mark above the click.
    std::int64_t marks = 0;
    for (const CanvasOp& op : canvas.OfKind(CanvasOp::Kind::Line))
        if (op.Style == PenStyle::Dotted && op.Colour == KHzColour(130)) ++marks;
    EXPECT_GT(marks, 0);
    EXPECT_EQ(program.Slot(1).Peaks.PeakTotal, marks);
    EXPECT_NE(program.ClickCountLabel.find("    " + std::to_string(marks) + "    "), std::string::npos);
}

TEST_F(ClickViewTest, ClickRateGraph) {
    DataFileBuilder b(FileKind::KL1, first);
    b.Minute();
    for (int i = 0; i < 10; ++i) b.Click(MakeClick(131'072 * 3 + i * 100));
    b.Click(MakeClick(131'072 * 5));
    b.Minute();
    Open(b, "graph.KL1");
    state.Settings.GraphClickRate = true;
    DrawClicks(10, first, 0);
    const auto blue = LinesOf(ColourBlue);
    ASSERT_GE(blue.size(), 91u);
    EXPECT_EQ(blue[0].X0, 18);
    EXPECT_EQ(blue[0].Y0, 200);
    EXPECT_EQ(blue[3].X1, 18 + 7 * 4);
    EXPECT_EQ(blue[3].Y1, 100); // the largest count
    EXPECT_EQ(blue[5].Y1, 190);
    bool largest = false;
    for (const CanvasOp& op : canvas.OfKind(CanvasOp::Kind::Text))
        largest = largest ||
                  (op.Text == "10" && op.X0 == 18 + 7 * 91 + 20 && op.Y0 == 180 && op.Colour == ColourWhite);
    EXPECT_TRUE(largest);
}

} // namespace
} // namespace kelp::testing
