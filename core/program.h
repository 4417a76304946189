#pragma once
// The program's long-lived state in one object, created once by the app and once
// per test: the three file slots, the program-wide options, the reader's shared
// counters, and the states of the subsystems above core (held by type, so that core
// need not know them).
#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <typeindex>
#include <unordered_map>
#include <vector>

#include "core/file_slot.h"
#include "core/filter_settings.h"
#include "core/time.h"
#include "kelp_version.h"

namespace kelp {

struct ProgramOptions {
    bool DevelopmentMode = false;
    bool ForceDefaults = false;
    bool UseEndpoints = false;    // "use endpoints, if set" and its mirror "use saved endpoints"
    bool RefreshMapFiles = false; // "refresh map files"
    bool ShowSplAsPa = false;     // "show SPL as Pa"
    bool ShowTimeErrorAsClk = false;
    bool ClickPeaks = false; // "ClkPk"
    bool BatchRunning = false;
    bool Busy = false;
    bool TimeSelectionSet = false;
    bool ApostropheBeforeTimes = false; // "put  '   in front of date.times": times listed for spreadsheets
};

// What the data-file side needs to know of the display, and the display's hooks (kept
// here so that core does not depend on the display).
// Threads and ownership: part of its Program, used only by the thread that uses the Program.
// The display installs the hooks (DisplayHooks) and removes them when it goes; they capture
// the program, canvas and host they were made with, and the reader calls them on that same
// thread. The Program of a batch worker has no hooks.
struct ReaderDisplayLink {
    int TimeScale = 7; // 0..19; above 10 means bins of minutes
    int MinutesPerBin = 1;
    bool ShowsNoiseParameter = false;
    bool GoOn = false; // the display's go-on and stop flags, cleared at the end of data
    bool Stop = false;

    int Parameter = 3;              // the display parameter 0..9 (3: SPL); names line 1 of the source box
    bool FastForwardReplay = false; // the source box is left alone while the display replays
    bool AverageSpl = false;        // "av SPL" (development mode): line 1 shows the mean SPL figures
    int MinutesPerMarker = 1;       // set from the file opened last
    ClickTime ReadPosition{0, 0};   // set to the start of the only open file when it opens
    int TimeSliderWidth = 0;        // 0 when no file is open
    std::string MinimumClicksPerScreen = "1"; // set to "2" when a file set brings a KL3 file
    std::string TitleLabel;                   // the display's title label, set with the source box

    // Called when a slot is positioned: the display clears its per-slot accumulators.
    std::function<void(int slot)> OnSlotPositioned;
    // Called after files are opened or closed: the display sets itself up again, or clears
    // itself when no file is open.
    std::function<void()> OnFilesChanged;
    // The mean SPL line shown instead of line 1 of the source box while "av SPL" is ticked.
    std::function<std::string()> AverageSplText;
};

// A slot's seek box ("seek" tick box beside each file band).
struct SeekBox {
    bool Enabled = false;
    bool Ticked = false;
};

class Program {
public:
    Program();

    // Number of open slots.
    int OpenCount() const;
    // The lowest open slot, or 0.
    int LowestOpenSlot() const;

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
    std::string MinuteLimitLabel = "0";

    // The filters every reader applies.
    ClickFilter Clicks;
    TrainFilter Trains;
    IciFilter Ici;
    std::string ClickFilterText; // "" or "Click filter: ..."
    std::string TrainFilterText; // "" or "Quality: ...", "Species: ..."

    // The registered gain of a logger number (0: none registered); installed by the
    // settings side. Without it no gain warning is given.
    std::function<int(int loggerNumber)> RegisteredGain;

    // Texts and states of the main window that the data-file operations set.
    std::string WindowTitle = "KELP.exe v" KELP_VERSION_TEXT;
    std::string OpenButtonCaption = "Open up to 3 files";
    bool OpenButtonEnabled = true;
    // "Close all files", "save endpoints", "delete saved endpoints", "Paste text in File 1 boxes
    // into all open files" and "Copy selected time period into new file(s)".
    bool FileCommandsEnabled = false;
    std::string RangeLabel = "Range";
    std::string FromLabel = "From:";
    std::string ToLabel = "To:";
    std::string ProgressLabel;
    std::string DataPositionLabel;
    std::string ShowAsLabel;
    std::string ClickCountLabel;
    std::vector<std::string> SourceBox; // the display's source box, one line per line
    std::string ExportClickFilterLabel; // the export page's two filter labels
    std::string ExportTrainFilterLabel;
    std::string SaveEndpointsLabel = "save endpoints";
    std::string DeleteEndpointsLabel = "delete saved endpoints";
    std::array<SeekBox, SlotCount + 1> Seek{};
    // Set by the open dialogs: the initial name offered next.
    std::string OpenDialogInitialName;

    // The state of a subsystem above core, made on first use and kept for the program's life.
    // Threads and ownership: the Program owns every state, and a reference stays valid as long
    // as the Program. Nothing is synchronised: a Program and its states are used by one thread
    // at a time, and a batch gives each worker thread a Program of its own with the settings it
    // needs copied in. Each state has one accessor beside its type (TdaSettingsOf,
    // DisplayStateOf, SettingsPageOf, ...); code calls that, not State<T>() itself.
    template <class T> T& State() {
        auto& holder = states_[std::type_index(typeid(T))];
        if (!holder) holder = std::make_shared<T>();
        return *static_cast<T*>(holder.get());
    }

private:
    std::unordered_map<std::type_index, std::shared_ptr<void>> states_;
};

} // namespace kelp
