#pragma once
// The window's fixed texts: titles, the version label, the welcome lines of the source box,
// the start-up hints on the display's labels and the list of tips the start timer may show.
#include <array>
#include <string>
#include <vector>

#include "kelp_version.h"

namespace kelp {

inline constexpr const char* ApplicationTitle = "KELP";
inline constexpr const char* InitialWindowTitle = "KELP.exe v" KELP_VERSION_TEXT;
inline constexpr const char* VersionLabelText =
    "KELP.exe v" KELP_VERSION_TEXT "         Train detection: 1       Display: 054       3 May 2010";

inline constexpr const char* ProgressLabelWelcome =
    "Current processes and the pointer position are shown in this box";
inline constexpr const char* ShowAsLabelWelcome = "ICI values appear here";
inline constexpr const char* ClickCountLabelWelcome =
    "Number of clicks, after filtering, in Files 1,2,3, if open, is shown here";

// Where comments on the program go (shown in the source box at start and on the "About" page).
inline constexpr const char* FeedbackAddress = "kelp@example.org";

// The source box at start: welcome, what the box is for, a blank line and the feedback request.
std::vector<std::string> WelcomeLines();

// The fixed text lines: a heading and 34 tips on using the program.
inline constexpr int FixedTextLineCount = 35;
const std::array<const char*, FixedTextLineCount>& FixedTextLines();

} // namespace kelp
