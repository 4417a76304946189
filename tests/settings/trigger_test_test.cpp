// "Test trigger" and "Test FWC trigger" over recorded files.
#include <gtest/gtest.h>

#include "core/headless_host.h"
#include "core/slots.h"
#include "settings/settings_page.h"
#include "settings/trigger_test.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using testing::MakeClick;
using testing::TempDir;

const MinuteNumber Start = MakeMinute(2024, 3, 1, 12, 0);

// `n` clicks that meet the default trigger (SPL 200, from 100 kHz, 3 cycles, ending below 80 kHz).
void TriggerClicks(DataFileBuilder& b, int n, int endkHz = 70) {
    for (int i = 0; i < n; ++i) {
        ClickRecord c = MakeClick(1000 + i * 1000, 130, 12, 210);
        c.EndkHz = endkHz;
        b.Click(c);
    }
}

class TriggerTest : public ::testing::Test {
protected:
    Program program;
    HeadlessHost host;
    TempDir dir;

    std::string TriggerFile(const std::string& name) {
        DataFileBuilder b(FileKind::KL1, Start);
        b.Minute();
        TriggerClicks(b, 21); // listed
        b.Minute();
        TriggerClicks(b, 20); // not listed
        b.Minute();
        TriggerClicks(b, 20);
        ClickRecord high = MakeClick(400'000, 130, 12, 210);
        high.EndkHz = 90; // ends too high
        b.Click(high);
        b.Click(MakeClick(500'000, 130, 12, 150)); // too quiet
        b.Click(MakeClick(600'000, 90, 12, 210));  // starts too low
        b.Click(MakeClick(700'000, 130, 2, 210));  // too short
        b.Minute();
        TriggerClicks(b, 25); // the last minute, ended by the data
        return b.Write(dir.File(name));
    }
};

TEST_F(TriggerTest, ListsMinutesWithMoreThan20TriggerClicks) {
    const std::string a = TriggerFile("a.KL1");
    const std::string b = TriggerFile("b.KL1");
    host.OpenAnswers.push_back({a, dir.File("missing.KL1"), b});
    EXPECT_EQ(TestTriggerBtnClick(program, host), 2);
    ASSERT_EQ(host.Dialogs.size(), 1u);
    EXPECT_EQ(host.Dialogs[0].Title, "Select one or more files to process");
    EXPECT_TRUE(host.Dialogs[0].MultiSelect);

    const std::string first = ClickTimeText({Start + 1, 0});
    const std::string last = ClickTimeText({Start + 4, 0});
    EXPECT_EQ(host.Results().Lines(), (std::vector<std::string>{first, last, first, last}));
    EXPECT_EQ(program.SourceBox, (std::vector<std::string>{"Batch process completed. Summary on Results page",
                                                           "Files processed\t2/3"}));
    EXPECT_EQ(program.Clicks.Amplitude.Min.Text, "200");
    EXPECT_EQ(program.Clicks.Frequency.Min.Text, "100");
    EXPECT_EQ(program.Clicks.Duration.Min.Text, "3");
    EXPECT_FALSE(program.Slot(1).IsOpen);
    EXPECT_FALSE(program.Options.BatchRunning);
    EXPECT_NE(std::find(host.Changes.begin(), host.Changes.end(), ShowTrainsPageChange), host.Changes.end());
}

TEST_F(TriggerTest, SettingsPageValuesAndListLimits) {
    const std::string a = TriggerFile("a.KL1");
    // With "kHz end" at 95 the third minute's high-ending click counts too.
    SettingsBoxChange(program, SettingsBox::TriggerkHzEnd, "95");
    program.Options.ApostropheBeforeTimes = true;
    TestTriggerOnFiles(program, host, {a});
    EXPECT_EQ(host.Results().Lines(), (std::vector<std::string>{ClickTimeText({Start + 1, 0}, true),
                                                                ClickTimeText({Start + 3, 0}, true),
                                                                ClickTimeText({Start + 4, 0}, true)}));

    // A full Results page gets no more minutes.
    host.Results().Clear();
    for (int i = 0; i < 100; ++i) host.Results().Append("x");
    TestTriggerOnFiles(program, host, {a});
    EXPECT_EQ(host.Results().Lines().size(), 100u);
}

TEST_F(TriggerTest, NoFilesChosen) {
    host.OpenAnswers.push_back({});
    EXPECT_EQ(TestTriggerBtnClick(program, host), 0);
    EXPECT_EQ(host.DurationOf("No files selected"), 2000);
    EXPECT_TRUE(host.Results().Lines().empty());
}

TEST(FWCTrigger, TwoEqualRisesWithinARun) {
    FWCTrigger rule(50);
    rule.Click(1000, 60);
    rule.Click(2000, 70);
    EXPECT_FALSE(rule.Flag());
    rule.Click(3000, 80); // the step 10 again, within 80 div 8
    EXPECT_TRUE(rule.Flag());
    EXPECT_EQ(rule.Count(), 3);
    rule.StartMinute();
    EXPECT_FALSE(rule.Flag());
    EXPECT_EQ(rule.Count(), 0);

    rule.Click(1000, 60);
    rule.Click(2000, 70);
    rule.Click(2000 + FWCRunTicks + 1, 80); // after 250 ms the run starts again
    EXPECT_FALSE(rule.Flag());
    rule.Click(70'000, 90);
    rule.Click(80'000, 100); // 80, 90, 100: equal steps again
    EXPECT_TRUE(rule.Flag());

    FWCTrigger uneven(50);
    for (int spl : {60, 70, 100}) uneven.Click(1000 + spl, spl); // |70 + 10 - 100| is not below 12
    EXPECT_FALSE(uneven.Flag());
    FWCTrigger quiet(50);
    for (int spl : {40, 45, 50}) quiet.Click(1000 + spl, spl); // never above the threshold
    EXPECT_FALSE(quiet.Flag());
}

TEST_F(TriggerTest, FWCLinesPerMinute) {
    DataFileBuilder b(FileKind::KL2, Start);
    ClickRecord c = MakeClick(0, 130, 12, 0);
    c.ClassCode = StatusBurst; // KL2 readers pass cluster statuses from 2 on
    auto clicks = [&](std::initializer_list<std::pair<int, int>> timeAndSpl) {
        for (auto [t, spl] : timeAndSpl) {
            c.Time = t;
            c.SPL = spl;
            b.Click(c);
        }
    };
    b.Minute();
    clicks({{1000, 60}, {2000, 70}, {3000, 80}});
    b.Minute();
    clicks({{1000, 60}, {2000, 70}, {3000, 100}});
    b.Minute();
    clicks({{1000, 60}, {2000, 70}, {80'000, 80}, {90'000, 85}});
    const std::string path = b.Write(dir.File("f.KL2"));

    EXPECT_FALSE(TestFWCtriggerClick(program, host));
    EXPECT_TRUE(host.Showed("File 1 must be open"));
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    host.Results().Clear();
    program.SourceBox.clear();
    ASSERT_TRUE(TestFWCtriggerClick(program, host));
    EXPECT_EQ(host.Results().Lines(), (std::vector<std::string>{std::to_string(Start) + "\t300\t3",
                                                                std::to_string(Start + 1) + "\t0\t3",
                                                                std::to_string(Start + 2) + "\t0\t4"}));
    EXPECT_EQ(program.SourceBox, std::vector<std::string>{"...processing complete..."});

    // A higher threshold from the box: nothing rises above 90 twice.
    FWCBoxChange(program, "90");
    host.Results().Clear();
    TestFWCtriggerClick(program, host);
    EXPECT_EQ(host.Results().Lines()[0], std::to_string(Start) + "\t0\t3");
    FWCBoxChange(program, "abc");
    EXPECT_EQ(TriggerTestStateOf(program).FWCText, "50");
    EXPECT_EQ(TriggerTestStateOf(program).FWCThreshold, 50);
}

} // namespace
} // namespace kelp
