#include <cerrno>

#include "core/file_io.h"
#include "tests/files/files_fixture.h"

namespace kelp {
namespace {

class HeaderEditTest : public FilesTest {
protected:
    void SetBoxes(const std::string& lat, const std::string& lon, const std::string& depth,
                  const std::string& water, const std::string& location, const std::string& notes) {
        FileSlot& s = program.Slot(1);
        s.LatitudeBox = lat;
        s.LongitudeBox = lon;
        s.DeploymentDepthBox = depth;
        s.WaterDepthBox = water;
        s.LocationBox = location;
        s.NotesBox = notes;
    }
    // A file's bytes with the texts and depths pasted in.
    static Bytes Pasted(Bytes b, const std::string& lat, const std::string& lon, int depth, int water,
                        const std::string& location, const std::string& notes) {
        std::fill(b.begin() + 13, b.begin() + 64, 0);
        std::fill(b.begin() + 211, b.begin() + 256, 0);
        std::copy(lat.begin(), lat.end(), b.begin() + 13);
        std::copy(lon.begin(), lon.end(), b.begin() + 21);
        WriteBE(b.data(), 29, 2, static_cast<std::uint32_t>(depth));
        WriteBE(b.data(), 31, 2, static_cast<std::uint32_t>(water));
        std::copy(location.begin(), location.end(), b.begin() + 33);
        std::copy(notes.begin(), notes.end(), b.begin() + 211);
        return b;
    }
};

TEST_F(HeaderEditTest, PasteWritesFileOnesBoxesIntoEveryOpenFile) {
    EXPECT_TRUE(PasteMetadata(program, host).Failed);
    EXPECT_EQ(host.DurationOf("No file open"), 3000);

    const std::string a = Kl1("a.KL1", Day(1), 2);
    const std::string b = Data("b.KL3", FileKind::KL3, Day(1), 2);
    ASSERT_TRUE(Open(a, 1));
    ASSERT_TRUE(Open(b, 3));
    const Bytes beforeA = Read(a);
    const Bytes beforeB = Read(b);
    const std::string location(40, 'L');
    const std::string notes = std::string(44, 'n') + "xyz"; // 47 characters: 45 are written
    SetBoxes("50.12345N", "1.5W", "12", "x", location, notes);
    EXPECT_FALSE(PasteMetadata(program, host).Failed);

    const auto expectedA =
        Pasted(beforeA, "50.12345", "1.5W", 12, 0, location.substr(0, 31), notes.substr(0, 45));
    EXPECT_EQ(Read(a), expectedA);
    EXPECT_EQ(Read(b),
              Pasted(beforeB, "50.12345", "1.5W", 12, 0, location.substr(0, 31), notes.substr(0, 45)));
    EXPECT_EQ(program.Slot(3).LocationBox, location.substr(0, 31));
    EXPECT_EQ(FileUtilitiesOf(program).PasteCaption, "Save file 1 text to all");
    EXPECT_EQ(host.MillisecondsWaited, 600);

    // Depth boxes that are not a 16-bit whole number give 0.
    const std::pair<const char*, int> depths[] = {
        {" 7 ", 7}, {"65535", 65535}, {"65536", 0}, {"-3", 0}, {"", 0}};
    for (const auto& [text, value] : depths) {
        SetBoxes("", "", text, "1", "", "");
        PasteMetadata(program, host);
        EXPECT_EQ(ReadBE(Read(b).data(), 29, 2), static_cast<std::uint32_t>(value)) << text;
    }

    // A failed write of the notes puts the first part back: that file stays as it was.
    const Bytes kept = Read(b);
    SetBoxes("1", "2", "3", "4", "5", "6");
    FaultPlan plan;
    plan.Fail(FileOperation::Write, 2, EIO, "b.KL3");
    {
        ScopedFaultPlan installed(plan);
        EXPECT_TRUE(PasteMetadata(program, host).Failed);
    }
    EXPECT_EQ(Read(b), kept);
    EXPECT_EQ(Read(a), Pasted(Read(a), "1", "2", 3, 4, "5", "6"));
    EXPECT_EQ(host.DurationOf(SystemErrorText(EIO)), 2000);
}

TEST_F(HeaderEditTest, ChangeStartMovesTheRangeAndItsEndpoints) {
    testing::DataFileBuilder builder(FileKind::KL1, Day(1));
    for (int m = 0; m < 6; ++m) builder.Minute();
    builder.KeepHeaderMinutes();
    builder.Header().SetLastMinute(Day(1) + 5);
    builder.Header().SetEndpointStart(Day(1) + 2); // saved endpoints inside the range
    builder.Header().SetEndpointEnd(Day(1) + 3);
    builder.Header().SetOriginalFirstMinute(Day(1) - 99);
    const std::string file = builder.Write(dir.File("f.KL1"));
    const std::string other = Kl1("g.KL1", Day(1), 2);
    const Bytes before = Read(file);
    const std::string needsOne = "This requires File 1 only to be open";
    const std::string question = "Is the new start time in the start time boxes on the Read SD page?";

    // Preconditions and a No change nothing.
    ASSERT_TRUE(Open(file, 2));
    EXPECT_TRUE(ChangeStartTime(program, host, Day(10)).Failed);
    ASSERT_TRUE(Open(other, 1));
    EXPECT_TRUE(ChangeStartTime(program, host, Day(10)).Failed);
    CloseAllFiles(program, host);
    ASSERT_TRUE(Open(file, 1));
    host.YesNoAnswers = {false};
    EXPECT_TRUE(ChangeStartTime(program, host, Day(10)).Failed);
    EXPECT_EQ(host.MessageTexts(), (std::vector<std::string>{needsOne, needsOne, question}));
    EXPECT_EQ(Read(file), before);

    // A failed write changes nothing either.
    FaultPlan plan;
    plan.Fail(FileOperation::Write, 1, ENOSPC, "f.KL1");
    host.YesNoAnswers = {true};
    {
        ScopedFaultPlan installed(plan);
        EXPECT_TRUE(ChangeStartTime(program, host, Day(10)).Failed);
    }
    EXPECT_EQ(Read(file), before);

    host.YesNoAnswers = {true};
    EXPECT_FALSE(ChangeStartTime(program, host, Day(10)).Failed);
    Bytes expected = before;
    Put32(expected, 256, Day(10));
    Put32(expected, 260, Day(10) + 5);
    Put32(expected, 272, Day(10));
    Put32(expected, 276, Day(10) + 5);
    EXPECT_EQ(Read(file), expected); // 268, the first minute as first written, stays
    const FileSlot& s = program.Slot(1);
    EXPECT_TRUE(s.IsOpen);
    EXPECT_EQ(std::make_pair(s.FirstMinute, s.LastMinute), std::make_pair(Day(10), Day(10) + 5));
    EXPECT_EQ(std::make_pair(s.EndpointStart, s.EndpointEnd), std::make_pair(Day(10), Day(10) + 5));
}

} // namespace
} // namespace kelp
