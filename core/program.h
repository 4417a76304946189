#pragma once
// The program's long-lived state in one object, created once by the app and once
// per test: the three file slots, the program-wide options, the reader's shared
// counters, and the states of the subsystems above core (held by type, so that core
// need not know them).
#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <typeindex>
#include <unordered_map>

#include "core/file_slot.h"
#include "core/time.h"

namespace kelp {

struct ProgramOptions {
    bool DevelopmentMode = false;
    bool ForceDefaults = false;
    bool UseEndpoints = false;      // "use endpoints, if set" and its mirror "use saved endpoints"
    bool RefreshMapFiles = false;   // "refresh map files"
    bool ShowSplAsPa = false;       // "show SPL as Pa"
    bool ShowTimeErrorAsClk = false;
    bool ClickPeaks = false;        // "ClkPk"
    bool BatchRunning = false;
    bool Busy = false;
    bool TimeSelectionSet = false;
};

// What the reader needs to know of the display (kept here so that core does not depend on it).
struct ReaderDisplayLink {
    int TimeScale = 7;           // 0..19; above 10 means bins of minutes
    int MinutesPerBin = 1;
    bool ShowsNoiseParameter = false;
    bool GoOn = false;           // the display's go-on and stop flags, cleared at the end of data
    bool Stop = false;
};

class Program {
public:
    Program();

    // Slots 1..3 (index 0 is unused).
    FileSlot& Slot(int index) { return Fs[static_cast<std::size_t>(index)]; }
    const FileSlot& Slot(int index) const { return Fs[static_cast<std::size_t>(index)]; }
    std::array<FileSlot, SlotCount + 1> Fs;

    ProgramOptions Options;
    ReaderDisplayLink Display;

    // Shared range of the open files.
    MinuteNumber SharedStart = 0;
    MinuteNumber SharedEnd = 999'999'999;
    std::int64_t SharedMinutes() const { return static_cast<std::int64_t>(SharedEnd) - SharedStart + 1; }

    // Clicks delivered since the last minute marker, one count for every slot.
    std::int64_t AcceptedInMinute = 0;
    // "Apply minute limit of": 0 stands for no limit.
    std::int64_t MinuteLimit = INT_MAX;

    // The state of a subsystem above core, made on first use and kept for the program's life.
    template <class T>
    T& State() {
        auto& holder = states_[std::type_index(typeid(T))];
        if (!holder) holder = std::make_shared<T>();
        return *static_cast<T*>(holder.get());
    }

private:
    std::unordered_map<std::type_index, std::shared_ptr<void>> states_;
};

}  // namespace kelp
