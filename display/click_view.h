#pragma once
// The click view of the fine time scales (10 us to 100 ms per pixel): every click that
// passes the filters is drawn as its own mark at its time, by the displayed parameter.
// Repeated screens page through the data from the earliest click not yet drawn.
#include <string>

#include "display/display_state.h"

namespace kelp {

// Draws one screen: from the remembered screen start (else from the earliest unread
// record of the slots), one span long; ReadPosition is left at its end and every slot's
// reader at its first record after it (minute markers skipped). A newer drawing request
// ends the screen early (checked every 5,000 clicks); ESC ends the reading early.
void ShowClickSeq(DisplayContext& ctx);

// Clicking the label "Display line width + 0": the marks' extra width steps 0, 1, 2, 3, 0.
void StepLineWidth(DisplayContext& ctx);

// "shade by duration" and "shade by bandwidth": the SPL blocks are darkened by the click's
// cycles or bandwidth. Ticking one while another parameter is shown says that it only
// affects the SPL view.
inline constexpr const char* ShadingOnlySplText = "This only affects click SPL displays";
void SetShadeByDuration(DisplayContext& ctx, bool on);
void SetShadeByBandwidth(DisplayContext& ctx, bool on);

} // namespace kelp
