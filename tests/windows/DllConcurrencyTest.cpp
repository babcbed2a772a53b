// The DLL under a host's threads: user-interface threads change and read
// parameters, bypass and switch the effect on again while the audio thread
// streams, all through the record, as a Windows host drives it.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "PluginInstance.h"
#include "PluginLibrary.h"

namespace {

using ondulaxis::host::PinConnections;
using ondulaxis::host::PluginInstance;
using ondulaxis::host::PluginLibrary;

constexpr int writerCount = 4;
constexpr int writesPerThread = 4000;
constexpr float defaults[8] = {1.0f, 0.0f, 1.0f, 0.5f, 0.0f, 0.2222222f, 0.5f, 1.0f};

// Writer w owns parameters w and w + 4 and writes k / writesPerThread to
// them, so every value a reader may see is known.
float writtenValue(int k) { return static_cast<float>(k) / writesPerThread; }

bool isKnownValue(int32_t index, float value) {
    if (value == defaults[index]) return true;
    const long k = std::lround(static_cast<double>(value) * writesPerThread);
    return k >= 0 && k < writesPerThread && writtenValue(static_cast<int>(k)) == value;
}

TEST(DllConcurrencyTest, HostThreadsAndAudioThreadShareTheInstance) {
    PluginInstance instance(std::make_shared<const PluginLibrary>(ONDULAXIS_PLUGIN_PATH));
    instance.open();
    instance.setSampleRate(48000.0f);
    instance.setBlockSize(64);
    instance.setConnections(PinConnections::stereo());
    ASSERT_EQ(instance.mainsChanged(true), 0);

    std::vector<float> in[2] = {std::vector<float>(64, 0.25f), std::vector<float>(64, -0.5f)};
    std::vector<float> out[2] = {std::vector<float>(64), std::vector<float>(64)};
    float* inputs[2] = {in[0].data(), in[1].data()};
    float* outputs[2] = {out[0].data(), out[1].data()};
    std::atomic<bool> stop{false};
    std::atomic<int> blocks{0};
    std::atomic<int> unknownValues{0};
    std::atomic<int> emptyDisplays{0};
    std::atomic<int> nonFiniteBlocks{0};

    std::thread audio([&] {
        while (!stop.load()) {
            instance.processReplacing(inputs, outputs, 64);
            instance.process(inputs, outputs, 64);
            for (const std::vector<float>& channel : out) {
                for (float sample : channel) {
                    if (!std::isfinite(sample)) {
                        ++nonFiniteBlocks;
                        break;
                    }
                }
            }
            ++blocks;
        }
    });
    std::vector<std::thread> writers;
    for (int writer = 0; writer < writerCount; ++writer) {
        writers.emplace_back([&, writer] {
            for (int k = 0; k < writesPerThread; ++k) {
                instance.setParameter(writer + 4 * (k % 2), writtenValue(k));
                const int32_t other = (writer + k) % 8;
                if (!isKnownValue(other, instance.getParameter(other))) ++unknownValues;
                if (instance.parameterDisplay(other).empty()) ++emptyDisplays;
                if (k % 50 == 0) {
                    instance.setBypass(k % 100 == 0);
                    instance.mainsChanged(true);
                }
            }
        });
    }
    for (std::thread& writer : writers) writer.join();
    // Let the audio thread run a few blocks after the last change.
    const int seen = blocks.load();
    while (blocks.load() < seen + 3) std::this_thread::yield();
    stop = true;
    audio.join();

    EXPECT_EQ(unknownValues.load(), 0);
    EXPECT_EQ(emptyDisplays.load(), 0);
    EXPECT_EQ(nonFiniteBlocks.load(), 0);
    for (int32_t index = 0; index < 8; ++index) {
        // Writers end on odd k for their second parameter, even k for their first.
        const int lastK = index < 4 ? writesPerThread - 2 : writesPerThread - 1;
        EXPECT_EQ(instance.getParameter(index), writtenValue(lastK)) << index;
    }
}

}  // namespace
