#pragma once
// Batch runs of the train detection: "Find trains in a batch of .KL1 files" (the cluster
// finder, then the train detection, for each file) and, in development mode, "Find
// trains in batch of KL2 files". Each processed file leaves one line on the results page
// under one header line; skipped files leave a line with the reason.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tda/train_file.h"

namespace kelp {

class Program;
class Host;

namespace changed {
inline constexpr const char* ApplicationTitle = "application title";
inline constexpr const char* ShowResultsPage = "show results page";
inline constexpr const char* BatchProgress = "train batch progress";
} // namespace changed

inline constexpr const char* BatchDialogTitle = "Select one or more files to process";
inline constexpr const char* NoFilesSelectedText = "No files selected";
inline constexpr const char* BatchCompletedText = "Batch process completed. Summary on Results page";
inline constexpr const char* BatchFailuresText =
    "Some files could not be processed .... report on Trains page";

enum class TrainBatchKind {
    KL1,         // clusters then trains; the KL2 file is deleted afterwards outside development mode
    KL2,         // trains only (development mode)
    ByExtension, // KL2 files: trains only, the file kept; any other file: as in the KL1 batch
};

struct TrainBatchOptions {
    TrainBatchKind Kind = TrainBatchKind::KL1;
    bool KeepKL2 = false;  // keep the KL2 files of a KL1 batch also outside development mode
    int Jobs = 1;          // files processed at once, each with its own program state and host
    bool Isolated = false; // each file with its own program state and host also with one job
    // Threads that search one file (0: the machine's cores). Files and threads share the
    // machine's cores: together they never keep more of them busy.
    int Threads = 0;
    // Runs on the calling thread while files are searched: between the segments of a file
    // searched on several threads, and every 100 ms while waiting. With one job it gets the
    // file's progress; with several, zeros. Returning true stops the batch after the files
    // already started, as ESC does.
    std::function<bool(const TrainSearchProgress&)> BetweenSegments;
};

struct TrainBatchResult {
    int Count = 0;
    int Processed = 0;
    int Failed = 0;
    bool Stopped = false; // ESC ended the batch early
};

// The batch commands: the file dialog, then the batch over the chosen files.
TrainBatchResult FindTrainsInKL1Batch(Program& program, Host& host);
TrainBatchResult FindTrainsInKL2Batch(Program& program, Host& host);
// The same with the caller's options (the window's threads and its progress and ESC hook):
// the file dialog for the kind of batch, then the batch. The KL2 batch runs only in
// development mode.
TrainBatchResult FindTrainsInBatch(Program& program, Host& host, const TrainBatchOptions& options);

// The batch over the given files, in their order. With more than one job the files are
// processed in parallel, each with a program state and host of its own; the results page
// and the messages come out in the files' order, exactly as they do with one isolated job.
TrainBatchResult RunTrainBatch(Program& program, Host& host, const std::vector<std::string>& files,
                               const TrainBatchOptions& options);

} // namespace kelp
