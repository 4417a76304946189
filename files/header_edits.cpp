// The utilities that rewrite header fields in place: the deployment texts and depths of
// File 1 pasted into every open file, and a changed start time.
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>

#include "core/bytes.h"
#include "core/host.h"
#include "core/program.h"
#include "core/slots.h"
#include "files/file_safety.h"
#include "files/file_utilities.h"

namespace kelp {

namespace {

constexpr int PlaceOffset = 13; // latitude, longitude, depths and location: bytes 13..63
constexpr int PlaceBytes = 51;
constexpr int NotesOffset = 211; // the notes as readers take them: bytes 211..255
constexpr int NotesBytes = 45;

void PutText(std::uint8_t* bytes, int width, const std::string& text) {
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(width));
    std::copy_n(text.begin(), n, bytes);
}

// A depth box as a 16-bit number: 0 when the text is not a whole number that fits.
std::uint32_t DepthValue(const std::string& text) {
    const auto begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return 0;
    const std::string trimmed = text.substr(begin, text.find_last_not_of(' ') - begin + 1);
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(trimmed.c_str(), &end, 10);
    if (errno != 0 || end == trimmed.c_str() || *end != '\0' || v < 0 || v > 0xFFFF) return 0;
    return static_cast<std::uint32_t>(v);
}

// Reads `count` bytes at `offset`, writes `bytes` there, and on failure puts the old
// bytes back; false (with the error in the file) when the write failed.
bool ReplaceBytes(BinaryFile& file, int offset, const std::uint8_t* bytes, int count,
                  std::vector<std::uint8_t>& old) {
    old.assign(static_cast<std::size_t>(count), 0);
    if (file.ReadAt(offset, old.data(), old.size()) != count) return false;
    return file.WriteAt(offset, bytes, static_cast<std::size_t>(count));
}

} // namespace

FilesOutcome PasteMetadata(Program& p, Host& host) {
    FilesOutcome outcome;
    const FileSlot& one = p.Slot(1);
    if (!one.IsOpen) {
        host.ShowTimedMessage(Message3s, "No file open");
        outcome.Failed = true;
        return outcome;
    }
    std::array<std::uint8_t, PlaceBytes> place{};
    PutText(&place[0], 8, one.LatitudeBox);
    PutText(&place[8], 8, one.LongitudeBox);
    WriteBE(place.data(), 16, 2, DepthValue(one.DeploymentDepthBox));
    WriteBE(place.data(), 18, 2, DepthValue(one.WaterDepthBox));
    PutText(&place[20], 31, one.LocationBox);
    std::array<std::uint8_t, NotesBytes> notes{};
    PutText(notes.data(), NotesBytes, one.NotesBox);

    SetCaption(p, host, &FileUtilityState::PasteCaption, ">>> SAVING >>> ");
    for (int i = 1; i <= SlotCount; ++i) {
        FileSlot& s = p.Slot(i);
        if (!s.IsOpen) continue;
        std::vector<std::uint8_t> oldPlace, oldNotes;
        bool ok = ReplaceBytes(s.File, PlaceOffset, place.data(), PlaceBytes, oldPlace);
        std::string error = ok ? "" : s.File.LastErrorText();
        if (ok && !ReplaceBytes(s.File, NotesOffset, notes.data(), NotesBytes, oldNotes)) {
            ok = false;
            error = s.File.LastErrorText();
            s.File.WriteAt(PlaceOffset, oldPlace.data(), oldPlace.size()); // the file as it was
        }
        if (!ok) {
            host.ShowTimedMessage(Message2s, error);
            outcome.Failed = true;
            continue;
        }
        std::copy(place.begin(), place.end(), s.Header.Bytes.begin() + PlaceOffset);
        std::copy(notes.begin(), notes.end(), s.Header.Bytes.begin() + NotesOffset);
        s.Latitude = s.Header.Latitude();
        s.Longitude = s.Header.Longitude();
        s.DeploymentDepth = s.Header.DeploymentDepth();
        s.WaterDepth = s.Header.WaterDepth();
        s.Location = s.Header.Location();
        s.Notes = s.Header.Notes();
        outcome.Files.push_back(s.FullName);
    }
    host.Wait(600);
    SetCaption(p, host, &FileUtilityState::PasteCaption, "Save file 1 text to all");
    ShowFileInfo(p, host);
    return outcome;
}

FilesOutcome ChangeStartTime(Program& p, Host& host, MinuteNumber newFirstMinute) {
    return ChangeStartTime(p, host, [newFirstMinute] { return std::optional<MinuteNumber>(newFirstMinute); });
}

FilesOutcome ChangeStartTime(Program& p, Host& host,
                             const std::function<std::optional<MinuteNumber>()>& newStart) {
    FilesOutcome outcome;
    outcome.Failed = true;
    if (!p.Slot(1).IsOpen || p.OpenCount() != 1) {
        host.ShowMessage("This requires File 1 only to be open");
        return outcome;
    }
    if (!host.AskYesNo("Is the new start time in the start time boxes on the Read SD page?")) return outcome;
    const std::optional<MinuteNumber> start = newStart();
    if (!start) return outcome;
    const MinuteNumber newFirstMinute = *start;

    FileSlot& s = p.Slot(1);
    const std::string name = s.FullName;
    // The first and last minute move by the same shift; the saved endpoints become the
    // new full range; the first minute as first written (268) stays.
    const std::int64_t shift = static_cast<std::int64_t>(newFirstMinute) - s.FirstMinute;
    const auto newLast = static_cast<MinuteNumber>(s.LastMinute + shift);
    std::uint8_t minutes[24];
    bool ok = s.File.ReadAt(DataFileHeader::FirstMinuteOffset, minutes, sizeof minutes) ==
              static_cast<std::int64_t>(sizeof minutes);
    if (ok) {
        WriteBE(minutes, 0, 4, static_cast<std::uint32_t>(newFirstMinute));
        WriteBE(minutes, 4, 4, static_cast<std::uint32_t>(newLast));
        WriteBE(minutes, 16, 4, static_cast<std::uint32_t>(newFirstMinute));
        WriteBE(minutes, 20, 4, static_cast<std::uint32_t>(newLast));
        ok = s.File.WriteAt(DataFileHeader::FirstMinuteOffset, minutes, sizeof minutes);
    }
    if (!ok) host.ShowTimedMessage(Message2s, s.File.LastErrorText());
    CloseDataFile(p, host, 1);
    OpenDataFile(p, host, name, 1);
    outcome.Failed = !ok;
    if (ok) outcome.Files.push_back(name);
    return outcome;
}

} // namespace kelp
