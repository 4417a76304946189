#pragma once
// "Mark landmark sequences": searches every open KL3 file for landmark sequences and
// writes each minute's mark into byte 18 of its minute marker, in place.
#include <string>

namespace kelp {

class Program;
class Host;

inline constexpr const char* MarkLandmarksCaption = "Mark landmark sequences";
inline constexpr const char* NoKL3FilesOpenText = "None of the open files are KL3 files";

namespace changed {
inline constexpr const char* LandmarkButton = "landmark button"; // the button's caption
// The files' contents changed under the display: it draws its screen again.
inline constexpr const char* DisplayRefresh = "display refresh";
} // namespace changed

// What the "Trains" page shows of the marking.
struct LandmarkState {
    std::string ButtonCaption = MarkLandmarksCaption;
};

LandmarkState& LandmarkStateOf(Program& program);

// The button's caption while slot 1..3 is searched: " ... searching File1...".
std::string SearchingCaption(int slot);

// Marks every open KL3 file (slots 1 to 3). Returns false with the message
// "None of the open files are KL3 files" when there is none, and false when a file
// could not be read to its end or its marks could not be written (with the system's
// error text); the other files are still marked.
bool MarkLandmarkSequences(Program& program, Host& host);

} // namespace kelp
