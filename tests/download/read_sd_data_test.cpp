// The download on hand-made cards: the starting steps, the header, the records, blanks,
// defects, the minute cap, splitting the output, stopping and failing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/header.h"
#include "core/unfinished_files.h"
#include "download/click_conversion.h"
#include "tests/download/card_support.h"

namespace kelp::testing {
namespace {

std::vector<std::uint8_t> RecordAt(const std::vector<std::uint8_t>& file, std::size_t index) {
    const std::size_t at = HeaderLength + index * 10;
    return {file.begin() + static_cast<std::ptrdiff_t>(at),
            file.begin() + static_cast<std::ptrdiff_t>(at + 10)};
}

DataFileHeader HeaderOf(const std::vector<std::uint8_t>& file) {
    DataFileHeader h;
    std::copy_n(file.begin(), HeaderLength, h.Bytes.begin());
    return h;
}

bool EndsWithTerminator(const std::vector<std::uint8_t>& file) {
    return file.size() >= 380 &&
           std::all_of(file.end() - 20, file.end(), [](std::uint8_t b) { return b == 255; });
}

std::vector<std::string> LeftoverTemporaries(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().extension() == ".part") found.push_back(e.path().string());
    return found;
}

TEST(ReadSDdata, ConvertsACardIntoAKL1File) {
    TempDir dir;
    TestCard card;
    card.Header.Bytes[100] = 77; // a settings byte, copied as it is
    card.Marker(1, 61, 31).Click(1000).Click(2000, 255).Click(3000, 255).Click(4000, 100);
    card.Marker(2, 62, 32).Click(500).Blanks(3);
    const auto files = card.Write(dir.Path());

    DownloadRun run;
    run.page.Location = "Bay";
    run.page.Notes = "note";
    run.page.Lat = "55.1N";
    run.page.Long = "3.2W";
    run.page.WaterDepth = "12";
    run.page.DeploymentDepth = "30";
    run.page.BlanksText = "2";
    const std::string out = dir.File("site.kl1");
    const auto& result = run.Run(files[0], out);

    const std::string kl1 = dir.File("site.KL1");
    ASSERT_EQ(result.OutputFiles, std::vector<std::string>{kl1});
    EXPECT_TRUE(run.host.Messages.empty());
    const auto bytes = ReadFileBytes(kl1);
    // Header, two minutes of 5 and 4 records, and the terminator over the two blank records.
    ASSERT_EQ(bytes.size(), 360u + 90u);
    EXPECT_TRUE(EndsWithTerminator(bytes));
    const DataFileHeader h = HeaderOf(bytes);
    const MinuteNumber S = TestStart + 1;
    EXPECT_EQ(h.FormatCode(), 24);
    EXPECT_EQ(h.RecordLengthByte(), 10);
    EXPECT_EQ(h.Bytes[2], 1);
    EXPECT_EQ(h.Bytes[3], 1); // logger 1036 codes its envelopes in kind 2
    EXPECT_EQ(h.EnvelopeCodingKind(), 2);
    EXPECT_EQ(h.Latitude(), "55.1N");
    EXPECT_EQ(h.Longitude(), "3.2W");
    EXPECT_EQ(h.DeploymentDepth(), 30);
    EXPECT_EQ(h.WaterDepth(), 12);
    EXPECT_EQ(h.Location(), "Bay");
    EXPECT_EQ(h.Notes(), "note");
    EXPECT_EQ(h.Bytes[100], 77);
    EXPECT_EQ(h.LoggerNumberDigits(), "1036");
    EXPECT_EQ(h.MinutesOverall(), 10);
    EXPECT_EQ(h.FirstMinute(), S);
    EXPECT_EQ(h.LastMinute(), S + 1);
    EXPECT_EQ(h.CreatedMinute(), run.now);
    EXPECT_EQ(h.OriginalFirstMinute(), S);
    EXPECT_EQ(h.EndpointStart(), S);
    EXPECT_EQ(h.EndpointEnd(), S + 1);
    EXPECT_EQ(h.ClickCount(), 7u); // the two converted blank records count as records of the minute

    EXPECT_EQ(RecordAt(bytes, 0), (std::vector<std::uint8_t>{0, 0, 0, 61, 31, 0, 0, 0, 0, 254}));
    EXPECT_EQ(RecordAt(bytes, 5), (std::vector<std::uint8_t>{0, 0, 0, 62, 32, 0, 0, 0, 0, 254}));
    std::vector<std::uint8_t> expected(10);
    ClickConverter converter(2);
    converter.Convert(&card.Stream[6], card.Stream[6 + 17], expected.data());
    EXPECT_EQ(RecordAt(bytes, 1), expected);
    EXPECT_EQ(RecordAt(bytes, 2)[7], 255); // clipped, and so is the next
    EXPECT_EQ(RecordAt(bytes, 3)[7], 254); // clipped, the next is not
    EXPECT_EQ(ReadBE24(RecordAt(bytes, 6).data()), 500u);

    EXPECT_FALSE(FileExists(dir.File("site.k1m"))); // small files keep no map
    EXPECT_TRUE(LeftoverTemporaries(dir.Path()).empty());
    EXPECT_EQ(run.page.UploadList,
              (std::vector<std::string>{"\t\tData reported  10m    2Mb", kl1 + "    2m    0Mb   0mins)"}));
    ASSERT_EQ(run.page.ErrorsList.size(), 3u);
    std::string blankLine = "1\t0"; // minutes written, blocks read, then the bytes left from the record on
    for (int i = 0; i < 30; ++i) blankLine += "\t255";
    EXPECT_EQ(run.page.ErrorsList[0], blankLine);
    EXPECT_EQ(run.page.ClickCountLabel, "7 clicks written to file");
    EXPECT_EQ(run.page.MinutesReadLabel, "Max blanks 0");
    EXPECT_EQ(run.host.KeepAwakeChanges, (std::vector<bool>{true, false}));
    EXPECT_FALSE(run.page.Converting);

    ASSERT_EQ(run.host.Dialogs.size(), 2u);
    EXPECT_EQ(run.host.Dialogs[0].Title, "Open 'DATA0.ORV' on SD card  ");
    EXPECT_EQ(run.host.Dialogs[0].Filter, "SD card files *.ORV|*.ORV|All files|*.*");
    EXPECT_EQ(run.host.Dialogs[1].Title, "Save KELP data file to PC as *.kl1 file ");
    EXPECT_EQ(run.host.Dialogs[1].Filter, "KELP data file|*.KL1|All files|*.*");
    EXPECT_EQ(run.host.Dialogs[1].InitialName, " 0 00 00 KELP1036.KL1");
}

TEST(ReadSDdata, OpensTheFirstFileWhenFinished) {
    TempDir dir;
    TestCard card;
    card.Marker(1).Click(100).Marker(2).Click(200).Blanks(3);
    DownloadRun run;
    run.page.BlanksText = "2";
    run.page.OpenFileWhenFinished = true;
    run.Run(card.Write(dir.Path())[0], dir.File("open.KL1"));
    const FileSlot& slot = run.program.Slot(1);
    ASSERT_TRUE(slot.IsOpen);
    EXPECT_EQ(slot.FullName, dir.File("open.KL1"));
    EXPECT_EQ(slot.FirstMinute, TestStart + 1);
    EXPECT_EQ(slot.LastMinute, TestStart + 2);
}

TEST(ReadSDdata, LargeFilesKeepTheirMapSmallOnesLoseEvenAnOldOne) {
    TempDir dir;
    TestCard card;
    TestCard minute;
    for (std::uint32_t t = 1; t <= 40'000; ++t) minute.Click(t * 100);
    for (std::uint32_t m = 1; m <= 31; ++m) card.Marker(m).Raw(minute.Stream);
    card.Blanks(3);
    card.Header.SetOverallMinutes(31); // more minutes than the summary gives would count as old data
    DownloadRun run;
    run.page.BlanksText = "2";
    run.Run(card.Write(dir.Path())[0], dir.File("big.KL1"));
    const auto bytes = ReadFileBytes(dir.File("big.KL1"));
    ASSERT_GE(bytes.size(), 12'000'000u);
    const auto map = ReadFileBytes(dir.File("big.k1m"));
    ASSERT_EQ(map.size(), 8u * 32);
    EXPECT_EQ(ReadLE64(&map[0]), 360);
    EXPECT_EQ(ReadLE64(&map[8]), 360 + 400'010);
    EXPECT_EQ(ReadLE64(&map[8 * 31]), static_cast<std::int64_t>(bytes.size()) - 20);

    // A small file of the same name as an earlier large one: the earlier map would not fit.
    TempDir small;
    TestCard few;
    few.Marker(1).Click(100).Blanks(3);
    WriteFileBytes(small.File("big.k1m"), map);
    DownloadRun again;
    again.page.BlanksText = "2";
    again.Run(few.Write(small.Path())[0], small.File("big.KL1"));
    EXPECT_FALSE(FileExists(small.File("big.k1m")));
}

TEST(ReadSDdata, ProposesANameFromTheFileNameBoxes) {
    ReadSDPage page;
    page.FileNameLocation = "Loch Fyne";
    page.NameYear = "2024";
    page.NameMonth = "3";
    page.NameDay = "17";
    EXPECT_EQ(ProposedFileName(page, 95), "Loch Fyne 2024 03 17 KELP95");
    EXPECT_EQ(page.NameMonth, "03");
    EXPECT_EQ(NextOutputName("/a/site KELP.KL1", 2), "/a/site KELP file002.KL1");
    EXPECT_EQ(NextOutputName("/a/site KELP.KL1", 12), "/a/site KELP file012.KL1");
}

class StartDelay : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(StartDelay, ComesFromTheSettingsPlaceOfTheLoggerNumber) {
    const auto [logger, delay] = GetParam();
    TempDir dir;
    TestCard card;
    card.Header.SetLoggerNumber(logger);
    WriteBE(card.Header.Bytes.data(), 68, 2, 5);
    WriteBE(card.Header.Bytes.data(), 70, 2, 7);
    card.Marker(1).Click(100).Blanks(3);
    DownloadRun run;
    run.page.BlanksText = "2";
    run.Run(card.Write(dir.Path())[0], dir.File("d.KL1"));
    EXPECT_TRUE(run.host.Showed("Start was delayed by " + std::to_string(delay) + " mins"));
    const DataFileHeader h = HeaderOf(ReadFileBytes(dir.File("d.KL1")));
    EXPECT_EQ(h.FirstMinute(), TestStart + 1 + delay);
    EXPECT_EQ(h.OriginalFirstMinute(), TestStart + 1 + delay);
    EXPECT_EQ(h.EndpointStart(), TestStart + 1 + delay);
    EXPECT_EQ(h.EnvelopeCodingKind(), EnvelopeCodingKindFor(logger));
}

INSTANTIATE_TEST_SUITE_P(LoggerNumbers, StartDelay,
                         ::testing::Values(std::pair{0, 5}, std::pair{1, 5}, std::pair{104, 5},
                                           std::pair{125, 5}, std::pair{2, 7}, std::pair{103, 7},
                                           std::pair{105, 7}, std::pair{124, 7}, std::pair{401, 5},
                                           std::pair{489, 5}));

TEST(ReadSDdata, QuestionsAndRefusalsEndWithoutOutput) {
    TempDir dir;
    TestCard card;
    card.Marker(1).Click(100).Blanks(3);
    const std::string data0 = card.Write(dir.Path())[0];
    const std::string out = dir.File("x.KL1");
    const auto noOutput = [&](DownloadRun& run) {
        EXPECT_FALSE(run.result.Started);
        EXPECT_FALSE(FileExists(out));
        EXPECT_TRUE(LeftoverTemporaries(dir.Path()).empty());
        EXPECT_TRUE(run.host.KeepAwakeChanges.empty());
    };
    {
        // Before 3 April 2008 16:00: "No" ends before the card is even asked for.
        DownloadRun run;
        run.page.StartYear = "2008";
        run.page.StartMonth = "4";
        run.page.StartDay = "3";
        run.page.StartHour = "15";
        run.page.StartMinute = "59";
        run.Run(data0, out);
        EXPECT_TRUE(run.host.Showed(EarlyStartQuestion));
        EXPECT_TRUE(run.host.Dialogs.empty());
        noOutput(run);
    }
    {
        DownloadRun run; // 16:00 on that day is not early
        run.page.StartYear = "2008";
        run.page.StartMonth = "4";
        run.page.StartDay = "3";
        run.page.StartHour = "16";
        run.Run(data0, out);
        EXPECT_FALSE(run.host.Showed(EarlyStartQuestion));
        EXPECT_TRUE(run.result.Started);
        EXPECT_EQ(run.page.StartTimeText, "03/04/2008 16:00");
        EXPECT_EQ(run.page.StartMinuteText, "56940000");
        RemoveFile(out);
    }
    {
        // Ten logged minutes from a start five minutes ago end in the future; "Yes" ends.
        DownloadRun run;
        run.page.StartYear = "2024";
        run.page.StartMonth = "6";
        run.page.StartDay = "1";
        run.page.StartHour = "11";
        run.page.StartMinute = "55";
        run.host.YesNoAnswers = {true};
        run.Run(data0, out);
        EXPECT_TRUE(run.host.Showed(FutureEndQuestion));
        noOutput(run);
    }
    {
        DownloadRun run;
        run.Run(dir.File("DATA1.ORV"), out);
        EXPECT_TRUE(run.host.Showed("Data copying must start with file DATA0.ORV"));
        noOutput(run);
    }
    {
        DownloadRun run;
        run.Run(dir.File("DATA0.TXT"), out);
        EXPECT_TRUE(run.host.Messages.empty());
        EXPECT_EQ(run.host.Dialogs.size(), 1u);
        noOutput(run);
    }
    {
        TempDir empty;
        DownloadRun run;
        run.Run(empty.File("DATA0.ORV"), out);
        EXPECT_TRUE(run.host.Showed("File " + empty.File("DATA0.ORV") + "not opened successfully"));
        noOutput(run);
    }
    {
        DownloadRun run;
        run.host.SaveAnswers.push_back(std::nullopt);
        run.host.OpenAnswers.push_back({data0});
        run.result = ReadSDdata(run.program, run.host, run.page, run.env);
        noOutput(run);
        EXPECT_FALSE(run.host.ProgressVisible); // the bar shown before the save dialog goes again
    }
    {
        // A path without "KELP" might be the card itself.
        std::string pattern = std::filesystem::temp_directory_path().string() + "/sdout-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        const std::string elsewhere = pattern + "/x.KL1";
        DownloadRun run;
        if (elsewhere.find("kelp") == std::string::npos && elsewhere.find("KELP") == std::string::npos) {
            run.Run(data0, elsewhere);
            EXPECT_TRUE(
                run.host.Showed("You may have tried to save the file to the SD card, or to another folder "
                                "with a name that does not include the word 'KELP' or 'kelp'"));
            EXPECT_TRUE(run.host.Showed("This requirement is purely to prevent accidental damage to the "
                                        "special formatting of the SD card"));
            EXPECT_FALSE(run.result.Started);
            EXPECT_FALSE(FileExists(elsewhere));
        }
        std::filesystem::remove_all(pattern);
    }
}

TEST(ReadSDdata, AShortHeaderBlockIsReportedAndNothingIsWritten) {
    TempDir dir;
    WriteFileBytes(dir.File("DATA0.ORV"), std::vector<std::uint8_t>(300, 0));
    DownloadRun run;
    run.Run(dir.File("DATA0.ORV"), dir.File("x.KL1"));
    EXPECT_TRUE(run.Uploaded("Error reading header from DATA0 file: Reached the end of the file."));
    EXPECT_TRUE(run.host.Showed("Failed to create this PC data file :  " + dir.File("x.KL1")));
    EXPECT_FALSE(FileExists(dir.File("x.KL1")));
}

TEST(ReadSDdata, CardWithoutSummary) {
    TempDir dir;
    TestCard card;
    card.Header.ClearSummary();
    card.Marker(1).Click(100).Blanks(3);
    DownloadRun run;
    run.page.BlanksText = "2";
    run.page.StartYear = "2024";
    run.page.StartMonth = "6";
    run.page.StartDay = "1";
    run.page.StartHour = "11"; // no duration known: no question about the future
    run.Run(card.Write(dir.Path())[0], dir.File("nosum.KL1"));
    EXPECT_FALSE(run.host.Showed(FutureEndQuestion));
    EXPECT_TRUE(run.Uploaded("No data summary found, so no indication of file size"));
    EXPECT_EQ(run.host.Dialogs[1].InitialName, " 0 00 00 KELP0.KL1");
    const DataFileHeader h = HeaderOf(ReadFileBytes(dir.File("nosum.KL1")));
    EXPECT_EQ(h.EnvelopeCodingKind(), 0);
    EXPECT_EQ(h.Bytes[3], 0);
    ASSERT_FALSE(run.host.ProgressLabels.empty());
    EXPECT_EQ(run.host.ProgressLabels[0], "Converting DATA0.ORV to *.KL1 file on PC");
}

TEST(ReadSDdata, ClicksBeforeTheFirstMarkerAreDropped) {
    TempDir dir;
    TestCard card;
    card.Click(100).Click(200).Marker(1).Click(300).Blanks(3);
    DownloadRun run;
    run.page.BlanksText = "2";
    run.Run(card.Write(dir.Path())[0], dir.File("pre.KL1"));
    EXPECT_EQ(run.page.ErrorsList[0], "0\t100\tSuppressPreStart");
    EXPECT_EQ(run.page.ErrorsList[1], "0\t200\tSuppressPreStart");
    const auto bytes = ReadFileBytes(dir.File("pre.KL1"));
    EXPECT_EQ(RecordAt(bytes, 0)[9], 254);
    EXPECT_EQ(ReadBE24(RecordAt(bytes, 1).data()), 300u);
    EXPECT_EQ(run.result.ClicksWritten, 3); // the click and the two blanks the terminator covers
}

TEST(ReadSDdata, TimestampDefectsAndClicksOutOfOrderAreReportedNotRejected) {
    TempDir dir;
    TestCard card;
    card.Marker(1).Click(5000).Click(4000).Marker(3).Click(10).Marker(4).Click(20);
    DownloadRun run;
    run.Run(card.Write(dir.Path())[0], dir.File("def.KL1"));
    EXPECT_TRUE(run.Uploaded("Timestamp defects 2 (not serious) "));
    ASSERT_FALSE(run.page.ErrorsList.empty());
    EXPECT_EQ(run.page.ErrorsList[0], "16\t1\t4000\t5000\tt error");
    // Every record is kept, and the last minute too although no blank ends the data.
    const auto bytes = ReadFileBytes(dir.File("def.KL1"));
    EXPECT_EQ(bytes.size(), 360u + 7 * 10 + 20);
    EXPECT_EQ(ReadBE24(RecordAt(bytes, 6).data()), 20u);
    EXPECT_EQ(HeaderOf(bytes).LastMinute(), TestStart + 3);
}

TEST(ReadSDdata, OldDataAfterAMinuteJumpGoesToTheNextFileWhenTheBlanksLimitIs2) {
    TempDir dir;
    TestCard card;
    card.Marker(1).Click(10).Marker(2).Click(20).Marker(52).Click(30).Marker(53).Click(40).Blanks(3);
    DownloadRun run;
    run.page.BlanksText = "2";
    run.Run(card.Write(dir.Path())[0], dir.File("old KELP.KL1"));
    EXPECT_TRUE(run.Uploaded("Please check next file - it may be old data.  Minute counter jumped by 49"));
    ASSERT_EQ(run.result.OutputFiles.size(), 2u); // one jump, one new file
    EXPECT_EQ(run.result.OutputFiles[1], dir.File("old KELP file002.KL1"));
    const DataFileHeader first = HeaderOf(ReadFileBytes(run.result.OutputFiles[0]));
    const DataFileHeader second = HeaderOf(ReadFileBytes(run.result.OutputFiles[1]));
    // The jumping marker was counted in the first file before the split.
    EXPECT_EQ(first.LastMinute(), TestStart + 3);
    EXPECT_EQ(second.FirstMinute(), TestStart + 4);
    EXPECT_TRUE(run.Uploaded("Timestamp defects 1 (not serious) "));

    // With another blanks limit the jump only counts as defects.
    DownloadRun other;
    other.page.BlanksText = "3";
    other.Run(dir.File("DATA0.ORV"), dir.File("old2 KELP.KL1"));
    EXPECT_EQ(other.result.OutputFiles.size(), 1u);
    EXPECT_TRUE(other.Uploaded("Timestamp defects 2 (not serious) "));
}

TEST(ReadSDdata, BlanksInsideTheDataAreKeptAndTheRunAtTheEndStopsTheConversion) {
    TempDir dir;
    TestCard card;
    card.Marker(1).Click(1000).Blanks(3, 0).Click(2000).Marker(2).Click(100).Blanks(12);
    DownloadRun run; // blanks limit 10
    run.Run(card.Write(dir.Path())[0], dir.File("bl.KL1"));
    const auto bytes = ReadFileBytes(dir.File("bl.KL1"));
    // 6 records in minute 1, marker + click + 10 blanks in minute 2, of which the terminator covers 2.
    ASSERT_EQ(bytes.size(), 360u + 18 * 10);
    EXPECT_TRUE(EndsWithTerminator(bytes));
    // A blank record of zeros converted: 1 cycle, 208 kHz from the end period, 10 kHz end, amplitude 1.
    EXPECT_EQ(RecordAt(bytes, 2), (std::vector<std::uint8_t>{0, 0, 0, 1, 0, 208, 10, 1, 209, 0}));
    for (int i = 8; i < 16; ++i) EXPECT_EQ(RecordAt(bytes, static_cast<std::size_t>(i))[0], 255) << i;
    EXPECT_EQ(run.page.MinutesReadLabel, "Max blanks 3");
    EXPECT_EQ(run.result.LongestBlankRun, 3);
    EXPECT_EQ(HeaderOf(bytes).ClickCount(), 16u);
    // A line for each blank record, and a time error for the first blank of zeros (time 0 after 1000).
    EXPECT_EQ(run.page.ErrorsList.size(), 15u);
    EXPECT_EQ(run.page.ErrorsList[1], "16\t1\t0\t1000\tt error");
    EXPECT_EQ(std::count(run.page.ErrorsList[0].begin(), run.page.ErrorsList[0].end(), '\t'), 1 + 101);
}

TEST(ReadSDdata, AMinuteKeepsAtMost65536Clicks) {
    TempDir dir;
    TestCard card;
    card.Marker(1);
    for (std::uint32_t t = 1; t <= 65'536; ++t) card.Click(t);
    card.Click(1); // skipped undecoded: no time error for it
    card.Marker(2).Click(5).Blanks(3);
    DownloadRun run;
    run.page.BlanksText = "2";
    run.Run(card.Write(dir.Path())[0], dir.File("full.KL1"));
    const auto bytes = ReadFileBytes(dir.File("full.KL1"));
    ASSERT_EQ(bytes.size(), 360u + (1 + 65'536 + 4) * 10);
    EXPECT_EQ(ReadBE24(RecordAt(bytes, 65'536).data()), 65'536u);
    EXPECT_EQ(RecordAt(bytes, 65'537)[9], 254);
    EXPECT_TRUE(std::none_of(run.page.ErrorsList.begin(), run.page.ErrorsList.end(),
                             [](const std::string& l) { return l.ends_with("t error"); }));
    EXPECT_EQ(run.result.ClicksWritten, 65'536 + 3);
}

TEST(ReadSDdata, ALargeOutputContinuesInFile002) {
    TempDir dir;
    TestCard card;
    card.Marker(1).Click(1).Click(2).Click(3).Marker(2).Click(4).Click(5).Click(6).Marker(3).Click(7).Blanks(
        3);
    DownloadRun run;
    run.page.BlanksText = "2";
    run.env.Limits.SplitBytes = 400; // passed by the end of the second minute (440 bytes)
    run.Run(card.Write(dir.Path())[0], dir.File("big KELP.KL1"));
    ASSERT_EQ(run.result.OutputFiles,
              (std::vector<std::string>{dir.File("big KELP.KL1"), dir.File("big KELP file002.KL1")}));
    const auto first = ReadFileBytes(run.result.OutputFiles[0]);
    const auto second = ReadFileBytes(run.result.OutputFiles[1]);
    EXPECT_EQ(first.size(), 440u + 20); // nothing of the data is covered by the terminator
    EXPECT_TRUE(EndsWithTerminator(first));
    EXPECT_EQ(ReadBE24(RecordAt(first, 7).data()), 6u);
    const MinuteNumber S = TestStart + 1;
    EXPECT_EQ(HeaderOf(first).LastMinute(), S + 1);
    EXPECT_EQ(HeaderOf(first).ClickCount(), 6u);
    const DataFileHeader h2 = HeaderOf(second);
    EXPECT_EQ(h2.FirstMinute(), S + 2);
    EXPECT_EQ(h2.OriginalFirstMinute(), S + 2);
    EXPECT_EQ(h2.EndpointStart(), S + 2);
    EXPECT_EQ(h2.LastMinute(), S + 2);
    EXPECT_EQ(h2.CreatedMinute(), run.now);
    EXPECT_EQ(h2.ClickCount(), 3u);
    EXPECT_EQ(second.size(), 360u + 4 * 10);
    EXPECT_EQ(RecordAt(second, 0)[9], 254);
    EXPECT_EQ(ReadBE24(RecordAt(second, 1).data()), 7u);
    EXPECT_TRUE(run.Uploaded(dir.File("big KELP file002.KL1") + "    1m    0Mb   0mins)"));
}

TEST(ReadSDdata, TheTwelfthOutputFileKeepsOnlyItsHeader) {
    TempDir dir;
    TestCard card;
    for (std::uint32_t m = 1; m <= 15; ++m) card.Marker(m).Click(m * 10);
    DownloadRun run;
    run.env.Limits.SplitBytes = 370; // every minute fills a file
    run.Run(card.Write(dir.Path())[0], dir.File("many KELP.KL1"));
    ASSERT_EQ(run.result.OutputFiles.size(), 12u);
    EXPECT_EQ(run.result.OutputFiles[11], dir.File("many KELP file012.KL1"));
    const auto eleventh = ReadFileBytes(run.result.OutputFiles[10]);
    EXPECT_EQ(eleventh.size(), 360u + 20 + 20);
    EXPECT_EQ(HeaderOf(eleventh).FirstMinute(), TestStart + 11);
    const auto twelfth = ReadFileBytes(run.result.OutputFiles[11]);
    EXPECT_EQ(twelfth.size(), 360u);
    EXPECT_EQ(HeaderOf(twelfth).FirstMinute(), TestStart + 12);
    EXPECT_FALSE(FileExists(dir.File("many KELP file012.k1m")));
    EXPECT_TRUE(LeftoverTemporaries(dir.Path()).empty());
}

TEST(ReadSDdata, TheFilesBeingWrittenAreKnownAsUnfinishedUntilRenamed) {
    TempDir dir;
    TestCard card;
    for (std::uint32_t m = 1; m <= 20; ++m) card.Marker(m).Click(100).Click(200);
    const std::string data0 = card.Write(dir.Path())[0];
    DownloadRun run;
    run.env.Limits.ChunkBytes = 100;
    std::vector<std::string> during;
    run.host.OnEvents = [&] {
        if (during.empty()) during = UnfinishedFileNames();
    };
    run.Run(data0, dir.File("KELP.KL1"));
    std::sort(during.begin(), during.end());
    EXPECT_EQ(during, (std::vector<std::string>{dir.File("KELP.KL1"), dir.File("KELP.k1m")}));
    EXPECT_TRUE(UnfinishedFileNames().empty());
}

TEST(ReadSDdata, AStopClosesTheFileWrittenSoFar) {
    TempDir dir;
    TestCard card;
    for (std::uint32_t m = 1; m <= 20; ++m) card.Marker(m).Click(100).Click(200).Click(300);
    const std::string data0 = card.Write(dir.Path())[0];
    DownloadRun whole;
    whole.env.Limits.ChunkBytes = 100;
    whole.Run(data0, dir.File("whole.KL1"));
    const auto all = ReadFileBytes(dir.File("whole.KL1"));

    DownloadRun run;
    run.env.Limits.ChunkBytes = 100;
    run.host.StopAfterEvents = 6;
    run.Run(data0, dir.File("part.KL1"));
    EXPECT_TRUE(run.result.StoppedByUser);
    EXPECT_TRUE(run.Uploaded("Download stopped by user before end of data"));
    EXPECT_EQ(run.page.SummaryList, std::vector<std::string>{"Part read from: "});
    EXPECT_EQ(run.host.KeepAwakeChanges, (std::vector<bool>{true, false}));
    const auto part = ReadFileBytes(dir.File("part.KL1"));
    ASSERT_GT(part.size(), 380u);
    ASSERT_LT(part.size(), all.size());
    EXPECT_TRUE(EndsWithTerminator(part));
    // The records written are the first minutes of the whole conversion, and the header agrees.
    EXPECT_TRUE(std::equal(part.begin() + 360, part.end() - 20, all.begin() + 360));
    // The minute being read when the stop came is counted in the last minute but not written.
    const std::int64_t minutes = static_cast<std::int64_t>(part.size() - 380) / 40;
    EXPECT_EQ(HeaderOf(part).LastMinute(), TestStart + minutes + 1);
}

TEST(ReadSDdata, AReadErrorLeavesTheFileWithItsFirstHeaderAndNoTerminator) {
    TempDir dir;
    TestCard card;
    for (std::uint32_t m = 1; m <= 20; ++m) card.Marker(m).Click(100).Click(200).Click(300);
    DownloadRun run;
    run.env.Limits.ChunkBytes = 100;
    run.env.ReadFault = [](int source, std::int64_t offset) { return source == 0 && offset > 600; };
    run.Run(card.Write(dir.Path())[0], dir.File("err.KL1"));
    EXPECT_TRUE(run.result.ReadFailed);
    EXPECT_TRUE(run.Uploaded("Unable to read from " + dir.File("DATA0.ORV")));
    const auto bytes = ReadFileBytes(dir.File("err.KL1"));
    EXPECT_FALSE(EndsWithTerminator(bytes));
    EXPECT_EQ((bytes.size() - 360) % 40, 0u);
    EXPECT_EQ(HeaderOf(bytes).LastMinute(), 0);
    EXPECT_EQ(HeaderOf(bytes).ClickCount(), 4096u); // still the card's block count
    EXPECT_FALSE(FileExists(dir.File("err.k1m")));
    EXPECT_EQ(run.host.KeepAwakeChanges, (std::vector<bool>{true, false}));
}

TEST(ReadSDdata, AnEmptyDataFileStartsANewStreamInTheNextOne) {
    TempDir dir;
    TestCard head;
    head.Marker(1).Click(100).Click(200); // the last 10 bytes stand for the start of DATA1
    head.Write(dir.Path());
    WriteFileBytes(dir.File("DATA1.ORV"), {});
    TestCard rest;
    rest.Click(300).Marker(2).Click(400).Blanks(3);
    WriteFileBytes(dir.File("DATA2.ORV"), rest.Stream);
    DownloadRun run;
    run.page.BlanksText = "2";
    run.Run(dir.File("DATA0.ORV"), dir.File("gap.KL1"));
    EXPECT_EQ(run.host.DurationOf("Numread < 10. End found in GetNextBlock 3"), 15000);
    EXPECT_EQ(run.page.ErrorsList[0], "1\t300\tSuppressPreStart");
    const auto bytes = ReadFileBytes(dir.File("gap.KL1"));
    EXPECT_EQ(ReadBE24(RecordAt(bytes, 1).data()), 100u);
    EXPECT_EQ(RecordAt(bytes, 2)[9], 254);
    EXPECT_EQ(ReadBE24(RecordAt(bytes, 3).data()), 400u);
}

TEST(ReadSDdata, NoMoreThan32SourceFiles) {
    TempDir dir;
    TestCard card;
    for (std::uint32_t m = 1; m <= 1000; ++m) card.Marker(m).Click(100).Click(200).Click(300).Click(400);
    const auto files = card.Write(dir.Path(), 1024);
    ASSERT_GT(files.size(), 34u);
    DownloadRun run;
    run.Run(files[0], dir.File("lim.KL1"));
    EXPECT_EQ(
        run.host.DurationOf("program cannot handle more than 32 source files. Please contact Tobin Marr"),
        10000);
    // What DATA0 .. DATA32 hold is converted, up to the last whole minute record.
    const std::int64_t stream = (1024 - 512) + 32 * (1024 - 10);
    const auto bytes = ReadFileBytes(dir.File("lim.KL1"));
    EXPECT_EQ(static_cast<std::int64_t>(bytes.size() - 380) / 10, stream / 46 * 5 + (stream % 46 + 4) / 10);
}

} // namespace
} // namespace kelp::testing
