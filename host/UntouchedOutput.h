// Whether a plug-in wrote its outputs at all: one silent frame over outputs
// whose first sample holds a NaN with a payload no arithmetic produces.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

namespace ondulaxis::host {

inline constexpr uint32_t kUntouchedBits = 0x7fc0da7a;

inline void prepareOutputCheck(std::vector<std::vector<float>>& inputs, std::vector<std::vector<float>>& outputs) {
    for (auto& channel : inputs) channel[0] = 0.0f;
    for (auto& channel : outputs) channel[0] = std::bit_cast<float>(kUntouchedBits);
}

// True when one of the first `channels` outputs still holds the marker.
inline bool anyOutputUntouched(const std::vector<std::vector<float>>& outputs, std::size_t channels) {
    for (std::size_t channel = 0; channel < channels; ++channel) {
        if (std::bit_cast<uint32_t>(outputs[channel][0]) == kUntouchedBits) return true;
    }
    return false;
}

}  // namespace ondulaxis::host
