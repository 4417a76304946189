#pragma once
// The file lists of a batch on the Results page: "List files" (times and counts of each file),
// "List settings" (the logger settings and deployment data of each file) and "Tabulate days"
// (logger-days per calendar day over all files). Each opens the files one at a time in slot 1.
#include <functional>
#include <string>
#include <vector>

#include "export/batch_export.h"
#include "export/batch_page.h"

namespace kelp {

class Program;
class Host;
struct FileSlot;

namespace changed {
// The same request the train batch makes: the window brings the Results page to the front.
inline constexpr const char* ResultsPageToFront = "show results page";
} // namespace changed

inline constexpr const char* ListOpenTitle = "Select one or more files for listing";
inline constexpr const char* ListOpenFilter = "KELP files|*.KL1;*.KL2;*.KL3|All files|*.*";
inline constexpr const char* ListDoneText = "Done!  List is on the Results page";
inline constexpr const char* ListFilesHeaderWithEndpoints = "File name\tKELP\tstarts\tends\tstarts\tends";
inline constexpr const char* ListFilesHeader =
    "File name\tKELP\tstarts\tends\tstarts\tends\tdays\tNclx\tClx/d\tClx/h";
inline constexpr const char* ListSettingsHeader =
    "File "
    "name\tKELP\tTDAv\tfilter\tangle>\tangle<\tlimit\tdutyCyc\tduration\tminSPL\tgain\tLocation\tKELPdepth\tW"
    "aterdepth\tLat\tLong\tNotes";
inline constexpr const char* TabulateDaysHeader = "Day of year\tN KELP days";
// After "ERROR " + name, for a file whose header (or endpoints) claims more minutes than its
// records hold, or endpoints that end before they start.
inline constexpr const char* TabulateDaysBadRangeText =
    "\tthe header's times or endpoints do not fit the data in the file";

// The line of an open file in "List files" (`withEndpoints`: its active range, no counts).
std::string ListFilesLine(const FileSlot& slot, bool withEndpoints);
// The line of an open file in "List settings".
std::string ListSettingsLine(const FileSlot& slot);

// The lists over the given files, in their order, with up to `jobs` files at once.
BatchRunResult ListFiles(Program& program, Host& host, const std::vector<std::string>& files, int jobs = 1);
BatchRunResult ListSettings(Program& program, Host& host, const std::vector<std::string>& files,
                            int jobs = 1);
BatchRunResult TabulateDays(Program& program, Host& host, const std::vector<std::string>& files,
                            int jobs = 1);

// The buttons: close all files, ask for the files, list them.
BatchRunResult ListFilesBtnClick(Program& program, Host& host, int jobs = 1);
BatchRunResult ListSettingsBtnClick(Program& program, Host& host, int jobs = 1);
BatchRunResult TabulateDaysBtnClick(Program& program, Host& host, int jobs = 1);

// What the lists share: the open dialog of a batch (empty when cancelled, with its message).
std::vector<std::string> ChooseBatchFiles(Program& program, Host& host, const char* title,
                                          const char* filter = ListOpenFilter);

// File `index` of a list, on the program and host given (a worker's with several jobs): it
// leaves its lines on the host's Results page and returns false when the file failed.
using ListFileWork = std::function<bool(Program& program, Host& host, const std::string& file, int index)>;

// Runs a list over the files in their order: closes all files, sets the batch flag, shows
// "i of count" on the page's `button` while it runs and `restCaption` afterwards, and ends with
// `closing` (and the count of failed files) in the source list.
BatchRunResult RunFileList(Program& program, Host& host, const std::vector<std::string>& files, int jobs,
                           std::string BatchPage::*button, const char* restCaption, const ListFileWork& work,
                           const char* closing);

} // namespace kelp
