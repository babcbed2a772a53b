// Sine and cosine of float arguments, correctly rounded to double, with the
// same bits on every build: no platform math library, no fused multiply-add,
// no long double, only IEEE double additions and multiplications (built with
// -ffp-contract=off) and integer arithmetic, whose results do not depend on
// the width of the limbs a target has.
//
// x = j * pi/128 + r, |r| <= pi/256 (a little more, see reduce*), so that
//     sin(x) = S_j cos(r) + C_j sin(r),  S_j = sin(j pi/128), C_j = cos(j pi/128)
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

// x with `sign` (0 or the top bit) toggling its sign bit.
inline double withSign(double x, uint64_t sign) noexcept {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    bits ^= sign;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

inline uint32_t bitsOf(float x) noexcept {
    uint32_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

// Exact for v < 2^53 on every target, without relying on how a 32-bit
// compiler converts 64-bit integers; a 64-bit target converts them in one
// instruction, exactly as well.
inline double exactDouble(uint64_t v) noexcept {
#if defined(__SIZEOF_INT128__)
    return static_cast<double>(static_cast<int64_t>(v));
#else
    return static_cast<double>(static_cast<uint32_t>(v >> 32)) * 0x1p32 +
           static_cast<double>(static_cast<uint32_t>(v));
#endif
}

// Rows of the table: j is taken modulo this, and a quarter turn (pi/2) is
// this many rows, so that cos x = sin(x + pi/2) takes the row that far on.
constexpr int waveRows = 256;
constexpr int quarterTurn = 64;

// S_hi, S_lo, C_hi, C_lo for j pi/128, j = 0..255, each within 2^-107.3
// relative (scripts/wave-table: hi the nearest double to the 800-bit
// value, lo the nearest to the rest).
alignas(64) constexpr double waveTable[waveRows][4] = {
    {0.0, 0.0, 0x1.0000000000000p+0, 0.0},
    {0x1.92155f7a3667ep-6, -0x1.b1d63091a0130p-64, 0x1.ffd886084cd0dp-1, -0x1.1354d4556e4cbp-55},
    {0x1.91f65f10dd814p-5, -0x1.912bd0d569a90p-61, 0x1.ff621e3796d7ep-1, -0x1.c57bc2e24aa15p-57},
    {0x1.2d52092ce19f6p-4, -0x1.9a088a8bf6b2cp-59, 0x1.fe9cdad01883ap-1, 0x1.521ecd0c67e35p-57},
    {0x1.917a6bc29b42cp-4, -0x1.e2718d26ed688p-60, 0x1.fd88da3d12526p-1, -0x1.87df6378811c7p-55},
    {0x1.f564e56a9730ep-4, 0x1.a2704729ae56dp-59, 0x1.fc26470e19fd3p-1, 0x1.1ec8668ecaceep-55},
    {0x1.2c8106e8e613ap-3, 0x1.13000a89a11e0p-58, 0x1.fa7557f08a517p-1, -0x1.7a0a8ca13571fp-55},
    {0x1.5e214448b3fc6p-3, 0x1.531ff779ddac6p-57, 0x1.f8764fa714ba9p-1, 0x1.ab256778ffcb6p-56},
    {0x1.8f8b83c69a60bp-3, -0x1.26d19b9ff8d82p-57, 0x1.f6297cff75cb0p-1, 0x1.562172a361fd3p-56},
    {0x1.c0b826a7e4f63p-3, -0x1.af1439e521935p-62, 0x1.f38f3ac64e589p-1, -0x1.d7bafb51f72e6p-56},
    {0x1.f19f97b215f1bp-3, -0x1.42deef11da2c4p-57, 0x1.f0a7efb9230d7p-1, 0x1.52c7adc6b4989p-56},
    {0x1.111d262b1f677p-2, 0x1.824c20ab7aa9ap-56, 0x1.ed740e7684963p-1, 0x1.e82c791f59cc2p-56},
    {0x1.294062ed59f06p-2, -0x1.5d28da2c4612dp-56, 0x1.e9f4156c62ddap-1, 0x1.760b1e2e3f81ep-55},
    {0x1.4135c94176601p-2, 0x1.0c97c4afa2518p-56, 0x1.e6288ec48e112p-1, -0x1.16b56f2847754p-57},
    {0x1.58f9a75ab1fddp-2, -0x1.efdc0d58cf620p-62, 0x1.e212104f686e5p-1, -0x1.014c76c126527p-55},
    {0x1.7088530fa459fp-2, -0x1.44b19e0864c5dp-56, 0x1.ddb13b6ccc23cp-1, 0x1.83c37c6107db3p-55},
    {0x1.87de2a6aea963p-2, -0x1.72cedd3d5a610p-57, 0x1.d906bcf328d46p-1, 0x1.457e610231ac2p-56},
    {0x1.9ef7943a8ed8ap-2, 0x1.6da81290bdbabp-57, 0x1.d4134d14dc93ap-1, -0x1.4ef5295d25af2p-55},
    {0x1.b5d1009e15cc0p-2, 0x1.5b362cb974183p-57, 0x1.ced7af43cc773p-1, -0x1.e7b6bb5ab58aep-58},
    {0x1.cc66e9931c45ep-2, 0x1.6850e59c37f8fp-58, 0x1.c954b213411f5p-1, -0x1.2fb761e946603p-58},
    {0x1.e2b5d3806f63bp-2, 0x1.e0d891d3c6841p-58, 0x1.c38b2f180bdb1p-1, -0x1.6e0b1757c8d07p-56},
    {0x1.f8ba4dbf89abap-2, -0x1.2ec1fc1b776b8p-60, 0x1.bd7c0ac6f952ap-1, -0x1.825a732ac700ap-55},
    {0x1.073879922ffeep-1, -0x1.a5a014347406cp-55, 0x1.b728345196e3ep-1, -0x1.bc69f324e6d61p-55},
    {0x1.11eb3541b4b23p-1, -0x1.ef23b69abe4f1p-55, 0x1.b090a58150200p-1, -0x1.926da300ffccep-55},
    {0x1.1c73b39ae68c8p-1, 0x1.b25dd267f6600p-55, 0x1.a9b66290ea1a3p-1, 0x1.9f630e8b6dac8p-60},
    {0x1.26d054cdd12dfp-1, -0x1.5da743ef3770cp-55, 0x1.a29a7a0462782p-1, -0x1.128bb015df175p-56},
    {0x1.30ff7fce17035p-1, -0x1.efcc626f74a6fp-57, 0x1.9b3e047f38741p-1, -0x1.30ee286712474p-55},
    {0x1.3affa292050b9p-1, 0x1.e3e25e3954964p-56, 0x1.93a22499263fbp-1, 0x1.3d419a920df0bp-55},
    {0x1.44cf325091dd6p-1, 0x1.8076a2cfdc6b3p-57, 0x1.8bc806b151741p-1, -0x1.2c5e12ed1336dp-55},
    {0x1.4e6cabbe3e5e9p-1, 0x1.3c293edceb327p-57, 0x1.83b0e0bff976ep-1, -0x1.6f420f8ea3475p-56},
    {0x1.57d69348ceca0p-1, -0x1.75720992bfbb2p-55, 0x1.7b5df226aafafp-1, -0x1.0f537acdf0ad7p-56},
    {0x1.610b7551d2cdfp-1, -0x1.251b352ff2a37p-56, 0x1.72d0837efff96p-1, 0x1.0d4ef0f1d915cp-55},
    {0x1.6a09e667f3bcdp-1, -0x1.bdd3413b26456p-55, 0x1.6a09e667f3bcdp-1, -0x1.bdd3413b26456p-55},
    {0x1.72d0837efff96p-1, 0x1.0d4ef0f1d915cp-55, 0x1.610b7551d2cdfp-1, -0x1.251b352ff2a37p-56},
    {0x1.7b5df226aafafp-1, -0x1.0f537acdf0ad7p-56, 0x1.57d69348ceca0p-1, -0x1.75720992bfbb2p-55},
    {0x1.83b0e0bff976ep-1, -0x1.6f420f8ea3475p-56, 0x1.4e6cabbe3e5e9p-1, 0x1.3c293edceb327p-57},
    {0x1.8bc806b151741p-1, -0x1.2c5e12ed1336dp-55, 0x1.44cf325091dd6p-1, 0x1.8076a2cfdc6b3p-57},
    {0x1.93a22499263fbp-1, 0x1.3d419a920df0bp-55, 0x1.3affa292050b9p-1, 0x1.e3e25e3954964p-56},
    {0x1.9b3e047f38741p-1, -0x1.30ee286712474p-55, 0x1.30ff7fce17035p-1, -0x1.efcc626f74a6fp-57},
    {0x1.a29a7a0462782p-1, -0x1.128bb015df175p-56, 0x1.26d054cdd12dfp-1, -0x1.5da743ef3770cp-55},
    {0x1.a9b66290ea1a3p-1, 0x1.9f630e8b6dac8p-60, 0x1.1c73b39ae68c8p-1, 0x1.b25dd267f6600p-55},
    {0x1.b090a58150200p-1, -0x1.926da300ffccep-55, 0x1.11eb3541b4b23p-1, -0x1.ef23b69abe4f1p-55},
    {0x1.b728345196e3ep-1, -0x1.bc69f324e6d61p-55, 0x1.073879922ffeep-1, -0x1.a5a014347406cp-55},
    {0x1.bd7c0ac6f952ap-1, -0x1.825a732ac700ap-55, 0x1.f8ba4dbf89abap-2, -0x1.2ec1fc1b776b8p-60},
    {0x1.c38b2f180bdb1p-1, -0x1.6e0b1757c8d07p-56, 0x1.e2b5d3806f63bp-2, 0x1.e0d891d3c6841p-58},
    {0x1.c954b213411f5p-1, -0x1.2fb761e946603p-58, 0x1.cc66e9931c45ep-2, 0x1.6850e59c37f8fp-58},
    {0x1.ced7af43cc773p-1, -0x1.e7b6bb5ab58aep-58, 0x1.b5d1009e15cc0p-2, 0x1.5b362cb974183p-57},
    {0x1.d4134d14dc93ap-1, -0x1.4ef5295d25af2p-55, 0x1.9ef7943a8ed8ap-2, 0x1.6da81290bdbabp-57},
    {0x1.d906bcf328d46p-1, 0x1.457e610231ac2p-56, 0x1.87de2a6aea963p-2, -0x1.72cedd3d5a610p-57},
    {0x1.ddb13b6ccc23cp-1, 0x1.83c37c6107db3p-55, 0x1.7088530fa459fp-2, -0x1.44b19e0864c5dp-56},
    {0x1.e212104f686e5p-1, -0x1.014c76c126527p-55, 0x1.58f9a75ab1fddp-2, -0x1.efdc0d58cf620p-62},
    {0x1.e6288ec48e112p-1, -0x1.16b56f2847754p-57, 0x1.4135c94176601p-2, 0x1.0c97c4afa2518p-56},
    {0x1.e9f4156c62ddap-1, 0x1.760b1e2e3f81ep-55, 0x1.294062ed59f06p-2, -0x1.5d28da2c4612dp-56},
    {0x1.ed740e7684963p-1, 0x1.e82c791f59cc2p-56, 0x1.111d262b1f677p-2, 0x1.824c20ab7aa9ap-56},
    {0x1.f0a7efb9230d7p-1, 0x1.52c7adc6b4989p-56, 0x1.f19f97b215f1bp-3, -0x1.42deef11da2c4p-57},
    {0x1.f38f3ac64e589p-1, -0x1.d7bafb51f72e6p-56, 0x1.c0b826a7e4f63p-3, -0x1.af1439e521935p-62},
    {0x1.f6297cff75cb0p-1, 0x1.562172a361fd3p-56, 0x1.8f8b83c69a60bp-3, -0x1.26d19b9ff8d82p-57},
    {0x1.f8764fa714ba9p-1, 0x1.ab256778ffcb6p-56, 0x1.5e214448b3fc6p-3, 0x1.531ff779ddac6p-57},
    {0x1.fa7557f08a517p-1, -0x1.7a0a8ca13571fp-55, 0x1.2c8106e8e613ap-3, 0x1.13000a89a11e0p-58},
    {0x1.fc26470e19fd3p-1, 0x1.1ec8668ecaceep-55, 0x1.f564e56a9730ep-4, 0x1.a2704729ae56dp-59},
    {0x1.fd88da3d12526p-1, -0x1.87df6378811c7p-55, 0x1.917a6bc29b42cp-4, -0x1.e2718d26ed688p-60},
    {0x1.fe9cdad01883ap-1, 0x1.521ecd0c67e35p-57, 0x1.2d52092ce19f6p-4, -0x1.9a088a8bf6b2cp-59},
    {0x1.ff621e3796d7ep-1, -0x1.c57bc2e24aa15p-57, 0x1.91f65f10dd814p-5, -0x1.912bd0d569a90p-61},
    {0x1.ffd886084cd0dp-1, -0x1.1354d4556e4cbp-55, 0x1.92155f7a3667ep-6, -0x1.b1d63091a0130p-64},
    {0x1.0000000000000p+0, 0.0, 0.0, 0.0},
    {0x1.ffd886084cd0dp-1, -0x1.1354d4556e4cbp-55, -0x1.92155f7a3667ep-6, 0x1.b1d63091a0130p-64},
    {0x1.ff621e3796d7ep-1, -0x1.c57bc2e24aa15p-57, -0x1.91f65f10dd814p-5, 0x1.912bd0d569a90p-61},
    {0x1.fe9cdad01883ap-1, 0x1.521ecd0c67e35p-57, -0x1.2d52092ce19f6p-4, 0x1.9a088a8bf6b2cp-59},
    {0x1.fd88da3d12526p-1, -0x1.87df6378811c7p-55, -0x1.917a6bc29b42cp-4, 0x1.e2718d26ed688p-60},
    {0x1.fc26470e19fd3p-1, 0x1.1ec8668ecaceep-55, -0x1.f564e56a9730ep-4, -0x1.a2704729ae56dp-59},
    {0x1.fa7557f08a517p-1, -0x1.7a0a8ca13571fp-55, -0x1.2c8106e8e613ap-3, -0x1.13000a89a11e0p-58},
    {0x1.f8764fa714ba9p-1, 0x1.ab256778ffcb6p-56, -0x1.5e214448b3fc6p-3, -0x1.531ff779ddac6p-57},
    {0x1.f6297cff75cb0p-1, 0x1.562172a361fd3p-56, -0x1.8f8b83c69a60bp-3, 0x1.26d19b9ff8d82p-57},
    {0x1.f38f3ac64e589p-1, -0x1.d7bafb51f72e6p-56, -0x1.c0b826a7e4f63p-3, 0x1.af1439e521935p-62},
    {0x1.f0a7efb9230d7p-1, 0x1.52c7adc6b4989p-56, -0x1.f19f97b215f1bp-3, 0x1.42deef11da2c4p-57},
    {0x1.ed740e7684963p-1, 0x1.e82c791f59cc2p-56, -0x1.111d262b1f677p-2, -0x1.824c20ab7aa9ap-56},
    {0x1.e9f4156c62ddap-1, 0x1.760b1e2e3f81ep-55, -0x1.294062ed59f06p-2, 0x1.5d28da2c4612dp-56},
    {0x1.e6288ec48e112p-1, -0x1.16b56f2847754p-57, -0x1.4135c94176601p-2, -0x1.0c97c4afa2518p-56},
    {0x1.e212104f686e5p-1, -0x1.014c76c126527p-55, -0x1.58f9a75ab1fddp-2, 0x1.efdc0d58cf620p-62},
    {0x1.ddb13b6ccc23cp-1, 0x1.83c37c6107db3p-55, -0x1.7088530fa459fp-2, 0x1.44b19e0864c5dp-56},
    {0x1.d906bcf328d46p-1, 0x1.457e610231ac2p-56, -0x1.87de2a6aea963p-2, 0x1.72cedd3d5a610p-57},
    {0x1.d4134d14dc93ap-1, -0x1.4ef5295d25af2p-55, -0x1.9ef7943a8ed8ap-2, -0x1.6da81290bdbabp-57},
    {0x1.ced7af43cc773p-1, -0x1.e7b6bb5ab58aep-58, -0x1.b5d1009e15cc0p-2, -0x1.5b362cb974183p-57},
    {0x1.c954b213411f5p-1, -0x1.2fb761e946603p-58, -0x1.cc66e9931c45ep-2, -0x1.6850e59c37f8fp-58},
    {0x1.c38b2f180bdb1p-1, -0x1.6e0b1757c8d07p-56, -0x1.e2b5d3806f63bp-2, -0x1.e0d891d3c6841p-58},
    {0x1.bd7c0ac6f952ap-1, -0x1.825a732ac700ap-55, -0x1.f8ba4dbf89abap-2, 0x1.2ec1fc1b776b8p-60},
    {0x1.b728345196e3ep-1, -0x1.bc69f324e6d61p-55, -0x1.073879922ffeep-1, 0x1.a5a014347406cp-55},
    {0x1.b090a58150200p-1, -0x1.926da300ffccep-55, -0x1.11eb3541b4b23p-1, 0x1.ef23b69abe4f1p-55},
    {0x1.a9b66290ea1a3p-1, 0x1.9f630e8b6dac8p-60, -0x1.1c73b39ae68c8p-1, -0x1.b25dd267f6600p-55},
    {0x1.a29a7a0462782p-1, -0x1.128bb015df175p-56, -0x1.26d054cdd12dfp-1, 0x1.5da743ef3770cp-55},
    {0x1.9b3e047f38741p-1, -0x1.30ee286712474p-55, -0x1.30ff7fce17035p-1, 0x1.efcc626f74a6fp-57},
    {0x1.93a22499263fbp-1, 0x1.3d419a920df0bp-55, -0x1.3affa292050b9p-1, -0x1.e3e25e3954964p-56},
    {0x1.8bc806b151741p-1, -0x1.2c5e12ed1336dp-55, -0x1.44cf325091dd6p-1, -0x1.8076a2cfdc6b3p-57},
    {0x1.83b0e0bff976ep-1, -0x1.6f420f8ea3475p-56, -0x1.4e6cabbe3e5e9p-1, -0x1.3c293edceb327p-57},
    {0x1.7b5df226aafafp-1, -0x1.0f537acdf0ad7p-56, -0x1.57d69348ceca0p-1, 0x1.75720992bfbb2p-55},
    {0x1.72d0837efff96p-1, 0x1.0d4ef0f1d915cp-55, -0x1.610b7551d2cdfp-1, 0x1.251b352ff2a37p-56},
    {0x1.6a09e667f3bcdp-1, -0x1.bdd3413b26456p-55, -0x1.6a09e667f3bcdp-1, 0x1.bdd3413b26456p-55},
    {0x1.610b7551d2cdfp-1, -0x1.251b352ff2a37p-56, -0x1.72d0837efff96p-1, -0x1.0d4ef0f1d915cp-55},
    {0x1.57d69348ceca0p-1, -0x1.75720992bfbb2p-55, -0x1.7b5df226aafafp-1, 0x1.0f537acdf0ad7p-56},
    {0x1.4e6cabbe3e5e9p-1, 0x1.3c293edceb327p-57, -0x1.83b0e0bff976ep-1, 0x1.6f420f8ea3475p-56},
    {0x1.44cf325091dd6p-1, 0x1.8076a2cfdc6b3p-57, -0x1.8bc806b151741p-1, 0x1.2c5e12ed1336dp-55},
    {0x1.3affa292050b9p-1, 0x1.e3e25e3954964p-56, -0x1.93a22499263fbp-1, -0x1.3d419a920df0bp-55},
    {0x1.30ff7fce17035p-1, -0x1.efcc626f74a6fp-57, -0x1.9b3e047f38741p-1, 0x1.30ee286712474p-55},
    {0x1.26d054cdd12dfp-1, -0x1.5da743ef3770cp-55, -0x1.a29a7a0462782p-1, 0x1.128bb015df175p-56},
    {0x1.1c73b39ae68c8p-1, 0x1.b25dd267f6600p-55, -0x1.a9b66290ea1a3p-1, -0x1.9f630e8b6dac8p-60},
    {0x1.11eb3541b4b23p-1, -0x1.ef23b69abe4f1p-55, -0x1.b090a58150200p-1, 0x1.926da300ffccep-55},
    {0x1.073879922ffeep-1, -0x1.a5a014347406cp-55, -0x1.b728345196e3ep-1, 0x1.bc69f324e6d61p-55},
    {0x1.f8ba4dbf89abap-2, -0x1.2ec1fc1b776b8p-60, -0x1.bd7c0ac6f952ap-1, 0x1.825a732ac700ap-55},
    {0x1.e2b5d3806f63bp-2, 0x1.e0d891d3c6841p-58, -0x1.c38b2f180bdb1p-1, 0x1.6e0b1757c8d07p-56},
    {0x1.cc66e9931c45ep-2, 0x1.6850e59c37f8fp-58, -0x1.c954b213411f5p-1, 0x1.2fb761e946603p-58},
    {0x1.b5d1009e15cc0p-2, 0x1.5b362cb974183p-57, -0x1.ced7af43cc773p-1, 0x1.e7b6bb5ab58aep-58},
    {0x1.9ef7943a8ed8ap-2, 0x1.6da81290bdbabp-57, -0x1.d4134d14dc93ap-1, 0x1.4ef5295d25af2p-55},
    {0x1.87de2a6aea963p-2, -0x1.72cedd3d5a610p-57, -0x1.d906bcf328d46p-1, -0x1.457e610231ac2p-56},
    {0x1.7088530fa459fp-2, -0x1.44b19e0864c5dp-56, -0x1.ddb13b6ccc23cp-1, -0x1.83c37c6107db3p-55},
    {0x1.58f9a75ab1fddp-2, -0x1.efdc0d58cf620p-62, -0x1.e212104f686e5p-1, 0x1.014c76c126527p-55},
    {0x1.4135c94176601p-2, 0x1.0c97c4afa2518p-56, -0x1.e6288ec48e112p-1, 0x1.16b56f2847754p-57},
    {0x1.294062ed59f06p-2, -0x1.5d28da2c4612dp-56, -0x1.e9f4156c62ddap-1, -0x1.760b1e2e3f81ep-55},
    {0x1.111d262b1f677p-2, 0x1.824c20ab7aa9ap-56, -0x1.ed740e7684963p-1, -0x1.e82c791f59cc2p-56},
    {0x1.f19f97b215f1bp-3, -0x1.42deef11da2c4p-57, -0x1.f0a7efb9230d7p-1, -0x1.52c7adc6b4989p-56},
    {0x1.c0b826a7e4f63p-3, -0x1.af1439e521935p-62, -0x1.f38f3ac64e589p-1, 0x1.d7bafb51f72e6p-56},
    {0x1.8f8b83c69a60bp-3, -0x1.26d19b9ff8d82p-57, -0x1.f6297cff75cb0p-1, -0x1.562172a361fd3p-56},
    {0x1.5e214448b3fc6p-3, 0x1.531ff779ddac6p-57, -0x1.f8764fa714ba9p-1, -0x1.ab256778ffcb6p-56},
    {0x1.2c8106e8e613ap-3, 0x1.13000a89a11e0p-58, -0x1.fa7557f08a517p-1, 0x1.7a0a8ca13571fp-55},
    {0x1.f564e56a9730ep-4, 0x1.a2704729ae56dp-59, -0x1.fc26470e19fd3p-1, -0x1.1ec8668ecaceep-55},
    {0x1.917a6bc29b42cp-4, -0x1.e2718d26ed688p-60, -0x1.fd88da3d12526p-1, 0x1.87df6378811c7p-55},
    {0x1.2d52092ce19f6p-4, -0x1.9a088a8bf6b2cp-59, -0x1.fe9cdad01883ap-1, -0x1.521ecd0c67e35p-57},
    {0x1.91f65f10dd814p-5, -0x1.912bd0d569a90p-61, -0x1.ff621e3796d7ep-1, 0x1.c57bc2e24aa15p-57},
    {0x1.92155f7a3667ep-6, -0x1.b1d63091a0130p-64, -0x1.ffd886084cd0dp-1, 0x1.1354d4556e4cbp-55},
    {0.0, 0.0, -0x1.0000000000000p+0, 0.0},
    {-0x1.92155f7a3667ep-6, 0x1.b1d63091a0130p-64, -0x1.ffd886084cd0dp-1, 0x1.1354d4556e4cbp-55},
    {-0x1.91f65f10dd814p-5, 0x1.912bd0d569a90p-61, -0x1.ff621e3796d7ep-1, 0x1.c57bc2e24aa15p-57},
    {-0x1.2d52092ce19f6p-4, 0x1.9a088a8bf6b2cp-59, -0x1.fe9cdad01883ap-1, -0x1.521ecd0c67e35p-57},
    {-0x1.917a6bc29b42cp-4, 0x1.e2718d26ed688p-60, -0x1.fd88da3d12526p-1, 0x1.87df6378811c7p-55},
    {-0x1.f564e56a9730ep-4, -0x1.a2704729ae56dp-59, -0x1.fc26470e19fd3p-1, -0x1.1ec8668ecaceep-55},
    {-0x1.2c8106e8e613ap-3, -0x1.13000a89a11e0p-58, -0x1.fa7557f08a517p-1, 0x1.7a0a8ca13571fp-55},
    {-0x1.5e214448b3fc6p-3, -0x1.531ff779ddac6p-57, -0x1.f8764fa714ba9p-1, -0x1.ab256778ffcb6p-56},
    {-0x1.8f8b83c69a60bp-3, 0x1.26d19b9ff8d82p-57, -0x1.f6297cff75cb0p-1, -0x1.562172a361fd3p-56},
    {-0x1.c0b826a7e4f63p-3, 0x1.af1439e521935p-62, -0x1.f38f3ac64e589p-1, 0x1.d7bafb51f72e6p-56},
    {-0x1.f19f97b215f1bp-3, 0x1.42deef11da2c4p-57, -0x1.f0a7efb9230d7p-1, -0x1.52c7adc6b4989p-56},
    {-0x1.111d262b1f677p-2, -0x1.824c20ab7aa9ap-56, -0x1.ed740e7684963p-1, -0x1.e82c791f59cc2p-56},
    {-0x1.294062ed59f06p-2, 0x1.5d28da2c4612dp-56, -0x1.e9f4156c62ddap-1, -0x1.760b1e2e3f81ep-55},
    {-0x1.4135c94176601p-2, -0x1.0c97c4afa2518p-56, -0x1.e6288ec48e112p-1, 0x1.16b56f2847754p-57},
    {-0x1.58f9a75ab1fddp-2, 0x1.efdc0d58cf620p-62, -0x1.e212104f686e5p-1, 0x1.014c76c126527p-55},
    {-0x1.7088530fa459fp-2, 0x1.44b19e0864c5dp-56, -0x1.ddb13b6ccc23cp-1, -0x1.83c37c6107db3p-55},
    {-0x1.87de2a6aea963p-2, 0x1.72cedd3d5a610p-57, -0x1.d906bcf328d46p-1, -0x1.457e610231ac2p-56},
    {-0x1.9ef7943a8ed8ap-2, -0x1.6da81290bdbabp-57, -0x1.d4134d14dc93ap-1, 0x1.4ef5295d25af2p-55},
    {-0x1.b5d1009e15cc0p-2, -0x1.5b362cb974183p-57, -0x1.ced7af43cc773p-1, 0x1.e7b6bb5ab58aep-58},
    {-0x1.cc66e9931c45ep-2, -0x1.6850e59c37f8fp-58, -0x1.c954b213411f5p-1, 0x1.2fb761e946603p-58},
    {-0x1.e2b5d3806f63bp-2, -0x1.e0d891d3c6841p-58, -0x1.c38b2f180bdb1p-1, 0x1.6e0b1757c8d07p-56},
    {-0x1.f8ba4dbf89abap-2, 0x1.2ec1fc1b776b8p-60, -0x1.bd7c0ac6f952ap-1, 0x1.825a732ac700ap-55},
    {-0x1.073879922ffeep-1, 0x1.a5a014347406cp-55, -0x1.b728345196e3ep-1, 0x1.bc69f324e6d61p-55},
    {-0x1.11eb3541b4b23p-1, 0x1.ef23b69abe4f1p-55, -0x1.b090a58150200p-1, 0x1.926da300ffccep-55},
    {-0x1.1c73b39ae68c8p-1, -0x1.b25dd267f6600p-55, -0x1.a9b66290ea1a3p-1, -0x1.9f630e8b6dac8p-60},
    {-0x1.26d054cdd12dfp-1, 0x1.5da743ef3770cp-55, -0x1.a29a7a0462782p-1, 0x1.128bb015df175p-56},
    {-0x1.30ff7fce17035p-1, 0x1.efcc626f74a6fp-57, -0x1.9b3e047f38741p-1, 0x1.30ee286712474p-55},
    {-0x1.3affa292050b9p-1, -0x1.e3e25e3954964p-56, -0x1.93a22499263fbp-1, -0x1.3d419a920df0bp-55},
    {-0x1.44cf325091dd6p-1, -0x1.8076a2cfdc6b3p-57, -0x1.8bc806b151741p-1, 0x1.2c5e12ed1336dp-55},
    {-0x1.4e6cabbe3e5e9p-1, -0x1.3c293edceb327p-57, -0x1.83b0e0bff976ep-1, 0x1.6f420f8ea3475p-56},
    {-0x1.57d69348ceca0p-1, 0x1.75720992bfbb2p-55, -0x1.7b5df226aafafp-1, 0x1.0f537acdf0ad7p-56},
    {-0x1.610b7551d2cdfp-1, 0x1.251b352ff2a37p-56, -0x1.72d0837efff96p-1, -0x1.0d4ef0f1d915cp-55},
    {-0x1.6a09e667f3bcdp-1, 0x1.bdd3413b26456p-55, -0x1.6a09e667f3bcdp-1, 0x1.bdd3413b26456p-55},
    {-0x1.72d0837efff96p-1, -0x1.0d4ef0f1d915cp-55, -0x1.610b7551d2cdfp-1, 0x1.251b352ff2a37p-56},
    {-0x1.7b5df226aafafp-1, 0x1.0f537acdf0ad7p-56, -0x1.57d69348ceca0p-1, 0x1.75720992bfbb2p-55},
    {-0x1.83b0e0bff976ep-1, 0x1.6f420f8ea3475p-56, -0x1.4e6cabbe3e5e9p-1, -0x1.3c293edceb327p-57},
    {-0x1.8bc806b151741p-1, 0x1.2c5e12ed1336dp-55, -0x1.44cf325091dd6p-1, -0x1.8076a2cfdc6b3p-57},
    {-0x1.93a22499263fbp-1, -0x1.3d419a920df0bp-55, -0x1.3affa292050b9p-1, -0x1.e3e25e3954964p-56},
    {-0x1.9b3e047f38741p-1, 0x1.30ee286712474p-55, -0x1.30ff7fce17035p-1, 0x1.efcc626f74a6fp-57},
    {-0x1.a29a7a0462782p-1, 0x1.128bb015df175p-56, -0x1.26d054cdd12dfp-1, 0x1.5da743ef3770cp-55},
    {-0x1.a9b66290ea1a3p-1, -0x1.9f630e8b6dac8p-60, -0x1.1c73b39ae68c8p-1, -0x1.b25dd267f6600p-55},
    {-0x1.b090a58150200p-1, 0x1.926da300ffccep-55, -0x1.11eb3541b4b23p-1, 0x1.ef23b69abe4f1p-55},
    {-0x1.b728345196e3ep-1, 0x1.bc69f324e6d61p-55, -0x1.073879922ffeep-1, 0x1.a5a014347406cp-55},
    {-0x1.bd7c0ac6f952ap-1, 0x1.825a732ac700ap-55, -0x1.f8ba4dbf89abap-2, 0x1.2ec1fc1b776b8p-60},
    {-0x1.c38b2f180bdb1p-1, 0x1.6e0b1757c8d07p-56, -0x1.e2b5d3806f63bp-2, -0x1.e0d891d3c6841p-58},
    {-0x1.c954b213411f5p-1, 0x1.2fb761e946603p-58, -0x1.cc66e9931c45ep-2, -0x1.6850e59c37f8fp-58},
    {-0x1.ced7af43cc773p-1, 0x1.e7b6bb5ab58aep-58, -0x1.b5d1009e15cc0p-2, -0x1.5b362cb974183p-57},
    {-0x1.d4134d14dc93ap-1, 0x1.4ef5295d25af2p-55, -0x1.9ef7943a8ed8ap-2, -0x1.6da81290bdbabp-57},
    {-0x1.d906bcf328d46p-1, -0x1.457e610231ac2p-56, -0x1.87de2a6aea963p-2, 0x1.72cedd3d5a610p-57},
    {-0x1.ddb13b6ccc23cp-1, -0x1.83c37c6107db3p-55, -0x1.7088530fa459fp-2, 0x1.44b19e0864c5dp-56},
    {-0x1.e212104f686e5p-1, 0x1.014c76c126527p-55, -0x1.58f9a75ab1fddp-2, 0x1.efdc0d58cf620p-62},
    {-0x1.e6288ec48e112p-1, 0x1.16b56f2847754p-57, -0x1.4135c94176601p-2, -0x1.0c97c4afa2518p-56},
    {-0x1.e9f4156c62ddap-1, -0x1.760b1e2e3f81ep-55, -0x1.294062ed59f06p-2, 0x1.5d28da2c4612dp-56},
    {-0x1.ed740e7684963p-1, -0x1.e82c791f59cc2p-56, -0x1.111d262b1f677p-2, -0x1.824c20ab7aa9ap-56},
    {-0x1.f0a7efb9230d7p-1, -0x1.52c7adc6b4989p-56, -0x1.f19f97b215f1bp-3, 0x1.42deef11da2c4p-57},
    {-0x1.f38f3ac64e589p-1, 0x1.d7bafb51f72e6p-56, -0x1.c0b826a7e4f63p-3, 0x1.af1439e521935p-62},
    {-0x1.f6297cff75cb0p-1, -0x1.562172a361fd3p-56, -0x1.8f8b83c69a60bp-3, 0x1.26d19b9ff8d82p-57},
    {-0x1.f8764fa714ba9p-1, -0x1.ab256778ffcb6p-56, -0x1.5e214448b3fc6p-3, -0x1.531ff779ddac6p-57},
    {-0x1.fa7557f08a517p-1, 0x1.7a0a8ca13571fp-55, -0x1.2c8106e8e613ap-3, -0x1.13000a89a11e0p-58},
    {-0x1.fc26470e19fd3p-1, -0x1.1ec8668ecaceep-55, -0x1.f564e56a9730ep-4, -0x1.a2704729ae56dp-59},
    {-0x1.fd88da3d12526p-1, 0x1.87df6378811c7p-55, -0x1.917a6bc29b42cp-4, 0x1.e2718d26ed688p-60},
    {-0x1.fe9cdad01883ap-1, -0x1.521ecd0c67e35p-57, -0x1.2d52092ce19f6p-4, 0x1.9a088a8bf6b2cp-59},
    {-0x1.ff621e3796d7ep-1, 0x1.c57bc2e24aa15p-57, -0x1.91f65f10dd814p-5, 0x1.912bd0d569a90p-61},
    {-0x1.ffd886084cd0dp-1, 0x1.1354d4556e4cbp-55, -0x1.92155f7a3667ep-6, 0x1.b1d63091a0130p-64},
    {-0x1.0000000000000p+0, 0.0, 0.0, 0.0},
    {-0x1.ffd886084cd0dp-1, 0x1.1354d4556e4cbp-55, 0x1.92155f7a3667ep-6, -0x1.b1d63091a0130p-64},
    {-0x1.ff621e3796d7ep-1, 0x1.c57bc2e24aa15p-57, 0x1.91f65f10dd814p-5, -0x1.912bd0d569a90p-61},
    {-0x1.fe9cdad01883ap-1, -0x1.521ecd0c67e35p-57, 0x1.2d52092ce19f6p-4, -0x1.9a088a8bf6b2cp-59},
    {-0x1.fd88da3d12526p-1, 0x1.87df6378811c7p-55, 0x1.917a6bc29b42cp-4, -0x1.e2718d26ed688p-60},
    {-0x1.fc26470e19fd3p-1, -0x1.1ec8668ecaceep-55, 0x1.f564e56a9730ep-4, 0x1.a2704729ae56dp-59},
    {-0x1.fa7557f08a517p-1, 0x1.7a0a8ca13571fp-55, 0x1.2c8106e8e613ap-3, 0x1.13000a89a11e0p-58},
    {-0x1.f8764fa714ba9p-1, -0x1.ab256778ffcb6p-56, 0x1.5e214448b3fc6p-3, 0x1.531ff779ddac6p-57},
    {-0x1.f6297cff75cb0p-1, -0x1.562172a361fd3p-56, 0x1.8f8b83c69a60bp-3, -0x1.26d19b9ff8d82p-57},
    {-0x1.f38f3ac64e589p-1, 0x1.d7bafb51f72e6p-56, 0x1.c0b826a7e4f63p-3, -0x1.af1439e521935p-62},
    {-0x1.f0a7efb9230d7p-1, -0x1.52c7adc6b4989p-56, 0x1.f19f97b215f1bp-3, -0x1.42deef11da2c4p-57},
    {-0x1.ed740e7684963p-1, -0x1.e82c791f59cc2p-56, 0x1.111d262b1f677p-2, 0x1.824c20ab7aa9ap-56},
    {-0x1.e9f4156c62ddap-1, -0x1.760b1e2e3f81ep-55, 0x1.294062ed59f06p-2, -0x1.5d28da2c4612dp-56},
    {-0x1.e6288ec48e112p-1, 0x1.16b56f2847754p-57, 0x1.4135c94176601p-2, 0x1.0c97c4afa2518p-56},
    {-0x1.e212104f686e5p-1, 0x1.014c76c126527p-55, 0x1.58f9a75ab1fddp-2, -0x1.efdc0d58cf620p-62},
    {-0x1.ddb13b6ccc23cp-1, -0x1.83c37c6107db3p-55, 0x1.7088530fa459fp-2, -0x1.44b19e0864c5dp-56},
    {-0x1.d906bcf328d46p-1, -0x1.457e610231ac2p-56, 0x1.87de2a6aea963p-2, -0x1.72cedd3d5a610p-57},
    {-0x1.d4134d14dc93ap-1, 0x1.4ef5295d25af2p-55, 0x1.9ef7943a8ed8ap-2, 0x1.6da81290bdbabp-57},
    {-0x1.ced7af43cc773p-1, 0x1.e7b6bb5ab58aep-58, 0x1.b5d1009e15cc0p-2, 0x1.5b362cb974183p-57},
    {-0x1.c954b213411f5p-1, 0x1.2fb761e946603p-58, 0x1.cc66e9931c45ep-2, 0x1.6850e59c37f8fp-58},
    {-0x1.c38b2f180bdb1p-1, 0x1.6e0b1757c8d07p-56, 0x1.e2b5d3806f63bp-2, 0x1.e0d891d3c6841p-58},
    {-0x1.bd7c0ac6f952ap-1, 0x1.825a732ac700ap-55, 0x1.f8ba4dbf89abap-2, -0x1.2ec1fc1b776b8p-60},
    {-0x1.b728345196e3ep-1, 0x1.bc69f324e6d61p-55, 0x1.073879922ffeep-1, -0x1.a5a014347406cp-55},
    {-0x1.b090a58150200p-1, 0x1.926da300ffccep-55, 0x1.11eb3541b4b23p-1, -0x1.ef23b69abe4f1p-55},
    {-0x1.a9b66290ea1a3p-1, -0x1.9f630e8b6dac8p-60, 0x1.1c73b39ae68c8p-1, 0x1.b25dd267f6600p-55},
    {-0x1.a29a7a0462782p-1, 0x1.128bb015df175p-56, 0x1.26d054cdd12dfp-1, -0x1.5da743ef3770cp-55},
    {-0x1.9b3e047f38741p-1, 0x1.30ee286712474p-55, 0x1.30ff7fce17035p-1, -0x1.efcc626f74a6fp-57},
    {-0x1.93a22499263fbp-1, -0x1.3d419a920df0bp-55, 0x1.3affa292050b9p-1, 0x1.e3e25e3954964p-56},
    {-0x1.8bc806b151741p-1, 0x1.2c5e12ed1336dp-55, 0x1.44cf325091dd6p-1, 0x1.8076a2cfdc6b3p-57},
    {-0x1.83b0e0bff976ep-1, 0x1.6f420f8ea3475p-56, 0x1.4e6cabbe3e5e9p-1, 0x1.3c293edceb327p-57},
    {-0x1.7b5df226aafafp-1, 0x1.0f537acdf0ad7p-56, 0x1.57d69348ceca0p-1, -0x1.75720992bfbb2p-55},
    {-0x1.72d0837efff96p-1, -0x1.0d4ef0f1d915cp-55, 0x1.610b7551d2cdfp-1, -0x1.251b352ff2a37p-56},
    {-0x1.6a09e667f3bcdp-1, 0x1.bdd3413b26456p-55, 0x1.6a09e667f3bcdp-1, -0x1.bdd3413b26456p-55},
    {-0x1.610b7551d2cdfp-1, 0x1.251b352ff2a37p-56, 0x1.72d0837efff96p-1, 0x1.0d4ef0f1d915cp-55},
    {-0x1.57d69348ceca0p-1, 0x1.75720992bfbb2p-55, 0x1.7b5df226aafafp-1, -0x1.0f537acdf0ad7p-56},
    {-0x1.4e6cabbe3e5e9p-1, -0x1.3c293edceb327p-57, 0x1.83b0e0bff976ep-1, -0x1.6f420f8ea3475p-56},
    {-0x1.44cf325091dd6p-1, -0x1.8076a2cfdc6b3p-57, 0x1.8bc806b151741p-1, -0x1.2c5e12ed1336dp-55},
    {-0x1.3affa292050b9p-1, -0x1.e3e25e3954964p-56, 0x1.93a22499263fbp-1, 0x1.3d419a920df0bp-55},
    {-0x1.30ff7fce17035p-1, 0x1.efcc626f74a6fp-57, 0x1.9b3e047f38741p-1, -0x1.30ee286712474p-55},
    {-0x1.26d054cdd12dfp-1, 0x1.5da743ef3770cp-55, 0x1.a29a7a0462782p-1, -0x1.128bb015df175p-56},
    {-0x1.1c73b39ae68c8p-1, -0x1.b25dd267f6600p-55, 0x1.a9b66290ea1a3p-1, 0x1.9f630e8b6dac8p-60},
    {-0x1.11eb3541b4b23p-1, 0x1.ef23b69abe4f1p-55, 0x1.b090a58150200p-1, -0x1.926da300ffccep-55},
    {-0x1.073879922ffeep-1, 0x1.a5a014347406cp-55, 0x1.b728345196e3ep-1, -0x1.bc69f324e6d61p-55},
    {-0x1.f8ba4dbf89abap-2, 0x1.2ec1fc1b776b8p-60, 0x1.bd7c0ac6f952ap-1, -0x1.825a732ac700ap-55},
    {-0x1.e2b5d3806f63bp-2, -0x1.e0d891d3c6841p-58, 0x1.c38b2f180bdb1p-1, -0x1.6e0b1757c8d07p-56},
    {-0x1.cc66e9931c45ep-2, -0x1.6850e59c37f8fp-58, 0x1.c954b213411f5p-1, -0x1.2fb761e946603p-58},
    {-0x1.b5d1009e15cc0p-2, -0x1.5b362cb974183p-57, 0x1.ced7af43cc773p-1, -0x1.e7b6bb5ab58aep-58},
    {-0x1.9ef7943a8ed8ap-2, -0x1.6da81290bdbabp-57, 0x1.d4134d14dc93ap-1, -0x1.4ef5295d25af2p-55},
    {-0x1.87de2a6aea963p-2, 0x1.72cedd3d5a610p-57, 0x1.d906bcf328d46p-1, 0x1.457e610231ac2p-56},
    {-0x1.7088530fa459fp-2, 0x1.44b19e0864c5dp-56, 0x1.ddb13b6ccc23cp-1, 0x1.83c37c6107db3p-55},
    {-0x1.58f9a75ab1fddp-2, 0x1.efdc0d58cf620p-62, 0x1.e212104f686e5p-1, -0x1.014c76c126527p-55},
    {-0x1.4135c94176601p-2, -0x1.0c97c4afa2518p-56, 0x1.e6288ec48e112p-1, -0x1.16b56f2847754p-57},
    {-0x1.294062ed59f06p-2, 0x1.5d28da2c4612dp-56, 0x1.e9f4156c62ddap-1, 0x1.760b1e2e3f81ep-55},
    {-0x1.111d262b1f677p-2, -0x1.824c20ab7aa9ap-56, 0x1.ed740e7684963p-1, 0x1.e82c791f59cc2p-56},
    {-0x1.f19f97b215f1bp-3, 0x1.42deef11da2c4p-57, 0x1.f0a7efb9230d7p-1, 0x1.52c7adc6b4989p-56},
    {-0x1.c0b826a7e4f63p-3, 0x1.af1439e521935p-62, 0x1.f38f3ac64e589p-1, -0x1.d7bafb51f72e6p-56},
    {-0x1.8f8b83c69a60bp-3, 0x1.26d19b9ff8d82p-57, 0x1.f6297cff75cb0p-1, 0x1.562172a361fd3p-56},
    {-0x1.5e214448b3fc6p-3, -0x1.531ff779ddac6p-57, 0x1.f8764fa714ba9p-1, 0x1.ab256778ffcb6p-56},
    {-0x1.2c8106e8e613ap-3, -0x1.13000a89a11e0p-58, 0x1.fa7557f08a517p-1, -0x1.7a0a8ca13571fp-55},
    {-0x1.f564e56a9730ep-4, -0x1.a2704729ae56dp-59, 0x1.fc26470e19fd3p-1, 0x1.1ec8668ecaceep-55},
    {-0x1.917a6bc29b42cp-4, 0x1.e2718d26ed688p-60, 0x1.fd88da3d12526p-1, -0x1.87df6378811c7p-55},
    {-0x1.2d52092ce19f6p-4, 0x1.9a088a8bf6b2cp-59, 0x1.fe9cdad01883ap-1, 0x1.521ecd0c67e35p-57},
    {-0x1.91f65f10dd814p-5, 0x1.912bd0d569a90p-61, 0x1.ff621e3796d7ep-1, -0x1.c57bc2e24aa15p-57},
    {-0x1.92155f7a3667ep-6, 0x1.b1d63091a0130p-64, 0x1.ffd886084cd0dp-1, -0x1.1354d4556e4cbp-55},
};

constexpr Double2 piOver128{0x1.921fb54442d18p-6, 0x1.1a62633145c07p-60};

// The bits of 1/(2 pi) after the point, preceded by 33 zero bits: bit g of
// this array (from the top of word 0) has weight 2^(32 - g).
constexpr uint32_t inverseCircle[12] = {
    0x00000000, 0x145F306D, 0xC9C882A5, 0x3F84EAFA, 0x3EA69BB8, 0x1B6C52B3,
    0x27887208, 0x3FCA2C75, 0x7BD778AC, 0x36E48DC7, 0x4849BA5C, 0x00C925DD};

// x = j pi/128 + r, with j taken modulo waveRows.
struct Reduced {
    int index;
    Double2 r;
};

// m * w mod 2^192 for m < 2^24, the words most significant first: with a
// 128-bit product where the compiler has one, on 32-bit limbs elsewhere; the
// integers are the same.
inline void multiplyWindow(uint32_t m, const uint64_t w[3], uint64_t p[3]) noexcept {
#if defined(__SIZEOF_INT128__)
    using Wide = unsigned __int128;
    const Wide low = static_cast<Wide>(w[2]) * m;
    const Wide middle = static_cast<Wide>(w[1]) * m + static_cast<uint64_t>(low >> 64);
    p[2] = static_cast<uint64_t>(low);
    p[1] = static_cast<uint64_t>(middle);
    p[0] = w[0] * m + static_cast<uint64_t>(middle >> 64);
#else
    uint64_t carry = 0;
    for (int t = 5; t >= 0; --t) {
        const uint64_t word = (t & 1) != 0 ? (w[t >> 1] & 0xFFFFFFFF) : (w[t >> 1] >> 32);
        const uint64_t q = m * word + carry;  // below 2^56
        carry = q >> 32;
        if ((t & 1) != 0) {
            p[t >> 1] = q & 0xFFFFFFFF;
        } else {
            p[t >> 1] |= q << 32;
        }
    }
#endif
}

// For 2^-8 <= x < 2^104 * 2^24 (every finite float from 2^-8 up), exactly
// up to the truncation of 1/(2 pi): x = m 2^k with m < 2^24, and
// x 128/pi mod 256 = (m * W mod 2^192) * 2^-184 where W holds the 192 bits of
// 1/(2 pi) from weight 2^-(k+1) on (the bits above give multiples of 256).
// The bits left out weigh less than m 2^-184 < 2^-160 in units of pi/128.
// The fraction u, taken in [-1/2, 1/2), goes to double-double with its first
// 106 significant bits; |u| > 2^-40 for every float (2^-29.9 at least, by the
// exhaustive check), so r = u pi/128 has relative error below 2^-102.
inline Reduced reduceFar(float x) noexcept {
    const uint32_t bits = bitsOf(x);
    const uint32_t m = (bits & 0x7FFFFF) | 0x800000;
    const int start = static_cast<int>((bits >> 23) & 0xFF) - 150 + 33;
    const uint32_t* words = inverseCircle + (start >> 5);
    const int shift = start & 31;
    uint64_t window[3];
    for (int t = 0; t < 3; ++t) {
        const uint64_t pair = (static_cast<uint64_t>(words[2 * t]) << 32) | words[2 * t + 1];
        window[t] = (pair << shift) | ((static_cast<uint64_t>(words[2 * t + 2]) << shift) >> 32);
    }
    uint64_t product[3] = {0, 0, 0};
    multiplyWindow(m, window, product);
    // The 184 fraction bits, moved to the top of three 64-bit words.
    uint64_t f0 = (product[0] << 8) | (product[1] >> 56);
    uint64_t f1 = (product[1] << 8) | (product[2] >> 56);
    uint64_t f2 = product[2] << 8;
    // u >= 1/2 takes u - 1: the next multiple of pi/128, minus the complement.
    // Without branches, as the half is no branch to predict.
    const uint64_t upper = f0 >> 63;
    const int index = static_cast<int>((product[0] >> 56) + upper) & (waveRows - 1);
    const uint64_t flip = 0 - upper;
    f2 = (f2 ^ flip) + upper;
    uint64_t carry = f2 < upper ? 1 : 0;
    f1 = (f1 ^ flip) + carry;
    carry = f1 < carry ? 1 : 0;
    f0 = (f0 ^ flip) + carry;
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
    f0 = (f0 << lead) | ((f1 >> 1) >> (63 - lead));
    f1 = (f1 << lead) | ((f2 >> 1) >> (63 - lead));
    // The sign of u - 1 rides on the powers of two; every step after is odd
    // in its argument.
    const uint64_t sign = upper << 63;
    const double unit = withSign(powerOfTwo(-53 - lead - scale), sign);
    const double hi = exactDouble(f0 >> 11) * unit;
    const double lo = exactDouble(((f0 & 0x7FF) << 42) | (f1 >> 22)) * unit * 0x1p-53;
    const Double2 r = mul(Double2{hi, lo}, piOver128);
    return {index, r};
}

// Cody and Waite's reduction for 2^-8 <= x < 2^20: j < 2^25.4, and pi/128 =
// P0 + P1 + P2 with P0 of 27 significant bits and P1 of 24, so j P0 and j P1
// are exact; x - j P0 is a multiple of 2^-32 below 2^-6 and its difference t
// with j P1 a multiple of 2^-59 below 2^-6, both exact. The error of r is that
// of j P2 (P2's own error 2^-115 times j, 2^-89.7, and the product's
// rounding, 2^-88, as |j P2| < 2^-34.6): below 2^-87 absolute.
constexpr double nearReductionError = 0x1p-87;
inline Reduced reduceNear(double x) noexcept {
    constexpr double shifter = 0x1.8p52;
    const double j = (x * 0x1.45f306dc9c883p+5 + shifter) - shifter;
    const double t = (x - j * 0x1.921fb54p-6) - j * 0x1.10b462p-36;
    return {static_cast<int>(j) & (waveRows - 1), twoSum(t, j * 0x1.cb3b399d747f2p-61)};
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

// C_hi cut to its leading 26 bits (Veltkamp's split, at compile time): its
// product with the leading 26 bits of r_hi is exact.
struct CosineHeads {
    double head[waveRows];
};
constexpr CosineHeads cosineHeads = [] {
    CosineHeads heads{};
    for (int j = 0; j < waveRows; ++j) {
        const double c = 134217729.0 * waveTable[j][2];
        heads.head[j] = c - (c - waveTable[j][2]);
    }
    return heads;
}();

// Quick evaluation in double around the exact sum S_hi + p, p the product of
// the leading 26 bits of C_hi and r_hi (the rest of C_hi r_hi, below 2^-25
// of it, joins the tail to 2^-77), for
// |r| <= R = pi/256 + 2^-32 (R^2/2 < 2^-13.69, R^2/6 < 2^-15.28) and
// |r_lo| <= u |r_hi|, u = 2^-53:
//   c = cos r_hi - 1 - r_hi r_lo from Taylor terms to r^8 (the rest below
//       2^-85), its leading term -z/2 exact but for the rounding of z,
//   s = sin r_hi - r_hi to r^7 (the rest below 2^-69.2 |r|).
// Error against |S| and |C r|, term by term:
//   S:   c within 2 u |c| (z and the last sum: 2^-65.7), S_hi c and its
//        addition to the tail round (2^-66.7 each), S_lo c left out
//        (2^-66.7): below 2^-64.3 |S|;
//   C r: s within 4.6 u |s| (z, r_hi z, the rounded 1/6, the sum and the
//        product: 2^-66.1), its rest (2^-69.2), the sum r_lo + s, the
//        product, the two additions after it round (2^-68.28 each), C_hi c r_lo
//        and C_lo (r_lo + s) left out (2^-66.7, 2^-68.28): below 2^-64.5 |C r|;
//   the first four terms of the tail are below 2^-25 |C r| + 2^-51 |S| and
//   round to 2^-76.
// Taken as 2^-64 (|S_hi| + |p|) + that of r.
inline Estimate waveQuickEstimate(const Reduced& x, double reductionError) noexcept {
    const double* row = waveTable[x.index];
    const double rh = x.r.hi;
    const double rl = x.r.lo;
    const double z = rh * rh;
    const double q = 0x1.5555555555555p-5 + z * (-0x1.6c16c16c16c17p-10 + z * 0x1.a01a01a01a01ap-16);
    const double c = z * -0.5 + (z * z * q - rh * rl);
    const double s =
        rh * z * (-0x1.5555555555555p-3 + z * (0x1.1111111111111p-7 + z * -0x1.a01a01a01a01ap-13));
    const double head = cosineHeads.head[x.index];
    const Double2 r26 = split(rh);
    const double p = head * r26.hi;
    const Double2 main = twoSum(row[0], p);
    const double rest = head * r26.lo + (row[2] - head) * rh;
    const double tail = main.lo + rest + row[1] + row[3] * rh + row[2] * (rl + s) + row[0] * c;
    const double size = (row[0] < 0 ? -row[0] : row[0]) + (p < 0 ? -p : p);
    return {main.hi, tail, size * 0x1p-64 + reductionError};
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

// sin (quarter 0) or cos (quarterTurn) of a float, correctly rounded.
inline double wave(float x, int quarter) noexcept {
    const double wide = x;
    if (!(wide - wide == 0.0)) {
        return wide - wide;  // NaN for NaN and for infinities
    }
    // The sine takes the argument's sign bit, -0 included (the sine of -0 is
    // -0); by bits, as the sign of an audio phase is no branch to predict.
    const uint32_t bits = bitsOf(x);
    const uint64_t sign = quarter == 0 ? static_cast<uint64_t>(bits >> 31) << 63 : 0;
    const uint32_t sizeBits = bits & 0x7FFFFFFF;
    float size;
    std::memcpy(&size, &sizeBits, sizeof size);
    const double ax = size;
    if (ax < 0x1p-27) {
        // sin x lies within x^3/6 < 2^-56.5 x below x, cos x within x^2/2 <
        // 2^-55 below 1: closer than half the gap to the next double below.
        return withSign(quarter == 0 ? ax : 1.0, sign);
    }
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
    reduced.index = (reduced.index + quarter) & (waveRows - 1);
    bool decided;
    double y = waveQuick(reduced, reductionError, decided);
    if (!decided) {
        if (ax >= 0x1p-8) {
            reduced = reduceFar(size);
            reduced.index = (reduced.index + quarter) & (waveRows - 1);
        }
        y = waveAccurate(reduced, decided);
    }
    return withSign(y, sign);
}

inline double sin(float x) noexcept { return wave(x, 0); }
inline double cos(float x) noexcept { return wave(x, quarterTurn); }

}  // namespace exactMath
}  // namespace
