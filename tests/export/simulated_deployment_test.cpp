// DPM, DP10M and DPH of a simulated deployment, from card to KL3 file, agree with counts
// made here straight from the KL3 file's records.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "core/bytes.h"
#include "download/read_sd_data.h"
#include "download/read_sd_page.h"
#include "simulator/logger_simulator.h"
#include "tda/train_batch.h"
#include "tests/export/export_fixture.h"

namespace kelp {
namespace {

using testing::ExportTest;
using testing::Fields;

std::int64_t Floor(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && a < 0 ? 1 : 0);
}

// The minutes with at least one click of a "Hi" or "Mod" train, read from the bytes: every
// minute marker opens the next minute, a click passes when its time follows the last one
// passed in its minute.
std::set<std::int64_t> PositiveMinutes(const std::vector<std::uint8_t>& bytes, std::int64_t& first,
                                       std::int64_t& last) {
    const int R = bytes[1];
    first = static_cast<std::int32_t>(ReadBE(bytes.data(), 256, 4));
    std::set<std::int64_t> positive;
    std::int64_t minute = first - 1;
    std::int64_t lastTime = 0;
    for (std::size_t at = HeaderLength; at + static_cast<std::size_t>(R) <= bytes.size(); at += R) {
        const std::uint8_t* r = &bytes[at];
        const int type = r[R - 1];
        if (type == 255) break;
        if (type == 254) {
            ++minute, lastTime = 0;
            continue;
        }
        if (type > 127) continue;
        const std::int64_t time = ReadBE(r, 0, 3);
        const int quality = r[18] & 3;
        if (quality < 2 || ((r[18] >> 2) & 7) > 4 || time <= lastTime || time > 12'000'000) continue;
        lastTime = time;
        positive.insert(minute);
    }
    last = minute;
    return positive;
}

class SimulatedDeploymentTest : public ExportTest {
protected:
    std::string MakeKL3() {
        SimulationOptions sim;
        sim.OutFolder = dir.File("card");
        sim.Minutes = 1500;
        sim.Scenario = "porpoise";
        sim.Activity = 4;
        sim.Seed = 23;
        std::filesystem::create_directories(sim.OutFolder);
        const SimulationResult card = SimulateCard(sim);
        EXPECT_TRUE(card.Ok) << card.Error;
        const MinuteNumber start = MakeMinute(2024, 6, 1, 10, 20);
        ReadSDPage page;
        PasteNowIntoStartTime(page, start);
        PasteNowIntoNameDate(page, start);
        page.FileNameLocation = page.Location = "export";
        TextBoxesChanged(page);
        page.OpenFileWhenFinished = false;
        Program p;
        HeadlessHost h;
        h.OpenAnswers.push_back({card.Files.front()});
        h.SaveAnswers.push_back(dir.File("KELP export.KL1"));
        DownloadEnvironment env;
        env.Now = [start] { return start + 3 * MinutesPerDay; };
        const DownloadResult result = ReadSDdata(p, h, page, env);
        EXPECT_FALSE(result.OutputFiles.empty());
        const std::string kl1 = result.OutputFiles.front();
        TrainBatchOptions options;
        RunTrainBatch(p, h, {kl1}, options);
        return WithExtension(kl1, ".KL3");
    }
};

TEST_F(SimulatedDeploymentTest, DetectionPositiveCountsAgreeWithTheRecords) {
    const std::string kl3 = MakeKL3();
    std::int64_t first = 0, last = 0;
    const std::set<std::int64_t> positive = PositiveMinutes(testing::ReadFileBytes(kl3), first, last);
    ASSERT_GT(positive.size(), 20u) << "the deployment should hold detections";
    ASSERT_TRUE(OpenDataFile(program, host, kl3, 1));
    Page().DateFormat = ExportDateFormat::Unit;

    struct Case {
        ExportItem Item;
        ExportPeriod Period;
        std::int64_t PeriodMinutes, BlockMinutes;
    };
    for (const Case& c : {Case{ExportItem::Dpm, ExportPeriod::Hours, 60, 1},
                          Case{ExportItem::Dp10m, ExportPeriod::Days, 1440, 10},
                          Case{ExportItem::Dph, ExportPeriod::Days, 1440, 60},
                          Case{ExportItem::Dph, ExportPeriod::QuarterTides, 186, 60}}) {
        // The expected count of each period: its blocks that hold a positive minute (a block
        // that straddles two periods counts where it ends).
        std::map<std::int64_t, std::set<std::int64_t>> blocks;
        for (const std::int64_t m : positive) {
            const std::int64_t blockEnd = std::min(last, (Floor(m, c.BlockMinutes) + 1) * c.BlockMinutes - 1);
            blocks[Floor(blockEnd, c.PeriodMinutes)].insert(Floor(m, c.BlockMinutes));
        }
        ChooseDataItem(Page(), c.Item);
        Page().Period = c.Period;
        const auto lines = ExportLines();
        ASSERT_EQ(static_cast<std::int64_t>(lines.size()) - 1,
                  Floor(last, c.PeriodMinutes) - Floor(first, c.PeriodMinutes) + 1);
        std::int64_t total = 0;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const auto fields = Fields(lines[i]);
            const std::int64_t period = Floor(std::stoll(fields[0]), c.PeriodMinutes);
            EXPECT_EQ(std::stoll(fields[1]), static_cast<std::int64_t>(blocks[period].size()))
                << ExportItemName(c.Item) << " " << lines[i];
            total += std::stoll(fields[1]);
        }
        EXPECT_GT(total, 0);
    }
}

} // namespace
} // namespace kelp
