#pragma once
// The "Analysis" page: its settings and options, the captions of its buttons and what the
// last analysis showed (figures, text box, class bars, the counters behind the graphs).
// It lives in Program (AnalysisPageOf) so that the window and the command line work on the
// same page.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "display/canvas.h"

namespace kelp {

// The " graph " radio group of the frequency graph.
enum class FrequencyGraphType : int { kHz = 0, Dur = 1, Spl = 2, Slope1 = 3, Slope2 = 4, Bw = 5, EndkHz = 6 };
inline constexpr int FrequencyGraphTypeCount = 7;

struct AnalysisOptions {
    int FileChoice = 1;                // " file ": items "3", "2", "1" for slots 3, 2, 1
    bool StepThroughSpecies = false;   // "step through species classes"
    bool ClassTotalsInResults = false; // "put class totals in Results"
    bool TwoParamProfile = false;      // "Two param profile"
    bool NcycAndkHz = false;           // "+ncyc -kHz": the profile by cycles and kHz
    FrequencyGraphType GraphType = FrequencyGraphType::kHz;
    bool SmoothFGraph = true;     // "smooth F graph"
    bool ValuesInResults = false; // "put graph && auto-correlation values into Results"
};

// What one analysis counted. Histograms are indexed by the value they count.
struct AnalysisCounters {
    std::array<std::int64_t, 257> kHz{};             // 20..160 counted, above 160 at 160
    std::array<std::int64_t, 256> FrequencyChange{}; // EndkHz + 64 - kHz, 0..128
    std::array<std::int64_t, 257> Ncyc{};
    std::array<std::int64_t, 257> Spl{};
    std::array<std::int64_t, 32> Bw{};
    std::array<std::int64_t, 16> EnvelopeLow{};  // low 4 bits of the envelope
    std::array<std::int64_t, 16> EnvelopeHigh{}; // high 4 bits
    // Clicks per second: 1..100 at their rate, 101..199 at 140 + rate div 20.
    std::array<std::int64_t, 257> ClickRate{};
    std::array<std::int64_t, 4> Quality{};
    std::array<std::int64_t, 5> Species{};
    std::int64_t Total = 0;

    std::int64_t Minutes = 0;          // m: minutes read
    std::int64_t AcousticMinutes = 0;  // h: minutes with clicks or in the switch angle range
    std::int64_t PositiveMinutes = 0;  // p: minutes with clicks
    std::int64_t TruncatedMinutes = 0; // c: minutes that reached the click limit
    std::int64_t TemperatureSum = 0;   // over the acoustic minutes, in 0.2 C units
    std::int64_t AngleSum = 0;         // over the acoustic minutes, in degrees
    std::int64_t MinuteLimit = 0;      // L

    // The two-parameter profile, 256 x 256 counts by row and column, when asked for.
    std::vector<std::int64_t> Profile;
    std::int64_t ProfileAt(int row, int column) const {
        return Profile.empty() ? 0 : Profile[static_cast<std::size_t>(row) * 256 + column];
    }
};

// The figures in the page's labels.
struct AnalysisFigures {
    std::string FileLabel;
    std::string Duration;         // "File duration analysed: ..."
    std::string AcousticDuration; // "Acoustic duration: ..."
    std::string Clicks;           // "... clicks in file" or "... clicks in selected time"
    std::string PerMinute;
    std::string PerHour;
    std::string PerDay;
    std::string GigabyteLasts; // KL1 files: "1GB lasts ..."
    std::string Truncated;     // with a minute click limit: "...% truncated  (c @ L)"
    std::string ClickFilters;
    std::string TrainFilters;
    std::string DpmPerDay; // KL3 files
    std::string MeanTemperature;
    std::string MeanAngle;
};

// One bar of the class totals.
struct ClassBar {
    std::string Label;
    std::int64_t Count = 0;
    int Width = 0;
    Colour BarColour = ColourWhite;
    bool Visible = false;
};

struct AnalysisPage {
    AnalysisOptions Options;

    // What the page shows after an analysis (cleared at its start).
    bool HasAnalysis = false;
    int AnalysedSlot = 0;
    AnalysisCounters Counters;
    AnalysisFigures Figures;
    std::vector<std::string> TextBox;
    std::array<ClassBar, 4> QualityBars{}; // Hi, Mod, Lo, ?
    std::array<ClassBar, 5> SpeciesBars{}; // porpoise-like, dolphin, other cetacean, unclassed, sonar
    int ClickRateMode = 0;                 // position of the largest click-rate count

    // Buttons.
    bool AnalyzeEnabled = true; // "Analyze"
    std::string GraphCaption = "kHz";
    std::string GraphHint = "shows a graph of dominant kHz distribution. May be slow";
    std::string CrossCorrelationCaption = "cc.F";
    std::string AutoCorrelationCaption = "ac.F";
    std::string CoherenceCaption = "coherence";
};

class Program;
// The program's analysis page.
AnalysisPage& AnalysisPageOf(Program& program);

// Names passed to Host::StateChanged when the page changes.
namespace analysis_changed {
inline constexpr const char* Page = "analysis page";       // figures, text box, graphs, class bars
inline constexpr const char* Buttons = "analysis buttons"; // captions, hints and enabled states
inline constexpr const char* Options = "analysis options"; // a setting the operation changed
} // namespace analysis_changed

} // namespace kelp
