#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "EffectTestSupport.h"

namespace {

constexpr double twoPi = 6.283185307179586;

// Mono effect (input 0 to output 0) with its first block already run.
class DistortionTest : public ::testing::Test {
protected:
    void apply(std::initializer_list<std::pair<int32_t, float>> values) {
        for (const auto& [index, value] : values) {
            effect.setParameter(index, value);
        }
        runEmptyBlock(effect);
    }
    float tracked() { return OndulaxisTestAccess::slewState(effect)[0]; }

    Ondulaxis effect{&FakeHost::callback};
};

TEST_F(DistortionTest, SineShapeAtDefaults) {
    const std::vector<float> out = processMono(effect, {0.25f, 0.5f, 0.75f, 1.0f, -0.5f});
    const double expected[] = {0.2, 0.25, 0.0, 0.4, -0.25};
    for (size_t i = 0; i < out.size(); ++i) {
        EXPECT_NEAR(out[i], expected[i], 1e-6) << i;
    }
}

TEST_F(DistortionTest, RaisedCosineShapeAtDefaults) {
    apply({{ZeroX, 0.5f}});
    const std::vector<float> out = processMono(effect, {0.25f, 0.5f, 0.75f, 1.0f, -0.5f});
    // 0.75: s = 9/13, (s/2 * 1 - s) / 2 + s = 0.75 s.
    const double expected[] = {0.15, 0.5, 0.75 * 9.0 / 13.0, 0.4, -0.5};
    for (size_t i = 0; i < out.size(); ++i) {
        EXPECT_NEAR(out[i], expected[i], 1e-6) << i;
    }
}

TEST_F(DistortionTest, FuncMixZeroGivesPlainCurveWhateverElse) {
    for (float zeroX : {0.0f, 1.0f}) {
        // InGain 0.25: x4; OutGain 0.75: x1/4.
        apply({{ZeroX, zeroX}, {FuncMix, 0.0f}, {InGain, 0.25f}, {OutGain, 0.75f},
               {AmpMin, 0.7f}, {FreqMin, 0.9f}, {FreqDif, 0.1f}, {SlewLim, 0.3f}});
        const std::vector<float> in = {0.01f, -0.2f, 0.5f, -1.0f, 0.0f, 3.0f};
        const std::vector<float> out = processMono(effect, in);
        for (size_t i = 0; i < in.size(); ++i) {
            const double x = 4.0 * in[i];
            const double plain = std::copysign(4 * x * x / (1 + 4 * x * x), x);
            EXPECT_NEAR(out[i], 0.25 * plain, 1e-7) << zeroX << ' ' << in[i];
        }
    }
}

TEST_F(DistortionTest, SilenceGivesExactZerosInBothShapes) {
    for (float zeroX : {0.0f, 1.0f}) {
        apply({{ZeroX, zeroX}, {AmpMin, 0.5f}, {FreqDif, 0.9f}});
        for (float out : processMono(effect, std::vector<float>(16, 0.0f))) {
            EXPECT_EQ(out, 0.0f);
        }
    }
}

TEST_F(DistortionTest, SlowestSlewRampsIn512EqualSteps) {
    apply({{SlewLim, 0.0f}, {FuncMix, 0.0f}});
    ASSERT_EQ(OndulaxisTestAccess::coefficients(effect).slewLimit, 0.001953125f);
    for (int step = 1; step <= 520; ++step) {
        const float out = processMono(effect, {1.0f})[0];
        ASSERT_EQ(tracked(), std::min(step, 512) / 512.0f) << step;
        // The envelope follows the input at once; only the phase lags.
        ASSERT_FLOAT_EQ(out, 0.8f);
    }
}

// The step is rounded to float before it is added, so "equals" holds to the
// rounding of the larger of the old and new values.
TEST_F(DistortionTest, SlewOffTracksGainedInput) {
    apply({{SlewLim, 0.99984f}, {InGain, 0.125f}});
    float previous = tracked();
    for (float in : {0.3f, -0.7f, 0.001f, 1.0f, 400.0f}) {
        processMono(effect, {in});
        const float scale = std::max(std::fabs(previous), std::fabs(in * 2.0f));
        EXPECT_NEAR(tracked(), in * 2.0f, scale * 1.2e-7f) << in;
        previous = tracked();
    }
}

// After a full-scale stretch the tracked value walks back to 0 over 512
// samples of silence; meanwhile only the AmpMin part of the sinusoid sounds.
TEST_F(DistortionTest, AmpMinTailWithSineShape) {
    apply({{SlewLim, 0.0f}, {AmpMin, 0.5f}});
    processMono(effect, std::vector<float>(512, 1.0f));
    ASSERT_EQ(tracked(), 1.0f);
    const std::vector<float> out = processMono(effect, std::vector<float>(520, 0.0f));
    for (int k = 1; k <= 520; ++k) {
        const double state = std::max(0, 512 - k) / 512.0;
        EXPECT_NEAR(out[k - 1], 0.5 * 0.5 * std::sin(twoPi * state), 2e-6) << k;
    }
    EXPECT_EQ(out.back(), 0.0f);
}

TEST_F(DistortionTest, AmpMinTailWithRaisedCosineKeepsSignOfZero) {
    for (float zero : {0.0f, -0.0f}) {
        apply({{ZeroX, 0.0f}, {SlewLim, 0.0f}, {AmpMin, 0.5f}});
        processMono(effect, std::vector<float>(512, 1.0f));
        const std::vector<float> out = processMono(effect, std::vector<float>(520, zero));
        for (int k = 1; k <= 520; ++k) {
            const double state = std::max(0, 512 - k) / 512.0;
            const double magnitude = 0.5 * 0.5 * (1 - std::cos(twoPi * state)) / 2;
            EXPECT_NEAR(std::fabs(out[k - 1]), magnitude, 2e-6) << k;
            EXPECT_EQ(std::signbit(out[k - 1]), std::signbit(zero)) << k;
        }
    }
}

TEST_F(DistortionTest, OutputBoundedByOutGainForFiniteInput) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    // Up to 1e36: the gained input stays a finite float even at InGain 256,
    // while the phase of loud input overflows the float range.
    std::uniform_real_distribution<float> exponent(-30.0f, 36.0f);
    for (int setting = 0; setting < 40; ++setting) {
        const float outGainValue = unit(random);
        apply({{ZeroX, unit(random)}, {InGain, unit(random)}, {SlewLim, unit(random)},
               {FuncMix, unit(random)}, {AmpMin, unit(random)}, {FreqMin, unit(random)},
               {FreqDif, unit(random)}, {OutGain, outGainValue}});
        const double bound = OndulaxisTestAccess::coefficients(effect).outGain * (1 + 1e-6);
        std::vector<float> in(64);
        for (float& sample : in) {
            sample = std::copysign(std::pow(10.0f, exponent(random)), unit(random) - 0.5f);
        }
        for (float out : processMono(effect, in)) {
            ASSERT_LE(std::fabs(out), bound) << setting;
        }
    }
}

TEST_F(DistortionTest, NonFiniteInputLeavesTrackedValueFinite) {
    for (float zeroX : {0.0f, 1.0f}) {
        apply({{ZeroX, zeroX}});
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const float inf = std::numeric_limits<float>::infinity();
        for (float bad : {nan, -nan, inf, -inf}) {
            EXPECT_TRUE(std::isnan(processMono(effect, {bad})[0]));
            EXPECT_TRUE(std::isfinite(tracked()));
            EXPECT_NEAR(std::fabs(tracked()), 1000000.0f, 1.0f);
            EXPECT_NEAR(processMono(effect, {0.5f})[0], zeroX > 0.5f ? 0.25f : 0.5f, 1e-6);
        }
    }
}

TEST_F(DistortionTest, NanStepsBySlewLimitWithItsSignBit) {
    apply({{SlewLim, 0.0f}});
    processMono(effect, {-std::numeric_limits<float>::quiet_NaN()});
    EXPECT_EQ(tracked(), -0.001953125f);
}

}  // namespace
