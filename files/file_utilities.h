#pragma once
// The file utilities of the "Metadata" and "Files - View" pages: they work on data files
// as files. A file set is the KL1, KL2 and KL3 files of one base name with their map files.
//
// Every utility acts only on the files it names. A file it makes is written under a
// temporary name and renamed at the end; records appended to a file are cut off again
// when the append fails, so the file is as it was; a rename of several files that fails
// part-way puts the renamed ones back; an existing file is replaced only after asking.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/time.h"

namespace kelp {

class Program;
class Host;

// The name passed to Host::StateChanged when a button caption of these utilities changes.
inline constexpr const char* FileUtilitiesChanged = "file utilities";

// Button captions (they change while an operation runs) and the replace rule.
struct FileUtilityState {
    std::string PasteCaption = "Paste text in File 1 boxes into all open files";
    std::string CopySelectionCaption = "Copy selected time period into new file(s)";
    std::string SameSpanCaption = "Create copies with same time span ";
    std::string AppendCaption = "Append files";
    std::string EditCopiesCaption = "Create 'edit' copies";

    // Decides whether an existing file may be replaced by a copy or a rename. Unset, the
    // host asks ReplaceQuestion; the command line answers from --force instead.
    std::function<bool(const std::string& path)> MayReplace;
};

// The program's file utility state.
FileUtilityState& FileUtilitiesOf(Program& program);

// Captions of the buttons whose text does not change.
inline constexpr const char* RenameFileSetCaption = "Rename file set";
inline constexpr const char* RenameOneFileCaption = "Rename 1 file";
inline constexpr const char* DeleteFileSetCaption = "Delete open files";
inline constexpr const char* ChangeStartTimeCaption = "Change start time";
inline constexpr const char* VerifyOpenFilesCaption = "verify open files";
inline constexpr const char* SpikeCaption = "spike";

// The question asked before an existing file is replaced.
std::string ReplaceQuestion(const std::string& path);

// What an operation did, for the command line and the tests.
struct FilesOutcome {
    // The operation could not do what was asked (refused, cancelled, or a file failed).
    bool Failed = false;
    // Files made or renamed, by their new names, in order.
    std::vector<std::string> Files;
    // Texts of reports shown to the user (the verify results).
    std::vector<std::string> Reports;
};

// "Paste text in File 1 boxes into all open files": the texts and depths of File 1's boxes
// into the header of every open file.
FilesOutcome PasteMetadata(Program& program, Host& host);

// "Rename file set": renames the KL1, KL2 and KL3 files (and their map files) of the
// lowest open file's base name to a chosen base name. All files are closed first.
FilesOutcome RenameFileSet(Program& program, Host& host);

// "Rename 1 file" of the display's pointer menu: renames the file of the slot whose band
// is under the pointer (`slotUnderPointer` 1..3; 0 when over none, meaning slot 1) and
// its map file.
FilesOutcome RenameOneFile(Program& program, Host& host, int slotUnderPointer);

// "Delete open files": after a confirmation, deletes every file of the set of the lowest
// open file.
FilesOutcome DeleteFileSet(Program& program, Host& host);

// "Copy selected time period into new file(s)": the shared range of each open file into a
// new file of the same kind named "<base> PART <duration><extension>". `fromOwnButton`:
// the open dialog then proposes the new file of slot 1.
FilesOutcome CopySelectedPeriod(Program& program, Host& host, bool fromOwnButton = true);

// "Create copies with same time span ": cuts the span of File 1 out of each chosen file.
FilesOutcome CopySameTimeSpan(Program& program, Host& host);

// "Change start time": moves the only open file (slot 1) to start at the start minute of
// the "Read SD" page's start time boxes. `newStart` reads the boxes once the user has said
// they hold the new time; it gives nothing (having said why) when they hold no valid time.
FilesOutcome ChangeStartTime(Program& program, Host& host,
                             const std::function<std::optional<MinuteNumber>()>& newStart);
// The same with the new first minute given.
FilesOutcome ChangeStartTime(Program& program, Host& host, MinuteNumber newFirstMinute);

// "Append files": appends the records of chosen files of the same extension to the only
// open file (slot 1).
FilesOutcome AppendFiles(Program& program, Host& host);

// "Create 'edit' copies": byte copies of chosen KL3 files named "<base> EDIT.KL3".
FilesOutcome CreateEditCopies(Program& program, Host& host);

// "verify open files": reads every open file through the reader and reports its time
// order, minutes, empty minutes and end records.
FilesOutcome VerifyOpenFiles(Program& program, Host& host);

// What the display tells the spike command.
struct SpikeRequest {
    // The slot whose band holds the y of the last double-click (0: none).
    int BandSlot = 0;
    // The minute at which the current screen starts.
    MinuteNumber ScreenStart = 0;
    // Puts the display's read position back and redraws (the display remembers it).
    std::function<void()> RestoreAndRedraw;
};

// "spike" (and Shift + S on the display): appends the selected minutes of an open KL1
// file, or the screen's first minute, to a collection file whose name contains "SPIKE".
FilesOutcome AppendToSpikeFile(Program& program, Host& host, const SpikeRequest& request);

} // namespace kelp
