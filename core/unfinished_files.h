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
// Removes every unfinished file and refuses new ones from now on; returns the final names
// of the files removed.
std::vector<std::string> RemoveUnfinishedFiles();

} // namespace kelp
