#include <gtest/gtest.h>

#include "display/colours.h"

namespace kelp {
namespace {

TEST(KHzColourTable, DarkRedRampBelowTwentyKilohertz) {
    EXPECT_EQ(KHzColour(0), 0x000000u);
    for (int i = 1; i <= 19; ++i) EXPECT_EQ(KHzColour(i), MakeColour(7 * i, 0, 0)) << i;
    EXPECT_EQ(KHzColour(19), 0x000085u);
}

TEST(KHzColourTable, QuotedEntries) {
    struct Entry {
        int Index;
        Colour Value;
    };
    const Entry entries[] = {
        {20, 0x000096},  {22, 0x0000BE},  {23, 0x0000BE},  {29, 0x0005E6},  {30, 0x000AF6},  {39, 0x0050FF},
        {48, 0x00A0FF},  {54, 0x00C2FE},  {68, 0x00FFD2},  {75, 0x0AFFAC},  {80, 0x3CFF80},  {85, 0x78FA50},
        {94, 0xD2CD00},  {100, 0xF0AE00}, {112, 0xFF6102}, {119, 0xFF4023}, {122, 0xFA2B3E}, {130, 0xFF0966},
        {149, 0xFA0ABE}, {150, 0xF514C3}, {155, 0xDC5AAA}, {159, 0xB43787}, {160, 0xAA3282}, {161, 0x9F3281},
        {165, 0x9B307D}, {169, 0x972E79}, {200, 0x781E5A}, {254, 0x141414}, {255, 0x140A0A},
    };
    for (const Entry& e : entries) EXPECT_EQ(KHzColour(e.Index), e.Value) << e.Index;
}

TEST(KHzColourTable, RuleFrom161To200AndRepeatsUpTo253) {
    for (int i = 1; i <= 40; ++i)
        EXPECT_EQ(KHzColour(160 + i), MakeColour(130 - i, 50 - i / 2, 160 - i)) << i;
    for (int i = 201; i <= 253; ++i) EXPECT_EQ(KHzColour(i), 0x781E5Au) << i;
}

TEST(KHzColourTable, IndexesOutsideTheTableAreClamped) {
    EXPECT_EQ(KHzColour(-5), KHzColour(0));
    EXPECT_EQ(KHzColour(300), KHzColour(255));
}

TEST(ClassColours, ComeFromThePaletteAndAreFollowedByFixedColours) {
    const auto& p = Palette34();
    EXPECT_EQ(p[0], 0x000096u);
    EXPECT_EQ(p[33], 0xAA0564u);
    const Colour expected[] = {0x0000F0, 0x00C3FF, 0x00FFB4, 0x96E100, 0xFF7805, 0xF00050};
    for (int k = 0; k < ClassColourCount; ++k) EXPECT_EQ(ClassColour(k), expected[k]) << k;
    const auto& table = ClassColourTable();
    const Colour further[] = {0x808080, 0xC0C0C0, 0xC0C0C0, 0xC0C0C0, 0xFFFFFF,
                              0x008000, 0x00FFFF, 0x0000FF, 0x808080};
    for (int k = 0; k < 9; ++k) EXPECT_EQ(table[static_cast<std::size_t>(6 + k)], further[k]) << k;
}

} // namespace
} // namespace kelp
