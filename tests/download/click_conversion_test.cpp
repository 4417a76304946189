// The conversion of one card click record into a KL1 click record.
#include <gtest/gtest.h>

#include "download/click_conversion.h"
#include "download/sd_card.h"

namespace kelp {
namespace {

std::array<std::uint8_t, 10> Card(int cyclesLessOne, int zsum, int endCode, int amplitude, int e1, int e2,
                                  int bandwidth = 5, std::uint32_t time = 123456) {
    SDClickRecord c;
    c.Time = time;
    c.CyclesLessOne = static_cast<std::uint8_t>(cyclesLessOne);
    c.Bandwidth = static_cast<std::uint8_t>(bandwidth);
    c.Zsum = static_cast<std::uint16_t>(zsum);
    c.EndPeriodCode = static_cast<std::uint8_t>(endCode);
    c.Amplitude = static_cast<std::uint8_t>(amplitude);
    c.E1 = static_cast<std::uint8_t>(e1);
    c.E2 = static_cast<std::uint8_t>(e2);
    std::array<std::uint8_t, 10> r{};
    EncodeSDClick(r.data(), c);
    return r;
}

std::array<std::uint8_t, 10> Convert(int kind, const std::array<std::uint8_t, 10>& c, int next = -1) {
    ClickConverter converter(kind);
    std::array<std::uint8_t, 10> out{};
    converter.Convert(c.data(), next, out.data());
    return out;
}

TEST(ClickConversion, FrequencyFromThePeriodSum) {
    // 10 cycles or more: 40,000 div Z, Z = 8 x 24 + Zsum; Z = 200 is exactly 200 kHz and flags byte 9.
    auto out = Convert(0, Card(9, 8, 10, 50, 10, 10));
    EXPECT_EQ(out[3], 10);
    EXPECT_EQ(out[5], 200);
    EXPECT_EQ(out[9], 1);
    // 130 kHz click: Z = 192 + 116 = 308 -> 129.
    out = Convert(0, Card(14, 116, 14, 50, 10, 10));
    EXPECT_EQ(out[5], 129);
    EXPECT_EQ(out[9], 0);
    // Fewer than 10 cycles: (n - 2) x 5000 div Z with Z = (n - 2) x 24 + Zsum; 5 cycles, Zsum 300 -> 40.
    EXPECT_EQ(MeanFrequency(5, 300 >> 8 << 5, 300 & 255), 15000 / 372);
    // At 220 the end frequency stands in; byte 9 follows the frequency before that (here 220, not 200).
    out = Convert(0, Card(1, 0, 1, 50, 10, 10)); // two cycles sum nothing: Z = 0 -> 220 -> 5000 div 25
    EXPECT_EQ(out[5], 200);
    EXPECT_EQ(out[6], 200);
    EXPECT_EQ(out[9], 0);
    // An end code of 0 (not measured) still gives 5000 div 24 in byte 5, but 10 in byte 6.
    out = Convert(0, Card(1, 0, 0, 50, 10, 10));
    EXPECT_EQ(out[5], 208);
    EXPECT_EQ(out[6], 10);
    // One cycle: Z = -24 + Zsum; a positive Z gives |(-1) x 5000 div Z| (the sign dropped).
    EXPECT_EQ(MeanFrequency(1, 0, 124), 50);
    EXPECT_EQ(MeanFrequency(1, 0, 24), 220);
    // 255 cycles at most.
    EXPECT_EQ(Convert(0, Card(255, 100, 10, 50, 10, 10))[3], 255);
}

TEST(ClickConversion, TimeBandwidthAmplitudeAndLookAhead) {
    auto out = Convert(0, Card(14, 300, 14, 0, 10, 10, 31, 0xABCDEF));
    EXPECT_EQ(out[0], 0xAB);
    EXPECT_EQ(out[1], 0xCD);
    EXPECT_EQ(out[2], 0xEF);
    EXPECT_EQ(out[4], 31); // Zsum's high bits are not part of the bandwidth
    EXPECT_EQ(out[7], 1);  // amplitude 0 becomes 1
    EXPECT_EQ(Convert(0, Card(14, 116, 14, 255, 10, 10), 255)[7], 255);
    EXPECT_EQ(Convert(0, Card(14, 116, 14, 255, 10, 10), 254)[7], 254);
    EXPECT_EQ(Convert(0, Card(14, 116, 14, 255, 10, 10), -1)[7], 255);
}

TEST(ClickConversion, EnvelopeCodingKinds) {
    // Kind 0: rising (E1 < E2) low nibble 7 + E2 div E1, high nibble a div E2.
    EXPECT_EQ(EnvelopeByte(0, 10, 35, 100), (2 << 4) | 10);
    EXPECT_EQ(EnvelopeByte(0, 40, 10, 100), (10 << 4) | 3);
    EXPECT_EQ(EnvelopeByte(0, 0, 0, 255), (15 << 4) | 7); // divisors of at least 1, nibbles capped
    EXPECT_EQ(EnvelopeByte(0, 1, 200, 0), (0 << 4) | 15);
    // Kind 1: 2 x ratios around 6; high nibble a div E1.
    EXPECT_EQ(EnvelopeByte(1, 10, 35, 100), (10 << 4) | 13);
    EXPECT_EQ(EnvelopeByte(1, 40, 10, 100), (2 << 4) | 0);
    // Kind 2: five low bits around 12/17, three high bits 2a div (E2 + 5) - 2 modulo 8.
    EXPECT_EQ(EnvelopeByte(2, 10, 50, 100), (1 << 5) | 19);
    EXPECT_EQ(EnvelopeByte(2, 50, 10, 100), (7 << 5) | 10); // 200 div 15 - 2 = 11, capped at 7
    EXPECT_EQ(EnvelopeByte(2, 0, 5, 5) >> 5, 7);            // 10 div 10 - 2 = -1 -> 7
    EXPECT_EQ(EnvelopeByte(2, 0, 0, 2), (6 << 5) | 17);     // 4 div 5 - 2 = -2 -> 6; equal values -> 17
    // The converter writes the same byte as the rule.
    EXPECT_EQ(Convert(2, Card(14, 116, 14, 100, 10, 50))[8], EnvelopeByte(2, 10, 50, 100));
    EXPECT_EQ(Convert(1, Card(14, 116, 14, 100, 40, 10))[8], EnvelopeByte(1, 40, 10, 100));
}

} // namespace
} // namespace kelp
