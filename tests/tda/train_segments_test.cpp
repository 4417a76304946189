// One file searched on several threads gives the one-thread KL3 file, map and results line,
// byte for byte, on simulated deployments of every kind.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "core/file_io.h"
#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "simulator/logger_simulator.h"
#include "tda/cluster_file.h"
#include "tda/core_budget.h"
#include "tda/train_batch.h"
#include "tda/train_file.h"
#include "tda/train_segments.h"
#include "tests/download/card_support.h"

namespace kelp {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;

struct Simulated {
    const char* Name;
    const char* Scenario;
    int Minutes;
    double Activity;
    int ClickLimitCode;
};

// A simulated card through the download and the cluster finder: its KL2 file.
std::string SimulatedKL2(const TempDir& dir, const Simulated& c) {
    SimulationOptions o;
    o.OutFolder = dir.File(std::string(c.Name) + "-card");
    o.Minutes = c.Minutes;
    o.Seed = 5;
    o.Scenario = c.Scenario;
    o.Activity = c.Activity;
    o.ClickLimitCode = c.ClickLimitCode;
    std::filesystem::create_directories(o.OutFolder);
    const SimulationResult card = SimulateCard(o);
    EXPECT_TRUE(card.Ok) << card.Error;
    if (c.ClickLimitCode == 1) {
        EXPECT_GT(card.LimitMinutes, 0) << "no minute at the click limit";
    }
    testing::DownloadRun download;
    download.Run(card.Files.at(0), dir.File(std::string(c.Name) + ".KL1"));
    const std::string kl1 = download.result.OutputFiles.at(0);
    Program p;
    HeadlessHost h;
    p.Options.BatchRunning = true;
    EXPECT_TRUE(OpenDataFile(p, h, kl1, 1));
    return MakeClusterFile(p, h);
}

struct Output {
    std::vector<std::uint8_t> Kl3, Map;
    std::vector<std::string> Results;
    std::int64_t Segments = 0;
};

Output Detect(const std::string& kl2, int threads, std::int64_t segmentMinutes = 0) {
    Program p;
    HeadlessHost h;
    p.Options.BatchRunning = true;
    TrainDetectionState& state = TrainDetectionStateOf(p);
    state.Threads = threads;
    state.SegmentMinutes = segmentMinutes;
    state.MapKeepBytes = 0; // keep the map, so that it is compared too
    EXPECT_TRUE(OpenDataFile(p, h, kl2, 1));
    EXPECT_TRUE(RunTrainDetection(p, h));
    Output o;
    o.Kl3 = ReadFileBytes(KL3NameFor(kl2));
    o.Map = ReadFileBytes(WithExtension(kl2, ".k3m"));
    o.Results = h.Results().Lines();
    o.Segments = state.LastSegments;
    return o;
}

bool TrainIdWraps(const std::vector<std::uint8_t>& kl3) {
    int previous = 0;
    for (std::size_t at = 360; at + 20 <= kl3.size(); at += 20) {
        const int type = kl3[at + 19];
        if (type < FirstTrainId || type > LastTrainId) continue;
        if (previous == LastTrainId && type == FirstTrainId) return true;
        previous = type;
    }
    return false;
}

// Segments start from a fresh detector and their trains' interval group maxima stay
// unknown until the stitch: a score or class that came to depend on the carried groups
// would differ here from the one-thread file.
TEST(TrainSegments, AnyCutOfTheMinutesGivesTheOneThreadFile) {
    const Simulated cases[] = {
        {"mixed", "mixed", 150, 8, 2},     {"noisy", "noisy", 40, 1, 2}, {"sonar", "sonar", 120, 2, 2},
        {"dolphin", "dolphin", 120, 8, 2}, {"limit", "noisy", 20, 1, 1}, {"wrap", "porpoise", 200, 12, 2},
    };
    TempDir dir;
    for (const Simulated& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string kl2 = SimulatedKL2(dir, c);
        const Output one = Detect(kl2, 1);
        ASSERT_EQ(one.Segments, 0);
        ASSERT_GT(one.Kl3.size(), 400u);
        if (std::string(c.Name) == "wrap") {
            EXPECT_TRUE(TrainIdWraps(one.Kl3));
        }
        for (const auto& [threads, minutes] :
             {std::pair{2, std::int64_t{0}}, std::pair{3, std::int64_t{1}}, std::pair{4, std::int64_t{7}}}) {
            const Output many = Detect(kl2, threads, minutes);
            EXPECT_GT(many.Segments, 1) << threads;
            EXPECT_TRUE(many.Kl3 == one.Kl3) << threads << " threads, segments of " << minutes;
            EXPECT_EQ(many.Map, one.Map);
            EXPECT_EQ(many.Results, one.Results);
        }
    }
}

TEST(TrainSegments, PlanCoversTheMinutesAndGivesABusyMinuteASegmentOfItsOwn) {
    std::vector<std::int64_t> costs(3'000, 10);
    costs[1'000] = 100'000;
    const auto plan = PlanSegments(costs, 2);
    ASSERT_FALSE(plan.empty());
    std::int64_t next = 0;
    bool alone = false;
    for (const MinuteSegment& s : plan) {
        EXPECT_EQ(s.First, next);
        EXPECT_GT(s.End, s.First);
        EXPECT_LE(s.End - s.First, 1'440);
        if (s.First == 1'000 && s.End == 1'001) alone = true;
        next = s.End;
    }
    EXPECT_EQ(next, 3'000);
    EXPECT_TRUE(alone);
    EXPECT_EQ(PlanSegments(costs, 1).size(), 1u);
}

// The window's hook runs on its own thread between segments, and asking to stop ends a
// batch after the file being searched.
TEST(TrainSegments, TheHookRunsOnTheCallingThreadAndCanStopTheBatch) {
    TempDir dir;
    const std::string kl2 = SimulatedKL2(dir, {"hook", "mixed", 60, 8, 2});
    const std::string second = dir.File("second.KL2");
    std::filesystem::copy_file(kl2, second);
    Program p;
    HeadlessHost h;
    const std::thread::id caller = std::this_thread::get_id();
    int calls = 0;
    bool elsewhere = false;
    TrainBatchOptions o;
    o.Kind = TrainBatchKind::KL2;
    o.Threads = 2;
    o.BetweenSegments = [&](const TrainSearchProgress& progress) {
        ++calls;
        elsewhere |= std::this_thread::get_id() != caller;
        return progress.MinutesDone > 0;
    };
    p.Options.DevelopmentMode = true;
    const TrainBatchResult r = RunTrainBatch(p, h, {kl2, second}, o);
    EXPECT_GT(calls, 0);
    EXPECT_FALSE(elsewhere);
    EXPECT_TRUE(r.Stopped);
    EXPECT_EQ(r.Processed, 1);
}

TEST(TrainSegments, ACoreBudgetIsNeverOverdrawn) {
    CoreBudget budget(2);
    std::atomic<int> busy{0}, most{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 6; ++i)
        threads.emplace_back([&] {
            for (int k = 0; k < 200; ++k) {
                const HeldCore core(&budget);
                const int now = ++busy;
                int seen = most.load();
                while (now > seen && !most.compare_exchange_weak(seen, now)) {
                }
                --busy;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_LE(most.load(), 2);
    EXPECT_GE(most.load(), 1);
}

} // namespace
} // namespace kelp
