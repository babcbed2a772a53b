#include <cmath>
#include <cstring>
#include <mutex>

#include "Ondulaxis.h"
#include "ParameterCurves.h"
#include "ParameterTables.h"

namespace {

void writeEmpty(char* text) noexcept {
    if (text != nullptr) {
        text[0] = '\0';
    }
}

}  // namespace

const Ondulaxis::ParameterHandler Ondulaxis::paramHandlers[paramCount] = {
    &Ondulaxis::applyZeroX,  &Ondulaxis::applyInGain,  &Ondulaxis::applySlewLim,
    &Ondulaxis::applyFuncMix, &Ondulaxis::applyAmpMin, &Ondulaxis::applyFreqMin,
    &Ondulaxis::applyFreqDif, &Ondulaxis::applyOutGain,
};

void Ondulaxis::setParameter(int32_t index, float value) {
    if (!isParameterIndex(index)) {
        return;
    }
    std::lock_guard<StateLock> guard(stateLock);
    sharedState.pendingValues[index] = value;
}

float Ondulaxis::getParameter(int32_t index) {
    if (!isParameterIndex(index)) {
        return 0.0f;
    }
    // A value still waiting for a block is the one the host set: hosts read it
    // back to decide whether a later change is needed and to save the project,
    // so answering the older applied value would lose what the user set.
    std::lock_guard<StateLock> guard(stateLock);
    const float pending = sharedState.pendingValues[index];
    return std::isnan(pending) ? sharedState.paramValues[index] : pending;
}

void Ondulaxis::getParameterName(int32_t index, char* text) {
    if (text == nullptr) {
        return;
    }
    if (!isParameterIndex(index)) {
        writeEmpty(text);
        return;
    }
    std::strcpy(text, paramNames[index]);
}

void Ondulaxis::getParameterLabel(int32_t index, char* label) {
    if (label == nullptr) {
        return;
    }
    if (!isParameterIndex(index)) {
        writeEmpty(label);
        return;
    }
    std::strcpy(label, paramLabels[index]);
}

void Ondulaxis::getParameterDisplay(int32_t index, char* text) {
    if (text == nullptr) {
        return;
    }
    if (!isParameterIndex(index)) {
        writeEmpty(text);
        return;
    }
    // The lock is held only inside getParameter; formatting runs without it.
    const float value = getParameter(index);
    paramFormatters[index](value, text);
}

void Ondulaxis::applyZeroX(float value) noexcept { zeroCrossMode = value > 0.5f; }

void Ondulaxis::applyInGain(float value) noexcept { inGain = parameterCurves::inGain(value); }

void Ondulaxis::applySlewLim(float value) noexcept {
    const float step = parameterCurves::slewStep(value);
    slewLimit = step < parameterCurves::slewOffThreshold ? step : parameterCurves::slewOff;
}

void Ondulaxis::applyFuncMix(float value) noexcept { funcMix = value; }

void Ondulaxis::applyAmpMin(float value) noexcept {
    ampMin = value;
    ampRange = static_cast<float>(1.0 - static_cast<double>(value));
}

void Ondulaxis::applyFreqMin(float value) noexcept {
    freqMin = static_cast<float>(static_cast<double>(parameterCurves::pi) *
                                 static_cast<double>(parameterCurves::freqMinCycles(value)));
}

// The power term's exponent is log2(2 + |y|), taken of y in cycles, not of pi*y.
void Ondulaxis::applyFreqDif(float value) noexcept {
    const float cycles = parameterCurves::freqDifCycles(value);
    freqDif = static_cast<float>(static_cast<double>(parameterCurves::pi) *
                                 static_cast<double>(cycles));
    freqDifLog = parameterCurves::freqDifLog(cycles);
}

void Ondulaxis::applyOutGain(float value) noexcept { outGain = parameterCurves::outGain(value); }
