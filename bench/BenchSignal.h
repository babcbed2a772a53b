// The signal the kernel benchmarks time: three partials and noise 40 dB down,
// peaks near 0.8, 65536 samples at 48 kHz; `seed` varies the noise.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

inline std::vector<float> music(uint32_t seed) {
    std::vector<float> samples(65536);
    uint32_t state = seed;
    for (size_t i = 0; i < samples.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        const double noise = static_cast<double>(state) / 2147483648.0 - 1.0;
        const double t = 2 * 3.141592653589793 * static_cast<double>(i) / 48000.0;
        samples[i] = static_cast<float>(0.45 * std::sin(110 * t) + 0.25 * std::sin(660 * t) +
                                        0.1 * std::sin(3300 * t) + 0.008 * noise);
    }
    return samples;
}
