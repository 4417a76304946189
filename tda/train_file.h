#pragma once
// The train detection pass over a file: the KL2 file in slot 1 is read one minute block at
// a time, each block is searched, and the minute markers with the clicks of the written
// trains go to the KL3 file (and, for large files, its map file).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "tda/train_detector.h"
#include "tda/train_parameters.h"
#include "tda/train_summary.h"

namespace kelp {

class Program;
class Host;
class CoreBudget;

// How far the search of a file has come, for a window that shows it while workers search.
struct TrainSearchProgress {
    std::int64_t MinutesDone = 0; // minutes of the file written to its KL3 file
    std::int64_t Minutes = 0;     // minutes of the file
};

namespace changed {
inline constexpr const char* TrainsPageControl = "trains page control"; // shown or hidden
inline constexpr const char* TrainSummaryArea = "train summary";        // legend, labels and bars
} // namespace changed

inline constexpr const char* NotKL2Text = "File 1 not open, or not KL2";
inline constexpr const char* ReadErrorText = "EreadError in FindTrains";

// The train detection's long-lived state in the program: the development page's search
// settings, the minute click limit set by the commands and what the last run showed.
struct TrainDetectionState {
    TrainDetectionSettings Settings; // Version and NoSpeciesSplit are taken from TdaSettings at each run
    std::int64_t TdaMinuteLimit = 65'536;
    bool PageControlVisible = true;
    std::string ApplicationTitle;
    // A batch's progress: the number of the file being processed + 1, of the files' count.
    int BatchPosition = 0;
    int BatchCount = 0;
    TrainSummary Summary;
    std::string FileEndEstimate; // "File end time estimate:  ..."
    // KL3 files from this size on keep their map file.
    std::int64_t MapKeepBytes = 12'000'000;
    // The last run's totals (for callers that report them).
    TrainRunCounters LastCounters;
    // Measuring: the time of the last run spent evaluating and classifying trains.
    bool TimeScoring = false;
    std::int64_t LastScoringNanoseconds = 0;
    std::string LastKL3Name;

    // Minutes searched at once: the threads that search one file (0: the machine's cores).
    // The KL3 file is the same for any number.
    int Threads = 0;
    // Shared by the files of a batch, so that files and minutes searched at once never
    // keep more cores busy than it holds; none outside batches.
    std::shared_ptr<CoreBudget> Cores;
    // Runs on the calling thread while several threads search a file: after each stitched
    // segment and every 100 ms while waiting for one. Returning true asks for the batch
    // to stop after the files already started (as ESC between files does); the file is
    // always finished.
    std::function<bool(const TrainSearchProgress&)> BetweenSegments;
    bool StopRequested = false;
    // Segments of this many minutes instead of segments planned from the minutes' work.
    std::int64_t SegmentMinutes = 0;
    // Measuring: the last run's segments (0 when one thread searched it in order) and the
    // time the stitch took.
    std::int64_t LastSegments = 0;
    std::int64_t LastStitchNanoseconds = 0;
    // Measuring: count the visits to near-duplicate trains (one thread).
    bool CountTwins = false;
};

// The train detection's state of a program, made on first use.
TrainDetectionState& TrainDetectionStateOf(Program& program);

// "Find trains Fs[1] " and batch runs: needs a KL2 file in slot 1; writes the KL3 file.
// Returns true when a KL3 file was written.
bool RunTrainDetection(Program& program, Host& host);

// The "Find trains Fs[1] " button: loads slot 1's minute index if needed, takes the
// minute limit from "Min limit" and runs the train detection.
bool FindTrainsInSlot1(Program& program, Host& host);

// TdaMinuteLimit from the "Min limit" setting: 0 means 65,536.
void TakeTdaMinuteLimit(Program& program);

// The KL3 file's name for a KL2 file.
std::string KL3NameFor(const std::string& kl2Name);

} // namespace kelp
