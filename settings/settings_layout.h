#pragma once
// The settings block that reaches the logger: 512 bytes, of which SETUP.ORV on the
// card receives the first 128. Its 64-byte settings area (bytes 64..127) is what the
// logger copies into the first block of DATA0.ORV and from there into every KL1, KL2
// and KL3 header. The area has two byte layouts, chosen by the logger number.
//
// The writers here work on a pointer to the 64-byte area (block.data() + 64); the area is
// read back by core's ReadSettingsArea (core/settings_area.h), for a settings block, a
// card's first data block and a data file header alike.
#include <array>
#include <cstdint>
#include <string>

#include "core/settings_area.h"
#include "settings/logger_settings.h"

namespace kelp {

inline constexpr int SettingsBlockSize = 512;
inline constexpr int SetupRewriteLength = 128; // the part of SETUP.ORV that is rewritten
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
