#pragma once
// How the display meets the data-file side: it follows files being opened and closed,
// rebuilds the source box, and supplies the mean SPL line of "av SPL".
#include "display/display_state.h"

namespace kelp {

// Files were opened or closed: the display takes the duty cycle of the file opened
// last and, when the first file has just opened, the read position at its start; then
// its geometry is set up again, or the plot cleared when no file is left.
void FilesChanged(DisplayContext& ctx);

// Rebuilds the source box and the display's title label for the current scale and
// parameter.
void RefreshDisplaySourceBox(DisplayContext& ctx);

// Installs the display's answers to the data-file side's calls (files changed, a slot
// positioned, the mean SPL line) for as long as it lives. The canvas and host must outlive it.
class DisplayHooks {
public:
    DisplayHooks(Program& program, Canvas& canvas, Host& host);
    ~DisplayHooks();
    DisplayHooks(const DisplayHooks&) = delete;
    DisplayHooks& operator=(const DisplayHooks&) = delete;

private:
    Program& program_;
};

} // namespace kelp
