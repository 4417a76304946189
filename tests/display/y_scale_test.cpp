#include "display_fixture.h"

#include "display/navigation.h"
#include "display/y_scale.h"

namespace kelp::testing {
namespace {

using YScaleTest = DisplayTest;

TEST_F(YScaleTest, EditingTheBox) {
    Open({FileKind::KL1});
    SetYScale(ctx, "abc");
    EXPECT_EQ(state.Settings.YScaleText, "2.0");
    EXPECT_EQ(state.YScale, 2.0);
    SetYScale(ctx, "0.01");
    EXPECT_EQ(state.Settings.YScaleText, "0.01");
    EXPECT_EQ(state.YScale, 0.05);
    SetYScale(ctx, "");
    EXPECT_EQ(state.Settings.YScaleText, "2.0");
    SetYScale(ctx, "1.5x");
    EXPECT_EQ(state.YScale, 2.0);
    canvas.Clear();
    SetYScale(ctx, " 1.5 ");
    EXPECT_EQ(state.YScale, 1.5);
    EXPECT_FALSE(canvas.Ops.empty()); // the axes were drawn again

    program.Slot(1).IsOpen = false;
    canvas.Clear();
    SetYScale(ctx, "3");
    EXPECT_EQ(state.YScale, 3.0);
    EXPECT_TRUE(canvas.Ops.empty());
}

TEST_F(YScaleTest, HalvingAndDoublingTheYScale) {
    Open({FileKind::KL1});
    SetYScale(ctx, "0.08");
    YScaleDown(ctx);
    EXPECT_EQ(state.Settings.YScaleText, "2.0");
    EXPECT_EQ(state.YScale, 2.0);
    SetYScale(ctx, "0.10");
    YScaleDown(ctx);
    EXPECT_EQ(state.Settings.YScaleText, "0.05");
    SetYScale(ctx, "3");
    YScaleDown(ctx);
    EXPECT_EQ(state.Settings.YScaleText, "1.50");
    YScaleUp(ctx);
    YScaleUp(ctx);
    EXPECT_EQ(state.Settings.YScaleText, "6.00");
    EXPECT_EQ(state.YScale, 6.0);
    // A box text that does not parse: the scale in use is doubled.
    state.Settings.YScaleText = "x";
    YScaleUp(ctx);
    EXPECT_EQ(state.Settings.YScaleText, "12.00");
}

TEST_F(YScaleTest, IciAndClickRateKeepTheirOwnScalesOnClickScales) {
    Open({FileKind::KL3});
    state.DisplayParameter = param::Ici;
    YScaleUp(ctx);
    EXPECT_EQ(state.IciScale, 4.0);
    EXPECT_EQ(state.Settings.YScaleText, "2.0");
    state.DisplayParameter = param::ClickRate;
    YScaleDown(ctx);
    EXPECT_EQ(state.ClickRateScale, 1.0);
    EXPECT_EQ(state.IciScale, 4.0);
    state.ClickRateScale = 4.9e-324; // halving reaches 0: start again at 2
    YScaleDown(ctx);
    EXPECT_EQ(state.ClickRateScale, 2.0);

    // On bin scales ICI uses the Y scale.
    SetTimeScale(ctx, 12);
    state.DisplayParameter = param::Ici;
    YScaleUp(ctx);
    EXPECT_EQ(state.IciScale, 4.0);
    EXPECT_EQ(state.Settings.YScaleText, "4.00");
}

TEST_F(YScaleTest, FunctionKeysRedrawTheSameScreen) {
    Open({FileKind::KL3});
    program.SharedStart = 1'000'000;
    program.SharedEnd = 1'001'000;
    state.ReadPosition = {1'000'100, 4'000'000};
    const ClickTime start = SubtractDisplayTime(state.ReadPosition, state.Span);
    state.MenuPagesVisible = true;
    YScaleKey(ctx, true);
    EXPECT_EQ(state.Settings.YScaleText, "4.00");
    EXPECT_FALSE(state.MenuPagesVisible);
    EXPECT_EQ(state.StartLabel, ClickTimeText(start));
    EXPECT_EQ(state.ReadPosition, (ClickTime{1'000'100, 4'000'000}));
}

TEST_F(YScaleTest, Kl1Divisor) {
    Open({FileKind::KL1});
    EXPECT_EQ(state.Kl1Divisor, 40);
    SetKl1Divisor(ctx, "abc");
    EXPECT_EQ(state.Settings.Kl1DivisorText, "20");
    EXPECT_EQ(state.Kl1Divisor, 20);
    SetKl1Divisor(ctx, "0");
    EXPECT_EQ(state.Settings.Kl1DivisorText, "0");
    EXPECT_EQ(state.Kl1Divisor, 1);
    SetKl1Divisor(ctx, "-7");
    EXPECT_EQ(state.Kl1Divisor, 1);
    SetKl1Divisor(ctx, "35");
    EXPECT_EQ(state.Kl1Divisor, 35);
    SetKl1Divisor(ctx, "99999999999");
    EXPECT_EQ(state.Kl1Divisor, 20);
}

} // namespace
} // namespace kelp::testing
