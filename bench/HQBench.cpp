// Cost of Ondulaxis HQ at each factor against the plain effect in the same
// run, per stereo frame at the host's rate, with the kernels' share and the
// filters' share timed apart. Prints the table bench/README.md shows.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "OndulaxisHQ.h"
#include "ParameterTables.h"

namespace {

constexpr int32_t blockSize = 512;
constexpr int32_t signalLength = 1 << 15;

// Music-like: three partials and a little noise, peaks near 0.8.
std::vector<float> makeSignal(double shift) {
    std::vector<float> signal(signalLength);
    uint32_t noise = 12345;
    for (int32_t i = 0; i < signalLength; ++i) {
        const double t = i / 48000.0 + shift;
        noise = noise * 1664525u + 1013904223u;
        signal[i] = static_cast<float>(0.45 * std::sin(2 * M_PI * 110 * t) +
                                       0.25 * std::sin(2 * M_PI * 660 * t) +
                                       0.1 * std::sin(2 * M_PI * 3300 * t) +
                                       0.008 * (noise / 4294967296.0 - 0.5));
    }
    return signal;
}

// The kernel benchmark's ordinary setting.
template <class Effect>
std::unique_ptr<Effect> makeEffect(float oversample) {
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
void stream(benchmark::State& state, Effect& effect, int32_t frames, int32_t rate) {
    const std::vector<float> left = makeSignal(0.0), right = makeSignal(0.001);
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

void plain(benchmark::State& state) {
    auto effect = makeEffect<Ondulaxis>(-1.0f);
    stream(state, *effect, blockSize, 1);
}

void hq(benchmark::State& state, int32_t stages) {
    auto effect = makeEffect<OndulaxisHQ>(stages / 4.0f);
    stream(state, *effect, blockSize, 1);
}

// The kernels alone: the plain effect over N times the frames, with the
// slew step it would have at that rate (off here, as in the HQ rows).
void kernels(benchmark::State& state, int32_t stages) {
    auto effect = makeEffect<Ondulaxis>(-1.0f);
    stream(state, *effect, blockSize << stages, 1 << stages);
}

// The filters alone: both channels up and down, chunk by chunk.
void filters(benchmark::State& state, int32_t stages) {
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

std::string name(const char* what, int32_t stages) {
    return std::string(what) + "/" + std::to_string(1 << stages) + "x";
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("plain", plain);
    for (int32_t stages = 1; stages <= oversampling::maxStages; ++stages) {
        benchmark::RegisterBenchmark(name("hq", stages).c_str(), hq, stages);
        benchmark::RegisterBenchmark(name("kernels", stages).c_str(), kernels, stages);
        benchmark::RegisterBenchmark(name("filters", stages).c_str(), filters, stages);
    }
    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& ns = reporter.nsPerFrame;
    if (ns.count("plain") != 0) {
        std::printf("\nns per stereo frame at the host rate (blocks of %d); plain %.2f ns\n", blockSize,
                    ns["plain"]);
        std::printf("%-6s %10s %10s %10s %12s %8s\n", "factor", "kernels", "filters", "HQ",
                    "HQ / plain", "limit");
        for (int32_t stages = 1; stages <= oversampling::maxStages; ++stages) {
            const std::string hqName = name("hq", stages);
            if (ns.count(hqName) == 0) continue;
            std::printf("%-6s %10.2f %10.2f %10.2f %12.2f %8.2f\n",
                        (std::to_string(1 << stages) + "x").c_str(), ns[name("kernels", stages)],
                        ns[name("filters", stages)], ns[hqName], ns[hqName] / ns["plain"],
                        1.25 * (1 << stages));
        }
    }
    benchmark::Shutdown();
    return 0;
}
