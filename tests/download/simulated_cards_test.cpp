// Simulated deployments through the download: a card split over several data files, read in
// chunks of any size, converts to exactly the same KL1 file; defects and limits show up as the
// download reports them.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "core/header.h"
#include "core/records.h"
#include "download/card_diagnostics.h"
#include "simulator/logger_simulator.h"
#include "tests/download/card_support.h"

namespace kelp::testing {
namespace {

SimulationOptions Deployment(const std::string& folder, std::int64_t minutes = 40, std::uint64_t seed = 11) {
    SimulationOptions o;
    o.OutFolder = folder;
    o.Minutes = minutes;
    o.Seed = seed;
    o.Scenario = "mixed";
    o.Activity = 20; // plenty of trains in a short card
    return o;
}

std::vector<std::uint8_t> Convert(const std::string& data0, const std::string& out, std::int64_t chunk,
                                  const std::string& blanks = "10") {
    DownloadRun run;
    run.page.BlanksText = blanks;
    run.env.Limits.ChunkBytes = chunk;
    run.Run(data0, out);
    EXPECT_EQ(run.result.OutputFiles.size(), 1u);
    return ReadFileBytes(out);
}

// Where two KL1 files differ, for a readable failure. A clipped click whose successor lies beyond
// the end of the chunk in memory keeps 255 where a whole read gives 254: that difference is allowed.
std::string Difference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    if (a.size() != b.size()) return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i]) continue;
        const bool clipped = i >= HeaderLength && (i - HeaderLength) % 10 == 7 && a[i] == 255 && b[i] == 254;
        if (!clipped) return "first difference at " + std::to_string(i);
    }
    return "";
}

// The decoded minutes of a KL1 file: per minute, the click records.
std::vector<std::vector<ClickRecord>> Minutes(const std::vector<std::uint8_t>& file) {
    std::vector<std::vector<ClickRecord>> minutes;
    RecordLayout layout;
    for (std::size_t at = HeaderLength; at + 10 <= file.size(); at += 10) {
        const std::uint8_t* r = &file[at];
        if (r[9] == TypeEndOfData) break;
        if (r[9] == TypeMinuteMarker) {
            minutes.emplace_back();
            continue;
        }
        ClickRecord c;
        DecodeClick(r, layout, c);
        minutes.back().push_back(c);
    }
    return minutes;
}

TEST(SimulatedCards, ASplitCardConvertsAsOneWhateverTheChunkSize) {
    TempDir dir;
    // Short enough that the smallest split stays within the 33 data files a card may have.
    SimulationOptions o = Deployment(dir.File("whole"), 15);
    o.ErasedTailBytes = 200;
    const SimulationResult one = SimulateCard(o);
    ASSERT_TRUE(one.Ok) << one.Error;
    const auto reference = Convert(one.Files[0], dir.File("ref.KL1"), 1'048'586);
    ASSERT_GT(reference.size(), 20'000u);

    for (const std::int64_t split : {3'517, 4'096, 20'011}) {
        o.OutFolder = dir.File("split" + std::to_string(split));
        o.SplitBytes = split;
        const SimulationResult parts = SimulateCard(o);
        ASSERT_TRUE(parts.Ok) << parts.Error;
        ASSERT_GT(parts.Files.size(), 1u);
        ASSERT_LE(parts.Files.size(), 33u);
        for (const std::int64_t chunk : {64, 97, 1000, 1'048'586}) {
            const std::string out =
                dir.File("s" + std::to_string(split) + "c" + std::to_string(chunk) + ".KL1");
            const auto converted = Convert(parts.Files[0], out, chunk);
            // Every byte is the same, the header included.
            EXPECT_EQ(Difference(converted, reference), "") << "split " << split << " chunk " << chunk;
        }
    }
}

TEST(SimulatedCards, TheConversionKeepsEveryRecordedClick) {
    TempDir dir;
    const SimulationOptions o = Deployment(dir.Path(), 30, 5);
    const SimulationResult card = SimulateCard(o);
    ASSERT_TRUE(card.Ok) << card.Error;
    const auto bytes = Convert(card.Files[0], dir.File("all.KL1"), 1'048'586);
    const auto minutes = Minutes(bytes);
    ASSERT_EQ(static_cast<std::int64_t>(minutes.size()), o.Minutes);
    std::int64_t clicks = 0;
    for (const auto& m : minutes) {
        clicks += static_cast<std::int64_t>(m.size());
        for (std::size_t i = 1; i < m.size(); ++i) EXPECT_LE(m[i - 1].Time, m[i].Time);
    }
    EXPECT_EQ(clicks, card.Clicks);
    DataFileHeader h;
    std::copy_n(bytes.begin(), HeaderLength, h.Bytes.begin());
    EXPECT_EQ(h.ClickCount(), static_cast<std::uint32_t>(card.Clicks));
    EXPECT_EQ(h.LastMinute() - h.FirstMinute() + 1, o.Minutes);
}

TEST(SimulatedCards, DefectsAndLimitsAsTheDownloadReportsThem) {
    TempDir dir;
    SimulationOptions o = Deployment(dir.Path(), 12, 3);
    o.Scenario = "porpoise";
    o.ClickLimitCode = 0;
    o.ErasedTailBytes = 100;
    std::string error;
    for (const char* text : {"prestart:3", "jump:6:100", "disorder:4", "blanks:8:4", "flood:10:65600"}) {
        SimulatedDefect d;
        ASSERT_TRUE(ParseSimulatedDefect(text, d, error)) << error;
        o.Defects.push_back(d);
    }
    const SimulationResult card = SimulateCard(o);
    ASSERT_TRUE(card.Ok) << card.Error;

    DownloadRun run;
    run.page.BlanksText = "2";
    run.Run(card.Files[0], dir.File("defects.KL1"));
    const auto& errors = run.page.ErrorsList;
    const auto count = [&](const std::string& ending) {
        return std::count_if(errors.begin(), errors.end(),
                             [&](const std::string& l) { return l.ends_with(ending); });
    };
    EXPECT_EQ(count("\tSuppressPreStart"), 3);
    EXPECT_GE(count("\tt error"), 1);
    // The jump of 100 minutes starts a new file (blanks limit 2); the four blanks inside minute 8
    // end the conversion there, so minute 10's flood is never reached.
    EXPECT_TRUE(run.Uploaded("Please check next file - it may be old data.  Minute counter jumped by 100"));
    ASSERT_EQ(run.result.OutputFiles.size(), 2u);
    EXPECT_EQ(Minutes(ReadFileBytes(run.result.OutputFiles[0])).size(), 5u);

    // With a larger blanks limit the blanks are kept, and the flooded minute keeps 65,536 clicks.
    DownloadRun more;
    more.page.BlanksText = "10";
    more.Run(card.Files[0], dir.File("defects10.KL1"));
    ASSERT_EQ(more.result.OutputFiles.size(), 1u);
    const auto minutes = Minutes(ReadFileBytes(more.result.OutputFiles[0]));
    ASSERT_EQ(minutes.size(), 12u);
    EXPECT_EQ(minutes[9].size(), 65'536u);
    EXPECT_TRUE(more.Uploaded("Timestamp defects 7 (not serious) "));
    EXPECT_EQ(more.result.LongestBlankRun, 4);
}

TEST(SimulatedCards, ACardOfRandomBytesIsConvertedWithoutHarm) {
    TempDir dir;
    std::uint64_t x = 12345;
    for (int round = 0; round < 6; ++round) {
        const std::string card = dir.File("card" + std::to_string(round));
        std::filesystem::create_directories(card);
        for (int file = 0; file < 3; ++file) {
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(700 + 9'000 * round + 37 * file));
            for (auto& b : bytes) {
                x = x * 6364136223846793005ULL + 1442695040888963407ULL;
                b = static_cast<std::uint8_t>(x >> 56);
                // Now and then a marker byte, as a damaged card might hold.
                if ((x >> 40) % 97 == 0) b = 254;
            }
            WriteFileBytes(card + "/DATA" + std::to_string(file) + ".ORV", bytes);
        }
        DownloadRun run;
        run.page.BlanksText = round % 2 ? "2" : "50";
        run.env.Limits.ChunkBytes = 64 + 100 * round;
        run.env.Limits.SplitBytes = 2'000;
        run.Run(card + "/DATA0.ORV", dir.File("random" + std::to_string(round) + ".KL1"));
        EXPECT_TRUE(run.result.Started);
        for (const auto& out : run.result.OutputFiles) {
            const auto bytes = ReadFileBytes(out);
            ASSERT_GE(bytes.size(), 360u);
            EXPECT_EQ((bytes.size() - 360) % 10, 0u) << out;
        }
        EXPECT_EQ(run.host.KeepAwakeChanges, (std::vector<bool>{true, false}));

        // The checks read the same bytes without harm too.
        HeadlessHost host;
        ReadSDPage page;
        host.OpenAnswers = {{card + "/DATA0.ORV"}, {card + "/DATA0.ORV"}};
        ShowSummaryBtnClick(host, page);
        ReadDATAfileForCodeErrors(host, page);
        EXPECT_EQ(host.DurationOf("Done"), 2000);
    }
}

} // namespace
} // namespace kelp::testing
