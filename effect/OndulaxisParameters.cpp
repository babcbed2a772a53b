#include <cmath>
#include <cstring>
#include <mutex>

#include "Ondulaxis.h"
#include "ParameterCurves.h"
#include "ParameterRecords.h"

const Ondulaxis::ParameterHandler Ondulaxis::paramHandlers[paramCount] = {
    &Ondulaxis::applyZeroX,  &Ondulaxis::applyInGain,  &Ondulaxis::applySlewLim,
    &Ondulaxis::applyFuncMix, &Ondulaxis::applyAmpMin, &Ondulaxis::applyFreqMin,
    &Ondulaxis::applyFreqDif, &Ondulaxis::applyOutGain,
};

void Ondulaxis::setParameter(int32_t index, float value) {
    if (parameterTable().find(index) == nullptr) {
        return;
    }
    std::lock_guard<StateLock> guard(stateLock);
    sharedState.pendingValues[index] = value;
}

float Ondulaxis::getParameter(int32_t index) {
    if (parameterTable().find(index) == nullptr) {
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
    const ParameterRecord* record = parameterTable().find(index);
    std::strcpy(text, record != nullptr ? record->name : "");
}

void Ondulaxis::getParameterLabel(int32_t index, char* label) {
    if (label == nullptr) {
        return;
    }
    const ParameterRecord* record = parameterTable().find(index);
    std::strcpy(label, record != nullptr ? record->label : "");
}

void Ondulaxis::getParameterDisplay(int32_t index, char* text) {
    if (text == nullptr) {
        return;
    }
    const ParameterRecord* record = parameterTable().find(index);
    if (record == nullptr) {
        text[0] = '\0';
        return;
    }
    // The lock is held only inside getParameter; formatting runs without it.
    record->format(getParameter(index), text);
}

bool Ondulaxis::string2parameter(int32_t index, char* text) {
    const ParameterRecord* record = parameterTable().find(index);
    float value = 0.0f;
    // Hosts pass a C string; a text longer than any value is none.
    if (text == nullptr || record == nullptr ||
        !parameterValues::normalisedFromText(*record, std::string_view(text, strnlen(text, 256)), value)) {
        return false;
    }
    setParameter(index, value);
    return true;
}

void Ondulaxis::applyZeroX(float value) noexcept { working.zeroCrossMode = value > 0.5f; }

void Ondulaxis::applyInGain(float value) noexcept { working.inGain = parameterCurves::inGain(value); }

void Ondulaxis::applySlewLim(float value) noexcept {
    const float step = parameterCurves::slewStep(value);
    working.slewLimit = step < parameterCurves::slewOffThreshold ? step : parameterCurves::slewOff;
}

void Ondulaxis::applyFuncMix(float value) noexcept { working.funcMix = value; }

void Ondulaxis::applyAmpMin(float value) noexcept {
    working.ampMin = value;
    working.ampRange = static_cast<float>(1.0 - static_cast<double>(value));
}

void Ondulaxis::applyFreqMin(float value) noexcept {
    working.freqMin = static_cast<float>(static_cast<double>(parameterCurves::pi) *
                                         static_cast<double>(parameterCurves::freqMinCycles(value)));
}

// The power term's exponent is log2(2 + |y|), taken of y in cycles, not of pi*y.
void Ondulaxis::applyFreqDif(float value) noexcept {
    const float cycles = parameterCurves::freqDifCycles(value);
    working.freqDif = static_cast<float>(static_cast<double>(parameterCurves::pi) *
                                         static_cast<double>(cycles));
    working.freqDifLog = parameterCurves::freqDifLog(cycles);
}

void Ondulaxis::applyOutGain(float value) noexcept { working.outGain = parameterCurves::outGain(value); }
