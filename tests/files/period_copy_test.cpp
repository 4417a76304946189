#include <cerrno>

#include "core/file_io.h"
#include "core/map_file.h"
#include "tests/files/files_fixture.h"

namespace kelp {
namespace {

class PeriodCopyTest : public FilesTest {
protected:
    // The bytes a copy of markers [from, to) of `source` holds, with the period's minutes.
    static Bytes Expected(const Bytes& source, int R, std::size_t from, std::size_t to, MinuteNumber first,
                          MinuteNumber last) {
        const auto at = Markers(source, R);
        Bytes b = Slice(source, 0, HeaderLength);
        Put32(b, 256, first);
        Put32(b, 260, last);
        Put32(b, 272, first);
        Put32(b, 276, last);
        const Bytes records = Slice(source, at[from], at[to]);
        b.insert(b.end(), records.begin(), records.end());
        AddEnd(b, R);
        return b;
    }
};

TEST_F(PeriodCopyTest, SelectionOfEveryOpenFileGoesIntoPartFilesByteForByte) {
    const MinuteNumber first = Day(1);
    const std::string kl1 = Kl1("site.KL1", first, 1600);
    const std::string kl3 = Data("site.KL3", FileKind::KL3, first, 1600, 1);
    ASSERT_TRUE(Open(kl1, 1));
    ASSERT_TRUE(Open(kl3, 2));
    const Bytes source1 = Read(kl1);
    const Bytes source3 = Read(kl3);
    program.Options.TimeSelectionSet = true; // 1 day 2 hours from minute 20
    program.SharedStart = first + 20;
    program.SharedEnd = first + 20 + 1559;

    const FilesOutcome out = CopySelectedPeriod(program, host);

    // The duration text keeps its trailing blank.
    const std::string part1 = dir.File("site PART 1d 2h .KL1");
    const std::string part3 = dir.File("site PART 1d 2h .KL3");
    EXPECT_FALSE(out.Failed);
    EXPECT_EQ(out.Files, (std::vector<std::string>{part1, part3}));
    EXPECT_EQ(Read(part1), Expected(source1, 10, 20, 1580, first + 20, first + 1579));
    EXPECT_EQ(Read(part3), Expected(source3, 20, 20, 1580, first + 20, first + 1579));
    EXPECT_EQ(Read(kl1), source1);
    const std::string saved = part1 + " saved.  Size " + ThousandsText(FileSizeOf(part1) / 1024) + "k";
    EXPECT_EQ(host.DurationOf(saved), 1500);
    EXPECT_EQ(FileUtilitiesOf(program).CopySelectionCaption, "Copy selection");
    EXPECT_EQ(program.OpenDialogInitialName, part1);
    EXPECT_EQ(Listing(), (std::vector<std::string>{"site PART 1d 2h .KL1", "site PART 1d 2h .KL3", "site.KL1",
                                                   "site.KL3"}));
}

TEST_F(PeriodCopyTest, PeriodIsCutToEachFilesOwnMinutesAndMarkers) {
    // The shared range of a file of 1..10 March and one of 5..7 March spans both; each copy
    // holds only its own file's minutes, dated by its own first marker.
    const std::string early = Kl1("early.KL1", Day(1), 30);
    const std::string late = Kl1("late.KL1", Day(1) + 10, 10);
    ASSERT_TRUE(Open(early, 1));
    ASSERT_TRUE(Open(late, 2));
    CopySelectedPeriod(program, host);
    EXPECT_EQ(Read(dir.File("late PART 30m.KL1")), Expected(Read(late), 10, 0, 10, Day(1) + 10, Day(1) + 19));
    EXPECT_EQ(Read(dir.File("early PART 30m.KL1")), Expected(Read(early), 10, 0, 30, Day(1), Day(1) + 29));

    // Markers two minutes apart: minutes 4 to 9 are the markers of minutes 4, 6 and 8.
    CloseAllFiles(program, host);
    testing::DataFileBuilder b(FileKind::KL1, Day(2));
    b.MinutesPerMarker(2);
    for (int m = 0; m < 10; ++m) b.Minute().Click(testing::MakeClick(500 + m));
    const std::string cycled = b.Write(dir.File("cycled.KL1"));
    ASSERT_TRUE(Open(cycled, 1));
    program.Options.TimeSelectionSet = true;
    program.SharedStart = Day(2) + 4;
    program.SharedEnd = Day(2) + 9;
    CopySelectedPeriod(program, host);
    EXPECT_EQ(Read(dir.File("cycled PART 6m.KL1")), Expected(Read(cycled), 10, 2, 5, Day(2) + 4, Day(2) + 8));

    // A file wholly outside the selection gets no copy.
    program.SharedStart = Day(3);
    program.SharedEnd = Day(3) + 5;
    EXPECT_TRUE(CopySelectedPeriod(program, host).Failed);
    EXPECT_TRUE(Showed("cycled.KL1 has no data in the selected period"));
}

TEST_F(PeriodCopyTest, FailedCopyLeavesNoFileAndTheSourceAsItWas) {
    struct Case {
        const char* Name;
        FileOperation Operation; // what fails
        int Error;
        bool DiskFull;
        const char* Message; // shown on the failure
        bool SecondTried;    // slot 2 is still copied after slot 1 failed
    };
    const Case cases[] = {
        {"disk full in the records", FileOperation::Write, 0, true, "Disc Full Error", true},
        {"read fails", FileOperation::Read, EIO, false, "Input/output error", true},
        {"folder refuses", FileOperation::Open, EACCES, false, "Failed to create copy file ", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string a = Kl1("a.KL1", Day(1), 50);
        const std::string b = Kl1("b.KL1", Day(1), 50);
        const Bytes beforeA = Read(a);
        ASSERT_TRUE(Open(a, 1));
        ASSERT_TRUE(Open(b, 2));
        BuildMap(program, host, 1, false);
        FileUtilitiesOf(program).CopySelectionCaption.clear();
        FaultPlan plan;
        if (c.DiskFull) {
            plan.DiskFullAfter(HeaderLength + 100, "a PART");
        } else if (c.Operation == FileOperation::Open) {
            plan.Fail(FileOperation::Open, 1, c.Error, "a PART");
        } else {
            plan.Fail(c.Operation, 2, c.Error, "a.KL1"); // the header is read, the records are not
        }
        {
            ScopedFaultPlan installed(plan);
            const FilesOutcome out = CopySelectedPeriod(program, host);
            EXPECT_TRUE(out.Failed);
        }
        EXPECT_TRUE(Showed(c.Message));
        if (c.Operation == FileOperation::Open) {
            EXPECT_EQ(host.DurationOf(c.Message), 60'000);
        }
        EXPECT_EQ(Read(a), beforeA);
        EXPECT_FALSE(FileExists(dir.File("a PART 50m.KL1")));
        EXPECT_FALSE(FileExists(dir.File("a PART 50m.KL1.part")));
        EXPECT_EQ(FileExists(dir.File("b PART 50m.KL1")), c.SecondTried);
        EXPECT_EQ(FileUtilitiesOf(program).CopySelectionCaption, "Copy selection");
        CloseAllFiles(program, host);
        RemoveFile(dir.File("b PART 50m.KL1"));
        host.Messages.clear();
    }
}

TEST_F(PeriodCopyTest, ExistingCopyIsReplacedOnlyWhenAllowed) {
    const std::string a = Kl1("a.KL1", Day(1), 5);
    const std::string old = dir.File("a PART 5m.KL1");
    testing::WriteFileBytes(old, Bytes{1, 2, 3});
    ASSERT_TRUE(Open(a, 1));
    host.YesNoAnswers = {false};
    EXPECT_TRUE(CopySelectedPeriod(program, host).Failed);
    EXPECT_EQ(host.Messages.back().Text, ReplaceQuestion(old));
    EXPECT_EQ(Read(old), (Bytes{1, 2, 3}));
    host.YesNoAnswers = {true};
    EXPECT_FALSE(CopySelectedPeriod(program, host).Failed);
    EXPECT_EQ(Read(old), Expected(Read(a), 10, 0, 5, Day(1), Day(1) + 4));
}

TEST_F(PeriodCopyTest, SameTimeSpanCutsTheTemplateSpanOutOfEachChosenFile) {
    EXPECT_TRUE(CopySameTimeSpan(program, host).Failed);
    EXPECT_TRUE(Showed("File 1 must be open"));

    const std::string target = Kl1("target.KL1", Day(2), 60);
    const std::string covering = Kl1("covering.KL1", Day(2) - 10, 100);
    const std::string later = Kl1("later.KL1", Day(2) + 1, 100);
    const std::string missing = dir.File("vanished.KL1");
    ASSERT_TRUE(Open(target, 1));
    host.OpenAnswers = {{covering, later, missing}};
    const FilesOutcome out = CopySameTimeSpan(program, host);

    const std::string copy = dir.File("covering PART 1h .KL1");
    EXPECT_EQ(out.Files, std::vector<std::string>{copy});
    EXPECT_EQ(Read(copy), Expected(Read(covering), 10, 10, 70, Day(2), Day(2) + 59));
    EXPECT_EQ(host.Results().Lines(),
              (std::vector<std::string>{later + "starts later or ends earlier than target time span",
                                        "ERROR\t\t" + missing}));
    EXPECT_TRUE(out.Failed);
    EXPECT_TRUE(Showed("BUT .....  some Files could not be processed"));
    EXPECT_EQ(program.SourceBox.back(), "Batch copy completed");
    EXPECT_EQ(program.ProgressLabel, "Completed");
    EXPECT_EQ(FileUtilitiesOf(program).SameSpanCaption, "Create copies with same time span");
    EXPECT_FALSE(program.Options.BatchRunning);
    EXPECT_EQ(program.OpenCount(), 0);
    EXPECT_TRUE(program.OpenDialogInitialName.empty());
}

} // namespace
} // namespace kelp
