#include "display_fixture.h"

#include "display/geometry.h"

namespace kelp::testing {
namespace {

using GeometryTest = DisplayTest;

TEST_F(GeometryTest, RightEdgeMovesInStepsOfNinePixels) {
    for (int w = 1000; w <= 1007; ++w) EXPECT_EQ(RightEdgeFor(w), 947) << w;
    EXPECT_EQ(RightEdgeFor(1008), 956);
    Open({FileKind::KL1}, 1000, 800);
    EXPECT_EQ(state.Right, 947);
    EXPECT_EQ(state.PlotWidth, 929);
    EXPECT_EQ(state.Bins, 309);
    EXPECT_EQ(state.Bottom, 680);
}

TEST_F(GeometryTest, ResizeRecomputesOnlyWhenHeightOrRightEdgeChange) {
    Open({FileKind::KL1}, 1000, 800);
    canvas.Clear();
    EXPECT_FALSE(ResizeDisplay(ctx, 1007, 800));
    EXPECT_TRUE(canvas.Ops.empty());
    EXPECT_EQ(state.Right, 947);
    EXPECT_TRUE(ResizeDisplay(ctx, 1008, 800));
    EXPECT_EQ(state.Right, 956);
    EXPECT_FALSE(canvas.Ops.empty()); // the axes were drawn again
    EXPECT_TRUE(ResizeDisplay(ctx, 1008, 700));
    EXPECT_EQ(state.Bottom, 580);
}

TEST_F(GeometryTest, ThreeBandsStackUpwardsFromTheBottom) {
    state.Settings.Angle = false;
    Open({FileKind::KL1, FileKind::KL2, FileKind::KL3}, 1200, 700);
    EXPECT_EQ(state.Bottom, 580);
    EXPECT_EQ(state.BandHeight, 163);
    EXPECT_EQ(state.Bands[1].Base, 579);
    EXPECT_EQ(state.Bands[2].Base, 414);
    EXPECT_EQ(state.Bands[3].Base, 249);
    const BandGeometry& b = state.Bands[3];
    EXPECT_EQ(b.TitleY, 249);
    EXPECT_EQ(b.UpperLine, 249 - 163 + 24);
    EXPECT_EQ(b.TemperatureZeroLine, b.UpperLine + 146);
    EXPECT_EQ(b.AngleLine, b.UpperLine - 15);
    EXPECT_EQ(b.LandmarkLine, b.UpperLine + 16);
    EXPECT_EQ(state.SelectedY, 86 + 163 / 2);
}

TEST_F(GeometryTest, AngleTakesTwentyPixelsButKeepsTheBaseLines) {
    Open({FileKind::KL1, FileKind::KL2, FileKind::KL3}, 1200, 700);
    EXPECT_EQ(state.BandHeight, 143);
    EXPECT_EQ(state.Bands[1].Base, 579);
    EXPECT_EQ(state.Bands[2].Base, 414);
    EXPECT_EQ(state.Bands[3].Base, 249);
    // The upper line is computed from the height before the reduction.
    EXPECT_EQ(state.Bands[3].UpperLine, 249 - 163 + 24);
    EXPECT_EQ(state.SelectedY, 86 + 143 / 2);
}

TEST_F(GeometryTest, TickingAngleSetsTheBandsUpAgain) {
    Open({FileKind::KL1, FileKind::KL2, FileKind::KL3}, 1200, 700);
    canvas.Clear();
    SetAngle(ctx, false);
    EXPECT_EQ(state.BandHeight, 163);
    EXPECT_FALSE(canvas.Ops.empty());
    SetAngle(ctx, true);
    EXPECT_EQ(state.BandHeight, 143);
}

TEST_F(GeometryTest, BandsFollowOpenSlotsInSlotOrder) {
    state.Settings.Angle = false;
    Open({FileKind::None, FileKind::KL3, FileKind::KL1}, 1200, 700);
    EXPECT_EQ(state.BandHeight, (580 - 86 - 4) / 2);
    EXPECT_EQ(state.Bands[1].Base, 0);
    EXPECT_EQ(state.Bands[2].Base, 579);
    EXPECT_EQ(state.Bands[3].Base, 579 - (245 + 2));
    EXPECT_EQ(BandAt(state, program, 500), 2);
    EXPECT_EQ(BandAt(state, program, 300), 3);
}

TEST_F(GeometryTest, NoFileOpenGivesOneFullHeightAndTinyWindowsAreTakenAtMinimumSize) {
    state.Settings.Angle = false;
    Open({}, 1200, 800);
    EXPECT_EQ(state.BandHeight, 680 - 86 - 4);
    Open({FileKind::KL1, FileKind::KL1, FileKind::KL1}, 10, 10);
    EXPECT_EQ(state.Right, RightEdgeFor(MinimumClientWidth));
    EXPECT_GT(state.Bins, 0);
    EXPECT_GE(state.BandHeight, 1);
}

} // namespace
} // namespace kelp::testing
