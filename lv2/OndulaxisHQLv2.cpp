// The LV2 face of Ondulaxis HQ, stereo and mono: the eight controls of the
// plain plug-in, Oversample (the factor itself, 1 to 16), DryWet (percent),
// the latency output, the audio inputs and outputs, then the switch that
// bypasses the effect.
#include "Lv2Adapter.h"
#include "OndulaxisHQ.h"
#include "HQParameters.h"

namespace {

struct Ports {
    using Effect = OndulaxisHQ;
    static constexpr char stereoUri[] = "https://ondulaxis.example/lv2/hq-stereo";
    static constexpr char monoUri[] = "https://ondulaxis.example/lv2/hq-mono";
    static constexpr bool hasLatencyPort = true;
    static constexpr const ParameterTable& parameters = ondulaxisHQLv2Parameters;
};

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return lv2adapter::descriptor<Ports>(index);
}
