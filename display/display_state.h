#pragma once
// The display's state for the whole run: the time scale and displayed parameter, the
// window's position in the data, the vertical scales, the geometry of the drawing area
// and of the file bands, and the texts of the display's own controls (legend strip,
// slider, start and end labels). It lives in Program (DisplayStateOf(program)).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/file_slot.h"
#include "core/time.h"
#include "display/canvas.h"
#include "display/time_scales.h"

namespace kelp {

class Program;
class Host;

// What each band shows.
namespace param {
inline constexpr int Frequency = 0; // kHz
inline constexpr int Cycles = 1;    // duration in cycles
inline constexpr int Bandwidth = 2;
inline constexpr int Spl = 3; // sound pressure level
inline constexpr int Envelope = 4;
inline constexpr int Ici = 5;       // inter-click interval
inline constexpr int ClickRate = 6; // clicks per second
inline constexpr int Quality = 7;   // train quality class
inline constexpr int Species = 8;   // species class
inline constexpr int Noise = 9;     // SPL centiles
inline constexpr int Count = 10;
} // namespace param

inline constexpr int DisplayTop = 86;
inline constexpr int PlotLeft = 18;
// The area below the plot: time labels, the source box and the status labels.
inline constexpr int BottomMargin = 120;
inline constexpr int DefaultClientWidth = 1200;
inline constexpr int DefaultClientHeight = 800;
// The top of the slider strip; the margins beside the plot are cleared from here down.
inline constexpr int SliderTop = 63;
inline constexpr int SliderStripBottom = 86;
inline constexpr int SliderMinimumWidth = 8;
inline constexpr double MinimumYScale = 0.05;

// Where a file's band lies. Values rise upwards from the base line.
struct BandGeometry {
    int Base = 0;                // the band's bottom line
    int TitleY = 0;              // the rotated title starts here
    int UpperLine = 0;           // base - band height + 24
    int TemperatureZeroLine = 0; // upper line + 146
    int AngleLine = 0;           // upper line - 15
    int LandmarkLine = 0;        // upper line + 16
};

// One of the seven labels on the black legend strip above the plot.
struct LegendLabel {
    std::string Text;
    Colour FontColour = ColourWhite;
    bool Visible = false;
};
inline constexpr int LegendLabelCount = 7;
inline constexpr std::array<int, LegendLabelCount> LegendLabelX = {220, 284, 348, 412, 475, 538, 600};
inline constexpr int LegendStripY = 12;

// The settings on the menu pages that the display reads, as their boxes hold them.
struct DisplaySettings {
    std::string YScaleText = "2.0";    // "Y scale"
    std::string Kl1DivisorText = "40"; // the "KL1/" divisor
    std::string Kl1DivisorCaption = "KL1/";
    bool Angle = true;                   // "angle": tilt marks above each band
    bool Temperature = false;            // "temperature"
    bool ExtendTemperatureScale = false; // "extend temperature scale"
    bool WhiteScreen = false;            // "white screen"
    bool BlackLines = false;             // "black lines"
    bool AsDistance = false;             // "as distance sound travels in water" (else "as times")
    bool ShowLandmarks = false;          // "show landmark sequences"
    std::string TidalOffsetText = "0";   // "tidal offset - mins"
    int TidalOffset = 0;                 // the last offset that parsed
    bool SonarRisk = false;              // "sonar risk": not enabled yet, draws nothing
    // The click views.
    bool ShowEndkHz = false;               // "show end kHz"
    bool ShadeByDuration = false;          // "shade by duration"
    bool ShadeByBandwidth = false;         // "shade by bandwidth"
    bool WhiteVirtualIciLines = false;     // "white virtual ICI lines"
    bool PutLineValuesInResults = false;   // "put line values in Results"; unticked after each screen
    bool GraphClickRate = false;           // "graph click rate"
    bool IncludeFileNameInRawData = false; // "Include file name in raw data"
    // Extra width of the click marks, 0..3, stepped by clicking its label.
    int LineWidthExtra = 0;
    std::string LineWidthLabel = "Display line width + 0";
    // The amplitude filter's caption follows "show SPL as Pa".
    std::string AmplitudeFilterCaption = "raw SPL";
};

// The mean SPL figures that "av SPL" shows in place of the source box's first line.
// The click display offers it every click it draws.
struct AverageSplTracker {
    std::int64_t Sum = 0;
    std::int64_t Count = 0;
    int Min = 0;
    int Max = 0;
    int FilterMinimum = 0; // the SPL filter's minimum
    int Threshold = 0;
    bool HasPrevious = false;
    ClickTime Previous;

    // Starts again from the SPL filter's minimum.
    void Reset(int filterMinimum);
    // A click after the pointer time is tracked when its SPL is above the running
    // threshold and the filter minimum, below 255, and it comes at least 400 ticks after
    // the previous tracked click; the threshold then becomes three quarters of its SPL.
    void Offer(const ClickTime& time, int spl, const ClickTime& pointer);
    // "mean   count  min%" as the source box shows it, e.g. "83.3   3  50%".
    std::string Text() const;
};

// What a band's bin view keeps from one screen to the next: the ends of its lines.
struct BandLevels {
    int ClickRate = 0;    // the click-rate line (and the noise view's total line), pixels above the base
    int TemperatureY = 0; // y of the temperature line, 0 before the first point
    // The noise view's six centile lines, pixels above the base; -1 where there is none.
    std::array<int, 6> Centiles{-1, -1, -1, -1, -1, -1};
};

// The counts of the bin being read in one band. A positioning of the slot clears them.
struct BinReading {
    std::array<std::int64_t, 257> Counts{}; // the histogram, cleared at each bin
    std::int64_t Clicks = 0;                // N
    std::int64_t SinceMarker = 0;           // clicks since the last minute marker
    std::int64_t MinutesWithData = 0;       // M
    int Carry = 0;                          // a logged minute carried into the next bin
    std::int64_t AngleSum = 0;
    std::int64_t TemperatureSum = 0;
    std::int64_t Markers = 0;
    // Set when the slot was positioned: the next bin takes its carry from the marker the
    // positioning read.
    bool Positioned = false;

    void StartBin() {
        Counts.fill(0);
        Clicks = 0;
        MinutesWithData = 0;
        AngleSum = 0;
        TemperatureSum = 0;
        Markers = 0;
    }
};

// The research aids of the click views that commands switch on for a screen or more.
struct ClickViewAids {
    // Sound mode: the slot whose clicks sound (0: off). With a recording set the sound is
    // appended to it as 8-bit samples at 44,100 per second instead of being played.
    int SoundSlot = 0;
    std::vector<std::uint8_t>* SoundRecording = nullptr;
    // Raw data capture: the slot whose clicks are listed (0: off), and the list.
    int RawCaptureSlot = 0;
    std::vector<std::string> RawCapture;
    // The comparison of KL3 files (Shift + C).
    bool CompareKl3 = false;
};

struct DisplayState {
    int TimeScale = DefaultTimeScale;  // 0..19
    int DisplayParameter = param::Spl; // 0..9
    std::int32_t TicksPerPixel = 2'000;
    std::int32_t MinutesPerBin = 1;
    ClickTime Span{0, 0}; // minutes and ticks of one screen
    ClickTime HalfSpan{0, 0};
    // The screen drawn next starts here; after a draw the screen shows [ReadPosition - span, ReadPosition].
    ClickTime ReadPosition{0, 0};
    // The start of the last screen, when the click display or the seek remembered it.
    bool HasLastScreenStart = false;
    ClickTime LastScreenStart{0, 0};

    double YScale = 2.0;
    double ClickRateScale = 2.0;
    double IciScale = 2.0;
    int Kl1Divisor = 40;
    int YLabelStep = 10;
    // The duty cycle of the file opened last (opening a file sets it); the pointer on
    // the 1-minute scale moves by this many minutes per bin.
    int MinutesPerMarker = 1;

    // Geometry of the client area.
    int ClientWidth = DefaultClientWidth;
    int ClientHeight = DefaultClientHeight;
    int Top = DisplayTop;
    int Bottom = 0;
    int Right = 0;
    int PlotWidth = 0;
    int Bins = 0;
    int BandHeight = 0;
    int OpenBands = 0;                               // open files when the geometry was last computed
    std::array<BandGeometry, SlotCount + 1> Bands{}; // by slot 1..3
    // The parameter each band draws: KL1 and KL2 files have no trains, so they show
    // cycles instead of ICI and species, and kHz instead of click rate and quality.
    std::array<int, SlotCount + 1> SlotParameter{param::Spl, param::Spl, param::Spl, param::Spl};
    // A y that commands use to pick a band; a double-click sets it.
    int SelectedY = 0;

    // The display's own controls.
    std::array<LegendLabel, LegendLabelCount> Legend{};
    bool MenuPagesVisible = false;
    bool SeekEnabled = true;           // the "Seek   in file" controls
    bool EnvelopeChoiceEnabled = true; // the envelope caption
    bool NoiseChoiceEnabled = false;   // the noise caption
    bool CapturingScreen = false;      // a screen capture hides the centre mark
    int SliderLeft = PlotLeft;
    int SliderWidth = SliderMinimumWidth;
    std::string SliderCaption;     // the time at the slider's left edge while it is dragged
    std::string StartLabel;        // the time at the screen's left edge
    std::string EndLabel;          // the time at its right edge
    std::string ReadPositionLabel; // the minute number of ReadPosition

    DisplaySettings Settings;
    AverageSplTracker AverageSpl;
    // The time under the pointer (pointer moves in the plot set it).
    ClickTime PointerTime{0, 0};

    // What the views keep per band (slots 1..3) between screens.
    std::array<BandLevels, SlotCount + 1> Levels{};
    std::array<BinReading, SlotCount + 1> Reading{};
    std::array<std::int64_t, SlotCount + 1> ClicksShown{};
    std::array<int, SlotCount + 1> LastX{}; // the click view's last drawn x per slot
    // The largest count of one value in one bin of the last bin screen (the automatic
    // "KL1/" divisor reads it); each screen starts it at 100.
    std::int64_t LargestBinCount = 100;
    ClickViewAids Aids;

    // Every drawing and every request for a new one counts up; a screen being drawn
    // stops when the count moved on (a newer drawing was asked for).
    std::uint64_t DrawingRequests = 0;
    bool Drawing = false;
};

// What a display operation works with: the program (slots, shared range, options),
// the surface it draws on, the host that talks to the person, and the display state.
struct DisplayContext {
    DisplayContext(Program& program, Canvas& canvas, Host& host);
    Program& program;
    Canvas& canvas;
    Host& host;
    DisplayState& state;
};

// Names passed to Host::StateChanged when the display's controls change.
namespace display_changed {
inline constexpr const char* Legend = "display legend";
inline constexpr const char* Captions = "display captions"; // scale and parameter captions, resolution label
inline constexpr const char* YScale = "display y scale";    // the "Y scale" and divisor boxes
inline constexpr const char* Slider = "display slider";
inline constexpr const char* MenuPages = "display menu pages";
inline constexpr const char* Labels = "display labels"; // start, end and read position labels
inline constexpr const char* Seek = "display seek";     // the seek controls
} // namespace display_changed

// The display state of a program, made on first use.
DisplayState& DisplayStateOf(Program& program);

// Number of open slots and whether a slot is open.
int OpenBandCount(const Program& program);
bool SlotIsOpen(const Program& program, int slot);

// Tells the data-file side the display facts it needs (scale, minutes per bin, the
// parameter, the noise view, the read position); called after every change of them.
void PublishDisplayLink(DisplayContext& ctx);

// The value scale of the Y labels and the grid: on click scales the ICI scale for ICI,
// the click-rate scale for click rate, else the Y scale; on bin scales the Y scale.
double ValueScale(const DisplayState& state);

} // namespace kelp
