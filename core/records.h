#pragma once
// Decoded click and minute records, and the one place that turns record bytes into
// them (and back, for the writers and the test builders).
#include <algorithm>
#include <array>
#include <cstdint>

#include "core/bytes.h"
#include "core/header.h"
#include "core/time.h"

namespace kelp {

// Record type bytes (NRType).
inline constexpr int TypeFiller = 253;
inline constexpr int TypeMinuteMarker = 254;
inline constexpr int TypeEndOfData = 255;
inline constexpr int FirstTrainId = 5;
inline constexpr int LastTrainId = 127;
inline bool IsClickType(int type) {
    return type >= 0 && type <= 127;
}
inline bool IsRecordClassError(int type) {
    return type >= 128 && type <= 252;
}

// Quality classes of KL3 trains.
enum Quality : int { QualityUnknown = 0, QualityLo = 1, QualityMod = 2, QualityHi = 3 };
// Species classes of KL3 trains.
enum Species : int {
    SpeciesPorpoise = 0,
    SpeciesDolphin = 1,
    SpeciesOtherCetacean = 2,
    SpeciesUnclassed = 3,
    SpeciesBoatSonar = 4
};

// KL2 cluster statuses (the ClassCode of KL2 click records).
enum ClusterStatus : int {
    StatusFused = 0,
    StatusOrdinary = 1,
    StatusBurst = 2,
    StatusClusterStart = 3,
    StatusClusterSummary = 4
};

struct ClickRecord {
    MinuteNumber Minute = 0;
    std::int32_t Time = 0;
    std::int32_t Ncyc = 0;
    std::int32_t BW = 0;
    std::int32_t kHz = 0;
    std::int32_t EndkHz = 0;
    std::int32_t SPL = 0;
    float Pa = 0.0f;
    std::uint8_t Envelope = 0;
    // Cluster fields (KL2, KL3).
    std::int32_t ClusterSize = 0;
    std::int32_t ClusterSlope = 0;
    std::int32_t ClusterDuration = 0;
    std::int32_t ClusterCycles = 0;
    std::int32_t ClusterMinkHz = 0;
    std::int32_t ClusterMaxkHz = 0;
    std::int32_t ClusterValue14 = 0;
    std::int32_t Band = 0;
    std::int32_t GapBefore = 0;
    std::int32_t Value17 = 0;
    // Train fields (KL3).
    std::int32_t TrainSlot = 0;
    std::int32_t ClassCode = 0;
    std::uint8_t Quality = 0;
    std::uint8_t Species = SpeciesUnclassed;
    std::uint8_t IntervalFlag = 0;
    // Bytes 9..37 of a 40-byte development record, kept as they are.
    std::array<std::uint8_t, 29> DevelopmentFields{};

    ClickTime When() const { return {Minute, Time}; }
};

// The record a slot holds after it is reset: all zero but an unclassed species.
inline ClickRecord BlankClickRecord() {
    return ClickRecord{};
}

struct MinuteMarker {
    MinuteNumber Minute = 0;
    std::int32_t Temperature = 0;
    std::int32_t Angle = 0;
    bool InSwitchRange = false;
    std::int32_t LastClickTime = 0;
    std::int64_t NClicks = 0;
    bool LimitReached = false;
    std::int32_t MinuteValue18 = 20;
    // The marker's bytes as stored (the first min(R, 40) of them).
    std::array<std::uint8_t, 40> Raw{};
};

// How the records of one file are laid out and decoded.
struct RecordLayout {
    FileKind Kind = FileKind::KL1;
    int RecordLength = 10;     // R
    int RecordFormat = 0;      // 2 = 40-byte development format
    bool EnvelopeReady = true; // header byte 2 bit 0
    bool ShowSplAsPa = false;  // compute Pa while "show SPL as Pa" is on
    bool ClusterBand1 = false; // option "b1"
    bool IsDevelopmentFormat() const { return RecordFormat == 2 && RecordLength >= 40; }
    // The type byte: the last of the record, or byte 37 of a 40-byte KL3 record while "b1" is on.
    int TypeOffset() const {
        return ClusterBand1 && Kind == FileKind::KL3 && IsDevelopmentFormat() ? 37 : RecordLength - 1;
    }
};

// Settings of the file that the marker decode needs.
struct MarkerContext {
    int SwitchAngleMin = 0;
    int SwitchAngleMax = 120;
    std::int64_t MinuteClickLimit = 999'999'999;
};

// The type byte of a record as the reader sees it (byte 37 of a 40-byte KL3 record when "b1" is on).
int RecordType(const std::uint8_t* record, const RecordLayout& layout);

// Bandwidth limit applied on decoding: high frequencies cannot carry a wide index.
inline int LimitBandwidth(int kHz, int bw) {
    return kHz / 10 + bw > 22 ? std::max(5, 17 - kHz / 10) : bw;
}

// The first eight bytes every click record starts with: time (bytes 0..2), cycles, bandwidth
// (limited), kHz, end kHz and SPL. Returns false, leaving only Time set, when the time is below 1.
inline bool DecodeClickStart(const std::uint8_t* r, ClickRecord& click) {
    click.Time = static_cast<std::int32_t>(ReadBE24(r));
    if (click.Time < 1) return false;
    click.Ncyc = r[3];
    click.kHz = r[5];
    click.BW = LimitBandwidth(click.kHz, r[4]);
    click.EndkHz = r[6];
    click.SPL = r[7];
    return true;
}

// A KL1 click whose envelope byte is stored ready (header byte 2 bit 0), read without the
// "show SPL as Pa" conversion: the reader's common case, kept inline for its speed.
inline bool DecodeReadyKL1Click(const std::uint8_t* r, ClickRecord& click) {
    if (!DecodeClickStart(r, click)) return false;
    click.Envelope = r[8];
    click.ClassCode = 2;
    return true;
}

// Decodes a click record's bytes into `click` (its Minute is left for the caller).
// Returns false, leaving only Time set, when the time is below 1 and the record stays undecoded.
bool DecodeClick(const std::uint8_t* record, const RecordLayout& layout, ClickRecord& click);

// Decodes a minute marker's bytes into `marker` (its Minute is left for the caller).
void DecodeMarker(const std::uint8_t* record, const RecordLayout& layout, const MarkerContext& context,
                  MinuteMarker& marker);

// Writers. `out` must hold the record length of the kind (10 for KL1, 20 for KL2 and KL3).
void EncodeKL1Click(std::uint8_t* out, const ClickRecord& click, std::uint8_t type = 0);
void EncodeKL1Marker(std::uint8_t* out, int temperature, int angle, std::uint8_t byte5 = 0);
// KL2 click: bytes 0..8 from the click, 9..17 from its cluster fields, 18 and 19 its ClassCode.
void EncodeKL2Click(std::uint8_t* out, const ClickRecord& click);
// KL3 click: as KL2 but byte 16 the train slot, byte 18 the class byte and byte 19 the train id.
void EncodeKL3Click(std::uint8_t* out, const ClickRecord& click, std::uint8_t trainId);
// The KL3 class byte: Quality in bits 0-1, Species in bits 2-4, bit 7 the interval flag.
std::uint8_t KL3ClassByte(int quality, int species, bool intervalFlag);

// KL2/KL3 minute marker bytes (20 bytes); fields not named stay as given in `marker.Raw`.
void EncodeKL2Marker(std::uint8_t* out, const MinuteMarker& marker);

// Fills `out` with `count` end-of-data bytes (255).
void FillEndOfData(std::uint8_t* out, int count);

// Envelope byte of files written before envelopes were stored ready.
std::uint8_t DeriveEnvelope(int a, int b, int spl);

} // namespace kelp
