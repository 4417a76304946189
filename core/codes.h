#pragma once
// Packed counts and the unit conversions shared by every reader.
#include <cstdint>

namespace kelp {

// LogCode16: 4-bit mantissa, 4-bit exponent. 254 stands for a count too large to code;
// 255 is kept for "minute click limit reached" in the N-clicks field.
std::uint8_t EncodeLogCode16(std::int64_t count);
std::int64_t DecodeLogCode16(std::uint8_t code);

// LogCode32: 5-bit mantissa, 3-bit exponent, saturating at 255.
std::uint8_t EncodeLogCode32(std::int64_t count);
std::int64_t DecodeLogCode32(std::uint8_t code);

// Tilt angle code 0..255 to whole degrees (0 upright .. 180 upside down).
int AngleCodeToDegrees(int code);

// Sound pressure level in logger units to pascals by the frequency of the click.
float SplToPascals(int spl, int kHz);

} // namespace kelp
