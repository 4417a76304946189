#pragma once
// The program's time base: every time is a whole minute (MinuteNumber) and a
// position inside that minute in ticks of 5 microseconds.
#include <cstdint>
#include <optional>
#include <string>

namespace kelp {

// Whole minutes since 30/12/1899 00:00 (the usual day count times 1440).
using MinuteNumber = std::int32_t;

inline constexpr std::int32_t TicksPerMinute = 12'000'000;
inline constexpr std::int32_t TicksPerSecond = 200'000;
inline constexpr std::int32_t MicrosecondsPerTick = 5;
inline constexpr std::int32_t MinutesPerDay = 1440;

// A click's time: the minute and the ticks within it. Valid times are 1..12,000,000.
struct ClickTime {
    MinuteNumber Minute = 0;
    std::int32_t Time = 0;

    friend bool operator==(const ClickTime&, const ClickTime&) = default;
};

// A is before B when its minute is earlier, or the minutes are equal and its time is earlier.
inline bool IsBefore(const ClickTime& a, const ClickTime& b) {
    return a.Minute < b.Minute || (a.Minute == b.Minute && a.Time < b.Time);
}
inline bool operator<(const ClickTime& a, const ClickTime& b) {
    return IsBefore(a, b);
}

// Adds an offset to a base time. Negative parts of the offset count as 0; a sum of
// exactly 12,000,000 ticks stays in the base minute.
ClickTime AddTime(const ClickTime& base, const ClickTime& offset);

// a - b, with times above a minute first folded into their minutes.
ClickTime TimeDifference(const ClickTime& a, const ClickTime& b);

// "1d 1h 5m" style text of a number of minutes; 0 gives "".
std::string DurationText(std::int64_t minutes);

// "dd/mm/yyyy hh:mm", always 16 characters.
std::string DateTimeText(MinuteNumber minute);

// "dd/mm/yyyy hh:mm:ss.uuuuuu", optionally with a leading apostrophe for spreadsheets.
std::string ClickTimeText(const ClickTime& t, bool apostrophe = false);

// Decimal digits with "," between groups of three.
std::string ThousandsText(std::int64_t value);

// Calendar helpers.
struct CivilDate {
    int Year = 1899, Month = 12, Day = 30;
};
std::int32_t DayNumberFromCivil(int year, int month, int day); // days since 30/12/1899
CivilDate CivilFromDayNumber(std::int32_t day);
MinuteNumber MakeMinute(int year, int month, int day, int hour, int minute);
// Floor division of a minute into its day (negative minutes fall on earlier days).
std::int32_t DayOfMinute(MinuteNumber minute);

// The current minute: round(now x 1440) on the local clock.
MinuteNumber CurrentMinute();

// Parses "dd/mm/yyyy hh:mm" (seconds part optional as ":ss" or ":ss.ffffff") into a
// click time; the time part defaults to 0 ticks. Returns nothing for a malformed text.
std::optional<ClickTime> ParseDateTimeText(const std::string& text);
// Parses "yyyy-mm-dd hh:mm" into a minute.
std::optional<MinuteNumber> ParseIsoMinute(const std::string& text);

// Rounds halves to the even neighbour, as the display and analysis do.
double RoundHalfEven(double value);
std::int64_t RoundToInt(double value);

} // namespace kelp
