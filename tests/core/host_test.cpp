#include <gtest/gtest.h>

#include "core/headless_host.h"
#include "core/program.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

TEST(Progress, StepRule) {
    ProgressRule p;
    p.Start(150, 0); // (150 div 100) - 1 = 0
    EXPECT_EQ(p.Step(), 0);
    EXPECT_EQ(p.PositionFor(37), 37);
    EXPECT_EQ(p.PositionFor(150), 100); // the bar limits the position
    p.Start(100'000, 0);
    EXPECT_EQ(p.Step(), 999);
    EXPECT_EQ(p.PositionFor(99'900), 100); // reaches 100 a little before the end
    EXPECT_EQ(p.PositionFor(998), 0);
    EXPECT_EQ(p.PositionFor(999), 1);
    p.Start(1'000, 500);
    EXPECT_EQ(p.Step(), 4);
    EXPECT_EQ(p.PositionFor(520), 5);
    EXPECT_EQ(p.PositionFor(100), 0);
}

TEST(Progress, HostShowsAndHidesTheBar) {
    HeadlessHost host;
    host.StartProgress("... mapping file ...", 1'000'000, 0);
    EXPECT_TRUE(host.ProgressVisible);
    EXPECT_EQ(host.ProgressLabels.back(), "... mapping file ...");
    host.StepProgress(500'000);
    EXPECT_EQ(host.ProgressPosition, 50);
    host.EndProgress("");
    EXPECT_FALSE(host.ProgressVisible);
    EXPECT_EQ(host.ProgressLabels.back(), "");
    EXPECT_EQ(host.EventsProcessed, 2);
    // An empty start text leaves the label alone.
    host.StartProgress("", 10, 0);
    EXPECT_EQ(host.ProgressLabels.size(), 2u);
}

TEST(ResultsPage, ChangedFlagFollowsTheButtons) {
    ResultsPage page;
    EXPECT_FALSE(page.Changed());
    page.Append("a\tb");
    page.Append(std::vector<std::string>{"c", "d"});
    EXPECT_TRUE(page.Changed());
    EXPECT_EQ(page.Text(), "a\tb\nc\nd");
    EXPECT_EQ(page.CopyAll(), "a\tb\nc\nd");
    EXPECT_FALSE(page.Changed());
    EXPECT_EQ(page.Lines().size(), 3u);
    EXPECT_EQ(page.CutAll(), "a\tb\nc\nd");
    EXPECT_TRUE(page.Lines().empty());
    EXPECT_FALSE(page.Changed());
    page.Append("x");
    page.Clear();
    EXPECT_FALSE(page.Changed());
    page.Append("x");
    page.MarkSaved();
    page.ClearByDoubleClick();
    EXPECT_TRUE(page.Changed());
    int calls = 0;
    page.OnChange = [&] { ++calls; };
    page.SetText("one\r\ntwo\n");
    EXPECT_EQ(page.Lines(), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(calls, 1);
}

TEST(ResultsPage, SaveRule) {
    EXPECT_EQ(ResultsFileName("/x/notes"), "/x/notes.txt");
    EXPECT_EQ(ResultsFileName("/x/notes.csv"), "/x/notes.csv");
    EXPECT_EQ(ResultsFileName("abc"), "abc");     // three characters or fewer stay as they are
    EXPECT_EQ(ResultsFileName("a.b.c"), "a.b.c"); // fourth from the end is a dot
    EXPECT_EQ(ResultsFileName("a.b.cd"), "a.b.cd.txt");
}

TEST(ResultsPage, SavingWritesLinesAndClearsTheFlag) {
    testing::TempDir dir;
    HeadlessHost host;
    host.Results().Append("first\t1");
    host.Results().Append("second\t2");
    host.SaveAnswers.push_back(dir.File("notes"));
    ASSERT_TRUE(SaveResultsText(host, "pod.KL1"));
    EXPECT_EQ(host.Dialogs.back().Title, "Save DataMemo text as ....");
    EXPECT_EQ(host.Dialogs.back().Filter, "Text files|*.txt*|All files|*.*");
    EXPECT_EQ(host.Dialogs.back().InitialName, "Notes on pod.KL1.txt");
    const auto bytes = testing::ReadFileBytes(dir.File("notes.txt"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "first\t1\nsecond\t2\n");
    EXPECT_FALSE(host.Results().Changed());

    // Cancelling saves nothing and keeps the flag.
    host.Results().Append("third");
    EXPECT_FALSE(SaveResultsText(host, "pod.KL1"));
    EXPECT_TRUE(host.Results().Changed());

    // A folder that does not exist: the system's text, then the program's own message.
    host.SaveAnswers.push_back(dir.File("missing/notes.txt"));
    EXPECT_FALSE(SaveResultsText(host, "pod.KL1"));
    EXPECT_EQ(host.DurationOf("Failed to create jottings file " + dir.File("missing/notes.txt")), 3000);
    EXPECT_EQ(host.Messages[host.Messages.size() - 2].Milliseconds, 2000);
    EXPECT_TRUE(host.Results().Changed());
}

TEST(KeepAwake, SettingTheSameStateDoesNothing) {
    HeadlessHost host;
    host.KeepAwake().SetState(false);
    EXPECT_TRUE(host.KeepAwakeChanges.empty());
    host.KeepAwake().SetState(true);
    host.KeepAwake().SetState(true);
    host.KeepAwake().SetState(false);
    EXPECT_EQ(host.KeepAwakeChanges, (std::vector<bool>{true, false}));
    try {
        KeepAwakeScope scope(host.KeepAwake());
        EXPECT_TRUE(host.KeepAwake().State());
        throw std::runtime_error("download failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(host.KeepAwake().State());
}

TEST(HeadlessHost, AnswersAndRecords) {
    HeadlessHost host;
    host.YesNoAnswers = {true};
    EXPECT_TRUE(host.AskYesNo("Proceed?"));
    EXPECT_FALSE(host.AskYesNo("Again?")); // the default answer
    host.ShowTimedMessage(5000, "File type not recognised");
    host.ShowMessage("No slot free for another file.  Please close a file and try again");
    EXPECT_TRUE(host.Showed("File type not recognised"));
    EXPECT_EQ(host.DurationOf("File type not recognised"), 5000);
    EXPECT_EQ(host.MessageTexts().size(), 4u);
    host.EscapeAfterEvents = 3;
    host.ProcessEvents();
    host.ProcessEvents();
    EXPECT_FALSE(host.EscapeHeld());
    host.Wait(1000);
    EXPECT_TRUE(host.EscapeHeld());
    EXPECT_EQ(host.MillisecondsWaited, 1000);
}

TEST(Program, SlotsAndSubsystemStates) {
    struct Counter {
        int Value = 0;
    };
    Program a, b;
    EXPECT_EQ(a.Slot(2).Index, 2);
    EXPECT_FALSE(a.Slot(1).IsOpen);
    a.State<Counter>().Value = 5;
    EXPECT_EQ(a.State<Counter>().Value, 5);
    EXPECT_EQ(b.State<Counter>().Value, 0); // nothing is shared between programs
}

} // namespace
} // namespace kelp
