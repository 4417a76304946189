// Appending records to the end of a data file: joining files onto File 1, and adding
// minutes of an open KL1 file to a spike collection file. The new records go over the
// file's end-of-data records; when anything fails, they are cut off again and the end
// records put back, so the file is byte for byte as before.
#include <algorithm>
#include <cctype>

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

constexpr std::int64_t AppendPieceBytes = 1 << 20;
constexpr std::int64_t SpikePieceBytes = 10'000;

std::string LastFour(const std::string& name) {
    return name.size() >= 4 ? name.substr(name.size() - 4) : "";
}

// Writes pieces one after another from `position` on.
struct SequentialWriter {
    BinaryFile& File;
    std::int64_t Position;
    bool operator()(const std::uint8_t* bytes, std::size_t count, int& error) {
        if (!File.WriteAt(Position, bytes, count)) {
            error = File.LastError();
            return false;
        }
        Position += static_cast<std::int64_t>(count);
        return true;
    }
};

// Appends one chosen file's records; false when a read or write failed (`error` set).
bool AppendOneFile(BinaryFile& source,
                   const std::function<bool(const std::uint8_t*, std::size_t, int& error)>& target,
                   int recordLength, bool keepEnd, int& error) {
    const std::int64_t size = source.Size();
    if (size < 0) {
        error = source.LastError();
        return false;
    }
    // The end-of-data records are left off, except on the last file; a file that lacks
    // them gives all its records.
    const int endBytes = 2 * recordLength;
    const bool cut = !keepEnd && EndsWithEndRecords(source, size, endBytes);
    const std::int64_t count = std::max<std::int64_t>(0, size - HeaderLength - (cut ? endBytes : 0));
    const CopyResult copied = CopyRange(source, HeaderLength, count, AppendPieceBytes, target);
    error = copied.Error;
    return copied.Ok;
}

void ClearSelection(Program& p, Host& host) {
    p.Options.TimeSelectionSet = false;
    ComputeSharedRange(p, host);
    ShowFileInfo(p, host);
}

} // namespace

FilesOutcome AppendFiles(Program& p, Host& host) {
    FilesOutcome outcome;
    outcome.Failed = true;
    if (!p.Slot(1).IsOpen || p.OpenCount() != 1) {
        host.ShowTimedMessage(4000, "File 1 only must be open");
        return outcome;
    }
    FileDialogRequest request;
    request.Title = "Open files to be joined together";
    request.Filter = "KELP data files|*.KL*";
    request.MultiSelect = true;
    const std::vector<std::string> names = host.OpenFileDialog(request);
    if (names.empty()) {
        host.ShowTimedMessage(4000, "No files selected");
        return outcome;
    }
    SetCaption(p, host, &FileUtilityState::AppendCaption, "wait");
    FileSlot& s = p.Slot(1);
    const std::string name = s.FullName;
    const std::string extension = LastFour(name);
    const int R = s.RecordLength;
    const std::vector<std::uint8_t> end(static_cast<std::size_t>(2 * R), 255);

    const std::int64_t size = s.File.Size();
    const std::int64_t start = EndsWithEndRecords(s.File, size, 2 * R) ? size - 2 * R : size;
    AppendGuard guard;
    bool failed = !guard.Begin(s.File, start);
    std::string failure = failed ? s.File.LastErrorText() : "";
    SequentialWriter target{s.File, start};
    bool appended = false;
    bool endWritten = true;
    for (std::size_t k = 0; k < names.size() && !failed; ++k) {
        const std::string& chosen = names[k];
        if (LastFour(chosen) != extension) continue;
        if (SameFile(chosen, name)) {
            host.ShowTimedMessage(Message3s, "File 1 cannot be appended to itself: " + chosen);
            continue;
        }
        BinaryFile source;
        std::uint8_t byte1 = 0;
        if (!source.Open(chosen, BinaryFile::Mode::Read) || source.ReadAt(1, &byte1, 1) != 1) {
            host.ShowMessage(source.LastError() ? source.LastErrorText() : SystemErrorText(EIO));
            continue;
        }
        if (RecordLengthFromByte(byte1) != R) {
            host.ShowTimedMessage(Message3s, "Record length differs.  File not appended: " + chosen);
            continue;
        }
        SetCaption(p, host, &FileUtilityState::AppendCaption,
                   std::to_string(k + 1) + "of " + std::to_string(names.size()));
        host.ShowBatchFile(static_cast<int>(k + 1), static_cast<int>(names.size()));
        host.ProcessEvents();
        const bool last = k + 1 == names.size();
        int error = 0;
        FileProgress progress(p, host, "... appending " + ShortNameOf(chosen) + " ...", source.Size());
        if (!AppendOneFile(source, progress.Counting(std::ref(target)), R, last, error)) {
            failed = true;
            failure = SystemErrorText(error);
            break;
        }
        appended = true;
        endWritten = last;
        outcome.Files.push_back(chosen);
    }
    // The last chosen file was not appended: the joined file still needs its end.
    if (!failed && appended && !endWritten) {
        int error = 0;
        if (!target(end.data(), end.size(), error)) {
            failed = true;
            failure = SystemErrorText(error);
        }
    }
    if (failed) {
        guard.Restore();
        host.ShowMessage(failure);
        outcome.Files.clear();
    } else {
        BuildMap(p, host, 1, true);
    }
    CloseDataFile(p, host, 1);
    OpenDataFile(p, host, name, 1);
    SetCaption(p, host, &FileUtilityState::AppendCaption, "Append files");
    outcome.Failed = failed || !appended;
    return outcome;
}

FilesOutcome AppendToSpikeFile(Program& p, Host& host, const SpikeRequest& request) {
    FilesOutcome outcome;
    outcome.Failed = true;
    const auto isKl1 = [&](int i) { return p.Slot(i).IsOpen && p.Slot(i).Kind == FileKind::KL1; };
    int slot = 0;
    if (request.BandSlot >= 1 && request.BandSlot <= SlotCount && isKl1(request.BandSlot))
        slot = request.BandSlot;
    else if (isKl1(1))
        slot = 1;
    if (slot == 0) return outcome;
    FileSlot& s = p.Slot(slot);
    if (!s.MapReady) BuildMap(p, host, slot, p.Options.RefreshMapFiles);
    const auto restore = [&] {
        if (request.RestoreAndRedraw) request.RestoreAndRedraw();
    };

    // Without a selection, the minute at which the screen starts. A selection that starts
    // at the file's first minute is still a selection.
    const bool selection = p.Options.TimeSelectionSet || s.ActiveStart != s.FirstMinute;
    const MinuteNumber first = selection ? p.SharedStart : request.ScreenStart;
    const MinuteNumber last = selection ? p.SharedEnd : request.ScreenStart;
    const std::int64_t minutes = static_cast<std::int64_t>(last) - first + 1;
    const std::int64_t perMarker = std::max(1, s.MinutesPerMarker);
    const std::int64_t startIndex =
        (std::max<std::int64_t>(first, s.FirstMinute) - s.FirstMinute) / perMarker;
    const std::int64_t endIndex =
        std::min(s.MapCount, (static_cast<std::int64_t>(last) - s.FirstMinute) / perMarker + 1);
    if (minutes < 1 || last < s.FirstMinute || startIndex >= endIndex ||
        endIndex >= static_cast<std::int64_t>(s.Map.size()))
        return outcome;
    const std::int64_t from = s.Map[static_cast<std::size_t>(startIndex)];
    const int R = s.RecordLength;
    const std::int64_t count = (s.Map[static_cast<std::size_t>(endIndex)] - from) / R * R;

    if (!host.AskYesNo("Do you wish to add " + std::to_string(minutes) + " minutes?")) return outcome;
    FileDialogRequest dialog;
    dialog.Title = "Open spike file";
    dialog.Filter = "KELP data files|*.KL*";
    const std::vector<std::string> names = host.OpenFileDialog(dialog);
    // Only a file whose own name says it is a spike file is written to.
    std::string shortName = names.empty() ? "" : ShortNameOf(names.front());
    for (char& c : shortName) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (shortName.find("SPIKE") == std::string::npos) {
        host.ShowMessage("File name does not contain spike");
        restore();
        return outcome;
    }
    const std::string targetName = names.front();
    BinaryFile target;
    if (!target.Open(targetName, BinaryFile::Mode::ReadWrite)) {
        host.ShowTimedMessage(Message2s, target.LastErrorText());
        return outcome;
    }
    DataFileHeader header;
    const std::int64_t size = target.Size();
    if (target.ReadAt(0, header.Bytes.data(), header.Bytes.size()) != DataFileHeader::Size) {
        host.ShowTimedMessage(Message5s, targetName + " is too small to hold any data (0)");
        restore();
        return outcome;
    }
    const int targetR = header.RecordLength();
    if (targetR != R) {
        host.ShowMessage("SpikeRecBytes = " + std::to_string(targetR) +
                         "  Sample RecBytes = " + std::to_string(R));
        ClearSelection(p, host);
        restore();
        return outcome;
    }

    const std::int64_t start = EndsWithEndRecords(target, size, 2 * R) ? size - 2 * R : size;
    AppendGuard guard;
    SequentialWriter writer{target, start};
    const std::vector<std::uint8_t> end(static_cast<std::size_t>(2 * R), 255);
    const MinuteNumber newLast = static_cast<MinuteNumber>(header.LastMinute() + minutes);
    std::uint8_t lastBytes[4];
    WriteBE(lastBytes, 0, 4, static_cast<std::uint32_t>(newLast));
    int error = 0;
    bool ok = guard.Begin(target, start);
    if (!ok) error = target.LastError();
    if (ok) {
        const CopyResult copied = CopyRange(s.File, from, count, SpikePieceBytes, std::ref(writer));
        ok = copied.Ok;
        error = copied.Error;
    }
    ok = ok && writer(end.data(), end.size(), error);
    if (ok && !(target.WriteAt(DataFileHeader::LastMinuteOffset, lastBytes, 4) &&
                target.WriteAt(DataFileHeader::EndpointEndOffset, lastBytes, 4))) {
        ok = false;
        error = target.LastError();
        // The header's last minute and endpoint go back with the records.
        target.WriteAt(0, header.Bytes.data(), header.Bytes.size());
    }
    if (!ok) {
        guard.Restore();
        host.ShowTimedMessage(Message2s, SystemErrorText(error));
        restore();
        return outcome;
    }
    target.Close();
    const std::int64_t markers = endIndex - startIndex;
    host.ShowTimedMessage(MessageShort,
                          std::to_string(count / R - markers) + " clicks added to " + targetName);
    ClearSelection(p, host);
    restore();
    outcome.Failed = false;
    outcome.Files.push_back(targetName);
    return outcome;
}

} // namespace kelp
