// The per-sample arithmetic of the distortion: used by the reference kernels
// and by the vector kernels, which fall back to it for the rare sample whose
// rounding they cannot prove. Values are carried in double and rounded to
// float at fixed points; files that include this are built without
// contraction, so the results do not depend on instruction scheduling.
//
// Internal linkage on purpose: every kernel file is compiled for its own
// instruction set, and a shared out-of-line copy could hand AVX code to a
// processor without it.
#pragma once

#include <cmath>
#include <limits>

#include "kernels/ExactPower.h"
#include "kernels/ExactWaves.h"

namespace {
namespace kernelMath {

inline double widen(float value) noexcept { return static_cast<double>(value); }
inline float narrow(double value) noexcept { return static_cast<float>(value); }

// The shaping coefficients, as the kernels read them for one block.
struct Shaping {
    float funcMix, ampMin, freqMin, freqDif, outGain, ampRange, freqDifLog;
};

// Moves the tracked value towards x by at most `limit`. A NaN difference fails
// the comparison and steps by the full limit with the NaN's sign bit, so the
// tracked value stays finite whatever arrives.
inline float slewStep(double x, float state, float limit) noexcept {
    const float difference = narrow(x - widen(state));
    const float magnitude = limit >= std::fabs(difference) ? std::fabs(difference) : limit;
    return narrow(widen(state) + widen(std::copysign(magnitude, difference)));
}

// 4x^2 / (1 + 4x^2): 0 at silence, towards 1 for loud input. Double keeps 4x^2
// finite for any float x.
inline float envelope(float x) noexcept {
    const double t = 4.0 * std::fabs(widen(x)) * std::fabs(widen(x));
    return narrow(t / (1.0 + t));
}

// Quiet input would give outputs below the smallest normal float, and
// subnormal samples slow down every processor after this one; they become
// zeros of the same sign. NaN passes unchanged.
inline float flushSubnormal(float y) noexcept {
    return std::fabs(y) < std::numeric_limits<float>::min() ? std::copysign(0.0f, y) : y;
}

// A loud but finite input can carry the phase past the float range, and the
// sine of an infinity is NaN; the largest float keeps the sinusoid defined, so
// the output stays within outGain.
inline float limitPhase(float phase) noexcept {
    return std::isinf(phase) ? std::copysign(std::numeric_limits<float>::max(), phase) : phase;
}

inline float phaseOf(float state, const Shaping& c) noexcept {
    const float power = exactMath::power(std::fabs(state), c.freqDifLog);
    return limitPhase(
        narrow((widen(power) * widen(c.freqDif) + widen(c.freqMin)) * widen(state)));
}

// x is the gained input rounded to float, state the tracked value after this
// sample's slew step.
inline float shapeSine(float x, float state, const Shaping& c) noexcept {
    const float s = envelope(x);
    const float amplitude = narrow(widen(s) * widen(c.ampRange) + widen(c.ampMin));
    const float phase = phaseOf(state, c);
    const float plain = std::copysign(s, x);
    const double mixed =
        (widen(amplitude) * exactMath::sin(phase) - widen(plain)) * widen(c.funcMix) +
        widen(plain);
    return flushSubnormal(narrow(mixed * widen(c.outGain)));
}

inline float shapeRaisedCosine(float x, float state, const Shaping& c) noexcept {
    const float s = envelope(x);
    const float halfAmplitude = narrow((widen(s) * widen(c.ampRange) + widen(c.ampMin)) * 0.5);
    const float phase = phaseOf(state, c);
    // The raised cosine is never negative; the input's sign bit, zero included,
    // gives the output's, so the output crosses zero only where the input does.
    const float magnitude = narrow(
        (widen(halfAmplitude) * (1.0 - exactMath::cos(phase)) - widen(s)) * widen(c.funcMix) +
        widen(s));
    return flushSubnormal(narrow(widen(std::copysign(magnitude, x)) * widen(c.outGain)));
}

}  // namespace kernelMath
}  // namespace
