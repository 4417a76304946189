#pragma once
// Species edits of KL3 trains from the display's pointer menu, and the development
// mode's "(identify train)" request.
#include <cstdint>
#include <string>

#include "core/time.h"

namespace kelp {

class Program;
class Host;
struct ClickRecord;

// Pointer menu items.
inline constexpr const char* RemoveSpeciesCaption = "   Remove species class";
inline constexpr const char* SetDolphinCaption = "   Set species to dolphin";
inline constexpr const char* SetPorpoiseCaption = "   Set species to porpoise";
inline constexpr const char* IdentifyTrainCaption = "   (identify train)";

inline constexpr const char* PointerNotOverKL3Text = "Pointer must be over a KL3 file display area";
inline constexpr const char* EditHeaderLine = "time\tTrain ID\tedit";

namespace changed {
// The development page's train tracking boxes.
inline constexpr const char* TrainTracking = "train tracking";
} // namespace changed

enum class SpeciesEdit { RemoveClass, SetDolphin, SetPorpoise };

// The species class an edit gives (3 unclassed, 1 dolphin, 0 porpoise-like) and the
// words of its results line ("Species set to unknown", ...).
int EditedSpecies(SpeciesEdit edit);
std::string EditText(SpeciesEdit edit);
// A KL3 class byte with its species replaced; the quality bits and bit 7 stay.
std::uint8_t EditedClassByte(std::uint8_t classByte, SpeciesEdit edit);

// Which file the results page's edit lines belong to.
struct SpeciesEditState {
    std::string EditedFile;
};
SpeciesEditState& SpeciesEditStateOf(Program& program);

// Changes the species class of the train of the click at `at` in the file of slot
// 1..3 (0: the pointer is over no file), from that click to the end of its minute,
// in place, and adds a line to the results page. Returns false, changing nothing,
// when the slot holds no KL3 file ("Pointer must be over a KL3 file display area"),
// when there is no train click at that time, or when the file could not be read or
// written (the system's error text).
bool EditTrainSpecies(Program& program, Host& host, int slotIndex, const ClickTime& at, SpeciesEdit edit);

// The development page's tracking boxes for the diagnostic tracing of one train
// ("TrackTrN", "TrackN", "TrackStart"), and the one-shot request of "(identify train)".
struct TrainTracking {
    bool TrackTrN = false;
    std::string TrackN = "0";
    std::string TrackStart = "0";
    bool IdentifyRequested = false;
};

TrainTracking& TrainTrackingOf(Program& program);

// "(identify train)": in development mode, asks the next redraw to identify the train of
// the click under the pointer. Does nothing otherwise (returns false).
bool RequestIdentifyTrain(Program& program);

// Called by the redraw when it draws the click under the pointer: when identification was
// asked for, the click's train slot and time in ticks go into the tracking boxes, the
// tracking box is ticked and the request is used up. Returns true when it did so.
bool IdentifyTrainIfRequested(Program& program, Host& host, const ClickRecord& click);

} // namespace kelp
