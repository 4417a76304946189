#include "core/codes.h"

#include <algorithm>
#include <cmath>

#include "core/time.h"

namespace kelp {

std::uint8_t EncodeLogCode16(std::int64_t count) {
    if (count < 0) count = 0;
    int e = 0;
    while ((count >> e) > 15) ++e;
    if (e >= 16) return 254;
    return static_cast<std::uint8_t>((count >> e) + 16 * e);
}

std::int64_t DecodeLogCode16(std::uint8_t code) {
    return std::int64_t{code & 15} << (code >> 4);
}

std::uint8_t EncodeLogCode32(std::int64_t count) {
    if (count < 0) count = 0;
    int e = 0;
    while ((count >> e) > 31) ++e;
    return static_cast<std::uint8_t>(std::min<std::int64_t>(255, (count >> e) + 32 * e));
}

std::int64_t DecodeLogCode32(std::uint8_t code) {
    return std::int64_t{code & 31} << (code >> 5);
}

int AngleCodeToDegrees(int code) {
    double x = code / 128.0 - 1.0;
    if (x < -0.99) x = -1.0;
    if (x > 0.99) x = 1.0;
    const auto rounded = RoundToInt(std::acos(x) * 57.3);
    return static_cast<int>(std::llabs(rounded - 180));
}

float SplToPascals(int spl, int kHz) {
    if (kHz < 20) return 5.0f;
    if (kHz >= 170) return 0.2f;
    long double factor;
    if (kHz <= 29)
        factor = (30 - kHz) * 0.09L + 0.23L;
    else if (kHz <= 31)
        factor = 0.23L;
    else if (kHz <= 33)
        factor = 0.2L;
    else if (kHz <= 36)
        factor = 0.16L;
    else if (kHz <= 39)
        factor = 0.12L;
    else if (kHz <= 59)
        factor = 0.1L;
    else if (kHz <= 69)
        factor = 0.11L;
    else if (kHz <= 79)
        factor = 0.1L;
    else if (kHz <= 89)
        factor = 0.08L;
    else if (kHz <= 99)
        factor = 0.05L;
    else if (kHz <= 109)
        factor = 0.06L;
    else if (kHz <= 119)
        factor = 0.05L;
    else if (kHz <= 129)
        factor = 0.04L;
    else if (kHz <= 139)
        factor = 0.07L;
    else if (kHz <= 149)
        factor = 0.08L;
    else if (kHz <= 159)
        factor = 0.1L;
    else
        factor = 0.2L;
    return static_cast<float>(spl * factor);
}

} // namespace kelp
