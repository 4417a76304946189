#include "tda/train_search.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "core/time.h"
#include "tda/train_scoring.h"

namespace kelp {

namespace {

// A click whose nearest louder click of its band lies further back than this starts a train.
constexpr std::int32_t StartGapTicks = 133;
constexpr std::int32_t FirstWindowEndTicks = 250'000;
constexpr std::int32_t MaxIciTicks = 250'000;
constexpr std::int32_t CopyMarginTicks = 100; // a one-click train is copied when its window runs on this long

std::int32_t Abs(std::int32_t v) {
    return v < 0 ? -v : v;
}

// ICI x numerator / 64, truncated.
std::int32_t WindowOffset(std::int32_t ici, std::int32_t numerator) {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(ici) * numerator / 64);
}

// A fit weighted by the time loading, rounded to the nearest integer.
std::int32_t Loaded(const TrainParameters& p, std::int32_t fit) {
    if (p.TimeLoading == 1.0) return fit;
    return static_cast<std::int32_t>(RoundHalfEven(fit * p.TimeLoading));
}

// The sum of the four relative differences of two clusters' size, duration, slope and cycles.
std::int32_t ClusterDifference(std::int32_t size, std::int32_t duration, std::int32_t slope,
                               std::int32_t cycles, const TrainClick& actual) {
    auto relative = [](std::int64_t expected, std::int64_t value) {
        const std::int64_t d = expected > value ? expected - value : value - expected;
        return d * 16 / (4 * (expected + value) + 1);
    };
    return static_cast<std::int32_t>(
        relative(size, actual.ClusterSize) + relative(duration, actual.ClusterDuration) +
        relative(slope, actual.ClusterSlope) + relative(cycles, actual.ClusterCycles));
}

bool RangesOverlap(std::int32_t min1, std::int32_t max1, std::int32_t min2, std::int32_t max2) {
    return min1 <= max2 && min2 <= max1;
}

std::int32_t LaterClusterFit(const TrainClick& P, const TrainClick& R, const TrainClick& c) {
    if (!c.IsCluster() || !(R.IsCluster() || P.IsCluster())) return c.IsCluster() ? 8 : 32;
    std::int32_t size, duration, slope, cycles, minkHz, maxkHz;
    if (P.IsCluster() && R.IsCluster()) {
        // The mean of P's and c's clusters; its kHz range is the union of theirs.
        size = (P.ClusterSize + c.ClusterSize) / 2;
        duration = (P.ClusterDuration + c.ClusterDuration) / 2;
        slope = (P.ClusterSlope + c.ClusterSlope) / 2;
        cycles = (P.ClusterCycles + c.ClusterCycles) / 2;
        minkHz = std::min(P.ClusterMinkHz, c.ClusterMinkHz);
        maxkHz = std::max(P.ClusterMaxkHz, c.ClusterMaxkHz);
    } else {
        const TrainClick& e = R.IsCluster() ? c : P;
        size = e.ClusterSize;
        duration = e.ClusterDuration;
        slope = e.ClusterSlope;
        cycles = e.ClusterCycles;
        minkHz = e.ClusterMinkHz;
        maxkHz = e.ClusterMaxkHz;
    }
    const TrainClick& actual = R.IsCluster() ? R : c;
    if (!RangesOverlap(actual.ClusterMinkHz, actual.ClusterMaxkHz, minkHz, maxkHz)) return 8;
    return ClusterDifference(size, duration, slope, cycles, actual);
}

void AddSaturation(TrainRecord& t, const TrainClick& R, const TrainClick& K) {
    if (K.SPL < 254) {
        t.SaturatedRun = 0;
        return;
    }
    t.N255 += K.SPL == 255 ? 2 : 1;
    if (R.SPL > 253) {
        ++t.SaturatedRun;
        t.R255 = std::max(t.R255, t.SaturatedRun);
    }
}

void AddFrequencyAndShape(TrainRecord& t, const TrainClick& R, const TrainClick& K) {
    t.MinkHz = std::min<std::int32_t>(t.MinkHz, K.kHz);
    t.MaxkHz = std::max<std::int32_t>(t.MaxkHz, K.kHz);
    t.kHzSum += K.kHz;
    t.kHzChangeSum += Abs(R.kHz - K.kHz);
    t.BWSum += K.BW;
    t.EnvelopeChangeSum += Abs(R.EnvelopeHigh - K.EnvelopeHigh);
}

void AddClusterValues(TrainRecord& t, const TrainClick& K) {
    ++t.NClstr;
    t.NinCSum += K.ClusterSize;
    t.ClsDSum += K.ClusterDuration;
    t.ClSlpSum += K.ClusterSlope;
}

std::int32_t LevelSteadiness(std::int32_t a, std::int32_t b) {
    return std::min(16, std::min(a, b) / (Abs(a - b) + 1));
}

// The windows for the next click after the last committed click R.
void SetWindowsAfter(const TrainParameters& p, TrainRecord& t, std::int32_t time) {
    t.WindowStart = time + WindowOffset(t.ICI, 64 - p.Max64thsICIdrop);
    t.WindowEnd = time + WindowOffset(t.ICI, 64 + p.Max64thsICIrise);
    t.Window2Start = t.WindowStart + t.ICI;
    t.Window2End = t.WindowEnd + t.ICI;
}

// Puts the template back into a slot without counting it as freed.
void ResetTrain(TrainTable& table, int slot) {
    static const TrainRecord Empty{};
    TrainRecord& t = table[slot];
    ClickList& list = table.ListOf(slot);
    // The used entries come first: a train's real clicks, or the first click of a one-click train.
    auto k = static_cast<std::size_t>(std::clamp(t.Nin, 1, ClickListLength));
    std::fill_n(list.Entries.begin(), k, EmptyClickEntry);
    for (; k < ClickListLength && list[k] != EmptyClickEntry; ++k) list[k] = EmptyClickEntry;
    t = Empty;
}

// c becomes the second click of a one-click train.
void MakeSecondClick(TrainDetector& d, int slot, const TrainClick& c, const ClickFit& fitToFirst) {
    const TrainParameters& p = d.Parameters;
    TrainRecord& t = d.Table[slot];
    const TrainClick& R = t.Last; // until it becomes the previous click at the end
    t.ICI = t.FirstICI = c.Time - R.Time;
    SetWindowsAfter(p, t, c.Time);
    const ClickFit sums = PairFits(R, c);
    t.FreqFitSum = sums.FreqFit;
    t.SplFitSum = sums.SplFit;
    t.TimeFitSum = sums.TimeFit;
    t.ClusterFitSum = sums.ClusterFit;
    t.RunningFreqFit = t.RunningFreqFit * 3 / 4 + fitToFirst.FreqFit;
    t.RunningSplFit = t.RunningSplFit * 3 / 4 + fitToFirst.SplFit;
    if (fitToFirst.ClusterFit < 32) {
        t.RunningClusterFit = t.RunningClusterFit * 3 / 4 + fitToFirst.ClusterFit;
        ++t.ClusterFitCount;
    }
    t.NcycSum += c.Ncyc;
    t.ClusterCyclesSum += c.ClusterCycles;
    t.SPLSum += c.SPL;
    t.PkDfSum = LevelSteadiness(R.SPL, c.SPL);
    if (c.SPL <= R.SPL) {
        ++t.SPLReversals;
        t.SPLRising = 0;
    }
    const std::int32_t ratio = (R.SPL + c.SPL) / (Abs(R.SPL - c.SPL) + 1);
    if (c.SPL > 50 && ratio > 64)
        ++t.Pk32;
    else if (c.SPL > 30 && ratio > 32)
        ++t.Pk16;
    AddSaturation(t, R, c);
    AddFrequencyAndShape(t, R, c);
    if (c.IsCluster()) AddClusterValues(t, c);
    d.Table.ListOf(slot)[1] = c.RecordOffset;
    t.Previous = t.Last;
    t.Last = c;
    t.Length = t.RealRun = t.Nin = 2;
    d.Table.Sync(slot);
}

void OfferToOneClickTrain(TrainDetector& d, int slot, const TrainClick& c) {
    const TrainParameters& p = d.Parameters;
    TrainRecord& t = d.Table[slot];
    if (t.Disturbance > 8) {
        FreeTrain(d, slot);
        return;
    }
    // Only the frequency fit decides whether c is similar; the other fits matter once c is paired.
    const bool inBand = c.Band == t.Band || !p.StayWithinBands;
    const bool similar = inBand && (PairFreqFit(c, t.Last) < p.SecondClkFit || c.IsCluster());
    if (c.Time < t.WindowStart) {
        if (similar) {
            ApplyDisturbance(t, c);
            d.Table.Sync(slot);
        }
    } else if (c.Time < t.WindowEnd) {
        if (!similar || t.Disturbance > 7) {
            if (t.Disturbance > 8) FreeTrain(d, slot);
            return;
        }
        if (t.WindowEnd - c.Time > CopyMarginTicks) {
            // A copy keeps waiting for a later second click.
            const int copySlot = AllocateSlot(d);
            // The purge of a full table freed this train. It is not paired: pairing the
            // freed slot would build a train without its first click and carry it to the
            // end of the minute.
            if (!t.InUse()) return;
            if (t.Last.SPL > 0) {
                CopyTrain(d.Table, copySlot, slot);
                TrainRecord& copy = d.Table[copySlot];
                copy.WindowStart = c.Time + CopyMarginTicks;
                ApplyDisturbance(copy, c);
                d.Table.Sync(copySlot);
            }
        }
        MakeSecondClick(d, slot, c, PairFits(c, t.Last));
    } else {
        FreeTrain(d, slot);
    }
}

// Commits the pending candidate; `closing` applies the rules of a train that closes.
// False when the train was freed.
bool CommitCandidate(TrainDetector& d, int slot, bool closing) {
    const TrainParameters& p = d.Parameters;
    TrainRecord& t = d.Table[slot];
    if (closing) {
        bool commit = false;
        if (t.HasCandidate()) {
            const std::int32_t spread = (t.MaxkHz - t.MinkHz) / 4;
            commit = t.Candidate.kHz > t.MinkHz - spread && t.Candidate.kHz < t.MaxkHz + spread;
        }
        if (t.RealRun < p.MinterminalNSV) {
            // Too short a run of real clicks at the end: it is cut off with the gap before it.
            commit = false;
            const std::int32_t oldNin = t.Nin;
            t.Length -= t.RealRun + 2;
            t.Nin -= t.RealRun + 1;
            ClickList& list = d.Table.ListOf(slot);
            for (std::int32_t k = std::max(0, t.Nin); k < oldNin && k < ClickListLength; ++k)
                list[static_cast<std::size_t>(k)] = EmptyClickEntry;
            if (t.Length < p.MinNinTrain) {
                FreeTrain(d, slot);
                return false;
            }
        }
        if (!commit) {
            t.Candidate = TrainClick{};
            if (t.Length < p.MinNinTrain) {
                FreeTrain(d, slot);
                return false;
            }
            return true;
        }
    }

    const TrainClick& K = t.Candidate; // until it becomes the last click at the end
    const ClickFit fit = t.CandidateFit;
    ++t.Length;
    ++t.Nin;
    t.RivalCount = 0;
    t.RealRun = t.AfterGap ? 1 : t.RealRun + 1;
    if (t.Nin < ClickListLength) {
        d.Table.ListOf(slot)[static_cast<std::size_t>(t.Nin - 1)] = K.RecordOffset + (t.AfterGap ? 1 : 0);
        t.AfterGap = 0;
    } else {
        // A train holds at most 499 clicks.
        --t.Length;
        --t.Nin;
    }
    if (t.Length <= 0) return true;

    t.RunningTimeFit = t.RunningTimeFit * 3 / 4 + fit.TimeFit + p.rollingTadd;
    t.RunningFreqFit = t.RunningFreqFit * 3 / 4 + fit.FreqFit + p.rollingFadd;
    t.RunningSplFit = t.RunningSplFit * 3 / 4 + fit.SplFit + p.rollingPadd;
    if (fit.ClusterFit < 32) {
        t.RunningClusterFit = t.RunningClusterFit * 3 / 4 + fit.ClusterFit;
        t.ClusterFitSum += fit.ClusterFit;
        ++t.ClusterFitCount;
    }
    if (K.IsCluster()) AddClusterValues(t, K);
    if (fit.FreqFit < 4) ++t.GoodFreqFits;
    t.TimeFitSum += fit.TimeFit;
    t.FreqFitSum += fit.FreqFit;
    t.SplFitSum += fit.SplFit;

    const TrainClick& R = t.Last;
    const TrainClick& P = t.Previous;
    const std::int32_t oldIci = R.Time - P.Time;
    if (t.ICI < oldIci) ++t.ICIUpCount;
    if (t.Length == 3) {
        t.ICIRising = oldIci < t.ICI ? 1 : 0;
    } else if ((t.ICI < oldIci && t.ICIRising) || (t.ICI > oldIci && !t.ICIRising)) {
        ++t.ICIReversals;
        t.ICIRising = t.ICIRising ? 0 : 1;
    }
    t.ICIChangeSum += Abs(t.ICI - oldIci);

    t.NcycSum += K.Ncyc;
    t.ClusterCyclesSum += K.ClusterCycles;
    t.SPLSum += K.SPL;
    t.PkDfSum += LevelSteadiness(R.SPL, K.SPL);
    // Level direction: each change of direction counts once and sets the flag to the
    // direction just seen; an equal level counts too and flips it.
    if (K.SPL == R.SPL) {
        ++t.SPLReversals;
        t.SPLRising = t.SPLRising ? 0 : 1;
    } else if ((K.SPL < R.SPL && t.SPLRising) || (K.SPL > R.SPL && !t.SPLRising)) {
        ++t.SPLReversals;
        t.SPLRising = K.SPL > R.SPL ? 1 : 0;
    }
    const std::int32_t ratio = (R.SPL + P.SPL) / (Abs(P.SPL - R.SPL) + 1);
    if (R.SPL > 50 && ratio > 64)
        ++t.Pk32;
    else if (R.SPL > 30 && ratio > 32)
        ++t.Pk16;
    AddSaturation(t, R, K);
    AddFrequencyAndShape(t, R, K);

    t.Previous = t.Last;
    t.Last = t.Candidate;
    t.Candidate = TrainClick{};
    t.ICI = t.Last.Time - t.Previous.Time;
    if (!closing) {
        SetWindowsAfter(p, t, t.Last.Time);
        t.Window3End = t.Window2End + t.ICI;
    }
    return true;
}

// c becomes the pending candidate.
void AcceptCandidate(TrainDetector& d, int slot, const TrainClick& c, const ClickFit& fit) {
    const TrainParameters& p = d.Parameters;
    TrainRecord& t = d.Table[slot];
    t.Candidate = c;
    t.CandidateFit = fit;
    t.ICI = c.Time - t.Last.Time;
    t.Window2Start = c.Time + WindowOffset(t.ICI, 64 - p.Max64thsICIdrop);
    t.Window2End = c.Time + WindowOffset(t.ICI, 64 + p.Max64thsICIrise);
    t.Window3End = t.Window2End + t.ICI;
    if (t.ICI < p.MinSecondClickTicks || t.ICI > MaxIciTicks) CloseTrain(d, slot);
}

// A window passed empty: a missed click is placed where it was expected. False when the
// train had too many missed clicks already and was closed instead.
bool RecordMissedClick(TrainDetector& d, int slot) {
    TrainRecord& t = d.Table[slot];
    if (t.Length / 4 < t.Length - t.Nin) {
        CloseTrain(d, slot);
        return false;
    }
    t.AfterGap = 1;
    ++t.Length;
    t.Candidate = TrainClick{};
    t.Previous = t.Last;
    t.Last.Time += t.ICI;
    t.WindowStart += t.ICI;
    t.WindowEnd += t.ICI;
    t.Window2Start += t.ICI;
    t.Window2End += t.ICI;
    t.Window3End += t.ICI;
    return true;
}

// A rival in the window of the pending candidate.
void OfferRival(TrainDetector& d, int slot, const TrainClick& c) {
    const TrainParameters& p = d.Parameters;
    TrainRecord& t = d.Table[slot];
    ++t.RivalCount;
    std::int32_t s = Loaded(p, t.CandidateFit.TimeFit) + t.CandidateFit.FreqFit + t.CandidateFit.SplFit;
    if (t.RivalCount < 2) s /= 2;
    if (c.SPL > 253 && t.N255 > 1 && t.Candidate.SPL < 254) s += 8;
    // The rival's fits can only lower s: once s cannot beat the level, the rest are not needed.
    const bool fitsLower = p.TimeLoading >= 0;
    ClickFit fit;
    fit.FreqFit = LaterFreqFit(t, c);
    s -= fit.FreqFit;
    if (s > p.BestReplacementLevel || !fitsLower) {
        fit.SplFit = LaterSplFit(t, c);
        s -= fit.SplFit;
        if (s > p.BestReplacementLevel || !fitsLower) {
            fit.TimeFit = LaterTimeFit(t, c);
            s -= Loaded(p, fit.TimeFit);
        }
    }
    if (s <= p.BestReplacementLevel) {
        ApplyDisturbance(t, c);
        return;
    }
    fit.ClusterFit = LaterClusterFit(t.Previous, t.Last, c);
    if (d.Inherit && s < p.BestReplacementLevel + 5) {
        // A close call: a copy keeps the old candidate.
        const int copySlot = AllocateSlot(d);
        if (!t.InUse()) return; // the purge of a full table freed this train
        CopyTrain(d.Table, copySlot, slot);
        ApplyDisturbance(t, c);
    }
    ApplyDisturbance(t, t.Candidate);
    AcceptCandidate(d, slot, c, fit);
}

// Extends a train of two or more clicks with c (c at or after the window start). The fits
// of c are worked out where a case needs them, against the train as it is then.
void ExtendTrain(TrainDetector& d, int slot, const TrainClick& c, std::int32_t gapBefore) {
    const TrainParameters& p = d.Parameters;
    TrainRecord& t = d.Table[slot];
    // The train is open here, and still is at every repeat: each step that may close or
    // free it returns.
    for (;;) {
        const bool inWindow = t.WindowStart < c.Time && c.Time < t.WindowEnd;
        if (!t.HasCandidate()) {
            if (inWindow) {
                const ClickFit fit = LaterClickFits(t, c);
                std::int32_t s = (Loaded(p, t.RunningTimeFit) + t.RunningFreqFit + t.RunningSplFit) / 2 -
                                 (Loaded(p, fit.TimeFit) + fit.FreqFit + fit.SplFit);
                if (static_cast<std::int64_t>(c.Time - t.Last.Time) * 12 <
                    static_cast<std::int64_t>(gapBefore) * 16)
                    s += 16;
                if (s > p.NewBestLevel)
                    AcceptCandidate(d, slot, c, fit);
                else if (fit.FreqFit < std::max(p.FrqFt, t.RunningFreqFit / 2) || c.ClusterSize > 1)
                    ApplyDisturbance(t, c);
                return;
            }
            if (c.Time > t.WindowEnd) {
                const bool inSecondWindow = t.Window2Start < c.Time && c.Time < t.Window2End;
                if (t.Length < 5 || t.RealRun < 5 || !inSecondWindow) {
                    if (t.Length < 5)
                        FreeTrain(d, slot);
                    else
                        CloseTrain(d, slot);
                    return;
                }
                if (!RecordMissedClick(d, slot)) return;
                continue;
            }
        } else {
            if (inWindow) {
                OfferRival(d, slot, c);
                return;
            }
            if (c.Time >= t.WindowEnd) {
                if (!CommitCandidate(d, slot, false)) return;
                if (t.WindowStart < c.Time && c.Time < t.WindowEnd) continue;
                if (t.Length > 4 && t.RealRun > 3 && t.Window2Start < c.Time && c.Time < t.Window2End) {
                    if (!RecordMissedClick(d, slot)) return;
                    continue;
                }
                if (t.Length >= 1) t.Disturbance += 4;
                return;
            }
        }
        // c lies exactly on a window edge.
        ApplyDisturbance(t, c);
        return;
    }
}

void OfferToTrain(TrainDetector& d, int slot, const TrainClick& c, std::int32_t gapBefore) {
    const TrainParameters& p = d.Parameters;
    TrainRecord& t = d.Table[slot];
    if (c.Time >= std::max(t.WindowEnd, t.Window3End)) {
        if (t.Length < 5)
            FreeTrain(d, slot);
        else
            CloseTrain(d, slot);
    } else if (c.Time < t.WindowStart) {
        // Only a disturbance is possible. Whether it would count is the cheap test; the
        // similarity (by any one of the fits) is worked out only when it would.
        if (DisturbanceOf(t, c) == 0) return;
        const bool similar =
            LaterFreqFit(t, c) < std::max(p.FrqFt, t.RunningFreqFit / 8) ||
            LaterSplFit(t, c) < std::max(p.MinSPLFt, t.RunningSplFit / 8) ||
            LaterClusterFit(t.Previous, t.Last, c) < std::max(p.cLstrFt, t.RunningClusterFit / 8);
        if (similar) ApplyDisturbance(t, c);
    } else {
        ExtendTrain(d, slot, c, gapBefore);
    }
}

// The slots a click is offered to: the open trains of its band (or all open trains), less
// the waiting one-click trains whose window it lies in. Waiting trains are judged when the
// sweep begins; a slot synced during the sweep is offered the click in any case.
struct OfferedSlots {
    const TrainTable& Table;
    const TrainTable::SlotBits& Open;
    TrainTable::SlotBits Due{};

    OfferedSlots(TrainTable& table, const TrainTable::SlotBits& open, std::int32_t time)
        : Table(table), Open(open) {
        table.Changed.fill(0);
        for (std::size_t w = 0; w < Due.size(); ++w) {
            std::uint64_t waiting = open[w] & table.Waiting[w];
            std::uint64_t due = ~std::uint64_t{0};
            while (waiting != 0) {
                const int bit = std::countr_zero(waiting);
                waiting &= waiting - 1;
                const std::size_t s = w * 64 + static_cast<std::size_t>(bit);
                const bool passes = table.WaitingStart[s] <= time && time < table.WaitingEnd[s];
                due &= ~(std::uint64_t{passes} << bit);
            }
            Due[w] = due;
        }
    }

    // The next slot from `slot` on, up to the in-use count; 0 when there is none. The bits
    // are read afresh: a copy made above the current slot is offered the click too, and a
    // purge may free slots ahead.
    int Next(int slot) const {
        const int last = Table.InUseCount;
        if (slot > last) return 0;
        std::size_t w = static_cast<std::size_t>(slot) / 64;
        std::uint64_t word = Word(w) & (~std::uint64_t{0} << (slot % 64));
        while (word == 0) {
            if (++w == Due.size()) return 0;
            word = Word(w);
        }
        const int next = static_cast<int>(w * 64) + std::countr_zero(word);
        return next <= last ? next : 0;
    }

private:
    std::uint64_t Word(std::size_t w) const { return Open[w] & (Due[w] | Table.Changed[w]); }
};

void StartTrain(TrainDetector& d, const TrainClick& c) {
    const int slot = AllocateSlot(d);
    TrainRecord& t = d.Table[slot];
    if (t.InUse()) ResetTrain(d.Table, slot); // slot 500 of a full table is overwritten
    t.Length = 1;
    t.StartTime = t.Duration = c.Time;
    d.Table.ListOf(slot)[0] = c.RecordOffset;
    t.Last = t.Previous = c;
    t.WindowStart = c.Time + d.Parameters.MinSecondClickTicks;
    t.WindowEnd = c.Time + FirstWindowEndTicks;
    t.SPLSum = c.SPL;
    t.N255 = c.SPL == 255 ? 2 : (c.SPL == 254 ? 1 : 0);
    t.NcycSum = c.Ncyc;
    t.ClusterCyclesSum = c.ClusterCycles;
    t.MinkHz = t.MaxkHz = t.kHzSum = c.kHz;
    t.Band = c.Band;
    if (c.IsCluster()) AddClusterValues(t, c);
    t.CreatedInPass = d.Minute.Pass;
    d.Table.Sync(slot);
}

} // namespace

int TrainTable::LowestFreeSlot(int last) const {
    for (std::size_t w = 0; w < UsedBits.size(); ++w) {
        std::uint64_t free = ~UsedBits[w];
        if (w == 0) free &= ~std::uint64_t{1}; // entry 0 is the template, never a slot
        if (free == 0) continue;
        const int slot = static_cast<int>(w * 64) + std::countr_zero(free);
        return slot <= last ? slot : 0;
    }
    return 0;
}

void CopyTrain(TrainTable& table, int to, int from) {
    if (to == from) return;
    ClickList& target = table.ListOf(to);
    const ClickList& source = table.ListOf(from);
    std::size_t k = 0;
    for (; k < ClickListLength && source[k] != EmptyClickEntry; ++k) target[k] = source[k];
    for (; k < ClickListLength && target[k] != EmptyClickEntry; ++k) target[k] = EmptyClickEntry;
    table[to] = table[from];
    table.Sync(to);
}

ClickFit PairFits(const TrainClick& a, const TrainClick& b) {
    ClickFit f;
    if (a.Ncyc == 0 || b.Ncyc == 0) return f;
    f.FreqFit = PairFreqFit(a, b);
    f.SplFit = std::min(32, Abs(a.SPL - b.SPL) * 32 / std::max(1, a.SPL + b.SPL));
    if (b.SPL > 200) f.SplFit = std::max(0, f.SplFit - 8);
    if (a.IsCluster() && b.IsCluster())
        f.ClusterFit =
            ClusterDifference(a.ClusterSize, a.ClusterDuration, a.ClusterSlope, a.ClusterCycles, b);
    else if (b.IsCluster())
        f.ClusterFit = 8;
    return f;
}

std::int32_t PairFreqFit(const TrainClick& a, const TrainClick& b) {
    if (a.Ncyc == 0 || b.Ncyc == 0) return 0;
    return a.Band == b.Band ? Abs(a.kHz - b.kHz) / 2 : 128;
}

std::int32_t LaterFreqFit(const TrainRecord& train, const TrainClick& c) {
    return Abs((train.Previous.kHz + c.kHz) / 2 - train.Last.kHz) / 2;
}

std::int32_t LaterSplFit(const TrainRecord& train, const TrainClick& c) {
    const std::int32_t halfSpl = (train.Previous.SPL + c.SPL) / 2;
    return std::min(32, Abs((halfSpl - train.Last.SPL) * 32 / std::max(1, halfSpl)));
}

std::int32_t LaterTimeFit(const TrainRecord& train, const TrainClick& c) {
    const TrainClick& P = train.Previous;
    if (P.Ncyc == 0) return 0;
    const std::int64_t offset = Abs((P.Time + c.Time) / 2 - train.Last.Time);
    const std::int64_t span = std::max(1, c.Time - P.Time);
    // R near the midpoint, the usual case, needs no division.
    if (16 * offset < span) return 0;
    // Times lie within a minute: 16 x the offset stays well inside 32 bits.
    return offset < (1 << 26) && span < (1 << 30)
               ? static_cast<std::int32_t>(16 * offset) / static_cast<std::int32_t>(span)
               : static_cast<std::int32_t>(16 * offset / span);
}

ClickFit LaterClickFits(const TrainRecord& train, const TrainClick& c) {
    ClickFit f;
    f.FreqFit = LaterFreqFit(train, c);
    f.SplFit = LaterSplFit(train, c);
    f.TimeFit = LaterTimeFit(train, c);
    f.ClusterFit = LaterClusterFit(train.Previous, train.Last, c);
    return f;
}

std::int32_t DisturbanceOf(const TrainRecord& t, const TrainClick& x) {
    if (t.Length > 1 && !(x.kHz > t.MinkHz - 8 && x.kHz < t.MaxkHz + 8)) return 0;
    const std::int32_t level = t.Last.SPL;
    if (x.SPL > level / 2) return 4;
    if (x.SPL > level / 4) return 2;
    if (x.SPL > level / 8) return 1;
    return 0;
}

void ApplyDisturbance(TrainRecord& t, const TrainClick& x) {
    t.Disturbance += DisturbanceOf(t, x);
}

// Measuring: the visits of one click that went to near-duplicate trains (twins), counted
// before the click changes them.
static void CountTwins(TrainDetector& d, const OfferedSlots& offered) {
    struct Visit {
        std::array<std::int32_t, 4> Key;
        int Slot;
    };
    std::vector<Visit> visits;
    for (int slot = offered.Next(1); slot != 0; slot = offered.Next(slot + 1)) {
        const TrainRecord& t = d.Table[slot];
        if (t.Length < 2) continue;
        visits.push_back({{t.Last.RecordOffset, t.Previous.RecordOffset,
                           t.HasCandidate() ? t.Candidate.RecordOffset : -1, t.ICI},
                          slot});
    }
    std::sort(visits.begin(), visits.end(), [](const Visit& a, const Visit& b) { return a.Key < b.Key; });
    // Everything a click's decision reads of a train, apart from the clicks themselves.
    auto same = [&d](int a, int b) {
        const TrainRecord& x = d.Table[a];
        const TrainRecord& y = d.Table[b];
        auto state = [](const TrainRecord& t) {
            return std::tuple(t.Length, t.Nin, t.RealRun, t.AfterGap, t.RivalCount, t.Disturbance, t.MinkHz,
                              t.MaxkHz, t.N255, t.WindowStart, t.WindowEnd, t.Window2Start, t.Window2End,
                              t.Window3End, t.RunningFreqFit, t.RunningSplFit, t.RunningTimeFit,
                              t.RunningClusterFit, t.CandidateFit.FreqFit, t.CandidateFit.SplFit,
                              t.CandidateFit.TimeFit, t.Last.Time);
        };
        return state(x) == state(y);
    };
    for (std::size_t i = 0; i < visits.size();) {
        std::size_t j = i;
        while (j < visits.size() && visits[j].Key == visits[i].Key) ++j;
        if (j - i > 1) {
            d.Counters.TwinVisits += static_cast<std::int64_t>(j - i);
            for (std::size_t k = i; k < j; ++k) {
                for (std::size_t o = i; o < j; ++o)
                    if (o != k && same(visits[k].Slot, visits[o].Slot)) {
                        ++d.Counters.ExactTwinVisits;
                        break;
                    }
            }
        }
        i = j;
    }
}

void OfferClick(TrainDetector& d, const SearchClick& click) {
    ++d.Counters.ClicksOffered;
    const TrainClick c(click);
    TrainTable& table = d.Table;
    const bool bandTest = d.Parameters.StayWithinBands;
    const OfferedSlots offered(table, bandTest ? table.OpenInBand[c.Band] : table.Open, c.Time);
    if (d.CountTwins) CountTwins(d, offered);
    std::int64_t visited = 0;
    for (int slot = offered.Next(1); slot != 0; slot = offered.Next(slot + 1), ++visited) {
        if (table[slot].Length == 1)
            OfferToOneClickTrain(d, slot, c);
        else
            OfferToTrain(d, slot, c, click.GapBefore);
    }
    d.Counters.TrainsVisited += visited;
    if (click.GapBefore > StartGapTicks) StartTrain(d, c);
}

bool CloseTrain(TrainDetector& d, int slot) {
    TrainRecord& t = d.Table[slot];
    t.Closed = 1;
    d.Table.Sync(slot);
    if (!CommitCandidate(d, slot, true)) return false;
    t.Duration = t.Last.Time - t.StartTime;
    return EvaluateTrain(d, slot);
}

void ResolveSharedClicks(TrainDetector& d, int a, int b) {
    const TrainRecord& ta = d.Table[a];
    const TrainRecord& tb = d.Table[b];
    const ClickList& la = d.Table.ListOf(a);
    const ClickList& lb = d.Table.ListOf(b);
    const std::int32_t na = std::clamp(ta.Nin, 0, ClickListLength);
    const std::int32_t nb = std::clamp(tb.Nin, 0, ClickListLength);
    if (na == 0 || nb == 0) return;
    // Lists whose ranges do not meet share no entry.
    if (la[static_cast<std::size_t>(na - 1)] < lb[0] || lb[static_cast<std::size_t>(nb - 1)] < la[0]) return;
    std::int32_t i = 0, j = 0;
    bool shared = false;
    while (i < na && j < nb) {
        const std::int32_t x = la[static_cast<std::size_t>(i)];
        const std::int32_t y = lb[static_cast<std::size_t>(j)];
        if (x == y) {
            shared = true;
            break;
        }
        if (x < y)
            ++i;
        else
            ++j;
    }
    if (!shared) return;
    auto strength = [](const TrainRecord& t) { return t.Length - t.Disturbance * 4 / t.Length; };
    if (strength(tb) < strength(ta))
        FreeTrain(d, b);
    else
        FreeTrain(d, a);
}

void FreeTrain(TrainDetector& d, int slot) {
    TrainRecord& t = d.Table[slot];
    ++d.Counters.TrainsFreed;
    d.Counters.MaxFreedLength = std::max(d.Counters.MaxFreedLength, t.Length);
    ResetTrain(d.Table, slot);
    d.Table.Sync(slot);
    if (slot == d.Table.InUseCount) {
        while (d.Table.InUseCount > 0 && !d.Table[d.Table.InUseCount].InUse()) --d.Table.InUseCount;
    }
}

int AllocateSlot(TrainDetector& d) {
    TrainTable& table = d.Table;
    int slot = table.LowestFreeSlot(TrainSlots);
    if (slot == 0) {
        // Purge: short trains first, low-frequency ones before the others.
        std::int64_t freed = 0;
        for (int round = 0; round < 2 && freed == 0; ++round) {
            const bool lowFrequencyOnly = round == 0;
            for (int i = 3; i <= 10; ++i) {
                int freedInSweep = 0;
                for (int s = 1; s <= TrainSlots; ++s) {
                    const TrainRecord& t = table[s];
                    if (t.InUse() && t.Length < i && (!lowFrequencyOnly || t.MinkHz < 120)) {
                        FreeTrain(d, s);
                        ++freedInSweep;
                    }
                }
                freed += freedInSweep;
                if (freedInSweep > 10) break;
            }
        }
        ++d.Counters.Purges;
        slot = table.LowestFreeSlot(TrainSlots - 1);
        if (slot == 0) slot = TrainSlots;
    }
    table.InUseCount = std::max(table.InUseCount, slot);
    d.Counters.HighestSlotsInUse = std::max(d.Counters.HighestSlotsInUse, table.InUseCount);
    return slot;
}

void EmptyTable(TrainDetector& d) {
    for (int s = 1; s <= d.Table.InUseCount; ++s) {
        if (d.Table[s].InUse()) ResetTrain(d.Table, s);
    }
    TrainTable& table = d.Table;
    table.OpenBand.fill(0);
    for (auto& bits : table.OpenInBand) bits.fill(0);
    table.Open.fill(0);
    table.Waiting.fill(0);
    table.WaitingStart.fill(0);
    table.WaitingEnd.fill(0);
    table.UsedBits.fill(0);
    d.Table.InUseCount = 0;
}

} // namespace kelp
