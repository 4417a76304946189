#pragma once
// The sound sources of the logger simulator: porpoise-like and dolphin click trains, boat
// sonars, snapping shrimp and the echoes of loud clicks. They produce clicks on one time
// line (ticks of 5 us since logging started), before the logger decides what it records.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/time.h"

namespace kelp::sim {

// Ticks of 5 us in a millisecond (a minute is core's TicksPerMinute).
inline constexpr std::int64_t TicksPerMs = 200;

// A small, fast generator with the same sequence on every platform for a seed.
class Random {
public:
    explicit Random(std::uint64_t seed);
    std::uint64_t Next();
    double Uniform();                     // [0, 1)
    double Uniform(double lo, double hi); // [lo, hi)
    int Int(int lo, int hi);              // lo..hi inclusive
    double LogUniform(double lo, double hi);
    double Normal();
    double Exponential(double mean);
    int Poisson(double mean);
    bool Chance(double p) { return Uniform() < p; }

private:
    std::uint64_t s_[4];
};

enum class SourceKind { Porpoise, Dolphin, Sonar, Shrimp, Defect };
const char* SourceKindName(SourceKind kind);

// One click as it reaches the logger.
struct AcousticClick {
    std::int64_t Tick = 0;
    float kHz = 0;
    float EndkHz = 0;
    float Amplitude = 0;  // logger amplitude units; above 255 is clipped by the logger
    float E1Ratio = 0.5f; // envelope values as fractions of the recorded amplitude
    float E2Ratio = 0.5f;
    std::int32_t Train = 0; // the train it belongs to; 0 for background clicks
    std::uint16_t Cycles = 0;
    std::uint8_t Bandwidth = 0;
    bool Echo = false;

    // The time the click occupies the logger's detector, in ticks.
    std::int64_t DurationTicks() const;
};

// What the truth file tells about one train.
struct TrainTruth {
    std::int32_t Id = 0;
    SourceKind Kind = SourceKind::Porpoise;
    bool Buzz = false;
    double CentrekHz = 0;
    double FirstIciMs = 0;
    // Filled by the logger as it records the clicks.
    std::int64_t Clicks = 0;
    std::int64_t Echoes = 0;
    std::int64_t FirstMinute = 0; // ordinal of the minute marker (1 for the first)
    std::int64_t FirstTime = 0;   // ticks within that minute
    std::int64_t LastMinute = 0;
    std::int64_t LastTime = 0;
};

// A source of clicks: emits its clicks up to a time and tells when it has finished.
class Source {
public:
    virtual ~Source() = default;
    // Appends the clicks before `until`; false once the source has nothing more to emit.
    virtual bool Emit(std::int64_t until, Random& random, std::vector<AcousticClick>& out) = 0;
};

// Train models; each registers its truth entry in `truths` when made.
std::unique_ptr<Source> MakePorpoiseTrain(std::int64_t start, Random& random,
                                          std::vector<TrainTruth>& truths);
std::unique_ptr<Source> MakeDolphinTrain(std::int64_t start, Random& random, std::vector<TrainTruth>& truths);
std::unique_ptr<Source> MakeSonarPassage(std::int64_t start, Random& random, std::vector<TrainTruth>& truths);

// A snapping-shrimp-like click at a given time.
AcousticClick MakeShrimpClick(std::int64_t tick, Random& random);
// The multipath echo of a loud click, a fraction of a millisecond after it.
AcousticClick MakeEcho(const AcousticClick& direct, Random& random);

// How busy each kind of source is in a scenario.
struct ScenarioRates {
    double PorpoiseEncountersPerHour = 0;
    double DolphinEncountersPerHour = 0;
    double BoatPassagesPerHour = 0;
    double ShrimpPerMinute = 0;
    bool ShrimpBursts = false;
};

// The scenarios "porpoise", "dolphin", "mixed", "noisy", "sonar" and "empty"; false for others.
bool ScenarioByName(const std::string& name, ScenarioRates& rates);
std::vector<std::string> ScenarioNames();

// The sound world of one deployment: encounters come and go, trains start within them,
// background clicks fill every minute.
class World {
public:
    World(const ScenarioRates& rates, double activity, Random& random);
    // All clicks that reach the logger in clock minute `minute` (0-based), in time order.
    void ClicksOfMinute(std::int64_t minute, Random& random, std::vector<AcousticClick>& out);
    std::vector<TrainTruth>& Truths() { return truths_; }

private:
    struct Encounter {
        SourceKind Kind;
        std::int64_t End;
        double TrainsPerMinute;
    };
    void StartEncounters(std::int64_t minute, Random& random);
    double DielFactor(std::int64_t minute, double peakHour, double depth) const;

    ScenarioRates rates_;
    double activity_;
    double dielPhase_;
    std::vector<Encounter> encounters_;
    std::vector<std::unique_ptr<Source>> sources_;
    std::vector<AcousticClick> pending_; // clicks already made that fall in later minutes
    std::vector<TrainTruth> truths_;
    std::int64_t burstEnd_ = -1;
    double burstFactor_ = 1;
};

} // namespace kelp::sim
