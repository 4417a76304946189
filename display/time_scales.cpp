#include "display/time_scales.h"

#include <climits>

namespace kelp {
namespace {

using K = TimeLabelKind;

constexpr std::array<TimeScaleInfo, TimeScaleCount> Scales = {{
    {"10us", "1 pixel = 10us", 2, 0, 100, K::MillisecondsOrMetres, 0, ""},
    {"20us", "1 pixel = 20us", 4, 0, 100, K::MillisecondsOrMetres, 0, ""},
    {"100us", "1 pixel = 100us", 20, 0, 100, K::MillisecondsOrMetres, 0, ""},
    {"500us", "1 pixel = 500us", 100, 0, 100, K::MillisecondsOrMetres, 0, ""},
    {"1ms", "1 pixel = 1ms", 200, 0, 100, K::SecondsOneDecimal, 0, ""},
    {"2ms", "1 pixel = 2ms", 400, 0, 100, K::SecondsOneDecimal, 0, ""},
    {"5ms", "1 pixel = 5ms", 1'000, 0, 100, K::SecondsOneDecimal, 0, ""},
    {"10ms", "1 pixel = 10ms", 2'000, 0, 100, K::WholeSeconds, 0, ""},
    {"20ms", "1 pixel = 20ms", 4'000, 0, 100, K::WholeSeconds, 0, ""},
    {"50ms", "1 pixel = 50ms", 10'000, 0, 100, K::WholeSeconds, 0, ""},
    {"100ms", "1 pixel = 0.1s", 20'000, 0, 100, K::WholeSeconds, 0, ""},
    {"1min", "1min", 0, 1, 90, K::BinMultiple, 30, "m"},
    {"5min", "5mins", 0, 5, 108, K::BinMultiple, 3, "h"},
    {"30min", "30mins", 0, 30, 144, K::BinMultiple, 1, "d"},
    {"1hr", "1h", 0, 60, 72, K::BinMultiple, 1, "d"},
    // A quarter of a tide: four bins make 12 h 24 min.
    {"tide", "tide/4", 0, 186, 48, K::BinMultiple, 4, "~"},
    {"6hr", "6h", 0, 360, 120, K::BinMultiple, 10, "d"},
    {"12hr", "12h", 0, 720, 120, K::BinMultiple, 20, "d"},
    {"day", "1 day", 0, 1'440, 90, K::BinMultiple, 30, "d"},
    {"week", "1 week", 0, 10'080, 90, K::BinMultiple, 30, "wk"},
}};

std::int32_t ClampMinute(std::int64_t minute) {
    if (minute > INT32_MAX) return INT32_MAX;
    if (minute < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(minute);
}

} // namespace

const std::array<TimeScaleInfo, TimeScaleCount>& TimeScales() {
    return Scales;
}

const TimeScaleInfo& TimeScaleAt(int scale) {
    if (scale < 0) scale = 0;
    if (scale >= TimeScaleCount) scale = TimeScaleCount - 1;
    return Scales[static_cast<std::size_t>(scale)];
}

ClickTime NormalisedDisplayTime(std::int64_t minute, std::int64_t tick) {
    minute += tick / TicksPerMinute;
    tick %= TicksPerMinute;
    if (tick < 0) {
        tick += TicksPerMinute;
        minute -= 1;
    }
    return {ClampMinute(minute), static_cast<std::int32_t>(tick)};
}

ClickTime AddDisplayTime(const ClickTime& a, const ClickTime& b) {
    return NormalisedDisplayTime(static_cast<std::int64_t>(a.Minute) + b.Minute,
                                 static_cast<std::int64_t>(a.Time) + b.Time);
}

ClickTime SubtractDisplayTime(const ClickTime& a, const ClickTime& b) {
    return NormalisedDisplayTime(static_cast<std::int64_t>(a.Minute) - b.Minute,
                                 static_cast<std::int64_t>(a.Time) - b.Time);
}

ClickTime AddTicks(const ClickTime& a, std::int64_t ticks) {
    return NormalisedDisplayTime(a.Minute, static_cast<std::int64_t>(a.Time) + ticks);
}

std::int64_t TicksBetween(const ClickTime& a, const ClickTime& b) {
    return (static_cast<std::int64_t>(a.Minute) - b.Minute) * TicksPerMinute + (a.Time - b.Time);
}

} // namespace kelp
