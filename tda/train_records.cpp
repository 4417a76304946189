#include "tda/train_records.h"

#include "core/bytes.h"

namespace kelp {

namespace {
std::int32_t DecodeLog16(std::uint8_t code) {
    return static_cast<std::int32_t>(code & 15) << (code >> 4);
}

void DecodeBasicFields(const std::uint8_t* r, std::int32_t offset, SearchClick& c) {
    c.Time = static_cast<std::int32_t>(ReadBE24(r));
    c.RecordOffset = offset;
    c.Ncyc = r[3];
    c.BW = r[4];
    c.kHz = r[5];
    c.EndkHz = r[6];
    c.SPL = r[7];
    c.EnvelopeLow = r[8] & 15;
    c.EnvelopeHigh = r[8] >> 4;
}
} // namespace

SearchClick DecodeSearchClick(const std::uint8_t* r, std::int32_t offset) {
    SearchClick c;
    DecodeBasicFields(r, offset, c);
    c.ClusterCycles = DecodeLog16(r[11]);
    c.ClusterMinkHz = r[12];
    c.ClusterMaxkHz = r[13];
    c.ClusterValue14 = r[14];
    c.Band = r[15];
    c.ClusterSize = 1 << (r[9] & 15);
    c.ClusterSlope = r[9] >> 4;
    c.GapBefore = DecodeLog16(r[16]);
    c.ClusterDuration = DecodeLog16(r[10]);
    c.ClassCode = r[18];
    c.Type = r[19];
    return c;
}

SearchClick DecodeSearchClickBasic(const std::uint8_t* r, std::int32_t offset, int typeOffset) {
    SearchClick c;
    DecodeBasicFields(r, offset, c);
    c.Type = r[typeOffset];
    return c;
}

} // namespace kelp
