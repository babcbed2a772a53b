// Ondulaxis HQ: the resampling chain by its measured response, and the built
// library, driven as a host drives it, at every factor.
#include <cmath>
#include <algorithm>
#include <complex>
#include <cstring>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "PluginInstance.h"
#include "PluginLibrary.h"
#include "Resampling.h"
#include "SpectrumAnalysis.h"

namespace {

using namespace ondulaxis::host;

constexpr int32_t oversampleIndex = 8;
constexpr int32_t dryWetIndex = 9;
constexpr int32_t ioChangedRequest = 13;

struct Factor {
    int32_t stages;
    float value;          // the normalised Oversample value
    const char* display;
    int32_t latency;      // host samples
    double maxAliasingDb; // 5 kHz at -6 dBFS, 48 kHz, defaults
};

// Aliasing bounds: the plug-in's promise at 4x and 8x, and a few dB under
// what each factor measures elsewhere, so a worse filter shows.
const Factor factors[] = {
    {0, 0.0f, "1x", 0, -16.0},
    {1, 0.25f, "2x", 39, -53.0},
    {2, 0.5f, "4x", 45, -70.0},
    {3, 0.75f, "8x", 47, -90.0},
    {4, 1.0f, "16x", 48, -98.0},
};

void PrintTo(const Factor& f, std::ostream* os) { *os << f.display; }

std::shared_ptr<const PluginLibrary> library(const char* path) {
    static std::shared_ptr<const PluginLibrary> hq, plain;
    auto& slot = std::strcmp(path, HQ_PLUGIN_PATH) == 0 ? hq : plain;
    if (!slot) slot = std::make_shared<const PluginLibrary>(path);
    return slot;
}

std::unique_ptr<PluginInstance> open(const char* path, float oversample, float dryWet = 1.0f) {
    auto instance = std::make_unique<PluginInstance>(library(path));
    instance->open();
    instance->setSampleRate(48000.0f);
    instance->setBlockSize(512);
    if (std::strcmp(path, HQ_PLUGIN_PATH) == 0) {
        instance->setParameter(oversampleIndex, oversample);
        instance->setParameter(dryWetIndex, dryWet);
    }
    instance->mainsChanged(true);
    return instance;
}

using Stereo = std::vector<float>[2];

// Noise, a hot tone and silence, different on each channel, in uneven blocks.
void render(PluginInstance& instance, const Stereo& input, Stereo& output) {
    const std::size_t frames = input[0].size();
    output[0].assign(frames, 0.0f);
    output[1].assign(frames, 0.0f);
    for (std::size_t start = 0, n = 0; start < frames; start += n) {
        n = std::min<std::size_t>(frames - start, 1 + (start * 7919) % 700);
        float* in[2] = {const_cast<float*>(input[0].data()) + start,
                        const_cast<float*>(input[1].data()) + start};
        float* out[2] = {output[0].data() + start, output[1].data() + start};
        instance.processReplacing(in, out, static_cast<int32_t>(n));
    }
}

void programme(Stereo& input, std::size_t frames) {
    std::mt19937 random(19);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    for (int c = 0; c < 2; ++c) {
        input[c].resize(frames);
        for (std::size_t i = 0; i < frames; ++i) {
            input[c][i] = (i / 3000) % 3 == 0   ? 0.9f * unit(random)
                          : (i / 3000) % 3 == 1 ? static_cast<float>(std::sin(0.03 * (c + 1) * i))
                                                : 0.0f;
        }
    }
}

class HQFactor : public ::testing::TestWithParam<Factor> {};

// The chain without the effect is linear and time-invariant at the host
// rate, so its impulse response tells its delay and its response.
TEST_P(HQFactor, ChainIsALinearPhaseDelayFlatTo20kHz) {
    const Factor& f = GetParam();
    if (f.stages == 0) GTEST_SKIP() << "no filters at 1x";
    oversampling::ChannelResampler chain;
    std::vector<float> impulse(oversampling::chunkFrames, 0.0f), response(impulse.size());
    std::vector<float> work(oversampling::chunkFrames * oversampling::maxFactor);
    impulse[0] = 1.0f;
    chain.up(f.stages, impulse.data(), work.data(), oversampling::chunkFrames);
    chain.down(f.stages, work.data(), response.data(), oversampling::chunkFrames);

    std::size_t peak = 0;
    for (std::size_t i = 0; i < response.size(); ++i) {
        if (std::fabs(response[i]) > std::fabs(response[peak])) peak = i;
    }
    EXPECT_EQ(static_cast<int32_t>(peak), f.latency);
    EXPECT_EQ(oversampling::chainLatency(f.stages), f.latency);
    for (int32_t k = 1; k <= f.latency; ++k) {  // symmetric: linear phase
        EXPECT_NEAR(response[peak - k], response[peak + k], 1e-6f) << k;
    }
    // 20 kHz at 48 kHz is the wider band (18 kHz at 44.1 kHz is 0.408).
    double worst = 0.0;
    for (double f0 = 0.0; f0 <= 20.0 / 48.0; f0 += 1.0 / 960.0) {
        std::complex<double> h = 0.0;
        for (std::size_t i = 0; i < response.size(); ++i) {
            h += static_cast<double>(response[i]) *
                 std::polar(1.0, -2.0 * std::numbers::pi * f0 * static_cast<double>(i));
        }
        worst = std::max(worst, std::fabs(20.0 * std::log10(std::abs(h))));
    }
    EXPECT_LT(worst, 0.1) << "pass-band ripple in dB";
}

TEST_P(HQFactor, AliasingOfA5kHzTone) {
    const Factor& f = GetParam();
    SessionSettings settings;
    settings.parameters = {{"Oversample", f.value}};
    const Spectrum spectrum =
        analyseTone(renderTone(library(HQ_PLUGIN_PATH), settings, {5000.0, -6.0}, 1), 48000.0, 5000.0);
    EXPECT_LT(spectrum.aliasingDb, f.maxAliasingDb);
}

TEST_P(HQFactor, FactorChangeReportsLatencyAndTellsTheHost) {
    const Factor& f = GetParam();
    auto instance = open(HQ_PLUGIN_PATH, f.value);
    EXPECT_EQ(instance->record().initialDelay, f.latency);
    EXPECT_EQ(instance->parameterDisplay(oversampleIndex), f.display);
    instance->clearRequests();
    const float other = f.stages == 2 ? 0.0f : 0.5f;
    instance->setParameter(oversampleIndex, other);
    EXPECT_EQ(instance->record().initialDelay, factors[f.stages == 2 ? 0 : 2].latency);
    const auto requests = instance->requests();
    EXPECT_TRUE(std::any_of(requests.begin(), requests.end(),
                            [](const HostRequest& r) { return r.opcode == ioChangedRequest; }));
}

// At 0 % the output is the input, delayed by the reported latency, bit for
// bit, from the first block after a switch from the plain 1x sound on.
TEST_P(HQFactor, DryIsTheInputDelayedByTheLatency) {
    const Factor& f = GetParam();
    auto instance = open(HQ_PLUGIN_PATH, 0.0f, 1.0f);
    Stereo input, before, after, output, ignored;
    programme(input, 20000);
    for (int c = 0; c < 2; ++c) {
        before[c].assign(input[c].begin(), input[c].begin() + 10000);
        after[c].assign(input[c].begin() + 10000, input[c].end());
    }
    render(*instance, before, ignored);
    instance->setParameter(oversampleIndex, f.value);
    instance->setParameter(dryWetIndex, 0.0f);
    render(*instance, after, output);
    const int32_t delay = instance->record().initialDelay;
    for (int c = 0; c < 2; ++c) {
        for (std::size_t i = 0; i < output[c].size(); ++i) {
            const float expected = input[c][10000 + i - delay];
            ASSERT_EQ(std::memcmp(&output[c][i], &expected, sizeof expected), 0)
                << "channel " << c << " sample " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Factors, HQFactor, ::testing::ValuesIn(factors),
                         [](const auto& info) { return std::string(info.param.display); });

TEST(HQPlugin, At1xFullyWetItIsThePlainEffectBitForBit) {
    auto hq = open(HQ_PLUGIN_PATH, 0.0f);
    auto plain = open(PLAIN_PLUGIN_PATH, 0.0f);
    EXPECT_EQ(hq->record().initialDelay, 0);
    for (auto* instance : {hq.get(), plain.get()}) {
        instance->setParameter(1, 0.4f);   // InGain
        instance->setParameter(2, 0.7f);   // SlewLim, which HQ scales by the factor
    }
    Stereo input, fromHq, fromPlain;
    programme(input, 30000);
    render(*hq, input, fromHq);
    render(*plain, input, fromPlain);
    for (int c = 0; c < 2; ++c) {
        ASSERT_EQ(std::memcmp(fromHq[c].data(), fromPlain[c].data(), sizeof(float) * input[c].size()), 0);
    }
}

}  // namespace
