#pragma once
// The records of the train search: the click as the search sees it, how badly a click
// fits a train, one candidate train, and the table of 500 trains that lives for one minute.
#include <array>
#include <cstdint>

namespace kelp {

// A KL2 record decoded for the search: twenty signed integers, in this order.
struct SearchClick {
    std::int32_t Time = 0;
    std::int32_t RecordOffset = 0; // byte offset of the record within its minute block
    std::int32_t Ncyc = 0;
    std::int32_t ClusterCycles = 0;
    std::int32_t BW = 0;
    std::int32_t kHz = 0;
    std::int32_t EndkHz = 0;
    std::int32_t ClusterMinkHz = 0;
    std::int32_t ClusterMaxkHz = 0;
    std::int32_t ClusterValue14 = 0;
    std::int32_t Band = 0;
    std::int32_t SPL = 0;
    std::int32_t EnvelopeLow = 0;
    std::int32_t EnvelopeHigh = 0;
    std::int32_t ClusterSize = 0;
    std::int32_t ClusterSlope = 0;
    std::int32_t GapBefore = 0;
    std::int32_t ClusterDuration = 0;
    std::int32_t ClassCode = 0;
    std::int32_t Type = 0;

    // Cluster summary records carry the only meaningful cluster fields.
    bool IsCluster() const { return ClassCode == 4; }
};

// Decodes a 20-byte KL2 record at `offset` of its minute block.
SearchClick DecodeSearchClick(const std::uint8_t* record, std::int32_t offset);
// Version 2 fills the click from the record's bytes 0 to 8 only: no band, gap or cluster fields.
SearchClick DecodeSearchClickBasic(const std::uint8_t* record, std::int32_t offset, int typeOffset);

// How badly a click fits a train; 0 is a perfect fit.
struct ClickFit {
    std::int32_t FreqFit = 0;
    std::int32_t SplFit = 0;
    std::int32_t TimeFit = 0;
    std::int32_t ClusterFit = 0;
};

inline constexpr int TrainSlots = 500;
inline constexpr int ClickListLength = 500;
inline constexpr std::int32_t EmptyClickEntry = -2'147'483'647;
inline constexpr std::int32_t NotComputed = 7'777'777;

// One candidate train. Times are ticks within the minute. Its click list is kept beside it
// in the train table, so that the sweep over the trains stays in a small memory.
struct TrainRecord {
    std::int32_t StartTime = 0; // 0 once the train has been written
    std::int32_t Length = 0;    // clicks including missed ones; 0: the slot is free
    std::int32_t Nin = 0;       // real clicks
    std::int32_t Duration = 0;  // ticks from the first to the last click, set when the train closes
    std::int32_t WindowStart = 0;
    std::int32_t WindowEnd = 0;
    std::int32_t Window2Start = 0;
    std::int32_t Window2End = 0;
    std::int32_t Window3End = 0;
    std::int32_t FirstICI = 0;
    std::int32_t ICI = 0;
    std::uint8_t AfterGap = 0;
    std::int32_t RivalCount = 0;
    std::int32_t RealRun = 0;
    std::int32_t Band = 0;
    std::int32_t MinkHz = 0;
    std::int32_t MaxkHz = 0;
    std::int32_t kHzSum = 0;
    std::int32_t kHzChangeSum = 0;
    std::int32_t BWSum = 0;
    std::int32_t EnvelopeChangeSum = 0;
    std::int32_t Disturbance = 0;
    std::int32_t ThreeBefore = NotComputed;
    std::int32_t ThreeAfter = NotComputed;
    std::int32_t TenBefore = NotComputed;
    std::int32_t TenAfter = NotComputed;
    std::int32_t ICIReversals = 0;
    std::uint8_t ICIRising = 0;
    std::int32_t ICIChangeSum = 0;
    std::int32_t ICIUpCount = 0;
    std::int32_t SPLSum = 0;
    std::uint8_t SPLRising = 0;
    std::int32_t SPLReversals = 0;
    std::int32_t Pk32 = 0;
    std::int32_t Pk16 = 0;
    std::int32_t N255 = 0;
    std::int32_t R255 = 0;
    std::int32_t SaturatedRun = 0;
    std::int32_t PkDfSum = 0;
    std::int32_t NcycSum = 0;
    std::int32_t ClusterCyclesSum = 0;
    std::int32_t NClstr = 0;
    std::int32_t ClusterFitCount = 0;
    std::int32_t NinCSum = 0;
    std::int32_t ClsDSum = 0;
    std::int32_t ClSlpSum = 0;
    std::int32_t MaxNici = 0;
    std::int32_t Max2ici = 0;
    std::int32_t MaxAll = 0;
    SearchClick Candidate; // Ncyc 0: no candidate
    SearchClick Last;      // R, the last committed click
    SearchClick Previous;  // P, the click before it
    std::int32_t GoodFreqFits = 0;
    ClickFit CandidateFit;
    std::int32_t RunningFreqFit = 15;
    std::int32_t RunningSplFit = 12;
    std::int32_t RunningTimeFit = 8;
    std::int32_t RunningClusterFit = 35;
    std::int32_t FreqFitSum = 0;
    std::int32_t SplFitSum = 0;
    std::int32_t TimeFitSum = 0;
    std::int32_t ClusterFitSum = 0;
    std::int32_t Score = 0;
    std::uint8_t Quality = 0;
    std::uint8_t Species = 3;
    std::int32_t CreatedInPass = 0;
    std::uint8_t Closed = 0;

    bool InUse() const { return Length != 0; }
    bool HasCandidate() const { return Candidate.Ncyc != 0; }
};

// A train's clicks: the RecordOffset of each real click in order, plus 1 for a click after a
// missed click. The used entries come first; the rest are empty.
struct ClickList {
    std::array<std::int32_t, ClickListLength> Entries;

    ClickList() { Entries.fill(EmptyClickEntry); }
    std::int32_t& operator[](std::size_t i) { return Entries[i]; }
    std::int32_t operator[](std::size_t i) const { return Entries[i]; }
};

// Entry 0 is the empty template; 1..500 are the train slots. InUseCount is the highest slot
// used since the table was last emptied.
struct TrainTable {
    std::array<TrainRecord, TrainSlots + 1> Slots;
    std::array<ClickList, TrainSlots + 1> ClickLists;
    int InUseCount = 0;
    // For the sweep over the table: band + 1 of each open train in use, 0 for a free or
    // closed slot. Every change of a slot's Length (to or from 0), Closed or Band is
    // followed by Sync.
    std::array<std::uint16_t, TrainSlots + 1> OpenBand{};
    // One bit per slot in use (Length not 0), for finding the lowest free slot.
    std::array<std::uint64_t, (TrainSlots + 64) / 64> UsedBits{};

    void Sync(int slot) {
        const TrainRecord& t = Slots[static_cast<std::size_t>(slot)];
        OpenBand[static_cast<std::size_t>(slot)] =
            t.Length != 0 && !t.Closed ? static_cast<std::uint16_t>((t.Band & 0xFFFF) + 1) : 0;
        const std::uint64_t bit = std::uint64_t{1} << (slot % 64);
        std::uint64_t& word = UsedBits[static_cast<std::size_t>(slot / 64)];
        word = t.Length != 0 ? (word | bit) : (word & ~bit);
    }
    // The lowest free slot of 1..last, or 0.
    int LowestFreeSlot(int last) const;

    TrainRecord& operator[](int slot) { return Slots[static_cast<std::size_t>(slot)]; }
    const TrainRecord& operator[](int slot) const { return Slots[static_cast<std::size_t>(slot)]; }
    ClickList& ListOf(int slot) { return ClickLists[static_cast<std::size_t>(slot)]; }
    const ClickList& ListOf(int slot) const { return ClickLists[static_cast<std::size_t>(slot)]; }
};

// Copies a train with the used part of its click list into another slot (the rest of an
// in-use list is empty).
void CopyTrain(TrainTable& table, int to, int from);

} // namespace kelp
