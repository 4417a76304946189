#pragma once
// The click and train filter settings, one set for the whole program. Each setting
// keeps the text the user typed beside its parsed value: the descriptions compare
// texts ("00" counts as a filter although it equals 0).
#include <array>
#include <cstdint>
#include <string>

namespace kelp {

// One numeric entry box: its text, the value parsed from it, the box's initial text
// (which means "no filter") and the text put back when the entry does not parse.
struct FilterEntry {
    std::string Text;
    std::int32_t Value = 0;
    std::string InitialText;
    std::string FallbackText;

    FilterEntry() = default;
    FilterEntry(const char* initial, const char* fallback, std::int32_t value)
        : Text(initial), Value(value), InitialText(initial), FallbackText(fallback) {}
    bool IsInitial() const { return Text == InitialText; }
};

struct FilterRange {
    FilterEntry Min;
    FilterEntry Max;
    bool Passes(std::int32_t v) const { return v >= Min.Value && v <= Max.Value; }
    bool IsInitial() const { return Min.IsInitial() && Max.IsInitial(); }
};

// The range boxes in the order the descriptions list them.
enum class FilterBox : int {
    FrequencyMin,
    FrequencyMax,
    DurationMin,
    DurationMax,
    AmplitudeMin,
    AmplitudeMax,
    EnvelopeMin,
    EnvelopeMax,
    BandwidthMin,
    BandwidthMax
};

struct ClickFilter {
    FilterRange Frequency{{"0", "0", 0}, {"255", "255", 255}};
    FilterRange Duration{{"0", "0", 0}, {"9999", "9999", 9999}};
    FilterRange Amplitude{{"0", "0", 0}, {"9999", "9999", 9999}};
    // The slope maximum starts at "255" (no filter) but a bad entry puts "15" back.
    FilterRange Envelope{{"0", "0", 0}, {"255", "15", 255}};
    FilterRange Bandwidth{{"0", "0", 0}, {"255", "255", 255}};
    FilterEntry Weak{"0", "0", 0};               // "weak filter"
    FilterEntry MinClusterStatus{"2", "2", 2};   // "Min clstr status"
    FilterEntry ExactClusterStatus{"5", "5", 5}; // "exact clstr status"; 5 and above: no exact test
    bool ClusterBand1 = false;                   // "b1"
    // "ignore filters   (F4)" and "ignore all filters": two boxes, always the same state.
    bool Ignore = false;

    FilterEntry& Entry(FilterBox box);
    const FilterEntry& Entry(FilterBox box) const;
};

// Train filter tick boxes, for KL3 files.
struct TrainFilter {
    // Indexed by quality class: 0 "?", 1 "Lo", 2 "Mod", 3 "Hi".
    std::array<bool, 4> Quality{false, false, true, true};
    bool AllQualities = false; // "All Q (F3)"
    // Indexed by species class: "Porpoise-like", "Dolphins", "other train sources", "unclassed", "boat
    // sonars".
    std::array<bool, 5> Species{true, true, true, true, true};
    // The nine quality and species boxes are disabled while the filters are ignored.
    bool BoxesEnabled = true;
};

// The ICI filter of the display's seek (intervals in milliseconds typed, kept in ticks).
struct IciFilter {
    std::string UpperText = "200";
    std::string LowerText = "2000";
    std::int32_t UpperTicks = 1000; // 200,000 div max(1, value)
    std::int32_t LowerTicks = 100;
    bool On = false; // "on/off"
};

// The ticks of an ICI entry in milliseconds.
inline std::int32_t IciTicks(std::int32_t milliseconds) {
    return 200'000 / (milliseconds < 1 ? 1 : milliseconds);
}

} // namespace kelp
