#include "HQParameters.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "OndulaxisHQ.h"

namespace {

const char* const factorTexts[oversampling::maxStages + 1] = {"1x", "2x", "4x", "8x", "16x"};

// Oversample in display units is the factor itself, 1 to 16.
void formatOversample(float v, char* text) noexcept {
    std::strcpy(text, factorTexts[OndulaxisHQ::stagesFor(v)]);
}
double oversampleDisplay(double v) noexcept {
    return std::exp2(OndulaxisHQ::stagesFor(static_cast<float>(v)));
}
float oversampleValue(double factor) noexcept {
    const double stages = std::round(std::log2(std::clamp(factor, 1.0, 16.0)));
    return static_cast<float>(stages / oversampling::maxStages);
}

// The blend as the audio thread takes it, clamped to 0 to 1.
void formatDryWet(float v, char* text) noexcept {
    parameterText::formatPercent(std::clamp(v, 0.0f, 1.0f), text);
}

}  // namespace

const ParameterRecord ondulaxisHQOwnRecords[2] = {
    {"Oversample", "", OndulaxisHQ::defaultOversample, oversampling::maxStages, 1.0f, 16.0f, 4.0f,
     formatOversample, oversampleDisplay, oversampleValue},
    {"DryWet", "%", 1.0f, 0, 0.0f, 100.0f, 100.0f, formatDryWet, parameterText::percentDisplay,
     parameterText::percentValue},
};
