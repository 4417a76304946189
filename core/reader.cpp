#include "core/reader.h"

#include <algorithm>
#include <cerrno>

#include "core/codes.h"
#include "core/filters.h"
#include "core/host.h"
#include "core/map_file.h"
#include "core/program.h"

namespace kelp {

namespace {

// The record layout of a slot under the current options (for the decoders).
inline RecordLayout LayoutFor(const Program& p, const FileSlot& s) {
    RecordLayout l;
    l.Kind = s.Kind;
    l.RecordLength = s.RecordLength;
    l.RecordFormat = s.RecordFormat;
    l.EnvelopeReady = s.EnvelopeReady;
    l.ShowSplAsPa = p.Options.ShowSplAsPa;
    l.ClusterBand1 = p.Clicks.ClusterBand1;
    return l;
}

void StartMinute(Program& p, FileSlot& s, const std::uint8_t* record) {
    s.Click.Time = 0;
    s.Click.Ncyc = 0;
    s.LastAcceptedTime = -2;
    p.AcceptedInMinute = 0;
    DecodeMarker(record, LayoutFor(p, s), s.Markers(), s.Marker);
    s.Marker.Minute = s.CurrentMinute;
}

void ResetTracker(ClickPeakTracker& t) {
    const std::int64_t total = t.PeakTotal;
    t = ClickPeakTracker{};
    t.PeakTotal = total;
}

// Counts regular sequences of strong clicks (the click-peak tracker).
void TrackPeaks(Program& p, Host& host, FileSlot& s) {
    ClickPeakTracker& k = s.Peaks;
    if (s.NRType < TypeMinuteMarker) {
        k.Step(s.Click.Time, s.Click.SPL, PeakRestartTest::Level);
        return;
    }
    k.PeakTotal += k.PeakCount;
    const int perBin = std::max(1, p.Display.MinutesPerBin);
    if (p.Options.ClickPeaks && (s.CurrentMinute % perBin == 0 || s.NRType == TypeEndOfData)) {
        host.Results().Append(std::to_string(static_cast<std::int64_t>(s.CurrentMinute) - 1) + "\t" +
                              std::to_string(k.PeakCount));
        k.PeakCount = 0;
    }
    const std::int64_t count = k.PeakCount;
    ResetTracker(k);
    k.PeakCount = count;
}

void EndOfSlotData(FileSlot& s) {
    s.MoreData = false;
    s.NRType = TypeEndOfData;
    s.Click.Ncyc = 0;
}

// Reads the next block from the current record on; false when nothing more can be read.
bool Refill(Host& host, FileSlot& s, int R) {
    const std::int64_t position = s.BufferFilePos + s.BufferPos;
    const std::int64_t n = s.File.ReadAt(position, s.Buffer.data(), static_cast<std::size_t>(s.BlockBytes));
    if (n < 0) {
        // A failed read ends this pass over the slot.
        host.ShowTimedMessage(Message2s, s.File.LastErrorText());
        s.ReadFailed = true;
        EndOfSlotData(s);
        return false;
    }
    s.BufferFilePos = position;
    s.BufferFill = static_cast<int>(n);
    s.BufferPos = 0;
    if (n < R) {
        EndOfSlotData(s);
        return false;
    }
    return true;
}

// Decodes the click at `r` into the slot's click; false for a time below 1, which
// leaves the record undecoded.
inline bool DecodeSlotClick(const Program& p, FileSlot& s, const std::uint8_t* r) {
    if (s.Kind == FileKind::KL1 && s.EnvelopeReady && !p.Options.ShowSplAsPa)
        return DecodeReadyKL1Click(r, s.Click);
    return DecodeClick(r, LayoutFor(p, s), s.Click);
}

// The acceptance tests of a decoded click; true when it is delivered.
inline bool AcceptClick(Program& p, FileSlot& s, int type) {
    ClickRecord& click = s.Click;
    if (!p.Clicks.Ignore) {
        if (s.Kind != FileKind::KL1 || p.Clicks.ClusterBand1)
            if (!PassesClassFilters(p, s, click, type)) return false;
        if (!PassesClickFilters(p, s, click)) return false;
    }
    if (s.LastAcceptedTime < click.Time && click.Time <= TicksPerMinute) {
        ++p.AcceptedInMinute;
        s.LastAcceptedTime = click.Time;
        return true;
    }
    if (!p.Options.ShowTimeErrorAsClk) return false;
    // Shown where the error is, so that it can be seen on the display.
    click.Time = s.LastAcceptedTime + 10;
    click.SPL = 250;
    click.kHz = 21;
    return true;
}

// One decode step; true when the record is delivered.
inline bool DecodeStep(Program& p, Host& host, FileSlot& s, int typeOffset) {
    const int R = s.RecordLength;
    s.NRType = TypeEndOfData;
    if (s.BufferPos + R > s.BufferFill && !Refill(host, s, R)) return true;
    const std::uint8_t* r = s.Buffer.data() + s.BufferPos;
    const int type = r[typeOffset];
    s.NRType = type;
    if (type < 128) {
        s.BufferPos += R;
        s.Click.Minute = s.CurrentMinute;
        if (!DecodeSlotClick(p, s, r)) return true; // a time below 1 is passed on as it is
        return AcceptClick(p, s, type);
    }
    switch (type) {
    case TypeFiller:
        s.BufferPos += R;
        break;
    case TypeMinuteMarker: {
        const std::int64_t next = static_cast<std::int64_t>(s.CurrentMinute) + s.MinutesPerMarker;
        s.CurrentMinute = static_cast<MinuteNumber>(std::min<std::int64_t>(next, INT32_MAX));
        if (next > p.SharedEnd) {
            s.MoreData = false;
        } else {
            StartMinute(p, s, r);
            s.BufferPos += R;
        }
        break;
    }
    case TypeEndOfData:
        s.Click.Ncyc = 0;
        s.MoreData = false;
        p.Display.GoOn = false;
        p.Display.Stop = false;
        break;
    default:
        s.MoreData = false;
        host.ShowTimedMessage(Message5s, RecordClassErrorText);
        break;
    }
    return true;
}

// Positions one slot (see PositionAt). `mayRemap`: a map that turns out not to fit the
// file may be made again once.
void PositionSlot(Program& p, Host& host, int i, MinuteNumber m, std::int32_t t, bool mayRemap) {
    FileSlot& s = p.Slot(i);
    if (s.LastMinute < m) {
        s.MoreData = false;
        return;
    }
    if (s.FirstMinute < m && !s.MapReady) {
        BuildMap(p, host, i, p.Options.RefreshMapFiles);
        if (s.LastMinute < m) {
            s.MoreData = false;
            return;
        }
    }
    const std::int64_t perMarker = std::max(1, s.MinutesPerMarker);
    std::int64_t k = std::max<std::int64_t>(0, (static_cast<std::int64_t>(m) - s.FirstMinute) / perMarker);
    const std::int64_t lastEntry = s.MapReady ? s.MapCount : 0;
    k = std::min(k, std::min<std::int64_t>(lastEntry, static_cast<std::int64_t>(s.Map.size()) - 1));
    const std::int64_t position = s.Map.empty() ? HeaderLength : s.Map[static_cast<std::size_t>(k)];
    if (s.Buffer.size() < static_cast<std::size_t>(ReadBufferBytes)) s.Buffer.assign(ReadBufferBytes, 0);
    const std::int64_t n = s.File.ReadAt(position, s.Buffer.data(), static_cast<std::size_t>(s.BlockBytes));
    if (n < 0) {
        if (s.File.LastError() != EINVAL) host.ShowTimedMessage(Message2s, s.File.LastErrorText());
        s.MoreData = false;
        s.Click.Ncyc = 0;
        s.Click.Time = 0;
        s.NRType = TypeMinuteMarker;
        return;
    }
    // Every map entry but the first and the end is the position of a minute marker; a map
    // file left from an earlier version of the file may point elsewhere: the file is mapped again.
    const int typeOffset = LayoutFor(p, s).TypeOffset();
    if (mayRemap && k > 0 && k < s.MapCount && n > typeOffset && s.Buffer[typeOffset] != TypeMinuteMarker) {
        BuildMap(p, host, i, true);
        PositionSlot(p, host, i, m, t, false);
        return;
    }
    s.BufferFilePos = position;
    s.BufferFill = static_cast<int>(n);
    s.ReadFailed = false;
    if (n < s.RecordLength) {
        EndOfSlotData(s);
        return;
    }
    s.MoreData = true;
    s.CurrentMinute = std::max(s.FirstMinute, m);
    s.NRType = TypeMinuteMarker;
    s.LastAcceptedTime = -2;
    if (p.Display.OnSlotPositioned) p.Display.OnSlotPositioned(i);
    ResetTracker(s.Peaks);
    s.BufferPos = 0;
    StartMinute(p, s, s.Buffer.data());
    s.BufferPos = s.RecordLength;
    const ClickTime target{m, t};
    while (s.MoreData && IsBefore({s.CurrentMinute, s.Click.Time}, target)) NextRecord(p, host, i);
}

} // namespace

void NextRecord(Program& p, Host& host, int slotIndex) {
    FileSlot& s = p.Slot(slotIndex);
    if (!s.MoreData) return;
    const int typeOffset = LayoutFor(p, s).TypeOffset();
    const bool tracker = (p.Options.ClickPeaks || p.Display.ShowsNoiseParameter) && p.Display.TimeScale > 10;
    if (!tracker) {
        while (s.MoreData)
            if (DecodeStep(p, host, s, typeOffset)) return;
        return;
    }
    while (s.MoreData) {
        const bool delivered = DecodeStep(p, host, s, typeOffset);
        TrackPeaks(p, host, s);
        if (delivered) return;
    }
}

void PositionAt(Program& p, Host& host, MinuteNumber m, std::int32_t t) {
    for (int i = 1; i <= SlotCount; ++i)
        if (p.Slot(i).IsOpen) PositionSlot(p, host, i, m, t, true);
}

} // namespace kelp
