#pragma once
// The program's command line. Arguments that are not options are joined with single
// blanks into the name the open dialog proposes. The options open files at start, or save
// pictures of the pages and quit.
#include <string>
#include <vector>

namespace kelp {

struct CommandLine {
    std::vector<std::string> OpenFiles; // --open FILE...: opened into slots 1, 2, 3 at start
    bool Screenshot = false;            // --screenshot DIR: save the pages as PNG files and quit
    std::string ScreenshotFolder;
    std::vector<std::string> Pages; // --page NAME...: the pages to save (default: all)
    int Width = 0;                  // --size WxH: the window's size (0: as the screen allows)
    int Height = 0;
    bool Help = false;
    std::vector<std::string> Arguments; // everything else, in order
    std::string Error;                  // not empty when the command line was not understood

    // The open dialog's initial name: the other arguments joined by single blanks.
    std::string OpenDialogName() const;
};

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// What "kelp --help" prints.
std::string CommandLineHelp();

} // namespace kelp
