// A chunk's power, phase, sinusoid and mix as vector code, with guards that
// mark each value too near a float rounding boundary to be sure of, and the
// reference arithmetic for the values marked.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "ChunkBuffers.h"
#include "FarReduction.h"
#include "KernelMath.h"
#include "VectorMath.h"

namespace {
namespace chunked {

// The reference's pow, sine and cosine (the project's own, ExactPower.h and
// ExactWaves.h) are correctly rounded to double; allowed here: one unit in
// the last place, 2^-52 relative for pow, 2^-53 absolute for sine and cosine,
// whose values lie within 1.
constexpr double referencePowError = 0x1p-52;
constexpr double referenceWaveError = 0x1p-53;

// A value farther than its guard, relative to the operands' size, from a
// float rounding boundary rounds to the same float in the reference; a vector
// holding a value closer than that is computed again the reference way, so
// results equal the reference. The power is rounded to float at once, so
// once decided it equals the reference's and its guard stands alone: it
// covers the two pows' distance. The waves' guard covers the two waves'
// distance plus the mixing's own roundings: when one input of a rounding
// moves by d, its result moves by at most d plus one unit in the last place
// of the largest operand, 2^-52 of the sizes the slack adds up, at most four
// times. Each doubled for margin. The power's guard sends about one sample
// in 2^14 to the reference (the share of floats within it of a boundary).
constexpr double powGuard = 2 * (vectorMath::powError + referencePowError);
constexpr double guard = 2 * (vectorMath::sinCosError + referenceWaveError + 4 * 0x1p-52);
static_assert(guard <= 0x1p-47, "a wider guard would redo more vectors");
static_assert(powGuard <= 0x1p-38, "a wider guard would redo more vectors");

// The vector sine and cosine take phases up to this size; chunks reaching
// beyond reduce their phases first (FarReduction.h).
constexpr double nearPhase = vectorMath::nearPhase;

// Where a chunk's sines and cosines come from.
enum class Waves { direct, reduced };

// Power and phase; returns whether every phase is small enough for the
// near sine and cosine. The exponent is the block's, so the way pow is taken
// is chosen once: FreqDif's centre, the default, gives exponent 1.
template <class Math, vectorMath::PowKind kind>
inline bool phasePass(Channel<Math>& channel, int padded, const Coefficients& c,
                      int whole) noexcept {
    using L = Lanes<Math>;
    using Doubles = typename L::Doubles;
    using Floats = typename L::Floats;
    constexpr int width = Math::width;
    const double exponent = c.shaping.freqDifLog;
    const Doubles dif = L::template splat<Doubles>(double{c.shaping.freqDif});
    const Doubles min = L::template splat<Doubles>(double{c.shaping.freqMin});
    const Doubles below = L::template splat<Doubles>(1.0 - powGuard);
    const Doubles above = L::template splat<Doubles>(1.0 + powGuard);
    const Floats nearest = L::template splat<Floats>(static_cast<float>(nearPhase));
    const Doubles largest = L::template splat<Doubles>(std::numeric_limits<float>::max());
    const Doubles lowest = L::template splat<Doubles>(std::numeric_limits<float>::lowest());
    auto beyond = L::template splat<typename L::FloatMask>(0);
    if constexpr (kind == vectorMath::PowKind::general) {
        // The power in two loops of its own (its halves, then the power in
        // place of n): a long chain of dependent steps overlaps with the
        // next vectors' only as far as the processor looks ahead, so shorter
        // loops run faster.
        for (int i = 0; i < padded; i += width) {
            const Doubles state = L::widen(load<Floats>(channel.tracked() + i));
            const auto parts = vectorMath::powParts(L::abs(state), exponent);
            store(channel.powerParts[0] + i, parts.n);
            store(channel.powerParts[1] + i, parts.f);
        }
        for (int i = 0; i < padded; i += width) {
            const Doubles state = L::widen(load<Floats>(channel.tracked() + i));
            // A zero base gives +0 (see powGeneral), as the exponent is at
            // least 1.
            store(channel.powerParts[0] + i,
                  vectorMath::powFromParts(L::abs(state), {load<Doubles>(channel.powerParts[0] + i),
                                                           load<Doubles>(channel.powerParts[1] + i)}));
        }
    }
    for (int i = 0, vector = 0; i < padded; i += width, ++vector) {
        const Doubles state = L::widen(load<Floats>(channel.tracked() + i));
        Doubles power;
        if constexpr (kind == vectorMath::PowKind::identity) {
            power = L::abs(state);
        } else if constexpr (kind == vectorMath::PowKind::integer) {
            power = vectorMath::powInteger(L::abs(state), whole);
        } else {
            power = load<Doubles>(channel.powerParts[0] + i);
        }
        const Floats rounded = L::narrow(power);
        const auto unsure = L::narrow(power * below) != L::narrow(power * above);
        // As in the reference: a phase beyond the float range becomes the
        // largest float (what rounds to it does anyway); NaN stays.
        Doubles wide = (L::widen(rounded) * dif + min) * state;
        wide = largest < wide ? largest : wide;
        wide = lowest > wide ? lowest : wide;
        const Floats phase = L::narrow(wide);
        store(channel.phase + i, phase);
        // A NaN phase counts as far.
        beyond |= ~(L::abs(phase) <= nearest);
        channel.suspect[vector] = Math::laneBits(unsure);
    }
    return !Math::anyLane(beyond);
}

// The guard's allowance for the sine shape, ((a w - plain) mix + plain) gain,
// and the raised cosine's magnitude, (h (1 - w) - s) mix + s, with |w| <= 1:
// the operands' sizes bound every intermediate's, so it holds for any finite
// coefficients (an amplitude below 0 from a negative AmpMin, a FuncMix far
// beyond 1).
template <class Doubles>
inline Doubles sineSlack(Doubles amplitude, Doubles plain, Doubles funcMix, Doubles outGain,
                         Doubles tolerance) noexcept {
    using O = vectorMath::Ops<Doubles>;
    return ((O::abs(amplitude) + O::abs(plain)) * O::abs(funcMix) + O::abs(plain)) *
           O::abs(outGain) * tolerance;
}

template <class Doubles>
inline Doubles cosineSlack(Doubles halfAmplitude, Doubles envelope, Doubles funcMix,
                           Doubles tolerance) noexcept {
    using O = vectorMath::Ops<Doubles>;
    return ((O::abs(halfAmplitude) * O::splat(2.0) + envelope) * O::abs(funcMix) + envelope) *
           tolerance;
}

template <class Math, bool sine, Waves waves>
inline void shapePass(Channel<Math>& channel, int padded, const Coefficients& c) noexcept {
    using L = Lanes<Math>;
    using Doubles = typename L::Doubles;
    using Floats = typename L::Floats;
    constexpr int width = Math::width;
    const kernelMath::Shaping& k = c.shaping;
    const Doubles gain = L::template splat<Doubles>(double{c.inGain});
    const Doubles ampRange = L::template splat<Doubles>(double{k.ampRange});
    const Doubles ampMin = L::template splat<Doubles>(double{k.ampMin});
    const Doubles funcMix = L::template splat<Doubles>(double{k.funcMix});
    const Doubles outGain = L::template splat<Doubles>(double{k.outGain});
    // Reduced phases are off by up to farReduction::error, and so are their
    // sines and cosines, on top of the error the guard allows for.
    const Doubles tolerance = L::template splat<Doubles>(
        waves == Waves::reduced ? guard + farReduction::error : guard);
    const farWaves::Turns* turns = waves == Waves::reduced ? &farWaves::turns() : nullptr;
    const Doubles one = L::template splat<Doubles>(1.0);
    const Doubles four = L::template splat<Doubles>(4.0);
    const Doubles half = L::template splat<Doubles>(0.5);
    const Floats smallest = L::template splat<Floats>(std::numeric_limits<float>::min());
    const Floats zero = L::template splat<Floats>(0.0f);
    for (int i = 0, vector = 0; i < padded; i += width, ++vector) {
        const Floats x = L::narrow(L::widen(load<Floats>(channel.input + i)) * gain);
        const Doubles size = L::abs(L::widen(x));
        const Doubles t = four * size * size;
        const Floats s = L::narrow(t / (one + t));
        const Doubles envelope = L::widen(s);
        const Doubles phase =
            waves == Waves::reduced
                ? farReduction::reduce<Doubles>(load<Floats>(channel.phase + i), *turns)
                : L::widen(load<Floats>(channel.phase + i));
        Floats out;
        typename L::FloatMask unsure;
        if constexpr (sine) {
            const Doubles amplitude = L::widen(L::narrow(envelope * ampRange + ampMin));
            const Doubles plain = L::widen(L::copySign(s, x));
            const Doubles wave = vectorMath::sinNear(phase);
            const Doubles result = ((amplitude * wave - plain) * funcMix + plain) * outGain;
            const Doubles slack = sineSlack(amplitude, plain, funcMix, outGain, tolerance);
            unsure = L::narrow(result - slack) != L::narrow(result + slack);
            out = L::narrow(result);
        } else {
            const Doubles halfAmplitude = L::widen(L::narrow((envelope * ampRange + ampMin) * half));
            const Doubles wave = vectorMath::cosNear(phase);
            const Doubles magnitude = (halfAmplitude * (one - wave) - envelope) * funcMix + envelope;
            const Doubles slack = cosineSlack(halfAmplitude, envelope, funcMix, tolerance);
            unsure = L::narrow(magnitude - slack) != L::narrow(magnitude + slack);
            out = L::narrow(L::widen(L::copySign(L::narrow(magnitude), x)) * outGain);
        }
        // As in the reference: subnormal outputs become zeros of their sign.
        out = L::abs(out) < smallest ? L::copySign(zero, out) : out;
        store(channel.output + i, out);
        channel.suspect[vector] |= Math::laneBits(unsure);
    }
}

// The reference way, for the values the guards flagged: each output depends
// only on its own sample and tracked value, so only those lanes are redone.
template <class Math, bool sine>
inline void redoSuspects(Channel<Math>& channel, int count, const Coefficients& c) noexcept {
    constexpr int width = Math::width;
    const double gain = kernelMath::widen(c.inGain);
    for (int first = 0, vector = 0; first < count; first += width, ++vector) {
        for (unsigned lanes = channel.suspect[vector]; lanes != 0; lanes &= lanes - 1) {
            const int i = first + __builtin_ctz(lanes);
            if (i >= count) {
                break;  // padding
            }
            const float x = kernelMath::narrow(kernelMath::widen(channel.input[i]) * gain);
            const float state = channel.tracked()[i];
            channel.output[i] = sine ? kernelMath::shapeSine(x, state, c.shaping)
                                     : kernelMath::shapeRaisedCosine(x, state, c.shaping);
        }
    }
}

template <class Math, bool sine>
inline void shape(Channel<Math>& channel, int count, int padded, const Coefficients& c) noexcept {
    int whole = 0;
    const vectorMath::PowKind kind = vectorMath::powKind(c.shaping.freqDifLog, whole);
    const bool allNear =
        kind == vectorMath::PowKind::identity   ? phasePass<Math, vectorMath::PowKind::identity>(channel, padded, c, whole)
        : kind == vectorMath::PowKind::integer ? phasePass<Math, vectorMath::PowKind::integer>(channel, padded, c, whole)
                                               : phasePass<Math, vectorMath::PowKind::general>(channel, padded, c, whole);
    if (allNear) {
        shapePass<Math, sine, Waves::direct>(channel, padded, c);
    } else {
        shapePass<Math, sine, Waves::reduced>(channel, padded, c);
    }
    redoSuspects<Math, sine>(channel, count, c);
}

}  // namespace chunked
}  // namespace
