// Audio and parameters end to end through the record's entries.
#include "PluginTestSupport.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <numbers>

namespace ondulaxis::host::test {
namespace {

constexpr int32_t kZeroX = 0, kInGain = 1, kFuncMix = 3, kOutGain = 7;

double saturation(double x) { return 4.0 * x * x / (1.0 + 4.0 * x * x); }

// Defaults with ZeroX on: half the plain curve plus half s·sin(2πx).
double sineShape(double x) {
    const double s = saturation(x);
    return 0.5 * std::copysign(s, x) + 0.5 * s * std::sin(2.0 * std::numbers::pi * x);
}

// Defaults with ZeroX off: the raised cosine, with the sign of the input.
double raisedCosineShape(double x) {
    const double s = saturation(x);
    const double sinusoid = 0.5 * s * (1.0 - std::cos(2.0 * std::numbers::pi * x));
    return std::copysign(0.5 * sinusoid + 0.5 * s, x);
}

class PluginAudioTest : public ::testing::Test {
protected:
    // Runs `input` through the mono route one sample per block, as the
    // tracked value matters only from sample to sample.
    std::vector<float> monoOneByOne(PluginInstance& instance, const std::vector<float>& input) {
        std::vector<float> output(input.size());
        for (std::size_t i = 0; i < input.size(); ++i) {
            float in = input[i];
            float* inputs[] = {&in, &in};
            float* outputs[] = {&output[i], &output[i]};
            instance.processReplacing(inputs, outputs, 1);
        }
        return output;
    }

    const std::vector<float> probe{0.25f, 0.5f, 0.75f, 1.0f, -0.5f};
};

// Instances made while this lives take the named kernel path (a path the
// processor cannot run, or a build without it, falls back).
class KernelPathChoice {
public:
    explicit KernelPathChoice(const char* path) { set(path); }
    ~KernelPathChoice() { set(""); }

private:
    static void set(const char* path) {
#if defined(_WIN32)
        _putenv_s("ONDULAXIS_KERNELS", path);
#else
        setenv("ONDULAXIS_KERNELS", path, 1);
#endif
    }
};

// Output A handed over as input B, or output B as input A: every kernel path
// of the built library gives the reference path's bits.
TEST_F(PluginAudioTest, CrossedBuffersGiveTheReferenceResultOnEveryPath) {
    constexpr int frames = 600;
    std::vector<float> signal[2];
    for (int ch = 0; ch < 2; ++ch) {
        for (int i = 0; i < frames; ++i) {
            signal[ch].push_back(static_cast<float>(0.9 * std::sin(0.011 * (ch + 1) * i + ch)));
        }
    }
    for (bool outputAIsInputB : {true, false}) {
        for (bool accumulate : {false, true}) {
            for (float zeroX : {0.0f, 1.0f}) {
                std::vector<std::vector<float>> reference;
                for (const char* path : {"reference", "generic", "avx2", "avx512"}) {
                    KernelPathChoice choice(path);
                    auto instance = resumedInstance(PinConnections::stereo(), frames);
                    instance->setParameter(kZeroX, zeroX);
                    instance->setParameter(kInGain, 0.3f);
                    std::vector<std::vector<float>> buffers{signal[0], signal[1],
                                                            std::vector<float>(frames, 0.5f)};
                    float* inputs[] = {buffers[0].data(), buffers[1].data()};
                    float* outputs[] = {outputAIsInputB ? buffers[1].data() : buffers[2].data(),
                                        outputAIsInputB ? buffers[2].data() : buffers[0].data()};
                    if (accumulate) {
                        instance->process(inputs, outputs, frames);
                    } else {
                        instance->processReplacing(inputs, outputs, frames);
                    }
                    if (reference.empty()) {
                        reference = buffers;
                        continue;
                    }
                    for (std::size_t k = 0; k < buffers.size(); ++k) {
                        for (int i = 0; i < frames; ++i) {
                            ASSERT_EQ(std::bit_cast<uint32_t>(buffers[k][i]),
                                      std::bit_cast<uint32_t>(reference[k][i]))
                                << path << (outputAIsInputB ? ", output A is input B" : ", output B is input A")
                                << (accumulate ? ", accumulating" : "") << ", ZeroX " << zeroX << ": buffer "
                                << k << " sample " << i;
                        }
                    }
                }
            }
        }
    }
}

TEST_F(PluginAudioTest, DefaultsWithZeroXGiveTheSineShape) {
    auto instance = resumedInstance(PinConnections::mono());
    const std::vector<float> output = monoOneByOne(*instance, probe);
    const float expected[] = {0.2f, 0.25f, 0.0f, 0.4f, -0.25f};
    for (std::size_t i = 0; i < probe.size(); ++i) {
        EXPECT_NEAR(output[i], expected[i], 1e-6) << "input " << probe[i];
        EXPECT_NEAR(output[i], sineShape(probe[i]), 1e-6) << "input " << probe[i];
    }
}

TEST_F(PluginAudioTest, ZeroXOffGivesTheRaisedCosineWithTheInputSign) {
    auto instance = resumedInstance(PinConnections::mono());
    instance->setParameter(kZeroX, 0.0f);
    const std::vector<float> output = monoOneByOne(*instance, probe);
    const float expected[] = {0.15f, 0.5f, 0.5192308f, 0.4f, -0.5f};
    for (std::size_t i = 0; i < probe.size(); ++i) {
        EXPECT_NEAR(output[i], expected[i], 1e-6) << "input " << probe[i];
        EXPECT_NEAR(output[i], raisedCosineShape(probe[i]), 1e-6) << "input " << probe[i];
    }
}

TEST_F(PluginAudioTest, FuncMixZeroLeavesOnlyTheSaturatingCurve) {
    for (float zeroX : {0.0f, 1.0f}) {
        auto instance = resumedInstance(PinConnections::stereo());
        instance->setParameter(kZeroX, zeroX);
        instance->setParameter(kFuncMix, 0.0f);
        const std::vector<float> left{-1.0f, -0.3f, 0.0f, 0.1f, 0.6f, 1.0f, 0.05f};
        const std::vector<float> right{0.9f, -0.7f, 0.2f, -0.01f, 0.33f, -1.0f, 0.0f};
        std::vector<float> l = left, r = right;
        std::vector<float> outL(left.size()), outR(right.size());
        float* inputs[] = {l.data(), r.data()};
        float* outputs[] = {outL.data(), outR.data()};
        instance->processReplacing(inputs, outputs, static_cast<int32_t>(left.size()));
        for (std::size_t i = 0; i < left.size(); ++i) {
            EXPECT_NEAR(outL[i], std::copysign(saturation(left[i]), left[i]), 1e-6) << "ZeroX " << zeroX;
            EXPECT_NEAR(outR[i], std::copysign(saturation(right[i]), right[i]), 1e-6) << "ZeroX " << zeroX;
        }
    }
}

TEST_F(PluginAudioTest, BypassCopiesBitExactEvenWithExtremeGains) {
    auto instance = resumedInstance(PinConnections::stereo());
    instance->setParameter(kInGain, 1.0f);
    instance->setParameter(kOutGain, 0.0f);
    instance->setBypass(true);
    const std::vector<float> left{0.5f, -0.0f, std::numeric_limits<float>::denorm_min(), 1e30f,
                                  -std::numeric_limits<float>::infinity(), std::bit_cast<float>(0x7fc12345u)};
    const std::vector<float> right{-1.0f, 0.0f, 3.0f, -1e-30f, std::bit_cast<float>(0xffc00001u), 0.25f};
    std::vector<float> outL(left.size(), 9.0f), outR(right.size(), 9.0f);
    std::vector<float> l = left, r = right;
    float* inputs[] = {l.data(), r.data()};
    float* outputs[] = {outL.data(), outR.data()};
    instance->processReplacing(inputs, outputs, static_cast<int32_t>(left.size()));
    for (std::size_t i = 0; i < left.size(); ++i) {
        EXPECT_EQ(std::bit_cast<uint32_t>(outL[i]), std::bit_cast<uint32_t>(left[i])) << "sample " << i;
        EXPECT_EQ(std::bit_cast<uint32_t>(outR[i]), std::bit_cast<uint32_t>(right[i])) << "sample " << i;
    }
}

TEST_F(PluginAudioTest, AccumulatingAddsToWhatTheOutputHolds) {
    auto instance = resumedInstance(PinConnections::mono());
    float in[] = {0.5f, -0.5f};
    float out[] = {1.0f, 1.0f};
    float* inputs[] = {in, in};
    float* outputs[] = {out, out};
    instance->process(inputs, outputs, 2);
    EXPECT_NEAR(out[0], 1.0 + 0.25, 1e-6);
    EXPECT_NEAR(out[1], 1.0 - 0.25, 1e-6);
}

TEST_F(PluginAudioTest, DisplaysAndLabelsAtDefaults) {
    PluginInstance instance(builtPlugin());
    const char* names[] = {"ZeroX", "InGain", "SlewLim", "FuncMix", "AmpMin", "FreqMin", "FreqDif", "OutGain"};
    const char* displays[] = {"Yes", "0.00", "Off", "50.000", "0.000", "2.00", "0.00", "0.00"};
    const char* labels[] = {"", "dB", "%", "%", "%", "cycles", "cycles", "dB"};
    const float defaults[] = {1.0f, 0.0f, 1.0f, 0.5f, 0.0f, 0.2222222f, 0.5f, 1.0f};
    for (int32_t index = 0; index < 8; ++index) {
        EXPECT_EQ(instance.parameterName(index), names[index]);
        EXPECT_EQ(instance.parameterDisplay(index), displays[index]) << names[index];
        EXPECT_EQ(instance.parameterLabel(index), labels[index]) << names[index];
        EXPECT_FLOAT_EQ(instance.getParameter(index), defaults[index]) << names[index];
    }
}

TEST_F(PluginAudioTest, ValueSetReadsBackBeforeAndAfterABlock) {
    auto instance = resumedInstance(PinConnections::stereo());
    instance->setParameter(kFuncMix, 0.25f);
    EXPECT_FLOAT_EQ(instance->getParameter(kFuncMix), 0.25f);
    EXPECT_EQ(instance->parameterDisplay(kFuncMix), "25.000");
    float* none[] = {nullptr, nullptr};
    instance->processReplacing(none, none, 0);  // an empty block hands values over
    EXPECT_FLOAT_EQ(instance->getParameter(kFuncMix), 0.25f);
    EXPECT_EQ(instance->parameterDisplay(kFuncMix), "25.000");
}

TEST_F(PluginAudioTest, ZeroInputGivesExactSilence) {
    for (float zeroX : {0.0f, 1.0f}) {
        auto instance = resumedInstance(PinConnections::mono());
        instance->setParameter(kZeroX, zeroX);
        const std::vector<float> output = monoOneByOne(*instance, std::vector<float>(8, 0.0f));
        for (float sample : output) EXPECT_EQ(sample, 0.0f);
    }
}

}  // namespace
}  // namespace ondulaxis::host::test
