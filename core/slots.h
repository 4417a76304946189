#pragma once
// Opening data files into the three slots, closing them, the shared time range of the
// open files and the per-file information the window shows.
#include <string>
#include <vector>

namespace kelp {

class Program;
class Host;

// Names passed to Host::StateChanged by the data-file operations.
namespace changed {
inline constexpr const char* Slots = "slots";        // a slot opened or closed; window title, open button
inline constexpr const char* FileInfo = "file info"; // range labels and per-file boxes
inline constexpr const char* SourceBox =
    "source box";                                     // source box, display title label, export filter labels
inline constexpr const char* Filters = "filters";     // filter settings and their texts
inline constexpr const char* Endpoints = "endpoints"; // endpoint options and command labels
inline constexpr const char* ShowFilesPage = "show files page";
inline constexpr const char* MinuteLimit = "minute limit";
} // namespace changed

// Opens a KL1, KL2 or KL3 file into slot 1..3 with every check, repair and message of
// opening; false when the file was not opened (the slot is then reset, unless it
// already held another file).
bool OpenDataFile(Program& program, Host& host, const std::string& name, int slotIndex);

// Closes the slot's file and resets the slot.
void CloseDataFile(Program& program, Host& host, int slotIndex);
// "Close all files": slots 1, 2, 3 in turn.
void CloseAllFiles(Program& program, Host& host);

// "Open up to 3 files": the open dialog, then each chosen name into the lowest free slot.
void OpenFiles(Program& program, Host& host);
// Opens the chosen names as "Open up to 3 files" does after its dialog.
void OpenChosenFiles(Program& program, Host& host, const std::vector<std::string>& names);
// "Open file set": closes all files and opens the KL1 (and in development mode KL2)
// and KL3 files of the chosen name.
void OpenFileSet(Program& program, Host& host);
void OpenChosenFileSet(Program& program, Host& host, const std::string& name);

// Recomputes the shared range of the open files; refused (false, with a message) while a
// time selection is set.
bool ComputeSharedRange(Program& program, Host& host);

// Refreshes the range labels and the per-file boxes.
void ShowFileInfo(Program& program, Host& host);

// The open button's caption for a number of open files, as opening sets it and as
// closing sets it ("Open 1 to 3 files" after opening; "Open up to 3 files" after closing).
std::string OpenCaptionAfterOpening(int openCount);
std::string OpenCaptionAfterClosing(int openCount);

} // namespace kelp
