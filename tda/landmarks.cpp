#include "tda/landmarks.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "core/filters.h"
#include "core/host.h"
#include "core/map_file.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"
#include "tda/landmark_sequence.h"

namespace kelp {

namespace {

constexpr int MarkByte = 18;        // of the minute marker
constexpr int MarkedFlagOffset = 4; // header byte, bit 0
constexpr const char* MarkedLine = "    Landmark sequences marked";

// A minute marker as read: where it lies and the mark it holds.
struct MarkerSeen {
    std::int64_t Position = 0;
    std::uint8_t Mark = 0;
    bool IsMarker = true; // false when the reader took a first record of another type for one
};

// Puts the reader's state back as it was when the marking ends.
struct ReaderOptionsScope {
    Program& P;
    MinuteNumber SharedEnd;
    bool TimeErrors;
    bool Busy;
    explicit ReaderOptionsScope(Program& p)
        : P(p), SharedEnd(p.SharedEnd), TimeErrors(p.Options.ShowTimeErrorAsClk), Busy(p.Options.Busy) {}
    ~ReaderOptionsScope() {
        P.SharedEnd = SharedEnd;
        P.Options.ShowTimeErrorAsClk = TimeErrors;
        P.Options.Busy = Busy;
    }
};

// Reads the slot's file from its first minute to its end; returns the marks of its
// minutes and where their markers lie. `complete` tells whether the end of the data was
// reached.
std::vector<int> FindMarks(Program& p, Host& host, int slotIndex, std::vector<MarkerSeen>& markers,
                           bool& complete) {
    FileSlot& s = p.Slot(slotIndex);
    std::vector<int> marks;
    complete = false;
    // The whole file is read, whatever the shared range of the open files.
    p.SharedEnd = INT_MAX;
    p.Options.ShowTimeErrorAsClk = false;
    PositionAt(p, host, s.FirstMinute, 0);
    if (!s.MoreData || s.NRType != TypeMinuteMarker) return marks;

    const std::int64_t R = s.RecordLength;
    // PositionAt has taken the first marker.
    const std::uint8_t* first = s.Buffer.data() + (s.BufferPos - R);
    markers.push_back({s.BufferFilePos + s.BufferPos - R, first[MarkByte], first[R - 1] == TypeMinuteMarker});
    LandmarkSequence sequence;
    std::int64_t minutes = 0;
    while (s.MoreData) {
        NextRecord(p, host, slotIndex);
        const int type = s.NRType;
        if (type < 128) {
            if (type >= FirstTrainId && s.Click.Time >= 1)
                sequence.Click(s.Click.Time, type, s.Click.Quality);
        } else if (type == TypeMinuteMarker && s.MoreData) {
            marks.push_back(sequence.EndMinute());
            markers.push_back({s.BufferFilePos + s.BufferPos - R, s.Marker.Raw[MarkByte]});
            if (++minutes % MinutesPerDay == 0) host.ProcessEvents();
        }
    }
    // The end of the data closes the last minute as a marker would.
    marks.push_back(sequence.EndMinute());
    complete = s.NRType == TypeEndOfData && !s.ReadFailed;
    return marks;
}

// Puts the marks written back as the markers held them.
void UndoMarks(FileSlot& s, const std::vector<MarkerSeen>& markers, const std::vector<std::size_t>& written) {
    for (const std::size_t k : written) s.File.WriteAt(markers[k].Position + MarkByte, &markers[k].Mark, 1);
}

// Writes the marks that differ from what the markers hold, one byte each, so that
// nothing else in the file is touched; `written` lists them. When a write fails, the
// marks already written are put back, so that a failed write leaves the file as it was.
bool WriteMarks(Host& host, FileSlot& s, const std::vector<int>& marks,
                const std::vector<MarkerSeen>& markers, std::vector<std::size_t>& written) {
    const std::size_t count = std::min(
        {marks.size(), markers.size(), static_cast<std::size_t>(std::max<std::int64_t>(0, s.MapCount))});
    for (std::size_t k = 0; k < count; ++k) {
        const auto value = static_cast<std::uint8_t>(std::max(1, marks[k]));
        if (value == markers[k].Mark || !markers[k].IsMarker) continue;
        if (!s.File.WriteAt(markers[k].Position + MarkByte, &value, 1)) {
            host.ShowTimedMessage(Message2s, s.File.LastErrorText());
            UndoMarks(s, markers, written);
            return false;
        }
        written.push_back(k);
    }
    return true;
}

bool SetMarkedFlag(Host& host, FileSlot& s) {
    std::uint8_t flags = 0;
    if (s.File.ReadAt(MarkedFlagOffset, &flags, 1) != 1) {
        host.ShowTimedMessage(Message2s, s.File.LastErrorText());
        return false;
    }
    if ((flags & 1) == 0) {
        flags = static_cast<std::uint8_t>(flags | 1);
        if (!s.File.WriteAt(MarkedFlagOffset, &flags, 1)) {
            host.ShowTimedMessage(Message2s, s.File.LastErrorText());
            return false;
        }
    }
    s.Header.SetLandmarksMarked(true);
    if (!s.LandmarksMarked) s.SettingsText.push_back(MarkedLine);
    s.LandmarksMarked = true;
    return true;
}

bool MarkSlot(Program& p, Host& host, int slotIndex) {
    FileSlot& s = p.Slot(slotIndex);
    if (s.RecordLength <= MarkByte + 1) {
        // The header's record length leaves no byte 18 in a minute marker.
        host.ShowTimedMessage(Message3s, s.ShortName + ": records too short to hold landmark marks");
        return false;
    }
    if (!s.MapReady) BuildMap(p, host, slotIndex, p.Options.RefreshMapFiles);

    std::vector<MarkerSeen> markers;
    bool complete = false;
    std::vector<int> marks;
    {
        ReaderOptionsScope scope(p);
        p.Options.Busy = true;
        marks = FindMarks(p, host, slotIndex, markers, complete);
    }
    std::vector<std::size_t> written;
    if (!WriteMarks(host, s, marks, markers, written)) return false;
    // A file read only in part keeps its marks so far but is not flagged as marked.
    if (!complete) return false;
    const bool flagged = SetMarkedFlag(host, s);
    if (!flagged) UndoMarks(s, markers, written);
    host.StateChanged(changed::FileInfo);
    return flagged;
}

} // namespace

LandmarkState& LandmarkStateOf(Program& program) {
    return program.State<LandmarkState>();
}

std::string SearchingCaption(int slot) {
    return " ... searching File" + std::to_string(slot) + "...";
}

bool MarkLandmarkSequences(Program& p, Host& host) {
    bool anyKL3 = false;
    for (int i = 1; i <= SlotCount; ++i)
        if (p.Slot(i).IsOpen && p.Slot(i).Kind == FileKind::KL3) anyKL3 = true;
    if (!anyKL3) {
        host.ShowTimedMessage(Message3s, NoKL3FilesOpenText);
        return false;
    }
    LandmarkState& state = LandmarkStateOf(p);
    const bool ignoring = p.Clicks.Ignore;
    SetIgnoreFilters(p, host, true);
    bool allMarked = true;
    for (int i = 1; i <= SlotCount; ++i) {
        FileSlot& s = p.Slot(i);
        if (!s.IsOpen || s.Kind != FileKind::KL3) continue;
        state.ButtonCaption = SearchingCaption(i);
        host.StateChanged(changed::LandmarkButton);
        host.ProcessEvents();
        if (!MarkSlot(p, host, i)) allMarked = false;
    }
    SetIgnoreFilters(p, host, ignoring);
    state.ButtonCaption = MarkLandmarksCaption;
    host.StateChanged(changed::LandmarkButton);
    host.StateChanged(changed::DisplayRefresh);
    return allMarked;
}

} // namespace kelp
