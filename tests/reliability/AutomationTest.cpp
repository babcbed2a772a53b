// Dense automation and several instances on several threads: the output is a
// function of the input and the sequence of host calls, nothing else.
#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "PluginUnderTest.h"

namespace reliability {
namespace {

constexpr int32_t subBlock = 32;

struct HostChange {
    enum Kind { parameter, bypass } kind;
    int32_t index;
    float value;
};

// For every 32-sample sub-block, the changes a busy automation lane sends
// before it: mostly in-range values, now and then a bypass switch.
std::vector<std::vector<HostChange>> makeAutomation(std::size_t frames, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<std::vector<HostChange>> automation((frames + subBlock - 1) / subBlock);
    for (auto& changes : automation) {
        const int count = static_cast<int>(random() % 4);
        for (int i = 0; i < count; ++i) {
            changes.push_back({HostChange::parameter, static_cast<int32_t>(random() % parameterCount), unit(random)});
        }
        if (random() % 40 == 0) changes.push_back({HostChange::bypass, 0, (random() % 2) ? 1.0f : 0.0f});
    }
    return automation;
}

Channels renderAutomated(PluginInstance& instance, const Channels& input,
                         const std::vector<std::vector<HostChange>>& automation) {
    return renderInBlocksOf(instance, input, subBlock, OutputMode::replacing, [&](std::size_t position) {
        for (const HostChange& change : automation[position / subBlock]) {
            if (change.kind == HostChange::parameter) {
                instance.setParameter(change.index, change.value);
            } else {
                instance.setBypass(change.value != 0.0f);
            }
        }
    });
}

constexpr std::size_t longSignal = 1 << 16;

TEST(Automation, ReplayingTheSameChangesThroughAFreshInstanceGivesTheSameOutput) {
    const Channels input = makeProgramme(longSignal, 31);
    const auto automation = makeAutomation(longSignal, 32);
    auto first = openInstance();
    const Channels recorded = renderAutomated(*first, input, automation);
    first.reset();
    auto second = openInstance();
    EXPECT_TRUE(bitIdentical(renderAutomated(*second, input, automation), recorded));
}

TEST(Automation, OutputStaysFiniteAndNormalUnderDenseAutomation) {
    const Channels input = makeProgramme(longSignal, 33);
    auto instance = openInstance();
    const Channels output = renderAutomated(*instance, input, makeAutomation(longSignal, 34));
    // Bypassed stretches pass the input, which stays below 1.3.
    EXPECT_TRUE(normalAndWithin(output[0], 1.3f));
    EXPECT_TRUE(normalAndWithin(output[1], 1.3f));
}

// Two instances, each driven by its own thread as two tracks of a host's
// engine would be, give exactly what each gives alone.
TEST(ConcurrentInstances, TwoThreadsGiveWhatEachInstanceGivesAlone) {
    constexpr std::size_t frames = 1 << 14;
    const Channels inputs[2] = {makeProgramme(frames, 41), makeProgramme(frames, 42)};
    const std::vector<std::vector<HostChange>> automations[2] = {makeAutomation(frames, 43),
                                                                 makeAutomation(frames, 44)};
    Channels alone[2];
    for (int track = 0; track < 2; ++track) {
        auto instance = openInstance();
        alone[track] = renderAutomated(*instance, inputs[track], automations[track]);
    }
    for (int round = 0; round < 3; ++round) {
        std::unique_ptr<PluginInstance> instances[2] = {openInstance(), openInstance()};
        Channels together[2];
        std::thread tracks[2];
        for (int track = 0; track < 2; ++track) {
            tracks[track] = std::thread([&, track] {
                together[track] = renderAutomated(*instances[track], inputs[track], automations[track]);
            });
        }
        for (auto& thread : tracks) thread.join();
        for (int track = 0; track < 2; ++track) {
            EXPECT_TRUE(bitIdentical(together[track], alone[track])) << "round " << round << ", track " << track;
        }
    }
}

// One instance, its audio thread streaming while a user-interface thread
// moves knobs and reads displays, as every host does.
TEST(ConcurrentInstances, HostThreadTrafficDuringProcessingIsSafe) {
    auto instance = openInstance();
    const Channels input = makeProgramme(1 << 15, 51);
    std::atomic<bool> streaming{true};
    std::atomic<int> hostRounds{0};
    std::thread userInterface([&] {
        std::mt19937 random(52);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        while (streaming.load()) {
            const auto index = static_cast<int32_t>(random() % parameterCount);
            instance->setParameter(index, unit(random));
            (void)instance->getParameter(index);
            (void)instance->parameterDisplay(index);
            if (random() % 64 == 0) instance->setBypass(random() % 2 == 0);
            ++hostRounds;
        }
    });
    while (hostRounds.load() < 10) std::this_thread::yield();  // both sides busy from here on
    const Channels output = renderInBlocksOf(*instance, input, 64);
    streaming = false;
    userInterface.join();
    EXPECT_TRUE(normalAndWithin(output[0], 1.3f));
    EXPECT_TRUE(normalAndWithin(output[1], 1.3f));
}

}  // namespace
}  // namespace reliability
