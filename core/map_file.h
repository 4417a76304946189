#pragma once
// Minute maps: the byte position of every minute marker of a data file, so that a
// minute can be reached with one seek. Large files keep their map beside them in a
// map file (".k1m", ".k2m", ".k3m": little-endian 64-bit positions, no header).
#include <cstdint>
#include <string>

namespace kelp {

class Program;
class Host;
struct FileSlot;

// The hint of the option "refresh map files".
inline constexpr const char* RefreshMapFilesHint =
    "If KL1 and KL3 files do not match check this box and re-open the file set";

// Files up to this size are scanned anew each time; larger ones keep a map file.
inline constexpr std::int64_t MapFileKeepBytes = 12'000'000;

// The map file's name for a data file: its extension replaced by ".k1m", ".k2m" or
// ".k3m"; "skip" (never written) for any other kind.
std::string MapFileName(const FileSlot& slot);

// Builds the slot's map: loads the map file when there is one and `refresh` is off,
// otherwise scans the file, repairing a missing first marker or end of data, counting
// the clicks of KL1 files and writing a map file for large files. Then corrects a
// last minute that disagrees with the markers. Returns true when a scan was completed.
bool BuildMap(Program& program, Host& host, int slotIndex, bool refresh);

} // namespace kelp
