// The AVX2 kernels' vector operations: four doubles per vector. For files
// built with -mavx2 -mfma.
#pragma once

#include <immintrin.h>

#include "Ondulaxis.h"

namespace {

struct Avx2Math {
    static constexpr Ondulaxis::KernelPath path = Ondulaxis::KernelPath::avx2;
    static constexpr int width = 4;
    using Doubles = __m256d;
    using Floats = float __attribute__((vector_size(16)));

    static Doubles widen(Floats values) noexcept { return _mm256_cvtps_pd((__m128)values); }
    static Floats narrow(Doubles values) noexcept { return (Floats)_mm256_cvtpd_ps(values); }
    // [first, values[0], values[1], values[2]]
    static Floats shiftIn(float first, Floats values) noexcept {
        const __m128 spread = _mm_shuffle_ps((__m128)values, (__m128)values, _MM_SHUFFLE(2, 1, 0, 0));
        return (Floats)_mm_move_ss(spread, _mm_set_ss(first));
    }
    template <class Mask>
    static bool anyLane(Mask mask) noexcept {
        if constexpr (sizeof(Mask) == sizeof(Doubles)) {
            return _mm256_movemask_pd((__m256d)mask) != 0;
        } else {
            return _mm_movemask_ps((__m128)mask) != 0;
        }
    }
    // Bit k: lane k of a float-lane mask is set.
    template <class Mask>
    static unsigned laneBits(Mask mask) noexcept {
        return static_cast<unsigned>(_mm_movemask_ps((__m128)mask));
    }
};

}  // namespace
