// The mappings from a normalised parameter value to what it stands for, shared
// by the change handlers and the display texts so that both always agree.
// float(...) marks where a value is rounded to 32 bits; powers run in double.
// The powers and the logarithm are the project's own, correctly rounded, so
// that every build derives the same coefficients from the same value.
#pragma once

#include <cmath>

#include "kernels/ExactPower.h"

namespace parameterCurves {

constexpr float pi = 3.14159265358979f;  // bits 0x40490FDB
constexpr float ln2 = 0.6931472f;
// A slew step this large is no limit at all; the limiter is switched off.
constexpr float slewOffThreshold = 0.999f;
constexpr float slewOff = 1000000.0f;

// The octaves each curve spans; the display curves and HQ's gain glide use
// them too.
constexpr int gainOctaves = 8;       // InGain and OutGain: factors 2^0 to 2^8
constexpr int slewOctaves = 9;       // SlewLim: steps 2^-9 to 1 of full scale
constexpr int freqMinOctaves = 9;    // FreqMin: 2^-1 to 2^8 cycles
constexpr int freqDifOctaves = 14;   // FreqDif: 2^7 - 1 cycles either side of 0

// 2^exponent, exactly, for the ends of the ranges.
constexpr double powerOfTwo(int exponent) noexcept {
    double power = 1.0;
    for (int k = 0; k < exponent; ++k) power *= 2.0;
    for (int k = 0; k > exponent; --k) power /= 2.0;
    return power;
}

// InGain: factor 1 to 256.
inline float inGain(float v) noexcept {
    return exactMath::exp2Float(gainOctaves * static_cast<double>(v));
}

// OutGain: factor 1/256 to 1.
inline float outGain(float v) noexcept {
    return exactMath::exp2Float(gainOctaves * (static_cast<double>(v) - 1.0));
}

// SlewLim: largest step per sample before the off threshold is applied.
inline float slewStep(float v) noexcept {
    return exactMath::exp2Float(slewOctaves * (static_cast<double>(v) - 1.0));
}

// FreqMin: sine cycles of the linear phase term, 0.5 to 256.
inline float freqMinCycles(float v) noexcept {
    return exactMath::exp2Float(freqMinOctaves * static_cast<double>(v) - 1.0);
}

// FreqDif: cycles of the power phase term, -127 to 127. The sign is copied, not
// multiplied in, so the centre gives +0.
inline float freqDifCycles(float v) noexcept {
    const double d = static_cast<double>(v) - 0.5;
    const float p = exactMath::exp2Float(freqDifOctaves * std::fabs(d));
    const float magnitude = static_cast<float>(static_cast<double>(p) - 1.0);
    return std::copysign(magnitude, static_cast<float>(d));
}

// FreqDif's exponent: log2 of |cycles| + 2, the logarithm rounded to double
// before the division by the float ln 2.
inline float freqDifLog(float cycles) noexcept {
    const float argument = static_cast<float>(std::fabs(static_cast<double>(cycles)) + 2.0);
    return static_cast<float>(exactMath::logDouble(argument) / static_cast<double>(ln2));
}

}  // namespace parameterCurves
