#pragma once
// The analysis of one open file over the shared range: one pass through the click
// reader (so the filters in force apply), the histograms and minute counts, and the
// figures, text box, class bars and Results lines made from them.
#include <string>
#include <vector>

#include "analysis/analysis_page.h"

namespace kelp {

class Program;
class Host;
struct FileSlot;

// "Analyze": analyses the chosen slot and fills the page. When the chosen slot is empty
// the choice moves to the first open slot (1, then 2, then 3); without open files, or
// with a choice outside 1..3, nothing happens.
void AnalyzeButtonClick(Program& program, Host& host);
// Choosing an item of " file " also analyses.
void ChooseAnalysisFile(Program& program, Host& host, int slot);

// The reading pass over a slot (the slots are left wherever the reading ended).
AnalysisCounters CountClicks(Program& program, Host& host, int slot, const AnalysisOptions& options);

// Where the click-rate histogram counts the interval (in ticks) between two clicks of a
// train: the rate r = 200,000 div the interval at position r up to 100 per second, at
// 140 + r div 20 from 101 to 199; 0 for an interval that is not counted.
int ClickRatePosition(std::int32_t interval);

// The page's labels from the counts.
AnalysisFigures MakeFigures(const Program& program, const FileSlot& slot, const AnalysisCounters& counts);
// The position of the largest click-rate count (the first on ties).
int ClickRateMode(const AnalysisCounters& counts);
// "PRF mode" of the text box: the rate itself up to 100 per second, the start of the
// 20-wide bin above that.
std::int64_t PrfModeValue(int mode);
// The text box: class totals and the click-rate mode for KL3 files, then "On Mins".
std::vector<std::string> TextBoxLines(const FileSlot& slot, const AnalysisCounters& counts);
// The class bars of KL3 files (all hidden when no quality class was counted).
void MakeClassBars(const FileSlot& slot, const AnalysisCounters& counts, AnalysisPage& page);

// "put class totals in Results" and "Two param profile".
std::vector<std::string> ClassTotalsLines(const FileSlot& slot, const AnalysisCounters& counts);
std::vector<std::string> ProfileLines(const AnalysisCounters& counts, bool ncycAndkHz);

// "step through species classes": the species filter moves on by one class
// ("boat sonars" -> "Porpoise-like" -> "Dolphins" -> "other train sources" ->
// "unclassed" -> "boat sonars"), leaving exactly one species box ticked.
void StepSpeciesClass(Program& program, Host& host);

} // namespace kelp
