#pragma once
// Listings of one open file minute by minute on the Results page: "Minute summaries" (the
// logger's conditions of every minute of the span on screen, with the class counts and time
// lost of KL3 files) and "Export TAD mins" (the minutes in which clicks repeat at the interval
// of an acoustic alerting device).
#include <cstdint>

#include "core/time.h"

namespace kelp {

class Program;
class Host;

inline constexpr const char* FileOneNotOpenText = "File1 is not open";
inline constexpr const char* MinuteSummariesKL3Header =
    "Min\tangle\ttemp\tLastClkTimeInMin\tTimeLost%\tNClxInMin\tnHiClks\tnModClks\tnLoClks\tn?Clks";
inline constexpr const char* MinuteSummariesHeader = "Min\tangle\ttemp";
inline constexpr const char* TadQuestionText = "kHz filter set to 125 - 140?";

// The intervals of an alerting device, in ticks: 96.5 to 103 ms.
inline constexpr std::int32_t TadIntervalMin = 19'301;
inline constexpr std::int32_t TadIntervalMax = 20'599;

// Lists the minutes of the file in `slot` from `from` to before `to`: one line per minute
// marker read (the marker's minute, angle and temperature; for KL3 files also its last click
// time and click count, the time lost of the minute before and the clicks of each quality
// class since the previous marker). False when the slot is not open.
bool ListMinuteSummaries(Program& program, Host& host, int slot, ClickTime from, ClickTime to);

// "Minute summaries": `slot` is the file whose display band was double-clicked last (0 when
// none, or when that file is not open: file 1); `from` and `to` are the times at the left and right edge of
// the screen.
bool ExportRawFileBtnClick(Program& program, Host& host, int slot, ClickTime from, ClickTime to);

// "Export TAD mins": after the question, lists every minute of file 1 with more than two KL1 or
// KL2 clicks at an alerting device's interval from the click before them in the minute (the
// first measured from the start of the minute). Returns the minutes listed, or -1 when the
// question was answered No or file 1 is not open.
int ExportTADICIsbtnClick(Program& program, Host& host);

} // namespace kelp
