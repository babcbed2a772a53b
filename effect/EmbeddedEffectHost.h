// What an adapter of another plug-in format answers the effect it drives
// through the effect's own record: the interface version, which pins are
// connected (the first `channels` of each side), the sample rate and whether
// the host renders offline. The effect asks nothing else that needs an
// answer.
#pragma once

#include <cstdint>

#include "EffectRecord.h"

namespace embeddedEffectHost {

// The interface version the effect is written for, as its host claims it.
inline constexpr intptr_t version = 2400;

// The interface's process levels: real time, and offline.
inline constexpr intptr_t realtimeLevel = 2;
inline constexpr intptr_t offlineLevel = 4;

inline intptr_t answer(int32_t opcode, int32_t index, uint32_t channels, double sampleRate,
                       bool offline = false) noexcept {
    switch (opcode) {
        case audioMasterVersion:
            return version;
        case audioMasterPinConnected:
            // 0 answers connected; inputs and outputs pair up.
            return index >= 0 && static_cast<uint32_t>(index) < channels ? 0 : 1;
        case audioMasterGetSampleRate:
            return static_cast<intptr_t>(sampleRate);
        case audioMasterGetCurrentProcessLevel:
            return offline ? offlineLevel : realtimeLevel;
        default:
            return 0;
    }
}

}  // namespace embeddedEffectHost
