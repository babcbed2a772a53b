// The kernels for any x86-64 processor: two doubles per SSE2 vector. Built
// with the compiler's baseline flags only.
#include <emmintrin.h>

#include "ChunkKernels.h"
#include "FarWaves.h"

// libmvec, glibc's vector math, by its vector-function ABI names; the
// baseline set picks its best implementation at load time.
extern "C" {
__m128d _ZGVbN2vv_pow(__m128d base, __m128d exponent);
__m128d _ZGVbN2v_sin(__m128d phase);
__m128d _ZGVbN2v_cos(__m128d phase);
}

namespace {

// Sine and cosine for chunks with huge phases: SLEEF's when the system has
// it, chosen with the first kernel tables; nulls without it.
using Wave = __m128d (*)(__m128d);
struct {
    Wave sin;
    Wave cos;
} far{nullptr, nullptr};

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
            return (mask[0] | mask[1]) != 0;
        }
    }
    // Bit k: lane k of a float-lane mask is set.
    template <class Mask>
    static unsigned laneBits(Mask mask) noexcept {
        return (mask[0] != 0 ? 1u : 0u) | (mask[1] != 0 ? 2u : 0u);
    }
    static Doubles pow(Doubles base, Doubles exponent) noexcept {
        return _ZGVbN2vv_pow(base, exponent);
    }
    static Doubles sinNear(Doubles phase) noexcept { return _ZGVbN2v_sin(phase); }
    static Doubles cosNear(Doubles phase) noexcept { return _ZGVbN2v_cos(phase); }
    static bool sleef() noexcept { return far.sin != nullptr; }
    static Doubles sinFar(Doubles phase) noexcept { return far.sin(phase); }
    static Doubles cosFar(Doubles phase) noexcept { return far.cos(phase); }
};

}  // namespace

Ondulaxis::KernelTables Ondulaxis::genericKernelTables() noexcept {
    static const bool chosen = [] {
        // Huge phases take the kernels' own exact reduction, which is faster
        // here than SLEEF's (bench/README.md), so SLEEF is not looked up.
        // Made here, not on the audio thread.
        farWaves::turns();
        return true;
    }();
    (void)chosen;
    return chunkedKernelTables<GenericMath>();
}
