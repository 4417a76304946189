#pragma once
// The records of the train search: the click as the search sees it, how badly a click
// fits a train, one candidate train, and the table of 500 trains that lives for one minute.
#include <array>
#include <cstddef>
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

// What a train keeps of a click (its last, previous and pending candidate click): the
// fields the search uses, small enough to copy cheaply. The byte fields come from one
// record byte each.
struct TrainClick {
    std::int32_t Time = 0;
    std::int32_t RecordOffset = 0;
    std::int32_t ClusterCycles = 0;
    std::int32_t ClusterDuration = 0;
    std::int32_t ClusterSize = 0;
    std::uint8_t kHz = 0;
    std::uint8_t SPL = 0;
    std::uint8_t Ncyc = 0;
    std::uint8_t BW = 0;
    std::uint8_t EnvelopeHigh = 0;
    std::uint8_t ClusterSlope = 0;
    std::uint8_t ClusterMinkHz = 0;
    std::uint8_t ClusterMaxkHz = 0;
    std::uint8_t Band = 0;
    std::uint8_t Cluster = 0; // a cluster summary record
    std::uint8_t Unused[2] = {0, 0};

    TrainClick() = default;
    TrainClick(const SearchClick& c)
        : Time(c.Time), RecordOffset(c.RecordOffset), ClusterCycles(c.ClusterCycles),
          ClusterDuration(c.ClusterDuration), ClusterSize(c.ClusterSize),
          kHz(static_cast<std::uint8_t>(c.kHz)), SPL(static_cast<std::uint8_t>(c.SPL)),
          Ncyc(static_cast<std::uint8_t>(c.Ncyc)), BW(static_cast<std::uint8_t>(c.BW)),
          EnvelopeHigh(static_cast<std::uint8_t>(c.EnvelopeHigh)),
          ClusterSlope(static_cast<std::uint8_t>(c.ClusterSlope)),
          ClusterMinkHz(static_cast<std::uint8_t>(c.ClusterMinkHz)),
          ClusterMaxkHz(static_cast<std::uint8_t>(c.ClusterMaxkHz)), Band(static_cast<std::uint8_t>(c.Band)),
          Cluster(c.IsCluster() ? 1 : 0) {}

    bool IsCluster() const { return Cluster != 0; }
};
static_assert(sizeof(TrainClick) == 32);

// One candidate train. Times are ticks within the minute. The fields are grouped by use,
// a cache line each: what every offered click looks at (a one-click train needs no more),
// what a click in the train's window needs, the pending candidate, and last the sums that
// only the evaluation reads. Its click list is kept beside it in the train table, so that
// the sweep over the trains stays in a small memory.
struct alignas(64) TrainRecord {
    std::int32_t Length = 0; // clicks including missed ones; 0: the slot is free
    std::int32_t WindowStart = 0;
    std::int32_t WindowEnd = 0;
    std::int32_t Window3End = 0;
    std::int32_t Disturbance = 0;
    std::int32_t MinkHz = 0;
    std::int32_t MaxkHz = 0;
    std::int32_t Window2Start = 0;
    TrainClick Last; // R, the last committed click

    TrainClick Previous; // P, the click before it
    std::int32_t RunningFreqFit = 15;
    std::int32_t RunningSplFit = 12;
    std::int32_t RunningTimeFit = 8;
    std::int32_t RunningClusterFit = 35;
    std::int32_t Window2End = 0;
    std::int32_t ICI = 0;
    std::int32_t Nin = 0; // real clicks
    std::int32_t RealRun = 0;

    TrainClick Candidate; // Ncyc 0: no candidate
    ClickFit CandidateFit;
    std::int32_t RivalCount = 0;
    std::int32_t N255 = 0;
    std::int32_t Band = 0;
    std::uint8_t AfterGap = 0;
    std::uint8_t Closed = 0;
    std::uint8_t ICIRising = 0;
    std::uint8_t SPLRising = 0;

    std::int32_t StartTime = 0; // 0 once the train has been written
    std::int32_t Duration = 0;  // ticks from the first to the last click, set when the train closes
    std::int32_t FirstICI = 0;
    std::int32_t kHzSum = 0;
    std::int32_t kHzChangeSum = 0;
    std::int32_t BWSum = 0;
    std::int32_t EnvelopeChangeSum = 0;
    std::int32_t ThreeBefore = NotComputed;
    std::int32_t ThreeAfter = NotComputed;
    std::int32_t TenBefore = NotComputed;
    std::int32_t TenAfter = NotComputed;
    std::int32_t ICIReversals = 0;
    std::int32_t ICIChangeSum = 0;
    std::int32_t ICIUpCount = 0;
    std::int32_t SPLSum = 0;
    std::int32_t SPLReversals = 0;
    std::int32_t Pk32 = 0;
    std::int32_t Pk16 = 0;
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
    std::int32_t GoodFreqFits = 0;
    std::int32_t FreqFitSum = 0;
    std::int32_t SplFitSum = 0;
    std::int32_t TimeFitSum = 0;
    std::int32_t ClusterFitSum = 0;
    std::int32_t Score = 0;
    std::int32_t CreatedInPass = 0;
    std::int32_t Evaluation = -1; // searching in segments: the train's last evaluation in the segment's log
    std::uint8_t Quality = 0;
    std::uint8_t Species = 3;

    bool InUse() const { return Length != 0; }
    bool HasCandidate() const { return Candidate.Ncyc != 0; }
};
static_assert(offsetof(TrainRecord, Previous) == 64 && offsetof(TrainRecord, Candidate) == 128);

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
    // closed slot; and the same as bit sets, one per band and one of all open slots.
    // Every change of a slot's Length, Closed or Band, and of the disturbance or the
    // window of a one-click train, is followed by Sync.
    using SlotBits = std::array<std::uint64_t, (TrainSlots + 64) / 64>;
    std::array<std::uint16_t, TrainSlots + 1> OpenBand{};
    std::array<SlotBits, 256> OpenInBand{};
    SlotBits Open{};
    // One-click trains with a disturbance of exactly 8 can neither pair nor be freed by a
    // click inside their window; such a click passes them by their window alone.
    // Changed marks the slots synced since the sweep began.
    SlotBits Waiting{};
    SlotBits Changed{};
    std::array<std::int32_t, TrainSlots + 1> WaitingStart{};
    std::array<std::int32_t, TrainSlots + 1> WaitingEnd{};
    // One bit per slot in use (Length not 0), for finding the lowest free slot.
    SlotBits UsedBits{};

    static void SetBit(SlotBits& bits, std::size_t slot, bool on) {
        const std::uint64_t bit = std::uint64_t{1} << (slot % 64);
        bits[slot / 64] = on ? (bits[slot / 64] | bit) : (bits[slot / 64] & ~bit);
    }
    static bool Bit(const SlotBits& bits, std::size_t slot) { return (bits[slot / 64] >> (slot % 64)) & 1; }

    void Sync(int slot) {
        const auto s = static_cast<std::size_t>(slot);
        const TrainRecord& t = Slots[s];
        const auto open = t.Length != 0 && !t.Closed ? static_cast<std::uint16_t>((t.Band & 0xFF) + 1) : 0;
        if (open != OpenBand[s]) {
            if (OpenBand[s] != 0) {
                SetBit(OpenInBand[OpenBand[s] - 1u], s, false);
                SetBit(Open, s, false);
            }
            if (open != 0) {
                SetBit(OpenInBand[open - 1u], s, true);
                SetBit(Open, s, true);
            }
            OpenBand[s] = open;
        }
        const bool waiting = t.Length == 1 && !t.Closed && t.Disturbance == 8;
        SetBit(Waiting, s, waiting);
        SetBit(Changed, s, true);
        WaitingStart[s] = waiting ? t.WindowStart : 0;
        WaitingEnd[s] = waiting ? t.WindowEnd : 0;
        SetBit(UsedBits, s, t.Length != 0);
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
