// The kernels' chunk loop (Ondulaxis::chunkedDistort) with a clock read
// between its stages, for one instruction set's Math. Included by that set's
// kernel_stages file, after its Math.
#pragma once

#include <x86intrin.h>

#include <chrono>

#include "KernelStages.h"
#include "kernels/ChunkKernels.h"

namespace {

template <class Math, bool sine>
void waveAlone(const chunked::Channel<Math>& channel, int padded, bool allNear, double* out) noexcept {
    using L = chunked::Lanes<Math>;
    using Doubles = typename L::Doubles;
    using Floats = typename L::Floats;
    const farWaves::Turns& turns = farWaves::turns();
    for (int i = 0; i < padded; i += Math::width) {
        const Floats phase = chunked::load<Floats>(channel.phase + i);
        const Doubles p = allNear ? L::widen(phase) : farReduction::reduce<Doubles>(phase, turns);
        chunked::store(out + i, sine ? vectorMath::sinNear(p) : vectorMath::cosNear(p));
    }
}

template <class Math>
void powAlone(const chunked::Channel<Math>& channel, int padded, double exponent, double* parts,
              double* out) noexcept {
    using L = chunked::Lanes<Math>;
    using Doubles = typename L::Doubles;
    using Floats = typename L::Floats;
    int whole = 0;
    const vectorMath::PowKind kind = vectorMath::powKind(exponent, whole);
    for (int i = 0; i < padded; i += Math::width) {
        const Doubles base = L::abs(L::widen(chunked::load<Floats>(channel.history + 1 + i)));
        if (kind == vectorMath::PowKind::identity) {
            chunked::store(out + i, base);
        } else if (kind == vectorMath::PowKind::integer) {
            chunked::store(out + i, vectorMath::powInteger(base, whole));
        } else {
            const auto split = vectorMath::powParts(base, exponent);
            chunked::store(out + i, split.n);
            chunked::store(parts + i, split.f);
        }
    }
    if (kind == vectorMath::PowKind::general) {
        for (int i = 0; i < padded; i += Math::width) {
            const Doubles base = L::abs(L::widen(chunked::load<Floats>(channel.history + 1 + i)));
            chunked::store(out + i, vectorMath::powFromParts(
                                        base, {chunked::load<Doubles>(out + i),
                                               chunked::load<Doubles>(parts + i)}));
        }
    }
}

template <class Math, bool sine>
StageTimes timeStagesOf(const StageSetting& s) {
    using namespace chunked;
    const Coefficients c{s.inGain, s.slewLimit,
                         {s.funcMix, s.ampMin, s.freqMin, s.freqDif, s.outGain, s.ampRange, s.freqDifLog}};
    static Channel<Math> channel[2];
    alignas(64) static double scratch[2][chunkSize];
    alignas(64) static float output[2][chunkSize];
    float state[2] = {0.0f, 0.0f};
    unsigned long long ticks[8] = {};
    long lanes = 0;
    long redone = 0;
    int whole = 0;
    const vectorMath::PowKind kind = vectorMath::powKind(c.shaping.freqDifLog, whole);
    const auto started = std::chrono::steady_clock::now();
    const unsigned long long first = __rdtsc();
    for (int round = 0; round < 8; ++round) {
        for (int start = 0; start < s.length; start += chunkSize) {
            unsigned long long t = __rdtsc();
            const auto lap = [&](int stage) {
                const unsigned long long now = __rdtsc();
                ticks[stage] += now - t;
                t = now;
            };
            int padded = 0;
            for (int k = 0; k < 2; ++k) {
                padded = loadChunk(channel[k], s.input[k] + start, chunkSize);
            }
            lap(0);
            track<Math, 2>(channel, state, chunkSize, padded, c);
            lap(1);
            for (int k = 0; k < 2; ++k) {
                powAlone(channel[k], padded, c.shaping.freqDifLog, scratch[0], scratch[1]);
                lap(2);
                const bool allNear =
                    kind == vectorMath::PowKind::identity  ? phasePass<Math, vectorMath::PowKind::identity>(channel[k], padded, c, whole)
                    : kind == vectorMath::PowKind::integer ? phasePass<Math, vectorMath::PowKind::integer>(channel[k], padded, c, whole)
                                                           : phasePass<Math, vectorMath::PowKind::general>(channel[k], padded, c, whole);
                lap(3);
                waveAlone<Math, sine>(channel[k], padded, allNear, scratch[0]);
                lap(4);
                if (allNear) {
                    shapePass<Math, sine, Waves::direct>(channel[k], padded, c);
                } else {
                    shapePass<Math, sine, Waves::reduced>(channel[k], padded, c);
                }
                lap(5);
                for (int v = 0; v < padded / Math::width; ++v) {
                    redone += __builtin_popcount(channel[k].suspect[v]);
                }
                lanes += padded;
                redoSuspects<Math, sine>(channel[k], chunkSize, c);
                lap(6);
            }
            for (int k = 0; k < 2; ++k) {
                storeChunk<false>(output[k], channel[k].output, chunkSize);
            }
            lap(0);
            asm volatile("" : : "r"(output) : "memory");
        }
    }
    const double ns =
        std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - started).count();
    const double perTick = ns / static_cast<double>(__rdtsc() - first);
    const double perSample = perTick / (8.0 * 2.0 * s.length);
    StageTimes times{};
    times.copy = ticks[0] * perSample;
    times.slew = ticks[1] * perSample;
    times.pow = ticks[2] * perSample;
    times.phasePass = ticks[3] * perSample;
    times.wave = ticks[4] * perSample;
    times.shapePass = ticks[5] * perSample;
    times.fallback = ticks[6] * perSample;
    times.redoneShare = static_cast<double>(redone) / static_cast<double>(lanes);
    return times;
}

template <class Math>
StageTimes timeStages(const StageSetting& s) {
    return s.sine ? timeStagesOf<Math, true>(s) : timeStagesOf<Math, false>(s);
}

}  // namespace
