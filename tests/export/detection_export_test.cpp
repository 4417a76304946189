#include <gtest/gtest.h>

#include "core/file_io.h"
#include "core/filters.h"
#include "export/export_output.h"
#include "export/export_page.h"
#include "tests/export/export_fixture.h"

namespace kelp {
namespace {

using testing::ExportTest;
using testing::TrainClickAt;

const MinuteNumber TenTwenty = MakeMinute(2024, 6, 1, 10, 20);

std::vector<TrainClickAt> None(int) {
    return {};
}

TEST_F(ExportTest, HoursFromTenTwentyStartWithAFortyMinutePeriodEndingAt1059) {
    const std::string path = MakeFile("site.KL3", FileKind::KL3, TenTwenty, 130, [](int m) {
        if (m == 0 || m == 45 || m == 46 || m == 129) return std::vector<TrainClickAt>{{1000, 5}, {9000, 5}};
        if (m == 50) return std::vector<TrainClickAt>{{1000, 6, QualityLo}}; // filtered out
        return std::vector<TrainClickAt>{};
    });
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    const std::vector<std::string> expected{
        "site.KL3",
        "KELP 1104",
        "01/06/2024 10:20",
        "01/06/2024 12:29",
        "Mins in first time period =\t40",
        "Mins in last time period =\t30",
        "No click filters",
        "Quality: Hi, Mod.  ",
        "DPM Train Detection-positive minutes per 60mins.  Time shown is end of period",
        "time\tDPM",
        "01/06/2024 10:59\t1",
        "01/06/2024 11:59\t2",
        "01/06/2024 12:29\t1"};
    EXPECT_EQ(ExportToResults(), expected);
    EXPECT_EQ(host.ProgressLabels.front(), "Exporting from site.KL3");
    EXPECT_EQ(host.ProgressLabels.back(), " Data export completed");
}

// Every minute has a click: each full period reaches the most its item can count.
TEST_F(ExportTest, PositiveCountsReachTheirPeriodsLimits) {
    const std::string path =
        MakeFile("busy.KL3", FileKind::KL3, MakeMinute(2024, 3, 1, 0, 0), 2 * 1440 + 30, [](int) {
            return std::vector<TrainClickAt>{{500, 9}};
        });
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    struct Case {
        ExportItem Item;
        ExportPeriod Period;
        std::string First, Last;
    };
    for (const Case& c :
         {Case{ExportItem::Dph, ExportPeriod::Days, "01/03/2024 23:59\t24", "03/03/2024 00:29\t1"},
          Case{ExportItem::Dp10m, ExportPeriod::Hours, "01/03/2024 00:59\t6", "03/03/2024 00:29\t3"},
          Case{ExportItem::Dpm, ExportPeriod::TenMinutes, "01/03/2024 00:09\t10", "03/03/2024 00:29\t10"},
          Case{ExportItem::Dpm, ExportPeriod::All, "03/03/2024 00:29\t2910", "03/03/2024 00:29\t2910"},
          Case{ExportItem::Clicks, ExportPeriod::QuarterTides, "01/03/2024 02:17\t138\t0",
               "03/03/2024 00:29\t168\t0"}}) {
        ChooseDataItem(Page(), c.Item);
        Page().Period = c.Period;
        const auto lines = ExportLines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[1], c.First) << ExportItemName(c.Item);
        EXPECT_EQ(lines.back(), c.Last) << ExportItemName(c.Item);
    }
}

TEST_F(ExportTest, OmitNegativeDropsEmptyPeriodsButKeepsConditionsWithMinutesOn) {
    // Hour 2 has clicks; hour 3 has its logger switched off (angle outside 0..120, no clicks logged).
    const std::string path = MakeFile(
        "quiet.KL3", FileKind::KL3, MakeMinute(2024, 6, 1, 0, 0), 180,
        [](int m) {
            return m == 70 ? std::vector<TrainClickAt>{{500, 5}} : std::vector<TrainClickAt>{};
        },
        [](int m) {
            std::vector<std::uint8_t> r(20, 0);
            r[3] = 100;
            r[4] = m >= 120 ? 200 : 64; // 60 degrees, or off
            return r;
        });
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    Page().OmitNegative = true;
    Page().Period = ExportPeriod::Hours;
    ChooseDataItem(Page(), ExportItem::Dpm);
    EXPECT_EQ(ExportLines(), (std::vector<std::string>{"time\tDPM", "01/06/2024 01:59\t1"}));
    ChooseDataItem(Page(), ExportItem::Conditions);
    EXPECT_EQ(ExportLines(),
              (std::vector<std::string>{"time\tTemp\tAngle\t%Time lost\tMinutes ON\tN filtered/m\tN all/m",
                                        "01/06/2024 00:59\t20.00\t60.0\t0.0\t60\t0.00\t0.0",
                                        "01/06/2024 01:59\t20.00\t60.0\t0.0\t60\t0.02\t0.0"}));
    // The conditions count every click: the filters are switched off.
    EXPECT_TRUE(program.Clicks.Ignore);
}

TEST_F(ExportTest, ConditionsOfOneMinutePeriodsAreThoseOfTheMinute) {
    const std::string path = MakeFile("cond.KL3", FileKind::KL3, TenTwenty, 3, None, [](int m) {
        std::vector<std::uint8_t> r(20, 0);
        r[3] = static_cast<std::uint8_t>(100 + m); // 20.0, 20.2, 20.4 degrees
        r[4] = 64;                                 // 60 degrees
        r[6] = 83;                                 // last click 100 units before the minute's end
        r[7] = m == 1 ? 255 : 3;                   // minute 1 reached the click limit
        return r;
    });
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    ChooseDataItem(Page(), ExportItem::Conditions);
    Page().Period = ExportPeriod::OneMinute;
    const auto lines = ExportLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "01/06/2024 10:20\t20.00\t60.0\t0.0\t1\t0.00\t3.0");
    EXPECT_EQ(lines[2].substr(0, 32), "01/06/2024 10:21\t20.20\t60.0\t54.6");
    EXPECT_EQ(lines[3], "01/06/2024 10:22\t20.40\t60.0\t0.0\t1\t0.00\t3.0");
}

TEST_F(ExportTest, KL3OnlyItemsAreRefusedForOtherFiles) {
    const std::string path = MakeFile("raw.KL1", FileKind::KL1, TenTwenty, 3, None);
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    ChooseDataItem(Page(), ExportItem::Dpm);
    EXPECT_TRUE(ExportToResults().empty());
    EXPECT_EQ(host.DurationOf("File 1: Detections can only be exported from .KL3 files"), 5000);
    ChooseDataItem(Page(), ExportItem::Dp10m);
    EXPECT_EQ(ExportToResults(), std::vector<std::string>{"raw.KL1  -  not a KL3 file"});
    EXPECT_EQ(host.DurationOf(NotKL3DataText), 10000);
    ChooseDataItem(Page(), ExportItem::Clicks);
    EXPECT_EQ(ExportLines().front(), "time\tN clx");
    // Without a checked box of an open file.
    Page().FileBoxes = {false, false, true, false};
    ExportToResults();
    EXPECT_TRUE(host.Showed(SelectFileText));
}

TEST_F(ExportTest, TrainDurationAndClickRepeatTime) {
    const std::string path = MakeFile("trains.KL3", FileKind::KL3, TenTwenty, 2, [](int m) {
        if (m == 0) return std::vector<TrainClickAt>{{1000, 5}, {2000, 7}, {3000, 5}, {6000, 5}, {201000, 5}};
        return std::vector<TrainClickAt>{{500, 5}, {900, 8}}; // single clicks of their trains
    });
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    Page().Period = ExportPeriod::OneMinute;
    ChooseDataItem(Page(), ExportItem::TrainDuration);
    EXPECT_EQ(ExportLines(),
              (std::vector<std::string>{"time\tMillisecs", "01/06/2024 10:20\t1000", "01/06/2024 10:21\t0"}));
    ChooseDataItem(Page(), ExportItem::ClickRepeat);
    EXPECT_FALSE(Page().PeriodEnabled);
    EXPECT_EQ(ExportLines(),
              (std::vector<std::string>{"min\tTrain N\tICI us\tClicks/s", "01/06/2024 10:20\t5\t10000\t100",
                                        "01/06/2024 10:20\t5\t15000\t66", "01/06/2024 10:20\t5\t975000\t1"}));
}

TEST_F(ExportTest, TimeColumnsByDateFormatAndUnit) {
    const MinuteNumber t = MakeMinute(2024, 1, 1, 0, 0);
    const std::string minute = std::to_string(t);
    const std::string julian = std::to_string(t / 1440 + 2415018);
    struct Case {
        ExportDateFormat Format;
        ExportDateUnit Unit;
        std::string Columns, Header;
    };
    for (const Case& c :
         {Case{ExportDateFormat::Text, ExportDateUnit::Minutes, "01/01/2024 00:00\t", "time\tDPH"},
          Case{ExportDateFormat::Unit, ExportDateUnit::Minutes, minute + "\t",
               "minute since start 1900\tDPH"},
          Case{ExportDateFormat::Unit, ExportDateUnit::Days, julian + "\t", "Julian Day\tDPH"},
          Case{ExportDateFormat::Both, ExportDateUnit::Days, "01/01/2024 00:00\t" + julian + "\t",
               "time\tJulian Day\tDPH"},
          Case{ExportDateFormat::None, ExportDateUnit::Days, "", "DPH"}}) {
        ExportPage page;
        page.DataItem = ExportItem::Dph;
        page.DateFormat = c.Format;
        page.DateUnit = c.Unit;
        EXPECT_EQ(ExportTimeColumns(page, t), c.Columns);
        EXPECT_EQ(ExportColumnHeader(page, FileKind::KL3), c.Header);
        page.OneFile = true;
        EXPECT_EQ(ExportColumnHeader(page, FileKind::KL3), "FileN\t" + c.Header);
    }
    EXPECT_EQ(julian, "2460310"); // 1 January 2024: the day count from 30/12/1899 + 2,415,018
}

TEST_F(ExportTest, PageAdjustmentsKeepThePeriodLongEnough) {
    struct Case {
        ExportItem Item;
        ExportPeriod Chosen, After;
        const char* Message;
    };
    for (const Case& c :
         {Case{ExportItem::Dp10m, ExportPeriod::OneMinute, ExportPeriod::Days, PeriodChangedForDp10mText},
          Case{ExportItem::Dp10m, ExportPeriod::TenMinutes, ExportPeriod::TenMinutes, nullptr},
          Case{ExportItem::Dph, ExportPeriod::OneMinute, ExportPeriod::Days, PeriodChangedForDphText},
          Case{ExportItem::Dph, ExportPeriod::TenMinutes, ExportPeriod::Days, PeriodChangedForDphText},
          Case{ExportItem::Dph, ExportPeriod::QuarterTides, ExportPeriod::QuarterTides, nullptr},
          Case{ExportItem::Dpm, ExportPeriod::OneMinute, ExportPeriod::OneMinute, nullptr}}) {
        ExportPage page;
        page.Period = c.Chosen;
        ChooseDataItem(page, c.Item); // choosing the item: silently
        EXPECT_EQ(page.Period, c.After);
        HeadlessHost h;
        page.Period = c.Chosen;
        EXPECT_EQ(AdjustExportPage(page, h),
                  c.Message == nullptr); // at the start of an export: with the message
        EXPECT_EQ(page.Period, c.After);
        EXPECT_EQ(h.MessageTexts(),
                  c.Message ? std::vector<std::string>{c.Message} : std::vector<std::string>{});
    }
    ExportPage page;
    ChooseDataItem(page, ExportItem::ClickRepeat);
    EXPECT_FALSE(page.OmitNegativeEnabled || page.PeriodEnabled);
    ChooseDataItem(page, ExportItem::TrainDuration); // leaves them as they are
    EXPECT_FALSE(page.OmitNegativeEnabled || page.PeriodEnabled);
    ChooseDataItem(page, ExportItem::Noise);
    EXPECT_TRUE(page.OmitNegativeEnabled && page.PeriodEnabled && page.OneFileEnabled);
    EXPECT_FALSE(page.OneFile);
    ChooseTo(page, ExportTo::Results);
    EXPECT_TRUE(page.OneFile);
}

TEST_F(ExportTest, APeriodStillOpenAtTheEndOfTheRangeGetsNoLine) {
    const std::string path = MakeFile("range.KL3", FileKind::KL3, TenTwenty, 130, [](int) {
        return std::vector<TrainClickAt>{{500, 5}};
    });
    // Endpoints 10:20 .. 11:29 in the header.
    auto bytes = testing::ReadFileBytes(path);
    DataFileHeader header;
    std::copy(bytes.begin(), bytes.begin() + HeaderLength, header.Bytes.begin());
    header.SetEndpointEnd(TenTwenty + 69);
    std::copy(header.Bytes.begin(), header.Bytes.end(), bytes.begin());
    testing::WriteFileBytes(path, bytes);
    program.Options.UseEndpoints = true;
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    struct Case {
        ExportPeriod Period;
        std::vector<std::string> Lines;
    };
    for (const Case& c : {Case{ExportPeriod::Hours, {"time\tDPM", "01/06/2024 10:59\t40"}},
                          Case{ExportPeriod::All, {"time\tDPM", "01/06/2024 11:29\t70"}}}) {
        Page().Period = c.Period;
        EXPECT_EQ(ExportLines(), c.Lines);
    }
    Page().Period = ExportPeriod::OneMinute;
    const auto minutes = ExportLines();
    EXPECT_EQ(minutes.size(), 71u);
    EXPECT_EQ(minutes.back(), "01/06/2024 11:29\t1");
}

TEST_F(ExportTest, DutyCycledFilesCountByTheirMarkers) {
    // Five minutes per marker (one on, four off), a click in every logged minute.
    const std::string path = MakeFile(
        "duty.KL3", FileKind::KL3, MakeMinute(2024, 6, 1, 10, 0), 24,
        [](int) {
            return std::vector<TrainClickAt>{{500, 5}};
        },
        {}, 5);
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    Page().Period = ExportPeriod::OneMinute;
    const auto minutes = ExportLines();
    ASSERT_EQ(minutes.size(), 25u);
    EXPECT_EQ(minutes[2], "01/06/2024 10:05\t1");
    ChooseDataItem(Page(), ExportItem::Dp10m);
    Page().Period = ExportPeriod::Hours;
    EXPECT_EQ(ExportLines(),
              (std::vector<std::string>{"time\tDP10M", "01/06/2024 10:55\t6", "01/06/2024 11:55\t6"}));
}

// Stops the export part-way: the folder of the output vanishes while it is written.
class VanishingHost : public HeadlessHost {
public:
    std::function<void()> OnEvents;
    void ProcessEvents() override {
        HeadlessHost::ProcessEvents();
        if (auto act = std::exchange(OnEvents, nullptr)) act();
    }
};

TEST_F(ExportTest, TextFilesAreCompleteOrNotThereAndNeverTakeADataFileName) {
    const std::string path = MakeFile("out.KL3", FileKind::KL3, TenTwenty, 200, [](int m) {
        return std::vector<TrainClickAt>{{500 + m, 5}};
    });
    VanishingHost h;
    ASSERT_TRUE(OpenDataFile(program, h, path, 1));
    Page().To = ExportTo::TextFile;
    Page().Period = ExportPeriod::OneMinute;

    const std::string name = dir.File("dpm.txt");
    h.SaveAnswers = {name};
    EXPECT_EQ(ExportGenBtnClick(program, h), 1);
    EXPECT_EQ(h.Dialogs.back().Title, "Save Export File");
    EXPECT_EQ(h.Dialogs.back().InitialName, dir.File("out dpm.txt"));
    EXPECT_EQ(h.Results().Lines().back(), "Data saved to " + name);
    const std::string text = testing::FileText(name);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 8 + 200); // header lines, column header, minutes

    for (const char* refused : {"copy.KL3", "x.kl1", "x.K2M", "x.k3m"}) {
        h.SaveAnswers = {dir.File(refused)};
        EXPECT_EQ(ExportGenBtnClick(program, h), 0);
        EXPECT_FALSE(FileExists(dir.File(refused)));
        EXPECT_TRUE(h.Showed(RefusedTargetText(dir.File(refused))));
    }

    testing::TempDir other;
    const std::string lost = other.File("lost.txt");
    h.SaveAnswers = {lost};
    h.OnEvents = [&] {
        RemoveFile(lost + ".part");
        ::rmdir(other.Path().c_str());
    };
    EXPECT_EQ(ExportGenBtnClick(program, h), 0);
    EXPECT_FALSE(FileExists(lost));
    EXPECT_EQ(h.MessageTexts().back().rfind("Failed to write export file " + lost + "  (", 0), 0u);

    h.SaveAnswers = {dir.File("no folder/x.txt")};
    EXPECT_EQ(ExportGenBtnClick(program, h), 0);
    EXPECT_EQ(program.SourceBox.back(), FailedToCreateExportText);
}

} // namespace
} // namespace kelp
