// Checks the vector sine, cosine and pow against their stated bounds: the
// sine and cosine on every float phase (the near ones directly, the huge
// ones after the kernels' reduction), pow on dense samples of float bases,
// all against the 64-bit long double functions (x87 precision, exactly
// reduced on glibc), each with and without multiply-adds. Takes minutes (pow
// much longer); run by hand:
//   build-speed/bench/vector_math_bounds [waves | pow [STEP]]
// pow checks every 13th float base, or every STEP-th.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "kernels/FarReduction.h"
#include "kernels/VectorMath.h"

namespace {

using Doubles = double __attribute__((vector_size(32)));
using Floats = float __attribute__((vector_size(16)));

float floatOf(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Largest error of sine and cosine, in units of 2^-52, over the positive
// floats [first, last] and their negatives; `fused`: with the multiply-adds
// of the AVX2 and AVX-512 kernels (here through the C library's fma).
template <bool fused>
void waves(const char* name, uint32_t first, uint32_t last, bool reduce, double bound) {
    const farWaves::Turns& turns = farWaves::turns();
    long double worstSine = 0, worstCosine = 0;
    for (uint64_t bits = first; bits <= last; bits += 2) {
        const float a = floatOf(static_cast<uint32_t>(bits));
        const float b = floatOf(static_cast<uint32_t>(std::min<uint64_t>(bits + 1, last)));
        const Floats phases{a, -a, b, -b};
        const Doubles wide = reduce ? farReduction::reduce<Doubles>(phases, turns)
                                    : __builtin_convertvector(phases, Doubles);
        const Doubles sine = vectorMath::sinNear<Doubles, fused>(wide);
        const Doubles cosine = vectorMath::cosNear<Doubles, fused>(wide);
        for (int lane = 0; lane < 4; ++lane) {
            const long double p = phases[lane];
            worstSine = std::max(worstSine, std::fabs(sine[lane] - sinl(p)));
            worstCosine = std::max(worstCosine, std::fabs(cosine[lane] - cosl(p)));
        }
    }
    std::printf("%s%s: sine %.3Lf, cosine %.3Lf (x 2^-52; bound %.3f)\n", name,
                fused ? ", fused" : "", worstSine * 0x1p52L,
                worstCosine * 0x1p52L, bound * 0x1p52);
}

template <bool fused>
void pow(float exponent, uint32_t step) {
    int whole = 0;
    const vectorMath::PowKind kind = vectorMath::powKind(exponent, whole);
    long double worst = 0;
    for (uint32_t bits = 1; bits < 0x7F800000u - 4 * step; bits += 4 * step) {
        const Doubles bases{floatOf(bits), floatOf(bits + step), floatOf(bits + 2 * step),
                            floatOf(bits + 3 * step)};
        const Doubles power = kind == vectorMath::PowKind::integer
                                  ? vectorMath::powInteger(bases, whole)
                                  : vectorMath::powGeneral<Doubles, fused>(bases, exponent);
        for (int lane = 0; lane < 4; ++lane) {
            const long double exact = powl(bases[lane], exponent);
            if (exact < 0x1p-1000L || exact > 0x1p1000L) continue;
            worst = std::max(worst, std::fabs(power[lane] - exact) / exact);
        }
    }
    std::printf("pow%s, exponent %.9g: %.3Lf (x 2^-52 relative; bound %.3f)\n",
                fused ? ", fused" : "", exponent,
                worst * 0x1p52L, vectorMath::powError * 0x1p52);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    // "pow" or "waves" runs only that part.
    const bool powOnly = argc > 1 && std::strcmp(argv[1], "pow") == 0;
    const bool wavesOnly = argc > 1 && std::strcmp(argv[1], "waves") == 0;
    if (!powOnly) {
        // Every float phase up to 2^20, then every larger finite one.
        waves<false>("near phases", 0, 0x49800000u, false, vectorMath::sinCosError);
        waves<true>("near phases", 0, 0x49800000u, false, vectorMath::sinCosError);
        std::fflush(stdout);
        waves<false>("reduced phases", 0x49800001u, 0x7F7FFFFFu, true,
                     vectorMath::sinCosError + farReduction::error);
        waves<true>("reduced phases", 0x49800001u, 0x7F7FFFFFu, true,
                    vectorMath::sinCosError + farReduction::error);
    }
    if (wavesOnly) {
        return 0;
    }
    const long step = powOnly && argc > 2 ? std::strtol(argv[2], nullptr, 10) : 13;
    if (step < 1 || step > 1 << 20) {
        std::fprintf(stderr, "STEP must be from 1 to %d\n", 1 << 20);
        return 2;
    }
    for (float exponent : {1.0000001f, 1.3219281f, 2.0f, 2.5f, 3.0f, 4.5f, 5.0f, 6.9999995f, 7.0f, 7.011227f}) {
        pow<false>(exponent, static_cast<uint32_t>(step));
        pow<true>(exponent, static_cast<uint32_t>(step));
    }
}
