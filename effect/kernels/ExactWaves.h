// Sine and cosine of float arguments, correctly rounded to double, with the
// same bits on every build: no platform math library, no fused multiply-add,
// no long double, only IEEE double additions and multiplications (built with
// -ffp-contract=off) and integer arithmetic on 32-bit limbs.
//
// x = j * pi/64 + r, |r| <= pi/128 (a little more, see reduce*), so that
//     sin(x) = S_j cos(r) + C_j sin(r),  S_j = sin(j pi/64), C_j = cos(j pi/64)
// from a table of double-double values. A quick evaluation in double carries a
// stated error bound; when the bound leaves the rounding to double undecided,
// an accurate one in double-double decides it. All 2^32 float arguments were
// checked (tests/effect/WaveExhaustive.cpp): every result is the correctly
// rounded one and the accurate path decided every case it was given.
//
// Internal linkage, like KernelMath.h: each kernel file compiles its own copy
// for its own instruction set.
#pragma once

#include <cstdint>
#include <cstring>

namespace {
namespace exactMath {

// An unevaluated sum hi + lo with |lo| <= ulp(hi).
struct Double2 {
    double hi, lo;
};

inline Double2 fastTwoSum(double a, double b) noexcept {  // |a| >= |b| or a == 0
    const double s = a + b;
    return {s, b - (s - a)};
}

inline Double2 twoSum(double a, double b) noexcept {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// Veltkamp's split: hi holds the top 26 bits, lo the rest, both exact.
inline Double2 split(double a) noexcept {
    const double c = 134217729.0 * a;  // 2^27 + 1
    const double hi = c - (c - a);
    return {hi, a - hi};
}

// Dekker's exact product (no fused multiply-add: not every target has one).
inline Double2 twoProduct(double a, double b) noexcept {
    const double p = a * b;
    const Double2 x = split(a);
    const Double2 y = split(b);
    return {p, ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

// Relative error below 2^-104 when no cancellation to below 2^-4 of the
// operands happens (true for every use below: alternating series whose terms
// fall by more than 2^10, and sums of a term with a far smaller one).
inline Double2 add(Double2 a, Double2 b) noexcept {
    const Double2 s = twoSum(a.hi, b.hi);
    const Double2 t = twoSum(a.lo, b.lo);
    Double2 u = fastTwoSum(s.hi, s.lo + t.hi);
    return fastTwoSum(u.hi, u.lo + t.lo);
}

// Relative error below 2^-103.
inline Double2 mul(Double2 a, Double2 b) noexcept {
    const Double2 p = twoProduct(a.hi, b.hi);
    return fastTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

inline double powerOfTwo(int n) noexcept {  // -1022 <= n <= 1023
    const uint64_t bits = static_cast<uint64_t>(n + 1023) << 52;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

inline uint32_t bitsOf(float x) noexcept {
    uint32_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

// Exact for v < 2^53 on every target, without relying on how a 32-bit
// compiler converts 64-bit integers.
inline double exactDouble(uint64_t v) noexcept {
    return static_cast<double>(static_cast<uint32_t>(v >> 32)) * 0x1p32 +
           static_cast<double>(static_cast<uint32_t>(v));
}

// S_hi, S_lo, C_hi, C_lo for j pi/64, j = 0..127, each within 2^-107
// relative (rounded from 600-bit values).
alignas(64) constexpr double waveTable[128][4] = {
    {0.0, 0.0, 0x1.0000000000000p+0, 0.0},
    {0x1.91f65f10dd814p-5, -0x1.912bd0d569a90p-61, 0x1.ff621e3796d7ep-1, -0x1.c57bc2e24aa15p-57},
    {0x1.917a6bc29b42cp-4, -0x1.e2718d26ed688p-60, 0x1.fd88da3d12526p-1, -0x1.87df6378811c7p-55},
    {0x1.2c8106e8e613ap-3, 0x1.13000a89a11e0p-58, 0x1.fa7557f08a517p-1, -0x1.7a0a8ca13571fp-55},
    {0x1.8f8b83c69a60bp-3, -0x1.26d19b9ff8d82p-57, 0x1.f6297cff75cb0p-1, 0x1.562172a361fd3p-56},
    {0x1.f19f97b215f1bp-3, -0x1.42deef11da2c4p-57, 0x1.f0a7efb9230d7p-1, 0x1.52c7adc6b4989p-56},
    {0x1.294062ed59f06p-2, -0x1.5d28da2c4612dp-56, 0x1.e9f4156c62ddap-1, 0x1.760b1e2e3f81ep-55},
    {0x1.58f9a75ab1fddp-2, -0x1.efdc0d58cf620p-62, 0x1.e212104f686e5p-1, -0x1.014c76c126527p-55},
    {0x1.87de2a6aea963p-2, -0x1.72cedd3d5a610p-57, 0x1.d906bcf328d46p-1, 0x1.457e610231ac2p-56},
    {0x1.b5d1009e15cc0p-2, 0x1.5b362cb974183p-57, 0x1.ced7af43cc773p-1, -0x1.e7b6bb5ab58aep-58},
    {0x1.e2b5d3806f63bp-2, 0x1.e0d891d3c6841p-58, 0x1.c38b2f180bdb1p-1, -0x1.6e0b1757c8d07p-56},
    {0x1.073879922ffeep-1, -0x1.a5a014347406cp-55, 0x1.b728345196e3ep-1, -0x1.bc69f324e6d61p-55},
    {0x1.1c73b39ae68c8p-1, 0x1.b25dd267f6600p-55, 0x1.a9b66290ea1a3p-1, 0x1.9f630e8b6dac8p-60},
    {0x1.30ff7fce17035p-1, -0x1.efcc626f74a6fp-57, 0x1.9b3e047f38741p-1, -0x1.30ee286712474p-55},
    {0x1.44cf325091dd6p-1, 0x1.8076a2cfdc6b3p-57, 0x1.8bc806b151741p-1, -0x1.2c5e12ed1336dp-55},
    {0x1.57d69348ceca0p-1, -0x1.75720992bfbb2p-55, 0x1.7b5df226aafafp-1, -0x1.0f537acdf0ad7p-56},
    {0x1.6a09e667f3bcdp-1, -0x1.bdd3413b26456p-55, 0x1.6a09e667f3bcdp-1, -0x1.bdd3413b26456p-55},
    {0x1.7b5df226aafafp-1, -0x1.0f537acdf0ad7p-56, 0x1.57d69348ceca0p-1, -0x1.75720992bfbb2p-55},
    {0x1.8bc806b151741p-1, -0x1.2c5e12ed1336dp-55, 0x1.44cf325091dd6p-1, 0x1.8076a2cfdc6b3p-57},
    {0x1.9b3e047f38741p-1, -0x1.30ee286712474p-55, 0x1.30ff7fce17035p-1, -0x1.efcc626f74a6fp-57},
    {0x1.a9b66290ea1a3p-1, 0x1.9f630e8b6dac8p-60, 0x1.1c73b39ae68c8p-1, 0x1.b25dd267f6600p-55},
    {0x1.b728345196e3ep-1, -0x1.bc69f324e6d61p-55, 0x1.073879922ffeep-1, -0x1.a5a014347406cp-55},
    {0x1.c38b2f180bdb1p-1, -0x1.6e0b1757c8d07p-56, 0x1.e2b5d3806f63bp-2, 0x1.e0d891d3c6841p-58},
    {0x1.ced7af43cc773p-1, -0x1.e7b6bb5ab58aep-58, 0x1.b5d1009e15cc0p-2, 0x1.5b362cb974183p-57},
    {0x1.d906bcf328d46p-1, 0x1.457e610231ac2p-56, 0x1.87de2a6aea963p-2, -0x1.72cedd3d5a610p-57},
    {0x1.e212104f686e5p-1, -0x1.014c76c126527p-55, 0x1.58f9a75ab1fddp-2, -0x1.efdc0d58cf620p-62},
    {0x1.e9f4156c62ddap-1, 0x1.760b1e2e3f81ep-55, 0x1.294062ed59f06p-2, -0x1.5d28da2c4612dp-56},
    {0x1.f0a7efb9230d7p-1, 0x1.52c7adc6b4989p-56, 0x1.f19f97b215f1bp-3, -0x1.42deef11da2c4p-57},
    {0x1.f6297cff75cb0p-1, 0x1.562172a361fd3p-56, 0x1.8f8b83c69a60bp-3, -0x1.26d19b9ff8d82p-57},
    {0x1.fa7557f08a517p-1, -0x1.7a0a8ca13571fp-55, 0x1.2c8106e8e613ap-3, 0x1.13000a89a11e0p-58},
    {0x1.fd88da3d12526p-1, -0x1.87df6378811c7p-55, 0x1.917a6bc29b42cp-4, -0x1.e2718d26ed688p-60},
    {0x1.ff621e3796d7ep-1, -0x1.c57bc2e24aa15p-57, 0x1.91f65f10dd814p-5, -0x1.912bd0d569a90p-61},
    {0x1.0000000000000p+0, 0.0, 0.0, 0.0},
    {0x1.ff621e3796d7ep-1, -0x1.c57bc2e24aa15p-57, -0x1.91f65f10dd814p-5, 0x1.912bd0d569a90p-61},
    {0x1.fd88da3d12526p-1, -0x1.87df6378811c7p-55, -0x1.917a6bc29b42cp-4, 0x1.e2718d26ed688p-60},
    {0x1.fa7557f08a517p-1, -0x1.7a0a8ca13571fp-55, -0x1.2c8106e8e613ap-3, -0x1.13000a89a11e0p-58},
    {0x1.f6297cff75cb0p-1, 0x1.562172a361fd3p-56, -0x1.8f8b83c69a60bp-3, 0x1.26d19b9ff8d82p-57},
    {0x1.f0a7efb9230d7p-1, 0x1.52c7adc6b4989p-56, -0x1.f19f97b215f1bp-3, 0x1.42deef11da2c4p-57},
    {0x1.e9f4156c62ddap-1, 0x1.760b1e2e3f81ep-55, -0x1.294062ed59f06p-2, 0x1.5d28da2c4612dp-56},
    {0x1.e212104f686e5p-1, -0x1.014c76c126527p-55, -0x1.58f9a75ab1fddp-2, 0x1.efdc0d58cf620p-62},
    {0x1.d906bcf328d46p-1, 0x1.457e610231ac2p-56, -0x1.87de2a6aea963p-2, 0x1.72cedd3d5a610p-57},
    {0x1.ced7af43cc773p-1, -0x1.e7b6bb5ab58aep-58, -0x1.b5d1009e15cc0p-2, -0x1.5b362cb974183p-57},
    {0x1.c38b2f180bdb1p-1, -0x1.6e0b1757c8d07p-56, -0x1.e2b5d3806f63bp-2, -0x1.e0d891d3c6841p-58},
    {0x1.b728345196e3ep-1, -0x1.bc69f324e6d61p-55, -0x1.073879922ffeep-1, 0x1.a5a014347406cp-55},
    {0x1.a9b66290ea1a3p-1, 0x1.9f630e8b6dac8p-60, -0x1.1c73b39ae68c8p-1, -0x1.b25dd267f6600p-55},
    {0x1.9b3e047f38741p-1, -0x1.30ee286712474p-55, -0x1.30ff7fce17035p-1, 0x1.efcc626f74a6fp-57},
    {0x1.8bc806b151741p-1, -0x1.2c5e12ed1336dp-55, -0x1.44cf325091dd6p-1, -0x1.8076a2cfdc6b3p-57},
    {0x1.7b5df226aafafp-1, -0x1.0f537acdf0ad7p-56, -0x1.57d69348ceca0p-1, 0x1.75720992bfbb2p-55},
    {0x1.6a09e667f3bcdp-1, -0x1.bdd3413b26456p-55, -0x1.6a09e667f3bcdp-1, 0x1.bdd3413b26456p-55},
    {0x1.57d69348ceca0p-1, -0x1.75720992bfbb2p-55, -0x1.7b5df226aafafp-1, 0x1.0f537acdf0ad7p-56},
    {0x1.44cf325091dd6p-1, 0x1.8076a2cfdc6b3p-57, -0x1.8bc806b151741p-1, 0x1.2c5e12ed1336dp-55},
    {0x1.30ff7fce17035p-1, -0x1.efcc626f74a6fp-57, -0x1.9b3e047f38741p-1, 0x1.30ee286712474p-55},
    {0x1.1c73b39ae68c8p-1, 0x1.b25dd267f6600p-55, -0x1.a9b66290ea1a3p-1, -0x1.9f630e8b6dac8p-60},
    {0x1.073879922ffeep-1, -0x1.a5a014347406cp-55, -0x1.b728345196e3ep-1, 0x1.bc69f324e6d61p-55},
    {0x1.e2b5d3806f63bp-2, 0x1.e0d891d3c6841p-58, -0x1.c38b2f180bdb1p-1, 0x1.6e0b1757c8d07p-56},
    {0x1.b5d1009e15cc0p-2, 0x1.5b362cb974183p-57, -0x1.ced7af43cc773p-1, 0x1.e7b6bb5ab58aep-58},
    {0x1.87de2a6aea963p-2, -0x1.72cedd3d5a610p-57, -0x1.d906bcf328d46p-1, -0x1.457e610231ac2p-56},
    {0x1.58f9a75ab1fddp-2, -0x1.efdc0d58cf620p-62, -0x1.e212104f686e5p-1, 0x1.014c76c126527p-55},
    {0x1.294062ed59f06p-2, -0x1.5d28da2c4612dp-56, -0x1.e9f4156c62ddap-1, -0x1.760b1e2e3f81ep-55},
    {0x1.f19f97b215f1bp-3, -0x1.42deef11da2c4p-57, -0x1.f0a7efb9230d7p-1, -0x1.52c7adc6b4989p-56},
    {0x1.8f8b83c69a60bp-3, -0x1.26d19b9ff8d82p-57, -0x1.f6297cff75cb0p-1, -0x1.562172a361fd3p-56},
    {0x1.2c8106e8e613ap-3, 0x1.13000a89a11e0p-58, -0x1.fa7557f08a517p-1, 0x1.7a0a8ca13571fp-55},
    {0x1.917a6bc29b42cp-4, -0x1.e2718d26ed688p-60, -0x1.fd88da3d12526p-1, 0x1.87df6378811c7p-55},
    {0x1.91f65f10dd814p-5, -0x1.912bd0d569a90p-61, -0x1.ff621e3796d7ep-1, 0x1.c57bc2e24aa15p-57},
    {0.0, 0.0, -0x1.0000000000000p+0, 0.0},
    {-0x1.91f65f10dd814p-5, 0x1.912bd0d569a90p-61, -0x1.ff621e3796d7ep-1, 0x1.c57bc2e24aa15p-57},
    {-0x1.917a6bc29b42cp-4, 0x1.e2718d26ed688p-60, -0x1.fd88da3d12526p-1, 0x1.87df6378811c7p-55},
    {-0x1.2c8106e8e613ap-3, -0x1.13000a89a11e0p-58, -0x1.fa7557f08a517p-1, 0x1.7a0a8ca13571fp-55},
    {-0x1.8f8b83c69a60bp-3, 0x1.26d19b9ff8d82p-57, -0x1.f6297cff75cb0p-1, -0x1.562172a361fd3p-56},
    {-0x1.f19f97b215f1bp-3, 0x1.42deef11da2c4p-57, -0x1.f0a7efb9230d7p-1, -0x1.52c7adc6b4989p-56},
    {-0x1.294062ed59f06p-2, 0x1.5d28da2c4612dp-56, -0x1.e9f4156c62ddap-1, -0x1.760b1e2e3f81ep-55},
    {-0x1.58f9a75ab1fddp-2, 0x1.efdc0d58cf620p-62, -0x1.e212104f686e5p-1, 0x1.014c76c126527p-55},
    {-0x1.87de2a6aea963p-2, 0x1.72cedd3d5a610p-57, -0x1.d906bcf328d46p-1, -0x1.457e610231ac2p-56},
    {-0x1.b5d1009e15cc0p-2, -0x1.5b362cb974183p-57, -0x1.ced7af43cc773p-1, 0x1.e7b6bb5ab58aep-58},
    {-0x1.e2b5d3806f63bp-2, -0x1.e0d891d3c6841p-58, -0x1.c38b2f180bdb1p-1, 0x1.6e0b1757c8d07p-56},
    {-0x1.073879922ffeep-1, 0x1.a5a014347406cp-55, -0x1.b728345196e3ep-1, 0x1.bc69f324e6d61p-55},
    {-0x1.1c73b39ae68c8p-1, -0x1.b25dd267f6600p-55, -0x1.a9b66290ea1a3p-1, -0x1.9f630e8b6dac8p-60},
    {-0x1.30ff7fce17035p-1, 0x1.efcc626f74a6fp-57, -0x1.9b3e047f38741p-1, 0x1.30ee286712474p-55},
    {-0x1.44cf325091dd6p-1, -0x1.8076a2cfdc6b3p-57, -0x1.8bc806b151741p-1, 0x1.2c5e12ed1336dp-55},
    {-0x1.57d69348ceca0p-1, 0x1.75720992bfbb2p-55, -0x1.7b5df226aafafp-1, 0x1.0f537acdf0ad7p-56},
    {-0x1.6a09e667f3bcdp-1, 0x1.bdd3413b26456p-55, -0x1.6a09e667f3bcdp-1, 0x1.bdd3413b26456p-55},
    {-0x1.7b5df226aafafp-1, 0x1.0f537acdf0ad7p-56, -0x1.57d69348ceca0p-1, 0x1.75720992bfbb2p-55},
    {-0x1.8bc806b151741p-1, 0x1.2c5e12ed1336dp-55, -0x1.44cf325091dd6p-1, -0x1.8076a2cfdc6b3p-57},
    {-0x1.9b3e047f38741p-1, 0x1.30ee286712474p-55, -0x1.30ff7fce17035p-1, 0x1.efcc626f74a6fp-57},
    {-0x1.a9b66290ea1a3p-1, -0x1.9f630e8b6dac8p-60, -0x1.1c73b39ae68c8p-1, -0x1.b25dd267f6600p-55},
    {-0x1.b728345196e3ep-1, 0x1.bc69f324e6d61p-55, -0x1.073879922ffeep-1, 0x1.a5a014347406cp-55},
    {-0x1.c38b2f180bdb1p-1, 0x1.6e0b1757c8d07p-56, -0x1.e2b5d3806f63bp-2, -0x1.e0d891d3c6841p-58},
    {-0x1.ced7af43cc773p-1, 0x1.e7b6bb5ab58aep-58, -0x1.b5d1009e15cc0p-2, -0x1.5b362cb974183p-57},
    {-0x1.d906bcf328d46p-1, -0x1.457e610231ac2p-56, -0x1.87de2a6aea963p-2, 0x1.72cedd3d5a610p-57},
    {-0x1.e212104f686e5p-1, 0x1.014c76c126527p-55, -0x1.58f9a75ab1fddp-2, 0x1.efdc0d58cf620p-62},
    {-0x1.e9f4156c62ddap-1, -0x1.760b1e2e3f81ep-55, -0x1.294062ed59f06p-2, 0x1.5d28da2c4612dp-56},
    {-0x1.f0a7efb9230d7p-1, -0x1.52c7adc6b4989p-56, -0x1.f19f97b215f1bp-3, 0x1.42deef11da2c4p-57},
    {-0x1.f6297cff75cb0p-1, -0x1.562172a361fd3p-56, -0x1.8f8b83c69a60bp-3, 0x1.26d19b9ff8d82p-57},
    {-0x1.fa7557f08a517p-1, 0x1.7a0a8ca13571fp-55, -0x1.2c8106e8e613ap-3, -0x1.13000a89a11e0p-58},
    {-0x1.fd88da3d12526p-1, 0x1.87df6378811c7p-55, -0x1.917a6bc29b42cp-4, 0x1.e2718d26ed688p-60},
    {-0x1.ff621e3796d7ep-1, 0x1.c57bc2e24aa15p-57, -0x1.91f65f10dd814p-5, 0x1.912bd0d569a90p-61},
    {-0x1.0000000000000p+0, 0.0, 0.0, 0.0},
    {-0x1.ff621e3796d7ep-1, 0x1.c57bc2e24aa15p-57, 0x1.91f65f10dd814p-5, -0x1.912bd0d569a90p-61},
    {-0x1.fd88da3d12526p-1, 0x1.87df6378811c7p-55, 0x1.917a6bc29b42cp-4, -0x1.e2718d26ed688p-60},
    {-0x1.fa7557f08a517p-1, 0x1.7a0a8ca13571fp-55, 0x1.2c8106e8e613ap-3, 0x1.13000a89a11e0p-58},
    {-0x1.f6297cff75cb0p-1, -0x1.562172a361fd3p-56, 0x1.8f8b83c69a60bp-3, -0x1.26d19b9ff8d82p-57},
    {-0x1.f0a7efb9230d7p-1, -0x1.52c7adc6b4989p-56, 0x1.f19f97b215f1bp-3, -0x1.42deef11da2c4p-57},
    {-0x1.e9f4156c62ddap-1, -0x1.760b1e2e3f81ep-55, 0x1.294062ed59f06p-2, -0x1.5d28da2c4612dp-56},
    {-0x1.e212104f686e5p-1, 0x1.014c76c126527p-55, 0x1.58f9a75ab1fddp-2, -0x1.efdc0d58cf620p-62},
    {-0x1.d906bcf328d46p-1, -0x1.457e610231ac2p-56, 0x1.87de2a6aea963p-2, -0x1.72cedd3d5a610p-57},
    {-0x1.ced7af43cc773p-1, 0x1.e7b6bb5ab58aep-58, 0x1.b5d1009e15cc0p-2, 0x1.5b362cb974183p-57},
    {-0x1.c38b2f180bdb1p-1, 0x1.6e0b1757c8d07p-56, 0x1.e2b5d3806f63bp-2, 0x1.e0d891d3c6841p-58},
    {-0x1.b728345196e3ep-1, 0x1.bc69f324e6d61p-55, 0x1.073879922ffeep-1, -0x1.a5a014347406cp-55},
    {-0x1.a9b66290ea1a3p-1, -0x1.9f630e8b6dac8p-60, 0x1.1c73b39ae68c8p-1, 0x1.b25dd267f6600p-55},
    {-0x1.9b3e047f38741p-1, 0x1.30ee286712474p-55, 0x1.30ff7fce17035p-1, -0x1.efcc626f74a6fp-57},
    {-0x1.8bc806b151741p-1, 0x1.2c5e12ed1336dp-55, 0x1.44cf325091dd6p-1, 0x1.8076a2cfdc6b3p-57},
    {-0x1.7b5df226aafafp-1, 0x1.0f537acdf0ad7p-56, 0x1.57d69348ceca0p-1, -0x1.75720992bfbb2p-55},
    {-0x1.6a09e667f3bcdp-1, 0x1.bdd3413b26456p-55, 0x1.6a09e667f3bcdp-1, -0x1.bdd3413b26456p-55},
    {-0x1.57d69348ceca0p-1, 0x1.75720992bfbb2p-55, 0x1.7b5df226aafafp-1, -0x1.0f537acdf0ad7p-56},
    {-0x1.44cf325091dd6p-1, -0x1.8076a2cfdc6b3p-57, 0x1.8bc806b151741p-1, -0x1.2c5e12ed1336dp-55},
    {-0x1.30ff7fce17035p-1, 0x1.efcc626f74a6fp-57, 0x1.9b3e047f38741p-1, -0x1.30ee286712474p-55},
    {-0x1.1c73b39ae68c8p-1, -0x1.b25dd267f6600p-55, 0x1.a9b66290ea1a3p-1, 0x1.9f630e8b6dac8p-60},
    {-0x1.073879922ffeep-1, 0x1.a5a014347406cp-55, 0x1.b728345196e3ep-1, -0x1.bc69f324e6d61p-55},
    {-0x1.e2b5d3806f63bp-2, -0x1.e0d891d3c6841p-58, 0x1.c38b2f180bdb1p-1, -0x1.6e0b1757c8d07p-56},
    {-0x1.b5d1009e15cc0p-2, -0x1.5b362cb974183p-57, 0x1.ced7af43cc773p-1, -0x1.e7b6bb5ab58aep-58},
    {-0x1.87de2a6aea963p-2, 0x1.72cedd3d5a610p-57, 0x1.d906bcf328d46p-1, 0x1.457e610231ac2p-56},
    {-0x1.58f9a75ab1fddp-2, 0x1.efdc0d58cf620p-62, 0x1.e212104f686e5p-1, -0x1.014c76c126527p-55},
    {-0x1.294062ed59f06p-2, 0x1.5d28da2c4612dp-56, 0x1.e9f4156c62ddap-1, 0x1.760b1e2e3f81ep-55},
    {-0x1.f19f97b215f1bp-3, 0x1.42deef11da2c4p-57, 0x1.f0a7efb9230d7p-1, 0x1.52c7adc6b4989p-56},
    {-0x1.8f8b83c69a60bp-3, 0x1.26d19b9ff8d82p-57, 0x1.f6297cff75cb0p-1, 0x1.562172a361fd3p-56},
    {-0x1.2c8106e8e613ap-3, -0x1.13000a89a11e0p-58, 0x1.fa7557f08a517p-1, -0x1.7a0a8ca13571fp-55},
    {-0x1.917a6bc29b42cp-4, 0x1.e2718d26ed688p-60, 0x1.fd88da3d12526p-1, -0x1.87df6378811c7p-55},
    {-0x1.91f65f10dd814p-5, 0x1.912bd0d569a90p-61, 0x1.ff621e3796d7ep-1, -0x1.c57bc2e24aa15p-57},
};

constexpr Double2 piOver64{0x1.921fb54442d18p-5, 0x1.1a62633145c07p-59};

// The bits of 1/(2 pi) after the point, preceded by 33 zero bits: bit g of
// this array (from the top of word 0) has weight 2^(32 - g).
constexpr uint32_t inverseCircle[12] = {
    0x00000000, 0x145F306D, 0xC9C882A5, 0x3F84EAFA, 0x3EA69BB8, 0x1B6C52B3,
    0x27887208, 0x3FCA2C75, 0x7BD778AC, 0x36E48DC7, 0x4849BA5C, 0x00C925DD};

// x = j pi/64 + r, with j taken modulo 128.
struct Reduced {
    int index;
    Double2 r;
};

// For 2^-8 <= x < 2^104 * 2^24 (every finite float from 2^-8 up), exactly
// up to the truncation of 1/(2 pi): x = m 2^k with m < 2^24, and
// x 64/pi mod 128 = (m * W mod 2^192) * 2^-185 where W holds the 192 bits of
// 1/(2 pi) from weight 2^-(k+1) on (the bits above give multiples of 128).
// The bits left out weigh less than m 2^-185 < 2^-161 in units of pi/64. The
// fraction u, taken in [-1/2, 1/2), goes to double-double with its first 106
// significant bits; |u| > 2^-40 for every float (2^-29.8 at least, by the
// exhaustive check), so r = u pi/64 has relative error below 2^-102.
inline Reduced reduceFar(float x) noexcept {
    const uint32_t bits = bitsOf(x);
    const uint64_t m = (bits & 0x7FFFFF) | 0x800000;
    const int start = static_cast<int>((bits >> 23) & 0xFF) - 150 + 33;
    uint32_t window[6];
    for (int t = 0; t < 6; ++t) {
        const int g = start + 32 * t;
        const int word = g >> 5;
        const int shift = g & 31;
        const uint64_t pair = (static_cast<uint64_t>(inverseCircle[word]) << 32) | inverseCircle[word + 1];
        window[t] = static_cast<uint32_t>(pair >> (32 - shift));
    }
    uint32_t product[6];
    uint64_t carry = 0;
    for (int t = 5; t >= 0; --t) {
        const uint64_t p = m * window[t] + carry;
        product[t] = static_cast<uint32_t>(p);
        carry = p >> 32;
    }
    int index = static_cast<int>(product[0] >> 25);
    // The 185 fraction bits, moved to the top of three 64-bit words.
    uint64_t f0 = (static_cast<uint64_t>(product[0] & 0x1FFFFFF) << 39) |
                  (static_cast<uint64_t>(product[1]) << 7) | (product[2] >> 25);
    uint64_t f1 = (static_cast<uint64_t>(product[2]) << 39) |
                  (static_cast<uint64_t>(product[3]) << 7) | (product[4] >> 25);
    uint64_t f2 = (static_cast<uint64_t>(product[4]) << 39) | (static_cast<uint64_t>(product[5]) << 7);
    const bool upper = (f0 >> 63) != 0;
    if (upper) {  // u - 1: the next multiple of pi/64, minus the complement
        index = (index + 1) & 127;
        f2 = ~f2 + 1;
        uint64_t c = f2 == 0 ? 1 : 0;
        f1 = ~f1 + c;
        c = (c != 0 && f1 == 0) ? 1 : 0;
        f0 = ~f0 + c;
    }
    int scale = 0;
    while (f0 == 0 && scale < 128) {
        f0 = f1;
        f1 = f2;
        f2 = 0;
        scale += 64;
    }
    if (f0 == 0) {
        return {index, {0.0, 0.0}};
    }
    const int lead = __builtin_clzll(f0);
    if (lead != 0) {
        f0 = (f0 << lead) | (f1 >> (64 - lead));
        f1 = (f1 << lead) | (f2 >> (64 - lead));
    }
    const double hi = exactDouble(f0 >> 11) * powerOfTwo(-53 - lead - scale);
    const double lo = exactDouble(((f0 & 0x7FF) << 42) | (f1 >> 22)) * powerOfTwo(-106 - lead - scale);
    Double2 r = mul(Double2{hi, lo}, piOver64);
    if (upper) {
        r = {-r.hi, -r.lo};
    }
    return {index, r};
}

// Cody and Waite's reduction for 2^-8 <= x < 2^20: j < 2^24.4, and pi/64 =
// P0 + P1 + P2 with P0, P1 of 28 bits, so j P0 and j P1 are exact; x - j P0
// is a multiple of 2^-32 below 2^-5, exact. The error of r is that of j P2
// (P2's own error 2^-119 and the product's rounding, together below
// 2^-88 for j < 2^24.4) plus one rounding of a value below 2^-35: below
// 2^-86 absolute.
constexpr double nearReductionError = 0x1p-86;
inline Reduced reduceNear(double x) noexcept {
    constexpr double shifter = 0x1.8p52;
    const double j = (x * 0x1.45f306dc9c883p+4 + shifter) - shifter;
    const double d = x - j * 0x1.921fb54p-5;
    const Double2 s = twoSum(d, -(j * 0x1.10b4612p-35));
    const Double2 r = fastTwoSum(s.hi, s.lo - j * -0x1.676733ae8fe48p-65);
    return {static_cast<int>(j) & 127, r};
}

// An approximation hi + lo and a bound on its error.
struct Estimate {
    double hi, lo, error;
};

// The double nearest to hi + lo, when every value within `error` of it
// rounds the same way; `decided` tells. fl(lo -+ e) may round towards lo by
// half an ulp of lo, hence the widened margin.
inline double roundIfDecided(double hi, double lo, double error, bool& decided) noexcept {
    const double lo2 = lo < 0 ? -lo : lo;
    const double margin = error * 1.0001 + lo2 * 0x1p-52;
    const double down = hi + (lo - margin);
    const double up = hi + (lo + margin);
    decided = down == up;
    return down;
}

// Quick evaluation, |r| <= 0.02455 (pi/128 + 2^-30), in double around the
// exact product C_hi r_hi:
//   c = cos r - 1 from its Taylor terms to r^8 (the rest below 2^-75),
//   s = sin r - r to r^7 (the rest below 2^-62.7 |r|).
// Summing the bounds term by term: the error is below
//   |S_j| 2^-60 + |C_j r| 2^-60.8 + (error of r),
// taken as 2^-59 (|S_hi| + |C_hi r_hi|) + that of r.
inline Estimate waveQuickEstimate(const Reduced& x, double reductionError) noexcept {
    const double* row = waveTable[x.index];
    const double rh = x.r.hi;
    const double z = rh * rh;
    const double c =
        z * (-0.5 + z * (0x1.5555555555555p-5 + z * (-0x1.6c16c16c16c17p-10 + z * 0x1.a01a01a01a01ap-16)));
    const double s = rh * z * (-0x1.5555555555555p-3 + z * (0x1.1111111111111p-7 + z * -0x1.a01a01a01a01ap-13));
    const Double2 p = twoProduct(row[2], rh);
    const Double2 main = twoSum(row[0], p.hi);
    const double tail = main.lo + p.lo + row[1] + row[2] * (x.r.lo + s) + row[3] * rh +
                        row[0] * (c - rh * x.r.lo);
    const double size = (row[0] < 0 ? -row[0] : row[0]) + (p.hi < 0 ? -p.hi : p.hi);
    return {main.hi, tail, size * 0x1p-59 + reductionError};
}

inline double waveQuick(const Reduced& x, double reductionError, bool& decided) noexcept {
    const Estimate e = waveQuickEstimate(x, reductionError);
    return roundIfDecided(e.hi, e.lo, e.error, decided);
}

// Accurate evaluation in double-double: Taylor terms of cos r - 1 to r^12
// and of sin r to r^13 (the rests below 2^-111 and 2^-115 |r|), each
// coefficient within 2^-106. With r within 2^-102 relative, the result is
// within 2^-98 of its size; the exhaustive run found every argument that
// reaches it decided.
inline Estimate waveAccurateEstimate(const Reduced& x) noexcept {
    // (-1)^k / (2k)! for k = 1..6, and (-1)^k / (2k+1)! for k = 0..6.
    static constexpr Double2 cosine[] = {
        {-0x1.0000000000000p-1, 0.0},
        {0x1.5555555555555p-5, 0x1.5555555555555p-59},
        {-0x1.6c16c16c16c17p-10, 0x1.f49f49f49f49fp-65},
        {0x1.a01a01a01a01ap-16, 0x1.a01a01a01a01ap-76},
        {-0x1.27e4fb7789f5cp-22, -0x1.cbbc05b4fa99ap-76},
        {0x1.1eed8eff8d898p-29, -0x1.2aec959e14c06p-83},
    };
    static constexpr Double2 sine[] = {
        {0x1.0000000000000p+0, 0.0},
        {-0x1.5555555555555p-3, -0x1.5555555555555p-57},
        {0x1.1111111111111p-7, 0x1.1111111111111p-63},
        {-0x1.a01a01a01a01ap-13, -0x1.a01a01a01a01ap-73},
        {0x1.71de3a556c734p-19, -0x1.c154f8ddc6c00p-73},
        {-0x1.ae64567f544e4p-26, 0x1.c062e06d1f209p-80},
        {0x1.6124613a86d09p-33, 0x1.f28e0cc748ebep-87},
    };
    const double* row = waveTable[x.index];
    const Double2 r = x.r;
    const Double2 z = mul(r, r);
    Double2 c = cosine[5];
    for (int k = 4; k >= 0; --k) {
        c = add(mul(c, z), cosine[k]);
    }
    c = mul(c, z);
    Double2 s = sine[6];
    for (int k = 5; k >= 0; --k) {
        s = add(mul(s, z), sine[k]);
    }
    // S cos r + C sin r = S + (S c + C r s'), with c = cos r - 1 and
    // s = sin r / r.
    const Double2 sj{row[0], row[1]};
    const Double2 cj{row[2], row[3]};
    const Double2 v = add(sj, add(mul(sj, c), mul(cj, mul(r, s))));
    const double size = v.hi < 0 ? -v.hi : v.hi;
    return {v.hi, v.lo, size * 0x1p-98};
}

// `relativeError` above the stated one only for checks with a wider margin.
inline double waveAccurate(const Reduced& x, bool& decided, double relativeError = 0x1p-98) noexcept {
    const Estimate e = waveAccurateEstimate(x);
    const double size = e.hi < 0 ? -e.hi : e.hi;
    return roundIfDecided(e.hi, e.lo, size * relativeError, decided);
}

// sin (quarter 0) or cos (quarter 32) of a float, correctly rounded.
inline double wave(float x, int quarter) noexcept {
    const double wide = x;
    if (!(wide - wide == 0.0)) {
        return wide - wide;  // NaN for NaN and for infinities
    }
    const bool negative = (bitsOf(x) >> 31) != 0;  // -0 too: the sine of -0 is -0
    const float size = negative ? -x : x;
    const double ax = size;
    Reduced reduced;
    double reductionError = 0.0;
    if (ax < 0x1p-8) {
        reduced = {0, {ax, 0.0}};
    } else if (ax < 0x1p20) {
        reduced = reduceNear(ax);
        reductionError = nearReductionError;
    } else {
        reduced = reduceFar(size);
        reductionError = (reduced.r.hi < 0 ? -reduced.r.hi : reduced.r.hi) * 0x1p-100;
    }
    reduced.index = (reduced.index + quarter) & 127;
    bool decided;
    double y = waveQuick(reduced, reductionError, decided);
    if (!decided) {
        if (ax >= 0x1p-8) {
            reduced = reduceFar(size);
            reduced.index = (reduced.index + quarter) & 127;
        }
        y = waveAccurate(reduced, decided);
    }
    return negative && quarter == 0 ? -y : y;
}

inline double sin(float x) noexcept { return wave(x, 0); }
inline double cos(float x) noexcept { return wave(x, 32); }

}  // namespace exactMath
}  // namespace
