#include "download/click_conversion.h"

#include <algorithm>
#include <cstdlib>

#include "core/bytes.h"

namespace kelp {

int MeanFrequency(int n, int c4, int c5) {
    const int z = std::min(8, n - 2) * 24 + (c4 >> 5) * 256 + c5;
    if (z < 1) return 220;
    if (n < 10) return std::min(220, std::abs((n - 2) * 5000 / z));
    return std::min(220, 40'000 / z);
}

int EndFrequency(int endPeriodCode) {
    return endPeriodCode > 0 ? 5000 / (endPeriodCode + 24) : 10;
}

namespace {

int SlopePart(int kind, int e1, int e2) {
    switch (kind) {
    case 0:
        return e1 < e2 ? std::min(15, e2 / std::max(1, e1) + 7) : std::max(0, 7 - e1 / std::max(1, e2));
    case 1:
        return e1 < e2 ? std::min(15, 2 * e2 / std::max(1, e1) + 6)
                       : std::max(0, 6 - 2 * e1 / std::max(1, e2));
    default:
        return e1 < e2 ? std::min(31, 3 * e2 / (e1 + 10) + 12) : std::max(0, 17 - 3 * e1 / (e2 + 10));
    }
}

// The high part, already shifted into place; `e` is E2 for kinds 0 and 2, E1 for kind 1.
int RatioPart(int kind, int a, int e) {
    switch (kind) {
    case 0:
    case 1:
        return std::min(15, a / std::max(1, e)) << 4;
    default:
        // Three bits taken modulo 8: -1 becomes 7, -2 becomes 6.
        return (std::min(7, 2 * a / (e + 5) - 2) & 7) << 5;
    }
}

} // namespace

std::uint8_t EnvelopeByte(int kind, int e1, int e2, int a) {
    return static_cast<std::uint8_t>(SlopePart(kind, e1, e2) | RatioPart(kind, a, kind == 1 ? e1 : e2));
}

ClickConverter::ClickConverter(int envelopeKind)
    : kind_(std::clamp(envelopeKind, 0, 2)), meankHz_(10 * 2048), slope_(256 * 256), ratio_(256 * 256) {
    for (int n = 1; n <= 10; ++n)
        for (int zsum = 0; zsum < 2048; ++zsum)
            meankHz_[static_cast<std::size_t>((n - 1) * 2048 + zsum)] =
                static_cast<std::uint8_t>(MeanFrequency(n, (zsum >> 8) << 5, zsum & 255));
    // 5000 div (code + 24) for every code; the end frequency byte uses 10 for code 0 instead.
    for (int code = 0; code < 256; ++code)
        periodkHz_[static_cast<std::size_t>(code)] = static_cast<std::uint8_t>(5000 / (code + 24));
    for (int x = 0; x < 256; ++x)
        for (int y = 0; y < 256; ++y) {
            const auto i = static_cast<std::size_t>(x * 256 + y);
            slope_[i] = static_cast<std::uint8_t>(SlopePart(kind_, x, y));
            ratio_[i] = static_cast<std::uint8_t>(RatioPart(kind_, x, y));
        }
}

} // namespace kelp
