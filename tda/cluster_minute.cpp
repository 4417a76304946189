#include "tda/cluster_minute.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "core/bytes.h"
#include "core/codes.h"
#include "core/records.h"
#include "tda/tda_settings.h"

namespace kelp {

namespace {

// The kHz range that bands are given over; clicks outside it take the band of its nearest end.
constexpr int BandLowkHz = 20;
constexpr int BandHighkHz = 200;
// Histogram bins smoothed, and bins scanned for band boundaries.
constexpr int SmoothFirst = 23;
constexpr int SmoothLast = 161;
constexpr int SmoothPasses = 16;
constexpr int ScanFirst = 28;
constexpr int ScanLast = 135;

constexpr std::int32_t IsolationTicks = 800; // 4 ms of silence in a band isolates a click
constexpr std::int32_t FusionGapStart = 100;
constexpr std::int32_t FusionGapMax = 2'000;
constexpr std::int32_t LoudAfterWeakTicks = 1'000;
constexpr int LoudAfterWeakSpl = 40;
constexpr int LoudAfterWeakCount = 4;
constexpr std::int32_t RiskMinGap = 3'000; // 15 ms
constexpr std::int32_t MinClusterDuration = 100;
constexpr int NoClick = -1;

// Bands are numbered 0..MaxBands; one table entry more than the largest band count.
constexpr int BandSlots = 16;

int RiskAddOn(int n) {
    if (n <= 8) return 1;
    if (n <= 12) return 4;
    if (n <= 17) return 6;
    if (n <= 23) return 8;
    if (n <= 32) return 10;
    if (n <= 45) return 12;
    if (n <= 80) return 13;
    if (n <= 150) return 14;
    if (n <= 250) return 15;
    if (n <= 500) return 16;
    return 18;
}

int MemberCountCode(int members) {
    if (members == 0) return 0;
    int code = 1;
    int top = 2;
    while (members > top && code < 7) {
        ++code;
        top *= 2;
    }
    return code;
}

struct Group {
    std::int32_t Value;
    std::int32_t Count;
};

// Counts an interval in the risk groups: the first group within interval / 128 takes it;
// otherwise it replaces the first group whose count is not above any other.
void CountInterval(std::array<Group, 4>& groups, std::int32_t gap) {
    const std::int32_t tolerance = gap / 128;
    for (Group& g : groups)
        if (std::abs(g.Value - gap) < tolerance) {
            ++g.Count;
            return;
        }
    std::size_t lowest = 0;
    for (std::size_t i = 1; i < groups.size(); ++i)
        if (groups[i].Count < groups[lowest].Count) lowest = i;
    groups[lowest] = {gap, 1};
}

// Counts a weak follower's gap in the burst groups: the first group within gap / 4 takes
// it; otherwise it replaces a group chosen by the counts.
void CountBurstGap(std::array<Group, 3>& groups, std::int32_t gap) {
    for (Group& g : groups)
        if (std::abs(g.Value - gap) < gap / 4) {
            ++g.Count;
            return;
        }
    const std::int32_t c1 = groups[0].Count, c2 = groups[1].Count, c3 = groups[2].Count;
    std::size_t replaced = 0;
    if (c2 < c1 && c3 < c2)
        replaced = 2;
    else if (c2 < c1)
        replaced = 1;
    else if (c3 < c1)
        replaced = 2;
    groups[replaced] = {gap, 1};
}

} // namespace

std::uint8_t ClusterLogCode(std::int64_t value) {
    if (value < 16) return static_cast<std::uint8_t>(value < 0 ? 0 : value);
    const int shift = static_cast<int>(std::bit_width(static_cast<std::uint64_t>(value))) - 4;
    if (shift > 15) return 255;
    return static_cast<std::uint8_t>(shift * 16 + (value >> shift));
}

int ClusterSlopeOf(const std::vector<int>& levels) {
    const int m = static_cast<int>(levels.size());
    if (m <= 1) return 0;
    // Places 1..12: the first twelve members, then later members cycle through places 7..12.
    std::array<std::int64_t, 13> place{};
    for (int member = 1; member <= m; ++member) {
        const int p = member <= 12 ? member : 7 + member % 6;
        place[static_cast<std::size_t>(p)] = levels[static_cast<std::size_t>(member - 1)];
    }
    std::int64_t upper = 0;
    std::int64_t lower = 0;
    if (m == 2) {
        upper = place[1];
        lower = place[2];
    } else if (m == 3) {
        upper = place[1];
        lower = place[3];
    } else if (m == 4) {
        upper = place[1] + place[2];
        lower = place[3] + place[4];
    } else {
        const int h = std::min(12, m);
        const int half = h / 2;
        for (int i = 1; i <= half; ++i) upper += place[static_cast<std::size_t>(i)];
        for (int i = h - half + 1; i <= h; ++i) lower += place[static_cast<std::size_t>(i)];
    }
    const std::int64_t slope = 2 * upper / std::max<std::int64_t>(1, lower) - 2;
    return static_cast<int>(std::clamp<std::int64_t>(slope, 0, 15));
}

ClusterFinder::ClusterFinder(ClusterParameters parameters) : parameters_(std::move(parameters)) {
    parameters_.MaxBands = std::clamp(parameters_.MaxBands, 1, BandSlots - 1);
}

void ClusterFinder::StartMinute(const std::uint8_t* marker) {
    if (marker)
        markerBytes_ = {marker[3], marker[4], marker[5]};
    else
        markerBytes_ = {0, 0, 0};
    rawClicks_ = highClicks_ = 0;
    highLong_ = highShort_ = lowLong_ = lowShort_ = 0;
    longSum_ = longCount_ = 0;
    lastTimeHigh_ = 0;
    leftOut_ = 0;
    clicks_.clear();
    summaries_.clear();
}

void ClusterFinder::AddClick(const std::uint8_t* r) {
    const int ncyc = r[3];
    const int kHz = r[5];
    const int spl = r[7];
    ++rawClicks_;
    lastTimeHigh_ = r[0];
    if (kHz >= 120 && kHz <= 160) {
        ++highClicks_;
        if (ncyc > 5)
            ++highLong_;
        else
            ++highShort_;
    } else if (kHz < 120) {
        if (ncyc > 5)
            ++lowLong_;
        else
            ++lowShort_;
    }
    if (ncyc > 40) {
        longSum_ += ncyc;
        ++longCount_;
    }

    const ClusterParameters& p = parameters_;
    if (p.PreFilter) {
        if (spl < p.SplMin || ncyc < p.NcycMin || kHz > p.MaxkHz) return;
        if (p.MinuteLimit > 0 && clicks_.size() >= static_cast<std::size_t>(p.MinuteLimit)) return;
    }
    if (clicks_.size() >= static_cast<std::size_t>(MaxClusterClicksPerMinute)) {
        ++leftOut_;
        return;
    }
    ClusterClick& c = clicks_.emplace_back();
    std::memcpy(c.Bytes.data(), r, c.Bytes.size());
    if (!p.EnvelopeReady) c.Bytes[8] = DeriveEnvelope(r[8], r[9], spl);
    c.Time = static_cast<std::int32_t>(ReadBE24(r));
    c.End = c.Time + ncyc * CyclePeriod[static_cast<std::size_t>(kHz)] / 8;
}

void ClusterFinder::FinishMinute(std::vector<std::uint8_t>& out) {
    const int R = parameters_.RecordLength();
    std::array<std::uint8_t, 40> marker{};
    marker[1] = (longCount_ > 0 && longSum_ / (longCount_ + 3) > 50) ? 1 : 0;
    marker[3] = markerBytes_[0];
    marker[4] = markerBytes_[1];
    marker[5] = markerBytes_[2];
    marker[6] = lastTimeHigh_;
    marker[7] = rawClicks_ == parameters_.MinuteClickLimit ? 255 : EncodeLogCode16(rawClicks_);
    marker[8] = EncodeLogCode16(highClicks_);
    const std::int64_t hi = std::min<std::int64_t>(15, 2 * std::max<std::int64_t>(4, highLong_) /
                                                           std::max<std::int64_t>(4, highShort_));
    const std::int64_t lo = std::min<std::int64_t>(15, 2 * std::max<std::int64_t>(4, lowLong_) /
                                                           std::max<std::int64_t>(4, lowShort_));
    marker[9] = static_cast<std::uint8_t>(hi * 16 + lo);

    const int k = static_cast<int>(clicks_.size());
    if (k < 16) {
        std::int64_t sum = 0;
        for (const ClusterClick& c : clicks_) sum += c.kHz();
        const std::int64_t mean = k > 0 ? sum / k : 0;
        marker[12] = static_cast<std::uint8_t>(std::max<std::int64_t>(155, mean));
    }
    if (k >= 4) {
        ComputeBands(marker.data());
        LinkBands();
        ComputeStatusesAndGaps();
        if (k >= 16) ComputeRisks(marker.data());
        FindBursts();
        FindClusters();
    }
    marker[static_cast<std::size_t>(R - 1)] = TypeMinuteMarker;

    const std::size_t records = k >= 4 ? static_cast<std::size_t>(k) + summaries_.size() : 0;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(R) * (1 + records));
    std::uint8_t* w = out.data() + at;
    std::memcpy(w, marker.data(), static_cast<std::size_t>(R));
    w += R;
    if (k < 4) return;
    std::size_t next = 0;
    for (int i = 0; i < k; ++i) {
        const ClusterClick& c = clicks_[static_cast<std::size_t>(i)];
        if (next < summaries_.size() && summaries_[next].StartIndex == i) {
            WriteSummary(c, summaries_[next].Bytes, w);
            w += R;
            ++next;
        }
        WriteClick(c, w);
        w += R;
    }
}

void ClusterFinder::ComputeBands(std::uint8_t* marker) {
    const int k = static_cast<int>(clicks_.size());
    if (k < 17) {
        for (ClusterClick& c : clicks_) c.Band = 1;
        return;
    }
    std::array<std::int32_t, 256> h;
    h.fill(1);
    for (const ClusterClick& c : clicks_) ++h[static_cast<std::size_t>(c.kHz())];
    for (int pass = 0; pass < SmoothPasses; ++pass)
        for (int i = SmoothFirst; i <= SmoothLast; ++i) h[i] = (h[i - 1] + 2 * h[i] + h[i + 1]) / 4;

    // A flat stretch after a descent has no bin lower than both neighbours: cut it in the middle.
    for (int i = ScanFirst; i <= ScanLast;) {
        if (h[i] < h[i - 1]) {
            int j = i;
            while (j < ScanLast && h[j + 1] == h[i]) ++j;
            if (j > i) --h[(i + j) / 2];
            i = j + 1;
        } else {
            ++i;
        }
    }
    if (parameters_.OnHistogram) parameters_.OnHistogram(h, k);

    std::array<std::uint8_t, 256> bandOf{};
    std::array<std::int32_t, 3> peakLevel{0, 0, 0};
    std::array<int, 3> peakkHz{0, 0, 0};
    int band = 0;
    int from = BandLowkHz;
    bool stopped = false;
    for (int i = ScanFirst; i <= ScanLast; ++i) {
        if (band < 3 && h[i] > peakLevel[band]) {
            peakLevel[band] = h[i];
            peakkHz[band] = i;
        }
        if (i < ScanFirst + 1 || h[i] >= h[i - 1] || h[i] >= h[i + 1]) continue;
        for (int f = from; f <= i; ++f) bandOf[f] = static_cast<std::uint8_t>(band);
        ++band;
        from = i;
        if (band > k / 8 || band >= parameters_.MaxBands) {
            // Too many bands for the clicks of the minute: one band below the last boundary.
            for (int f = BandLowkHz; f <= i; ++f) bandOf[f] = 0;
            for (int f = i + 1; f <= BandHighkHz; ++f) bandOf[f] = static_cast<std::uint8_t>(band);
            stopped = true;
            break;
        }
    }
    if (!stopped)
        for (int f = from; f <= BandHighkHz; ++f) bandOf[f] = static_cast<std::uint8_t>(band);
    // A kHz outside 20..200 takes the band of the nearest end: it lies beyond every boundary
    // the scan can find, so it belongs with the lowest or the highest band.
    for (int f = 0; f < BandLowkHz; ++f) bandOf[f] = bandOf[BandLowkHz];
    for (int f = BandHighkHz + 1; f < 256; ++f) bandOf[f] = bandOf[BandHighkHz];

    marker[12] = static_cast<std::uint8_t>(peakkHz[0] == ScanFirst ? 0 : peakkHz[0]);
    marker[13] = static_cast<std::uint8_t>(peakkHz[1]);
    marker[14] = static_cast<std::uint8_t>(peakkHz[2]);
    for (ClusterClick& c : clicks_) c.Band = bandOf[static_cast<std::size_t>(c.kHz())];
}

void ClusterFinder::LinkBands() {
    std::array<int, BandSlots> last;
    last.fill(NoClick);
    const int k = static_cast<int>(clicks_.size());
    for (int i = 0; i < k; ++i) {
        ClusterClick& c = clicks_[static_cast<std::size_t>(i)];
        int& previous = last[c.Band];
        c.PrevInBand = previous;
        c.NextInBand = NoClick;
        if (previous != NoClick) clicks_[static_cast<std::size_t>(previous)].NextInBand = i;
        previous = i;
    }
}

void ClusterFinder::ComputeStatusesAndGaps() {
    const int k = static_cast<int>(clicks_.size());
    auto at = [this](int i) -> ClusterClick& { return clicks_[static_cast<std::size_t>(i)]; };

    // Isolation: silence of more than 4 ms since the end of the band's previous click.
    std::array<std::int32_t, BandSlots> lastEnd{};
    for (ClusterClick& c : clicks_) {
        c.Status = c.Time - lastEnd[c.Band] > IsolationTicks ? StatusClusterStart : StatusOrdinary;
        lastEnd[c.Band] = c.End;
    }

    // Gap before: back to the band's nearest earlier click louder than SPL / 8.
    for (ClusterClick& c : clicks_) {
        const int threshold = c.SPL() / 8;
        int j = c.PrevInBand;
        while (j != NoClick && at(j).SPL() <= threshold) j = at(j).PrevInBand;
        c.GapBefore = j == NoClick ? 0 : c.Time - at(j).Time;
    }

    // Fusion: a click that follows the previous click of its band after a short silence
    // continues it (echoes, reverberation), whatever clicks of other bands lie between them.
    // Close pairs widen the fusion gap, far ones narrow it.
    std::int32_t fusionGap = parameters_.Version == 2 ? parameters_.InitialFusionGap : FusionGapStart;
    for (int i = 1; i < k; ++i) {
        ClusterClick& c = at(i);
        if (c.PrevInBand == NoClick) continue;
        const ClusterClick& before = at(c.PrevInBand);
        const std::int32_t silence = c.Time - before.End;
        if (silence < fusionGap) {
            c.Status = StatusFused;
            if (silence < FusionGapStart)
                fusionGap = std::min(FusionGapMax, fusionGap + (FusionGapStart - silence));
        } else {
            fusionGap = std::max(FusionGapStart, fusionGap - (silence - FusionGapStart));
        }
    }

    // Loud after weak: a loud click after four weak clicks of its band within 5 ms starts a cluster.
    for (int i = k - 1; i >= 1; --i) {
        ClusterClick& c = at(i);
        if (c.SPL() <= LoudAfterWeakSpl || c.Status == StatusFused) continue;
        int weak = 0;
        for (int j = c.PrevInBand; j != NoClick && c.Time - at(j).Time <= LoudAfterWeakTicks;
             j = at(j).PrevInBand) {
            const ClusterClick& e = at(j);
            // At least half the level, exactly: for an odd level the half is not rounded down.
            if (e.Status > StatusOrdinary || 2 * e.SPL() >= c.SPL()) break;
            if (++weak == LoudAfterWeakCount) {
                c.Status = StatusClusterStart;
                break;
            }
        }
    }
}

void ClusterFinder::ComputeRisks(std::uint8_t* marker) {
    const int k = static_cast<int>(clicks_.size());
    for (int b = 1; b <= 3; ++b) {
        std::array<Group, 4> groups{{{v1_, 2}, {v2_, 2}, {0, 0}, {0, 0}}};
        int n = 0;
        std::int32_t last = 0;
        int u = 0;
        for (int i = 0; i + 1 < k; ++i) {
            const ClusterClick& c = clicks_[static_cast<std::size_t>(i)];
            if (c.Band == b && c.Status > StatusBurst && c.SPL() > u) {
                const std::int32_t gap = c.Time - last;
                if (gap > RiskMinGap) {
                    ++n;
                    last = c.Time;
                    u = c.SPL() / 2;
                    CountInterval(groups, gap);
                }
            } else {
                u -= u / 4;
            }
        }
        std::size_t best = 0;
        std::size_t second = groups.size();
        std::int32_t secondCount = 0;
        for (std::size_t g = 1; g < groups.size(); ++g) {
            if (groups[g].Count > groups[best].Count) {
                best = g;
            } else if (groups[g].Count > secondCount) {
                second = g;
                secondCount = groups[g].Count;
            }
        }
        v1_ = groups[best].Value;
        if (second < groups.size()) v2_ = groups[second].Value;
        int risk = 0;
        if (n >= 6) risk = (groups[best].Count + secondCount) * 128 / (n + 20) + RiskAddOn(n);
        marker[14 + b] = static_cast<std::uint8_t>(std::min(255, risk));
    }
}

void ClusterFinder::FindBursts() {
    const int k = static_cast<int>(clicks_.size());
    auto at = [this](int i) -> ClusterClick& { return clicks_[static_cast<std::size_t>(i)]; };
    // Per band, the click up to which the weak clicks have been made burst members already.
    std::array<int, BandSlots> convertedTo;
    convertedTo.fill(NoClick);
    for (int i = 0; i + 2 < k; ++i) {
        const ClusterClick& start = at(i);
        if (start.Status <= StatusOrdinary) continue;
        std::array<Group, 3> groups{{{start.GapBefore, 0}, {0, 0}, {0, 0}}};
        int weak = 0;
        int j = start.NextInBand;
        for (; j != NoClick && at(j).Status <= StatusOrdinary; j = at(j).NextInBand) {
            ++weak;
            CountBurstGap(groups, at(j).GapBefore);
        }
        if (j == NoClick) continue;
        const std::int32_t most = std::max({groups[0].Count, groups[1].Count, groups[2].Count});
        if (most <= weak / 4 + 3) continue;
        if (i < convertedTo[start.Band]) continue;
        int x = start.NextInBand;
        for (; x != NoClick && at(x).Status < StatusClusterStart; x = at(x).NextInBand)
            if (at(x).Status == StatusOrdinary) at(x).Status = StatusBurst;
        convertedTo[start.Band] = x == NoClick ? k : x;
    }
}

void ClusterFinder::FindClusters() {
    const int k = static_cast<int>(clicks_.size());
    auto at = [this](int i) -> ClusterClick& { return clicks_[static_cast<std::size_t>(i)]; };
    std::vector<int> levels;
    for (int i = 0; i < k; ++i) {
        ClusterClick& start = at(i);
        if (start.Status != StatusClusterStart) continue;
        int members = 0;
        int j = start.NextInBand;
        for (; j != NoClick && at(j).Status <= StatusOrdinary; j = at(j).NextInBand) ++members;
        if (members < 2 && j != NoClick) continue;

        int maxNcyc = start.Ncyc(), maxSpl = start.SPL(), minSpl = start.SPL();
        int minkHz = start.kHz(), maxkHz = start.kHz();
        std::int64_t cycles = start.Ncyc();
        std::int64_t weights = std::int64_t{start.SPL()} * start.SPL();
        std::int64_t weightedkHz = weights * start.kHz();
        std::int64_t spread = 0;
        std::int32_t lastTime = start.Time;
        levels.clear();
        for (int m = start.NextInBand; m != j; m = at(m).NextInBand) {
            const ClusterClick& c = at(m);
            const std::int64_t mean = weights > 0 ? weightedkHz / weights : start.kHz();
            spread += std::abs(c.kHz() - mean);
            maxNcyc = std::max(maxNcyc, c.Ncyc());
            maxSpl = std::max(maxSpl, c.SPL());
            minSpl = std::min(minSpl, c.SPL());
            minkHz = std::min(minkHz, c.kHz());
            maxkHz = std::max(maxkHz, c.kHz());
            cycles += c.Ncyc();
            const std::int64_t w = std::int64_t{c.SPL()} * c.SPL();
            weights += w;
            weightedkHz += w * c.kHz();
            lastTime = c.Time;
            levels.push_back(c.SPL());
        }

        std::array<std::uint8_t, 20> s{};
        WriteBE(s.data(), 0, 3, static_cast<std::uint32_t>(start.Time < 11 ? 1 : start.Time - 10));
        s[3] = static_cast<std::uint8_t>(maxNcyc);
        const int meankHz = static_cast<int>(weights > 0 ? weightedkHz / weights : start.kHz());
        int bw = start.BW();
        if (meankHz / 10 + bw > 22) bw = std::max(1, 17 - meankHz / 10);
        s[4] = static_cast<std::uint8_t>(bw);
        s[5] = static_cast<std::uint8_t>(meankHz);
        s[6] = static_cast<std::uint8_t>(start.EndkHz());
        s[7] = static_cast<std::uint8_t>(maxSpl);
        s[8] = static_cast<std::uint8_t>(start.Envelope());
        s[9] = static_cast<std::uint8_t>(ClusterSlopeOf(levels) * 16 + MemberCountCode(members));
        s[10] =
            ClusterLogCode(std::max<std::int64_t>(MinClusterDuration, std::int64_t{lastTime} - start.Time));
        s[11] = ClusterLogCode(cycles);
        s[12] = static_cast<std::uint8_t>(minkHz);
        s[13] = static_cast<std::uint8_t>(maxkHz);
        s[14] = static_cast<std::uint8_t>(members > 0 ? spread / members : 0);
        s[15] = start.Band;
        s[16] = ClusterLogCode(start.GapBefore);
        s[17] = static_cast<std::uint8_t>(minSpl);
        s[18] = s[19] = StatusClusterSummary;
        summaries_.push_back({i, s});
        start.Status = StatusOrdinary;
    }
}

void ClusterFinder::WriteClick(const ClusterClick& c, std::uint8_t* out) const {
    std::uint8_t record[40] = {};
    std::memcpy(record, c.Bytes.data(), c.Bytes.size());
    record[15] = c.Band;
    record[16] = ClusterLogCode(c.GapBefore);
    record[18] = c.Status;
    if (parameters_.Version == 2) {
        record[9] = c.Band;
        record[39] = c.Status;
        std::memcpy(out, record, 40);
    } else {
        record[19] = c.Status;
        std::memcpy(out, record, 20);
    }
}

void ClusterFinder::WriteSummary(const ClusterClick& start, const std::array<std::uint8_t, 20>& s,
                                 std::uint8_t* out) const {
    const int R = parameters_.RecordLength();
    if (R == 20) {
        std::memcpy(out, s.data(), s.size());
        return;
    }
    // 40-byte records carry the band in byte 9; the member count and slope byte moves to byte 19.
    std::memset(out, 0, static_cast<std::size_t>(R));
    std::memcpy(out, s.data(), 19);
    out[9] = start.Band;
    out[19] = s[9];
    out[R - 1] = StatusClusterSummary;
}

} // namespace kelp
