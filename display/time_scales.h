#pragma once
// The display's twenty time scales, from 10 microseconds per pixel to one week per
// bin, and the arithmetic on display times (a minute and a tick 0 .. 11,999,999).
#include <array>
#include <cstdint>
#include <string>

#include "core/time.h"

namespace kelp {

inline constexpr int TimeScaleCount = 20;
inline constexpr int FinestScale = 0;
inline constexpr int CoarsestScale = 19;
// Scales 0..10 show single clicks; 11..19 show counts in bins of 3 pixels.
inline constexpr int FirstLowResolutionScale = 11;
inline constexpr int OneMinuteScale = 11;
inline constexpr int FiveMinuteScale = 12;
inline constexpr int TideScale = 15;
inline constexpr int DefaultTimeScale = 7;
inline constexpr int PixelsPerBin = 3;

inline bool IsLowResolution(int scale) {
    return scale >= FirstLowResolutionScale;
}

// How the time labels under the plot read on a scale.
enum class TimeLabelKind {
    MillisecondsOrMetres, // only from the left edge: "I   0 msecs", "I   1ms", ... or metres
    SecondsOneDecimal,    // "I 0.1s"
    WholeSeconds,         // "I 1s"
    BinMultiple,          // "I 30m", "I 3h", "I 1d", "I 4~", "I 30wk": multiple x n and unit
};

struct TimeScaleInfo {
    const char* Caption;         // the clickable scale caption
    const char* ResolutionLabel; // shown beside the captions
    std::int32_t TicksPerPixel;  // high resolution; 0 on the bin scales
    std::int32_t MinutesPerBin;  // bin scales; 0 on the high-resolution scales
    int LabelSpacing;            // pixels between time labels
    TimeLabelKind LabelKind;
    int LabelMultiple;     // BinMultiple: label n reads multiple x n
    const char* LabelUnit; // BinMultiple: "m", "h", "d", "~", "wk"
};

const std::array<TimeScaleInfo, TimeScaleCount>& TimeScales();
// The scale's row; indexes outside 0..19 are clamped.
const TimeScaleInfo& TimeScaleAt(int scale);

// "-All-": the caption that fits the whole shared range on the screen.
inline constexpr const char* ShowAllCaption = "-All-";

// Display time arithmetic. Ticks are kept in 0 .. 11,999,999; whole minutes carry.
ClickTime NormalisedDisplayTime(std::int64_t minute, std::int64_t tick);
ClickTime AddDisplayTime(const ClickTime& a, const ClickTime& b);
// A negative tick difference borrows one minute.
ClickTime SubtractDisplayTime(const ClickTime& a, const ClickTime& b);
ClickTime AddTicks(const ClickTime& a, std::int64_t ticks);
// Whole ticks from b to a (may be negative).
std::int64_t TicksBetween(const ClickTime& a, const ClickTime& b);

} // namespace kelp
