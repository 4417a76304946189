#include "display_fixture.h"

#include "display/axes.h"

namespace kelp::testing {
namespace {

class AxesTest : public DisplayTest {
protected:
    // Labels written at the right of the plot for a band base, as (g, text) from the base.
    std::vector<std::pair<int, std::string>> YLabelsDrawn(int base) const {
        std::vector<std::pair<int, std::string>> result;
        for (const CanvasOp& op : TextsAtX(state.Right + 6))
            if (base - op.Y0 - 5 >= 0 && base - op.Y0 - 5 < state.BandHeight)
                result.emplace_back(base - op.Y0 - 5, op.Text);
        return result;
    }
    std::vector<std::string> TimeLabelTexts() const {
        std::vector<std::string> texts;
        for (const CanvasOp& op : canvas.OfKind(CanvasOp::Kind::Text))
            if (op.Y0 == state.Bottom) texts.push_back(op.Text);
        return texts;
    }
    void DrawScale(int scale) {
        state.TimeScale = scale;
        canvas.Clear();
        DrawAxes(ctx);
    }
};

TEST_F(AxesTest, ScaleValuesOfClickScales) {
    Open({FileKind::KL1}, 1200, 800); // plot width 1127
    DrawScale(7);
    EXPECT_EQ(state.Span, (ClickTime{0, 2'254'000}));
    EXPECT_EQ(state.HalfSpan, (ClickTime{0, 1'127'000}));
    DrawScale(10);
    EXPECT_EQ(state.Span, (ClickTime{1, 10'540'000}));
    EXPECT_EQ(state.HalfSpan, (ClickTime{0, 11'270'000}));
    EXPECT_EQ(state.MinutesPerBin, 1);
    EXPECT_EQ(program.Display.TimeScale, 10);
}

TEST_F(AxesTest, HalfSpanOfBinScalesCarriesHalfMinutes) {
    Open({FileKind::KL1}, 1200, 800); // 375 bins
    DrawScale(OneMinuteScale);
    EXPECT_EQ(state.Span, (ClickTime{375, 0}));
    EXPECT_EQ(state.HalfSpan, (ClickTime{187, 6'000'000}));
    DrawScale(FiveMinuteScale);
    EXPECT_EQ(state.HalfSpan, (ClickTime{937, 6'000'000}));
    DrawScale(13);
    EXPECT_EQ(state.Span, (ClickTime{375 * 30, 0}));
    EXPECT_EQ(state.HalfSpan, (ClickTime{375 * 15, 0}));
    EXPECT_EQ(program.Display.MinutesPerBin, 30);

    Open({FileKind::KL1}, 985, 800); // 303 bins: odd, but its last digit is below 5
    EXPECT_EQ(state.Bins, 303);
    DrawScale(OneMinuteScale);
    EXPECT_EQ(state.HalfSpan, (ClickTime{151, 6'000'000}));
    DrawScale(FiveMinuteScale);
    EXPECT_EQ(state.HalfSpan, (ClickTime{757, 0}));
}

TEST_F(AxesTest, LabelStepTable) {
    const std::pair<std::int64_t, int> rows[] = {
        {1, 1},          {10, 1},         {11, 2},           {20, 2},           {21, 5},
        {50, 5},         {51, 10},        {256, 10},         {257, 50},         {500, 50},
        {501, 100},      {1'000, 100},    {2'000, 200},      {5'000, 500},      {10'000, 1'000},
        {20'000, 2'000}, {50'000, 5'000}, {100'000, 10'000}, {200'000, 20'000}, {500'000, 50'000}};
    for (const auto& [units, step] : rows) EXPECT_EQ(YLabelStepFor(units, 7), step) << units;
    EXPECT_EQ(YLabelStepFor(500'001, 7), 7);
    EXPECT_EQ(YLabelStepFor(0, 7), 7);
}

TEST_F(AxesTest, YLabelsEveryTwentyPixelsAtScaleTwo) {
    state.Settings.Angle = false;
    Open({FileKind::KL1, FileKind::KL2, FileKind::KL3}, 1200, 700);
    canvas.Clear();
    DrawAxes(ctx);
    EXPECT_EQ(state.YLabelStep, 10); // 163 / 2 rounds to 82 units
    for (int slot = 1; slot <= 3; ++slot) {
        const auto labels = YLabelsDrawn(state.Bands[static_cast<std::size_t>(slot)].Base);
        ASSERT_EQ(labels.size(), 7u) << slot;
        for (std::size_t i = 0; i < labels.size(); ++i) {
            EXPECT_EQ(labels[i].first, 20 * static_cast<int>(i + 1));
            EXPECT_EQ(labels[i].second, std::to_string(10 * (i + 1))); // SPL
        }
    }
}

TEST_F(AxesTest, LabelsKeepTwentyPixelsApart) {
    state.Settings.Angle = false;
    Open({FileKind::KL1, FileKind::KL2, FileKind::KL3}, 1200, 700);
    state.YScale = 1.5; // 109 units, step 10, a level every 15 pixels
    canvas.Clear();
    DrawAxes(ctx);
    const auto labels = YLabelsDrawn(state.Bands[1].Base);
    std::vector<int> levels;
    for (const auto& l : labels) levels.push_back(l.first);
    EXPECT_EQ(levels, (std::vector<int>{30, 60, 90, 120, 150}));
    EXPECT_EQ(labels[0].second, "20");
}

TEST_F(AxesTest, LabelTextsOfClickScaleParameters) {
    state.Settings.Angle = false;
    Open({FileKind::KL3}, 1200, 700);
    auto firstLabel = [&](int parameter) {
        state.DisplayParameter = parameter;
        canvas.Clear();
        DrawAxes(ctx);
        const auto labels = YLabelsDrawn(state.Bands[1].Base);
        return labels.empty() ? std::string("(none)") : labels.front().second;
    };
    // One band of 490 pixels at Y scale 2: 245 units, step 10.
    EXPECT_EQ(firstLabel(param::Frequency), "10kHz");
    EXPECT_EQ(firstLabel(param::Cycles), "10cyc");
    EXPECT_EQ(firstLabel(param::Bandwidth), "10");
    EXPECT_EQ(firstLabel(param::Ici), "10ms");
    EXPECT_EQ(firstLabel(param::ClickRate), "10/s");
    EXPECT_EQ(firstLabel(param::Envelope), "(none)");
    EXPECT_EQ(firstLabel(param::Noise), "(none)");
    program.Options.ShowSplAsPa = true;
    EXPECT_EQ(firstLabel(param::Quality), "1 Pa");
    // ICI uses its own scale on the click scales.
    state.IciScale = 0.5;
    EXPECT_EQ(firstLabel(param::Ici), "100ms"); // 980 units: step 100, every 50 pixels
}

TEST_F(AxesTest, BinScaleLabelsAreClicksPerMinute) {
    state.Settings.Angle = false;
    Open({FileKind::KL1, FileKind::KL3}, 1200, 700);
    state.TimeScale = 13;
    canvas.Clear();
    DrawAxes(ctx);
    // KL1 counts are divided by the divisor (40).
    EXPECT_EQ(YLabelsDrawn(state.Bands[1].Base).front(), (std::pair<int, std::string>{20, "400"}));
    EXPECT_EQ(YLabelsDrawn(state.Bands[2].Base).front(), (std::pair<int, std::string>{20, "10"}));
    state.DisplayParameter = param::Noise; // step 2, counts undivided
    state.YScale = 2.5;
    canvas.Clear();
    DrawAxes(ctx);
    EXPECT_EQ(state.YLabelStep, 2);
    EXPECT_EQ(YLabelsDrawn(state.Bands[1].Base).front(), (std::pair<int, std::string>{20, "8"}));
}

TEST_F(AxesTest, TimeLabelsOfEveryScaleFamily) {
    Open({FileKind::KL1}, 1200, 800); // right edge 1145
    DrawScale(0);
    auto texts = TimeLabelTexts();
    ASSERT_EQ(texts.size(), 12u);
    EXPECT_EQ(texts[0], "I   0 msecs");
    EXPECT_EQ(texts[1], "I   1ms");
    EXPECT_EQ(texts[11], "I   11ms");
    EXPECT_NE(canvas.FindText("I   1ms"), nullptr);
    EXPECT_EQ(canvas.FindText("I   1ms")->X0, 117);
    DrawScale(3);
    EXPECT_EQ(TimeLabelTexts()[1], "I   50ms");

    state.Settings.AsDistance = true;
    DrawScale(0);
    texts = TimeLabelTexts();
    ASSERT_EQ(texts.size(), 17u); // (3 x 1145 - 108) div 100 = 33, halved: 16
    EXPECT_EQ(texts[0], "I   0 metres");
    EXPECT_EQ(texts[1], "I   1m");
    EXPECT_EQ(canvas.FindText("I   1m")->X0, 83);
    EXPECT_EQ(texts[16], "I   16m");
    EXPECT_EQ(canvas.FindText("I   16m")->X0, 1083);
    state.Settings.AsDistance = false;

    const std::pair<int, std::string> second[] = {
        {4, "I 0.1s"}, {5, "I 0.2s"}, {6, "I 0.5s"}, {7, "I 1s"},   {8, "I 2s"},  {9, "I 5s"},
        {10, "I 10s"}, {11, "I 30m"}, {12, "I 3h"},  {13, "I 1d"},  {14, "I 1d"}, {15, "I 4~"},
        {16, "I 10d"}, {17, "I 20d"}, {18, "I 30d"}, {19, "I 30wk"}};
    for (const auto& [scale, text] : second) {
        DrawScale(scale);
        texts = TimeLabelTexts();
        ASSERT_GE(texts.size(), 2u) << scale;
        EXPECT_EQ(texts[1], text) << scale;
        EXPECT_EQ(canvas.FindText(text)->X0, TimeScaleAt(scale).LabelSpacing + 17) << scale;
    }
    DrawScale(4);
    EXPECT_EQ(TimeLabelTexts()[0], "I 0.0s");
    DrawScale(11);
    EXPECT_EQ(TimeLabelTexts().back(), "I 360m"); // (1145 - 36) div 90 = 12
}

TEST_F(AxesTest, TicksCentreMarkAndClearedStrips) {
    Open({FileKind::KL1}, 1200, 800);
    DrawScale(11);
    const auto lines = canvas.OfKind(CanvasOp::Kind::Line);
    ASSERT_EQ(lines.size(), 14u); // 13 ticks and the centre mark
    EXPECT_EQ(lines[0].X0, 18);
    EXPECT_EQ(lines[0].Y0, state.Bottom);
    EXPECT_EQ(lines[0].Y1, state.Bottom + 4);
    EXPECT_EQ(lines[1].X0, 108);
    EXPECT_EQ(lines.back().X0, (1145 + 18) / 2);
    EXPECT_EQ(lines.back().Y0, state.Bottom + 9);
    EXPECT_EQ(lines.back().Y1, state.Bottom + 20);
    const auto fills = canvas.OfKind(CanvasOp::Kind::Fill);
    ASSERT_EQ(fills.size(), 3u);
    EXPECT_EQ(fills[0].Y0, 63);
    EXPECT_EQ(fills[0].Y1, 86);
    EXPECT_EQ(fills[1].X0, 1144);
    EXPECT_EQ(fills[2].Y0, state.Bottom);
    EXPECT_EQ(fills[2].Y1, state.Bottom + 12);
    for (const auto& f : fills) EXPECT_EQ(f.Colour, ColourWhite);

    state.CapturingScreen = true;
    DrawScale(11);
    EXPECT_EQ(canvas.OfKind(CanvasOp::Kind::Line).size(), 13u);
}

} // namespace
} // namespace kelp::testing
