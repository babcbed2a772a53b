// The vector kernels' chunks: the stack buffers a chunk of a channel passes
// through, the block's coefficients, and lane-wise helpers on a Math's
// vectors (Math: one instruction set's vector types and lane tests, see
// GenericMath.h). Internal linkage: each instruction set's file compiles its
// own copy.
#pragma once

#include <cstdint>
#include <cstring>

#include "KernelMath.h"

namespace {
namespace chunked {

// Samples per chunk; every vector width divides it.
constexpr int chunkSize = 256;

struct Coefficients {
    float inGain;
    float slewLimit;
    kernelMath::Shaping shaping;
};

template <class Math>
struct Channel {
    alignas(64) float input[chunkSize];
    // [0]: the tracked value before the chunk; [1 + i]: after sample i.
    alignas(64) float history[chunkSize + Math::width];
    float* tracked() noexcept { return history + 1; }
    alignas(64) float phase[chunkSize];
    // The power's two halves (vectorMath::powParts), then the power in the
    // first: handed between the loops of phasePass.
    alignas(64) double powerParts[2][chunkSize];
    alignas(64) float output[chunkSize];
    // Per vector, bit k: lane k's value lies too near a rounding boundary.
    unsigned suspect[chunkSize / Math::width];
    // Per vector: a first slew step missed float(x).
    bool unsettled[chunkSize / Math::width];
};

template <class Vector>
inline Vector load(const float* source) noexcept {
    Vector vector;
    std::memcpy(&vector, source, sizeof vector);
    return vector;
}

template <class Vector>
inline Vector load(const double* source) noexcept {
    Vector vector;
    std::memcpy(&vector, source, sizeof vector);
    return vector;
}

template <class Vector>
inline void store(double* target, Vector vector) noexcept {
    std::memcpy(target, &vector, sizeof vector);
}

template <class Vector>
inline void store(float* target, Vector vector) noexcept {
    std::memcpy(target, &vector, sizeof vector);
}

inline uint32_t bitsOf(float value) noexcept {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Lane-wise helpers on Math's vectors. Broadcasts go lane by lane (the
// compiler makes one instruction of it) because adding to a zero vector would
// turn -0 into +0.
template <class Math>
struct Lanes {
    static constexpr int width = Math::width;
    using Doubles = typename Math::Doubles;
    using Floats = typename Math::Floats;
    using DoubleMask = decltype(Doubles{} < Doubles{});
    using FloatMask = decltype(Floats{} < Floats{});

    template <class Vector, class Value>
    static Vector splat(Value value) noexcept {
        Vector vector;
        for (int lane = 0; lane < width; ++lane) {
            vector[lane] = value;
        }
        return vector;
    }
    static Doubles widen(Floats values) noexcept { return Math::widen(values); }
    static Floats narrow(Doubles values) noexcept { return Math::narrow(values); }
    static Doubles abs(Doubles values) noexcept {
        return (Doubles)((DoubleMask)values & splat<DoubleMask>(INT64_MAX));
    }
    static Floats abs(Floats values) noexcept {
        return (Floats)((FloatMask)values & splat<FloatMask>(INT32_MAX));
    }
    // The magnitude of `magnitude` with the sign bit of `sign`.
    static Floats copySign(Floats magnitude, Floats sign) noexcept {
        return (Floats)(((FloatMask)magnitude & splat<FloatMask>(INT32_MAX)) |
                        ((FloatMask)sign & splat<FloatMask>(INT32_MIN)));
    }
    static FloatMask laneIndex() noexcept {
        FloatMask index;
        for (int lane = 0; lane < width; ++lane) {
            index[lane] = lane;
        }
        return index;
    }
};

// Copies a chunk of input to the stack, zero-padded to whole vectors, and
// returns the padded length.
template <class Math>
inline int loadChunk(Channel<Math>& channel, const float* input, int count) noexcept {
    std::memcpy(channel.input, input, static_cast<size_t>(count) * sizeof(float));
    const int padded = (count + Math::width - 1) / Math::width * Math::width;
    for (int i = count; i < padded; ++i) {
        channel.input[i] = 0.0f;
    }
    return padded;
}

template <bool accumulate>
inline void storeChunk(float* __restrict output, const float* __restrict values,
                       int count) noexcept {
    if constexpr (accumulate) {
        for (int i = 0; i < count; ++i) {
            output[i] = output[i] + values[i];
        }
    } else {
        std::memcpy(output, values, static_cast<size_t>(count) * sizeof(float));
    }
}

}  // namespace chunked
}  // namespace
