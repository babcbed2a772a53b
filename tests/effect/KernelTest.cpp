#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "EffectTestSupport.h"

namespace {

const std::vector<float> testSignal = {0.1f, -0.4f, 0.9f, -1.0f, 0.33f, 0.0f, -0.0f, 0.7f, -0.2f};

// An effect routed stereo (or mono, input 0 to output 0), first block run.
std::unique_ptr<Ondulaxis> makeEffect(bool stereo, bool bypass) {
    FakeHost::connect(true, stereo, true, stereo);
    auto effect = std::make_unique<Ondulaxis>(&FakeHost::callback);
    effect->resume();
    effect->setParameter(SlewLim, 0.3f);
    effect->setBypass(bypass);
    runEmptyBlock(*effect);
    return effect;
}

AudioBlock signalBlock(float outputFill) {
    AudioBlock block(static_cast<int>(testSignal.size()), 0.0f, outputFill);
    block.in[0] = testSignal;
    for (size_t i = 0; i < testSignal.size(); ++i) {
        block.in[1].at(i) = -0.5f * testSignal[i];
    }
    block.inputPointers = {block.in[0].data(), block.in[1].data()};
    return block;
}

// stereo, bypass, accumulate
using KernelCase = std::tuple<bool, bool, bool>;

class KernelVariantTest : public ::testing::TestWithParam<KernelCase> {
protected:
    void run(Ondulaxis& effect, float** inputs, float** outputs, int32_t frames) {
        if (std::get<2>(GetParam())) {
            effect.process(inputs, outputs, frames);
        } else {
            effect.processReplacing(inputs, outputs, frames);
        }
    }
};

TEST_P(KernelVariantTest, InPlaceEqualsSeparateBuffers) {
    const auto [stereo, bypass, accumulate] = GetParam();
    auto separate = makeEffect(stereo, bypass);
    auto inPlace = makeEffect(stereo, bypass);
    AudioBlock apart = signalBlock(0.0f);
    // Accumulating in place adds to the input itself, so start the separate
    // outputs from the input too.
    if (accumulate) {
        apart.out[0] = apart.in[0];
        apart.out[1] = apart.in[1];
        apart.outputPointers = {apart.out[0].data(), apart.out[1].data()};
    }
    AudioBlock shared = signalBlock(0.0f);
    shared.outputPointers = shared.inputPointers;
    run(*separate, apart.inputs(), apart.outputs(), apart.frames());
    run(*inPlace, shared.inputs(), shared.outputs(), shared.frames());
    const int channels = stereo ? 2 : 1;
    for (int channel = 0; channel < channels; ++channel) {
        for (size_t i = 0; i < testSignal.size(); ++i) {
            EXPECT_EQ(bitsOf(shared.in[channel][i]), bitsOf(apart.out[channel][i]))
                << channel << ' ' << i;
        }
    }
}

// stereo, bypass
class AccumulateTest : public ::testing::TestWithParam<std::tuple<bool, bool>> {};

TEST_P(AccumulateTest, AddsWhatReplaceWrites) {
    const auto [stereo, bypass] = GetParam();
    auto replacing = makeEffect(stereo, bypass);
    auto adding = makeEffect(stereo, bypass);
    AudioBlock replaced = signalBlock(0.0f);
    AudioBlock added = signalBlock(0.25f);
    replacing->processReplacing(replaced.inputs(), replaced.outputs(), replaced.frames());
    adding->process(added.inputs(), added.outputs(), added.frames());
    for (int channel = 0; channel < 2; ++channel) {
        for (size_t i = 0; i < testSignal.size(); ++i) {
            const bool routed = channel == 0 || stereo;
            const float expected = routed ? 0.25f + replaced.out[channel][i] : 0.25f;
            EXPECT_EQ(added.out[channel][i], expected) << channel << ' ' << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllRows, AccumulateTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()));

TEST_P(KernelVariantTest, NonPositiveFrameCountTouchesNothing) {
    const auto [stereo, bypass, accumulate] = GetParam();
    auto effect = makeEffect(stereo, bypass);
    AudioBlock warmUp = signalBlock(0.0f);
    run(*effect, warmUp.inputs(), warmUp.outputs(), warmUp.frames());
    const float tracked[2] = {OndulaxisTestAccess::slewState(*effect)[0],
                              OndulaxisTestAccess::slewState(*effect)[1]};
    for (int32_t frames : {0, -1, -1000}) {
        AudioBlock block = signalBlock(5.0f);
        run(*effect, block.inputs(), block.outputs(), frames);
        EXPECT_EQ(block.out[0], std::vector<float>(testSignal.size(), 5.0f));
        EXPECT_EQ(OndulaxisTestAccess::slewState(*effect)[0], tracked[0]);
        EXPECT_EQ(OndulaxisTestAccess::slewState(*effect)[1], tracked[1]);
    }
}

TEST_P(KernelVariantTest, MissingBufferSkipsTheKernelButNotTheHandOver) {
    const auto [stereo, bypass, accumulate] = GetParam();
    auto effect = makeEffect(stereo, bypass);
    AudioBlock warmUp = signalBlock(0.0f);
    run(*effect, warmUp.inputs(), warmUp.outputs(), warmUp.frames());
    const float tracked = OndulaxisTestAccess::slewState(*effect)[0];

    effect->setParameter(FuncMix, 0.125f);
    run(*effect, nullptr, nullptr, 16);
    EXPECT_EQ(effect->getParameter(FuncMix), 0.125f);

    AudioBlock block = signalBlock(5.0f);
    block.inputPointers[0] = nullptr;
    run(*effect, block.inputs(), block.outputs(), block.frames());
    block = signalBlock(5.0f);
    block.outputPointers[stereo ? 1 : 0] = nullptr;
    run(*effect, block.inputs(), block.outputs(), block.frames());
    block = signalBlock(5.0f);
    run(*effect, block.inputs(), nullptr, block.frames());
    EXPECT_EQ(block.out[0], std::vector<float>(testSignal.size(), 5.0f));
    EXPECT_EQ(OndulaxisTestAccess::slewState(*effect)[0], tracked);
}

INSTANTIATE_TEST_SUITE_P(AllKernels, KernelVariantTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool(),
                                            ::testing::Bool()));

TEST(KernelTest, BypassCopiesBitExact) {
    const std::vector<uint32_t> patterns = {0x7fc12345u, 0xffc00001u, 0x7f800001u, 0x80000000u,
                                            0x00000001u, 0x7f800000u, 0x3f800000u, 0xc2c80000u};
    for (bool stereo : {false, true}) {
        auto effect = makeEffect(stereo, true);
        effect->setParameter(InGain, 1.0f);
        effect->setParameter(OutGain, 0.0f);
        AudioBlock block(static_cast<int>(patterns.size()), 0.0f, 9.0f);
        for (size_t i = 0; i < patterns.size(); ++i) {
            block.in[0][i] = floatOf(patterns[i]);
            block.in[1][i] = floatOf(patterns[patterns.size() - 1 - i]);
        }
        effect->processReplacing(block.inputs(), block.outputs(), block.frames());
        for (size_t i = 0; i < patterns.size(); ++i) {
            EXPECT_EQ(bitsOf(block.out[0][i]), patterns[i]);
            EXPECT_EQ(bitsOf(block.out[1][i]),
                      stereo ? patterns[patterns.size() - 1 - i] : bitsOf(9.0f));
        }
        EXPECT_TRUE(std::isfinite(OndulaxisTestAccess::slewState(*effect)[0]));
    }
}

TEST(KernelTest, BypassSwitchingKeepsTrackedValues) {
    auto effect = makeEffect(true, false);
    effect->setParameter(SlewLim, 0.0f);
    AudioBlock block(100, 1.0f);
    effect->processReplacing(block.inputs(), block.outputs(), block.frames());
    effect->setBypass(true);
    effect->processReplacing(block.inputs(), block.outputs(), block.frames());
    // Bypassed samples still walk the tracked values towards the input.
    EXPECT_EQ(OndulaxisTestAccess::slewState(*effect)[0], 200 / 512.0f);
    EXPECT_EQ(OndulaxisTestAccess::slewState(*effect)[1], 200 / 512.0f);
    effect->setBypass(false);
    AudioBlock one(1, 1.0f);
    effect->processReplacing(one.inputs(), one.outputs(), 1);
    EXPECT_EQ(OndulaxisTestAccess::slewState(*effect)[0], 201 / 512.0f);
    // Defaults: phase 2 pi * tracked, amplitude = envelope 0.8.
    const double expected = (0.8 * std::sin(6.283185307179586 * 201 / 512.0) - 0.8) * 0.5 + 0.8;
    EXPECT_NEAR(one.out[0][0], expected, 1e-6);
}

TEST(KernelTest, MonoRouteLeavesOtherChannelsAlone) {
    auto effect = makeEffect(false, false);
    AudioBlock block = signalBlock(7.0f);
    block.in[1].assign(testSignal.size(), std::numeric_limits<float>::quiet_NaN());
    effect->processReplacing(block.inputs(), block.outputs(), block.frames());
    EXPECT_EQ(block.out[1], std::vector<float>(testSignal.size(), 7.0f));
    EXPECT_FALSE(std::isnan(block.out[0][0]));
    EXPECT_EQ(OndulaxisTestAccess::slewState(*effect)[1], 0.0f);

    // Input 0 to output 1: output 0 keeps the host's contents.
    FakeHost::connect(true, false, false, true);
    effect->resume();
    AudioBlock crossed = signalBlock(7.0f);
    effect->processReplacing(crossed.inputs(), crossed.outputs(), crossed.frames());
    EXPECT_EQ(crossed.out[0], std::vector<float>(testSignal.size(), 7.0f));
    EXPECT_NE(crossed.out[1][0], 7.0f);
}

TEST(KernelTest, MonoRouteRunsWithUnusedChannelMissing) {
    auto effect = makeEffect(false, false);
    AudioBlock block = signalBlock(7.0f);
    block.inputPointers[1] = nullptr;
    block.outputPointers[1] = nullptr;
    effect->processReplacing(block.inputs(), block.outputs(), block.frames());
    EXPECT_NE(block.out[0][0], 7.0f);
}

}  // namespace
