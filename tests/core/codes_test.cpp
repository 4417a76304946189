#include <gtest/gtest.h>

#include "core/codes.h"

namespace kelp {
namespace {

TEST(LogCode16, SmallestExponentThatFits) {
    EXPECT_EQ(EncodeLogCode16(0), 0);
    EXPECT_EQ(EncodeLogCode16(15), 15);
    EXPECT_EQ(EncodeLogCode16(16), 8 + 16); // 16 >> 1 = 8
    EXPECT_EQ(EncodeLogCode16(31), 15 + 16);
    EXPECT_EQ(EncodeLogCode16(32), 8 + 32);
    EXPECT_EQ(EncodeLogCode16(1024), 8 + 16 * 7);
    EXPECT_EQ(DecodeLogCode16(EncodeLogCode16(1024)), 1024);
    EXPECT_EQ(DecodeLogCode16(EncodeLogCode16(1000)), 960); // 1000 >> 6 = 15, truncated
    // Exponent 16 and beyond cannot be coded.
    EXPECT_EQ(EncodeLogCode16(16LL << 16), 254);
    EXPECT_EQ(EncodeLogCode16(15LL << 15), 255 - 0); // the largest codeable value uses the top code
    EXPECT_EQ(DecodeLogCode16(254), 14LL << 15);
    EXPECT_EQ(EncodeLogCode16(-5), 0);
}

TEST(LogCode16, DecodingNeverOverstatesTheCount) {
    for (std::int64_t n = 0; n < 200'000; n += 7) {
        const auto d = DecodeLogCode16(EncodeLogCode16(n));
        EXPECT_LE(d, n);
        EXPECT_GT(d * 2 + 2, n) << n;
    }
}

TEST(LogCode32, SaturatesAt255) {
    EXPECT_EQ(EncodeLogCode32(31), 31);
    EXPECT_EQ(EncodeLogCode32(32), 16 + 32);
    EXPECT_EQ(DecodeLogCode32(EncodeLogCode32(500)), 496);
    EXPECT_EQ(EncodeLogCode32(31LL << 7), 255);
    EXPECT_EQ(EncodeLogCode32(1LL << 30), 255);
    EXPECT_EQ(DecodeLogCode32(255), 31LL << 7);
}

TEST(AngleCode, KnownCodes) {
    EXPECT_EQ(AngleCodeToDegrees(0), 0);
    EXPECT_EQ(AngleCodeToDegrees(64), 60);
    EXPECT_EQ(AngleCodeToDegrees(128), 90);
    EXPECT_EQ(AngleCodeToDegrees(192), 120);
    EXPECT_EQ(AngleCodeToDegrees(255), 180);
    // Codes within 0.99 of the ends are clamped to the ends.
    EXPECT_EQ(AngleCodeToDegrees(1), 0);
    EXPECT_EQ(AngleCodeToDegrees(254), 170); // 0.984 is inside the clamp limits
    EXPECT_EQ(AngleCodeToDegrees(2), 10);
}

TEST(SplToPascals, FrequencyBands) {
    EXPECT_FLOAT_EQ(SplToPascals(200, 2), 5.0f);
    EXPECT_FLOAT_EQ(SplToPascals(100, 25), 68.0f);
    EXPECT_FLOAT_EQ(SplToPascals(100, 200), 0.2f);
    EXPECT_FLOAT_EQ(SplToPascals(100, 20), 100 * (10 * 0.09 + 0.23));
    EXPECT_FLOAT_EQ(SplToPascals(100, 29), 100 * (0.09 + 0.23));
    EXPECT_FLOAT_EQ(SplToPascals(100, 30), 23.0f);
    EXPECT_FLOAT_EQ(SplToPascals(100, 33), 20.0f);
    EXPECT_FLOAT_EQ(SplToPascals(100, 34), 16.0f);
    EXPECT_FLOAT_EQ(SplToPascals(100, 39), 12.0f);
    EXPECT_FLOAT_EQ(SplToPascals(100, 59), 10.0f);
    EXPECT_FLOAT_EQ(SplToPascals(100, 60), 11.0f);
    EXPECT_FLOAT_EQ(SplToPascals(100, 79), 10.0f);
    EXPECT_FLOAT_EQ(SplToPascals(100, 80), 8.0f);
    EXPECT_FLOAT_EQ(SplToPascals(100, 95), 5.0f);
    EXPECT_FLOAT_EQ(SplToPascals(100, 100), 6.0f);
    EXPECT_FLOAT_EQ(SplToPascals(100, 119), 5.0f);
    EXPECT_FLOAT_EQ(SplToPascals(100, 125), 4.0f);
    EXPECT_FLOAT_EQ(SplToPascals(100, 130), 7.0f);
    EXPECT_FLOAT_EQ(SplToPascals(100, 145), 8.0f);
    EXPECT_FLOAT_EQ(SplToPascals(100, 159), 10.0f);
    EXPECT_FLOAT_EQ(SplToPascals(100, 169), 20.0f);
    EXPECT_FLOAT_EQ(SplToPascals(100, 170), 0.2f);
}

} // namespace
} // namespace kelp
