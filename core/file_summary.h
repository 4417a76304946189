#pragma once
// The two summary texts of an open file: "Session" (what was recorded, when, how much)
// and "Settings" (how the logger was set).
#include <string>
#include <vector>

namespace kelp {

class Program;
struct FileSlot;

std::vector<std::string> SessionLines(const Program& program, const FileSlot& slot);
std::vector<std::string> SettingsLines(const Program& program, const FileSlot& slot);

// The high-pass filter of the logger in kHz from the settings area's filter code
// (80, 40, 20 or 10), or 0 when the code is none of these.
int FilterkHzOf(const FileSlot& slot);

} // namespace kelp
