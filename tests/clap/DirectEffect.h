// The effects driven directly through their records, as the reference a
// render through the module must equal bit for bit.
#pragma once

#include <vector>

#include "HQParameters.h"
#include "Ondulaxis.h"
#include "OndulaxisHQ.h"
#include "ParameterRecords.h"
#include "PluginEntry.h"

namespace clapTest {

class DirectEffect {
public:
    // `offline`: the host says it renders offline.
    DirectEffect(bool hq, uint32_t channels, double rate = 48000.0, bool offline = false)
        : channels(channels), rate(rate), offline(offline) {
        record = hq ? createEffectRecord<OndulaxisHQ>(answer) : createEffectRecord<Ondulaxis>(answer);
        record->user = this;
        record->dispatcher(record, effOpen, 0, 0, nullptr, 0.0f);
        record->dispatcher(record, effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
        resume();
    }
    ~DirectEffect() { record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f); }
    DirectEffect(const DirectEffect&) = delete;
    DirectEffect& operator=(const DirectEffect&) = delete;

    void resume() { record->dispatcher(record, effMainsChanged, 0, 1, nullptr, 0.0f); }
    void suspend() { record->dispatcher(record, effMainsChanged, 0, 0, nullptr, 0.0f); }

    // A value in the units CLAP carries, through the parameter records.
    void set(int32_t index, double display) {
        const ParameterRecord& parameter = *ondulaxisHQParameters.find(index);
        const float normalised = parameter.steps > 0 ? static_cast<float>(display) / static_cast<float>(parameter.steps)
                                                     : parameterValues::toNormalised(parameter, display);
        record->setParameter(record, index, normalised);
    }

    // Frames [from, to) of `in` into `out`.
    void process(const std::vector<std::vector<float>>& in, std::vector<std::vector<float>>& out, size_t from,
                 size_t to) {
        auto copy = in;
        float* inputs[2] = {copy[0].data() + from, copy[channels - 1].data() + from};
        float* outputs[2] = {out[0].data() + from, out[channels - 1].data() + from};
        record->processReplacing(record, inputs, outputs, static_cast<int32_t>(to - from));
    }

private:
    static intptr_t answer(AEffect* effect, int32_t opcode, int32_t index, intptr_t, void*, float) {
        if (opcode == audioMasterVersion) return 2400;
        const auto* self = effect != nullptr ? static_cast<const DirectEffect*>(effect->user) : nullptr;
        if (self == nullptr) return 0;
        if (opcode == audioMasterPinConnected) return index >= 0 && static_cast<uint32_t>(index) < self->channels ? 0 : 1;
        if (opcode == audioMasterGetSampleRate) return static_cast<intptr_t>(self->rate);
        if (opcode == audioMasterGetCurrentProcessLevel) return self->offline ? 4 : 2;
        return 0;
    }

    const uint32_t channels;
    const double rate;
    const bool offline;
    AEffect* record = nullptr;
};

}  // namespace clapTest
