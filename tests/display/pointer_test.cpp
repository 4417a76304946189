// The mouse in the display: drag-zoom and its scale choice, the pointer read-outs, the
// interval read-out, the slider and the pointer menu's selection and file items.
#include "view_fixture.h"

#include "display/command_state.h"
#include "display/commands.h"
#include "display/geometry.h"
#include "display/pointer.h"
#include "display/pointer_menu.h"

namespace kelp::testing {
namespace {

const MinuteNumber Start = MakeMinute(2024, 1, 1, 0, 0);

class PointerTest : public ViewTest {
protected:
    // A KL1 file of `minutes` minutes with a click every second.
    void OpenMinutes(int minutes, int slot = 1, const std::string& name = "a.KL1") {
        DataFileBuilder b(FileKind::KL1, Start);
        for (int m = 0; m < minutes; ++m) {
            b.Minute();
            for (int k = 0; k < 60; ++k) b.Click(MakeClick(1 + k * TicksPerSecond), 0);
        }
        Open(b, name, slot);
    }
    DisplayCommands& Commands() { return DisplayCommandsOf(program); }
};

TEST_F(PointerTest, ADragChoosesTheScaleThatFitsItsSelection) {
    OpenMinutes(10);
    // Client 954 wide: plot 18..902, 884 pixels, 294 bins.
    ResizeDisplay(ctx, 954, 800);
    ASSERT_EQ(state.Bins, 294);
    struct Case {
        int Scale, X1, X2, Expected;
    };
    const Case cases[] = {
        {10, 100, 300, 9},              // 20 s: 4,524 ticks per pixel needed
        {16, 100, 136, 13},             // 3 days: 4,320 minutes / 294 bins = 14 minutes per bin
        {10, 100, 150, 7},              // 5 s: 1,131 ticks per pixel
        {12, 100, 103, 11},             // 5 minutes: under a minute per bin needed
        {OneMinuteScale, 100, 400, 10}, // the 1-minute scale always zooms to clicks
        {19, 100, 400, 19},             // 70 weeks need more than a day per bin
    };
    for (const Case& c : cases) {
        SetTimeScale(ctx, c.Scale);
        state.ReadPosition = AddDisplayTime({Start + 20'000, 0}, state.Span);
        const ClickTime t1 = PixelToTime(state, c.X1);
        const ClickTime t2 = PixelToTime(state, c.X2);
        ZoomToSelection(ctx, c.X1, c.X2);
        EXPECT_EQ(state.TimeScale, c.Expected) << "scale " << c.Scale << " drag " << c.X1 << ".." << c.X2;
        if (c.Expected <= 10) {
            // The selection's centre is the new screen's centre.
            const ClickTime middle = AddTicks(t1, TicksBetween(t2, t1) / 2);
            EXPECT_LE(std::abs(TicksBetween(PixelToTime(state, PlotLeft + state.PlotWidth / 2), middle)),
                      state.TicksPerPixel)
                << "scale " << c.Scale;
        }
    }
}

TEST_F(PointerTest, OnlyARightwardDragOfMoreThanTenPixelsInThePlotZooms) {
    OpenMinutes(10);
    struct Case {
        int Scale, Press, Release, Y;
        bool Zooms;
    };
    const Case cases[] = {
        {7, 200, 211, 300, true},   {7, 200, 210, 300, false}, {7, 400, 200, 300, false},
        {0, 200, 400, 300, false},  {7, 200, 400, 50, false},  {7, 10, 400, 300, false},
        {7, 200, 400, 2000, false},
    };
    for (const Case& c : cases) {
        SetTimeScale(ctx, c.Scale);
        PointerPressed(ctx, c.Press, c.Y);
        EXPECT_EQ(PointerReleased(ctx, c.Release, c.Y), c.Zooms)
            << c.Press << ".." << c.Release << " y " << c.Y;
        EXPECT_EQ(Commands().DragStartX, 0);
    }
}

TEST_F(PointerTest, MovingDuringADragDrawsTheYellowLineAndTheReadOuts) {
    OpenMinutes(10);
    ShowAt(ctx, PlotLeft, ShowAtMode::FromReadPosition);
    PointerPressed(ctx, 200, 300);
    canvas.Clear();
    const int centre = (state.Right + PlotLeft) / 2;
    PointerMoved(ctx, centre, 300);
    const std::vector<CanvasOp> yellow = LinesOf(ColourYellow);
    ASSERT_EQ(yellow.size(), 1u);
    EXPECT_EQ(yellow[0].Width, 5);
    EXPECT_EQ(yellow[0].Y0, state.Top + 20);
    EXPECT_EQ(yellow[0].X0, 200);
    EXPECT_EQ(program.DataPositionLabel, ClickTimeText(PixelToTime(state, centre)) + "  (centre)");
    EXPECT_EQ(program.ProgressLabel, "a.KL1");
    // A move of 10 pixels or less is no drag yet; on a bin scale the read-out is the minute.
    canvas.Clear();
    PointerMoved(ctx, 205, 300);
    EXPECT_TRUE(LinesOf(ColourYellow).empty());
    SetTimeScale(ctx, 14);
    PointerMoved(ctx, 300, 300);
    EXPECT_EQ(program.DataPositionLabel, DateTimeText(PixelToTime(state, 300).Minute));
}

TEST_F(PointerTest, TheTopOfTheDisplayShowsTheMenuPagesOnceWhenClickToShowMenuIsOff) {
    OpenMinutes(2);
    EXPECT_EQ(PointerMoved(ctx, 300, 10), PointerMoveResult::Nothing);
    Commands().ClickToShowMenu = false;
    EXPECT_EQ(PointerMoved(ctx, 300, 10), PointerMoveResult::ShowMenuPages);
    EXPECT_EQ(PointerMoved(ctx, 300, 12), PointerMoveResult::Nothing);
    RearmMenuAutoShow(program);
    EXPECT_EQ(PointerMoved(ctx, 300, 12), PointerMoveResult::ShowMenuPages);
}

TEST_F(PointerTest, TheIntervalReadOutByScale) {
    OpenMinutes(2);
    const MinuteNumber m = Start + 7; // the screen's start minute
    struct Case {
        int Scale, Previous, Current;
        std::string Expected;
    };
    const Case cases[] = {
        {4, 100, 150, "ICI = 50.0ms  (rate 20.0/s)"},
        {7, 400, 403, "ICI = 30.0ms  (rate 33.3/s)"},
        {0, 300, 300, "@ pointer  " + DateTimeText(m)},
        {OneMinuteScale, 0, 18 + 3 * 4,
         "Min to " + DateTimeText(m + 5) + "  (" + std::to_string(m + 5) + ")"},
        {FiveMinuteScale, 0, 18, "5min to " + DateTimeText(m - 2 + 5)},
        {TideScale, 0, 18 + 3 * 2, "1/4cycle to " + DateTimeText(m + 372)},
        {19, 0, 18, "Week to " + DateTimeText(m - (m % 10'080) + 10'080)},
    };
    for (const Case& c : cases) {
        SetTimeScale(ctx, c.Scale);
        state.ReadPosition = AddDisplayTime({m, 0}, state.Span);
        EXPECT_EQ(InterclickIntervalText(state, {c.Current, 300}, {c.Previous, 300}), c.Expected)
            << "scale " << c.Scale;
    }
}

TEST_F(PointerTest, LettingGoOfTheSliderDrawsFromTheMinuteItStandsFor) {
    OpenMinutes(2);
    program.SharedStart = Start;
    program.SharedEnd = Start + 112'699; // 112,700 minutes over 1,127 pixels: 100 per pixel
    SetTimeScale(ctx, 14);
    struct Case {
        int Left;
        MinuteNumber Screen;
    };
    const Case cases[] = {
        {17, Start},
        {18, Start},
        {118, Start + 10'000 - (Start + 10'000) % 60},
        {state.Right - 9, Start + 112'699 - state.Bins * 60 - (Start + 112'699 - state.Bins * 60) % 60},
    };
    for (const Case& c : cases) {
        SliderPressed(ctx, state.SliderLeft + 2);
        EXPECT_EQ(state.SliderWidth, 120);
        SliderDragged(ctx, c.Left + 2);
        EXPECT_EQ(state.SliderCaption, DateTimeText(SliderMinute(state, program, state.SliderLeft)));
        SliderReleased(ctx);
        EXPECT_TRUE(state.SliderCaption.empty());
        EXPECT_EQ(state.StartLabel, DateTimeText(c.Screen)) << "left " << c.Left;
    }
}

TEST_F(PointerTest, SelectionStartAndEndNarrowTheSharedRangeUntilCleared) {
    OpenMinutes(30);
    OpenMinutes(20, 2, "b.KL1");
    SetTimeScale(ctx, OneMinuteScale);
    state.ReadPosition = AddDisplayTime({Start, 0}, state.Span); // bin k shows minute Start + k
    Commands().RightClick = {18 + 3 * 5, 300};
    SetSelectionStart(ctx);
    Commands().RightClick = {18 + 3 * 25, 300};
    SetSelectionEnd(ctx);
    EXPECT_TRUE(program.Options.TimeSelectionSet);
    EXPECT_EQ(program.SharedStart, Start + 5);
    EXPECT_EQ(program.SharedEnd, Start + 25);
    EXPECT_EQ(program.Slot(1).ActiveStart, Start + 5);
    EXPECT_EQ(program.Slot(1).ActiveEnd, Start + 25);
    EXPECT_EQ(program.Slot(2).ActiveEnd, Start + 19); // the file ends first
    EXPECT_EQ(program.RangeLabel, "Range " + DurationText(21));
    // An end before the start is refused.
    state.ReadPosition = AddDisplayTime({Start, 0}, state.Span);
    Commands().RightClick = {18 + 3 * 2, 300};
    SetSelectionEnd(ctx);
    EXPECT_EQ(program.SharedEnd, Start + 25);
    EXPECT_TRUE(host.Showed(SelectionBackwardsText));

    ClearSelection(ctx);
    EXPECT_FALSE(program.Options.TimeSelectionSet);
    EXPECT_EQ(program.SharedStart, Start);
    EXPECT_EQ(program.SharedEnd, Start + 29);
}

TEST_F(PointerTest, MenuItemsTakeTheBandAndTimeOfTheRightClick) {
    OpenMinutes(5);
    OpenMinutes(5, 2, "b.KL1");
    ShowAt(ctx, PlotLeft, ShowAtMode::FromReadPosition);
    const BandGeometry& lower = state.Bands[1];
    const BandGeometry& upper = state.Bands[2];
    EXPECT_TRUE(RightClicked(ctx, 300, lower.Base - 10));
    EXPECT_FALSE(RightClicked(ctx, 300, 60)); // above the plot: no menu
    RightClicked(ctx, 300, upper.Base - 10);
    PutFileNameIntoResults(ctx);
    program.Options.ApostropheBeforeTimes = true;
    PutTimeIntoResults(ctx, 300);
    ASSERT_EQ(host.Results().Lines().size(), 2u);
    EXPECT_EQ(host.Results().Lines()[0], program.Slot(2).FullName);
    EXPECT_EQ(host.Results().Lines()[1], ClickTimeText(PixelToTime(state, 300), true) + "\t\t");

    PutRawDataIntoClipboard(ctx);
    EXPECT_EQ(host.Clipboard.substr(0, 5), "time\t");
    EXPECT_EQ(state.Aids.RawCaptureSlot, 0);

    EXPECT_EQ(CloseFileUnderPointer(ctx), 2);
    EXPECT_FALSE(program.Slot(2).IsOpen);
}

} // namespace
} // namespace kelp::testing
