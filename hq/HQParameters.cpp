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

// Render: the factor offline renders take, as its step number 0 to 2.
const char* const renderTexts[3] = {"Same", "8x", "16x"};

int32_t renderStep(double v) noexcept {
    const int32_t stages = OndulaxisHQ::renderStagesFor(static_cast<float>(v));
    return stages < 0 ? 0 : stages - 2;
}
void formatRender(float v, char* text) noexcept { std::strcpy(text, renderTexts[renderStep(v)]); }
double renderDisplay(double v) noexcept { return renderStep(v); }
float renderValue(double step) noexcept {
    return static_cast<float>(std::round(std::clamp(step, 0.0, 2.0)) / 2.0);
}

}  // namespace

const ParameterRecord ondulaxisHQOwnRecords[3] = {
    {.name = "Oversample", .steps = oversampling::maxStages, .defaultValue = OndulaxisHQ::defaultOversample,
     .displayMinimum = 1.0f, .displayMaximum = 16.0f, .format = formatOversample, .toDisplay = oversampleDisplay,
     .fromDisplay = oversampleValue},
    {.name = "DryWet", .label = "%", .defaultValue = 1.0f, .displayMinimum = 0.0f, .displayMaximum = 100.0f,
     .format = formatDryWet, .toDisplay = parameterText::percentDisplay, .fromDisplay = parameterText::percentValue},
    {.name = "Render", .steps = 2, .defaultValue = 0.0f, .displayMinimum = 0.0f, .displayMaximum = 2.0f,
     .format = formatRender, .toDisplay = renderDisplay, .fromDisplay = renderValue},
};
