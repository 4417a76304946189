// "verify open files": reads each open file through the reader and reports whether the
// delivered clicks are in time order, with the minutes, empty minutes and end records met.
#include "core/host.h"
#include "core/map_file.h"
#include "core/program.h"
#include "core/reader.h"
#include "files/file_safety.h"
#include "files/file_utilities.h"

namespace kelp {

namespace {

constexpr int EndRecordLimit = 100;

struct VerifyCounts {
    std::int64_t Clicks = 0;
    std::int64_t SequenceErrors = 0;
    std::int64_t Minutes = 0;
    std::int64_t EmptyMinutes = 0;
    std::int64_t EndRecords = 0;
};

VerifyCounts ReadSlot(Program& p, Host& host, int slotIndex) {
    FileSlot& s = p.Slot(slotIndex);
    VerifyCounts counts;
    const std::int64_t markersWanted = static_cast<std::int64_t>(s.LastMinute) - s.FirstMinute - 1;
    bool clickSinceMarker = false;
    bool havePrevious = false;
    std::int32_t previous = 0;
    FileProgress progress(p, host, "... verifying " + s.ShortName + " ...", markersWanted);
    while (counts.Minutes != markersWanted && counts.EndRecords <= EndRecordLimit) {
        // A slot stopped by anything but its end (a record class error, the end of the
        // shared range) delivers nothing more.
        if (!s.MoreData && s.NRType != TypeEndOfData) break;
        NextRecord(p, host, slotIndex);
        const int type = s.NRType;
        if (type < 128) {
            if (havePrevious && s.Click.Time < previous) ++counts.SequenceErrors;
            previous = s.Click.Time;
            havePrevious = true;
            clickSinceMarker = true;
            ++counts.Clicks;
        } else if (type == TypeMinuteMarker) {
            ++counts.Minutes;
            progress.Reached(counts.Minutes);
            if (counts.Minutes % 60 == 0)
                SetProgressText(p, host,
                                std::to_string(counts.Minutes / MinutesPerDay) + "d " +
                                    std::to_string(counts.Minutes % MinutesPerDay / 60) + "h");
            if (!clickSinceMarker) ++counts.EmptyMinutes;
            clickSinceMarker = false;
            havePrevious = false;
        } else if (type == TypeEndOfData) {
            ++counts.EndRecords;
        }
    }
    return counts;
}

} // namespace

FilesOutcome VerifyOpenFiles(Program& p, Host& host) {
    FilesOutcome outcome;
    for (int i = 1; i <= SlotCount; ++i)
        if (p.Slot(i).IsOpen && !p.Slot(i).MapReady) BuildMap(p, host, i, true);
    PositionAt(p, host, 0, 0);
    for (int i = 1; i <= SlotCount; ++i) {
        if (!p.Slot(i).IsOpen) continue;
        const VerifyCounts c = ReadSlot(p, host, i);
        const std::string tail = "    " + std::to_string(c.Minutes) + " minutes logged   " +
                                 std::to_string(c.EmptyMinutes) + " empty minutes    " +
                                 std::to_string(c.EndRecords) + " 255s";
        const std::string& name = p.Slot(i).ShortName;
        const std::string text =
            c.SequenceErrors > 0
                ? name + "  N of times sequence errors = " + std::to_string(c.SequenceErrors) + tail
                : name + "  Times are in sequence" + tail;
        host.ShowMessage(text);
        outcome.Reports.push_back(text);
        outcome.Failed = outcome.Failed || c.SequenceErrors > 0;
    }
    return outcome;
}

} // namespace kelp
