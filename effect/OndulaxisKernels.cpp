// The reference kernels: the per-sample distortion and its block loops, one
// sample after another. The vector kernels are checked against these. Values
// are carried in double and rounded to float at fixed points, so results do
// not depend on how the compiler schedules the arithmetic (this file is built
// without contraction).
#include <cmath>
#include <cstdint>
#include <cstring>

#include "kernels/KernelMath.h"
#include "Ondulaxis.h"

namespace {

using kernelMath::narrow;
using kernelMath::widen;

template <bool accumulate>
inline void store(float& output, float value) noexcept {
    if constexpr (accumulate) {
        output = output + value;
    } else {
        output = value;
    }
}

// Bypass copies the exact bits, NaN payloads and the sign of zero included.
template <bool accumulate>
inline void pass(float& output, const float& input) noexcept {
    if constexpr (accumulate) {
        output = output + input;
    } else {
        // Through an integer: the two may be the same sample (in-place).
        uint32_t bits;
        std::memcpy(&bits, &input, sizeof bits);
        std::memcpy(&output, &bits, sizeof output);
    }
}

}  // namespace

inline void Ondulaxis::trackSample(float in, float& state) noexcept {
    state = kernelMath::slewStep(widen(in) * widen(working.inGain), state, working.slewLimit);
}

inline float Ondulaxis::processSampleZeroX(float in, float& state) noexcept {
    const double gained = widen(in) * widen(working.inGain);
    state = kernelMath::slewStep(gained, state, working.slewLimit);
    return kernelMath::shapeSine(
        narrow(gained), state,
        {working.funcMix, working.ampMin, working.freqMin, working.freqDif, working.outGain,
         working.ampRange, working.freqDifLog});
}

inline float Ondulaxis::processSampleRaisedCosine(float in, float& state) noexcept {
    const double gained = widen(in) * widen(working.inGain);
    state = kernelMath::slewStep(gained, state, working.slewLimit);
    return kernelMath::shapeRaisedCosine(
        narrow(gained), state,
        {working.funcMix, working.ampMin, working.freqMin, working.freqDif, working.outGain,
         working.ampRange, working.freqDifLog});
}

// A mono kernel touches only the A pointers.
template <Ondulaxis::Shape shape, bool accumulate, int channels>
void Ondulaxis::distort(float* inputA, float* inputB, float* outputA, float* outputB,
                        int32_t sampleFrames) noexcept {
    for (int32_t i = 0; i < sampleFrames; ++i) {
        store<accumulate>(outputA[i], (this->*shape)(inputA[i], slewState[0]));
        if constexpr (channels == 2) store<accumulate>(outputB[i], (this->*shape)(inputB[i], slewState[1]));
    }
}

template <bool accumulate, int channels>
void Ondulaxis::passTracked(float* inputA, float* inputB, float* outputA, float* outputB,
                            int32_t sampleFrames) noexcept {
    for (int32_t i = 0; i < sampleFrames; ++i) {
        trackSample(inputA[i], slewState[0]);
        if constexpr (channels == 2) trackSample(inputB[i], slewState[1]);
        pass<accumulate>(outputA[i], inputA[i]);
        if constexpr (channels == 2) pass<accumulate>(outputB[i], inputB[i]);
    }
}

// ZeroX picks the shape once per block.
template <bool accumulate, int channels, bool bypass>
void Ondulaxis::referenceKernel(float* inputA, float* inputB, float* outputA, float* outputB,
                                int32_t sampleFrames) noexcept {
    if constexpr (bypass) {
        passTracked<accumulate, channels>(inputA, inputB, outputA, outputB, sampleFrames);
    } else if (working.zeroCrossMode) {
        distort<&Ondulaxis::processSampleZeroX, accumulate, channels>(inputA, inputB, outputA, outputB, sampleFrames);
    } else {
        distort<&Ondulaxis::processSampleRaisedCosine, accumulate, channels>(inputA, inputB, outputA, outputB,
                                                                             sampleFrames);
    }
}

void Ondulaxis::idle(float*, float*, float*, float*, int32_t) noexcept {}

const Ondulaxis::Kernel Ondulaxis::replaceKernels[kernelCount] = {
    &Ondulaxis::referenceKernel<false, 1, false>, &Ondulaxis::referenceKernel<false, 1, true>,
    &Ondulaxis::referenceKernel<false, 2, false>, &Ondulaxis::referenceKernel<false, 2, true>, &Ondulaxis::idle,
};

const Ondulaxis::Kernel Ondulaxis::accumulateKernels[kernelCount] = {
    &Ondulaxis::referenceKernel<true, 1, false>, &Ondulaxis::referenceKernel<true, 1, true>,
    &Ondulaxis::referenceKernel<true, 2, false>, &Ondulaxis::referenceKernel<true, 2, true>, &Ondulaxis::idle,
};
