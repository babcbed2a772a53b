// The LV2 face of the effect, stereo and mono: the eight controls in
// parameter order, then the audio inputs, then the audio outputs, then the
// switch that bypasses the effect.
#include "Lv2Adapter.h"
#include "Ondulaxis.h"
#include "ParameterRecords.h"

namespace {

struct Ports {
    using Effect = Ondulaxis;
    static constexpr char stereoUri[] = "https://ondulaxis.example/lv2/stereo";
    static constexpr char monoUri[] = "https://ondulaxis.example/lv2/mono";
    static constexpr uint32_t controlCount = paramCount;
    static constexpr uint32_t latencyPort = lv2adapter::noPort;
    static constexpr uint32_t firstAudioPort = paramCount;
    static constexpr bool hasEnabledPort = true;

    static float toNormalised(uint32_t port, float value) noexcept {
        const ParameterRecord* record = ondulaxisParameters.find(static_cast<int32_t>(port));
        return record != nullptr ? parameterValues::toNormalised(*record, value) : 0.0f;
    }
};

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return lv2adapter::descriptor<Ports>(index);
}
