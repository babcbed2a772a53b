// The vector kernels' own sine, cosine and pow, written once over GCC vector
// types of doubles (SSE2's __m128d, AVX's __m256d, AVX-512's __m512d), so one
// source serves every instruction set. Each states its error bound against
// the exact result; the rounding guard (ChunkKernels.h) is derived from these
// bounds, and a value it cannot decide goes to the reference arithmetic.
//
// Files that include this are built without contraction: the error bounds
// count every rounding as written. Where the instruction set has them, an
// explicit multiply-add (Ops::mulAdd) rounds once where a product and a sum
// round twice; every bound below counts the two roundings, so it holds for
// either.
//
// Everything is forced inline: an out-of-line call would pass its vectors
// through memory on some targets (32-bit, and Windows' 64-bit convention).
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#if defined(__FMA__) || defined(__AVX512F__)
#include <immintrin.h>
#endif

namespace {
namespace vectorMath {

// |sinNear(p) - sin(p)| and |cosNear(p) - cos(p)| for |p| <= nearPhase, with
// p = n π/32 + r: n < 2^24, so n Q1 and n Q2 are exact (24 + 29 bits) and
// p - n Q1 too (Sterbenz); the two later steps round within 2^-58 each
// (|r| <= π/64 + 2^-33 < 2^-4.3, n from a rounded product), n Q3 within
// 2^-92, and the rest of π/32 beyond Q3 is below 2^-118, times n: r within
// 2^-57. Taylor polynomials: sin r within r^9/9! = 2^-57.6, its evaluation
// within 2^-58; cos r - 1 within 2^-65, evaluated within 2^-62. The rows
// within 2^-54 (sine) and 2^-54 times |sin r| (cosine); the two products and
// the inner sum add 3 * 2^-58, the last sum 2^-53. Sum below 1.75 * 2^-53,
// stated with margin (measured on every float phase: 0.53 * 2^-52).
constexpr double sinCosError = 0x1p-52;
constexpr double nearPhase = 0x1p20;

// |pow(b, e) / exact - 1| for a float b > 0 widened to double (subnormal
// floats included) and an exponent e >= 1 that is a float, the result
// neither overflowing nor below 2^-1022. The power is rounded to float at
// once and has a guard of its own (ChunkKernels.h), so this bound is loose on
// purpose: a few in a million samples go to the reference, and the chain
// stays short. General exponents: log2 b = k + T + log2(1 + z), z exact,
// |z| <= 2^-7, T rounded to double (2^-54). log(1 + z) is taken to z^5: the
// cut, below z^6/6 = 2^-44.58, is 2^-44.05 in log2 and 2^-41.24 in e log2 b
// (e < 7.02, the largest FreqDif gives); the series' roundings, T's and the
// two products' add below 2^-48. e k is exact (24 by 8 bits), and so is
// e k - n/64 (n the integer nearest 64 e log2 b), so the fraction f
// (|f| <= 1/128 + 2^-43) carries only these errors and its own last rounding
// (2^-60): 2^f moves by ln 2 times them, 2^-41.7 relative. 2^f's Taylor
// polynomial of degree 4 is within 2^(1/128) (ln 2 / 128)^5 / 5! = 2^-44.54
// of it and rounds within 2^-52; 2^(j/64) from the table and the last
// product add 2^-52. Sum below 0.35 * 2^-40. Integer exponents 2 to 7 take
// at most three roundings of products (3 * 2^-53). Results below 2^-1020
// come out as zero: they round to float zero, as the exact ones do.
constexpr double powError = 0x1p-40;

template <int bytes>
struct UnsignedLanes;
template <>
struct UnsignedLanes<16> {
    typedef unsigned long long type __attribute__((vector_size(16)));
};
template <>
struct UnsignedLanes<32> {
    typedef unsigned long long type __attribute__((vector_size(32)));
};
template <>
struct UnsignedLanes<64> {
    typedef unsigned long long type __attribute__((vector_size(64)));
};

// Whether this file's instruction set has a multiply-add for these vectors.
template <class Doubles>
inline constexpr bool hardwareFma =
#if defined(__AVX512F__)
    true;
#elif defined(__FMA__)
    sizeof(Doubles) <= 32;
#else
    false;
#endif

// A table of 64 pairs as two tables of 64, so that each can be read with
// permutes (Ops::lookup).
struct Columns {
    alignas(64) double first[64];
    alignas(64) double second[64];
};

template <class Row>
constexpr Columns columnsOf(const Row (&rows)[64], double Row::*first, double Row::*second) {
    Columns columns{};
    for (int row = 0; row < 64; ++row) {
        columns.first[row] = rows[row].*first;
        columns.second[row] = rows[row].*second;
    }
    return columns;
}

template <class Doubles, bool fused = hardwareFma<Doubles>>
struct Ops {
    static constexpr int width = sizeof(Doubles) / sizeof(double);
    using Bits = decltype(Doubles{} < Doubles{});
    // For shifts: AVX2 and SSE2 shift 64-bit lanes logically only.
    using Unsigned = typename UnsignedLanes<sizeof(Doubles)>::type;

    [[gnu::always_inline]] static Doubles splat(double value) noexcept {
        Doubles vector;
        for (int lane = 0; lane < width; ++lane) {
            vector[lane] = value;
        }
        return vector;
    }
    [[gnu::always_inline]] static Bits splatBits(int64_t value) noexcept {
        Bits vector;
        for (int lane = 0; lane < width; ++lane) {
            vector[lane] = value;
        }
        return vector;
    }
    [[gnu::always_inline]] static Doubles abs(Doubles value) noexcept {
        return (Doubles)((Bits)value & splatBits(INT64_MAX));
    }
    // The integer nearest each value (ties to even), for |value| < 2^51: as a
    // double, and its low bits as an integer.
    [[gnu::always_inline]] static Doubles nearest(Doubles value, Bits& integer) noexcept {
        constexpr double shifter = 0x1.8p52;
        const Doubles shifted = value + splat(shifter);
        integer = (Bits)shifted - (Bits)splat(shifter);
        return shifted - splat(shifter);
    }
    // a * b + c: rounded once where `fused`, else twice.
    [[gnu::always_inline]] static Doubles mulAdd(Doubles a, Doubles b, Doubles c) noexcept {
        if constexpr (!fused) {
            return a * b + c;
        } else {
#if defined(__AVX512F__)
            if constexpr (sizeof(Doubles) == 64) {
                return (Doubles)_mm512_fmadd_pd((__m512d)a, (__m512d)b, (__m512d)c);
            }
#endif
#if defined(__FMA__)
            if constexpr (sizeof(Doubles) == 32) {
                return (Doubles)_mm256_fmadd_pd((__m256d)a, (__m256d)b, (__m256d)c);
            } else if constexpr (sizeof(Doubles) == 16) {
                return (Doubles)_mm_fmadd_pd((__m128d)a, (__m128d)b, (__m128d)c);
            }
#endif
            // Lane by lane through the C library's (correctly rounded) fma:
            // lets the tests check the fused variant on any build.
            Doubles result;
            for (int lane = 0; lane < width; ++lane) {
                result[lane] = __builtin_fma(a[lane], b[lane], c[lane]);
            }
            return result;
        }
    }
    // table[index[lane]] in each lane, for a table of 64 and indexes in 0 to
    // 63. Eight lanes with AVX-512 read the table from registers with
    // two-register permutes (16 entries each) and pick among the four
    // results by the index's bits 4 and 5: seven instructions where a lane
    // by lane build takes about thirty. Four or eight lanes otherwise are
    // built in registers: written lane by lane through memory and read back
    // whole, they wait for the writes (as 32-bit builds did); two lanes are
    // quicker lane by lane.
    [[gnu::always_inline]] static Doubles lookup(const double (&table)[64], Bits index) noexcept {
#if defined(__AVX512F__)
        if constexpr (width == 8) {
            const __m512i i = (__m512i)index;
            const auto pair = [&](int first) {
                return _mm512_permutex2var_pd(_mm512_loadu_pd(table + first), i,
                                              _mm512_loadu_pd(table + first + 8));
            };
            const __mmask8 upper16 = _mm512_test_epi64_mask(i, _mm512_set1_epi64(16));
            const __mmask8 upper32 = _mm512_test_epi64_mask(i, _mm512_set1_epi64(32));
            const __m512d low = _mm512_mask_blend_pd(upper16, pair(0), pair(16));
            const __m512d high = _mm512_mask_blend_pd(upper16, pair(32), pair(48));
            return (Doubles)_mm512_mask_blend_pd(upper32, low, high);
        }
#endif
        return lookupAny(table, index);
    }
    // The same for a table of any length.
    [[gnu::always_inline]] static Doubles lookupAny(const double* table, Bits index) noexcept {
        if constexpr (width > 2) {
            return lookupLanes(table, index, std::make_index_sequence<width>{});
        } else {
            Doubles result;
            for (int lane = 0; lane < width; ++lane) {
                result[lane] = table[index[lane]];
            }
            return result;
        }
    }
    // Both values of row[lane] of a table of 64 pairs, in each lane; `columns`
    // holds the same pairs as two tables of 64.
    template <class Row>
    [[gnu::always_inline]] static void lookupRows(const Row (&table)[64], const Columns& columns,
                                                  Bits row, Doubles& first,
                                                  Doubles& second) noexcept {
        static_assert(sizeof(Row) == 2 * sizeof(double));
        if constexpr (width > 2) {
            first = lookup(columns.first, row);
            second = lookup(columns.second, row);
        } else {
            for (int lane = 0; lane < width; ++lane) {
                const double* values = reinterpret_cast<const double*>(table + row[lane]);
                first[lane] = values[0];
                second[lane] = values[1];
            }
        }
    }

private:
    template <size_t... lanes>
    [[gnu::always_inline]] static Doubles lookupLanes(const double* table, Bits index,
                                                      std::index_sequence<lanes...>) noexcept {
        return Doubles{table[index[lanes]]...};
    }
};

// sin(j π/32) and cos(j π/32), rounded to double.
struct WaveRow {
    double sine, cosine;
};
inline constexpr WaveRow waveRows[64] = {
    {0.0, 0x1.0000000000000p+0},
    {0x1.917a6bc29b42cp-4, 0x1.fd88da3d12526p-1},
    {0x1.8f8b83c69a60bp-3, 0x1.f6297cff75cb0p-1},
    {0x1.294062ed59f06p-2, 0x1.e9f4156c62ddap-1},
    {0x1.87de2a6aea963p-2, 0x1.d906bcf328d46p-1},
    {0x1.e2b5d3806f63bp-2, 0x1.c38b2f180bdb1p-1},
    {0x1.1c73b39ae68c8p-1, 0x1.a9b66290ea1a3p-1},
    {0x1.44cf325091dd6p-1, 0x1.8bc806b151741p-1},
    {0x1.6a09e667f3bcdp-1, 0x1.6a09e667f3bcdp-1},
    {0x1.8bc806b151741p-1, 0x1.44cf325091dd6p-1},
    {0x1.a9b66290ea1a3p-1, 0x1.1c73b39ae68c8p-1},
    {0x1.c38b2f180bdb1p-1, 0x1.e2b5d3806f63bp-2},
    {0x1.d906bcf328d46p-1, 0x1.87de2a6aea963p-2},
    {0x1.e9f4156c62ddap-1, 0x1.294062ed59f06p-2},
    {0x1.f6297cff75cb0p-1, 0x1.8f8b83c69a60bp-3},
    {0x1.fd88da3d12526p-1, 0x1.917a6bc29b42cp-4},
    {0x1.0000000000000p+0, 0.0},
    {0x1.fd88da3d12526p-1, -0x1.917a6bc29b42cp-4},
    {0x1.f6297cff75cb0p-1, -0x1.8f8b83c69a60bp-3},
    {0x1.e9f4156c62ddap-1, -0x1.294062ed59f06p-2},
    {0x1.d906bcf328d46p-1, -0x1.87de2a6aea963p-2},
    {0x1.c38b2f180bdb1p-1, -0x1.e2b5d3806f63bp-2},
    {0x1.a9b66290ea1a3p-1, -0x1.1c73b39ae68c8p-1},
    {0x1.8bc806b151741p-1, -0x1.44cf325091dd6p-1},
    {0x1.6a09e667f3bcdp-1, -0x1.6a09e667f3bcdp-1},
    {0x1.44cf325091dd6p-1, -0x1.8bc806b151741p-1},
    {0x1.1c73b39ae68c8p-1, -0x1.a9b66290ea1a3p-1},
    {0x1.e2b5d3806f63bp-2, -0x1.c38b2f180bdb1p-1},
    {0x1.87de2a6aea963p-2, -0x1.d906bcf328d46p-1},
    {0x1.294062ed59f06p-2, -0x1.e9f4156c62ddap-1},
    {0x1.8f8b83c69a60bp-3, -0x1.f6297cff75cb0p-1},
    {0x1.917a6bc29b42cp-4, -0x1.fd88da3d12526p-1},
    {0.0, -0x1.0000000000000p+0},
    {-0x1.917a6bc29b42cp-4, -0x1.fd88da3d12526p-1},
    {-0x1.8f8b83c69a60bp-3, -0x1.f6297cff75cb0p-1},
    {-0x1.294062ed59f06p-2, -0x1.e9f4156c62ddap-1},
    {-0x1.87de2a6aea963p-2, -0x1.d906bcf328d46p-1},
    {-0x1.e2b5d3806f63bp-2, -0x1.c38b2f180bdb1p-1},
    {-0x1.1c73b39ae68c8p-1, -0x1.a9b66290ea1a3p-1},
    {-0x1.44cf325091dd6p-1, -0x1.8bc806b151741p-1},
    {-0x1.6a09e667f3bcdp-1, -0x1.6a09e667f3bcdp-1},
    {-0x1.8bc806b151741p-1, -0x1.44cf325091dd6p-1},
    {-0x1.a9b66290ea1a3p-1, -0x1.1c73b39ae68c8p-1},
    {-0x1.c38b2f180bdb1p-1, -0x1.e2b5d3806f63bp-2},
    {-0x1.d906bcf328d46p-1, -0x1.87de2a6aea963p-2},
    {-0x1.e9f4156c62ddap-1, -0x1.294062ed59f06p-2},
    {-0x1.f6297cff75cb0p-1, -0x1.8f8b83c69a60bp-3},
    {-0x1.fd88da3d12526p-1, -0x1.917a6bc29b42cp-4},
    {-0x1.0000000000000p+0, 0.0},
    {-0x1.fd88da3d12526p-1, 0x1.917a6bc29b42cp-4},
    {-0x1.f6297cff75cb0p-1, 0x1.8f8b83c69a60bp-3},
    {-0x1.e9f4156c62ddap-1, 0x1.294062ed59f06p-2},
    {-0x1.d906bcf328d46p-1, 0x1.87de2a6aea963p-2},
    {-0x1.c38b2f180bdb1p-1, 0x1.e2b5d3806f63bp-2},
    {-0x1.a9b66290ea1a3p-1, 0x1.1c73b39ae68c8p-1},
    {-0x1.8bc806b151741p-1, 0x1.44cf325091dd6p-1},
    {-0x1.6a09e667f3bcdp-1, 0x1.6a09e667f3bcdp-1},
    {-0x1.44cf325091dd6p-1, 0x1.8bc806b151741p-1},
    {-0x1.1c73b39ae68c8p-1, 0x1.a9b66290ea1a3p-1},
    {-0x1.e2b5d3806f63bp-2, 0x1.c38b2f180bdb1p-1},
    {-0x1.87de2a6aea963p-2, 0x1.d906bcf328d46p-1},
    {-0x1.294062ed59f06p-2, 0x1.e9f4156c62ddap-1},
    {-0x1.8f8b83c69a60bp-3, 0x1.f6297cff75cb0p-1},
    {-0x1.917a6bc29b42cp-4, 0x1.fd88da3d12526p-1},
};
inline constexpr Columns waveColumns = columnsOf(waveRows, &WaveRow::sine, &WaveRow::cosine);

// The wave a quarter turn `quarters` ahead of sin(p): 0 sine, 1 cosine. With
// p = n π/32 + r and j = n + 16 quarters, it is
// sin(j π/32) + (sin(j π/32) (cos r - 1) + cos(j π/32) sin r).
template <class Doubles, int quarters, bool fused>
[[gnu::always_inline]] inline Doubles wave(Doubles p) noexcept {
    using O = Ops<Doubles, fused>;
    using Bits = typename O::Bits;
    const auto c = [](double value) { return O::splat(value); };
    Bits turn;
    const Doubles n = O::nearest(p * c(0x1.45f306dc9c883p+3), turn);
    // π/32 in three parts, the first two of 29 bits.
    const Doubles r = O::mulAdd(
        n, c(-0x1.4c4c6628b80dcp-63),
        O::mulAdd(n, c(-0x1.10b4611p-34), O::mulAdd(n, c(-0x1.921fb54p-4), p)));
    const Doubles z = r * r;
    // sin r: Taylor to r^7.
    Doubles sine = O::mulAdd(
        r * z, O::mulAdd(z, O::mulAdd(z, c(-1.0 / 5040), c(1.0 / 120)), c(-1.0 / 6)), r);
    // cos r - 1: Taylor to r^8.
    const Doubles cosine = z * O::mulAdd(
        z, O::mulAdd(z, O::mulAdd(z, c(1.0 / 40320), c(-1.0 / 720)), c(1.0 / 24)), c(-0.5));
    const Bits row = (turn + 16 * quarters) & 63;
    Doubles rowSine, rowCosine;
    O::lookupRows(waveRows, waveColumns, row, rowSine, rowCosine);
    return rowSine + O::mulAdd(rowSine, cosine, rowCosine * sine);
}

// sin(-p) = -sin(p), which keeps the sign of a zero phase (the sums in wave
// would give +0 for both).
template <class Doubles, bool fused = hardwareFma<Doubles>>
[[gnu::always_inline]] inline Doubles sinNear(Doubles p) noexcept {
    using O = Ops<Doubles, fused>;
    using Bits = typename O::Bits;
    const Bits sign = (Bits)p & O::splatBits(INT64_MIN);
    return (Doubles)((Bits)wave<Doubles, 0, fused>((Doubles)((Bits)p ^ sign)) ^ sign);
}

template <class Doubles, bool fused = hardwareFma<Doubles>>
[[gnu::always_inline]] inline Doubles cosNear(Doubles p) noexcept {
    return wave<Doubles, 1, fused>(p);
}

// For m in [1 + j/64, 1 + (j+1)/64): a float r near 1 / (1 + (j + 1/2)/64),
// and -log2 r rounded to double.
struct LogRow {
    double inverse, high;
};
inline constexpr LogRow logRows[64] = {
    {0x1.fc07f00000000p-1, 0x1.6fe516f994381p-7},
    {0x1.f4465a0000000p-1, 0x1.11cd1acadf723p-5},
    {0x1.ecc07c0000000p-1, 0x1.c4df9816b67cbp-5},
    {0x1.e573ac0000000p-1, 0x1.3aa304acd04f4p-4},
    {0x1.de5d6e0000000p-1, 0x1.918a19f536b15p-4},
    {0x1.d77b660000000p-1, 0x1.e72eb841d5082p-4},
    {0x1.d0cb580000000p-1, 0x1.1dcd1f96f9b03p-3},
    {0x1.ca4b300000000p-1, 0x1.476aa1c23e268p-3},
    {0x1.c3f8f00000000p-1, 0x1.70742e079a632p-3},
    {0x1.bdd2b80000000p-1, 0x1.98edd46f8f540p-3},
    {0x1.b7d6c40000000p-1, 0x1.c0db6bf6c0150p-3},
    {0x1.b203640000000p-1, 0x1.e840bea311339p-3},
    {0x1.ac57020000000p-1, 0x1.0790ac9a79044p-2},
    {0x1.a6d01a0000000p-1, 0x1.1ac05ca5fe214p-2},
    {0x1.a16d400000000p-1, 0x1.2db10e538534dp-2},
    {0x1.9c2d140000000p-1, 0x1.40646707c3973p-2},
    {0x1.970e500000000p-1, 0x1.52dbddf71fd7ap-2},
    {0x1.920fb40000000p-1, 0x1.651900878bb3cp-2},
    {0x1.8d30180000000p-1, 0x1.771d2eb8c3300p-2},
    {0x1.886e600000000p-1, 0x1.88e9c392b7fbbp-2},
    {0x1.83c9780000000p-1, 0x1.9a80224eb84b9p-2},
    {0x1.7f40600000000p-1, 0x1.abe186df47b97p-2},
    {0x1.7ad2200000000p-1, 0x1.bd0f30c877b4fp-2},
    {0x1.767dce0000000p-1, 0x1.ce0a4a2d1a3cfp-2},
    {0x1.7242880000000p-1, 0x1.ded3fd15f8d60p-2},
    {0x1.6e1f760000000p-1, 0x1.ef6d6a09ac6bbp-2},
    {0x1.6a13ce0000000p-1, 0x1.ffd795ea4ce80p-2},
    {0x1.661ec60000000p-1, 0x1.0809d07c70e13p-1},
    {0x1.623fa80000000p-1, 0x1.101139e927eecp-1},
    {0x1.5e75bc0000000p-1, 0x1.18028c04ca092p-1},
    {0x1.5ac0560000000p-1, 0x1.1fde3ea801dafp-1},
    {0x1.571ed40000000p-1, 0x1.27a4bfd967b6ep-1},
    {0x1.5390940000000p-1, 0x1.2f56889653368p-1},
    {0x1.5015020000000p-1, 0x1.36f3fe3434aabp-1},
    {0x1.4cab880000000p-1, 0x1.3e7d9477e112fp-1},
    {0x1.49539e0000000p-1, 0x1.45f3aa0edace2p-1},
    {0x1.460cbc0000000p-1, 0x1.4d56a6d3c6e8fp-1},
    {0x1.42d6620000000p-1, 0x1.54a6e99fd90d6p-1},
    {0x1.3fb0140000000p-1, 0x1.5be4d0bfc69fap-1},
    {0x1.3c995a0000000p-1, 0x1.6310b99cad4a3p-1},
    {0x1.3991c20000000p-1, 0x1.6a2afbad85334p-1},
    {0x1.3698e00000000p-1, 0x1.7133e7e3ad346p-1},
    {0x1.33ae460000000p-1, 0x1.782bdb4af57c4p-1},
    {0x1.30d1900000000p-1, 0x1.7f13224657803p-1},
    {0x1.2e025c0000000p-1, 0x1.85ea0b16b2561p-1},
    {0x1.2b404a0000000p-1, 0x1.8cb0e5b64d312p-1},
    {0x1.288b020000000p-1, 0x1.9367f4c15bf7cp-1},
    {0x1.25e2280000000p-1, 0x1.9a0f8acbcf7e6p-1},
    {0x1.2345680000000p-1, 0x1.a0a7ec78ac72fp-1},
    {0x1.20b4700000000p-1, 0x1.a7315efec62fep-1},
    {0x1.1e2ef40000000p-1, 0x1.adac1dace7a47p-1},
    {0x1.1bb4a40000000p-1, 0x1.b41873561aac7p-1},
    {0x1.1945380000000p-1, 0x1.ba769b50f9ddap-1},
    {0x1.16e0680000000p-1, 0x1.c0c6d5d02f9b5p-1},
    {0x1.1485f00000000p-1, 0x1.c7095d41475dbp-1},
    {0x1.12358e0000000p-1, 0x1.cd3e6b4a0d266p-1},
    {0x1.0fef020000000p-1, 0x1.d366389bd9fd9p-1},
    {0x1.0db20a0000000p-1, 0x1.d98107baf029dp-1},
    {0x1.0b7e6e0000000p-1, 0x1.df8f042119af7p-1},
    {0x1.0953f40000000p-1, 0x1.e5906290e2e95p-1},
    {0x1.0732600000000p-1, 0x1.eb85615a52243p-1},
    {0x1.0519800000000p-1, 0x1.f16e26ac62ed1p-1},
    {0x1.03091c0000000p-1, 0x1.f74aed1eb17c8p-1},
    {0x1.0101020000000p-1, 0x1.fd1be1eb0f163p-1},
};
inline constexpr Columns logColumns = columnsOf(logRows, &LogRow::inverse, &LogRow::high);

// How pow is taken for one block's exponent.
enum class PowKind { identity, integer, general };

inline PowKind powKind(double exponent, int& whole) noexcept {
    whole = static_cast<int>(exponent);
    if (exponent == 1.0) {
        return PowKind::identity;
    }
    if (exponent == static_cast<double>(whole) && whole >= 2 && whole <= 7) {
        return PowKind::integer;
    }
    return PowKind::general;
}

// b^n for n in 2..7 by at most three products beyond the exact square.
template <class Doubles>
[[gnu::always_inline]] inline Doubles powInteger(Doubles b, int n) noexcept {
    const Doubles square = b * b;
    switch (n) {
    case 2:
        return square;
    case 3:
        return square * b;
    case 4:
        return square * square;
    case 5:
        return (square * square) * b;
    case 6:
        return (square * square) * square;
    default:
        return ((square * square) * square) * b;
    }
}

// 2^(j/64), rounded to double.
alignas(64) inline constexpr double powersOfTwo[64] = {
    0x1.0000000000000p+0, 0x1.02c9a3e778061p+0, 0x1.059b0d3158574p+0, 0x1.0874518759bc8p+0,
    0x1.0b5586cf9890fp+0, 0x1.0e3ec32d3d1a2p+0, 0x1.11301d0125b51p+0, 0x1.1429aaea92de0p+0,
    0x1.172b83c7d517bp+0, 0x1.1a35beb6fcb75p+0, 0x1.1d4873168b9aap+0, 0x1.2063b88628cd6p+0,
    0x1.2387a6e756238p+0, 0x1.26b4565e27cddp+0, 0x1.29e9df51fdee1p+0, 0x1.2d285a6e4030bp+0,
    0x1.306fe0a31b715p+0, 0x1.33c08b26416ffp+0, 0x1.371a7373aa9cbp+0, 0x1.3a7db34e59ff7p+0,
    0x1.3dea64c123422p+0, 0x1.4160a21f72e2ap+0, 0x1.44e086061892dp+0, 0x1.486a2b5c13cd0p+0,
    0x1.4bfdad5362a27p+0, 0x1.4f9b2769d2ca7p+0, 0x1.5342b569d4f82p+0, 0x1.56f4736b527dap+0,
    0x1.5ab07dd485429p+0, 0x1.5e76f15ad2148p+0, 0x1.6247eb03a5585p+0, 0x1.6623882552225p+0,
    0x1.6a09e667f3bcdp+0, 0x1.6dfb23c651a2fp+0, 0x1.71f75e8ec5f74p+0, 0x1.75feb564267c9p+0,
    0x1.7a11473eb0187p+0, 0x1.7e2f336cf4e62p+0, 0x1.82589994cce13p+0, 0x1.868d99b4492edp+0,
    0x1.8ace5422aa0dbp+0, 0x1.8f1ae99157736p+0, 0x1.93737b0cdc5e5p+0, 0x1.97d829fde4e50p+0,
    0x1.9c49182a3f090p+0, 0x1.a0c667b5de565p+0, 0x1.a5503b23e255dp+0, 0x1.a9e6b5579fdbfp+0,
    0x1.ae89f995ad3adp+0, 0x1.b33a2b84f15fbp+0, 0x1.b7f76f2fb5e47p+0, 0x1.bcc1e904bc1d2p+0,
    0x1.c199bdd85529cp+0, 0x1.c67f12e57d14bp+0, 0x1.cb720dcef9069p+0, 0x1.d072d4a07897cp+0,
    0x1.d5818dcfba487p+0, 0x1.da9e603db3285p+0, 0x1.dfc97337b9b5fp+0, 0x1.e502ee78b3ff6p+0,
    0x1.ea4afa2a490dap+0, 0x1.efa1bee615a27p+0, 0x1.f50765b6e4540p+0, 0x1.fa7c1819e90d8p+0,
};

// b^e = 2^(n/64 + f), n an integer and |f| <= 1/128 + 2^-43, in two halves
// (so that a loop can take each on its own): n and f from b and e first,
// then the power from them (powGeneral).
template <class Doubles>
struct PowParts {
    Doubles n, f;
};

template <class Doubles, bool fused = hardwareFma<Doubles>>
[[gnu::always_inline]] inline PowParts<Doubles> powParts(Doubles b, double e) noexcept {
    using O = Ops<Doubles, fused>;
    using Bits = typename O::Bits;
    using Unsigned = typename O::Unsigned;
    const auto c = [](double value) { return O::splat(value); };
    const Bits bits = (Bits)b;
    // b = 2^k m with m in [1, 2); b is a widened float, so a normal double
    // (or zero, read as 2^-1023, whose result below is zero). k is read as
    // the low bits of 2^52 + 1023 + k.
    const Doubles k = (Doubles)((Bits)((Unsigned)bits >> 52) | O::splatBits(0x4330000000000000)) -
                      c(0x1p52 + 1023);
    const Doubles m = (Doubles)((bits & O::splatBits(0xFFFFFFFFFFFFF)) | O::splatBits(0x3FF0000000000000));
    const Bits row = (Bits)(((Unsigned)bits >> 46) & 63);
    Doubles inverse, high;
    O::lookupRows(logRows, logColumns, row, inverse, high);
    // m has 24 bits and the inverse 24: the product is exact, and so is its
    // distance from 1.
    const Doubles z = O::mulAdd(m, inverse, c(-1.0));
    // log(1 + z) - z, Taylor to z^5 (see powError), its terms paired so
    // that they take fewer steps one after another.
    const Doubles z2 = z * z;
    const Doubles series =
        z2 * O::mulAdd(z2, O::mulAdd(z, c(0.2), c(-0.25)), O::mulAdd(z, c(1.0 / 3), c(-0.5)));
    // log2 of the row's m times its inverse: below 2^-6.5.
    const Doubles small = (z + series) * c(0x1.71547652b82fep+0);
    const Doubles exponent = O::splat(e);
    // e k exactly; e (T + small) below 8.
    const Doubles whole = exponent * k;
    const Doubles part = exponent * (high + small);
    Bits integer;
    // n/64 nearest e log2 b, so that |f| <= 1/128 (and the sum's rounding);
    // e k - n/64 is exact, both multiples of 2^-23 below 2^11.
    const Doubles n = O::nearest((whole + part) * c(64.0), integer);
    return {n, O::mulAdd(n, c(-1.0 / 64), whole) + part};
}

template <class Doubles, bool fused = hardwareFma<Doubles>>
[[gnu::always_inline]] inline Doubles powFromParts(Doubles b, PowParts<Doubles> parts) noexcept {
    using O = Ops<Doubles, fused>;
    using Bits = typename O::Bits;
    const auto c = [](double value) { return O::splat(value); };
    const Doubles f = parts.f;
    Bits integer;
    O::nearest(parts.n, integer);
    // 2^f: Taylor to degree 4, coefficients (ln 2)^i / i!, in two halves
    // that take fewer steps one after another.
    const Doubles f2 = f * f;
    const Doubles poly =
        O::mulAdd(f2, O::mulAdd(f2, c(0x1.3b2ab6fba4e77p-7), O::mulAdd(f, c(0x1.c6b08d704a0c0p-5), c(0x1.ebfbdff82c58fp-3))),
                  O::mulAdd(f, c(0x1.62e42fefa39efp-1), c(1.0)));
    // 2^(n/64) = 2^(j/64) 2^((n - j)/64), the second factor put straight
    // into the exponent field; normal for n > -1020 * 64. Unsigned lanes:
    // where n is far out of range the sum wraps, and the result is replaced.
    using Unsigned = typename O::Unsigned;
    const Bits j = integer & 63;
    const Doubles scale = (Doubles)((Unsigned)O::lookup(powersOfTwo, j) +
                                    ((Unsigned)(integer - j) << 46));
    const Doubles result = parts.n > c(-1020.0 * 64) ? scale * poly : c(0.0);
    return b < O::splat(__builtin_inf()) ? result : b;
}

// b^e as 2^(e log2 b), for b >= 0 and a float exponent e >= 1 (see
// powError); an infinite or NaN base is returned as it is, as pow does for
// e >= 1.
template <class Doubles, bool fused = hardwareFma<Doubles>>
[[gnu::always_inline]] inline Doubles powGeneral(Doubles b, double e) noexcept {
    return powFromParts<Doubles, fused>(b, powParts<Doubles, fused>(b, e));
}

}  // namespace vectorMath
}  // namespace
