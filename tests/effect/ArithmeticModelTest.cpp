// The arithmetic pinned bit for bit on every build, the reference-only ones
// (Windows, 32-bit Linux) included: a model written here step by step, with
// each rounding to 32-bit float spelled out as f(...), and nothing from the
// effect's own sources but its sine, cosine and power (pinned to correctly
// rounded values by ExactMathTest; a platform's own differ between builds),
// against the coefficients and samples of the effect.
// Built without contraction (CMakeLists), as the effect is.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "EffectTestSupport.h"
#include "kernels/ExactPower.h"
#include "kernels/ExactWaves.h"

namespace {

// One rounding to the nearest 32-bit float.
float f(double x) { return static_cast<float>(x); }
double w(float x) { return static_cast<double>(x); }

constexpr float piF = 3.14159265358979f;  // bits 0x40490FDB
constexpr float ln2F = 0.6931472f;

struct Model {
    bool zeroX = true;
    float inGain = 1, slewLimit = 1e6f, funcMix = 0.5f, ampMin = 0, freqMin = piF, freqDif = 0,
          outGain = 1, ampRange = 1, freqDifLog = 1;
    float state[2] = {0, 0};

    void apply(int index, float v) {
        switch (index) {
        case ZeroX: zeroX = v > 0.5f; break;
        case InGain: inGain = f(std::pow(2.0, 8.0 * w(v))); break;
        case SlewLim: {
            const float x = f(std::pow(2.0, 9.0 * (w(v) - 1.0)));
            slewLimit = x < 0.999f ? x : 1000000.0f;
            break;
        }
        case FuncMix: funcMix = v; break;
        case AmpMin:
            ampMin = v;
            ampRange = f(1.0 - w(v));
            break;
        case FreqMin: freqMin = f(w(piF) * w(f(std::pow(2.0, 9.0 * w(v) - 1.0)))); break;
        case FreqDif: {
            const double d = w(v) - 0.5;
            const float p = f(std::pow(2.0, 14.0 * std::fabs(d)));
            const float y = std::copysign(f(w(p) - 1.0), static_cast<float>(d));
            freqDif = f(w(piF) * w(y));
            freqDifLog = f(std::log(w(f(std::fabs(w(y)) + 2.0))) / w(ln2F));
            break;
        }
        case OutGain: outGain = f(std::pow(2.0, 8.0 * (w(v) - 1.0))); break;
        }
    }

    // Steps 1 and 2: gain, then the slew step; returns the gained input.
    double track(float in, float& tracked) const {
        const double x = w(in) * w(inGain);
        const float d = f(x - w(tracked));
        const float m = slewLimit >= std::fabs(d) ? std::fabs(d) : slewLimit;
        tracked = f(w(tracked) + w(std::copysign(m, d)));
        return x;
    }

    float sample(float in, float& tracked) const {
        const float x = f(track(in, tracked));
        const double t = 4.0 * std::fabs(w(x)) * std::fabs(w(x));
        const float s = f(t / (1.0 + t));
        const float p = exactMath::power(std::fabs(tracked), freqDifLog);
        const float phi = f((w(p) * w(freqDif) + w(freqMin)) * w(tracked));
        if (zeroX) {
            const float a = f(w(s) * w(ampRange) + w(ampMin));
            const float plain = std::copysign(s, x);
            const double y = (w(a) * exactMath::sin(phi) - w(plain)) * w(funcMix) + w(plain);
            return f(y * w(outGain));
        }
        const float h = f((w(s) * w(ampRange) + w(ampMin)) * 0.5);
        const float magnitude = f((w(h) * (1.0 - exactMath::cos(phi)) - w(s)) * w(funcMix) + w(s));
        return f(w(std::copysign(magnitude, x)) * w(outGain));
    }
};

Model defaultModel() {
    Model model;
    for (int index = 0; index < paramCount; ++index) model.apply(index, ondulaxisParameterRecords[index].defaultValue);
    return model;
}

// Integers to floats in [-1.2, 1.2): no library function, the same on every build.
std::vector<float> signal(uint32_t seed, int frames) {
    std::vector<float> samples(frames);
    for (float& sample : samples) {
        seed = seed * 1664525u + 1013904223u;
        sample = static_cast<float>(static_cast<int32_t>(seed >> 8) - (1 << 23)) * (1.2f / (1 << 23));
    }
    return samples;
}

::testing::AssertionResult sameBits(const char* what, int index, float want, float got) {
    if (bitsOf(want) == bitsOf(got)) return ::testing::AssertionSuccess();
    char text[96];
    std::snprintf(text, sizeof text, "%s %d: model %.9g (%08x), effect %.9g (%08x)", what, index,
                  static_cast<double>(want), bitsOf(want), static_cast<double>(got), bitsOf(got));
    return ::testing::AssertionFailure() << text;
}

// ---- Handlers: each rounding point, at values inside and outside 0..1 ----

TEST(ArithmeticModel, HandlersRoundWhereTheModelDoes) {
    for (float v : {0.0f, 0.0371f, 0.1f, 0.2222222f, 0.3f, 0.37f, 0.4444f, 0.5f, 0.61f, 0.77f,
                    0.83f, 0.9f, 0.99985f, 1.0f, -0.25f, 1.3f}) {
        FakeHost::connect(true, false, true, false);
        Ondulaxis effect(&FakeHost::callback);
        Model model = defaultModel();
        for (int index = 0; index < paramCount; ++index) {
            effect.setParameter(index, v);
            model.apply(index, v);
        }
        runEmptyBlock(effect);
        const Coefficients c = OndulaxisTestAccess::coefficients(effect);
        SCOPED_TRACE("v = " + std::to_string(v));
        EXPECT_EQ(c.zeroCrossMode, model.zeroX);
        const std::pair<const char*, std::pair<float, float>> fields[] = {
            {"inGain", {model.inGain, c.inGain}},       {"slewLimit", {model.slewLimit, c.slewLimit}},
            {"funcMix", {model.funcMix, c.funcMix}},    {"ampMin", {model.ampMin, c.ampMin}},
            {"ampRange", {model.ampRange, c.ampRange}}, {"freqMin", {model.freqMin, c.freqMin}},
            {"freqDif", {model.freqDif, c.freqDif}},    {"freqDifLog", {model.freqDifLog, c.freqDifLog}},
            {"outGain", {model.outGain, c.outGain}}};
        for (const auto& [name, values] : fields) {
            EXPECT_TRUE(sameBits(name, 0, values.first, values.second));
        }
    }
}

// ---- Kernels: two blocks, the first as the case says, the second distorting ----

struct KernelCase {
    const char* name;
    float values[paramCount];  // ZeroX InGain SlewLim FuncMix AmpMin FreqMin FreqDif OutGain
    bool stereo;
    bool bypass;  // the first block only
    bool accumulate;
};

void PrintTo(const KernelCase& c, std::ostream* out) { *out << c.name; }

class ArithmeticKernelTest : public ::testing::TestWithParam<KernelCase> {};

TEST_P(ArithmeticKernelTest, SamplesAndTrackedValuesEqualTheModel) {
    const KernelCase& k = GetParam();
    constexpr int frames = 96;
    const int channels = k.stereo ? 2 : 1;
    FakeHost::connect(true, k.stereo, true, k.stereo);
    Ondulaxis effect(&FakeHost::callback);
    effect.resume();
    Model model = defaultModel();
    for (int index = 0; index < paramCount; ++index) {
        effect.setParameter(index, k.values[index]);
        model.apply(index, k.values[index]);
    }
    effect.setBypass(k.bypass);
    for (int block = 0; block < 2; ++block) {
        const bool bypass = block == 0 && k.bypass;
        if (block == 1) effect.setBypass(false);
        AudioBlock audio(frames);
        std::vector<float> expected[2];
        for (int ch = 0; ch < 2; ++ch) {
            // Copied in: the block's channel pointers stay on its own storage.
            const std::vector<float> in = signal(17u + 101u * ch + 7u * block, frames);
            // A signal already in the outputs, which accumulating adds to.
            const std::vector<float> out = signal(5u + ch, frames);
            std::copy(in.begin(), in.end(), audio.in[ch].begin());
            std::copy(out.begin(), out.end(), audio.out[ch].begin());
            expected[ch] = audio.out[ch];
        }
        for (int i = 0; i < frames; ++i) {
            for (int ch = 0; ch < channels; ++ch) {
                const float in = audio.in[ch][i];
                float y = in;
                if (bypass) {
                    model.track(in, model.state[ch]);
                } else {
                    y = model.sample(in, model.state[ch]);
                }
                expected[ch][i] = k.accumulate ? f(w(expected[ch][i]) + w(y)) : y;
            }
        }
        if (k.accumulate) {
            effect.process(audio.inputs(), audio.outputs(), frames);
        } else {
            effect.processReplacing(audio.inputs(), audio.outputs(), frames);
        }
        SCOPED_TRACE("block " + std::to_string(block));
        for (int ch = 0; ch < 2; ++ch) {
            for (int i = 0; i < frames; ++i) {
                ASSERT_TRUE(sameBits("channel sample", ch * 1000 + i, expected[ch][i], audio.out[ch][i]));
            }
            EXPECT_TRUE(sameBits("tracked value", ch, model.state[ch],
                                 OndulaxisTestAccess::slewState(effect)[ch]));
        }
    }
}

// Slew on (SlewLim below 1) keeps the tracked values apart from the inputs;
// InGain, FreqDif and OutGain away from their plain values make every
// rounding point matter.
constexpr float sineSlew[] = {1.0f, 0.37f, 0.55f, 0.6f, 0.15f, 0.43f, 0.71f, 0.83f};
constexpr float cosineSlew[] = {0.0f, 0.29f, 0.6f, 0.45f, 0.3f, 0.61f, 0.24f, 0.77f};
constexpr float sineNoSlew[] = {1.0f, 0.21f, 1.0f, 0.8f, 0.1f, 0.52f, 0.66f, 0.9f};
constexpr float cosineNoSlew[] = {0.0f, 0.13f, 1.0f, 0.7f, 0.2f, 0.35f, 0.3f, 0.86f};

#define KERNEL_CASE(name, values, stereo, bypass, accumulate)                                     \
    KernelCase {                                                                                  \
        name, {values[0], values[1], values[2], values[3], values[4], values[5], values[6],       \
               values[7]},                                                                        \
            stereo, bypass, accumulate                                                            \
    }

INSTANTIATE_TEST_SUITE_P(
    BothShapes, ArithmeticKernelTest,
    ::testing::Values(KERNEL_CASE("SineSlewMono", sineSlew, false, false, false),
                      KERNEL_CASE("SineNoSlewStereo", sineNoSlew, true, false, false),
                      KERNEL_CASE("CosineSlewStereo", cosineSlew, true, false, false),
                      KERNEL_CASE("CosineNoSlewMono", cosineNoSlew, false, false, false),
                      KERNEL_CASE("SineSlewStereoAccumulate", sineSlew, true, false, true),
                      KERNEL_CASE("CosineSlewMonoAccumulate", cosineSlew, false, false, true),
                      KERNEL_CASE("CosineNoSlewStereoAccumulate", cosineNoSlew, true, false, true),
                      KERNEL_CASE("BypassSlewStereo", cosineSlew, true, true, false),
                      KERNEL_CASE("BypassSlewMonoAccumulate", sineSlew, false, true, true)),
    [](const ::testing::TestParamInfo<KernelCase>& info) { return std::string(info.param.name); });

}  // namespace
