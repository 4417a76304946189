// kelp-cli trigger: the trigger test and the FWC rule from the command line.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/registry.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using testing::MakeClick;
using testing::TempDir;

const MinuteNumber Start = MakeMinute(2023, 7, 14, 6, 30);

std::string WriteFile(const TempDir& dir) {
    DataFileBuilder b(FileKind::KL1, Start);
    for (int minute = 0; minute < 3; ++minute) {
        b.Minute();
        const int n = minute == 1 ? 30 : 10;
        for (int i = 0; i < n; ++i) {
            ClickRecord c = MakeClick(10'000 + i * 1000, 120, 8, 60 + (minute == 2 ? i * 10 : 0));
            c.EndkHz = 70;
            b.Click(c);
        }
    }
    return b.Write(dir.File("t.KL1"));
}

TEST(SettingsTriggerCli, TriggerListsMinutesAndSummary) {
    TempDir dir;
    const std::string file = WriteFile(dir);
    auto run = RunKelpCli({"trigger", file, "--spl", "50", "--khz-start", "110", "--apostrophe"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, ClickTimeText({Start + 2, 0}, true) + "\n");
    EXPECT_NE(run.Err.find("Batch process completed. Summary on Results page\nFiles processed\t1/1\n"),
              std::string::npos);

    run = RunKelpCli({"trigger", file, "--spl", "300"});
    EXPECT_EQ(run.Status, 2);
    run = RunKelpCli({"trigger", dir.File("none.KL1")});
    EXPECT_EQ(run.Status, 1);
}

TEST(SettingsTriggerCli, FWCRule) {
    TempDir dir;
    const std::string file = WriteFile(dir);
    auto run = RunKelpCli({"trigger", "--fwc", "50", file});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, std::to_string(Start) + "\t0\t10\n" + std::to_string(Start + 1) + "\t0\t30\n" +
                           std::to_string(Start + 2) + "\t300\t10\n");
    run = RunKelpCli({"trigger", "--fwc", "50", file, file});
    EXPECT_EQ(run.Status, 2);
}

} // namespace
} // namespace kelp
