#pragma once
// The time-binned detection export: one open file turned into a table of time periods
// (click counts, DPM, DP10M, DPH, train duration, the logger's conditions) or into the
// intervals of its trains, read through the slot reader under the current filters.
#include <cstdint>
#include <string>
#include <vector>

#include "core/header.h"
#include "core/time.h"
#include "export/export_page.h"

namespace kelp {

class Program;
class Host;
class ExportLines;

inline constexpr const char* ExportDialogTitle = "Save Export File";
inline constexpr const char* ExportDialogFilter = "Text files|*.txt|All files|*.*";
inline constexpr const char* NotKL3DataText = "This data type can only be exported from .KL3 files";
inline constexpr const char* NotKL3ResultsSuffix = "  -  not a KL3 file";
inline constexpr const char* FailedToCreateExportText = "Failed to create export file";
inline constexpr const char* ExportCompletedText = " Data export completed";
inline constexpr const char* SelectFileText = "Select at least one file to export from using the check boxes "
                                              "to the right of the Export data from: button";

// Everything one period of the export counted, handed to the output when the period ends.
struct ExportPeriodValues {
    MinuteNumber First = 0; // first minute of the period (the export's first minute for the first period)
    MinuteNumber End = 0;   // the minute after the period: it covers First <= minute < End
    MinuteNumber Shown = 0; // the time a line shows: the period's last logged minute
    std::int64_t Clicks = 0;
    std::int64_t NAll = 0;     // sum of the minutes' NClicks
    std::int64_t Positive = 0; // DPM, DP10M or DPH
    std::int64_t DurationTicks = 0;
    std::int64_t Markers = 0;   // minutes of the period
    std::int64_t MinutesOn = 0; // minutes the logger logged (in its switch angle range)
    std::int64_t TemperatureSum = 0;
    std::int64_t MinutesWithoutTemperature = 0;
    std::int64_t AngleSum = 0;
    std::int64_t TimeLost = 0; // in 1/183 minute
    bool HasDetection = false;

    double Temperature() const; // degrees C
    double Angle() const;       // degrees
    double TimeLostPercent() const;
    double ClicksPerMinuteOn() const;
    double NAllPerMinuteOn() const;
    std::int64_t DurationMilliseconds() const;
};

// Receives the export as it runs: one call per period end, one per interval of
// "Click repeat time". The Part-format writer and the tidy table are two of them.
class ExportReceiver {
public:
    virtual ~ExportReceiver() = default;
    virtual void PeriodEnded(const ExportPeriodValues& values) = 0;
    // True once the output failed: the export ends there.
    virtual bool Failed() const { return false; }
    // `minute` is the minute of the interval's click (the line prefix).
    virtual void Interval(MinuteNumber minute, int trainNumber, std::int32_t ticks) {
        (void)minute;
        (void)trainNumber;
        (void)ticks;
    }
};

// What an export of one slot covers.
struct ExportSpan {
    MinuteNumber First = 0; // f0
    MinuteNumber End = 0;   // the last minute exported
    int DutyCycle = 1;      // D: minutes per logged minute
    std::int32_t PeriodMinutes = 1;
};
ExportSpan ExportSpanOf(const Program& program, int slot, ExportPeriod period);

// Period length d and the first period's end h.
std::int32_t PeriodLength(ExportPeriod period);
std::int64_t FirstPeriodEnd(ExportPeriod period, MinuteNumber first, int dutyCycle);

// The header lines (file name, logger, range, period lengths, filters, description) and the
// column header of an export of the slot under the page's settings.
std::vector<std::string> ExportHeaderLines(Program& program, int slot);
std::string ExportColumnHeader(const ExportPage& page, FileKind kind);
// The time columns of a line that shows minute t.
std::string ExportTimeColumns(const ExportPage& page, MinuteNumber t);

// Runs the export loop over the slot (positions every open slot first) and hands each
// period to `receiver`. The page must have been adjusted already.
void RunDetectionExport(Program& program, Host& host, int slot, ExportReceiver& receiver);

// Formats the periods as the Part-format text lines, into `lines`.
class ExportLineWriter : public ExportReceiver {
public:
    ExportLineWriter(const ExportPage& page, bool kl3, int fileNumber, ExportLines& lines)
        : page_(page), kl3_(kl3), fileNumber_(fileNumber), lines_(lines) {}
    void PeriodEnded(const ExportPeriodValues& v) override;
    void Interval(MinuteNumber minute, int trainNumber, std::int32_t ticks) override;
    bool Failed() const override;

private:
    const ExportPage& page_;
    bool kl3_;
    int fileNumber_;
    ExportLines& lines_;
    std::string line_;
    MinuteNumber prefixMinute_ = 0;
    std::string prefix_;
};

// The checks and adjustments at the start of an export of the slot: the KL3-only items
// (with their messages), the page adjustments, and "ignore filters" for the conditions.
// False when the file cannot be exported.
bool StartExport(Program& program, Host& host, int slot);

// ExportData: exports the file in the slot as the page says, to a text file chosen in
// the save dialog or to the Results page. fileNumber goes into the "FileN" column.
bool ExportData(Program& program, Host& host, int slot, int fileNumber);
// The same into a given output (a text file shared by several files): the header lines
// unless omitted, the column header only when asked.
bool ExportDataTo(Program& program, Host& host, int slot, int fileNumber, ExportLines& lines,
                  bool columnHeader);

// "Export data from:": every checked open file in the order 1, 2, 3. With `shared` every
// file goes into that output and only the first one writes the column header.
// Returns the number of files exported.
int ExportGenBtnClick(Program& program, Host& host, ExportLines* shared = nullptr);

// "File 1: Detections can only be exported from .KL3 files" and its slot 2 and 3 forms.
std::string DetectionsOnlyFromKL3Text(int slot);

} // namespace kelp
