// The vector reduction of huge phases, which lets the kernels' own sine and
// cosine take them, against glibc's scalar sine and cosine (which reduce
// exactly) and against values of 2^k mod 2π worked out with bc.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#include "kernels/FarReduction.h"

namespace {

// Two lanes, as the baseline kernels have them.
using Doubles = double __attribute__((vector_size(16)));
using Floats = float __attribute__((vector_size(8)));

float floatOf(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

TEST(FarReductionTest, TableHoldsPowersOfTwoModuloTwoPi) {
    // scale=150; p=8*a(1); x=2^k; scale=0; q=x/p; scale=150; x-q*p
    const struct {
        int k;
        long double expected;
    } rows[] = {
        {-3, 0.125L},
        {3, 8.0L - 6.283185307179586476925286766559L},
        {20, 0.3368260275312118465926760337633357423752L},
        {64, 3.1179919528418853968776277337565497784523L},
        {100, 5.2235367754994290846692895480663973637814L},
        {104, 1.8951794146562411546799048037952828313765L},
    };
    const farWaves::Turns& turns = farWaves::turns();
    for (const auto& row : rows) {
        const int i = row.k + 3;
        const long double sum =
            static_cast<long double>(turns.high[i]) + turns.middle[i] + turns.low[i];
        EXPECT_NEAR(static_cast<double>(sum - row.expected), 0.0, 0x1p-62) << "2^" << row.k;
    }
}

// Every float exponent from 2^20 to the largest float, mantissas at both
// ends and random ones, either sign.
TEST(FarReductionTest, SineAndCosineOfTheReducedPhaseAreThoseOfThePhase) {
    const farWaves::Turns& turns = farWaves::turns();
    std::mt19937 random(20);
    std::uniform_int_distribution<uint32_t> fraction(0, 0x7FFFFF);
    // The reduction's bound, and half an ulp for each of glibc's results.
    const double bound = farReduction::error + 0x1p-53 * 2;
    for (uint32_t field = 147; field <= 254; ++field) {
        for (int i = 0; i < 200; ++i) {
            const uint32_t low = i == 0 ? 0 : i == 1 ? 0x7FFFFF : fraction(random);
            const float phase = floatOf(field << 23 | low);
            const Floats lanes{phase, -phase};
            const Doubles reduced = farReduction::reduce<Doubles>(lanes, turns);
            for (int lane = 0; lane < 2; ++lane) {
                const double wide = lanes[lane];
                ASSERT_LT(std::fabs(reduced[lane]), 4.0) << wide;
                ASSERT_NEAR(std::sin(reduced[lane]), std::sin(wide), bound) << wide;
                ASSERT_NEAR(std::cos(reduced[lane]), std::cos(wide), bound) << wide;
            }
        }
    }
}

TEST(FarReductionTest, SmallerPhasesAndNaNPassUnchanged) {
    const Floats lanes{0x1p20f - 0.0625f, std::numeric_limits<float>::quiet_NaN()};
    const Doubles reduced = farReduction::reduce<Doubles>(lanes, farWaves::turns());
    EXPECT_EQ(reduced[0], 0x1p20 - 0.0625);
    EXPECT_TRUE(std::isnan(reduced[1]));
}

}  // namespace
