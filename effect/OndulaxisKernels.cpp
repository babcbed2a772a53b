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

template <Ondulaxis::Shape shape, bool accumulate>
void Ondulaxis::distortMono(float* input, float* output, int32_t sampleFrames) noexcept {
    for (int32_t i = 0; i < sampleFrames; ++i) {
        store<accumulate>(output[i], (this->*shape)(input[i], slewState[0]));
    }
}

template <Ondulaxis::Shape shape, bool accumulate>
void Ondulaxis::distortStereo(float* inputA, float* inputB, float* outputA, float* outputB,
                              int32_t sampleFrames) noexcept {
    for (int32_t i = 0; i < sampleFrames; ++i) {
        store<accumulate>(outputA[i], (this->*shape)(inputA[i], slewState[0]));
        store<accumulate>(outputB[i], (this->*shape)(inputB[i], slewState[1]));
    }
}

template <bool accumulate>
void Ondulaxis::passMono(float* input, float* output, int32_t sampleFrames) noexcept {
    for (int32_t i = 0; i < sampleFrames; ++i) {
        trackSample(input[i], slewState[0]);
        pass<accumulate>(output[i], input[i]);
    }
}

template <bool accumulate>
void Ondulaxis::passStereo(float* inputA, float* inputB, float* outputA, float* outputB,
                           int32_t sampleFrames) noexcept {
    for (int32_t i = 0; i < sampleFrames; ++i) {
        trackSample(inputA[i], slewState[0]);
        trackSample(inputB[i], slewState[1]);
        pass<accumulate>(outputA[i], inputA[i]);
        pass<accumulate>(outputB[i], inputB[i]);
    }
}

void Ondulaxis::replaceMono(float* inputA, float*, float* outputA, float*,
                            int32_t sampleFrames) noexcept {
    if (working.zeroCrossMode) {
        distortMono<&Ondulaxis::processSampleZeroX, false>(inputA, outputA, sampleFrames);
    } else {
        distortMono<&Ondulaxis::processSampleRaisedCosine, false>(inputA, outputA, sampleFrames);
    }
}

void Ondulaxis::replaceMonoBypass(float* inputA, float*, float* outputA, float*,
                                  int32_t sampleFrames) noexcept {
    passMono<false>(inputA, outputA, sampleFrames);
}

void Ondulaxis::replaceStereo(float* inputA, float* inputB, float* outputA, float* outputB,
                              int32_t sampleFrames) noexcept {
    if (working.zeroCrossMode) {
        distortStereo<&Ondulaxis::processSampleZeroX, false>(inputA, inputB, outputA, outputB,
                                                             sampleFrames);
    } else {
        distortStereo<&Ondulaxis::processSampleRaisedCosine, false>(inputA, inputB, outputA, outputB,
                                                        sampleFrames);
    }
}

void Ondulaxis::replaceStereoBypass(float* inputA, float* inputB, float* outputA, float* outputB,
                                    int32_t sampleFrames) noexcept {
    passStereo<false>(inputA, inputB, outputA, outputB, sampleFrames);
}

void Ondulaxis::accumulateMono(float* inputA, float*, float* outputA, float*,
                               int32_t sampleFrames) noexcept {
    if (working.zeroCrossMode) {
        distortMono<&Ondulaxis::processSampleZeroX, true>(inputA, outputA, sampleFrames);
    } else {
        distortMono<&Ondulaxis::processSampleRaisedCosine, true>(inputA, outputA, sampleFrames);
    }
}

void Ondulaxis::accumulateMonoBypass(float* inputA, float*, float* outputA, float*,
                                     int32_t sampleFrames) noexcept {
    passMono<true>(inputA, outputA, sampleFrames);
}

void Ondulaxis::accumulateStereo(float* inputA, float* inputB, float* outputA, float* outputB,
                                 int32_t sampleFrames) noexcept {
    if (working.zeroCrossMode) {
        distortStereo<&Ondulaxis::processSampleZeroX, true>(inputA, inputB, outputA, outputB,
                                                            sampleFrames);
    } else {
        distortStereo<&Ondulaxis::processSampleRaisedCosine, true>(inputA, inputB, outputA, outputB,
                                                       sampleFrames);
    }
}

void Ondulaxis::accumulateStereoBypass(float* inputA, float* inputB, float* outputA,
                                       float* outputB, int32_t sampleFrames) noexcept {
    passStereo<true>(inputA, inputB, outputA, outputB, sampleFrames);
}

void Ondulaxis::idle(float*, float*, float*, float*, int32_t) noexcept {}

const Ondulaxis::Kernel Ondulaxis::replaceKernels[kernelCount] = {
    &Ondulaxis::replaceMono,   &Ondulaxis::replaceMonoBypass, &Ondulaxis::replaceStereo,
    &Ondulaxis::replaceStereoBypass, &Ondulaxis::idle,
};

const Ondulaxis::Kernel Ondulaxis::accumulateKernels[kernelCount] = {
    &Ondulaxis::accumulateMono,   &Ondulaxis::accumulateMonoBypass, &Ondulaxis::accumulateStereo,
    &Ondulaxis::accumulateStereoBypass, &Ondulaxis::idle,
};
