#pragma once
// Hand-made KL2 minute blocks for the train detection tests: a minute marker followed by
// 20-byte click records, as the cluster stage writes them.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/bytes.h"
#include "core/codes.h"
#include "core/records.h"
#include "tda/train_detector.h"

namespace kelp::testing {

struct BlockClick {
    std::int32_t Time = 1;
    int kHz = 130;
    int SPL = 100;
    int Ncyc = 12;
    int BW = 3;
    std::uint8_t Envelope = 0x37;
    int Band = 1;
    std::int32_t GapBefore = 20'000; // ticks
    int ClassCode = 3;
    // Cluster summary fields (ClassCode 4).
    std::uint8_t Byte9 = 0;
    std::int32_t ClusterDuration = 0;
    std::int32_t ClusterCycles = 0;
    int ClusterMinkHz = 0;
    int ClusterMaxkHz = 0;
};

inline std::vector<std::uint8_t> ClickRecordBytes(const BlockClick& c) {
    std::vector<std::uint8_t> r(20, 0);
    WriteBE(r.data(), 0, 3, static_cast<std::uint32_t>(c.Time));
    r[3] = static_cast<std::uint8_t>(c.Ncyc);
    r[4] = static_cast<std::uint8_t>(c.BW);
    r[5] = static_cast<std::uint8_t>(c.kHz);
    r[6] = static_cast<std::uint8_t>(c.kHz);
    r[7] = static_cast<std::uint8_t>(c.SPL);
    r[8] = c.Envelope;
    r[9] = c.Byte9;
    r[10] = c.ClusterDuration ? EncodeLogCode16(c.ClusterDuration) : 0;
    r[11] = c.ClusterCycles ? EncodeLogCode16(c.ClusterCycles) : 0;
    r[12] = static_cast<std::uint8_t>(c.ClusterMinkHz);
    r[13] = static_cast<std::uint8_t>(c.ClusterMaxkHz);
    r[15] = static_cast<std::uint8_t>(c.Band);
    r[16] = c.GapBefore ? EncodeLogCode16(c.GapBefore) : 0;
    r[18] = static_cast<std::uint8_t>(c.ClassCode);
    r[19] = static_cast<std::uint8_t>(c.ClassCode);
    return r;
}

// A minute marker: bytes 6 (LastClickTime), 7 (NClicks), 9 (cycle ratios) and 15..17 (band risks).
inline std::vector<std::uint8_t> MarkerBytes(int lastClickHi = 0, int nClicksCode = 0, int ratios = 0,
                                             int risk1 = 0, int risk2 = 0, int risk3 = 0) {
    std::vector<std::uint8_t> m(20, 0);
    m[6] = static_cast<std::uint8_t>(lastClickHi);
    m[7] = static_cast<std::uint8_t>(nClicksCode);
    m[9] = static_cast<std::uint8_t>(ratios);
    m[15] = static_cast<std::uint8_t>(risk1);
    m[16] = static_cast<std::uint8_t>(risk2);
    m[17] = static_cast<std::uint8_t>(risk3);
    m[19] = TypeMinuteMarker;
    return m;
}

// A minute block: the marker and the clicks in time order.
inline std::vector<std::uint8_t> MinuteBlockOf(std::vector<BlockClick> clicks,
                                               const std::vector<std::uint8_t>& marker = MarkerBytes()) {
    std::stable_sort(clicks.begin(), clicks.end(),
                     [](const auto& a, const auto& b) { return a.Time < b.Time; });
    std::vector<std::uint8_t> block = marker;
    for (const auto& c : clicks) {
        const auto r = ClickRecordBytes(c);
        block.insert(block.end(), r.begin(), r.end());
    }
    return block;
}

// A regular train: `count` clicks `ici` ticks apart from `start`.
inline std::vector<BlockClick> RegularTrain(std::int32_t start, std::int32_t ici, int count,
                                            BlockClick like = {}) {
    std::vector<BlockClick> clicks;
    for (int i = 0; i < count; ++i) {
        like.Time = start + i * ici;
        clicks.push_back(like);
    }
    return clicks;
}

inline std::vector<BlockClick> Joined(std::vector<BlockClick> a, const std::vector<BlockClick>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline std::unique_ptr<TrainDetector> NewDetector(std::int64_t minuteLimit = 65'536) {
    return MakeTrainDetector(TrainDetectionSettings{}, minuteLimit);
}

// The offsets of the records whose type byte shows a train id, and those ids.
inline std::vector<std::int32_t> TrainClickOffsets(const std::vector<std::uint8_t>& block) {
    std::vector<std::int32_t> offsets;
    for (std::size_t o = 20; o + 20 <= block.size(); o += 20)
        if (block[o + 19] > 4 && block[o + 19] < 128) offsets.push_back(static_cast<std::int32_t>(o));
    return offsets;
}

} // namespace kelp::testing

namespace kelp::testing {

// A detector whose slot 1 holds a train over `n` clicks of a hand-made block; the
// train's other fields are for the test to set.
struct TrainRig {
    std::unique_ptr<TrainDetector> D = NewDetector();
    std::vector<std::uint8_t> Block;

    TrainRig(int n, std::int32_t start, std::int32_t ici, BlockClick like = {},
             const std::vector<BlockClick>& others = {}) {
        Block = MinuteBlockOf(Joined(RegularTrain(start, ici, n, like), others));
        D->Minute.Block = MinuteBlock{Block.data(), static_cast<std::int32_t>(Block.size()), 20};
        TrainRecord& t = Train();
        int j = 0;
        for (std::size_t o = 20; o + 20 <= Block.size(); o += 20) {
            const std::int32_t time = static_cast<std::int32_t>(ReadBE24(&Block[o]));
            if (j < n && time == start + j * ici && Block[o + 15] == like.Band)
                D->Table.ListOf(1)[static_cast<std::size_t>(j++)] = static_cast<std::int32_t>(o);
        }
        t.Length = t.Nin = n;
        t.StartTime = start;
        t.Duration = (n - 1) * ici;
        t.Band = like.Band;
        t.MinkHz = t.MaxkHz = like.kHz;
        t.kHzSum = like.kHz * n;
        t.SPLSum = like.SPL * n;
        t.NcycSum = like.Ncyc * n;
        t.ICI = t.FirstICI = ici;
        t.Closed = 1;
        D->Table.InUseCount = 1;
        D->Table.Sync(1);
    }
    TrainRecord& Train() { return D->Table[1]; }
    ClickList& List() { return D->Table.ListOf(1); }
};

} // namespace kelp::testing
