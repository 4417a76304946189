#include "display_fixture.h"

#include "display/axes.h"
#include "display/navigation.h"

namespace kelp::testing {
namespace {

class NavigationTest : public DisplayTest {
protected:
    void SetUp() override {
        Open({FileKind::KL3}, 1200, 800); // plot 18..1145, 1127 pixels, 375 bins
        program.SharedStart = 1'000'000;
        program.SharedEnd = 1'000'000 + 112'699;
    }
};

TEST_F(NavigationTest, PixelToTimeOnClickAndBinScales) {
    state.ReadPosition = {100, 2'254'000}; // the screen shows minute 100 from tick 0
    EXPECT_EQ(PixelToTime(state, 318), (ClickTime{100, 600'000}));
    EXPECT_EQ(PixelToTime(state, 0), (ClickTime{100, 0}));
    EXPECT_EQ(PixelToTime(state, 5000), PixelToTime(state, state.Right));

    SetTimeScale(ctx, 13);
    state.ReadPosition = {50'000, 0};
    const std::int32_t start = 50'000 - 375 * 30;
    EXPECT_EQ(PixelToTime(state, 48), (ClickTime{start + 300, 0}));
    EXPECT_EQ(PixelToTime(state, 50), (ClickTime{start + 300, 0}));

    // On the 1-minute scale a bin holds the duty cycle of the file opened last.
    SetTimeScale(ctx, OneMinuteScale);
    state.MinutesPerMarker = 5;
    EXPECT_EQ(PixelToTime(state, 48), (ClickTime{50'000 - 375 + 50, 0}));
}

TEST_F(NavigationTest, ShowAtModesOnAClickScale) {
    const ClickTime span = state.Span; // 2,254,000 ticks
    state.ReadPosition = {1'000'010, 5'000'000};
    const ClickTime t = PixelToTime(state, 318);

    ShowAt(ctx, 318, ShowAtMode::RightOfPointer);
    EXPECT_EQ(state.StartLabel, ClickTimeText(t));
    EXPECT_EQ(state.ReadPosition, AddDisplayTime(t, span));
    EXPECT_FALSE(state.HasLastScreenStart);

    const ClickTime t2 = PixelToTime(state, 318);
    ShowAt(ctx, 318, ShowAtMode::LeftOfPointer);
    EXPECT_EQ(state.ReadPosition, t2);

    const ClickTime before = state.ReadPosition;
    ShowAt(ctx, 0, ShowAtMode::FromReadPosition);
    EXPECT_EQ(state.StartLabel, ClickTimeText(before));

    const ClickTime t3 = PixelToTime(state, 600);
    ShowAt(ctx, 600, ShowAtMode::ZoomInAround);
    EXPECT_EQ(state.TimeScale, 6);
    EXPECT_EQ(state.StartLabel, ClickTimeText(SubtractDisplayTime(t3, state.HalfSpan)));
    // The pointer's time is now at the centre of the plot (within a pixel: the plot is 1127 wide).
    EXPECT_LT(std::abs(TicksBetween(PixelToTime(state, 18 + state.PlotWidth / 2), t3)), state.TicksPerPixel);
}

TEST_F(NavigationTest, ShowAtOnABinScaleStartsAtAWholeBin) {
    SetTimeScale(ctx, 13);
    state.ReadPosition = {1'100'017, 0};
    const ClickTime t = PixelToTime(state, 300);
    ShowAt(ctx, 300, ShowAtMode::RightOfPointer);
    const std::int32_t start = t.Minute - t.Minute % 30;
    EXPECT_EQ(state.StartLabel, DateTimeText(start));
    EXPECT_EQ(state.ReadPosition, (ClickTime{start + 375 * 30, 0}));
    EXPECT_EQ(state.ReadPositionLabel, std::to_string(start + 375 * 30));
}

TEST_F(NavigationTest, ShowAtDoesNothingWhileBusyOrWithoutFiles) {
    state.ReadPosition = {1'000'010, 0};
    program.Options.Busy = true;
    ShowAt(ctx, 318, ShowAtMode::RightOfPointer);
    EXPECT_EQ(state.ReadPosition, (ClickTime{1'000'010, 0}));
    program.Options.Busy = false;
    program.Slot(1).IsOpen = false;
    ShowAt(ctx, 318, ShowAtMode::RightOfPointer);
    EXPECT_EQ(state.ReadPosition, (ClickTime{1'000'010, 0}));
}

TEST_F(NavigationTest, CrossingBetweenClickAndBinScales) {
    SetTimeScale(ctx, 11);
    state.DisplayParameter = param::Noise;
    ZoomIn(ctx);
    EXPECT_EQ(state.TimeScale, 10);
    EXPECT_EQ(state.DisplayParameter, param::Spl);
    EXPECT_TRUE(state.SeekEnabled);
    EXPECT_TRUE(state.EnvelopeChoiceEnabled);
    EXPECT_FALSE(state.NoiseChoiceEnabled);
    EXPECT_FALSE(program.Display.ShowsNoiseParameter);

    program.Display.GoOn = true;
    canvas.Clear();
    ZoomOut(ctx);
    EXPECT_EQ(state.TimeScale, 11);
    EXPECT_FALSE(program.Display.GoOn);
    EXPECT_FALSE(state.SeekEnabled);
    EXPECT_FALSE(state.EnvelopeChoiceEnabled);
    EXPECT_TRUE(state.NoiseChoiceEnabled);
    EXPECT_EQ(program.Display.TimeScale, 11);
    // The legend, the band title and the axes follow the new scale.
    EXPECT_EQ(state.Legend[0].Text, "25");
    EXPECT_NE(canvas.FindText("SPL - raw value.  Counts/min  in 1min bins"), nullptr);
    EXPECT_NE(canvas.FindText("I 30m"), nullptr);

    SetTimeScale(ctx, 0);
    ZoomIn(ctx);
    EXPECT_EQ(state.TimeScale, 0);
    SetTimeScale(ctx, 19);
    ZoomOut(ctx);
    EXPECT_EQ(state.TimeScale, 19);
}

TEST_F(NavigationTest, SelectScaleKeepsTheCentreTime) {
    state.ReadPosition = {1'050'000, 3'000'000};
    const ClickTime centre = PixelToTime(state, 18 + state.PlotWidth / 2);
    SelectScale(ctx, 13);
    EXPECT_EQ(state.TimeScale, 13);
    EXPECT_EQ(state.ReadPosition, AddDisplayTime(centre, state.HalfSpan));
    // A refresh from the left edge then shows the screen centred on that time.
    ShowAt(ctx, 18, ShowAtMode::RightOfPointer);
    EXPECT_LE(std::abs(PixelToTime(state, 18 + state.PlotWidth / 2).Minute - centre.Minute), 30);

    const ClickTime centre2 = PixelToTime(state, 18 + state.PlotWidth / 2);
    SelectScale(ctx, 2);
    EXPECT_EQ(state.TimeScale, 2);
    EXPECT_EQ(state.ReadPosition, AddDisplayTime(centre2, state.HalfSpan));
}

TEST_F(NavigationTest, ShowAllPicksTheFirstScaleWhoseBinsCoverTheRange) {
    const std::int32_t bins = state.Bins;
    program.SharedStart = 1'000'003;
    program.SharedEnd = program.SharedStart + bins - 1; // as many minutes as bins
    ShowAll(ctx);
    EXPECT_EQ(state.TimeScale, FiveMinuteScale);
    EXPECT_TRUE(state.Settings.Temperature);
    // The screen starts at a whole bin at or before the range and covers all of it.
    EXPECT_EQ(state.ReadPosition, (ClickTime{1'000'000, 0}));
    EXPECT_GE(state.ReadPosition.Minute + state.Span.Minute, program.SharedEnd);

    program.SharedEnd = program.SharedStart + bins - 2;
    ShowAll(ctx);
    EXPECT_EQ(state.TimeScale, OneMinuteScale);
    EXPECT_EQ(state.ReadPosition, (ClickTime{program.SharedStart, 0}));

    program.SharedEnd = program.SharedStart + 186 * bins;
    ShowAll(ctx);
    EXPECT_EQ(state.TimeScale, 16);

    // Nothing fits: the scale stays.
    program.SharedStart = 0;
    program.SharedEnd = 2'000'000'000;
    ShowAll(ctx);
    EXPECT_EQ(state.TimeScale, 16);
}

TEST_F(NavigationTest, ShowAllWithoutFiles) {
    program.Slot(1).IsOpen = false;
    ShowAll(ctx);
    EXPECT_TRUE(host.Showed("No files open"));
    EXPECT_EQ(state.TimeScale, DefaultTimeScale);
}

TEST_F(NavigationTest, SliderOnBinScales) {
    SetTimeScale(ctx, 13);
    const ClickTime start{program.SharedStart + 11'270, 0};
    state.ReadPosition = AddDisplayTime(start, state.Span);
    UpdateSlider(ctx);
    EXPECT_EQ(state.SliderLeft, 18 + 113); // 11,270 x 1127 / 112,700 = 112.7
    EXPECT_EQ(state.SliderWidth, 112);     // 11,250 x 1127 div 112,700

    // The last screen: the slider reaches the plot's right end.
    state.ReadPosition = AddDisplayTime({program.SharedEnd - 100, 0}, state.Span);
    UpdateSlider(ctx);
    EXPECT_EQ(state.SliderLeft, 1145 - 8);
    EXPECT_EQ(state.SliderLeft + state.SliderWidth, 1145);

    // Before the shared range nothing moves.
    state.ReadPosition = {program.SharedStart - 1, 0};
    UpdateSlider(ctx);
    EXPECT_EQ(state.SliderLeft, 1145 - 8);
}

TEST_F(NavigationTest, SliderOnClickScales) {
    state.ReadPosition = AddDisplayTime({program.SharedStart + 56'350, 0}, state.Span);
    UpdateSlider(ctx);
    EXPECT_EQ(state.SliderLeft, 18 + 564); // half way: 563.5 rounds to even
    EXPECT_EQ(state.SliderWidth, 8);

    // A range shorter than half the plot width in minutes: the slider moves by seconds.
    program.SharedEnd = program.SharedStart + 99;
    state.ReadPosition = AddDisplayTime({program.SharedStart + 10, 6'000'000}, state.Span);
    UpdateSlider(ctx);
    EXPECT_EQ(state.SliderLeft, 630 * 1127 / 6000 + 18);
    EXPECT_EQ(state.SliderWidth, 8);
    SetTimeScale(ctx, 10);
    state.ReadPosition = AddDisplayTime({program.SharedStart + 10, 6'000'000}, state.Span);
    UpdateSlider(ctx);
    EXPECT_EQ(state.SliderWidth, 20'000 * 1127 / 200'000 * 1127 / 6000);
}

} // namespace
} // namespace kelp::testing
