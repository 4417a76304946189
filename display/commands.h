#pragma once
// The display's buttons and the commands with logic of their own: start, go on, back,
// refresh, the last screen, fast forward and stop, the "KL1/" divisor label, stepping
// through kHz bands, sounds, the black-on-white screen capture and "go" to a typed time.
#include <optional>
#include <string>

#include "core/time.h"
#include "display/display_state.h"

namespace kelp {

// The menu pages give way to the display (they are hidden).
void HideMenuPages(DisplayContext& ctx);
// True while an open slot still has data to read.
bool AnySlotHasData(const Program& program);

// "refresh" (F12 with the axes redrawn): the screen in view drawn again from its start, or
// with no file open the plot filled with the window's face colour.
void RefreshDisplay(DisplayContext& ctx, bool redrawAxes);
// The next screen from ReadPosition: bins, or on the click scales the seek and then clicks.
void DrawNextScreen(DisplayContext& ctx);
// "I>" (Home) with files open: the first screen of the shared range.
void StartButton(DisplayContext& ctx);
// ">" (F1): the next screen; the comparison of KL3 files repeats it while the files agree.
void GoOnButton(DisplayContext& ctx);
// "<" (Shift + F1): the previous screen.
void BackButton(DisplayContext& ctx);
// End: the last screen of the shared range.
void LastScreen(DisplayContext& ctx);
// Shift + C: the comparison of KL3 files, when at least two are open.
void CompareKl3Files(DisplayContext& ctx);

// ">>": the first press starts fast forward with a pause of 2,048 ms between screens; each
// further press while it runs halves the pause. It runs until the data ends, ESC or "||".
inline constexpr int FastForwardFirstDelayMs = 2'048;
void FastForwardButton(DisplayContext& ctx);
std::string FastForwardDelayText(int delayMs);
// "||": ends fast forward, the drawing in progress and any sound; long operations are
// asked to stop (the window sets its own stop flag too).
void StopButton(DisplayContext& ctx);
// "Stop data transfer": the drawing in progress ends.
void StopDataTransfer(DisplayContext& ctx);

// The "KL1/" divisor label: a click fits the divisor to the largest bin count of the last
// screen ("KL1/*"); a double-click puts "20" back. "Downscale KL1 counts" multiplies it by 5.
void Kl1DivisorLabelClicked(DisplayContext& ctx);
void Kl1DivisorLabelDoubleClicked(DisplayContext& ctx);
void DownscaleKl1Counts(DisplayContext& ctx);

// Stepping through kHz bands (Shift + F): the kHz filter shows 0..40 kHz, then each F the
// next band up to 121..255; after the last band, or on ESC, the filter, the ignore switch
// and the window title are as they were.
inline constexpr const char* KHzStepsTitleSuffix = "    Press F to step thro' kHz bands";
inline constexpr int KHzBandCount = 6;
void StartKHzSteps(DisplayContext& ctx);
void StepKHzBand(DisplayContext& ctx);
void EndKHzSteps(DisplayContext& ctx);

// "sound": the screen drawn again with the clicks of one file sounding.
inline constexpr const char* SoundsNeedClickScaleText =
    "Sounds can only be played from high resolution displays.  Zoom in and try again";
inline constexpr const char* SoundFileSelectionFailedText =
    "File selection failed. Try right-clicking twice in display area of the file you want to hear before "
    "clicking Sounds.";
void SoundButton(DisplayContext& ctx);

// Shift + G: the display drawn black on white (without the centre mark), copied from the
// plot's frame to beyond the value and time labels, then drawn as before. The window puts
// the image on the clipboard.
CanvasImage CaptureScreen(DisplayContext& ctx);

// "go": the screen around a typed time "dd/mm/yyyy hh:mm:ss.ffffff" (seconds and fraction
// may be left out). The typed time lies at the centre mark of the screen.
inline constexpr const char* GoNeedsFile1Text = "File 1 must be open... then try again";
inline constexpr const char* GoFormatErrorText =
    "Format error. Try dragging the slider on the bar above the display, and then zooming in";
inline constexpr const char* GoOutOfRangeText = " Time not within range currently in use";
enum class GoResult {
    Shown,       // the screen was drawn
    ClearEntry,  // file 1 is not open: the entry is cleared
    FormatError, // the text is no date and time
    TooEarly,    // before 1995: ignored without a message
    OutOfRange,  // outside the shared range
};
std::optional<ClickTime> ParseGoToTime(const std::string& text);
GoResult GoToTime(DisplayContext& ctx, const std::string& text);

} // namespace kelp
