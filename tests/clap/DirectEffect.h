// The effects driven directly, with no format in between, as the reference a
// render through the module must equal bit for bit.
#pragma once

#include <vector>

#include "EmbeddedEffect.h"
#include "HQParameters.h"
#include "Ondulaxis.h"
#include "OndulaxisHQ.h"
#include "ParameterRecords.h"
#include "PluginEntry.h"

namespace clapTest {

class DirectEffect {
public:
    // `offline`: the host says it renders offline.
    DirectEffect(bool hq, uint32_t channels, double rate = 48000.0, bool offline = false) : effect(channels) {
        effect.open(hq ? createEffectRecord<OndulaxisHQ> : createEffectRecord<Ondulaxis>);
        effect.setOffline(offline);
        effect.setSampleRate(rate);
        effect.resume();
    }

    // A value in the units CLAP carries, through the parameter records.
    void set(int32_t index, double display) {
        const ParameterRecord& parameter = *ondulaxisHQParameters.find(index);
        const float normalised = parameter.steps > 0 ? static_cast<float>(display) / static_cast<float>(parameter.steps)
                                                     : parameterValues::toNormalised(parameter, display);
        effect.setParameter(static_cast<uint32_t>(index), normalised);
    }

    // Frames [from, to) of `in` into `out`.
    void process(const std::vector<std::vector<float>>& in, std::vector<std::vector<float>>& out, size_t from,
                 size_t to) {
        auto copy = in;
        float* inputs[2] = {copy[0].data(), copy[copy.size() - 1].data()};
        float* outputs[2] = {out[0].data(), out[out.size() - 1].data()};
        effect.process(inputs, outputs, static_cast<uint32_t>(from), static_cast<uint32_t>(to - from));
    }

private:
    EmbeddedEffect effect;
};

}  // namespace clapTest
