#include "core/map_file.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <vector>

#include "core/bytes.h"
#include "core/file_io.h"
#include "core/host.h"
#include "core/program.h"

namespace kelp {

namespace {

// A map array sized for the header's range, or one day when the range is unusable.
std::size_t InitialMapEntries(const FileSlot& s, int extra) {
    const std::int64_t span = static_cast<std::int64_t>(s.LastMinute) - s.FirstMinute;
    if (s.LastMinute < 1 || span > 1'051'199 || span < 0) return 1440;
    return static_cast<std::size_t>(span + extra);
}

// The type byte of the record at `position`, or -1 when it cannot be read.
int TypeAt(FileSlot& s, std::int64_t position) {
    std::uint8_t type = 0;
    return s.File.ReadAt(position + s.RecordLength - 1, &type, 1) == 1 ? type : -1;
}

// Whether a loaded map can be this file's: every position on a record boundary, the last
// one at an end-of-data record and the one before it at a minute marker. A map left from
// an earlier version of the file (a new download under the same name, a file cut or
// joined) fails this, where it would position the reader at the wrong minutes and make
// the last-minute check write a wrong last minute into the file's header.
bool FitsFile(FileSlot& s, const std::vector<std::int64_t>& map, std::size_t count) {
    const std::int64_t R = std::max(1, s.RecordLength);
    for (std::size_t i = 0; i < count; ++i)
        if ((map[i] - HeaderLength) % R != 0) return false;
    if (TypeAt(s, map[count - 1]) != TypeEndOfData) return false;
    return count < 3 || TypeAt(s, map[count - 2]) == TypeMinuteMarker;
}

// Loads a map file; false when it cannot be used (unreadable, cut short, or positions
// that cannot belong to this file), so that the file is scanned instead.
bool LoadMapFile(FileSlot& s, Host& host, const std::string& name) {
    std::vector<std::uint8_t> bytes;
    int error = 0;
    if (!ReadWholeFile(name, bytes, &error)) {
        host.ShowMessage(SystemErrorText(error));
        return false;
    }
    if (bytes.size() < 16 || bytes.size() % 8 != 0) return false;
    const std::size_t count = bytes.size() / 8;
    std::vector<std::int64_t> map(count + 1, 0);
    std::int64_t previous = HeaderLength;
    for (std::size_t i = 0; i < count; ++i) {
        map[i] = ReadLE64(&bytes[i * 8]);
        if (map[i] < previous || map[i] > s.FileSize) return false;
        previous = map[i];
    }
    if (!FitsFile(s, map, count)) return false;
    s.Map = std::move(map);
    s.MapCount = static_cast<std::int64_t>(count) - 1;
    return true;
}

void WriteMapFile(const FileSlot& s, Host& host, const std::string& name, std::int64_t k) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(k + 1) * 8);
    for (std::int64_t i = 0; i <= k; ++i)
        WriteLE64(&bytes[static_cast<std::size_t>(i) * 8], s.Map[static_cast<std::size_t>(i)]);
    AtomicFileWriter writer(name);
    if (!writer.Open() || !writer.Write(bytes.data(), bytes.size()) || !writer.Commit())
        host.ShowMessage(SystemErrorText(writer.LastError()));
}

// The scan of steps 4 to 8; returns false when it had to be run again after a repair
// of the file's end (the second run then did the job).
struct ScanResult {
    bool FoundEnd = false;
    std::int64_t Clicks = 0;
};

ScanResult ScanFile(Program& p, Host& host, FileSlot& s) {
    const int R = s.RecordLength;
    ScanResult result;

    // A file must start with a minute marker: a first record of another type becomes one.
    std::vector<std::uint8_t> first(static_cast<std::size_t>(R), 0);
    const std::int64_t got = s.File.ReadAt(HeaderLength, first.data(), first.size());
    if (got == R && first[static_cast<std::size_t>(R - 1)] != TypeMinuteMarker) {
        std::vector<std::uint8_t> marker(static_cast<std::size_t>(R), 0);
        marker.back() = TypeMinuteMarker;
        if (p.Options.DevelopmentMode) host.ShowTimedMessage(Message2s, "Adding first min marker");
        if (!s.File.WriteAt(HeaderLength, marker.data(), marker.size()))
            host.ShowTimedMessage(Message2s, s.File.LastErrorText());
    }

    s.Map.assign(InitialMapEntries(s, 4), 0);
    s.Map[0] = HeaderLength;
    std::size_t k = 1;

    std::vector<std::uint8_t> block(static_cast<std::size_t>(s.BlockBytes));
    std::int64_t position = HeaderLength + R;
    const std::int64_t step = std::max<std::int64_t>(1, s.FileSize / 100);
    std::int64_t nextProgress = step;
    for (;;) {
        const std::int64_t n = s.File.ReadAt(position, block.data(), block.size());
        if (n < R) break;
        const std::uint8_t* type = block.data() + (R - 1);
        const std::int64_t records = n / R;
        for (std::int64_t i = 0; i < records; ++i, type += R) {
            const int t = *type;
            if (t < TypeFiller) {
                ++result.Clicks;
            } else if (t == TypeMinuteMarker) {
                if (k >= s.Map.size()) s.Map.resize(s.Map.size() + 1440, 0);
                s.Map[k++] = position + i * R;
            } else if (t == TypeEndOfData) {
                if (k + 1 >= s.Map.size()) s.Map.resize(s.Map.size() + 2, 0);
                s.Map[k] = position + i * R;
                s.Map[k + 1] = 0;
                result.FoundEnd = true;
                break;
            }
        }
        if (result.FoundEnd) break;
        position += records * R;
        if (position >= nextProgress) {
            host.StepProgress(position);
            nextProgress = position + step;
        }
        if (n < static_cast<std::int64_t>(block.size())) break;
    }
    if (!result.FoundEnd) {
        // Whatever follows the last whole record is not data: the map ends there.
        if (k >= s.Map.size()) s.Map.resize(k + 2, 0);
        s.Map[k] = position;
    }
    s.MapCount = static_cast<std::int64_t>(k);
    return result;
}

MinuteNumber ClampToMinute(std::int64_t v) {
    return static_cast<MinuteNumber>(std::clamp<std::int64_t>(v, std::numeric_limits<MinuteNumber>::min(),
                                                              std::numeric_limits<MinuteNumber>::max()));
}

void CheckLastMinute(Program& p, Host& host, FileSlot& s) {
    const std::int64_t mpm = s.MinutesPerMarker;
    const std::int64_t e64 = (s.MapCount - 1) * mpm + s.FirstMinute;
    const MinuteNumber e = ClampToMinute(e64);
    const std::int64_t last = s.LastMinute;
    if (!(std::abs(last - e64) > mpm || s.EndpointEnd < s.FirstMinute || s.EndpointEnd > s.LastMinute))
        return;
    if (p.Options.DevelopmentMode) {
        const std::int64_t down = (s.MapCount + 1) * mpm + s.FirstMinute;
        if (e64 > last)
            host.ShowTimedMessage(Message3s, std::to_string(last - e64) + " UP");
        else if (down < last)
            host.ShowTimedMessage(Message3s, std::to_string(last - down) + " DOWN");
    }
    s.LastMinute = e;
    s.ActiveEnd = e;
    s.EndpointEnd = e;
    s.Header.SetLastMinute(e);
    s.Header.SetEndpointEnd(e);
    std::uint8_t bytes[4];
    WriteBE(bytes, 0, 4, static_cast<std::uint32_t>(e));
    if (!s.File.WriteAt(DataFileHeader::LastMinuteOffset, bytes, 4) ||
        !s.File.WriteAt(DataFileHeader::EndpointEndOffset, bytes, 4))
        host.ShowTimedMessage(Message2s, s.File.LastErrorText());
}

bool BuildMapRun(Program& p, Host& host, int slotIndex, bool refresh, bool mayRepairEnd) {
    FileSlot& s = p.Slot(slotIndex);
    const bool wasBusy = p.Options.Busy;
    p.Options.Busy = true;
    const std::string name = MapFileName(s);

    bool scanned = false;
    if (!refresh && name != "skip" && FileExists(name) && LoadMapFile(s, host, name)) {
        host.DisplayNotice(s.ShortName + " mapped from map file                ");
    } else {
        host.StartProgress("... mapping file ...", s.FileSize, 0);
        host.SetBusyCursor(true);
        host.DisplayNotice("Creating map file for " + s.ShortName);
        const ScanResult scan = ScanFile(p, host, s);
        if (scan.FoundEnd && s.FileSize > MapFileKeepBytes && name != "skip")
            WriteMapFile(s, host, name, s.MapCount);
        if (!scan.FoundEnd && mayRepairEnd) {
            // No end-of-data records: add them and map the file again.
            if (p.Options.DevelopmentMode)
                host.ShowTimedMessage(Message2s, "Faulty file termination repaired");
            std::vector<std::uint8_t> end(static_cast<std::size_t>(2 * s.RecordLength), 255);
            const std::int64_t before = s.File.Size();
            if (before >= 0 && s.File.WriteAt(before, end.data(), end.size())) {
                const std::int64_t size = s.File.Size();
                if (size >= 0) s.FileSize = size;
                p.Options.Busy = wasBusy;
                return BuildMapRun(p, host, slotIndex, true, false);
            }
            // A full disk may have taken part of the end records: the file is cut back to
            // what it was, and read as it is.
            host.ShowTimedMessage(Message2s, s.File.LastErrorText());
            if (before >= 0) s.File.Truncate(before);
        }
        if (s.Kind == FileKind::KL1 && scan.Clicks >= 1) {
            const auto count = static_cast<std::uint32_t>(scan.Clicks);
            if (count != s.Header.ClickCount()) {
                std::uint8_t bytes[4];
                WriteBE(bytes, 0, 4, count);
                if (s.File.WriteAt(DataFileHeader::ClickCountOffset, bytes, 4))
                    s.Header.SetClickCount(count);
                else
                    host.ShowTimedMessage(Message2s, s.File.LastErrorText());
            }
            s.HeaderClickCount = count;
        }
        scanned = true;
    }

    CheckLastMinute(p, host, s);

    s.MapReady = true;
    p.Options.Busy = wasBusy;
    host.SetBusyCursor(false);
    host.SetProgressBar(false, 0);
    return scanned;
}

} // namespace

std::string MapFileName(const FileSlot& slot) {
    switch (slot.Kind) {
    case FileKind::KL1:
        return WithExtension(slot.FullName, ".k1m");
    case FileKind::KL2:
        return WithExtension(slot.FullName, ".k2m");
    case FileKind::KL3:
        return WithExtension(slot.FullName, ".k3m");
    default:
        return "skip";
    }
}

bool BuildMap(Program& program, Host& host, int slotIndex, bool refresh) {
    return BuildMapRun(program, host, slotIndex, refresh, true);
}

} // namespace kelp
