#include <cmath>

#include "Ondulaxis.h"
#include "ParameterCurves.h"

uint32_t Ondulaxis::tailFrames(const float* normalisedValues) noexcept {
    // With AmpMin and FuncMix both above zero a silent input still yields the
    // sinusoid's floor. Otherwise silence gives silence once the slew limiter
    // has brought the tracked signal from full scale (after the input gain)
    // down to zero, a step per sample at most.
    if (normalisedValues[AmpMin] > 0.0f && normalisedValues[FuncMix] > 0.0f) {
        return endlessTail;
    }
    const float step = parameterCurves::slewStep(normalisedValues[SlewLim]);
    if (step >= parameterCurves::slewOffThreshold) {
        return 0;
    }
    const float factor = parameterCurves::inGain(normalisedValues[InGain]);
    // At most 256 / 2^-9 frames: far inside the range.
    return static_cast<uint32_t>(std::ceil(static_cast<double>(factor) / static_cast<double>(step)));
}
