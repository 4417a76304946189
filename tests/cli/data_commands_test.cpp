#include <gtest/gtest.h>

#include <sstream>

#include "cli/filter_options.h"
#include "cli/registry.h"
#include "core/bytes.h"
#include "core/headless_host.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using testing::MakeClick;

class DataCommandsTest : public ::testing::Test {
protected:
    std::string Kl3(const std::string& name) {
        DataFileBuilder b(FileKind::KL3, MakeMinute(2024, 5, 1, 10, 0));
        b.Minute();
        ClickRecord hi = MakeClick(1'000'000, 130, 12, 90, 3, 0x47);
        hi.Quality = 3;
        hi.Species = 0;
        ClickRecord lo = MakeClick(2'000'000, 60, 4, 40, 6, 0x21);
        lo.Quality = 1;
        lo.Species = 1;
        b.Click(hi, 7).Click(lo, 8).Minute().Click(hi, 9);
        return b.Write(dir.File(name));
    }
    testing::TempDir dir;
};

TEST_F(DataCommandsTest, InfoPrintsSessionThenSettings) {
    DataFileBuilder b(FileKind::KL1, MakeMinute(2024, 5, 1, 10, 0));
    b.Minute().Minute();
    b.Header().Bytes[77] = 3; // a small gain gives no warning
    const std::string path = b.Write(dir.File("i.KL1"));
    const CliResult r = RunKelpCli({"info", path});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "File 1\n" + path +
                         "\n"
                         " KELP 1104  Version 1, made in 2023\n"
                         " Running     from   01/05/2024 10:00    to    01/05/2024 10:01\n"
                         "                   time   2m\n"
                         " File size 0Kb\n"
                         "    Minute click limit 999999999\n"
                         "    Switch angle range 0 to 86\n"
                         "    Filter 80kHz\n"
                         "    Gain3\n"
                         "    duty cycle 1\n");
    EXPECT_EQ(r.Err, "");

    const CliResult dev = RunKelpCli({"info", "--dev", path});
    EXPECT_NE(dev.Out.find("    Setup file version 1\n"), std::string::npos);

    const CliResult missing = RunKelpCli({"info", dir.File("gone.KL1"), path});
    EXPECT_EQ(missing.Status, 1);
    EXPECT_NE(missing.Err.find("gone.KL1 not opened successfully.  (No such file or directory)"),
              std::string::npos);
    EXPECT_NE(missing.Out.find("File 1\n"), std::string::npos); // the next file is still shown
}

TEST_F(DataCommandsTest, InfoWarnsAgainstTheRegisteredGainIncludingALabsRegistry) {
    DataFileBuilder b(FileKind::KL1, MakeMinute(2024, 5, 1, 10, 0));
    b.Minute();
    b.Header().Bytes[77] = 9;
    const std::string path = b.Write(dir.File("g.KL1"));
    const CliResult builtIn = RunKelpCli({"info", path});
    EXPECT_NE(builtIn.Out.find("    Gain9       WARNING: registered gain is 0!\n"), std::string::npos)
        << builtIn.Out;

    testing::WriteFileBytes(dir.File("lab.tsv"), {'1', '1', '0', '4', '\t', '9', '\n'});
    const CliResult lab = RunKelpCli({"info", "--gains", dir.File("lab.tsv"), path});
    EXPECT_EQ(lab.Status, 0) << lab.Err;
    EXPECT_NE(lab.Out.find("    Gain9\n"), std::string::npos) << lab.Out;

    testing::WriteFileBytes(dir.File("bad.tsv"), {'x', '\n'});
    EXPECT_EQ(RunKelpCli({"info", "--gains", dir.File("bad.tsv"), path}).Status, 1);
}

TEST_F(DataCommandsTest, ClicksWritesTheClickDetails) {
    const std::string path = Kl3("t.KL3");
    const CliResult r = RunKelpCli({"clicks", path, "-o", dir.File("out.csv")});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, dir.File("out.txt") + "\n");
    EXPECT_EQ(testing::ReadFileText(dir.File("out.txt")),
              "t.KL3\n"
              "\n"
              "Quality: Hi, Mod.  \n"
              "minute\tmicrosec\tcycles\tSPL\tkHz\tBandwidth\tslope a\tslope b\tend kHz\tQclass\tTrN\n"
              "01/05/2024 10:00\t5000000\t12\t90\t130\t3\t7\t4\t130\t3\t7\n"
              "01/05/2024 10:01\t5000000\t12\t90\t130\t3\t7\t4\t130\t3\t9\n");

    const CliResult all = RunKelpCli({"clicks", path, "-o", dir.File("all.txt"), "--quality", "Hi,Mod,Lo,?",
                                      "--species", "dol", "--freq", "50-70"});
    EXPECT_EQ(all.Status, 0) << all.Err;
    EXPECT_EQ(testing::ReadFileText(dir.File("all.txt")),
              "t.KL3\n"
              "Click filter:   Freq: 50-70kHz, \n"
              "Species:  Dolphins\n"
              "minute\tmicrosec\tcycles\tSPL\tkHz\tBandwidth\tslope a\tslope b\tend kHz\tQclass\tTrN\n"
              "01/05/2024 10:00\t10000000\t4\t40\t60\t6\t1\t2\t60\t1\t8\n");
    EXPECT_FALSE(testing::ReadFileBytes(dir.File("all.txt.part")).size());
}

TEST_F(DataCommandsTest, BadFilterValuesAreUsageErrors) {
    const std::string path = Kl3("t.KL3");
    for (const std::vector<std::string>& extra : {std::vector<std::string>{"--freq", "100"},
                                                  {"--freq", "a-b"},
                                                  {"--quality", "Top"},
                                                  {"--species", "whale"},
                                                  {"--minute-limit", "1000"},
                                                  {"--weak", "w"},
                                                  {"--cluster-status", "x"}}) {
        std::vector<std::string> args{"clicks", path, "-o", dir.File("bad.txt")};
        args.insert(args.end(), extra.begin(), extra.end());
        const CliResult r = RunKelpCli(args);
        EXPECT_EQ(r.Status, 2) << extra[0] << " " << extra[1];
        EXPECT_NE(r.Err.find(extra[0]), std::string::npos) << r.Err;
    }
    EXPECT_FALSE(FileExists(dir.File("bad.txt")));
}

TEST_F(DataCommandsTest, FilterOptionsSetTheProgram) {
    CLI::App app;
    cli::FilterOptions options;
    cli::AddFilterOptions(&app, options);
    std::vector<std::string> args{"--ignore-filters",
                                  "--minute-limit",
                                  "4096",
                                  "--all-q",
                                  "--b1",
                                  "--use-endpoints",
                                  "--refresh-maps",
                                  "--show-time-errors",
                                  "--envelope",
                                  "-3",
                                  "--duration",
                                  "2-",
                                  "--cluster-status",
                                  "3,4"};
    std::reverse(args.begin(), args.end());
    app.parse(args);
    Program program;
    HeadlessHost host;
    ASSERT_TRUE(cli::ApplyFilterOptions(options, program, host));
    EXPECT_TRUE(program.Clicks.Ignore);
    EXPECT_EQ(program.MinuteLimit, 4096);
    EXPECT_TRUE(program.Trains.AllQualities);
    EXPECT_TRUE(program.Clicks.ClusterBand1);
    EXPECT_TRUE(program.Options.UseEndpoints);
    EXPECT_TRUE(program.Options.RefreshMapFiles);
    EXPECT_TRUE(program.Options.ShowTimeErrorAsClk);
    EXPECT_EQ(program.Clicks.Envelope.Min.Text, "0"); // "-3": only the maximum given
    EXPECT_EQ(program.Clicks.Envelope.Max.Text, "3");
    EXPECT_EQ(program.Clicks.Duration.Min.Value, 2);
    EXPECT_EQ(program.Clicks.Duration.Max.Text, "9999");
    EXPECT_EQ(program.Clicks.MinClusterStatus.Value, 3);
    EXPECT_EQ(program.Clicks.ExactClusterStatus.Value, 4);
}

TEST_F(DataCommandsTest, EndpointsSaveAndDelete) {
    DataFileBuilder b(FileKind::KL1, MakeMinute(2024, 5, 1, 10, 0));
    for (int m = 0; m < 60; ++m) b.Minute();
    const std::string path = b.Write(dir.File("e.KL1"));
    auto saved = [&] {
        const auto bytes = testing::ReadFileBytes(path);
        return std::make_pair(ReadBE32Signed(bytes.data(), 272), ReadBE32Signed(bytes.data(), 276));
    };
    const CliResult save = RunKelpCli({"endpoints", path, "--save", "01/05/2024 10:10", "01/05/2024 10:20"});
    EXPECT_EQ(save.Status, 0) << save.Err;
    EXPECT_EQ(saved(), std::make_pair(MakeMinute(2024, 5, 1, 10, 10), MakeMinute(2024, 5, 1, 10, 20)));

    const CliResult beyond =
        RunKelpCli({"endpoints", path, "--save", "01/05/2024 09:10", "01/05/2024 10:20"});
    EXPECT_EQ(beyond.Status, 1);
    EXPECT_NE(beyond.Err.find("Time range goes beyond time limits of this file. No change made."),
              std::string::npos);
    EXPECT_EQ(saved().first, MakeMinute(2024, 5, 1, 10, 10));

    const CliResult del = RunKelpCli({"endpoints", path, "--delete"});
    EXPECT_EQ(del.Status, 0) << del.Err;
    EXPECT_EQ(saved(), std::make_pair(MakeMinute(2024, 5, 1, 10, 0), MakeMinute(2024, 5, 1, 10, 59)));

    EXPECT_EQ(RunKelpCli({"endpoints", path}).Status, 2);
    EXPECT_EQ(RunKelpCli({"endpoints", path, "--save", "yesterday", "today"}).Status, 2);
}

} // namespace
} // namespace kelp
