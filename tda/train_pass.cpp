#include "tda/train_pass.h"

#include <algorithm>

#include "core/codes.h"
#include "core/records.h"
#include "tda/train_classifier.h"
#include "tda/train_scoring.h"
#include "tda/train_search.h"
#include "tda/train_segment_log.h"

namespace kelp {

namespace {

// A block is searched when it holds a minute marker and at least four records (81 bytes in
// 20-byte records, 161 in the 40-byte development records).
std::int32_t MinSearchedBlock(int recordLength) {
    return 4 * recordLength + 1;
}

struct TrainByteOffsets {
    int Slot;
    int Class;
};

TrainByteOffsets TrainBytes(int recordLength) {
    if (recordLength >= 40) return {20, 23};
    return {16, 18};
}

bool IsSearchedType(int type) {
    return type >= StatusBurst && type <= StatusClusterSummary;
}

// Runs one pass: offers the block's searchable records, up to the minute click limit.
void RunPass(TrainDetector& d) {
    MinuteContext& m = d.Minute;
    const MinuteBlock& block = m.Block;
    const int R = block.RecordLength;
    const std::int32_t end = block.End();
    for (std::int32_t offset = R; offset < end; offset += R) {
        const std::uint8_t* record = block.Bytes + offset;
        if (!IsSearchedType(record[R - 1])) continue;
        if (m.PassOffered > d.TdaMinuteLimit) break;
        ++m.PassOffered;
        const SearchClick c =
            R >= 40 ? DecodeSearchClickBasic(record, offset, R - 1) : DecodeSearchClick(record, offset);
        if (m.Pass == 1) {
            ++m.MinClx;
            ++m.Histogram[static_cast<std::size_t>(std::clamp(c.kHz / 8, 2, 20))];
        }
        OfferClick(d, c);
    }
}

} // namespace

void TakeMinuteMarker(TrainDetector& d, const std::uint8_t* marker) {
    d.Minute.LoNcycR = marker[9] & 15;
    d.Minute.HiNcycR = marker[9] >> 4;
    d.Minute.BandRisk.fill(21);
    for (int band = 1; band <= 3; ++band) {
        const int risk = marker[14 + band];
        d.Minute.BandRisk[static_cast<std::size_t>(band)] = risk == 0 ? 21 : risk;
    }
}

void FinishMinute(TrainDetector& d, const std::uint8_t* marker) {
    d.Minute.PrevMinuteTail = marker[7] == 255 ? 0 : 183 - marker[6];
}

bool SearchMinute(TrainDetector& d, std::uint8_t* block, std::int32_t size, int recordLength) {
    if (size < MinSearchedBlock(recordLength)) return false;
    MinuteContext& m = d.Minute;
    ++d.Counters.ActiveMins;
    m.PreviousHistogram = m.Histogram;
    m.Histogram.fill(0);
    m.Block = MinuteBlock{block, size, recordLength};
    m.MinClx = 0;
    m.GoodTrainShare = 0;
    m.QualityClicks.fill(0);
    m.SpeciesClicks.fill(0);
    for (int pass = 1;; ++pass) {
        m.Pass = pass;
        m.PassOffered = 0;
        m.RepeatPass = false;
        d.Counters.MaxPass = std::max(d.Counters.MaxPass, pass);
        RunPass(d);
        EndPass(d);
        if (!(pass < d.Parameters.PassLimit && m.RepeatPass)) break;
    }
    EndPass(d);
    EmptyTable(d);
    for (int q = 0; q < 4; ++q)
        d.Counters.QualityTotals[static_cast<std::size_t>(q)] += m.QualityClicks[static_cast<std::size_t>(q)];
    for (int s = 0; s < 5; ++s)
        d.Counters.SpeciesTotals[static_cast<std::size_t>(s)] += m.SpeciesClicks[static_cast<std::size_t>(s)];
    return true;
}

void EndPass(TrainDetector& d) {
    const TrainParameters& p = d.Parameters;
    TrainTable& table = d.Table;
    MinuteContext& m = d.Minute;
    if (table.InUseCount == 0 || m.PassOffered < p.MinNinTrain) return;

    // Short trains go; open ones are closed (which commits their candidates and evaluates them).
    for (int s = 1; s <= table.InUseCount; ++s) {
        TrainRecord& t = table[s];
        if (!t.InUse()) continue;
        if (t.Length <= p.MinNinTrain)
            FreeTrain(d, s);
        else if (!t.Closed)
            CloseTrain(d, s);
        if (table.InUseCount == 0) break;
    }

    for (int a = 1; a <= table.InUseCount; ++a) {
        for (int b = a + 1; b <= table.InUseCount && table[a].InUse(); ++b) {
            if (table[b].InUse()) ResolveSharedClicks(d, a, b);
        }
    }

    std::int64_t goodClicks = 0;
    for (int s = 1; s <= table.InUseCount; ++s)
        if (table[s].InUse() && table[s].Score > 10) goodClicks += table[s].Nin;
    m.GoodTrainShare =
        static_cast<std::int32_t>(std::max<std::int64_t>(0, goodClicks * 16 / std::max(1, m.MinClx) - 2));

    for (int s = 1; s <= table.InUseCount; ++s) {
        if (table[s].InUse() && EvaluateTrain(d, s)) ClassifySpecies(d, s);
    }

    // Write out in order of start time; a written train keeps its slot with start time 0.
    for (;;) {
        int first = 0;
        for (int s = 1; s <= table.InUseCount; ++s) {
            const TrainRecord& t = table[s];
            if (t.InUse() && t.StartTime > 0 && (first == 0 || t.StartTime < table[first].StartTime))
                first = s;
        }
        if (first == 0) break;
        table[first].StartTime = 0;
        WriteOutTrain(d, first);
    }
}

void WriteOutTrain(TrainDetector& d, int slot) {
    TrainRecord& t = d.Table[slot];
    MinuteContext& m = d.Minute;
    const int n = std::clamp(t.Nin, 0, ClickListLength);
    std::int32_t writer = -1;
    if (d.Log) {
        // Searching a segment: the species and the train id are decided by the stitch; the
        // clicks get a provisional id that marks them as written.
        const ScoringTimer timer(d);
        writer = static_cast<std::int32_t>(d.Log->Trains.size());
        d.Log->Trains.push_back({t.Evaluation, SpeciesInputsOf(d, slot), t.Quality, n});
        t.Species = 0;
        d.TrainId = FirstTrainId;
    } else {
        ClassifySpecies(d, slot);
        d.TrainId = d.TrainId >= LastTrainId ? FirstTrainId : d.TrainId + 1;
        if (t.Quality >= QualityMod) m.SpeciesClicks[std::min<std::size_t>(t.Species, 4)] += n;
    }
    m.QualityClicks[t.Quality & 3] += n;

    const int R = m.Block.RecordLength;
    const TrainByteOffsets bytes = TrainBytes(R);
    const auto classByte = static_cast<std::uint8_t>(t.Quality + 4 * t.Species);
    for (int j = 0; j < n; ++j) {
        const std::int32_t entry = d.Table.ListOf(slot)[static_cast<std::size_t>(j)];
        const std::int32_t offset = entry & ~1;
        std::uint8_t* record = m.Block.Bytes + offset;
        record[bytes.Slot] = static_cast<std::uint8_t>(slot);
        record[bytes.Class] = static_cast<std::uint8_t>(classByte | ((entry & 1) ? 128 : 0));
        record[R - 1] = static_cast<std::uint8_t>(d.TrainId);
        if (d.Log) d.Log->WriterOf[static_cast<std::size_t>(offset / R)] = writer;
    }
    d.Counters.MaxWrittenNin = std::max(d.Counters.MaxWrittenNin, n);
}

int TrainClassOffset(int recordLength) {
    return TrainBytes(recordLength).Class;
}

std::int32_t MinuteClicksInTrains(const TrainDetector& d) {
    std::int32_t total = 0;
    for (const std::int32_t q : d.Minute.QualityClicks) total += q;
    return total;
}

void AppendKL3Minute(const TrainDetector& d, const std::uint8_t* block, std::int32_t size, int recordLength,
                     bool searched, std::vector<std::uint8_t>& out, std::vector<std::int32_t>* writers) {
    const int R = recordLength;
    const std::size_t markerAt = out.size();
    out.insert(out.end(), block, block + std::min(size, R));
    out.resize(markerAt + static_cast<std::size_t>(R), 0);
    if (!searched) return;
    out[markerAt + 10] = 0;
    out[markerAt + 11] = EncodeLogCode32(MinuteClicksInTrains(d));
    const std::int32_t end = size - size % R;
    for (std::int32_t offset = R; offset < end; offset += R) {
        const int type = block[offset + R - 1];
        // Only the clicks tagged with a train id; other type bytes above 4 cannot be KL3 clicks.
        if (type > StatusClusterSummary && type <= LastTrainId) {
            out.insert(out.end(), block + offset, block + offset + R);
            if (writers) writers->push_back(d.Log->WriterOf[static_cast<std::size_t>(offset / R)]);
        }
    }
}

} // namespace kelp
