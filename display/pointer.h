#pragma once
// The mouse in the display: the drag that zooms to a selection with its yellow line, the
// pointer's time and band read-outs, the double-click's selected y, the interval read-out
// between the last two right-clicks, the time slider and the long bar under it.
#include <string>

#include "core/time.h"
#include "display/command_state.h"
#include "display/display_state.h"

namespace kelp {

// The scale whose resolution fits a selection: the click scale for the ticks per pixel
// needed, or the bin scale for the minutes per bin needed.
int ClickScaleForTicksPerPixel(std::int64_t ticksPerPixel);
int BinScaleForMinutesPerBin(std::int64_t minutesPerBin);

// Zooms to the time between pixels x1 and x2 (x1 left of x2): a selection shorter than
// 100 ms per pixel (or any on the 1-minute scale) gets the click scale that fits it,
// centred on the selection; a longer one the bin scale whose bins cover it.
void ZoomToSelection(DisplayContext& ctx, int x1, int x2);

// The left button went down at (x, y) with files open: a drag starts inside the plot.
void PointerPressed(DisplayContext& ctx, int x, int y);
// The left button came up at (x, y): a drag of more than 10 pixels to the right inside
// the plot zooms to its selection (not on the finest scale); any other release only ends
// the drag. True when it zoomed.
bool PointerReleased(DisplayContext& ctx, int x, int y);

// What a pointer move asks of the window.
enum class PointerMoveResult { Nothing, ShowMenuPages };
// The pointer moved to (x, y): the pointer time and its read-out, the drag's yellow line,
// the name of the file under the pointer in the progress line; with "Click to show menu"
// unticked, the top of the display shows the menu pages once until re-armed.
PointerMoveResult PointerMoved(DisplayContext& ctx, int x, int y);
// The read-out text of the time under pixel x.
std::string PointerTimeText(const DisplayState& state, int x);
// Re-arms the menu pages' auto-show (750 ms after it showed them).
void RearmMenuAutoShow(Program& program);

// A right-click at (x, y): the previous position is kept for the interval read-out. True
// when the pointer menu is to open there.
bool RightClicked(DisplayContext& ctx, int x, int y);
// A double-click: the selected y becomes the pointer's y.
void DoubleClicked(DisplayContext& ctx, int y);

// "   Show interclick interval": the interval and rate between the last two right-clicks
// (click scales) or the end of the bin under the right-click (bin scales), in the
// interval read-out.
void ShowInterclickInterval(DisplayContext& ctx);
std::string InterclickIntervalText(const DisplayState& state, const PointerPosition& current,
                                   const PointerPosition& previous);

// The time slider: where it lies, and the minute its left edge stands for.
bool OnSlider(const DisplayState& state, int x, int y);
bool OnLongBar(const DisplayState& state, int x, int y);
MinuteNumber SliderMinute(const DisplayState& state, const Program& program, int left);
// The slider taken at x: it widens and shows the time at its left edge.
void SliderPressed(DisplayContext& ctx, int x);
// It follows the pointer and shows the time of its left edge.
void SliderDragged(DisplayContext& ctx, int x);
// Let go: the screen is drawn from the minute its left edge stands for.
void SliderReleased(DisplayContext& ctx);
// A click on the long bar left or right of the slider: the data left or right of that x.
void LongBarClicked(DisplayContext& ctx, int x);

} // namespace kelp
