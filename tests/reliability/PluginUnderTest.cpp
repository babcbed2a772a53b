#include "PluginUnderTest.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace reliability {

const char* builtPluginPath() { return ONDULAXIS_PLUGIN_PATH; }

std::shared_ptr<const PluginLibrary> pluginLibrary() {
    // Loaded once: a host keeps the library for as long as it has instances.
    static const std::shared_ptr<const PluginLibrary> library =
        std::make_shared<const PluginLibrary>(builtPluginPath());
    return library;
}

std::unique_ptr<PluginInstance> openInstance(float sampleRate, int32_t blockSize,
                                             const PinConnections& pins, bool resume) {
    auto instance = std::make_unique<PluginInstance>(pluginLibrary());
    instance->setConnections(pins);
    instance->open();
    instance->setSampleRate(sampleRate);
    instance->setBlockSize(blockSize);
    if (resume) instance->mainsChanged(true);
    return instance;
}

Channels makeProgramme(std::size_t frames, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    Channels programme{std::vector<float>(frames), std::vector<float>(frames)};
    for (int channel = 0; channel < 2; ++channel) {
        const double tone = 0.01 + 0.05 * channel;
        for (std::size_t i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i);
            double sample = 0.0;
            switch ((i / 997 + static_cast<std::size_t>(channel)) % 5) {
                case 0: sample = 0.8 * std::sin(tone * t); break;
                case 1: sample = 1.2 * std::sin(1e-5 * t * t); break;  // chirp, a little hot
                case 2: sample = 0.5 * unit(random); break;
                case 3: sample = (i % 61 == 0) ? 1.0 : 0.0; break;       // clicks on silence
                default: sample = 0.3 * std::sin(tone * t) + 0.2 * unit(random); break;
            }
            programme[static_cast<std::size_t>(channel)][i] = static_cast<float>(sample);
        }
    }
    return programme;
}

Channels silence(std::size_t frames) {
    return {std::vector<float>(frames, 0.0f), std::vector<float>(frames, 0.0f)};
}

Channels render(PluginInstance& instance, const Channels& input,
                const std::function<int32_t(std::size_t)>& nextBlockSize, Channels outputs,
                OutputMode mode, const std::function<void(std::size_t)>& beforeBlock) {
    const std::size_t frames = input[0].size();
    std::vector<float> inputCopy[2] = {input[0], input[1]};  // the plug-in must not write them
    std::size_t position = 0;
    while (position < frames) {
        const std::size_t remaining = frames - position;
        const auto asked = nextBlockSize(remaining);
        const auto block = static_cast<int32_t>(std::min<std::size_t>(
            static_cast<std::size_t>(std::max<int32_t>(asked, 0)), remaining));
        if (beforeBlock) beforeBlock(position);
        float* inputs[2] = {inputCopy[0].data() + position, inputCopy[1].data() + position};
        float* outs[2] = {outputs[0].data() + position, outputs[1].data() + position};
        if (mode == OutputMode::replacing) {
            instance.processReplacing(inputs, outs, block);
        } else {
            instance.process(inputs, outs, block);
        }
        position += static_cast<std::size_t>(block);
    }
    for (int channel = 0; channel < 2; ++channel) {
        EXPECT_TRUE(bitIdentical(inputCopy[channel], input[static_cast<std::size_t>(channel)]))
            << "the plug-in wrote into input channel " << channel;
    }
    return outputs;
}

Channels renderInBlocksOf(PluginInstance& instance, const Channels& input, int32_t blockSize,
                          OutputMode mode, const std::function<void(std::size_t)>& beforeBlock) {
    return render(
        instance, input, [blockSize](std::size_t) { return blockSize; }, silence(input[0].size()),
        mode, beforeBlock);
}

Channels referenceRender(const Channels& input) {
    auto instance = openInstance();
    return renderInBlocksOf(*instance, input, static_cast<int32_t>(input[0].size()));
}

::testing::AssertionResult bitIdentical(const std::vector<float>& actual,
                                        const std::vector<float>& expected) {
    if (actual.size() != expected.size()) {
        return ::testing::AssertionFailure()
               << "length " << actual.size() << ", expected " << expected.size();
    }
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (std::memcmp(&actual[i], &expected[i], sizeof(float)) != 0) {
            return ::testing::AssertionFailure() << "first difference at sample " << i << ": "
                                                 << actual[i] << " instead of " << expected[i];
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult bitIdentical(const Channels& actual, const Channels& expected) {
    for (std::size_t channel = 0; channel < 2; ++channel) {
        auto same = bitIdentical(actual[channel], expected[channel]);
        if (!same) return same << " (channel " << channel << ")";
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult normalAndWithin(const std::vector<float>& samples, float bound) {
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const float sample = samples[i];
        const int kind = std::fpclassify(sample);
        if (kind == FP_NAN || kind == FP_INFINITE) {
            return ::testing::AssertionFailure() << "sample " << i << " is " << sample;
        }
        if (kind == FP_SUBNORMAL) {
            return ::testing::AssertionFailure() << "sample " << i << " is subnormal (" << sample << ")";
        }
        if (std::fabs(sample) > bound) {
            return ::testing::AssertionFailure()
                   << "sample " << i << " is " << sample << ", beyond " << bound;
        }
    }
    return ::testing::AssertionSuccess();
}

float outGainBoundFromDisplay(PluginInstance& instance) {
    const std::string display = instance.parameterDisplay(outGainIndex);
    char* end = nullptr;
    const double dB = std::strtod(display.c_str(), &end);
    EXPECT_NE(end, display.c_str()) << "OutGain display \"" << display << "\" is not a number";
    return static_cast<float>(std::pow(10.0, (dB + 0.005) / 20.0) * (1.0 + 1e-6));
}

}  // namespace reliability
