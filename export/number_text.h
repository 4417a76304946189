#pragma once
// Decimal numbers as the lists write them.
#include <string>

namespace kelp {

// Fixed-point text with `decimals` decimals ("%.*f").
std::string FixedDecimals(double value, int decimals);
// The value first rounded to `significant` significant digits, then written with `decimals`
// decimals, padded with zeros: (45.678, 4, 4) gives "45.6800", (4.5678, 4, 4) "4.5680".
std::string SignificantDecimals(double value, int significant, int decimals);

} // namespace kelp
