#pragma once
// The display's pointer menu (right-click): what its items do on the display and the
// results page. The species edits, "Rename 1 file" and "(identify train)" belong to the
// train and file operations; the window calls them with the band found here.
#include <optional>

#include "core/records.h"
#include "display/display_state.h"

namespace kelp {

// The items, as the menu shows them.
namespace pointer_menu {
inline constexpr const char* DownscaleKl1 = "Downscale KL1 counts";
inline constexpr const char* PutFileName = "   Put file name into results memo";
inline constexpr const char* PutTime = "   Put time into results memo";
inline constexpr const char* PutRawData = "   Put raw data into clipboard";
inline constexpr const char* SelectionStart = "Set selection start";
inline constexpr const char* SelectionEnd = "Set selection end";
inline constexpr const char* ClearSelection = "Clear selection";
inline constexpr const char* CloseThisFile = "Close this file";
inline constexpr const char* ShowInterval = "   Show interclick interval";
inline constexpr const char* RenameOneFile = "Rename 1 file";
inline constexpr const char* CloseMenu = "close this menu";
} // namespace pointer_menu

inline constexpr const char* SelectionBackwardsText =
    "The selection would end before it starts.  No change made";

// The open band whose area (upper line < y < base) holds y, or 0.
int BandHolding(const DisplayState& state, const Program& program, int y);
// The band of the last right-click: strictly inside a band's area, and over the band with
// its title strip (for "Close this file" and the pointer's file).
int BandOfRightClick(DisplayContext& ctx);
int BandUnderRightClick(DisplayContext& ctx);

// "   Put file name into results memo": the name of the file under the right-click.
void PutFileNameIntoResults(DisplayContext& ctx);
// "   Put time into results memo" (and Shift + T with the pointer's x): the click time text
// of pixel x, with the leading apostrophe when times are put for spreadsheets, and two TABs.
void PutTimeIntoResults(DisplayContext& ctx, int x);
// "   Put raw data into clipboard": the screen drawn again listing the clicks of the band
// under the right-click; the list goes to the clipboard.
void PutRawDataIntoClipboard(DisplayContext& ctx);
// "Set selection start" / "Set selection end": the shared range starts (ends) at the minute
// of the right-click, each open file's active range within it, until "Clear selection".
void SetSelectionStart(DisplayContext& ctx);
void SetSelectionEnd(DisplayContext& ctx);
void ClearSelection(DisplayContext& ctx);
// The click of a slot drawn nearest to pixel x on a click scale (within 3 pixels), for
// the species edits and "(identify train)". The slots are positioned again.
std::optional<ClickRecord> ClickUnderPointer(DisplayContext& ctx, int slot, int x);

// "Close this file": closes the file of the band under the right-click. The slot closed, or 0.
int CloseFileUnderPointer(DisplayContext& ctx);

} // namespace kelp
