// kelp-cli settings: new, write-card, show and gains.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/registry.h"
#include "settings/gain_table.h"
#include "settings/settings_layout.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

TEST(SettingsCli, NewWritesTheBlockOfTheLoggerWithItsSettings) {
    TempDir dir;
    const auto run = RunKelpCli({"settings", "new", "--logger", "489", "--preset", "porpoise", "--set",
                                 "gain=120", "--set", "Alerting device=high", "--set", "alerting-khz=130",
                                 "--set", "trigger=on", "--set", "N of clicks=12", "-o", dir.File("p.KLS")});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, dir.File("p.KLS") + " written\n");
    LoggerSettings s = DefaultsForLogger(489);
    ApplyPorpoisePreset(s, BuiltInGainTable());
    s.Gain = 120;
    s.Alerting = AlertingHighPower;
    s.AlertingkHz = 130;
    s.Trigger = true;
    s.TriggerClicks = 12;
    const auto block = BuildSettingsBlock(s, 2'000'000);
    EXPECT_EQ(ReadFileBytes(dir.File("p.KLS")), std::vector<std::uint8_t>(block.begin(), block.end()));
    EXPECT_EQ(block[92], 141);
}

TEST(SettingsCli, RefusalsAndBadSettings) {
    TempDir dir;
    auto run = RunKelpCli({"settings", "new", "--logger", "1500", "-o", dir.File("x.KLS")});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "Gain value required\n");
    run = RunKelpCli({"settings", "new", "--logger", "2001", "--set", "gain=5", "-o", dir.File("x.KLS")});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(
        run.Err.find("KELP number 2001 not registered.  Please download the latest version of KELP.exe"),
        std::string::npos);
    run = RunKelpCli({"settings", "new", "--logger", "6", "--set", "to=256", "-o", dir.File("x.KLS")});
    EXPECT_EQ(run.Status, 2);
    run = RunKelpCli({"settings", "new", "--logger", "6", "--set", "colour=red", "-o", dir.File("x.KLS")});
    EXPECT_EQ(run.Status, 2);
    run = RunKelpCli({"settings", "new", "--logger", "6", "--set", "minutes-off=3", "-o", dir.File("x.KLS")});
    EXPECT_EQ(run.Status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.KLS")));
}

TEST(SettingsCli, LabGainRegistryLetsALoggerBeWritten) {
    TempDir dir;
    WriteFileBytes(dir.File("lab.tsv"), {'5', '0', '\t', '9', '9', '\n'});
    auto run = RunKelpCli(
        {"settings", "new", "--logger", "50", "--gains", dir.File("lab.tsv"), "-o", dir.File("l.KLS")});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReadFileBytes(dir.File("l.KLS"))[64], 99); // layout 0: gain at 64
    run = RunKelpCli({"settings", "gains", "--gains", dir.File("lab.tsv")});
    EXPECT_NE(run.Out.find("50\t99\n"), std::string::npos);
    EXPECT_NE(run.Out.find("1036\t87\n"), std::string::npos);
    run = RunKelpCli({"settings", "gains", "--gains", dir.File("none.tsv")});
    EXPECT_EQ(run.Status, 1);
}

TEST(SettingsCli, WriteCardThenShow) {
    TempDir dir;
    std::vector<std::uint8_t> setup(2048, 0xA5);
    WriteFileBytes(dir.File("SETUP.ORV"), setup);
    auto run = RunKelpCli({"settings", "write-card", dir.File("SETUP.ORV"), "--logger", "104", "--set",
                           "delay=90", "--set", "click-limit=0"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "SETUP file changed\n");
    const auto after = ReadFileBytes(dir.File("SETUP.ORV"));
    ASSERT_EQ(after.size(), setup.size());
    EXPECT_TRUE(std::equal(after.begin() + 128, after.end(), setup.begin() + 128));

    run = RunKelpCli({"settings", "show", dir.File("SETUP.ORV")});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    EXPECT_NE(run.Out.find("Source\tFrom SETUP.ORV\nKELP number\t104\n"), std::string::npos);
    EXPECT_NE(run.Out.find("Setup File version \t1\n"), std::string::npos);
    EXPECT_NE(run.Out.find("Delay start by  .. mins\t90 mins to start\n"), std::string::npos);
    EXPECT_NE(run.Out.find("Limit on clicks logged in any min\tno limit\n"), std::string::npos);
    EXPECT_NE(run.Out.find("Gain (fixed)\t1\n"), std::string::npos);
    EXPECT_NE(run.Out.find("Alerting device\tOFF\n"), std::string::npos);

    run = RunKelpCli({"settings", "show", dir.File("SETUP.ORV"), "--as-logger", "50"});
    EXPECT_NE(run.Out.find("Setup File version \t0\n"), std::string::npos);
    EXPECT_EQ(run.Out.find("Alerting device"), std::string::npos);

    run = RunKelpCli({"settings", "show", dir.File("missing.ORV")});
    EXPECT_EQ(run.Status, 1);
}

} // namespace
} // namespace kelp
