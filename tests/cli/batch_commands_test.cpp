#include <gtest/gtest.h>

#include "core/file_io.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using testing::MakeClick;

class BatchCommandsTest : public ::testing::Test {
protected:
    // Two hours from 10:00 on day `day` with a "Hi" porpoise click in every tenth minute.
    std::string Kl3(const std::string& name, int day) {
        DataFileBuilder b(FileKind::KL3, MakeMinute(2024, 5, day, 10, 0));
        ClickRecord hi = MakeClick(1'000'000);
        hi.Quality = 3;
        hi.Species = 0;
        for (int m = 0; m < 120; ++m) {
            b.Minute();
            if (m % 10 == 0) b.Click(hi, 7);
        }
        return b.Write(dir.File(name));
    }
    testing::TempDir dir;
};

TEST_F(BatchCommandsTest, ExportBatchOneFileAndItsMergedParts) {
    const std::string a = Kl3("a.KL3", 1), b = Kl3("b.KL3", 2), gone = dir.File("gone.KL3");
    const std::vector<std::string> options{"--data", "dph", "--period", "hours"};
    auto args = [&](std::vector<std::string> head) {
        head.insert(head.end(), options.begin(), options.end());
        return head;
    };
    const std::string report = dir.File("report.txt");
    const CliResult one =
        RunKelpCli(args({"export", "--batch", a, gone, b, "--one-file", "-o", report, "--jobs", "2"}));
    EXPECT_EQ(one.Status, 1);
    EXPECT_NE(one.Out.find("ERROR\t\t" + gone), std::string::npos);
    EXPECT_NE(one.Err.find("1 of 3 files could not be read or exported"), std::string::npos);
    const std::string text = testing::ReadFileText(report);
    EXPECT_NE(text.find("\n1\t01/05/2024 10:59\t1\n"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - (b.size() + 3)), "3\t" + b + "\n");

    std::vector<std::string> merge{"merge", "-o", dir.File("merged.txt")};
    const std::vector<std::string> files{a, gone, b};
    for (int i = 1; i <= 3; ++i) {
        const std::string part = dir.File("p" + std::to_string(i));
        const CliResult p = RunKelpCli(args({"export", "--batch", files[static_cast<std::size_t>(i - 1)],
                                             "--part", std::to_string(i) + "/3", "-o", part}));
        EXPECT_EQ(p.Status, i == 2 ? 1 : 0);
        merge.push_back(part);
    }
    const CliResult m = RunKelpCli(merge);
    EXPECT_EQ(m.Status, 1); // one file of the batch failed
    EXPECT_EQ(testing::ReadFileText(dir.File("merged.txt")), text);

    const CliResult bad = RunKelpCli(args({"export", "--batch", a, "--part", "4/3", "-o", dir.File("p")}));
    EXPECT_EQ(bad.Status, 2);
}

TEST_F(BatchCommandsTest, ListsOnStdoutAndTheirMistakes) {
    const std::string a = Kl3("a.KL3", 1);
    struct Case {
        std::vector<std::string> Args;
        int Status;
        std::string FirstWords; // of the second line of stdout
    };
    for (const Case& c : {Case{{"list", "noise", a, "--threshold", "5"}, 0, "a.KL3\t0.1\t2\t120\t"},
                          Case{{"list", "files", a}, 0, "a.KL3\t'01104\t01/05/2024 10:00\t"},
                          Case{{"list", "settings", a}, 0, "a.KL3\t01104\t"},
                          Case{{"list", "days", a, dir.File("b.KL3")}, 1, "ERROR " + dir.File("b.KL3")},
                          Case{{"list", "files", a, "--threshold", "5"}, 2, ""},
                          Case{{"list", "noise", a, "--threshold", "many"}, 2, ""}}) {
        const CliResult r = RunKelpCli(c.Args);
        EXPECT_EQ(r.Status, c.Status) << c.Args[1] << r.Err;
        if (c.FirstWords.empty()) continue;
        const auto second = r.Out.find('\n') + 1;
        EXPECT_EQ(r.Out.substr(second, c.FirstWords.size()), c.FirstWords) << r.Out;
    }
}

TEST_F(BatchCommandsTest, MinutesAndTad) {
    const std::string a = Kl3("a.KL3", 1);
    const CliResult m = RunKelpCli({"minutes", a, "--from", "01/05/2024 10:00", "--to", "01/05/2024 10:03"});
    EXPECT_EQ(m.Status, 0);
    EXPECT_EQ(
        m.Out.substr(0, m.Out.find("\n01/05/2024 10:02")),
        "a.KL3\nMin\tangle\ttemp\tLastClkTimeInMin\tTimeLost%\tNClxInMin\tnHiClks\tnModClks\tnLoClks\tn?"
        "Clks\n01/05/2024 10:01\t58\t20.0\t0\t0\t0\t1\t0\t0\t0");
    EXPECT_EQ(RunKelpCli({"minutes", a, "--from", "noon"}).Status, 2);

    DataFileBuilder b(FileKind::KL1, MakeMinute(2024, 5, 1, 10, 0));
    b.Minute();
    for (int t : {20'000, 40'000, 60'000}) b.Click(MakeClick(t, 130));
    b.Minute();
    const CliResult t = RunKelpCli({"tad", b.Write(dir.File("t.KL1"))});
    EXPECT_EQ(t.Status, 0);
    EXPECT_EQ(t.Out, "01/05/2024 10:00\t" + std::to_string(MakeMinute(2024, 5, 1, 10, 0)) + "\t3\n");
}

} // namespace
} // namespace kelp
