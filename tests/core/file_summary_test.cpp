#include <gtest/gtest.h>

#include "core/file_summary.h"
#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using Lines = std::vector<std::string>;

class SummaryTest : public ::testing::Test {
protected:
    DataFileBuilder Builder(FileKind kind) {
        DataFileBuilder b(kind, MakeMinute(2024, 3, 1, 12, 0));
        for (int m = 0; m < 120; ++m) b.Minute();
        b.Header().SetLoggingMinutes(60);
        b.Header().SetClickCount(12'345);
        return b;
    }
    testing::TempDir dir;
    Program program;
    HeadlessHost host;
};

TEST_F(SummaryTest, SessionTextOfAKL1File) {
    const std::string path = Builder(FileKind::KL1).Write(dir.File("s.KL1"));
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    EXPECT_EQ(program.Slot(1).SessionText,
              (Lines{
                  "File 1",
                  path,
                  " KELP 1104  Version 1, made in 2023",
                  " Running     from   01/03/2024 12:00    to    01/03/2024 13:59",
                  "                   time   2h ",
                  " Logging     time   1h    (50%)",
                  " raw clicks     (approx)  12,345",
                  " raw clicks/m (approx)  102",
                  " File size 1Kb",
              }));
}

TEST_F(SummaryTest, SessionTextOfAKL3File) {
    DataFileBuilder b = Builder(FileKind::KL3);
    b.Header().SetTdaVersion(0);
    const std::string path = b.Write(dir.File("s.KL3"));
    ASSERT_TRUE(OpenDataFile(program, host, path, 3));
    // 2,800 bytes: (2800 - 360) div 20 + first - last - 1 = 122 - 120 = 2 records besides the markers;
    // rate (2800 / 20 - 119) x 100 / 12345 = 0.17%.
    EXPECT_EQ(program.Slot(3).SessionText,
              (Lines{
                  "File 3",
                  path,
                  " Train detection version 1",
                  " KELP 1104  Version 1, made in 2023",
                  " Running     from   01/03/2024 12:00    to    01/03/2024 13:59",
                  "                   time   2h ",
                  " Logging     time   1h    (50%)",
                  " All clicks     (approx)  2",
                  " raw clicks     (approx)  12,345",
                  " raw clicks/m (approx)  102",
                  " Classification rate      0.17%",
                  " File size 2Kb",
              }));
}

TEST_F(SummaryTest, LargeFilesShowMegabytesAndNoLoggingLinesWithoutLoggingMinutes) {
    DataFileBuilder b(FileKind::KL1, MakeMinute(2024, 3, 1, 12, 0));
    b.Minute();
    auto bytes = b.Bytes();
    bytes.resize(370);
    bytes.resize(1'000'000, 253); // filler records
    bytes.insert(bytes.end(), 20, 255);
    testing::WriteFileBytes(dir.File("big.KL1"), bytes);
    ASSERT_TRUE(OpenDataFile(program, host, dir.File("big.KL1"), 1));
    const Lines& text = program.Slot(1).SessionText;
    EXPECT_EQ(text.back(), " File size 1Mb");
    EXPECT_EQ(text.size(), 6u);
}

TEST_F(SummaryTest, ClickLinesDoNotDependOnLoggingMinutes) {
    DataFileBuilder b = Builder(FileKind::KL3);
    b.Header().SetLoggingMinutes(0);
    ASSERT_TRUE(OpenDataFile(program, host, b.Write(dir.File("n.KL3")), 1));
    const Lines& text = program.Slot(1).SessionText;
    ASSERT_EQ(text.size(), 11u);
    EXPECT_EQ(text[5], "                   time   2h ");
    EXPECT_EQ(text[6], " All clicks     (approx)  2");
    EXPECT_EQ(text[7], " raw clicks     (approx)  12,345");
}

TEST_F(SummaryTest, SettingsTextInNormalMode) {
    DataFileBuilder b = Builder(FileKind::KL1);
    b.Header().Bytes[81] = 1; // 1024 clicks a minute
    b.Header().Bytes[64] = 0; // switch angles 0..128 (layout 1)
    b.Header().Bytes[65] = 128;
    b.Header().Bytes[66] = 1;    // two minutes per marker
    b.Header().Bytes[79] = 0x82; // filter code 2, bit 7 ignored
    b.Header().Bytes[77] = 9;    // gain
    b.Header().SetLandmarksMarked(true);
    const std::string path = b.Write(dir.File("set.KL1"));
    program.RegisteredGain = [](int logger) { return logger == 1104 ? 12 : 0; };
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    EXPECT_EQ(program.Slot(1).FilterkHz, 20);
    EXPECT_EQ(program.Slot(1).SettingsText, (Lines{
                                                "    Minute click limit 1024",
                                                "    Switch angle range 0 to 90",
                                                "    Filter 20kHz",
                                                "    Gain9       WARNING: registered gain is 12!",
                                                "    duty cycle 2",
                                                "    Landmark sequences marked",
                                            }));
}

TEST_F(SummaryTest, SettingsTextInDevelopmentModeLayoutOne) {
    DataFileBuilder b = Builder(FileKind::KL1);
    auto& h = b.Header().Bytes;
    h[77] = 12;
    h[78] = 90;
    h[84] = 5;
    h[89] = 6;
    h[85] = 7;
    h[87] = 8;
    h[82] = 20;
    h[83] = 160;
    h[88] = 4;
    h[86] = 3;
    h[90] = 11;
    h[91] = 22;
    h[92] = 140;
    h[79] = 7;
    b.Header().SetEnvelopeCodingKind(2);
    program.Options.DevelopmentMode = true;
    program.RegisteredGain = [](int) { return 12; };
    ASSERT_TRUE(OpenDataFile(program, host, b.Write(dir.File("dev.KL1")), 1));
    EXPECT_EQ(program.Slot(1).SettingsText, (Lines{
                                                "    Minute click limit 999999999",
                                                "    Switch angle range 0 to 86",
                                                "    Gain, Hysteresis 12,90",
                                                "    Ppp S,mx,mn 5,6,7",
                                                "    BW+ 8",
                                                "    Frange 20 to 160",
                                                "    Duration limit 4      HIGH!",
                                                "    HRI, Weak limit, Strong limit 3,11,22",
                                                "    Setup file version 1",
                                                "    Envelope format version 2",
                                                "    duty cycle 1",
                                                "   TAD frequency 120, High power",
                                            }));
}

TEST_F(SummaryTest, SettingsTextInDevelopmentModeLayoutZero) {
    DataFileBuilder b = Builder(FileKind::KL1);
    b.Header().SetLoggerNumber(60);
    auto& h = b.Header().Bytes;
    h[64] = 30;
    h[65] = 40;
    h[84] = 1;
    h[83] = 2;
    h[82] = 3;
    h[85] = 4;
    h[86] = 5;
    h[87] = 6;
    h[88] = 3;
    h[66] = 0;
    h[67] = 255;
    h[68] = 0;
    h[80] = 1;
    program.Options.DevelopmentMode = true;
    program.RegisteredGain = [](int) { return 31; };
    ASSERT_TRUE(OpenDataFile(program, host, b.Write(dir.File("dev0.KL1")), 1));
    EXPECT_EQ(program.Slot(1).SettingsText,
              (Lines{
                  "    Minute click limit 999999999",
                  "    Switch angle range 0 to 180",
                  "    Filter 40kHz",
                  "    Gain, Hysteresis 30,40       WARNING: registered gain is 31!",
                  "    Ppp S,mx,mn 1,2,3",
                  "    BW+ 4",
                  "    Frange 5 to 6",
                  "    Duration limit 3",
                  "    Setup file version 0",
                  "    Envelope format version 2",
                  "    duty cycle 1",
              }));
}

} // namespace
} // namespace kelp
