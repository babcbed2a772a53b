// Test plug-ins with known spectra: a pass-through, and a polynomial shaper
// y = x + x²/2 + x³/4 whose harmonics follow from the tone's amplitude.
// Both tell the sample rate and block size they were given through their
// unique ID and version, so the tests can see what the host announced.
#include "PluginRecord.h"

#include <cstring>

using namespace ondulaxis::host;

namespace {

PluginRecord record{};
int32_t blockSize = 0;

intptr_t dispatch(PluginRecord*, int32_t opcode, int32_t, intptr_t value, void* ptr, float opt) {
    switch (opcode) {
        case effClose: return 1;
        case effSetSampleRate: record.uniqueID = static_cast<int32_t>(opt); return 0;
        case effSetBlockSize: blockSize = static_cast<int32_t>(value); record.version = blockSize; return 0;
        case effGetEffectName:
            if (ptr != nullptr) std::strcpy(static_cast<char*>(ptr), SHAPER_NAME);
            return 1;
        default: return 0;
    }
}

float shape(float x) {
#if defined(SHAPER_POLYNOMIAL)
    return x + 0.5f * x * x + 0.25f * x * x * x;
#else
    return x;
#endif
}

void replace(PluginRecord*, float** inputs, float** outputs, int32_t frames) {
    for (int channel = 0; channel < 2; ++channel) {
        for (int32_t i = 0; i < frames; ++i) outputs[channel][i] = shape(inputs[channel][i]);
    }
}
void accumulate(PluginRecord*, float** inputs, float** outputs, int32_t frames) {
    for (int channel = 0; channel < 2; ++channel) {
        for (int32_t i = 0; i < frames; ++i) outputs[channel][i] += shape(inputs[channel][i]);
    }
}
void ignoreParameter(PluginRecord*, int32_t, float) {}
float noParameter(PluginRecord*, int32_t) { return 0.0f; }

}  // namespace

extern "C" __attribute__((visibility("default"))) PluginRecord* VSTPluginMain(HostCallback) {
    record = PluginRecord{};
    record.magic = kRecordMagic;
    record.dispatcher = dispatch;
    record.process = accumulate;
    record.processReplacing = replace;
    record.setParameter = ignoreParameter;
    record.getParameter = noParameter;
    record.numInputs = 2;
    record.numOutputs = 2;
    record.flags = effFlagsCanReplacing;
    return &record;
}
