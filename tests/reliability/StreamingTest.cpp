// The plug-in streamed the way hosts stream it: every common sample rate and
// block size, randomly varying blocks, cold and warm instances. Without
// parameter changes the output may not depend on any of these.
#include <algorithm>
#include <random>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "PluginUnderTest.h"

namespace reliability {
namespace {

constexpr std::size_t programmeFrames = 9000;  // over two of the largest blocks

const Channels& programme() {
    static const Channels input = makeProgramme(programmeFrames, 7);
    return input;
}

const Channels& reference() {
    static const Channels output = referenceRender(programme());
    return output;
}

class FixedBlockStreaming : public ::testing::TestWithParam<std::tuple<float, int32_t>> {};

TEST_P(FixedBlockStreaming, ColdAndWarmRunsMatchTheWholeSignalRender) {
    const auto [sampleRate, blockSize] = GetParam();
    auto instance = openInstance(sampleRate, blockSize);
    EXPECT_TRUE(bitIdentical(renderInBlocksOf(*instance, programme(), blockSize), reference()))
        << "cold instance";

    // Warm: the same instance switched off and on again starts from scratch.
    instance->mainsChanged(false);
    instance->mainsChanged(true);
    EXPECT_TRUE(bitIdentical(renderInBlocksOf(*instance, programme(), blockSize), reference()))
        << "warm instance";
    instance->mainsChanged(false);
    EXPECT_EQ(instance->close(), 1);
}

INSTANTIATE_TEST_SUITE_P(RatesAndSizes, FixedBlockStreaming,
                         ::testing::Combine(::testing::Values(44100.0f, 48000.0f, 96000.0f),
                                            ::testing::Values(1, 32, 64, 512, 1024, 4096)));

TEST(RandomBlockStreaming, VaryingBlocksWithEmptyOnesMatchTheWholeSignalRender) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int32_t> size(0, 700);
        std::bernoulli_distribution empty(0.15);
        auto instance = openInstance(44100.0f, 700);
        const auto output = render(
            *instance, programme(), [&](std::size_t) { return empty(random) ? 0 : size(random); },
            silence(programmeFrames));
        EXPECT_TRUE(bitIdentical(output, reference())) << "seed " << seed;
    }
}

TEST(AccumulatingStreaming, AddsTheReplacingOutputToWhatTheBuffersHeld) {
    const Channels bed = makeProgramme(programmeFrames, 99);
    auto instance = openInstance();
    const auto output = render(
        *instance, programme(), [](std::size_t) { return 256; }, bed, OutputMode::accumulating);
    Channels expected = bed;
    for (std::size_t channel = 0; channel < 2; ++channel) {
        for (std::size_t i = 0; i < programmeFrames; ++i) expected[channel][i] += reference()[channel][i];
    }
    EXPECT_TRUE(bitIdentical(output, expected));
}

// Each instance owns all of its state: ten alive at once, fed block by block
// in turn, each give what one alone gives; so do ten opened one after another.
TEST(InstanceCycling, InterleavedAndSuccessiveInstancesShareNothing) {
    constexpr int instanceCount = 10;
    constexpr int32_t blockSize = 300;
    std::vector<std::unique_ptr<PluginInstance>> instances;
    std::vector<Channels> outputs(instanceCount, silence(programmeFrames));
    for (int i = 0; i < instanceCount; ++i) instances.push_back(openInstance());
    Channels input = programme();
    for (std::size_t position = 0; position < programmeFrames; position += blockSize) {
        const auto frames = static_cast<int32_t>(std::min<std::size_t>(blockSize, programmeFrames - position));
        for (int i = 0; i < instanceCount; ++i) {
            float* in[2] = {input[0].data() + position, input[1].data() + position};
            float* out[2] = {outputs[i][0].data() + position, outputs[i][1].data() + position};
            instances[static_cast<std::size_t>(i)]->processReplacing(in, out, frames);
        }
    }
    for (int i = 0; i < instanceCount; ++i) {
        EXPECT_TRUE(bitIdentical(outputs[static_cast<std::size_t>(i)], reference())) << "instance " << i;
    }
    instances.clear();

    for (int i = 0; i < instanceCount; ++i) {
        auto instance = openInstance();
        EXPECT_TRUE(bitIdentical(renderInBlocksOf(*instance, programme(), 512), reference()))
            << "successive instance " << i;
    }
}

}  // namespace
}  // namespace reliability
