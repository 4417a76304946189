#include <gtest/gtest.h>

#include <QImage>
#include <sstream>

#include "cli/registry.h"
#include "core/file_io.h"
#include "display/display_state.h"
#include "display/geometry.h"
#include "tests/cli/render_runner.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

class RenderCommandTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    std::string file;
    void SetUp() override {
        testing::DataFileBuilder b(FileKind::KL3, MakeMinute(2024, 5, 1, 10, 0));
        for (int m = 0; m < 20; ++m) b.Minute().Click(testing::MakeClick(1'000'000 + m), 5);
        file = b.Write(dir.File("day.KL3"));
    }
};

TEST_F(RenderCommandTest, DrawsOneScreenOfTheAskedSize) {
    const std::string png = dir.File("screen.png");
    const CliResult run =
        Render({file, "--scale", "13", "--param", "7", "--width", "1000", "--height", "700", "-o", png});
    ASSERT_EQ(run.Status, 0) << run.Err;
    QImage image(QString::fromStdString(png));
    ASSERT_EQ(image.width(), 1000);
    ASSERT_EQ(image.height(), 700);
    const int right = RightEdgeFor(1000);
    EXPECT_EQ(PixelOf(image, 300, 200), ColourBlack);             // the plot
    EXPECT_EQ(PixelOf(image, 5, 5), ColourWindowFace);            // the window around it
    EXPECT_EQ(PixelOf(image, 30, LegendStripY + 1), ColourBlack); // the legend strip
    EXPECT_EQ(PixelOf(image, 997, 300), ColourWhite);             // the label margin
    EXPECT_EQ(PixelOf(image, right - 2, 300), ColourBlack);
    EXPECT_FALSE(FileExists(png + ".part"));

    ASSERT_EQ(Render({file, "--white", "--freq", "100-140", "-o", png}).Status, 0);
    EXPECT_EQ(PixelOf(QImage(QString::fromStdString(png)), 300, 200), ColourWhite);
}

TEST_F(RenderCommandTest, BadOptionsAreUsageErrors) {
    const std::string png = dir.File("bad.png");
    CliResult run = Render({file, "--start", "31/02/2024 10:00", "-o", png});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("--start"), std::string::npos);
    run = Render({file, "--param", "9", "--scale", "7", "-o", png});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("bin scales"), std::string::npos);
    EXPECT_EQ(Render({file, "--scale", "20", "-o", png}).Status, 2);
    EXPECT_EQ(Render({file, "--yscale", "big", "-o", png}).Status, 2);
    EXPECT_EQ(Render({file}).Status, 2);
    EXPECT_EQ(Render({file, "--freq", "90-x", "-o", png}).Status, 2);
    EXPECT_FALSE(FileExists(png));
}

TEST_F(RenderCommandTest, FilesThatCannotBeOpenedOrWrittenFail) {
    CliResult run = Render({dir.File("none.KL3"), "-o", dir.File("x.png")});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("not opened successfully"), std::string::npos);
    run = Render({file, "-o", dir.File("no/such/folder/x.png")});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("could not be written"), std::string::npos);
}

} // namespace
} // namespace kelp
