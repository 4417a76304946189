#pragma once
// Click sounds: each click of the chosen band is played as a short tone whose pitch
// follows its frequency and whose loudness follows its cycles, as 8-bit mono samples at
// 44,100 per second in a RIFF/WAVE image.
#include <cstdint>
#include <string>
#include <vector>

#include "core/records.h"

namespace kelp {

inline constexpr int SoundSampleRate = 44'100;
inline constexpr int WaveHeaderBytes = 44;
inline constexpr std::uint8_t SilentSample = 128;

// The tone of a click: min(44,100, (SPL div 2) div 2 + 6) samples of
// round(sin(2i x pi x kHz x 64 / 44,100) x Ncyc + 128), clamped to 0..255.
std::vector<std::uint8_t> ClickToneSamples(const ClickRecord& click);

// A RIFF/WAVE image of 8-bit mono samples at 44,100 per second: the 44-byte header, then the samples.
std::vector<std::uint8_t> WaveImage(const std::vector<std::uint8_t>& samples);

// The pause before a click's tone, in milliseconds: min(1,000, gap div 512) when the gap
// from the previous sounded click is 512 ticks or more (a time below the previous one lies
// in a later minute); else 0.
int PauseBeforeClick(std::int32_t time, std::int32_t previousTime);

// Writes samples as a WAV file (under a temporary name first). False with the system's
// error text in `error` when it cannot be written.
bool WriteWaveFile(const std::string& path, const std::vector<std::uint8_t>& samples, std::string* error);

} // namespace kelp
