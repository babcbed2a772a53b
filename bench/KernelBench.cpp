// Cost of every kernel on every kernel path, per sample, and of the block
// prologue. After the runs it prints one table: each path's figure, its ratio
// to the reference kernel from the same run, and for stereo the real-time
// factor at 48 kHz on one core.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "EffectTestSupport.h"

namespace {

using Path = Ondulaxis::KernelPath;

const char* pathName(Path path) { return Ondulaxis::kernelPathName(path); }

struct Setting {
    const char* name;
    std::vector<std::pair<int32_t, float>> values;
    // A signal with strong high partials and noise, so that the slew limit bites.
    bool bright;
};

// Ordinary: moderate gain and power term, no slew limiting. Extreme: phases
// up to about 1e21. Slew-limited: about half of the steps limited (the
// benchmark reports the share it saw).
const std::vector<Setting> settings = {
    {"ordinary", {{InGain, 0.25f}, {SlewLim, 1.0f}, {FreqDif, 0.7f}}, false},
    {"extreme", {{InGain, 1.0f}, {SlewLim, 1.0f}, {FreqDif, 1.0f}, {FreqMin, 1.0f}}, false},
    {"slewLimited", {{InGain, 0.25f}, {SlewLim, 0.9f}, {FreqDif, 0.7f}}, true},
};

struct Kernel {
    const char* name;
    bool stereo;
    bool accumulate;
    bool bypass;
    float zeroX;
};

const std::vector<Kernel> kernels = {
    {"replaceMono.sine", false, false, false, 1.0f},
    {"replaceMono.cosine", false, false, false, 0.0f},
    {"replaceMonoBypass", false, false, true, 1.0f},
    {"accumulateMono.sine", false, true, false, 1.0f},
    {"accumulateMono.cosine", false, true, false, 0.0f},
    {"accumulateMonoBypass", false, true, true, 1.0f},
    {"replaceStereo.sine", true, false, false, 1.0f},
    {"replaceStereo.cosine", true, false, false, 0.0f},
    {"replaceStereoBypass", true, false, true, 1.0f},
    {"accumulateStereo.sine", true, true, false, 1.0f},
    {"accumulateStereo.cosine", true, true, false, 0.0f},
    {"accumulateStereoBypass", true, true, true, 1.0f},
};

constexpr int signalLength = 1 << 16;

// Music-like input: three partials and noise 40 dB down, peaks near 0.8; the
// bright variant adds a loud partial near 9 kHz and much more noise.
enum class Input { music, bright, decaying };

std::vector<float> makeSignal(uint32_t seed, Input kind) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    std::vector<float> signal(signalLength + 4096);
    for (size_t i = 0; i < signal.size(); ++i) {
        const double t = static_cast<double>(i) / 48000.0;
        double value = 0.45 * std::sin(2 * M_PI * 110 * t) + 0.25 * std::sin(2 * M_PI * 660 * t) +
                       0.1 * std::sin(2 * M_PI * 3300 * t) + 0.008 * noise(random);
        if (kind == Input::bright) {
            value += 0.17 * std::sin(2 * M_PI * 9100 * t) + 0.08 * noise(random);
        }
        if (kind == Input::decaying) {
            // From full scale down to 1e-45 across the buffer, the last part
            // subnormal.
            value *= std::pow(10.0, -45.0 * static_cast<double>(i) / signalLength);
        }
        signal[i] = static_cast<float>(value);
    }
    return signal;
}

const std::vector<float>& signal(int channel, Input kind) {
    static const std::vector<float> signals[3][2] = {
        {makeSignal(1, Input::music), makeSignal(2, Input::music)},
        {makeSignal(1, Input::bright), makeSignal(2, Input::bright)},
        {makeSignal(1, Input::decaying), makeSignal(2, Input::decaying)}};
    return signals[static_cast<int>(kind)][channel];
}

std::unique_ptr<Ondulaxis> makeEffect(Path path, const Kernel& kernel, const Setting& setting) {
    FakeHost::connect(true, kernel.stereo, true, kernel.stereo);
    auto effect = std::make_unique<Ondulaxis>(&FakeHost::callback);
    effect->resume();
    OndulaxisTestAccess::useKernelPath(*effect, path);
    for (const auto& [index, value] : setting.values) {
        effect->setParameter(index, value);
    }
    effect->setParameter(ZeroX, kernel.zeroX);
    effect->setBypass(kernel.bypass);
    runEmptyBlock(*effect);
    return effect;
}

void runKernel(benchmark::State& state, Path path, Kernel kernel, Setting setting, int blockSize,
               bool decaying) {
    auto effect = makeEffect(path, kernel, setting);
    const Input kind = decaying ? Input::decaying : setting.bright ? Input::bright : Input::music;
    const std::vector<float>& left = signal(0, kind);
    const std::vector<float>& right = signal(1, kind);
    std::vector<float> outLeft(blockSize, 0.0f);
    std::vector<float> outRight(blockSize, 0.0f);
    float* outputs[2] = {outLeft.data(), outRight.data()};
    int position = 0;
    for (auto _ : state) {
        float* inputs[2] = {const_cast<float*>(left.data()) + position,
                            const_cast<float*>(right.data()) + position};
        if (kernel.accumulate) {
            effect->process(inputs, outputs, blockSize);
        } else {
            effect->processReplacing(inputs, outputs, blockSize);
        }
        benchmark::DoNotOptimize(outLeft.data());
        benchmark::ClobberMemory();
        position += blockSize;
        if (position + blockSize > signalLength) {
            position = 0;
        }
    }
    const double samples = static_cast<double>(state.iterations()) * blockSize *
                           (kernel.stereo ? 2 : 1);
    state.counters["ns_per_sample"] =
        benchmark::Counter(samples * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The share of slew steps that the limit cut, on the benchmark signal.
double limitedShare(const Setting& setting) {
    auto effect = makeEffect(Path::reference, kernels[0], setting);
    const float limit = OndulaxisTestAccess::coefficients(*effect).slewLimit;
    const float gain = OndulaxisTestAccess::coefficients(*effect).inGain;
    const std::vector<float>& input = signal(0, setting.bright ? Input::bright : Input::music);
    float state = 0.0f;
    int limited = 0;
    for (int i = 0; i < signalLength; ++i) {
        const double x = double{input[i]} * gain;
        const float difference = static_cast<float>(x - state);
        if (std::fabs(difference) > limit) {
            ++limited;
            state = static_cast<float>(state + std::copysign(limit, difference));
        } else {
            state = static_cast<float>(state + difference);
        }
    }
    return static_cast<double>(limited) / signalLength;
}

void prologueOnly(benchmark::State& state) {
    auto effect = makeEffect(Path::reference, kernels[0], settings[0]);
    for (auto _ : state) {
        runEmptyBlock(*effect);
    }
}

void prologueWithChange(benchmark::State& state) {
    auto effect = makeEffect(Path::reference, kernels[0], settings[0]);
    float value = 0.25f;
    for (auto _ : state) {
        effect->setParameter(FuncMix, value);
        runEmptyBlock(*effect);
        value = value == 0.25f ? 0.5f : 0.25f;
    }
}

void prologueWithAllChanges(benchmark::State& state) {
    auto effect = makeEffect(Path::reference, kernels[0], settings[0]);
    float value = 0.25f;
    for (auto _ : state) {
        for (int32_t index = 0; index < paramCount; ++index) {
            effect->setParameter(index, value);
        }
        runEmptyBlock(*effect);
        value = value == 0.25f ? 0.5f : 0.25f;
    }
}

// Collects ns per sample by benchmark name while the console shows the runs.
class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const auto found = run.counters.find("ns_per_sample");
            if (found != run.counters.end() && run.run_type == Run::RT_Iteration) {
                nsPerSample[run.benchmark_name()] = found->second.value;
            } else if (run.run_type == Run::RT_Iteration) {
                nsPerCall[run.benchmark_name()] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> nsPerSample;
    std::map<std::string, double> nsPerCall;
};

std::string kernelName(const Kernel& kernel, const Setting& setting, int blockSize, Path path,
                       bool decaying) {
    return std::string(kernel.name) + "/" + setting.name + (decaying ? "-decaying" : "") + "/" +
           std::to_string(blockSize) + "/" + pathName(path);
}

void printTable(const TableReporter& reporter, const std::vector<Path>& paths) {
    std::printf("\n| kernel | setting | block | reference ns/sample |");
    for (Path path : paths) {
        std::printf(" %s ns/sample (x faster) |", pathName(path));
    }
    std::printf(" stereo real-time factor, best |\n|---|---|---|---:|");
    for (size_t i = 0; i < paths.size(); ++i) {
        std::printf("---:|");
    }
    std::printf("---:|\n");
    for (const Kernel& kernel : kernels) {
        for (const Setting& setting : settings) {
            for (bool decaying : {false, true}) {
                for (int blockSize : {1, 32, 512, 4096}) {
                    const auto reference = reporter.nsPerSample.find(
                        kernelName(kernel, setting, blockSize, Path::reference, decaying));
                    if (reference == reporter.nsPerSample.end()) {
                        continue;
                    }
                    std::printf("| %s | %s%s | %d | %.2f |", kernel.name, setting.name,
                                decaying ? ", decaying" : "", blockSize, reference->second);
                    double best = reference->second;
                    for (Path path : paths) {
                        const auto found = reporter.nsPerSample.find(
                            kernelName(kernel, setting, blockSize, path, decaying));
                        if (found == reporter.nsPerSample.end()) {
                            std::printf(" - |");
                            continue;
                        }
                        best = std::min(best, found->second);
                        std::printf(" %.2f (%.1f) |", found->second,
                                    reference->second / found->second);
                    }
                    if (kernel.stereo) {
                        // Two samples per frame, 48000 frames per second.
                        std::printf(" %.0f |\n", 1e9 / (best * 2 * 48000.0));
                    } else {
                        std::printf(" - |\n");
                    }
                }
            }
        }
    }
    // The bypass kernels with slew limiting off against the serial tracking
    // loop (the reference bypass kernel), the target being 10x.
    bool header = false;
    for (const Kernel& kernel : kernels) {
        if (!kernel.bypass) {
            continue;
        }
        for (int blockSize : {32, 512, 4096}) {
            const auto reference = reporter.nsPerSample.find(
                kernelName(kernel, settings[0], blockSize, Path::reference, false));
            if (reference == reporter.nsPerSample.end()) {
                continue;
            }
            for (Path path : paths) {
                const auto found = reporter.nsPerSample.find(
                    kernelName(kernel, settings[0], blockSize, path, false));
                if (found == reporter.nsPerSample.end()) {
                    continue;
                }
                if (!header) {
                    std::printf("\nbypass, slew limiting off, x faster than the serial tracking loop "
                                "(target 10):\n");
                    header = true;
                }
                std::printf("  %s %d %s: %.1f\n", kernel.name, blockSize, pathName(path),
                            reference->second / found->second);
            }
        }
    }
    for (const auto& [name, ns] : reporter.nsPerCall) {
        std::printf("| %s | | | %.1f ns per block |\n", name.c_str(), ns);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<Path> paths;
    for (Path path : {Path::generic, Path::avx2, Path::avx512}) {
        if (Ondulaxis::kernelPathRuns(path)) {
            paths.push_back(path);
        }
    }
    std::vector<Path> all = {Path::reference};
    all.insert(all.end(), paths.begin(), paths.end());
    for (const Kernel& kernel : kernels) {
        for (const Setting& setting : settings) {
            for (int blockSize : {1, 32, 512, 4096}) {
                for (Path path : all) {
                    benchmark::RegisterBenchmark(
                        kernelName(kernel, setting, blockSize, path, false).c_str(), runKernel,
                        path, kernel, setting, blockSize, false);
                }
            }
        }
        // Subnormal input, at ordinary settings.
        for (Path path : all) {
            benchmark::RegisterBenchmark(kernelName(kernel, settings[0], 512, path, true).c_str(),
                                         runKernel, path, kernel, settings[0], 512, true);
        }
    }
    benchmark::RegisterBenchmark("prologue/no change", prologueOnly);
    benchmark::RegisterBenchmark("prologue/one pending change", prologueWithChange);
    benchmark::RegisterBenchmark("prologue/eight pending changes", prologueWithAllChanges);

    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nslew-limited setting: %.0f%% of the steps limited\n",
                100.0 * limitedShare(settings[2]));
    printTable(reporter, paths);
    benchmark::Shutdown();
    return 0;
}
