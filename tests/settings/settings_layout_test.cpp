// The settings block byte by byte in both layouts, and reading it back.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "settings/gain_table.h"
#include "settings/logger_settings.h"
#include "settings/settings_layout.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

// Every byte of the block: the listed offsets hold their values, all others 0.
void ExpectBlock(const SettingsBlock& block, const std::map<int, int>& expected) {
    for (int i = 0; i < SettingsBlockSize; ++i) {
        const auto it = expected.find(i);
        const int want = it == expected.end() ? 0 : it->second;
        EXPECT_EQ(block[static_cast<std::size_t>(i)], want) << "byte " << i;
    }
}

std::map<int, int> MagicBytes() {
    return {{0, 'O'}, {1, 'r'}, {2, 'v'}, {3, 'a'}, {4, 'n'}, {5, 'e'}, {6, 'l'}, {7, 'l'}, {8, 'a'}};
}

LoggerSettings Layout0Sample() {
    LoggerSettings s = DefaultsForLogger(50);
    s.Gain = 140;
    s.Hysteresis = 91;
    s.SwitchAngleFrom = 45;
    s.SwitchAngleTo = 200;
    s.MinutesOff = 4;
    s.StartDelay = 300;
    s.HighPassFilter = 1;
    s.ClickLimit = 3;
    s.MinSPL = 2;
    s.MaxSPL = 13;
    s.StartSPL = 4;
    s.BWThreshold = 31;
    s.Stmin = 33;
    s.Stmax = 240;
    s.MinCycles = 5;
    s.Trigger = true;
    s.TriggerClicks = 7;
    s.TriggerkHzStart = 100;
    s.TriggerkHzEnd = 80;
    s.Alerting = AlertingHighPower;
    s.AlertingkHz = 130;
    return s;
}

TEST(SettingsLayout, Layout0BlockByteForByte) {
    const LoggerSettings s = Layout0Sample();
    ASSERT_EQ(s.SettingsLayout, 0);
    auto expected = MagicBytes();
    expected.insert({{64, 140},  {65, 91},   {66, 45},  {67, 200},      {68, 4},  {70, 1},
                     {71, 44},   {72, 255},  {73, 255}, {74, 255},      {75, 0},  {76, 0x1E},
                     {77, 0x84}, {78, 0x80}, {80, 1},   {81, 3},        {82, 2},  {83, 13},
                     {84, 4},    {85, 31},   {86, 33},  {87, 240},      {88, 5},  {89, 50},
                     {90, 62},   {91, 7},    {92, 1},   {93, 13 + 128}, {126, 0}, {127, 50}});
    ExpectBlock(BuildSettingsBlock(s, 2'000'000), expected); // 2,000,000 = 0x001E8480
}

TEST(SettingsLayout, Layout1BlockByteForByte) {
    LoggerSettings s = DefaultsForLogger(1036);
    ASSERT_EQ(s.SettingsLayout, 1);
    ASSERT_EQ(s.LoggerVersion, 1);
    s.SwitchAngleFrom = 40;
    s.SwitchAngleTo = 215;
    s.MinutesOff = 9;
    s.StartDelay = 0x1234;
    s.HighPassFilter = 3;
    s.ClickLimit = 1;
    s.Stmin = 25;
    s.Stmax = 200;
    s.StartSPL = 2;
    s.MinSPL = 3;
    s.HRIntercept = 3;
    s.BWThreshold = 22;
    s.MinCycles = 4;
    s.MaxSPL = 6;
    s.LowBias = 8;
    s.HighBias = 60;
    s.Alerting = AlertingLowPower;
    s.AlertingkHz = 120;
    s.Trigger = true;
    s.TriggerSPL = 200;
    s.TriggerMinCycles = 3;
    s.TriggerkHzStart = 100;
    s.TriggerkHzEnd = 80;
    s.TriggerClicks = 0x0105;
    auto expected = MagicBytes();
    expected.insert({{64, 40},  {65, 215}, {66, 9},    {68, 0x12},  {69, 0x34},  {70, 255},
                     {71, 255}, {72, 255}, {73, 0x01}, {74, 0x02},  {75, 0x03},  {76, 0x04},
                     {77, 87},  {78, 90},  {79, 3},    {81, 1},     {82, 25},    {83, 200},
                     {84, 2},   {85, 3},   {86, 3},    {87, 22},    {88, 4},     {89, 6},
                     {90, 8},   {91, 60},  {92, 12},   {93, 200},   {94, 3},     {95, 100},
                     {96, 80},  {97, 1},   {98, 5},    {126, 0x04}, {127, 0x0C}, {191, 1}});
    ExpectBlock(BuildSettingsBlock(s, 0x01020304), expected);
}

TEST(SettingsLayout, WrittenReplacementsOfLayout0) {
    LoggerSettings s = DefaultsForLogger(50);
    s.SwitchAngleFrom = 39; // below 40: ON from any angle
    s.SwitchAngleTo = 216;  // above 215: ON to any angle
    s.HighPassFilter = 0;   // 80 kHz
    s.ClickLimit = 0;       // no limit
    s.MinSPL = s.MaxSPL = s.StartSPL = s.BWThreshold = 0;
    s.Stmin = 10;
    s.Stmax = 10;
    s.TriggerkHzStart = 0; // 5000 div max(1, 0), at most a byte
    s.TriggerkHzEnd = 40;
    s.Trigger = false;
    s.TriggerClicks = 9;
    const auto b = BuildSettingsBlock(s, 0);
    EXPECT_EQ(b[66], 0);
    EXPECT_EQ(b[67], 255);
    EXPECT_EQ(b[80], 128);
    EXPECT_EQ(b[81], 128);
    EXPECT_EQ(b[82], 1);
    EXPECT_EQ(b[83], 1);
    EXPECT_EQ(b[84], 1);
    EXPECT_EQ(b[85], 1);
    EXPECT_EQ(b[86], 20);
    EXPECT_EQ(b[87], 30);
    EXPECT_EQ(b[89], 255);
    EXPECT_EQ(b[90], 125);
    EXPECT_EQ(b[91], 0); // trigger off
    EXPECT_EQ(b[92], 0); // alerting OFF
    EXPECT_EQ(b[191], 0);

    s.SwitchAngleFrom = 40;
    EXPECT_EQ(BuildSettingsBlock(s, 0)[66], 40);
}

TEST(SettingsLayout, WrittenReplacementsOfLayout1) {
    LoggerSettings s = DefaultsForLogger(489);
    s.Hysteresis = 5;
    s.HighPassFilter = 0;
    s.ClickLimit = 0;
    s.HRIntercept = 0;
    s.BWThreshold = 0;
    s.MinCycles = 0;
    s.LowBias = 128;
    s.HighBias = 10;
    s.Alerting = AlertingHighPower;
    s.AlertingkHz = 130;
    s.Trigger = false;
    s.TriggerClicks = 300;
    auto b = BuildSettingsBlock(s, 0);
    EXPECT_EQ(b[78], 20);
    EXPECT_EQ(b[79], 128);
    EXPECT_EQ(b[81], 128);
    EXPECT_EQ(b[86], 128);
    EXPECT_EQ(b[87], 128);
    EXPECT_EQ(b[88], 128);
    EXPECT_EQ(b[90], 4);
    EXPECT_EQ(b[91], 50);
    EXPECT_EQ(b[92], 141);
    EXPECT_EQ(b[97], 0); // no click count while the trigger is off
    EXPECT_EQ(b[98], 0);
    s.Alerting = AlertingOff;
    EXPECT_EQ(BuildSettingsBlock(s, 0)[92], 0);
}

TEST(SettingsLayout, LayoutAndVersionByLoggerNumber) {
    EXPECT_EQ(SettingsLayoutFor(0), 1);
    EXPECT_EQ(SettingsLayoutFor(1), 0);
    EXPECT_EQ(SettingsLayoutFor(103), 0);
    EXPECT_EQ(SettingsLayoutFor(104), 1);
    EXPECT_EQ(SettingsLayoutFor(105), 0);
    EXPECT_EQ(SettingsLayoutFor(124), 0);
    EXPECT_EQ(SettingsLayoutFor(125), 1);
    EXPECT_EQ(LoggerVersionFor(488), 0);
    EXPECT_EQ(LoggerVersionFor(489), 1);
}

TEST(SettingsLayout, ReadingBackGivesTheWrittenSettings) {
    for (int logger : {50, 104, 488, 489, 1036}) {
        SCOPED_TRACE(logger);
        LoggerSettings s = DefaultsForLogger(logger);
        s.Gain = 99;
        s.SwitchAngleFrom = 60;
        s.SwitchAngleTo = 180;
        s.StartDelay = 1440;
        s.MinutesOff = 2;
        s.HighPassFilter = 3;
        s.ClickLimit = 1;
        if (s.SettingsLayout == 1) {
            s.HRIntercept = 2; // 0 would be written as 128
            s.Alerting = AlertingHighPower;
            s.AlertingkHz = 140;
        }
        const auto block = BuildSettingsBlock(s, 3'000'000);
        const auto reading = ReadSettingsArea(block.data() + SettingsAreaOffset, s.SettingsLayout);
        EXPECT_EQ(reading.CardSizeBlocks, 3'000'000u);
        EXPECT_EQ(reading.LoggerNumber, logger);
        LoggerSettings back = DefaultsForLogger(logger);
        back.Gain = 0;
        ApplySettingsReading(back, reading);
        EXPECT_EQ(back, s);

        // The defaults, read back and written again, give the same bytes.
        const auto defaults = BuildSettingsBlock(DefaultsForLogger(logger), 2'000'000);
        LoggerSettings again = DefaultsForLogger(logger);
        ApplySettingsReading(again,
                             ReadSettingsArea(defaults.data() + SettingsAreaOffset, again.SettingsLayout));
        EXPECT_EQ(BuildSettingsBlock(again, 2'000'000), defaults);
    }
}

TEST(SettingsLayout, AlertingByteOnReading) {
    LoggerSettings s;
    ApplyAlertingByte(s, 140);
    EXPECT_EQ(s.Alerting, AlertingHighPower);
    EXPECT_EQ(s.AlertingkHz, 120);
    ApplyAlertingByte(s, 12);
    EXPECT_EQ(s.Alerting, AlertingLowPower);
    EXPECT_EQ(s.AlertingkHz, 120);
    ApplyAlertingByte(s, 128); // 0 kHz at low power
    EXPECT_EQ(s.Alerting, AlertingLowPower);
    EXPECT_EQ(s.AlertingkHz, 0);
    s.AlertingkHz = 70;
    for (int unchanged : {1, 143, 255}) {
        ApplyAlertingByte(s, unchanged);
        EXPECT_EQ(s.Alerting, AlertingLowPower);
        EXPECT_EQ(s.AlertingkHz, 70);
    }
    ApplyAlertingByte(s, 0);
    EXPECT_EQ(s.Alerting, AlertingOff);
}

TEST(SettingsLayout, CardSizeFromTheDataFilesOfAFolder) {
    testing::TempDir dir;
    EXPECT_EQ(CardSizeBlocks(dir.Path()), 2'000'000);
    EXPECT_EQ(CardSizeBlocks(""), 2'000'000);
    EXPECT_EQ(CardSizeText(2'000'000), "1GB  (2,000,000 blocks)");
    EXPECT_EQ(CardSizeText(2'000'000, true), "1GB    (2,000,000 blocks)");
    EXPECT_EQ(CardSizeText(4'194'304), "3GB  (4,194,304 blocks)");

    // Sizes are whole blocks per file; the count stops at the first missing file.
    std::vector<std::uint8_t> bytes(512 * 40 + 100);
    testing::WriteFileBytes(dir.File("DATA0.ORV"), bytes);
    testing::WriteFileBytes(dir.File("data1.orv"), bytes);
    testing::WriteFileBytes(dir.File("DATA3.ORV"), bytes);
    EXPECT_EQ(CardSizeBlocks(dir.Path()), 2'000'000); // 80 - 33 is below the least size

    testing::WriteFileBytes(dir.File("DATA2.ORV"), bytes);
    std::filesystem::resize_file(dir.File("DATA0.ORV"), 2'100'000LL * 512 + 100); // sparse
    EXPECT_EQ(CardSizeBlocks(dir.Path()), 2'100'000 + 40 + 40 + 40 - 33);
}

} // namespace
} // namespace kelp
