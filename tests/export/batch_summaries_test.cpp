#include <gtest/gtest.h>

#include <limits>

#include "core/file_io.h"
#include "export/batch_lists.h"
#include "export/noise_summary.h"
#include "export/number_text.h"
#include "tests/export/export_fixture.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;
using testing::ExportTest;
using testing::Fields;
using testing::GradedClick;

struct Clk {
    std::int32_t Time;
    int Quality = QualityHi;
    int Species = SpeciesPorpoise;
};

// A KL3 marker: temperature 100, angle 60, last click time, click count code, 120-160 kHz code.
std::vector<std::uint8_t> Marker(int lastClickTime = 180, int nClicks = 5, int above120 = 0) {
    std::vector<std::uint8_t> m(20, 0);
    m[3] = 100;
    m[4] = 60;
    m[6] = static_cast<std::uint8_t>(lastClickTime);
    m[7] = static_cast<std::uint8_t>(nClicks);
    m[8] = static_cast<std::uint8_t>(above120);
    m[19] = TypeMinuteMarker;
    return m;
}

class BatchSummaryTest : public ExportTest {
protected:
    std::string Kl3(const std::string& name, MinuteNumber first, int minutes,
                    const std::function<std::vector<Clk>(int)>& clicks,
                    const std::function<std::vector<std::uint8_t>(int)>& marker = {}) {
        DataFileBuilder b(FileKind::KL3, first);
        b.Header().Bytes[81] = 1; // 1024 clicks a minute at most
        b.Header().Bytes[88] = 3;
        b.Header().Bytes[89] = 77;
        for (int m = 0; m < minutes; ++m) {
            b.Minute(marker ? marker(m) : Marker());
            for (const Clk& c : clicks(m)) b.Click(GradedClick(c.Time, c.Quality, c.Species), 9);
        }
        return b.Write(dir.File(name));
    }

    // The summary line of each file, after the header.
    std::vector<std::string> Noise(const std::vector<std::string>& files, int jobs = 1) {
        host.Results().Clear();
        last = ListNoise(program, host, files, jobs);
        auto lines = host.Results().Lines();
        EXPECT_EQ(lines.front(), NoiseSummaryHeader);
        lines.erase(lines.begin());
        return lines;
    }
    BatchRunResult last;
};

std::vector<Clk> NoClicks(int) {
    return {};
}

TEST(NumberText, SignificantDigitsThenFixedDecimals) {
    struct Case {
        double Value;
        int Significant, Decimals;
        const char* Text;
    };
    for (const Case& c : {Case{45.678, 4, 4, "45.6800"}, Case{4.5678, 4, 4, "4.5680"},
                          Case{100.0, 4, 4, "100.0000"}, Case{16.6666667, 4, 4, "16.6700"},
                          Case{0.138889, 5, 1, "0.1"}, Case{0.0, 4, 2, "0.00"}, Case{99.996, 4, 2, "100.00"}})
        EXPECT_EQ(SignificantDecimals(c.Value, c.Significant, c.Decimals), c.Text) << c.Value;
}

TEST_F(BatchSummaryTest, ShortFilesAndFilesStartingOffTheHour) {
    // Minute 0 and 70 hold a porpoise click: minute 0 falls into a partial block at 10:05.
    const auto clicks = [](int m) {
        return m == 0 || m == 70 ? std::vector<Clk>{{1000}} : std::vector<Clk>{};
    };
    const std::string short_ = Kl3("short.KL3", MakeMinute(2024, 6, 1, 10, 0), 59, clicks);
    const std::string atTen = Kl3("ten.KL3", MakeMinute(2024, 6, 1, 10, 0), 120, clicks);
    const std::string atFive = Kl3("five.KL3", MakeMinute(2024, 6, 1, 10, 5), 120, clicks);
    const auto lines = Noise({short_, atTen, atFive});
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "short.KL3\tFile duration too short");
    const auto ten = Fields(lines[1]), five = Fields(lines[2]);
    // Whole hours, mins ON, then the PorpAll DPM, DP10M and DPH.
    EXPECT_EQ(ten[2], "2");
    EXPECT_EQ(ten[3], "120");
    EXPECT_EQ(ten[9] + " " + ten[10] + " " + ten[11], "1.6670 16.6700 100.0000");
    EXPECT_EQ(five[2], "1");
    EXPECT_EQ(five[3], "120");
    // 11 complete blocks (10:10 .. 11:59), one with a detection; the hour 11:00 has one.
    EXPECT_EQ(five[9] + " " + five[10] + " " + five[11], "1.6670 9.0910 100.0000");
    EXPECT_EQ(last.Failed, 0);
}

TEST_F(BatchSummaryTest, FamiliesByQualityAndSpecies) {
    const std::string file = Kl3("classes.KL3", MakeMinute(2024, 6, 1, 10, 0), 60, [](int m) {
        switch (m) {
        case 0:
            return std::vector<Clk>{{1000, QualityLo}, {2000, QualityUnknown}}; // PorpAll only
        case 1:
            return std::vector<Clk>{{1000, QualityMod}}; // PorpMod too
        case 2:
            return std::vector<Clk>{{1000, QualityHi, SpeciesDolphin}}; // DolMod
        case 3:
            return std::vector<Clk>{{1000, QualityLo, SpeciesDolphin}}; // none
        default:
            return std::vector<Clk>{};
        }
    });
    const auto f = Fields(Noise({file}).at(0));
    ASSERT_EQ(f.size(), 18u);
    const std::vector<std::string> percentages(f.begin() + 9, f.end());
    EXPECT_EQ(percentages, (std::vector<std::string>{"3.3330", "16.6700", "100.0000", "1.6670", "16.6700",
                                                     "100.0000", "1.6670", "16.6700", "100.0000"}));
}

TEST_F(BatchSummaryTest, TruncatedMinutesNoiseAndClicksAbove120kHz) {
    // Hour 10: minute 5 truncated (last click 83: 100 units lost), minute 20 holds a Mod+ click,
    // minute 30 truncated after it. Hour 11: 60 minutes of 320 quiet clicks, above the threshold.
    const std::string file = Kl3(
        "lost.KL3", MakeMinute(2024, 6, 1, 10, 0), 120,
        [](int m) {
            return m == 20 ? std::vector<Clk>{{1000, QualityMod}} : std::vector<Clk>{};
        },
        [](int m) {
            if (m == 5 || m == 30) return Marker(83, 255, 2);
            return Marker(180, m >= 60 ? 0x5A : 5, 2);
        });
    BatchPageOf(program).NoiseThreshold = 10'000; // hour 10: 19 x 5 + 1024 quiet clicks
    const auto f = Fields(Noise({file}).at(0));
    ASSERT_EQ(f.size(), 18u);
    const std::int64_t all = 58 * 5 + 2 * 1024 + 60 * 320;
    EXPECT_EQ(f[4], std::to_string(all));
    EXPECT_EQ(f[5], SignificantDecimals(240.0 * 100 / static_cast<double>(all), 5, 1));
    EXPECT_EQ(f[6], "1");    // noisy hours
    EXPECT_EQ(f[7], "1");    // trunc mins
    EXPECT_EQ(f[8], "0.46"); // 100 / (120 x 1.8)
}

TEST_F(BatchSummaryTest, BrokenAndOtherFilesGiveTheirLineAndTheBatchGoesOn) {
    const std::string good = Kl3("good.KL3", MakeMinute(2024, 6, 1, 10, 0), 60, NoClicks);
    const std::string both = MakeFile("raw.KL3", FileKind::KL1, MakeMinute(2024, 6, 1, 10, 0), 3,
                                      [](int) { return std::vector<testing::TrainClickAt>{}; });
    DataFileBuilder b(FileKind::KL3, MakeMinute(2024, 6, 1, 10, 0));
    std::vector<std::uint8_t> junk(20, 0);
    junk[19] = 200; // no record
    b.Minute(Marker()).Raw(junk).Minute(Marker());
    const std::string broken = b.Write(dir.File("broken.KL3"));
    // Named with another extension: the KL3 file of the same name is read.
    const auto lines = Noise({dir.File("good.KL1"), dir.File("gone.KL3"), both, broken, good}, 2);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(Fields(lines[0])[0], "good.KL3");
    EXPECT_EQ(lines[1], "ERROR " + dir.File("gone.KL3"));
    EXPECT_EQ(lines[2], "raw.KL3\tnot a KL3 file");
    EXPECT_EQ(lines[3], "ERROR " + broken);
    EXPECT_EQ(lines[4], lines[0]);
    EXPECT_EQ(last.Failed, 3);
    EXPECT_EQ(program.SourceBox.back(), "3 of 5 files could not be read");
    EXPECT_FALSE(program.Slot(1).IsOpen);
}

// ESC ends a batch after the files under way, which are still listed in their order.
TEST_F(BatchSummaryTest, EscapeEndsTheBatchAfterTheFilesUnderWay) {
    std::vector<std::string> files;
    for (int i = 0; i < 6; ++i)
        files.push_back(
            Kl3("f" + std::to_string(i) + ".KL3", MakeMinute(2024, 6, 1 + i, 10, 0), 3, NoClicks));
    for (int jobs : {1, 2}) {
        host.Results().Clear();
        host.EscapeFlag = true;
        const BatchRunResult r = ListFiles(program, host, files, jobs);
        host.EscapeFlag = false;
        EXPECT_TRUE(r.Stopped);
        ASSERT_GE(r.Done, 1);
        EXPECT_LT(r.Done, 6);
        const auto lines = host.Results().Lines();
        ASSERT_EQ(lines.size(), static_cast<std::size_t>(r.Done + 1)) << jobs;
        for (int i = 0; i < r.Done; ++i)
            EXPECT_EQ(Fields(lines[static_cast<std::size_t>(i + 1)])[0], "f" + std::to_string(i) + ".KL3");
        EXPECT_FALSE(r.Ok());
    }
}

TEST(ListFiles, CountsFromTheFileSize) {
    FileSlot s;
    s.ShortName = "site.KL3";
    s.LoggerNumberText = "01104";
    s.RecordLength = 20;
    s.FileSize = 360 + 20 * 11'442;
    s.FirstMinute = MakeMinute(2024, 1, 1, 0, 0);
    s.LastMinute = s.FirstMinute + 1440;
    const auto f = Fields(ListFilesLine(s, false));
    EXPECT_EQ(std::vector<std::string>(f.begin() + 6, f.end()),
              (std::vector<std::string>{"1.00", "10000", "10000", "417"}));
    EXPECT_EQ(f[1], "'01104");
    EXPECT_EQ(f[2], "01/01/2024 00:00");
    EXPECT_EQ(Fields(ListFilesLine(s, true)).size(), 6u);
}

TEST_F(BatchSummaryTest, TabulateDaysSumsTheFilesPerCalendarDay) {
    // 23:00 on 1 June to 00:59 on 2 June, and 12:00 to 17:59 on 3 June.
    const std::string a = Kl3("a.KL3", MakeMinute(2024, 6, 1, 23, 0), 120, NoClicks);
    const std::string b = Kl3("b.KL3", MakeMinute(2024, 6, 3, 12, 0), 360, NoClicks);
    // Two minutes whose header claims to run for four thousand years: an error line, not a
    // table of a million days.
    DataFileBuilder damaged(FileKind::KL3, MakeMinute(2024, 6, 2, 0, 0));
    damaged.Minute(Marker()).Minute(Marker()).KeepHeaderMinutes();
    damaged.Header().SetLastMinute(std::numeric_limits<MinuteNumber>::max());
    const std::string c = damaged.Write(dir.File("c.KL3"));
    host.Results().Clear();
    const BatchRunResult r = TabulateDays(program, host, {b, dir.File("none.KL3"), c, a}, 2);
    const std::vector<std::string> expected{
        "Day of year\tN KELP days", "ERROR " + dir.File("none.KL3"), "ERROR " + c + TabulateDaysBadRangeText,
        "01/06/2024 00:00\t0.04",   "02/06/2024 00:00\t0.04",        "03/06/2024 00:00\t0.25"};
    EXPECT_EQ(host.Results().Lines(), expected);
    EXPECT_EQ(r.Failed, 2);
    EXPECT_EQ(BatchPageOf(program).TabulateDaysButton, "List days");
    EXPECT_EQ(program.SourceBox.front(), "Done!  List is on the Results page");
}

TEST_F(BatchSummaryTest, TabulateDaysRefusesEndpointsThatEndBeforeTheyStart) {
    const MinuteNumber first = MakeMinute(2024, 6, 2, 0, 0);
    DataFileBuilder b(FileKind::KL3, first);
    b.Minute(Marker()).Minute(Marker()).Minute(Marker()).KeepHeaderMinutes();
    b.Header().SetLastMinute(first + 2);
    b.Header().SetEndpointStart(first + 2);
    b.Header().SetEndpointEnd(first + 1);
    const std::string file = b.Write(dir.File("e.KL3"));
    program.Options.UseEndpoints = true;
    host.Results().Clear();
    TabulateDays(program, host, {file});
    EXPECT_EQ(host.Results().Lines(), (std::vector<std::string>{"Day of year\tN KELP days",
                                                                "ERROR " + file + TabulateDaysBadRangeText}));
}

TEST_F(BatchSummaryTest, ListSettingsAndItsFailureLine) {
    const std::string a = Kl3("a.KL3", MakeMinute(2024, 6, 1, 23, 0), 2, NoClicks);
    host.Results().Clear();
    ListSettings(program, host, {dir.File("x/none.KL3"), a});
    const auto lines = host.Results().Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "Failed to read none.KL3");
    const auto f = Fields(lines[2]);
    ASSERT_EQ(f.size(), 17u);
    EXPECT_EQ(f[0], "a.KL3");
    EXPECT_EQ(f[2], "2"); // the envelope coding kind, at least 1
    EXPECT_EQ(f[8] + " " + f[9], "5 77");
}

} // namespace
} // namespace kelp
