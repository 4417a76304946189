#pragma once
// The output files being written under a temporary name right now. A run that the user
// ends at once (Ctrl+C on the command line) removes them before it exits, so that no
// half-written file is left behind.
#include <string>
#include <vector>

namespace kelp {

// Notes that `temporaryPath` is being written and will become `finalPath` when done.
// False when new output files are refused because the run is ending.
bool NoteUnfinishedFile(const std::string& temporaryPath, const std::string& finalPath);
// The file was finished (renamed) or removed by its writer.
void ForgetUnfinishedFile(const std::string& temporaryPath);
// The final names of the files unfinished now.
std::vector<std::string> UnfinishedFileNames();
// Removes every unfinished file and refuses new ones from now on; returns the final names
// of the files removed. Waits first until the changes in progress (FileChangeScope) of
// other threads are done.
std::vector<std::string> RemoveUnfinishedFiles();

// A file the user already has is being changed in place (records appended over its end, a
// file set renamed), in steps that are undone when one fails. While a scope lives, a run
// ended at once waits for it, so that the file is left changed or as it was, never half
// changed. Once the run is ending, a new scope never starts: its thread waits for the end.
class FileChangeScope {
public:
    FileChangeScope();
    ~FileChangeScope();
    FileChangeScope(const FileChangeScope&) = delete;
    FileChangeScope& operator=(const FileChangeScope&) = delete;
};

// This thread is inside a FileChangeScope.
bool FileChangeInProgressHere();

} // namespace kelp
