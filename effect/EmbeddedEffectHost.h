// What an adapter of another plug-in format answers the effect it drives
// through the effect's own record: the interface version, which pins are
// connected (the first `channels` of each side) and the sample rate. The
// effect asks nothing else that needs an answer; its latency request ("I/O
// changed") is carried by the adapter's own format.
#pragma once

#include <cstdint>

#include "EffectRecord.h"

namespace embeddedEffectHost {

// The interface version the effect is written for, as its host claims it.
inline constexpr intptr_t version = 2400;

inline intptr_t answer(int32_t opcode, int32_t index, uint32_t channels, double sampleRate) noexcept {
    switch (opcode) {
        case audioMasterVersion:
            return version;
        case audioMasterPinConnected:
            // 0 answers connected; inputs and outputs pair up.
            return index >= 0 && static_cast<uint32_t>(index) < channels ? 0 : 1;
        case audioMasterGetSampleRate:
            return static_cast<intptr_t>(sampleRate);
        default:
            return 0;
    }
}

}  // namespace embeddedEffectHost
