#pragma once
// The logger's 64-byte settings area as it is read back. The logger copies the area from
// its settings block (bytes 64..127) into the first block of DATA0.ORV, and the download
// copies it into every KL1, KL2 and KL3 header. It has two byte layouts, chosen by the
// logger number; this is the one reader of both. The settings side writes the area
// (settings/settings_layout.h), and its round-trip tests keep the two in step.
#include <cstdint>

namespace kelp {

inline constexpr int SettingsAreaOffset = 64; // in a settings block, a card's first block and a header
inline constexpr int SettingsAreaSize = 64;

// Values read from a settings area in one layout. Fields a layout does not carry stay
// unset (HR intercept, biases and alerting byte in layout 0); the trigger is never read.
struct SettingsAreaReading {
    int Layout = 1;
    int SwitchAngleFrom = 0;
    int SwitchAngleTo = 0;
    int MinutesOff = 0; // as stored; not checked
    int StartDelay = 0;
    std::uint32_t CardSizeBlocks = 0;
    int HighPassFilter = 0; // the stored byte AND 127
    int ClickLimit = 0;     // the code as stored (128 stands for no limit); see MinuteClickLimitOf
    int Gain = 0;
    int Hysteresis = 0;
    int Stmin = 0;
    int Stmax = 0;
    int StartSPL = 0;
    int MinSPL = 0;
    int MaxSPL = 0;
    int BWThreshold = 0;
    int MinCycles = 0;
    // Layout 1 only.
    int HRIntercept = 0;
    int LowBias = 0;
    int HighBias = 0;
    int AlertingByte = 0;
    int LoggerNumber = 0; // bytes 126..127 (a settings block or SETUP.ORV)
};

// Reads the area (`area` = byte 64 of its block or header) in the given layout (0 or 1).
SettingsAreaReading ReadSettingsArea(const std::uint8_t* area, int layout);

// The clicks a logger keeps per minute at most for a click limit code: 1 -> 1,024,
// 2 -> 4,096, 3 -> 65,536. 0 (no limit) for the codes 0 and 128, and for any other code.
inline constexpr std::int64_t MinuteClickLimitOf(int code) {
    return code == 1 ? 1024 : code == 2 ? 4096 : code == 3 ? 65536 : 0;
}

} // namespace kelp
