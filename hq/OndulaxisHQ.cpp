#include "OndulaxisHQ.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>

#include "ParameterCurves.h"
#include "HQParameters.h"

namespace {

bool isOwnIndex(int32_t index) noexcept {
    return index == OndulaxisHQ::oversampleIndex || index == OndulaxisHQ::dryWetIndex;
}

}  // namespace

OndulaxisHQ::OndulaxisHQ(audioMasterCallback audioMaster) : Ondulaxis(audioMaster) {
    numParams = hqParamCount;
    cEffect.numParams = hqParamCount;
    setUniqueID(fourCharCode('O', 'd', 'H', 'Q'));
    // The defaults wait as changes, so the first block takes them.
    std::memcpy(pendingValues, sharedValues, sizeof pendingValues);
    setInitialDelay(latencyFor(stagesFor(defaultOversample)));
}

int32_t OndulaxisHQ::stagesFor(float value) noexcept {
    // Stepped: fifths of the range, the top one reaching 1.0 itself. NaN
    // and values below the range are 1x.
    if (!(value > 0.0f)) {
        return 0;
    }
    const float clamped = std::min(value, 1.0f);
    return std::min(oversampling::maxStages, static_cast<int32_t>(clamped * 5.0f));
}

int32_t OndulaxisHQ::latencyFor(int32_t stages) noexcept {
    return oversampling::chainLatency(stages);
}

void OndulaxisHQ::setParameter(int32_t index, float value) {
    if (!isOwnIndex(index)) {
        Ondulaxis::setParameter(index, value);
        return;
    }
    {
        std::lock_guard<StateLock> guard(stateLock);
        pendingValues[index - oversampleIndex] = value;
    }
    if (index == oversampleIndex && !std::isnan(value)) {
        const int32_t latency = latencyFor(stagesFor(value));
        if (latency != cEffect.initialDelay) {
            setInitialDelay(latency);
            ioChanged();
        }
    }
}

float OndulaxisHQ::getParameter(int32_t index) {
    if (!isOwnIndex(index)) {
        return Ondulaxis::getParameter(index);
    }
    std::lock_guard<StateLock> guard(stateLock);
    const float pending = pendingValues[index - oversampleIndex];
    return std::isnan(pending) ? sharedValues[index - oversampleIndex] : pending;
}

const ParameterTable& OndulaxisHQ::parameterTable() const noexcept { return ondulaxisHQParameters; }

bool OndulaxisHQ::getEffectName(char* name) {
    if (name == nullptr) {
        return false;
    }
    std::strcpy(name, "Ondulaxis HQ");
    return true;
}

bool OndulaxisHQ::getProductString(char* text) {
    if (text == nullptr) {
        return false;
    }
    std::strcpy(text, "Ondulaxis HQ - Sinusoidal distortion unit, oversampled");
    return true;
}

void OndulaxisHQ::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) noexcept {
    runBlock(inputs, outputs, sampleFrames, false);
}

void OndulaxisHQ::process(float** inputs, float** outputs, int32_t sampleFrames) noexcept {
    runBlock(inputs, outputs, sampleFrames, true);
}

void OndulaxisHQ::takeOwnChanges() noexcept {
    float taken[2];
    {
        std::lock_guard<StateLock> guard(stateLock);
        for (int32_t k = 0; k < 2; ++k) {
            taken[k] = pendingValues[k];
            if (!std::isnan(taken[k])) {
                sharedValues[k] = taken[k];
            }
            pendingValues[k] = std::numeric_limits<float>::quiet_NaN();
        }
    }
    if (!std::isnan(taken[0])) {
        const int32_t newStages = stagesFor(taken[0]);
        if (newStages != stages) {
            // The filters' history belongs to the old rate; the dry line keeps
            // running, so a blend stays continuous apart from the new delay.
            stages = newStages;
            for (auto& resampler : resamplers) resampler.clear();
        }
    }
    if (!std::isnan(taken[1])) {
        dryWet = std::clamp(taken[1], 0.0f, 1.0f);
    }
}

// The same slope per second at every rate: the working step per sample is the
// host-rate step divided by the factor, exactly (a power of two), so no
// setting is rounded to another one. "Off" stays off.
void OndulaxisHQ::scaleSlewLimit() noexcept {
    applySlewLim(blockState.paramValues[SlewLim]);
    if (slewLimit != parameterCurves::slewOff) {
        slewLimit = std::ldexp(slewLimit, -stages);
    }
}

void OndulaxisHQ::clearHistory() noexcept {
    for (auto& resampler : resamplers) resampler.clear();
    std::memset(dryRing, 0, sizeof dryRing);
}

void OndulaxisHQ::runBlock(float** inputs, float** outputs, int32_t sampleFrames,
                           bool accumulate) noexcept {
    prepareBlock();
    takeOwnChanges();
    if (blockState.resetRequest || blockState.clearRequest) {
        clearHistory();
    }
    if (!blockState.active) {
        return;
    }
    scaleSlewLimit();
    if (sampleFrames <= 0 || inputs == nullptr || outputs == nullptr) {
        return;
    }
    float* in[2] = {inputs[route[inA]], inputs[route[inB]]};
    float* out[2] = {outputs[route[outA]], outputs[route[outB]]};
    if (in[0] == nullptr || in[1] == nullptr || out[0] == nullptr || out[1] == nullptr) {
        return;
    }
    const int32_t channels = route[outA] == route[outB] ? 1 : 2;
    constexpr uint32_t ringMask = dryRingSize - 1;
    if (stages == 0 && dryWet == 1.0f) {
        // The dry line keeps the block's end, which a later change of factor
        // or blend reads; then exactly the plain effect.
        const int32_t kept = std::min(sampleFrames, dryRingSize / 2);
        for (int32_t c = 0; c < channels; ++c) {
            for (int32_t i = sampleFrames - kept; i < sampleFrames; ++i) {
                dryRing[c][(dryPosition + static_cast<uint32_t>(i)) & ringMask] = in[c][i];
            }
        }
        dryPosition += static_cast<uint32_t>(sampleFrames);
        runKernel(accumulate ? accumulateKernel : replaceKernel, inputs, outputs, sampleFrames);
        return;
    }
    const int32_t factor = 1 << stages;
    const uint32_t latency = static_cast<uint32_t>(latencyFor(stages));
    const bool bypass = blockState.bypass;
    for (int32_t start = 0; start < sampleFrames;) {
        const int32_t frames = std::min(oversampling::chunkFrames, sampleFrames - start);
        // Every input is read before any output is written: they may share buffers.
        for (int32_t c = 0; c < channels; ++c) {
            const float* source = in[c] + start;
            for (int32_t i = 0; i < frames; ++i) {
                dryRing[c][(dryPosition + static_cast<uint32_t>(i)) & ringMask] = source[i];
            }
            if (stages == 0) {
                std::memcpy(work[c], source, sizeof(float) * static_cast<size_t>(frames));
            } else {
                resamplers[c].up(stages, source, work[c], frames);
            }
        }
        (this->*replaceKernel)(work[0], work[1], work[0], work[1], frames * factor);
        for (int32_t c = 0; c < channels; ++c) {
            if (stages == 0) {
                std::memcpy(wet[c], work[c], sizeof(float) * static_cast<size_t>(frames));
            } else {
                resamplers[c].down(stages, work[c], wet[c], frames);
            }
            float* target = out[c] + start;
            if (!bypass && dryWet == 1.0f) {
                if (!accumulate) {
                    std::memcpy(target, wet[c], sizeof(float) * static_cast<size_t>(frames));
                } else {
                    for (int32_t i = 0; i < frames; ++i) target[i] += wet[c][i];
                }
                continue;
            }
            // Bypass passes the input, delayed as the effect's output would be.
            const float wetShare = bypass ? 0.0f : dryWet;
            for (int32_t i = 0; i < frames; ++i) {
                const float dry =
                    dryRing[c][(dryPosition + static_cast<uint32_t>(i) - latency) & ringMask];
                const float value =
                    wetShare == 0.0f ? dry : wet[c][i] * wetShare + dry * (1.0f - wetShare);
                target[i] = accumulate ? target[i] + value : value;
            }
        }
        dryPosition += static_cast<uint32_t>(frames);
        start += frames;
    }
}
