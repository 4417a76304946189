#include "tda/train_scoring.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "core/bytes.h"
#include "tda/train_search.h"
#include "tda/train_segment_log.h"

namespace kelp {

namespace {

constexpr std::int32_t MinuteHiBytes = 183; // the last hi byte of a minute's times (12,000,000 / 65,536)
constexpr std::int32_t GroupedIntervalTicks = 2'000;

std::int64_t Pos(std::int64_t v) {
    return v > 0 ? v : 0;
}
std::int32_t I32(std::int64_t v) {
    return static_cast<std::int32_t>(v);
}

// The block offset of a click list entry (without its after-gap bit).
std::int32_t EntryOffset(std::int32_t entry) {
    return entry & ~1;
}

std::int32_t TimeAt(const MinuteBlock& block, std::int32_t offset) {
    return static_cast<std::int32_t>(ReadBE24(block.Bytes + offset));
}

} // namespace

TrainFeatures ComputeFeatures(const TrainRecord& t) {
    TrainFeatures f;
    const std::int64_t n = t.Nin;
    const std::int64_t e = std::max<std::int64_t>(1, n - 1);
    f.ICIav = I32(t.Duration / std::max<std::int64_t>(1, t.Length - 1));
    f.PRF = I32(200'000 / std::max<std::int32_t>(1, f.ICIav));
    f.Dur = t.Duration / 200;
    f.fIICIn = I32(std::int64_t{t.Disturbance} * 4 / e);
    f.avPk = I32(std::int64_t{t.SPLSum} / 8 / std::max<std::int64_t>(1, n));
    f.PkDf = I32(t.PkDfSum / e);
    f.ICIdf =
        I32((std::int64_t{t.ICIChangeSum} - std::abs(t.ICI - t.FirstICI)) / std::max<std::int64_t>(1, n - 2));
    return f;
}

ScoreTerms ScoreTrain(const TrainRecord& t, const TrainParameters& p, std::int32_t minClx,
                      std::int32_t goodTrainShare) {
    const TrainFeatures f = ComputeFeatures(t);
    const std::int64_t N = t.Length;
    const std::int64_t n = std::max(1, t.Nin);
    const std::int64_t e = std::max<std::int64_t>(1, n - 1);
    const std::int64_t n2 = std::max<std::int64_t>(1, n - 2);
    ScoreTerms s;
    s.Short = I32(Pos(12 - n));
    s.Disturbed = I32(Pos(std::int64_t{t.Disturbance} * 4 / e - N - N / 4 + 14));
    s.Long = I32(Pos(f.Dur / 1024 - 6) + (minClx > 1 ? n * 16 / minClx : 0));
    s.Regular = I32(Pos(n / 8 - t.ICIReversals));
    s.Steady = I32(Pos(n / 4 - std::int64_t{t.ICIChangeSum} / 4 / n2));
    s.Cycles = I32(std::min<std::int64_t>(10, Pos(std::int64_t{t.NcycSum} * 4 / n + N / 2 - 90)));
    if (n >= 13) {
        const std::int64_t change = std::int64_t{t.kHzChangeSum} / 4 / e;
        s.FreqSteady = change == 0 ? 5 : (change == 1 ? 3 : 0);
    }
    const std::int64_t freqFit = t.FreqFitSum / e;
    s.FreqMisfit = I32(f.PRF >= 50 ? Pos(freqFit - 5) : Pos(freqFit + f.PRF / 2 - 25));
    s.FreqFitLow = I32(std::min<std::int64_t>(10, Pos(N / 16 - freqFit - 1)));
    s.GoodFreq15 = I32(Pos(std::int64_t{t.GoodFreqFits} * 16 / e - 15));
    s.GoodFreq25 = I32(Pos(std::int64_t{t.GoodFreqFits} * 16 / e - 25));
    s.Narrow = I32(std::min<std::int64_t>(5, Pos(n / 8 - std::int64_t{t.BWSum} * 2 / n + 2)));
    s.Loud = I32(Pos(f.avPk + N - 40));
    if (n > 10) s.LevelRegular = I32(t.SPLReversals <= 1 ? N / 2 : Pos(N / 2 - t.SPLReversals - 3));
    s.LevelSteady = I32(Pos(f.avPk - f.PkDf - 18));
    const std::int64_t pk32 = std::int64_t{t.Pk32} * 64 / e;
    const std::int64_t pk16 = std::int64_t{t.Pk16} * 64 / e;
    s.Pk32a = I32(std::min<std::int64_t>(10, Pos(pk32 - 30)));
    s.Pk32b = I32(std::min<std::int64_t>(10, Pos(pk32 - 20)));
    s.Pk16a = I32(std::min<std::int64_t>(10, Pos(pk16 - Pos(35 - n / 2))));
    s.Pk16b = I32(std::min<std::int64_t>(10, Pos(pk16 - Pos(45 - n / 2))));
    const std::int64_t over = Pos(t.N255 - 2);
    s.Saturated = I32(std::min<std::int64_t>(20, over * over) +
                      std::min<std::int64_t>(20, std::int64_t{t.R255} * t.R255));
    s.Missed = I32(2 * (N - n));

    s.A = s.Regular + s.Steady + s.Cycles + s.FreqSteady + s.FreqFitLow + s.GoodFreq15 + s.Narrow +
          s.LevelRegular + s.Pk32a + s.Pk16b + s.Saturated;
    s.B = s.FreqMisfit + s.Missed + s.Short + s.Disturbed;
    s.Preliminary = s.A + p.ScoreAddon - s.B;

    const std::int64_t k = std::max(1, t.NClstr);
    const std::int64_t slope = t.ClSlpSum / k;
    std::int64_t q = slope > 0 ? 2 * Pos(slope - Pos(8 - t.NinCSum / k)) : 0;
    if (s.Preliminary <= 10)
        q = 0;
    else
        q /= std::max(1, 4 - t.NClstr);
    s.Cluster = I32(q);

    s.Score = s.A + p.ScoreAddon + s.Long + s.GoodFreq25 + s.Loud / 8 + s.LevelSteady + s.Pk32b + s.Pk16a +
              s.Cluster + goodTrainShare - s.B;
    return s;
}

int QualityOfScore(std::int32_t score) {
    if (score <= 2) return -1;
    if (score <= 10) return 0;
    if (score <= 15) return 1;
    if (score <= 25) return 2;
    return 3;
}

std::array<std::int32_t, 3> GroupMaxima(const std::array<std::int32_t, 4>& c) {
    std::int32_t second = c[0];
    std::int32_t most = c[0];
    for (int g = 1; g < 4; ++g) {
        if (c[g] > most)
            most = c[g];
        else if (c[g] > second)
            second = c[g];
    }
    const std::int32_t maxNici = *std::max_element(c.begin(), c.end());
    return {maxNici, maxNici + second, c[0] + c[1] + c[2] + c[3]};
}

std::array<std::int32_t, 3> CountIntervalGroups(std::array<std::int32_t, 4>& value, int toleranceShift,
                                                std::int32_t first, const std::int32_t* intervals,
                                                std::size_t count) {
    std::array<std::int32_t, 4> counts{1, 1, 1, 1};
    if (first > GroupedIntervalTicks) value[0] = first;
    for (std::size_t k = 0; k < count; ++k) {
        const std::int32_t w = intervals[k];
        const std::int32_t tolerance = w >> toleranceShift;
        int match = -1;
        for (int g = 0; g < 4 && match < 0; ++g)
            if (std::abs(value[g] - w) < tolerance) match = g;
        if (match >= 0) {
            ++counts[match];
            continue;
        }
        // Replace the first group whose count is not above any other.
        int replace = 3;
        for (int g = 0; g < 3; ++g) {
            bool lowest = true;
            for (int o = 0; o < 4; ++o)
                if (o != g && counts[g] > counts[o]) lowest = false;
            if (lowest) {
                replace = g;
                break;
            }
        }
        value[replace] = w;
        counts[replace] = 1;
    }
    return GroupMaxima(counts);
}

void ComputeIntervalGroups(TrainDetector& d, TrainRecord& t, const ClickList& clicks) {
    const MinuteBlock& block = d.Minute.Block;
    std::vector<std::int32_t>& intervals = d.IntervalScratch;
    intervals.clear();
    std::int32_t first = 0;
    const int n = std::min(t.Nin, ClickListLength);
    if (n >= 2) {
        std::int32_t previous = TimeAt(block, EntryOffset(clicks[1]));
        first = previous - TimeAt(block, EntryOffset(clicks[0]));
        for (int j = 2; j < n; ++j) {
            const std::int32_t entry = clicks[static_cast<std::size_t>(j)];
            const std::int32_t time = TimeAt(block, EntryOffset(entry));
            std::int32_t w = time - previous;
            previous = time;
            if (entry & 1) w /= 2; // the click follows a missed click
            if (w > GroupedIntervalTicks) intervals.push_back(w);
        }
    }
    if (d.Log) {
        // Searched in segments: the carried values are not known here. The intervals are
        // kept for the stitch, which replays the groups in the file's order; the maxima get
        // a value no train can have until then.
        t.Evaluation = d.Log->AddEvaluation(first, intervals);
        t.MaxNici = t.Max2ici = t.MaxAll = UnknownGroupMaximum;
        return;
    }
    const auto maxima = CountIntervalGroups(d.Groups.Value, d.Parameters.ICIseqValSHR, first,
                                            intervals.data(), intervals.size());
    t.MaxNici = maxima[0];
    t.Max2ici = maxima[1];
    t.MaxAll = maxima[2];
}

void ComputeNeighbourhood(const TrainDetector& d, TrainRecord& t, const ClickList& clicks) {
    const MinuteBlock& block = d.Minute.Block;
    const int R = block.RecordLength;
    const std::int32_t end = block.End();
    const std::uint8_t* bytes = block.Bytes;
    const int bandOffset = 15;

    if (t.ThreeBefore == NotComputed) {
        const std::int32_t startHi = t.StartTime / 65'536;
        const std::int32_t none = startHi + d.Minute.PrevMinuteTail;
        t.ThreeBefore = none;
        t.TenBefore = none;
        int seen = 0;
        for (std::int32_t pos = EntryOffset(clicks[0]) - R; pos >= R; pos -= R) {
            if (bytes[pos + bandOffset] != t.Band) continue;
            ++seen;
            if (seen == 3) t.ThreeBefore = startHi - bytes[pos];
            if (seen == 10) {
                t.TenBefore = startHi - bytes[pos];
                break;
            }
        }
    }

    const std::int32_t last =
        EntryOffset(clicks[static_cast<std::size_t>(std::clamp(t.Nin, 1, ClickListLength) - 1)]);
    const std::int32_t lastHi = bytes[last];
    t.ThreeAfter = MinuteHiBytes - lastHi;
    t.TenAfter = MinuteHiBytes - lastHi;
    int seen = 0;
    for (std::int32_t pos = last; pos + R <= end; pos += R) {
        if (bytes[pos + bandOffset] != t.Band) continue;
        ++seen;
        if (seen == 3) t.ThreeAfter = bytes[pos] - lastHi;
        if (seen == 10) {
            t.TenAfter = bytes[pos] - lastHi;
            break;
        }
    }

    for (std::int32_t* v : {&t.ThreeBefore, &t.TenBefore, &t.ThreeAfter, &t.TenAfter})
        if (*v > MinuteHiBytes) *v = 0;
}

bool EvaluateTrain(TrainDetector& d, int slot) {
    const ScoringTimer timer(d);
    const TrainParameters& p = d.Parameters;
    TrainRecord& t = d.Table[slot];
    const std::int32_t e = std::max(1, t.Nin - 1);
    if (t.Nin < p.MinNinTrain || t.Disturbance * 4 / e > p.IICIFilterLevel) {
        FreeTrain(d, slot);
        return false;
    }
    ComputeNeighbourhood(d, t, d.Table.ListOf(slot));
    ComputeIntervalGroups(d, t, d.Table.ListOf(slot));
    t.Score = ScoreTrain(t, p, d.Minute.MinClx, d.Minute.GoodTrainShare).Score;
    const int quality = QualityOfScore(t.Score);
    if (quality < 0) {
        FreeTrain(d, slot);
        return false;
    }
    t.Quality = static_cast<std::uint8_t>(quality);
    if (quality >= 2) d.Minute.RepeatPass = true;
    return true;
}

} // namespace kelp
