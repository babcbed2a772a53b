// The same output bits on every build (64-bit and 32-bit Linux, both Windows
// DLLs) and every kernel path the processor runs: settings x signals, each
// checked against a stored digest of the output made by the x86-64 Linux
// build's reference kernels. The signals use only float and double
// arithmetic, no library function, so every build feeds the same bits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "EffectTestSupport.h"
#include "kernels/KernelMath.h"

namespace {

using Path = Ondulaxis::KernelPath;

struct Setting {
    const char* name;
    std::vector<std::pair<ParameterIndex, float>> values;
};

const Setting settings[] = {
    {"defaults", {}},
    {"ordinary", {{InGain, 0.25f}, {SlewLim, 1.0f}, {FreqDif, 0.7f}}},
    {"ordinarySine", {{ZeroX, 0.0f}, {InGain, 0.25f}, {SlewLim, 1.0f}, {FreqDif, 0.7f}}},
    {"extreme", {{InGain, 1.0f}, {FreqMin, 1.0f}, {FreqDif, 1.0f}, {SlewLim, 1.0f}}},
    {"extremeSine", {{ZeroX, 0.0f}, {InGain, 1.0f}, {FreqMin, 1.0f}, {FreqDif, 1.0f}, {SlewLim, 1.0f}}},
    {"freqDif095", {{InGain, 0.4f}, {FreqDif, 0.95f}, {SlewLim, 1.0f}, {FuncMix, 0.8f}}},
    {"slewLimited", {{InGain, 0.3f}, {SlewLim, 0.9f}, {FreqDif, 0.8f}, {AmpMin, 0.3f}}},
    // FreqDif 0.75: |y| = 2^3.5 - 1 cycles, a power exponent that is no integer.
    {"slewLimitedSine", {{ZeroX, 0.0f}, {InGain, 0.6f}, {SlewLim, 0.7f}, {FreqDif, 0.25f}}},
    {"negativeAmpMin", {{InGain, 0.5f}, {AmpMin, -1.5f}, {FreqDif, 0.6f}, {SlewLim, 1.0f}}},
    {"negativeAmpMinSine", {{ZeroX, 0.0f}, {AmpMin, -0.75f}, {FreqDif, 0.9f}, {SlewLim, 1.0f}}},
    // 30 cycles: the exponent log2(32) = 5 exactly.
    {"integerExponent", {{InGain, 0.2f}, {FreqDif, 0.8538711667060852f}, {SlewLim, 1.0f}}},
    {"quietGains", {{InGain, 0.0f}, {OutGain, 0.3f}, {FuncMix, 0.4f}, {FreqMin, 0.0f}, {FreqDif, 0.1f}}},
};

// A small generator of the same bits everywhere.
class Noise {
public:
    explicit Noise(uint64_t seed) : state(seed) {}
    uint32_t bits() {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<uint32_t>(state >> 32);
    }
    // Uniform in [-1, 1).
    double uniform() { return static_cast<double>(bits()) / 2147483648.0 - 1.0; }

private:
    uint64_t state;
};

// Partials by the recurrence s[n] = 2cos(w) s[n-1] - s[n-2], started at
// sin(0) and sin(w) given as constants.
struct Partial {
    double twoCos, previous, current, level;
    double next() {
        const double value = current;
        const double following = twoCos * current - previous;
        previous = current;
        current = following;
        return value * level;
    }
};

enum class Signal { music, noise, huge, sprinkled };
const char* const signalNames[] = {"music", "noise", "huge", "sprinkled"};

std::vector<float> makeSignal(Signal signal, uint64_t seed, int frames) {
    Noise noise(seed);
    // 110, 660 and 3300 Hz at 48 kHz.
    Partial partials[] = {{1.999792673350785, 0.0, 0.014398468777274444, 0.45},
                          {1.9925407529858825, 0.0, 0.08628636579792337, 0.25},
                          {1.8162863476501625, 0.0, 0.41865973753742813, 0.12}};
    std::vector<float> samples(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        double music = 0.01 * noise.uniform();
        for (Partial& partial : partials) {
            music += partial.next();
        }
        float value = static_cast<float>(music);
        switch (signal) {
        case Signal::music:
            break;
        case Signal::noise:
            value = static_cast<float>(noise.uniform());
            break;
        case Signal::huge:
            // Any float's bits, infinities and NaNs among them.
            value = floatOf(noise.bits());
            break;
        case Signal::sprinkled: {
            const uint32_t draw = noise.bits() % 64;
            if (draw == 0) {
                value = std::numeric_limits<float>::quiet_NaN();
            } else if (draw == 1) {
                value = -std::numeric_limits<float>::infinity();
            } else if (draw < 8) {
                value = floatOf(noise.bits() & 0x807FFFFFu);  // subnormal or zero
            } else if (draw < 10) {
                value = static_cast<float>(music * 1e30);
            }
            break;
        }
        }
        samples[static_cast<size_t>(i)] = value;
    }
    return samples;
}

// 64-bit FNV-1a of the output bits, every NaN counted as one (its payload
// comes from whichever operand the processor picks).
uint64_t digest(const std::vector<float>& a, const std::vector<float>& b) {
    uint64_t hash = 0xcbf29ce484222325u;
    for (const std::vector<float>* channel : {&a, &b}) {
        for (float sample : *channel) {
            const uint32_t bits = std::isnan(sample) ? 0x7FC00000u : bitsOf(sample);
            for (int byte = 0; byte < 4; ++byte) {
                hash = (hash ^ ((bits >> (8 * byte)) & 0xFFu)) * 0x100000001b3u;
            }
        }
    }
    return hash;
}

// Row-major, settings x signals, from the x86-64 Linux reference kernels.
const uint64_t expected[std::size(settings)][std::size(signalNames)] = {
#include "CrossBuildDigests.inc"
};

uint64_t render(Path path, const Setting& setting, Signal signal) {
    constexpr int frames = 6000;
    FakeHost::connect(true, true, true, true);
    auto effect = std::make_unique<Ondulaxis>(&FakeHost::callback);
    for (const auto& [index, value] : setting.values) {
        effect->setParameter(index, value);
    }
    effect->resume();
    OndulaxisTestAccess::useKernelPath(*effect, path);
    const std::vector<float> in[2] = {makeSignal(signal, 1, frames), makeSignal(signal, 2, frames)};
    std::vector<float> out[2] = {std::vector<float>(frames), std::vector<float>(frames)};
    // Blocks of varied size, the short ones included.
    const int sizes[] = {512, 3, 1000, 37, 256, 1};
    for (int start = 0, block = 0; start < frames; ++block) {
        const int count = std::min(sizes[block % std::size(sizes)], frames - start);
        float* inputs[2] = {const_cast<float*>(in[0].data()) + start,
                            const_cast<float*>(in[1].data()) + start};
        float* outputs[2] = {out[0].data() + start, out[1].data() + start};
        effect->processReplacing(inputs, outputs, count);
        start += count;
    }
    return digest(out[0], out[1]);
}

class CrossBuildTest : public ::testing::TestWithParam<Path> {};

TEST_P(CrossBuildTest, OutputsMatchTheStoredDigests) {
    // scripts/cross-build-digests sets this to rewrite the stored digests
    // from the reference kernels of this build.
    if (const char* rewrite = std::getenv("ONDULAXIS_WRITE_DIGESTS")) {
        if (GetParam() != Path::reference) GTEST_SKIP() << "digests come from the reference kernels";
        std::ofstream out(rewrite);
        for (const Setting& setting : settings) {
            out << "    {";
            for (size_t column = 0; column < std::size(signalNames); ++column) {
                out << (column == 0 ? "" : ", ") << "0x" << std::hex << render(Path::reference, setting,
                                                                             static_cast<Signal>(column));
            }
            out << "},  // " << setting.name << "\n";
        }
        ASSERT_TRUE(out.good()) << rewrite;
        return;
    }
    for (size_t row = 0; row < std::size(settings); ++row) {
        for (size_t column = 0; column < std::size(signalNames); ++column) {
            const uint64_t got = render(GetParam(), settings[row], static_cast<Signal>(column));
            EXPECT_EQ(got, expected[row][column])
                << settings[row].name << " x " << signalNames[column] << ": 0x" << std::hex << got;
        }
    }
}

std::vector<Path> pathsHere() {
    std::vector<Path> paths;
    for (Path path : {Path::reference, Path::generic, Path::avx2, Path::avx512}) {
        if (Ondulaxis::kernelPathRuns(path)) {
            paths.push_back(path);
        }
    }
    return paths;
}

INSTANTIATE_TEST_SUITE_P(Paths, CrossBuildTest, ::testing::ValuesIn(pathsHere()),
                         [](const auto& info) { return std::string(Ondulaxis::kernelPathName(info.param)); });

}  // namespace
