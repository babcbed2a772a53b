// The generic kernels' vector operations: two doubles per SSE2 vector, the
// compiler's baseline flags only.
#pragma once

#include <emmintrin.h>

#include "Ondulaxis.h"

namespace {

struct GenericMath {
    static constexpr Ondulaxis::KernelPath path = Ondulaxis::KernelPath::generic;
    static constexpr int width = 2;
    using Doubles = __m128d;
    using Floats = float __attribute__((vector_size(8)));

    static Doubles widen(Floats values) noexcept { return __builtin_convertvector(values, Doubles); }
    static Floats narrow(Doubles values) noexcept { return __builtin_convertvector(values, Floats); }
    // [first, values[0]]
    static Floats shiftIn(float first, Floats values) noexcept { return Floats{first, values[0]}; }
    template <class Mask>
    static bool anyLane(Mask mask) noexcept {
        if constexpr (sizeof(Mask) == sizeof(Doubles)) {
            return _mm_movemask_pd((__m128d)mask) != 0;
        } else {
            return laneBits(mask) != 0;
        }
    }
    // Bit k: lane k of a float-lane mask is set.
    template <class Mask>
    static unsigned laneBits(Mask mask) noexcept {
        const __m128i wide = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&mask));
        return static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(wide)) & 3);
    }
};

}  // namespace
