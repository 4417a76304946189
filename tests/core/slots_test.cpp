#include <gtest/gtest.h>

#include <sys/stat.h>

#include "core/bytes.h"
#include "core/file_io.h"
#include "core/headless_host.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using testing::MakeClick;
using testing::ReadFileBytes;

class SlotsTest : public ::testing::Test {
protected:
    std::string Kl1(const std::string& name, MinuteNumber first, int minutes) {
        DataFileBuilder b(FileKind::KL1, first);
        for (int m = 0; m < minutes; ++m) b.Minute().Click(MakeClick(1000));
        return b.Write(dir.File(name));
    }
    testing::TempDir dir;
    Program program;
    HeadlessHost host;
};

TEST_F(SlotsTest, OpeningTakesTheHeaderIntoTheSlot) {
    DataFileBuilder b(FileKind::KL1, MakeMinute(2024, 1, 1, 0, 0));
    b.Header().SetLocation("North  bay");
    b.Header().SetNotes("first deployment");
    b.Header().SetLatitude("56.1N");
    b.Header().SetLongitude("3.2W");
    b.Header().SetWaterDepth(20);
    b.Header().SetDeploymentDepth(12);
    for (int m = 0; m < 3; ++m) b.Minute();
    const std::string path = b.Write(dir.File("site.KL1"));
    ASSERT_TRUE(OpenDataFile(program, host, path, 2));
    const FileSlot& s = program.Slot(2);
    EXPECT_TRUE(s.IsOpen);
    EXPECT_TRUE(s.MoreData);
    EXPECT_EQ(s.Kind, FileKind::KL1);
    EXPECT_EQ(s.RecordLength, 10);
    EXPECT_EQ(s.BlockBytes, 200'000);
    EXPECT_EQ(s.LoggerNumber, 1104);
    EXPECT_EQ(s.LoggerNumberText, "01104");
    EXPECT_EQ(s.SettingsLayout, 1);
    EXPECT_EQ(s.FirstMinute, MakeMinute(2024, 1, 1, 0, 0));
    EXPECT_EQ(s.LastMinute, MakeMinute(2024, 1, 1, 0, 2));
    EXPECT_EQ(s.Location, "North bay");
    EXPECT_EQ(s.Notes, "first deployment");
    EXPECT_EQ(s.WaterDepth, 20);
    EXPECT_EQ(s.DeploymentDepth, 12);
    EXPECT_EQ(program.WindowTitle, "KELP file  site.KL1");
    EXPECT_EQ(program.OpenButtonCaption, "Open 1 to 2 files");
    EXPECT_TRUE(program.FileCommandsEnabled);
    EXPECT_TRUE(program.Seek[2].Enabled);
    EXPECT_EQ(program.Display.ReadPosition, (ClickTime{s.FirstMinute, 0}));
    EXPECT_EQ(s.NameLabel, "site.KL1");
    EXPECT_EQ(s.KelpIdLabel, "KELP 1104");
    EXPECT_EQ(s.StartLabel, "Start 01/01/2024 00:00");
    EXPECT_EQ(s.EndLabel, "End  01/01/2024 00:02");
    EXPECT_EQ(s.DurationLabel, "2m/2m");
    EXPECT_EQ(program.RangeLabel, "Range 3m");
    EXPECT_EQ(program.FromLabel, "From: 01/01/2024 00:00");
    EXPECT_EQ(program.ToLabel, "To:    01/01/2024 00:02");
    EXPECT_FALSE(s.MapReady); // built only when a later minute is needed
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(SlotsTest, RefusesWhatIsNotADataFile) {
    EXPECT_FALSE(OpenDataFile(program, host, dir.File("notes.txt"), 1));
    EXPECT_EQ(host.DurationOf("File type not recognised"), 5000);
    EXPECT_FALSE(OpenDataFile(program, host, dir.File("site.KL3.bak"), 1));

    const std::string missing = dir.File("missing.KL1");
    EXPECT_FALSE(OpenDataFile(program, host, missing, 1));
    EXPECT_EQ(host.DurationOf("No such file or directory"), 2000);
    EXPECT_EQ(host.DurationOf(missing + " not opened successfully.  (No such file or directory)"), 5000);
    EXPECT_FALSE(program.Slot(1).IsOpen);
}

TEST_F(SlotsTest, FilesOf389BytesAreTooSmallAnd390BytesOpen) {
    DataFileBuilder b(FileKind::KL1, 1000);
    auto bytes = b.Minute().Bytes();
    ASSERT_EQ(bytes.size(), 390u);
    testing::WriteFileBytes(dir.File("ok.KL1"), bytes);
    bytes.pop_back();
    testing::WriteFileBytes(dir.File("small.KL1"), bytes);
    EXPECT_FALSE(OpenDataFile(program, host, dir.File("small.KL1"), 1));
    EXPECT_TRUE(host.Showed(dir.File("small.KL1") + " is too small to hold any data (0)"));
    EXPECT_FALSE(program.Slot(1).IsOpen);
    EXPECT_TRUE(OpenDataFile(program, host, dir.File("ok.KL1"), 1));
}

TEST_F(SlotsTest, AnOccupiedSlotIsNotTaken) {
    ASSERT_TRUE(OpenDataFile(program, host, Kl1("a.KL1", 1000, 2), 1));
    EXPECT_FALSE(OpenDataFile(program, host, Kl1("b.KL1", 1000, 2), 1));
    EXPECT_TRUE(host.Showed("Close file1 to make space for this file"));
    EXPECT_EQ(program.Slot(1).ShortName, "a.KL1");
}

TEST_F(SlotsTest, ReadOnlyFilesAreMadeWritableAndOpened) {
    const std::string path = Kl1("ro.KL1", 1000, 2);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    ASSERT_TRUE(IsReadOnlyFile(path));
    EXPECT_TRUE(OpenDataFile(program, host, path, 1));
    EXPECT_FALSE(IsReadOnlyFile(path));
}

TEST_F(SlotsTest, AnUnterminatedFileGetsItsEndOfDataRecords) {
    DataFileBuilder b(FileKind::KL2, 1000);
    b.Minute().Click(MakeClick(50)).WithoutTerminator();
    const std::string path = b.Write(dir.File("open.KL2"));
    const auto before = ReadFileBytes(path);
    program.Options.DevelopmentMode = true;
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    EXPECT_TRUE(host.Showed("255s written"));
    const auto after = ReadFileBytes(path);
    ASSERT_EQ(after.size(), before.size() + 40);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin()));
    EXPECT_EQ(program.Slot(1).FileSize, static_cast<std::int64_t>(after.size()));
}

TEST_F(SlotsTest, TheEndIsCheckedOnlyBelowFourHundredMillionBytes) {
    // Sparse files: a good start, then zeros up to the size.
    DataFileBuilder b(FileKind::KL1, 1000);
    const auto start = b.Minute().Bytes();
    for (const std::int64_t size : {std::int64_t{399'999'990}, std::int64_t{400'000'000}}) {
        const std::string path = dir.File("sparse" + std::to_string(size) + ".KL1");
        testing::WriteFileBytes(path, start);
        BinaryFile f;
        ASSERT_TRUE(f.Open(path, BinaryFile::Mode::ReadWrite));
        ASSERT_TRUE(f.Truncate(size));
        f.Close();
        Program p;
        HeadlessHost h;
        ASSERT_TRUE(OpenDataFile(p, h, path, 1));
        EXPECT_EQ(FileSizeOf(path), size < 400'000'000 ? size + 20 : size);
        CloseDataFile(p, h, 1);
        RemoveFile(path);
    }
}

TEST_F(SlotsTest, RecordLengthOutsideTenToFiftyIsFifteen) {
    DataFileBuilder b(FileKind::KL1, 1000);
    b.Minute();
    b.Header().SetRecordLengthByte(60);
    auto bytes = b.Bytes();
    // Lay the file out in 15-byte records: a marker and the end.
    bytes.resize(360);
    std::vector<std::uint8_t> marker(15, 0);
    marker[14] = 254;
    bytes.insert(bytes.end(), marker.begin(), marker.end());
    bytes.insert(bytes.end(), 30, 255);
    testing::WriteFileBytes(dir.File("r60.KL1"), bytes);
    ASSERT_TRUE(OpenDataFile(program, host, dir.File("r60.KL1"), 1));
    EXPECT_EQ(program.Slot(1).RecordLength, 15);
    EXPECT_EQ(program.Slot(1).BlockBytes, 199'995);
    EXPECT_EQ(ReadFileBytes(dir.File("r60.KL1")), bytes);
}

TEST_F(SlotsTest, LoggerNumberFromTheDigitsOfItsField) {
    DataFileBuilder b(FileKind::KL1, 1000);
    b.Minute();
    b.Header().SetLoggerNumberText("0a12");
    ASSERT_TRUE(OpenDataFile(program, host, b.Write(dir.File("n.KL1")), 1));
    EXPECT_EQ(program.Slot(1).LoggerNumber, 12);
    EXPECT_EQ(program.Slot(1).LoggerNumberText, "00012");
    EXPECT_EQ(program.Slot(1).SettingsLayout, 0);

    b.Header().SetLoggerNumberText("    ");
    ASSERT_TRUE(OpenDataFile(program, host, b.Write(dir.File("blank.KL1")), 2));
    const FileSlot& s = program.Slot(2);
    EXPECT_EQ(s.LoggerNumber, 1);
    EXPECT_EQ(s.LoggerNumberText, "00001");
    ASSERT_FALSE(s.SessionText.empty());
    ASSERT_FALSE(s.SettingsText.empty());
    EXPECT_EQ(s.SessionText.front(), "ERROR: KELP number missing. V1 assumed");
    EXPECT_EQ(s.SettingsText.front(), "ERROR: KELP number missing. V1 assumed");
    EXPECT_EQ(s.SessionText[1], "File 2");
}

TEST_F(SlotsTest, SettingsAreaByLayout) {
    DataFileBuilder b(FileKind::KL1, 1000);
    b.Minute();
    b.Header().SetLoggerNumber(50); // layout 0
    b.Header().Bytes[66] = 10;
    b.Header().Bytes[67] = 200;
    b.Header().Bytes[68] = 2;
    b.Header().Bytes[64] = 9;
    b.Header().Bytes[81] = 2;
    ASSERT_TRUE(OpenDataFile(program, host, b.Write(dir.File("l0.KL1")), 1));
    const FileSlot& s = program.Slot(1);
    EXPECT_EQ(s.SettingsLayout, 0);
    EXPECT_EQ(s.SwitchAngleMin, 10);
    EXPECT_EQ(s.SwitchAngleMax, 200);
    EXPECT_EQ(s.MinutesPerMarker, 3);
    EXPECT_EQ(program.Display.MinutesPerMarker, 3);
    EXPECT_EQ(s.Gain, 9);
    EXPECT_EQ(s.MinuteClickLimit, 4096);

    program.Options.ForceDefaults = true;
    ASSERT_TRUE(OpenDataFile(program, host, dir.File("l0.KL1"), 2));
    EXPECT_EQ(program.Slot(2).SwitchAngleMin, 0);
    EXPECT_EQ(program.Slot(2).SwitchAngleMax, 120);
    EXPECT_EQ(program.Slot(2).MinutesPerMarker, 1);
}

TEST_F(SlotsTest, OpenButtonFollowsTheNumberOfOpenFiles) {
    EXPECT_EQ(program.OpenButtonCaption, "Open up to 3 files");
    ASSERT_TRUE(OpenDataFile(program, host, Kl1("a.KL1", 1000, 2), 1));
    ASSERT_TRUE(OpenDataFile(program, host, Kl1("b.KL1", 1000, 2), 2));
    EXPECT_EQ(program.OpenButtonCaption, "Open 1 file");
    ASSERT_TRUE(OpenDataFile(program, host, Kl1("c.KL1", 1000, 2), 3));
    EXPECT_EQ(program.OpenButtonCaption, "Open file");
    EXPECT_FALSE(program.OpenButtonEnabled);
    CloseDataFile(program, host, 2);
    EXPECT_EQ(program.OpenButtonCaption, "Open 1 file");
    EXPECT_TRUE(program.OpenButtonEnabled);
    EXPECT_EQ(program.WindowTitle, "KELP file  a.KL1");
    CloseDataFile(program, host, 1);
    EXPECT_EQ(program.OpenButtonCaption, "Open up to 2 files");
    EXPECT_EQ(program.WindowTitle, "KELP file  c.KL1");
    CloseDataFile(program, host, 3);
    EXPECT_EQ(program.OpenButtonCaption, "Open up to 3 files");
    EXPECT_EQ(program.WindowTitle, "KELP.exe v1.054   no files open");
    EXPECT_FALSE(program.FileCommandsEnabled);
    EXPECT_EQ(program.SourceBox, std::vector<std::string>{"No files open"});
    EXPECT_EQ(program.RangeLabel, "Range");
}

TEST_F(SlotsTest, ClosingResetsTheSlot) {
    ASSERT_TRUE(OpenDataFile(program, host, Kl1("a.KL1", 1000, 2), 1));
    program.Seek[1].Ticked = true;
    CloseDataFile(program, host, 1);
    const FileSlot& s = program.Slot(1);
    EXPECT_FALSE(s.IsOpen);
    EXPECT_FALSE(s.MoreData);
    EXPECT_FALSE(s.File.IsOpen());
    EXPECT_EQ(s.LoggerNumber, -999);
    EXPECT_EQ(s.LoggerNumberText, "-999");
    EXPECT_EQ(s.LastAcceptedTime, -2);
    EXPECT_EQ(s.Click.Species, SpeciesUnclassed);
    EXPECT_EQ(s.SessionText, std::vector<std::string>{"File 1  not open"});
    EXPECT_TRUE(s.SettingsText.empty());
    EXPECT_EQ(s.NameLabel, "(File 1 - vacant)");
    EXPECT_FALSE(program.Seek[1].Enabled);
    EXPECT_FALSE(program.Seek[1].Ticked);
    EXPECT_EQ(program.Display.TimeSliderWidth, 0);
}

TEST_F(SlotsTest, SharedRangeSpansEveryOpenFile) {
    const MinuteNumber jan1 = MakeMinute(2024, 1, 1, 0, 0);
    const MinuteNumber jan5 = MakeMinute(2024, 1, 5, 0, 0);
    DataFileBuilder a(FileKind::KL1, jan1);
    a.Minute().KeepHeaderMinutes();
    a.Header().SetLastMinute(MakeMinute(2024, 1, 10, 0, 0));
    a.Header().SetEndpointStart(jan1);
    a.Header().SetEndpointEnd(MakeMinute(2024, 1, 10, 0, 0));
    DataFileBuilder b(FileKind::KL1, jan5);
    b.Minute().KeepHeaderMinutes();
    b.Header().SetLastMinute(MakeMinute(2024, 1, 20, 0, 0));
    b.Header().SetEndpointStart(MakeMinute(2024, 1, 6, 0, 0));
    b.Header().SetEndpointEnd(MakeMinute(2024, 1, 9, 0, 0));
    ASSERT_TRUE(OpenDataFile(program, host, a.Write(dir.File("a.KL1")), 1));
    ASSERT_TRUE(OpenDataFile(program, host, b.Write(dir.File("b.KL1")), 2));
    EXPECT_EQ(program.SharedStart, jan1);
    EXPECT_EQ(program.SharedEnd, MakeMinute(2024, 1, 20, 0, 0));
    EXPECT_EQ(program.RangeLabel, "Range 19d 1m"); // last - first + 1 minutes
    EXPECT_EQ(program.Slot(2).DurationLabel, "15d /3d ");

    // With the endpoints in use, the second file narrows to its saved range.
    program.Options.UseEndpoints = true;
    ASSERT_TRUE(ComputeSharedRange(program, host));
    EXPECT_EQ(program.SharedEnd, MakeMinute(2024, 1, 10, 0, 0));
    EXPECT_EQ(program.Slot(2).ActiveStart, MakeMinute(2024, 1, 6, 0, 0));

    program.Options.TimeSelectionSet = true;
    program.SharedStart = 5;
    EXPECT_FALSE(ComputeSharedRange(program, host));
    EXPECT_EQ(program.SharedStart, 5);
    EXPECT_TRUE(
        host.Showed("A time selection is currently set.  To remove it right-click in the display area and "
                    "click 'Clear selection'"));
}

TEST_F(SlotsTest, ThreeFilesWithDifferentRangesAreReadTogether) {
    ASSERT_TRUE(OpenDataFile(program, host, Kl1("a.KL1", 1000, 5), 1));
    ASSERT_TRUE(OpenDataFile(program, host, Kl1("b.KL1", 1003, 5), 2));
    ASSERT_TRUE(OpenDataFile(program, host, Kl1("c.KL1", 1010, 2), 3));
    EXPECT_EQ(program.SharedStart, 1000);
    EXPECT_EQ(program.SharedEnd, 1011);
    EXPECT_EQ(program.SourceBox.back(), "(3) c.KL1  (2) b.KL1  (1) a.KL1  ");

    PositionAt(program, host, 1005, 0);
    EXPECT_TRUE(program.Slot(1).MoreData == false); // a.KL1 ends at 1004
    EXPECT_EQ(program.Slot(2).CurrentMinute, 1005);
    EXPECT_EQ(program.Slot(3).CurrentMinute, 1010); // starts later: positioned at its first minute
    int clicks = 0;
    while (program.Slot(2).MoreData) {
        NextRecord(program, host, 2);
        if (program.Slot(2).NRType < 128) ++clicks;
    }
    EXPECT_EQ(clicks, 3); // minutes 1005..1007
}

TEST_F(SlotsTest, OpeningSeveralFilesChecksTheirExtensions) {
    const std::string a = Kl1("a.KL1", 1000, 2);
    const std::string odd = dir.File("odd.dat");
    testing::WriteFileBytes(odd, ReadFileBytes(a));
    host.OpenAnswers.push_back({odd, a});
    OpenFiles(program, host);
    EXPECT_EQ(host.Dialogs.back().Title, "Open KELP data file");
    EXPECT_TRUE(host.Dialogs.back().MultiSelect);
    EXPECT_TRUE(host.Showed("This may not be KELP file, but let's see what happens"));
    EXPECT_TRUE(host.Showed("File type not recognised"));
    EXPECT_TRUE(program.Slot(1).IsOpen); // odd.dat was not opened, so a.KL1 took slot 1
    EXPECT_EQ(program.Slot(1).ShortName, "a.KL1");

    OpenChosenFiles(program, host, {dir.File("DATA0.ORV"), a});
    EXPECT_TRUE(host.Showed("This is an SDcard file that can be read using from the 'Get KELP data' page"));
    EXPECT_FALSE(program.Slot(2).IsOpen);
    OpenChosenFiles(program, host, {dir.File("x.MZ1")});
    EXPECT_TRUE(host.Showed("This is a MOSS file that can be read using MOSS.exe"));

    ASSERT_TRUE(OpenDataFile(program, host, Kl1("b.KL1", 1000, 2), 2));
    ASSERT_TRUE(OpenDataFile(program, host, Kl1("c.KL1", 1000, 2), 3));
    const auto dialogs = host.Dialogs.size();
    OpenFiles(program, host);
    EXPECT_EQ(host.Dialogs.size(), dialogs);
    EXPECT_TRUE(host.Showed("No slot free for another file.  Please close a file and try again"));
}

TEST_F(SlotsTest, FileSetOpensTheKL1AndKL3Files) {
    Kl1("set.KL1", 1000, 3);
    DataFileBuilder kl3(FileKind::KL3, 1000);
    kl3.Minute().Minute().Minute();
    kl3.Write(dir.File("set.KL3"));
    DataFileBuilder kl2(FileKind::KL2, 1000);
    kl2.Minute();
    kl2.Write(dir.File("set.KL2"));

    host.OpenAnswers.push_back({dir.File("set.KL2")});
    OpenFileSet(program, host);
    EXPECT_EQ(host.Dialogs.back().Title, "Open KELP data file set");
    EXPECT_EQ(program.Slot(1).ShortName, "set.KL1");
    EXPECT_EQ(program.Slot(2).ShortName, "set.KL3");
    EXPECT_TRUE(program.Seek[2].Ticked);
    EXPECT_EQ(program.Display.MinimumClicksPerScreen, "2");
    EXPECT_FALSE(program.Slot(3).IsOpen);

    program.Options.DevelopmentMode = true;
    OpenChosenFileSet(program, host, dir.File("set.KL1"));
    EXPECT_EQ(program.Slot(2).ShortName, "set.KL2");
    EXPECT_EQ(program.Slot(3).ShortName, "set.KL3");

    OpenChosenFileSet(program, host, dir.File("other.KL3"));
    EXPECT_TRUE(host.Showed(dir.File("other.KL1") + " not found."));
    EXPECT_TRUE(host.Showed(
        ".KL3 file not found. You can create it by processing the .KL1 file via the Trains page"));
    OpenChosenFileSet(program, host, dir.File("set.txt"));
    EXPECT_TRUE(host.Showed("This is not a KELP data file"));

    host.OpenAnswers.clear();
    OpenFileSet(program, host);
    EXPECT_EQ(program.WindowTitle, "No file selected");
    EXPECT_EQ(program.OpenCount(), 0);
}

TEST_F(SlotsTest, ALastMinuteBeforeTheFirstIsMappedAtOnce) {
    DataFileBuilder b(FileKind::KL1, 5000);
    b.Minute().Minute().Minute().KeepHeaderMinutes();
    b.Header().SetLastMinute(0);
    b.Header().SetEndpointEnd(0);
    const std::string path = b.Write(dir.File("nolast.KL1"));
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    EXPECT_TRUE(program.Slot(1).MapReady);
    EXPECT_EQ(program.Slot(1).LastMinute, 5002);
    EXPECT_EQ(ReadBE32Signed(ReadFileBytes(path).data(), 260), 5002);
    EXPECT_FALSE(host.Showed("There may be problems with this file, but let us see what happens ...."));
}

// Opening and reading a good file must leave every byte as it was.
TEST_F(SlotsTest, OpeningAndReadingAGoodFileChangesNothing) {
    for (FileKind kind : {FileKind::KL1, FileKind::KL2, FileKind::KL3}) {
        DataFileBuilder b(kind, 20'000);
        for (int m = 0; m < 30; ++m) {
            b.Minute(90 + m, 30);
            for (int i = 1; i <= 5; ++i) {
                ClickRecord c = MakeClick(i * 100'000 + m, 100 + i, 10, 80);
                c.ClassCode = 2;
                c.Quality = 3;
                c.Species = 0;
                b.Click(c, kind == FileKind::KL3 ? 7 : 0);
            }
        }
        b.Header().SetClickCount(150);
        const std::string path = b.Write(dir.File("good" + KindExtension(kind)));
        const auto before = ReadFileBytes(path);

        Program p;
        HeadlessHost h;
        ASSERT_TRUE(OpenDataFile(p, h, path, 1));
        PositionAt(p, h, 20'010, 0); // builds the map
        int clicks = 0;
        while (p.Slot(1).MoreData) {
            NextRecord(p, h, 1);
            if (p.Slot(1).NRType < 128) ++clicks;
        }
        EXPECT_EQ(clicks, 100);
        PositionAt(p, h, 0, 0);
        CloseDataFile(p, h, 1);
        EXPECT_EQ(ReadFileBytes(path), before) << KindExtension(kind);
        EXPECT_TRUE(h.Messages.empty());
        for (const char* ext : {".k1m", ".k2m", ".k3m"}) EXPECT_FALSE(FileExists(WithExtension(path, ext)));
    }
}

} // namespace
} // namespace kelp
