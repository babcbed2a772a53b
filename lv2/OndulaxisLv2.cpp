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
    static constexpr bool hasLatencyPort = false;
    static constexpr const ParameterTable& parameters = ondulaxisParameters;
};

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return lv2adapter::descriptor<Ports>(index);
}
