#pragma once
// The registered calibration gain of every logger number. The table built into the
// program comes from data/logger-gains.tsv; a lab can register its own loggers in a
// file of the same form, which overrides the built-in rows it names.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/logger_settings.h"

namespace kelp {

class LoggerGainTable {
public:
    static constexpr int Length = LoggerGainTableLength;

    // All gains 0 (no logger registered with a gain).
    LoggerGainTable() = default;

    // The gain of a logger number; 0 for a number without a registered gain or outside 1..Length.
    int GainOf(int loggerNumber) const;
    void SetGain(int loggerNumber, int gain);
    // Numbers 1..Length are registered (possibly with gain 0); others are not.
    static bool IsRegistered(int loggerNumber) { return loggerNumber >= 1 && loggerNumber <= Length; }
    // Number of loggers with a non-zero gain.
    int CountWithGain() const;

    friend bool operator==(const LoggerGainTable&, const LoggerGainTable&) = default;

private:
    std::array<std::uint8_t, Length> gains_{};
};

// The table built into the program.
const LoggerGainTable& BuiltInGainTable();

// Applies a registry text over `table`: one "logger<TAB>gain" row per line (blanks also
// separate), '#' starts a comment, blank lines are skipped. Logger numbers must lie in
// 1..2,000 and gains in 0..255. On a bad line nothing is applied and `error` says
// which line and why.
bool ApplyGainRegistry(std::string_view text, LoggerGainTable& table, std::string& error);

// Reads a registry file and applies it over `table` (unchanged on failure).
bool ApplyGainRegistryFile(const std::string& path, LoggerGainTable& table, std::string& error);

} // namespace kelp
