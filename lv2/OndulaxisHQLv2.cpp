// The LV2 face of Ondulaxis HQ, stereo and mono: the eight controls of the
// plain plug-in, Oversample (the factor itself, 1 to 16), DryWet (percent),
// the latency output, the audio inputs and outputs, then the switch that
// bypasses the effect.
#include <algorithm>
#include <cmath>

#include "Lv2Adapter.h"
#include "OndulaxisHQ.h"
#include "PortValues.h"

namespace {

struct Ports {
    using Effect = OndulaxisHQ;
    static constexpr char stereoUri[] = "https://ondulaxis.example/lv2/hq-stereo";
    static constexpr char monoUri[] = "https://ondulaxis.example/lv2/hq-mono";
    static constexpr uint32_t controlCount = OndulaxisHQ::hqParamCount;
    static constexpr uint32_t latencyPort = controlCount;
    static constexpr uint32_t firstAudioPort = latencyPort + 1;
    static constexpr bool hasEnabledPort = true;

    // The plain plug-in's mapping for its eight; the factor's stage (log2,
    // rounded) in quarters; the percentage in hundredths.
    static float toNormalised(uint32_t port, float value) noexcept {
        if (port == uint32_t{OndulaxisHQ::oversampleIndex}) {
            const double stages = std::round(std::log2(std::clamp(value, 1.0f, 16.0f)));
            return static_cast<float>(stages / 4.0);
        }
        if (port == uint32_t{OndulaxisHQ::dryWetIndex}) {
            return std::clamp(value, 0.0f, 100.0f) / 100.0f;
        }
        return portValues::toNormalised(static_cast<int32_t>(port), value);
    }
};

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return lv2adapter::descriptor<Ports>(index);
}
