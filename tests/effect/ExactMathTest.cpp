// The kernels' own sine, cosine and power, which every build must compute to
// the same bits: results against correctly rounded values worked out to 800
// bits, and each path's unrounded estimate against its stated error bound,
// so that a lost polynomial term, table part or reduction part fails here on
// every build that runs these tests.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "ParameterCurves.h"
#include "kernels/ExactPower.h"
#include "kernels/ExactWaves.h"

namespace {

using exactMath::Double2;
using exactMath::Estimate;

uint64_t bitsOf(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

::testing::AssertionResult withinBound(const Estimate& estimate, Double2 exact) {
    const double difference = (estimate.hi - exact.hi) + (estimate.lo - exact.lo);
    if (std::fabs(difference) <= estimate.error) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "off by " << difference << ", bound " << estimate.error;
}

// The two paths of the waves as wave() takes them, for |x| and j offset by
// `quarter`.
Estimate quickWave(float x, int quarter) {
    const float size = std::fabs(x);
    exactMath::Reduced reduced{0, {size, 0.0}};
    double error = 0.0;
    if (size >= 0x1p20f) {
        reduced = exactMath::reduceFar(size);
        error = std::fabs(reduced.r.hi) * 0x1p-100;
    } else if (size >= 0x1p-8f) {
        reduced = exactMath::reduceNear(size);
        error = exactMath::nearReductionError;
    }
    reduced.index = (reduced.index + quarter) & (exactMath::waveRows - 1);
    return exactMath::waveQuickEstimate(reduced, error);
}

Estimate accurateWave(float x, int quarter) {
    const float size = std::fabs(x);
    exactMath::Reduced reduced{0, {size, 0.0}};
    if (size >= 0x1p-8f) {
        reduced = exactMath::reduceFar(size);
    }
    reduced.index = (reduced.index + quarter) & (exactMath::waveRows - 1);
    return exactMath::waveAccurateEstimate(reduced);
}

// Small and huge arguments, both sides of each reduction's range and of the
// shortcut for the tiniest (below 2^-27), arguments
// near a multiple of pi/64 (the smallest remainder among floats from 2^20 to
// 2^24 at 0x1.4665d2p+20) and near an odd multiple of pi/128 (near the
// largest remainder of a table twice as coarse),
// arguments the quick path leaves to the accurate one (0x1.000346p+2 and
// 0x1.60e8bep+21 for the sine, 0x1.00164cp+2 and 0x1.d904bcp+21 for the cosine)
// and ones glibc rounds the wrong way (sine of 0x1.d56548p-12, cosine of
// 0x1.9b329p-4).
const struct WaveRow {
    float x;
    Double2 sin, cos;
} waveRows[] = {
    {0x1p-149f, {0x1.0000000000000p-149, -0x1.5555555555555p-450}, {0x1.0000000000000p+0, -0x1.0000000000000p-299}},
    {0x1.fffffep-28f, {0x1.fffffe0000000p-28, -0x1.5555515555595p-84}, {0x1.0000000000000p+0, -0x1.fffffc0000020p-56}},
    {0x1p-27f, {0x1.0000000000000p-27, -0x1.5555555555555p-84}, {0x1.0000000000000p+0, -0x1.0000000000000p-55}},
    {0x1.fffffep-9f, {0x1.ffffa8aaafeefp-9, -0x1.41680542e51dap-65}, {0x1.ffff000017555p-1, 0x1.123d29d39b2e2p-55}},
    {0x1p-8f, {0x1.ffffaaaaaeeefp-9, -0x1.2b12b0ce9b237p-65}, {0x1.ffff000015555p-1, 0x1.27d27df7df7bbp-55}},
    {0x1.9p-4f, {0x1.8f5d5132710c4p-4, 0x1.ae29046de7c88p-61}, {0x1.fd8f7f1dbcb07p-1, -0x1.c752ecfaa985bp-55}},
    {0x1.9b329p-4f, {0x1.9a81d60b7aae1p-4, -0x1.d19042a4a4ef1p-58}, {0x1.fd6c129077b4bp-1, -0x1.ffde218c41e49p-55}},
    {0x1.d56548p-12f, {0x1.d56546f8fb51bp-12, 0x1.ffffff7862f4cp-66}, {0x1.fffffca353bf1p-1, -0x1.84ddc8feb7181p-58}},
    {0x1.921fb6p+1f, {-0x1.777a5cf72cec6p-24, 0x1.4f3b49a585f97p-83}, {-0x1.fffffffffffdep-1, 0x1.adedb638bdc45p-55}},
    {0x1.000346p+2f, {-0x1.838cbb62de5dfp-1, -0x1.ffd047a9b6d9cp-55}, {-0x1.4e968e6308ddcp-1, -0x1.47133e6c4f66ep-55}},
    {0x1.00164cp+2f, {-0x1.83f01e52f3b4bp-1, -0x1.26b90875b5ed7p-55}, {-0x1.4e234d80046fdp-1, 0x1.ffdfdce923e58p-55}},
    {0x1.60e8bep+21f, {-0x1.46db4c7680c7cp-5, -0x1.fff7359801a27p-59}, {0x1.ff97a08bed17fp-1, -0x1.5e638dc798c02p-56}},
    {0x1.d904bcp+21f, {0x1.fcb58b1f48101p-1, 0x1.1ef3c74373452p-57}, {0x1.cfa7a15dbff27p-4, -0x1.ff8f4a9f01593p-58}},
    {0x1.fffffep+19f, {0x1.1566584a3fd94p-2, -0x1.fb7fe1d6badfep-56}, {0x1.ecdaf47bd0923p-1, 0x1.8808c49374829p-55}},
    {0x1p+20f, {0x1.526ccb2fc8656p-2, -0x1.312bfebafe1dfp-56}, {0x1.e33ada92fe2aep-1, -0x1.420bfaf737b2dp-57}},
    {0x1.4665d2p+20f, {0x1.ff621e37be575p-1, 0x1.39a96710833bcp-56}, {0x1.91f65ede9d8b4p-5, -0x1.12318bf82fa26p-60}},
    {0x1.b1ae4ep+69f, {0x1.8a76a7ce1f07cp-1, -0x1.9f08e0a087e7ep-55}, {0x1.4668977565e1ap-1, -0x1.e829aa5247d6fp-55}},
    {0x1.fffffep+127f, {-0x1.0b33665089575p-1, -0x1.06cee446be04ap-56}, {0x1.b4bf2c79bdfcep-1, -0x1.56b04a4ffb027p-55}},
    {-0x1.5b0792p+3f, {0x1.fa2e84b0110ecp-1, 0x1.20b6bcf3d0a12p-56}, {-0x1.33df3d8809671p-3, -0x1.f5b419ab03711p-57}},
    {0x1.8a14d60000000p-6f, {0x1.8a0b1bcd1b96fp-6, -0x1.35b1ad7e5a300p-63}, {0x1.ffda163584919p-1, -0x1.cebdde8fd32e0p-57}},
    {0x1.9848080000000p+0f, {0x1.ffda163d08be2p-1, 0x1.3f1df1834fd60p-57}, {-0x1.8a0af4bf4bc12p-6, -0x1.b7600b95273a8p-62}},
    {0x1.2c0db40000000p+2f, {-0x1.ffda166127dbdp-1, -0x1.15db8b45d30cfp-55}, {-0x1.8a0a39100421ep-6, 0x1.96415df832affp-61}},
    {0x1.7f7ed20000000p+15f, {-0x1.98a37d869d79cp-6, -0x1.63654e3e7ba3fp-60}, {-0x1.ffd739c7d4db1p-1, -0x1.a0c3299cb5512p-55}},
};

TEST(ExactMathTest, WavesAreCorrectlyRoundedAndWithinTheirBounds) {
    for (const WaveRow& row : waveRows) {
        SCOPED_TRACE(::testing::Message() << std::hexfloat << row.x);
        EXPECT_EQ(bitsOf(exactMath::sin(row.x)), bitsOf(row.sin.hi));
        EXPECT_EQ(bitsOf(exactMath::cos(row.x)), bitsOf(row.cos.hi));
        const Double2 sinOfSize = row.x < 0 ? Double2{-row.sin.hi, -row.sin.lo} : row.sin;
        EXPECT_TRUE(withinBound(quickWave(row.x, 0), sinOfSize));
        EXPECT_TRUE(withinBound(quickWave(row.x, exactMath::quarterTurn), row.cos));
        EXPECT_TRUE(withinBound(accurateWave(row.x, 0), sinOfSize));
        EXPECT_TRUE(withinBound(accurateWave(row.x, exactMath::quarterTurn), row.cos));
    }
}

TEST(ExactMathTest, WavesOfSignedZerosInfinitiesAndNaN) {
    constexpr float infinity = std::numeric_limits<float>::infinity();
    EXPECT_EQ(bitsOf(exactMath::sin(0.0f)), bitsOf(0.0));
    EXPECT_EQ(bitsOf(exactMath::sin(-0.0f)), bitsOf(-0.0));
    EXPECT_EQ(exactMath::cos(-0.0f), 1.0);
    for (float x : {infinity, -infinity, std::numeric_limits<float>::quiet_NaN()}) {
        EXPECT_TRUE(std::isnan(exactMath::sin(x)));
        EXPECT_TRUE(std::isnan(exactMath::cos(x)));
    }
}

// Exact powers (9, 8, 27, a float midpoint that ties to even, 2^-150 that
// ties to zero), 1 to the largest exponent with the largest |u|, results
// beyond the float range both ways, and sampled ones.
constexpr float infinity = std::numeric_limits<float>::infinity();
const struct PowerRow {
    float a, e, expected;
    Double2 exact;
} powerRows[] = {
    {0x1.8p+1f, 0x1p+1f, 0x1.2000000000000p+3f, {0x1.2000000000000p+3, 0.0}},
    {0x1.001p+12f, 0x1p+1f, 0x1.0020000000000p+24f, {0x1.0020010000000p+24, 0.0}},
    {0x1p-75f, 0x1p+1f, 0.0f, {0x1.0000000000000p-150, 0.0}},
    // Below 2^-149.5, still rounding up to the smallest float: the cut-off
    // to zero must lie below 2^-150.
    {0x1.19999ap-75f, 0x1p+1f, 0x1p-149f, {0x1.35c2903d70a40p-150, 0.0}},
    {0x1p+2f, 0x1.8p+0f, 0x1.0000000000000p+3f, {0x1.0000000000000p+3, 0.0}},
    {0x1.2p+3f, 0x1.8p+0f, 0x1.b000000000000p+4f, {0x1.b000000000000p+4, -0x1.0500000000000p-388}},
    {0x1p-21f, 0x1.cp+2f, 0x1.0000000000000p-147f, {0x1.0000000000000p-147, 0.0}},
    {0x1p+0f, 0x1.c0b7p+2f, 0x1.0000000000000p+0f, {0x1.0000000000000p+0, 0.0}},
    {0x1.fc05p-1f, 0x1.c0b7p+2f, 0x1.e4bc680000000p-1f, {0x1.e4bc6802cd613p-1, -0x1.19b4319f68802p-55}},
    {0x1.95f40ap+28f, 0x1p+2f, 0x1.94b1140000000p+114f, {0x1.94b114b849b6fp+114, -0x1.dc9677b58f000p+60}},
    {0x1.3db788p-29f, 0x1.5ed9ccp+1f, 0x1.4993980000000p-79f, {0x1.499398e457117p-79, -0x1.186ed285444e5p-138}},
    {0x1.965adep+16f, 0x1.d74558p+1f, 0x1.4945b40000000p+61f, {0x1.4945b4cfd829fp+61, -0x1.dd8d9fe6dc93cp+3}},
    {0x1.6a71a4p+1f, 0x1.3562ecp+2f, 0x1.325a180000000p+7f, {0x1.325a1768f2704p+7, -0x1.9b77c659c5af2p-47}},
    {0x1.9c7978p-2f, 0x1.a0924p+2f, 0x1.6077180000000p-9f, {0x1.6077175e2c8c3p-9, 0x1.799a36436fa6dp-64}},
    {0x1.7ffffep-1f, 0x1.fffffep+0f, 0x1.1ffffe0000000p-1f, {0x1.1ffffda5b4761p-1, 0x1.4c3a48651e171p-58}},
    {0x1.02p+0f, 0x1.b5p+2f, 0x1.0df89a0000000p+0f, {0x1.0df8993af3e75p+0, 0x1.ad16af94f4186p-54}},
    {0x1p-149f, 0x1.0p+1f, 0.0f, {0x1.0000000000000p-298, 0.0}},
    {0x1.8p-75f, 0x1.0p+1f, 0x1.0000000000000p-149f, {0x1.2000000000000p-149, 0.0}},
    {0x1.7p-22f, 0x1.cp+2f, 0.0f, {0x1.95e306ce00000p-151, 0.0}},
    {0x1.fffffep+127f, 0x1.0p+1f, infinity, {0x1.fffffc0000020p+255, 0.0}},
    {0x1.fffffep+63f, 0x1.0p+1f, 0x1.fffffc0000000p+127f, {0x1.fffffc0000020p+127, 0.0}},
    {0x1.2p+2f, 0x1.c0b7p+2f, 0x1.28e0000000000p+15f, {0x1.28e0009c0a0b2p+15, 0x1.4a3067836145fp-39}},
};

TEST(ExactMathTest, PowersRoundAsDoubleThenFloatAndStayWithinTheirBounds) {
    for (const PowerRow& row : powerRows) {
        SCOPED_TRACE(::testing::Message() << std::hexfloat << row.a << " ^ " << row.e);
        EXPECT_EQ(exactMath::power(row.a, row.e), row.expected);
        const exactMath::PowerParts parts = exactMath::splitBase(row.a, row.e);
        const double rough = exactMath::roughExponent(row.e, parts);
        if (rough < exactMath::powerBelow || rough > exactMath::powerAbove) {
            continue;
        }
        EXPECT_TRUE(withinBound(exactMath::powerShortEstimate(row.e, parts), row.exact));
        EXPECT_TRUE(withinBound(exactMath::powerQuickEstimate(row.e, parts), row.exact));
        EXPECT_TRUE(withinBound(exactMath::powerAccurateEstimate(row.e, parts), row.exact));
    }
}

// The short path's bound on every 4099th positive float, against the accurate
// estimate, at the least, an ordinary and the largest exponent.
TEST(ExactMathTest, ShortPowerStaysWithinItsBound) {
    for (float e : {1.0000001f, 2.9878f, 7.011227f}) {
        for (uint32_t bits = 1; bits < 0x7F800000u; bits += 4099) {
            float a;
            std::memcpy(&a, &bits, sizeof a);
            const exactMath::PowerParts parts = exactMath::splitBase(a, e);
            const double rough = exactMath::roughExponent(e, parts);
            if (rough < exactMath::powerBelow || rough > exactMath::powerAbove) {
                continue;
            }
            const Estimate accurate = exactMath::powerAccurateEstimate(e, parts);
            const Estimate estimate = exactMath::powerShortEstimate(e, parts);
            ASSERT_TRUE(withinBound({estimate.hi, estimate.lo, estimate.error + accurate.error},
                                    {accurate.hi, accurate.lo}))
                << std::hexfloat << a << " ^ " << e;
        }
    }
}

TEST(ExactMathTest, PowerOfOneZeroAndNonFiniteBases) {
    for (float a : {0x1p-149f, 0.3f, 3.4e38f}) {
        EXPECT_EQ(exactMath::power(a, 1.0f), a);
    }
    EXPECT_EQ(bitsOf(exactMath::power(0.0f, 2.5f)), bitsOf(0.0f));
    EXPECT_EQ(exactMath::power(infinity, 2.5f), infinity);
    EXPECT_TRUE(std::isnan(exactMath::power(std::numeric_limits<float>::quiet_NaN(), 2.5f)));
    // Exponents only parameter values far outside 0 to 1 give.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(exactMath::power(2.0f, 100.0f), 0x1p100f);
    EXPECT_EQ(exactMath::power(2.0f, infinity), infinity);
    EXPECT_EQ(bitsOf(exactMath::power(0.5f, infinity)), bitsOf(0.0f));
    EXPECT_EQ(exactMath::power(1.0f, nan), 1.0f);
    EXPECT_TRUE(std::isnan(exactMath::power(0.5f, nan)));
}

// The parameter curves on every build: sampled values, values out of range,
// and for each curve the v whose 2^t lies closest to a double rounding
// boundary of a float midpoint (from the check over every float v from 0
// to 1). FreqDif's exponent at cycles whose |cycles| + 2 has the logarithm
// closest to a double rounding boundary (0x1.29979p+1, 0x1.4f7bf6p+4) and
// at one glibc rounds the wrong way (0x1.000684p+1).
float freqDifLogOf(float cycles) { return parameterCurves::freqDifLog(cycles); }
const struct CurveRow {
    float (*curve)(float);
    float v, expected;
} curveRows[] = {
    {parameterCurves::inGain, 0.0f, 0x1p+0f},
    {parameterCurves::inGain, 0x1.666666p-1f, 0x1.8405fep+5f},
    {parameterCurves::inGain, 0x1.0f39eep-21f, 0x1.00003p+0f},
    {parameterCurves::inGain, 0x1.f88fc2p-17f, 0x1.000578p+0f},
    {parameterCurves::inGain, 2.0f, 0x1p+16f},
    {parameterCurves::inGain, 1e30f, infinity},
    {parameterCurves::inGain, -infinity, 0.0f},
    {parameterCurves::outGain, 1.0f, 0x1p+0f},
    {parameterCurves::outGain, 0x1.333334p-2f, 0x1.51cb46p-6f},
    {parameterCurves::outGain, 0x1.fbd418p-24f, 0x1.00000cp-8f},
    {parameterCurves::slewStep, 0x1.6e2452p-6f, 0x1.264bf6p-9f},
    {parameterCurves::slewStep, 0x1.ca7258p-18f, 0x1.0002cap-9f},
    {parameterCurves::slewStep, 0x1.ffeb08p-1f, 0x1.ff7d42p-1f},
    {parameterCurves::freqMinCycles, 0x1.97ccc4p-20f, 0x1.00009ep-1f},
    {parameterCurves::freqMinCycles, 0x1.c71c72p-3f, 0x1p+1f},
    {parameterCurves::freqMinCycles, 1.0f, 0x1p+8f},
    {parameterCurves::freqDifCycles, 0x1.95ec42p-7f, -0x1.c201dp+6f},
    {parameterCurves::freqDifCycles, 0x1.4dce06p-5f, -0x1.54c7b6p+6f},
    {parameterCurves::freqDifCycles, 0x1.e66666p-1f, 0x1.372c46p+6f},
    {parameterCurves::freqDifCycles, -3.0f, -0x1p+49f},
    {freqDifLogOf, 0x1.4cbc8p-2f, 0x1.3799e8p+0f},
    {freqDifLogOf, 0x1.2f7bf6p+4f, 0x1.18f76ap+2f},
    {freqDifLogOf, 0x1.a1p-13f, 0x1.000966p+0f},
    {freqDifLogOf, -0x1.fcp+6f, 0x1.c0b7f2p+2f},
    {freqDifLogOf, infinity, infinity},
};

TEST(ExactMathTest, ParameterCurvesGiveTheStoredCoefficients) {
    for (const CurveRow& row : curveRows) {
        SCOPED_TRACE(::testing::Message() << std::hexfloat << row.v);
        EXPECT_EQ(row.curve(row.v), row.expected);
    }
    EXPECT_EQ(bitsOf(parameterCurves::freqDifCycles(0.5f)), bitsOf(0.0f));
}

// Estimates against 2^t and ln x worked out to 300 bits, the hard cases
// above among them, and the results: float(double(2^t)), the correctly
// rounded double ln x. No v from 0 to 1 leaves 2^t to the accurate path;
// t within 2^-78 of log2 of a double rounding boundary just above 1 does.
const struct EstimateRow {
    bool isLog;
    double argument;
    Double2 exact;
} estimateRows[] = {
    {false, 0x1.0f39eep-18, {0x1.00002f0000003p+0, -0x1.45eec50a36fa0p-57}},
    {false, -0x1.2bp+7, {0x1.6a09e667f3bcdp-150, -0x1.bdd3413b26456p-204}},  // 2^-149.5
    {false, 0x1.b4e68a32p+2, {0x1.c601d0ffffffap+6, 0x1.eb3e71106047ap-48}},
    {false, -0x1.9905c8fp-1, {0x1.264bf6fffffffp-1, 0x1.ff81483f4eba0p-56}},
    {false, 0x1.715475a59898ep-24, {0x1.0000010000001p+0, -0x1.ffffff01622d1p-54}},
    {false, 0x1.7154758e83519p-24, {0x1.0000010000000p+0, -0x1.ffffff5640ee1p-54}},
    {true, 0x1.29979p+1, {0x1.aff89149e431dp-1, 0x1.ffffffbf4e766p-55}},
    {true, 0x1.4f7bf6p+4, {0x1.8580926e6db13p+1, -0x1.fffffe5ce61b5p-53}},
    {true, 0x1.000684p+1, {0x1.62f137c530475p-1, 0x1.fe004c3e7f6cbp-55}},
    {true, 0x1.e9b1b2p+6, {0x1.33addc4141064p+2, -0x1.fffe56ab41b26p-52}},
    {true, 0x1.02p+7, {0x1.37072a9b5b6cbp+2, 0x1.8849160f2c273p-53}},
};

TEST(ExactMathTest, CurveEstimatesStayWithinTheirBounds) {
    for (const EstimateRow& row : estimateRows) {
        SCOPED_TRACE(::testing::Message() << std::hexfloat << row.argument);
        if (row.isLog) {
            const float x = static_cast<float>(row.argument);
            const exactMath::PowerParts parts = exactMath::splitBase(x, 1.0f);
            EXPECT_EQ(bitsOf(exactMath::logDouble(x)), bitsOf(row.exact.hi));
            EXPECT_TRUE(withinBound(exactMath::logQuickEstimate(parts), row.exact));
            EXPECT_TRUE(withinBound(exactMath::logAccurateEstimate(parts), row.exact));
        } else {
            const double t = row.argument;
            EXPECT_EQ(exactMath::exp2Float(t), static_cast<float>(row.exact.hi));
            const double big = std::nearbyint(t * 64.0);
            const Double2 g{(t * 64.0 - big) * 0.015625, 0.0};
            EXPECT_TRUE(withinBound(exactMath::exp2QuickEstimate(static_cast<int>(big), g), row.exact));
            EXPECT_TRUE(withinBound(exactMath::exp2AccurateEstimate({t, 0.0}), row.exact));
        }
    }
    EXPECT_EQ(exactMath::logDouble(1.0f), 0.0);
    EXPECT_EQ(exactMath::logDouble(0.0f), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(exactMath::logDouble(infinity), std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(exactMath::logDouble(-1.0f)));
    EXPECT_TRUE(std::isnan(exactMath::exp2Float(std::numeric_limits<double>::quiet_NaN())));
}

}  // namespace
