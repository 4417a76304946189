#pragma once
// Moving through the data: pixel to time, showing the data left or right of a pixel,
// zooming, choosing a scale, fitting the whole range on the screen, and the slider
// that shows where the screen lies in the shared range.
#include "core/time.h"
#include "display/display_state.h"

namespace kelp {

// The time at pixel x of the screen last drawn (x is clamped into the plot). On the
// 1-minute scale a bin holds the duty cycle's minutes of the file opened last.
ClickTime PixelToTime(const DisplayState& state, int x);

enum class ShowAtMode {
    LeftOfPointer = 0,  // the pointer's time becomes the right edge
    RightOfPointer = 1, // the pointer's time becomes the left edge
    ZoomInAround = 2,   // one scale finer, centred on the pointer
    ZoomOutAround = 3,  // one scale coarser, centred on the pointer
    FromReadPosition = 4,
};

// Repositions and draws the next screen (nothing while a long operation runs or with
// no file open).
void ShowAt(DisplayContext& ctx, int x, ShowAtMode mode);

// Sets the time scale (0..19) with what changing between click and bin scales brings
// along, and redraws the axes, the legend, the band titles and the source box. The
// read position stays.
void SetTimeScale(DisplayContext& ctx, int scale);
void ZoomIn(DisplayContext& ctx);
void ZoomOut(DisplayContext& ctx);
// Clicking a scale caption: the new scale, centred on the time at the plot's centre.
void SelectScale(DisplayContext& ctx, int scale);
// "-All-": the first bin scale whose bins cover the shared range, starting at a bin
// boundary at or before the range's start; draws nothing itself.
void ShowAll(DisplayContext& ctx);

// Places the slider over the long grey bar for the screen last drawn.
void UpdateSlider(DisplayContext& ctx);

} // namespace kelp
