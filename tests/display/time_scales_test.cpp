#include <gtest/gtest.h>

#include "display/time_scales.h"

namespace kelp {
namespace {

TEST(TimeScales, TableRows) {
    const auto& t = TimeScales();
    EXPECT_STREQ(t[0].Caption, "10us");
    EXPECT_STREQ(t[0].ResolutionLabel, "1 pixel = 10us");
    EXPECT_EQ(t[0].TicksPerPixel, 2);
    EXPECT_STREQ(t[10].Caption, "100ms");
    EXPECT_STREQ(t[10].ResolutionLabel, "1 pixel = 0.1s");
    EXPECT_EQ(t[10].TicksPerPixel, 20'000);
    EXPECT_STREQ(t[12].ResolutionLabel, "5mins");
    EXPECT_EQ(t[15].MinutesPerBin, 186);
    EXPECT_EQ(t[15].LabelSpacing, 48);
    EXPECT_STREQ(t[15].LabelUnit, "~");
    EXPECT_STREQ(t[18].ResolutionLabel, "1 day");
    EXPECT_EQ(t[19].MinutesPerBin, 10'080);
    EXPECT_STREQ(t[19].LabelUnit, "wk");
    // A bin scale's label spacing always holds a whole number of bins.
    for (int s = FirstLowResolutionScale; s < TimeScaleCount; ++s)
        EXPECT_EQ(t[s].LabelSpacing % PixelsPerBin, 0) << s;
}

TEST(DisplayTime, AddCarriesAndSubtractBorrowsWholeMinutes) {
    EXPECT_EQ(AddDisplayTime({10, 11'000'000}, {2, 3'000'000}), (ClickTime{13, 2'000'000}));
    EXPECT_EQ(AddDisplayTime({10, 6'000'000}, {0, 6'000'000}), (ClickTime{11, 0}));
    EXPECT_EQ(SubtractDisplayTime({10, 1'000'000}, {2, 3'000'000}), (ClickTime{7, 10'000'000}));
    EXPECT_EQ(AddTicks({5, 0}, -1), (ClickTime{4, 11'999'999}));
    EXPECT_EQ(AddTicks({5, 0}, 36'000'000), (ClickTime{8, 0}));
    EXPECT_EQ(TicksBetween({6, 100}, {5, 11'999'900}), 200);
}

} // namespace
} // namespace kelp
