// The "Settings" page: entering a logger number, the presets, box entry and the
// enabled state of the detector settings.
#include <gtest/gtest.h>

#include "core/headless_host.h"
#include "settings/settings_page.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

std::size_t At(SettingsBox box) {
    return static_cast<std::size_t>(box);
}

class SettingsPageTest : public ::testing::Test {
protected:
    Program program;
    HeadlessHost host;
    SettingsPage& page = SettingsPageOf(program);
};

TEST_F(SettingsPageTest, StartsWithThePageDefaults) {
    EXPECT_EQ(page.Text[At(SettingsBox::TargetKELPNumber)], "0");
    EXPECT_EQ(page.Text[At(SettingsBox::SwitchAngleTo)], "110");
    EXPECT_EQ(page.Text[At(SettingsBox::Gain)], "100");
    EXPECT_EQ(page.Text[At(SettingsBox::HighBias)], "255");
    EXPECT_EQ(page.Text[At(SettingsBox::TriggerkHzEnd)], "80");
    EXPECT_EQ(page.MinutesOffText, "Logging continuously");
    EXPECT_EQ(page.ClickLimitText, "4096");
    EXPECT_EQ(page.FilterText, "20kHz");
    EXPECT_EQ(page.AlertingText, "OFF");
    EXPECT_EQ(page.TriggerText, "OFF");
    EXPECT_EQ(page.AngleToLabel, SwitchAngleLabel(110));
    EXPECT_EQ(page.Settings, LoggerSettings{});
    // Detector settings are fixed outside development mode.
    EXPECT_FALSE(page.Enabled[At(SettingsBox::Gain)]);
    EXPECT_FALSE(page.Enabled[At(SettingsBox::LowBias)]);
    EXPECT_TRUE(page.Enabled[At(SettingsBox::SwitchAngleFrom)]);
    // Every box's default text is a value it accepts.
    for (const auto& info : SettingsBoxes()) {
        EXPECT_EQ(SettingsBoxByName(info.Name), info.Box);
        EXPECT_EQ(SettingsBoxByName(info.Caption), info.Box);
    }
    EXPECT_EQ(SettingsBoxByName("GAIN (FIXED)"), SettingsBox::Gain);
    EXPECT_FALSE(SettingsBoxByName("colour").has_value());
}

TEST_F(SettingsPageTest, EnteringALoggerNumberAppliesItsDefaults) {
    page.LoggerNumberLabel = "77";
    page.SourceLabel = "From X";
    page.CardSizeLabel = "1GB";
    page.DelayLabel = "5 mins to start";
    TargetKELPNumberEditChange(program, host, "1036");
    EXPECT_EQ(page.Settings, DefaultsForLogger(1036));
    EXPECT_EQ(page.Text[At(SettingsBox::TargetKELPNumber)], "1036");
    EXPECT_EQ(page.Text[At(SettingsBox::Gain)], "87");
    EXPECT_EQ(page.Text[At(SettingsBox::BWThreshold)], "22");
    EXPECT_EQ(page.Text[At(SettingsBox::HighBias)], "50");
    EXPECT_TRUE(page.LoggerNumberLabel.empty());
    EXPECT_TRUE(page.SourceLabel.empty());
    EXPECT_TRUE(page.CardSizeLabel.empty());
    EXPECT_TRUE(page.DelayLabel.empty());
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(SettingsPageTest, NumbersThatAreNotLoggers) {
    TargetKELPNumberEditChange(program, host, "50");
    const LoggerSettings before = page.Settings;

    TargetKELPNumberEditChange(program, host, "12a");
    EXPECT_EQ(page.Text[At(SettingsBox::TargetKELPNumber)], "0");
    EXPECT_TRUE(host.Messages.empty());

    TargetKELPNumberEditChange(program, host, "2001");
    EXPECT_EQ(
        host.DurationOf("KELP number 2001 not registered.  Please download the latest version of KELP.exe"),
        3000);
    LoggerSettings expected = before;
    expected.LoggerNumber = 2001;
    EXPECT_EQ(page.Settings, expected); // nothing but the number in its box

    TargetKELPNumberEditChange(program, host, "123456"); // more than 5 digits
    EXPECT_EQ(page.Text[At(SettingsBox::TargetKELPNumber)], "0");
}

TEST_F(SettingsPageTest, PresetsAndTheirMessages) {
    LowSensHPBtnClick(program, host);
    EXPECT_TRUE(
        host.Showed("Please enter the KELP number in 'Create settings for KELP number' to set the file "
                    "structure version and gain"));
    EXPECT_EQ(page.Settings.Gain, 0); // logger 0 has no registered gain
    LowSensDolBtnClick(program, host);
    EXPECT_TRUE(host.Showed(
        "Please enter the KELP number in 'Create settings for KELP number' and then repeat this"));

    host.Messages.clear();
    TargetKELPNumberEditChange(program, host, "6");
    LowSensHPBtnClick(program, host);
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_EQ(page.FilterText, "80kHz");
    EXPECT_EQ(page.Text[At(SettingsBox::MinCycles)], "6");
    EXPECT_EQ(page.Text[At(SettingsBox::MaxSPL)], "20");
    EXPECT_EQ(page.Text[At(SettingsBox::TargetKELPNumber)], "6");
    EXPECT_EQ(page.Text[At(SettingsBox::Gain)], "120");

    TargetKELPNumberEditChange(program, host, "6"); // the number again resets the filter
    EXPECT_EQ(page.FilterText, "20kHz");
    EXPECT_EQ(page.Settings.HighPassFilter, 2);
}

TEST_F(SettingsPageTest, BoxEntry) {
    SettingsBoxChange(program, SettingsBox::SwitchAngleFrom, "128");
    EXPECT_EQ(page.Settings.SwitchAngleFrom, 128);
    EXPECT_EQ(page.AngleFromLabel, "90deg  ");
    SettingsBoxChange(program, SettingsBox::SwitchAngleTo, "x");
    EXPECT_EQ(page.Text[At(SettingsBox::SwitchAngleTo)], "110");
    SettingsBoxChange(program, SettingsBox::SwitchAngleTo, "256"); // not a byte
    EXPECT_EQ(page.Text[At(SettingsBox::SwitchAngleTo)], "110");
    EXPECT_EQ(page.Settings.SwitchAngleTo, 110);
    SettingsBoxChange(program, SettingsBox::StartDelay, "65536"); // not 16 bits
    EXPECT_EQ(page.Settings.StartDelay, 0);
    SettingsBoxChange(program, SettingsBox::StartDelay, "65535");
    EXPECT_EQ(page.Settings.StartDelay, 65535);
    SettingsBoxChange(program, SettingsBox::Gain, "-4");
    EXPECT_EQ(page.Text[At(SettingsBox::Gain)], "100");
    SettingsBoxChange(program, SettingsBox::TriggerClicks, "300");
    EXPECT_EQ(page.Settings.TriggerClicks, 300);
    RestoreSettingsBoxDefault(program, SettingsBox::TriggerClicks);
    EXPECT_EQ(page.Text[At(SettingsBox::TriggerClicks)], "5");

    StepMinutesOff(program);
    StepMinutesOff(program);
    EXPECT_EQ(page.MinutesOffText, "1 min ON, 2 mins OFF");
    StepClickLimit(program);
    StepClickLimit(program);
    EXPECT_EQ(page.ClickLimitText, "No limit");
    StepFilter(program);
    EXPECT_EQ(page.FilterText, "10kHz");
    StepAlerting(program);
    EXPECT_EQ(page.AlertingText, "High power");
    SetTrigger(program, true);
    EXPECT_EQ(page.TriggerText, "ON (if present)");
}

TEST_F(SettingsPageTest, LayoutOneSettingsOnlyInDevelopmentMode) {
    SetSettingsLayout(program, 1);
    EXPECT_FALSE(page.Enabled[At(SettingsBox::HRIntercept)]);
    program.Options.DevelopmentMode = true;
    ShowSettingsOnPage(program);
    EXPECT_TRUE(page.Enabled[At(SettingsBox::HRIntercept)]);
    EXPECT_TRUE(page.Enabled[At(SettingsBox::Gain)]);
    SetSettingsLayout(program, 0);
    EXPECT_FALSE(page.Enabled[At(SettingsBox::HRIntercept)]);
    EXPECT_FALSE(page.Enabled[At(SettingsBox::LowBias)]);
    EXPECT_FALSE(page.Enabled[At(SettingsBox::HighBias)]);
    EXPECT_TRUE(page.Enabled[At(SettingsBox::Gain)]);
}

TEST_F(SettingsPageTest, UserGainRegistry) {
    ASSERT_TRUE(program.RegisteredGain);
    EXPECT_EQ(program.RegisteredGain(1036), 87);
    EXPECT_FALSE(UseGainRegistry(program, host, "/nonexistent/gains.tsv"));
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text.rfind("Logger gain registry not used: /nonexistent/gains.tsv: ", 0), 0u);
    EXPECT_EQ(page.Gains, BuiltInGainTable());

    testing::TempDir dir;
    testing::WriteFileBytes(dir.File("lab.tsv"), {'5', '0', '\t', '6', '6', '\n'});
    ASSERT_TRUE(UseGainRegistry(program, host, dir.File("lab.tsv")));
    EXPECT_EQ(program.RegisteredGain(50), 66); // the file summaries see the lab's gains
    TargetKELPNumberEditChange(program, host, "50");
    EXPECT_EQ(page.Text[At(SettingsBox::Gain)], "66");
    ASSERT_TRUE(UseGainRegistry(program, host, ""));
    EXPECT_EQ(program.RegisteredGain(50), 0);
}

} // namespace
} // namespace kelp
