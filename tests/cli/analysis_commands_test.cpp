#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "tests/cli/cli_runner.h"
#include "tests/support/builders.h"
#include <QImage>

#include "tests/cli/render_runner.h"

namespace kelp {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class AnalysisCommandsTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    std::string kl3;
    void SetUp() override {
        testing::DataFileBuilder b(FileKind::KL3, MakeMinute(2024, 5, 1, 10, 0));
        for (int m = 0; m < 60; ++m) {
            b.Minute();
            for (int c = 1; c <= (m % 7 == 0 ? 5 : 0); ++c) {
                ClickRecord click = testing::MakeClick(c * 100'000);
                click.Quality = QualityHi;
                b.Click(click, 5);
            }
        }
        kl3 = b.Write(dir.File("hour.KL3"));
        std::filesystem::copy_file(kl3, dir.File("copy.KL3"));
    }
};

TEST_F(AnalysisCommandsTest, AnalysePrintsTheFiguresTheTextBoxAndTheResults) {
    const CliResult run = RunKelpCli({"analyse", kl3, "--class-totals"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const auto lines = Lines(run.Out);
    ASSERT_EQ(lines.size(), 14u + 13u + 2u);
    EXPECT_EQ(lines[0], "File\thour.KL3");
    EXPECT_EQ(lines[3], "Clicks\t45 clicks in file");
    EXPECT_EQ(lines[7], "1GB\t");
    EXPECT_EQ(lines[14], "Q Hi\t45");
    EXPECT_EQ(lines[26], "On Mins\t60");
    EXPECT_EQ(lines[28], "hour.KL3\t45\t0\t0\t0\t0\t0\t0\t0\t45");

    const CliResult profile = RunKelpCli({"analyse", kl3, "--profile", "--ncyc-khz"});
    ASSERT_EQ(profile.Status, 0) << profile.Err;
    EXPECT_NE(profile.Out.find("Ncyc cols\tF rows\n"), std::string::npos);
}

TEST_F(AnalysisCommandsTest, BadUsageAndFailuresHaveTheirStatus) {
    struct Case {
        std::vector<std::string> Args;
        int Status;
        const char* Says;
    };
    const Case cases[] = {
        {{"analyse", kl3, "--ncyc-khz"}, 2, "--ncyc-khz goes with --profile"},
        {{"fgraph", kl3}, 2, "nothing to show"},
        {{"fgraph", kl3, "--results", "--type", "pitch"}, 2, "pitch"},
        {{"correlate", "cross", kl3}, 2, "FILE"},
        {{"correlate", "auto", kl3, "--scale", "16"}, 1, "Too few samples at this bin size."},
    };
    for (const Case& c : cases) {
        const CliResult run = RunKelpCli(c.Args);
        EXPECT_EQ(run.Status, c.Status) << c.Args[1];
        EXPECT_NE((run.Err + run.Out).find(c.Says), std::string::npos) << run.Err << run.Out;
    }
}

TEST_F(AnalysisCommandsTest, FgraphAndCorrelateListTheirValues) {
    const CliResult graph = RunKelpCli({"fgraph", kl3, "--type", "dur", "--scale", "11", "--no-smooth",
                                        "--results", "--start", "01/05/2024 10:00"});
    ASSERT_EQ(graph.Status, 0) << graph.Err;
    const auto bins = Lines(graph.Out);
    ASSERT_EQ(bins.size(), 257u);
    EXPECT_EQ(bins[13], "12\t45"); // every click has 12 cycles

    const CliResult cross = RunKelpCli({"correlate", "cross", kl3, dir.File("copy.KL3"), "--scale", "11"});
    ASSERT_EQ(cross.Status, 0) << cross.Err;
    EXPECT_EQ(Lines(cross.Out)[5], "0\t1.00000");

    const CliResult autoRun = RunKelpCli({"correlate", "auto", kl3, "--scale", "7"});
    ASSERT_EQ(autoRun.Status, 0) << autoRun.Err;
    EXPECT_EQ(Lines(autoRun.Out)[0], "Auto-correlation of hour.KL3");
    EXPECT_EQ(Lines(autoRun.Out)[6], "1.00000");
}

TEST_F(AnalysisCommandsTest, PicturesOfThePageAndOfTheGraphs) {
    struct Case {
        std::vector<std::string> Args;
        int Width;
        int X, Y; // a pixel that must be black (a graph's background) or white (the cleared display)
        Colour Expected;
    };
    const std::string png = dir.File("out.png");
    const Case cases[] = {
        {{"analyse", kl3, "--png", png}, 880, 12, 24, ColourBlack},
        {{"fgraph", kl3, "--scale", "11", "--png", png}, 1200, 600, 200, ColourBlack},
        {{"correlate", "auto", kl3, "--png", png}, 1200, 600, 120, ColourWhite},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(png);
        const CliResult run = RunKelpCli(c.Args);
        ASSERT_EQ(run.Status, 0) << run.Err;
        QImage image(QString::fromStdString(png));
        ASSERT_EQ(image.width(), c.Width) << c.Args[0];
        EXPECT_EQ(PixelOf(image, c.X, c.Y), c.Expected) << c.Args[0];
    }
}

} // namespace
} // namespace kelp
