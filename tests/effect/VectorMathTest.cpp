// The kernels' own sine, cosine and pow against glibc's (within one unit in
// the last place of the exact values), on dense samples of their float
// arguments: each within its stated bound plus glibc's, with and without
// multiply-adds. A polynomial term or a part of a reduction left out breaks a
// bound. (The sine and cosine were also checked on every float phase up to
// 2^20, and the reduced huge ones, by bench/vector_math_bounds.)
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "kernels/ChunkKernels.h"
#include "kernels/VectorMath.h"
#include "EffectTestSupport.h"

namespace {

using Doubles = double __attribute__((vector_size(16)));
using Floats = float __attribute__((vector_size(8)));

double widen(uint32_t bits) { return static_cast<double>(floatOf(bits)); }

// Each check runs on the plain arithmetic (SSE2) and on the multiply-adds
// the AVX2 and AVX-512 kernels use (here through the C library's fma).
class VectorMathTest : public testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(Arithmetic, VectorMathTest, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "fused" : "plain"; });

template <bool fused>
void waves(Doubles phases, Doubles& sine, Doubles& cosine) {
    sine = vectorMath::sinNear<Doubles, fused>(phases);
    cosine = vectorMath::cosNear<Doubles, fused>(phases);
}

template <bool fused>
Doubles pow(Doubles bases, float e) {
    int whole = 0;
    return vectorMath::powKind(e, whole) == vectorMath::PowKind::integer
               ? vectorMath::powInteger(bases, whole)
               : vectorMath::powGeneral<Doubles, fused>(bases, e);
}

// Every 997th float up to the largest near phase, both signs.
TEST_P(VectorMathTest, SineAndCosineStayWithinTheirBound) {
    const double allowed = vectorMath::sinCosError + chunked::referenceWaveError;
    double worst = 0.0;
    for (uint32_t bits = 0; bits <= 0x49800000u; bits += 997) {
        const double p = widen(bits);
        const Doubles phases{p, -p};
        Doubles sine, cosine;
        (GetParam() ? waves<true> : waves<false>)(phases, sine, cosine);
        for (int lane = 0; lane < 2; ++lane) {
            worst = std::max({worst, std::fabs(sine[lane] - std::sin(phases[lane])),
                              std::fabs(cosine[lane] - std::cos(phases[lane]))});
        }
        ASSERT_LE(worst, allowed) << p;
    }
    RecordProperty("worst", std::to_string(worst / 0x1p-52) + " * 2^-52");
}

TEST_P(VectorMathTest, SignOfAZeroPhaseIsKept) {
    Doubles sine, cosine;
    (GetParam() ? waves<true> : waves<false>)(Doubles{0.0, -0.0}, sine, cosine);
    EXPECT_FALSE(std::signbit(sine[0]));
    EXPECT_TRUE(std::signbit(sine[1]));
}

// Every 2039th positive float as base, with exponents FreqDif gives (its whole
// range, log2(2 + |y|) for |y| up to 127) and the integers among them.
TEST_P(VectorMathTest, PowStaysWithinItsBound) {
    const double allowed = vectorMath::powError + chunked::referencePowError;
    const float exponents[] = {1.0000001f, 1.3219281f, 2.0f, 2.5f,      3.0f, 3.9068906f,
                               4.0f,       5.0f,       6.0f, 6.9999995f, 7.0f, 7.011227f};
    const auto power = GetParam() ? pow<true> : pow<false>;
    for (float e : exponents) {
        double worst = 0.0;
        for (uint32_t bits = 1; bits < 0x7F800000u; bits += 2039) {
            const Doubles bases{widen(bits), widen(0x7F800000u - bits)};
            const Doubles powers = power(bases, e);
            for (int lane = 0; lane < 2; ++lane) {
                const double expected = std::pow(bases[lane], static_cast<double>(e));
                // Results below the normal range keep fewer bits; they round to
                // float zero whatever they are.
                if (expected < 0x1p-1000 || std::isinf(expected)) continue;
                worst = std::max(worst, std::fabs(powers[lane] - expected) / expected);
            }
        }
        EXPECT_LE(worst, allowed) << "exponent " << e;
    }
}

TEST_P(VectorMathTest, PowPassesInfinityAndNaN) {
    const Doubles power = (GetParam() ? pow<true> : pow<false>)(Doubles{INFINITY, NAN}, 2.5f);
    EXPECT_TRUE(std::isinf(power[0]));
    EXPECT_TRUE(std::isnan(power[1]));
}

// Zero, and results far below the normal range, come out as +0, as float
// rounds the exact ones.
TEST_P(VectorMathTest, PowOfZeroAndTinyBasesIsZero) {
    const Doubles power = (GetParam() ? pow<true> : pow<false>)(Doubles{0.0, 0x1p-146}, 7.0112f);
    EXPECT_EQ(static_cast<float>(power[0]), 0.0f);
    EXPECT_EQ(static_cast<float>(power[1]), 0.0f);
}

// Wherever the guard's allowance calls a result sure, a wave off by as much
// as the two waves may differ rounds to the same float. Each wave is aimed
// near a float rounding boundary of the shape's result, where a short
// allowance shows; amplitudes of both signs, as AmpMin below 0 gives.
TEST(VectorMathGuardTest, GuardAllowanceCoversTheWavesDistance) {
    const double gap = vectorMath::sinCosError + chunked::referenceWaveError;
    const Doubles tolerance{chunked::guard, chunked::guard};
    std::mt19937 random(5);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const auto f = [](double value) { return static_cast<float>(value); };
    // Halfway between a float near `value` and the next one up.
    const auto boundary = [&](double value) {
        const float below = f(value);
        return (static_cast<double>(below) + std::nextafter(below, INFINITY)) / 2;
    };
    long unsafe = 0;
    for (int run = 0; run < 200000; ++run) {
        const double amplitude = f(4 * unit(random));
        const double plain = f(unit(random));
        const double envelope = std::fabs(plain);
        const double half = amplitude / 2;
        const double mix = run % 3 == 0 ? f(1e7 * unit(random)) : f(2 * unit(random));
        const double gain = run % 2 == 0 ? 1.0 : 0x1p-8;
        const double jitter = std::ldexp(unit(random), -50 - static_cast<int>(run % 8));
        const auto sine = [&](double w) { return ((amplitude * w - plain) * mix + plain) * gain; };
        const auto cosine = [&](double w) { return (half * (1.0 - w) - envelope) * mix + envelope; };
        // The waves that put each result on a boundary.
        const double sineWave =
            ((boundary(sine(unit(random))) / gain - plain) / mix + plain) / amplitude + jitter;
        const double cosineWave =
            1.0 - ((boundary(cosine(unit(random))) - envelope) / mix + envelope) / half + jitter;
        if (std::fabs(sineWave) <= 1.0) {
            const double result = sine(sineWave);
            const double slack = chunked::sineSlack(Doubles{amplitude, 0}, Doubles{plain, 0},
                                                    Doubles{mix, 0}, Doubles{gain, 0}, tolerance)[0];
            unsafe += f(result - slack) == f(result + slack) &&
                      (f(sine(sineWave - gap)) != f(result) || f(sine(sineWave + gap)) != f(result));
        }
        if (std::fabs(cosineWave) <= 1.0) {
            const double result = cosine(cosineWave);
            const double slack = chunked::cosineSlack(Doubles{half, 0}, Doubles{envelope, 0},
                                                      Doubles{mix, 0}, tolerance)[0];
            unsafe += f(result - slack) == f(result + slack) &&
                      (f(cosine(cosineWave - gap)) != f(result) ||
                       f(cosine(cosineWave + gap)) != f(result));
        }
    }
    EXPECT_EQ(unsafe, 0);
}

}  // namespace
