#pragma once
// The train details export: one line per click train per minute from a batch of KL3
// files, in a brief (16 columns) or a full (34 columns) form.
#include <cstdint>
#include <string>
#include <vector>

#include "core/records.h"
#include "core/time.h"

namespace kelp {

class Program;
class Host;
class ExportLines;

inline constexpr const char* DetailsOpenTitle = "Select one or more KL3 files to process";
inline constexpr const char* DetailsOpenFilter = "KELP.KL3 files|*.KL3*";
inline constexpr const char* DetailsSaveTitle = "Save train details";
inline constexpr const char* DetailsSaveFilter = "Text files|*.txt|All files|*.*";
inline constexpr const char* DetailsNoFilesText = "No Files selected";
inline constexpr const char* DetailsNoOutputText = "No output file.  Process aborted.";
inline constexpr const char* FullDetailsColumns =
    "File\tTrn N\tTime\tMin\tSpClass\tTrClass\tStart\tTrDur_us\tNofClx\tavICI_us\tClkrate\tMaxICI_us\tMinICI_"
    "us\tLastICI_us\tICI_reversals\tICI_"
    "rising\tFband\tavF\tavEndF\tMinF\tMaxF\tavNcyc\tMaxNcyc\tavSPL\tMaxSPL\t"
    "SPLreversals\tMMM\tNofClstrs\tavClstrN*10\tavClstrDur\tavFdiff\tavSlope1\tavSlope2\tavBW";
inline constexpr const char* BriefDetailsColumns =
    "File\tTrn N\tTime\tMin\tSpClass\tTrClass\tStart\tTrDur_us\tNofC"
    "lx\tavICI_us\tavF\tavSPL\tMaxSPL\tMaxICI_us\tMinICI_us\tMMM";

// What one train gathers over one line: from its first click in a minute until the
// minute ends or the train pauses for more than 16 of its latest intervals.
struct TrainAccumulator {
    std::int64_t Start = 0;
    std::int64_t Last = 0;
    std::int64_t N = 0;
    std::int64_t LastIci = 0;
    std::int64_t MaxIci = 0;
    std::int64_t MinIci = 123'456'789;
    std::int64_t IciReversals = 0;
    std::int64_t IciRising = 0;
    std::uint8_t IciDirection = 0;
    std::uint8_t SplDirection = 1;
    std::int64_t Band = 0;
    std::int64_t SumkHz = 0, SumEndkHz = 0, MinkHz = 0, MaxkHz = 0;
    std::int64_t SumNcyc = 0, MaxNcyc = 0;
    std::int64_t SumSpl = 0, MaxSpl = 0, LastSpl = 0;
    std::int64_t SplReversals = 0;
    std::int64_t MmmSum = 0, MmmCount = 0;
    std::int64_t Clusters = 0, ClusterSizeSum = 0, ClusterDurationSum = 0, FdiffSum = 0;
    std::int64_t Slope1Sum = 0, Slope2Sum = 0;
    std::int64_t SumBw = 0;
    int Species = SpeciesUnclassed;
    int Quality = 0;
    std::int64_t PredictedEnd = 1'073'741'823;
};

// Adds a click of the train. `full` also gathers the columns only the full form shows.
void AddTrainClick(TrainAccumulator& a, const ClickRecord& click, bool full);
// The line of an accumulator: file name, train number, the minute as text and as a number,
// then, for more than 4 clicks, the classes and the brief or full values.
std::string TrainDetailLine(const TrainAccumulator& a, const std::string& fileName, int trainNumber,
                            MinuteNumber minute, bool full);

// Writes the lines of the KL3 file in slot 1 (its active range with "use endpoints, if set").
void WriteTrainDetails(Program& program, Host& host, ExportLines& lines, bool full);

// The export of chosen files into `name`, after the dialogs: false when nothing was written.
bool ExportTrainDetails(Program& program, Host& host, const std::vector<std::string>& files,
                        const std::string& name, bool full);

// "Export train details" (brief) and "Export full train details": closes all files, asks for
// the KL3 files and the output name, then exports.
bool ExportTrainDetailBtnClick(Program& program, Host& host, bool full);

} // namespace kelp
