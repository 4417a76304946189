#include "view_fixture.h"

#include "core/codes.h"
#include "display/colours.h"
#include "display/legends.h"
#include "display/low_resolution.h"
#include "display/y_scale.h"

namespace kelp::testing {
namespace {

constexpr int Angled = 60;      // within the switch angle range: a logged minute
constexpr int OutOfRange = 200; // outside it

class LowResolutionTest : public ViewTest {
protected:
    MinuteNumber first = MakeMinute(2024, 1, 1, 0, 0);
    int Height() const { return state.BandHeight; }

    // The fills of the bin at x in one band, leaving out the screen's background.
    std::vector<CanvasOp> BinFills(int x, int slot = 1) const {
        std::vector<CanvasOp> result;
        for (const CanvasOp& op : FillsAt(x))
            if (op.X1 == x + 3 && op.Y1 <= Base(slot) + 1 && op.Y0 >= Base(slot) - Height())
                result.push_back(op);
        return result;
    }
};

TEST_F(LowResolutionTest, FewClicksGiveSilverOrGreyColumns) {
    DataFileBuilder b(FileKind::KL1, first);
    b.Minute(100, Angled);
    for (int i = 1; i <= 5; ++i) b.Click(MakeClick(i * 100'000, 130));
    b.Minute(100, OutOfRange); // no clicks, not logged
    b.Minute(100, OutOfRange);
    b.Minute(100, Angled); // logged but quiet
    b.Minute(100, Angled);
    Open(b, "few.KL1");
    DrawBins(OneMinuteScale, first);

    auto column = [&](int bin) {
        const auto fills = BinFills(PlotLeft + 3 * bin);
        return fills.size() == 1 ? fills[0] : CanvasOp{};
    };
    EXPECT_EQ(column(0).Colour, ColourSilver); // 5 clicks in a logged minute
    EXPECT_EQ(column(0).Y0, Base() - Height());
    EXPECT_EQ(column(0).Y1, Base() + 1);
    EXPECT_EQ(column(1).Colour, ColourGrey); // no clicks, no logged minute
    EXPECT_EQ(column(2).Colour, ColourGrey);
    EXPECT_EQ(column(3).Colour, ColourSilver); // logged, no clicks
    // After the file's last minute the band is black.
    EXPECT_EQ(column(5).Colour, ColourBlack);
    EXPECT_EQ(column(300).Colour, ColourBlack);
    EXPECT_EQ(program.ClickCountLabel, "Clicks shown: 5");
    EXPECT_EQ(program.ProgressLabel, "END OF DATA");
}

TEST_F(LowResolutionTest, DistributionColumnsFollowTheValues) {
    DataFileBuilder b(FileKind::KL1, first);
    b.Minute(100, Angled); // minute 0: all 130 kHz, many clicks
    for (int i = 1; i <= 997; ++i) b.Click(MakeClick(i * 10'000, 130));
    b.Minute(100, Angled); // minute 1: all 130 kHz, few clicks
    for (int i = 1; i <= 7; ++i) b.Click(MakeClick(i * 10'000, 130));
    b.Minute(100, Angled); // minute 2: 40 kHz and 140 kHz, half each
    for (int i = 1; i <= 20; ++i) b.Click(MakeClick(i * 10'000, i % 2 ? 40 : 140, 12, 120));
    b.Minute(100, Angled);
    Open(b, "spread.KL1");
    ShowParameter(ctx, param::Frequency, false);
    DrawBins(OneMinuteScale, first);

    for (int bin : {0, 1}) {
        const auto fills = BinFills(PlotLeft + 3 * bin);
        ASSERT_EQ(fills.size(), 1u) << bin;
        EXPECT_EQ(fills[0].Colour, KHzColour(130));
        EXPECT_EQ(fills[0].Y0, Base() - Height()); // the whole band
        EXPECT_EQ(fills[0].Y1, Base());
    }
    const auto mixed = BinFills(PlotLeft + 6);
    ASSERT_EQ(mixed.size(), 2u);
    EXPECT_EQ(mixed[0].Colour, KHzColour(40)); // low values at the bottom
    EXPECT_EQ(mixed[0].Y1, Base());
    EXPECT_EQ(mixed[1].Colour, KHzColour(140));
    EXPECT_EQ(mixed[1].Y1, mixed[0].Y0);
    EXPECT_EQ(mixed[1].Y0, Base() - Height());
    // Half the clicks: (10 + 1) / (20 / 570) pixels, rounded.
    EXPECT_EQ(mixed[0].Y0, Base() - 314);
    EXPECT_EQ(state.LargestBinCount, 997);

    // The SPL view colours SPL 120 with entry (120 + 40) div 2 = 80.
    ShowParameter(ctx, param::Spl, false);
    DrawBins(OneMinuteScale, first);
    const auto spl = BinFills(PlotLeft + 6);
    ASSERT_EQ(spl.size(), 1u);
    EXPECT_EQ(spl[0].Colour, KHzColour(80));

    // Cycles take entry 8 + 3 x cycles; the bandwidth 5 x (BW + 5).
    ShowParameter(ctx, param::Cycles, false);
    DrawBins(OneMinuteScale, first);
    EXPECT_EQ(BinFills(PlotLeft + 6).at(0).Colour, KHzColour(8 + 3 * 12));
    ShowParameter(ctx, param::Bandwidth, false);
    DrawBins(OneMinuteScale, first);
    EXPECT_EQ(BinFills(PlotLeft + 6).at(0).Colour, KHzColour(5 * (3 + 5)));
}

TEST_F(LowResolutionTest, ClickRateLineInClicksPerMinute) {
    DataFileBuilder kl3(FileKind::KL3, first);
    DataFileBuilder kl1(FileKind::KL1, first);
    for (int m = 0; m < 3; ++m) {
        kl3.Minute(100, Angled);
        kl1.Minute(100, Angled);
        for (int i = 1; i <= 10 * (m + 1); ++i) {
            ClickRecord c = MakeClick(i * 10'000, 130);
            c.Quality = QualityHi;
            kl3.Click(c, 5);
            kl1.Click(c);
        }
    }
    kl3.Minute(100, Angled);
    kl1.Minute(100, Angled);
    Open(kl1, "rate.KL1", 1);
    Open(kl3, "rate.KL3", 2);
    state.Settings.Angle = false;
    SetKl1Divisor(ctx, "4");
    ShowParameter(ctx, param::Frequency, false);
    DrawBins(OneMinuteScale, first);

    std::vector<CanvasOp> kl3Lines, kl1Lines;
    for (const CanvasOp& op : LinesOf(ColourBlack)) {
        if (op.Width != 2) continue;
        (op.Y0 <= Base(2) + 1 && op.Y0 > Base(2) - Height() - 1 ? kl3Lines : kl1Lines).push_back(op);
    }
    // The last marker opens a logged minute without clicks: a fourth bin with the line at 2.
    ASSERT_EQ(kl3Lines.size(), 4u);
    // KL3: the line count N - 1 after a distribution column, times the Y scale 2, per minute.
    EXPECT_EQ(kl3Lines[0].X0, PlotLeft);
    EXPECT_EQ(kl3Lines[0].Y0, Base(2));
    EXPECT_EQ(kl3Lines[0].X1, PlotLeft + 2);
    EXPECT_EQ(kl3Lines[0].Y1, Base(2) - 18);
    EXPECT_EQ(kl3Lines[1].X0, PlotLeft + 2);
    EXPECT_EQ(kl3Lines[1].Y0, Base(2) - 18);
    EXPECT_EQ(kl3Lines[1].Y1, Base(2) - 38);
    EXPECT_EQ(kl3Lines[2].Y1, Base(2) - 58);
    EXPECT_EQ(kl3Lines[3].Y1, Base(2) - 2);
    // KL1: divided by the "KL1/" divisor (here 4), rounded halves to even, never below 2.
    ASSERT_EQ(kl1Lines.size(), 4u);
    EXPECT_EQ(kl1Lines[0].Y1, Base(1) - 4);  // 2 x 9 / 4 = 4.5
    EXPECT_EQ(kl1Lines[2].Y1, Base(1) - 14); // 2 x 29 / 4 = 14.5
    // The line goes on from where the last screen left it.
    EXPECT_EQ(state.Levels[2].ClickRate, 2);
}

TEST_F(LowResolutionTest, KL1ShowsKHzWhereQualityIsAsked) {
    DataFileBuilder kl1(FileKind::KL1, first);
    DataFileBuilder kl3(FileKind::KL3, first);
    kl1.Minute(100, Angled);
    kl3.Minute(100, Angled);
    ClickRecord c = MakeClick(0, 130);
    c.Quality = QualityHi;
    for (int i = 1; i <= 10; ++i) {
        c.Time = i * 10'000;
        kl1.Click(c);
        kl3.Click(c, 7);
    }
    kl1.Minute(100, Angled);
    kl3.Minute(100, Angled);
    Open(kl1, "q.KL1", 1);
    Open(kl3, "q.KL3", 2);
    ShowParameter(ctx, param::Quality, false);
    EXPECT_EQ(state.SlotParameter[1], param::Frequency);
    EXPECT_EQ(state.SlotParameter[2], param::Quality);
    DrawBins(OneMinuteScale, first);

    const auto kl1Fills = BinFills(PlotLeft, 1);
    ASSERT_EQ(kl1Fills.size(), 1u);
    EXPECT_EQ(kl1Fills[0].Colour, KHzColour(130));
    const auto bars = BinFills(PlotLeft, 2);
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_EQ(bars[0].Colour, KHzColour(30)); // Hi
    EXPECT_EQ(bars[0].Y0, Base(2) - 20);      // 10 clicks in one minute, Y scale 2
    EXPECT_EQ(bars[0].Y1, Base(2));
    // The bars have no click-rate line; the kHz column has.
    int lines = 0;
    for (const CanvasOp& op : LinesOf(ColourBlack))
        if (op.Width == 2 && op.X0 == PlotLeft) ++lines;
    EXPECT_EQ(lines, 1);
}

TEST_F(LowResolutionTest, ClassBarsStackTheirClassesWithOneClickClassesHidden) {
    DataFileBuilder b(FileKind::KL3, first);
    b.Minute(100, Angled);
    int t = 0;
    auto add = [&](int quality, int species, int count) {
        for (int i = 0; i < count; ++i) {
            ClickRecord c = MakeClick(t += 10'000, 130);
            c.Quality = static_cast<std::uint8_t>(quality);
            c.Species = static_cast<std::uint8_t>(species);
            b.Click(c, 9);
        }
    };
    add(QualityHi, SpeciesPorpoise, 1);
    add(QualityMod, SpeciesDolphin, 3);
    add(QualityLo, SpeciesPorpoise, 4);
    b.Minute(100, Angled);
    Open(b, "bars.KL3");
    program.Trains.AllQualities = true;
    program.Trains.Quality = {true, true, true, true};
    ShowParameter(ctx, param::Quality, false);
    DrawBins(OneMinuteScale, first);

    // Hi (one click) draws nothing but raises the sum: Mod ends at (1 + 3) x 2, Lo at 8 x 2.
    auto bars = BinFills(PlotLeft);
    ASSERT_EQ(bars.size(), 2u);
    EXPECT_EQ(bars[0].Colour, KHzColour(68));
    EXPECT_EQ(bars[0].Y0, Base() - 8);
    EXPECT_EQ(bars[0].Y1, Base());
    EXPECT_EQ(bars[1].Colour, ColourGreen);
    EXPECT_EQ(bars[1].Y0, Base() - 16);
    EXPECT_EQ(bars[1].Y1, Base() - 8);

    ShowParameter(ctx, param::Species, false);
    DrawBins(OneMinuteScale, first);
    bars = BinFills(PlotLeft);
    ASSERT_EQ(bars.size(), 2u);
    EXPECT_EQ(bars[0].Colour, KHzColour(155)); // porpoise-like first: 5 clicks
    EXPECT_EQ(bars[0].Y0, Base() - 10);
    EXPECT_EQ(bars[1].Colour, KHzColour(48));
    EXPECT_EQ(bars[1].Y0, Base() - 16);

    // "black lines" on a black screen draws the segments white.
    state.Settings.BlackLines = true;
    DrawBins(OneMinuteScale, first);
    for (const CanvasOp& op : BinFills(PlotLeft)) EXPECT_EQ(op.Colour, ColourWhite);
}

TEST_F(LowResolutionTest, SixClassColumns) {
    DataFileBuilder b(FileKind::KL1, first);
    b.Minute(100, Angled);
    // Intervals of 300 ms (class 1, the first click too), 30 ms (class 4) and 1 ms (class 6).
    const std::int32_t times[] = {60'000, 120'000, 126'000, 132'000, 132'200, 132'400, 132'600, 132'800};
    for (std::int32_t time : times)
        b.Click(MakeClick(time, 130, 12, 100, 3, static_cast<std::uint8_t>(0x30 | 4)));
    b.Minute(100, Angled);
    Open(b, "ici.KL1");
    ShowParameter(ctx, param::Envelope, false);
    DrawBins(OneMinuteScale, first);
    // All envelopes in class 2: one orange column over the band.
    auto fills = BinFills(PlotLeft);
    ASSERT_EQ(fills.size(), 6u);
    EXPECT_EQ(fills[1].Colour, ClassColour(1));
    EXPECT_EQ(fills[1].Y0, Base() - Height() + 1);
    EXPECT_EQ(fills[1].Y1, Base() + 1);

    EXPECT_EQ(IntervalClass(0), 1);
    EXPECT_EQ(IntervalClass(40'001), 1);
    EXPECT_EQ(IntervalClass(40'000), 2);
    EXPECT_EQ(IntervalClass(20'000), 3);
    EXPECT_EQ(IntervalClass(10'000), 4);
    EXPECT_EQ(IntervalClass(2'000), 5);
    EXPECT_EQ(IntervalClass(400), 6);
    EXPECT_EQ(EnvelopeClass(0xF2), 1);
    EXPECT_EQ(EnvelopeClass(11), 6);

    // KL1 files show cycles for ICI; a KL3 file shows the interval classes: two of the eight
    // clicks in class 1, two in class 4 and four in class 6.
    DataFileBuilder k(FileKind::KL3, first);
    k.Minute(100, Angled);
    for (std::int32_t time : times) {
        ClickRecord c = MakeClick(time, 130);
        c.Quality = QualityHi;
        k.Click(c, 5);
    }
    k.Minute(100, Angled);
    Open(k, "ici.KL3", 2);
    ShowParameter(ctx, param::Ici, false);
    DrawBins(OneMinuteScale, first);
    fills = BinFills(PlotLeft, 2);
    ASSERT_EQ(fills.size(), 6u);
    const int h = Height();
    // round(2 x h / 8), round(1 x h / 8) ... stacked from class 1 up; the top class reaches the band's top.
    const int c1 = static_cast<int>(RoundToInt(2.0 * h / 8));
    EXPECT_EQ(fills[0].Colour, ClassColour(0));
    EXPECT_EQ(fills[0].Y0, Base(2) - c1 + 1);
    EXPECT_EQ(fills[0].Y1, Base(2) + 1);
    EXPECT_EQ(fills[5].Colour, ClassColour(5));
    EXPECT_EQ(fills[5].Y0, Base(2) - h + 1);
}

TEST_F(LowResolutionTest, FirstTideBinTakesTheTidalOffset) {
    const MinuteNumber start = (first / 186 + 1) * 186;
    DataFileBuilder b(FileKind::KL1, start);
    for (int m = 0; m < 600; ++m) {
        b.Minute(100, Angled);
        b.Click(MakeClick(100'000, m < 246 ? 40 : 140));
    }
    b.Minute(100, Angled);
    Open(b, "tide.KL1");
    SetTidalOffset(ctx, "60");
    SetTidalOffset(ctx, "sixty"); // not a number: the offset stays
    EXPECT_EQ(state.Settings.TidalOffset, 60);
    ShowParameter(ctx, param::Frequency, false);
    DrawBins(TideScale, start);
    // 246 minutes of 40 kHz in the first bin, the next 186 minutes of 140 kHz in the second.
    const auto bin0 = BinFills(PlotLeft);
    const auto bin1 = BinFills(PlotLeft + 3);
    ASSERT_EQ(bin0.size(), 1u);
    ASSERT_EQ(bin1.size(), 1u);
    EXPECT_EQ(bin0[0].Colour, KHzColour(40));
    EXPECT_EQ(bin1[0].Colour, KHzColour(140));
    EXPECT_EQ(state.ReadPosition, (ClickTime{start + 375 * 186, 0}));
}

TEST_F(LowResolutionTest, OverlaysOfTiltTemperatureAndLandmarks) {
    DataFileBuilder b(FileKind::KL3, first);
    for (int m = 0; m < 4; ++m) {
        std::vector<std::uint8_t> marker(20, 0);
        marker[3] = static_cast<std::uint8_t>(100 + 10 * m); // temperature
        marker[4] = m == 2 ? 128 : 0;                        // tilt: 90 degrees in minute 2
        if (m == 1) marker[18] = 60;                         // a landmark sequence
        b.Minute(marker);
        if (m < 2) {
            ClickRecord c = MakeClick(100'000, 130);
            c.Quality = QualityHi;
            b.Click(c, 5);
        }
    }
    b.Minute(100, 0);
    Open(b, "overlays.KL3");
    state.Settings.Temperature = true;
    state.Settings.ShowLandmarks = true;
    DrawBins(OneMinuteScale, first);
    const BandGeometry& band = state.Bands[1];

    // Tilt marks from (x + 5, angle line): upright while the angle of minute 0 or 1 is read,
    // white with clicks, red without; 90 degrees points right.
    std::vector<CanvasOp> glyphs;
    for (const CanvasOp& op : canvas.OfKind(CanvasOp::Kind::Line))
        if (op.Y0 == band.AngleLine && op.X0 == PlotLeft + 5) glyphs.push_back(op);
    ASSERT_EQ(glyphs.size(), 1u);
    EXPECT_EQ(glyphs[0].X0, PlotLeft + 5);
    EXPECT_EQ(glyphs[0].X1, PlotLeft + 5);
    EXPECT_EQ(glyphs[0].Y1, band.AngleLine - 9);
    EXPECT_EQ(glyphs[0].Colour, ColourWhite);
    // Bin 2 reads the marker of minute 3, whose previous marker (minute 2) was tilted.
    bool rightward = false;
    for (const CanvasOp& op : canvas.OfKind(CanvasOp::Kind::Line))
        if (op.X0 == PlotLeft + 6 + 5 && op.Y0 == band.AngleLine && op.X1 == PlotLeft + 6 + 12 &&
            op.Y1 == band.AngleLine)
            rightward = op.Colour == ColourRed;
    EXPECT_TRUE(rightward);

    // The temperature line joins the mean temperature codes above the zero line.
    const auto white = LinesOf(ColourWhite);
    bool temperature = false;
    for (const CanvasOp& op : white)
        if (op.X0 == PlotLeft + 3 - 1 && op.Y0 == band.TemperatureZeroLine - 110 &&
            op.Y1 == std::max(band.UpperLine, band.TemperatureZeroLine - 120))
            temperature = true;
    EXPECT_TRUE(temperature);

    // The landmark value 60 of minute 1 marks bin 0 (whose closing marker it is).
    bool landmark = false;
    for (const CanvasOp& op : canvas.OfKind(CanvasOp::Kind::Fill))
        if (op.Colour == ColourMagenta && op.X0 == PlotLeft && op.Y0 == band.AngleLine + 2 &&
            op.Y1 == band.AngleLine + 20)
            landmark = true;
    EXPECT_TRUE(landmark);

    EXPECT_EQ(AngleGlyphEnd(0)->Dx, 5);
    EXPECT_EQ(AngleGlyphEnd(4)->Dx, 6);
    EXPECT_EQ(AngleGlyphEnd(46)->Dy, -9);
    EXPECT_EQ(AngleGlyphEnd(47)->Dy, -8);
    EXPECT_EQ(AngleGlyphEnd(90)->Dy, 0);
    EXPECT_EQ(AngleGlyphEnd(138)->Dy, 9);
    EXPECT_EQ(AngleGlyphEnd(147)->Dx, 11);
    EXPECT_EQ(AngleGlyphEnd(180)->Dx, 5);
    EXPECT_FALSE(AngleGlyphEnd(181));
    // No mark near the right edge.
    canvas.Clear();
    DrawAngleGlyph(ctx, 1, 90, state.Right - 12, true);
    EXPECT_TRUE(canvas.Ops.empty());
}

TEST_F(LowResolutionTest, NoiseCentiles) {
    DataFileBuilder b(FileKind::KL1, first);
    b.Minute(100, Angled);
    for (int i = 1; i <= 100; ++i) b.Click(MakeClick(i * 10'000, 130, 12, i)); // SPL 1..100
    b.Minute(100, Angled);
    b.Minute(100, Angled);
    Open(b, "noise.KL1");
    SetTimeScale(ctx, OneMinuteScale);
    ShowParameter(ctx, param::Noise, false);
    state.Settings.Angle = false;
    DrawBins(OneMinuteScale, first);
    // The total: 100 clicks x Y scale / 100 per minute.
    const auto grey = LinesOf(ColourGrey);
    ASSERT_FALSE(grey.empty());
    EXPECT_EQ(grey[0].X0, PlotLeft);
    EXPECT_EQ(grey[0].X1, PlotLeft + 5);
    EXPECT_EQ(grey[0].Y1, Base() - 2);
    // The 2 % centile is SPL 2, the 98 % centile SPL 98, at twice their value.
    const auto low = LinesOf(ClassColour(0));
    const auto high = LinesOf(ClassColour(5));
    ASSERT_EQ(low.size(), 1u);
    ASSERT_EQ(high.size(), 1u);
    EXPECT_EQ(low[0].X0, PlotLeft + 1);
    EXPECT_EQ(low[0].Y1, Base() - 4);
    EXPECT_EQ(high[0].Y1, Base() - 196);
    EXPECT_EQ(state.Levels[1].Centiles[5], -1); // the quiet second bin has fewer than 16 clicks
}

// A host whose event processing asks for another drawing after a number of events.
class InterruptingHost : public HeadlessHost {
public:
    DisplayState* State = nullptr;
    long RequestAt = -1;
    void ProcessEvents() override {
        HeadlessHost::ProcessEvents();
        if (State && EventsProcessed == RequestAt) RequestNewDrawing(*State);
    }
};

TEST_F(LowResolutionTest, EscAndNewDrawingRequestsLeaveTheScreen) {
    DataFileBuilder b(FileKind::KL1, first);
    for (int m = 0; m < 20; ++m) b.Minute(100, Angled).Click(MakeClick(1000, 130));
    b.Minute(100, Angled);
    Open(b, "stop.KL1");
    SetTimeScale(ctx, OneMinuteScale);
    state.ReadPosition = {first, 0};
    PositionAt(program, host, first, 0);
    host.EscapeAfterEvents = host.EventsProcessed + 6;
    DrawLowResolution(ctx);
    EXPECT_EQ(state.ReadPosition, (ClickTime{first, 0})); // not moved on
    EXPECT_EQ(program.ProgressLabel, "");
    EXPECT_LT(state.ClicksShown[1], 5);

    InterruptingHost other;
    DisplayContext ctx2(program, canvas, other);
    other.State = &state;
    other.RequestAt = 4;
    PositionAt(program, other, first, 0);
    DrawLowResolution(ctx2);
    EXPECT_EQ(state.ReadPosition, (ClickTime{first, 0}));
    EXPECT_FALSE(state.Drawing);
    // Without interruption the screen moves ReadPosition on by the span.
    PositionAt(program, other, first, 0);
    other.RequestAt = -1;
    DrawLowResolution(ctx2);
    EXPECT_EQ(state.ReadPosition, (ClickTime{first + 375, 0}));
}

TEST_F(LowResolutionTest, ClickCountsOfSeveralFiles) {
    DataFileBuilder a(FileKind::KL1, first);
    a.Minute(100, Angled);
    for (int i = 1; i <= 1234; ++i) a.Click(MakeClick(i * 1000, 130));
    a.Minute(100, Angled);
    DataFileBuilder c(FileKind::KL1, first);
    c.Minute(100, Angled).Click(MakeClick(1000, 130)).Minute(100, Angled);
    Open(a, "a.KL1", 1);
    Open(c, "c.KL1", 3);
    DrawBins(OneMinuteScale, first);
    EXPECT_EQ(program.ClickCountLabel, "Clicks shown:  (f1) 1,234     (f3) 1");
    program.Options.ClickPeaks = true;
    program.Slot(1).Peaks.PeakTotal = 617;
    ShowClickCounts(ctx);
    EXPECT_EQ(program.ClickCountLabel, "Clicks shown:  (f1) 1,234     (f3) 1    617    50.0000%");
    EXPECT_EQ(program.ProgressLabel, "END OF DATA  617 waveforms");
}

} // namespace
} // namespace kelp::testing
