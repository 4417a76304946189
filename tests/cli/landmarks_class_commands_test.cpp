#include <gtest/gtest.h>

#include <sstream>

#include "cli/registry.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using testing::MakeClick;
using testing::ReadFileBytes;

class LandmarksSpeciesCommandsTest : public ::testing::Test {
protected:
    testing::TempDir dir;

    // Minute 0: a Lo train 7 of three clicks (the third after a missed click); minute 1: empty.
    std::string Kl3(const std::string& name) {
        DataFileBuilder b(FileKind::KL3, MakeMinute(2024, 5, 1, 10, 0));
        b.Minute();
        for (int i = 1; i <= 3; ++i) {
            ClickRecord c = MakeClick(i * 200'000);
            c.Quality = 1;
            c.Species = 3;
            c.IntervalFlag = i == 3;
            b.Click(c, 7);
        }
        b.Minute();
        return b.Write(dir.File(name));
    }
};

TEST_F(LandmarksSpeciesCommandsTest, LandmarksMarksEveryKL3FileGiven) {
    const std::string a = Kl3("a.KL3");
    const std::string b = Kl3("b.kl3");
    const auto before = ReadFileBytes(a);
    const CliResult r = RunKelpCli({"landmarks", a, b});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "");
    auto expected = before;
    expected[4] |= 1;
    expected[360 + 18] = 20;
    expected[360 + 4 * 20 + 18] = 20;
    EXPECT_EQ(ReadFileBytes(a), expected);
    EXPECT_EQ(ReadFileBytes(b), expected);
}

TEST_F(LandmarksSpeciesCommandsTest, LandmarksFailsOnAFileThatIsNotKL3) {
    DataFileBuilder raw(FileKind::KL1);
    raw.Minute();
    const std::string kl1 = raw.Write(dir.File("c.KL1"));
    const std::string kl3 = Kl3("c.KL3");
    const CliResult r = RunKelpCli({"landmarks", kl1, kl3});
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("None of the open files are KL3 files"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(kl3)[4] & 1, 1); // the KL3 file was still marked
    EXPECT_EQ(RunKelpCli({"landmarks", dir.File("missing.KL3")}).Status, 1);
}

TEST_F(LandmarksSpeciesCommandsTest, SpeciesEditsTheTrainFromTheClickOn) {
    const std::string path = Kl3("d.KL3");
    const auto before = ReadFileBytes(path);
    const CliResult r = RunKelpCli(
        {"species", path, "--at", "01/05/2024 10:00:02.000000", "--set", "porpoise", "--apostrophe"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out,
              "Editing\t" + path +
                  "\ntime\tTrain ID\tedit\n'01/05/2024 10:00:02.000000\t7\tSpecies set to porpoise\t\n");
    auto expected = before;
    expected[360 + 2 * 20 + 18] = 0x01; // the Lo train's clicks, hidden by default, can be edited
    expected[360 + 3 * 20 + 18] = 0x81;
    EXPECT_EQ(ReadFileBytes(path), expected);
}

TEST_F(LandmarksSpeciesCommandsTest, SpeciesRefusesBadArgumentsAndMissingClicks) {
    const std::string path = Kl3("e.KL3");
    const auto before = ReadFileBytes(path);
    EXPECT_EQ(RunKelpCli({"species", path, "--at", "01/05/2024 10:00:02", "--set", "orca"}).Status, 2);
    EXPECT_EQ(RunKelpCli({"species", path, "--at", "tomorrow", "--set", "dolphin"}).Status, 2);
    EXPECT_EQ(
        RunKelpCli({"species", dir.File("e.KL1"), "--at", "01/05/2024 10:00:02", "--set", "dolphin"}).Status,
        2);
    const CliResult r =
        RunKelpCli({"species", path, "--at", "01/05/2024 10:00:02.000005", "--set", "dolphin"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("No train click at 01/05/2024 10:00:02.000005"), std::string::npos);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(ReadFileBytes(path), before);
}

} // namespace
} // namespace kelp
