// The simulator's sound sources: porpoise-like and dolphin trains should sound like the
// animals (intervals that drift but never lock to a fixed rate, levels that rise and fall
// as the beam scans past, frequency that wanders a few kHz), since train detection is
// judged on them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "simulator/simulated_sources.h"

namespace kelp::testing {
namespace {

using sim::AcousticClick;

// Every click of `count` trains made by `make`, by train.
template <typename Make>
std::map<std::int32_t, std::vector<AcousticClick>> TrainsOf(Make make, int count, std::uint64_t seed,
                                                            std::vector<sim::TrainTruth>& truths) {
    sim::Random r(seed);
    std::map<std::int32_t, std::vector<AcousticClick>> trains;
    for (int i = 0; i < count; ++i) {
        auto source = make(std::int64_t{1000}, r, truths);
        std::vector<AcousticClick> out;
        while (source->Emit(std::int64_t{1} << 40, r, out)) {
        }
        for (const AcousticClick& c : out) trains[c.Train].push_back(c);
    }
    return trains;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

TEST(SimulatedSources, PorpoiseIntervalsDriftWithinTheirRangeAndNeverLockToAFixedRate) {
    std::vector<sim::TrainTruth> truths;
    const auto trains = TrainsOf(sim::MakePorpoiseTrain, 400, 3, truths);
    int longest = 0;
    for (const auto& [id, clicks] : trains) {
        if (truths[static_cast<std::size_t>(id - 1)].Buzz) continue;
        int run = 0;
        for (std::size_t i = 1; i < clicks.size(); ++i) {
            const std::int64_t ici = clicks[i].Tick - clicks[i - 1].Tick;
            // A missed click doubles an interval; a few in a row are rare but possible.
            EXPECT_GE(ici, 30 * sim::TicksPerMs - 1) << id;
            EXPECT_LE(ici, 4 * 200 * sim::TicksPerMs + 1) << id;
            const std::int64_t before = i > 1 ? clicks[i - 1].Tick - clicks[i - 2].Tick : -1;
            run = std::abs(ici - before) <= 1 ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    // Intervals that stick at a limit would repeat to the tick for many clicks.
    EXPECT_LT(longest, 4);
}

TEST(SimulatedSources, PorpoiseLevelsRiseAndFallSmoothlyAndFrequencyWandersAFewKHz) {
    std::vector<sim::TrainTruth> truths;
    const auto trains = TrainsOf(sim::MakePorpoiseTrain, 300, 5, truths);
    std::vector<double> levelSteps, kHzSpread, swing;
    for (const auto& [id, clicks] : trains) {
        if (clicks.size() < 30 || truths[static_cast<std::size_t>(id - 1)].Buzz) continue;
        double lo = 1e9, hi = 0, sum = 0, sumSq = 0;
        for (std::size_t i = 0; i < clicks.size(); ++i) {
            const AcousticClick& c = clicks[i];
            EXPECT_TRUE(c.kHz >= 115 && c.kHz <= 150 && c.Bandwidth <= 5 && c.Cycles >= 10 && c.Cycles <= 25);
            lo = std::min(lo, static_cast<double>(c.Amplitude));
            hi = std::max(hi, static_cast<double>(c.Amplitude));
            sum += c.kHz;
            sumSq += c.kHz * c.kHz;
            if (i > 0) levelSteps.push_back(std::abs(std::log(c.Amplitude / clicks[i - 1].Amplitude)));
        }
        const double n = static_cast<double>(clicks.size());
        kHzSpread.push_back(std::sqrt(sumSq / n - (sum / n) * (sum / n)));
        swing.push_back(hi / lo);
    }
    ASSERT_GT(swing.size(), 50u);
    // The beam sweeps past: the loudest click is many times the faintest.
    EXPECT_GT(Median(swing), 5);
    // Neighbouring clicks differ by a fraction of a dB to a dB or so, not by a fixed curve.
    EXPECT_GT(Median(levelSteps), 0.02);
    EXPECT_LT(Median(levelSteps), 0.2);
    const double spread = Median(kHzSpread);
    EXPECT_GT(spread, 1.5);
    EXPECT_LT(spread, 4.5);
}

TEST(SimulatedSources, DolphinsAreBroadbandAndLouderThanPorpoises) {
    std::vector<sim::TrainTruth> truths;
    const auto porpoises = TrainsOf(sim::MakePorpoiseTrain, 300, 7, truths);
    const auto dolphins = TrainsOf(sim::MakeDolphinTrain, 300, 7, truths);
    const auto loudest = [](const std::map<std::int32_t, std::vector<AcousticClick>>& trains) {
        std::vector<double> peaks;
        for (const auto& [id, clicks] : trains) {
            double peak = 0;
            for (const AcousticClick& c : clicks) peak = std::max(peak, static_cast<double>(c.Amplitude));
            peaks.push_back(peak);
        }
        return Median(peaks);
    };
    EXPECT_GT(loudest(dolphins), 2 * loudest(porpoises));
    int longest = 0;
    for (const auto& [id, clicks] : dolphins) {
        int run = 0;
        for (std::size_t i = 0; i < clicks.size(); ++i) {
            const AcousticClick& c = clicks[i];
            EXPECT_TRUE(c.kHz >= 30 && c.kHz <= 110 && c.Cycles >= 2 && c.Cycles <= 8 && c.Bandwidth >= 10);
            if (i < 2) continue;
            const std::int64_t ici = c.Tick - clicks[i - 1].Tick;
            EXPECT_GE(ici, 5 * sim::TicksPerMs - 1);
            EXPECT_LE(ici, 4 * 150 * sim::TicksPerMs + 1);
            run = std::abs(ici - (clicks[i - 1].Tick - clicks[i - 2].Tick)) <= 1 ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    EXPECT_LT(longest, 4);
}

TEST(SimulatedSources, TheSameSeedGivesTheSameTrains) {
    std::vector<sim::TrainTruth> a, b;
    const auto first = TrainsOf(sim::MakePorpoiseTrain, 20, 11, a);
    const auto second = TrainsOf(sim::MakePorpoiseTrain, 20, 11, b);
    ASSERT_EQ(first.size(), second.size());
    for (const auto& [id, clicks] : first) {
        const auto& other = second.at(id);
        ASSERT_EQ(clicks.size(), other.size());
        for (std::size_t i = 0; i < clicks.size(); ++i) {
            EXPECT_EQ(clicks[i].Tick, other[i].Tick);
            EXPECT_EQ(clicks[i].Amplitude, other[i].Amplitude);
            EXPECT_EQ(clicks[i].kHz, other[i].kHz);
        }
    }
}

} // namespace
} // namespace kelp::testing
