// Where the distorting kernels' time goes, stage by stage, on every kernel
// path this processor runs: stereo, chunks of 256 frames of music-like input,
// at the ordinary and extreme settings of kernel_bench, sine and raised
// cosine. Prints one table: nanoseconds per sample and each stage's share.
//   build/bench/kernel_stages
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "BenchSignal.h"
#include "EffectTestSupport.h"
#include "KernelStages.h"

namespace {

using Path = Ondulaxis::KernelPath;

struct Setting {
    const char* name;
    std::vector<std::pair<ParameterIndex, float>> values;
};


StageSetting stageSetting(const Setting& setting, bool sine, const std::vector<float>* in) {
    FakeHost::connect(true, true, true, true);
    auto effect = std::make_unique<Ondulaxis>(&FakeHost::callback);
    for (const auto& [index, value] : setting.values) {
        effect->setParameter(index, value);
    }
    effect->resume();
    runEmptyBlock(*effect);
    const Coefficients c = OndulaxisTestAccess::coefficients(*effect);
    return {sine,        c.inGain,  c.slewLimit, c.funcMix,    c.ampMin,
            c.freqMin,   c.freqDif, c.outGain,   c.ampRange,   c.freqDifLog,
            {in[0].data(), in[1].data()}, static_cast<int>(in[0].size())};
}

}  // namespace

int main() {
    const Setting settings[] = {
        {"ordinary", {{InGain, 0.25f}, {SlewLim, 1.0f}, {FreqDif, 0.7f}}},
        {"extreme", {{InGain, 1.0f}, {SlewLim, 1.0f}, {FreqDif, 1.0f}, {FreqMin, 1.0f}}}};
    const std::vector<float> in[2] = {music(1), music(2)};
    const std::pair<Path, StageTimes (*)(const StageSetting&)> paths[] = {
        {Path::generic, genericStages}, {Path::avx2, avx2Stages}, {Path::avx512, avx512Stages}};
    std::printf("ns per sample (share of the total). pow and wave: the pow and the sine or cosine\n"
                "alone; phase: the phase pass less the pow; mix: the shape pass less the wave.\n\n"
                "| path | setting | kernel | slew | pow | phase, pow guard | wave | mix, guard | fallback | copies | total | samples redone |\n"
                "|---|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const auto& [path, stages] : paths) {
        if (!Ondulaxis::kernelPathRuns(path)) {
            continue;
        }
        for (const Setting& setting : settings) {
            for (bool sine : {true, false}) {
                const StageSetting s = stageSetting(setting, sine, in);
                // Each stage's fastest of nine runs: another program taking the
                // core for a while spoils one stage of one run, not the table.
                StageTimes best = stages(s);
                for (int run = 1; run < 9; ++run) {
                    const StageTimes t = stages(s);
                    for (auto field : {&StageTimes::copy, &StageTimes::slew, &StageTimes::pow,
                                       &StageTimes::phasePass, &StageTimes::wave,
                                       &StageTimes::shapePass, &StageTimes::fallback}) {
                        best.*field = std::min(best.*field, t.*field);
                    }
                }
                const double total =
                    best.copy + best.slew + best.phasePass + best.shapePass + best.fallback;
                const auto cell = [&](double value) {
                    std::printf(" %.2f (%.0f%%) |", value, 100.0 * value / total);
                };
                std::printf("| %s | %s | %s |", Ondulaxis::kernelPathName(path), setting.name,
                            sine ? "sine" : "cosine");
                for (double value : {best.slew, best.pow, best.phasePass - best.pow, best.wave,
                                     best.shapePass - best.wave, best.fallback, best.copy}) {
                    cell(value);
                }
                std::printf(" %.2f | %.2f%% |\n", total, 100.0 * best.redoneShare);
            }
        }
    }
}
