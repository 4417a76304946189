#include <gtest/gtest.h>

#include "core/file_io.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using testing::MakeClick;

class ExportCommandsTest : public ::testing::Test {
protected:
    // Two minutes from 10:00 with a "Hi" click of train 7 in the first.
    std::string Kl3(const std::string& name, int day) {
        DataFileBuilder b(FileKind::KL3, MakeMinute(2024, 5, day, 10, 0));
        ClickRecord hi = MakeClick(1'000'000);
        hi.Quality = 3;
        b.Minute().Click(hi, 7).Minute();
        return b.Write(dir.File(name));
    }
    testing::TempDir dir;
};

TEST_F(ExportCommandsTest, HelpListsEveryOption) {
    const CliResult e = RunKelpCli({"export", "--help"});
    for (const char* option :
         {"--data", "--period", "--date-format", "--date-unit", "--omit-negative", "--use-endpoints",
          "--omit-header", "--one-file", "--files", "--output", "--tidy", "--freq", "--quality"})
        EXPECT_NE(e.Out.find(option), std::string::npos) << option;
    const CliResult d = RunKelpCli({"details", "--help"});
    for (const char* option : {"--full", "--output", "--species"})
        EXPECT_NE(d.Out.find(option), std::string::npos);
}

TEST_F(ExportCommandsTest, OutputsAndTheirMistakes) {
    const std::string a = Kl3("a.KL3", 1), b = Kl3("b.KL3", 2);
    const CliResult stdoutRun = RunKelpCli(
        {"export", a, "--data", "dpm", "--period", "1min", "--omit-header", "--date-format", "none"});
    EXPECT_EQ(stdoutRun.Status, 0);
    EXPECT_EQ(stdoutRun.Out, "DPM\n1\n0\n");

    const std::string both = dir.File("both.txt");
    const CliResult oneFile = RunKelpCli(
        {"export", a, b, "--data", "clicks", "--period", "all", "--omit-header", "--one-file", "-o", both});
    EXPECT_EQ(oneFile.Status, 0);
    EXPECT_EQ(testing::ReadFileText(both), "FileN\ttime\tN filtered\tN all\n1\t01/05/2024 10:01\t1\t0\n"
                                           "2\t02/05/2024 10:01\t1\t0\n");

    const std::string second = dir.File("second.txt");
    EXPECT_EQ(RunKelpCli({"export", a, b, "--data", "dph", "--period", "days", "--files", "2", "-o", second})
                  .Status,
              0);
    EXPECT_EQ(testing::ReadFileText(second).substr(0, 6), "b.KL3\n");

    const std::string details = dir.File("details.txt");
    const CliResult d = RunKelpCli({"details", a, b, "--full", "-o", details});
    EXPECT_EQ(d.Status, 0);
    EXPECT_EQ(d.Out, details + "\n");
    const std::string lines = testing::ReadFileText(details); // the column header, then a short line per file
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3);

    struct Mistake {
        std::vector<std::string> Args;
        int Status;
    };
    for (const Mistake& m :
         {Mistake{{"export", a, "--data", "dpx", "--period", "hours"}, 2},
          Mistake{{"export", a, "--data", "ici", "--period", "hours", "--tidy", "-o", dir.File("t.tsv")}, 2},
          Mistake{{"export", a, b, "--data", "dpm", "--period", "hours", "-o", dir.File("x.txt")}, 2},
          Mistake{{"export", a, "--data", "dpm", "--period", "hours", "--files", "2"}, 2},
          Mistake{{"export", a, "--data", "dpm", "--period", "hours", "-o", dir.File("x.KL3")}, 1}}) {
        EXPECT_EQ(RunKelpCli(m.Args).Status, m.Status) << m.Args[2] << " " << m.Args.back();
    }
    EXPECT_FALSE(FileExists(dir.File("x.KL3")));
}

} // namespace
} // namespace kelp
