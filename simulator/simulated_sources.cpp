#include "simulator/simulated_sources.h"

#include <algorithm>
#include <cmath>

namespace kelp::sim {

namespace {

constexpr double Pi = 3.14159265358979323846;

std::uint64_t SplitMix(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint64_t Rotl(std::uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}

float Clampf(double v, double lo, double hi) {
    return static_cast<float>(std::clamp(v, lo, hi));
}

// How the animal's beam sweeps across the logger during a train. Toothed whales scan their
// head while they click, so a train is heard loudest in one or more short on-axis stretches and
// fainter in between; each sweep is a bell over the click index.
class BeamScan {
public:
    BeamScan(int clicks, Random& r) {
        int count = 1;
        if (clicks > 40 && r.Chance(0.5)) ++count;
        if (clicks > 70 && r.Chance(0.3)) ++count;
        for (int k = 0; k < count; ++k) {
            Sweep s;
            // Sweeps spread over the train, each within its own share of it.
            s.Centre = clicks * (k + r.Uniform(0.3, 0.7)) / count;
            s.Width = clicks * r.Uniform(0.18, 0.3) / count;
            s.Gain = k == 0 ? 1.0 : r.Uniform(0.3, 1.0);
            sweeps_.push_back(s);
        }
        std::swap(sweeps_[0], sweeps_[static_cast<std::size_t>(r.Int(0, count - 1))]);
    }
    // The level of click `index` as a fraction of the on-axis level (0..1).
    double Fraction(double index) const {
        double best = 0;
        for (const Sweep& s : sweeps_) {
            const double x = (index - s.Centre) / s.Width;
            best = std::max(best, s.Gain * std::exp(-0.5 * x * x));
        }
        return best;
    }
    double FirstCentre() const { return sweeps_.front().Centre; }

private:
    struct Sweep {
        double Centre, Width, Gain;
    };
    std::vector<Sweep> sweeps_;
};

// Received levels wander as the paths off the surface and the sea bed add or cancel: a slow
// fading of about 2 dB that changes little between one click and the next (the geometry
// hardly moves in a tenth of a second), plus a small click-to-click scatter of the animal's
// own source level.
class LevelFading {
public:
    explicit LevelFading(double scatter) : scatter_(scatter) {}
    double Next(Random& r) {
        fade_ = 0.95 * fade_ + 0.2 * std::sqrt(1 - 0.95 * 0.95) * r.Normal();
        return std::exp(fade_ + scatter_ * r.Normal());
    }

private:
    double fade_ = 0, scatter_;
};

// Inter-click intervals of a searching animal: a slow trend that itself wanders, a little
// click-to-click scatter, reflected at the limits of the range so that the interval never
// sits at a fixed value (a fixed repetition rate is a sonar's, not an animal's).
class IntervalWalk {
public:
    IntervalWalk(double firstMs, double loMs, double hiMs, double scatter, Random& r)
        : log_(std::log(firstMs)), lo_(std::log(loMs)), hi_(std::log(hiMs)), scatter_(scatter),
          trend_(r.Uniform(-0.01, 0.01)) {}
    double Ms() const { return std::exp(log_); }
    void Step(Random& r) {
        trend_ = std::clamp(trend_ + 0.002 * r.Normal(), -0.015, 0.015);
        log_ += trend_ + scatter_ * r.Normal();
        if (log_ > hi_) {
            log_ = std::max(lo_, 2 * hi_ - log_);
            trend_ = -std::abs(trend_);
        } else if (log_ < lo_) {
            log_ = std::min(hi_, 2 * lo_ - log_);
            trend_ = std::abs(trend_);
        }
    }
    void Set(double ms) { log_ = std::log(ms); }

private:
    double log_, lo_, hi_, scatter_, trend_;
};

TrainTruth& NewTruth(std::vector<TrainTruth>& truths, SourceKind kind) {
    TrainTruth t;
    t.Id = static_cast<std::int32_t>(truths.size() + 1);
    t.Kind = kind;
    truths.push_back(t);
    return truths.back();
}

// Narrow-band high-frequency clicks near 130 kHz. The peak frequency wanders slowly over the
// train and scatters a few kHz from click to click; off-axis clicks come out a little lower
// and broader, fainter and with fewer cycles above the trigger. Sometimes the train ends in
// a buzz.
class PorpoiseTrain : public Source {
public:
    PorpoiseTrain(std::int64_t start, Random& r, std::vector<TrainTruth>& truths)
        : next_(start), total_(r.Int(12, 100)), scan_(total_, r), peak_(r.LogUniform(6, 700)),
          ici_(r.LogUniform(30, 200), 30, 200, 0.02, r) {
        TrainTruth& t = NewTruth(truths, SourceKind::Porpoise);
        id_ = t.Id;
        centrekHz_ = r.Uniform(120, 145);
        centreCycles_ = r.Uniform(10, 25);
        t.CentrekHz = centrekHz_;
        t.FirstIciMs = ici_.Ms();
        if (r.Chance(0.15)) {
            buzzStart_ = static_cast<int>(scan_.FirstCentre());
            buzzLength_ = r.Int(20, 150);
            buzzIciMs_ = r.Uniform(1.5, 5);
            total_ = buzzStart_ + buzzLength_;
        }
        t.Buzz = buzzLength_ > 0;
    }

    bool Emit(std::int64_t until, Random& r, std::vector<AcousticClick>& out) override {
        while (index_ < total_ && next_ < until) {
            const bool inBuzz = buzzLength_ > 0 && index_ >= buzzStart_;
            // In a buzz the animal closes in on its prey: the beam stays on it, the level fades.
            const double fraction =
                inBuzz ? scan_.Fraction(buzzStart_) * std::exp(-1.2 * (index_ - buzzStart_) / buzzLength_)
                       : scan_.Fraction(index_);
            // The peak frequency wanders within the animal's band.
            drift_ = std::clamp(drift_ + 0.3 * r.Normal(), -4.0, 4.0);
            // Now and then the logger misses a click of the train.
            if (index_ == 0 || !r.Chance(0.04)) {
                AcousticClick c;
                c.Tick = next_;
                const double offAxis = 1 - std::min(1.0, fraction);
                c.kHz = Clampf(centrekHz_ + drift_ + 2.0 * r.Normal() - 2.0 * offAxis, 116, 149);
                c.EndkHz = Clampf(c.kHz - r.Uniform(0, 5), 110, 149);
                c.Amplitude = static_cast<float>(peak_ * fraction * fading_.Next(r));
                c.Cycles = static_cast<std::uint16_t>(std::clamp(
                    std::lround(centreCycles_ * (0.75 + 0.25 * (1 - offAxis)) + r.Normal()), 10L, 25L));
                c.Bandwidth = static_cast<std::uint8_t>(r.Int(1, 4) + (offAxis > 0.7 ? 1 : 0));
                c.E1Ratio = static_cast<float>(r.Uniform(0.35, 0.55));
                c.E2Ratio = static_cast<float>(r.Uniform(0.45, 0.65));
                c.Train = id_;
                out.push_back(c);
            }
            ++index_;
            if (buzzLength_ > 0 && index_ >= buzzStart_) {
                // The interval falls quickly to a few milliseconds and stays there.
                ici_.Set(
                    std::clamp(std::max(buzzIciMs_, ici_.Ms() * 0.6) * (1 + 0.05 * r.Normal()), 1.2, 200.0));
            } else {
                ici_.Step(r);
            }
            next_ += std::max<std::int64_t>(1, std::llround(ici_.Ms() * TicksPerMs));
        }
        return index_ < total_;
    }

private:
    std::int64_t next_;
    std::int32_t id_ = 0;
    int index_ = 0;
    int total_ = 0;
    BeamScan scan_;
    double peak_ = 1;
    IntervalWalk ici_;
    LevelFading fading_{0.04};
    double centrekHz_ = 130, centreCycles_ = 15, drift_ = 0;
    int buzzStart_ = 0, buzzLength_ = 0;
    double buzzIciMs_ = 3;
};

// Broadband short clicks whose frequency jumps from click to click. Dolphins click louder
// than porpoises and at frequencies that carry further, so their trains reach the logger at
// higher levels and the closest ones overload it.
class DolphinTrain : public Source {
public:
    DolphinTrain(std::int64_t start, Random& r, std::vector<TrainTruth>& truths)
        : next_(start), total_(r.Int(20, 250)), scan_(total_, r), peak_(r.LogUniform(25, 2000)),
          ici_(r.LogUniform(5, 150), 5, 150, 0.04, r) {
        TrainTruth& t = NewTruth(truths, SourceKind::Dolphin);
        id_ = t.Id;
        centrekHz_ = r.Uniform(45, 95);
        t.CentrekHz = centrekHz_;
        t.FirstIciMs = ici_.Ms();
    }

    bool Emit(std::int64_t until, Random& r, std::vector<AcousticClick>& out) override {
        while (index_ < total_ && next_ < until) {
            if (index_ == 0 || !r.Chance(0.03)) {
                AcousticClick c;
                c.Tick = next_;
                c.kHz = Clampf(centrekHz_ + r.Uniform(-25, 25), 30, 110);
                c.EndkHz = Clampf(c.kHz * r.Uniform(0.7, 1.0), 25, 110);
                c.Amplitude = static_cast<float>(peak_ * scan_.Fraction(index_) * fading_.Next(r));
                c.Cycles = static_cast<std::uint16_t>(r.Int(2, 8));
                c.Bandwidth = static_cast<std::uint8_t>(r.Int(10, 25));
                c.E1Ratio = static_cast<float>(r.Uniform(0.6, 0.9));
                c.E2Ratio = static_cast<float>(r.Uniform(0.15, 0.4));
                c.Train = id_;
                out.push_back(c);
            }
            ++index_;
            ici_.Step(r);
            next_ += std::llround(ici_.Ms() * TicksPerMs);
        }
        return index_ < total_;
    }

private:
    std::int64_t next_;
    std::int32_t id_ = 0;
    int index_ = 0, total_ = 0;
    BeamScan scan_;
    double peak_ = 1;
    IntervalWalk ici_;
    LevelFading fading_{0.1};
    double centrekHz_ = 70;
};

// A boat's echo sounder: long pings at one frequency and a fixed rate while the boat passes.
class SonarPassage : public Source {
public:
    SonarPassage(std::int64_t start, Random& r, std::vector<TrainTruth>& truths) : next_(start) {
        TrainTruth& t = NewTruth(truths, SourceKind::Sonar);
        id_ = t.Id;
        static constexpr double IntervalsMs[] = {100, 125, 250, 500, 1000, 2000};
        intervalTicks_ = std::llround(IntervalsMs[r.Int(0, 5)] * TicksPerMs);
        const std::int64_t length = std::llround(r.Uniform(2, 15) * TicksPerMinute);
        end_ = start + length;
        closest_ = start + std::llround(length * r.Uniform(0.3, 0.7));
        width_ = length * r.Uniform(0.1, 0.25);
        peak_ = r.LogUniform(15, 1200);
        kHz_ = r.Chance(0.5) ? 50 : 130;
        cycles_ = r.Uniform(100, 300);
        t.CentrekHz = kHz_;
        t.FirstIciMs = static_cast<double>(intervalTicks_) / TicksPerMs;
    }

    bool Emit(std::int64_t until, Random& r, std::vector<AcousticClick>& out) override {
        while (next_ < end_ && next_ < until) {
            const double x = static_cast<double>(next_ - closest_) / width_;
            AcousticClick c;
            c.Tick = next_ + r.Int(0, 1);
            c.kHz = Clampf(kHz_ + 0.3 * r.Normal(), 20, 160);
            c.EndkHz = c.kHz;
            c.Amplitude = static_cast<float>(peak_ / (1 + x * x));
            c.Cycles = static_cast<std::uint16_t>(
                std::clamp(std::lround(cycles_ * (1 + 0.02 * r.Normal())), 2L, 400L));
            c.Bandwidth = static_cast<std::uint8_t>(r.Int(0, 2));
            c.E1Ratio = static_cast<float>(r.Uniform(0.85, 0.95));
            c.E2Ratio = static_cast<float>(r.Uniform(0.85, 0.95));
            c.Train = id_;
            out.push_back(c);
            next_ += intervalTicks_;
        }
        return next_ < end_;
    }

private:
    std::int64_t next_, end_ = 0, closest_ = 0, intervalTicks_ = 0;
    std::int32_t id_ = 0;
    double width_ = 1, peak_ = 1, kHz_ = 50, cycles_ = 150;
};

} // namespace

Random::Random(std::uint64_t seed) {
    std::uint64_t x = seed;
    for (auto& s : s_) s = SplitMix(x);
}

std::uint64_t Random::Next() {
    const std::uint64_t result = Rotl(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = Rotl(s_[3], 45);
    return result;
}

double Random::Uniform() {
    return static_cast<double>(Next() >> 11) * 0x1.0p-53;
}
double Random::Uniform(double lo, double hi) {
    return lo + (hi - lo) * Uniform();
}
int Random::Int(int lo, int hi) {
    const auto span = static_cast<std::uint64_t>(static_cast<std::int64_t>(hi) - lo + 1);
    return lo + static_cast<int>(Next() % span);
}
double Random::LogUniform(double lo, double hi) {
    return lo * std::exp(std::log(hi / lo) * Uniform());
}
double Random::Normal() {
    const double u1 = 1.0 - Uniform();
    const double u2 = Uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2 * Pi * u2);
}
double Random::Exponential(double mean) {
    return -mean * std::log(1.0 - Uniform());
}
int Random::Poisson(double mean) {
    if (mean <= 0) return 0;
    if (mean < 30) {
        const double limit = std::exp(-mean);
        int k = 0;
        double p = Uniform();
        while (p > limit) {
            ++k;
            p *= Uniform();
        }
        return k;
    }
    return static_cast<int>(std::max(0L, std::lround(mean + std::sqrt(mean) * Normal())));
}

const char* SourceKindName(SourceKind kind) {
    switch (kind) {
    case SourceKind::Porpoise:
        return "porpoise";
    case SourceKind::Dolphin:
        return "dolphin";
    case SourceKind::Sonar:
        return "sonar";
    case SourceKind::Shrimp:
        return "shrimp";
    default:
        return "defect";
    }
}

std::int64_t AcousticClick::DurationTicks() const {
    // cycles x period; a period of f kHz lasts 200 / f ticks of 5 us.
    return static_cast<std::int64_t>(Cycles * 200.0 / std::max(1.0f, kHz));
}

std::unique_ptr<Source> MakePorpoiseTrain(std::int64_t start, Random& random,
                                          std::vector<TrainTruth>& truths) {
    return std::make_unique<PorpoiseTrain>(start, random, truths);
}
std::unique_ptr<Source> MakeDolphinTrain(std::int64_t start, Random& random,
                                         std::vector<TrainTruth>& truths) {
    return std::make_unique<DolphinTrain>(start, random, truths);
}
std::unique_ptr<Source> MakeSonarPassage(std::int64_t start, Random& random,
                                         std::vector<TrainTruth>& truths) {
    return std::make_unique<SonarPassage>(start, random, truths);
}

AcousticClick MakeShrimpClick(std::int64_t tick, Random& r) {
    AcousticClick c;
    c.Tick = tick;
    c.kHz = static_cast<float>(r.LogUniform(30, 160));
    c.EndkHz = static_cast<float>(r.LogUniform(25, 160));
    // Mostly faint, now and then very loud.
    c.Amplitude = static_cast<float>(std::min(2000.0, 3.0 * std::pow(1.0 - r.Uniform(), -1.0 / 1.4)));
    c.Cycles = static_cast<std::uint16_t>(r.Int(2, 5));
    c.Bandwidth = static_cast<std::uint8_t>(r.Int(16, 31));
    c.E1Ratio = static_cast<float>(r.Uniform(0.7, 1.0));
    c.E2Ratio = static_cast<float>(r.Uniform(0.05, 0.3));
    return c;
}

AcousticClick MakeEcho(const AcousticClick& direct, Random& r) {
    AcousticClick e = direct;
    e.Tick = direct.Tick + r.Int(20, 180);
    e.Amplitude = static_cast<float>(direct.Amplitude * r.Uniform(0.15, 0.6));
    e.kHz = Clampf(direct.kHz + 2 * r.Normal(), 20, 160);
    e.EndkHz = Clampf(direct.EndkHz + 2 * r.Normal(), 20, 160);
    e.Cycles = static_cast<std::uint16_t>(std::max(2L, std::lround(direct.Cycles * r.Uniform(0.6, 1.0))));
    e.Bandwidth = static_cast<std::uint8_t>(std::min(31, direct.Bandwidth + r.Int(0, 3)));
    e.E1Ratio = static_cast<float>(r.Uniform(0.3, 0.5));
    e.E2Ratio = static_cast<float>(r.Uniform(0.4, 0.6));
    e.Echo = true;
    return e;
}

bool ScenarioByName(const std::string& name, ScenarioRates& rates) {
    if (name == "porpoise")
        rates = {0.5, 0, 0, 15, false};
    else if (name == "dolphin")
        rates = {0, 0.4, 0, 15, false};
    else if (name == "mixed")
        rates = {0.3, 0.12, 0.08, 40, false};
    else if (name == "noisy")
        rates = {0.2, 0.05, 0.02, 1500, true};
    else if (name == "sonar")
        rates = {0.05, 0, 0.8, 20, false};
    else if (name == "empty")
        rates = {0, 0, 0, 0, false};
    else
        return false;
    return true;
}

std::vector<std::string> ScenarioNames() {
    return {"porpoise", "dolphin", "mixed", "noisy", "sonar", "empty"};
}

World::World(const ScenarioRates& rates, double activity, Random& random)
    : rates_(rates), activity_(activity), dielPhase_(random.Uniform(0, 24)) {}

double World::DielFactor(std::int64_t minute, double peakHour, double depth) const {
    const double hour = std::fmod(static_cast<double>(minute) / 60.0 + dielPhase_, 24.0);
    return std::max(0.0, 1 + depth * std::cos(2 * Pi * (hour - peakHour) / 24.0));
}

void World::StartEncounters(std::int64_t minute, Random& r) {
    const std::int64_t start = minute * TicksPerMinute;
    const auto startTick = [&] { return start + static_cast<std::int64_t>(r.Uniform() * TicksPerMinute); };
    // Porpoises are about more at night, dolphins in the evening.
    const int porpoise =
        r.Poisson(rates_.PorpoiseEncountersPerHour * activity_ / 60 * DielFactor(minute, 1, 0.6));
    for (int i = 0; i < porpoise; ++i)
        encounters_.push_back({SourceKind::Porpoise, start + std::llround(r.Uniform(1, 12) * TicksPerMinute),
                               r.Uniform(0.5, 6)});
    const int dolphin =
        r.Poisson(rates_.DolphinEncountersPerHour * activity_ / 60 * DielFactor(minute, 20, 0.5));
    for (int i = 0; i < dolphin; ++i)
        encounters_.push_back(
            {SourceKind::Dolphin, start + std::llround(r.Uniform(2, 20) * TicksPerMinute), r.Uniform(2, 15)});
    const int boats = r.Poisson(rates_.BoatPassagesPerHour * activity_ / 60 * DielFactor(minute, 13, 0.8));
    for (int i = 0; i < boats; ++i) sources_.push_back(MakeSonarPassage(startTick(), r, truths_));
}

void World::ClicksOfMinute(std::int64_t minute, Random& r, std::vector<AcousticClick>& out) {
    out.clear();
    const std::int64_t start = minute * TicksPerMinute;
    const std::int64_t end = start + TicksPerMinute;
    StartEncounters(minute, r);
    for (const Encounter& e : encounters_) {
        const int trains = r.Poisson(e.TrainsPerMinute);
        for (int i = 0; i < trains; ++i) {
            const std::int64_t at = start + static_cast<std::int64_t>(r.Uniform() * TicksPerMinute);
            if (at >= e.End) continue;
            sources_.push_back(e.Kind == SourceKind::Porpoise ? MakePorpoiseTrain(at, r, truths_)
                                                              : MakeDolphinTrain(at, r, truths_));
        }
    }
    std::erase_if(encounters_, [&](const Encounter& e) { return e.End <= end; });

    std::vector<std::unique_ptr<Source>> running;
    for (auto& s : sources_)
        if (s->Emit(end, r, out)) running.push_back(std::move(s));
    sources_ = std::move(running);

    if (rates_.ShrimpBursts) {
        if (minute > burstEnd_ && r.Chance(1.0 / 120)) {
            burstEnd_ = minute + r.Int(5, 40);
            burstFactor_ = r.Uniform(2, 6);
        }
    }
    const double burst = minute <= burstEnd_ ? burstFactor_ : 1.0;
    const int shrimp = r.Poisson(rates_.ShrimpPerMinute * burst * DielFactor(minute, 3, 0.3));
    for (int i = 0; i < shrimp; ++i)
        out.push_back(MakeShrimpClick(start + static_cast<std::int64_t>(r.Uniform() * TicksPerMinute), r));

    // Loud clicks come back off the surface and the sea bed a fraction of a millisecond later.
    const std::size_t direct = out.size();
    for (std::size_t i = 0; i < direct; ++i) {
        if (out[i].Amplitude > 40 && r.Chance(0.5)) {
            AcousticClick echo = MakeEcho(out[i], r);
            if (echo.Tick < end)
                out.push_back(echo);
            else
                pending_.push_back(echo);
        }
    }
    std::vector<AcousticClick> later;
    for (const AcousticClick& c : pending_) (c.Tick < end ? out : later).push_back(c);
    pending_ = std::move(later);
    // A click that a source placed just past the minute's end belongs to the next minute.
    for (std::size_t i = 0; i < out.size();) {
        if (out[i].Tick >= end) {
            pending_.push_back(out[i]);
            out[i] = out.back();
            out.pop_back();
        } else {
            ++i;
        }
    }
    std::sort(out.begin(), out.end(), [](const AcousticClick& a, const AcousticClick& b) {
        if (a.Tick != b.Tick) return a.Tick < b.Tick;
        return a.Train < b.Train;
    });
}

} // namespace kelp::sim
