#include <cerrno>

#include "core/file_io.h"
#include "core/reader.h"
#include "tests/files/files_fixture.h"

namespace kelp {
namespace {

using EditCopyTest = FilesTest;

TEST_F(EditCopyTest, KL3FilesGetAByteCopyNamedEdit) {
    host.OpenAnswers = {{}};
    EXPECT_TRUE(CreateEditCopies(program, host).Failed);
    EXPECT_EQ(host.DurationOf("No Files selected"), 2000);

    const std::string a = Data("a.KL3", FileKind::KL3, Day(1), 4000, 1); // more than one 64 KiB block
    const std::string lower = Data("b.kl3", FileKind::KL3, Day(1), 2);
    const std::string kept = Data("c.KL3", FileKind::KL3, Day(1), 2);
    testing::WriteFileBytes(dir.File("c EDIT.KL3"), Bytes{1});
    FileUtilitiesOf(program).MayReplace = [](const std::string&) { return false; };
    host.OpenAnswers = {{a, lower, kept}};
    const FilesOutcome out = CreateEditCopies(program, host);

    EXPECT_EQ(host.Dialogs.back().Title, "Select KL3 files to duplicate");
    EXPECT_EQ(out.Files, std::vector<std::string>{dir.File("a EDIT.KL3")});
    EXPECT_EQ(Read(dir.File("a EDIT.KL3")), Read(a));
    EXPECT_EQ(host.DurationOf("Not a KL3 file: " + lower), 5000);
    EXPECT_EQ(Read(dir.File("c EDIT.KL3")), Bytes{1});
    EXPECT_EQ(FileUtilitiesOf(program).EditCopiesCaption, "Create edit copies");
    EXPECT_FALSE(program.Options.BatchRunning);

    // A full disk leaves no copy behind.
    RemoveFile(dir.File("a EDIT.KL3"));
    FaultPlan plan;
    plan.DiskFullAfter(70'000, " EDIT");
    host.OpenAnswers = {{a}};
    {
        ScopedFaultPlan installed(plan);
        EXPECT_TRUE(CreateEditCopies(program, host).Failed);
    }
    EXPECT_TRUE(Showed(SystemErrorText(ENOSPC)));
    EXPECT_EQ(Listing(), (std::vector<std::string>{"a.KL3", "b.kl3", "c EDIT.KL3", "c.KL3"}));
}

using VerifyTest = FilesTest;

TEST_F(VerifyTest, ReportsTimeOrderMinutesEmptyMinutesAndEndRecords) {
    // Markers of 6 minutes: the check reads until the 4th marker after the first.
    testing::DataFileBuilder b(FileKind::KL1, Day(1));
    b.Minute()
        .Click(testing::MakeClick(500))
        .Click(testing::MakeClick(0)); // a time of 0 is delivered as it is
    b.Minute();
    b.Minute().Click(testing::MakeClick(10)).Click(testing::MakeClick(20));
    b.Minute();
    b.Minute().Click(testing::MakeClick(30));
    b.Minute().Click(testing::MakeClick(40));
    const std::string disordered = b.Write(dir.File("v.KL1"));
    // One minute: the reader meets the end, and the end record is counted on each pass.
    const std::string single = Kl1("w.KL1", Day(2), 1);
    // A record class error stops the reading.
    testing::DataFileBuilder c(FileKind::KL1, Day(3));
    c.Minute().Minute();
    c.Raw({0, 0, 9, 0, 0, 0, 0, 0, 0, 200});
    for (int m = 0; m < 8; ++m) c.Minute();
    const std::string broken = c.Write(dir.File("x.KL1"));

    ASSERT_TRUE(Open(disordered, 1));
    ASSERT_TRUE(Open(single, 2));
    ASSERT_TRUE(Open(broken, 3));
    const FilesOutcome out = VerifyOpenFiles(program, host);
    const std::vector<std::string> expected = {
        "v.KL1  N of times sequence errors = 1    4 minutes logged   2 empty minutes    0 255s",
        "w.KL1  Times are in sequence    0 minutes logged   0 empty minutes    101 255s",
        "x.KL1  Times are in sequence    1 minutes logged   1 empty minutes    0 255s",
    };
    EXPECT_EQ(out.Reports, expected);
    for (const std::string& text : expected) EXPECT_TRUE(Showed(text)) << text;
    EXPECT_TRUE(Showed(RecordClassErrorText));
    EXPECT_TRUE(out.Failed);
}

TEST(FaultPlanTest, FailsTheChosenCallsAndFillsTheDisk) {
    testing::TempDir dir;
    const std::string a = dir.File("a.bin");
    const std::string b = dir.File("b.bin");
    testing::WriteFileBytes(a, Bytes(10, 0));
    BinaryFile fa, fb;
    ASSERT_TRUE(fa.Open(a, BinaryFile::Mode::ReadWrite));
    ASSERT_TRUE(fb.Open(b, BinaryFile::Mode::Create));
    const std::uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    FaultPlan plan;
    plan.Fail(FileOperation::Write, 2, EIO, "a.bin").DiskFullAfter(6, "b.bin");
    {
        ScopedFaultPlan installed(plan);
        EXPECT_TRUE(fa.WriteAt(0, bytes, 2));
        EXPECT_FALSE(fa.WriteAt(0, bytes, 2)); // the second write to a.bin
        EXPECT_EQ(fa.LastError(), EIO);
        EXPECT_TRUE(fa.WriteAt(0, bytes, 2));
        EXPECT_TRUE(fb.WriteAt(0, bytes, 4));
        EXPECT_TRUE(fb.WriteAt(0, bytes, 4));  // over bytes the file has: no room needed
        EXPECT_FALSE(fb.WriteAt(4, bytes, 4)); // two of four still fit
        EXPECT_EQ(fb.LastError(), ENOSPC);
        EXPECT_EQ(plan.Calls(FileOperation::Write), 6);
        EXPECT_EQ(plan.Fired(), 2);
    }
    EXPECT_EQ(testing::ReadFileBytes(b), (Bytes{1, 2, 3, 4, 1, 2}));
    EXPECT_TRUE(fb.WriteAt(6, bytes, 4)); // no plan: the disk has room again
}

} // namespace
} // namespace kelp
