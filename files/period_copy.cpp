// Cutting a period out of open files into new files: the selected period of every open
// file, or the span of File 1 out of a batch of other files.
#include <algorithm>
#include <cerrno>

#include "core/bytes.h"
#include "core/header.h"
#include "core/host.h"
#include "core/map_file.h"
#include "core/program.h"
#include "core/slots.h"
#include "files/file_safety.h"
#include "files/file_utilities.h"

namespace kelp {

namespace {

constexpr std::int64_t CopyPieceBytes = 10'000;

// The part of a slot's file that holds a period, by its minute map.
struct PeriodBytes {
    bool HasData = false;
    std::int64_t Start = 0; // position of the period's first minute marker
    std::int64_t Count = 0; // bytes up to the marker after the period (or the end of the data)
    MinuteNumber First = 0; // the minutes of its first and last marker
    MinuteNumber Last = 0;
};

// Markers stand MinutesPerMarker minutes apart; a period reaching outside the file is cut
// to the file's own minutes.
PeriodBytes LocatePeriod(const FileSlot& s, MinuteNumber from, MinuteNumber to) {
    PeriodBytes period;
    const std::int64_t perMarker = std::max(1, s.MinutesPerMarker);
    const std::int64_t first = std::max<std::int64_t>(from, s.FirstMinute) - s.FirstMinute;
    const std::int64_t startIndex = first / perMarker;
    const std::int64_t last = static_cast<std::int64_t>(to) - s.FirstMinute;
    if (last < 0 || s.MapCount <= 0) return period;
    const std::int64_t endIndex = std::min(s.MapCount, last / perMarker + 1);
    if (startIndex >= endIndex || endIndex >= static_cast<std::int64_t>(s.Map.size())) return period;
    period.Start = s.Map[static_cast<std::size_t>(startIndex)];
    period.Count = s.Map[static_cast<std::size_t>(endIndex)] - period.Start;
    period.First = static_cast<MinuteNumber>(s.FirstMinute + startIndex * perMarker);
    period.Last = static_cast<MinuteNumber>(s.FirstMinute + (endIndex - 1) * perMarker);
    period.HasData = period.Count > 0;
    return period;
}

void ShowWriteError(Host& host, int error) {
    if (error == ENOSPC)
        host.ShowMessage("Disc Full Error");
    else
        host.ShowTimedMessage(Message2s, SystemErrorText(error));
}

enum class CopyStatus { Copied, Skipped, Failed, CannotCreate };

// Writes the new file: the source header with the period's minutes at 256, 260 and
// again as the endpoints at 272, 276; the period's records; two end-of-data records.
CopyStatus WritePeriodCopy(Program& p, Host& host, FileSlot& s, const PeriodBytes& period,
                           const std::string& name) {
    if (!MayWriteTo(p, host, name)) return CopyStatus::Skipped;
    AtomicFileWriter writer(name);
    if (!writer.Open()) {
        host.ShowTimedMessage(Message2s, SystemErrorText(writer.LastError()));
        host.ShowTimedMessage(60'000, "Failed to create copy file ");
        return CopyStatus::CannotCreate;
    }
    DataFileHeader header;
    if (s.File.ReadAt(0, header.Bytes.data(), header.Bytes.size()) != DataFileHeader::Size) {
        host.ShowTimedMessage(Message2s, s.File.LastErrorText());
        return CopyStatus::Failed;
    }
    header.SetFirstMinute(period.First);
    header.SetLastMinute(period.Last);
    header.SetEndpointStart(period.First);
    header.SetEndpointEnd(period.Last);
    const std::vector<std::uint8_t> end(static_cast<std::size_t>(2 * s.RecordLength), 255);
    int error = 0;
    const auto write = [&](const std::uint8_t* bytes, std::size_t count, int& e) {
        if (writer.Write(bytes, count)) return true;
        e = writer.LastError();
        return false;
    };
    if (!write(header.Bytes.data(), header.Bytes.size(), error)) {
        ShowWriteError(host, error);
        return CopyStatus::Failed;
    }
    FileProgress progress(p, host, "... copying " + s.ShortName + " ...", period.Count);
    const CopyResult copied =
        CopyRange(s.File, period.Start, period.Count, CopyPieceBytes, progress.Counting(write));
    if (!copied.Ok) {
        if (copied.ReadFailed)
            host.ShowTimedMessage(Message2s, SystemErrorText(copied.Error));
        else
            ShowWriteError(host, copied.Error);
        return CopyStatus::Failed;
    }
    if (!write(end.data(), end.size(), error) || !writer.Commit()) {
        ShowWriteError(host, error ? error : writer.LastError());
        return CopyStatus::Failed;
    }
    return CopyStatus::Copied;
}

} // namespace

FilesOutcome CopySelectedPeriod(Program& p, Host& host, bool fromOwnButton) {
    FilesOutcome outcome;
    SetCaption(p, host, &FileUtilityState::CopySelectionCaption, "wait");
    struct Planned {
        int Slot;
        PeriodBytes Period;
        std::string Name;
    };
    std::vector<Planned> planned;
    const std::string duration = DurationText(p.SharedMinutes());
    for (int i = 1; i <= SlotCount; ++i) {
        FileSlot& s = p.Slot(i);
        if (!s.IsOpen) continue;
        if (!s.MapReady) BuildMap(p, host, i, p.Options.RefreshMapFiles);
        const PeriodBytes period = LocatePeriod(s, p.SharedStart, p.SharedEnd);
        if (!period.HasData) {
            host.ShowTimedMessage(Message2s, s.ShortName + " has no data in the selected period");
            outcome.Failed = true;
            continue;
        }
        const std::string& full = s.FullName;
        const std::string extension = full.size() > 4 ? full.substr(full.size() - 4) : full;
        planned.push_back({i, period, WithoutLastFour(full) + " PART " + duration + extension});
    }
    for (const Planned& m : planned) {
        host.ProcessEvents();
        const CopyStatus status = WritePeriodCopy(p, host, p.Slot(m.Slot), m.Period, m.Name);
        if (status == CopyStatus::CannotCreate) {
            outcome.Failed = true;
            break;
        }
        if (status != CopyStatus::Copied) {
            outcome.Failed = true;
            continue;
        }
        const std::int64_t size = FileSizeOf(m.Name);
        host.ShowTimedMessage(1500, m.Name + " saved.  Size " + ThousandsText(size / 1024) + "k");
        outcome.Files.push_back(m.Name);
        if (m.Slot == 1 && fromOwnButton) p.OpenDialogInitialName = m.Name;
    }
    SetCaption(p, host, &FileUtilityState::CopySelectionCaption, "Copy selection");
    return outcome;
}

FilesOutcome CopySameTimeSpan(Program& p, Host& host) {
    FilesOutcome outcome;
    if (!p.Slot(1).IsOpen) {
        host.ShowMessage("File 1 must be open");
        outcome.Failed = true;
        return outcome;
    }
    p.DataPositionLabel.clear();
    p.ShowAsLabel.clear();
    p.ClickCountLabel.clear();
    SetProgressText(p, host, "");
    p.SourceBox.clear();
    host.StateChanged(changed::SourceBox);
    int errors = 0;
    {
        BatchScope batch(p);
        host.SetBusyCursor(true);
        const MinuteNumber targetStart = p.Slot(1).FirstMinute;
        const MinuteNumber targetEnd = p.Slot(1).LastMinute;
        CloseAllFiles(p, host);
        FileDialogRequest request;
        request.Title = "Open files to cut to the same time span";
        request.Filter = "KELP data files|*.KL*";
        request.MultiSelect = true;
        const std::vector<std::string> names = host.OpenFileDialog(request);
        const std::size_t total = names.size();
        for (std::size_t n = 0; n < total; ++n) {
            const std::string& name = names[n];
            SetCaption(p, host, &FileUtilityState::SameSpanCaption,
                       "Copying " + std::to_string(n + 1) + " of " + std::to_string(total));
            host.ShowBatchFile(static_cast<int>(n + 1), static_cast<int>(total));
            host.ProcessEvents();
            if (!OpenDataFile(p, host, name, 1)) {
                host.Results().Append("ERROR\t\t" + name);
                ++errors;
                continue;
            }
            const FileSlot& s = p.Slot(1);
            if (s.FirstMinute > targetStart || s.LastMinute < targetEnd) {
                host.Results().Append(name + "starts later or ends earlier than target time span");
                ++errors;
            } else {
                p.SharedStart = targetStart;
                p.SharedEnd = targetEnd;
                const FilesOutcome copied = CopySelectedPeriod(p, host, false);
                outcome.Files.insert(outcome.Files.end(), copied.Files.begin(), copied.Files.end());
                if (copied.Failed) ++errors;
            }
            CloseDataFile(p, host, 1);
        }
    }
    SetProgressText(p, host, "Completed");
    p.SourceBox.push_back("Batch copy completed");
    host.StateChanged(changed::SourceBox);
    if (errors > 0) {
        host.ShowTimedMessage(Message2s, "BUT .....  some Files could not be processed");
        outcome.Failed = true;
    }
    SetCaption(p, host, &FileUtilityState::SameSpanCaption, "Create copies with same time span");
    host.SetBusyCursor(false);
    return outcome;
}

} // namespace kelp
