// Huge float phases reduced modulo 2π in vector code, so that the kernels'
// own sine and cosine (VectorMath.h), made for phases up to 2^20, take them.
//
// A float phase p from 2^20 up is m * 2^k with m an integer, |m| < 2^24, so
// p = m * T (mod 2π) with T = 2^k mod 2π from the table (farWaves::Turns,
// T = T0 + T1 + T2, 2π = C0 + C1 + C2). With a = m * T0 and n the integer
// nearest a / 2π (|n| < 2^25), the result is
//     (a - n * C0) + (m * T1 - n * C1)  +  (m * T2 - n * C2).
// Every product in the first sum is exact (24 + 28, 25 + 28, 24 + 25 and
// 25 + 25 bits), each bracket is a multiple of 2^-25 or 2^-50 below 2^53 of
// them, and so is their sum: it is exact too. The error of the result is
// its last rounding, at most 2^-52 as |result| < 4 (|a - n * 2π| stays near
// π, m * (T1 + T2) below 1/2), plus below 2^-75 from the third parts (2^-103
// each, times |m| or |n|) and the third bracket's three roundings.
#pragma once

#include <cstdint>

#include "FarWaves.h"
#include "VectorMath.h"

namespace {
namespace farReduction {

// Bound on the reduction's error, which the sine or cosine of the result
// carries on unchanged (both have slopes within 1).
constexpr double error = 0x1p-51;

// Smaller phases than this, and NaNs, are returned as they are.
constexpr double reducedFrom = 0x1p20;

// Built without contraction: the magic-number rounding of n needs its two
// separate roundings.
template <class Doubles, class Floats>
inline Doubles reduce(Floats phase, const farWaves::Turns& turns) noexcept {
    using FloatBits = decltype(Floats{} < Floats{});
    using DoubleBits = decltype(Doubles{} < Doubles{});
    const FloatBits bits = (FloatBits)phase;
    const FloatBits whole = (bits & 0x7FFFFF) | 0x800000;
    const FloatBits signedWhole = bits < 0 ? -whole : whole;
    // Lanes below 2^20 read some row; their results are not used.
    const FloatBits row = (((bits >> 23) & 0xFF) - farWaves::Turns::firstExponentField) &
                          (farWaves::Turns::rows - 1);
    Doubles m, high, middle, low;
#if defined(__AVX512F__)
    if constexpr (sizeof(Doubles) == 64) {
        // Eight lanes in one conversion (not two halves of four), and the
        // rows gathered with the 32-bit indexes as they are. The masked forms
        // with every lane set: the plain ones start from an undefined vector,
        // which GCC warns about.
        const __m256i index = (__m256i)row;
        const auto gather = [index](const double* table) {
            return (Doubles)_mm512_mask_i32gather_pd(_mm512_setzero_pd(), 0xFF, index, table, 8);
        };
        m = (Doubles)_mm512_maskz_cvtepi32_pd(0xFF, (__m256i)signedWhole);
        high = gather(turns.high);
        middle = gather(turns.middle);
        low = gather(turns.low);
    } else
#endif
    {
        m = __builtin_convertvector(signedWhole, Doubles);
        using O = vectorMath::Ops<Doubles>;
        const auto index = __builtin_convertvector(row, typename O::Bits);
        high = O::lookupAny(turns.high, index);
        middle = O::lookupAny(turns.middle, index);
        low = O::lookupAny(turns.low, index);
    }
    const Doubles a = m * high;
    // Round to nearest integer: adding 1.5 * 2^52 leaves no fraction bits.
    constexpr double shifter = 0x1.8p52;
    const Doubles n = (a * 0.15915494309189535 + shifter) - shifter;
    const Doubles exact = (a - n * turns.circleHigh) + (m * middle - n * turns.circleMiddle);
    const Doubles reduced = exact + (m * low - n * turns.circleLow);
    const Doubles wide = __builtin_convertvector(phase, Doubles);
    const Doubles size = (Doubles)((DoubleBits)wide & INT64_MAX);
    return size >= reducedFrom ? reduced : wide;
}

}  // namespace farReduction
}  // namespace
