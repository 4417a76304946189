#pragma once
// The settings block that reaches the logger: 512 bytes, of which SETUP.ORV on the
// card receives the first 128. Its 64-byte settings area (bytes 64..127) is what the
// logger copies into the first block of DATA0.ORV and from there into every KL1, KL2
// and KL3 header. The area has two byte layouts, chosen by the logger number.
//
// Writers and readers here work on a pointer to the 64-byte area, so that the same
// code serves a settings block (block.data() + 64), a card's first data block and a
// data file header (DataFileHeader::Settings()).
#include <array>
#include <cstdint>
#include <string>

#include "settings/logger_settings.h"

namespace kelp {

inline constexpr int SettingsBlockSize = 512;
inline constexpr int SetupRewriteLength = 128; // the part of SETUP.ORV that is rewritten
inline constexpr int SettingsAreaOffset = 64;
inline constexpr int SettingsAreaSize = 64;
inline constexpr int BlockLoggerVersionOffset = 191;
inline constexpr char SettingsMagic[] = "Orvanella"; // bytes 0..8 of the block
inline constexpr int SettingsMagicLength = 9;
inline constexpr std::int64_t MinimumCardSizeBlocks = 2'000'000;

using SettingsBlock = std::array<std::uint8_t, SettingsBlockSize>;

// Fills the 64-byte settings area (`area` = block byte 64) in the given layout. Bytes
// the layout does not name are set to 0. The logger number goes to block bytes 126..127.
void WriteSettingsArea(std::uint8_t* area, const LoggerSettings& settings, int layout,
                       std::uint32_t cardSizeBlocks);
// The same in the set's own "Setup File version " layout.
inline void WriteSettingsArea(std::uint8_t* area, const LoggerSettings& settings,
                              std::uint32_t cardSizeBlocks) {
    WriteSettingsArea(area, settings, settings.SettingsLayout, cardSizeBlocks);
}

// The whole 512-byte block: the magic, the settings area in the set's layout, the
// logger version at byte 191, zeros elsewhere.
SettingsBlock BuildSettingsBlock(const LoggerSettings& settings, std::uint32_t cardSizeBlocks);

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
    int ClickLimit = 0;     // as stored (128 stands for no limit)
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

// Reads the area in the given layout.
SettingsAreaReading ReadSettingsArea(const std::uint8_t* area, int layout);

// Start delay in minutes and minutes off code as the logger finds them (layout 0: 70..71
// and 68; layout 1: 68..69 and 66).
int SettingsStartDelay(const std::uint8_t* area, int layout);
int SettingsMinutesOff(const std::uint8_t* area, int layout);

// Applies an alerting byte of layout 1 to a set: 0 is OFF; 2..142 give the frequency
// (byte AND 127) x 10 kHz, at "High power" above 128, else "Low power"; 1 and 143..255
// change nothing.
void ApplyAlertingByte(LoggerSettings& settings, int byte);

// Loads what a reading carries into a set (the fields of its layout; the trigger,
// logger number, layout and version are left as they are).
void ApplySettingsReading(LoggerSettings& settings, const SettingsAreaReading& reading);

// The card size beside the settings: (blocks div 2,097,152 + 1) + "GB" + gap + "(" +
// blocks with thousands separators + " blocks)"; the gap is two blanks, or four when
// `wideGap` (how the reader shows a layout 0 block).
std::string CardSizeText(std::int64_t blocks, bool wideGap = false);

// Card size in 512-byte blocks from the data files of a card folder: DATA0.ORV,
// DATA1.ORV, ... up to DATA31.ORV in order until one is missing, each counted in whole
// blocks, minus 33, and at least 2,000,000. An empty folder name counts as no files.
std::int64_t CardSizeBlocks(const std::string& folder);

} // namespace kelp
