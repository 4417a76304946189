#include "display_fixture.h"

#include "core/slots.h"
#include "display/display_link.h"
#include "display/legends.h"
#include "display/navigation.h"
#include "tests/support/builders.h"

namespace kelp::testing {
namespace {

class DisplayLinkTest : public DisplayTest {
protected:
    TempDir dir;
    DisplayHooks hooks{program, canvas, host};

    std::string WriteFile(const std::string& name, FileKind kind, MinuteNumber first, int minutes,
                          int duty = 1) {
        DataFileBuilder b(kind, first);
        b.MinutesPerMarker(duty);
        for (int m = 0; m < minutes; ++m)
            b.Minute().Click(MakeClick(1000 + m), kind == FileKind::KL3 ? 5 : 0);
        return b.Write(dir.File(name));
    }
};

TEST_F(DisplayLinkTest, OpeningAndClosingFilesSetsTheDisplayUp) {
    StartDisplay(ctx, 1200, 700);
    const MinuteNumber first = MakeMinute(2024, 3, 1, 12, 0);
    ASSERT_TRUE(OpenDataFile(program, host, WriteFile("a.KL1", FileKind::KL1, first, 30, 2), 1));
    EXPECT_EQ(state.OpenBands, 1);
    EXPECT_EQ(state.ReadPosition, (ClickTime{first, 0}));
    EXPECT_EQ(state.MinutesPerMarker, 2);
    EXPECT_EQ(state.BandHeight, 580 - 86 - 4 - 20);

    state.ReadPosition = {first + 10, 0};
    ASSERT_TRUE(OpenDataFile(program, host, WriteFile("b.KL3", FileKind::KL3, first + 5, 30), 2));
    EXPECT_EQ(state.OpenBands, 2);
    EXPECT_EQ(state.ReadPosition, (ClickTime{first + 10, 0})); // the second file does not move the screen
    EXPECT_EQ(state.MinutesPerMarker, 1);
    EXPECT_EQ(state.Bands[2].Base, 579 - (state.BandHeight + 20 + 2));

    ShowParameter(ctx, param::Quality, false);
    EXPECT_EQ(state.SlotParameter[1], param::Frequency);
    EXPECT_EQ(state.SlotParameter[2], param::Quality);
    // The source box names the view and the files.
    ASSERT_EQ(program.SourceBox.size(), 4u);
    EXPECT_EQ(program.SourceBox[0], "Train quality   1 pixel = 10ms");
    EXPECT_EQ(program.SourceBox[3], "(2) b.KL3  (1) a.KL1  ");
    EXPECT_EQ(program.Display.Parameter, param::Quality);

    CloseAllFiles(program, host);
    EXPECT_EQ(state.OpenBands, 0);
    EXPECT_EQ(state.SliderWidth, 0);
    const auto fills = canvas.OfKind(CanvasOp::Kind::Fill);
    ASSERT_FALSE(fills.empty());
    EXPECT_EQ(fills.back().Colour, ColourWindowFace);
}

TEST_F(DisplayLinkTest, ScreensFollowTheSharedRange) {
    StartDisplay(ctx, 1200, 700);
    const MinuteNumber first = MakeMinute(2024, 3, 1, 12, 0);
    ASSERT_TRUE(OpenDataFile(program, host, WriteFile("a.KL3", FileKind::KL3, first, 600), 1));
    ShowAll(ctx);
    EXPECT_EQ(state.TimeScale, FiveMinuteScale); // 600 minutes, 375 bins
    ShowAt(ctx, 18, ShowAtMode::FromReadPosition);
    EXPECT_EQ(state.StartLabel, DateTimeText(first));
    EXPECT_EQ(state.SliderLeft, 18);
    EXPECT_EQ(state.SliderWidth, 1127); // the whole range is on the screen
    EXPECT_EQ(program.Display.TimeSliderWidth, 1127);
    EXPECT_EQ(program.SourceBox[0], "Max SPL groups, uncorrected/m   5mins");

    // The mean SPL line of "av SPL" comes from the display.
    program.Options.DevelopmentMode = true;
    program.Display.AverageSpl = true;
    state.AverageSpl.Reset(0);
    state.AverageSpl.Offer({first, 1000}, 100, {first, 0});
    state.AverageSpl.Offer({first, 1200}, 150, {first, 0}); // too close to the previous one
    state.AverageSpl.Offer({first, 2000}, 50, {first, 0});  // not above three quarters of 100
    state.AverageSpl.Offer({first, 3000}, 80, {first, 0});
    ShowParameter(ctx, param::Spl, false);
    EXPECT_EQ(program.SourceBox[0], "90.0   2  80%");
}

} // namespace
} // namespace kelp::testing
