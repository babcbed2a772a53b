// Kernel speed without Google Benchmark, for the builds that have none (the
// Windows DLLs' toolchains, 32-bit Linux): stereo replacing kernels, sine
// and raised cosine, 512-frame blocks of music-like input, at the ordinary
// and extreme settings of kernel_bench, on every path this processor runs,
// and a plain scalar loop over the same arithmetic with the C library's pow,
// sin and cos as the yardstick. Paths take turns, five rounds, and each
// figure is the fastest round.
//   build-win64/bench/kernel_speed.exe   (under wine)
//   build/bench/kernel_speed --paused    (also blocks after a pause, as hosts call)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "BenchSignal.h"
#include "EffectTestSupport.h"

namespace {

using Path = Ondulaxis::KernelPath;
using Clock = std::chrono::steady_clock;

// This thread's processor time in nanoseconds where the system keeps it (the
// machine is shared: time another program took from the core does not count),
// else the wall clock.
double threadNanoseconds() {
#if defined(CLOCK_THREAD_CPUTIME_ID) && !defined(_WIN32)
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
#else
    return std::chrono::duration<double, std::nano>(Clock::now().time_since_epoch()).count();
#endif
}

struct Setting {
    const char* name;
    std::vector<std::pair<ParameterIndex, float>> values;
};


std::unique_ptr<Ondulaxis> makeEffect(const Setting& setting, bool sine);
constexpr int frames = 512;
constexpr int blocks = 400;

double nsPerSample(Path path, const Setting& setting, bool sine, const std::vector<float>* in) {
    auto effect = makeEffect(setting, sine);
    OndulaxisTestAccess::useKernelPath(*effect, path);
    std::vector<float> out[2] = {std::vector<float>(frames), std::vector<float>(frames)};
    const double start = threadNanoseconds();
    for (int block = 0; block < blocks; ++block) {
        const size_t offset = static_cast<size_t>(block % 128) * frames;
        float* inputs[2] = {const_cast<float*>(in[0].data()) + offset,
                            const_cast<float*>(in[1].data()) + offset};
        float* outputs[2] = {out[0].data(), out[1].data()};
        effect->processReplacing(inputs, outputs, frames);
    }
    const double ns = threadNanoseconds() - start;
    return ns / (2.0 * blocks * frames);
}

// The distortion written plainly, one sample after another, with the C
// library's pow, sin and cos: what a straightforward implementation costs.
// It matches the kernels' results wherever the C library's functions round
// as the kernels' exact ones do (nearly everywhere); the count of samples
// that differ is printed.
struct PlainKernel {
    Coefficients c;
    float state[2] = {0.0f, 0.0f};

    float sample(int channel, float in) noexcept {
        const double x = static_cast<double>(in) * c.inGain;
        const float difference = static_cast<float>(x - state[channel]);
        const float magnitude =
            c.slewLimit >= std::fabs(difference) ? std::fabs(difference) : c.slewLimit;
        const float tracked = static_cast<float>(static_cast<double>(state[channel]) +
                                                 std::copysign(magnitude, difference));
        state[channel] = tracked;
        const float gained = static_cast<float>(x);
        const double t = 4.0 * std::fabs(static_cast<double>(gained)) * std::fabs(static_cast<double>(gained));
        const float s = static_cast<float>(t / (1.0 + t));
        const float power = static_cast<float>(std::pow(std::fabs(static_cast<double>(tracked)),
                                                        static_cast<double>(c.freqDifLog)));
        float phase = static_cast<float>((static_cast<double>(power) * c.freqDif + c.freqMin) * tracked);
        if (std::isinf(phase)) {
            phase = std::copysign(std::numeric_limits<float>::max(), phase);
        }
        float y;
        if (c.zeroCrossMode) {
            const float amplitude = static_cast<float>(static_cast<double>(s) * c.ampRange + c.ampMin);
            const float plain = std::copysign(s, gained);
            y = static_cast<float>(((amplitude * std::sin(static_cast<double>(phase)) - plain) * c.funcMix + plain) *
                                   c.outGain);
        } else {
            const float half = static_cast<float>((static_cast<double>(s) * c.ampRange + c.ampMin) * 0.5);
            const float magnitude = static_cast<float>(
                (half * (1.0 - std::cos(static_cast<double>(phase))) - s) * c.funcMix + s);
            y = static_cast<float>(static_cast<double>(std::copysign(magnitude, gained)) * c.outGain);
        }
        return std::fabs(y) < std::numeric_limits<float>::min() ? std::copysign(0.0f, y) : y;
    }
};

std::unique_ptr<Ondulaxis> makeEffect(const Setting& setting, bool sine) {
    FakeHost::connect(true, true, true, true);
    auto effect = std::make_unique<Ondulaxis>(&FakeHost::callback);
    for (const auto& [index, value] : setting.values) {
        effect->setParameter(index, value);
    }
    effect->setParameter(ZeroX, sine ? 1.0f : 0.0f);
    effect->resume();
    return effect;
}

// One block after a pause, as a host calls: the median of 101 such blocks,
// each after `pause` without vector work (the processor may power down units
// it has not used for a while, and the block then pays for waking them).
double pausedNsPerSample(Path path, const Setting& setting, bool sine, const std::vector<float>* in,
                         std::chrono::microseconds pause) {
    auto effect = makeEffect(setting, sine);
    OndulaxisTestAccess::useKernelPath(*effect, path);
    std::vector<float> out[2] = {std::vector<float>(frames), std::vector<float>(frames)};
    std::vector<double> times;
    for (int block = 0; block < 101; ++block) {
        // Spinning, not sleeping: the core and its caches stay awake, only
        // the vector units idle.
        for (const auto until = Clock::now() + pause; Clock::now() < until;) {
        }
        const size_t offset = static_cast<size_t>(block % 128) * frames;
        float* inputs[2] = {const_cast<float*>(in[0].data()) + offset,
                            const_cast<float*>(in[1].data()) + offset};
        float* outputs[2] = {out[0].data(), out[1].data()};
        const auto start = Clock::now();
        effect->processReplacing(inputs, outputs, frames);
        times.push_back(std::chrono::duration<double, std::nano>(Clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + 50, times.end());
    return times[50] / (2.0 * frames);
}

// Also counts the samples where it differs from the reference kernel.
double plainNsPerSample(const Setting& setting, bool sine, const std::vector<float>* in,
                        long& differing) {
    auto effect = makeEffect(setting, sine);
    OndulaxisTestAccess::useKernelPath(*effect, Path::reference);
    runEmptyBlock(*effect);
    PlainKernel plain{OndulaxisTestAccess::coefficients(*effect)};
    std::vector<float> out[2] = {std::vector<float>(frames), std::vector<float>(frames)};
    const double start = threadNanoseconds();
    for (int block = 0; block < blocks; ++block) {
        const size_t offset = static_cast<size_t>(block % 128) * frames;
        for (int i = 0; i < frames; ++i) {
            for (int k = 0; k < 2; ++k) {
                out[k][static_cast<size_t>(i)] = plain.sample(k, in[k][offset + static_cast<size_t>(i)]);
            }
        }
        asm volatile("" : : "r"(out[0].data()), "r"(out[1].data()) : "memory");
    }
    const double ns = threadNanoseconds() - start;
    differing = 0;
    std::vector<float> check[2] = {std::vector<float>(frames), std::vector<float>(frames)};
    PlainKernel again{OndulaxisTestAccess::coefficients(*effect)};
    for (int block = 0; block < 128; ++block) {
        const size_t offset = static_cast<size_t>(block) * frames;
        float* inputs[2] = {const_cast<float*>(in[0].data()) + offset,
                            const_cast<float*>(in[1].data()) + offset};
        float* outputs[2] = {check[0].data(), check[1].data()};
        effect->processReplacing(inputs, outputs, frames);
        for (int i = 0; i < frames; ++i) {
            for (int k = 0; k < 2; ++k) {
                const float mine = again.sample(k, in[k][offset + static_cast<size_t>(i)]);
                differing += std::memcmp(&mine, &check[k][static_cast<size_t>(i)], sizeof mine) != 0;
            }
        }
    }
    return ns / (2.0 * blocks * frames);
}

}  // namespace

int main(int argc, char** argv) {
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
    std::printf("| kernel | setting | path | ns per sample | x faster than reference | x faster than C library |\n"
                "|---|---|---|---:|---:|---:|\n");
    for (const Setting& setting : settings) {
        for (bool sine : {true, false}) {
            std::vector<double> best(paths.size(), 1e30);
            double plain = 1e30;
            long differing = 0;
            for (int round = 0; round < 5; ++round) {
                plain = std::min(plain, plainNsPerSample(setting, sine, in, differing));
                for (size_t p = 0; p < paths.size(); ++p) {
                    best[p] = std::min(best[p], nsPerSample(paths[p], setting, sine, in));
                }
            }
            const char* kernel = sine ? "sine" : "cosine";
            std::printf("| replaceStereo.%s | %s | C library (%ld of %d samples differ) | %.2f | %.1f | 1.0 |\n",
                        kernel, setting.name, differing, 2 * 128 * frames, plain, best[0] / plain);
            for (size_t p = 0; p < paths.size(); ++p) {
                std::printf("| replaceStereo.%s | %s | %s | %.2f | %.1f | %.1f |\n", kernel,
                            setting.name, Ondulaxis::kernelPathName(paths[p]), best[p],
                            best[0] / best[p], plain / best[p]);
            }
        }
    }
    if (argc > 1 && std::strcmp(argv[1], "--paused") == 0) {
        // Each block after 10 ms (a host at 512 frames and 48 kHz), the paths
        // taking turns; against the back-to-back figures above.
        std::printf("\nOne 512-frame block after a 10 ms pause, the median of 101, ns per sample:\n\n"
                    "| kernel | setting | path | after a pause |\n|---|---|---|---:|\n");
        for (const Setting& setting : settings) {
            for (bool sine : {true, false}) {
                for (Path path : paths) {
                    std::printf("| replaceStereo.%s | %s | %s | %.2f |\n", sine ? "sine" : "cosine",
                                setting.name, Ondulaxis::kernelPathName(path),
                                pausedNsPerSample(path, setting, sine, in, std::chrono::milliseconds(10)));
                }
            }
        }
    }
}
