#pragma once
// What a train detection run reports: the legend and labels of the summary area, the bar
// chart's totals and the one line per file on the results page.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/time.h"
#include "tda/train_detector.h"

namespace kelp {

class ResultsPage;

inline constexpr const char* TrainResultsHeader =
    "file\tstart\tend\tdays\tmins\tallClx\tHi\tMod\tLo\t?\tPorp\tDol\tCet ?sp\tunclass\tSonar";

// The file a run read, as far as the summary needs it.
struct TrainFileFacts {
    std::string ShortName;     // the KL2 file's name without its folder
    std::int64_t FileSize = 0; // the KL2 file's size in bytes
    int RecordLength = 20;
    MinuteNumber FirstMinute = 0;
    MinuteNumber LastMinute = 0;
};

struct TrainSummary {
    std::vector<std::string> Legend;
    std::vector<std::string> ResultLabels;
    std::vector<std::string> DiagnosticLabels;
    std::string StatusLabel;
    // Bars: Hi, Mod, Lo, ?, Porp, Dol, OtherC, unclassed, sonar.
    std::array<std::int64_t, 9> Bars{};
};

// The summary area's legend, shown when a run starts.
std::vector<std::string> TrainSummaryLegend(const std::string& shortName);

// Events of the file: its records (size / record length) less its minutes.
std::int64_t TrainFileEvents(const TrainRunCounters& counters, const TrainFileFacts& facts);

TrainSummary MakeTrainSummary(const TrainRunCounters& counters, const TrainFileFacts& facts);

// The file's line on the results page.
std::string TrainResultsLine(const TrainRunCounters& counters, const TrainFileFacts& facts);

// Appends a file's line, preceded by the header line when the page is empty.
void AppendTrainResultsLine(ResultsPage& results, const std::string& line);

} // namespace kelp
