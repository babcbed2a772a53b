// The vector kernels against the scalar reference kernels, on every
// instruction set this processor runs: the same bits out, the same tracked
// values, however the host cuts its blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "kernels/ChunkKernels.h"
#include "EffectTestSupport.h"

// Readable test names: the path's own name. Global, where lookup of the
// nested enum finds it.
void PrintTo(Ondulaxis::KernelPath path, std::ostream* os) { *os << Ondulaxis::kernelPathName(path); }

namespace {

using Path = Ondulaxis::KernelPath;

std::vector<Path> vectorPathsHere() {
    std::vector<Path> paths;
    for (Path path : {Path::generic, Path::avx2, Path::avx512}) {
        if (Ondulaxis::kernelPathRuns(path)) {
            paths.push_back(path);
        }
    }
    return paths;
}

std::string pathName(const ::testing::TestParamInfo<Path>& info) {
    return Ondulaxis::kernelPathName(info.param);
}

std::unique_ptr<Ondulaxis> makeEffect(Path path, bool stereo) {
    FakeHost::connect(true, stereo, true, stereo);
    auto effect = std::make_unique<Ondulaxis>(&FakeHost::callback);
    effect->resume();
    OndulaxisTestAccess::useKernelPath(*effect, path);
    runEmptyBlock(*effect);
    return effect;
}

// Equal bits, or both NaN (a NaN's payload comes from whichever operand the
// processor picks, in either path).
bool sameSample(float a, float b) {
    return bitsOf(a) == bitsOf(b) || (std::isnan(a) && std::isnan(b));
}

// Input that exercises every part: smooth signals (the tracked value follows
// them), noise (steps that lose bits), silence, decays into subnormals, loud
// stretches beyond the slew limit, and the odd NaN or infinity.
class SignalSource {
public:
    explicit SignalSource(uint32_t seed) : random(seed) {}

    void fill(float* samples, int count) {
        for (int i = 0; i < count; ++i) {
            if (remaining-- <= 0) {
                startStretch();
            }
            samples[i] = next();
        }
    }

private:
    float next() {
        ++position;
        switch (kind) {
        case 0:
            return static_cast<float>(level * std::sin(frequency * position));
        case 1:
            return static_cast<float>(level * (unit(random) * 2.0 - 1.0));
        case 2:
            return unit(random) < 0.5 ? 0.0f : -0.0f;
        case 3:
            return static_cast<float>(level * std::exp(-0.2 * position) *
                                      std::sin(frequency * position));
        default: {
            const double draw = unit(random);
            if (draw < 0.02) {
                return std::numeric_limits<float>::quiet_NaN();
            }
            if (draw < 0.04) {
                return std::copysign(std::numeric_limits<float>::infinity(), draw - 0.03);
            }
            return static_cast<float>(std::copysign(std::pow(10.0, 12 * unit(random) - 6),
                                                    unit(random) - 0.5));
        }
        }
    }

    void startStretch() {
        const double draw = unit(random);
        kind = draw < 0.4 ? 0 : draw < 0.7 ? 1 : draw < 0.78 ? 2 : draw < 0.93 ? 3 : 4;
        remaining = 1 + static_cast<int>(unit(random) * 900);
        level = std::pow(10.0, 3 * unit(random) - 2.5);
        frequency = std::pow(10.0, 3 * unit(random) - 3.5);
        position = 0;
    }

    std::mt19937 random;
    std::uniform_real_distribution<double> unit{0.0, 1.0};
    int kind = 0;
    int remaining = 0;
    int position = 0;
    double level = 0.5;
    double frequency = 0.01;
};

class VectorKernelTest : public ::testing::TestWithParam<Path> {};

// Ten million samples per instruction set over random settings, extremes
// included; every block checks the outputs and the tracked values.
TEST_P(VectorKernelTest, RandomSettingsMatchReferenceBitForBit) {
    std::mt19937 random(20240611);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    SignalSource source(99);
    constexpr long target = 10'000'000;
    long samples = 0;
    long outputMismatches = 0;
    double largestDifference = 0.0;
    while (samples < target) {
        const bool stereo = unit(random) < 0.5;
        auto reference = makeEffect(Path::reference, stereo);
        auto vector = makeEffect(GetParam(), stereo);
        for (int run = 0; run < 40 && samples < target; ++run) {
            // Each parameter random, at an end of its range now and then.
            for (int32_t index = 0; index < paramCount; ++index) {
                if (unit(random) < 0.6f) {
                    const float draw = unit(random);
                    const float value = draw < 0.1f ? 0.0f : draw < 0.2f ? 1.0f : unit(random);
                    reference->setParameter(index, value);
                    vector->setParameter(index, value);
                }
            }
            const bool bypass = unit(random) < 0.1f;
            reference->setBypass(bypass);
            vector->setBypass(bypass);
            const bool accumulate = unit(random) < 0.3f;
            const int frames = 1 + static_cast<int>(std::pow(unit(random), 2.0f) * 1200);
            AudioBlock expected(frames);
            source.fill(expected.in[0].data(), frames);
            source.fill(expected.in[1].data(), frames);
            AudioBlock actual(frames);
            actual.in[0] = expected.in[0];
            actual.in[1] = expected.in[1];
            for (int channel = 0; channel < 2; ++channel) {
                for (int i = 0; i < frames; ++i) {
                    expected.out[channel][i] = actual.out[channel][i] = 0.125f * (i % 5);
                }
            }
            if (accumulate) {
                reference->process(expected.inputs(), expected.outputs(), frames);
                vector->process(actual.inputs(), actual.outputs(), frames);
            } else {
                reference->processReplacing(expected.inputs(), expected.outputs(), frames);
                vector->processReplacing(actual.inputs(), actual.outputs(), frames);
            }
            for (int channel = 0; channel < 2; ++channel) {
                for (int i = 0; i < frames; ++i) {
                    const float want = expected.out[channel][i];
                    const float got = actual.out[channel][i];
                    if (!sameSample(want, got)) {
                        ++outputMismatches;
                        const double difference = std::fabs(double{want} - double{got});
                        largestDifference = std::max(largestDifference,
                                                     std::isnan(difference) ? 1.0 : difference);
                    }
                }
            }
            for (int channel = 0; channel < 2; ++channel) {
                ASSERT_EQ(bitsOf(OndulaxisTestAccess::slewState(*reference)[channel]),
                          bitsOf(OndulaxisTestAccess::slewState(*vector)[channel]))
                    << "channel " << channel << " after " << samples << " samples";
            }
            samples += frames * (stereo ? 2 : 1);
        }
    }
    EXPECT_EQ(outputMismatches, 0) << "largest difference " << largestDifference;
    EXPECT_LE(largestDifference, 1e-9);
}

// Coefficients beyond those of values 0 to 1 (the handlers apply any value):
// the rounding guard must still send every unsure vector to the reference.
TEST_P(VectorKernelTest, ValuesOutsideZeroToOneMatchReferenceBitForBit) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    SignalSource source(3);
    const float funcMixes[] = {1e7f, -1e7f, 37.0f, -2.5f, 1.0f};
    const float ampMins[] = {3.0f, -3.0f, 1.5f, -0.75f};
    for (int run = 0; run < 200; ++run) {
        auto reference = makeEffect(Path::reference, true);
        auto vector = makeEffect(GetParam(), true);
        const std::pair<int32_t, float> settings[] = {
            {ZeroX, unit(random)},
            {InGain, unit(random) * 1.3f - 0.15f},
            {SlewLim, unit(random) < 0.5f ? 1.0f : unit(random) * 1.2f - 0.1f},
            {FuncMix, funcMixes[run % std::size(funcMixes)] * (0.5f + unit(random))},
            {AmpMin, ampMins[run % std::size(ampMins)] * (0.5f + unit(random))},
            {FreqMin, unit(random) * 1.4f - 0.2f},
            {FreqDif, unit(random) * 1.4f - 0.2f},
            {OutGain, unit(random) * 1.5f}};
        for (auto [index, value] : settings) {
            reference->setParameter(index, value);
            vector->setParameter(index, value);
        }
        const int frames = 1500;
        AudioBlock expected(frames);
        source.fill(expected.in[0].data(), frames);
        source.fill(expected.in[1].data(), frames);
        AudioBlock actual(frames);
        actual.in[0] = expected.in[0];
        actual.in[1] = expected.in[1];
        reference->processReplacing(expected.inputs(), expected.outputs(), frames);
        vector->processReplacing(actual.inputs(), actual.outputs(), frames);
        for (int channel = 0; channel < 2; ++channel) {
            for (int i = 0; i < frames; ++i) {
                ASSERT_TRUE(sameSample(expected.out[channel][i], actual.out[channel][i]))
                    << "run " << run << " channel " << channel << " sample " << i << ": "
                    << expected.out[channel][i] << " vs " << actual.out[channel][i];
            }
        }
    }
}

// A host may hand output A as input B, or output B as input A, or either
// shifted by a sample against the other. The reference reads and writes
// channel A of a sample before it reads channel B, and every path must give
// its bits, in every kernel.
TEST_P(VectorKernelTest, CrossedBuffersMatchReference) {
    constexpr int frames = 700;
    SignalSource source(11);
    // A sample of room on either side, for the shifted outputs.
    std::vector<float> signal[2] = {std::vector<float>(frames + 2), std::vector<float>(frames + 2)};
    source.fill(signal[0].data(), frames + 2);
    source.fill(signal[1].data(), frames + 2);
    for (int shift : {0, 1, -1})
    for (bool outputAIsInputB : {true, false}) {
        for (bool bypass : {false, true}) {
            for (float zeroX : {0.0f, 1.0f}) {
                for (bool accumulate : {false, true}) {
                    std::vector<float> results[2][3];
                    float tracked[2][2];
                    int run = 0;
                    for (Path path : {Path::reference, GetParam()}) {
                        auto effect = makeEffect(path, true);
                        effect->setParameter(ZeroX, zeroX);
                        effect->setParameter(SlewLim, 0.8f);
                        effect->setParameter(InGain, 0.3f);
                        effect->setBypass(bypass);
                        // Buffers 0 and 1 are the inputs; the crossed output is one
                        // of them, the other output is buffer 2.
                        std::vector<float> buffers[3] = {signal[0], signal[1],
                                                         std::vector<float>(frames + 2, 0.25f)};
                        float* inputs[2] = {buffers[0].data() + 1, buffers[1].data() + 1};
                        float* crossed = (outputAIsInputB ? buffers[1] : buffers[0]).data() + 1 + shift;
                        float* outputs[2] = {outputAIsInputB ? crossed : buffers[2].data() + 1,
                                             outputAIsInputB ? buffers[2].data() + 1 : crossed};
                        if (accumulate) {
                            effect->process(inputs, outputs, frames);
                        } else {
                            effect->processReplacing(inputs, outputs, frames);
                        }
                        for (int k = 0; k < 3; ++k) {
                            results[run][k] = buffers[k];
                        }
                        tracked[run][0] = OndulaxisTestAccess::slewState(*effect)[0];
                        tracked[run][1] = OndulaxisTestAccess::slewState(*effect)[1];
                        ++run;
                    }
                    for (int k = 0; k < 3; ++k) {
                        for (int i = 0; i < frames + 2; ++i) {
                            ASSERT_TRUE(sameSample(results[0][k][i], results[1][k][i]))
                                << (outputAIsInputB ? "output A is input B" : "output B is input A")
                                << " shifted by " << shift
                                << (bypass ? ", bypass" : "") << ", zeroX " << zeroX
                                << (accumulate ? ", accumulate" : "") << ": buffer " << k
                                << " sample " << i;
                        }
                    }
                    EXPECT_EQ(bitsOf(tracked[0][0]), bitsOf(tracked[1][0]));
                    EXPECT_EQ(bitsOf(tracked[0][1]), bitsOf(tracked[1][1]));
                }
            }
        }
    }
}

// The same stream in blocks of 1, 7, 512 and 4096 gives the same bits, and
// the reference's, in both shapes and with slew limiting on and off.
TEST_P(VectorKernelTest, OutputDoesNotDependOnBlockSize) {
    constexpr int length = 8192;
    SignalSource source(5);
    std::vector<float> left(length);
    std::vector<float> right(length);
    source.fill(left.data(), length);
    source.fill(right.data(), length);
    for (float zeroX : {0.0f, 1.0f}) {
        for (float slewLim : {0.9f, 1.0f}) {
            std::vector<std::vector<float>> results;
            for (Path path : {Path::reference, GetParam()}) {
                for (int blockSize : {1, 7, 512, 4096}) {
                    auto effect = makeEffect(path, true);
                    for (auto [index, value] : {std::pair{ZeroX, zeroX}, {InGain, 0.4f},
                                                {SlewLim, slewLim}, {FreqDif, 0.8f}, {AmpMin, 0.3f}}) {
                        effect->setParameter(index, value);
                    }
                    std::vector<float> out(2 * length);
                    for (int start = 0; start < length; start += blockSize) {
                        const int frames = std::min(blockSize, length - start);
                        AudioBlock block(frames);
                        std::copy_n(left.begin() + start, frames, block.in[0].begin());
                        std::copy_n(right.begin() + start, frames, block.in[1].begin());
                        effect->processReplacing(block.inputs(), block.outputs(), frames);
                        std::copy_n(block.out[0].begin(), frames, out.begin() + start);
                        std::copy_n(block.out[1].begin(), frames, out.begin() + length + start);
                    }
                    results.push_back(out);
                }
            }
            for (size_t run = 1; run < results.size(); ++run) {
                for (size_t i = 0; i < results[0].size(); ++i) {
                    ASSERT_TRUE(sameSample(results[0][i], results[run][i]))
                        << "run " << run << " sample " << i << " zeroX " << zeroX << " slew "
                        << slewLim;
                }
            }
        }
    }
}

// A tracked value that loses bits when the input drops steeply, and one
// beyond the (switched off) limit of 1e6: the parallel check must notice
// both and still give the serial result.
TEST_P(VectorKernelTest, SteepDropsAndHugeJumpsTrackLikeTheSerialLoop) {
    std::vector<float> input;
    for (int i = 0; i < 300; ++i) {
        input.push_back(i % 2 ? 0.7f : 3e-9f * static_cast<float>(i));
        input.push_back(i % 7 ? 1.0f + 1e-7f * i : -5e6f);
        input.push_back(0.3333333f * static_cast<float>(i % 3));
    }
    for (bool bypass : {false, true}) {
        auto reference = makeEffect(Path::reference, false);
        auto vector = makeEffect(GetParam(), false);
        reference->setBypass(bypass);
        vector->setBypass(bypass);
        const std::vector<float> want = processMono(*reference, input);
        const std::vector<float> got = processMono(*vector, input);
        for (size_t i = 0; i < input.size(); ++i) {
            ASSERT_TRUE(sameSample(want[i], got[i])) << i;
        }
        EXPECT_EQ(bitsOf(OndulaxisTestAccess::slewState(*reference)[0]),
                  bitsOf(OndulaxisTestAccess::slewState(*vector)[0]));
    }
}

// Bypass keeps only the tracked value at the end of each block: it must be
// the serial loop's after every block, whatever the gain, block size or
// buffer layout, on input full of steps that miss float(x) (steep drops,
// sign flips, subnormals, zeros of both signs, NaN and infinity) at every
// position within a vector; the replacing output is the input's exact bits.
TEST_P(VectorKernelTest, BypassEndsOnTheSerialLoopsTrackedValue) {
    constexpr int length = 3 * 4096 + 123;
    std::vector<float> signal[2] = {std::vector<float>(length), std::vector<float>(length)};
    SignalSource source(17);
    source.fill(signal[0].data(), length);
    source.fill(signal[1].data(), length);
    // Also values that overflow, or only just do not, after a gain of 4 or
    // 256, and the subnormal ends.
    const float specials[] = {1e6f, 1e-3f, -0.7f, 0.6f, 1e-40f, -1e-42f, 0.0f, -0.0f,
                              std::numeric_limits<float>::quiet_NaN(), 0.5f,
                              std::numeric_limits<float>::infinity(), -3e38f, 2e-38f, 0.25f,
                              1.3e36f, -8.5e37f, std::numeric_limits<float>::max(), -0.0f,
                              std::numeric_limits<float>::denorm_min(), -1.1754942e-38f,
                              -std::numeric_limits<float>::infinity(), 1.329e36f};
    // A stretch of specials every 61 samples, shifted by one each time, so
    // misses fall on every lane and at block ends.
    for (int start = 0, shift = 0; start + 40 < length; start += 61, ++shift) {
        for (int k = 0; k < 8; ++k) {
            signal[k % 2][start + shift % 17 + k] = specials[(shift + k) % std::size(specials)];
        }
    }
    // Gains 1, 4 and 256 take the float-only check, 5.28 the double one.
    for (float inGain : {0.0f, 0.25f, 0.3f, 1.0f}) {
        for (float slewLim : {1.0f, 0.9f}) {
            for (bool stereo : {false, true}) {
                for (bool accumulate : {false, true}) {
                    for (bool inPlace : {false, true}) {
                        for (int blockSize : {1, 7, 9, 512, 4096}) {
                            auto reference = makeEffect(Path::reference, stereo);
                            auto vector = makeEffect(GetParam(), stereo);
                            for (Ondulaxis* effect : {reference.get(), vector.get()}) {
                                effect->setParameter(InGain, inGain);
                                effect->setParameter(SlewLim, slewLim);
                                effect->setBypass(true);
                            }
                            runEmptyBlock(*vector);
                            ASSERT_EQ(chunked::exactGain(
                                          OndulaxisTestAccess::coefficients(*vector).inGain),
                                      inGain != 0.3f);
                            for (int start = 0; start < length; start += blockSize) {
                                const int frames = std::min(blockSize, length - start);
                                AudioBlock blocks[2] = {AudioBlock(frames), AudioBlock(frames)};
                                for (AudioBlock& block : blocks) {
                                    for (int channel = 0; channel < 2; ++channel) {
                                        std::copy_n(signal[channel].begin() + start, frames,
                                                    block.in[channel].begin());
                                        for (int i = 0; i < frames; ++i) {
                                            block.out[channel][i] = 0.375f * (i % 3);
                                        }
                                    }
                                    if (inPlace) {
                                        block.outputPointers = block.inputPointers;
                                    }
                                }
                                Ondulaxis* effects[2] = {reference.get(), vector.get()};
                                for (int run = 0; run < 2; ++run) {
                                    if (accumulate) {
                                        effects[run]->process(blocks[run].inputs(),
                                                              blocks[run].outputs(), frames);
                                    } else {
                                        effects[run]->processReplacing(blocks[run].inputs(),
                                                                       blocks[run].outputs(), frames);
                                    }
                                }
                                const std::string where =
                                    "gain " + std::to_string(inGain) + " slew " +
                                    std::to_string(slewLim) + (stereo ? " stereo" : " mono") +
                                    (accumulate ? " accumulating" : " replacing") +
                                    (inPlace ? " in place" : "") + " block " +
                                    std::to_string(blockSize) + " at " + std::to_string(start);
                                for (int channel = 0; channel < (stereo ? 2 : 1); ++channel) {
                                    ASSERT_EQ(bitsOf(OndulaxisTestAccess::slewState(*reference)[channel]),
                                              bitsOf(OndulaxisTestAccess::slewState(*vector)[channel]))
                                        << where << ", channel " << channel;
                                    for (int i = 0; i < frames; ++i) {
                                        const float want = blocks[0].outputPointers[channel][i];
                                        const float got = blocks[1].outputPointers[channel][i];
                                        if (accumulate) {
                                            ASSERT_TRUE(sameSample(want, got)) << where << ", sample " << i;
                                        } else {
                                            ASSERT_EQ(bitsOf(got), bitsOf(signal[channel][start + i]))
                                                << where << ", sample " << i;
                                        }
                                    }
                                }
                            }
                        }
                    }
                }
            }
        }
    }
}

// The float-only slew step used with gains 2^k: wherever it is sure, it is
// the reference's step bit for bit, on pairs (tracked value, input) drawn from
// all bit patterns, from near the product, from around the slew bound and
// from the special values, for every power-of-two gain InGain can give.
TEST(FloatSlewStepTest, SureStepsAreTheReferenceSteps) {
    using Floats = float __attribute__((vector_size(16)));
    constexpr int width = 4;
    std::vector<float> gains;
    for (int eighth = 0; eighth <= 8; ++eighth) {
        const float gain = parameterCurves::inGain(eighth / 8.0f);
        ASSERT_TRUE(chunked::exactGain(gain)) << gain;
        gains.push_back(gain);
    }
    for (float other : {parameterCurves::inGain(0.3f), parameterCurves::inGain(0.99f), 0.5f, -1.0f,
                        0.0f, std::numeric_limits<float>::infinity(),
                        std::numeric_limits<float>::quiet_NaN()}) {
        EXPECT_FALSE(chunked::exactGain(other)) << other;
    }
    constexpr float inf = std::numeric_limits<float>::infinity();
    constexpr float largest = std::numeric_limits<float>::max();
    const float specials[] = {0.0f, -0.0f, inf, -inf, std::numeric_limits<float>::quiet_NaN(),
                              largest, -largest, largest / 4, largest / 256,
                              std::nextafter(largest / 256, inf), std::numeric_limits<float>::min(),
                              -std::numeric_limits<float>::min(),
                              std::numeric_limits<float>::denorm_min(), -1.1754942e-38f, 1.0f,
                              -1.0f, 1e6f, -1e6f, 0.5f, 3e-39f};
    const float limit = parameterCurves::slewOff;
    std::mt19937 random(4242);
    std::uniform_int_distribution<uint32_t> bits;
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    const auto anyFloat = [&] { return std::bit_cast<float>(bits(random)); };
    const auto special = [&] { return specials[bits(random) % std::size(specials)]; };
    constexpr long pairs = 12'000'000;
    long sure = 0;
    long onProduct = 0;
    for (long drawn = 0; drawn < pairs; drawn += width) {
        const float gain = gains[static_cast<size_t>(drawn / width) % gains.size()];
        Floats input;
        Floats previous;
        for (int lane = 0; lane < width; ++lane) {
            const uint32_t kind = bits(random) % 8;
            float in = kind == 0 ? special() : kind < 4 ? anyFloat() : unit(random) * 0.01f;
            if (kind == 7) {
                in = std::ldexp(unit(random), static_cast<int>(bits(random) % 280) - 150);
            }
            const float product = in * gain;
            float before;
            switch (bits(random) % 6) {
            case 0:
                before = special();
                break;
            case 1:
                before = anyFloat();
                break;
            case 2:
                // Near the product: steps that land on it or just miss it.
                before = std::bit_cast<float>(std::bit_cast<uint32_t>(product) +
                                              (bits(random) % 64) - 32);
                break;
            case 3:
                // Drops, rises and sign changes against the product.
                before = product * (unit(random) * 8.0f);
                break;
            case 4:
                // Around the slew bound.
                before = std::nextafter(product + std::copysign(limit, unit(random)),
                                        unit(random) < 0 ? -inf : inf);
                break;
            default:
                before = unit(random) * 0.01f;
                break;
            }
            input[lane] = in;
            previous[lane] = before;
        }
        const Floats product = input * gain;
        const auto steps = chunked::productSteps(product, previous, limit);
        for (int lane = 0; lane < width; ++lane) {
            if (steps.unsure[lane] != 0) {
                continue;
            }
            ++sure;
            const float want = kernelMath::slewStep(double{input[lane]} * double{gain},
                                                    previous[lane], limit);
            ASSERT_EQ(bitsOf(want), bitsOf(steps.tracked[lane]))
                << "input " << input[lane] << " gain " << gain << " from " << previous[lane];
            onProduct += bitsOf(want) == bitsOf(product[lane]) ? 1 : 0;
        }
    }
    // Most pairs are sure, and many land on the product, or the check
    // would prove little.
    EXPECT_GT(sure, pairs / 2);
    EXPECT_GT(onProduct, pairs / 5);
}

INSTANTIATE_TEST_SUITE_P(InstructionSets, VectorKernelTest, ::testing::ValuesIn(vectorPathsHere()),
                         pathName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(VectorKernelTest);

TEST(KernelPathTest, ConstructionTakesTheBestPathUnlessTold) {
    Ondulaxis effect(&FakeHost::callback);
    const Path chosen = OndulaxisTestAccess::kernelPath(effect);
    EXPECT_TRUE(Ondulaxis::kernelPathRuns(chosen));
    if (std::getenv("ONDULAXIS_KERNELS") == nullptr) {
        const std::vector<Path> paths = vectorPathsHere();
        EXPECT_EQ(chosen, paths.empty() ? Path::reference : paths.back());
    }
    EXPECT_TRUE(Ondulaxis::kernelPathRuns(Path::reference));
}

}  // namespace
