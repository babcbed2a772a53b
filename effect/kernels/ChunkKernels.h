// The vector kernels' block loops. Included by one file per instruction set,
// after that file has defined its `Math` (vector types, a lane test, and the
// vector pow, sine and cosine). Everything here has internal linkage or is
// instantiated with that file's own Math, so no code is shared between
// instruction sets.
//
// A block runs in chunks on the stack, so any block size works and nothing is
// allocated. Per chunk: the input is copied (the host may process in place),
// the tracked values are found (the only serial part, and with slew limiting
// off checked in parallel instead), then power, phase,
// sinusoid and mix run as vector code over whole vectors, the tail padded, so
// the result never depends on where the host cuts its blocks.
//
// Bypass needs no chunks: it keeps only the last tracked value and reads the
// host's buffers directly.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "FarReduction.h"
#include "KernelMath.h"
#include "VectorMath.h"
#include "Ondulaxis.h"
#include "ParameterCurves.h"

namespace {
namespace chunked {

// Samples per chunk; every vector width divides it.
constexpr int chunkSize = 256;

// Blocks this short cost less one sample after another: they go through the
// reference kernels, whose results the vector kernels equal bit for bit.
constexpr int32_t shortBlock = 4;

// The reference's pow, sine and cosine (glibc's, or the project's own exact
// ones) are within one unit in the last place: 2^-52 relative for pow, 2^-53
// absolute for sine and cosine, whose values lie within 1.
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

struct Coefficients {
    float inGain;
    float slewLimit;
    kernelMath::Shaping shaping;
};

template <class Math>
struct Channel {
    alignas(64) float input[chunkSize];
    // [0]: the tracked value before the chunk; [1 + i]: after sample i.
    alignas(64) float history[chunkSize + Math::width];
    float* tracked() noexcept { return history + 1; }
    alignas(64) float phase[chunkSize];
    // The power's two halves (vectorMath::powParts), then the power in the
    // first: handed between the loops of phasePass.
    alignas(64) double powerParts[2][chunkSize];
    alignas(64) float output[chunkSize];
    // Per vector, bit k: lane k's value lies too near a rounding boundary.
    unsigned suspect[chunkSize / Math::width];
    // Per vector: a first slew step missed float(x).
    bool unsettled[chunkSize / Math::width];
};

template <class Vector>
inline Vector load(const float* source) noexcept {
    Vector vector;
    std::memcpy(&vector, source, sizeof vector);
    return vector;
}

template <class Vector>
inline Vector load(const double* source) noexcept {
    Vector vector;
    std::memcpy(&vector, source, sizeof vector);
    return vector;
}

template <class Vector>
inline void store(double* target, Vector vector) noexcept {
    std::memcpy(target, &vector, sizeof vector);
}

template <class Vector>
inline void store(float* target, Vector vector) noexcept {
    std::memcpy(target, &vector, sizeof vector);
}

inline uint32_t bitsOf(float value) noexcept {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Lane-wise helpers on Math's vectors. Broadcasts go lane by lane (the
// compiler makes one instruction of it) because adding to a zero vector would
// turn -0 into +0.
template <class Math>
struct Lanes {
    static constexpr int width = Math::width;
    using Doubles = typename Math::Doubles;
    using Floats = typename Math::Floats;
    using DoubleMask = decltype(Doubles{} < Doubles{});
    using FloatMask = decltype(Floats{} < Floats{});

    template <class Vector, class Value>
    static Vector splat(Value value) noexcept {
        Vector vector;
        for (int lane = 0; lane < width; ++lane) {
            vector[lane] = value;
        }
        return vector;
    }
    static Doubles widen(Floats values) noexcept { return Math::widen(values); }
    static Floats narrow(Doubles values) noexcept { return Math::narrow(values); }
    static Doubles abs(Doubles values) noexcept {
        return (Doubles)((DoubleMask)values & splat<DoubleMask>(INT64_MAX));
    }
    static Floats abs(Floats values) noexcept {
        return (Floats)((FloatMask)values & splat<FloatMask>(INT32_MAX));
    }
    // The magnitude of `magnitude` with the sign bit of `sign`.
    static Floats copySign(Floats magnitude, Floats sign) noexcept {
        return (Floats)(((FloatMask)magnitude & splat<FloatMask>(INT32_MAX)) |
                        ((FloatMask)sign & splat<FloatMask>(INT32_MIN)));
    }
    static FloatMask laneIndex() noexcept {
        FloatMask index;
        for (int lane = 0; lane < width; ++lane) {
            index[lane] = lane;
        }
        return index;
    }
};

// Copies a chunk of input to the stack, zero-padded to whole vectors, and
// returns the padded length.
template <class Math>
inline int loadChunk(Channel<Math>& channel, const float* input, int count) noexcept {
    std::memcpy(channel.input, input, static_cast<size_t>(count) * sizeof(float));
    const int padded = (count + Math::width - 1) / Math::width * Math::width;
    for (int i = count; i < padded; ++i) {
        channel.input[i] = 0.0f;
    }
    return padded;
}

// One slew step, as kernelMath::slewStep, for a vector of samples.
template <class Math>
inline typename Math::Floats slewSteps(typename Math::Floats previous, typename Math::Doubles x,
                                       typename Math::Floats limit) noexcept {
    using L = Lanes<Math>;
    const auto wide = L::widen(previous);
    const auto difference = L::narrow(x - wide);
    const auto size = L::abs(difference);
    // As `limit >= size ? size : limit`, a NaN size included, in one minimum.
    const auto magnitude = size < limit ? size : limit;
    // The magnitude is never negative, so only the sign bit needs setting.
    const auto step = (typename L::Floats)((typename L::FloatMask)magnitude |
                                           ((typename L::FloatMask)difference &
                                            L::template splat<typename L::FloatMask>(INT32_MIN)));
    return L::narrow(wide + L::widen(step));
}

// The reference's steps one after another, the channels side by side so that
// their dependency chains overlap; `seen(k, i, value)` gets every tracked value.
template <int channels, class Seen>
inline void stepSerially(const float* const* inputs, float* state, int count,
                         const Coefficients& c, Seen seen) noexcept {
    const double gain = kernelMath::widen(c.inGain);
    float tracked[channels];
    for (int k = 0; k < channels; ++k) {
        tracked[k] = state[k];
    }
    for (int i = 0; i < count; ++i) {
        for (int k = 0; k < channels; ++k) {
            tracked[k] = kernelMath::slewStep(kernelMath::widen(inputs[k][i]) * gain, tracked[k],
                                              c.slewLimit);
            seen(k, i, tracked[k]);
        }
    }
    for (int k = 0; k < channels; ++k) {
        state[k] = tracked[k];
    }
}

// Every tracked value of the chunk, for the shaping that follows; the padding
// past `count` tracks zero.
template <class Math, int channels>
inline void trackSerial(Channel<Math>* channel, float* state, int count, int padded,
                        const Coefficients& c) noexcept {
    const float* inputs[channels];
    for (int k = 0; k < channels; ++k) {
        inputs[k] = channel[k].input;
        channel[k].history[0] = state[k];
        for (int i = count; i < padded; ++i) {
            channel[k].tracked()[i] = 0.0f;
        }
    }
    stepSerially<channels>(inputs, state, count, c,
                           [channel](int k, int i, float value) { channel[k].tracked()[i] = value; });
}

// Slew steps for one vector of samples whose first predecessor is `before`:
// guess the results, then redo every step from its guessed predecessor until
// nothing changes. Lane k is exact after k + 1 rounds, so this ends; with
// slew limiting off it mostly ends after the first.
template <class Math>
inline typename Math::Floats settleVector(float before, typename Math::Doubles x,
                                          typename Math::Floats guess,
                                          typename Math::Floats limit) noexcept {
    using L = Lanes<Math>;
    using FloatMask = typename L::FloatMask;
    for (;;) {
        // Predecessors: [before, guess[0], ..., guess[width - 2]].
        const auto next = slewSteps<Math>(Math::shiftIn(before, guess), x, limit);
        if (!Math::anyLane((FloatMask)next != (FloatMask)guess)) {
            return next;
        }
        guess = next;
    }
}

// Gains 2^k with k >= 0, which InGain gives at whole eighths of its range
// (1 and 4 among them), decided once per block from the bits: the float
// product in * 2^k only moves the exponent, so it is the reference's exact
// double product unless it overflows.
inline bool exactGain(float gain) noexcept {
    const uint32_t bits = bitsOf(gain);
    const uint32_t biasedExponent = bits >> 23;  // the sign bit too: negatives fail
    return (bits & 0x7FFFFFu) == 0 && biasedExponent >= 127 && biasedExponent <= 254;
}

// With such a gain, a vector of slew steps from `previous` towards the float
// products, in float alone. `unsure` marks the lanes where a step may differ
// from the reference's; elsewhere `tracked` is the reference's result: its x
// is the product, its difference x - previous rounded to float is the float
// difference (the double difference of two floats, rounded again to float,
// is the float difference, as 53 >= 2 * 24 + 2 bits make the double rounding
// harmless; a result below the normal range is exact in both), the step is
// not limited, and the float sum previous + difference is what the reference
// rounds through double, by the same argument. Signs of zeros follow the same
// rules in either width. An overflowing product, an infinity or a NaN gives an
// infinite or NaN difference, which the bound, kept finite for that reason,
// marks.
template <class Floats>
struct FloatSteps {
    using Mask = decltype(Floats{} < Floats{});
    Floats tracked;
    Mask unsure;
};

template <class Floats>
inline FloatSteps<Floats> productSteps(Floats product, Floats previous, float limit) noexcept {
    using Mask = typename FloatSteps<Floats>::Mask;
    const float bound = std::min(limit, std::numeric_limits<float>::max());
    const Floats difference = product - previous;
    const Floats size = (Floats)((Mask)difference & INT32_MAX);
    return {previous + difference, ~(size <= bound)};
}

// Slew limiting off: the tracked value becomes float(x) unless rounding the
// step lost bits (after a steep drop, or a jump beyond the limit), and such a
// loss fades within a step or two. So first every step is taken at once from
// float(previous x), marking the vectors where one missed float(x); then, in
// order, the marked vectors and those whose predecessor turned out otherwise
// are settled from the true predecessor. The result is the serial one, bit for
// bit, and the first loop has no branch to mispredict.
template <class Math>
inline float settle(Channel<Math>& channel, float state, int count, int padded,
                    const Coefficients& c) noexcept {
    using L = Lanes<Math>;
    using Floats = typename L::Floats;
    using FloatMask = typename L::FloatMask;
    constexpr int width = Math::width;
    const auto gain = L::template splat<typename L::Doubles>(kernelMath::widen(c.inGain));
    const Floats limit = L::template splat<Floats>(c.slewLimit);
    float* tracked = channel.tracked();
    channel.history[0] = state;
    float assumed = state;
    if (exactGain(c.inGain)) {
        // The same first pass in float alone (see productSteps): a lane it is
        // unsure of counts as a miss.
        const Floats floatGain = L::template splat<Floats>(c.inGain);
        for (int i = 0, vector = 0; i < padded; i += width, ++vector) {
            const Floats followed = load<Floats>(channel.input + i) * floatGain;
            const FloatSteps<Floats> next =
                productSteps(followed, Math::shiftIn(assumed, followed), c.slewLimit);
            store(tracked + i, next.tracked);
            channel.unsettled[vector] = Math::anyLane(
                ((FloatMask)next.tracked != (FloatMask)followed) | next.unsure);
            assumed = followed[width - 1];
        }
    } else {
        for (int i = 0, vector = 0; i < padded; i += width, ++vector) {
            const auto x = L::widen(load<Floats>(channel.input + i)) * gain;
            const Floats followed = L::narrow(x);
            const Floats next = slewSteps<Math>(Math::shiftIn(assumed, followed), x, limit);
            store(tracked + i, next);
            channel.unsettled[vector] = Math::anyLane((FloatMask)next != (FloatMask)followed);
            assumed = followed[width - 1];
        }
    }
    // Whether the vector before ended off float(x): only a settled one can,
    // as the others equal float(x) in every lane.
    bool offFollowed = false;
    for (int i = 0, vector = 0; i < padded; i += width, ++vector) {
        if (channel.unsettled[vector] || offFollowed) {
            const float before = i == 0 ? state : tracked[i - 1];
            const auto x = L::widen(load<Floats>(channel.input + i)) * gain;
            const Floats settled = settleVector<Math>(before, x, load<Floats>(tracked + i), limit);
            store(tracked + i, settled);
            offFollowed = bitsOf(settled[width - 1]) != bitsOf(L::narrow(x)[width - 1]);
        } else {
            offFollowed = false;
        }
    }
    return tracked[count - 1];
}

template <class Math, int channels>
inline void track(Channel<Math>* channel, float* state, int count, int padded,
                  const Coefficients& c) noexcept {
    if (c.slewLimit >= parameterCurves::slewOff) {
        for (int k = 0; k < channels; ++k) {
            state[k] = settle(channel[k], state[k], count, padded, c);
        }
    } else {
        trackSerial<Math, channels>(channel, state, count, padded, c);
    }
}

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

template <bool accumulate>
inline void storeChunk(float* __restrict output, const float* __restrict values,
                       int count) noexcept {
    if constexpr (accumulate) {
        for (int i = 0; i < count; ++i) {
            output[i] = output[i] + values[i];
        }
    } else {
        std::memcpy(output, values, static_cast<size_t>(count) * sizeof(float));
    }
}

// Bypass with slew limiting off, where only the tracked value at the end of
// the block matters. Each step of a vector is taken, with the reference's
// arithmetic, from the guess that its predecessor ended at float(x) (the
// first from the true tracked value). Where every step lands on its own
// guess, the guesses were the tracked values. A vector where one misses (a
// steep drop, a sign change, a non-finite sample: a few in a hundred on
// music) is settled exactly, and its last value starts the next vector.
//
// The guess is the float product, which rounds the exact product as the
// reference does; it only needs to be the same bits wherever it is formed.
// The step's last rounding happens in float: the exact sum of two floats
// either fits a double or lies within a small fraction of an ulp of the
// larger one, so rounding it to double first changes no float result.
// With an exact gain (exactGain) the steps stay in float, and the double
// product is formed only for a vector that needs settling.
// `previous`: the value before each sample's step, lane 0's the true one.
// Returns the tracked value after lane `last`.
template <class Math, bool exact>
inline float lastTracked(typename Math::Floats samples, typename Math::Floats guess,
                         typename Math::Floats previous, int last,
                         const Coefficients& c) noexcept {
    using L = Lanes<Math>;
    using Floats = typename L::Floats;
    using Doubles = typename L::Doubles;
    using FloatMask = typename L::FloatMask;
    const Floats limit = L::template splat<Floats>(c.slewLimit);
    if constexpr (exact) {
        // Steps from the guesses, then once more from those results: where
        // that second round is sure and repeats the first, each lane's
        // predecessor was its true value (lane 0's is), so the first round is
        // the serial result. A step that misses its guess mostly leaves the
        // next one on its own guess, so the second round takes most misses
        // (about one vector in eight on music) without a branch the
        // processor would mispredict.
        const Floats first = productSteps(guess, previous, c.slewLimit).tracked;
        const FloatSteps<Floats> second =
            productSteps(guess, Math::shiftIn(previous[0], first), c.slewLimit);
        const FloatMask missed = ((FloatMask)second.tracked != (FloatMask)first) | second.unsure;
        if ((Math::laneBits(missed) & ((2u << last) - 1u)) == 0) [[likely]] {
            return first[last];
        }
        const Doubles x =
            L::widen(samples) * L::template splat<Doubles>(kernelMath::widen(c.inGain));
        return settleVector<Math>(previous[0], x, second.tracked, limit)[last];
    } else {
        const Doubles x =
            L::widen(samples) * L::template splat<Doubles>(kernelMath::widen(c.inGain));
        const Floats difference = L::narrow(x - L::widen(previous));
        const Floats tracked = previous + difference;
        // A limited step (a NaN one too) is left to the settling.
        const FloatMask missed =
            ((FloatMask)tracked != (FloatMask)guess) | ~(L::abs(difference) <= limit);
        if ((Math::laneBits(missed) & ((2u << last) - 1u)) == 0) [[likely]] {
            return guess[last];
        }
        return settleVector<Math>(previous[0], x, tracked, limit)[last];
    }
}

template <class Math, bool exact>
inline float finalUnlimitedWith(const float* input, int count, float state,
                                const Coefficients& c) noexcept {
    using Floats = typename Lanes<Math>::Floats;
    constexpr int width = Math::width;
    const Floats gain = Lanes<Math>::template splat<Floats>(c.inGain);
    float tracked = state;
    // Whether `tracked` is the guess for the sample before i: then the next
    // vector need not wait for it.
    bool onGuess = false;
    int i = 0;
    for (; i + width <= count; i += width) {
        const Floats samples = load<Floats>(input + i);
        const Floats guess = samples * gain;
        const Floats previous =
            onGuess ? load<Floats>(input + i - 1) * gain : Math::shiftIn(tracked, guess);
        tracked = lastTracked<Math, exact>(samples, guess, previous, width - 1, c);
        onGuess = bitsOf(tracked) == bitsOf(guess[width - 1]);
    }
    if (i < count) {
        // Under a vector left: a zero-padded copy, whose padding is not read back.
        alignas(64) float rest[width] = {};
        std::memcpy(rest, input + i, static_cast<size_t>(count - i) * sizeof(float));
        const Floats samples = load<Floats>(rest);
        const Floats guess = samples * gain;
        tracked = lastTracked<Math, exact>(samples, guess, Math::shiftIn(tracked, guess),
                                           count - i - 1, c);
    }
    return tracked;
}

template <class Math>
inline float finalUnlimited(const float* input, int count, float state,
                            const Coefficients& c) noexcept {
    return exactGain(c.inGain) ? finalUnlimitedWith<Math, true>(input, count, state, c)
                               : finalUnlimitedWith<Math, false>(input, count, state, c);
}

template <class Math, bool accumulate>
inline void passThrough(float* output, const float* input, int count) noexcept {
    if constexpr (accumulate) {
        using Floats = typename Lanes<Math>::Floats;
        constexpr int width = Math::width;
        int i = 0;
        for (; i + width <= count; i += width) {
            store(output + i, load<Floats>(output + i) + load<Floats>(input + i));
        }
        for (; i < count; ++i) {
            output[i] = output[i] + input[i];
        }
    } else if (output != input) {
        std::memmove(output, input, static_cast<size_t>(count) * sizeof(float));
    }
}

// Whether the n samples at a and at b share any byte.
inline bool overlap(const float* a, const float* b, int32_t n) noexcept {
    const auto first = reinterpret_cast<uintptr_t>(a);
    const auto second = reinterpret_cast<uintptr_t>(b);
    const auto bytes = static_cast<uintptr_t>(n) * sizeof(float);
    return first < second + bytes && second < first + bytes;
}

// The vector kernels read a chunk of every input before they write any
// output, while the reference reads and writes channel A of a sample before it
// reads channel B. The two agree when each output is its own channel's input
// (in place) or lies apart from every input and from the other output; any
// other overlap (output A is input B, output B is input A, buffers shifted
// against each other) takes the reference kernels.
template <int channels>
inline bool separateBuffers(const float* inputA, const float* inputB, const float* outputA,
                            const float* outputB, int32_t n) noexcept {
    const auto apart = [n](const float* output, const float* input, bool sameChannel) {
        return (sameChannel && output == input) || !overlap(output, input, n);
    };
    if (channels == 1) {
        return apart(outputA, inputA, true);
    }
    return apart(outputA, inputA, true) && apart(outputB, inputB, true) &&
           apart(outputA, inputB, false) && apart(outputB, inputA, false) &&
           (outputA == outputB || !overlap(outputA, outputB, n));
}

// The rounding guard is reasoned for any finite coefficients; the handlers
// give infinities, or exponents beyond the vector pow's reach, only for
// parameter values far outside 0 to 1, and such a block is left to the
// reference.
inline bool finiteCoefficients(const Coefficients& c) noexcept {
    const kernelMath::Shaping& k = c.shaping;
    for (float value : {c.inGain, c.slewLimit, k.funcMix, k.ampMin, k.freqMin, k.freqDif, k.outGain,
                        k.ampRange, k.freqDifLog}) {
        if (!std::isfinite(value)) {
            return false;
        }
    }
    // The vector pow's bound holds for the exponents FreqDif gives (below
    // 7.02); values far outside 0 to 1 can give up to 128.
    return k.freqDifLog <= 7.02f;
}

}  // namespace chunked
}  // namespace

// Out of line: its stack frame is large, and short blocks should not pay for it.
template <class Math, bool accumulate, int channels>
[[gnu::noinline]] void Ondulaxis::chunkedDistort(float* const* inputs, float* const* outputs,
                               int32_t sampleFrames) noexcept {
    const chunked::Coefficients c{
        inGain, slewLimit, {funcMix, ampMin, freqMin, freqDif, outGain, ampRange, freqDifLog}};
    chunked::Channel<Math> channel[channels];
    for (int32_t start = 0; start < sampleFrames; start += chunked::chunkSize) {
        const int count = static_cast<int>(std::min<int32_t>(chunked::chunkSize, sampleFrames - start));
        int padded = 0;
        for (int k = 0; k < channels; ++k) {
            padded = chunked::loadChunk(channel[k], inputs[k] + start, count);
        }
        chunked::track<Math, channels>(channel, slewState, count, padded, c);
        for (int k = 0; k < channels; ++k) {
            if (zeroCrossMode) {
                chunked::shape<Math, true>(channel[k], count, padded, c);
            } else {
                chunked::shape<Math, false>(channel[k], count, padded, c);
            }
        }
        for (int k = 0; k < channels; ++k) {
            chunked::storeChunk<accumulate>(outputs[k] + start, channel[k].output, count);
        }
    }
}

// Bypass: the output is the input, so only the tracked values at the end of
// the block are needed, straight from the host's buffers.
template <class Math, bool accumulate, int channels>
void Ondulaxis::chunkedPass(float* const* inputs, float* const* outputs,
                            int32_t sampleFrames) noexcept {
    const chunked::Coefficients c{inGain, slewLimit, {}};
    const int count = static_cast<int>(sampleFrames);
    // Tracking reads every input before any output is written, as in-place
    // buffers need.
    if (slewLimit >= parameterCurves::slewOff) {
        for (int k = 0; k < channels; ++k) {
            slewState[k] = chunked::finalUnlimited<Math>(inputs[k], count, slewState[k], c);
        }
    } else {
        // Bypass needs only the last tracked value.
        chunked::stepSerially<channels>(inputs, slewState, count, c, [](int, int, float) {});
    }
    for (int k = 0; k < channels; ++k) {
        chunked::passThrough<Math, accumulate>(outputs[k], inputs[k], count);
    }
}

// Blocks too short for a vector go to the reference kernel of the same row;
// so do blocks whose buffers or coefficients the vector kernels cannot take.
template <class Math, bool accumulate, int channels, bool bypass>
void Ondulaxis::chunkedKernel(float* inputA, float* inputB, float* outputA, float* outputB,
                              int32_t sampleFrames) noexcept {
    const chunked::Coefficients c{
        inGain, slewLimit, {funcMix, ampMin, freqMin, freqDif, outGain, ampRange, freqDifLog}};
    if (sampleFrames < chunked::shortBlock ||
        !chunked::separateBuffers<channels>(inputA, inputB, outputA, outputB, sampleFrames) ||
        !chunked::finiteCoefficients(c)) {
        constexpr int32_t row = (channels == 2 ? 2 : 0) + (bypass ? 1 : 0);
        const Kernel reference = (accumulate ? accumulateKernels : replaceKernels)[row];
        (this->*reference)(inputA, inputB, outputA, outputB, sampleFrames);
        return;
    }
    // A mono kernel reads only the first of each.
    float* const inputs[2] = {inputA, inputB};
    float* const outputs[2] = {outputA, outputB};
    if constexpr (bypass) {
        chunkedPass<Math, accumulate, channels>(inputs, outputs, sampleFrames);
    } else {
        chunkedDistort<Math, accumulate, channels>(inputs, outputs, sampleFrames);
    }
}

template <class Math>
Ondulaxis::KernelTables Ondulaxis::chunkedKernelTables() noexcept {
    static constexpr Kernel replace[kernelCount] = {
        &Ondulaxis::chunkedKernel<Math, false, 1, false>,
        &Ondulaxis::chunkedKernel<Math, false, 1, true>,
        &Ondulaxis::chunkedKernel<Math, false, 2, false>,
        &Ondulaxis::chunkedKernel<Math, false, 2, true>,
        &Ondulaxis::idle,
    };
    static constexpr Kernel accumulate[kernelCount] = {
        &Ondulaxis::chunkedKernel<Math, true, 1, false>,
        &Ondulaxis::chunkedKernel<Math, true, 1, true>,
        &Ondulaxis::chunkedKernel<Math, true, 2, false>,
        &Ondulaxis::chunkedKernel<Math, true, 2, true>,
        &Ondulaxis::idle,
    };
    return {Math::path, replace, accumulate};
}
