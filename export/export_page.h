#pragma once
// The "Export" page: the settings of the detection export and the train details with
// their captions, defaults and hints, the enabled states the data item sets, and the
// adjustments that keep the period long enough for DP10M and DPH. The window shows this
// model; the export reads it.
#include <array>
#include <string>

namespace kelp {

class Program;
class Host;

namespace changed {
inline constexpr const char* ExportPage = "export page"; // the page's settings, enabled states or captions
} // namespace changed

// " data  ": what each period's line holds.
enum class ExportItem : int {
    Clicks = 0,        // "N of clicks"
    Dpm = 1,           // detection-positive minutes
    Dp10m = 2,         // detection-positive ten-minute blocks
    Dph = 3,           // detection-positive hours
    TrainDuration = 4, // "Train duration total"
    ClickRepeat = 5,   // "Click repeat time": the intervals of every train, no periods
    Noise = 6,         // "Noise levels": the header only
    Conditions = 7     // "Temp, Angle, Time lost, N clicks "
};
inline constexpr int ExportItemCount = 8;

// " period ".
enum class ExportPeriod : int {
    OneMinute = 0,
    TenMinutes = 1,
    Hours = 2,
    QuarterTides = 3,
    Days = 4,
    All = 5
};
inline constexpr int ExportPeriodCount = 6;

// " to ", " date format ", " date units ".
enum class ExportTo : int { TextFile = 0, Results = 1 };
enum class ExportDateFormat : int { Text = 0, Unit = 1, Both = 2, None = 3 };
enum class ExportDateUnit : int { Minutes = 0, Days = 1 };

// Captions of the page's groups, items and boxes, as the page shows them.
inline constexpr const char* DataGroupCaption = " data  ";
inline constexpr std::array<const char*, ExportItemCount> DataItemCaptions{
    "N of clicks",
    "DPM        (detection positive minutes)",
    "DP10M    (detection postive 10 minutes)",
    "DPH        (detection positive hours)",
    "Train duration total",
    "Click repeat time",
    "Noise levels",
    "Temp, Angle, Time lost, N clicks "};
inline constexpr const char* PeriodGroupCaption = " period ";
inline constexpr std::array<const char*, ExportPeriodCount> PeriodCaptions{"1 min",     "10 mins", "hours",
                                                                           "1/4 tides", "days",    "all"};
inline constexpr const char* ToGroupCaption = " to ";
inline constexpr std::array<const char*, 2> ToCaptions{"text file", "Results"};
inline constexpr const char* DateFormatGroupCaption = " date format ";
inline constexpr std::array<const char*, 4> DateFormatCaptions{"date text", "date unit", "both", "none"};
inline constexpr const char* DateUnitGroupCaption = " date units ";
inline constexpr std::array<const char*, 2> DateUnitCaptions{"min", "day"};
inline constexpr const char* OmitNegativeCaption = "omit negative time periods";
inline constexpr const char* UseEndpointsCaption = "use endpoints, if set";
inline constexpr const char* OmitHeaderCaption = "omit header";
inline constexpr const char* OneFileCaption = "put data in one file";
inline constexpr const char* TidyCaption = "tidy table";
inline constexpr const char* ExportDataCaption = "Export data from:";
inline constexpr const char* BriefDetailsCaption = "Export train details";
inline constexpr const char* BriefDetailsDoneCaption = "Export brief train details";
inline constexpr const char* FullDetailsCaption = "Export full train details";

// Hints of the page's controls.
inline constexpr const char* DataItemHint =
    "What each line counts: clicks, detection-positive minutes, 10 minutes or hours, train duration, "
    "intervals, or the logger's conditions";
inline constexpr const char* PeriodHint =
    "Length of the time periods, aligned to the clock (1/4 tides: 186 minutes)";
inline constexpr const char* ToHint = "Write to a text file or add the lines to the Results page";
inline constexpr const char* DateFormatHint = "How each line shows the end of its period";
inline constexpr const char* DateUnitHint =
    "Unit of the date column: minutes since 30/12/1899 or the Julian day number";
inline constexpr const char* OmitNegativeHint = "Leave out lines of periods without detections.";
inline constexpr const char* OmitHeaderHint = "Leave out the header lines.";
inline constexpr const char* OneFileHint =
    "In a batch, write all files into one text file, with a file number column.";
inline constexpr const char* TidyHint =
    "One row per period with fixed column names and the minutes logged (for R or pandas), and a .json file "
    "beside it recording how the table was made";
inline constexpr const char* FileBoxesHint = "Which open files \"Export data from:\" exports.";
inline constexpr const char* ExportDataHint = "Export the chosen data from the checked open files";
inline constexpr const char* BriefDetailsHint =
    "One line per train per minute from a batch of KL3 files, 16 columns";
inline constexpr const char* FullDetailsHint =
    "One line per train per minute from a batch of KL3 files, 34 columns";

inline constexpr const char* PeriodChangedForDp10mText =
    "Time period changed to enable export of Detection Postive Ten Minutes";
inline constexpr const char* PeriodChangedForDphText =
    "Time period changed to enable export of Detection Postive Hours";

struct ExportPage {
    ExportItem DataItem = ExportItem::Dpm;
    ExportPeriod Period = ExportPeriod::Hours;
    ExportTo To = ExportTo::Results;
    ExportDateFormat DateFormat = ExportDateFormat::Text;
    ExportDateUnit DateUnit = ExportDateUnit::Minutes;
    bool OmitNegative = false;
    bool OmitHeader = false;
    bool OneFile = false;
    bool Tidy = false;
    // "use endpoints, if set" is the program's option (ProgramOptions::UseEndpoints, SetUseEndpoints).
    // File check boxes "1", "2", "3" (index 0 unused).
    std::array<bool, 4> FileBoxes{false, true, false, false};

    // Set by the data item.
    bool OmitNegativeEnabled = true;
    bool PeriodEnabled = true;
    bool OneFileEnabled = true;

    std::string ExportDataButton = ExportDataCaption;
    std::string BriefDetailsButton = BriefDetailsCaption;
    std::string FullDetailsButton = FullDetailsCaption;
};

// The page of a program (made with its defaults on first use).
ExportPage& ExportPageOf(Program& program);

// Choosing a data item: enables or disables the boxes it uses and, for DP10M and DPH,
// lengthens a period that is too short to "days".
void ChooseDataItem(ExportPage& page, ExportItem item);
// Changing the period: a period too short for DP10M or DPH is set to "days" with a message.
void ChoosePeriod(ExportPage& page, Host& host, ExportPeriod period);
// Choosing " to ": "Results" also checks "put data in one file".
void ChooseTo(ExportPage& page, ExportTo to);
// The adjustments made at the start of every export: the data item's enabled states and
// the period check with its message. False when the period was changed.
bool AdjustExportPage(ExportPage& page, Host& host);

// "Export full train details" is enabled and shown in development mode only.
bool FullDetailsAvailable(const Program& program);

// Command-line names of the items and periods ("dpm", "hours", ...), and back.
const char* ExportItemName(ExportItem item);
const char* ExportPeriodName(ExportPeriod period);
bool ParseExportItem(const std::string& name, ExportItem& item);
bool ParseExportPeriod(const std::string& name, ExportPeriod& period);

// Items 1 to 5 count train clicks: they need a KL3 file.
inline bool NeedsKL3File(ExportItem item) {
    return item >= ExportItem::Dpm && item <= ExportItem::ClickRepeat;
}

} // namespace kelp
