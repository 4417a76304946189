#pragma once
// The seek of the click scales: before the next screen is drawn, the screens of one file
// that hold too few clicks (or, with the ICI filter, no train interval in its range) are
// passed over, so that paging lands on screens worth looking at. Its controls: the minimum
// number of clicks per screen, the seek file boxes "1", "2", "3", the quality option of the
// "Seek   in file" label and the up and down buttons.
#include <string>

#include "display/display_state.h"

namespace kelp {

inline constexpr const char* SeekCaption = "Seek   in file";
inline constexpr const char* SeekCetAllCaption = "Seek CetAll in";

// The caption of the seek label for its quality option.
std::string SeekLabelCaption(Program& program);
// Clicking the seek label: only trains of class Mod and Hi count (or all clicks again).
void ToggleSeekQuality(DisplayContext& ctx);

// The minimum number of clicks per screen as its box holds it (0 when it is no number).
long SeekMinimumClicks(const Program& program);
// The slot whose seek box is ticked, or 0.
int SeekSlot(const Program& program);
// Ticking a seek box unticks the other two and makes the minimum at least 2; unticking it
// leaves the seek off.
void SetSeekBox(DisplayContext& ctx, int slot, bool ticked);
// The seek's "up" and "down" buttons: with no box ticked the first open KL3 file's box is
// ticked (else the first open file's); then the minimum is doubled or halved.
void SeekUp(DisplayContext& ctx);
void SeekDown(DisplayContext& ctx);

// Looks for the next screen to draw. True when it is to be drawn: at once with a minimum
// of 1 or no seek box ticked; otherwise once a screen of the seek file holds more clicks
// than the minimum (of KL3 files those above the quality limit), or has a train interval
// in the ICI filter's range, or the search stopped (ESC, past the shared range) while the
// file still has data. The screen's start is then remembered and the slots positioned
// there. False, with "End of data in File " + n in the progress line, when the file ran out.
bool SeekNextScreen(DisplayContext& ctx);

} // namespace kelp
