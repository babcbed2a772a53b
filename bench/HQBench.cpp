// Cost of Ondulaxis HQ at each factor against the plain effect in the same
// run, per stereo frame at the host's rate, with the kernels' share and the
// filters' share timed apart, on every kernel path the processor runs (the
// filters take the width that path implies), and HQ again on a subnormal
// input. Prints the tables bench/README.md shows.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "OndulaxisHQ.h"
#include "ParameterIndex.h"

namespace {

constexpr int32_t blockSize = 512;
constexpr int32_t signalLength = 1 << 15;

// Music-like: three partials and a little noise, peaks near 0.8; scaled by
// `scale` (1e-39 makes every sample subnormal, as in a decaying tail).
std::vector<float> makeSignal(double shift, double scale = 1.0) {
    std::vector<float> signal(signalLength);
    uint32_t noise = 12345;
    for (int32_t i = 0; i < signalLength; ++i) {
        const double t = i / 48000.0 + shift;
        noise = noise * 1664525u + 1013904223u;
        signal[i] = static_cast<float>(0.45 * std::sin(2 * M_PI * 110 * t) +
                                       0.25 * std::sin(2 * M_PI * 660 * t) +
                                       0.1 * std::sin(2 * M_PI * 3300 * t) +
                                       0.008 * (noise / 4294967296.0 - 0.5)) *
                    static_cast<float>(scale);
    }
    return signal;
}

// The kernel benchmark's ordinary setting.
// The kernel path, and with it the filters' width, is chosen at construction.
template <class Effect>
std::unique_ptr<Effect> makeEffect(const char* path, float oversample) {
#if defined(_WIN32)
    _putenv_s("ONDULAXIS_KERNELS", path);
#else
    setenv("ONDULAXIS_KERNELS", path, 1);
#endif
    auto effect = std::make_unique<Effect>(nullptr);
    effect->dispatcher(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    effect->dispatcher(effSetBlockSize, 0, blockSize, nullptr, 0.0f);
    effect->dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
    effect->setParameter(InGain, 0.25f);
    effect->setParameter(SlewLim, 1.0f);
    effect->setParameter(FreqDif, 0.7f);
    if (oversample >= 0.0f) effect->setParameter(OndulaxisHQ::oversampleIndex, oversample);
    return effect;
}

// Streams the signal through `effect` in blocks of `frames`; the figure is
// per host-rate stereo frame, `rate` frames of effect input standing for one.
template <class Effect>
void stream(benchmark::State& state, Effect& effect, int32_t frames, int32_t rate,
            double scale = 1.0) {
    const std::vector<float> left = makeSignal(0.0, scale), right = makeSignal(0.001, scale);
    std::vector<float> outLeft(frames), outRight(frames);
    int32_t position = 0;
    for (auto _ : state) {
        float* inputs[2] = {const_cast<float*>(left.data()) + position,
                            const_cast<float*>(right.data()) + position};
        float* outputs[2] = {outLeft.data(), outRight.data()};
        effect.processReplacing(inputs, outputs, frames);
        benchmark::ClobberMemory();
        position = position + 2 * frames > signalLength ? 0 : position + frames;
    }
    state.counters["ns_per_frame"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * frames / rate * 1e-9,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

constexpr double subnormal = 1e-39;

void plain(benchmark::State& state, const char* path) {
    auto effect = makeEffect<Ondulaxis>(path, -1.0f);
    stream(state, *effect, blockSize, 1);
}

void hq(benchmark::State& state, const char* path, int32_t stages) {
    auto effect = makeEffect<OndulaxisHQ>(path, stages / 4.0f);
    stream(state, *effect, blockSize, 1);
}

void hqSubnormal(benchmark::State& state, const char* path, int32_t stages) {
    auto effect = makeEffect<OndulaxisHQ>(path, stages / 4.0f);
    stream(state, *effect, blockSize, 1, subnormal);
}

// The kernels alone: the plain effect over N times the frames, with the
// slew step it would have at that rate (off here, as in the HQ rows).
void kernels(benchmark::State& state, const char* path, int32_t stages) {
    auto effect = makeEffect<Ondulaxis>(path, -1.0f);
    stream(state, *effect, blockSize << stages, 1 << stages);
}

// The filters alone: both channels up and down, chunk by chunk.
void filters(benchmark::State& state, const char* path, int32_t stages) {
    makeEffect<Ondulaxis>(path, -1.0f);
    oversampling::ChannelResampler chains[2];
    const std::vector<float> signal = makeSignal(0.0);
    std::vector<float> work(oversampling::chunkFrames * oversampling::maxFactor);
    std::vector<float> out(oversampling::chunkFrames);
    int32_t position = 0;
    for (auto _ : state) {
        for (int32_t start = 0; start < blockSize; start += oversampling::chunkFrames) {
            for (auto& chain : chains) {
                chain.up(stages, signal.data() + position + start, work.data(), oversampling::chunkFrames);
                chain.down(stages, work.data(), out.data(), oversampling::chunkFrames);
            }
        }
        benchmark::ClobberMemory();
        position = position + 2 * blockSize > signalLength ? 0 : position + blockSize;
    }
    state.counters["ns_per_frame"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * blockSize * 1e-9,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // With --benchmark_repetitions the median stands for each benchmark.
        for (const Run& run : runs) {
            const auto found = run.counters.find("ns_per_frame");
            if (found == run.counters.end()) continue;
            if (run.run_type == Run::RT_Iteration && runs.size() == 1) {
                nsPerFrame[run.benchmark_name()] = found->second.value;
            } else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                nsPerFrame[run.run_name.str()] = found->second.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> nsPerFrame;
};

std::string name(const char* path, const char* what, int32_t stages) {
    return std::string(path) + "/" + what + "/" + std::to_string(1 << stages) + "x";
}

// The paths the generic build holds beside the reference one.
constexpr Ondulaxis::KernelPath paths[] = {Ondulaxis::KernelPath::generic,
                                           Ondulaxis::KernelPath::avx2,
                                           Ondulaxis::KernelPath::avx512};

}  // namespace

int main(int argc, char** argv) {
    for (Ondulaxis::KernelPath kernelPath : paths) {
        if (!Ondulaxis::kernelPathRuns(kernelPath)) continue;
        const char* path = Ondulaxis::kernelPathName(kernelPath);
        benchmark::RegisterBenchmark((std::string(path) + "/plain").c_str(), plain, path);
        for (int32_t stages = 1; stages <= oversampling::maxStages; ++stages) {
            benchmark::RegisterBenchmark(name(path, "hq", stages).c_str(), hq, path, stages);
            benchmark::RegisterBenchmark(name(path, "kernels", stages).c_str(), kernels, path,
                                         stages);
            benchmark::RegisterBenchmark(name(path, "filters", stages).c_str(), filters, path,
                                         stages);
            benchmark::RegisterBenchmark(name(path, "hq_subnormal", stages).c_str(), hqSubnormal,
                                         path, stages);
        }
    }
    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& ns = reporter.nsPerFrame;
    for (Ondulaxis::KernelPath kernelPath : paths) {
        const char* path = Ondulaxis::kernelPathName(kernelPath);
        const std::string plainName = std::string(path) + "/plain";
        if (ns.count(plainName) == 0) continue;
        std::printf("\n%s: ns per stereo frame at the host rate (blocks of %d); plain %.2f ns\n",
                    path, blockSize, ns[plainName]);
        std::printf("%-6s %10s %10s %10s %12s %8s %12s %12s\n", "factor", "kernels", "filters",
                    "HQ", "HQ / plain", "limit", "subnormal", "sub / normal");
        for (int32_t stages = 1; stages <= oversampling::maxStages; ++stages) {
            const std::string hqName = name(path, "hq", stages);
            if (ns.count(hqName) == 0) continue;
            const double sub = ns[name(path, "hq_subnormal", stages)];
            std::printf("%-6s %10.2f %10.2f %10.2f %12.2f %8.2f %12.2f %12.2f\n",
                        (std::to_string(1 << stages) + "x").c_str(),
                        ns[name(path, "kernels", stages)],
                        ns[name(path, "filters", stages)], ns[hqName], ns[hqName] / ns[plainName],
                        1.25 * (1 << stages), sub, sub / ns[hqName]);
        }
    }
    benchmark::Shutdown();
    return 0;
}
