// The display's buttons and commands: the seek, fast forward, the kHz band steps, "go" to a
// typed time, the "KL1/" divisor label, the screen capture and the keys.
#include "view_fixture.h"

#include "core/filters.h"
#include "display/click_view.h"
#include "display/command_state.h"
#include "display/commands.h"
#include "display/keys.h"
#include "display/pointer.h"
#include "display/seek.h"

namespace kelp::testing {
namespace {

const MinuteNumber Start = MakeMinute(2024, 1, 1, 0, 0);

// Presses ">>" again from inside the running fast forward, then stops it.
class PressingHost : public HeadlessHost {
public:
    std::function<void()> OnEvents;
    void ProcessEvents() override {
        HeadlessHost::ProcessEvents();
        if (OnEvents) OnEvents();
    }
};

class CommandsTest : public ViewTest {
protected:
    // A KL1 file whose minute m holds clicksIn(m) clicks, 1 ms apart from second 1 on.
    template <class F>
    void OpenKl1(int minutes, F clicksIn, int slot = 1, const std::string& name = "a.KL1") {
        DataFileBuilder b(FileKind::KL1, Start);
        for (int m = 0; m < minutes; ++m) {
            b.Minute();
            for (int k = 0; k < clicksIn(m); ++k) b.Click(MakeClick(TicksPerSecond + k * 200), 0);
        }
        Open(b, name, slot);
    }
    DisplayCommands& Commands() { return DisplayCommandsOf(program); }
    MinuteNumber ScreenStartMinute() const {
        return SubtractDisplayTime(state.ReadPosition, state.Span).Minute;
    }
};

TEST_F(CommandsTest, SeekPassesOverScreensWithTooFewClicks) {
    // Minutes 0..9 hold 2 clicks each, minute 7 holds 5.
    OpenKl1(10, [](int m) { return m == 7 ? 5 : 2; });
    StartButton(ctx);
    // With a minimum of 1 the next screen comes as it is.
    program.Display.MinimumClicksPerScreen = "1";
    program.Seek[1].Ticked = true;
    const ClickTime before = state.ReadPosition;
    EXPECT_TRUE(SeekNextScreen(ctx));
    EXPECT_EQ(state.ReadPosition, before);

    program.Display.MinimumClicksPerScreen = "3";
    EXPECT_TRUE(SeekNextScreen(ctx));
    ShowClickSeq(ctx);
    EXPECT_EQ(ScreenStartMinute(), Start + 7);
    EXPECT_EQ(state.ClicksShown[1], 5);

    // Nothing more to find: the data ends.
    EXPECT_FALSE(SeekNextScreen(ctx));
    EXPECT_EQ(program.ProgressLabel, "End of data in File 1");
    EXPECT_TRUE(host.Showed("no more clicks in File 1"));
}

TEST_F(CommandsTest, TheSeekCountsOnlyBetterTrainsWithCetAllAndFindsIciIntervals) {
    DataFileBuilder b(FileKind::KL3, Start);
    for (int m = 0; m < 6; ++m) {
        b.Minute();
        for (int k = 0; k < 4; ++k) {
            ClickRecord c = MakeClick(TicksPerSecond + k * 600);
            c.Quality = m == 4 ? QualityMod : QualityLo;
            b.Click(c, 9);
        }
    }
    Open(b, "t.KL3");
    SetQualityBox(program, host, QualityLo, true);
    struct Case {
        bool CetAll, Ici;
        std::string Minimum;
        MinuteNumber Expected;
    };
    // 4 clicks a minute, 600 ticks apart; the ICI filter looks for 100..1,000 ticks.
    const Case cases[] = {
        {false, false, "3", Start},
        {true, false, "3", Start + 4},
        {true, true, "8", Start},
    };
    for (const Case& c : cases) {
        StartButton(ctx);
        Commands().SeekCetAll = c.CetAll;
        program.Ici.On = c.Ici;
        program.Seek[1].Ticked = true;
        program.Display.MinimumClicksPerScreen = c.Minimum;
        state.HasLastScreenStart = false;
        PositionAt(program, host, Start, 0);
        ASSERT_TRUE(SeekNextScreen(ctx));
        ShowClickSeq(ctx);
        EXPECT_EQ(ScreenStartMinute(), c.Expected) << "CetAll " << c.CetAll << " ICI " << c.Ici;
    }
}

TEST_F(CommandsTest, SeekControls) {
    OpenKl1(2, [](int) { return 1; });
    Open(DataFileBuilder(FileKind::KL3, Start).Minute(), "b.KL3", 2);
    program.Display.MinimumClicksPerScreen = "1";
    // Up with no box ticked ticks the first KL3 file's box, then doubles.
    SeekUp(ctx);
    EXPECT_EQ(SeekSlot(program), 2);
    EXPECT_EQ(program.Display.MinimumClicksPerScreen, "2");
    SeekUp(ctx);
    EXPECT_EQ(program.Display.MinimumClicksPerScreen, "4");
    SeekDown(ctx);
    SeekDown(ctx);
    SeekDown(ctx);
    EXPECT_EQ(program.Display.MinimumClicksPerScreen, "1");
    // Ticking a box unticks the others and asks for at least 2 clicks.
    SetSeekBox(ctx, 1, true);
    EXPECT_TRUE(program.Seek[1].Ticked);
    EXPECT_FALSE(program.Seek[2].Ticked);
    EXPECT_EQ(program.Display.MinimumClicksPerScreen, "2");
    EXPECT_EQ(SeekLabelCaption(program), SeekCaption);
    ToggleSeekQuality(ctx);
    EXPECT_EQ(SeekLabelCaption(program), SeekCetAllCaption);
}

TEST_F(CommandsTest, FastForwardHalvesItsDelayOnEachFurtherPress) {
    PressingHost pressing;
    DisplayHooks hooksHere{program, canvas, pressing};
    DisplayContext here{program, canvas, pressing};
    ASSERT_TRUE(OpenDataFile(
        program, pressing,
        [&] {
            DataFileBuilder b(FileKind::KL1, Start);
            for (int m = 0; m < 20; ++m) b.Minute().Click(MakeClick(TicksPerSecond), 0);
            return b.Write(dir.File("ff.KL1"));
        }(),
        1));
    SetTimeScale(here, 9); // one click per screen
    StartButton(here);
    int presses = 0;
    pressing.OnEvents = [&] {
        if (++presses <= 3) FastForwardButton(here);
        if (presses == 3) pressing.StopFlag = true;
    };
    FastForwardButton(here);
    EXPECT_EQ(Commands().FastForward.DelayMs, 256);
    EXPECT_EQ(program.DataPositionLabel, "Delay: 256ms.   Hold ESC to stop");
    EXPECT_FALSE(Commands().FastForward.Running);

    // Without a stop it runs to the end of the data, one screen after another.
    pressing.OnEvents = nullptr;
    pressing.StopFlag = false;
    StartButton(here);
    FastForwardButton(here);
    EXPECT_FALSE(AnySlotHasData(program));
    EXPECT_GE(pressing.MillisecondsWaited, FastForwardFirstDelayMs);
}

TEST_F(CommandsTest, KHzBandsStepWithFAndPutEverythingBack) {
    OpenKl1(2, [](int) { return 3; });
    EnterFilterText(program, host, FilterBox::FrequencyMin, "30");
    EnterFilterText(program, host, FilterBox::FrequencyMax, "150");
    SetIgnoreFilters(program, host, true);
    const std::string title = program.WindowTitle;
    EXPECT_EQ(DisplayKeyReleased(ctx, DisplayKey::F, true, 300, 300), KeyAction::Done);
    EXPECT_FALSE(program.Clicks.Ignore);
    EXPECT_EQ(program.Clicks.Frequency.Max.Text, "40");
    EXPECT_EQ(program.WindowTitle, title + KHzStepsTitleSuffix);
    const char* maxima[] = {"60", "80", "100", "120", "255"};
    for (const char* max : maxima) {
        DisplayKeyReleased(ctx, DisplayKey::F, false, 300, 300);
        EXPECT_EQ(program.Clicks.Frequency.Max.Text, max);
    }
    DisplayKeyReleased(ctx, DisplayKey::F, false, 300, 300);
    EXPECT_EQ(program.Clicks.Frequency.Min.Text, "30");
    EXPECT_EQ(program.Clicks.Frequency.Max.Text, "150");
    EXPECT_TRUE(program.Clicks.Ignore);
    EXPECT_EQ(program.WindowTitle, title);

    // ESC at an earlier band puts both limits back.
    DisplayKeyReleased(ctx, DisplayKey::F, true, 300, 300);
    DisplayKeyReleased(ctx, DisplayKey::F, false, 300, 300);
    DisplayKeyReleased(ctx, DisplayKey::Escape, false, 300, 300);
    EXPECT_EQ(program.Clicks.Frequency.Min.Text, "30");
    EXPECT_EQ(program.Clicks.Frequency.Max.Text, "150");
    EXPECT_EQ(program.WindowTitle, title);
    EXPECT_FALSE(Commands().Steps.Active);
}

TEST_F(CommandsTest, ParsingATypedTime) {
    struct Case {
        const char* Text;
        bool Valid;
        ClickTime Expected;
    };
    const MinuteNumber noon = MakeMinute(2024, 6, 1, 12, 30);
    const Case cases[] = {
        {"01/06/2024 12:30:15.5", true, {noon, 15 * 200'000 + 100'000}},
        {" 1/6/2024  12:30:15.000005 ", true, {noon, 15 * 200'000 + 1}},
        {"01/06/2024 12:30", true, {noon, 0}},
        {"01/06/2024", true, {MakeMinute(2024, 6, 1, 0, 0), 0}},
        {"31/06/2024 12:30", false, {}},
        {"01/06/2024 24:00", false, {}},
        {"01/06/2024 12", false, {}},
        {"01-06-2024 12:30", false, {}},
        {"01/06/2024 12:30:15.", false, {}},
        {"01/06/2024 12:30:1x", false, {}},
        {"", false, {}},
    };
    for (const Case& c : cases) {
        const std::optional<ClickTime> t = ParseGoToTime(c.Text);
        EXPECT_EQ(t.has_value(), c.Valid) << c.Text;
        if (t && c.Valid) {
            EXPECT_EQ(*t, c.Expected) << c.Text;
        }
    }
}

TEST_F(CommandsTest, GoShowsTheTypedTimeAtTheCentreMark) {
    EXPECT_EQ(GoToTime(ctx, "01/01/2024 00:05:00"), GoResult::ClearEntry);
    EXPECT_TRUE(host.Showed(GoNeedsFile1Text));
    OpenKl1(10, [](int) { return 2; });
    EXPECT_EQ(GoToTime(ctx, "1/1/2024 0:75"), GoResult::FormatError);
    EXPECT_TRUE(host.Showed(GoFormatErrorText));
    const std::size_t messages = host.Messages.size();
    EXPECT_EQ(GoToTime(ctx, "01/01/1990 00:00"), GoResult::TooEarly);
    EXPECT_EQ(host.Messages.size(), messages);
    EXPECT_EQ(GoToTime(ctx, "02/01/2024 00:00"), GoResult::OutOfRange);
    EXPECT_TRUE(host.Showed(GoOutOfRangeText));

    const int centre = (state.Right + PlotLeft) / 2;
    EXPECT_EQ(GoToTime(ctx, "01/01/2024 00:05:30.25"), GoResult::Shown);
    EXPECT_EQ(PointerTimeText(state, centre), "01/01/2024 00:05:30.250000  (centre)");
    SetTimeScale(ctx, 12);
    EXPECT_EQ(GoToTime(ctx, "01/01/2024 06:00"), GoResult::OutOfRange);
    EXPECT_EQ(GoToTime(ctx, "01/01/2024 00:07"), GoResult::Shown);
    // The bin under the centre mark holds the typed minute.
    const MinuteNumber atCentre = PixelToTime(state, centre).Minute;
    EXPECT_LE(atCentre, Start + 7);
    EXPECT_GT(atCentre + 5, Start + 7);
}

TEST_F(CommandsTest, ButtonsPageThroughTheData) {
    OpenKl1(30, [](int) { return 2; });
    SetTimeScale(ctx, 9); // 50 ms per pixel: 56.35 s per screen
    StartButton(ctx);
    EXPECT_EQ(state.StartLabel, ClickTimeText({Start, 0}));
    const std::string first = state.StartLabel;
    GoOnButton(ctx);
    const std::string second = state.StartLabel;
    EXPECT_NE(second, first);
    const ClickTime secondStart = PixelToTime(state, PlotLeft);
    BackButton(ctx);
    EXPECT_EQ(state.StartLabel, ClickTimeText(SubtractDisplayTime(secondStart, state.Span)));
    LastScreen(ctx);
    EXPECT_EQ(state.StartLabel, ClickTimeText(SubtractDisplayTime({program.SharedEnd, 0}, state.Span)));
    // On the bin scales the envelope has no view: start shows the quality classes instead.
    SetTimeScale(ctx, 14);
    state.DisplayParameter = param::Envelope;
    StartButton(ctx);
    EXPECT_EQ(state.DisplayParameter, param::Quality);
}

TEST_F(CommandsTest, TheDivisorLabelFitsTheLargestCountAndDownscaleMultipliesByFive) {
    OpenKl1(4, [](int) { return 300; });
    SetTimeScale(ctx, OneMinuteScale);
    StartButton(ctx);
    const std::int64_t largest = state.LargestBinCount;
    ASSERT_GE(largest, 300);
    Kl1DivisorLabelClicked(ctx);
    EXPECT_EQ(state.Settings.Kl1DivisorCaption, "KL1/*");
    EXPECT_EQ(state.Kl1Divisor,
              RoundToInt(static_cast<double>(state.LargestBinCount) / state.BandHeight * state.YScale) + 1);
    Kl1DivisorLabelDoubleClicked(ctx);
    EXPECT_EQ(state.Settings.Kl1DivisorText, "20");
    EXPECT_EQ(state.Settings.Kl1DivisorCaption, "KL1/");
    DownscaleKl1Counts(ctx);
    EXPECT_EQ(state.Settings.Kl1DivisorText, "100");
    state.Settings.Kl1DivisorText = "x";
    DownscaleKl1Counts(ctx);
    EXPECT_EQ(state.Settings.Kl1DivisorText, "20");
}

TEST_F(CommandsTest, TheCaptureIsBlackOnWhiteAndLeavesTheColoursAsTheyWere) {
    OpenKl1(2, [](int) { return 20; });
    StartButton(ctx);
    canvas.Clear();
    CaptureScreen(ctx);
    const std::vector<CanvasOp> copies = canvas.OfKind(CanvasOp::Kind::Copy);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].X0, PlotLeft);
    EXPECT_EQ(copies[0].Y0, state.Top + 20);
    EXPECT_EQ(copies[0].X1, state.Right + 50);
    EXPECT_EQ(copies[0].Y1, state.Bottom + 10);
    // Before the copy the plot was filled white and no centre mark was drawn.
    bool whitePlot = false;
    for (const CanvasOp& op : canvas.Ops) {
        if (op.What == CanvasOp::Kind::Copy) break;
        if (op.What == CanvasOp::Kind::Fill && op.X0 == PlotLeft && op.Y0 == state.Top)
            whitePlot = op.Colour == ColourWhite;
        if (op.What == CanvasOp::Kind::Line && op.X0 == (state.Right + PlotLeft) / 2 &&
            op.Y0 == state.Bottom + 9)
            ADD_FAILURE() << "centre mark in the capture";
    }
    EXPECT_TRUE(whitePlot);
    EXPECT_FALSE(state.Settings.WhiteScreen);
    EXPECT_FALSE(state.Settings.BlackLines);
    EXPECT_FALSE(state.CapturingScreen);
}

TEST_F(CommandsTest, KeysActByTheirRules) {
    OpenKl1(5, [](int) { return 3; });
    StartButton(ctx);
    const int belowSourceBox = state.Bottom + 40;
    struct Case {
        DisplayKey Key;
        bool Shift, MenuPages;
        int PointerY;
        int Parameter; // the parameter after the key (-1: the key is ignored)
    };
    const Case cases[] = {
        {DisplayKey::F7, false, false, 300, param::ClickRate},
        {DisplayKey::F7, false, false, 300, param::Ici},
        {DisplayKey::F8, false, false, 300, param::Quality},
        {DisplayKey::F8, false, false, 300, param::Species},
        {DisplayKey::F9, false, true, 300, param::Frequency},
        {DisplayKey::F10, false, false, 300, param::Spl},
        {DisplayKey::F11, true, false, 300, param::Bandwidth},
        {DisplayKey::F11, true, false, 300, param::Envelope},
        {DisplayKey::F11, false, false, 300, param::Cycles},
        {DisplayKey::F9, false, false, belowSourceBox, -1},
        {DisplayKey::Right, false, true, 300, -1},
    };
    for (const Case& c : cases) {
        const int before = state.DisplayParameter;
        state.MenuPagesVisible = c.MenuPages;
        const KeyAction action = DisplayKeyReleased(ctx, c.Key, c.Shift, 300, c.PointerY);
        EXPECT_EQ(action == KeyAction::Ignored, c.Parameter < 0) << static_cast<int>(c.Key);
        EXPECT_EQ(state.DisplayParameter, c.Parameter < 0 ? before : c.Parameter) << static_cast<int>(c.Key);
        if (c.Parameter >= 0) {
            EXPECT_FALSE(state.MenuPagesVisible);
        }
    }
    state.MenuPagesVisible = false;
    EXPECT_EQ(DisplayKeyReleased(ctx, DisplayKey::F2, false, 300, 300), KeyAction::ShowResultsPage);
    EXPECT_EQ(DisplayKeyReleased(ctx, DisplayKey::G, true, 300, 300), KeyAction::CaptureScreen);
    EXPECT_EQ(DisplayKeyReleased(ctx, DisplayKey::S, true, 300, 300), KeyAction::AppendToSpikeFile);
    // F3 and F4 switch the train and click filters.
    const bool allQ = program.Trains.AllQualities;
    DisplayKeyReleased(ctx, DisplayKey::F3, false, 300, 300);
    EXPECT_NE(program.Trains.AllQualities, allQ);
    DisplayKeyReleased(ctx, DisplayKey::F4, false, 300, 300);
    EXPECT_TRUE(program.Clicks.Ignore);
    // Shift + Up on a click scale: one minute per bin, quality classes, every click.
    DisplayKeyReleased(ctx, DisplayKey::F4, false, 300, 300);
    DisplayKeyReleased(ctx, DisplayKey::Up, true, 300, 300);
    EXPECT_EQ(state.TimeScale, OneMinuteScale);
    EXPECT_EQ(state.DisplayParameter, param::Quality);
    EXPECT_TRUE(program.Clicks.Ignore);
    // Up and Down zoom around the pointer.
    DisplayKeyReleased(ctx, DisplayKey::Up, false, 300, 300);
    EXPECT_EQ(state.TimeScale, FiveMinuteScale);
    DisplayKeyReleased(ctx, DisplayKey::Down, false, 300, 300);
    EXPECT_EQ(state.TimeScale, OneMinuteScale);
}

} // namespace
} // namespace kelp::testing
