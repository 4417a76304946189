#pragma once
// The display's keys, acted on when a key is let go: paging, zooming around the pointer,
// the parameter and scale keys F1..F12 and a few Shift + letter commands. While the menu
// pages show only F1..F12 act (and hide them first); with the pointer below the top of the
// source box no key acts, so that typing there moves nothing.
#include <string>
#include <vector>

#include "display/display_state.h"

namespace kelp {

enum class DisplayKey {
    Escape,
    End,
    Home,
    Left,
    Right,
    Down,
    Up,
    C,
    F,
    G,
    S,
    T,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12,
};

// What the window does after a key: the display has done everything itself, or the
// window shows the results page, puts the screen capture on the clipboard, or appends
// the selection to a spike file.
enum class KeyAction { Ignored, Done, ShowResultsPage, CaptureScreen, AppendToSpikeFile };

// A key let go with the pointer at (pointerX, pointerY) in the display.
KeyAction DisplayKeyReleased(DisplayContext& ctx, DisplayKey key, bool shift, int pointerX, int pointerY);

// The keys as the menu pages list them.
const std::vector<std::string>& DisplayKeyHelpLines();

} // namespace kelp
