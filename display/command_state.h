#pragma once
// What the display's commands keep between one event and the next: the drag in the plot,
// the slider being dragged, the right-click positions, the seek's quality option, fast
// forward, the steps through kHz bands and the menu pages' auto-show. It lives in Program
// (DisplayCommandsOf(program)).
#include <string>

namespace kelp {

class Program;

struct PointerPosition {
    int X = 0;
    int Y = 0;
};

// Fast forward (">>"): screens follow one another with a pause between them.
struct FastForwardState {
    bool Running = false;
    int DelayMs = 0;
};

// Stepping through kHz bands (Shift + F): what is put back at the end.
struct KHzSteps {
    bool Active = false;
    int Band = 0; // the band shown, 0 .. KHzBandCount - 1
    std::string SavedMinimum;
    std::string SavedMaximum;
    std::string SavedTitle;
    bool IgnoreWasTicked = false;
};

struct DisplayCommands {
    // The drag in the plot: its start x (0 when there is none).
    int DragStartX = 0;
    // The slider is being dragged; the pointer took it this far right of its left edge.
    bool SliderDragging = false;
    int SliderGrip = 0;
    // The last two right-clicks in the display (the pointer menu and the interval read-out).
    PointerPosition RightClick;
    PointerPosition PreviousRightClick;
    // "Seek   in file" or, with the quality option, "Seek CetAll in".
    bool SeekCetAll = false;
    FastForwardState FastForward;
    KHzSteps Steps;
    // ESC, F and the stop button ask the running command to stop.
    bool StopRequest = false;
    // "Click to show menu" (ticked: the menu pages show only when their tab is clicked);
    // unticked, moving into the top of the display shows them once until re-armed.
    bool ClickToShowMenu = true;
    bool MenuAutoShowArmed = true;
};

DisplayCommands& DisplayCommandsOf(Program& program);

} // namespace kelp
