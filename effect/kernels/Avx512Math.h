// The AVX-512 kernels' vector operations: eight doubles per vector. For
// files built with -mavx512f -mavx2 -mfma.
#pragma once

#include <immintrin.h>

#include "Ondulaxis.h"

namespace {

struct Avx512Math {
    static constexpr Ondulaxis::KernelPath path = Ondulaxis::KernelPath::avx512;
    static constexpr int width = 8;
    using Doubles = __m512d;
    using Floats = float __attribute__((vector_size(32)));

    static Doubles widen(Floats values) noexcept { return _mm512_maskz_cvtps_pd(0xFF, (__m256)values); }
    static Floats narrow(Doubles values) noexcept { return (Floats)_mm512_maskz_cvtpd_ps(0xFF, values); }
    // [first, values[0], ..., values[6]]
    static Floats shiftIn(float first, Floats values) noexcept {
        const __m256 rotated =
            _mm256_permutevar8x32_ps((__m256)values, _mm256_setr_epi32(7, 0, 1, 2, 3, 4, 5, 6));
        return (Floats)_mm256_blend_ps(rotated, _mm256_set1_ps(first), 1);
    }
    template <class Mask>
    static bool anyLane(Mask mask) noexcept {
        if constexpr (sizeof(Mask) == sizeof(Doubles)) {
            return _mm512_test_epi64_mask((__m512i)mask, (__m512i)mask) != 0;
        } else {
            return _mm256_movemask_ps((__m256)mask) != 0;
        }
    }
    // Bit k: lane k of a float-lane mask is set.
    template <class Mask>
    static unsigned laneBits(Mask mask) noexcept {
        return static_cast<unsigned>(_mm256_movemask_ps((__m256)mask));
    }
};

}  // namespace
