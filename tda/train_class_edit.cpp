#include "tda/train_class_edit.h"

#include <algorithm>
#include <vector>

#include "core/host.h"
#include "core/program.h"
#include "core/reader.h"
#include "tda/landmarks.h"

namespace kelp {

namespace {

constexpr int ClassByteOffset = 18;
constexpr int DevelopmentClassByteOffset = 23;
constexpr std::uint8_t KeptClassBits = 0x83; // quality bits 0-1 and the interval flag, bit 7
constexpr std::size_t ReadChunkRecords = 4096;

int ClassOffsetOf(const FileSlot& s) {
    return s.RecordFormat == 2 && s.RecordLength >= 40 ? DevelopmentClassByteOffset : ClassByteOffset;
}

// The file position of the train click at `at`, found by the reader as the display
// finds the click under the pointer; -1 when there is none.
std::int64_t FindTrainClick(Program& p, Host& host, int slotIndex, const ClickTime& at) {
    FileSlot& s = p.Slot(slotIndex);
    PositionAt(p, host, at.Minute, at.Time);
    if (!s.MoreData || s.NRType >= 128 || s.Click.Minute != at.Minute || s.Click.Time != at.Time) return -1;
    return s.BufferFilePos + s.BufferPos - s.RecordLength;
}

// Reads the records from `position` up to the end of their minute (the next record of
// type above 127, or the end of the file). False on a read error.
bool ReadRestOfMinute(FileSlot& s, std::int64_t position, std::vector<std::uint8_t>& bytes) {
    const std::size_t R = static_cast<std::size_t>(s.RecordLength);
    std::vector<std::uint8_t> chunk(ReadChunkRecords * R);
    bytes.clear();
    for (;;) {
        const std::int64_t n = s.File.ReadAt(position, chunk.data(), chunk.size());
        if (n < 0) return false;
        const std::size_t records = static_cast<std::size_t>(n) / R;
        for (std::size_t i = 0; i < records; ++i) {
            const std::uint8_t* r = chunk.data() + i * R;
            if (r[R - 1] > 127) return true;
            bytes.insert(bytes.end(), r, r + R);
        }
        if (static_cast<std::size_t>(n) < chunk.size()) return true;
        position += static_cast<std::int64_t>(records * R);
    }
}

// Keeps the reader's buffered copy of the file in step with what was written.
void UpdateReaderBuffer(FileSlot& s, std::int64_t position, const std::uint8_t* bytes, std::size_t count) {
    const std::int64_t from = std::max(position, s.BufferFilePos);
    const std::int64_t to =
        std::min(position + static_cast<std::int64_t>(count), s.BufferFilePos + s.BufferFill);
    for (std::int64_t f = from; f < to; ++f)
        s.Buffer[static_cast<std::size_t>(f - s.BufferFilePos)] =
            bytes[static_cast<std::size_t>(f - position)];
}

} // namespace

int EditedSpecies(SpeciesEdit edit) {
    switch (edit) {
    case SpeciesEdit::SetDolphin:
        return SpeciesDolphin;
    case SpeciesEdit::SetPorpoise:
        return SpeciesPorpoise;
    default:
        return SpeciesUnclassed;
    }
}

std::string EditText(SpeciesEdit edit) {
    switch (edit) {
    case SpeciesEdit::SetDolphin:
        return "Species set to dolphin";
    case SpeciesEdit::SetPorpoise:
        return "Species set to porpoise";
    default:
        return "Species set to unknown";
    }
}

std::uint8_t EditedClassByte(std::uint8_t classByte, SpeciesEdit edit) {
    return static_cast<std::uint8_t>((classByte & KeptClassBits) | (EditedSpecies(edit) << 2));
}

bool EditTrainSpecies(Program& p, Host& host, int slotIndex, const ClickTime& at, SpeciesEdit edit) {
    if (slotIndex < 1 || slotIndex > SlotCount || !p.Slot(slotIndex).IsOpen ||
        p.Slot(slotIndex).Kind != FileKind::KL3) {
        host.ShowTimedMessage(Message3s, PointerNotOverKL3Text);
        return false;
    }
    FileSlot& s = p.Slot(slotIndex);
    const std::size_t R = static_cast<std::size_t>(s.RecordLength);
    const std::size_t classOffset = static_cast<std::size_t>(ClassOffsetOf(s));
    const std::string noClick = "No train click at " + ClickTimeText(at);

    const std::int64_t position = classOffset + 1 < R ? FindTrainClick(p, host, slotIndex, at) : -1;
    if (position < 0) {
        host.ShowTimedMessage(Message3s, noClick);
        return false;
    }
    std::vector<std::uint8_t> bytes;
    if (!ReadRestOfMinute(s, position, bytes)) {
        host.ShowTimedMessage(Message2s, s.File.LastErrorText());
        return false;
    }
    const int trainId = bytes.size() >= R ? bytes[R - 1] : -1;
    if (trainId < FirstTrainId || trainId > LastTrainId) {
        host.ShowTimedMessage(Message3s, noClick);
        return false;
    }

    // Each click of the train keeps its own quality bits and interval flag.
    std::size_t firstChanged = bytes.size();
    std::size_t lastChanged = 0;
    for (std::size_t r = 0; r + R <= bytes.size(); r += R) {
        if (bytes[r + R - 1] != trainId) continue;
        std::uint8_t& classByte = bytes[r + classOffset];
        const std::uint8_t edited = EditedClassByte(classByte, edit);
        if (edited == classByte) continue;
        classByte = edited;
        firstChanged = std::min(firstChanged, r + classOffset);
        lastChanged = r + classOffset;
    }
    if (firstChanged < bytes.size()) {
        const std::size_t count = lastChanged - firstChanged + 1;
        const std::int64_t writeAt = position + static_cast<std::int64_t>(firstChanged);
        if (!s.File.WriteAt(writeAt, bytes.data() + firstChanged, count)) {
            host.ShowTimedMessage(Message2s, s.File.LastErrorText());
            return false;
        }
        UpdateReaderBuffer(s, writeAt, bytes.data() + firstChanged, count);
        if (classOffset == ClassByteOffset) {
            s.Click.ClassCode = bytes[classOffset] & 127;
            s.Click.Species = static_cast<std::uint8_t>((bytes[classOffset] >> 2) & 7);
        }
    }

    SpeciesEditState& state = SpeciesEditStateOf(p);
    if (state.EditedFile != s.FullName || host.Results().Lines().empty()) {
        host.Results().Append("Editing\t" + s.FullName);
        host.Results().Append(EditHeaderLine);
        state.EditedFile = s.FullName;
    }
    host.Results().Append(ClickTimeText(at, p.Options.ApostropheBeforeTimes) + "\t" +
                          std::to_string(trainId) + "\t" + EditText(edit) + "\t");
    host.StateChanged(changed::DisplayRefresh);
    return true;
}

SpeciesEditState& SpeciesEditStateOf(Program& program) {
    return program.State<SpeciesEditState>();
}

TrainTracking& TrainTrackingOf(Program& program) {
    return program.State<TrainTracking>();
}

bool RequestIdentifyTrain(Program& program) {
    if (!program.Options.DevelopmentMode) return false;
    TrainTrackingOf(program).IdentifyRequested = true;
    return true;
}

bool IdentifyTrainIfRequested(Program& program, Host& host, const ClickRecord& click) {
    TrainTracking& tracking = TrainTrackingOf(program);
    if (!tracking.IdentifyRequested) return false;
    tracking.IdentifyRequested = false;
    tracking.TrackN = std::to_string(click.TrainSlot);
    tracking.TrackStart = std::to_string(click.Time);
    tracking.TrackTrN = true;
    host.StateChanged(changed::TrainTracking);
    return true;
}

} // namespace kelp
