#include "core/records.h"

#include <algorithm>
#include <cstring>

#include "core/bytes.h"
#include "core/codes.h"

namespace kelp {

int RecordType(const std::uint8_t* record, const RecordLayout& layout) {
    return record[layout.TypeOffset()];
}

std::uint8_t DeriveEnvelope(int a, int b, int spl) {
    int low;
    if (a < b)
        low = std::min(15, b / (a + 2) + 7);
    else
        low = std::max(0, 7 - a / (b + 2));
    const int high = std::min(15, (2 * spl) / std::max(1, b));
    return static_cast<std::uint8_t>(low | (high << 4));
}

bool DecodeClick(const std::uint8_t* r, const RecordLayout& layout, ClickRecord& c) {
    if (!DecodeClickStart(r, c)) return false;
    c.Envelope = layout.EnvelopeReady ? r[8] : DeriveEnvelope(r[8], r[9], c.SPL);

    const int R = layout.RecordLength;
    if (layout.Kind == FileKind::KL1) {
        c.ClassCode = 2;
    } else if (layout.IsDevelopmentFormat()) {
        std::memcpy(c.DevelopmentFields.data(), r + 9, c.DevelopmentFields.size());
        if (layout.Kind == FileKind::KL2) {
            c.Band = r[9];
            c.SPL = std::max({int{r[7]}, int{r[22]}, int{r[36]}});
            c.ClassCode = r[R - 1] & 127;
        } else {
            c.TrainSlot = r[20];
            c.ClassCode = r[23];
            c.SPL = std::max(int{r[22]}, int{r[36]});
            if (layout.ClusterBand1) c.ClassCode = r[37];
        }
    } else {
        // 20-byte KL2 and KL3 records; a record shorter than 20 bytes (a header with an
        // unusable record length) carries only what fits before its type byte.
        auto byteAt = [&](int i) -> int { return i < R - 1 ? r[i] : 0; };
        const int b9 = byteAt(9);
        c.ClusterSize = 1 << (b9 & 15);
        c.ClusterSlope = b9 >> 4;
        c.ClusterDuration = static_cast<std::int32_t>(DecodeLogCode16(static_cast<std::uint8_t>(byteAt(10))));
        c.ClusterCycles = static_cast<std::int32_t>(DecodeLogCode16(static_cast<std::uint8_t>(byteAt(11))));
        c.ClusterMinkHz = byteAt(12);
        c.ClusterMaxkHz = byteAt(13);
        c.ClusterValue14 = byteAt(14);
        c.Band = byteAt(15);
        c.Value17 = byteAt(17);
        const int classByte = byteAt(18);
        c.ClassCode = classByte & 127;
        if (layout.Kind == FileKind::KL2) {
            c.GapBefore = static_cast<std::int32_t>(DecodeLogCode16(static_cast<std::uint8_t>(byteAt(16))));
        } else {
            c.TrainSlot = byteAt(16);
            c.Quality = static_cast<std::uint8_t>(classByte & 3);
            c.Species = static_cast<std::uint8_t>((classByte >> 2) & 7);
            c.IntervalFlag = static_cast<std::uint8_t>((classByte >> 7) & 1);
        }
    }
    if (layout.ShowSplAsPa) c.Pa = SplToPascals(c.SPL, c.kHz);
    return true;
}

void DecodeMarker(const std::uint8_t* r, const RecordLayout& layout, const MarkerContext& context,
                  MinuteMarker& m) {
    const int R = layout.RecordLength;
    std::memcpy(m.Raw.data(), r, static_cast<std::size_t>(std::min(R, 40)));
    m.Temperature = r[3];
    m.Angle = r[4];
    m.InSwitchRange = m.Angle >= context.SwitchAngleMin && m.Angle <= context.SwitchAngleMax;
    m.LastClickTime = 0;
    m.NClicks = 0;
    m.LimitReached = false;
    m.MinuteValue18 = 20;
    if (layout.Kind == FileKind::KL2 || layout.Kind == FileKind::KL3) {
        auto byteAt = [&](int i) -> int { return i < R - 1 ? r[i] : 0; };
        m.LastClickTime = byteAt(6);
        const int nClicks = byteAt(7);
        if (nClicks == 255) {
            m.LimitReached = true;
            m.NClicks = context.MinuteClickLimit;
        } else {
            m.NClicks = DecodeLogCode16(static_cast<std::uint8_t>(nClicks));
        }
        if (nClicks != 0) m.InSwitchRange = true;
        if (layout.Kind == FileKind::KL3) m.MinuteValue18 = byteAt(18) == 0 ? 20 : byteAt(18);
    }
}

void EncodeKL1Click(std::uint8_t* out, const ClickRecord& c, std::uint8_t type) {
    WriteBE(out, 0, 3, static_cast<std::uint32_t>(c.Time));
    out[3] = static_cast<std::uint8_t>(c.Ncyc);
    out[4] = static_cast<std::uint8_t>(c.BW);
    out[5] = static_cast<std::uint8_t>(c.kHz);
    out[6] = static_cast<std::uint8_t>(c.EndkHz);
    out[7] = static_cast<std::uint8_t>(c.SPL);
    out[8] = c.Envelope;
    out[9] = type;
}

void EncodeKL1Marker(std::uint8_t* out, int temperature, int angle, std::uint8_t byte5) {
    std::memset(out, 0, 10);
    out[3] = static_cast<std::uint8_t>(temperature);
    out[4] = static_cast<std::uint8_t>(angle);
    out[5] = byte5;
    out[9] = TypeMinuteMarker;
}

namespace {
int Log2Floor(int v) {
    int n = 0;
    while (v > 1) {
        v >>= 1;
        ++n;
    }
    return n;
}

void EncodeClusterCommon(std::uint8_t* out, const ClickRecord& c) {
    std::memset(out, 0, 20);
    EncodeKL1Click(out, c, 0);
    out[9] = c.ClusterSize > 0 || c.ClusterSlope > 0
                 ? static_cast<std::uint8_t>((Log2Floor(std::max(1, c.ClusterSize)) & 15) |
                                             ((c.ClusterSlope & 15) << 4))
                 : 0;
    out[10] = c.ClusterDuration ? EncodeLogCode16(c.ClusterDuration) : 0;
    out[11] = c.ClusterCycles ? EncodeLogCode16(c.ClusterCycles) : 0;
    out[12] = static_cast<std::uint8_t>(c.ClusterMinkHz);
    out[13] = static_cast<std::uint8_t>(c.ClusterMaxkHz);
    out[14] = static_cast<std::uint8_t>(c.ClusterValue14);
    out[15] = static_cast<std::uint8_t>(c.Band);
    out[17] = static_cast<std::uint8_t>(c.Value17);
}
} // namespace

void EncodeKL2Click(std::uint8_t* out, const ClickRecord& c) {
    EncodeClusterCommon(out, c);
    out[16] = c.GapBefore ? EncodeLogCode16(c.GapBefore) : 0;
    out[18] = static_cast<std::uint8_t>(c.ClassCode & 127);
    out[19] = out[18];
}

std::uint8_t KL3ClassByte(int quality, int species, bool intervalFlag) {
    return static_cast<std::uint8_t>((quality & 3) | ((species & 7) << 2) | (intervalFlag ? 0x80 : 0));
}

void EncodeKL3Click(std::uint8_t* out, const ClickRecord& c, std::uint8_t trainId) {
    EncodeClusterCommon(out, c);
    out[16] = static_cast<std::uint8_t>(c.TrainSlot);
    out[18] = KL3ClassByte(c.Quality, c.Species, c.IntervalFlag != 0);
    out[19] = trainId;
}

void EncodeKL2Marker(std::uint8_t* out, const MinuteMarker& m) {
    std::memcpy(out, m.Raw.data(), 20);
    out[0] = 0;
    out[3] = static_cast<std::uint8_t>(m.Temperature);
    out[4] = static_cast<std::uint8_t>(m.Angle);
    out[19] = TypeMinuteMarker;
}

void FillEndOfData(std::uint8_t* out, int count) {
    std::memset(out, 255, static_cast<std::size_t>(count));
}

} // namespace kelp
