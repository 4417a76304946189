#include "tda/train_classifier.h"

#include <algorithm>
#include <cstdlib>

#include "core/records.h"
#include "tda/train_scoring.h"

namespace kelp {

namespace {

constexpr std::int32_t SonarMinIciTicks = 3'000; // sonars repeat no faster than every 15 ms

std::int32_t Pos(std::int32_t v) {
    return v > 0 ? v : 0;
}

// Porpoise-like evidence: quiet surroundings, long narrow-band clicks, steady levels.
std::int32_t PorpoiseEvidence(const TrainDetector& d, const TrainRecord& t, const TrainClickShape& shape) {
    const std::int32_t n = std::max(1, t.Nin);
    const std::int32_t e = std::max(1, n - 1);
    std::int32_t g = 0;
    g += t.ThreeBefore > 90 ? 2 : (t.ThreeBefore > 40 ? 1 : 0);
    g += t.ThreeAfter > 90 ? 2 : (t.ThreeAfter > 40 ? 1 : 0);
    if (t.TenBefore > 100) ++g;
    if (t.TenAfter > 100) ++g;
    if (d.Minute.LoNcycR > 6) ++g;
    if (d.Minute.HiNcycR > 4) ++g;
    if (t.NClstr * 16 / n < n / 4 - 5) ++g;
    if (t.NcycSum / n > n / 256 + 14) g += 2;
    if (shape.avSlp5 > 12 - n / 8) ++g;
    if (shape.avSlpMx < 2) ++g;
    if (t.EnvelopeChangeSum / e == 0) ++g;
    if (t.Pk32 * 64 / e > 50) ++g;
    if (t.Pk16 * 32 / e > n / 8 + 13) ++g;
    if (t.SplFitSum / e == 0) ++g;
    return g;
}

// Frequency-variation evidence (dolphin-like).
std::int32_t FrequencyVariation(const TrainRecord& t) {
    const std::int32_t n = std::max(1, t.Nin);
    const std::int32_t e = std::max(1, n - 1);
    std::int32_t l = 0;
    if (t.kHzChangeSum / 4 / e > n / 16 + 4) ++l;
    if (t.FreqFitSum / e > std::max(1, n / 16 + 4)) ++l;
    if (t.MaxkHz - t.MinkHz > n / 8 + 40) ++l;
    if (t.BWSum > 12 && t.BWSum * 2 / n > n / 8 + 28) ++l;
    return l;
}

bool PorpoiseDoubted(const TrainRecord& t, const TrainClickShape& shape, std::int32_t avPk) {
    const std::int32_t n = std::max(1, t.Nin);
    const std::int32_t e = std::max(1, n - 1);
    std::int32_t doubt = 0;
    if (t.FreqFitSum / e < 2) ++doubt;
    if (t.MinkHz < 120) ++doubt;
    if (t.MaxkHz - t.MinkHz > 15) ++doubt;
    if (t.NcycSum / n < 9) ++doubt;
    if (avPk < 4) ++doubt;
    std::int32_t support = t.N255;
    if (shape.avSlpMx > 1) ++support;
    if (t.Pk32 * 64 / e > 0) ++support;
    if (t.Pk16 * 32 / e > 0) ++support;
    if (avPk > 4) ++support;
    return doubt - support > 0;
}

bool DolphinDoubted(const TrainDetector& d, const TrainRecord& t, const TrainClickShape& shape,
                    const TrainFeatures& f) {
    const std::int32_t n = std::max(1, t.Nin);
    const std::int32_t e = std::max(1, n - 1);
    const std::int32_t clusters = std::max(1, t.NClstr);
    const std::int32_t slpMxdf = t.EnvelopeChangeSum / e;
    std::int32_t doubt = 0;
    if (f.avPk < 6) doubt += 6 - f.avPk;
    if (t.MaxkHz - t.MinkHz > 90) ++doubt;
    const std::int32_t change = t.kHzChangeSum / 4 / e;
    doubt += change > 10 ? 2 : (change > 6 ? 1 : 0);
    if (t.FreqFitSum / e > std::max(2, 14 - n / 8)) ++doubt;
    if (t.NcycSum / n < n / 16 + 4) ++doubt;
    if (shape.avSlp5 < 5) doubt += 5 - shape.avSlp5;
    if (shape.avSlpMx < 2) doubt += 2 - shape.avSlpMx;
    if (shape.Slp5df > 4) doubt += shape.Slp5df - 4;
    if (slpMxdf > 5) doubt += slpMxdf - 5;
    if (f.ICIdf > 8'000) doubt += f.ICIdf / 8'192;
    if (d.Minute.LoNcycR > 2) ++doubt;
    if (d.Minute.HiNcycR > 3) ++doubt;
    if (t.NClstr * 16 / n > t.SPLSum / 2 / n - 3) ++doubt;
    if (t.NinCSum / clusters > t.SPLSum / n + 2) ++doubt;
    if ((t.ClsDSum / 256) / clusters > (t.SPLSum / 128) / n + 4) ++doubt;

    std::int32_t support = Pos(t.Pk32 * 16 / e - 3);
    if (t.TenBefore > 30) support += (t.TenBefore - 14) / 16;
    if (t.TenAfter > 30) support += (t.TenAfter - 14) / 16;
    if (t.N255 > 1) support += t.N255;
    support += t.R255;
    return doubt - support > d.Parameters.DolDowngradeLevel;
}

} // namespace

TrainClickShape ComputeClickShape(const MinuteBlock& block, const TrainRecord& t, const ClickList& clicks) {
    TrainClickShape s;
    const int n = std::clamp(t.Nin, 0, ClickListLength);
    if (n == 0) return s;
    std::int32_t endSum = 0, lowSum = 0, highSum = 0, lowChange = 0;
    std::int32_t previousLow = -1;
    for (int j = 0; j < n; ++j) {
        const std::uint8_t* r = block.Bytes + (clicks[static_cast<std::size_t>(j)] & ~1);
        s.MaxNcyc = std::max<std::int32_t>(s.MaxNcyc, r[3]);
        endSum += r[6];
        const std::int32_t low = r[8] & 15;
        lowSum += low;
        highSum += r[8] >> 4;
        if (previousLow >= 0) lowChange += std::abs(low - previousLow);
        previousLow = low;
    }
    s.avEndkHz = endSum / n;
    s.avSlp5 = lowSum / n;
    s.avSlpMx = highSum / n;
    s.Slp5df = lowChange / n;
    return s;
}

SonarTerms ComputeSonarTerms(const TrainRecord& t, const TrainClickShape& shape) {
    const std::int32_t n = std::max(1, t.Nin);
    const std::int32_t clusters = std::max(1, t.NClstr);
    SonarTerms s;
    s.MaxNcycClass = shape.MaxNcyc < 151 ? 0 : (shape.MaxNcyc <= 250 ? 1 : 3);
    const std::int32_t cycles = t.NcycSum / n;
    s.NcycClass = cycles < 41 ? 0 : (cycles <= 50 ? 1 : (cycles <= 60 ? 2 : 5));
    s.Cl = ((t.NinCSum / 2) / clusters > 20 || (t.ClsDSum / 256) / clusters > 20) ? 2 : s.NcycClass;
    AddIntervalTerms(s, n, {t.MaxNici, t.Max2ici, t.MaxAll});
    return s;
}

void AddIntervalTerms(SonarTerms& s, std::int32_t n, const std::array<std::int32_t, 3>& maxima) {
    const auto [maxNici, max2ici, maxAll] = maxima;
    s.MxNici = maxNici > n / 2 + 5 ? n / 2 : 0;
    s.Mx2ici = max2ici > n / 2 + 3 ? max2ici - n / 2 - 4 : 0;
    s.MxAll = maxAll > n / 2 + 7 ? maxAll - n / 2 - 6 : 0;
    s.TrNscore = s.MaxNcycClass + s.NcycClass + s.Cl + s.MxNici + s.Mx2ici + s.MxAll;
}

std::int32_t BandRiskOf(const MinuteContext& minute, std::int32_t band) {
    if (band < 0 || band >= static_cast<std::int32_t>(minute.BandRisk.size())) return 21;
    return minute.BandRisk[static_cast<std::size_t>(band)];
}

SpeciesInputs SpeciesInputsOf(const TrainDetector& d, int slot) {
    const TrainRecord& t = d.Table[slot];
    const TrainClickShape shape = ComputeClickShape(d.Minute.Block, t, d.Table.ListOf(slot));
    const TrainFeatures f = ComputeFeatures(t);
    const SonarTerms sonar = ComputeSonarTerms(t, shape);
    SpeciesInputs in;
    in.Nin = std::max(1, t.Nin);
    in.SonarBase = sonar.MaxNcycClass + sonar.NcycClass + sonar.Cl + BandRiskOf(d.Minute, t.Band);
    in.SonarPossible = f.ICIav > SonarMinIciTicks ? 1 : 0;
    const std::int32_t n = in.Nin;
    const std::int32_t g = PorpoiseEvidence(d, t, shape);
    const std::int32_t l = FrequencyVariation(t);
    int species = SpeciesUnclassed;
    if (t.kHzSum / n > 118 && g > 2)
        species = SpeciesPorpoise;
    else if (l > 0 || g < 1)
        species = SpeciesDolphin;
    if (d.NoSpeciesSplit && species <= SpeciesDolphin) species = SpeciesOtherCetacean;
    if (species == SpeciesPorpoise && PorpoiseDoubted(t, shape, f.avPk)) species = SpeciesUnclassed;
    if (species == SpeciesDolphin && DolphinDoubted(d, t, shape, f)) species = SpeciesUnclassed;
    in.Cetacean = static_cast<std::uint8_t>(species);
    return in;
}

std::uint8_t DecideSpecies(const SpeciesInputs& in, const std::array<std::int32_t, 3>& maxima,
                           const TrainParameters& p) {
    if (!in.SonarPossible) return in.Cetacean;
    SonarTerms s;
    AddIntervalTerms(s, in.Nin, maxima);
    return s.TrNscore + in.SonarBase > p.SonarThreshold ? static_cast<std::uint8_t>(SpeciesBoatSonar)
                                                        : in.Cetacean;
}

void ClassifySpecies(TrainDetector& d, int slot) {
    const ScoringTimer timer(d);
    TrainRecord& t = d.Table[slot];
    t.Species = DecideSpecies(SpeciesInputsOf(d, slot), {t.MaxNici, t.Max2ici, t.MaxAll}, d.Parameters);
}

} // namespace kelp
