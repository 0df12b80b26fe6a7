#include "platform/rtl/exceptions.h"
#include "platform/rtl/rtlmath.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace {

TEST(RtlMath, RoundIsBankers) {
    struct { Extended v; Int64 out; } cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
        {2.4999999, 2}, {2.5000001, 3}, {-2.6, -3}, {1e15 + 0.5, 1000000000000000}, {0, 0},
        {9007199254740993.0L, 9007199254740993}, {4503599627370497.5L, 4503599627370498},  // beyond double precision
    };
    for (const auto& c : cases) EXPECT_EQ(Round(c.v), c.out) << static_cast<double>(c.v);
    EXPECT_THROW(Round(1e30), EInvalidOp);
    EXPECT_THROW(Round(std::numeric_limits<Extended>::quiet_NaN()), EInvalidOp);
}

TEST(RtlMath, TruncIntFrac) {
    EXPECT_EQ(Trunc(-2.7), -2);
    EXPECT_EQ(Trunc(2.9999), 2);
    EXPECT_EQ(Int(-2.7L), -2.0L);
    EXPECT_EQ(Frac(-2.75L), -0.75L);
    EXPECT_EQ(Frac(3.25L), 0.25L);
    EXPECT_THROW(Trunc(1e19), EInvalidOp);
}

TEST(RtlMath, RoundToUsesBankersRounding) {
    struct { double v; int digit; double out; } cases[] = {
        {1.2345, -2, 1.23}, {1.235, -2, 1.24},   // 1.235 is slightly above the tie in binary
        {0.125, -2, 0.12},  {0.375, -2, 0.38},   // exact ties go to even
        {-0.125, -2, -0.12}, {2.5, 0, 2}, {3.5, 0, 4},
        {1234567, 3, 1235000}, {1232500, 3, 1232000}, {1233500, 3, 1234000}, {-1232500, 3, -1232000},
        {12.345, -2, 12.34},  // 12.345 / 0.01 is exactly 1234.5 in double: to even
        {1.005, -2, 1.0},     // 1.005 lies below the tie
    };
    for (const auto& c : cases) EXPECT_EQ(RoundTo(c.v, c.digit), c.out) << c.v << " at " << c.digit;
}

TEST(RtlMath, SimpleRoundToRoundsHalfAwayFromZero) {
    struct { double v; int digit; double out; } cases[] = {
        {1.235, -2, 1.24}, {-1.235, -2, -1.24}, {1.234, -2, 1.23}, {0.125, -2, 0.13}, {-0.125, -2, -0.13},
        {2.5, 0, 3}, {-2.5, 0, -3}, {1234567, 3, 1235000}, {1232500, 3, 1233000}, {0.0049, -2, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(SimpleRoundTo(c.v, c.digit), c.out) << c.v << " at " << c.digit;
    EXPECT_EQ(SimpleRoundTo(12.345), 12.35);  // two decimals by default; 1234.5 after the division
    EXPECT_EQ(SimpleRoundTo(2.675), 2.68);
    EXPECT_EQ(SimpleRoundTo(1.005), 1.0);
}

TEST(RtlMath, MulDiv) {
    struct { Integer a, b, c, out; } cases[] = {
        {10, 3, 4, 8},   {-10, 3, 4, -8},  {10, 3, -4, -8}, {-10, -3, -4, -8},  // 7.5 away from zero
        {7, 1, 3, 2},    {-7, 1, 3, -2},   {-1, 1, 2, -1},  {99, 3, 2, 149},
        {100000, 100000, 10, 1000000000},  // the product needs 64 bits
        {5, 5, 0, -1},   {INT_MAX, 2, 1, -1}, {INT_MIN, 1, -1, -1}, {96, 144, 96, 144},
    };
    for (const auto& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.out) << c.a << "*" << c.b << "/" << c.c;
}

TEST(RtlMath, CeilFloorPowers) {
    EXPECT_EQ(Ceil(1.2), 2);
    EXPECT_EQ(Ceil(-1.2), -1);
    EXPECT_EQ(Ceil(3.0), 3);
    EXPECT_EQ(Floor(-1.2), -2);
    EXPECT_EQ(Floor(1.8), 1);
    EXPECT_THROW(Floor(1e10), EInvalidOp);

    EXPECT_EQ(IntPower(2, 10), 1024.0L);
    EXPECT_EQ(IntPower(2, -2), 0.25L);
    EXPECT_EQ(IntPower(0, 0), 1.0L);
    EXPECT_EQ(IntPower(-3, 3), -27.0L);
    EXPECT_EQ(Power(-8, 3), -512.0L);
    EXPECT_EQ(Power(5, 0), 1.0L);
    EXPECT_EQ(Power(0, 2.5), 0.0L);
    EXPECT_NEAR(static_cast<double>(Power(2, 0.5)), std::sqrt(2.0), 1e-15);
    EXPECT_TRUE(std::isnan(Power(-8, 1.0L / 3)));
}

TEST(RtlMath, ComparisonsWithResolution) {
    EXPECT_TRUE(IsZero(1e-13));
    EXPECT_FALSE(IsZero(1e-11));
    EXPECT_TRUE(IsZero(0.05, 0.1));
    EXPECT_TRUE(SameValue(0.1 + 0.2, 0.3));
    EXPECT_FALSE(SameValue(1.0, 1.0001));
    EXPECT_TRUE(SameValue(1.0, 1.1, 0.2));
    EXPECT_TRUE(SameValue(1e20, 1e20 + 1e6));  // relative to the magnitude
    EXPECT_FALSE(SameValue(0.1L + 0.2L, 0.3L + 1e-15L));
}

TEST(RtlMath, SignRangesMinMax) {
    EXPECT_EQ(Sign(-3), NegativeValue);
    EXPECT_EQ(Sign(0.0), ZeroValue);
    EXPECT_EQ(Sign(Int64(5)), PositiveValue);
    EXPECT_TRUE(InRange(5, 1, 5));
    EXPECT_FALSE(InRange(0.5, 1.0, 2.0));
    EXPECT_EQ(EnsureRange(15, 1, 10), 10);
    EXPECT_EQ(EnsureRange(-3, 1, 10), 1);
    EXPECT_EQ(EnsureRange(5, 10, 1), 1);  // an empty range ends at its upper bound
    EXPECT_EQ(EnsureRange(2.5, 0.0, 1.0), 1.0);
    EXPECT_EQ(Min(3, -4), -4);
    EXPECT_EQ(Max(Int64(3), Int64(4)), 4);
    EXPECT_EQ(Max(1.5, 2.5), 2.5);
}

}  // namespace
