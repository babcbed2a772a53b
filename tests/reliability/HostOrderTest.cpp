// Call orders that real hosts use although the interface does not suggest them.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "PluginUnderTest.h"

namespace reliability {
namespace {

constexpr std::size_t frames = 4000;

const Channels& programme() {
    static const Channels input = makeProgramme(frames, 21);
    return input;
}

const Channels& reference() {
    static const Channels output = referenceRender(programme());
    return output;
}

TEST(HostOrder, ProcessingBeforeAnyResumeRunsInputZeroToOutputZero) {
    auto instance = openInstance(48000.0f, 256, PinConnections::stereo(), /*resume=*/false);
    Channels untouched = silence(frames);
    std::fill(untouched[1].begin(), untouched[1].end(), 0.25f);
    const auto output = render(
        *instance, programme(), [](std::size_t) { return 256; }, untouched);
    EXPECT_TRUE(bitIdentical(output[0], reference()[0]));
    EXPECT_TRUE(bitIdentical(output[1], untouched[1])) << "the unrouted output was written";
}

TEST(HostOrder, ResumeTwiceActsAsOnce) {
    auto instance = openInstance();
    instance->mainsChanged(true);
    EXPECT_TRUE(bitIdentical(renderInBlocksOf(*instance, programme(), 512), reference()));
}

TEST(HostOrder, OpenTwiceChangesNothing) {
    auto instance = openInstance();
    EXPECT_EQ(instance->open(), 0);
    EXPECT_TRUE(bitIdentical(renderInBlocksOf(*instance, programme(), 512), reference()));
}

// Every resume clears the tracked values, so each block starts as the first
// block of a fresh instance does.
TEST(HostOrder, SuspendAndResumeAroundEveryBlock) {
    constexpr std::size_t block = 96;
    Channels expected = silence(frames);
    for (std::size_t position = 0; position < frames; position += block) {
        const std::size_t length = std::min(block, frames - position);
        Channels piece = silence(length);
        for (std::size_t channel = 0; channel < 2; ++channel) {
            std::copy_n(programme()[channel].begin() + static_cast<std::ptrdiff_t>(position), length,
                        piece[channel].begin());
        }
        auto fresh = openInstance();
        piece = renderInBlocksOf(*fresh, piece, static_cast<int32_t>(length));
        for (std::size_t channel = 0; channel < 2; ++channel) {
            std::copy(piece[channel].begin(), piece[channel].end(),
                      expected[channel].begin() + static_cast<std::ptrdiff_t>(position));
        }
    }
    auto instance = openInstance();
    const auto output = renderInBlocksOf(*instance, programme(), static_cast<int32_t>(block),
                                         OutputMode::replacing, [&](std::size_t) {
                                             instance->mainsChanged(false);
                                             instance->mainsChanged(true);
                                         });
    EXPECT_TRUE(bitIdentical(output, expected));
}

TEST(HostOrder, RateAndBlockSizeChangedWhileRunning) {
    auto instance = openInstance();
    int block = 0;
    const auto output = renderInBlocksOf(*instance, programme(), 128, OutputMode::replacing,
                                         [&](std::size_t) {
                                             const float rates[] = {44100.0f, 96000.0f, 48000.0f, 8000.0f};
                                             instance->setSampleRate(rates[block % 4]);
                                             instance->setBlockSize(block % 3 == 0 ? 16 : 4096);
                                             ++block;
                                         });
    EXPECT_TRUE(bitIdentical(output, reference()));
}

TEST(HostOrder, BlocksLongerThanTheAnnouncedSize) {
    auto instance = openInstance(48000.0f, 32);
    EXPECT_TRUE(bitIdentical(renderInBlocksOf(*instance, programme(), 3000), reference()));
}

TEST(HostOrder, ProcessingGoesOnAfterSuspend) {
    auto instance = openInstance();
    instance->mainsChanged(false);
    EXPECT_TRUE(bitIdentical(renderInBlocksOf(*instance, programme(), 512), reference()));
}

// A resume that finds no usable pins switches the effect off: blocks leave the
// host's buffers alone and nothing escapes into the host, until a resume with
// usable pins switches it on again as if fresh.
TEST(HostOrder, FailedResumeLeavesBuffersAloneUntilAGoodOne) {
    auto instance = openInstance(48000.0f, 512, PinConnections{{false, false}, {false, false}});
    Channels bed = makeProgramme(frames, 5);
    EXPECT_TRUE(bitIdentical(render(*instance, programme(), [](std::size_t) { return 512; }, bed), bed));
    EXPECT_TRUE(bitIdentical(
        render(*instance, programme(), [](std::size_t) { return 512; }, bed, OutputMode::accumulating), bed));

    instance->setConnections(PinConnections::stereo());
    EXPECT_EQ(instance->mainsChanged(true), 0);
    EXPECT_TRUE(bitIdentical(renderInBlocksOf(*instance, programme(), 512), reference()));
    EXPECT_EQ(instance->close(), 1);
}

TEST(HostOrder, MismatchedPinsSwitchTheEffectOff) {
    auto instance = openInstance(48000.0f, 512, PinConnections{{true, false}, {true, true}});
    Channels bed = makeProgramme(frames, 6);
    EXPECT_TRUE(bitIdentical(render(*instance, programme(), [](std::size_t) { return 512; }, bed), bed));
}

// Missing buffers and negative counts come from broken hosts; they must not
// take the process down.
TEST(HostOrder, MissingBuffersAndNegativeCountsAreSurvived) {
    auto instance = openInstance();
    std::vector<float> channel(64, 0.5f);
    float* none[2] = {nullptr, nullptr};
    float* half[2] = {channel.data(), nullptr};
    instance->processReplacing(nullptr, nullptr, 64);
    instance->process(nullptr, nullptr, 64);
    instance->processReplacing(none, none, 64);
    instance->processReplacing(half, half, 64);
    instance->process(half, none, 64);
    float* both[2] = {channel.data(), channel.data()};
    instance->processReplacing(both, both, -5);
    instance->process(both, both, -1);
    EXPECT_TRUE(std::all_of(channel.begin(), channel.end(), [](float s) { return s == 0.5f; }));
    // Still working afterwards.
    EXPECT_TRUE(bitIdentical(renderInBlocksOf(*instance, programme(), 512), reference()));
}

// Hosts process in place: input and output are one buffer.
TEST(HostOrder, InPlaceProcessingMatchesSeparateBuffers) {
    auto instance = openInstance();
    Channels buffer = programme();
    for (std::size_t position = 0; position < frames; position += 500) {
        float* channels[2] = {buffer[0].data() + position, buffer[1].data() + position};
        instance->processReplacing(channels, channels, 500);
    }
    EXPECT_TRUE(bitIdentical(buffer, reference()));
}

}  // namespace
}  // namespace reliability
