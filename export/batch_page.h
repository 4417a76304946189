#pragma once
// The batch and listing controls of the "Export" page: the captions of their buttons (which
// show a batch's progress while it runs), their hints, the hour noise threshold box and
// "omit spreadsheet headers". The window shows this model; the operations read and set it.
#include <cstdint>
#include <string>

namespace kelp {

class Program;
class Host;

inline constexpr const char* ExportBatchCaption = "Export from batch of files";
inline constexpr const char* ListNoiseCaption = "Batch detection and noise summaries";
inline constexpr const char* ListFilesCaption = "List files";
inline constexpr const char* ListSettingsCaption = "List settings";
inline constexpr const char* TabulateDaysCaption = "Tabulate days";
inline constexpr const char* TabulateDaysDoneCaption = "List days";
inline constexpr const char* MinuteSummariesCaption = "Minute summaries";
inline constexpr const char* MinuteSummariesBusyCaption = "wait";
inline constexpr const char* TadMinsCaption = "Export TAD mins";
inline constexpr const char* TadMinsBusyCaption = "... wait ...";
inline constexpr const char* ClickDetailsCaption = "Export click details";
inline constexpr const char* OmitSpreadsheetHeadersCaption = "omit spreadsheet headers";
inline constexpr const char* NoiseThresholdCaption = "noisy hour threshold";

inline constexpr const char* ExportBatchHint =
    "Export the chosen data from each of a batch of files, to a text file each, one text file or the Results "
    "page";
inline constexpr const char* ListNoiseHint =
    "Detection-positive minutes, 10 minutes and hours with the noise and time lost of each KL3 file";
inline constexpr const char* ListFilesHint = "Lists the start, end and number of clicks of each file";
inline constexpr const char* ListSettingsHint = "Lists the logger settings and deployment data of each file";
inline constexpr const char* TabulateDaysHint =
    "Lists the number of KELP days logged on each day/week of the year. Years are combined.";
inline constexpr const char* NoiseThresholdHint =
    "hours with more than this number of clicks will be considered noisy enough to depress detectability";
inline constexpr const char* MinuteSummariesHint =
    "Lists temperatures and angles for KL1 files + class click counts and time lost for KL3 files.  "
    "Double-click in display area to select the file.";
inline constexpr const char* TadMinsHint =
    "exports the number of ICIs at in the 127-135kHz range for each minute with more than 1";
inline constexpr const char* ClickDetailsHint =
    "The file will be about 4 times the size of the data in a KL1 "
    "file. Set selection endpoints and filters to limit the size.  ";
inline constexpr const char* OmitSpreadsheetHeadersHint =
    "Leave out the file name line of the minute summaries";

inline constexpr const char* DefaultNoiseThresholdText = "100000";

struct BatchPage {
    std::string NoiseThresholdText = DefaultNoiseThresholdText;
    std::int64_t NoiseThreshold = 100'000;
    bool OmitSpreadsheetHeaders = false;

    std::string ExportBatchButton = ExportBatchCaption;
    std::string ListNoiseButton = ListNoiseCaption;
    std::string ListFilesButton = ListFilesCaption;
    std::string ListSettingsButton = ListSettingsCaption;
    std::string TabulateDaysButton = TabulateDaysCaption;
    std::string MinuteSummariesButton = MinuteSummariesCaption;
    std::string TadMinsButton = TadMinsCaption;
};

// The page of a program (made with its defaults on first use).
BatchPage& BatchPageOf(Program& program);

// The threshold box changed: a whole number of 0 or more is taken; any other text puts the
// default back. False when the default was put back.
bool EnterNoiseThreshold(BatchPage& page, const std::string& text);

} // namespace kelp
