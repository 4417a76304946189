#include <gtest/gtest.h>

#include "core/time.h"

namespace kelp {
namespace {

TEST(ClickTimeArithmetic, AddingAWholeMinuteOfTicksStaysInTheMinute) {
    const MinuteNumber m = 100;
    EXPECT_EQ(AddTime({m, 0}, {0, 12'000'000}), (ClickTime{m, 12'000'000}));
    EXPECT_EQ(AddTime({m, 0}, {0, 12'000'001}), (ClickTime{m + 1, 1}));
    EXPECT_EQ(AddTime({m, 11'000'000}, {2, 3'000'000}), (ClickTime{m + 3, 2'000'000}));
    // Negative offsets count as nothing.
    EXPECT_EQ(AddTime({m, 500}, {-3, -400}), (ClickTime{m, 500}));
    // No overflow near the top of the time range.
    EXPECT_EQ(AddTime({m, 2'000'000'000}, {0, 2'000'000'000}),
              (ClickTime{m + 4'000'000'000LL / 12'000'000, 4'000'000'000LL % 12'000'000}));
}

TEST(ClickTimeArithmetic, DifferenceBorrowsAMinute) {
    const MinuteNumber m = 5000;
    EXPECT_EQ(TimeDifference({m, 100}, {m - 1, 200}), (ClickTime{0, 11'999'900}));
    EXPECT_EQ(TimeDifference({m, 300}, {m, 100}), (ClickTime{0, 200}));
    // Times above a minute are folded into their minute first.
    EXPECT_EQ(TimeDifference({m, 12'000'100}, {m, 50}), (ClickTime{1, 50}));
    EXPECT_EQ(TimeDifference({m, 0}, {m, 1}), (ClickTime{-1, 11'999'999}));
}

TEST(ClickTimeArithmetic, OrderComparesMinuteThenTime) {
    EXPECT_TRUE(IsBefore({1, 999}, {2, 0}));
    EXPECT_TRUE(IsBefore({2, 5}, {2, 6}));
    EXPECT_FALSE(IsBefore({2, 6}, {2, 6}));
    EXPECT_FALSE(IsBefore({3, 0}, {2, 11'999'999}));
}

TEST(TimeTexts, DurationText) {
    EXPECT_EQ(DurationText(0), "");
    EXPECT_EQ(DurationText(60), "1h ");
    EXPECT_EQ(DurationText(1505), "1d 1h 5m");
    EXPECT_EQ(DurationText(1440), "1d ");
    EXPECT_EQ(DurationText(59), "59m");
    EXPECT_EQ(DurationText(2 * 1440 + 7), "2d 7m");
    EXPECT_EQ(DurationText(-30), "");
}

TEST(TimeTexts, DateTimeTextIsAlwaysSixteenCharacters) {
    // 1 January 2024 is day 45292 of the count from 30/12/1899.
    EXPECT_EQ(DayNumberFromCivil(2024, 1, 1), 45292);
    EXPECT_EQ(DayNumberFromCivil(1899, 12, 30), 0);
    const MinuteNumber midnight = 45292 * 1440;
    EXPECT_EQ(DateTimeText(midnight), "01/01/2024 00:00");
    EXPECT_EQ(DateTimeText(midnight + 23 * 60 + 59), "01/01/2024 23:59");
    EXPECT_EQ(DateTimeText(midnight + 1440), "02/01/2024 00:00");
    EXPECT_EQ(DateTimeText(MakeMinute(2000, 2, 29, 13, 7)), "29/02/2000 13:07");
    EXPECT_EQ(DateTimeText(0), "30/12/1899 00:00");
    EXPECT_EQ(DateTimeText(MakeMinute(2031, 12, 31, 9, 5)).size(), 16u);
}

TEST(TimeTexts, ClickTimeText) {
    const MinuteNumber m = MakeMinute(2024, 3, 9, 7, 4);
    EXPECT_EQ(ClickTimeText({m, 1'234'567}), "09/03/2024 07:04:06.172835");
    EXPECT_EQ(ClickTimeText({m, 5}), "09/03/2024 07:04:00.000025");
    EXPECT_EQ(ClickTimeText({m, 5}, true), "'09/03/2024 07:04:00.000025");
    EXPECT_EQ(ClickTimeText({m, 11'999'999}), "09/03/2024 07:04:59.999995");
}

TEST(TimeTexts, ThousandsText) {
    EXPECT_EQ(ThousandsText(1234567), "1,234,567");
    EXPECT_EQ(ThousandsText(0), "0");
    EXPECT_EQ(ThousandsText(999), "999");
    EXPECT_EQ(ThousandsText(1000), "1,000");
    EXPECT_EQ(ThousandsText(-1234567), "-1,234,567");
    EXPECT_EQ(ThousandsText(9'223'372'036'854'775'807LL), "9,223,372,036,854,775,807");
}

TEST(TimeTexts, ParsingTheTextsBack) {
    const MinuteNumber m = MakeMinute(2024, 3, 9, 7, 4);
    auto t = ParseDateTimeText("09/03/2024 07:04:06.172835");
    ASSERT_TRUE(t);
    EXPECT_EQ(*t, (ClickTime{m, 1'234'567}));
    EXPECT_EQ(ParseDateTimeText("09/03/2024 07:04")->Time, 0);
    EXPECT_EQ(ParseDateTimeText("09/03/2024 07:04:01")->Time, 200'000);
    EXPECT_FALSE(ParseDateTimeText("31/02/2024 07:04"));
    EXPECT_FALSE(ParseDateTimeText("09/03/2024 24:00"));
    EXPECT_FALSE(ParseDateTimeText("tomorrow"));
    EXPECT_EQ(ParseIsoMinute("2024-03-09 07:04"), m);
    EXPECT_FALSE(ParseIsoMinute("2024-03-09 07:04 extra"));
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundToInt(0.5), 0);
    EXPECT_EQ(RoundToInt(1.5), 2);
    EXPECT_EQ(RoundToInt(2.5), 2);
    EXPECT_EQ(RoundToInt(-2.5), -2);
    EXPECT_EQ(RoundToInt(2.5000001), 3);
}

} // namespace
} // namespace kelp
