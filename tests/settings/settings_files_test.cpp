// Writing KLS files and SETUP.ORV from the page, and reading settings back from
// SETUP.ORV, KLS, DATA0.ORV and data file headers.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/headless_host.h"
#include "settings/settings_page.h"
#include "settings/settings_reader.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

std::size_t BoxAt(SettingsBox box) {
    return static_cast<std::size_t>(box);
}

class SettingsFilesTest : public ::testing::Test {
protected:
    Program program;
    HeadlessHost host;
    SettingsPage& page = SettingsPageOf(program);
    TempDir dir;

    void Enter(int logger) { TargetKELPNumberEditChange(program, host, std::to_string(logger)); }
    void Set(SettingsBox box, int value) { SettingsBoxChange(program, box, std::to_string(value)); }
    // Writes a KLS file through the save dialog; returns its bytes.
    std::vector<std::uint8_t> WriteKLS(const std::string& name) {
        host.SaveAnswers.push_back(dir.File(name));
        EXPECT_TRUE(RewriteSETUPfileBtnClick(program, host, SetupTarget::SettingsFile));
        return ReadFileBytes(dir.File(name));
    }
};

TEST_F(SettingsFilesTest, SettingsFileHoldsTheWholeBlock) {
    Enter(1036);
    const auto bytes = WriteKLS("a.KLS");
    ASSERT_EQ(host.Dialogs.size(), 1u);
    EXPECT_EQ(host.Dialogs[0].Title, "Create .KLS settings file");
    EXPECT_EQ(host.Dialogs[0].Filter, "KELP settings files *.KLS or *.ORV|*.*");
    EXPECT_EQ(host.Dialogs[0].InitialName, "Temporary Gain87 sea  settings.KLS");
    const auto block = BuildSettingsBlock(DefaultsForLogger(1036), 2'000'000);
    EXPECT_EQ(bytes, std::vector<std::uint8_t>(block.begin(), block.end()));
    EXPECT_EQ(host.DurationOf(dir.File("a.KLS") + " written"), 3000);
    EXPECT_EQ(page.CardSizeLabel, "1GB  (2,000,000 blocks)");
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.KLS.part")));

    SettingsBoxChange(program, SettingsBox::SwitchAngleTo, "255");
    EXPECT_EQ(ProposedSettingsFileName(page), "Temporary Gain87 tank  settings.KLS");
    SettingsBoxChange(program, SettingsBox::SwitchAngleTo, "0255"); // not exactly "255"
    EXPECT_EQ(ProposedSettingsFileName(page), "Temporary Gain87 sea  settings.KLS");

    host.SaveAnswers.push_back(std::nullopt); // cancelled: nothing written, nothing said
    host.Messages.clear();
    EXPECT_FALSE(RewriteSETUPfileBtnClick(program, host, SetupTarget::SettingsFile));
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(SettingsFilesTest, Refusals) {
    Enter(1500); // registered, but no gain
    EXPECT_FALSE(RewriteSETUPfileBtnClick(program, host, SetupTarget::SettingsFile));
    EXPECT_EQ(host.DurationOf("Gain value required"), 3000);
    EXPECT_TRUE(host.Dialogs.empty());

    Enter(50);
    Set(SettingsBox::Gain, 0);
    EXPECT_FALSE(RewriteSETUPfileBtnClick(program, host, SetupTarget::SDCard));
    EXPECT_TRUE(host.Dialogs.empty());

    Set(SettingsBox::Gain, 70);
    TargetKELPNumberEditChange(program, host, "2001");
    host.Messages.clear();
    EXPECT_FALSE(RewriteSETUPfileBtnClick(program, host, SetupTarget::SettingsFile));
    EXPECT_TRUE(host.Showed(NotRegisteredMessage(2001)));
    EXPECT_TRUE(host.Dialogs.empty());

    page.Text[BoxAt(SettingsBox::TargetKELPNumber)] = "five"; // a box the window did not check
    EXPECT_FALSE(RewriteSETUPfileBtnClick(program, host, SetupTarget::SettingsFile));
    EXPECT_TRUE(host.Showed("Please enter valid KELP number"));
    EXPECT_TRUE(host.Dialogs.empty());

    // A folder as the chosen name cannot be created; the reason is shown.
    Enter(6);
    host.SaveAnswers.push_back(dir.Path());
    host.Messages.clear();
    EXPECT_FALSE(RewriteSETUPfileBtnClick(program, host, SetupTarget::SettingsFile));
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text.rfind(dir.Path() + " not written.  ", 0), 0u);
}

TEST_F(SettingsFilesTest, SetupFileChangesOnlyItsFirst128Bytes) {
    std::vector<std::uint8_t> original(1500);
    for (std::size_t i = 0; i < original.size(); ++i) original[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const std::string setup = dir.File("SETUP.ORV");
    WriteFileBytes(setup, original);
    // The card's data files give its size.
    WriteFileBytes(dir.File("DATA0.ORV"), {});
    std::filesystem::resize_file(dir.File("DATA0.ORV"), 4'194'304LL * 512);

    Enter(50);
    Set(SettingsBox::Gain, 140);
    host.OpenAnswers.push_back({setup});
    ASSERT_TRUE(RewriteSETUPfileBtnClick(program, host, SetupTarget::SDCard));
    ASSERT_EQ(host.Dialogs.size(), 1u);
    EXPECT_EQ(host.Dialogs[0].Title, "Select SETUP.ORV file on SD card to be modified");
    EXPECT_EQ(host.Dialogs[0].Filter, "*.ORV");
    EXPECT_EQ(host.Dialogs[0].InitialName, "SETUP.ORV");

    LoggerSettings expected = DefaultsForLogger(50);
    expected.Gain = 140;
    const auto block = BuildSettingsBlock(expected, 4'194'304 - 33);
    const auto after = ReadFileBytes(setup);
    ASSERT_EQ(after.size(), original.size());
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + 128, block.begin()));
    EXPECT_TRUE(std::equal(after.begin() + 128, after.end(), original.begin() + 128));
    EXPECT_EQ(page.CardSizeLabel, "2GB  (4,194,271 blocks)");
    EXPECT_EQ(host.MillisecondsWaited, 5000);
    EXPECT_EQ(host.DurationOf("SETUP file changed"), 2000);
    EXPECT_EQ(page.SetupButtonCaption, "Change SETUP on SD card");
    EXPECT_NE(std::find(host.Changes.begin(), host.Changes.end(), "settings"), host.Changes.end());
}

TEST_F(SettingsFilesTest, SetupFileThatCannotBeOpened) {
    Enter(6);
    host.OpenAnswers.push_back({dir.File("SETUP.ORV")}); // missing
    EXPECT_FALSE(RewriteSETUPfileBtnClick(program, host, SetupTarget::SDCard));
    EXPECT_TRUE(host.Showed("SETUP.ORV not opened successfully"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("SETUP.ORV")));
    EXPECT_EQ(page.SetupButtonCaption, "Change SETUP on SD card");

    host.OpenAnswers.push_back({}); // cancelled
    host.Messages.clear();
    EXPECT_FALSE(RewriteSETUPfileBtnClick(program, host, SetupTarget::SDCard));
    EXPECT_TRUE(host.Messages.empty());
}

// Settings written to SETUP.ORV for a logger, read back by a fresh program.
class RoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(RoundTrip, SetupFileReadsBackToTheSameSettings) {
    const int logger = GetParam();
    TempDir dir;
    Program writer;
    HeadlessHost host;
    TargetKELPNumberEditChange(writer, host, std::to_string(logger));
    auto& w = SettingsPageOf(writer);
    SettingsBoxChange(writer, SettingsBox::Gain, "77");
    SettingsBoxChange(writer, SettingsBox::SwitchAngleFrom, "60");
    SettingsBoxChange(writer, SettingsBox::SwitchAngleTo, "190");
    SettingsBoxChange(writer, SettingsBox::StartDelay, "720");
    SettingsBoxChange(writer, SettingsBox::HRIntercept, "5");
    StepMinutesOff(writer);
    StepClickLimit(writer);
    StepFilter(writer);
    if (w.Settings.SettingsLayout == 1) StepAlerting(writer); // layout 0 does not read it back
    // The card's SETUP.ORV as the card formatter left it, with the logger version at byte 191.
    std::vector<std::uint8_t> setup(512);
    setup[191] = static_cast<std::uint8_t>(LoggerVersionFor(logger));
    WriteFileBytes(dir.File("SETUP.ORV"), setup);
    host.OpenAnswers.push_back({dir.File("SETUP.ORV")});
    ASSERT_TRUE(RewriteSETUPfileBtnClick(writer, host, SetupTarget::SDCard));

    Program reader;
    HeadlessHost readerHost;
    ASSERT_TRUE(ReadSettingsFromFile(reader, readerHost, dir.File("SETUP.ORV")));
    auto& r = SettingsPageOf(reader);
    EXPECT_TRUE(readerHost.Messages.empty());
    EXPECT_EQ(r.LoggerNumberLabel, std::to_string(logger));
    EXPECT_EQ(r.SourceLabel, "From SETUP.ORV");
    LoggerSettings expected = w.Settings;
    expected.LoggerNumber = 0; // the number box is cleared; the number is in its label
    if (expected.SettingsLayout == 0) {
        // Layout 0 carries neither the layout-1 detector settings nor the alerting state.
        expected.HRIntercept = r.Settings.HRIntercept;
        expected.LowBias = r.Settings.LowBias;
        expected.HighBias = r.Settings.HighBias;
        expected.Alerting = r.Settings.Alerting;
    }
    EXPECT_EQ(r.Settings, expected);
    EXPECT_EQ(r.FilterText, w.FilterText);
    EXPECT_EQ(r.ClickLimitText, w.ClickLimitText);
    EXPECT_EQ(r.DelayLabel, "720 mins to start");
    for (SettingsBox box : {SettingsBox::Gain, SettingsBox::SwitchAngleFrom, SettingsBox::SwitchAngleTo,
                            SettingsBox::Hysteresis, SettingsBox::BWThreshold, SettingsBox::MinCycles})
        EXPECT_EQ(r.Text[BoxAt(box)], w.Text[BoxAt(box)]);

    // Written again, the read settings give the same bytes (the logger number aside).
    const auto again = BuildPageSettingsBlock(r);
    auto first = ReadFileBytes(dir.File("SETUP.ORV"));
    EXPECT_TRUE(std::equal(again.begin(), again.begin() + 126, first.begin()));
}

INSTANTIATE_TEST_SUITE_P(Loggers, RoundTrip, ::testing::Values(50, 104, 488, 489, 1036));

TEST_F(SettingsFilesTest, SettingsFileWithoutANumberAndShowingItAsForALogger) {
    Enter(50);
    Set(SettingsBox::Gain, 140);
    StepFilter(program); // 10kHz
    WriteKLS("field.KLS");

    Program other;
    HeadlessHost h;
    ASSERT_TRUE(ReadSettingsFromFile(other, h, dir.File("field.KLS")));
    auto& r = SettingsPageOf(other);
    EXPECT_EQ(r.LoggerNumberLabel, "0");
    EXPECT_EQ(r.Settings.SettingsLayout, 1);
    EXPECT_EQ(
        h.MessageTexts(),
        std::vector<std::string>{"No KELP number. Enter the number in Show settings as for KELP number ..."});
    EXPECT_NE(r.Settings.Gain, 140); // layout 0 bytes decoded as layout 1

    h.Messages.clear();
    ShowSettingsAsForChange(other, h, "50");
    EXPECT_TRUE(h.Messages.empty());
    EXPECT_EQ(r.Settings.SettingsLayout, 0);
    EXPECT_EQ(r.Settings.Gain, 140);
    EXPECT_EQ(r.FilterText, "10kHz");
    EXPECT_EQ(r.CardSizeLabel, "1GB    (2,000,000 blocks)");
    EXPECT_EQ(r.LoggerNumberLabel, "0");

    ShowSettingsAsForChange(other, h, "0"); // decodes as logger 1: layout 0
    EXPECT_EQ(r.Settings.SettingsLayout, 0);
    ShowSettingsAsForChange(other, h, "1036");
    EXPECT_EQ(r.Settings.SettingsLayout, 1);
    EXPECT_NE(r.CardSizeLabel.find("GB  ("), std::string::npos);
    ShowSettingsAsForChange(other, h, "x");
    EXPECT_EQ(r.Text[BoxAt(SettingsBox::ShowAsKELPNumber)], "0");
}

TEST_F(SettingsFilesTest, DataFileHeaderOfALoggerDecodesWithoutMessage) {
    testing::DataFileBuilder builder(FileKind::KL3);
    LoggerSettings s = DefaultsForLogger(1036);
    s.Alerting = AlertingHighPower;
    s.AlertingkHz = 120; // byte 140
    s.ClickLimit = 0;    // written as 128
    s.MinutesOff = 4;
    WriteSettingsArea(builder.Header().Settings(), s, 1, 123456);
    builder.Header().SetLoggerNumberText("1234");
    builder.Header().SetYearMade("2019");
    builder.Header().SetLoggerVersion(1);
    builder.Minute().Click(testing::MakeClick(1000));
    const std::string path = builder.Write(dir.File("deployment.KL3"));
    ASSERT_EQ(builder.Header().Settings()[92 - 64], 140);

    ASSERT_TRUE(ReadSettingsFromFile(program, host, path));
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_EQ(page.LoggerNumberLabel, "1234");
    EXPECT_EQ(page.SourceLabel, "From deployment.KL3");
    EXPECT_EQ(page.YearMadeLabel, "Made in 2019");
    EXPECT_EQ(page.Settings.SettingsLayout, 1);
    EXPECT_EQ(page.Settings.LoggerVersion, 1);
    EXPECT_EQ(page.ClickLimitText, "no limit");
    EXPECT_EQ(page.Settings.ClickLimit, 128);
    EXPECT_EQ(page.AlertingText, "High power");
    EXPECT_EQ(page.Text[BoxAt(SettingsBox::AlertingkHz)], "120");
    EXPECT_EQ(page.MinutesOffText, "1 min ON, 4 mins OFF");
    EXPECT_EQ(page.CardSizeLabel, "1GB  (123,456 blocks)");
    EXPECT_EQ(page.Text[BoxAt(SettingsBox::TargetKELPNumber)], "0");

    // Written again, "no limit" stays 128.
    SettingsBoxChange(program, SettingsBox::Gain, "90");
    EXPECT_EQ(BuildPageSettingsBlock(page)[81], 128);
}

TEST_F(SettingsFilesTest, CardFirstBlockAndOddBytes) {
    // DATA0.ORV of a card taken out before its summary: no number, so layout 1.
    std::vector<std::uint8_t> data0(512 * 3);
    data0[66] = 7; // minutes off: not a code the logger knows
    data0[79] = 5; // a filter code without caption
    data0[81] = 9; // limit code without caption
    data0[92] = 1; // alerting: changes nothing
    data0[191] = 1;
    WriteFileBytes(dir.File("DATA0.ORV"), data0);
    page.FilterText = "40kHz";
    ASSERT_TRUE(ReadSettingsFromFile(program, host, dir.File("DATA0.ORV")));
    EXPECT_EQ(page.LoggerNumberLabel, "0");
    EXPECT_EQ(page.Settings.SettingsLayout, 1);
    EXPECT_EQ(page.MinutesOffText, "ON continuously");
    EXPECT_EQ(page.Settings.MinutesOff, 0);
    EXPECT_EQ(host.MillisecondsWaited, 3000); // "error.. adopting default value.." stood for 3 s
    EXPECT_EQ(page.FilterText, "40kHz");
    EXPECT_EQ(page.Settings.HighPassFilter, 5);
    EXPECT_EQ(page.ClickLimitText, "undetermined");
    EXPECT_EQ(page.AlertingText, "OFF");
    EXPECT_EQ(page.Text[BoxAt(SettingsBox::AlertingkHz)], "120");
    EXPECT_TRUE(page.YearMadeLabel.empty());
    EXPECT_TRUE(host.Showed(NoLoggerNumberMessage));

    // A short file: what is missing reads as 0. A filter byte of 128 is code 0.
    std::vector<std::uint8_t> shortFile(100, 0);
    shortFile[64] = 45;
    WriteFileBytes(dir.File("SETUP.ORV"), shortFile);
    ASSERT_TRUE(ReadSettingsFromFile(program, host, dir.File("SETUP.ORV")));
    EXPECT_EQ(page.Settings.SettingsLayout, 1); // number 0 at 126..127
    EXPECT_EQ(page.Settings.SwitchAngleFrom, 45);
    EXPECT_EQ(page.Settings.Gain, 0);
    EXPECT_EQ(page.FilterText, "80kHz");
    EXPECT_EQ(page.ClickLimitText, "no limit");

    // A file that cannot be opened is ignored.
    const LoggerSettings before = page.Settings;
    host.Messages.clear();
    EXPECT_FALSE(ReadSettingsFromFile(program, host, dir.File("nothing.KL1")));
    EXPECT_EQ(page.Settings, before);
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(SettingsFilesTest, ShownSettingsFollowTheLayout) {
    std::vector<std::uint8_t> bytes(512);
    const auto block = BuildSettingsBlock(DefaultsForLogger(50), 2'000'000);
    std::copy(block.begin(), block.end(), bytes.begin());
    WriteFileBytes(dir.File("SETUP.ORV"), bytes);
    ASSERT_TRUE(ReadSettingsFromFile(program, host, dir.File("SETUP.ORV")));
    const auto lines = ShownSettings(page);
    auto value = [&](const std::string& caption) {
        for (const auto& [c, v] : lines)
            if (c == caption) return v;
        return std::string("<none>");
    };
    EXPECT_EQ(value("KELP number"), "50");
    EXPECT_EQ(value("Setup File version "), "0");
    EXPECT_EQ(value("Card size"), "1GB    (2,000,000 blocks)");
    EXPECT_EQ(value("Continuous?"), "ON continuously");
    EXPECT_EQ(value("High pass filter "), "20kHz");
    EXPECT_EQ(value("Gain (fixed)"), "0");
    EXPECT_EQ(value("HRintercept"), "<none>"); // not in layout 0
    EXPECT_EQ(value("Alerting device"), "<none>");
}

} // namespace
} // namespace kelp
