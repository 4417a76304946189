#include <gtest/gtest.h>

#include <QImage>

#include "core/file_io.h"
#include "core/headless_host.h"
#include "core/program.h"
#include "display/axes.h"
#include "display/screen.h"
#include "render/image_canvas.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

constexpr Colour Back = 0x102030;

class ImageCanvasTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApplication(); }
    ImageCanvas canvas{60, 40, Back};

    int CountOf(Colour c, int left = 0, int top = 0, int right = -1, int bottom = -1) const {
        if (right < 0) right = canvas.Width();
        if (bottom < 0) bottom = canvas.Height();
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (canvas.PixelAt(x, y) == c) ++n;
        return n;
    }
};

TEST_F(ImageCanvasTest, FillRectLeavesOutTheRightAndBottomEdges) {
    canvas.SetBrushColour(ColourRed);
    canvas.FillRect(10, 5, 13, 8);
    EXPECT_EQ(CountOf(ColourRed), 9);
    EXPECT_EQ(canvas.PixelAt(10, 5), ColourRed);
    EXPECT_EQ(canvas.PixelAt(12, 7), ColourRed);
    EXPECT_EQ(canvas.PixelAt(13, 7), Back);
    EXPECT_EQ(canvas.PixelAt(12, 8), Back);
    canvas.SetBrushColour(ColourGreen);
    canvas.FillRect(13, 8, 10, 5);     // inverted: nothing
    canvas.FillRect(-50, -50, 2, 100); // clipped to the picture
    EXPECT_EQ(CountOf(ColourGreen), 2 * 40);
}

TEST_F(ImageCanvasTest, ThinLinesLeaveOutTheirEndPoint) {
    canvas.SetPen(ColourYellow, 1, PenStyle::Solid);
    canvas.MoveTo(5, 10);
    canvas.LineTo(15, 10);
    EXPECT_EQ(CountOf(ColourYellow), 10);
    EXPECT_EQ(canvas.PixelAt(5, 10), ColourYellow);
    EXPECT_EQ(canvas.PixelAt(15, 10), Back);
    // Joined lines: the corner is drawn once, by the second line.
    canvas.LineTo(15, 20);
    EXPECT_EQ(canvas.PixelAt(15, 10), ColourYellow);
    EXPECT_EQ(canvas.PixelAt(15, 20), Back);
    EXPECT_EQ(canvas.PenX(), 15);
    EXPECT_EQ(canvas.PenY(), 20);
    // A diagonal covers one pixel per step of its longer side.
    canvas.SetPenColour(ColourBlue);
    canvas.MoveTo(30, 0);
    canvas.LineTo(40, 5);
    EXPECT_EQ(CountOf(ColourBlue), 10);
}

TEST_F(ImageCanvasTest, DashedAndDottedPens) {
    ImageCanvas wide(200, 10, Back);
    wide.SetPen(ColourGrey, 1, PenStyle::Dashed);
    wide.MoveTo(0, 2);
    wide.LineTo(48, 2);
    int on = 0;
    for (int x = 0; x < 48; ++x) on += wide.PixelAt(x, 2) == ColourGrey;
    EXPECT_EQ(on, 36); // dashes of 18 with gaps of 6
    EXPECT_EQ(wide.PixelAt(17, 2), ColourGrey);
    EXPECT_EQ(wide.PixelAt(18, 2), Back);
    wide.SetPen(ColourGreen, 1, PenStyle::Dotted);
    wide.MoveTo(0, 5);
    wide.LineTo(12, 5);
    EXPECT_EQ(wide.PixelAt(2, 5), ColourGreen);
    EXPECT_EQ(wide.PixelAt(3, 5), Back);
    EXPECT_EQ(wide.PixelAt(6, 5), ColourGreen);
}

TEST_F(ImageCanvasTest, WidePensAreSolidAndWide) {
    canvas.SetPen(ColourMagenta, 3, PenStyle::Dashed);
    canvas.MoveTo(10, 20);
    canvas.LineTo(50, 20);
    for (int x = 12; x < 48; ++x) {
        EXPECT_EQ(canvas.PixelAt(x, 19), ColourMagenta) << x;
        EXPECT_EQ(canvas.PixelAt(x, 20), ColourMagenta) << x;
        EXPECT_EQ(canvas.PixelAt(x, 21), ColourMagenta) << x;
    }
    EXPECT_EQ(canvas.PixelAt(30, 23), Back);
    canvas.SetPenWidth(9);
    EXPECT_EQ(canvas.PenWidth(), 5);
}

TEST_F(ImageCanvasTest, TextAndRotatedText) {
    ImageCanvas c(200, 120, ColourWhite);
    c.SetFont(ColourBlack, 8);
    c.TextOut(10, 10, "SPL 255");
    // The text lies right of and below its position, within a line of the font.
    int inside = 0, outside = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 200; ++x) {
            if (c.PixelAt(x, y) == ColourWhite) continue;
            const bool near = x >= 10 && x < 10 + c.TextWidth("SPL 255") + 2 && y >= 10 && y < 10 + 16;
            (near ? inside : outside)++;
        }
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
    EXPECT_GT(c.TextWidth("SPL 255"), c.TextWidth("SPL"));

    ImageCanvas r(40, 200, ColourWhite);
    r.SetFont(ColourBlack, 8);
    r.RotatedTextOut(1, 190, "Inter-click interval");
    // Rotated text runs upwards from its position, in a narrow column at its right.
    int top = 200, columnMax = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 40; ++x)
            if (r.PixelAt(x, y) != ColourWhite) {
                top = std::min(top, y);
                columnMax = std::max(columnMax, x);
                EXPECT_LE(y, 191);
                EXPECT_GE(x, 1);
            }
    EXPECT_LT(top, 120);
    EXPECT_LE(columnMax, 16);
}

TEST_F(ImageCanvasTest, CopyToImageAndPng) {
    canvas.SetBrushColour(ColourRed);
    canvas.FillRect(2, 3, 4, 5);
    const CanvasImage copy = canvas.CopyToImage(1, 2, 5, 6);
    ASSERT_EQ(copy.Width, 4);
    ASSERT_EQ(copy.Height, 4);
    EXPECT_EQ(copy.At(1, 1), ColourRed);
    EXPECT_EQ(copy.At(0, 0), Back);
    EXPECT_EQ(canvas.CopyToImage(58, 38, 90, 90).Width, 2);

    testing::TempDir dir;
    const std::string path = dir.File("screen.png");
    std::string error;
    ASSERT_TRUE(canvas.SavePng(path, &error)) << error;
    QImage back(QString::fromStdString(path));
    ASSERT_EQ(back.width(), 60);
    ASSERT_EQ(back.height(), 40);
    EXPECT_EQ(back.pixel(2, 3) & 0xFFFFFF, 0xFF0000u);
    EXPECT_FALSE(FileExists(path + ".part"));

    EXPECT_FALSE(canvas.SavePng(dir.File("missing/screen.png"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(FileExists(dir.File("missing/screen.png")));
}

// A whole screen on a real image: probes of the frame, the axes and the bands.
TEST_F(ImageCanvasTest, AScreenOnAnImage) {
    Program program;
    HeadlessHost host;
    ImageCanvas image(1000, 700);
    for (int slot = 1; slot <= 2; ++slot) {
        program.Slot(slot).IsOpen = true;
        program.Slot(slot).Kind = FileKind::KL3;
    }
    program.SharedStart = 1'000'000;
    program.SharedEnd = 1'000'100;
    DisplayContext ctx(program, image, host);
    ctx.state.Settings.WhiteScreen = true;
    StartDisplay(ctx, 1000, 700);
    // Slots marked open without files have no data: the click view draws from a remembered start.
    ctx.state.HasLastScreenStart = true;
    ctx.state.LastScreenStart = {1'000'000, 0};
    DrawScreen(ctx);
    const DisplayState& s = ctx.state;
    EXPECT_EQ(image.PixelAt(18, s.Top + 20), ColourBlack); // frame corner
    EXPECT_EQ(image.PixelAt(s.Right, s.Bottom - 1), ColourBlack);
    EXPECT_EQ(image.PixelAt(500, s.Top + 100), ColourWhite);                  // inside the plot
    EXPECT_EQ(image.PixelAt(300, s.Bands[2].Base + 1), ColourWindowFace);     // separator
    EXPECT_EQ(image.PixelAt((s.Right + 18) / 2, s.Bottom + 12), ColourBlack); // centre mark
    EXPECT_EQ(image.PixelAt(118, s.Bottom + 2), ColourBlack);                 // a time tick

    ctx.state.Settings.WhiteScreen = false;
    ctx.state.HasLastScreenStart = true;
    DrawScreen(ctx);
    EXPECT_EQ(image.PixelAt(500, s.Top + 100), ColourBlack);
    const std::vector<YLabel> levels = YLabelsOfBand(ctx.state, program, 1);
    ASSERT_FALSE(levels.empty());
    EXPECT_EQ(image.PixelAt(500, s.Bands[1].Base - levels[0].G), ColourNavy); // grid line
}

} // namespace
} // namespace kelp
