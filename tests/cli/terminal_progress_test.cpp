#include <gtest/gtest.h>

#include "cli/terminal_progress.h"

namespace kelp::cli {
namespace {

TEST(TerminalProgress, DurationsAndTimeLeft) {
    EXPECT_EQ(DurationText(7), "0:07");
    EXPECT_EQ(DurationText(754), "12:34");
    EXPECT_EQ(DurationText(3723), "1:02:03");
    EXPECT_EQ(DurationText(-5), "0:00");
    EXPECT_EQ(SecondsLeft(0.25, 10'000), 30);
    EXPECT_EQ(SecondsLeft(0.009, 10'000), -1); // below 1 %
    EXPECT_EQ(SecondsLeft(0.5, 999), -1);      // below a second
    EXPECT_EQ(SecondsLeft(1.0, 5'000), 0);
}

TEST(TerminalProgress, LineFitsTheTerminal) {
    const ProgressFrame batch{"... seeking cetaceans ...", 0.456, 83, 99, 2, 5};
    ProgressFrame single = batch;
    single.FileNumber = 1;
    single.FileCount = 1; // a batch of one names no file
    single.LeftSeconds = -1;
    ProgressFrame empty{"", 1.5, 0, -1, 0, 0};
    const struct {
        const ProgressFrame& Frame;
        int Width;
        std::string Line;
    } cases[] = {
        {batch, 120,
         "... seeking cetaceans ...  [#########...........]  45%  1:23 elapsed  1:39 left  file 2 of 5"},
        {batch, 90, "... seeking cetaceans ...  [####......]  45%  1:23 elapsed  1:39 left  file 2 of 5"},
        {batch, 80, "... seeking cetacea...  [####......]  45%  1:23 elapsed  1:39 left  file 2 of 5"},
        {batch, 70, "... seeki...  [####......]  45%  1:23 elapsed  1:39 left  file 2 of 5"},
        {batch, 55, " 45%  1:23 elapsed  1:39 left  file 2 of 5"},
        {batch, 30, " 45%  1:23 elapsed  1:39 left"},
        {single, 80, "... seeking cetaceans ...  [#########...........]  45%  1:23 elapsed"},
        {empty, 80, "[####################] 100%  0:00 elapsed"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProgressLine(c.Frame, c.Width), c.Line) << c.Width;
        EXPECT_LT(ProgressLine(c.Frame, c.Width).size(), static_cast<std::size_t>(c.Width));
    }
}

} // namespace
} // namespace kelp::cli
