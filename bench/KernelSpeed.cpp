// Kernel speed without Google Benchmark, for the builds that have none (the
// Windows DLLs' toolchains, 32-bit Linux): stereo replacing kernels, sine
// and raised cosine, 512-frame blocks of music-like input, at the ordinary
// and extreme settings of kernel_bench, on every path this processor runs.
// Paths take turns, five rounds, and each figure is the fastest round.
//   build-win64/bench/kernel_speed.exe   (under wine)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "EffectTestSupport.h"

namespace {

using Path = Ondulaxis::KernelPath;
using Clock = std::chrono::steady_clock;

struct Setting {
    const char* name;
    std::vector<std::pair<ParameterIndex, float>> values;
};

// Three partials and noise 40 dB down, peaks near 0.8.
std::vector<float> music(uint32_t seed) {
    std::vector<float> samples(65536);
    uint32_t state = seed;
    for (size_t i = 0; i < samples.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        const double noise = static_cast<double>(state) / 2147483648.0 - 1.0;
        const double t = 2 * 3.141592653589793 * static_cast<double>(i) / 48000.0;
        samples[i] = static_cast<float>(0.45 * std::sin(110 * t) +
                                        0.25 * std::sin(660 * t) +
                                        0.1 * std::sin(3300 * t) + 0.008 * noise);
    }
    return samples;
}

double nsPerSample(Path path, const Setting& setting, bool sine, const std::vector<float>* in) {
    FakeHost::connect(true, true, true, true);
    auto effect = std::make_unique<Ondulaxis>(&FakeHost::callback);
    for (const auto& [index, value] : setting.values) {
        effect->setParameter(index, value);
    }
    effect->setParameter(ZeroX, sine ? 0.0f : 1.0f);
    effect->resume();
    OndulaxisTestAccess::useKernelPath(*effect, path);
    constexpr int frames = 512;
    std::vector<float> out[2] = {std::vector<float>(frames), std::vector<float>(frames)};
    const int blocks = 400;
    const auto start = Clock::now();
    for (int block = 0; block < blocks; ++block) {
        const size_t offset = static_cast<size_t>(block % 128) * frames;
        float* inputs[2] = {const_cast<float*>(in[0].data()) + offset,
                            const_cast<float*>(in[1].data()) + offset};
        float* outputs[2] = {out[0].data(), out[1].data()};
        effect->processReplacing(inputs, outputs, frames);
    }
    const double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
    return ns / (2.0 * blocks * frames);
}

}  // namespace

int main() {
    const Setting settings[] = {
        {"ordinary", {{InGain, 0.25f}, {SlewLim, 1.0f}, {FreqDif, 0.7f}}},
        {"extreme", {{InGain, 1.0f}, {SlewLim, 1.0f}, {FreqDif, 1.0f}, {FreqMin, 1.0f}}}};
    const std::vector<float> in[2] = {music(1), music(2)};
    std::vector<Path> paths;
    for (Path path : {Path::reference, Path::generic, Path::avx2, Path::avx512}) {
        if (Ondulaxis::kernelPathRuns(path)) {
            paths.push_back(path);
        }
    }
    std::printf("| kernel | setting | path | ns per sample | x faster than reference |\n|---|---|---|---:|---:|\n");
    for (const Setting& setting : settings) {
        for (bool sine : {true, false}) {
            std::vector<double> best(paths.size(), 1e30);
            for (int round = 0; round < 5; ++round) {
                for (size_t p = 0; p < paths.size(); ++p) {
                    best[p] = std::min(best[p], nsPerSample(paths[p], setting, sine, in));
                }
            }
            for (size_t p = 0; p < paths.size(); ++p) {
                std::printf("| replaceStereo.%s | %s | %s | %.2f | %.1f |\n", sine ? "sine" : "cosine",
                            setting.name, Ondulaxis::kernelPathName(paths[p]), best[p], best[0] / best[p]);
            }
        }
    }
}
