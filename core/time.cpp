#include "core/time.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace kelp {

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// Days from 1970-01-01 for a proleptic Gregorian date.
std::int64_t DaysFromUnixEpoch(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

constexpr std::int64_t UnixEpochDayNumber = 25569; // 01/01/1970 counted from 30/12/1899

std::string TwoDigits(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

} // namespace

ClickTime AddTime(const ClickTime& base, const ClickTime& offset) {
    const std::int64_t offsetMinute = std::max<std::int32_t>(0, offset.Minute);
    const std::int64_t offsetTime = std::max<std::int32_t>(0, offset.Time);
    std::int64_t t = static_cast<std::int64_t>(base.Time) + offsetTime;
    std::int64_t minute = base.Minute + offsetMinute;
    if (t > TicksPerMinute) {
        minute += t / TicksPerMinute;
        t %= TicksPerMinute;
    }
    return {static_cast<MinuteNumber>(minute), static_cast<std::int32_t>(t)};
}

ClickTime TimeDifference(const ClickTime& a, const ClickTime& b) {
    auto normalise = [](ClickTime t) {
        if (t.Time > TicksPerMinute) {
            t.Minute += t.Time / TicksPerMinute;
            t.Time %= TicksPerMinute;
        }
        return t;
    };
    const ClickTime na = normalise(a);
    const ClickTime nb = normalise(b);
    std::int32_t d = na.Time - nb.Time;
    MinuteNumber minute = na.Minute - nb.Minute;
    if (d < 0) {
        minute -= 1;
        d += TicksPerMinute;
    }
    return {minute, d};
}

std::string DurationText(std::int64_t n) {
    std::string text;
    if (n / 1440 > 0) text += std::to_string(n / 1440) + "d ";
    if ((n % 1440) / 60 > 0) text += std::to_string((n % 1440) / 60) + "h ";
    if (n % 60 > 0) text += std::to_string(n % 60) + "m";
    return text;
}

std::int32_t DayNumberFromCivil(int year, int month, int day) {
    return static_cast<std::int32_t>(
        DaysFromUnixEpoch(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
        UnixEpochDayNumber);
}

CivilDate CivilFromDayNumber(std::int32_t dayNumber) {
    std::int64_t z = static_cast<std::int64_t>(dayNumber) - UnixEpochDayNumber + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

std::int32_t DayOfMinute(MinuteNumber minute) {
    return static_cast<std::int32_t>(FloorDiv(minute, MinutesPerDay));
}

MinuteNumber MakeMinute(int year, int month, int day, int hour, int minute) {
    return DayNumberFromCivil(year, month, day) * MinutesPerDay + hour * 60 + minute;
}

std::string DateTimeText(MinuteNumber minute) {
    const std::int32_t day = DayOfMinute(minute);
    // In 64 bits: the first day of the range starts before the smallest minute number.
    const auto inDay = static_cast<std::int32_t>(std::int64_t{minute} - std::int64_t{day} * MinutesPerDay);
    const CivilDate date = CivilFromDayNumber(day);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d", date.Day, date.Month, date.Year, inDay / 60,
                  inDay % 60);
    return buf;
}

std::string ClickTimeText(const ClickTime& t, bool apostrophe) {
    std::string text = apostrophe ? "'" : "";
    text += DateTimeText(t.Minute);
    const std::int32_t seconds = t.Time / TicksPerSecond;
    const std::int32_t micro = (t.Time % TicksPerSecond) * MicrosecondsPerTick;
    char buf[32];
    std::snprintf(buf, sizeof buf, ":%s.%06d", TwoDigits(seconds).c_str(), micro < 0 ? 0 : micro);
    return text + buf;
}

std::string ThousandsText(std::int64_t value) {
    const bool negative = value < 0;
    std::string digits = std::to_string(value);
    if (negative) digits.erase(0, 1);
    std::string out;
    const int n = static_cast<int>(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += ',';
        out += digits[static_cast<std::size_t>(i)];
    }
    return negative ? "-" + out : out;
}

MinuteNumber CurrentMinute() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const double days = DayNumberFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
                        (local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec) / 86400.0;
    return static_cast<MinuteNumber>(RoundToInt(days * MinutesPerDay));
}

namespace {

bool ValidCivil(int y, int mo, int d, int h, int mi) {
    if (y < 1 || y > 9999 || mo < 1 || mo > 12 || d < 1 || h < 0 || h > 23 || mi < 0 || mi > 59) return false;
    const CivilDate back = CivilFromDayNumber(DayNumberFromCivil(y, mo, d));
    return back.Day == d && back.Month == mo && back.Year == y;
}

} // namespace

std::optional<ClickTime> ParseDateTimeText(const std::string& text) {
    int d = 0, mo = 0, y = 0, h = 0, mi = 0, consumed = 0;
    if (std::sscanf(text.c_str(), "%d/%d/%d %d:%d%n", &d, &mo, &y, &h, &mi, &consumed) != 5)
        return std::nullopt;
    if (!ValidCivil(y, mo, d, h, mi)) return std::nullopt;
    ClickTime t{MakeMinute(y, mo, d, h, mi), 0};
    std::string rest = text.substr(static_cast<std::size_t>(consumed));
    if (rest.empty()) return t;
    int seconds = 0, used = 0;
    if (std::sscanf(rest.c_str(), ":%d%n", &seconds, &used) != 1 || seconds < 0 || seconds > 59)
        return std::nullopt;
    rest = rest.substr(static_cast<std::size_t>(used));
    std::int64_t micro = 0;
    if (!rest.empty()) {
        if (rest[0] != '.' || rest.size() < 2 || rest.size() > 7) return std::nullopt;
        std::string fraction = rest.substr(1);
        for (char c : fraction)
            if (c < '0' || c > '9') return std::nullopt;
        fraction.resize(6, '0');
        micro = std::stoll(fraction);
    }
    t.Time = static_cast<std::int32_t>(seconds * TicksPerSecond + micro / MicrosecondsPerTick);
    return t;
}

std::optional<MinuteNumber> ParseIsoMinute(const std::string& text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, consumed = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d%n", &y, &mo, &d, &h, &mi, &consumed) != 5)
        return std::nullopt;
    if (static_cast<std::size_t>(consumed) != text.size() || !ValidCivil(y, mo, d, h, mi))
        return std::nullopt;
    return MakeMinute(y, mo, d, h, mi);
}

double RoundHalfEven(double value) {
    return std::nearbyint(value);
}

std::int64_t RoundToInt(double value) {
    return static_cast<std::int64_t>(std::nearbyint(value));
}

} // namespace kelp
