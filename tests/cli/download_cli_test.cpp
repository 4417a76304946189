// kelp-cli simulate, download and card: the road from a simulated card to a KL1 file that
// kelp-cli info reads, the questions and --force, and the card checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/registry.h"
#include "core/file_io.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

bool HasLine(const std::string& text, const std::string& line) {
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        if (l == line) return true;
    return false;
}

class DownloadCli : public ::testing::Test {
protected:
    void SetUp() override {
        card_ = dir_.File("card");
        const auto r =
            RunKelpCli({"simulate", "--out", card_, "--minutes", "90", "--seed", "5", "--scenario",
                        "porpoise", "--activity", "10", "--split-bytes", "8000", "--erased-tail", "300"});
        ASSERT_EQ(r.Status, 0) << r.Err;
        ASSERT_TRUE(HasLine(r.Out, "file\t" + card_ + "/DATA1.ORV"));
        ASSERT_TRUE(HasLine(r.Out, "truth\t" + card_ + "/truth.json"));
        ASSERT_TRUE(FileExists(card_ + "/SETUP.ORV"));
    }
    testing::TempDir dir_;
    std::string card_;
};

TEST_F(DownloadCli, SimulateDownloadInfo) {
    const std::string out = dir_.File("out.KL1");
    const auto r = RunKelpCli({"download",
                               card_,
                               out,
                               "--start",
                               "2024-05-01 10:00",
                               "--now",
                               "2024-06-01 10:00",
                               "--location",
                               "Bay",
                               "--notes",
                               "first test",
                               "--lat",
                               "55.1N",
                               "--long",
                               "3.2W",
                               "--water-depth",
                               "12",
                               "--deployment-depth",
                               "9",
                               "--blanks",
                               "2"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(HasLine(r.Out, "upload\t" + out + "    1h 30m    0Mb   0mins)")) << r.Out;
    EXPECT_NE(r.Out.find("\nerrors\t"), std::string::npos); // the blank records that ended the data
    const auto info = RunKelpCli({"info", out});
    ASSERT_EQ(info.Status, 0) << info.Err;
    EXPECT_NE(info.Out.find("01/05/2024 10:01"), std::string::npos) << info.Out;
    EXPECT_NE(info.Out.find("KELP 1036"), std::string::npos) << info.Out;

    // A folder as output takes the proposed name.
    const std::string folder = dir_.File("kelp files");
    std::filesystem::create_directory(folder);
    const auto named = RunKelpCli({"download", card_ + "/DATA0.ORV", folder, "--start", "2024-05-01 10:00",
                                   "--now", "2024-06-01 10:00", "--location", "Bay"});
    ASSERT_EQ(named.Status, 0) << named.Err;
    EXPECT_TRUE(FileExists(folder + "/Bay 2024 05 01 KELP1036.KL1"));
}

TEST_F(DownloadCli, QuestionsEndTheDownloadUnlessForced) {
    const std::string out = dir_.File("q.KL1");
    auto r = RunKelpCli({"download", card_, out, "--start", "2008-01-01 00:00", "--now", "2024-06-01 10:00"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("Start time is impossibly early. Do you wish to proceed? [No]"), std::string::npos);
    EXPECT_FALSE(FileExists(out));
    r = RunKelpCli(
        {"download", card_, out, "--start", "2008-01-01 00:00", "--now", "2024-06-01 10:00", "--force"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(FileExists(out));
    RemoveFile(out);

    // 90 logged minutes from a start an hour ago end in the future.
    r = RunKelpCli({"download", card_, out, "--start", "2024-06-01 09:00", "--now", "2024-06-01 10:00"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("File ends in the future. Do wish to change the time the KELP was Started? [Yes]"),
              std::string::npos);
    EXPECT_FALSE(FileExists(out));
    r = RunKelpCli(
        {"download", card_, out, "--start", "2024-06-01 09:00", "--now", "2024-06-01 10:00", "--force"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Err.find("[No]"), std::string::npos);

    EXPECT_EQ(RunKelpCli({"download", card_, out, "--start", "2024-13-01 09:00"}).Status, 2);
    EXPECT_EQ(RunKelpCli({"download", card_, out, "--start", "2024-05-01 09:00", "--now", "soon"}).Status, 2);
}

TEST_F(DownloadCli, CardChecks) {
    const std::string data0 = card_ + "/DATA0.ORV";
    auto r = RunKelpCli({"card", "summary", data0});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(HasLine(r.Out, "KELP number 1036"));
    EXPECT_TRUE(HasLine(r.Out, "Overall minutes  \t1h 30m"));

    r = RunKelpCli({"card", "block", data0, "1"});
    ASSERT_EQ(r.Status, 0);
    EXPECT_TRUE(HasLine(r.Out, "164\t49")); // the logger number "1036" starts with the character 1
    r = RunKelpCli({"card", "block", data0, "1000"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_TRUE(HasLine(r.Out, "Seek error reading file " + data0));

    r = RunKelpCli({"card", "verify", data0});
    ASSERT_EQ(r.Status, 0) << r.Err;
    // Background clicks of three cycles or fewer count as coding errors there.
    EXPECT_NE(r.Out.rfind("dropped clicks "), std::string::npos);
    EXPECT_NE(r.Err.find("Done"), std::string::npos);

    EXPECT_EQ(RunKelpCli({"card", "summary", dir_.File("none/DATA0.ORV")}).Status, 1);
}

TEST(SimulateCli, RejectsBadOptions) {
    testing::TempDir dir;
    EXPECT_EQ(RunKelpCli({"simulate", "--out", dir.Path(), "--minutes", "5", "--scenario", "whales"}).Status,
              2);
    EXPECT_EQ(RunKelpCli({"simulate", "--out", dir.Path(), "--minutes", "5", "--click-limit", "100"}).Status,
              2);
    EXPECT_EQ(RunKelpCli({"simulate", "--out", dir.Path(), "--minutes", "5", "--defect", "jump:x:1"}).Status,
              2);
    EXPECT_EQ(RunKelpCli({"simulate", "--out", dir.Path(), "--minutes", "0"}).Status, 2);
    const auto ok = RunKelpCli({"simulate", "--out", dir.Path(), "--minutes", "5", "--scenario", "empty"});
    EXPECT_EQ(ok.Status, 0) << ok.Err;
    EXPECT_TRUE(HasLine(ok.Out, "clicks\t0"));
}

} // namespace
} // namespace kelp
