#include <functional>
#include <map>

#include "tests/files/files_fixture.h"

namespace kelp {
namespace {

// What a terminal would draw of the progress: per caption, the total and the last step.
struct RecordedProgress : HeadlessConsole {
    struct Bar {
        std::int64_t Total = 0;
        std::int64_t Last = 0;
        int Steps = 0;
    };
    std::map<std::string, Bar> Bars;
    std::string Current;
    int Running = 0;
    void ProgressStarted(const HeadlessHost*, const std::string& caption, std::int64_t total,
                         std::int64_t) override {
        Current = caption;
        Bars[caption].Total = total;
        ++Running;
    }
    void ProgressStepped(const HeadlessHost*, std::int64_t value) override {
        Bars[Current].Last = value;
        ++Bars[Current].Steps;
    }
    void ProgressLabel(const HeadlessHost*, const std::string&) override {}
    void ProgressEnded(const HeadlessHost*) override { --Running; }
    void BatchFile(int, int) override {}
    void EventPoint() override {}
    bool StopAsked() override { return false; }
};

using FileProgressTest = FilesTest;

TEST_F(FileProgressTest, LongCopiesAndReadsStepTheBarToTheirEndAndGiveTheLabelBack) {
    const std::string kl1 = Kl1("one.KL1", Day(1), 4000);
    const std::string two = Kl1("two.KL1", Day(4), 4000);
    const std::string kl3 = Data("t.KL3", FileKind::KL3, Day(1), 4000);
    struct Case {
        const char* Caption;
        std::function<void(HeadlessHost&)> Run;
        const char* LabelAfter;
    };
    const Case cases[] = {
        {"... copying one.KL1 ...",
         [&](HeadlessHost& h) {
             OpenDataFile(program, h, kl1, 1);
             program.ProgressLabel = "before";
             CopySelectedPeriod(program, h, true);
         },
         "before"},
        {"... copying t.KL3 ...",
         [&](HeadlessHost& h) {
             h.OpenAnswers = {{kl3}};
             program.ProgressLabel = "before";
             CreateEditCopies(program, h);
         },
         "before"},
        // Verify leaves its count of days and hours in the label.
        {"... verifying one.KL1 ...",
         [&](HeadlessHost& h) {
             OpenDataFile(program, h, kl1, 1);
             VerifyOpenFiles(program, h);
         },
         "2d 18h"},
        {"... appending two.KL1 ...",
         [&](HeadlessHost& h) {
             OpenDataFile(program, h, kl1, 1);
             h.OpenAnswers = {{two}};
             AppendFiles(program, h);
         },
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Caption);
        RecordedProgress bars;
        AttachHeadlessConsole(&bars);
        {
            HeadlessHost h;
            AttachHeadlessConsole(nullptr);
            c.Run(h);
            // The label after the bar: the operation's own, else the one before.
            if (c.LabelAfter) {
                EXPECT_EQ(h.ProgressLabels.back(), c.LabelAfter);
            }
            CloseAllFiles(program, h);
        }
        ASSERT_EQ(bars.Bars.count(c.Caption), 1u);
        const RecordedProgress::Bar& bar = bars.Bars[c.Caption];
        EXPECT_GE(bar.Last * 10, bar.Total * 9);
        EXPECT_LE(bar.Steps, 101);
        EXPECT_EQ(bars.Running, 0);
    }
}

} // namespace
} // namespace kelp
