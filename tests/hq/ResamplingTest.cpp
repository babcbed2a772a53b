// The resampling chain on its own: pass band at both usual rates, what a
// non-finite or subnormal sample does, and the same bits at every width.
#include <cmath>
#include <complex>
#include <cstring>
#include <limits>
#include <numbers>
#include <vector>

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

#include <gtest/gtest.h>

#include "Resampling.h"

namespace {

using namespace oversampling;

constexpr int32_t chunk = chunkFrames;

// Runs `input` up and down through `chain` in uneven chunks; `highRate`, when
// given, changes the top rate's samples between the two (as the effect does).
std::vector<float> roundTrip(ChannelResampler& chain, int32_t stages,
                             const std::vector<float>& input,
                             void (*highRate)(float*, int32_t, int32_t) = nullptr,
                             std::vector<float>* top = nullptr) {
    std::vector<float> output(input.size()), work(chunk * maxFactor);
    const int32_t total = static_cast<int32_t>(input.size());
    for (int32_t start = 0, n = 0; start < total; start += n) {
        n = std::min(total - start, 1 + (start * 7919) % chunk);
        chain.up(stages, input.data() + start, work.data(), n);
        if (highRate) highRate(work.data(), n << stages, start << stages);
        if (top) top->insert(top->end(), work.begin(), work.begin() + (n << stages));
        chain.down(stages, work.data(), output.data() + start, n);
    }
    return output;
}

std::vector<float> noise(std::size_t frames) {
    std::vector<float> signal(frames);
    uint32_t state = 7;
    for (float& x : signal) {
        state = state * 1664525u + 1013904223u;
        x = static_cast<float>(state) / 4294967296.0f - 0.5f;
    }
    return signal;
}

class ResamplingFactor : public ::testing::TestWithParam<int32_t> {};

// 19 kHz at 44.1 kHz (0.431 of the rate) is above 20 kHz at 48 kHz (0.417),
// so one band covers both rates.
TEST_P(ResamplingFactor, FlatWithinATenthOfADecibelTo19kHzAt44100) {
    const int32_t stages = GetParam();
    ChannelResampler chain;
    std::vector<float> impulse(2 * chunk, 0.0f);
    impulse[0] = 1.0f;
    const std::vector<float> response = roundTrip(chain, stages, impulse);
    double worst = 0.0;
    for (double f = 0.0; f <= 19.0 / 44.1; f += 1.0 / 2000.0) {
        std::complex<double> h = 0.0;
        for (std::size_t i = 0; i < response.size(); ++i) {
            h += static_cast<double>(response[i]) *
                 std::polar(1.0, -2.0 * std::numbers::pi * f * static_cast<double>(i));
        }
        worst = std::max(worst, std::fabs(20.0 * std::log10(std::abs(h))));
    }
    EXPECT_LT(worst, 0.1) << "pass-band ripple in dB";
}

// A NaN or infinity at either rate reads as 0: the output is the clean
// signal's with that sample zeroed, and finite.
TEST_P(ResamplingFactor, NonFiniteSamplesReadAsZero) {
    const int32_t stages = GetParam();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> input = noise(4 * chunk), zeroed = input;
    for (int32_t at : {100, 101, 700}) zeroed[at] = 0.0f;
    input[100] = nan, input[101] = inf, input[700] = -inf;
    const auto poison = [](float* work, int32_t count, int32_t first) {
        for (int32_t i = 0; i < count; ++i) {
            if (first + i == 500) work[i] = std::numeric_limits<float>::quiet_NaN();
        }
    };
    const auto zero = [](float* work, int32_t count, int32_t first) {
        for (int32_t i = 0; i < count; ++i) {
            if (first + i == 500) work[i] = 0.0f;
        }
    };
    ChannelResampler dirty, clean;
    const std::vector<float> got = roundTrip(dirty, stages, input, poison);
    const std::vector<float> expected = roundTrip(clean, stages, zeroed, zero);
    for (std::size_t i = 0; i < got.size(); ++i) {
        ASSERT_TRUE(std::isfinite(got[i])) << i;
        ASSERT_EQ(got[i], expected[i]) << i;
    }
}

#if defined(__SSE2__)
// Subnormals read as zero inside the filters only: the caller's mode, with
// flushing off, is the same on return.
TEST_P(ResamplingFactor, SubnormalsFlushInsideTheFiltersOnly) {
    const int32_t stages = GetParam();
    constexpr unsigned modeBits = ~0x3fu;  // not the sticky exception flags
    std::vector<float> input = noise(chunk);
    for (float& x : input) x *= 1e-38f;  // most of them subnormal
    const unsigned before = _mm_getcsr() & modeBits;
    ChannelResampler chain;
    for (float x : roundTrip(chain, stages, input)) ASSERT_EQ(x, 0.0f);
    EXPECT_EQ(_mm_getcsr() & modeBits, before);
    volatile float tiny = std::numeric_limits<float>::min();
    EXPECT_GT(tiny / 2.0f, 0.0f) << "the caller's arithmetic still keeps subnormals";
}
#endif

INSTANTIATE_TEST_SUITE_P(Factors, ResamplingFactor, ::testing::Values(1, 2, 3, 4),
                         [](const auto& info) { return std::to_string(1 << info.param) + "x"; });

// Every width the processor runs gives the narrow width's bits, at both rates.
TEST(ResamplingWidth, EveryWidthGivesTheSameBits) {
    const std::vector<float> input = noise(3 * chunk + 17);
    for (int32_t stages = 1; stages <= maxStages; ++stages) {
        ChannelResampler narrow(FilterWidth::narrow);
        std::vector<float> narrowTop;
        const std::vector<float> expected = roundTrip(narrow, stages, input, nullptr, &narrowTop);
        for (FilterWidth width : {FilterWidth::wide, FilterWidth::widest}) {
            if (!filterWidthRuns(width)) continue;
            ChannelResampler chain(width);
            ASSERT_EQ(chain.filterWidth(), width);
            std::vector<float> top;
            const std::vector<float> got = roundTrip(chain, stages, input, nullptr, &top);
            ASSERT_EQ(std::memcmp(top.data(), narrowTop.data(), sizeof(float) * top.size()), 0)
                << stages << " stages, width " << static_cast<int>(width);
            ASSERT_EQ(std::memcmp(got.data(), expected.data(), sizeof(float) * got.size()), 0)
                << stages << " stages, width " << static_cast<int>(width);
        }
    }
}

// The designs are computed when a resampler is built, with the C library's
// mathematics: every build (Linux and Windows, 32 and 64 bits) must arrive at
// the same taps and so the same output. The hashes are of the chain's noise
// response at each factor, as the 64-bit Linux build gives it.
TEST(ResamplingDesign, EveryBuildGivesTheSameBits) {
    const uint32_t expected[maxStages] = {326168348u, 1977738441u, 1968954492u, 949779164u};
    const std::vector<float> input = noise(2 * chunk);
    for (int32_t stages = 1; stages <= maxStages; ++stages) {
        ChannelResampler chain;
        uint32_t hash = 2166136261u;  // FNV-1a over the output's bits
        for (float x : roundTrip(chain, stages, input)) {
            uint32_t bits;
            std::memcpy(&bits, &x, sizeof bits);
            for (int32_t byte = 0; byte < 4; ++byte) {
                hash = (hash ^ ((bits >> (8 * byte)) & 0xffu)) * 16777619u;
            }
        }
        EXPECT_EQ(hash, expected[stages - 1]) << (1 << stages) << "x";
    }
}

}  // namespace
