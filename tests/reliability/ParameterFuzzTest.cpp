// Parameters as careless hosts and automation lanes send them: any index,
// values outside 0..1, NaN and infinities; and for every setting a host can
// reach in 0..1, output that is finite, normal and within the output gain.
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PluginUnderTest.h"

namespace reliability {
namespace {

using namespace ondulaxis::host;

// What the plug-in wrote into an 8-byte text buffer, asked with a larger
// buffer full of a marker so that writing past the 8 bytes shows.
struct WrittenText {
    std::string text;
    bool terminatedWithinEight = false;
    bool wroteBeyondEight = false;
};

WrittenText askText(PluginInstance& instance, int32_t opcode, int32_t index) {
    constexpr char marker = 0x5A;
    char buffer[64];
    std::memset(buffer, marker, sizeof buffer);
    instance.dispatch(opcode, index, 0, buffer);
    WrittenText written;
    const void* terminator = std::memchr(buffer, '\0', 8);
    written.terminatedWithinEight = terminator != nullptr;
    if (terminator != nullptr) written.text.assign(buffer, static_cast<std::size_t>(static_cast<const char*>(terminator) - buffer));
    for (std::size_t i = 8; i < sizeof buffer; ++i) written.wroteBeyondEight |= buffer[i] != marker;
    return written;
}

void expectTextsFit(PluginInstance& instance, int32_t index, const std::string& context) {
    for (int32_t opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
        const WrittenText written = askText(instance, opcode, index);
        EXPECT_TRUE(written.terminatedWithinEight)
            << context << ": opcode " << opcode << " left no terminator in 8 bytes";
        EXPECT_FALSE(written.wroteBeyondEight) << context << ": opcode " << opcode << " wrote past 8 bytes";
    }
}

void processShortBlock(PluginInstance& instance) {
    static const Channels input = makeProgramme(64, 3);
    Channels in = input;
    Channels out = silence(64);
    float* inputs[2] = {in[0].data(), in[1].data()};
    float* outputs[2] = {out[0].data(), out[1].data()};
    instance.processReplacing(inputs, outputs, 64);
    instance.process(inputs, outputs, 64);
}

TEST(ParameterFuzz, AnyIndexAndAnyValueIsSurvivedAndTextsStayInEightBytes) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<float> values = {nan,  -nan,  inf,   -inf, -1.0f, 2.0f, 1e30f, -1e30f, -0.0f,
                                       std::numeric_limits<float>::denorm_min(), 10.0f, 0.5f};
    const std::vector<int32_t> indexes = {std::numeric_limits<int32_t>::min(), -1, 0, 1, 2, 3, 4, 5,
                                          6, 7, 8, std::numeric_limits<int32_t>::max()};
    auto instance = openInstance();
    for (float value : values) {
        for (int32_t index : indexes) {
            instance->setParameter(index, value);
            processShortBlock(*instance);
            const std::string context = "value " + std::to_string(value) + ", index " + std::to_string(index);
            for (int32_t asked : indexes) {
                const float answer = instance->getParameter(asked);
                if (asked < 0 || asked >= parameterCount) {
                    EXPECT_EQ(answer, 0.0f) << context;
                    EXPECT_EQ(instance->parameterDisplay(asked), "") << context;
                }
                expectTextsFit(*instance, asked, context + ", asked " + std::to_string(asked));
            }
        }
    }

    // In-range values and a resume bring back bounded output.
    for (int32_t index = 0; index < parameterCount; ++index) instance->setParameter(index, 0.5f);
    instance->mainsChanged(false);
    instance->mainsChanged(true);
    const Channels output = renderInBlocksOf(*instance, makeProgramme(2048, 8), 256);
    const float bound = outGainBoundFromDisplay(*instance);
    EXPECT_TRUE(normalAndWithin(output[0], bound));
    EXPECT_TRUE(normalAndWithin(output[1], bound));
}

TEST(ParameterFuzz, DisplayTextsForValuesInRangeHaveAtMostSevenCharacters) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<float> values = {0.0f, 1.0f, 0.5f, std::nextafter(0.5f, 1.0f), std::nextafter(0.5f, 0.0f),
                                 1e-7f, std::nextafter(1.0f, 0.0f), 0.99984f, 0.9998f, 0.2222222f,
                                 std::numeric_limits<float>::denorm_min()};
    for (int i = 0; i < 400; ++i) values.push_back(unit(random));
    auto instance = openInstance();
    for (float value : values) {
        for (int32_t index = 0; index < parameterCount; ++index) instance->setParameter(index, value);
        processShortBlock(*instance);
        for (int32_t index = 0; index < parameterCount; ++index) {
            const WrittenText display = askText(*instance, effGetParamDisplay, index);
            ASSERT_TRUE(display.terminatedWithinEight && !display.wroteBeyondEight)
                << "parameter " << index << " at " << value;
            EXPECT_FALSE(display.text.empty()) << "parameter " << index << " at " << value;
        }
    }
}

// A signal of random kind and level: ordinary programme, quiet and very loud
// passages, and tails decaying towards the smallest floats.
std::vector<float> randomPassage(std::mt19937& random, std::size_t frames) {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const double level = std::pow(10.0, 3.5 * unit(random) - 2.5);  // about -120 to +20 dB
    const int kind = static_cast<int>(random() % 4);
    std::vector<float> passage(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i);
        double sample = 0.0;
        switch (kind) {
            case 0: sample = level * std::sin(0.03 * t); break;
            case 1: sample = level * unit(random); break;
            case 2: sample = level * std::sin(0.2 * t) * std::exp(-t / 8.0); break;  // decays to ~1e-28
            default: sample = (i % 50 < 25) ? level : 0.0; break;
        }
        passage[i] = static_cast<float>(sample);
    }
    return passage;
}

TEST(OutputBounds, RandomSettingsInRangeGiveNormalOutputWithinOutGain) {
    std::mt19937 random(2024);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const float edges[] = {0.0f, 1.0f, 0.5f};
    constexpr std::size_t frames = 512;
    auto instance = openInstance();
    for (int trial = 0; trial < 400; ++trial) {
        float settings[parameterCount];
        for (int32_t index = 0; index < parameterCount; ++index) {
            settings[index] = (random() % 5 == 0) ? edges[random() % 3] : unit(random);
            instance->setParameter(index, settings[index]);
        }
        Channels input{randomPassage(random, frames), randomPassage(random, frames)};
        // The first block applies the settings; the bound is read after it.
        const Channels output = renderInBlocksOf(*instance, input, 128);
        const float bound = outGainBoundFromDisplay(*instance);
        for (std::size_t channel = 0; channel < 2; ++channel) {
            const auto checked = normalAndWithin(output[channel], bound);
            if (!checked) {
                std::string text;
                for (float s : settings) text += std::to_string(s) + " ";
                ADD_FAILURE() << checked.message() << "\n  trial " << trial << ", channel " << channel
                              << ", parameters " << text;
                return;
            }
        }
    }
}

// A quiet input sample (gained |x| below about 5.4e-20) gives an envelope
// below the smallest normal float; a subnormal output would slow down every
// later computation in the host's chain, so it must come out as zero.
TEST(OutputBounds, QuietInputGivesNoSubnormalOutput) {
    auto instance = openInstance();
    Channels input = silence(64);
    for (std::size_t i = 0; i < 64; ++i) input[0][i] = input[1][i] = 5e-20f * static_cast<float>(i % 8);
    const Channels output = renderInBlocksOf(*instance, input, 64);
    EXPECT_TRUE(normalAndWithin(output[0], 1.0f));
    EXPECT_TRUE(normalAndWithin(output[1], 1.0f));
}

// The output stays within the output gain for any input whose gained value
// is a finite float, however loud: with FreqDif at either end the power term
// or the phase overflows the float range once the tracked value passes about
// 3.1e4, and the sine of an infinite phase would be NaN.
TEST(OutputBounds, LoudFiniteInputStaysWithinOutGain) {
    for (float inGain : {0.0f, 1.0f}) {
        for (float freqDif : {0.0f, 0.5f, 0.8f, 1.0f}) {
            for (float zeroX : {0.0f, 1.0f}) {
                auto instance = openInstance();
                instance->setParameter(0, zeroX);
                instance->setParameter(1, inGain);
                instance->setParameter(6, freqDif);
                instance->setParameter(3, 1.0f);  // all sinusoid
                Channels input = makeProgramme(2048, 12);
                for (auto& channel : input) {
                    for (std::size_t i = 0; i < channel.size(); ++i) channel[i] *= (i % 2 ? 200.0f : 1e30f);
                }
                const Channels output = renderInBlocksOf(*instance, input, 256);
                for (std::size_t channel = 0; channel < 2; ++channel) {
                    EXPECT_TRUE(normalAndWithin(output[channel], 1.0001f))
                        << "InGain " << inGain << ", FreqDif " << freqDif << ", ZeroX " << zeroX
                        << ", channel " << channel;
                }
            }
        }
    }
}

// A NaN or infinite sample yields a NaN sample, but the tracked value stays
// finite, so the ordinary samples after it are ordinary again.
TEST(OutputBounds, NonFiniteInputSamplesDoNotPoisonLaterOnes) {
    const float specials[] = {std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()};
    for (float slewLim : {1.0f, 0.0f, 0.6f}) {
        auto instance = openInstance();
        instance->setParameter(2, slewLim);
        instance->setParameter(6, 0.0f);  // strongest power term
        Channels input = makeProgramme(4096, 4);
        for (std::size_t i = 0; i < 200; ++i) input[i % 2][100 + i] = specials[i % 4];
        const Channels output = renderInBlocksOf(*instance, input, 64);
        for (std::size_t channel = 0; channel < 2; ++channel) {
            const std::vector<float> after(output[channel].begin() + 400, output[channel].end());
            EXPECT_TRUE(normalAndWithin(after, 1.0001f)) << "SlewLim " << slewLim << ", channel " << channel;
        }
    }
}

}  // namespace
}  // namespace reliability
