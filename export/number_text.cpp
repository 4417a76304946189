#include "export/number_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kelp {

std::string FixedDecimals(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string SignificantDecimals(double value, int significant, int decimals) {
    if (!std::isfinite(value)) value = 0;
    char text[64];
    std::snprintf(text, sizeof text, "%.*e", significant - 1, value);
    return FixedDecimals(std::strtod(text, nullptr), decimals);
}

} // namespace kelp
