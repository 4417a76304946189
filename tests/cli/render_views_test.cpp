#include <gtest/gtest.h>

#include <QImage>
#include <sstream>

#include "cli/registry.h"
#include "core/file_io.h"
#include "display/colours.h"
#include "display/display_state.h"
#include "display/geometry.h"
#include "tests/cli/render_runner.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

// One hour of 130 kHz clicks, 20 a minute, and a quiet hour after it.
class RenderViewsTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    std::string file;
    MinuteNumber first = MakeMinute(2024, 5, 1, 10, 0);
    void SetUp() override {
        testing::DataFileBuilder b(FileKind::KL1, first);
        for (int m = 0; m < 120; ++m) {
            b.Minute();
            if (m < 60)
                for (int i = 1; i <= 20; ++i) b.Click(testing::MakeClick(i * 500'000, 130, 12, 100));
        }
        b.Minute();
        file = b.Write(dir.File("hour.KL1"));
    }
};

TEST_F(RenderViewsTest, TheScreenShowsTheData) {
    const std::string png = dir.File("bins.png");
    const CliResult run = Render({file, "--scale", "11", "--param", "0", "--no-angle", "-o", png});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const QImage image(QString::fromStdString(png));
    const int bottom = DefaultClientHeight - BottomMargin;
    // A 130 kHz column in the first hour, a silver one (logged, no clicks) after it, black after the end.
    EXPECT_EQ(PixelOf(image, 19, bottom - 100), KHzColour(130));
    EXPECT_EQ(PixelOf(image, 18 + 3 * 70 + 1, bottom - 100), ColourSilver);
    EXPECT_EQ(PixelOf(image, 18 + 3 * 200 + 1, bottom - 100), ColourBlack);

    // The click view: an SPL block of 200 pixels at 2.5 s on the 10 ms scale.
    const std::string clicks = dir.File("clicks.png");
    ASSERT_EQ(
        Render({file, "--scale", "7", "--start", "01/05/2024 10:00", "--no-angle", "-o", clicks}).Status, 0);
    const QImage view(QString::fromStdString(clicks));
    EXPECT_EQ(PixelOf(view, 250 + 18, bottom - 150), KHzColour(130));
    EXPECT_EQ(PixelOf(view, 250 + 19, bottom - 150), ColourBlack);
}

TEST_F(RenderViewsTest, WavWritesTheSoundOfTheScreen) {
    const std::string png = dir.File("sound.png");
    const std::string wav = dir.File("sound.wav");
    const CliResult run =
        Render({file, "--scale", "7", "--start", "01/05/2024 10:00", "-o", png, "--wav", wav});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::vector<std::uint8_t> bytes = testing::ReadFileBytes(wav);
    ASSERT_GT(bytes.size(), 44u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    // Four clicks on the screen (11.27 s), each 31 samples after a pause of 500,000 div 512 ms.
    const std::size_t expected = 4 * (31 + 976 * 44'100 / 1'000);
    EXPECT_EQ(bytes.size(), 44 + expected);

    CliResult bad = Render({file, "--scale", "11", "-o", png, "--wav", wav});
    EXPECT_EQ(bad.Status, 2);
    EXPECT_NE(bad.Err.find("Sounds can only be played from high resolution displays.  Zoom in and try again"),
              std::string::npos);
    bad = Render({file, "--scale", "7", "-o", png, "--wav", wav, "--sound-file", "2"});
    EXPECT_EQ(bad.Status, 2);
    bad = Render({file, "--scale", "7", "-o", png, "--wav", dir.File("no/such/folder/x.wav")});
    EXPECT_EQ(bad.Status, 1);
    EXPECT_NE(bad.Err.find("could not be written"), std::string::npos);
}

} // namespace
} // namespace kelp
