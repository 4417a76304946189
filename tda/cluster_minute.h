#pragma once
// The cluster finder's work on one minute: the minute's KL1 clicks go in, the KL2
// minute (its marker, then each click's record, a cluster summary record before each
// click that starts a cluster) comes out. Bands come from the smoothed kHz histogram;
// statuses mark isolated, fused, loud-after-weak and burst clicks; the fixed-rate risk
// of bands 1 to 3 carries two interval group values from minute to minute.
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace kelp {

// KL2 click statuses beyond those in core/records.h are not needed; the statuses are
// StatusFused .. StatusClusterSummary.

// Clicks clustered per minute at most: a minute that holds more is not one the logger
// wrote (its N-clicks byte cannot even code the count), and the rest of it is left out.
inline constexpr int MaxClusterClicksPerMinute = 1 << 20;

// The two interval group values of the fixed-rate risk at the start of a file.
inline constexpr std::int32_t FirstRiskGroupValue = 25'000;
inline constexpr std::int32_t SecondRiskGroupValue = 50'000;

struct ClusterParameters {
    int Version = 1;            // 1: 20-byte records; 2: 40-byte development records
    int InitialFusionGap = 100; // version 2 takes it from the development page
    int MaxBands = 9;           // the band scan stops when this many bands are found (12 in version 2)
    bool PreFilter = false;     // reduce each minute's clicks before clustering
    int SplMin = 0;
    int NcycMin = 0;
    int MaxkHz = 170;
    int MinuteLimit = 0;       // clicks kept per minute by the pre-filter; 0: all
    bool EnvelopeReady = true; // KL1 header byte 2 bit 0; otherwise derived from bytes 8 and 9
    std::int64_t MinuteClickLimit =
        999'999'999; // the logger's limit: a minute that reached it gets N-clicks 255
    // Version 2: the smoothed histogram of each banded minute and its number of clicks.
    std::function<void(const std::array<std::int32_t, 256>& histogram, int clicks)> OnHistogram;

    int RecordLength() const { return Version == 2 ? 40 : 20; }
};

// One KL1 click as the finder keeps it for one minute.
struct ClusterClick {
    std::int32_t Time = 0;
    std::int32_t End = 0;       // Time + Ncyc x cycle period / 8
    std::int32_t GapBefore = 0; // ticks back to the nearest earlier louder click of the band
    std::int32_t PrevInBand = -1;
    std::int32_t NextInBand = -1;
    std::array<std::uint8_t, 9> Bytes{}; // record bytes 0..8 as the KL2 record carries them
    std::uint8_t Band = 0;
    std::uint8_t Status = 1;

    int Ncyc() const { return Bytes[3]; }
    int BW() const { return Bytes[4]; }
    int kHz() const { return Bytes[5]; }
    int EndkHz() const { return Bytes[6]; }
    int SPL() const { return Bytes[7]; }
    int Envelope() const { return Bytes[8]; }
};

// LogCode16 as the cluster fields store it: a value that needs a shift above 15 gives 255.
std::uint8_t ClusterLogCode(std::int64_t value);

// The cluster slope nibble of a cluster from its members' levels (in member order).
int ClusterSlopeOf(const std::vector<int>& memberLevels);

class ClusterFinder {
public:
    explicit ClusterFinder(ClusterParameters parameters);

    // Starts a minute from its KL1 minute marker (nullptr: a blank marker).
    void StartMinute(const std::uint8_t* kl1Marker);
    // Adds one KL1 click record of the current minute (its first 10 bytes are read).
    void AddClick(const std::uint8_t* kl1Record);
    // Finishes the minute and appends its KL2 bytes to `out`.
    void FinishMinute(std::vector<std::uint8_t>& out);

    // The interval group values carried to the next minute.
    std::int32_t V1() const { return v1_; }
    std::int32_t V2() const { return v2_; }
    // Clicks of the current minute beyond MaxClusterClicksPerMinute, left out.
    std::int64_t ClicksLeftOut() const { return leftOut_; }
    // The clicks of the minute last finished, with their bands, statuses and gaps.
    const std::vector<ClusterClick>& Clicks() const { return clicks_; }
    // Cluster summary records of the minute last finished.
    int Summaries() const { return static_cast<int>(summaries_.size()); }
    const ClusterParameters& Parameters() const { return parameters_; }

private:
    struct Summary {
        int StartIndex;
        std::array<std::uint8_t, 20> Bytes;
    };

    void ComputeBands(std::uint8_t* marker);
    void LinkBands();
    void ComputeStatusesAndGaps();
    void ComputeRisks(std::uint8_t* marker);
    void FindBursts();
    void FindClusters();
    void WriteClick(const ClusterClick& c, std::uint8_t* out) const;
    void WriteSummary(const ClusterClick& start, const std::array<std::uint8_t, 20>& summary,
                      std::uint8_t* out) const;

    ClusterParameters parameters_;
    std::int32_t v1_ = FirstRiskGroupValue;
    std::int32_t v2_ = SecondRiskGroupValue;

    // The minute being gathered.
    std::array<std::uint8_t, 3> markerBytes_{}; // KL1 marker bytes 3, 4, 5
    std::int64_t rawClicks_ = 0;                // every click record of the minute
    std::int64_t highClicks_ = 0;               // of them, 120 to 160 kHz
    std::int64_t highLong_ = 0, highShort_ = 0, lowLong_ = 0, lowShort_ = 0; // Ncyc above 5 / at most 5
    std::int64_t longSum_ = 0, longCount_ = 0;                               // clicks with Ncyc above 40
    std::uint8_t lastTimeHigh_ = 0;
    std::int64_t leftOut_ = 0;

    std::vector<ClusterClick> clicks_;
    std::vector<Summary> summaries_;
};

} // namespace kelp
