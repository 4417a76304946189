#pragma once
// What the window keeps for the whole run besides the operations' states
// (WindowStateOf(program)).
#include <string>
#include <vector>

namespace kelp {

class Program;

struct WindowState {
    // Where the file dialogs start: the data folder, and the folder an SD card is found in.
    std::string DataFolder;
    std::string SDCardFolder;
    // Lines the analysis page's text box starts with.
    std::vector<std::string> AnalysisText;
    // "show pop-up notes quickly": hints appear after 250 ms instead of 1,000 ms.
    bool QuickHints = false;
};

// The window's state of a program, made on first use.
WindowState& WindowStateOf(Program& program);

} // namespace kelp
