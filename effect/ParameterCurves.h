// The mappings from a normalised parameter value to what it stands for, shared
// by the change handlers and the display texts so that both always agree.
// float(...) marks where a value is rounded to 32 bits; powers run in double.
#pragma once

#include <cmath>

namespace parameterCurves {

constexpr float pi = 3.14159265358979f;  // bits 0x40490FDB
constexpr float ln2 = 0.6931472f;
// A slew step this large is no limit at all; the limiter is switched off.
constexpr float slewOffThreshold = 0.999f;
constexpr float slewOff = 1000000.0f;

// InGain: factor 1 to 256.
inline float inGain(float v) noexcept {
    return static_cast<float>(std::pow(2.0, 8.0 * static_cast<double>(v)));
}

// OutGain: factor 1/256 to 1.
inline float outGain(float v) noexcept {
    return static_cast<float>(std::pow(2.0, 8.0 * (static_cast<double>(v) - 1.0)));
}

// SlewLim: largest step per sample before the off threshold is applied.
inline float slewStep(float v) noexcept {
    return static_cast<float>(std::pow(2.0, 9.0 * (static_cast<double>(v) - 1.0)));
}

// FreqMin: sine cycles of the linear phase term, 0.5 to 256.
inline float freqMinCycles(float v) noexcept {
    return static_cast<float>(std::pow(2.0, 9.0 * static_cast<double>(v) - 1.0));
}

// FreqDif: cycles of the power phase term, -127 to 127. The sign is copied, not
// multiplied in, so the centre gives +0.
inline float freqDifCycles(float v) noexcept {
    const double d = static_cast<double>(v) - 0.5;
    const float p = static_cast<float>(std::pow(2.0, 14.0 * std::fabs(d)));
    const float magnitude = static_cast<float>(static_cast<double>(p) - 1.0);
    return std::copysign(magnitude, static_cast<float>(d));
}

}  // namespace parameterCurves
