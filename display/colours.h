#pragma once
// The display's fixed colour tables: the kHz colour table that frequencies and other
// values are drawn with, the 34-colour palette, and the class colours with the fixed
// colours that follow them.
#include <array>

#include "display/canvas.h"

namespace kelp {

// 256 colours from black and dark red (20 kHz) through red, orange, yellow, green,
// cyan and blue to violet and purple (150-160 kHz); entries above 200 repeat entry 200
// except the last two.
const std::array<Colour, 256>& KHzColourTable();
// The kHz colour of any index; indexes outside 0..255 are clamped into the table.
Colour KHzColour(int index);

// The 34-colour palette of the envelope view and of the class colours.
const std::array<Colour, 34>& Palette34();

// Class colours 0..5 (red, orange, yellow-green, green, blue, violet) followed by the
// table's nine further fixed colours.
const std::array<Colour, 15>& ClassColourTable();
inline constexpr int ClassColourCount = 6;
Colour ClassColour(int index); // 0..5

} // namespace kelp
