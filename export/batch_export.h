#pragma once
// "Export from batch of files": the time-binned detection export of every file of a batch,
// each into a text file of its own, all into one report with a file number column and the
// closing file list, or onto the Results page.
#include <cstddef>
#include <string>
#include <vector>

namespace kelp {

class Program;
class Host;

inline constexpr const char* BatchExportOpenTitle = "Select one or more files to process";
inline constexpr const char* BatchExportOpenFilter = "KELP files|*.KL1;*.KL2;*.KL3|All files|*.*";
inline constexpr const char* BatchReportName = "KELP file batch process report.txt";
inline constexpr const char* BatchReportTitle = "Save batch process report";
inline constexpr const char* BatchNoFilesText = "No Files selected";
inline constexpr const char* BatchNoReportText = "No output file.  Process aborted.";
inline constexpr const char* BatchExportCompletedText = "Batch export completed";
inline constexpr const char* ExportedToSingleFileText = "Exported to single file:";
inline constexpr const char* ExportedToText = "Exported to:";
inline constexpr const char* ExportedSeeFileNameText = "Exported - see Results for output file name";
inline constexpr const char* ExportedSeeFileNamesText = "Exported - see Results for output file names";

// How a batch went: files chosen, files handed over, files that failed (could not be opened,
// read or exported, or their output could not be written), and whether it stopped early.
struct BatchRunResult {
    int Count = 0;
    int Done = 0;
    int Failed = 0;
    bool Stopped = false;
    bool Ok() const { return Failed == 0 && !Stopped && Done == Count; }
};

// The closing line of a batch with failures: "2 of 20 files could not be read or exported"
// (`what`: what could not be done with them).
std::string BatchFailureReport(const BatchRunResult& result, const char* what = "read or exported");
// The error line of a file that cannot be opened or read.
std::string BatchExportErrorLine(const std::string& file);

// What one file of a batch export left, for the one-file report or the Results page.
struct BatchExportFile {
    bool Opened = false;   // the file opened: its line goes into the file list
    bool Exported = false; // its table was written to the end
    std::vector<std::string> Lines;
    // The index of its column header in Lines (only the first file exported writes it).
    std::size_t ColumnAt = static_cast<std::size_t>(-1);
};

// Exports file `number` (1-based) of a batch in slot 1 and closes it again. In one-file mode
// ("put data in one file") its lines are gathered into `out`; otherwise they go to the data
// file's name with the extension ".txt". The page must have been prepared (PrepareBatchExport).
void ExportBatchFile(Program& program, Host& host, const std::string& file, int number, BatchExportFile& out);

// The adjustments made once at the start of a batch: " to " = "Results" checks "put data in one
// file", the page adjustments of the data item, "ignore filters" for the logger's conditions.
void PrepareBatchExport(Program& program, Host& host);

// The batch export of the given files, in their order, with up to `jobs` files at once; the
// output is the same whatever the number of jobs. A one-file text output asks for the report's
// name in a save dialog, unless `reportName` gives it.
BatchRunResult ExportBatch(Program& program, Host& host, const std::vector<std::string>& files, int jobs = 1,
                           const std::string& reportName = "");

// The button: closes all files, asks for the files and runs the batch.
BatchRunResult ExportBatchBtnClick(Program& program, Host& host, int jobs = 1);

} // namespace kelp
