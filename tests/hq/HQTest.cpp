// Ondulaxis HQ: the resampling chain by its measured response, and the built
// library, driven as a host drives it, at every factor.
#include <cmath>
#include <algorithm>
#include <complex>
#include <cstring>
#include <limits>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "LayoutSession.h"
#include "PluginInstance.h"
#include "PluginLibrary.h"
#include "OndulaxisHQ.h"
#include "Resampling.h"
#include "SpectrumAnalysis.h"

namespace {

using namespace ondulaxis::host;
using namespace ondulaxis::tool;

constexpr int32_t oversampleIndex = OndulaxisHQ::oversampleIndex;
constexpr int32_t dryWetIndex = OndulaxisHQ::dryWetIndex;
constexpr int32_t ioChangedRequest = 13;

struct Factor {
    int32_t stages;
    float value;          // the normalised Oversample value
    const char* display;
    int32_t chainLatency; // host samples the filters alone delay
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
TEST_P(HQFactor, ChainIsALinearPhaseDelay) {
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
    EXPECT_EQ(static_cast<int32_t>(peak), f.chainLatency);
    EXPECT_EQ(oversampling::chainLatency(f.stages), f.chainLatency);
    EXPECT_LE(f.chainLatency, OndulaxisHQ::latency());
    for (int32_t k = 1; k <= f.chainLatency; ++k) {  // symmetric: linear phase
        EXPECT_NEAR(response[peak - k], response[peak + k], 1e-6f) << k;
    }
    // The pass band: ResamplingTest, to 19 kHz at 44.1 kHz, the wider one.
}

TEST_P(HQFactor, AliasingOfA5kHzTone) {
    const Factor& f = GetParam();
    SessionSettings settings;
    settings.parameters = {{"Oversample", f.value}};
    const auto source = std::make_shared<const PluginLibrarySource>(library(HQ_PLUGIN_PATH));
    const Spectrum spectrum = analyseTone(renderTone(source, settings, {5000.0, -6.0}, 1), 48000.0, 5000.0);
    EXPECT_LT(spectrum.aliasingDb, f.maxAliasingDb);
}

// One latency at every factor, reported from the start; a factor change,
// from a host thread or from a block, calls nothing in the host.
TEST_P(HQFactor, FactorChangeKeepsTheLatencyAndCallsNoHost) {
    const Factor& f = GetParam();
    auto instance = open(HQ_PLUGIN_PATH, f.value);
    EXPECT_EQ(instance->record().initialDelay, OndulaxisHQ::latency());
    EXPECT_EQ(instance->parameterDisplay(oversampleIndex), f.display);
    instance->clearRequests();
    Stereo input, output;
    programme(input, 4000);
    for (float other : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) {
        instance->setParameter(oversampleIndex, other);
        render(*instance, input, output);
    }
    EXPECT_EQ(instance->record().initialDelay, OndulaxisHQ::latency());
    const auto requests = instance->requests();
    EXPECT_TRUE(std::none_of(requests.begin(), requests.end(),
                             [](const HostRequest& r) { return r.opcode == ioChangedRequest; }));
}

// At 0 % the output is the input, delayed by the reported latency, bit for
// bit, through a change to this factor and back.
TEST_P(HQFactor, DryIsTheInputDelayedByTheLatency) {
    const Factor& f = GetParam();
    auto instance = open(HQ_PLUGIN_PATH, 0.5f, 0.0f);
    Stereo input, parts[3], output[3];
    programme(input, 15000);
    for (int c = 0; c < 2; ++c) {
        for (int k = 0; k < 3; ++k) {
            parts[k][c].assign(input[c].begin() + 5000 * k, input[c].begin() + 5000 * (k + 1));
        }
    }
    for (int k = 0; k < 3; ++k) {
        instance->setParameter(oversampleIndex, k == 1 ? f.value : 0.5f);
        render(*instance, parts[k], output[k]);
    }
    const int32_t delay = instance->record().initialDelay;
    for (int c = 0; c < 2; ++c) {
        for (std::size_t i = delay; i < input[c].size(); ++i) {
            const float got = output[i / 5000][c][i % 5000];
            ASSERT_EQ(std::memcmp(&got, &input[c][i - delay], sizeof got), 0) << "channel " << c << " sample " << i;
        }
    }
}

// A NaN and an infinity in the input: above 1x the filters read them as
// silence, so the output holds no NaN or infinity and differs from a clean
// render only within a filter's length of them; at 1x the output is
// non-finite exactly where the plain plug-in's is, delayed.
TEST_P(HQFactor, NonFiniteInputStaysWhereItWas) {
    const Factor& f = GetParam();
    Stereo clean, dirty, fromClean, fromDirty;
    programme(clean, 6000);
    for (int c = 0; c < 2; ++c) dirty[c] = clean[c];
    dirty[0][1000] = std::numeric_limits<float>::quiet_NaN();
    dirty[1][3000] = -std::numeric_limits<float>::infinity();
    auto a = open(HQ_PLUGIN_PATH, f.value);
    auto b = open(HQ_PLUGIN_PATH, f.value);
    render(*a, clean, fromClean);
    render(*b, dirty, fromDirty);
    const std::size_t reach = 2 * static_cast<std::size_t>(OndulaxisHQ::latency()) + 1;
    for (int c = 0; c < 2; ++c) {
        const std::size_t bad = c == 0 ? 1000 : 3000;
        for (std::size_t i = 0; i < fromDirty[c].size(); ++i) {
            const bool delayedBad = i == bad + static_cast<std::size_t>(OndulaxisHQ::latency());
            if (f.stages == 0 && delayedBad) {
                EXPECT_FALSE(std::isfinite(fromDirty[c][i]));
                continue;
            }
            ASSERT_TRUE(std::isfinite(fromDirty[c][i])) << "channel " << c << " sample " << i;
            if (i < bad || i > bad + reach) {
                ASSERT_EQ(fromDirty[c][i], fromClean[c][i]) << "channel " << c << " sample " << i;
            }
        }
    }
}

// The host sees the factor a value selects by its text and its latency: each
// fifth of the range is one step up, and the top fifth reaches 1.0.
struct OversampleStep {
    float value;
    int32_t stages;
};

void PrintTo(const OversampleStep& s, std::ostream* os) { *os << s.value; }

class HQOversampleStep : public ::testing::TestWithParam<OversampleStep> {};

TEST_P(HQOversampleStep, DisplayFollowsTheFifths) {
    const auto [value, stages] = GetParam();
    auto instance = open(HQ_PLUGIN_PATH, 0.5f);
    instance->setParameter(oversampleIndex, value);
    EXPECT_EQ(instance->parameterDisplay(oversampleIndex), factors[stages].display);
}

INSTANTIATE_TEST_SUITE_P(Values, HQOversampleStep,
                         ::testing::Values(OversampleStep{0.19f, 0}, OversampleStep{0.2f, 1},
                                           OversampleStep{0.39f, 1}, OversampleStep{0.4f, 2},
                                           OversampleStep{0.6f, 3}, OversampleStep{0.79f, 3},
                                           OversampleStep{0.8f, 4}, OversampleStep{1.0f, 4}),
                         [](const auto& info) { return std::to_string(info.index); });

// Silence in, silence out: once a factor change is over, nothing the filters
// held at the old rate, or at the new one the last time it ran, is heard.
struct Switch {
    int32_t from, to;
};

void PrintTo(const Switch& s, std::ostream* os) {
    *os << factors[s.from].display << " to " << factors[s.to].display;
}

class HQFactorSwitch : public ::testing::TestWithParam<Switch> {};

TEST_P(HQFactorSwitch, SilenceAfterTheSwitchIsSilence) {
    const auto [from, to] = GetParam();
    auto instance = open(HQ_PLUGIN_PATH, factors[to].value);
    Stereo loud, silence, output, ignored;
    programme(loud, 5000);  // ends in the tone, so the filters hold sound
    render(*instance, loud, ignored);  // and so do those of the final factor
    instance->setParameter(oversampleIndex, factors[from].value);
    render(*instance, loud, ignored);
    instance->setParameter(oversampleIndex, factors[to].value);
    silence[0].assign(2000, 0.0f);
    silence[1].assign(2000, 0.0f);
    render(*instance, silence, output);
    for (int c = 0; c < 2; ++c) {
        for (std::size_t i = OndulaxisHQ::changeFrames(48000.0f); i < output[c].size(); ++i) {
            ASSERT_EQ(output[c][i], 0.0f) << "channel " << c << " sample " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Switches, HQFactorSwitch,
                         ::testing::Values(Switch{2, 3}, Switch{3, 2}, Switch{0, 2}, Switch{4, 1},
                                           Switch{1, 4}),
                         [](const auto& info) {
                             return std::string(factors[info.param.from].display) + "to" +
                                    factors[info.param.to].display;
                         });

// Half-way time of the response to a step from 0 to 0.5, in host samples
// (interpolated), less the latency.
double halfWayTime(float oversample) {
    auto instance = open(HQ_PLUGIN_PATH, oversample);
    instance->setParameter(ZeroX, 0.0f);    // off: the raised cosine, rising with the tracked value
    instance->setParameter(SlewLim, 0.0f);  // at its slowest: 256 samples from 0 to 0.5
    instance->setParameter(FuncMix, 1.0f);  // only the term that reads the tracked value
    instance->setParameter(FreqMin, 0.0f);  // half a cycle: an eighth of a cycle up to 0.5
    Stereo step, output;
    for (int c = 0; c < 2; ++c) {
        step[c].assign(2000, 0.5f);
        std::fill_n(step[c].begin(), 500, 0.0f);
    }
    render(*instance, step, output);
    const float half = output[0].back() / 2.0f;
    std::size_t i = 1;
    while (i < output[0].size() && output[0][i] < half) ++i;
    const double fraction = (half - output[0][i - 1]) / (output[0][i] - output[0][i - 1]);
    return static_cast<double>(i - 1) + fraction - instance->record().initialDelay;
}

// SlewLim is a slope per host sample: the same at every factor.
TEST_P(HQFactor, SlewTakesAsLongAsAt1x) {
    const Factor& f = GetParam();
    EXPECT_NEAR(halfWayTime(f.value), halfWayTime(0.0f), 1.0);
}

// process adds the block to what the bus holds; processReplacing writes it.
struct AddCase {
    int32_t stages;
    float dryWet;
};

void PrintTo(const AddCase& a, std::ostream* os) {
    *os << factors[a.stages].display << " at " << a.dryWet * 100.0f << " %";
}

class HQAccumulate : public ::testing::TestWithParam<AddCase> {};

TEST_P(HQAccumulate, ProcessAddsWhatProcessReplacingWrites) {
    const auto [stages, dryWet] = GetParam();
    auto replacing = open(HQ_PLUGIN_PATH, factors[stages].value, dryWet);
    auto adding = open(HQ_PLUGIN_PATH, factors[stages].value, dryWet);
    Stereo input, written;
    programme(input, 12000);
    render(*replacing, input, written);
    std::vector<float> bus[2];
    for (int c = 0; c < 2; ++c) {
        bus[c].resize(input[c].size());
        for (std::size_t i = 0; i < bus[c].size(); ++i) bus[c][i] = 0.25f * std::cos(0.01f * (c + 1) * i);
    }
    const std::vector<float> before[2] = {bus[0], bus[1]};
    for (std::size_t start = 0, n = 0; start < bus[0].size(); start += n) {
        n = std::min<std::size_t>(bus[0].size() - start, 1 + (start * 7919) % 700);
        float* in[2] = {input[0].data() + start, input[1].data() + start};
        float* out[2] = {bus[0].data() + start, bus[1].data() + start};
        adding->process(in, out, static_cast<int32_t>(n));
    }
    for (int c = 0; c < 2; ++c) {
        for (std::size_t i = 0; i < bus[c].size(); ++i) {
            ASSERT_EQ(bus[c][i], before[c][i] + written[c][i]) << "channel " << c << " sample " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, HQAccumulate,
                         ::testing::Values(AddCase{0, 1.0f}, AddCase{0, 0.5f}, AddCase{1, 1.0f},
                                           AddCase{2, 1.0f}, AddCase{2, 0.3f}, AddCase{3, 0.0f},
                                           AddCase{4, 1.0f}, AddCase{4, 0.7f}),
                         [](const auto& info) {
                             return std::string(factors[info.param.stages].display) + "_" +
                                    std::to_string(static_cast<int>(info.param.dryWet * 100.0f));
                         });

INSTANTIATE_TEST_SUITE_P(Factors, HQFactor, ::testing::ValuesIn(factors),
                         [](const auto& info) { return std::string(info.param.display); });

TEST(HQPlugin, At1xFullyWetItIsThePlainEffectDelayedBitForBit) {
    auto hq = open(HQ_PLUGIN_PATH, 0.0f);
    auto plain = open(PLAIN_PLUGIN_PATH, 0.0f);
    const std::size_t delay = static_cast<std::size_t>(hq->record().initialDelay);
    EXPECT_GT(delay, 0u);
    for (auto* instance : {hq.get(), plain.get()}) {
        instance->setParameter(InGain, 0.4f);
        instance->setParameter(SlewLim, 0.7f);  // which HQ scales by the factor
    }
    Stereo input, fromHq, fromPlain;
    programme(input, 30000);
    render(*hq, input, fromHq);
    render(*plain, input, fromPlain);
    for (int c = 0; c < 2; ++c) {
        ASSERT_EQ(std::memcmp(fromHq[c].data() + delay, fromPlain[c].data(),
                              sizeof(float) * (input[c].size() - delay)),
                  0);
    }
}

// ---- a mix that moves -------------------------------------------------------

// A 1 kHz tone at -6 dBFS, on both channels.
void tone(Stereo& input, std::size_t frames) {
    for (auto& channel : input) {
        channel.resize(frames);
        for (std::size_t i = 0; i < frames; ++i) {
            channel[i] = static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * 1000.0 * i / 48000.0));
        }
    }
}

// The largest second difference: a click, a step or a kink shows in it
// whole, where a tone's own is small.
double largestBend(const std::vector<float>& signal) {
    double largest = 0.0;
    for (std::size_t i = 2; i < signal.size(); ++i) {
        const double bend = static_cast<double>(signal[i]) - 2.0 * signal[i - 1] + signal[i - 2];
        largest = std::max(largest, std::fabs(bend));
    }
    return largest;
}

// A change of one value at sample `at` of a tone; `settings` hold before.
// Index -1 is the host's bypass, on above one half.
constexpr int32_t bypassIndex = -1;

struct Change {
    const char* name;
    int32_t index;
    float from, to;
    std::vector<std::pair<int32_t, float>> settings;
};

void PrintTo(const Change& c, std::ostream* os) { *os << c.name; }

std::vector<float> renderChange(const Change& c, float value, float changeTo, std::size_t at,
                                const Stereo& input) {
    auto instance = open(HQ_PLUGIN_PATH, 0.5f);
    for (const auto& [index, setting] : c.settings) instance->setParameter(index, setting);
    const auto set = [&](float v) {
        if (c.index == bypassIndex) instance->setBypass(v > 0.5f);
        else instance->setParameter(c.index, v);
    };
    set(value);
    Stereo before, after, out[2];
    for (int ch = 0; ch < 2; ++ch) {
        before[ch].assign(input[ch].begin(), input[ch].begin() + at);
        after[ch].assign(input[ch].begin() + at, input[ch].end());
    }
    render(*instance, before, out[0]);
    set(changeTo);
    render(*instance, after, out[1]);
    std::vector<float> left = out[0][0];
    left.insert(left.end(), out[1][0].begin(), out[1][0].end());
    return left;
}

class HQChange : public ::testing::TestWithParam<Change> {};

// While the value moves, no bend is larger than the tone's own largest bend
// at any setting along the way (a jump of the value would be one); once
// it has arrived and the filters have forgotten, the output is bit for bit
// that of the new value held all along, in time.
TEST_P(HQChange, GlidesWithNoStepAndArrivesExactly) {
    const Change& c = GetParam();
    Stereo input;
    tone(input, 14400);
    constexpr std::size_t at = 4812;  // a crest of the tone: a jump there is the largest
    const std::vector<float> moving = renderChange(c, c.from, c.to, at, input);
    double allowed = 0.0;
    for (int k = 0; k <= 4; ++k) {
        const float value = c.from + (c.to - c.from) * static_cast<float>(k) / 4.0f;
        const std::vector<float> steady = renderChange(c, value, value, at, input);
        allowed = std::max(allowed, largestBend({steady.begin() + at / 2, steady.end()}));
    }
    EXPECT_LE(largestBend({moving.begin() + at / 2, moving.end()}), 1.1 * allowed);
    const std::vector<float> arrived = renderChange(c, c.to, c.to, at, input);
    const std::size_t settled =
        at + std::max<std::size_t>(static_cast<std::size_t>(std::lround(OndulaxisHQ::glideSeconds * 48000.0)),
                                   OndulaxisHQ::changeFrames(48000.0f)) +
        2 * OndulaxisHQ::latency() + 2;
    for (std::size_t i = settled; i < moving.size(); ++i) {
        ASSERT_EQ(std::memcmp(&moving[i], &arrived[i], sizeof(float)), 0) << "sample " << i;
    }
}

const std::vector<std::pair<int32_t, float>> wet{};
const std::vector<std::pair<int32_t, float>> sinusoid{{FuncMix, 1.0f}};
const Change changes[] = {
    {"Factor2xTo16x", oversampleIndex, 0.25f, 1.0f, wet},
    {"Factor16xTo1x", oversampleIndex, 1.0f, 0.0f, wet},
    {"Factor1xTo4x", oversampleIndex, 0.0f, 0.5f, sinusoid},
    {"Factor8xTo2xHalfWet", oversampleIndex, 0.75f, 0.25f, {{dryWetIndex, 0.5f}}},
    {"InGainUp12dB", InGain, 0.0f, 0.25f, {{FuncMix, 0.0f}}},
    {"FuncMixToTheSinusoid", FuncMix, 0.0f, 1.0f, wet},
    {"OutGainDown36dB", OutGain, 1.0f, 0.25f, sinusoid},
    {"DryWetToDry", dryWetIndex, 1.0f, 0.0f, sinusoid},
    {"DryWetHalfToWet", dryWetIndex, 0.5f, 1.0f, {{InGain, 0.3f}}},
    {"AmpMinUp", AmpMin, 0.0f, 1.0f, sinusoid},
    {"ZeroXOff", ZeroX, 1.0f, 0.0f, sinusoid},
    {"BypassOn", bypassIndex, 0.0f, 1.0f, sinusoid},
    {"BypassOffHalfWet", bypassIndex, 1.0f, 0.0f, {{FuncMix, 1.0f}, {dryWetIndex, 0.6f}}},
};

INSTANTIATE_TEST_SUITE_P(Values, HQChange, ::testing::ValuesIn(changes),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- a change is the blend of the renders at its two ends ------------------

// Heavy drive (+24 dB into the sinusoid alone), where the folds bend most: a
// step, or a fade at the wrong time, is then far from the blend.
const std::vector<std::pair<int32_t, float>> heavyDrive{{InGain, 0.5f}, {FuncMix, 1.0f}};
constexpr std::size_t blendAt = 4812;

// While a control changes, the output is the blend of the renders at its
// ends. A factor change: the old factor alone until the new one's filters
// are full, then a linear fade over to it. A glide of a control the output is
// linear in (OutGain through its gain factor, not its normalised value):
// weighed by how far the glide has come. FuncMix, AmpMin and OutGain are
// weighed at the kernels' rate, before the filters: at 1x, where that rate is
// the host's, the blend holds sample by sample.
struct Blend {
    const char* name;
    int32_t index;
    float from, to;
    float oversample = 0.0f;  // a glide's factor
    bool gainFactor = false;
};

void PrintTo(const Blend& b, std::ostream* os) { *os << b.name; }

class HQBlend : public ::testing::TestWithParam<Blend> {};

TEST_P(HQBlend, IsTheBlendOfTheRendersAtTheEnds) {
    const Blend& g = GetParam();
    Stereo input;
    tone(input, 9600);
    std::vector<std::pair<int32_t, float>> settings = heavyDrive;
    if (g.index != oversampleIndex) settings.emplace_back(oversampleIndex, g.oversample);
    const Change c{g.name, g.index, g.from, g.to, settings};
    const std::vector<float> moving = renderChange(c, g.from, g.to, blendAt, input),
                             first = renderChange(c, g.from, g.from, blendAt, input),
                             second = renderChange(c, g.to, g.to, blendAt, input);
    const auto linear = [&](double v) { return g.gainFactor ? std::exp2(8.0 * (v - 1.0)) : v; };
    const double glide = std::lround(OndulaxisHQ::glideSeconds * 48000.0);
    const double fade = std::lround(OndulaxisHQ::fadeSeconds * 48000.0);
    const double full = blendAt + OndulaxisHQ::changeFrames(48000.0f) - fade;
    for (std::size_t i = 0; i < moving.size(); ++i) {
        double share = i < full ? 0.0 : std::min(1.0, (i - full + 1.0) / (fade + 1.0));
        if (g.index != oversampleIndex) {
            const double ramp = i < blendAt ? 0.0 : std::min(1.0, (i - blendAt + 1.0) / glide);
            const double value = g.from + (static_cast<double>(g.to) - g.from) * ramp;
            share = (linear(value) - linear(g.from)) / (linear(g.to) - linear(g.from));
        }
        const double expected = first[i] + (static_cast<double>(second[i]) - first[i]) * share;
        ASSERT_NEAR(moving[i], expected, 2e-6) << "sample " << i << ", share " << share;
    }
}

INSTANTIATE_TEST_SUITE_P(Changes, HQBlend,
                         ::testing::Values(Blend{"Factor1xTo4x", oversampleIndex, 0.0f, 0.5f},
                                           Blend{"Factor8xTo2x", oversampleIndex, 0.75f, 0.25f},
                                           Blend{"Factor2xTo16x", oversampleIndex, 0.25f, 1.0f},
                                           Blend{"AmpMin", AmpMin, 0.1f, 0.9f},
                                           Blend{"OutGain", OutGain, 1.0f, 0.6f, 0.0f, true},
                                           Blend{"FuncMix", FuncMix, 0.2f, 0.9f},
                                           Blend{"DryWet", dryWetIndex, 1.0f, 0.3f, 0.5f}),
                         [](const auto& info) { return std::string(info.param.name); });

// Offline, as this host's renders are, Render's factor replaces Oversample's,
// at the same latency.
TEST(HQPlugin, OfflineRendersAtTheRenderFactor) {
    auto rendered = open(HQ_PLUGIN_PATH, 0.25f);
    rendered->setParameter(OndulaxisHQ::renderIndex, 1.0f);
    EXPECT_EQ(rendered->parameterDisplay(OndulaxisHQ::renderIndex), "16x");
    auto at16x = open(HQ_PLUGIN_PATH, 1.0f);
    Stereo input, a, b;
    programme(input, 6000);
    render(*rendered, input, a);
    render(*at16x, input, b);
    EXPECT_EQ(a[0], b[0]);
    EXPECT_EQ(a[1], b[1]);
    EXPECT_EQ(rendered->record().initialDelay, at16x->record().initialDelay);
}

}  // namespace
