// Registered gains and the defaults each logger number gets.
#include <gtest/gtest.h>

#include "settings/gain_table.h"
#include "settings/logger_settings.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

TEST(LoggerGains, BuiltInRows) {
    const auto& t = BuiltInGainTable();
    const std::pair<int, int> rows[] = {{6, 120},   {8, 68},    {10, 117}, {104, 1},   {109, 255},
                                        {488, 255}, {489, 150}, {500, 50}, {1000, 77}, {1036, 87}};
    for (auto [logger, gain] : rows) EXPECT_EQ(t.GainOf(logger), gain) << logger;
    for (int none : {0, 1, 5, 507, 508, 510, 540, 1500, 2000, 2001, -3}) EXPECT_EQ(t.GainOf(none), 0) << none;
    EXPECT_TRUE(LoggerGainTable::IsRegistered(1500));
    EXPECT_TRUE(LoggerGainTable::IsRegistered(2000));
    EXPECT_FALSE(LoggerGainTable::IsRegistered(2001));
    EXPECT_FALSE(LoggerGainTable::IsRegistered(0));
}

TEST(LoggerGains, UserRegistryOverridesTheRowsItNames) {
    LoggerGainTable t = BuiltInGainTable();
    std::string error;
    ASSERT_TRUE(ApplyGainRegistry("# our loggers\n50\t77\r\n  6   0  # retired\n\n2000 1", t, error))
        << error;
    EXPECT_EQ(t.GainOf(50), 77);
    EXPECT_EQ(t.GainOf(6), 0);
    EXPECT_EQ(t.GainOf(2000), 1);
    EXPECT_EQ(t.GainOf(8), 68); // not named: kept

    const LoggerGainTable before = t;
    EXPECT_FALSE(ApplyGainRegistry("51\t10\n2001\t5\n", t, error));
    EXPECT_EQ(error, "line 2: logger number must be 1 to 2000");
    EXPECT_FALSE(ApplyGainRegistry("51\t256\n", t, error));
    EXPECT_EQ(error, "line 1: gain must be 0 to 255");
    EXPECT_FALSE(ApplyGainRegistry("51\n", t, error));
    EXPECT_EQ(error, "line 1: expected a logger number and a gain");
    EXPECT_FALSE(ApplyGainRegistry("5x1\t20\n", t, error));
    EXPECT_EQ(t, before); // a bad file changes nothing

    testing::TempDir dir;
    EXPECT_FALSE(ApplyGainRegistryFile(dir.File("missing.tsv"), t, error));
    EXPECT_NE(error.find("missing.tsv: "), std::string::npos);
    testing::WriteFileBytes(dir.File("lab.tsv"), {'7', '\t', '9', '9', '\n'});
    ASSERT_TRUE(ApplyGainRegistryFile(dir.File("lab.tsv"), t, error)) << error;
    EXPECT_EQ(t.GainOf(7), 99);
}

TEST(LoggerDefaults, DetectorSettingsByVersion) {
    const LoggerSettings v0 = DefaultsForLogger(488);
    EXPECT_EQ(v0.LoggerVersion, 0);
    EXPECT_EQ(v0.SettingsLayout, 1);
    EXPECT_EQ(v0.Gain, 255);
    EXPECT_EQ(v0.BWThreshold, 30);
    EXPECT_EQ(v0.MinSPL, 1);
    EXPECT_EQ(v0.MaxSPL, 12);
    EXPECT_EQ(v0.HRIntercept, 0);
    EXPECT_EQ(v0.LowBias, 4);
    EXPECT_EQ(v0.HighBias, 255);

    const LoggerSettings v1 = DefaultsForLogger(489);
    EXPECT_EQ(v1.LoggerVersion, 1);
    EXPECT_EQ(v1.Gain, 150);
    EXPECT_EQ(v1.BWThreshold, 22);
    EXPECT_EQ(v1.MinSPL, 3);
    EXPECT_EQ(v1.MaxSPL, 3);
    EXPECT_EQ(v1.HRIntercept, 3);
    EXPECT_EQ(v1.LowBias, 8);
    EXPECT_EQ(v1.HighBias, 50);
    for (const auto& s : {v0, v1}) {
        EXPECT_EQ(s.MinCycles, 3);
        EXPECT_EQ(s.StartSPL, 1);
        EXPECT_EQ(s.Hysteresis, 90);
        EXPECT_EQ(s.Stmax, 250);
        EXPECT_EQ(s.Stmin, 30);
    }
    EXPECT_EQ(DefaultsForLogger(103).SettingsLayout, 0);
    EXPECT_EQ(DefaultsForLogger(104).SettingsLayout, 1);
    EXPECT_EQ(DefaultsForLogger(124).SettingsLayout, 0);
    EXPECT_EQ(DefaultsForLogger(125).SettingsLayout, 1);
    EXPECT_EQ(DefaultsForLogger(1500).Gain, 0);
}

TEST(LoggerDefaults, NumberDefaultsResetTheUserSettings) {
    LoggerSettings s;
    s.LoggerNumber = 6;
    ApplyPorpoisePreset(s, BuiltInGainTable());
    s.Alerting = AlertingLowPower;
    s.SwitchAngleFrom = 50;
    s.SwitchAngleTo = 90;
    s.StartDelay = 60;
    s.MinutesOff = 9;
    s.Trigger = true;
    s.ClickLimit = 0;
    ApplyLoggerDefaults(s, 6, BuiltInGainTable());
    EXPECT_EQ(s, DefaultsForLogger(6));
    EXPECT_EQ(s.HighPassFilter, 2);
    EXPECT_EQ(s.Alerting, AlertingOff);
    EXPECT_EQ(s.SwitchAngleFrom, 0);
    EXPECT_EQ(s.SwitchAngleTo, 110);
    EXPECT_EQ(s.ClickLimit, 2);
    EXPECT_FALSE(s.Trigger);
}

TEST(LoggerDefaults, LowSensitivityPresets) {
    LoggerSettings p;
    p.LoggerNumber = 1036;
    p.HighPassFilter = 3;
    ApplyPorpoisePreset(p, BuiltInGainTable());
    EXPECT_EQ(p.HighPassFilter, 0);
    EXPECT_EQ(p.BWThreshold, 15);
    EXPECT_EQ(p.MinSPL, 5);
    EXPECT_EQ(p.MaxSPL, 20);
    EXPECT_EQ(p.MinCycles, 6);
    EXPECT_EQ(p.StartSPL, 5);
    EXPECT_EQ(p.HRIntercept, 0);
    EXPECT_EQ(p.LowBias, 4);
    EXPECT_EQ(p.HighBias, 255);
    EXPECT_EQ(p.Gain, 87);
    EXPECT_EQ(p.SettingsLayout, 1);
    EXPECT_EQ(p.LoggerVersion, 1);

    LoggerSettings d;
    d.LoggerNumber = 50;
    d.HighPassFilter = 3;
    ApplyDolphinPreset(d, BuiltInGainTable());
    EXPECT_EQ(d.HighPassFilter, 2); // as the defaults left it
    EXPECT_EQ(d.BWThreshold, 22);
    EXPECT_EQ(d.MinSPL, 5);
    EXPECT_EQ(d.MaxSPL, 40);
    EXPECT_EQ(d.MinCycles, 3);
    EXPECT_EQ(d.StartSPL, 5);
    EXPECT_EQ(d.SettingsLayout, 0);
}

TEST(LoggerDefaults, SteppedCaptions) {
    int code = 0;
    std::vector<std::string> seen;
    for (int i = 0; i < 5; ++i, code = NextMinutesOff(code)) seen.push_back(MinutesOffCaption(code));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(seen,
              (std::vector<std::string>{"Logging continuously", "1 min ON, 1 min OFF", "1 min ON, 2 mins OFF",
                                        "1 min ON, 4 mins OFF", "1 min ON, 9 mins OFF"}));
    EXPECT_EQ(NextClickLimit(3), 0);
    EXPECT_EQ(NextClickLimit(128), 1);
    EXPECT_EQ(ClickLimitCaption(0), "No limit");
    EXPECT_EQ(ClickLimitCaption(2), "4096");
    EXPECT_EQ(ClickLimitCaption(3), "65536");
    EXPECT_EQ(ClickLimitCaption(128), "No limit");
    EXPECT_EQ(ClickLimitCaption(7), "");
    EXPECT_EQ(ClickLimitCaption(1, ReadClickLimitWords), "1024");
    EXPECT_EQ(NextFilter(3), 0);
    EXPECT_EQ(FilterCaption(0), "80kHz");
    EXPECT_EQ(FilterCaption(3), "10kHz");
    EXPECT_EQ(NextAlerting(AlertingOff), AlertingHighPower);
    EXPECT_EQ(NextAlerting(AlertingHighPower), AlertingLowPower);
    EXPECT_EQ(NextAlerting(AlertingLowPower), AlertingOff);
    EXPECT_EQ(AlertingCaption(AlertingLowPower), "Low power");
    EXPECT_EQ(TriggerCaption(true), "ON (if present)");
    EXPECT_EQ(SwitchAngleLabel(0), "0deg  ");
    EXPECT_EQ(SwitchAngleLabel(128), "90deg  ");
    EXPECT_EQ(SwitchAngleLabel(255), "180deg  ");
}

} // namespace
} // namespace kelp
