// The vector kernels' block loops. Included by one file per instruction set,
// after that file has defined its `Math` (vector types, a lane test, and the
// vector pow, sine and cosine). Everything here has internal linkage or is
// instantiated with that file's own Math, so no code is shared between
// instruction sets.
//
// A block runs in chunks on the stack, so any block size works and nothing is
// allocated. Per chunk: the input is copied (the host may process in place),
// the tracked values are found (the only serial part, and with slew limiting
// off checked in parallel instead), then power, phase,
// sinusoid and mix run as vector code over whole vectors, the tail padded, so
// the result never depends on where the host cuts its blocks.
//
// Bypass needs no chunks: it keeps only the last tracked value and reads the
// host's buffers directly.
//
// The chunk's buffers are in ChunkBuffers.h, the tracked values (and
// bypass's) in SlewTracking.h, power, phase, sinusoid and the guards in
// ChunkShaping.h; here the block loops and the choice of the reference
// kernels for blocks the vector ones do not take.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "ChunkBuffers.h"
#include "ChunkShaping.h"
#include "SlewTracking.h"
#include "KernelMath.h"
#include "Ondulaxis.h"
#include "ParameterCurves.h"

namespace {
namespace chunked {

// Blocks this short cost less one sample after another: they go through the
// reference kernels, whose results the vector kernels equal bit for bit.
constexpr int32_t shortBlock = 4;

template <class Math, bool accumulate>
inline void passThrough(float* output, const float* input, int count) noexcept {
    if constexpr (accumulate) {
        using Floats = typename Lanes<Math>::Floats;
        constexpr int width = Math::width;
        int i = 0;
        for (; i + width <= count; i += width) {
            store(output + i, load<Floats>(output + i) + load<Floats>(input + i));
        }
        for (; i < count; ++i) {
            output[i] = output[i] + input[i];
        }
    } else if (output != input) {
        std::memmove(output, input, static_cast<size_t>(count) * sizeof(float));
    }
}

// Whether the n samples at a and at b share any byte.
inline bool overlap(const float* a, const float* b, int32_t n) noexcept {
    const auto first = reinterpret_cast<uintptr_t>(a);
    const auto second = reinterpret_cast<uintptr_t>(b);
    const auto bytes = static_cast<uintptr_t>(n) * sizeof(float);
    return first < second + bytes && second < first + bytes;
}

// The vector kernels read a chunk of every input before they write any
// output, while the reference reads and writes channel A of a sample before it
// reads channel B. The two agree when each output is its own channel's input
// (in place) or lies apart from every input and from the other output; any
// other overlap (output A is input B, output B is input A, buffers shifted
// against each other) takes the reference kernels.
template <int channels>
inline bool separateBuffers(const float* inputA, const float* inputB, const float* outputA,
                            const float* outputB, int32_t n) noexcept {
    const auto apart = [n](const float* output, const float* input, bool sameChannel) {
        return (sameChannel && output == input) || !overlap(output, input, n);
    };
    if (channels == 1) {
        return apart(outputA, inputA, true);
    }
    return apart(outputA, inputA, true) && apart(outputB, inputB, true) &&
           apart(outputA, inputB, false) && apart(outputB, inputA, false) &&
           (outputA == outputB || !overlap(outputA, outputB, n));
}

// The rounding guard is reasoned for any finite coefficients; the handlers
// give infinities, or exponents beyond the vector pow's reach, only for
// parameter values far outside 0 to 1, and such a block is left to the
// reference.
inline bool finiteCoefficients(const Coefficients& c) noexcept {
    const kernelMath::Shaping& k = c.shaping;
    for (float value : {c.inGain, c.slewLimit, k.funcMix, k.ampMin, k.freqMin, k.freqDif, k.outGain,
                        k.ampRange, k.freqDifLog}) {
        if (!std::isfinite(value)) {
            return false;
        }
    }
    // The vector pow's bound holds for the exponents FreqDif gives (below
    // 7.02); values far outside 0 to 1 can give up to 128.
    return k.freqDifLog <= 7.02f;
}

}  // namespace chunked
}  // namespace

// Out of line: its stack frame is large, and short blocks should not pay for it.
template <class Math, bool accumulate, int channels>
[[gnu::noinline]] void Ondulaxis::chunkedDistort(float* const* inputs, float* const* outputs,
                               int32_t sampleFrames) noexcept {
    const chunked::Coefficients c{working.inGain, working.slewLimit,
                                  {working.funcMix, working.ampMin, working.freqMin, working.freqDif,
                                   working.outGain, working.ampRange, working.freqDifLog}};
    chunked::Channel<Math> channel[channels];
    for (int32_t start = 0; start < sampleFrames; start += chunked::chunkSize) {
        const int count = static_cast<int>(std::min<int32_t>(chunked::chunkSize, sampleFrames - start));
        int padded = 0;
        for (int k = 0; k < channels; ++k) {
            padded = chunked::loadChunk(channel[k], inputs[k] + start, count);
        }
        chunked::track<Math, channels>(channel, slewState, count, padded, c);
        for (int k = 0; k < channels; ++k) {
            if (working.zeroCrossMode) {
                chunked::shape<Math, true>(channel[k], count, padded, c);
            } else {
                chunked::shape<Math, false>(channel[k], count, padded, c);
            }
        }
        for (int k = 0; k < channels; ++k) {
            chunked::storeChunk<accumulate>(outputs[k] + start, channel[k].output, count);
        }
    }
}

// Bypass: the output is the input, so only the tracked values at the end of
// the block are needed, straight from the host's buffers.
template <class Math, bool accumulate, int channels>
void Ondulaxis::chunkedPass(float* const* inputs, float* const* outputs,
                            int32_t sampleFrames) noexcept {
    const chunked::Coefficients c{working.inGain, working.slewLimit, {}};
    const int count = static_cast<int>(sampleFrames);
    // Tracking reads every input before any output is written, as in-place
    // buffers need.
    if (working.slewLimit >= parameterCurves::slewOff) {
        for (int k = 0; k < channels; ++k) {
            slewState[k] = chunked::finalUnlimited<Math>(inputs[k], count, slewState[k], c);
        }
    } else {
        // Bypass needs only the last tracked value.
        chunked::stepSerially<channels>(inputs, slewState, count, c, [](int, int, float) {});
    }
    for (int k = 0; k < channels; ++k) {
        chunked::passThrough<Math, accumulate>(outputs[k], inputs[k], count);
    }
}

// Blocks too short for a vector go to the reference kernel of the same row;
// so do blocks whose buffers or coefficients the vector kernels cannot take.
template <class Math, bool accumulate, int channels, bool bypass>
void Ondulaxis::chunkedKernel(float* inputA, float* inputB, float* outputA, float* outputB,
                              int32_t sampleFrames) noexcept {
    const chunked::Coefficients c{working.inGain, working.slewLimit,
                                  {working.funcMix, working.ampMin, working.freqMin, working.freqDif,
                                   working.outGain, working.ampRange, working.freqDifLog}};
    if (sampleFrames < chunked::shortBlock ||
        !chunked::separateBuffers<channels>(inputA, inputB, outputA, outputB, sampleFrames) ||
        !chunked::finiteCoefficients(c)) {
        constexpr int32_t row = (channels == 2 ? 2 : 0) + (bypass ? 1 : 0);
        const Kernel reference = (accumulate ? accumulateKernels : replaceKernels)[row];
        (this->*reference)(inputA, inputB, outputA, outputB, sampleFrames);
        return;
    }
    // A mono kernel reads only the first of each.
    float* const inputs[2] = {inputA, inputB};
    float* const outputs[2] = {outputA, outputB};
    if constexpr (bypass) {
        chunkedPass<Math, accumulate, channels>(inputs, outputs, sampleFrames);
    } else {
        chunkedDistort<Math, accumulate, channels>(inputs, outputs, sampleFrames);
    }
}

template <class Math>
Ondulaxis::KernelTables Ondulaxis::chunkedKernelTables() noexcept {
    static constexpr Kernel replace[kernelCount] = {
        &Ondulaxis::chunkedKernel<Math, false, 1, false>,
        &Ondulaxis::chunkedKernel<Math, false, 1, true>,
        &Ondulaxis::chunkedKernel<Math, false, 2, false>,
        &Ondulaxis::chunkedKernel<Math, false, 2, true>,
        &Ondulaxis::idle,
    };
    static constexpr Kernel accumulate[kernelCount] = {
        &Ondulaxis::chunkedKernel<Math, true, 1, false>,
        &Ondulaxis::chunkedKernel<Math, true, 1, true>,
        &Ondulaxis::chunkedKernel<Math, true, 2, false>,
        &Ondulaxis::chunkedKernel<Math, true, 2, true>,
        &Ondulaxis::idle,
    };
    return {Math::path, replace, accumulate};
}
